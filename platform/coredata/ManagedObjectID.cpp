#include "ManagedObjectID.h"

#include "EntityDescription.h"
#include "PersistentStore.h"

#include <atomic>

ManagedObjectID ManagedObjectID::temporaryID(const EntityDescription* entity)
{
    static std::atomic<qint64> counter { 0 };
    ManagedObjectID id;
    id.m_entity = entity;
    id.m_key = ++counter;
    return id;
}

ManagedObjectID ManagedObjectID::temporaryIDWithNumber(const EntityDescription* entity, qint64 number)
{
    ManagedObjectID id;
    id.m_entity = entity;
    id.m_key = number;
    return id;
}

ManagedObjectID ManagedObjectID::permanentID(
    const EntityDescription* entity, quint32 storeNumber, qint64 primaryKey)
{
    ManagedObjectID id;
    id.m_entity = entity;
    id.m_storeNumber = storeNumber;
    id.m_key = primaryKey;
    return id;
}

PersistentStore* ManagedObjectID::persistentStore() const
{
    return m_storeNumber ? PersistentStore::storeForNumber(m_storeNumber) : nullptr;
}

QUrl ManagedObjectID::URIRepresentation() const
{
    if (!m_entity)
        return QUrl();
    if (isTemporaryID())
        return QUrl(QStringLiteral("x-coredata:///%1/t%2").arg(m_entity->name()).arg(m_key));
    return QUrl(QStringLiteral("x-coredata://%1/%2/p%3")
                    .arg(PersistentStore::identifierForNumber(m_storeNumber), m_entity->name())
                    .arg(m_key));
}

bool ManagedObjectID::operator==(const ManagedObjectID& other) const
{
    if (m_key != other.m_key || m_storeNumber != other.m_storeNumber)
        return false;
    if (m_entity == other.m_entity)
        return true;
    // Rows of one table: sub-entities share their root's keys.
    return m_entity && other.m_entity && m_storeNumber != 0
        && m_entity->rootEntity() == other.m_entity->rootEntity();
}

size_t qHash(const ManagedObjectID& id, size_t seed)
{
    const void* root = id.entity() ? static_cast<const void*>(id.entity()->rootEntity()) : nullptr;
    return qHashMulti(seed, root, id.storeNumber(), id.referenceKey());
}
