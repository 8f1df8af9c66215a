// Fetching and counting: SQL does what it can, and this context's unsaved changes are merged
// into what the stores return.

#include "EntityDescription.h"
#include "ManagedObjectContext.h"
#include "ManagedObjectContextInternals.h"
#include "ManagedObjectModel.h"
#include "PersistentStore.h"
#include "PersistentStoreCoordinator.h"
#include "PredicateSqlCompiler.h"
#include "RelationshipDescription.h"

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
    // With unsaved changes and a predicate through relationships: the objects whose answer may
    // differ from the store's (changed themselves, or reaching a changed object along one of the
    // predicate's key paths). SQL answers the rest; these are judged in memory. Not set when the
    // predicate's key paths can't be followed: SQL then only narrows by attributes.
    std::optional<QSet<ManagedObject*>> affected;
    bool affectedComputed = false;
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

using RelationshipChain = QList<const RelationshipDescription*>;

// The relationships a key path follows from entity, up to its first attribute or operator; false
// when a key is not a modelled property, or a relationship has no inverse to walk back along.
bool addKeyPathChain(
    const QString& keyPath, const EntityDescription* entity, QList<RelationshipChain>& chains)
{
    RelationshipChain chain;
    for (const QString& key : keyPath.split(QLatin1Char('.'))) {
        if (key.startsWith(QLatin1Char('@')))
            break;
        if (const RelationshipDescription* relationship = entity->relationshipNamed(key)) {
            if (!relationship->inverseRelationship())
                return false;
            chain.append(relationship);
            entity = relationship->destinationEntity();
            continue;
        }
        if (!entity->attributeNamed(key))
            return false;
        break;
    }
    if (!chain.isEmpty())
        chains.append(chain);
    return true;
}

bool expressionChains(
    const Expression& expression, const EntityDescription* entity, QList<RelationshipChain>& chains)
{
    switch (expression.expressionType()) {
    case Expression::Type::ConstantValue:
    case Expression::Type::EvaluatedObject:
        return true;
    case Expression::Type::KeyPath:
        return addKeyPathChain(expression.keyPath(), entity, chains);
    case Expression::Type::Function: {
        const Expression operand = expression.operand();
        if (operand.expressionType() != Expression::Type::KeyPath)
            return false;
        const QString tail = expression.keyPath();
        return addKeyPathChain(
            tail.isEmpty() ? operand.keyPath() : operand.keyPath() + QLatin1Char('.') + tail, entity, chains);
    }
    case Expression::Type::Variable:
    case Expression::Type::Aggregate:
        return false;
    }
    return false;
}

bool predicateChains(
    const Predicate& predicate, const EntityDescription* entity, QList<RelationshipChain>& chains)
{
    switch (predicate.predicateType()) {
    case Predicate::Type::True:
    case Predicate::Type::False:
        return true;
    case Predicate::Type::Comparison:
        return expressionChains(predicate.leftExpression(), entity, chains)
            && expressionChains(predicate.rightExpression(), entity, chains);
    case Predicate::Type::Compound:
        for (const Predicate& part : predicate.subpredicates()) {
            if (!predicateChains(part, entity, chains))
                return false;
        }
        return true;
    }
    return false;
}

// The stored objects of entity whose answer to predicate the given unsaved changes may have
// altered; nothing when the predicate's key paths can't be followed.
std::optional<QSet<ManagedObject*>> objectsAffectedByChanges(const Predicate* predicate,
    const EntityDescription* entity, const QList<const QList<ManagedObject*>*>& changes)
{
    QList<RelationshipChain> chains;
    if (!predicate || !predicateChains(*predicate, entity, chains))
        return std::nullopt;
    QSet<ManagedObject*> affected;
    auto visit = [&](ManagedObject* object) {
        if (object->entity()->isKindOfEntity(entity))
            affected.insert(object);
        for (const RelationshipChain& chain : chains) {
            for (qsizetype hop = chain.size(); hop > 0; --hop) {
                if (!object->entity()->isKindOfEntity(chain[hop - 1]->destinationEntity()))
                    continue;
                // Back along the chain to the objects whose key path reaches this one.
                QList<ManagedObject*> frontier { object };
                for (qsizetype back = hop - 1; back >= 0 && !frontier.isEmpty(); --back) {
                    const RelationshipDescription* inverse = chain[back]->inverseRelationship();
                    QList<ManagedObject*> next;
                    for (ManagedObject* member : std::as_const(frontier)) {
                        if (inverse->isToMany())
                            next.append(member->objectsForKey(inverse->name()));
                        else if (ManagedObject* owner = member->objectForKey(inverse->name()))
                            next.append(owner);
                    }
                    frontier = std::move(next);
                }
                for (ManagedObject* reached : std::as_const(frontier))
                    affected.insert(reached);
            }
        }
    };
    for (const QList<ManagedObject*>* list : changes) {
        for (ManagedObject* object : *list)
            visit(object);
    }
    return affected;
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
    if (!m_pendingDeleted.isEmpty())
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
        if (pass.checkAll) {
            keepMatching(pass.results, pass.predicate);
        } else if (pass.affected && !pass.affected->isEmpty()) {
            const QSet<ManagedObject*>& affected = *pass.affected;
            const Predicate* predicate = pass.predicate;
            pass.results.erase(std::remove_if(pass.results.begin(), pass.results.end(),
                                   [&affected, predicate](ManagedObject* object) {
                                       return affected.contains(object)
                                           && !predicate->evaluateWithObject(QVariant::fromValue(object));
                                   }),
                pass.results.end());
        }
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
        if (pass.dirty && compiled.usesRelationships) {
            if (!pass.affectedComputed) {
                pass.affected = objectsAffectedByChanges(pass.predicate, pass.entity,
                    { &m_changed.list(), &m_inserted.list(), &m_deleted.list() });
                pass.affectedComputed = true;
            }
            if (!pass.affected)
                compiled = PredicateSqlCompiler::Result();
        }
        const bool judgedByAffected = pass.dirty && compiled.usesRelationships && pass.affected;
        if (!compiled.exact || (pass.dirty && !judgedByAffected))
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
                && pass.stores.contains(object->m_objectID.persistentStore())) {
                extra.append(object);
                seen.insert(object);
            }
        }
    }
    if (pass.affected) {
        // Stored objects the store left out that a change may have brought in.
        for (ManagedObject* object : *pass.affected) {
            if (!seen.contains(object) && !object->m_deleted && !object->isInserted()
                && pass.candidates.contains(object->entity())
                && pass.stores.contains(object->m_objectID.persistentStore())) {
                extra.append(object);
                seen.insert(object);
            }
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
