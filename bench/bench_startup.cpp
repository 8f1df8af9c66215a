// Cold start and quit of the program itself, on libraries of 5,000 and 50,000 recipes as a user
// has them (made from the sample cards by the sample-library tool, then opened once by the program,
// which adds the built-in collections and settings of a first run). Each iteration starts
// `kitchora` on the offscreen platform with KITCHORA_STARTUP_PROBE set: the program times its main
// window's first paint from the top of main (shown_ms), then quits as the user would and times that
// until main is left (quit_ms, no changes to save). process_ms is the whole process, from start to
// exit, as seen from here.
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <chrono>
#include <map>
#include <memory>
#include <string>

namespace
{

struct Library {
    QTemporaryDir home;
    bool ready = false;
    QString failure;
};

QProcessEnvironment programEnvironment(const QTemporaryDir& home, const QString& probePath)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_DATA_HOME"), home.filePath(QStringLiteral("data")));
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), home.filePath(QStringLiteral("config")));
    environment.insert(QStringLiteral("XDG_CACHE_HOME"), home.filePath(QStringLiteral("cache")));
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    environment.insert(QStringLiteral("KITCHORA_STARTUP_PROBE"), probePath);
    return environment;
}

bool run(const QString& program, const QStringList& arguments, const QProcessEnvironment& environment,
    QString* failure, int timeoutMs = 600000)
{
    QProcess process;
    process.setProcessEnvironment(environment);
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    if (!process.waitForFinished(timeoutMs) || process.exitStatus() != QProcess::NormalExit
        || process.exitCode() != 0) {
        *failure
            = QStringLiteral("%1 failed: %2").arg(program, QString::fromUtf8(process.readAll()).left(2000));
        return false;
    }
    return true;
}

// `count` recipes: the sample cards over and over, each copy under a name of its own.
QByteArray cards(int count)
{
    QFile file(QStringLiteral(KITCHORA_SOURCE_DIR "/resources/sample/SampleLibrary.vrc"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QString text = QString::fromUtf8(file.readAll());
    QStringList sample;
    for (const QString& card : text.split(QStringLiteral("END:VRECIPECARD"), Qt::SkipEmptyParts)) {
        if (card.contains(QStringLiteral("BEGIN:VRECIPECARD")))
            sample.append(card.trimmed() + QStringLiteral("\nEND:VRECIPECARD\n"));
    }
    if (sample.isEmpty())
        return {};
    static const QRegularExpression name(QStringLiteral("^NAME:(.*)$"), QRegularExpression::MultilineOption);
    QString out;
    for (int n = 0; n < count; ++n) {
        QString card = sample[n % sample.size()];
        card.replace(name, QStringLiteral("NAME:\\1 %1").arg(n / sample.size() + 1));
        out += card;
    }
    return out.toUtf8();
}

Library& library(int count)
{
    static std::map<int, std::unique_ptr<Library>> libraries;
    std::unique_ptr<Library>& slot = libraries[count];
    if (slot)
        return *slot;
    slot = std::make_unique<Library>();
    Library& made = *slot;
    const QTemporaryDir& home = made.home;
    const QString cardsPath = home.filePath(QStringLiteral("cards.vrc"));
    QFile cardFile(cardsPath);
    if (!cardFile.open(QIODevice::WriteOnly) || cardFile.write(cards(count)) <= 0) {
        made.failure = QStringLiteral("cannot write the cards");
        return made;
    }
    cardFile.close();
    // The program keeps its store as <data>/<organisation>/<application>/<executable>.recipedb.
    const QString storeFolder = home.filePath(QStringLiteral("data/Kitchora/Kitchora"));
    QDir().mkpath(storeFolder);
    QDir().mkpath(home.filePath(QStringLiteral("config")));
    QDir().mkpath(home.filePath(QStringLiteral("cache")));
    const QString store = storeFolder + QStringLiteral("/kitchora.recipedb");
    QProcessEnvironment toolEnvironment = QProcessEnvironment::systemEnvironment();
    if (!run(QStringLiteral(KITCHORA_SAMPLE_TOOL), { cardsPath, store }, toolEnvironment, &made.failure))
        return made;
    QFile::remove(cardsPath);
    // The first run on it, which is not measured.
    if (!run(QStringLiteral(KITCHORA_PROGRAM), {},
            programEnvironment(home, home.filePath(QStringLiteral("warm-up.txt"))), &made.failure))
        return made;
    made.ready = true;
    return made;
}

void BM_StartAndQuit(benchmark::State& state)
{
    Library& made = library(int(state.range(0)));
    if (!made.ready) {
        static std::string message;
        message = made.failure.toStdString();
        state.SkipWithError(message.c_str());
        return;
    }
    const QString probe = made.home.filePath(QStringLiteral("probe.txt"));
    const QProcessEnvironment environment = programEnvironment(made.home, probe);
    double shownMs = 0, quitMs = 0, processMs = 0;
    static const QRegularExpression report(QStringLiteral("^shown_ms=([0-9.]+) quit_ms=([0-9.]+)"));
    for (auto _ : state) {
        QFile::remove(probe);
        QString failure;
        const auto start = std::chrono::steady_clock::now();
        if (!run(QStringLiteral(KITCHORA_PROGRAM), {}, environment, &failure, 120000)) {
            static std::string message;
            message = failure.toStdString();
            state.SkipWithError(message.c_str());
            return;
        }
        const double elapsed
            = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
        state.SetIterationTime(elapsed / 1000.0);
        QFile file(probe);
        const QRegularExpressionMatch match = file.open(QIODevice::ReadOnly)
            ? report.match(QString::fromUtf8(file.readAll()))
            : QRegularExpressionMatch();
        if (!match.hasMatch()) {
            state.SkipWithError("the program did not report its start and quit");
            return;
        }
        shownMs += match.captured(1).toDouble();
        quitMs += match.captured(2).toDouble();
        processMs += elapsed;
    }
    const double runs = double(state.iterations());
    state.counters["shown_ms"] = shownMs / runs;
    state.counters["quit_ms"] = quitMs / runs;
    state.counters["process_ms"] = processMs / runs;
}

} // namespace

BENCHMARK(BM_StartAndQuit)
    ->Arg(5000)
    ->Arg(50000)
    ->Iterations(5)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
