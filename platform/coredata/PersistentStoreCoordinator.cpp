#include "PersistentStoreCoordinator.h"

#include "CoreDataErrors.h"
#include "EntityDescription.h"
#include "ManagedObjectContext.h"
#include "ManagedObjectModel.h"
#include "PersistentStore.h"

#include <QFileInfo>
#include <QMutexLocker>
#include <QRegularExpression>

const QString PersistentStoreCoordinator::SQLiteStoreType = QStringLiteral("SQLite");
const QString PersistentStoreCoordinator::MigratePersistentStoresAutomaticallyOption
    = QStringLiteral("NSMigratePersistentStoresAutomaticallyOption");
const QString PersistentStoreCoordinator::InferMappingModelAutomaticallyOption
    = QStringLiteral("NSInferMappingModelAutomaticallyOption");
const QString PersistentStoreCoordinator::ReadOnlyOption = QStringLiteral("NSReadOnlyPersistentStoreOption");

PersistentStoreCoordinator::PersistentStoreCoordinator(const ManagedObjectModel* model)
    : m_model(model)
{
}

PersistentStoreCoordinator::~PersistentStoreCoordinator()
{
    QMutexLocker lock(&m_lock);
    for (ManagedObjectContext* context : m_contexts)
        context->m_coordinator = nullptr;
    for (auto& store : m_stores)
        store->checkpoint();
    m_stores.clear();
}

PersistentStore* PersistentStoreCoordinator::addPersistentStoreWithType(const QString& storeType,
    const QString& configuration, const QString& path, const QVariantMap& options, Error* error)
{
    Q_UNUSED(configuration);
    if (storeType != SQLiteStoreType) {
        if (error)
            *error = Error { CoreDataErrors::domain, CoreDataErrors::PersistentStoreInvalidType,
                QStringLiteral("The store type “%1” is not supported.").arg(storeType),
                { { CoreDataErrors::filePathKey, path } } };
        return nullptr;
    }
    QMutexLocker lock(&m_lock);
    const QString canonical = QFileInfo(path).absoluteFilePath();
    if (persistentStoreForURL(canonical)) {
        if (error)
            *error = Error { CoreDataErrors::domain, CoreDataErrors::PersistentStoreOpenError,
                QStringLiteral("The store “%1” is already open.").arg(QFileInfo(path).fileName()),
                { { CoreDataErrors::filePathKey, path } } };
        return nullptr;
    }
    std::unique_ptr<PersistentStore> store(new PersistentStore(this, m_model, canonical));
    if (!store->open(options, error))
        return nullptr;
    m_stores.push_back(std::move(store));
    return m_stores.back().get();
}

bool PersistentStoreCoordinator::removePersistentStore(PersistentStore* store, Error* error)
{
    QMutexLocker lock(&m_lock);
    auto it
        = std::find_if(m_stores.begin(), m_stores.end(), [store](const auto& s) { return s.get() == store; });
    if (it == m_stores.end()) {
        if (error)
            *error = Error { CoreDataErrors::domain, CoreDataErrors::PersistentStoreOpenError,
                QStringLiteral("The store is not one of this coordinator's."), {} };
        return false;
    }
    for (ManagedObjectContext* context : m_contexts)
        context->storeWillBeRemoved(store);
    store->checkpoint();
    m_stores.erase(it);
    return true;
}

QList<PersistentStore*> PersistentStoreCoordinator::persistentStores() const
{
    QMutexLocker lock(&m_lock);
    QList<PersistentStore*> result;
    for (const auto& store : m_stores)
        result.append(store.get());
    return result;
}

PersistentStore* PersistentStoreCoordinator::persistentStoreForURL(const QString& path) const
{
    QMutexLocker lock(&m_lock);
    const QString canonical = QFileInfo(path).absoluteFilePath();
    for (const auto& store : m_stores) {
        if (store->path() == canonical)
            return store.get();
    }
    return nullptr;
}

QString PersistentStoreCoordinator::URLForPersistentStore(const PersistentStore* store) const
{
    return store ? store->path() : QString();
}

