// The importers on a first-run library: 10,000 evaluation recipes given as labelled text blocks
// (name, yield, category, cuisine, description, ingredient lines, direction steps) through the
// tagged-text importer, and a generated 10,000-recipe database of the other recipe program (10
// ingredient rows, a category and a cuisine each, a picture for one in a hundred) through the
// database import, batches, periodic and final saves included. Times and recipes per second.
#include "BaseMOAdditions.h"
#include "BenchServices.h"
#include "ConstantManager.h"
#include "EntityDescription.h"
#include "EvalData.h"
#include "IngredientTrie.h"
#include "MGDatabaseGenerator.h"
#include "MGImportProgress.h"
#include "MGImporter.h"
#include "ManagedObjectContext.h"
#include "ManagedObjectModel.h"
#include "ModelClasses.h"
#include "PersistentStore.h"
#include "PersistentStoreCoordinator.h"
#include "RecipeCollection.h"
#include "TaggedTextBlockImporter.h"
#include "UnitsEngine.h"
#include "VirtualClock.h"

#include <QFile>
#include <QGuiApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <chrono>
#include <memory>

namespace
{

constexpr int recipeCount = 10000;

class ImportServices : public BenchServices
{
public:
    ManagedObject* importedCollection() override { return imported; }
    ManagedObject* imported = nullptr;
};

// Shows nothing; notes when reading ended (the bar gets its maximum) and when the final save
// began (the bar turns busy for the last time).
class SilentProgress : public MGImportProgress
{
public:
    void beginSheet(std::function<void()>) override { }
    void endSheet() override { ++ended; }
    void setIndeterminate(bool indeterminate) override
    {
        if (indeterminate)
            lastBusy = std::chrono::steady_clock::now();
    }
    void setMaximum(qint64) override { read = std::chrono::steady_clock::now(); }
    void setValue(qint64) override { }
    void setText(const QString&) override { }
    void setImportMenusEnabled(bool) override { }
    void runAlert(const QString&) override { }

    int ended = 0;
    std::chrono::steady_clock::time_point read;
    std::chrono::steady_clock::time_point lastBusy;
};

const ManagedObjectModel* libraryModel()
{
    static const std::unique_ptr<ManagedObjectModel> model = [] {
        registerModelClasses();
        useFirstRunDefaults();
        ConstantManager::importRecipeViewingConstants();
        ConstantManager::importRecipeImportConstants();
        if (UnitsEngine::defaultEngine().units().isEmpty())
            UnitsEngine::defaultEngine().loadUnits(QString());
        return ManagedObjectModel::modelWithContentsOfFile(QStringLiteral(":/Kitchora.model.json"));
    }();
    return model.get();
}

// A library as the first run leaves it: the library and recent-imports collections and the
// placeholder entries, saved.
struct Library {
    explicit Library(const QString& path)
        : coordinator(libraryModel())
    {
        coordinator.addPersistentStoreWithType(PersistentStoreCoordinator::SQLiteStoreType, {}, path);
        context.setPersistentStoreCoordinator(&coordinator);
        services.context = &context;
        KitchoraServices::setShared(&services);
        IngredientTrie::rebuildIngredientTries();
        const struct {
            ManagedObject** slot;
            const QString& kind;
        } collections[] = { { &services.library, KRCollectionKindMainLibrary },
            { &services.imported, KRCollectionKindImportedCollection } };
        for (const auto& collection : collections) {
            *collection.slot = EntityDescription::insertNewObjectForEntityForName(
                QStringLiteral("ManualCollection"), &context);
            (*collection.slot)->setValueForKey(collection.kind, QStringLiteral("kind"));
        }
        BaseMOAdditions::findOrCreatePlaceholderEntries(&context);
        clock.advance(0);
        ok = context.save();
    }
    ~Library()
    {
        KitchoraServices::setShared(nullptr);
        services.context = nullptr;
    }

