#include "ManagedObjectContext.h"

#include "CoreDataErrors.h"
#include "EntityDescription.h"
#include "Log.h"
#include "ManagedObjectModel.h"
#include "NotificationCenter.h"
#include "PersistentStore.h"
#include "PersistentStoreCoordinator.h"
#include "PredicateSqlCompiler.h"
#include "UndoManager.h"

#include <QCoreApplication>
#include <QMutexLocker>
#include <algorithm>

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

namespace
{

QVariantList objectList(const QList<ManagedObject*>& objects)
{
    QVariantList list;
    list.reserve(objects.size());
    for (ManagedObject* object : objects)
        list.append(QVariant::fromValue(object));
    return list;
}

QVariantList idList(const QList<ManagedObjectID>& ids)
{
    QVariantList list;
    list.reserve(ids.size());
    for (const ManagedObjectID& id : ids)
        list.append(QVariant::fromValue(id));
    return list;
}

QVariantMap errorMap(const Error& error)
{
    return QVariantMap { { QStringLiteral("domain"), error.domain }, { QStringLiteral("code"), error.code },
        { QStringLiteral("localizedDescription"), error.localizedDescription },
        { QStringLiteral("userInfo"), error.userInfo } };
}

Error validationError(int code, ManagedObject* object, const QString& key, const QString& message)
{
    Error error;
    error.domain = CoreDataErrors::domain;
    error.code = code;
    error.localizedDescription = message;
    error.userInfo.insert(CoreDataErrors::validationObjectKey, QVariant::fromValue(object));
    error.userInfo.insert(CoreDataErrors::validationKeyKey, key);
    return error;
}

void setError(Error* error, int code, const QString& message)
{
    if (!error)
        return;
    *error = Error { CoreDataErrors::domain, code, message, {} };
}

} // namespace

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

void ManagedObjectContext::registerUndo(std::function<void()> action)
{
    if (m_undoManager && m_undoManager->isUndoRegistrationEnabled())
        m_undoManager->registerUndo(std::move(action));
}

// --- objects ---

