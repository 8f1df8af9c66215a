// The search engine's local search on a library of 100,000 recipes, each with 10 ingredient lines
// whose ingredients, and the two halves of whose names, are drawn from the 5,000 ingredient names
// of data/ingredient-names.txt. The library starts as the program's first run leaves it (library
// collection, placeholder entries), is filled through the recipe model and saved, then opened in a
// fresh context as the program opens it. Each timing runs from the engine's search call to the
// ranked local list:
//   ingredient   one ingredient name ("garlic"): the recipes with a line of it, or with it in name
//   name         one word of recipe names ("chicken")
//   combined     three terms that must all hold ("chicken", "garlic", "onion")
// cold: each search in a fresh context on the store (nothing read yet); warm: the same search again
// in the context the cold one read into. *_ms is the time that passed, *_cpu_ms this thread's
// processor time (SQLite runs on it too), which stays put while the machine is busy.
#include "BaseMOAdditions.h"
#include "BenchServices.h"
#include "ConstantManager.h"
#include "EntityDescription.h"
#include "ManagedObjectContext.h"
#include "ManagedObjectModel.h"
#include "ModelClasses.h"
#include "PersistentStore.h"
#include "PersistentStoreCoordinator.h"
#include "RecipeCollection.h"
#include "RecipeMO.h"
#include "SearchEngine.h"
#include "VirtualClock.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdio>
#include <malloc.h>
#include <random>
#include <time.h>

