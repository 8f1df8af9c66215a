// Ingredient lines read by IngredientLineParser: amount, unit, modifier and ingredient, over plain
// ingredient names as a fresh library's trie holds them, each new ingredient kept as the store
// would create it. One benchmark parses into RecipeIngredientMO objects of a store instead.
// The lines are real ones from the evaluation data ($KITCHORA_EVALDATA, else shared/evaldata
// beside the checkout): the input column of bbc-2017 and cookstr-2017, the first 100,000
// non-empty lines. Before timing, every labelled line of the evaluation data is parsed once and
// the share whose amount, unit and ingredient agree with the labels is printed, as is the slowest
// line against 20,000 more ingredient names. BM_ParseHostileLongLines times 40,000-character lines
// of one piece repeated.
//
// KITCHORA_DUMP_PARSES=<file> writes every parsed field of every evaluation line (and of some
// joined and repeated lines) to the file instead of timing, so that two builds of the parser can
// be compared line by line.
#include "../tests/model/parsing/IngredientLineScoring.h"
#include "BaseMOAdditions.h"
#include "BenchServices.h"
#include "ConstantManager.h"
#include "EntityDescription.h"
#include "EvalData.h"
#include "IngredientLineParser.h"
#include "IngredientTrie.h"
#include "Log.h"
#include "ManagedObjectContext.h"
#include "ManagedObjectModel.h"
#include "ModelClasses.h"
#include "ParsingEngine.h"
#include "PersistentStoreCoordinator.h"
#include "RecipeIngredientMO.h"
#include "UnitsEngine.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSet>
#include <benchmark/benchmark.h>
#include <cstdio>

namespace
{

const ManagedObjectModel& libraryModel()
{
    static std::unique_ptr<ManagedObjectModel> model = [] {
        registerModelClasses();
        return ManagedObjectModel::modelWithContentsOfFile(QStringLiteral(":/Kitchora.model.json"));
    }();
    return *model;
}

// A context in memory as the program's first run leaves a library: the placeholder entries. Its
// trie holds ingredients.txt and `extra`.
struct Library {
    explicit Library(const QStringList& extra = {})
        : coordinator(&libraryModel())
    {
        context.setPersistentStoreCoordinator(&coordinator);
        BaseMOAdditions::findOrCreatePlaceholderEntries(&context);
        trie = IngredientTrie::ingredientTrieForContext(&context);
        for (const QString& name : extra)
            trie->addIngredient(name);
        extraNames = extra.size();
    }
    ~Library() { IngredientTrie::removeIngredientTrieForContext(&context); }

    RecipeIngredientMO* parse(const QString& text)
    {
        auto* line = static_cast<RecipeIngredientMO*>(
            EntityDescription::insertNewObjectForEntityForName(QStringLiteral("RecipeIngredient"), &context));
        line->setString(text);
        return line;
    }

    PersistentStoreCoordinator coordinator;
    ManagedObjectContext context;
    std::shared_ptr<IngredientTrie> trie;
    qsizetype extraNames = 0;
};

// The parser over the names of a fresh Library with `extra`, without its store.
struct Names {
    explicit Names(const QStringList& extra = {})
        : names(IngredientLineScoring::ingredientNames({ QStringLiteral("Ingredient") }, extra))
        , parser(IngredientLineScoring::lineParser(names))
        , extraNames(extra.size())
    {
    }

    IngredientLineParser::Result parse(const QString& text)
    {
        return IngredientLineScoring::parseLikeTheStore(parser, *names, text);
    }

