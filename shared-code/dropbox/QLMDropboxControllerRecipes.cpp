// Recipes and item files other devices left in this computer's folder: gathered, handed to the
// caller with their pictures, and deleted only once what they hold has been made and saved.

#include "DBSession.h"
#include "DropboxErrors.h"
#include "DropboxPaths.h"
#include "FetchRequest.h"
#include "ImageMO.h"
#include "KitchoraServices.h"
#include "Log.h"
#include "ManagedObject.h"
#include "ManagedObjectContext.h"
#include "ManagedObjectID.h"
#include "ManagedObjectModel.h"
#include "PersistentStoreCoordinator.h"
#include "PropertyList.h"
#include "QLMBlocks.h"
#include "QLMDropboxController.h"
#include "QLMDropboxPathConstants.h"
#include "QLMPlistToAndFromRecipeMO.h"
#include "RecipeMO.h"
#include "UUID.h"
#include "UserDefaults.h"

#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>
#include <cmath>

using namespace QLMDropboxPathConstants;

namespace
{

const QString kImageSuffix = QStringLiteral("-imageData");
// So many identifiers of received recipes are remembered; beyond it the first by name go.
constexpr qsizetype kRememberedIdentifiers = 2000;

QString baseName(const QString& path)
{
    const QString name = QFileInfo(path).fileName();
    const qsizetype dot = name.lastIndexOf(u'.');
    return dot > 0 ? name.left(dot) : name;
}

// A received picture in the form the library keeps, made off the main thread so that storing it
// there costs no decoding and encoding; bytes that are no picture go on unchanged.
QByteArray storedPicture(const QByteArray& data)
{
    const QByteArray converted = ImageMO::storageData(data);
    return converted.isEmpty() ? data : converted;
}

} // namespace

void QLMDropboxController::moveFile(
    const QString& from, const QString& to, std::function<void(const std::optional<Error>&)> done)
{
    // Moves that have answered are let go here, never from inside their own answer.
    std::erase_if(m_moves, [](const std::unique_ptr<QLMDropboxFileMove>& move) { return move->finished(); });
    m_moves.push_back(std::make_unique<QLMDropboxFileMove>(std::move(done)));
    QLMDropboxFileMove* move = m_moves.back().get();
    if (DBSession::sharedSession()) {
        move->start(from, to);
        return;
    }
    // Without a session the failure still answers later, never from inside the call.
    RunLoop::postToMain([this, alive = std::weak_ptr<bool>(m_alive), from, to, move] {
        if (!alive.lock())
            return;
        for (const auto& held : m_moves) {
            if (held.get() == move)
                move->start(from, to);
        }
    });
}

// --- shared reading ---

bool QLMDropboxController::addNewPlistData(const QByteArray& data, QVariantList& plistArray)
{
    Error error;
    const QVariant plist = PropertyList::propertyListWithData(data, nullptr, &error);
    if (!plist.isValid()) {
        Log::logf(QStringLiteral("Error processing plist data: %1"), error.localizedDescription);
        return false;
    }
    if (plist.typeId() == QMetaType::QVariantMap) {
        plistArray.append(plist);
        return true;
    }
    if (plist.typeId() == QMetaType::QVariantList) {
        const QVariantList items = plist.toList();
        for (const QVariant& item : items) {
            if (item.typeId() != QMetaType::QVariantMap)
                return false;
        }
        plistArray.append(items);
        return true;
    }
    Log::logf(
        QStringLiteral("Plist is not dictionary or array but %1"), QString::fromLatin1(plist.typeName()));
    return false;
}

QString QLMDropboxController::recipeIdentifier(const QVariantMap& recipe)
{
    QVariant value = recipe.value(QStringLiteral("onlineID"));
    if (!value.isValid() || value.isNull())
        value = recipe.value(QStringLiteral("id"));
    switch (value.typeId()) {
    case QMetaType::QString:
        return value.toString();
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
        return value.toString();
    case QMetaType::Double: {
        const double number = value.toDouble();
        if (std::isfinite(number) && number == std::floor(number) && std::abs(number) < 1e15)
            return QString::number(static_cast<qint64>(number));
        return {};
    }
    default:
        return {};
    }
}

bool QLMDropboxController::ignored(const QString& path) const
{
    const QString base = baseName(path);
    for (const QString& ident : { m_recipeIdentToIgnore, m_groceryIdentToIgnore }) {
        if (!ident.isEmpty() && base.endsWith(u'-' + ident))
            return true;
    }
    return false;
}

