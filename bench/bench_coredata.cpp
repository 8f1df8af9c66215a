// The object store on a generated library of 50,000 recipes, each with 10 ingredient lines and
// 5 directions: open and fetch all sorted by name (against the raw SQLite query into plain
// structs), search fetches, a save of 1,000 recipes, and the memory a fetch of all recipes takes.
#include "EntityDescription.h"
#include "FetchRequest.h"
#include "ManagedObject.h"
#include "ManagedObjectContext.h"
#include "ManagedObjectModel.h"
#include "PersistentStore.h"
#include "PersistentStoreCoordinator.h"

#include <QDateTime>
#include <QFile>
#include <QTemporaryDir>
#include <QTimeZone>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdio>
#include <malloc.h>
#include <memory>
#include <random>
#include <sqlite3.h>
#include <vector>

namespace
{

const char* const benchModel = R"({
  "version": 1,
  "entities": [
    {"name": "Recipe", "attributes": [
        {"name": "name", "type": "string", "indexed": true},
        {"name": "rating", "type": "integer16", "default": 0},
        {"name": "dateAdded", "type": "date"},
        {"name": "summary", "type": "string"}],
     "relationships": [
        {"name": "ingredients", "destination": "Line", "inverse": "recipe", "toMany": true, "deleteRule": "cascade"},
        {"name": "directions", "destination": "Direction", "inverse": "recipe", "toMany": true, "deleteRule": "cascade"},
        {"name": "category", "destination": "Category", "inverse": "recipes"}]},
    {"name": "Line", "attributes": [
        {"name": "name", "type": "string", "foldedIndexes": ["c"]},
        {"name": "amount", "type": "decimal"},
        {"name": "index", "type": "integer32"}],
     "relationships": [{"name": "recipe", "destination": "Recipe", "inverse": "ingredients"}]},
    {"name": "Direction", "attributes": [
        {"name": "text", "type": "string"},
        {"name": "index", "type": "integer32"}],
     "relationships": [{"name": "recipe", "destination": "Recipe", "inverse": "directions"}]},
    {"name": "Category", "attributes": [{"name": "name", "type": "string"}],
     "relationships": [{"name": "recipes", "destination": "Recipe", "inverse": "category", "toMany": true}]}
  ]
})";

constexpr int recipeCount = 50000;

const QStringList& words()
{
    static const QStringList list = QStringLiteral(
        "chicken beef pork tofu lentil bean rice pasta noodle soup stew salad curry roast grilled baked "
        "fried spicy sweet sour creamy crispy lemon garlic ginger honey maple tomato potato carrot onion "
        "mushroom pepper cheese butter apple pear plum cherry berry chocolate vanilla almond walnut coconut "
        "crème brûlée café jalapeño")
                                        .split(QLatin1Char(' '));
    return list;
}

const QStringList& ingredientNames()
{
    static const QStringList list = [] {
        QStringList names;
        for (const QString& word : words())
            for (const char* suffix :
                { "", " flakes", " paste", " powder", " stock", " oil", " sauce", " juice" })
                names.append(word + QString::fromLatin1(suffix));
        names.append(QStringLiteral("Saffron"));
        return names;
    }();
    return list;
}

struct Library {
    std::unique_ptr<ManagedObjectModel> model;
    QTemporaryDir dir;
    QString path;
};

