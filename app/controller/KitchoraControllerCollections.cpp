// First run, the sample library, and the built-in collections every library has.

#include "BaseMOAdditions.h"
#include "Completions.h"
#include "ConstantManager.h"
#include "EntityDescription.h"
#include "ImageMO.h"
#include "IngredientMO.h"
#include "IngredientTrie.h"
#include "KitchoraController.h"
#include "Log.h"
#include "MainWindowAccess.h"
#include "ManagedObjectContext.h"
#include "ManagedObjectModel.h"
#include "PersistentStoreCoordinator.h"
#include "Presenter.h"
#include "RecipeCollection.h"
#include "RecipeMO.h"
#include "SmartCollection.h"
#include "UserDefaults.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPointer>
#include <QTemporaryDir>
#include <algorithm>

// One built-in collection: how it is found, and what it is given when made.
struct KitchoraController::BuiltInCollection {
    QString entity; // made as
    QString fetchTemplate; // found by this template, or by kind when empty
    QString name;
    QString kind;
    QString imageName;
    int index;
    QString logName;
};

namespace
{

QString errorSuffix(const Error& error)
{
    return error.isNull() ? QString() : QStringLiteral(": ") + error.localizedDescription;
}

Error fileError(const QString& message)
{
    return Error { QStringLiteral("KitchoraErrorDomain"), 1, message, {} };
}

// A store is its file and SQLite's journal files beside it.
const QStringList kStoreFileSuffixes { QString(), QStringLiteral("-wal"), QStringLiteral("-shm") };

bool removeStoreFiles(const QString& path, Error* error)
{
    for (const QString& suffix : kStoreFileSuffixes) {
        QFile file(path + suffix);
        if (file.exists() && !file.remove()) {
            *error = fileError(file.errorString());
            return false;
        }
    }
    return true;
}

// Copies the store file and whichever journal files it has; `to` must hold no store yet.
bool copyStoreFiles(const QString& from, const QString& to, Error* error)
{
    for (const QString& suffix : kStoreFileSuffixes) {
        QFile file(from + suffix);
        if (!file.exists()) {
            if (suffix.isEmpty()) {
                *error = fileError(
                    QCoreApplication::translate("KitchoraController", "The file “%1” doesn’t exist.")
                        .arg(from));
                return false;
            }
            continue;
        }
        if (!file.copy(to + suffix)) {
            *error = fileError(file.errorString());
            return false;
        }
    }
    return true;
}

bool isInUse(const ManagedObject* ingredient)
{
    for (const QString& key : { QStringLiteral("recipeIngredients"), QStringLiteral("substitutes"),
             QStringLiteral("ingredientIsSubstituteFor") }) {
        const QList<ManagedObject*> users = ingredient->objectsForKey(key);
        if (std::any_of(users.begin(), users.end(), [](ManagedObject* user) { return !user->isDeleted(); }))
            return true;
    }
    return false;
}

} // namespace

// --- first run ---

void KitchoraController::firstRun()
{
    Log::log(QStringLiteral("Doing first run setup"));
    UserDefaults& defaults = UserDefaults::standardUserDefaults();
    defaults.setBool(true, KRAutoShareRecipes);
    defaults.setFloat(128.0f, RVImageViewSize);
    defaults.setBool(true, KRIngredientTrieLookups);
    defaults.setBool(true, KRThreadedSearching);
    defaults.setInteger(30, KRSavedImportsCount);
    defaults.setBool(true, KRShowFullScreenDialog);
    defaults.setBool(true, KRConfirmsRecipeDelete);
    defaults.setBool(true, KRConfirmsCollectionDelete);
    defaults.setBool(true, KRConfirmsGroceryListDelete);
    defaults.setBool(true, SUEnableAutomaticChecks);
    if (m_window)
        m_window->centerWindow();
    if (!m_noRecipeDatabasePresent)
        finishFirstRunSetup();
    else
        m_setupSheetPending = true;
}

void KitchoraController::showSetupSheet()
{
    // Shown once: whatever the answer, the question is settled.
    m_setupSheetPending = false;
    if (m_presenter.chooseStartingLibrary() == Presenter::LibraryChoice::Sample)
        openDemoLibrary();
    finishFirstRunSetup();
}

void KitchoraController::finishFirstRunSetup()
{
    UserDefaults& defaults = UserDefaults::standardUserDefaults();
    defaults.setBool(true, KRCompletedSetup);
    defaults.synchronize();
}

// --- the sample library ---

