// Fetching and counting: SQL does what it can, and this context's unsaved changes are merged
// into what the stores return.

#include "EntityDescription.h"
#include "ManagedObjectContext.h"
#include "ManagedObjectContextInternals.h"
#include "ManagedObjectModel.h"
#include "PersistentStore.h"
#include "PersistentStoreCoordinator.h"
#include "PredicateSqlCompiler.h"

#include <QMutexLocker>
#include <algorithm>

using namespace ContextInternals;

// The state of one fetch as it goes from store to store.
struct ManagedObjectContext::FetchPass {
    FetchPass(const FetchRequest& request, const EntityDescription* entity)
        : request(request)
        , entity(entity)
    {
    }

    const FetchRequest& request;
    const EntityDescription* entity;
    QList<PersistentStore*> stores;
    const Predicate* predicate = nullptr;
    // Unsaved changes make stored values stale: SQL then only narrows by attributes, and what
    // it leaves is checked again in memory, together with this context's changed objects.
    bool dirty = false;
    QList<const EntityDescription*> candidates; // the entities whose objects qualify
    bool checkAll = false; // every result needs the in-memory predicate
    bool sortedBySql = false;
    QList<ManagedObject*> results;
};

namespace
{

void keepMatching(QList<ManagedObject*>& objects, const Predicate* predicate)
{
    objects.erase(std::remove_if(objects.begin(), objects.end(),
                      [predicate](ManagedObject* object) {
                          return !predicate->evaluateWithObject(QVariant::fromValue(object));
                      }),
        objects.end());
}

void sortObjects(QList<ManagedObject*>& objects, const QList<SortDescriptor>& descriptors)
{
    std::stable_sort(objects.begin(), objects.end(), [&descriptors](ManagedObject* a, ManagedObject* b) {
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

void applyOffsetAndLimit(QList<ManagedObject*>& objects, const FetchRequest& request)
{
    if (request.fetchOffset() > 0)
        objects = objects.mid(std::min<qsizetype>(request.fetchOffset(), objects.size()));
    if (request.fetchLimit() > 0 && objects.size() > request.fetchLimit())
        objects.resize(request.fetchLimit());
}

} // namespace

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
        if (const std::optional<qint64> counted = countInStores(request, entity, error))
            return *counted;
    }
    std::optional<QList<ManagedObject*>> result = executeFetchRequest(request, error);
    return result ? qint64(result->size()) : -1;
}

std::optional<qint64> ManagedObjectContext::countInStores(
    const FetchRequest& request, const EntityDescription* entity, Error* error)
{
    QList<PersistentStore*> stores = request.affectedStores();
    if (stores.isEmpty())
        stores = m_coordinator->persistentStores();
    qint64 total = 0;
    for (PersistentStore* store : stores) {
        PredicateSqlCompiler::Result compiled;
        if (const Predicate* predicate = request.predicate()) {
            compiled = PredicateSqlCompiler(*store, entity).compile(*predicate);
            if (!compiled.exact)
                return std::nullopt;
        }
        QString message;
        bool refused = false;
        QMutexLocker lock(&m_coordinator->lock());
        const qint64 count = store->countRows(
            entity, request.includesSubentities(), compiled.sql, compiled.bindings, &message, &refused);
        if (count < 0 && refused && !compiled.sql.isEmpty())
            return std::nullopt; // the fetch path evaluates what SQLite would not take
        if (count < 0) {
            setError(error, CoreDataErrors::PersistentStoreOpenError,
                QStringLiteral("The count in the store at %1 failed: %2").arg(store->path(), message));
            return -1;
        }
        total += count;
    }
    total = std::max<qint64>(0, total - request.fetchOffset());
    if (request.fetchLimit() > 0)
        total = std::min<qint64>(total, request.fetchLimit());
    return total;
}

std::optional<QList<ManagedObject*>> ManagedObjectContext::fetchObjects(
    const FetchRequest& request, const EntityDescription* entity, Error* error)
{
    FetchPass pass(request, entity);
    pass.stores = request.affectedStores();
    if (pass.stores.isEmpty())
        pass.stores = m_coordinator->persistentStores();
    pass.predicate = request.predicate();
    pass.dirty = hasChanges();
    pass.candidates = request.includesSubentities() ? entity->selfAndDescendants()
                                                    : QList<const EntityDescription*> { entity };
    pass.sortedBySql = !request.sortDescriptors().isEmpty() && pass.stores.size() == 1;
    for (PersistentStore* store : pass.stores) {
        if (!fetchFromStore(store, pass, error, true))
            return std::nullopt;
    }
    QList<ManagedObject*> extra = unsavedCandidates(pass);
    if (pass.predicate) {
        if (pass.checkAll)
            keepMatching(pass.results, pass.predicate);
        keepMatching(extra, pass.predicate);
    }
    if (!extra.isEmpty()) {
        pass.results.append(extra);
        pass.sortedBySql = false;
    }
    if (!request.sortDescriptors().isEmpty() && !pass.sortedBySql)
        sortObjects(pass.results, request.sortDescriptors());
    applyOffsetAndLimit(pass.results, request);
    return pass.results;
}

bool ManagedObjectContext::fetchFromStore(PersistentStore* store, FetchPass& pass, Error* error, bool useSql)
{
    PredicateSqlCompiler::Result compiled;
    if (pass.predicate) {
        if (useSql)
            compiled = PredicateSqlCompiler(*store, pass.entity).compile(*pass.predicate);
        if (pass.dirty && compiled.usesRelationships)
            compiled = PredicateSqlCompiler::Result();
        if (!compiled.exact || pass.dirty)
            pass.checkAll = true;
    }
    const QString orderBy
        = pass.sortedBySql ? store->orderByFor(pass.entity, pass.request.sortDescriptors()) : QString();
    if (orderBy.isEmpty())
        pass.sortedBySql = false;
    QString message;
    bool refused = false;
    QList<ManagedObject*> fresh; // made or filled by this fetch: they awake once it is done
    QMutexLocker lock(&m_coordinator->lock());
    const quint32 number = store->storeNumber();
    const bool ok = store->fetchRows(
        pass.entity, pass.request.includesSubentities(), compiled.sql, compiled.bindings, orderBy,
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
                object->m_prefilled = false;
                fresh.append(object);
            }
            if (!object->m_deleted)
                pass.results.append(object);
        },
        &message, &refused);
    lock.unlock();
    // Every predicate the parser accepts gets an answer: what SQLite will not prepare (nesting
    // beyond its parser's depth) is read without the condition and evaluated in memory.
    if (!ok && refused && !compiled.sql.isEmpty())
        return fetchFromStore(store, pass, error, false);
    if (!ok) {
        setError(error, CoreDataErrors::PersistentStoreOpenError,
            QStringLiteral("The fetch from the store at %1 failed: %2").arg(store->path(), message));
        return false;
    }
    formBatch(fresh);
    for (ManagedObject* object : fresh)
        object->awakeFromFetch();
    return true;
}

QList<ManagedObject*> ManagedObjectContext::unsavedCandidates(const FetchPass& pass) const
{
    // Objects that SQL could not judge: new ones, and changed ones whose stored values differ.
    QSet<ManagedObject*> seen;
    if (pass.dirty && pass.predicate)
        seen = QSet<ManagedObject*>(pass.results.begin(), pass.results.end());
    QList<ManagedObject*> extra;
    const QList<PersistentStore*>& affected = pass.request.affectedStores();
    if (affected.isEmpty() || affected.contains(storeForNewObjects()))
        extra = m_inserted.membersOf(pass.candidates);
    if (pass.dirty && pass.predicate) {
        for (ManagedObject* object : m_changed.membersOf(pass.candidates)) {
            if (object->isUpdated() && !seen.contains(object)
                && pass.stores.contains(object->m_objectID.persistentStore()))
                extra.append(object);
        }
    }
    return extra;
}

PersistentStore* ManagedObjectContext::storeForNewObjects() const
{
    if (!m_coordinator)
        return nullptr;
    const QList<PersistentStore*> stores = m_coordinator->persistentStores();
    return stores.isEmpty() ? nullptr : stores.first();
}
