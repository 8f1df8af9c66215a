// The import window opening a document of about 1 MB on the offscreen platform, the window
// 700 by 900 and shown. Times:
//   open_text  reading a plain text file of recipes into the window until its text is laid out
//   open_rtf   the same text as an RTF file (skipped while the reader answers no string for it)
//   find_areas placing the ingredients and directions areas over the loaded text
// The text is the evaluation data's recipes (title, ingredients, steps) repeated to 1 MB, or
// a made-up recipe repeated when the data is not at hand.
#include "ConstantManager.h"
#include "DocumentReader.h"
#include "EntityDescription.h"
#include "EvalData.h"
#include "FirstRunLibrary.h"
#include "ImportController.h"
#include "IngredientTrie.h"
#include "ManagedObjectContext.h"
#include "ManagedObjectModel.h"
#include "ModelClasses.h"
#include "PersistentStoreCoordinator.h"
#include "UnitsEngine.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
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

constexpr qsizetype kTargetSize = 1024 * 1024;

QString recipeText()
{
    QString text;
    QFile file(EvalData::folder() + QStringLiteral("/recipes/recipe-scrapers/expected.jsonl"));
    if (file.open(QIODevice::ReadOnly)) {
        while (!file.atEnd() && text.size() < kTargetSize) {
            const QJsonObject record = QJsonDocument::fromJson(file.readLine()).object();
            QStringList lines { record.value(QStringLiteral("title")).toString(), QString() };
            for (const QJsonValue& line : record.value(QStringLiteral("ingredients")).toArray())
                lines.append(line.toString());
            lines.append(QString());
            for (const QJsonValue& step : record.value(QStringLiteral("instructions_list")).toArray())
                lines.append(step.toString());
            text += lines.join(u'\n') + QStringLiteral("\n\n");
        }
    }
    const QString fallback = QStringLiteral(
        "Sugar Cookies\n\n2 cups all-purpose flour\n1 cup sugar\n2 eggs\n1 cup butter, softened\n\n"
        "1. Cream the butter and the sugar until light and fluffy, about three minutes.\n"
        "2. Beat in the eggs, then stir in the flour until just combined.\n\n");
    while (text.size() < kTargetSize)
        text += fallback;
    return text.left(kTargetSize);
}

QByteArray rtfOf(const QString& text)
{
    QByteArray rtf("{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Helvetica;}}\\f0\\fs24 ");
    for (const QChar c : text) {
        if (c == u'\n')
            rtf += "\\par\n";
        else if (c == u'\\' || c == u'{' || c == u'}')
            rtf += '\\' + QByteArray(1, char(c.unicode()));
        else if (c.unicode() < 128)
            rtf += char(c.unicode());
        else
            rtf += "\\u" + QByteArray::number(qint16(c.unicode())) + '?';
    }
    return rtf + '}';
}

struct WindowBench {
    FirstRunLibrary library;
    QTemporaryDir& dir = library.dir;
    std::unique_ptr<ImportController> controller;
    QString textPath;
    QString rtfPath;

    bool setUp()
    {
        if (!library.setUp(QStringLiteral("Import.recipedb")))
            return false;

        const QString text = recipeText();
        textPath = dir.filePath(QStringLiteral("recipes.txt"));
        rtfPath = dir.filePath(QStringLiteral("recipes.rtf"));
        QFile plain(textPath);
        QFile rich(rtfPath);
        if (!plain.open(QIODevice::WriteOnly) || !rich.open(QIODevice::WriteOnly))
            return false;
        plain.write(text.toUtf8());
        rich.write(rtfOf(text));

        controller = std::make_unique<ImportController>();
        controller->importWindow()->resize(700, 900);
        controller->importWindow()->show();
        QApplication::processEvents();
        return true;
    }

    bool open(const QString& path)
    {
        controller->importView()->clearAreas();
        const bool read = controller->readDataForFilename(path);
        // Laid out to the end, as scrolling through it would need.
        benchmark::DoNotOptimize(controller->importView()->document()->documentLayout()->documentSize());
        return read;
    }
};

WindowBench* bench()
{
    static WindowBench* instance = [] {
        auto* made = new WindowBench;
        if (!made->setUp()) {
            delete made;
            return static_cast<WindowBench*>(nullptr);
        }
        return made;
    }();
    return instance;
}

using Clock = std::chrono::steady_clock;

void openFile(benchmark::State& state, bool rtf)
{
    if (!bench()) {
        state.SkipWithError("no store");
        return;
    }
    WindowBench& window = *bench();
    const QString path = rtf ? window.rtfPath : window.textPath;
    for (auto _ : state) {
        window.controller->importView()->clear();
        const auto start = Clock::now();
        const bool read = window.open(path);
        state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
        if (!read) {
            state.SkipWithError("the reader answers no string for this kind");
            return;
        }
    }
    state.counters["bytes"] = double(QFile(path).size());
    state.counters["characters"] = double(window.controller->importView()->string().size());
}

void BM_OpenText(benchmark::State& state)
{
    openFile(state, false);
}
BENCHMARK(BM_OpenText)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_OpenRTF(benchmark::State& state)
{
    openFile(state, true);
}
BENCHMARK(BM_OpenRTF)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_FindAreas(benchmark::State& state)
{
    if (!bench()) {
        state.SkipWithError("no store");
        return;
    }
    WindowBench& window = *bench();
    window.open(window.textPath);
    for (auto _ : state) {
        window.controller->importView()->clearAreas();
        const auto start = Clock::now();
        window.controller->findAreas();
        state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
    }
    state.counters["areas"] = double(window.controller->importView()->areaCount());
}
BENCHMARK(BM_FindAreas)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    useFirstRunDefaults();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
