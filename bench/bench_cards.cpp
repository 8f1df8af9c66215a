// Cards on the store at library scale: 10,000 recipes, each with a description, 8 ingredient lines,
// 5 directions and 2 notes, written as cards; then the cards read back into a new library (the
// main context of a store as the program's first run leaves it, placeholders saved, as an opened
// card file is) and saved. cards/s for both ways; reading also 100,000 cards (the 10,000 ten
// times over), 10,000 cards written from the evaluation recipes (recipes/recipe-scrapers, each
// line parsed as the application parses a typed one) and, with KITCHORA_CARD_FILE=<file>, the
// cards of that file. peak_growth_MB is how far resident memory rose above where it stood when
// the read began. KITCHORA_WRITE_EVAL_CARDS=<file> writes the evaluation cards to the file.
#include "BaseMOAdditions.h"
#include "BenchServices.h"
#include "ConstantManager.h"
#include "EntityDescription.h"
#include "EvalData.h"
#include "FetchRequest.h"
#include "ManagedObjectContext.h"
#include "ManagedObjectModel.h"
#include "Memory.h"
#include "ModelClasses.h"
#include "PersistentStore.h"
#include "PersistentStoreCoordinator.h"
#include "RecipeIngredientMO.h"
#include "RecipeMO.h"
#include "UnitsEngine.h"
#include "VRCManagedObjectReader.h"
#include "VRCManagedObjectWriter.h"
#include "VirtualClock.h"

#include <QCoreApplication>
#include <QFile>
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

const QStringList& ingredientNames()
{
    static const QStringList names = QStringLiteral(
        "leek|onion|garlic|carrot|celery|potato|tomato|red lentils|olive oil|butter|flour|sugar|salt|"
        "black pepper|chicken stock|cream|lemon|parsley|thyme|bay leaf|rice|egg|milk|cheddar")
                                         .split(u'|');
    return names;
}

const QStringList& measures()
{
    static const QStringList list = { QStringLiteral("cup"), QStringLiteral("tsp."), QStringLiteral("tbsp."),
        QStringLiteral("g"), QStringLiteral("ml"), QString() };
    return list;
}

// One library store with its main context, installed as the services' main context, as the
// program's first run leaves it: the library collection and the placeholder entries, saved.
struct Library {
    Library(
        const ManagedObjectModel* model, BenchServices& services, const QString& path, VirtualClock& clock)
        : coordinator(model)
    {
        coordinator.addPersistentStoreWithType(PersistentStoreCoordinator::SQLiteStoreType, {}, path);
        context.setPersistentStoreCoordinator(&coordinator);
        services.context = &context;
        services.library = EntityDescription::insertNewObjectForEntityForName(
            QStringLiteral("ManualCollection"), &context);
        services.library->setValueForKey(
            QStringLiteral("RBCollectionKindMainLibrary"), QStringLiteral("kind"));
        BaseMOAdditions::findOrCreatePlaceholderEntries(&context);
        clock.advance(0);
        context.save();
    }

    PersistentStoreCoordinator coordinator;
    ManagedObjectContext context;
};

void addItem(
    ManagedObjectContext& context, RecipeMO* recipe, const QString& entity, int index, const QString& text)
{
    ManagedObject* item = EntityDescription::insertNewObjectForEntityForName(entity, &context);
    item->setValueForKey(index, QStringLiteral("index"));
    item->setValueForKey(text, QStringLiteral("text"));
    item->setValueForKey(QVariant::fromValue<ManagedObject*>(recipe), QStringLiteral("recipe"));
}

