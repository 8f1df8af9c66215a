// The recipe model at library scale: 10,000 recipes with 10 ingredient lines, 6 directions and
// 2 notes each, made through the recipe's own list operations and saved (once at the end, or in
// batches); then the store reopened and every recipe's lists walked in order. Times per phase and
// the process's peak memory (peak_rss_MB is the process's high-water mark so far, so the second
// run's figure includes the first's).
#include "BaseMOAdditions.h"
#include "BenchServices.h"
#include "ConstantManager.h"
#include "EntityDescription.h"
#include "ManagedObjectContext.h"
#include "ManagedObjectModel.h"
#include "ModelClasses.h"
#include "PersistentStore.h"
#include "PersistentStoreCoordinator.h"
#include "RecipeMO.h"
#include "VirtualClock.h"

#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <chrono>
#include <memory>
#include <sys/resource.h>

namespace
{

constexpr int recipeCount = 10000;
constexpr int lineCount = 10;
constexpr int directionCount = 6;
constexpr int noteCount = 2;

double peakResidentMB()
{
    struct rusage usage {
    };
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_maxrss) / 1024.0; // kilobytes on Linux
}

// Fills the list of `className` to `count` items after the placeholder insert made, texts set.
void fillList(RecipeMO* recipe, const QString& className, const QString& key, const QString& textKey,
    int count, int recipeNumber)
{
    for (int i = 1; i < count; ++i)
        recipe->addInstanceOfClass(className, quint64(i + 1));
    for (ManagedObject* item : recipe->sortedItemsForKey(key)) {
        const int index = item->valueForKey(QStringLiteral("index")).toInt();
        item->setValueForKey(
            QStringLiteral("%1 %2 of recipe %3").arg(key).arg(index).arg(recipeNumber), textKey);
    }
}

void BM_InsertSaveReopenWalk(benchmark::State& state)
{
    registerModelClasses();
    useFirstRunDefaults();
    ConstantManager::importRecipeViewingConstants();
    ConstantManager::importRecipeImportConstants();
    auto model = ManagedObjectModel::modelWithContentsOfFile(QStringLiteral(":/Kitchora.model.json"));
    if (!model) {
        state.SkipWithError("no model");
        return;
    }
    // 0: one save at the end; otherwise a save after every `batch` recipes (counted in insert_ms).
    const int batch = int(state.range(0));
    for (auto _ : state) {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("Bench.recipedb"));
        VirtualClock clock; // the next run-loop pass is clock.advance(0)
        BenchServices services;
        KitchoraServices::setShared(&services);

        double insertMs = 0, saveMs = 0, walkMs = 0, fetchSetupMs = 0;
        qint64 walked = 0;
        {
            PersistentStoreCoordinator coordinator(model.get());
            coordinator.addPersistentStoreWithType(PersistentStoreCoordinator::SQLiteStoreType, {}, path);
            ManagedObjectContext context;
            context.setPersistentStoreCoordinator(&coordinator);
            services.context = &context;
            ManagedObject* library = EntityDescription::insertNewObjectForEntityForName(
                QStringLiteral("ManualCollection"), &context);
            library->setValueForKey(QStringLiteral("RBCollectionKindMainLibrary"), QStringLiteral("kind"));
            services.library = library;
            // The placeholder entries a library has from its first run: new ingredient lines
            // point at its Ingredient.
            BaseMOAdditions::findOrCreatePlaceholderEntries(&context);
            clock.advance(0);
            if (!context.save())
                state.SkipWithError("first-run save failed");

            auto start = std::chrono::steady_clock::now();
            for (int n = 0; n < recipeCount; ++n) {
                auto* recipe = dynamic_cast<RecipeMO*>(
                    EntityDescription::insertNewObjectForEntityForName(QStringLiteral("Recipe"), &context));
                recipe->setValueForKey(QStringLiteral("Recipe %1").arg(n), QStringLiteral("name"));
                recipe->setValueForKey(QStringLiteral("Category %1").arg(n % 20), QStringLiteral("category"));
                fillList(recipe, QStringLiteral("RecipeIngredientMO"), QStringLiteral("ingredients"),
                    QStringLiteral("displayString"), lineCount, n);
                fillList(recipe, QStringLiteral("DirectionMO"), QStringLiteral("directions"),
                    QStringLiteral("text"), directionCount, n);
                fillList(recipe, QStringLiteral("NoteMO"), QStringLiteral("notes"), QStringLiteral("text"),
                    noteCount, n);
                if (batch > 0 && (n + 1) % batch == 0) {
                    clock.advance(0);
                    if (!context.save())
                        state.SkipWithError("save failed");
                }
            }
            clock.advance(0); // deferred default set-up: every recipe joins the library
            insertMs = msSince(start);

            start = std::chrono::steady_clock::now();
            if (!context.save())
                state.SkipWithError("save failed");
            saveMs = msSince(start);
            services.context = nullptr;
            services.library = nullptr;
        }
        state.counters["peak_rss_after_save_MB"] = peakResidentMB();
        {
            auto start = std::chrono::steady_clock::now();
            PersistentStoreCoordinator coordinator(model.get());
            coordinator.addPersistentStoreWithType(PersistentStoreCoordinator::SQLiteStoreType, {}, path);
            ManagedObjectContext context;
            context.setPersistentStoreCoordinator(&coordinator);
            services.context = &context;
            auto recipes = context.executeFetchRequest(
                FetchRequest::fetchRequestWithEntityName(QStringLiteral("Recipe")));
            if (!recipes || recipes->size() != recipeCount)
                state.SkipWithError("reopen fetch failed");
            for (ManagedObject* object : recipes ? *recipes : QList<ManagedObject*>()) {
                auto* recipe = static_cast<RecipeMO*>(object);
                for (const QString& key : { QStringLiteral("ingredients"), QStringLiteral("directions"),
                         QStringLiteral("notes") }) {
                    const QString textKey = key == QLatin1String("ingredients")
                        ? QStringLiteral("displayString")
                        : QStringLiteral("text");
                    for (ManagedObject* item : recipe->sortedItemsForKey(key)) {
                        benchmark::DoNotOptimize(item->valueForKey(textKey));
                        ++walked;
                    }
                }
            }
            walkMs = msSince(start);

            start = std::chrono::steady_clock::now();
            clock.advance(0); // deferred fetch set-up of every fetched recipe
            fetchSetupMs = msSince(start);
            services.context = nullptr;
        }
        KitchoraServices::setShared(nullptr);

        state.counters["insert_ms"] = insertMs;
        state.counters["save_ms"] = saveMs;
        state.counters["reopen_walk_ms"] = walkMs;
        state.counters["fetch_setup_ms"] = fetchSetupMs;
        state.counters["items_walked"] = double(walked);
        state.counters["peak_rss_MB"] = peakResidentMB();
    }
}
BENCHMARK(BM_InsertSaveReopenWalk)->Arg(0)->Arg(500)->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
