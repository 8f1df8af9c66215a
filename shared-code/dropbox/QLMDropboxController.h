#pragma once

#include "DBMetadata.h"
#include "DropboxService.h"
#include "Error.h"
#include "QLMDropboxAgent.h"
#include "QLMDropboxFileMove.h"
#include "RunLoop.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariantList>
#include <QVariantMap>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QNetworkAccessManager;

// Device sharing through the synced folder. Every device, this computer included, owns one folder
// in /Kitchora/Devices with its DeviceInfo.plist; senders write into the receiver's folder and
// each device reads and empties only its own. This computer finds or claims its folder once
// (the gate every reading passes), then receives the recipes and grocery lists left there and
// sends its own to other devices' folders. Files are consumed only once what they hold has been
// made and saved, and the list of recipes waiting for a device is rewritten without losing what
// another writer added meanwhile. Main thread only.
class QLMDropboxController : public DropboxService
{
public:
    // Who this computer is to the other devices.
    struct Identity {
        QString computerName;
        QString saltedIdentifier; // UIDevice::saltedUniqueIdentifier
        QString kitchoraVersion;
    };
    // Sends one push request (the whole address, already escaped); its answer is ignored.
    using PushSender = std::function<void(const QString& address)>;
    using ItemBlock = std::function<void(const std::optional<QVariantMap>& item)>;

    // The user default naming the push service ("https://host[:port]"); none: no push is sent.
    static inline const QString QLMPushServiceAddressKey = QStringLiteral("QLMPushServiceAddress");
    static inline const QString QLMPushServicePath
        = QStringLiteral("/apns-kitchora/client/sendMessageToDevice.php");
    // Identifiers of received recipes that have no number as their identifier, so a recipe
    // delivered twice is made once.
    static inline const QString QLMDropboxReceivedRecipeIdentifiersKey
        = QStringLiteral("QLMDropboxReceivedRecipeIdentifiers");
    static constexpr double kDeviceInfoWriteInterval = 60.0;
    // The synced folder answers each request in a pass of the main loop: so many files are
    // fetched at once, so a pass holds only a few file reads.
    static constexpr int kLoadsInFlight = 2;

    // An empty push sender sends with a network manager of its own.
    explicit QLMDropboxController(Identity identity, PushSender sendPush = {});
    ~QLMDropboxController() override;
    QLMDropboxController(const QLMDropboxController&) = delete;
    QLMDropboxController& operator=(const QLMDropboxController&) = delete;

    // The signing-in chooser of DBAuthHelperOSX; empty: authenticate() does nothing.
    void setFolderChooser(std::function<QString()> chooseFolder) { m_chooseFolder = std::move(chooseFolder); }

    QLMDropboxAgent& dropboxAgent() { return m_dropboxAgent; }

    // --- device folder and device records ---
    static QString devicesDirectory();
    // The folder name to claim among the existing ones: the computer name, else the computer name
    // and the number after the highest one already used; never an existing name.
    static QString deviceFolderNameGivenExistingFolderNames(
        const QString& computerName, const QStringList& existingNames);
    // A name as one path component: "/" would make it a subfolder.
    static QString safeFileName(const QString& name);

    // Runs `block` once this computer's folder is known or its search has failed; the block asks
    // pathToCurrentDeviceDirectory() and treats empty as no folder.
    void determineCurrentDeviceDirectoryAndThenPerformBlock(std::function<void()> block);
    QString pathToCurrentDeviceDirectory() const { return m_currentDropboxPath; }
    bool dropboxDirectoryIsBeingDetermined() const { return m_dropboxDirectoryIsBeingDetermined; }
    QVariantMap deviceInfoPlistForCurrentDevice() const;

    // --- DropboxService ---
    bool isLinked() const override;
    void authenticate() override;
    void deleteOwnFolderAndUnlink(std::function<void()> completion) override;
    void readArrayOfDevicePlists(
        std::function<void(const QList<QLMKitchoraDevice>&)> processDevices) override;
    void processRecipePlistsAndImagesIndividuallyWithBlock(RecipeProcessor processRecipe) override;
    void setFetchCountObserver(FetchCountObserver observer) override
    {
        m_fetchCountObserver = std::move(observer);
    }
    void addRecipesToDevice(const QVariantList& plists, const QLMKitchoraDevice& device) override;
    void addGroceryListPlistToDevice(const QVariantMap& plist, const QLMKitchoraDevice& device) override;
    void uploadRecipeImageDataToDevice(
        const QByteArray& data, const QLMKitchoraDevice& device, const QString& fileName) override;
    void plistFromRecipeMO(ManagedObject* recipe, PlistCompletion completion) override;
    ManagedObject* recipeManagedObjectFromPlist(
        const QVariantMap& plist, const QByteArray& imageData) override;

    // --- shared reading ---
    // Parses one item file (a dictionary, or an array of dictionaries only) onto `plistArray`.
    static bool addNewPlistData(const QByteArray& data, QVariantList& plistArray);
    // "onlineID", else "id"; a whole number as its decimal text; empty when neither.
    static QString recipeIdentifier(const QVariantMap& recipe);