void QLMDropboxController::gatherItemsFromMetadataArray(const QList<DBMetadata>& entries, GatherBlock block)
{
    if (!block)
        return;
    QList<DBMetadata> files;
    for (const DBMetadata& entry : entries) {
        if (!entry.isDirectory && !entry.isDeleted && !ignored(entry.path))
            files.append(entry);
    }
    if (files.isEmpty()) {
        Log::logf(QStringLiteral("no valid items in folder: %1"),
            entries.isEmpty() ? QString() : DropboxPaths::parent(entries.last().path));
        block(std::nullopt);
        return;
    }
    struct Gathering {
        qsizetype remaining = 0;
        std::vector<GatheredItem> items;
    };
    auto gathering = std::make_shared<Gathering>();
    gathering->remaining = files.size();
    auto answered = [this, gathering, block] {
        if (--gathering->remaining > 0)
            return;
        Log::log(QStringLiteral("processed list"));
        m_recipeIdentToIgnore.clear();
        m_groceryIdentToIgnore.clear();
        if (gathering->items.empty())
            block(std::nullopt);
        else
            block(std::move(gathering->items));
    };
    QStringList paths;
    for (const DBMetadata& entry : files)
        paths.append(entry.path);
    loadFiles(paths, [gathering, answered](const QString& path, const std::optional<QByteArray>& data) {
        QVariantList items;
        if (data && addNewPlistData(*data, items)) {
            for (const QVariant& item : std::as_const(items))
                gathering->items.push_back({ item.toMap(), path });
        }
        answered();
    });
}

struct QLMDropboxController::LoadQueue {
    QStringList paths;
    qsizetype next = 0;
    FileAnswer answer;
};

void QLMDropboxController::loadFiles(const QStringList& paths, FileAnswer answer)
{
    auto queue = std::make_shared<LoadQueue>();
    queue->paths = paths;
    queue->answer = std::move(answer);
    if (m_fetchCountObserver && !paths.isEmpty())
        m_fetchCountObserver(int(paths.size()));
    for (int i = 0; i < kLoadsInFlight; ++i)
        loadNext(queue);
}

void QLMDropboxController::loadNext(const std::shared_ptr<LoadQueue>& queue)
{
    if (queue->next >= queue->paths.size())
        return;
    const QString path = queue->paths.at(queue->next++);
    m_dropboxAgent.contentsOfFileAtDropboxPath(
        path,
        [this, queue, path](const QByteArray& data) {
            queue->answer(path, data);
            if (m_fetchCountObserver)
                m_fetchCountObserver(-1);
            loadNext(queue);
        },
        [this, queue, path](const std::optional<Error>&) {
            queue->answer(path, std::nullopt);
            if (m_fetchCountObserver)
                m_fetchCountObserver(-1);
            loadNext(queue);
        });
}

void QLMDropboxController::gatherFolder(const QString& folder, GatherBlock block)
{
    m_dropboxAgent.contentsOfDirectoryAtDropboxPath(
        folder,
        [this, block](const QList<DBMetadata>& entries) { gatherItemsFromMetadataArray(entries, block); },
        [block](const std::optional<Error>&) { block(std::nullopt); });
}

void QLMDropboxController::searchForItemWithIdent(
    const QString& ident, const QString& folder, ItemBlock block)
{
    if (ident.isEmpty() || folder.isEmpty()) {
        block(std::nullopt);
        return;
    }
    m_dropboxAgent.contentsOfDirectoryAtDropboxPath(
        folder,
        [this, ident, block](const QList<DBMetadata>& entries) {
            const auto it = std::find_if(entries.begin(), entries.end(), [&ident](const DBMetadata& entry) {
                return !entry.isDirectory && !entry.isDeleted
                    && QFileInfo(entry.filename()).suffix() == QLatin1String("plist")
                    && baseName(entry.path).endsWith(u'-' + ident);
            });
            if (it == entries.end()) {
                block(QVariantMap());
                return;
            }
            const QString path = it->path;
            m_dropboxAgent.contentsOfFileAtDropboxPath(
                path,
                [this, block, path](const QByteArray& data) {
                    Error error;
                    const std::optional<QVariantMap> item = PropertyList::dictionaryWithData(data, &error);
                    if (!item) {
                        Log::logf(QStringLiteral("Couldn't parse plist: %1"), error.localizedDescription);
                        block(std::nullopt);
                        return;
                    }
                    block(item);
                    m_dropboxAgent.deleteDropboxPath(path);
                },
                [block](const std::optional<Error>& error) {
                    Log::logf(QStringLiteral("Error loading plist file: %1"),
                        error ? error->localizedDescription : QString());
                    block(std::nullopt);
                });
        },
        [block](const std::optional<Error>&) { block(std::nullopt); });
}

