// Times the importer's host tool as the indexer would run it: over 10,000 recipe metadata files in
// one run, and over one card file of 10,000 cards. Each timing includes the tool's start and its
// loading of the plug-in.
#include "PropertyList.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace
{

constexpr int count = 10000;

// Runs the tool; the number of lines it printed, or -1 when it failed.
qsizetype runTool(const QStringList& arguments)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start(QStringLiteral(KITCHORA_MDIMPORT), arguments);
    if (!process.waitForFinished(600000) || process.exitStatus() != QProcess::NormalExit
        || process.exitCode() != 0)
        return -1;
    return process.readAllStandardOutput().count('\n');
}

// Files shaped like the program's: every field, eight ingredients.
QStringList metaDataFiles(const QTemporaryDir& dir)
{
    QStringList files;
    for (int i = 0; i < count; ++i) {
        QVariantMap metadata { { QStringLiteral("title"), QStringLiteral("Recipe %1").arg(i) },
            { QStringLiteral("recipeDescription"), QStringLiteral("A simple dish for weeknights.") },
            { QStringLiteral("author"), QStringLiteral("Home") },
            { QStringLiteral("cuisine"), QStringLiteral("French") },
            { QStringLiteral("category"), QStringLiteral("Soups") },
            { QStringLiteral("cookTime"), QStringLiteral("45 minutes") },
            { QStringLiteral("starRating"), 4.0 },
            { QStringLiteral("contentCreationDate"), QDateTime::fromSecsSinceEpoch(1700000000 + i, Qt::UTC) },
            { QStringLiteral("coreDataObjectID"), QStringLiteral("x-coredata://store/Recipe/p%1").arg(i) } };
        QStringList ingredients;
        for (int n = 1; n <= 8; ++n)
            ingredients.append(QStringLiteral("ingredient %1").arg(n));
        metadata.insert(QStringLiteral("ingredients"), ingredients);
        const QString path = dir.filePath(QStringLiteral("Recipe %1-p%1.recipemetadata").arg(i));
        if (!PropertyList::writePropertyList(metadata, path, PropertyList::Format::Xml))
            return {};
        files.append(path);
    }
    return files;
}

QString cardFile(const QTemporaryDir& dir)
{
    QString text;
    for (int i = 0; i < count; ++i) {
        text += QStringLiteral(
            "BEGIN:VRECIPECARD\nVERSION:1.0\nNAME:Recipe %1\nCATEGORY:Soups\nCUISINE:French\n"
            "DESCRIPTION:<<start>>A simple dish for weeknights.\n\nIt keeps well.<<end>>\n"
            "YIELD:4 servings\nCOOKTIME:45 minutes\nKITCHEN:Home\n")
                    .arg(i);
        for (int n = 1; n <= 8; ++n)
            text += QStringLiteral("ING:%1:%1;cups;chopped;ingredient %1;%1 cups chopped ingredient %1\n")
                        .arg(n);
        for (int n = 1; n <= 5; ++n)
            text += QStringLiteral("DIR:%1:Step %1: stir, then wait a few minutes.\n").arg(n);
        text += QStringLiteral("NOTE:1:Freezes well.\nEND:VRECIPECARD\n");
    }
    const QString path = dir.filePath(QStringLiteral("cards.vrc"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(text.toUtf8()) < 0)
        return {};
    return path;
}

void importMetaDataFiles(benchmark::State& state)
{
    QTemporaryDir dir;
    const QStringList files = metaDataFiles(dir);
    if (files.size() != count) {
        state.SkipWithError("cannot write the metadata files");
        return;
    }
    for (auto _ : state) {
        if (runTool(files) != count)
            state.SkipWithError("the tool failed");
    }
    state.counters["files/s"]
        = benchmark::Counter(static_cast<double>(state.iterations()) * count, benchmark::Counter::kIsRate);
}

void importCardFile(benchmark::State& state)
{
    QTemporaryDir dir;
    const QString file = cardFile(dir);
    if (file.isEmpty()) {
        state.SkipWithError("cannot write the card file");
        return;
    }
    for (auto _ : state) {
        if (runTool({ file }) != 1)
            state.SkipWithError("the tool failed");
    }
    state.counters["cards/s"]
        = benchmark::Counter(static_cast<double>(state.iterations()) * count, benchmark::Counter::kIsRate);
}

} // namespace

BENCHMARK(importMetaDataFiles)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(importCardFile)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_MAIN();
