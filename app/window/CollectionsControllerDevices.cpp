// The device collections: one per device sharing the user's Dropbox, recipes received from them,
// recipes and grocery lists sent to them.

#include "CollectionsController.h"
#include "CollectionsOutlineView.h"
#include "DeviceCollection.h"
#include "EntityDescription.h"
#include "FetchRequest.h"
#include "Folder.h"
#include "ImageMO.h"
#include "KitchoraController.h"
#include "Log.h"
#include "ManagedObjectContext.h"
#include "Predicate.h"
#include "PropertyList.h"
#include "RecipePasteboard.h"
#include "RunLoop.h"
#include "UserDefaults.h"

#include <QBuffer>
#include <QImage>
#include <QMimeData>
#include <QPointer>
#include <memory>

namespace
{

const QString kUDID = QStringLiteral("udid");

QList<ManagedObject*> fetchDeviceCollections(ManagedObjectContext* context, const QString& udid = {})
{
    if (!context)
        return {};
    FetchRequest request = FetchRequest::fetchRequestWithEntityName(QStringLiteral("DeviceCollection"));
    if (!udid.isNull())
        request.setPredicate(*Predicate::predicateWithFormat(QStringLiteral("udid == %@"), { udid }));
    return context->executeFetchRequest(request).value_or(QList<ManagedObject*>());
}

void copyDeviceAttributes(ManagedObject* collection, const QLMKitchoraDevice& device)
{
    const auto set = [collection](const QVariant& value, const QString& key) {
        if (collection->valueForKey(key) != value)
            collection->setValueForKey(value, key);
    };
    set(device.deviceName(), QStringLiteral("name"));
    set(device.deviceUDID(), kUDID);
    set(device.deviceType(), QStringLiteral("deviceType"));
    set(device.dropboxPath(), QStringLiteral("dropboxPath"));
    set(device.deviceToken(), QStringLiteral("apnsToken"));
    set(device.lastAccessedDate().isValid() ? QVariant(device.lastAccessedDate()) : QVariant(),
        QStringLiteral("lastAccessedDate"));
    set(device.supportsGroceryLists(), QStringLiteral("groceryListSupport"));
}

} // namespace

bool CollectionsController::sharingIsOn()
{
    return m_controller.dropbox().isLinked()
        || UserDefaults::standardUserDefaults().boolForKey(QLMKitchoraDropboxSharingEnabledKey);
}

QLMKitchoraDevice CollectionsController::kitchoraDeviceFromDeviceCollection(const ManagedObject* collection)
{
    QLMKitchoraDevice device;
    if (!collection)
        return device;
    device.setDeviceName(collection->valueForKey(QStringLiteral("name")).toString());
    device.setDeviceType(collection->valueForKey(QStringLiteral("deviceType")).toString());
    device.setDeviceUDID(collection->valueForKey(kUDID).toString());
    device.setDropboxPath(collection->valueForKey(QStringLiteral("dropboxPath")).toString());
    device.setDeviceToken(collection->valueForKey(QStringLiteral("apnsToken")).toString());
    device.setLastAccessedDate(collection->valueForKey(QStringLiteral("lastAccessedDate")).toDateTime());
    device.setSupportsGroceryLists(collection->valueForKey(QStringLiteral("groceryListSupport")).toBool());
    return device;
}

ManagedObject* CollectionsController::deviceCollectionForDevice(const QLMKitchoraDevice& device)
{
    ManagedObjectContext* context = m_treeController.managedObjectContext();
    if (!context || device.deviceUDID().isEmpty())
        return nullptr;
    // By the device's identifier: two devices may bear one name, and a device may be renamed.
    const QList<ManagedObject*> found = fetchDeviceCollections(context, device.deviceUDID());
    ManagedObject* collection = found.value(0);
    if (!collection) {
        collection
            = EntityDescription::insertNewObjectForEntityForName(QStringLiteral("DeviceCollection"), context);
        if (!collection)
            return nullptr;
        collection->setValueForKey(KRCollectionKindDeviceCollection, QStringLiteral("kind"));
        collection->setValueForKey(false, QStringLiteral("draggable"));
    }
    copyDeviceAttributes(collection, device);
    if (auto* deviceCollection = dynamic_cast<DeviceCollection*>(collection))
        deviceCollection->setDropboxDevice(device);
    return collection;
}

