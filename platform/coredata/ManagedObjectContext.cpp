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
#include <memory>
#include <tuple>

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

void ManagedObjectContext::ObjectList::sweep() const
{
    const quint8 bit = m_bit;
    m_entries.removeIf([bit](ManagedObject* object) {
        if (object->m_listed & bit)
            return false;
        object->m_staleListed &= quint8(~bit);
        return true;
    });
    m_stale = 0;
}

void ManagedObjectContext::ObjectList::clear()
{
    for (ManagedObject* object : std::as_const(m_entries)) {
        object->m_listed &= quint8(~m_bit);
        object->m_staleListed &= quint8(~m_bit);
    }
    m_entries.clear();
    m_stale = 0;
}

void ManagedObjectContext::EntityObjectList::add(ManagedObject* object)
{
    if (m_all.contains(object))
        return;
    // An object added again after leaving still has a stale entry: it goes first.
    if (m_all.hasStaleEntryOf(object))
        sweep();
    m_all.add(object);
    m_byEntity[object->m_entity].push_back({ object, m_nextStamp++ });
}

void ManagedObjectContext::EntityObjectList::remove(ManagedObject* object)
{
    if (m_all.unlist(object) && m_all.wantsSweep())
        sweep();
}

void ManagedObjectContext::EntityObjectList::sweep() const
{
    for (auto it = m_byEntity.begin(); it != m_byEntity.end();) {
        std::vector<Entry>& entries = it.value();
        std::erase_if(entries, [this](const Entry& entry) { return !m_all.contains(entry.object); });
        if (entries.empty())
            it = m_byEntity.erase(it);
        else
            ++it;
    }
    m_all.sweep();
}

void ManagedObjectContext::EntityObjectList::clear()
{
    m_all.clear();
    m_byEntity.clear();
}

QList<ManagedObject*> ManagedObjectContext::EntityObjectList::membersOf(
    const QList<const EntityDescription*>& entities) const
{
    if (m_all.hasStaleEntries())
        sweep();
    std::vector<Entry> found;
    int sources = 0;
    for (const EntityDescription* entity : entities) {
        auto members = m_byEntity.constFind(entity);
        if (members == m_byEntity.cend())
            continue;
        found.insert(found.end(), members->begin(), members->end());
        ++sources;
    }
    // Each entity's members are already in order; several entities interleave by stamp.
    if (sources > 1)
        std::sort(
            found.begin(), found.end(), [](const Entry& a, const Entry& b) { return a.stamp < b.stamp; });
    QList<ManagedObject*> result;
    result.reserve(qsizetype(found.size()));
    for (const Entry& entry : found)
        result.append(entry.object);
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
        object->attributeSlot(attribute->index()) = attribute->defaultValue();
    for (const RelationshipDescription* relationship : entity->relationships()) {
        if (relationship->isToMany())
            object->relationSlot(relationship->index()).members = std::make_unique<ManagedObject::Members>();
    }
}

void ManagedObjectContext::noteInserted(ManagedObject* object)
{
    object->m_inserted = true;
    m_inserted.add(object);
    m_pendingInserted.add(object);
    m_pendingDeleted.remove(object);
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
    if (!object->m_prefilled) {
        PersistentStore* store = object->m_objectID.persistentStore();
        if (store && m_coordinator) {
            QMutexLocker lock(&m_coordinator->lock());
            if (object->m_batch)
                prefillPeers(object, store);
            if (!object->m_prefilled && store->loadObject(object))
                object->m_prefilled = true;
        }
    }
    const bool loaded = object->m_prefilled;
    object->m_prefilled = false;
    object->m_fault = false;
    if (!loaded) {
        object->m_invalid = true;
        Log::log(QStringLiteral("ManagedObjectContext: could not fulfill a fault for %1")
                     .arg(object->m_objectID.URIRepresentation().toString()));
        return;
    }
    object->awakeFromFetch();
}

namespace
{

// The objects by their row keys, and the keys in the objects' order.
QHash<qint64, ManagedObject*> byReferenceKey(const QList<ManagedObject*>& objects, QList<qint64>* keys)
{
    QHash<qint64, ManagedObject*> byKey;
    for (ManagedObject* object : objects) {
        byKey.insert(object->objectID().referenceKey(), object);
        keys->append(object->objectID().referenceKey());
    }
    return byKey;
}

} // namespace

// The member object of a to-many row; one made here is noted in `made`, to be read with the others.
ManagedObject* ManagedObjectContext::memberForRow(
    const EntityDescription* entity, quint32 storeNumber, qint64 key, QList<ManagedObject*>& made)
{
    const qsizetype before = m_registered.size();
    ManagedObject* member = objectForRow(entity, storeNumber, key);
    if (m_registered.size() != before)
        made.append(member);
    return member;
}