QString KitchoraController::defaultSampleLibraryPath()
{
    const QString name = QStringLiteral("DefaultDatabase.recipedb");
    const QString resource = QStringLiteral(":/") + name;
    if (QFileInfo::exists(resource))
        return resource;
    return QDir(QCoreApplication::applicationDirPath()).filePath(name);
}

bool KitchoraController::installSampleLibraryFiles(
    const QString& store, const QString& sample, QString* backupFolder)
{
    Error error;
    if (QFileInfo::exists(store)) {
        // A folder of our own, so that a backup some earlier run left behind cannot get in the way.
        QTemporaryDir backup(
            QDir(QDir::tempPath()).filePath(QFileInfo(store).fileName() + QStringLiteral("-XXXXXX")));
        backup.setAutoRemove(false);
        const QString backupStore = QDir(backup.path()).filePath(QFileInfo(store).fileName());
        if (!backup.isValid() || !copyStoreFiles(store, backupStore, &error)) {
            if (backup.isValid())
                QDir(backup.path()).removeRecursively();
            Log::logf(QStringLiteral("unable to move old recipe database out of the way%1%2."),
                error.isNull() ? QString() : QStringLiteral(": "), error.localizedDescription);
            return false;
        }
        *backupFolder = backup.path();
        if (!removeStoreFiles(store, &error)) {
            Log::logf(QStringLiteral("unable to remove old recipe database%1%2."), QStringLiteral(": "),
                error.localizedDescription);
        } else {
            // QFile::copy of a resource leaves the copy read-only; the store must be writable.
            if (copyStoreFiles(sample, store, &error)
                && QFile::setPermissions(
                    store, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser))
                return true;
            Log::logf(
                QStringLiteral("unable to copy default recipe database to application support folder%1%2."),
                QStringLiteral(": "), error.localizedDescription);
        }
        // Put the user's store back as it was.
        Error restoreError;
        if (!removeStoreFiles(store, &restoreError) || !copyStoreFiles(backupStore, store, &restoreError)) {
            Log::logf(QStringLiteral("unable to restore the recipe database, a copy is kept in %1%2"),
                *backupFolder, errorSuffix(restoreError));
            backupFolder->clear(); // never removed while it is the only copy
        }
        return false;
    }
    if (!copyStoreFiles(sample, store, &error)) {
        Log::logf(QStringLiteral("unable to copy default recipe database to application support folder%1%2."),
            QStringLiteral(": "), error.localizedDescription);
        return false;
    }
    QFile::setPermissions(store, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser);
    return true;
}

void KitchoraController::openDemoLibrary()
{
    ManagedObjectContext* context = managedObjectContext();
    if (!context)
        return;
    removeDevicesFolder();

    if (m_currentStore) {
        Error error;
        forgetStoreObjects();
        if (!m_coordinator->removePersistentStore(m_currentStore, &error)) {
            // Never copy over a store that is still open.
            presentError(error);
            return;
        }
        m_currentStore = nullptr;
    }

    const QString store = storePath();
    const QString sample
        = m_environment.sampleLibraryPath ? m_environment.sampleLibraryPath() : defaultSampleLibraryPath();
    QString backupFolder;
    const bool installed = installSampleLibraryFiles(store, sample, &backupFolder);

    Error storeError;
    if (!addStoreAtPath(store, &storeError) && installed && !backupFolder.isEmpty()) {
        // The sample copied but does not open: the user's store comes back.
        Log::logf(QStringLiteral("unable to open the default recipe database%1"), errorSuffix(storeError));
        const QString backupStore = QDir(backupFolder).filePath(QFileInfo(store).fileName());
        Error restoreError;
        if (removeStoreFiles(store, &restoreError) && copyStoreFiles(backupStore, store, &restoreError)) {
            addStoreAtPath(store, nullptr);
        } else {
            Log::logf(QStringLiteral("unable to restore the recipe database, a copy is kept in %1%2"),
                backupFolder, errorSuffix(restoreError));
            backupFolder.clear();
        }
    }

    if (!backupFolder.isEmpty() && !QDir(backupFolder).removeRecursively())
        Log::logf(QStringLiteral("error removing temporary copy of recipe library%1%2."),
            QStringLiteral(": "), backupFolder);

    m_searchEngine->refetchSearchCache();
    Completions::rebuildCompletions();
    IngredientTrie::rebuildIngredientTries();

    setupLibrary();
    setupImportedCollection();
    setupRecentlyCookedCollection();
    setupDevicesFolder();
    setupPlaceholders();
    m_collectionsController->fetchRecipesFromDropbox();
    m_groceryListController->fetchGroceryListsFromDropbox();
    m_groceryListController->fetchGroceryListCollection();
    verifyCollectionIndexes();

    if (!storeError.isNull())
        presentError(storeError);
}

