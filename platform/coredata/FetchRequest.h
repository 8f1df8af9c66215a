#pragma once

#include "Predicate.h"
#include "SortDescriptor.h"

#include <QList>
#include <QString>
#include <QVariantMap>
#include <memory>

class EntityDescription;
class PersistentStore;

// What to fetch: an entity (its sub-entities too unless switched off), an optional predicate,
// sort order, limit and offset.
class FetchRequest
{
public:
    FetchRequest() = default;
    explicit FetchRequest(const EntityDescription* entity)
        : m_entity(entity)
    {
    }
    // The entity is looked up by name in the context's model when the request runs.
    static FetchRequest fetchRequestWithEntityName(const QString& entityName);

    const EntityDescription* entity() const { return m_entity; }
    void setEntity(const EntityDescription* entity) { m_entity = entity; }
    QString entityName() const;
    void setEntityName(const QString& name) { m_entityName = name; }

    const Predicate* predicate() const { return m_predicate.get(); }
    void setPredicate(const Predicate& predicate)
    {
        m_predicate = std::make_shared<const Predicate>(predicate);
    }
    void clearPredicate() { m_predicate.reset(); }
    const QList<SortDescriptor>& sortDescriptors() const { return m_sortDescriptors; }
    void setSortDescriptors(const QList<SortDescriptor>& sortDescriptors)
    {
        m_sortDescriptors = sortDescriptors;
    }

    // 0 means no limit.
    int fetchLimit() const { return m_fetchLimit; }
    void setFetchLimit(int limit) { m_fetchLimit = limit < 0 ? 0 : limit; }
    int fetchOffset() const { return m_fetchOffset; }
    void setFetchOffset(int offset) { m_fetchOffset = offset < 0 ? 0 : offset; }
    bool includesSubentities() const { return m_includesSubentities; }
    void setIncludesSubentities(bool include) { m_includesSubentities = include; }
    // Empty means every store of the coordinator.
    const QList<PersistentStore*>& affectedStores() const { return m_affectedStores; }
    void setAffectedStores(const QList<PersistentStore*>& stores) { m_affectedStores = stores; }

private:
    const EntityDescription* m_entity = nullptr;
    QString m_entityName;
    std::shared_ptr<const Predicate> m_predicate;
    QList<SortDescriptor> m_sortDescriptors;
    int m_fetchLimit = 0;
    int m_fetchOffset = 0;
    bool m_includesSubentities = true;
    QList<PersistentStore*> m_affectedStores;
};
