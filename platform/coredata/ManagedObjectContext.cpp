#include "ManagedObjectContext.h"

#include "EntityDescription.h"
#include "Log.h"
#include "ManagedObjectContextInternals.h"
#include "NotificationCenter.h"
#include "PersistentStore.h"
#include "PersistentStoreCoordinator.h"
#include "UndoManager.h"

#include <QMutexLocker>
#include <algorithm>

using namespace ContextInternals;

const QString ManagedObjectContext::ObjectsDidChangeNotification
    = QStringLiteral("NSManagedObjectContextObjectsDidChangeNotification");
const QString ManagedObjectContext::DidSaveNotification
    = QStringLiteral("NSManagedObjectContextDidSaveNotification");
const QString ManagedObjectContext::WillBeDestroyedNotification
    = QStringLiteral("ManagedObjectContextWillBeDestroyedNotification");
const QString ManagedObjectContext::InsertedObjectsKey = QStringLiteral("inserted");
const QString ManagedObjectContext::UpdatedObjectsKey = QStringLiteral("updated");
const QString ManagedObjectContext::DeletedObjectsKey = QStringLiteral("deleted");
const QString ManagedObjectContext::InvalidatedObjectsKey = QStringLiteral("invalidated");
const QString ManagedObjectContext::InsertedObjectIDsKey = QStringLiteral("insertedObjectIDs");
const QString ManagedObjectContext::UpdatedObjectIDsKey = QStringLiteral("updatedObjectIDs");
const QString ManagedObjectContext::DeletedObjectIDsKey = QStringLiteral("deletedObjectIDs");

void ManagedObjectContext::EntityObjectList::add(ManagedObject* object)
{
    if (stamps.contains(object))
        return;
    stamps.insert(object, nextStamp++);
    list.append(object);
    byEntity[object->m_entity].add(object);
}

void ManagedObjectContext::EntityObjectList::remove(ManagedObject* object)
{
    if (!stamps.remove(object))
        return;
    list.removeOne(object);
    auto members = byEntity.find(object->m_entity);
    if (members != byEntity.end()) {
        members->remove(object);
        if (members->list.isEmpty())
            byEntity.erase(members);
    }
}

void ManagedObjectContext::EntityObjectList::clear()
{
    list.clear();
    stamps.clear();
    byEntity.clear();
}

QList<ManagedObject*> ManagedObjectContext::EntityObjectList::membersOf(
    const QList<const EntityDescription*>& entities) const
{
    QList<ManagedObject*> result;
    int sources = 0;
    for (const EntityDescription* entity : entities) {
        auto members = byEntity.find(entity);
        if (members == byEntity.end())
            continue;
        result.append(members->list);
        ++sources;
    }
    // Each entity's members are already in order; several entities interleave by stamp.
    if (sources > 1)
        std::sort(result.begin(), result.end(),
            [this](ManagedObject* a, ManagedObject* b) { return stamps.value(a) < stamps.value(b); });
    return result;
}

ManagedObjectContext::ManagedObjectContext()
    : m_thread(QThread::currentThread())
    , m_scheduler(std::make_unique<QObject>())
{
}

ManagedObjectContext::~ManagedObjectContext()
{
    NotificationCenter::defaultCenter().postNotificationName(WillBeDestroyedNotification, this);
    if (m_undoManager) {
        m_undoManager->setWillCloseGroupHandler(nullptr);
        m_undoManager->removeAllActions();
    }
    if (m_coordinator)
        m_coordinator->unregisterContext(this);
}

void ManagedObjectContext::checkThread() const
{
    Q_ASSERT_X(QThread::currentThread() == m_thread, "ManagedObjectContext",
        "a context is used from a thread other than its own");
}

void ManagedObjectContext::setPersistentStoreCoordinator(PersistentStoreCoordinator* coordinator)
{
    if (m_coordinator == coordinator)
        return;
    if (m_coordinator)
        m_coordinator->unregisterContext(this);
    m_coordinator = coordinator;
    if (m_coordinator)
        m_coordinator->registerContext(this);
}

void ManagedObjectContext::setUndoManager(UndoManager* undoManager)
{
    if (m_undoManager == undoManager)
        return;
    if (m_undoManager) {
        // Its actions point into this context.
        m_undoManager->setWillCloseGroupHandler(nullptr);
        m_undoManager->removeAllActions();
    }
    m_undoManager = undoManager;
    if (m_undoManager)
        m_undoManager->setWillCloseGroupHandler([this] { processPendingChanges(); });
}