    // --- grocery lists ---
    void checkDropboxAndIfNewGroceriesProcessWithBlock(GroceryListsProcessor processLists) override;
    void fetchesGroceryListWithGroceryUUID(const QString& uuid, ItemBlock processPlist);
    void fetchRecipeWithRecipeID(const QString& identifier, ItemBlock processPlist);

    // --- sending ---
    void addRecipe(const QVariantMap& recipe, const QLMKitchoraDevice& device);
    void pushRecipeIdent(const QString& ident, const QLMKitchoraDevice& device);
    void pushGroceryIdent(const QString& ident, const QLMKitchoraDevice& device);
    void pushNoteWithIdent(
        const QString& ident, const QString& message, int itemType, const QString& deviceToken);
    // The push request's address for the service at `serviceAddress`, every value escaped on its own.
    static QString pushAddress(const QString& serviceAddress, const QString& ident, const QString& message,
        int itemType, const QString& deviceToken);

private:
    // One item read from an item file, and the file it came from.
    struct GatheredItem {
        QVariantMap plist;
        QString sourcePath;
    };
    using GatherBlock = std::function<void(std::optional<std::vector<GatheredItem>> items)>;
    struct Search;
    struct Receiving;
    struct Sending;

    // Gate and search.
    void runDeferredBlocks();
    void searchFinishedWithPath(const QString& path);
    void searchFailed();
    void checkDefaultFolder();
    void resolveConflictWhereDefaultNameIsAlreadyTaken();
    void checkIfOtherFolderHasOurUDIDAndRenameToDefault();
    void loadDeviceInfos(const QList<DBMetadata>& entries, std::function<void(const DBMetadata& ours)> found,
        std::function<void()> noneFound);
    std::optional<QVariantMap> parseDeviceInfo(const QByteArray& data, const QString& folder) const;
    QString defaultDevicePath() const;
    void writeOutDeviceInfoPlist();

    // Reading.
    void gatherItemsFromMetadataArray(const QList<DBMetadata>& entries, GatherBlock block);
    void gatherFolder(const QString& folder, GatherBlock block);
    // Loads the files a few at a time, so a folder of many does not hold up the main loop in one
    // burst; `answer` gets each file's bytes, or nothing when it did not load.
    using FileAnswer = std::function<void(const QString& path, const std::optional<QByteArray>& data)>;
    struct LoadQueue;
    void loadFiles(const QStringList& paths, FileAnswer answer);
    void loadNext(const std::shared_ptr<LoadQueue>& queue);
    bool ignored(const QString& path) const;
    void searchForItemWithIdent(const QString& ident, const QString& folder, ItemBlock block);
    void claimRecipesList(const QString& recipesFolder, std::function<void()> then);
    // Pairs the gathered recipes with their pictures and starts handing them out.
    void startReceiving(const std::shared_ptr<Receiving>& receiving, const QList<DBMetadata>& pictureEntries);
    // Fetches the next pictures in handing-out order, made ready for storing off the main thread.
    void loadPictures(const std::shared_ptr<Receiving>& receiving);
    // Hands out one recipe, then the next in a later pass; waits while its picture is not ready.
    void receiveNext(const std::shared_ptr<Receiving>& receiving);
    void handOutRecipe(const std::shared_ptr<Receiving>& receiving, qsizetype index,
        const QByteArray& picture, const QString& picturePath);
    ManagedObject* existingRecipeForIdentifier(const QString& identifier) const;

    // Sending.
    void appendRecipes(const std::shared_ptr<Sending>& sending);
    void commitRecipes(const std::shared_ptr<Sending>& sending, const QByteArray& claimed);
    void recipesCommitted(const std::shared_ptr<Sending>& sending);
    void moveFile(
        const QString& from, const QString& to, std::function<void(const std::optional<Error>&)> done);
    void sendPush(const QString& address);

    Identity m_identity;
    PushSender m_sendPush;
    std::unique_ptr<QNetworkAccessManager> m_network;
    std::function<QString()> m_chooseFolder;
    QLMDropboxAgent m_dropboxAgent;
    FetchCountObserver m_fetchCountObserver;

    QString m_currentDropboxPath;
    std::vector<std::function<void()>> m_deferDropboxBlocksSet;
    bool m_dropboxDirectoryIsBeingDetermined = false;
    std::shared_ptr<Search> m_search;
    QString m_recipeIdentToIgnore;
    QString m_groceryIdentToIgnore;
    // A DeviceInfo.plist write started less than a minute ago.
    bool m_deviceInfoWriteRecent = false;
    RunLoop::Token m_deviceInfoWriteTimer = 0;
    // Raised by every failed save of a received recipe, so its file is kept.
    int m_saveFailures = 0;

    std::vector<std::unique_ptr<QLMDropboxFileMove>> m_moves;
    // Work posted to the main loop finds the controller gone through this.
    std::shared_ptr<bool> m_alive = std::make_shared<bool>(true);
};