QList<ManagedObject*> makeRecipes(ManagedObjectContext& context)
{
    QList<ManagedObject*> ingredients;
    for (const QString& name : ingredientNames()) {
        ManagedObject* ingredient
            = EntityDescription::insertNewObjectForEntityForName(QStringLiteral("Ingredient"), &context);
        ingredient->setValueForKey(name, QStringLiteral("name"));
        ingredients.append(ingredient);
    }
    const auto named = [&](const QString& entity, const QString& name) {
        ManagedObject* object = EntityDescription::insertNewObjectForEntityForName(entity, &context);
        object->setValueForKey(name, QStringLiteral("name"));
        return QVariant::fromValue(object);
    };
    QVariantList categories, cuisines;
    for (int i = 0; i < 20; ++i)
        categories.append(named(QStringLiteral("Category"), QStringLiteral("Category %1").arg(i)));
    for (int i = 0; i < 7; ++i)
        cuisines.append(named(QStringLiteral("Cuisine"), QStringLiteral("Cuisine %1").arg(i)));
    QList<ManagedObject*> recipes;
    for (int n = 0; n < recipeCount; ++n) {
        auto* recipe = dynamic_cast<RecipeMO*>(
            EntityDescription::insertNewObjectForEntityForName(QStringLiteral("Recipe"), &context));
        recipe->clearDefaults();
        recipe->setValueForKey(QStringLiteral("Recipe %1").arg(n), QStringLiteral("name"));
        recipe->setValueForKey(categories[n % categories.size()], QStringLiteral("category"));
        recipe->setValueForKey(cuisines[n % cuisines.size()], QStringLiteral("cuisine"));
        recipe->setValueForKey(
            QStringLiteral("A simple dish for weeknights.\n\nIt keeps well and reheats at 180 degrees."),
            QStringLiteral("recipeDescription"));
        recipe->setValueForKey(QStringLiteral("4 servings"), QStringLiteral("yield"));
        recipe->setValueForKey(QStringLiteral("45 minutes"), QStringLiteral("cookTime"));
        for (int i = 1; i <= 8; ++i) {
            ManagedObject* ingredient = ingredients[(n + i) % ingredients.size()];
            const QString measure = measures()[(n + i) % measures().size()];
            const QString name = ingredient->valueForKey(QStringLiteral("name")).toString();
            ManagedObject* line = EntityDescription::insertNewObjectForEntityForName(
                QStringLiteral("RecipeIngredient"), &context);
            line->setValueForKey(i, QStringLiteral("index"));
            line->setValueForKey(QString::number(i), QStringLiteral("amount"));
            line->setValueForKey(measure, QStringLiteral("measure"));
            line->setValueForKey(
                i % 3 == 0 ? QStringLiteral("chopped") : QString(), QStringLiteral("modifier"));
            line->setValueForKey(QVariant::fromValue(ingredient), QStringLiteral("baseIngredient"));
            line->setValueForKey(
                QStringLiteral("%1 %2 %3").arg(i).arg(measure, name), QStringLiteral("displayString"));
            line->setValueForKey(QVariant::fromValue<ManagedObject*>(recipe), QStringLiteral("recipe"));
        }
        for (int i = 1; i <= 5; ++i)
            addItem(context, recipe, QStringLiteral("Direction"), i,
                QStringLiteral("Step %1: stir, then wait a few minutes.").arg(i));
        for (int i = 1; i <= 2; ++i)
            addItem(context, recipe, QStringLiteral("Note"), i,
                QStringLiteral("Note %1 of recipe %2.").arg(i).arg(n));
        recipes.append(recipe);
    }
    return recipes;
}

struct Fixture {
    Fixture()
    {
        registerModelClasses();
        useFirstRunDefaults();
        ConstantManager::importRecipeViewingConstants();
        ConstantManager::importRecipeImportConstants();
        UnitsEngine::defaultEngine().loadUnits(QString());
        model = ManagedObjectModel::modelWithContentsOfFile(QStringLiteral(":/Kitchora.model.json"));
        KitchoraServices::setShared(&services);
        source = std::make_unique<Library>(
            model.get(), services, dir.filePath(QStringLiteral("Source.recipedb")), clock);
        recipes = makeRecipes(source->context);
        clock.advance(0);
        source->context.save();
        cards = VRCManagedObjectWriter().stringsFromRecipeManagedObjects(recipes).join(QString());
    }

    VirtualClock clock;
    BenchServices services;
    QTemporaryDir dir;
    std::unique_ptr<ManagedObjectModel> model;
    std::unique_ptr<Library> source;
    QList<ManagedObject*> recipes;
    QString cards;
};

Fixture& fixture()
{
    static Fixture* shared = new Fixture;
    return *shared;
}

void BM_WriteCards(benchmark::State& state)
{
    Fixture& f = fixture();
    f.services.context = &f.source->context;
    const VRCManagedObjectWriter writer;
    for (auto _ : state) {
        QString text;
        for (const ManagedObject* recipe : f.recipes)
            text += writer.stringFromRecipeManagedObject(recipe);
        benchmark::DoNotOptimize(text.data());
    }
    state.counters["cards/s"]
        = benchmark::Counter(double(state.iterations()) * recipeCount, benchmark::Counter::kIsRate);
    state.counters["MB"] = double(f.cards.size() * 2) / (1024.0 * 1024.0);
}

// Reads the cards into a new library and saves, as a reader on its own context does; `cards` is
// how many the text holds (-1: as many as are read).
void readCards(benchmark::State& state, const QString& text, qsizetype cards)
{
    Fixture& f = fixture();
    static int run = 0;
    double readMs = 0, saveMs = 0, growthMB = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto target = std::make_unique<Library>(f.model.get(), f.services,
            f.dir.filePath(QStringLiteral("Target%1.recipedb").arg(run++)), f.clock);
        VRCManagedObjectReader reader(text);
        const double residentBefore = Memory::residentMB();
        Memory::resetPeak();
        state.ResumeTiming();

        auto start = std::chrono::steady_clock::now();
        const QList<RecipeMO*> read = reader.setOfManagedObjectsInContext(&target->context);
        f.clock.advance(0);
        readMs += msSince(start);
        start = std::chrono::steady_clock::now();
        if (cards < 0)
            cards = read.size();
        if (read.size() != cards || !target->context.save())
            state.SkipWithError("read or save failed");
        saveMs += msSince(start);

        state.PauseTiming();
        growthMB = std::max(growthMB, Memory::peakMB() - residentBefore);
        f.services.context = nullptr;
        f.services.library = nullptr;
        target.reset();
        state.ResumeTiming();
    }
    state.counters["cards/s"]
        = benchmark::Counter(double(state.iterations()) * double(cards), benchmark::Counter::kIsRate);
    state.counters["read_ms"] = readMs / double(state.iterations());
    state.counters["save_ms"] = saveMs / double(state.iterations());
    state.counters["peak_growth_MB"] = growthMB;
}

