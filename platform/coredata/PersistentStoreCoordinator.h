#pragma once

#include "Error.h"
#include "ManagedObjectID.h"

#include <QHash>
#include <QList>
#include <QRecursiveMutex>
#include <QString>
#include <QUrl>
#include <QVariantMap>
#include <memory>
#include <optional>
#include <vector>

class ManagedObjectContext;
class ManagedObjectModel;
class PersistentStore;

// Joins a model to its stores; contexts reach the stores through it. Safe to share between
// threads: every store access holds the coordinator's lock.
class PersistentStoreCoordinator
{
public:
    static const QString SQLiteStoreType;
    // Option keys of addPersistentStoreWithType (both on by default).
    static const QString MigratePersistentStoresAutomaticallyOption;
    static const QString InferMappingModelAutomaticallyOption;
    // A bool option (off by default): open the store read-only even when it could be written.
    static const QString ReadOnlyOption;

    // The model must outlive the coordinator.
    explicit PersistentStoreCoordinator(const ManagedObjectModel* model);
    ~PersistentStoreCoordinator();
    PersistentStoreCoordinator(const PersistentStoreCoordinator&) = delete;
    PersistentStoreCoordinator& operator=(const PersistentStoreCoordinator&) = delete;

    const ManagedObjectModel* managedObjectModel() const { return m_model; }

    // Opens (creating, upgrading when allowed) the store file at `path`; nullptr and an error
    // naming the file when it cannot. A damaged or foreign file is left untouched. There is one
    // configuration: `configuration` is not used.
    PersistentStore* addPersistentStoreWithType(const QString& storeType, const QString& configuration,
        const QString& path, const QVariantMap& options = {}, Error* error = nullptr);
    // Checkpoints and closes the store; objects of it become invalid in every context.
    bool removePersistentStore(PersistentStore* store, Error* error = nullptr);
    QList<PersistentStore*> persistentStores() const;
    PersistentStore* persistentStoreForURL(const QString& path) const;
    QString URLForPersistentStore(const PersistentStore* store) const;

    // A null ID for foreign or malformed URIs.
    ManagedObjectID managedObjectIDForURIRepresentation(const QUrl& uri) const;

    // The store's metadata read from the file alone; nullopt with an error when it is not a store.
    static std::optional<QVariantMap> metadataForPersistentStoreOfType(
        const QString& storeType, const QString& path, Error* error = nullptr);

    QRecursiveMutex& lock() const { return m_lock; }

private:
    friend class ManagedObjectContext;
    void registerContext(ManagedObjectContext* context);
    void unregisterContext(ManagedObjectContext* context);
    // Pairs of a temporary ID and the permanent one its object took on being saved.
    void noteSavedIDs(const QList<std::pair<ManagedObjectID, ManagedObjectID>>& saved);
    ManagedObjectID permanentIDFor(const ManagedObjectID& temporary) const;

    const ManagedObjectModel* m_model;
    mutable QRecursiveMutex m_lock;
    std::vector<std::unique_ptr<PersistentStore>> m_stores;
    QList<ManagedObjectContext*> m_contexts;
    // By the number of the temporary ID, which is unique in the process.
    QHash<qint64, ManagedObjectID> m_savedTemporaryIDs;
};
