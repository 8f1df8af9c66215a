// Recipes to their property lists and back: 10,000 recipes with 10 ingredient lines, 6
// directions and 2 notes each become property lists (with their card text), and each list
// becomes a new recipe again. Times per direction.
#include "BenchServices.h"
#include "ConstantManager.h"
#include "EntityDescription.h"
#include "ManagedObjectContext.h"
#include "ManagedObjectModel.h"
#include "ModelClasses.h"
#include "PersistentStoreCoordinator.h"
#include "QLMPlistToAndFromRecipeMO.h"
#include "RecipeMO.h"
#include "VirtualClock.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace
{

constexpr int recipeCount = 10000;

void fillList(
    RecipeMO* recipe, const QString& className, const QString& key, const QString& textKey, int count, int n)
{
    for (int i = 1; i < count; ++i)
        recipe->addInstanceOfClass(className, quint64(i + 1));
    for (ManagedObject* item : recipe->sortedItemsForKey(key)) {
        const int index = item->valueForKey(QStringLiteral("index")).toInt();
        item->setValueForKey(QStringLiteral("%1 %2 of recipe %3").arg(key).arg(index).arg(n), textKey);
    }
}

void BM_PlistRoundTrip(benchmark::State& state)
{
    registerModelClasses();
    ConstantManager::importRecipeViewingConstants();
    ConstantManager::importRecipeImportConstants();
    auto model = ManagedObjectModel::modelWithContentsOfFile(QStringLiteral(":/Kitchora.model.json"));
    if (!model) {
        state.SkipWithError("no model");
        return;
    }
    for (auto _ : state) {
        QTemporaryDir dir;
        VirtualClock clock;
        BenchServices services;
        KitchoraServices::setShared(&services);
        PersistentStoreCoordinator coordinator(model.get());
        coordinator.addPersistentStoreWithType(
            PersistentStoreCoordinator::SQLiteStoreType, {}, dir.filePath(QStringLiteral("Bench.recipedb")));
        ManagedObjectContext context;
        context.setPersistentStoreCoordinator(&coordinator);
        services.context = &context;
        ManagedObject* library = EntityDescription::insertNewObjectForEntityForName(
            QStringLiteral("ManualCollection"), &context);
        library->setValueForKey(QStringLiteral("RBCollectionKindMainLibrary"), QStringLiteral("kind"));
        services.library = library;

        QList<RecipeMO*> recipes;
        for (int n = 0; n < recipeCount; ++n) {
            auto* recipe = dynamic_cast<RecipeMO*>(
                EntityDescription::insertNewObjectForEntityForName(QStringLiteral("Recipe"), &context));
            recipe->setValueForKey(QStringLiteral("Recipe %1").arg(n), QStringLiteral("name"));
            recipe->setValueForKey(QStringLiteral("Category %1").arg(n % 20), QStringLiteral("category"));
            recipe->setValueForKey(n + 1, QStringLiteral("onlineID"));
            fillList(recipe, QStringLiteral("RecipeIngredientMO"), QStringLiteral("ingredients"),
                QStringLiteral("displayString"), 10, n);
            fillList(recipe, QStringLiteral("DirectionMO"), QStringLiteral("directions"),
                QStringLiteral("text"), 6, n);
            fillList(recipe, QStringLiteral("NoteMO"), QStringLiteral("notes"), QStringLiteral("text"), 2, n);
            recipes.append(recipe);
        }
        clock.advance(0);

        auto start = std::chrono::steady_clock::now();
        QList<QVariantMap> plists;
        for (RecipeMO* recipe : recipes)
            plists.append(QLMPlistToAndFromRecipeMO::plistFromRecipeMO(recipe).value_or(QVariantMap()));
        const double toPlistMs = msSince(start);

        start = std::chrono::steady_clock::now();
        int made = 0;
        for (const QVariantMap& plist : plists)
            made += QLMPlistToAndFromRecipeMO::recipeManagedObjectFromPlist(plist) ? 1 : 0;
        const double fromPlistMs = msSince(start);
        if (made != recipeCount)
            state.SkipWithError("not every property list made a recipe");
        state.counters["to_plist_ms"] = toPlistMs;
        state.counters["from_plist_ms"] = fromPlistMs;
        state.counters["recipes"] = recipeCount;
        services.context = nullptr;
        KitchoraServices::setShared(nullptr);
    }
}

} // namespace

BENCHMARK(BM_PlistRoundTrip)->Unit(benchmark::kMillisecond)->Iterations(1);

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