// --- receiving recipes ---

// Recipes are handed out one per pass of the main loop, those with a picture first; the pictures
// are fetched a few ahead of the recipe that takes them, so a folder of many neither holds up the
// main loop in one burst nor has every picture in memory at once.
struct QLMDropboxController::Receiving {
    RecipeProcessor block;
    std::vector<GatheredItem> items;
    // The items in the order they are handed out, and each one's picture file (empty: none).
    std::vector<qsizetype> order;
    std::vector<QString> picturePaths;
    qsizetype next = 0; // into order
    qsizetype nextLoad = 0; // into order: the next picture to fetch
    int loading = 0;
    // Fetched pictures by item, and the items whose picture did not load.
    QHash<qsizetype, QByteArray> pictures;
    QSet<qsizetype> picturesMissing;
    // The next recipe waits for its picture; its answer hands it out.
    bool waiting = false;
    // Recipes of each file not yet handed out; a file goes once it reaches 0.
    QHash<QString, qsizetype> remainingInFile;
    // Files of a recipe whose save failed: read again at the next poll.
    QSet<QString> keep;
};

// The list senders rewrite is first moved to a name of its own, so a sender appending to it
// meanwhile writes a new list instead of one this reading would then delete.
void QLMDropboxController::claimRecipesList(const QString& recipesFolder, std::function<void()> then)
{
    const QString claim = DropboxPaths::join(
        recipesFolder, QStringLiteral("Recipes-%1.plist").arg(UUID::mg_stringWithNewUUID()));
    moveFile(DropboxPaths::join(recipesFolder, QLMDropboxRecipePlistFilename), claim,
        [then](const std::optional<Error>&) { then(); });
}

void QLMDropboxController::processRecipePlistsAndImagesIndividuallyWithBlock(RecipeProcessor processRecipe)
{
    if (!processRecipe) {
        Log::log(QStringLiteral("NULL paramenter for -processRecipePlistsAndImagesIndividuallyWithBlock:"));
        return;
    }
    determineCurrentDeviceDirectoryAndThenPerformBlock([this, processRecipe] {
        const QString own = pathToCurrentDeviceDirectory();
        if (own.isEmpty()) {
            processRecipe({}, {});
            return;
        }
        const QString recipes = DropboxPaths::join(own, QLMDropboxRecipeDirectory);
        claimRecipesList(recipes, [this, recipes, processRecipe] {
            gatherFolder(
                recipes, [this, recipes, processRecipe](std::optional<std::vector<GatheredItem>> items) {
                    if (!items) {
                        processRecipe({}, {});
                        return;
                    }
                    auto receiving = std::make_shared<Receiving>();
                    receiving->block = processRecipe;
                    receiving->items = std::move(*items);
                    for (const GatheredItem& item : receiving->items)
                        ++receiving->remainingInFile[item.sourcePath];
                    m_dropboxAgent.contentsOfDirectoryAtDropboxPath(
                        DropboxPaths::join(recipes, QLMDropboxRecipeImagesFolderName),
                        [this, receiving](
                            const QList<DBMetadata>& entries) { startReceiving(receiving, entries); },
                        [this, receiving](const std::optional<Error>&) { startReceiving(receiving, {}); });
                });
        });
    });
}

