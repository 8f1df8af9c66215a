// Device sharing over the synced folder, on the real event loop: 1,000 recipe files with a
// picture each, left by a device in this computer's folder, received into the library (each
// recipe made and saved); and 1,000 recipes sent to a device in one drop. Items per second and
// the main thread's longest stall (a 1 ms probe timer's longest late tick), with the processor
// time the main thread spent in that stall (little of it: the thread waited, on a disk flush or
// a file operation), the stalls over 50 ms, and the main thread's processor time in all.
#include "BenchServices.h"
#include "ConstantManager.h"
#include "DBSession.h"
#include "EntityDescription.h"
#include "ManagedObjectContext.h"
#include "ManagedObjectModel.h"
#include "ModelClasses.h"
#include "PersistentStoreCoordinator.h"
#include "PropertyList.h"
#include "QLMDropboxController.h"
#include "QLMPlistToAndFromRecipeMO.h"
#include "RecipeMO.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QThreadPool>
#include <QTimer>
#include <benchmark/benchmark.h>
#include <ctime>

namespace
{

constexpr int itemCount = 1000;

// The calling thread's processor time, in nanoseconds.
qint64 threadCpuNs()
{
    timespec now {};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return qint64(now.tv_sec) * 1000000000 + now.tv_nsec;
}

// The longest time the main loop was kept from a 1 ms timer while it lives.
class StallProbe
{
public:
    StallProbe()
    {
        m_sinceTick.start();
        m_cpuAtTick = threadCpuNs();
        m_timer.setInterval(1);
        QObject::connect(&m_timer, &QTimer::timeout, &m_timer, [this] {
            const qint64 late = m_sinceTick.nsecsElapsed() - 1000000;
            const qint64 cpu = threadCpuNs();
            if (late > m_longestNs) {
                m_longestNs = late;
                m_longestCpuNs = cpu - m_cpuAtTick;
            }
            m_over50 += late > 50000000 ? 1 : 0;
            m_cpuAtTick = cpu;
            m_sinceTick.restart();
        });
        m_timer.start();
    }
    double longestMs() const { return double(m_longestNs) / 1e6; }
    double longestCpuMs() const { return double(m_longestCpuNs) / 1e6; }
    int stallsOver50Ms() const { return m_over50; }

private:
    QTimer m_timer;
    QElapsedTimer m_sinceTick;
    qint64 m_longestNs = 0;
    qint64 m_longestCpuNs = 0;
    qint64 m_cpuAtTick = 0;
    int m_over50 = 0;
};

void writeFile(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(bytes);
}

struct Library {
    std::unique_ptr<ManagedObjectModel> model;
    QTemporaryDir dir;
    BenchServices services;
    std::unique_ptr<PersistentStoreCoordinator> coordinator;
    std::unique_ptr<ManagedObjectContext> context;

