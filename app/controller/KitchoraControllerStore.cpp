// The library store stack: model, coordinator with the one library store, main context.

#include "KitchoraController.h"
#include "Log.h"
#include "ManagedObjectContext.h"
#include "ManagedObjectModel.h"
#include "PersistentStoreCoordinator.h"
#include "SearchEngineService.h"
#include "UndoManager.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

QString KitchoraController::processName()
{
    const QString executable = QFileInfo(QCoreApplication::applicationFilePath()).fileName();
    return executable.isEmpty() ? QCoreApplication::applicationName() : executable;
}

QString KitchoraController::applicationSupportFolder()
{
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    if (!folder.isEmpty())
        return folder;
    return QDir(QDir::tempPath()).filePath(processName());
}

QString KitchoraController::storePath()
{
    return QDir(applicationSupportFolder()).filePath(processName() + QStringLiteral(".recipedb"));
}

QVariantMap KitchoraController::storeOptions()
{
    return { { PersistentStoreCoordinator::MigratePersistentStoresAutomaticallyOption, true },
        { PersistentStoreCoordinator::InferMappingModelAutomaticallyOption, true } };
}

const ManagedObjectModel* KitchoraController::managedObjectModel()
{
    if (!m_model) {
        QString message;
        m_model = ManagedObjectModel::modelWithContentsOfFile(m_environment.modelFile, &message);
        if (!m_model)
            Log::logf(
                QStringLiteral("unable to read the object model %1: %2"), m_environment.modelFile, message);
    }
    return m_model.get();
}

PersistentStoreCoordinator* KitchoraController::persistentStoreCoordinator()
{
    if (!m_coordinator)
        makeCoordinator();
    return m_coordinator.get();
}

void KitchoraController::makeCoordinator()
{
    const ManagedObjectModel* model = managedObjectModel();
    if (!model)
        return;
    const QString folder = applicationSupportFolder();
    if (!QFileInfo::exists(folder) && !QDir().mkpath(folder))
        Log::logf(QStringLiteral("unable to create application support folder \"Kitchora\"%1%2."),
            QStringLiteral(": "), folder);
    const QString path = storePath();
    if (!QFileInfo::exists(path))
        m_noRecipeDatabasePresent = true;
    m_coordinator = std::make_unique<PersistentStoreCoordinator>(model);
    Error error;
    if (!addStoreAtPath(path, &error)) {
        // The program goes on without a store: every save then fails with its own error.
        if (!error.isNull())
            presentError(error);
        else
            Log::log(QStringLiteral("unable to open persistent store."));
    }
}

bool KitchoraController::addStoreAtPath(const QString& path, Error* error)
{
    m_currentStore = m_coordinator->addPersistentStoreWithType(
        PersistentStoreCoordinator::SQLiteStoreType, QString(), path, storeOptions(), error);
    return m_currentStore != nullptr;
}

ManagedObjectContext* KitchoraController::managedObjectContext()
{
    if (m_context)
        return m_context.get();
    PersistentStoreCoordinator* coordinator = persistentStoreCoordinator();
    if (!coordinator)
        return nullptr;
    m_undoManager = std::make_unique<UndoManager>();
    m_context = std::make_unique<ManagedObjectContext>();
    m_context->setPersistentStoreCoordinator(coordinator);
    m_context->setMergePolicy(ManagedObjectContext::MergePolicy::PropertyObjectTrump);
    m_context->setUndoManager(m_undoManager.get());
    return m_context.get();
}

void KitchoraController::forgetStoreObjects()
{
    m_libraryCollection = nullptr;
    m_importedCollection = nullptr;
    m_recentlyCookedCollection = nullptr;
    m_devicesFolder = nullptr;
}

void KitchoraController::removePersistentStoreIfUninitialized()
{
    if (!m_noRecipeDatabasePresent || !m_coordinator || !m_currentStore)
        return;
    const QString path = m_coordinator->URLForPersistentStore(m_currentStore);
    forgetStoreObjects();
    Error error;
    if (!m_coordinator->removePersistentStore(m_currentStore, &error)) {
        if (!error.isNull())
            presentError(error);
        return;
    }
    m_currentStore = nullptr;
    m_searchEngine->refetchSearchCache();
    // The journal files go with the store, so that no half of it is left behind.
    for (const QString& suffix : { QString(), QStringLiteral("-wal"), QStringLiteral("-shm") }) {
        QFile file(path + suffix);
        if (!file.exists() || file.moveToTrash() || file.remove())
            continue;
        presentError(Error { QStringLiteral("KitchoraErrorDomain"), 1,
            tr("The file “%1” could not be removed: %2").arg(file.fileName(), file.errorString()), {} });
    }
}