void QLMDropboxController::startReceiving(
    const std::shared_ptr<Receiving>& receiving, const QList<DBMetadata>& pictureEntries)
{
    // A picture belongs to the first recipe of its identifier; one of no recipe is not fetched.
    QHash<QString, QString> pictureByIdentifier;
    for (const DBMetadata& entry : pictureEntries) {
        const QString base = baseName(entry.path);
        if (!entry.isDirectory && !entry.isDeleted && base.endsWith(kImageSuffix)
            && base.size() > kImageSuffix.size())
            pictureByIdentifier.insert(base.chopped(kImageSuffix.size()), entry.path);
    }
    std::vector<qsizetype> withPicture;
    std::vector<qsizetype> without;
    std::vector<QString> paths(receiving->items.size());
    for (size_t i = 0; i < receiving->items.size(); ++i) {
        const QString ident = recipeIdentifier(receiving->items[i].plist);
        const auto found = ident.isEmpty() ? pictureByIdentifier.end() : pictureByIdentifier.find(ident);
        if (found == pictureByIdentifier.end()) {
            without.push_back(qsizetype(i));
            continue;
        }
        paths[i] = found.value();
        pictureByIdentifier.erase(found);
        withPicture.push_back(qsizetype(i));
    }
    receiving->order = std::move(withPicture);
    receiving->order.insert(receiving->order.end(), without.begin(), without.end());
    receiving->picturePaths = std::move(paths);
    const qsizetype pictures = qsizetype(receiving->items.size() - without.size());
    if (m_fetchCountObserver && pictures > 0)
        m_fetchCountObserver(int(pictures));
    receiveNext(receiving);
}

void QLMDropboxController::loadPictures(const std::shared_ptr<Receiving>& receiving)
{
    const qsizetype order = qsizetype(receiving->order.size());
    while (receiving->loading < kLoadsInFlight && receiving->nextLoad < order) {
        const qsizetype index = receiving->order[size_t(receiving->nextLoad)];
        const QString path = receiving->picturePaths[size_t(index)];
        if (path.isEmpty()) { // the recipes without a picture come last
            receiving->nextLoad = order;
            return;
        }
        ++receiving->nextLoad;
        ++receiving->loading;
        auto ready = [this, receiving, index](bool loaded, const QByteArray& data) {
            --receiving->loading;
            if (loaded)
                receiving->pictures.insert(index, data);
            else
                receiving->picturesMissing.insert(index);
            if (receiving->waiting && receiving->order[size_t(receiving->next)] == index) {
                receiving->waiting = false;
                receiveNext(receiving);
            } else {
                loadPictures(receiving);
            }
        };
        auto answer = [this, ready](bool loaded, const QByteArray& data) {
            if (m_fetchCountObserver)
                m_fetchCountObserver(-1);
            if (!loaded) {
                ready(false, {});
                return;
            }
            auto picture = std::make_shared<QByteArray>(data);
            QLMBlocks::performBlockInBackground([picture] { *picture = storedPicture(*picture); },
                [alive = std::weak_ptr<bool>(m_alive), ready, picture] {
                    if (alive.lock())
                        ready(true, *picture);
                });
        };
        m_dropboxAgent.contentsOfFileAtDropboxPath(
            path, [answer](const QByteArray& data) { answer(true, data); },
            [answer](const std::optional<Error>&) { answer(false, {}); });
    }
}

void QLMDropboxController::receiveNext(const std::shared_ptr<Receiving>& receiving)
{
    if (receiving->next >= qsizetype(receiving->order.size()))
        return;
    loadPictures(receiving);
    const qsizetype index = receiving->order[size_t(receiving->next)];
    QByteArray picture;
    QString picturePath = receiving->picturePaths[size_t(index)];
    if (!picturePath.isEmpty()) {
        if (receiving->picturesMissing.remove(index)) {
            picturePath.clear(); // not fetched: it stays for the next poll
        } else {
            const auto fetched = receiving->pictures.constFind(index);
            if (fetched == receiving->pictures.cend()) {
                receiving->waiting = true;
                return;
            }
            picture = fetched.value();
            receiving->pictures.erase(fetched);
        }
    }
    ++receiving->next;
    handOutRecipe(receiving, index, picture, picturePath);
    loadPictures(receiving);
    RunLoop::postToMain([this, alive = std::weak_ptr<bool>(m_alive), receiving] {
        if (alive.lock())
            receiveNext(receiving);
    });
}

void QLMDropboxController::handOutRecipe(const std::shared_ptr<Receiving>& receiving, qsizetype index,
    const QByteArray& picture, const QString& picturePath)
{
    const GatheredItem item = receiving->items[size_t(index)];
    const int failuresBefore = m_saveFailures;
    const bool made = receiving->block(item.plist, picture);
    if (m_saveFailures != failuresBefore)
        receiving->keep.insert(item.sourcePath);
    if (made && !picturePath.isEmpty())
        m_dropboxAgent.deleteDropboxPath(picturePath);
    if (--receiving->remainingInFile[item.sourcePath] == 0 && !receiving->keep.contains(item.sourcePath))
        m_dropboxAgent.deleteDropboxPath(item.sourcePath);
}