// --- objects ---

ManagedObject* ManagedObjectContext::adopt(
    std::unique_ptr<ManagedObject> object, const EntityDescription* entity, const ManagedObjectID& id)
{
    ManagedObject* adopted = object.get();
    adopted->attach(this, entity, id);
    adopted->m_owner = this;
    m_owned.push_back(std::move(object));
    m_registered.insert(id, adopted);
    return adopted;
}

ManagedObject* ManagedObjectContext::makeObject(const EntityDescription* entity, const ManagedObjectID& id)
{
    auto factory = m_factories.find(entity);
    if (factory == m_factories.end())
        factory
            = m_factories.insert(entity, ManagedObject::factoryForClass(entity->managedObjectClassName()));
    std::unique_ptr<ManagedObject> object(*factory ? (*factory)() : new ManagedObject);
    return adopt(std::move(object), entity, id);
}

ManagedObject* ManagedObjectContext::objectForRow(
    const EntityDescription* entity, quint32 storeNumber, qint64 key)
{
    const ManagedObjectID id = ManagedObjectID::permanentID(entity, storeNumber, key);
    if (ManagedObject* object = m_registered.value(id))
        return object;
    ManagedObject* object = makeObject(entity, id);
    object->m_fault = true;
    return object;
}

void ManagedObjectContext::insertObject(ManagedObject* object, const EntityDescription* entity)
{
    checkThread();
    if (!object || !entity)
        return;
    if (object->m_owner && object->m_owner != this) {
        Log::log(QStringLiteral("ManagedObjectContext: an object of another context cannot be inserted"));
        return;
    }
    if (object->m_owner == this) {
        if (!object->m_inserted && (object->m_deleted || !m_registered.contains(object->m_objectID)))
            reinsert(object);
        return;
    }
    // A new object is this context's from here on, also when it is refused.
    std::unique_ptr<ManagedObject> owned(object);
    if (entity->isAbstract()) {
        Log::log(QStringLiteral("ManagedObjectContext: cannot insert an object of the abstract entity %1")
                     .arg(entity->name()));
        return;
    }
    adopt(std::move(owned), entity, ManagedObjectID::temporaryID(entity));
    giveInitialValues(object, entity);
    noteInserted(object);
    object->awakeFromInsert();
}

void ManagedObjectContext::giveInitialValues(ManagedObject* object, const EntityDescription* entity)
{
    for (const AttributeDescription* attribute : entity->attributes())
        object->m_attributes[size_t(attribute->index())] = attribute->defaultValue();
    for (const RelationshipDescription* relationship : entity->relationships()) {
        if (relationship->isToMany())
            object->m_relations[size_t(relationship->index())].members
                = std::make_unique<ManagedObject::Members>();
    }
}

void ManagedObjectContext::noteInserted(ManagedObject* object)
{
    object->m_inserted = true;
    m_inserted.add(object);
    m_pendingInserted.add(object);
    m_pendingDeleted.remove(object);
    m_changed.add(object);
    registerUndo([this, object] { deleteObject(object); });
    schedulePendingChanges();
}

void ManagedObjectContext::reinsert(ManagedObject* object)
{
    // Undoing the delete of a saved object, or redoing an insert: it comes back as a new object.
    m_registered.remove(object->m_objectID);
    object->m_deleted = false;
    object->m_pendingDelete = false;
    object->m_invalid = false;
    object->m_context = this;
    if (!object->m_objectID.isTemporaryID())
        object->m_objectID = ManagedObjectID::temporaryID(object->m_entity);
    m_registered.insert(object->m_objectID, object);
    object->clearChanges();
    noteInserted(object);
}

void ManagedObjectContext::deleteObject(ManagedObject* object)
{
    checkThread();
    if (!object || object->m_context != this || object->m_deleted)
        return;
    object->m_deleted = true;
    object->m_pendingDelete = true;
    if (object->m_inserted) {
        // A new object just leaves: nothing of it reaches the store.
        object->m_inserted = false;
        m_inserted.remove(object);
        m_pendingInserted.remove(object);
        m_registered.remove(object->m_objectID);
        registerUndo([this, object] { reinsert(object); });
    } else {
        m_deleted.add(object);
        registerUndo([this, object] { undelete(object); });
    }
    m_pendingDeleted.add(object);
    schedulePendingChanges();
}