namespace
{

constexpr int recipeCount = 100000;
constexpr int linesPerRecipe = 10;
constexpr int batchSize = 10000;

QStringList ingredientNames()
{
    QFile file(QStringLiteral(KITCHORA_BENCH_DATA "/ingredient-names.txt"));
    QStringList names;
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return names;
    for (const QByteArray& line : file.readAll().split('\n')) {
        if (!line.trimmed().isEmpty())
            names.append(QString::fromUtf8(line.trimmed()));
    }
    return names;
}

ManagedObject* libraryIn(const std::optional<QList<ManagedObject*>>& collections)
{
    for (ManagedObject* collection : collections.value_or(QList<ManagedObject*>())) {
        if (static_cast<RecipeCollection*>(collection)->isLibrary())
            return collection;
    }
    return nullptr;
}

struct Library {
    std::unique_ptr<ManagedObjectModel> model;
    QTemporaryDir dir;
    QString path;
    bool ready = false;
};

// Made once per process.
Library& library()
{
    static Library* made = [] {
        auto* l = new Library;
        registerModelClasses();
        useFirstRunDefaults();
        ConstantManager::importRecipeViewingConstants();
        ConstantManager::importRecipeImportConstants();
        const QStringList names = ingredientNames();
        l->model = ManagedObjectModel::modelWithContentsOfFile(QStringLiteral(":/Kitchora.model.json"));
        if (!l->model || names.size() < 100)
            return l;
        // KITCHORA_BENCH_LIBRARY names a file to keep the library in between runs (made when missing).
        const QString kept = qEnvironmentVariable("KITCHORA_BENCH_LIBRARY");
        l->path = kept.isEmpty() ? l->dir.filePath(QStringLiteral("Bench.recipedb")) : kept;
        if (!kept.isEmpty() && QFile::exists(kept)) {
            l->ready = true;
            return l;
        }
        const auto start = std::chrono::steady_clock::now();
        VirtualClock clock;
        BenchServices services;
        KitchoraServices::setShared(&services);
        PersistentStoreCoordinator coordinator(l->model.get());
        coordinator.addPersistentStoreWithType(PersistentStoreCoordinator::SQLiteStoreType, {}, l->path);
        {
            // The first run: the library and the placeholder entries.
            ManagedObjectContext context;
            context.setPersistentStoreCoordinator(&coordinator);
            services.context = &context;
            ManagedObject* libraryCollection = EntityDescription::insertNewObjectForEntityForName(
                QStringLiteral("ManualCollection"), &context);
            libraryCollection->setValueForKey(KRCollectionKindMainLibrary, QStringLiteral("kind"));
            libraryCollection->setValueForKey(QStringLiteral("Recipe Library"), QStringLiteral("name"));
            BaseMOAdditions::findOrCreatePlaceholderEntries(&context);
            services.library = libraryCollection;
            SearchEngine makesTheCache; // as the program's first search does; saved at its quit
            for (const QString& name : names)
                EntityDescription::insertNewObjectForEntityForName(QStringLiteral("Ingredient"), &context)
                    ->setValueForKey(name, QStringLiteral("name"));
            clock.advance(0);
            if (!context.save())
                return l;
            services.context = nullptr;
            services.library = nullptr;
        }
        std::mt19937 random(11);
        auto pick = [&] { return qsizetype(random() % quint32(names.size())); };
        for (int first = 0; first < recipeCount; first += batchSize) {
            // A context per batch, so the made objects are let go of as the program would.
            ManagedObjectContext context;
            context.setPersistentStoreCoordinator(&coordinator);
            services.context = &context;
            const auto collections = context.executeFetchRequest(
                FetchRequest::fetchRequestWithEntityName(QStringLiteral("RecipeCollection")));
            services.library = libraryIn(collections);
            const auto fetched = context.executeFetchRequest(
                FetchRequest::fetchRequestWithEntityName(QStringLiteral("Ingredient")));
            QHash<QString, ManagedObject*> byName;
            for (ManagedObject* ingredient : fetched.value_or(QList<ManagedObject*>()))
                byName.insert(ingredient->valueForKey(QStringLiteral("name")).toString(), ingredient);
            for (int n = first; n < first + batchSize; ++n) {
                // As the program makes one: with its placeholder items, the ingredient placeholder
                // becoming the first line.
                auto* recipe = static_cast<RecipeMO*>(
                    EntityDescription::insertNewObjectForEntityForName(QStringLiteral("Recipe"), &context));
                recipe->setValueForKey(QStringLiteral("%1 with %2").arg(names.at(pick()), names.at(pick())),
                    QStringLiteral("name"));
                recipe->setValueForKey(int(n % 6), QStringLiteral("rating"));
                QList<qsizetype> chosen;
                while (chosen.size() < linesPerRecipe) {
                    const qsizetype i = pick();
                    if (!chosen.contains(i))
                        chosen.append(i);
                }
                ManagedObject* line = recipe->objectsForKey(QStringLiteral("ingredients")).value(0);
                for (int index = 1; index <= linesPerRecipe; ++index) {
                    if (!line)
                        line = EntityDescription::insertNewObjectForEntityForName(
                            QStringLiteral("RecipeIngredient"), &context);
                    const QString& name = names.at(chosen.at(index - 1));
                    line->setValueForKey(
                        QVariant::fromValue(byName.value(name)), QStringLiteral("baseIngredient"));
                    line->setValueForKey(name, QStringLiteral("displayString"));
                    line->setValueForKey(index, QStringLiteral("index"));
                    line->setValueForKey(
                        QVariant::fromValue<ManagedObject*>(recipe), QStringLiteral("recipe"));
                    line = nullptr;
                }
            }
            clock.advance(0); // the deferred set-up: each recipe joins the library
            if (!context.save())
                return l;
            services.context = nullptr;
            services.library = nullptr;
        }
        coordinator.persistentStores().value(0)->checkpoint();
        KitchoraServices::setShared(nullptr);
        malloc_trim(0);
        std::fprintf(stderr, "generated %d recipes in %.1f s\n", recipeCount,
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        l->ready = true;
        return l;
    }();
    return *made;
}

// This thread's processor time: the figure that stays put while the machine is busy.
double cpuMs()
{
    timespec now {};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1000.0 + double(now.tv_nsec) / 1e6;
}

const QList<QStringList>& searches()
{
    static const QList<QStringList> list { { QStringLiteral("garlic") }, { QStringLiteral("chicken") },
        { QStringLiteral("chicken"), QStringLiteral("garlic"), QStringLiteral("onion") } };
    return list;
}

void BM_Search(benchmark::State& state)
{
    Library& l = library();
    if (!l.ready) {
        state.SkipWithError("library not made");
        return;
    }
    SearchTermList terms;
    for (const QString& text : searches().at(state.range(0)))
        terms.append(SearchTerm::searchTermWithSearchString(text, false));
    double coldMs = 0;
    double warmMs = 0;
    double coldCpuMs = 0;
    double warmCpuMs = 0;
    double unsavedMs = 0;
    qint64 results = 0;
    for (auto _ : state) {
        VirtualClock clock;
        BenchServices services;
        KitchoraServices::setShared(&services);
        {
            PersistentStoreCoordinator coordinator(l.model.get());
            coordinator.addPersistentStoreWithType(PersistentStoreCoordinator::SQLiteStoreType, {}, l.path);
            ManagedObjectContext context;
            context.setPersistentStoreCoordinator(&coordinator);
            services.context = &context;
            const auto collections = context.executeFetchRequest(
                FetchRequest::fetchRequestWithEntityName(QStringLiteral("RecipeCollection")));
            services.library = libraryIn(collections);
            SearchEngine engine;
            auto start = std::chrono::steady_clock::now();
            double cpu = cpuMs();
            engine.search(terms);
            coldMs += msSince(start);
            coldCpuMs += cpuMs() - cpu;
            start = std::chrono::steady_clock::now();
            cpu = cpuMs();
            engine.search(terms);
            warmMs += msSince(start);
            warmCpuMs += cpuMs() - cpu;
            results = engine.localResultsDataSourceArray().size();
            // A web result arriving leaves the context with an unsaved recipe.
            EntityDescription::insertNewObjectForEntityForName(QStringLiteral("Recipe"), &context)
                ->setValueForKey(QStringLiteral("Chicken with garlic"), QStringLiteral("name"));
            start = std::chrono::steady_clock::now();
            engine.search(terms);
            unsavedMs += msSince(start);
            context.rollback();
            services.context = nullptr;
            services.library = nullptr;
        }
        KitchoraServices::setShared(nullptr);
    }
    state.counters["cold_ms"] = coldMs / double(state.iterations());
    state.counters["warm_ms"] = warmMs / double(state.iterations());
    state.counters["cold_cpu_ms"] = coldCpuMs / double(state.iterations());
    state.counters["warm_cpu_ms"] = warmCpuMs / double(state.iterations());
    state.counters["unsaved_ms"] = unsavedMs / double(state.iterations());
    state.counters["results"] = double(results);
}

} // namespace

BENCHMARK(BM_Search)
    ->Arg(0)
    ->Arg(1)
    ->Arg(2)
    ->ArgNames({ "search" })
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5);

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