    VirtualClock clock;
    ImportServices services;
    PersistentStoreCoordinator coordinator;
    ManagedObjectContext context;
    bool ok = false;
};

QString joined(const QJsonValue& value)
{
    QStringList lines;
    for (const QJsonValue& line : value.toArray())
        lines.append(line.toString());
    return lines.join(u'\n');
}

// The English evaluation recipes as the import window would hand them over, repeated to 10,000.
const QList<QVariantMap>& evaluationBlocks()
{
    static const QList<QVariantMap> blocks = [] {
        QList<QVariantMap> recipes;
        QFile file(EvalData::folder() + QStringLiteral("/recipes/recipe-scrapers/expected.jsonl"));
        if (!file.open(QIODevice::ReadOnly))
            return recipes;
        for (const QByteArray& row : file.readAll().split('\n')) {
            const QJsonObject json = QJsonDocument::fromJson(row).object();
            if (json.isEmpty() || !json.value(QStringLiteral("language")).toString().startsWith(u"en"))
                continue;
            recipes.append({ { QStringLiteral("Name"), json.value(QStringLiteral("title")).toString() },
                { QStringLiteral("Yield"), json.value(QStringLiteral("yields")).toString() },
                { QStringLiteral("Category"), json.value(QStringLiteral("category")).toString() },
                { QStringLiteral("Cuisine"), json.value(QStringLiteral("cuisine")).toString() },
                { QStringLiteral("Description"), json.value(QStringLiteral("description")).toString() },
                { QStringLiteral("Ingredients"), joined(json.value(QStringLiteral("ingredients"))) },
                { QStringLiteral("Directions"), joined(json.value(QStringLiteral("instructions_list"))) } });
        }
        QList<QVariantMap> repeated;
        for (int i = 0; i < recipeCount && !recipes.isEmpty(); ++i)
            repeated.append(recipes.at(i % recipes.size()));
        return repeated;
    }();
    return blocks;
}

void BM_TaggedTextImportEvaluationRecipes(benchmark::State& state)
{
    if (!libraryModel()) {
        state.SkipWithError("no model");
        return;
    }
    const QList<QVariantMap>& blocks = evaluationBlocks();
    if (blocks.isEmpty()) {
        state.SkipWithError("evaluation recipes not found");
        return;
    }
    for (auto _ : state) {
        QTemporaryDir dir;
        Library library(dir.filePath(QStringLiteral("Bench.recipedb")));
        if (!library.ok) {
            state.SkipWithError("first-run save failed");
            return;
        }
        TaggedTextBlockImporter importer;
        auto start = std::chrono::steady_clock::now();
        for (const QVariantMap& recipe : blocks)
            benchmark::DoNotOptimize(importer.recipeFromTaggedTextBlocks(recipe));
        library.clock.advance(0);
        const double importMs = msSince(start);
        start = std::chrono::steady_clock::now();
        if (!library.context.save())
            state.SkipWithError("save failed");
        const double saveMs = msSince(start);
        state.counters["import_ms"] = importMs;
        state.counters["save_ms"] = saveMs;
        state.counters["recipes_per_s"] = double(blocks.size()) / ((importMs + saveMs) / 1000.0);
        state.counters["recipes_per_s_before_save"] = double(blocks.size()) / (importMs / 1000.0);
    }
}
BENCHMARK(BM_TaggedTextImportEvaluationRecipes)->Iterations(1)->Unit(benchmark::kMillisecond);

QList<MGDatabaseGenerator::Recipe> generatedRecipes()
{
    static const QStringList foods
        = { "flour", "sugar", "butter", "eggs", "milk", "salt", "onion", "garlic", "carrots", "rice",
              "chicken breast", "olive oil", "tomatoes", "basil", "lemon juice", "black pepper" };
    static const QStringList units = { "cup", "tablespoon", "teaspoon", "g", "", "pound", "ounce" };
    QList<MGDatabaseGenerator::Recipe> recipes;
    for (int n = 1; n <= recipeCount; ++n) {
        MGDatabaseGenerator::Recipe recipe;
        recipe.recipeID = n;
        recipe.columns = { { "name", QStringLiteral("Recipe %1").arg(n) }, { "source", "Test Kitchen" },
            { "summary", "A dish for the benchmark." },
            { "directions", "Heat the oven.\nMix everything well.\nBake for an hour." },
            { "note", "Keeps for two days." }, { "rating", QString::number(n % 6) }, { "servings", "4" },
            { "date_created", 1.0e9 + n }, { "date_last_modified", 1.1e9 + n } };
        recipe.category = QStringLiteral("Category %1").arg(n % 20);
        recipe.cuisine = QStringLiteral("Cuisine %1").arg(n % 12);
        if (n % 100 == 0)
            recipe.pictureFileName = QStringLiteral("picture-%1").arg(n);
        for (int i = 0; i < 10; ++i) {
            recipe.ingredients.append(
                { foods.at((n + i * 3) % foods.size()), QString::number(1 + (n + i) % 4),
                    units.at((n + i) % units.size()), i % 3 == 0 ? QVariant("chopped") : QVariant(), 0 });
        }
        recipes.append(recipe);
    }
    return recipes;
}

void BM_DatabaseImportGeneratedPackage(benchmark::State& state)
{
    if (!libraryModel()) {
        state.SkipWithError("no model");
        return;
    }
    QTemporaryDir packages;
    const QString package = packages.filePath(QStringLiteral("Bench.mgdatabase"));
    QString error;
    if (!MGDatabaseGenerator::writePackage(package, generatedRecipes(), &error)) {
        state.SkipWithError("could not generate the package");
        return;
    }
    for (auto _ : state) {
        QTemporaryDir dir;
        Library library(dir.filePath(QStringLiteral("Bench.recipedb")));
        if (!library.ok) {
            state.SkipWithError("first-run save failed");
            return;
        }
        SilentProgress progress;
        MGImporter importer(progress);
        const auto start = std::chrono::steady_clock::now();
        importer.importMGDatabaseAtPath(package);
        library.clock.advance(0);
        const double totalMs = msSince(start);
        if (progress.ended != 1 || importer.isImporting())
            state.SkipWithError("the import did not finish");
        const qint64 count = library.context.countForFetchRequest(
            FetchRequest::fetchRequestWithEntityName(QStringLiteral("Recipe")));
        state.counters["recipes"] = double(count);
        state.counters["total_ms"] = totalMs;
        state.counters["read_ms"] = std::chrono::duration<double, std::milli>(progress.read - start).count();
        state.counters["final_save_ms"] = msSince(progress.lastBusy) - (msSince(start) - totalMs);
        state.counters["recipes_per_s"] = double(recipeCount) / (totalMs / 1000.0);
    }
}
BENCHMARK(BM_DatabaseImportGeneratedPackage)->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    // Pictures are decoded and stored through Qt Gui.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
