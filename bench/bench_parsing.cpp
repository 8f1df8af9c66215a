// Line classification and block finding as the import window uses them. Before timing, the block
// finders are measured on the whole recipes of the evaluation data ($KITCHORA_EVALDATA, else
// shared/evaldata beside the checkout): each English recipe is laid out as pasted text (title,
// description, "Ingredients", its lines, "Directions", its steps, yield) and the blocks found are
// compared with the recipe's own lines. The timed ingredient trie holds 20,000 real ingredient
// names from the labelled ingredient lines.
#include "BLStringUtilities.h"
#include "EntityDescription.h"
#include "EvalData.h"
#include "IngredientTrie.h"
#include "ManagedObject.h"
#include "ManagedObjectContext.h"
#include "ManagedObjectModel.h"
#include "ModelClasses.h"
#include "ParsingEngine.h"
#include "PersistentStoreCoordinator.h"
#include "UnitsEngine.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>
#include <benchmark/benchmark.h>
#include <cstdio>

namespace
{

// The library's model with a main context on a coordinator without stores: the Ingredients live
// in memory only.
ManagedObjectContext& libraryContext()
{
    static ManagedObjectContext* context = [] {
        registerModelClasses();
        static std::unique_ptr<ManagedObjectModel> model
            = ManagedObjectModel::modelWithContentsOfFile(QStringLiteral(":/Kitchora.model.json"));
        static PersistentStoreCoordinator coordinator(model.get());
        auto* c = new ManagedObjectContext;
        c->setPersistentStoreCoordinator(&coordinator);
        return c;
    }();
    return *context;
}

// An ingredient trie as the library would hold it: one Ingredient per name.
class Vocabulary
{
public:
    explicit Vocabulary(const QStringList& names)
    {
        for (const QString& name : names) {
            ManagedObject* ingredient = EntityDescription::insertNewObjectForEntityForName(
                QStringLiteral("Ingredient"), &libraryContext());
            ingredient->setPrimitiveValue(name, QStringLiteral("name"));
            m_trie->addIngredient(ingredient);
        }
        m_size = names.size();
    }
    const std::shared_ptr<IngredientTrie>& trie() const { return m_trie; }
    qsizetype size() const { return m_size; }

private:
    std::shared_ptr<IngredientTrie> m_trie = std::make_shared<IngredientTrie>();
    qsizetype m_size = 0;
};

// Every labelled line, and some 20,000 distinct ingredient names from their labels.
struct LabelledLines {
    QStringList lines;
    QStringList names;
};

const LabelledLines& labelledLines()
{
    static const LabelledLines data = [] {
        LabelledLines result;
        QSet<QString> seen;
        for (const EvalData::LabelledLine& row : EvalData::labelledLines({ QStringLiteral("bbc-2017.csv"),
                 QStringLiteral("cookstr-2017.csv"), QStringLiteral("allrecipes-2017.csv"),
                 QStringLiteral("strangerfoods.csv"), QStringLiteral("tastecooking-2024.csv") })) {
            result.lines << row.input;
            const QString ingredient = row.name.trimmed().toLower();
            if (!ingredient.isEmpty() && !seen.contains(ingredient)) {
                seen.insert(ingredient);
                result.names << ingredient;
            }
        }
        // The labels hold some 17,600 names; the plurals a library also gathers make up the rest.
        for (qsizetype i = 0; i < result.names.size() && result.names.size() < 20000; ++i) {
            const QString plural = result.names[i] + u's';
            if (!result.names[i].endsWith(u's') && !seen.contains(plural)) {
                seen.insert(plural);
                result.names << plural;
            }
        }
        if (result.names.size() > 20000)
            result.names.resize(20000);
        return result;
    }();
    return data;
}

QStringList shippedIngredients()
{
    return UnitsEngine::simpleMeasuresFromFile(QStringLiteral(":/ingredients.txt"));
}

struct Recipe {
    QString text;
    QString ingredients;
    QString directions;
    QStringList steps;
};

// Steps as they are laid out in the recipe, or numbered "1. ", "2. " as many pasted recipes have them.
QList<Recipe> recipes(bool numberedSteps = false)
{
    QList<Recipe> result;
    QFile file(EvalData::folder() + QStringLiteral("/recipes/recipe-scrapers/expected.jsonl"));
    if (!file.open(QIODevice::ReadOnly))
        return result;
    const auto oneLine = [](QString s) { return s.replace(QLatin1Char('\n'), QLatin1Char(' ')).trimmed(); };
    for (const QByteArray& row : file.readAll().split('\n')) {
        const QJsonObject object = QJsonDocument::fromJson(row).object();
        if (!object.value(QStringLiteral("language")).toString().startsWith(QLatin1String("en")))
            continue;
        Recipe recipe;
        for (const QJsonValue& line : object.value(QStringLiteral("ingredients")).toArray())
            if (!oneLine(line.toString()).isEmpty())
                recipe.ingredients += oneLine(line.toString()) + u'\n';
        for (const QJsonValue& step : object.value(QStringLiteral("instructions_list")).toArray())
            if (!oneLine(step.toString()).isEmpty())
                recipe.steps << (numberedSteps
                                        ? QString::number(recipe.steps.size() + 1) + QStringLiteral(". ")
                                        : QString())
                        + oneLine(step.toString());
        if (recipe.ingredients.isEmpty() || recipe.steps.isEmpty())
            continue;
        recipe.directions = recipe.steps.join(u'\n') + u'\n';
        recipe.text = oneLine(object.value(QStringLiteral("title")).toString()) + QStringLiteral("\n\n");
        const QString description = oneLine(object.value(QStringLiteral("description")).toString());
        if (!description.isEmpty())
            recipe.text += description + QStringLiteral("\n\n");
        recipe.text += QStringLiteral("Ingredients\n") + recipe.ingredients + QStringLiteral("\nDirections\n")
            + recipe.directions;
        const QString yields = oneLine(object.value(QStringLiteral("yields")).toString());
        if (!yields.isEmpty())
            recipe.text += QStringLiteral("\nYield: ") + yields + u'\n';
        result << recipe;
    }
    return result;
}

// How many of the expected lines the found block holds, and how many lines it holds in all.
struct Overlap {
    qsizetype expectedLines = 0;
    qsizetype foundExpected = 0;
    qsizetype foundLines = 0;
    int exact = 0;
};

void compare(const QString& text, Range found, const QString& expected, Overlap& overlap)
{
    const Range wanted { text.indexOf(expected), expected.size() };
    if (found == wanted)
        ++overlap.exact;
    for (const Range& line : BLStringUtilities::lineRanges(text)) {
        const bool isExpected = locationInRange(line.location, wanted);
        const bool isFound = found.location != Range::NotFound && locationInRange(line.location, found);
        overlap.expectedLines += isExpected;
        overlap.foundLines += isFound;
        overlap.foundExpected += isExpected && isFound;
    }
}

// With BLOCKS_SHOW=n, the first n recipes whose ingredients block is found wrong, line by line
// with their scores ("I" ingredient line, "D" direction line), the found block marked.
void showMisses(const ParsingEngine& engine, const QList<Recipe>& all)
{
    int left = qEnvironmentVariableIntValue("BLOCKS_SHOW");
    for (const Recipe& recipe : all) {
        if (left <= 0)
            return;
        const Range found = engine.rangeOfIngredientsBlockInString(recipe.text);
        if (found == Range { recipe.text.indexOf(recipe.ingredients), recipe.ingredients.size() })
            continue;
        --left;
        std::printf("----\n");
        for (const Range& line : BLStringUtilities::lineRanges(recipe.text)) {
            const QString text = recipe.text.mid(line.location, line.length).trimmed();
            std::printf("%s I%+d D%+d %s\n", locationInRange(line.location, found) ? "#" : " ",
                engine.probabilityLineIsIngredientLine(recipe.text.mid(line.location, line.length)),
                engine.probabilityLineIsDirectionLine(text), qPrintable(text.left(90)));
        }
    }
}

void reportBlocks(const char* label, const ParsingEngine& engine, const QList<Recipe>& all)
{
    Overlap ingredients;
    Overlap directions;
    for (const Recipe& recipe : all) {
        compare(recipe.text, engine.rangeOfIngredientsBlockInString(recipe.text), recipe.ingredients,
            ingredients);
        compare(
            recipe.text, engine.rangeOfDirectionsBlockInString(recipe.text), recipe.directions, directions);
    }
    const auto report = [&](const char* kind, const Overlap& o) {
        std::printf(
            "%s, %s block: exact %d of %lld recipes (%.1f%%); lines recall %.1f%%, precision %.1f%%\n", label,
            kind, o.exact, (long long)all.size(), 100.0 * o.exact / double(all.size()),
            100.0 * double(o.foundExpected) / double(std::max<qsizetype>(1, o.expectedLines)),
            100.0 * double(o.foundExpected) / double(std::max<qsizetype>(1, o.foundLines)));
    };
    report("ingredients", ingredients);
    report("directions", directions);
}

QStringList unitNames()
{
    static const QStringList names = [] {
        UnitsEngine::defaultEngine().loadUnits(QString());
        return UnitsEngine::defaultEngine().unitNames();
    }();
    return names;
}

const Vocabulary& largeVocabulary()
{
    static const Vocabulary vocabulary(labelledLines().names);
    return vocabulary;
}

const ParsingEngine& largeEngine()
{
    static const ParsingEngine engine(
        ParsingEngine::defaultModifiers(), unitNames(), [] { return largeVocabulary().trie(); });
    return engine;
}

template <typename Score> void runLines(benchmark::State& state, const QStringList& lines, Score score)
{
    qsizetype i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(score(lines[i]));
        i = (i + 1) % lines.size();
    }
    state.SetItemsProcessed(state.iterations());
}