ManagedObjectID PersistentStoreCoordinator::managedObjectIDForURIRepresentation(const QUrl& uri) const
{
    if (!uri.isValid() || uri.scheme() != QStringLiteral("x-coredata"))
        return ManagedObjectID();
    const QStringList parts = uri.path().split(QLatin1Char('/'), Qt::SkipEmptyParts);
    if (parts.size() != 2)
        return ManagedObjectID();
    const EntityDescription* entity = m_model->entityNamed(parts.at(0));
    static const QRegularExpression keyPattern(QStringLiteral("^([pt])([1-9][0-9]{0,18})$"));
    const QRegularExpressionMatch match = keyPattern.match(parts.at(1));
    if (!entity || !match.hasMatch())
        return ManagedObjectID();
    bool ok = false;
    const qint64 key = match.captured(2).toLongLong(&ok);
    if (!ok)
        return ManagedObjectID();
    if (match.captured(1) == QStringLiteral("t")) {
        // Temporary IDs resolve only through the objects that still carry them.
        if (!uri.host().isEmpty())
            return ManagedObjectID();
        QMutexLocker lock(&m_lock);
        // A saved object's permanent ID names the entity its temporary one did.
        const auto saved = m_savedTemporaryIDs.constFind(key);
        if (saved != m_savedTemporaryIDs.cend() && saved->entity() == entity)
            return ManagedObjectID::temporaryIDWithNumber(entity, key);
        for (ManagedObjectContext* context : m_contexts) {
            // Only contexts of the calling thread may be looked into.
            if (context->thread() != QThread::currentThread())
                continue;
            for (ManagedObject* object : context->m_inserted.list()) {
                if (object->objectID().referenceKey() == key && object->entity() == entity)
                    return object->objectID();
            }
        }
        return ManagedObjectID();
    }
    QMutexLocker lock(&m_lock);
    for (const auto& store : m_stores) {
        if (store->identifier().compare(uri.host(), Qt::CaseInsensitive) == 0)
            return ManagedObjectID::permanentID(entity, store->storeNumber(), key);
    }
    return ManagedObjectID();
}

std::optional<QVariantMap> PersistentStoreCoordinator::metadataForPersistentStoreOfType(
    const QString& storeType, const QString& path, Error* error)
{
    if (!storeType.isEmpty() && storeType != SQLiteStoreType) {
        if (error)
            *error = Error { CoreDataErrors::domain, CoreDataErrors::PersistentStoreInvalidType,
                QStringLiteral("The store type “%1” is not supported.").arg(storeType),
                { { CoreDataErrors::filePathKey, path } } };
        return std::nullopt;
    }
    return PersistentStore::readMetadata(path, error);
}

void PersistentStoreCoordinator::registerContext(ManagedObjectContext* context)
{
    QMutexLocker lock(&m_lock);
    if (!m_contexts.contains(context))
        m_contexts.append(context);
}

void PersistentStoreCoordinator::unregisterContext(ManagedObjectContext* context)
{
    QMutexLocker lock(&m_lock);
    m_contexts.removeAll(context);
}

void PersistentStoreCoordinator::noteSavedIDs(const QList<std::pair<ManagedObjectID, ManagedObjectID>>& saved)
{
    QMutexLocker lock(&m_lock);
    m_savedTemporaryIDs.reserve(m_savedTemporaryIDs.size() + saved.size());
    for (const auto& [temporary, permanent] : saved)
        m_savedTemporaryIDs.insert(temporary.referenceKey(), permanent);
}

ManagedObjectID PersistentStoreCoordinator::permanentIDFor(const ManagedObjectID& temporary) const
{
    if (!temporary.isTemporaryID())
        return ManagedObjectID();
    QMutexLocker lock(&m_lock);
    const ManagedObjectID permanent = m_savedTemporaryIDs.value(temporary.referenceKey());
    return permanent.entity() == temporary.entity() ? permanent : ManagedObjectID();
}