// --- built-in collections ---

std::optional<QList<ManagedObject*>> KitchoraController::fetchTemplate(const QString& name, Error* error)
{
    ManagedObjectContext* context = managedObjectContext();
    const ManagedObjectModel* model = managedObjectModel();
    if (!context || !model)
        return QList<ManagedObject*>();
    const std::optional<FetchRequest> request = model->fetchRequestTemplateForName(name);
    if (!request) {
        *error = fileError(QStringLiteral("The object model has no fetch request “%1”.").arg(name));
        return std::nullopt;
    }
    return context->executeFetchRequest(*request, error);
}

ManagedObject* KitchoraController::setupBuiltInCollection(const BuiltInCollection& builtIn)
{
    ManagedObjectContext* context = managedObjectContext();
    if (!context)
        return nullptr;
    Error error;
    std::optional<QList<ManagedObject*>> found;
    if (!builtIn.fetchTemplate.isEmpty()) {
        found = fetchTemplate(builtIn.fetchTemplate, &error);
    } else {
        FetchRequest request = FetchRequest::fetchRequestWithEntityName(QStringLiteral("RecipeCollection"));
        request.setPredicate(*Predicate::predicateWithFormat(QStringLiteral("kind == %@"), { builtIn.kind }));
        found = context->executeFetchRequest(request, &error);
    }
    if (!found) {
        if (!error.isNull())
            presentError(error);
        return nullptr;
    }
    if (found->size() >= 2)
        Log::log(builtIn.logName + QStringLiteral(": multiple results\n"));

    RecipeCollection* collection = nullptr;
    if (!found->isEmpty()) {
        collection = dynamic_cast<RecipeCollection*>(found->first());
    } else {
        collection = dynamic_cast<RecipeCollection*>(
            EntityDescription::insertNewObjectForEntityForName(builtIn.entity, context));
        if (collection) {
            collection->setName(builtIn.name);
            collection->setValueForKey(builtIn.kind, QStringLiteral("kind"));
        }
    }
    if (!collection)
        return nullptr;
    collection->setCollectionImageName(builtIn.imageName);
    collection->setIndex(builtIn.index);
    collection->setValueForKey(false, QStringLiteral("draggable"));
    return collection;
}

void KitchoraController::setupLibrary()
{
    m_libraryCollection = setupBuiltInCollection({ QStringLiteral("ManualCollection"),
        QStringLiteral("fetchLibrary"), tr("Recipe Library"), KRCollectionKindMainLibrary,
        QStringLiteral("image_collection_library"), 0, QStringLiteral("setupLibrary") });
    auto* library = dynamic_cast<RecipeCollection*>(m_libraryCollection);
    if (library && library->name() == tr("Recently Cooked"))
        library->setName(tr("Recipe Library"));
}

void KitchoraController::setupImportedCollection()
{
    // With several found, the first is taken like the other built-ins, so imports keep a home.
    m_importedCollection = setupBuiltInCollection(
        { QStringLiteral("ManualCollection"), QStringLiteral("fetchImportedCollection"),
            tr("Recent Imports") + QChar(0x2026), KRCollectionKindImportedCollection,
            QStringLiteral("image_collection_import"), 2, QStringLiteral("setupImportedCollection") });
}

QDateTime KitchoraController::date30DaysAgo()
{
    return QDateTime::currentDateTime().addDays(-30);
}

void KitchoraController::setupRecentlyCookedCollection()
{
    // Found by its kind: a user collection that bears the same name stays the user's.
    m_recentlyCookedCollection = nullptr;
    m_recentlyCookedCollection = setupBuiltInCollection({ QStringLiteral("SmartCollection"), QString(),
        tr("Recently Cooked"), KRCollectionKindRecentlyCookedCollection,
        QStringLiteral("image_collection_cooked"), 2, QStringLiteral("setupRecentlyCookedCollection") });
    if (auto* smart = dynamic_cast<SmartCollection*>(m_recentlyCookedCollection)) {
        smart->setPredicate(
            Predicate::predicateWithFormat(QStringLiteral("dateCooked > %@ AND ANY collections.kind != %@"),
                { date30DaysAgo(), KRCollectionKindSearchCache }));
    }
}