// The generated cards, repeated to the benchmark's argument.
void BM_ReadCardsIntoFreshStore(benchmark::State& state)
{
    const int copies = int(state.range(0) / recipeCount);
    readCards(state, fixture().cards.repeated(copies), qsizetype(recipeCount) * copies);
}

// Cards of the evaluation recipes: each English recipe's title, ingredient lines (parsed into the
// source library) and directions, written once and repeated to 10,000 cards.
const QString& evalCards()
{
    static const QString cards = [] {
        Fixture& f = fixture();
        QFile file(EvalData::folder() + QStringLiteral("/recipes/recipe-scrapers/expected.jsonl"));
        if (!file.open(QIODevice::ReadOnly))
            return QString();
        f.services.context = &f.source->context;
        QList<ManagedObject*> recipes;
        for (const QByteArray& row : file.readAll().split('\n')) {
            const QJsonObject json = QJsonDocument::fromJson(row).object();
            if (json.isEmpty() || !json.value(QStringLiteral("language")).toString().startsWith(u"en"))
                continue;
            auto* recipe = dynamic_cast<RecipeMO*>(EntityDescription::insertNewObjectForEntityForName(
                QStringLiteral("Recipe"), &f.source->context));
            recipe->clearDefaults();
            recipe->setValueForKey(json.value(QStringLiteral("title")).toString(), QStringLiteral("name"));
            int index = 0;
            for (const QJsonValue& text : json.value(QStringLiteral("ingredients")).toArray()) {
                auto* line
                    = dynamic_cast<RecipeIngredientMO*>(EntityDescription::insertNewObjectForEntityForName(
                        QStringLiteral("RecipeIngredient"), &f.source->context));
                line->setValueForKey(++index, QStringLiteral("index"));
                line->setString(text.toString());
                line->setValueForKey(QVariant::fromValue<ManagedObject*>(recipe), QStringLiteral("recipe"));
            }
            index = 0;
            for (const QJsonValue& text : json.value(QStringLiteral("instructions_list")).toArray())
                addItem(f.source->context, recipe, QStringLiteral("Direction"), ++index, text.toString());
            recipes.append(recipe);
        }
        f.clock.advance(0);
        const QStringList written = VRCManagedObjectWriter().stringsFromRecipeManagedObjects(recipes);
        QString text;
        for (qsizetype i = 0; i < recipeCount && !written.isEmpty(); ++i)
            text += written.at(i % written.size());
        return text;
    }();
    return cards;
}

void BM_ReadEvaluationCards(benchmark::State& state)
{
    if (evalCards().isEmpty()) {
        state.SkipWithError("evaluation recipes not found");
        return;
    }
    readCards(state, evalCards(), recipeCount);
}

void BM_ReadCardFile(benchmark::State& state)
{
    QFile file(qEnvironmentVariable("KITCHORA_CARD_FILE"));
    if (!file.open(QIODevice::ReadOnly)) {
        state.SkipWithError("no card file (KITCHORA_CARD_FILE)");
        return;
    }
    const QString text = QString::fromUtf8(file.readAll());
    readCards(state, text, -1);
}

} // namespace

BENCHMARK(BM_WriteCards)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadCardsIntoFreshStore)->Arg(recipeCount)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_ReadCardsIntoFreshStore)->Arg(10 * recipeCount)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_ReadEvaluationCards)->Unit(benchmark::kMillisecond)->Iterations(3);
// The main thread is the application's, as the ingredient trie of the main context requires.
int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (qEnvironmentVariableIsSet("KITCHORA_CARD_FILE"))
        benchmark::RegisterBenchmark("BM_ReadCardFile", BM_ReadCardFile)
            ->Unit(benchmark::kMillisecond)
            ->Iterations(3);
    if (qEnvironmentVariableIsSet("KITCHORA_WRITE_EVAL_CARDS")) {
        QFile out(qEnvironmentVariable("KITCHORA_WRITE_EVAL_CARDS"));
        if (!out.open(QIODevice::WriteOnly) || evalCards().isEmpty())
            return 1;
        out.write(evalCards().toUtf8());
        return 0;
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
