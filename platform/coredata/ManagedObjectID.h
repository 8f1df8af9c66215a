#pragma once

#include <QHashFunctions>
#include <QMetaType>
#include <QString>
#include <QUrl>

class EntityDescription;
class PersistentStore;

// Identifies one object across contexts. Saved objects have a permanent ID (store plus primary
// key); unsaved ones a temporary ID that resolves only inside this process.
class ManagedObjectID
{
public:
    ManagedObjectID() = default;

    static ManagedObjectID temporaryID(const EntityDescription* entity);
    // The temporary ID of that number again (as a URI names it).
    static ManagedObjectID temporaryIDWithNumber(const EntityDescription* entity, qint64 number);
    static ManagedObjectID permanentID(
        const EntityDescription* entity, quint32 storeNumber, qint64 primaryKey);

    bool isNull() const { return m_entity == nullptr; }
    bool isTemporaryID() const { return m_storeNumber == 0 && m_entity; }
    const EntityDescription* entity() const { return m_entity; }
    // The store that holds the object; nullptr for temporary IDs and removed stores.
    PersistentStore* persistentStore() const;
    quint32 storeNumber() const { return m_storeNumber; }
    // The row's primary key (permanent IDs) or the temporary number.
    qint64 referenceKey() const { return m_key; }

    // "x-coredata://<store UUID>/<Entity>/p<key>"; temporary IDs give "x-coredata:///<Entity>/t<number>".
    QUrl URIRepresentation() const;

    bool operator==(const ManagedObjectID& other) const;
    bool operator!=(const ManagedObjectID& other) const { return !(*this == other); }

private:
    const EntityDescription* m_entity = nullptr;
    quint32 m_storeNumber = 0;
    qint64 m_key = 0;
};

size_t qHash(const ManagedObjectID& id, size_t seed = 0);

Q_DECLARE_METATYPE(ManagedObjectID)