void insertRecipes(
    ManagedObjectContext& context, int count, std::mt19937& random, QList<ManagedObject*> categories)
{
    const QStringList& w = words();
    const QStringList& ingredients = ingredientNames();
    for (int i = 0; i < count; ++i) {
        ManagedObject* recipe
            = EntityDescription::insertNewObjectForEntityForName(QStringLiteral("Recipe"), &context);
        recipe->setValueForKey(QStringLiteral("%1 %2 %3")
                                   .arg(w[random() % w.size()], w[random() % w.size()])
                                   .arg(random() % 1000),
            QStringLiteral("name"));
        recipe->setValueForKey(int(random() % 6), QStringLiteral("rating"));
        recipe->setValueForKey(QDateTime::fromMSecsSinceEpoch(
                                   1500000000000LL + qint64(random() % 100000000) * 1000, QTimeZone::utc()),
            QStringLiteral("dateAdded"));
        recipe->setValueForKey(QStringLiteral("A short summary of a fine dish."), QStringLiteral("summary"));
        if (!categories.isEmpty())
            recipe->setValueForKey(
                QVariant::fromValue(categories[random() % categories.size()]), QStringLiteral("category"));
        for (int j = 0; j < 10; ++j) {
            ManagedObject* line
                = EntityDescription::insertNewObjectForEntityForName(QStringLiteral("Line"), &context);
            // Saffron is rare: about one recipe in a hundred.
            const QString name = random() % 1000 < 1 ? QStringLiteral("saffron")
                                                     : ingredients[random() % (ingredients.size() - 1)];
            line->setValueForKey(name, QStringLiteral("name"));
            line->setValueForKey(j + 1, QStringLiteral("index"));
            line->setValueForKey(QVariant::fromValue(recipe), QStringLiteral("recipe"));
        }
        for (int j = 0; j < 5; ++j) {
            ManagedObject* direction
                = EntityDescription::insertNewObjectForEntityForName(QStringLiteral("Direction"), &context);
            direction->setValueForKey(
                QStringLiteral("Step %1: stir well and wait a while.").arg(j + 1), QStringLiteral("text"));
            direction->setValueForKey(j + 1, QStringLiteral("index"));
            direction->setValueForKey(QVariant::fromValue(recipe), QStringLiteral("recipe"));
        }
    }
}

Library& library()
{
    static Library* lib = [] {
        auto* l = new Library;
        l->model = ManagedObjectModel::modelWithJSON(benchModel);
        l->path = l->dir.filePath(QStringLiteral("Bench.recipedb"));
        // KITCHORA_BENCH_STORE names a store generated by an earlier run, to skip generating it.
        const QString reuse = qEnvironmentVariable("KITCHORA_BENCH_STORE");
        if (!reuse.isEmpty() && QFile::exists(reuse)) {
            QFile::copy(reuse, l->path);
            return l;
        }
        PersistentStoreCoordinator coordinator(l->model.get());
        coordinator.addPersistentStoreWithType(PersistentStoreCoordinator::SQLiteStoreType, {}, l->path);
        std::mt19937 random(42);
        const auto start = std::chrono::steady_clock::now();
        QList<ManagedObject*> categoryIDs;
        {
            ManagedObjectContext context;
            context.setPersistentStoreCoordinator(&coordinator);
            for (const char* name : { "Mains", "Desserts", "Soups", "Salads", "Breads" })
                EntityDescription::insertNewObjectForEntityForName(QStringLiteral("Category"), &context)
                    ->setValueForKey(QString::fromLatin1(name), QStringLiteral("name"));
            context.save();
        }
        for (int done = 0; done < recipeCount; done += 5000) {
            ManagedObjectContext context;
            context.setPersistentStoreCoordinator(&coordinator);
            auto categories = context.executeFetchRequest(
                FetchRequest::fetchRequestWithEntityName(QStringLiteral("Category")));
            insertRecipes(context, 5000, random, categories.value_or(QList<ManagedObject*>()));
            Error error;
            if (!context.save(&error))
                std::fprintf(stderr, "generation failed: %s\n", qPrintable(error.localizedDescription));
        }
        const double seconds
            = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        coordinator.persistentStores().value(0)->checkpoint();
        std::fprintf(stderr, "generated %d recipes with 10 lines and 5 directions each in %.1f s (%.0f MB)\n",
            recipeCount, seconds, QFile(l->path).size() / 1e6);
        if (!reuse.isEmpty())
            QFile::copy(l->path, reuse);
        return l;
    }();
    return *lib;
}

struct RawRecipe {
    qint64 pk;
    QString name;
    qint64 rating;
    QDateTime dateAdded;
    QString summary;
    qint64 category;
};

