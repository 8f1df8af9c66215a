#pragma once

#include "DBAuthHelperOSX.h"
#include "QLMKitchoraDevice.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QVariantList>
#include <QVariantMap>
#include <functional>

class ManagedObject;

// What the application controller and the source list ask of device sharing through Dropbox and of
// the recipe property-list mapping it sends. Main thread only; every completion is called on the
// main thread, later, never from inside the call.
class DropboxService
{
public:
    virtual ~DropboxService() = default;

    // True while a Dropbox account is linked to the program.
    virtual bool isLinked() const = 0;
    // Signing in, on this desktop: asks the user to choose the folder a sync client keeps (Dropbox,
    // Nextcloud, Syncthing...) and links the program to it; a cancelled choice changes nothing.
    virtual void authenticate() = 0;
    // When this computer has a device folder: deletes it, unlinks every account (also when
    // deleting failed, which is logged) and calls `completion` (may be empty). Without a device
    // folder it unlinks at once and calls `completion` on the next pass.
    virtual void deleteOwnFolderAndUnlink(std::function<void()> completion) = 0;
    // Reads the record of every other device and calls `processDevices` once with them. When the
    // records cannot be read (no device folder, the devices folder not listed) it is not called,
    // so the caller keeps the devices it shows. `processDevices` must not be empty.
    virtual void readArrayOfDevicePlists(std::function<void(const QList<QLMKitchoraDevice>&)> processDevices)
        = 0;

    // Fetches the recipes other devices sent to this computer and calls `processRecipe` once per
    // recipe (its property list and picture data, either may be empty; both empty once when there
    // is nothing), one recipe per pass of the main loop. A file is deleted once every recipe it
    // held was handed over and none failed to save; a picture once its recipe was made.
    // `processRecipe` answers whether a recipe was made. An empty function is only logged.
    using RecipeProcessor = std::function<bool(const QVariantMap& plist, const QByteArray& imageData)>;
    virtual void processRecipePlistsAndImagesIndividuallyWithBlock(RecipeProcessor processRecipe) = 0;
    // Told +n when n files start to be fetched from the devices' folders and -1 as each is done,
    // so the devices folder can show that something is arriving.
    using FetchCountObserver = std::function<void(int change)>;
    virtual void setFetchCountObserver(FetchCountObserver observer) { (void)observer; }
    // Appends the recipe property lists to the device's recipes and sends it one push message.
    virtual void addRecipesToDevice(const QVariantList& plists, const QLMKitchoraDevice& device) = 0;
    // Fetches the grocery lists other devices left for this computer and calls `processLists` once
    // with their property lists (empty when there is none or they could not be read), deleting
    // their files once it has returned: it keeps the lists before returning. An empty function is
    // only logged.
    using GroceryListsProcessor = std::function<void(const QVariantList& lists)>;
    virtual void checkDropboxAndIfNewGroceriesProcessWithBlock(GroceryListsProcessor processLists) = 0;
    // Writes one grocery list for the device when it supports grocery lists; otherwise nothing.
    virtual void addGroceryListPlistToDevice(const QVariantMap& plist, const QLMKitchoraDevice& device) = 0;
    // Uploads a recipe picture into the device's picture folder under `fileName`.
    virtual void uploadRecipeImageDataToDevice(
        const QByteArray& data, const QLMKitchoraDevice& device, const QString& fileName)
        = 0;

    // The recipe's device property list ("vrcText", "onlineID", ...), given to `completion` once:
    // the list, or an empty list and an error text when it cannot be made.
    using PlistCompletion = std::function<void(const QVariantMap& plist, const QString& error)>;
    virtual void plistFromRecipeMO(ManagedObject* recipe, PlistCompletion completion) = 0;
    // Inserts a recipe made from a device property list into the main context and saves it; the
    // recipe already made from the same identifier when there is one; nullptr when none could be
    // made or saved.
    virtual ManagedObject* recipeManagedObjectFromPlist(const QVariantMap& plist, const QByteArray& imageData)
        = 0;
};