void ManagedObjectContext::formBatch(const QList<ManagedObject*>& objects)
{
    if (objects.size() < 2)
        return;
    auto ids = std::make_shared<std::vector<ManagedObjectID>>();
    ids->reserve(size_t(objects.size()));
    for (ManagedObject* object : objects) {
        if (object->m_objectID.isTemporaryID())
            continue;
        object->m_batch = ids;
        object->m_batchIndex = quint32(ids->size());
        ids->push_back(object->m_objectID);
    }
}

QList<ManagedObject*> ManagedObjectContext::batchPeers(
    const ManagedObject* object, const std::function<bool(const ManagedObject*)>& wanted) const
{
    // A bounded look ahead of the object: where a long run of peers is already read, the rest of
    // the batch most likely is too, and walking it for every object would cost more than it saves.
    constexpr qsizetype kMaxLooks = 4 * PersistentStore::kReadBatchSize;
    constexpr qsizetype kMaxMissesInARow = 32;
    QList<ManagedObject*> peers;
    const std::vector<ManagedObjectID>& ids = *object->m_batch;
    const qsizetype count = qsizetype(ids.size());
    const qsizetype looks = std::min(count - 1, kMaxLooks);
    qsizetype misses = 0;
    for (qsizetype step = 1;
         step <= looks && peers.size() < PersistentStore::kReadBatchSize - 1 && misses < kMaxMissesInARow;
         ++step) {
        const ManagedObjectID& id = ids[size_t((qsizetype(object->m_batchIndex) + step) % count)];
        ManagedObject* peer = m_registered.value(id);
        if (peer && peer != object && peer->m_batch == object->m_batch && !peer->m_invalid
            && id.storeNumber() == object->m_objectID.storeNumber() && wanted(peer)) {
            peers.append(peer);
            misses = 0;
        } else {
            ++misses;
        }
    }
    return peers;
}

// Called with the coordinator's lock held.
void ManagedObjectContext::prefillPeers(ManagedObject* object, PersistentStore* store)
{
    const EntityDescription* root = object->m_entity->rootEntity();
    QList<ManagedObject*> wanted { object };
    wanted.append(batchPeers(object, [root](const ManagedObject* peer) {
        return peer->m_fault && !peer->m_prefilled && peer->m_entity->rootEntity() == root;
    }));
    QList<qint64> keys;
    const QHash<qint64, ManagedObject*> byKey = byReferenceKey(wanted, &keys);
    store->loadRows(object->m_entity, keys, [&](qint64 key, SqlStatement& row) {
        ManagedObject* peer = byKey.value(key);
        if (!peer || peer->m_prefilled)
            return;
        store->fillObject(peer, row);
        peer->m_prefilled = true;
    });
}

bool ManagedObjectContext::loadToManyOfPeers(
    ManagedObject* object, const RelationshipDescription* relationship)
{
    PersistentStore* store = object->m_objectID.persistentStore();
    const int slot = relationship->index();
    // Peers whose row a batch read ahead take their members too: an awaking object (a recipe
    // checking its lists) would otherwise load its own alone, one query per object. A row read
    // ahead that turns stale forgets these members with it (dropPrefill).
    QList<ManagedObject*> owners { object };
    owners.append(batchPeers(object, [object, slot](const ManagedObject* peer) {
        return (!peer->m_fault || peer->m_prefilled) && peer->m_entity == object->m_entity
            && !peer->relationSlot(slot).members;
    }));
    QList<qint64> keys;
    const QHash<qint64, ManagedObject*> byKey = byReferenceKey(owners, &keys);
    QList<std::tuple<ManagedObject*, const EntityDescription*, qint64>> rows;
    {
        QMutexLocker lock(&m_coordinator->lock());
        const bool ok = store->loadToManyOfOwners(
            keys, relationship, [&](qint64 owner, const EntityDescription* entity, qint64 key) {
                if (ManagedObject* found = byKey.value(owner))
                    rows.append({ found, entity, key });
            });
        if (!ok)
            return false;
    }
    for (ManagedObject* owner : owners) {
        if (owner != object)
            owner->relationSlot(slot).members = std::make_unique<ManagedObject::Members>();
    }
    QList<ManagedObject*> made;
    for (const auto& [owner, entity, key] : rows)
        owner->relationSlot(slot).members->add(memberForRow(entity, store->storeNumber(), key, made));
    formBatch(made);
    return true;
}

void ManagedObjectContext::loadToMany(
    ManagedObject* object, const RelationshipDescription* relationship, ManagedObject::Members& members)
{
    PersistentStore* store = object->m_objectID.persistentStore();
    if (!store || !m_coordinator)
        return;
    if (object->m_batch && !object->m_fault && loadToManyOfPeers(object, relationship))
        return;
    QList<QPair<const EntityDescription*, qint64>> rows;
    {
        QMutexLocker lock(&m_coordinator->lock());
        store->loadToMany(object, relationship, [&rows](const EntityDescription* entity, qint64 key) {
            rows.append({ entity, key });
        });
    }
    QList<ManagedObject*> made;
    for (const auto& row : rows)
        members.add(memberForRow(row.first, store->storeNumber(), row.second, made));
    formBatch(made);
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