std::vector<RawRecipe> rawFetchAll(const QString& path)
{
    sqlite3* db = nullptr;
    sqlite3_open_v2(path.toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt* stmt = nullptr;
    sqlite3_prepare_v2(db,
        "SELECT pk, a_name, a_rating, a_dateAdded, a_summary, r_category FROM t_Recipe ORDER BY a_name", -1,
        &stmt, nullptr);
    std::vector<RawRecipe> rows;
    while (sqlite3_step(stmt) == SQLITE_ROW) {
        RawRecipe row;
        row.pk = sqlite3_column_int64(stmt, 0);
        row.name = QString::fromUtf16(static_cast<const char16_t*>(sqlite3_column_text16(stmt, 1)),
            sqlite3_column_bytes16(stmt, 1) / 2);
        row.rating = sqlite3_column_int64(stmt, 2);
        row.dateAdded = QDateTime::fromMSecsSinceEpoch(sqlite3_column_int64(stmt, 3), QTimeZone::utc());
        row.summary = QString::fromUtf16(static_cast<const char16_t*>(sqlite3_column_text16(stmt, 4)),
            sqlite3_column_bytes16(stmt, 4) / 2);
        row.category = sqlite3_column_int64(stmt, 5);
        rows.push_back(std::move(row));
    }
    sqlite3_finalize(stmt);
    sqlite3_close(db);
    return rows;
}

double residentMB()
{
    QFile status(QStringLiteral("/proc/self/statm"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> fields = status.readAll().split(' ');
    return fields.size() > 1 ? fields[1].toDouble() * 4096 / 1e6 : 0;
}

// Heap bytes in use: unlike the resident size, not hidden by memory freed earlier and reused.
double heapMB()
{
    const struct mallinfo2 info = mallinfo2();
    return double(info.uordblks + info.hblkhd) / 1e6;
}

void BM_FetchAllRecipesMemory(benchmark::State& state)
{
    Library& lib = library();
    for (auto _ : state) {
        PersistentStoreCoordinator coordinator(lib.model.get());
        coordinator.addPersistentStoreWithType(PersistentStoreCoordinator::SQLiteStoreType, {}, lib.path);
        ManagedObjectContext context;
        context.setPersistentStoreCoordinator(&coordinator);
        const double heapBefore = heapMB();
        auto all
            = context.executeFetchRequest(FetchRequest::fetchRequestWithEntityName(QStringLiteral("Recipe")));
        const double heapAfter = heapMB();
        benchmark::DoNotOptimize(all);
        state.counters["recipes"] = double(all ? all->size() : 0);
        state.counters["heap_growth_MB"] = heapAfter - heapBefore;
        state.counters["bytes_per_recipe"]
            = all && !all->isEmpty() ? (heapAfter - heapBefore) * 1e6 / double(all->size()) : 0;
        state.counters["rss_total_MB"] = residentMB();
    }
}
BENCHMARK(BM_FetchAllRecipesMemory)->Iterations(1)->Unit(benchmark::kMillisecond);

// Heap per managed object: the ingredient lines of every recipe, first as the faults a to-many
// makes (with their place in their recipe's member list), then read.
void BM_ManagedObjectMemory(benchmark::State& state)
{
    Library& lib = library();
    for (auto _ : state) {
        PersistentStoreCoordinator coordinator(lib.model.get());
        coordinator.addPersistentStoreWithType(PersistentStoreCoordinator::SQLiteStoreType, {}, lib.path);
        ManagedObjectContext context;
        context.setPersistentStoreCoordinator(&coordinator);
        auto recipes
            = context.executeFetchRequest(FetchRequest::fetchRequestWithEntityName(QStringLiteral("Recipe")));
        if (!recipes) {
            state.SkipWithError("fetch failed");
            return;
        }
        const double heapBefore = heapMB();
        double lines = 0;
        for (ManagedObject* recipe : *recipes)
            lines += double(recipe->objectsForKey(QStringLiteral("ingredients")).size());
        const double heapFaults = heapMB();
        for (ManagedObject* recipe : *recipes) {
            for (ManagedObject* line : recipe->objectsForKey(QStringLiteral("ingredients")))
                benchmark::DoNotOptimize(line->valueForKey(QStringLiteral("name")));
        }
        const double heapRead = heapMB();
        state.counters["objects"] = lines;
        state.counters["bytes_per_fault"] = (heapFaults - heapBefore) * 1e6 / lines;
        state.counters["bytes_per_read_object"] = (heapRead - heapBefore) * 1e6 / lines;
    }
}
BENCHMARK(BM_ManagedObjectMemory)->Iterations(1)->Unit(benchmark::kMillisecond);

void BM_OpenAndFetchAllSortedByName_vsRawSQLite(benchmark::State& state)
{
    Library& lib = library();
    double oursTotal = 0, rawTotal = 0;
    for (auto _ : state) {
        auto t0 = std::chrono::steady_clock::now();
        std::vector<RawRecipe> raw = rawFetchAll(lib.path);
        auto t1 = std::chrono::steady_clock::now();
        {
            PersistentStoreCoordinator coordinator(lib.model.get());
            coordinator.addPersistentStoreWithType(PersistentStoreCoordinator::SQLiteStoreType, {}, lib.path);
            ManagedObjectContext context;
            context.setPersistentStoreCoordinator(&coordinator);
            FetchRequest request = FetchRequest::fetchRequestWithEntityName(QStringLiteral("Recipe"));
            request.setSortDescriptors({ SortDescriptor(QStringLiteral("name")) });
            auto all = context.executeFetchRequest(request);
            auto t2 = std::chrono::steady_clock::now(); // before the context and its objects go
            benchmark::DoNotOptimize(all);
            if (!all || all->size() != qsizetype(raw.size()))
                state.SkipWithError("fetch failed");
            oursTotal += std::chrono::duration<double, std::milli>(t2 - t1).count();
        }
        rawTotal += std::chrono::duration<double, std::milli>(t1 - t0).count();
    }
    state.counters["raw_ms"] = rawTotal / double(state.iterations());
    state.counters["store_ms"] = oursTotal / double(state.iterations());
    state.counters["ratio"] = oursTotal / rawTotal;
}
BENCHMARK(BM_OpenAndFetchAllSortedByName_vsRawSQLite)->Iterations(5)->Unit(benchmark::kMillisecond);

void fetchWith(benchmark::State& state, const QString& format, const QVariantList& args)
{
    Library& lib = library();
    PersistentStoreCoordinator coordinator(lib.model.get());
    coordinator.addPersistentStoreWithType(PersistentStoreCoordinator::SQLiteStoreType, {}, lib.path);
    FetchRequest request = FetchRequest::fetchRequestWithEntityName(QStringLiteral("Recipe"));
    request.setPredicate(*Predicate::predicateWithFormat(format, args));
    qsizetype found = 0;
    for (auto _ : state) {
        ManagedObjectContext context; // a fresh context: every matching object is made anew
        context.setPersistentStoreCoordinator(&coordinator);
        auto result = context.executeFetchRequest(request);
        found = result ? result->size() : -1;
        benchmark::DoNotOptimize(result);
    }
    state.counters["matches"] = double(found);
}

void BM_FetchNameContainsCD(benchmark::State& state)
{
    fetchWith(state, QStringLiteral("name CONTAINS[cd] %@"), { QStringLiteral("CREME") });
}
BENCHMARK(BM_FetchNameContainsCD)->Unit(benchmark::kMillisecond);

void BM_FetchAnyIngredientNameEqualsC(benchmark::State& state)
{
    fetchWith(state, QStringLiteral("ANY ingredients.name ==[c] %@"), { QStringLiteral("SAFFRON") });
}
BENCHMARK(BM_FetchAnyIngredientNameEqualsC)->Unit(benchmark::kMillisecond);

void BM_Save1000RecipesWithLines(benchmark::State& state)
{
    Library& lib = library();
    PersistentStoreCoordinator coordinator(lib.model.get());
    coordinator.addPersistentStoreWithType(PersistentStoreCoordinator::SQLiteStoreType, {}, lib.path);
    std::mt19937 random(7);
    double insertMs = 0;
    for (auto _ : state) {
        state.PauseTiming();
        ManagedObjectContext context;
        context.setPersistentStoreCoordinator(&coordinator);
        auto t0 = std::chrono::steady_clock::now();
        insertRecipes(context, 1000, random, {});
        insertMs += std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
        state.ResumeTiming();
        if (!context.save())
            state.SkipWithError("save failed");
    }
    state.counters["insert_ms"] = insertMs / double(state.iterations());
}
BENCHMARK(BM_Save1000RecipesWithLines)->Iterations(5)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