void QLMDropboxController::fetchRecipeWithRecipeID(const QString& identifier, ItemBlock processPlist)
{
    if (!processPlist)
        return;
    m_recipeIdentToIgnore = identifier;
    determineCurrentDeviceDirectoryAndThenPerformBlock([this, identifier, processPlist] {
        const QString own = pathToCurrentDeviceDirectory();
        if (own.isEmpty()) {
            processPlist(std::nullopt);
            return;
        }
        searchForItemWithIdent(identifier, DropboxPaths::join(own, QLMDropboxRecipeDirectory), processPlist);
    });
}

// --- the library side ---

ManagedObject* QLMDropboxController::existingRecipeForIdentifier(const QString& identifier) const
{
    KitchoraServices* services = KitchoraServices::shared();
    ManagedObjectContext* context = services ? services->managedObjectContext() : nullptr;
    if (!context || identifier.isEmpty())
        return nullptr;
    bool isNumber = false;
    const qint64 number = identifier.toLongLong(&isNumber);
    if (isNumber && context->persistentStoreCoordinator()) {
        const std::optional<FetchRequest> request
            = context->persistentStoreCoordinator()->managedObjectModel()->fetchRequestFromTemplateWithName(
                QStringLiteral("fetchRecipeByID"), { { QStringLiteral("id"), number } });
        if (request) {
            const std::optional<QList<ManagedObject*>> found = context->executeFetchRequest(*request);
            if (found && !found->isEmpty())
                return found->first();
        }
        return nullptr;
    }
    const QString uri = UserDefaults::standardUserDefaults()
                            .dictionaryForKey(QLMDropboxReceivedRecipeIdentifiersKey)
                            .value(identifier)
                            .toString();
    if (uri.isEmpty() || !context->persistentStoreCoordinator())
        return nullptr;
    const ManagedObjectID objectID
        = context->persistentStoreCoordinator()->managedObjectIDForURIRepresentation(QUrl(uri));
    ManagedObject* recipe = context->existingObjectWithID(objectID);
    return recipe && !recipe->isDeleted() ? recipe : nullptr;
}

ManagedObject* QLMDropboxController::recipeManagedObjectFromPlist(
    const QVariantMap& plist, const QByteArray& imageData)
{
    KitchoraServices* services = KitchoraServices::shared();
    ManagedObjectContext* context = services ? services->managedObjectContext() : nullptr;
    if (!context)
        return nullptr;
    // A recipe delivered twice (its file was read again after an interrupted reading) is made once.
    const QString identifier = recipeIdentifier(plist);
    if (ManagedObject* existing = existingRecipeForIdentifier(identifier))
        return existing;
    RecipeMO* recipe = QLMPlistToAndFromRecipeMO::recipeManagedObjectFromPlist(plist, imageData);
    if (!recipe)
        return nullptr;
    Error error;
    if (!context->save(&error)) {
        Log::logf(QStringLiteral("The received recipe was not saved: %1"), error.localizedDescription);
        ++m_saveFailures;
        context->deleteObject(recipe);
        context->processPendingChanges();
        return nullptr;
    }
    bool isNumber = false;
    identifier.toLongLong(&isNumber);
    if (!identifier.isEmpty() && !isNumber) {
        UserDefaults& defaults = UserDefaults::standardUserDefaults();
        QVariantMap received = defaults.dictionaryForKey(QLMDropboxReceivedRecipeIdentifiersKey);
        while (received.size() >= kRememberedIdentifiers)
            received.erase(received.begin());
        received.insert(identifier, recipe->objectID().URIRepresentation().toString());
        defaults.setObject(received, QLMDropboxReceivedRecipeIdentifiersKey);
    }
    return recipe;
}

void QLMDropboxController::plistFromRecipeMO(ManagedObject* recipe, PlistCompletion completion)
{
    if (!completion)
        return;
    QLMPlistToAndFromRecipeMO::plistFromRecipeMO(QVariant::fromValue(recipe),
        [completion](const std::optional<QVariantMap>& plist, const Error& error) {
            completion(plist.value_or(QVariantMap()), error.localizedDescription);
        });
}