void CollectionsController::updateDeviceCollectionsWithDeviceArray(const QList<QLMKitchoraDevice>& devices)
{
    ManagedObjectContext* context = m_treeController.managedObjectContext();
    if (!context)
        return;
    if (!sharingIsOn()) {
        m_controller.removeDevicesFolder();
        m_treeController.rearrangeObjects();
        return;
    }
    if (!m_controller.dropbox().isLinked())
        return;
    if (!m_hiddenUDIDs) {
        m_hiddenUDIDs.emplace();
        for (const QVariant& udid :
            UserDefaults::standardUserDefaults().arrayForKey(QLMDropboxHiddenDevicesKey))
            m_hiddenUDIDs->append(udid.toString());
    }
    ManagedObject* folder = m_controller.devicesFolder();
    QStringList present;
    for (const QLMKitchoraDevice& device : devices) {
        present.append(device.deviceUDID());
        if (m_hiddenUDIDs->contains(device.deviceUDID()))
            continue;
        ManagedObject* collection = deviceCollectionForDevice(device);
        if (!collection || !folder || collection->objectForKey(QStringLiteral("parent")) == folder)
            continue;
        if (auto* devicesFolder = dynamic_cast<Folder*>(folder))
            devicesFolder->addChildrenObject(collection);
    }
    for (ManagedObject* collection : fetchDeviceCollections(context)) {
        const auto* deviceCollection = dynamic_cast<const DeviceCollection*>(collection);
        const std::optional<QLMKitchoraDevice> device
            = deviceCollection ? deviceCollection->dropboxDevice() : std::nullopt;
        if (!device || m_hiddenUDIDs->contains(device->deviceUDID())
            || !present.contains(device->deviceUDID()))
            context->deleteObject(collection);
    }
    context->processPendingChanges();
    m_treeController.rearrangeObjects();
}

void CollectionsController::updateDeviceCollections()
{
    DropboxService& dropbox = m_controller.dropbox();
    if (!sharingIsOn()) {
        dropbox.deleteOwnFolderAndUnlink({});
        m_controller.removeDevicesFolder();
        m_treeController.rearrangeObjects();
        return;
    }
    if (!dropbox.isLinked())
        return;
    QPointer<CollectionsController> self(this);
    dropbox.readArrayOfDevicePlists([self](const QList<QLMKitchoraDevice>& devices) {
        if (self)
            self->updateDeviceCollectionsWithDeviceArray(devices);
    });
}

void CollectionsController::fetchRecipesFromDropbox()
{
    DropboxService& dropbox = m_controller.dropbox();
    if (!sharingIsOn()) {
        dropbox.deleteOwnFolderAndUnlink({});
        m_controller.removeDevicesFolder();
        m_treeController.rearrangeObjects();
        return;
    }
    updateDeviceCollections();
    QPointer<CollectionsController> self(this);
    dropbox.processRecipePlistsAndImagesIndividuallyWithBlock(
        [self](const QVariantMap& plist, const QByteArray& imageData) {
            if (!self || plist.isEmpty())
                return false;
            return self->m_controller.dropbox().recipeManagedObjectFromPlist(plist, imageData) != nullptr;
        });
}

void CollectionsController::hideDevice()
{
    ManagedObject* collection = selectedCollection();
    if (!collection
        || collection->valueForKey(QStringLiteral("kind")).toString() != KRCollectionKindDeviceCollection)
        return;
    const QString udid = collection->valueForKey(kUDID).toString();
    if (udid.isEmpty())
        return;
    if (!m_hiddenUDIDs) {
        m_hiddenUDIDs.emplace();
        for (const QVariant& hidden :
            UserDefaults::standardUserDefaults().arrayForKey(QLMDropboxHiddenDevicesKey))
            m_hiddenUDIDs->append(hidden.toString());
    }
    if (!m_hiddenUDIDs->contains(udid))
        m_hiddenUDIDs->append(udid);
    QVariantList stored;
    for (const QString& hidden : std::as_const(*m_hiddenUDIDs))
        stored.append(hidden);
    UserDefaults::standardUserDefaults().setObject(stored, QLMDropboxHiddenDevicesKey);
    ManagedObjectContext* context = collection->managedObjectContext();
    context->deleteObject(collection);
    context->processPendingChanges();
    m_treeController.rearrangeObjects();
}

void CollectionsController::showHiddenDevices()
{
    m_hiddenUDIDs.reset();
    UserDefaults::standardUserDefaults().removeObjectForKey(QLMDropboxHiddenDevicesKey);
    QPointer<CollectionsController> self(this);
    if (!m_controller.dropbox().isLinked())
        return;
    m_controller.dropbox().readArrayOfDevicePlists([self](const QList<QLMKitchoraDevice>& devices) {
        if (self)
            self->updateDeviceCollectionsWithDeviceArray(devices);
    });
}

// --- progress ---

