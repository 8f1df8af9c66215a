#include "SampleLibraryBuilder.h"

#include "BaseMOAdditions.h"
#include "ConstantManager.h"
#include "EntityDescription.h"
#include "Log.h"
#include "ManagedObjectContext.h"
#include "ManagedObjectModel.h"
#include "ModelClasses.h"
#include "PersistentStore.h"
#include "PersistentStoreCoordinator.h"
#include "RecipeCollection.h"
#include "RecipeMO.h"
#include "SampleLibraryServices.h"
#include "UnitsEngine.h"
#include "VRCManagedObjectReader.h"

#include <QFile>
#include <QStringList>
#include <memory>

namespace
{

const QString errorDomain = QStringLiteral("SampleLibraryBuilder");

bool fail(Error* error, const QString& message)
{
    if (error)
        *error = Error { errorDomain, 1, message, {} };
    return false;
}

QStringList storeFiles(const QString& storePath)
{
    return { storePath, storePath + QStringLiteral("-wal"), storePath + QStringLiteral("-shm") };
}

bool removeStoreFiles(const QString& storePath, Error* error)
{
    for (const QString& file : storeFiles(storePath)) {
        if (QFile::exists(file) && !QFile::remove(file))
            return fail(error, QStringLiteral("Cannot remove the old file %1.").arg(file));
    }
    return true;
}

// What launch loads before the first card is read: the field constants and the units.
void loadLaunchData()
{
    registerModelClasses();
    ConstantManager& constants = ConstantManager::defaultManager();
    if (!constants.constantGroupForGroupKey(KRKitchenConstantGroup)) {
        ConstantManager::importRecipeViewingConstants();
        ConstantManager::importRecipeImportConstants();
    }
    UnitsEngine& units = UnitsEngine::defaultEngine();
    std::lock_guard<UnitsEngine> guard(units);
    if (units.units().isEmpty())
        units.loadUnits(QString());
}

// The library collection as the program's first run makes it.
ManagedObject* insertLibraryCollection(ManagedObjectContext* context)
{
    ManagedObject* object
        = EntityDescription::insertNewObjectForEntityForName(QStringLiteral("ManualCollection"), context);
    auto* library = dynamic_cast<RecipeCollection*>(object);
    if (!library)
        return nullptr;
    library->setName(QStringLiteral("Recipe Library"));
    library->setValueForKey(KRCollectionKindMainLibrary, QStringLiteral("kind"));
    library->setCollectionImageName(QStringLiteral("image_collection_library"));
    library->setIndex(0);
    library->setValueForKey(false, QStringLiteral("draggable"));
    return library;
}

// The entries named by the fields' placeholders, which a new library holds from the start.
bool insertPlaceholders(ManagedObjectContext* context, Error* error)
{
    QString entity;
    if (BaseMOAdditions::findOrCreatePlaceholderEntries(context, &entity))
        return true;
    return fail(error, QStringLiteral("Cannot make the placeholder %1.").arg(entity));
}

std::optional<int> build(const QString& cardFilePath, const QString& storePath, Error* error)
{
    loadLaunchData();
    QString modelError;
    const std::unique_ptr<ManagedObjectModel> model
        = ManagedObjectModel::modelWithContentsOfFile(QStringLiteral(":/Kitchora.model.json"), &modelError);
    if (!model) {
        fail(error, QStringLiteral("Cannot read the library model: %1").arg(modelError));
        return std::nullopt;
    }

    // Declared so that the context goes first, then the services that answer for it, then the
    // coordinator with the store.
    auto coordinator = std::make_unique<PersistentStoreCoordinator>(model.get());
    std::unique_ptr<SampleLibraryServices> services;
    auto context = std::make_unique<ManagedObjectContext>();
    PersistentStore* store = coordinator->addPersistentStoreWithType(
        PersistentStoreCoordinator::SQLiteStoreType, QString(), storePath, {}, error);
    if (!store)
        return std::nullopt;
    context->setPersistentStoreCoordinator(coordinator.get());
    services = std::make_unique<SampleLibraryServices>(context.get());

    Log::Capture log;
    ManagedObject* library = insertLibraryCollection(context.get());
    if (!library) {
        fail(error, QStringLiteral("The library model has no manual collection."));
        return std::nullopt;
    }
    services->setLibraryCollection(library);
    if (!insertPlaceholders(context.get(), error))
        return std::nullopt;

    VRCManagedObjectReader reader;
    if (!reader.initWithContentsOfFile(cardFilePath)) {
        fail(error, QStringLiteral("Cannot read the card file %1.").arg(cardFilePath));
        return std::nullopt;
    }
    const QList<RecipeMO*> recipes = reader.setOfManagedObjectsInContext(context.get());
    if (recipes.isEmpty()) {
        fail(error, QStringLiteral("The card file %1 holds no recipe.").arg(cardFilePath));
        return std::nullopt;
    }
    if (!context->save(error))
        return std::nullopt;
    if (!log.lines().isEmpty()) {
        fail(error, QStringLiteral("Reading %1 went wrong:\n%2").arg(cardFilePath, log.lines().join(u'\n')));
        return std::nullopt;
    }
    if (!services->presentedErrors().isEmpty()) {
        fail(error, services->presentedErrors().first().localizedDescription);
        return std::nullopt;
    }
    if (!store->checkpoint(error))
        return std::nullopt;
    const int count = int(recipes.size());
    context.reset();
    services.reset();
    coordinator.reset();

    for (const QString& companion : storeFiles(storePath).mid(1)) {
        if (QFile::exists(companion)) {
            fail(error, QStringLiteral("The store left %1 behind.").arg(companion));
            return std::nullopt;
        }
    }
    return count;
}

} // namespace

std::optional<int> SampleLibraryBuilder::buildLibrary(
    const QString& cardFilePath, const QString& storePath, Error* error)
{
    if (!removeStoreFiles(storePath, error))
        return std::nullopt;
    std::optional<int> count = build(cardFilePath, storePath, error);
    if (!count) {
        Error ignored;
        removeStoreFiles(storePath, &ignored);
    }
    return count;
}
