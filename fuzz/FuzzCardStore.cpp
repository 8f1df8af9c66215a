#include "FuzzCardStore.h"

#include "FuzzSupport.h"
#include "IngredientTrie.h"
#include "Log.h"
#include "ManagedObjectContext.h"
#include "ManagedObjectModel.h"
#include "ModelClasses.h"
#include "PersistentStoreCoordinator.h"
#include "RecipeMO.h"
#include "UnitsEngine.h"
#include "VRCManagedObjectReader.h"
#include "VRCManagedObjectWriter.h"

#include <QTemporaryDir>
#include <cstdio>
#include <memory>

using FuzzSupport::require;

namespace
{

// Inputs a store file takes before a fresh one replaces it, so it and its context stay small.
constexpr int inputsPerStore = 500;

// One context on a store file for many inputs: filling a context's ingredient trie from the
// store costs far more than a read, so the context lives until the store is replaced.
struct Store {
    Store()
        : dir(FuzzSupport::scratchFolderTemplate())
        , coordinator(&FuzzSupport::libraryModel())
    {
        require(dir.isValid());
        FuzzSupport::removeAtExit(dir.path());
        Error error;
        require(coordinator.addPersistentStoreWithType(PersistentStoreCoordinator::SQLiteStoreType, QString(),
                    dir.filePath(QStringLiteral("Kitchora.recipedb")), {}, &error)
            != nullptr);
        context.setPersistentStoreCoordinator(&coordinator);
    }
    ~Store() { IngredientTrie::removeIngredientTrieForContext(&context); }

    QTemporaryDir dir;
    PersistentStoreCoordinator coordinator;
    ManagedObjectContext context;
    int inputs = 0;
};

std::unique_ptr<Store>& currentStore()
{
    static auto* instance = new std::unique_ptr<Store>;
    return *instance;
}

// False when the save fails; it must say why.
bool saved(ManagedObjectContext& context)
{
    Error error;
    if (context.save(&error))
        return true;
    require(!error.isNull());
    return false;
}

QList<ManagedObject*> liveRecipes(const QList<RecipeMO*>& recipes)
{
    QList<ManagedObject*> objects;
    for (RecipeMO* recipe : recipes) {
        if (!recipe->isDeleted())
            objects.append(recipe);
    }
    return objects;
}

// Reads, saves, writes the recipes back as cards, reads and saves those; false when a save
// failed, which leaves the context with unsaved changes.
bool readWriteAndReadAgain(ManagedObjectContext& context, const QString& text)
{
    const QList<ManagedObject*> recipes
        = liveRecipes(VRCManagedObjectReader(text).setOfManagedObjectsInContext(&context));
    if (!saved(context))
        return false;
    const QStringList cards = VRCManagedObjectWriter().stringsFromRecipeManagedObjects(recipes);
    require(cards.size() == recipes.size());
    const QList<ManagedObject*> again
        = liveRecipes(VRCManagedObjectReader(cards.join(QString())).setOfManagedObjectsInContext(&context));
    if (again.size() != recipes.size())
        std::fprintf(stderr, "%lld recipes read, %lld read back from:\n%s\n",
            static_cast<long long>(recipes.size()), static_cast<long long>(again.size()),
            qUtf8Printable(cards.join(QString())));
    require(again.size() == recipes.size());
    if (!saved(context))
        return false;
    // The recipes go again, so the context holds little more than the vocabulary.
    for (ManagedObject* recipe : recipes + again)
        context.deleteObject(recipe);
    return saved(context);
}

} // namespace

void fuzzCardStore(const uint8_t* data, size_t size)
{
    FuzzSupport::ensureApplication();
    Log::Capture quiet;
    if (UnitsEngine::defaultEngine().units().isEmpty())
        UnitsEngine::defaultEngine().loadUnits(QString());
    std::unique_ptr<Store>& store = currentStore();
    if (!store || store->inputs >= inputsPerStore) {
        store.reset();
        store = std::make_unique<Store>();
    }
    ++store->inputs;

    // Card files reach the reader as UTF-8 (its decoding has a test of its own).
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    // After a failed save the next input starts on a fresh store.
    if (!readWriteAndReadAgain(store->context, text))
        store.reset();
}