void BM_IngredientLineScore(benchmark::State& state)
{
    runLines(state, labelledLines().lines,
        [](const QString& line) { return largeEngine().probabilityLineIsIngredientLine(line); });
}
BENCHMARK(BM_IngredientLineScore);

void BM_DirectionLineScore(benchmark::State& state)
{
    static const QStringList steps = [] {
        QStringList all;
        for (const Recipe& recipe : recipes())
            all << recipe.steps;
        return all;
    }();
    runLines(
        state, steps, [](const QString& line) { return largeEngine().probabilityLineIsDirectionLine(line); });
}
BENCHMARK(BM_DirectionLineScore);

void BM_BothBlocksOfARecipe(benchmark::State& state)
{
    static const QList<Recipe> all = recipes();
    qsizetype i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(largeEngine().rangeOfIngredientsBlockInString(all[i].text));
        benchmark::DoNotOptimize(largeEngine().rangeOfDirectionsBlockInString(all[i].text));
        i = (i + 1) % all.size();
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_BothBlocksOfARecipe);

void BM_IngredientsInLine(benchmark::State& state)
{
    const QStringList& lines = labelledLines().lines;
    const QStringList& units = unitNames();
    qsizetype i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(
            ParsingEngine::ingredientsInString(lines[i], largeVocabulary().trie().get(), units));
        i = (i + 1) % lines.size();
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_IngredientsInLine);