void ManagedObjectContext::reset()
{
    checkThread();
    if (m_undoManager)
        m_undoManager->removeAllActions();
    m_registered.clear();
    clearChangeLists();
    m_owned.clear();
}

// --- faults and lookups ---

void ManagedObjectContext::fulfillFault(ManagedObject* object)
{
    PersistentStore* store = object->m_objectID.persistentStore();
    bool loaded = false;
    if (store && m_coordinator) {
        QMutexLocker lock(&m_coordinator->lock());
        loaded = store->loadObject(object);
    }
    object->m_fault = false;
    if (!loaded) {
        object->m_invalid = true;
        Log::log(QStringLiteral("ManagedObjectContext: could not fulfill a fault for %1")
                     .arg(object->m_objectID.URIRepresentation().toString()));
        return;
    }
    object->awakeFromFetch();
}

void ManagedObjectContext::loadToMany(
    ManagedObject* object, const RelationshipDescription* relationship, ManagedObject::Members& members)
{
    PersistentStore* store = object->m_objectID.persistentStore();
    if (!store || !m_coordinator)
        return;
    QList<QPair<const EntityDescription*, qint64>> rows;
    {
        QMutexLocker lock(&m_coordinator->lock());
        store->loadToMany(object, relationship, [&rows](const EntityDescription* entity, qint64 key) {
            rows.append({ entity, key });
        });
    }
    for (const auto& row : rows)
        members.add(objectForRow(row.first, store->storeNumber(), row.second));
}

ManagedObject* ManagedObjectContext::objectRegisteredForID(const ManagedObjectID& objectID) const
{
    return m_registered.value(objectID);
}

ManagedObject* ManagedObjectContext::objectWithID(const ManagedObjectID& objectID)
{
    checkThread();
    if (objectID.isNull())
        return nullptr;
    if (ManagedObject* object = m_registered.value(objectID))
        return object;
    ManagedObjectID id = objectID;
    if (id.isTemporaryID()) {
        id = m_coordinator ? m_coordinator->permanentIDFor(objectID) : ManagedObjectID();
        if (id.isNull())
            return nullptr;
        if (ManagedObject* object = m_registered.value(id))
            return object;
    }
    PersistentStore* store = id.persistentStore();
    if (!store || !m_coordinator || store->persistentStoreCoordinator() != m_coordinator)
        return nullptr;
    return objectForRow(id.entity(), id.storeNumber(), id.referenceKey());
}

ManagedObject* ManagedObjectContext::existingObjectWithID(const ManagedObjectID& objectID, Error* error)
{
    ManagedObject* object = objectWithID(objectID);
    if (object)
        object->ensureLoaded();
    if (!object || object->m_invalid || object->m_context != this) {
        setError(error, 133000,
            QStringLiteral("The object %1 does not exist.").arg(objectID.URIRepresentation().toString()));
        return nullptr;
    }
    return object;
}

// --- stores going away ---

void ManagedObjectContext::storeWillBeRemoved(PersistentStore* store)
{
    const quint32 number = store->storeNumber();
    QList<ManagedObject*> invalidated;
    for (auto it = m_registered.begin(); it != m_registered.end();) {
        ManagedObject* object = it.value();
        if (object->m_objectID.storeNumber() == number) {
            invalidated.append(object);
            it = m_registered.erase(it);
        } else {
            ++it;
        }
    }
    if (!invalidated.isEmpty())
        NotificationCenter::defaultCenter().postNotificationName(ObjectsDidChangeNotification, this,
            QVariantMap { { InvalidatedObjectsKey, objectList(invalidated) } });
    for (ManagedObject* object : invalidated)
        invalidate(object);
}

void ManagedObjectContext::invalidate(ManagedObject* object)
{
    object->turnIntoFault();
    object->m_fault = false;
    object->m_invalid = true;
    object->m_deleted = false;
    object->m_context = nullptr;
    m_changed.remove(object);
    m_deleted.remove(object);
    m_pendingUpdated.remove(object);
    m_pendingDeleted.remove(object);
}