ManagedObject* ManagedObjectContext::makeObject(const EntityDescription* entity, const ManagedObjectID& id)
{
    auto factory = m_factories.find(entity);
    if (factory == m_factories.end())
        factory
            = m_factories.insert(entity, ManagedObject::factoryForClass(entity->managedObjectClassName()));
    ManagedObject* object = *factory ? (*factory)() : new ManagedObject;
    object->attach(this, entity, id);
    object->m_owner = this;
    m_owned.emplace_back(object);
    m_registered.insert(id, object);
    return object;
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
    if (entity->isAbstract()) {
        Log::log(QStringLiteral("ManagedObjectContext: cannot insert an object of the abstract entity %1")
                     .arg(entity->name()));
        delete object;
        return;
    }
    const ManagedObjectID id = ManagedObjectID::temporaryID(entity);
    object->attach(this, entity, id);
    object->m_owner = this;
    m_owned.emplace_back(object);
    m_registered.insert(id, object);
    for (const AttributeDescription* attribute : entity->attributes())
        object->m_attributes[size_t(attribute->index())] = attribute->defaultValue();
    for (const RelationshipDescription* relationship : entity->relationships()) {
        if (relationship->isToMany())
            object->m_relations[size_t(relationship->index())].members
                = std::make_unique<ManagedObject::Members>();
    }
    object->m_inserted = true;
    m_inserted.add(object);
    m_pendingInserted.add(object);
    m_changed.add(object);
    registerUndo([this, object] { deleteObject(object); });
    schedulePendingChanges();
    object->awakeFromInsert();
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
    object->m_inserted = true;
    m_inserted.add(object);
    m_pendingInserted.add(object);
    m_pendingDeleted.remove(object);
    m_changed.add(object);
    registerUndo([this, object] { deleteObject(object); });
    schedulePendingChanges();
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

void ManagedObjectContext::undelete(ManagedObject* object)
{
    if (object->m_context != this || !m_deleted.contains(object)) {
        // Its deletion was saved: it comes back as a new object.
        reinsert(object);
        return;
    }
    if (!object->m_deleted)
        return;
    object->m_deleted = false;
    object->m_pendingDelete = false;
    m_deleted.remove(object);
    m_pendingDeleted.remove(object);
    m_pendingUpdated.add(object);
    registerUndo([this, object] { deleteObject(object); });
    schedulePendingChanges();
}

void ManagedObjectContext::objectDidChange(ManagedObject* object)
{
    m_changed.add(object);
    if (!object->m_inserted)
        m_pendingUpdated.add(object);
    schedulePendingChanges();
}

void ManagedObjectContext::schedulePendingChanges()
{
    if (m_processScheduled || !QCoreApplication::instance())
        return;
    m_processScheduled = true;
    QMetaObject::invokeMethod(
        m_scheduler.get(),
        [this] {
            m_processScheduled = false;
            processPendingChanges();
        },
        Qt::QueuedConnection);
}

void ManagedObjectContext::applyDeleteRules(ManagedObject* object)
{
    using Rule = RelationshipDescription::DeleteRule;
    for (const RelationshipDescription* relationship : object->m_entity->relationships()) {
        const Rule rule = relationship->deleteRule();
        if (rule == Rule::NoAction || rule == Rule::Deny)
            continue;
        QList<ManagedObject*> targets;
        if (relationship->isToMany())
            targets = object->toManyMembers(relationship).list;
        else if (ManagedObject* target = object->toOneValue(relationship))
            targets.append(target);
        if (targets.isEmpty())
            continue;
        object->willChangeValueForKey(relationship->name());
        if (relationship->isToMany()) {
            for (ManagedObject* target : targets)
                object->removeToMany(relationship, target);
        } else {
            object->setToOne(relationship, nullptr);
        }
        object->didChangeValueForKey(relationship->name());
        if (rule == Rule::Cascade) {
            for (ManagedObject* target : targets)
                deleteObject(target);
        }
    }
}

void ManagedObjectContext::processPendingChanges()
{
    checkThread();
    if (m_processing)
        return;
    m_processing = true;
    // Delete rules can delete more objects; run until none is left.
    for (;;) {
        QList<ManagedObject*> toProcess;
        for (ManagedObject* object : m_pendingDeleted.list) {
            if (object->m_pendingDelete)
                toProcess.append(object);
        }
        if (toProcess.isEmpty())
            break;
        for (ManagedObject* object : toProcess) {
            object->m_pendingDelete = false;
            applyDeleteRules(object);
        }
    }
    QList<ManagedObject*> inserted = m_pendingInserted.list;
    QList<ManagedObject*> deleted = m_pendingDeleted.list;
    QList<ManagedObject*> updated;
    for (ManagedObject* object : m_pendingUpdated.list) {
        if (!object->m_inserted && !object->m_deleted && !m_pendingInserted.contains(object))
            updated.append(object);
    }
    m_pendingInserted.clear();
    m_pendingUpdated.clear();
    m_pendingDeleted.clear();
    m_processing = false;
    if (inserted.isEmpty() && updated.isEmpty() && deleted.isEmpty())
        return;
    NotificationCenter::defaultCenter().postNotificationName(ObjectsDidChangeNotification, this,
        QVariantMap { { InsertedObjectsKey, objectList(inserted) },
            { UpdatedObjectsKey, objectList(updated) }, { DeletedObjectsKey, objectList(deleted) } });
}

bool ManagedObjectContext::hasChanges() const
{
    if (!m_inserted.list.isEmpty() || !m_deleted.list.isEmpty())
        return true;
    return std::any_of(m_changed.list.begin(), m_changed.list.end(),
        [](ManagedObject* object) { return object->isUpdated(); });
}

QList<ManagedObject*> ManagedObjectContext::updatedObjects() const
{
    QList<ManagedObject*> result;
    for (ManagedObject* object : m_changed.list) {
        if (object->isUpdated())
            result.append(object);
    }
    return result;
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

// --- fetching ---

std::optional<QList<ManagedObject*>> ManagedObjectContext::executeFetchRequest(
    const FetchRequest& request, Error* error)
{
    checkThread();
    if (!m_coordinator) {
        setError(error, CoreDataErrors::PersistentStoreOpenError,
            QStringLiteral("The context has no persistent store coordinator."));
        return std::nullopt;
    }
    const EntityDescription* entity = request.entity();
    if (!entity)
        entity = m_coordinator->managedObjectModel()->entityNamed(request.entityName());
    if (!entity) {
        setError(error, CoreDataErrors::PersistentStoreInvalidType,
            QStringLiteral("The fetch request names the unknown entity \"%1\".").arg(request.entityName()));
        return std::nullopt;
    }
    // Deletions take their delete rules with them before anything is looked for.
    if (!m_pendingDeleted.list.isEmpty())
        processPendingChanges();
    return fetchObjects(request, entity, error);
}

qint64 ManagedObjectContext::countForFetchRequest(const FetchRequest& request, Error* error)
{
    checkThread();
    const EntityDescription* entity = request.entity();
    if (!entity && m_coordinator)
        entity = m_coordinator->managedObjectModel()->entityNamed(request.entityName());
    if (entity && m_coordinator && !hasChanges()) {
        // Without unsaved changes the store can count alone, when SQL answers the whole predicate.
        QList<PersistentStore*> stores = request.affectedStores();
        if (stores.isEmpty())
            stores = m_coordinator->persistentStores();
        qint64 total = 0;
        bool counted = true;
        for (PersistentStore* store : stores) {
            PredicateSqlCompiler::Result compiled;
            if (const Predicate* predicate = request.predicate()) {
                compiled = PredicateSqlCompiler(*store, entity).compile(*predicate);
                if (!compiled.exact) {
                    counted = false;
                    break;
                }
            }
            QString message;
            QMutexLocker lock(&m_coordinator->lock());
            const qint64 count = store->countRows(
                entity, request.includesSubentities(), compiled.sql, compiled.bindings, &message);
            if (count < 0) {
                setError(error, CoreDataErrors::PersistentStoreOpenError,
                    QStringLiteral("The count in the store at %1 failed: %2").arg(store->path(), message));
                return -1;
            }
            total += count;
        }
        if (counted) {
            total = std::max<qint64>(0, total - request.fetchOffset());
            if (request.fetchLimit() > 0)
                total = std::min<qint64>(total, request.fetchLimit());
            return total;
        }
    }
    std::optional<QList<ManagedObject*>> result = executeFetchRequest(request, error);
    return result ? qint64(result->size()) : -1;
}

std::optional<QList<ManagedObject*>> ManagedObjectContext::fetchObjects(
    const FetchRequest& request, const EntityDescription* entity, Error* error)
{
    QList<PersistentStore*> stores = request.affectedStores();
    if (stores.isEmpty())
        stores = m_coordinator->persistentStores();
    const bool includeSub = request.includesSubentities();
    const Predicate* predicate = request.predicate();
    // Unsaved changes make stored values stale: SQL then only narrows by attributes, and what
    // it leaves is checked again in memory, together with this context's changed objects.
    const bool dirty = hasChanges();
    const QList<const EntityDescription*> candidates
        = includeSub ? entity->selfAndDescendants() : QList<const EntityDescription*> { entity };
    QList<ManagedObject*> results;
    bool checkAll = false; // every candidate needs the in-memory predicate
    bool sortedBySql = !request.sortDescriptors().isEmpty() && stores.size() == 1;
    for (PersistentStore* store : stores) {
        PredicateSqlCompiler::Result compiled;
        if (predicate) {
            compiled = PredicateSqlCompiler(*store, entity).compile(*predicate);
            if (dirty && compiled.usesRelationships)
                compiled = PredicateSqlCompiler::Result();
            if (!compiled.exact || dirty)
                checkAll = true;
        }
        const QString orderBy
            = sortedBySql ? store->orderByFor(entity, request.sortDescriptors()) : QString();
        if (orderBy.isEmpty())
            sortedBySql = false;
        QString message;
        QList<ManagedObject*> fresh;
        QMutexLocker lock(&m_coordinator->lock());
        const quint32 number = store->storeNumber();
        const bool ok = store->fetchRows(
            entity, includeSub, compiled.sql, compiled.bindings, orderBy,
            [&](const EntityDescription* rowEntity, qint64 key, SqlStatement& row) {
                const ManagedObjectID id = ManagedObjectID::permanentID(rowEntity, number, key);
                ManagedObject* object = m_registered.value(id);
                if (!object) {
                    object = makeObject(rowEntity, id);
                    store->fillObject(object, row);
                    fresh.append(object);
                } else if (object->m_fault) {
                    store->fillObject(object, row);
                    object->m_fault = false;
                    fresh.append(object);
                }
                if (!object->m_deleted)
                    results.append(object);
            },
            &message);
        lock.unlock();
        if (!ok) {
            setError(error, CoreDataErrors::PersistentStoreOpenError,
                QStringLiteral("The fetch from the store at %1 failed: %2").arg(store->path(), message));
            return std::nullopt;
        }
        for (ManagedObject* object : fresh)
            object->awakeFromFetch();
    }
    // Objects that SQL could not judge: new ones, and changed ones whose stored values differ.
    QSet<ManagedObject*> seen;
    if (dirty && predicate)
        seen = QSet<ManagedObject*>(results.begin(), results.end());
    QList<ManagedObject*> extra;
    const bool newObjectsCount
        = request.affectedStores().isEmpty() || request.affectedStores().contains(storeForNewObjects());
    if (newObjectsCount)
        extra = m_inserted.membersOf(candidates);
    if (dirty && predicate) {
        for (ManagedObject* object : m_changed.membersOf(candidates)) {
            if (object->isUpdated() && !seen.contains(object)
                && stores.contains(object->m_objectID.persistentStore()))
                extra.append(object);
        }
    }
    if (predicate) {
        auto matches = [predicate](ManagedObject* object) {
            return predicate->evaluateWithObject(QVariant::fromValue(object));
        };
        if (checkAll)
            results.erase(
                std::remove_if(results.begin(), results.end(), [&](ManagedObject* o) { return !matches(o); }),
                results.end());
        extra.erase(std::remove_if(extra.begin(), extra.end(), [&](ManagedObject* o) { return !matches(o); }),
            extra.end());
    }
    if (!extra.isEmpty()) {
        results.append(extra);
        sortedBySql = false;
    }
    if (!request.sortDescriptors().isEmpty() && !sortedBySql) {
        const QList<SortDescriptor>& descriptors = request.sortDescriptors();
        std::stable_sort(results.begin(), results.end(), [&descriptors](ManagedObject* a, ManagedObject* b) {
            const QVariant va = QVariant::fromValue(a);
            const QVariant vb = QVariant::fromValue(b);
            for (const SortDescriptor& descriptor : descriptors) {
                const int order = descriptor.compareObject(va, vb);
                if (order != 0)
                    return order < 0;
            }
            return false;
        });
    }
    if (request.fetchOffset() > 0)
        results = results.mid(std::min<qsizetype>(request.fetchOffset(), results.size()));
    if (request.fetchLimit() > 0 && results.size() > request.fetchLimit())
        results.resize(request.fetchLimit());
    return results;
}

PersistentStore* ManagedObjectContext::storeForNewObjects() const
{
    if (!m_coordinator)
        return nullptr;
    const QList<PersistentStore*> stores = m_coordinator->persistentStores();
    return stores.isEmpty() ? nullptr : stores.first();
}

// --- saving ---

bool ManagedObjectContext::validate(Error* error)
{
    QList<Error> errors;
    auto check = [&errors](ManagedObject* object) {
        const EntityDescription* entity = object->m_entity;
        for (const AttributeDescription* attribute : entity->attributes()) {
            if (attribute->isOptional() || attribute->isTransient())
                continue;
            if (!object->attributeValue(attribute).isValid())
                errors.append(validationError(CoreDataErrors::ValidationMissingMandatoryProperty, object,
                    attribute->name(),
                    QStringLiteral("%1 of %2 is required.").arg(attribute->name(), entity->name())));
        }
        for (const RelationshipDescription* relationship : entity->relationships()) {
            if (relationship->isOptional())
                continue;
            if (relationship->isToMany()) {
                if (object->toManyMembers(relationship).list.isEmpty())
                    errors.append(validationError(CoreDataErrors::ValidationRelationshipLacksMinimumCount,
                        object, relationship->name(),
                        QStringLiteral("%1 of %2 needs at least one member.")
                            .arg(relationship->name(), entity->name())));
            } else if (!object->toOneValue(relationship)) {
                errors.append(validationError(CoreDataErrors::ValidationMissingMandatoryProperty, object,
                    relationship->name(),
                    QStringLiteral("%1 of %2 is required.").arg(relationship->name(), entity->name())));
            }
        }
    };
    for (ManagedObject* object : m_inserted.list)
        check(object);
    for (ManagedObject* object : m_changed.list) {
        if (object->isUpdated())
            check(object);
    }
    for (ManagedObject* object : m_deleted.list) {
        for (const RelationshipDescription* relationship : object->m_entity->relationships()) {
            if (relationship->deleteRule() != RelationshipDescription::DeleteRule::Deny)
                continue;
            QList<ManagedObject*> targets;
            if (relationship->isToMany())
                targets = object->toManyMembers(relationship).list;
            else if (ManagedObject* target = object->toOneValue(relationship))
                targets.append(target);
            const bool blocked = std::any_of(
                targets.begin(), targets.end(), [](ManagedObject* target) { return !target->m_deleted; });
            if (blocked)
                errors.append(validationError(CoreDataErrors::ValidationRelationshipDeniedDelete, object,
                    relationship->name(),
                    QStringLiteral("%1 cannot be deleted while its %2 has members.")
                        .arg(object->m_entity->name(), relationship->name())));
        }
    }
    if (errors.isEmpty())
        return true;
    if (error) {
        if (errors.size() == 1) {
            *error = errors.first();
        } else {
            QVariantList details;
            for (const Error& e : errors)
                details.append(errorMap(e));
            *error = Error { CoreDataErrors::domain, CoreDataErrors::ValidationMultipleErrors,
                QStringLiteral("Multiple validation errors occurred."),
                { { CoreDataErrors::detailedErrorsKey, details } } };
        }
    }
    return false;
}

bool ManagedObjectContext::save(Error* error)
{
    checkThread();
    processPendingChanges();
    if (!hasChanges())
        return true;
    if (!m_coordinator || m_coordinator->persistentStores().isEmpty()) {
        setError(error, CoreDataErrors::PersistentStoreSaveError,
            QStringLiteral("This context has no persistent store to save to."));
        return false;
    }
    {
        const QList<ManagedObject*> saving = m_inserted.list + updatedObjects() + m_deleted.list;
        for (ManagedObject* object : saving)
            object->willSave();
        processPendingChanges();
    }
    if (!validate(error))
        return false;

    const QList<ManagedObject*> inserted = m_inserted.list;
    const QList<ManagedObject*> updated = updatedObjects();
    const QList<ManagedObject*> deleted = m_deleted.list;
    PersistentStore* newStore = storeForNewObjects();
    // Group by store; new objects go to the first store.
    QHash<PersistentStore*, QList<ManagedObject*>> insertedBy, updatedBy, deletedBy;
    for (ManagedObject* object : inserted)
        insertedBy[newStore].append(object);
    for (ManagedObject* object : updated) {
        if (PersistentStore* store = object->m_objectID.persistentStore())
            updatedBy[store].append(object);
    }
    for (ManagedObject* object : deleted) {
        if (PersistentStore* store = object->m_objectID.persistentStore())
            deletedBy[store].append(object);
    }
    QList<PersistentStore*> stores = m_coordinator->persistentStores();
    QList<ManagedObjectID> insertedIDs, updatedIDs, deletedIDs;
    for (ManagedObject* object : updated)
        updatedIDs.append(object->m_objectID);
    for (ManagedObject* object : deleted)
        deletedIDs.append(object->m_objectID);
    for (PersistentStore* store : stores) {
        if (!insertedBy.contains(store) && !updatedBy.contains(store) && !deletedBy.contains(store))
            continue;
        PersistentStore::KeyMap keys;
        {
            QMutexLocker lock(&m_coordinator->lock());
            if (!store->saveChanges(
                    insertedBy.value(store), updatedBy.value(store), deletedBy.value(store), &keys, error))
                return false;
        }
        for (ManagedObject* object : insertedBy.value(store)) {
            const ManagedObjectID temporary = object->m_objectID;
            const ManagedObjectID permanent
                = ManagedObjectID::permanentID(object->m_entity, store->storeNumber(), keys.value(object));
            m_registered.remove(temporary);
            m_registered.insert(permanent, object);
            object->m_objectID = permanent;
            m_coordinator->noteSavedID(temporary, permanent);
            insertedIDs.append(permanent);
        }
    }
    for (ManagedObject* object : inserted) {
        object->m_inserted = false;
        object->clearChanges();
    }
    for (ManagedObject* object : updated)
        object->clearChanges();
    for (ManagedObject* object : deleted) {
        object->clearChanges();
        m_registered.remove(object->m_objectID);
        object->m_context = nullptr;
    }
    for (ManagedObject* object : m_changed.list)
        object->clearChanges();
    m_inserted.clear();
    m_deleted.clear();
    m_changed.clear();
    for (ManagedObject* object : inserted + updated)
        object->didSave();
    NotificationCenter::defaultCenter().postNotificationName(DidSaveNotification, this,
        QVariantMap { { InsertedObjectsKey, objectList(inserted) },
            { UpdatedObjectsKey, objectList(updated) }, { DeletedObjectsKey, objectList(deleted) },
            { InsertedObjectIDsKey, idList(insertedIDs) }, { UpdatedObjectIDsKey, idList(updatedIDs) },
            { DeletedObjectIDsKey, idList(deletedIDs) } });
    return true;
}

void ManagedObjectContext::rollback()
{
    checkThread();
    for (ManagedObject* object : m_changed.list) {
        if (object->m_inserted)
            continue;
        for (auto it = object->m_originalAttributes.begin(); it != object->m_originalAttributes.end(); ++it)
            object->m_attributes[size_t(it.key())] = it.value();
        for (auto it = object->m_originalToOne.begin(); it != object->m_originalToOne.end(); ++it)
            object->m_relations[size_t(it.key())].object = it.value();
        for (auto it = object->m_originalToMany.begin(); it != object->m_originalToMany.end(); ++it) {
            auto members = std::make_unique<ManagedObject::Members>();
            for (ManagedObject* member : it.value())
                members->add(member);
            object->m_relations[size_t(it.key())].members = std::move(members);
        }
        object->clearChanges();
    }
    for (ManagedObject* object : m_inserted.list) {
        m_registered.remove(object->m_objectID);
        object->m_inserted = false;
        object->clearChanges();
        object->m_context = nullptr;
    }
    for (const auto& owned : m_owned) {
        // New objects that were deleted before saving leave too.
        ManagedObject* object = owned.get();
        if (object->m_context == this && object->m_objectID.isTemporaryID()
            && !m_registered.contains(object->m_objectID))
            object->m_context = nullptr;
    }
    for (ManagedObject* object : m_deleted.list) {
        object->m_deleted = false;
        object->m_pendingDelete = false;
    }
    m_inserted.clear();
    m_deleted.clear();
    m_changed.clear();
    m_pendingInserted.clear();
    m_pendingUpdated.clear();
    m_pendingDeleted.clear();
    if (m_undoManager)
        m_undoManager->removeAllActions();
}

void ManagedObjectContext::reset()
{
    checkThread();
    if (m_undoManager)
        m_undoManager->removeAllActions();
    m_registered.clear();
    m_inserted.clear();
    m_deleted.clear();
    m_changed.clear();
    m_pendingInserted.clear();
    m_pendingUpdated.clear();
    m_pendingDeleted.clear();
    m_owned.clear();
}

void ManagedObjectContext::refreshObject(ManagedObject* object, bool mergeChanges)
{
    checkThread();
    if (!object || object->m_context != this || object->m_inserted || object->m_objectID.isTemporaryID())
        return;
    if (!mergeChanges || !object->isUpdated()) {
        object->turnIntoFault();
        m_changed.remove(object);
        return;
    }
    // Keep this context's changes on top of the stored values.
    const auto originalAttributes = object->m_originalAttributes;
    const auto originalToOne = object->m_originalToOne;
    const auto originalToMany = object->m_originalToMany;
    QHash<int, QVariant> currentAttributes;
    QHash<int, ManagedObject*> currentToOne;
    QHash<int, QList<ManagedObject*>> currentToMany;
    for (auto it = originalAttributes.begin(); it != originalAttributes.end(); ++it)
        currentAttributes.insert(it.key(), object->m_attributes[size_t(it.key())]);
    for (auto it = originalToOne.begin(); it != originalToOne.end(); ++it)
        currentToOne.insert(it.key(), object->m_relations[size_t(it.key())].object);
    for (auto it = originalToMany.begin(); it != originalToMany.end(); ++it)
        currentToMany.insert(it.key(), object->m_relations[size_t(it.key())].members->list);

    object->turnIntoFault();
    object->ensureLoaded();
    const auto& relationships = object->m_entity->relationships();
    // Property by property: this context's change stays unless the store's value wins (store
    // trump, and the store's value moved away from the one this context started from).
    const bool storeTrumps = m_mergePolicy == MergePolicy::PropertyStoreTrump;
    for (auto it = currentAttributes.begin(); it != currentAttributes.end(); ++it) {
        const QVariant stored = object->m_attributes[size_t(it.key())];
        if (storeTrumps && stored != originalAttributes.value(it.key()))
            continue;
        object->m_originalAttributes.insert(it.key(), stored);
        object->m_attributes[size_t(it.key())] = it.value();
    }
    for (auto it = currentToOne.begin(); it != currentToOne.end(); ++it) {
        ManagedObject* stored = object->toOneValue(relationships[size_t(it.key())]);
        if (storeTrumps && stored != originalToOne.value(it.key()))
            continue;
        object->m_originalToOne.insert(it.key(), stored);
        object->m_relations[size_t(it.key())].object = it.value();
    }
    for (auto it = currentToMany.begin(); it != currentToMany.end(); ++it) {
        const QList<ManagedObject*>& before = originalToMany.value(it.key());
        const QList<ManagedObject*>& now = it.value();
        ManagedObject::Members& members = object->mutableMembers(relationships[size_t(it.key())]);
        object->m_originalToMany.insert(it.key(), members.list);
        for (ManagedObject* member : before) {
            if (!now.contains(member))
                members.remove(member);
        }
        for (ManagedObject* member : now) {
            if (!before.contains(member))
                members.add(member);
        }
    }
}

void ManagedObjectContext::mergeChangesFromContextDidSaveNotification(const Notification& notification)
{
    checkThread();
    if (notification.object == this)
        return;
    const QVariantMap& info = notification.userInfo;
    QList<ManagedObject*> updated, deleted;
    for (const QVariant& value : info.value(UpdatedObjectIDsKey).toList()) {
        ManagedObject* object = m_registered.value(value.value<ManagedObjectID>());
        if (!object || object->m_fault)
            continue;
        if (object->isUpdated()) {
            refreshObject(object, true);
        } else {
            object->turnIntoFault();
        }
        updated.append(object);
    }
    for (const QVariant& value : info.value(DeletedObjectIDsKey).toList()) {
        ManagedObject* object = m_registered.value(value.value<ManagedObjectID>());
        if (!object)
            continue;
        // Gone from the store: every loaded link to it goes, without recording a change.
        for (ManagedObject* other : m_registered) {
            if (other->m_fault)
                continue;
            for (const RelationshipDescription* relationship : other->m_entity->relationships()) {
                ManagedObject::RelationSlot& slot = other->m_relations[size_t(relationship->index())];
                if (relationship->isToMany()) {
                    if (slot.members)
                        slot.members->remove(object);
                } else if (slot.object == object) {
                    slot.object = nullptr;
                }
            }
        }
        m_registered.remove(object->m_objectID);
        m_changed.remove(object);
        m_deleted.remove(object);
        object->clearChanges();
        object->m_invalid = true;
        object->m_context = nullptr;
        deleted.append(object);
    }
    if (updated.isEmpty() && deleted.isEmpty())
        return;
    NotificationCenter::defaultCenter().postNotificationName(ObjectsDidChangeNotification, this,
        QVariantMap { { InsertedObjectsKey, QVariantList() }, { UpdatedObjectsKey, objectList(updated) },
            { DeletedObjectsKey, objectList(deleted) } });
}

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
    for (ManagedObject* object : invalidated) {
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
}