// The slowest single line of each kind: what one keystroke's classification may cost at worst.
void reportSlowestLines(const QList<Recipe>& all)
{
    const QStringList& lines = labelledLines().lines;
    const QStringList& units = unitNames();
    qint64 slowestScore = 0;
    qint64 slowestFind = 0;
    qint64 slowestDirection = 0;
    QElapsedTimer timer;
    for (qsizetype i = 0; i < std::min<qsizetype>(lines.size(), 20000); ++i) {
        timer.start();
        benchmark::DoNotOptimize(largeEngine().probabilityLineIsIngredientLine(lines[i]));
        slowestScore = std::max(slowestScore, timer.nsecsElapsed());
        timer.start();
        benchmark::DoNotOptimize(
            ParsingEngine::ingredientsInString(lines[i], largeVocabulary().trie().get(), units));
        slowestFind = std::max(slowestFind, timer.nsecsElapsed());
    }
    for (const Recipe& recipe : all) {
        for (const QString& step : recipe.steps) {
            timer.start();
            benchmark::DoNotOptimize(largeEngine().probabilityLineIsDirectionLine(step));
            slowestDirection = std::max(slowestDirection, timer.nsecsElapsed());
        }
    }
    std::printf(
        "slowest line: ingredient score %.2f ms, ingredients found %.2f ms (first 20,000 lines); direction "
        "score %.2f ms (every step)\n",
        slowestScore / 1e6, slowestFind / 1e6, slowestDirection / 1e6);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QList<Recipe> all = recipes();
    if (all.isEmpty() || labelledLines().lines.isEmpty()) {
        std::printf("evaluation data not found\n");
        return 1;
    }
    std::printf("%lld English recipes, %lld labelled lines, timed trie of %lld names\n",
        (long long)all.size(), (long long)labelledLines().lines.size(), (long long)largeVocabulary().size());
    const Vocabulary shipped(shippedIngredients());
    const ParsingEngine shippedEngine(
        ParsingEngine::defaultModifiers(), unitNames(), [&] { return shipped.trie(); });
    reportSlowestLines(all);
    showMisses(shippedEngine, all);
    reportBlocks("shipped ingredients.txt", shippedEngine, all);
    reportBlocks("shipped ingredients.txt, numbered steps", shippedEngine, recipes(true));
    reportBlocks("20,000 names", largeEngine(), all);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