void KitchoraController::setupDevicesFolder()
{
    if (!m_dropbox->isLinked()
        && !UserDefaults::standardUserDefaults().boolForKey(QLMKitchoraDropboxSharingEnabledKey)) {
        removeDevicesFolder();
        return;
    }
    m_devicesFolder = setupBuiltInCollection({ QStringLiteral("Folder"), QStringLiteral("fetchDevicesFolder"),
        tr("Devices"), KRCollectionKindDevicesFolder, QStringLiteral("image_collection_devices"), 5,
        QStringLiteral("setupDevicesFolder") });
    if (!m_devicesFolder)
        return;
    QPointer<KitchoraController> self(this);
    m_dropbox->readArrayOfDevicePlists([self](const QList<QLMKitchoraDevice>& devices) {
        if (self)
            self->m_collectionsController->updateDeviceCollectionsWithDeviceArray(devices);
    });
}

void KitchoraController::removeDevicesFolder()
{
    ManagedObjectContext* context = managedObjectContext();
    m_devicesFolder = nullptr;
    if (!context)
        return;
    Error error;
    const std::optional<QList<ManagedObject*>> folders
        = fetchTemplate(QStringLiteral("fetchDevicesFolder"), &error);
    if (!folders) {
        presentError(error);
        return;
    }
    if (folders->size() >= 2)
        Log::log(QStringLiteral("removeDevicesFolder: multiple results\n"));
    for (ManagedObject* folder : *folders)
        context->deleteObject(folder);
    const std::optional<QList<ManagedObject*>> devices = context->executeFetchRequest(
        FetchRequest::fetchRequestWithEntityName(QStringLiteral("DeviceCollection")), &error);
    if (!devices) {
        presentError(error);
        return;
    }
    for (ManagedObject* device : *devices)
        context->deleteObject(device);
}

// --- placeholders, long ingredients, indexes ---

void KitchoraController::setupPlaceholders()
{
    ManagedObjectContext* context = managedObjectContext();
    if (!context)
        return;
    BaseMOAdditions::findOrCreatePlaceholderEntries(context);
    const QString userFile = QDir(applicationSupportFolder()).filePath(QStringLiteral("substitutions.plist"));
    readSubstitutionsFromFile(
        QFileInfo::exists(userFile) ? userFile : QStringLiteral(":/substitutions.plist"));
}

void KitchoraController::cleanUpLongIngredients()
{
    ManagedObjectContext* context = managedObjectContext();
    if (!context)
        return;
    Error error;
    std::optional<QList<ManagedObject*>> ingredients = context->executeFetchRequest(
        FetchRequest::fetchRequestWithEntityName(QStringLiteral("Ingredient")), &error);
    if (!ingredients) {
        Log::logf(QStringLiteral("No fetched ingredients in [%1 %2]: %3"),
            QStringLiteral("KitchoraController"), QStringLiteral("cleanUpLongIngredients"),
            error.localizedDescription);
        return;
    }
    QList<IngredientMO*> longest;
    for (ManagedObject* object : *ingredients) {
        auto* ingredient = dynamic_cast<IngredientMO*>(object);
        if (ingredient && ingredient->length() >= kLongIngredientLength)
            longest.append(ingredient);
    }
    for (IngredientMO* ingredient : longest) {
        // The store refuses to delete an ingredient that recipe lines or substitutions still use;
        // such a name stays rather than the lines losing their ingredient.
        if (isInUse(ingredient)) {
            Log::logf(QStringLiteral(
                          "cleanUpLongIngredients: kept an ingredient of %1 characters that is still in use"),
                ingredient->length());
            continue;
        }
        context->deleteObject(ingredient);
    }
}

void KitchoraController::verifyCollectionIndexes()
{
    ManagedObjectContext* context = managedObjectContext();
    if (!context)
        return;
    FetchRequest request = FetchRequest::fetchRequestWithEntityName(QStringLiteral("RecipeCollection"));
    request.setPredicate(*Predicate::predicateWithFormat(QStringLiteral("parent == NULL")));
    // In the order the user left them, so that renumbering keeps the drag order.
    request.setSortDescriptors({ SortDescriptor(QStringLiteral("index"), true) });
    Error error;
    const std::optional<QList<ManagedObject*>> collections = context->executeFetchRequest(request, &error);
    if (!collections) {
        presentError(error);
        return;
    }
    int index = 6;
    for (ManagedObject* object : *collections) {
        auto* collection = dynamic_cast<RecipeCollection*>(object);
        if (!collection || collection->isInvincible())
            continue;
        if (collection->index().toLongLong() != index)
            collection->setIndex(index);
        ++index;
    }
}