    std::shared_ptr<OFTrie> names;
    IngredientLineParser parser;
    qsizetype extraNames = 0;
};

struct Labelled {
    QString line;
    QString name;
    QString quantity; // first quantity, "A#B$C" for A + B/C
    QString unit;
};

struct EvalFile {
    QString name;
    QList<Labelled> rows;
};

const QList<EvalFile>& evalFiles()
{
    static const QList<EvalFile> files = [] {
        QList<EvalFile> result;
        const QDir folder(EvalData::folder() + QStringLiteral("/ingredient-lines/strangetom"));
        for (const char* name : { "bbc-2017.csv", "cookstr-2017.csv", "allrecipes-2017.csv",
                 "strangerfoods.csv", "tastecooking-2024.csv" }) {
            QFile file(folder.filePath(QString::fromLatin1(name)));
            if (!file.open(QIODevice::ReadOnly))
                continue;
            EvalFile evalFile { QString::fromLatin1(name), {} };
            const QString text = QString::fromUtf8(file.readAll());
            qsizetype pos = 0;
            QStringList fields;
            EvalData::readRecord(text, pos, fields);
            const qsizetype input = fields.indexOf(QStringLiteral("input"));
            const qsizetype label = fields.indexOf(QStringLiteral("name"));
            const qsizetype quantity = fields.indexOf(QStringLiteral("quantity"));
            const qsizetype unit = fields.indexOf(QStringLiteral("unit"));
            const qsizetype last = std::max({ input, label, quantity, unit });
            while (EvalData::readRecord(text, pos, fields)) {
                if (fields.size() <= last || fields[input].trimmed().isEmpty())
                    continue;
                evalFile.rows.append(
                    { fields[input], fields[label], fields[quantity].section(u' ', 0, 0), fields[unit] });
            }
            result << evalFile;
        }
        return result;
    }();
    return files;
}

double quantityValue(const QString& text)
{
    const qsizetype hash = text.indexOf(u'#');
    if (hash < 0)
        return text.toDouble();
    const qsizetype dollar = text.indexOf(u'$', hash);
    const double whole = hash > 0 ? text.left(hash).toDouble() : 0.0;
    if (dollar < 0)
        return whole;
    const double denominator = text.mid(dollar + 1).toDouble();
    return denominator == 0 ? whole : whole + text.mid(hash + 1, dollar - hash - 1).toDouble() / denominator;
}

bool unitAgrees(const QString& parsed, const QString& labelled)
{
    // A label may list several units ("g oz" for "150g/5oz"); the whole label is tried first.
    if (IngredientLineScoring::sameUnit(parsed, labelled))
        return true;
    return IngredientLineScoring::sameUnit(parsed, labelled.section(u' ', 0, 0));
}

// The first number of an amount: "2" of "2-3" and "2 to 3", "1 1/2" of "1 1/2-2".
QString firstAmount(const QString& text)
{
    QString first = text.section(QStringLiteral(" to "), 0, 0);
    const qsizetype dash = first.indexOf(u'-', 1);
    return dash > 0 ? first.left(dash) : first;
}

// The labelled name ends with the parsed one ("ground turkey" and "turkey"): the parser keeps
// preparation words such as "ground" or "fresh" out of the ingredient, the labels keep them in.
bool nameEndsWith(const QString& labelled, const QString& parsed)
{
    const QString label = labelled.trimmed().toLower();
    const QString name = parsed.trimmed().toLower();
    if (name.isEmpty())
        return label.isEmpty();
    for (const QString& ending : { QString(), QStringLiteral("s"), QStringLiteral("es") }) {
        for (const QString& candidate :
            { name + ending, name.endsWith(ending) ? name.chopped(ending.size()) : name }) {
            if (candidate.isEmpty() || !label.endsWith(candidate))
                continue;
            const qsizetype at = label.size() - candidate.size();
            if (at == 0 || !label.at(at - 1).isLetter())
                return true;
        }
    }
    return IngredientLineScoring::sameName(parsed, labelled);
}

void reportEvalShares()
{
    int allLines = 0, allRight = 0, allLenient = 0;
    // KITCHORA_SHOW_MISSES=<file name> lists the first misses of that file.
    int showMisses = 40;
    std::printf("name: exact (any case, plural) / labelled name ends with the parsed one\n");
    for (const EvalFile& file : evalFiles()) {
        Names library;
        int amounts = 0, units = 0, names = 0, lenientNames = 0, right = 0, lenient = 0;
        int scored = 0;
        for (const Labelled& row : file.rows) {
            // Many rows of the larger files carry no labels at all: nothing to score against.
            if (row.name.trimmed().isEmpty() && row.quantity.isEmpty() && row.unit.trimmed().isEmpty())
                continue;
            ++scored;
            const IngredientLineParser::Result line = library.parse(row.line);
            const QString labelAmount = firstAmount(row.quantity);
            const bool amount = IngredientLineScoring::sameAmountValue(
                firstAmount(line.amount), quantityValue(labelAmount), labelAmount.isEmpty());
            const bool unit = unitAgrees(line.unit, row.unit);
            const QString& parsedName = line.ingredient;
            const bool name = IngredientLineScoring::sameName(parsedName, row.name);
            const bool lenientName = nameEndsWith(row.name, parsedName);
            amounts += amount;
            units += unit;
            names += name;
            lenientNames += lenientName;
            right += amount && unit && name;
            lenient += amount && unit && lenientName;
            if (!(amount && unit && lenientName) && showMisses > 0
                && file.name == qEnvironmentVariable("KITCHORA_SHOW_MISSES")) {
                --showMisses;
                std::fprintf(stderr, "miss: %s -> [%s] [%s] [%s]; labels [%s] [%s] [%s]\n",
                    qPrintable(row.line), qPrintable(line.amount), qPrintable(line.unit),
                    qPrintable(parsedName), qPrintable(row.quantity), qPrintable(row.unit),
                    qPrintable(row.name));
            }
        }
        const double n = scored;
        std::printf("%-22s %6d lines: all three right %5.1f%% / %5.1f%%  amount %5.1f%%  unit %5.1f%%  "
                    "name %5.1f%% / %5.1f%%\n",
            qPrintable(file.name), scored, 100 * right / n, 100 * lenient / n, 100 * amounts / n,
            100 * units / n, 100 * names / n, 100 * lenientNames / n);
        allLines += scored;
        allRight += right;
        allLenient += lenient;
    }
    if (allLines)
        std::printf("all files: %d of %d lines right (%.1f%%); %d (%.1f%%) with the lenient name\n", allRight,
            allLines, 100.0 * allRight / allLines, allLenient, 100.0 * allLenient / allLines);
}

const QStringList& timedLines()
{
    static const QStringList lines = [] {
        QStringList result;
        for (const EvalFile& file : evalFiles()) {
            if (file.name != QLatin1String("bbc-2017.csv") && file.name != QLatin1String("cookstr-2017.csv"))
                continue;
            for (const Labelled& row : file.rows) {
                if (result.size() == 100000)
                    break;
                result << row.line;
            }
        }
        return result;
    }();
    return lines;
}

// Some 20,000 ingredient names: the labelled names and their plurals.
QStringList largeVocabulary()
{
    QStringList names;
    QSet<QString> seen;
    for (const EvalFile& file : evalFiles()) {
        for (const Labelled& row : file.rows) {
            const QString name = row.name.trimmed().toLower();
            if (!name.isEmpty() && !seen.contains(name)) {
                seen.insert(name);
                names << name;
            }
        }
    }
    for (qsizetype i = 0; i < names.size() && names.size() < 20000; ++i) {
        const QString plural = names[i] + u's';
        if (!seen.contains(plural)) {
            seen.insert(plural);
            names << plural;
        }
    }
    if (names.size() > 20000)
        names.resize(20000);
    return names;
}

void reportSlowestLine(Names& library)
{
    qint64 slowest = 0;
    QString slowestLine;
    QElapsedTimer timer;
    for (const QString& text : timedLines()) {
        timer.start();
        const IngredientLineParser::Result line = library.parse(text);
        benchmark::DoNotOptimize(line);
        const qint64 ns = timer.nsecsElapsed();
        if (ns > slowest) {
            slowest = ns;
            slowestLine = text;
        }
    }
    std::printf("slowest line with ingredients.txt and %lld more names: %.3f ms (%s)\n",
        (long long)library.extraNames, slowest / 1e6, qPrintable(slowestLine));
}

void parseLines(benchmark::State& state, const QStringList& extraNames)
{
    const QStringList& lines = timedLines();
    for (auto _ : state) {
        state.PauseTiming();
        auto library = std::make_unique<Names>(extraNames);
        state.ResumeTiming();
        for (const QString& text : lines) {
            const IngredientLineParser::Result line = library->parse(text);
            benchmark::DoNotOptimize(line);
        }
        state.PauseTiming();
        library.reset();
        state.ResumeTiming();
    }
    state.counters["lines/s"]
        = benchmark::Counter(double(lines.size()), benchmark::Counter::kIsIterationInvariantRate);
}

void BM_ParseLines(benchmark::State& state)
{
    parseLines(state, {});
}
BENCHMARK(BM_ParseLines)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_ParseLinesLargeTrie(benchmark::State& state)
{
    static const QStringList names = largeVocabulary();
    parseLines(state, names);
}
BENCHMARK(BM_ParseLinesLargeTrie)->Unit(benchmark::kMillisecond)->Iterations(1);

// The same lines into RecipeIngredientMO objects of a store with its ingredient trie.
void BM_ParseLinesThroughStore(benchmark::State& state)
{
    const QStringList& lines = timedLines();
    Log::Capture quiet;
    for (auto _ : state) {
        state.PauseTiming();
        auto library = std::make_unique<Library>();
        state.ResumeTiming();
        for (const QString& text : lines) {
            RecipeIngredientMO* line = library->parse(text);
            benchmark::DoNotOptimize(line);
        }
        quiet.clear();
        state.PauseTiming();
        library.reset();
        state.ResumeTiming();
    }
    state.counters["lines/s"]
        = benchmark::Counter(double(lines.size()), benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_ParseLinesThroughStore)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_ParseHostileLongLines(benchmark::State& state)
{
    const IngredientLineScoring::RepeatedPiece shape
        = IngredientLineScoring::hostilePieces().at(state.range(0));
    state.SetLabel(shape.name);
    const QString text = IngredientLineScoring::repeatedTo(shape.piece, 40000);
    Names library;
    for (auto _ : state) {
        const IngredientLineParser::Result line = library.parser.parse(text);
        benchmark::DoNotOptimize(line);
    }
}
BENCHMARK(BM_ParseHostileLongLines)
    ->DenseRange(0, IngredientLineScoring::hostilePieces().size() - 1)
    ->Unit(benchmark::kMillisecond);

QString rangeText(Range range)
{
    return QStringLiteral("%1+%2").arg(range.location).arg(range.length);
}

// Every field of the parse and the known ingredients of the line, on one line of text.
QString parseDump(Names& library, const QString& text)
{
    const IngredientLineParser::Result r = library.parse(text);
    QStringList fields { text, r.amount, rangeText(r.amountRange), r.unit, rangeText(r.unitRange),
        r.modifiers.join(u'|'), r.modifier, rangeText(r.modifierRange),
        QString::number(int(r.ingredientKind)), r.ingredientKey, r.ingredient, rangeText(r.ingredientRange) };
    const ParsingEngine::KnownIngredients known = IngredientLineScoring::knownIngredientsOf(library.names);
    for (const ParsingEngine::KnownMention& mention :
        ParsingEngine::knownIngredientsInString(text, known, UnitsEngine::defaultEngine().unitNames()))
        fields << mention.key + u'=' + mention.name;
    return fields.join(u'\t').replace(u'\n', u' ') + u'\n';
}

int dumpParses(const QString& path)
{
    QFile out(path);
    if (!out.open(QIODevice::WriteOnly))
        return 1;
    qsizetype lines = 0;
    QStringList all;
    for (const bool large : { false, true }) {
        for (const EvalFile& file : evalFiles()) {
            Names library(large ? largeVocabulary() : QStringList());
            for (const Labelled& row : file.rows) {
                out.write(parseDump(library, row.line).toUtf8());
                ++lines;
                if (!large)
                    all << row.line;
            }
        }
    }
    // Lines joined in twos and fours, and the long shapes at a length the old parser manages.
    Names library(largeVocabulary());
    for (qsizetype i = 0; i + 3 < all.size(); i += 2) {
        out.write(parseDump(library, all[i] + u' ' + all[i + 1]).toUtf8());
        if (i % 8 == 0)
            out.write(parseDump(library, all[i] + u' ' + all[i + 1] + u' ' + all[i + 2] + u' ' + all[i + 3])
                          .toUtf8());
    }
    for (const IngredientLineScoring::RepeatedPiece& shape : IngredientLineScoring::hostilePieces()) {
        for (const qsizetype length : { 1, 7, 50, 333, 2000 })
            out.write(parseDump(library, IngredientLineScoring::repeatedTo(shape.piece, length)).toUtf8());
    }
    std::printf("%lld evaluation lines written to %s\n", (long long)lines / 2, qPrintable(path));
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    ConstantManager::importRecipeViewingConstants();
    useFirstRunDefaults();
    UnitsEngine::defaultEngine().loadUnits(QString());
    if (timedLines().isEmpty()) {
        std::printf("evaluation data not found\n");
        return 1;
    }
    if (qEnvironmentVariableIsSet("KITCHORA_DUMP_PARSES"))
        return dumpParses(qEnvironmentVariable("KITCHORA_DUMP_PARSES"));
    std::printf("%lld timed lines\n", (long long)timedLines().size());
    reportEvalShares();
    {
        Names large(largeVocabulary());
        reportSlowestLine(large);
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