void CollectionsController::setDropboxProgressIndicatorCounter(unsigned count)
{
    const bool wasShown = m_dropboxProgressIndicatorCounter > 0;
    m_dropboxProgressIndicatorCounter = count;
    if (wasShown != (count > 0))
        emit progressChanged();
}

unsigned CollectionsController::progressCount(const ManagedObject* collection) const
{
    if (!collection)
        return 0;
    if (collection->valueForKey(QStringLiteral("kind")).toString() == KRCollectionKindDevicesFolder)
        return m_dropboxProgressIndicatorCounter;
    return m_rowProgress.value(collection);
}

void CollectionsController::raiseProgress(ManagedObject* row)
{
    if (++m_rowProgress[row] == 1)
        emit progressChanged();
}

void CollectionsController::lowerProgress(ManagedObject* row)
{
    auto it = m_rowProgress.find(row);
    if (it == m_rowProgress.end())
        return;
    if (--it.value() == 0) {
        m_rowProgress.erase(it);
        emit progressChanged();
    }
}

// --- sending ---

bool CollectionsController::acceptRecipeDropOntoDropboxCollection(
    ManagedObject* target, const QMimeData& data, const QString& type)
{
    const QLMKitchoraDevice device = kitchoraDeviceFromDeviceCollection(target);
    QList<ManagedObject*> recipes;
    QList<QUrl> uris;
    if (type == RecipePasteboard::urlMimeType)
        uris = { RecipePasteboard::readURL(data) };
    else if (type == RecipeURIDataPboardType)
        uris = RecipePasteboard::readRecipeURIs(data);
    for (const QUrl& uri : uris) {
        ManagedObject* recipe = objectForURI(uri);
        // Checked before anything is sent, so a bad entry never leaves a half-sent drop.
        if (!recipe || !recipe->entity() || recipe->entity()->name() != QLatin1String("Recipe"))
            return false;
        recipes.append(recipe);
    }
    if (recipes.isEmpty())
        return true;

    struct Batch {
        qsizetype remaining = 0;
        QVariantList plists;
    };
    auto batch = std::make_shared<Batch>();
    batch->remaining = recipes.size();
    QPointer<CollectionsController> self(this);
    for (ManagedObject* recipe : recipes) {
        raiseProgress(target);
        const QUrl uri = recipe->objectID().URIRepresentation();
        m_controller.dropbox().plistFromRecipeMO(
            recipe, [self, batch, device, target, uri](const QVariantMap& plist, const QString& error) {
                if (!self)
                    return;
                --batch->remaining;
                if (!error.isEmpty())
                    Log::logf(QStringLiteral("Item dropped on device collection, error: %1"), error);
                if (!plist.isEmpty())
                    batch->plists.append(plist);
                if (batch->remaining == 0 && !batch->plists.isEmpty())
                    self->m_controller.dropbox().addRecipesToDevice(batch->plists, device);
                const QString onlineID = plist.value(QStringLiteral("onlineID")).toString();
                // Looked up again: the recipe may be gone by the time the list comes back.
                ManagedObject* sent = self->objectForURI(uri);
                auto* image = sent && sent->valueForKey(QStringLiteral("hasImage")).toBool()
                    ? dynamic_cast<ImageMO*>(sent->objectForKey(QStringLiteral("image")))
                    : nullptr;
                if (!onlineID.isEmpty() && image) {
                    QByteArray jpeg;
                    QBuffer buffer(&jpeg);
                    buffer.open(QIODevice::WriteOnly);
                    if (image->thumbnail().save(&buffer, "JPEG", 90))
                        self->m_controller.dropbox().uploadRecipeImageDataToDevice(
                            jpeg, device, QStringLiteral("%1-imageData.jpg").arg(onlineID));
                }
                self->lowerProgress(target);
            });
    }
    return true;
}

bool CollectionsController::acceptGroceryListDropOntoDropboxCollection(
    ManagedObject* target, const QMimeData& data)
{
    if (!target)
        return false;
    const QLMKitchoraDevice device = kitchoraDeviceFromDeviceCollection(target);
    // The spinner shows for about a second.
    raiseProgress(target);
    QPointer<CollectionsController> self(this);
    RunLoop::postAfterDelay(1.0, [self, target] {
        if (self)
            self->lowerProgress(target);
    });
    const QVariant plist
        = PropertyList::propertyListWithData(data.data(RecipePasteboard::copiedRowsMimeType));
    if (plist.typeId() == QMetaType::QVariantList) {
        for (const QVariant& list : plist.toList())
            m_controller.dropbox().addGroceryListPlistToDevice(list.toMap(), device);
    } else if (plist.typeId() == QMetaType::QVariantMap) {
        m_controller.dropbox().addGroceryListPlistToDevice(plist.toMap(), device);
    }
    return true;
}