    bool open()
    {
        model = ManagedObjectModel::modelWithContentsOfFile(QStringLiteral(":/Kitchora.model.json"));
        if (!model)
            return false;
        KitchoraServices::setShared(&services);
        coordinator = std::make_unique<PersistentStoreCoordinator>(model.get());
        coordinator->addPersistentStoreWithType(
            PersistentStoreCoordinator::SQLiteStoreType, {}, dir.filePath(QStringLiteral("Bench.recipedb")));
        context = std::make_unique<ManagedObjectContext>();
        context->setPersistentStoreCoordinator(coordinator.get());
        services.context = context.get();
        ManagedObject* library = EntityDescription::insertNewObjectForEntityForName(
            QStringLiteral("ManualCollection"), context.get());
        library->setValueForKey(QStringLiteral("RBCollectionKindMainLibrary"), QStringLiteral("kind"));
        services.library = library;
        return context->save();
    }
    ~Library()
    {
        context.reset();
        coordinator.reset();
        KitchoraServices::setShared(nullptr);
    }
};

// The card text a device sends for a recipe of five ingredient lines.
QString cardText(ManagedObjectContext& context)
{
    auto* recipe = dynamic_cast<RecipeMO*>(
        EntityDescription::insertNewObjectForEntityForName(QStringLiteral("Recipe"), &context));
    recipe->setValueForKey(QStringLiteral("Bench Soup"), QStringLiteral("name"));
    QEventLoop().processEvents();
    const QString card = QLMPlistToAndFromRecipeMO::plistFromRecipeMO(recipe)
                             .value_or(QVariantMap())
                             .value("vrcText")
                             .toString();
    context.deleteObject(recipe);
    context.save();
    return card;
}

void waitFor(const std::function<bool()>& done)
{
    QEventLoop loop;
    while (!done())
        loop.processEvents(QEventLoop::WaitForMoreEvents);
}

void BM_ReceiveRecipesWithPictures(benchmark::State& state)
{
    useFirstRunDefaults();
    registerModelClasses();
    ConstantManager::importRecipeViewingConstants();
    ConstantManager::importRecipeImportConstants();
    for (auto _ : state) {
        state.PauseTiming();
        Library library;
        if (!library.open()) {
            state.SkipWithError("no library store");
            return;
        }
        const QString card = cardText(*library.context);
        QTemporaryDir synced;
        const QString root = QFileInfo(synced.path()).canonicalFilePath();
        auto session = std::make_shared<DBSession>(QStringLiteral("benchkey"), QString(), kDBRootDropbox);
        session->linkFolder(root);
        DBSession::setSharedSession(session);
        const QString folder = root + QStringLiteral("/Kitchora/Devices/Mac/Recipes/");
        QImage image(320, 240, QImage::Format_RGB32);
        image.fill(Qt::darkYellow);
        QByteArray picture;
        QBuffer buffer(&picture);
        buffer.open(QIODevice::WriteOnly);
        image.save(&buffer, "JPEG", 90);
        for (int i = 0; i < itemCount; ++i) {
            const QVariantMap recipe { { QStringLiteral("name"), QStringLiteral("Soup %1").arg(i) },
                { QStringLiteral("vrcText"), card }, { QStringLiteral("onlineID"), i + 1 } };
            writeFile(folder + QStringLiteral("Soup-%1.plist").arg(i + 1),
                PropertyList::dataWithPropertyList(recipe, PropertyList::Format::Binary));
            writeFile(folder + QStringLiteral("Images/%1-imageData.jpg").arg(i + 1), picture);
        }
        QLMDropboxController dropbox(
            { QStringLiteral("Mac"), QStringLiteral("BENCH"), QStringLiteral("1") }, [](const QString&) {});
        state.ResumeTiming();

        StallProbe probe;
        QElapsedTimer clock;
        clock.start();
        const qint64 cpuBefore = threadCpuNs();
        int answered = 0;
        int made = 0;
        dropbox.processRecipePlistsAndImagesIndividuallyWithBlock(
            [&](const QVariantMap& plist, const QByteArray& image) {
                ++answered;
                const bool ok = dropbox.recipeManagedObjectFromPlist(plist, image) != nullptr;
                made += ok ? 1 : 0;
                return ok;
            });
        waitFor([&] { return answered == itemCount; });
        const double seconds = double(clock.nsecsElapsed()) / 1e9;
        state.counters["recipes_per_s"] = itemCount / seconds;
        state.counters["longest_main_stall_ms"] = probe.longestMs();
        state.counters["cpu_in_longest_stall_ms"] = probe.longestCpuMs();
        state.counters["stalls_over_50ms"] = probe.stallsOver50Ms();
        state.counters["main_thread_cpu_s"] = double(threadCpuNs() - cpuBefore) / 1e9;
        if (made != itemCount)
            state.SkipWithError("not every recipe was made");
        state.PauseTiming();
        waitFor([] { return QThreadPool::globalInstance()->activeThreadCount() == 0; });
        DBSession::setSharedSession(nullptr);
        state.ResumeTiming();
    }
}

void BM_SendRecipes(benchmark::State& state)
{
    useFirstRunDefaults();
    QVariantList recipes;
    for (int i = 0; i < itemCount; ++i) {
        recipes.append(QVariantMap { { QStringLiteral("name"), QStringLiteral("Soup %1").arg(i) },
            { QStringLiteral("vrcText"), QString(QStringLiteral("Soup line\n")).repeated(40) },
            { QStringLiteral("onlineID"), i + 1 } });
    }
    for (auto _ : state) {
        QTemporaryDir synced;
        const QString root = QFileInfo(synced.path()).canonicalFilePath();
        auto session = std::make_shared<DBSession>(QStringLiteral("benchkey"), QString(), kDBRootDropbox);
        session->linkFolder(root);
        DBSession::setSharedSession(session);
        int pushes = 0;
        QLMDropboxController dropbox({ QStringLiteral("Mac"), QStringLiteral("BENCH"), QStringLiteral("1") },
            [&](const QString&) { ++pushes; });
        UserDefaults::standardUserDefaults().setObject(
            QStringLiteral("http://push.invalid"), QLMDropboxController::QLMPushServiceAddressKey);
        QLMKitchoraDevice phone;
        phone.setDropboxPath(QStringLiteral("/Kitchora/Devices/Phone"));
        phone.setDeviceToken(QStringLiteral("token"));

        StallProbe probe;
        QElapsedTimer clock;
        clock.start();
        dropbox.addRecipesToDevice(recipes, phone);
        waitFor([&] { return pushes == 1; });
        const double seconds = double(clock.nsecsElapsed()) / 1e9;
        state.counters["recipes_per_s"] = itemCount / seconds;
        state.counters["longest_main_stall_ms"] = probe.longestMs();
        waitFor([] { return QThreadPool::globalInstance()->activeThreadCount() == 0; });
        DBSession::setSharedSession(nullptr);
    }
}

} // namespace

BENCHMARK(BM_ReceiveRecipesWithPictures)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_SendRecipes)->Unit(benchmark::kMillisecond)->Iterations(3);

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
