// The library window's recipe list on a library of 50,000 recipes (made in-process through the
// recipe model and saved, then opened in a fresh context as the program opens it). Times, each the
// controller's work plus the list model's reset and one paint of the visible rows:
//   first_load_ms   the first selection of the library in a fresh context (reads every recipe)
//   fill_library    selecting the library again once its recipes are loaded
//   sort_by_name / sort_by_date   re-sorting the listed library by a header click
//   smart_5000      selecting a smart collection of 5,000 recipes (its fetch included)
// rss_MB is the process with the library listed (after the memory used to make the library was
// given back); list_and_context_MB what opening and listing it added; peak_rss_MB the high-water
// mark, making the library included.
#include "ConstantManager.h"
#include "EntityDescription.h"
#include "FirstRunLibrary.h"
#include "ManagedObjectContext.h"
#include "ManagedObjectModel.h"
#include "ManualCollection.h"
#include "ModelClasses.h"
#include "PersistentStore.h"
#include "PersistentStoreCoordinator.h"
#include "RecipeArrayController.h"
#include "RecipeListModel.h"
#include "RecipeMO.h"
#include "RecipeTableView.h"
#include "SmartCollection.h"
#include "VirtualClock.h"

#include <QApplication>
#include <QDateTime>
#include <QHeaderView>
#include <QTemporaryDir>
#include <QTimeZone>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdio>
#include <malloc.h>
#include <map>
#include <memory>
#include <string>
#include <sys/resource.h>
#include <unistd.h>

namespace
{

constexpr int recipeCount = 50000;
constexpr int smartCount = 5000; // every tenth recipe is rated 5

// What the process holds now.
double residentMB()
{
    long pages = 0, resident = 0;
    if (FILE* statm = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(statm, "%ld %ld", &pages, &resident) != 2)
            resident = 0;
        std::fclose(statm);
    }
    return double(resident) * double(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

double peakResidentMB()
{
    struct rusage usage {
    };
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_maxrss) / 1024.0;
}

struct Library {
    std::unique_ptr<ManagedObjectModel> model;
    QTemporaryDir dir;
    QString path;
    bool ready = false;
};

// Made once per process: 50,000 recipes in the library, the smart collection beside it.
Library& library()
{
    static Library* made = [] {
        auto* l = new Library;
        registerModelClasses();
        ConstantManager::importRecipeViewingConstants();
        ConstantManager::importRecipeImportConstants();
        l->model = ManagedObjectModel::modelWithContentsOfFile(QStringLiteral(":/Kitchora.model.json"));
        if (!l->model)
            return l;
        l->path = l->dir.filePath(QStringLiteral("Bench.recipedb"));
        VirtualClock clock;
        const auto start = std::chrono::steady_clock::now();
        {
            FirstRunLibrary store;
            if (!store.setUp(l->path))
                return l;
            ManagedObjectContext& context = store.context;
            auto* libraryCollection = static_cast<ManualCollection*>(store.services.library);
            libraryCollection->setPrimitiveValue(QStringLiteral("Recipe Library"), QStringLiteral("name"));
            auto* smart = static_cast<SmartCollection*>(EntityDescription::insertNewObjectForEntityForName(
                QStringLiteral("SmartCollection"), &context));
            smart->setPrimitiveValue(QStringLiteral("Favourites"), QStringLiteral("name"));
            smart->setPredicate(Predicate::predicateWithFormat(QStringLiteral("rating == 5")));
            for (int n = 0; n < recipeCount; ++n) {
                ManagedObject* recipe
                    = EntityDescription::insertNewObjectForEntityForName(QStringLiteral("Recipe"), &context);
                // Names out of order, so sorting has work to do.
                recipe->setValueForKey(QStringLiteral("Recipe %1").arg((qint64(n) * 7919) % recipeCount),
                    QStringLiteral("name"));
                recipe->setValueForKey(n % 10 == 0 ? 5 : n % 4 + 1, QStringLiteral("rating"));
                recipe->setPrimitiveValue(
                    QDateTime::fromMSecsSinceEpoch(
                        1500000000000LL + (qint64(n) * 104729 % 100000000) * 1000, QTimeZone::utc()),
                    QStringLiteral("dateAdded"));
                if ((n + 1) % 5000 == 0) {
                    clock.advance(0); // the deferred set-up: each recipe joins the library
                    if (!context.save())
                        return l;
                }
            }
            clock.advance(0);
            if (!context.save())
                return l;
            store.coordinator->persistentStores().value(0)->checkpoint();
        }
        KitchoraServices::setShared(nullptr);
        malloc_trim(0); // what making the library took is given back
        std::fprintf(stderr, "generated %d recipes in %.1f s\n", recipeCount,
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        l->ready = true;
        return l;
    }();
    return *made;
}

template <class Step> double timed(Step step)
{
    const auto start = std::chrono::steady_clock::now();
    step();
    return msSince(start);
}

void BM_RecipeList(benchmark::State& state)
{
    Library& l = library();
    if (!l.ready) {
        state.SkipWithError("library not made");
        return;
    }
    std::map<std::string, double> sums;
    bool first = true;
    for (auto _ : state) {
        const double residentBefore = residentMB();
        VirtualClock clock;
        BenchServices services;
        KitchoraServices::setShared(&services);
        PersistentStoreCoordinator coordinator(l.model.get());
        coordinator.addPersistentStoreWithType(PersistentStoreCoordinator::SQLiteStoreType, {}, l.path);
        ManagedObjectContext context;
        context.setPersistentStoreCoordinator(&coordinator);
        services.context = &context;
        const auto collections = context.executeFetchRequest(
            FetchRequest::fetchRequestWithEntityName(QStringLiteral("RecipeCollection")));
        ManagedObject* libraryCollection = nullptr;
        SmartCollection* smart = nullptr;
        for (ManagedObject* collection : collections.value_or(QList<ManagedObject*>())) {
            if (auto* s = dynamic_cast<SmartCollection*>(collection))
                smart = s;
            else if (static_cast<RecipeCollection*>(collection)->isLibrary())
                libraryCollection = collection;
        }
        if (!libraryCollection || !smart) {
            state.SkipWithError("collections missing");
            break;
        }
        services.library = libraryCollection;

        ManagedObject* selected = nullptr;
        RecipeArrayController::Outlets outlets;
        outlets.selectedCollection = [&selected] { return selected; };
        RecipeArrayController controller(std::move(outlets));
        controller.setSortDescriptors({ SortDescriptor(QStringLiteral("name")) });
        RecipeListModel model(controller);
        model.addColumn({ QStringLiteral("dateAddedCID"), QStringLiteral("Added"),
            QStringLiteral("dateAdded"), QString(), SortDescriptor(QStringLiteral("dateAdded"), false),
            ArrangedObjectsModel::CellKind::Date, 66 });
        RecipeTableView view;
        view.setSelectedCollection([&selected] { return selected; });
        view.bindContent(&controller, QStringLiteral("arrangedObjects"), &model);
        view.verticalHeader()->setDefaultSectionSize(20);
        view.resize(600, 700);
        view.show();
        QApplication::processEvents();

        const auto select = [&](ManagedObject* collection) {
            selected = collection;
            controller.setCollection(collection);
            controller.setSelectionIndexes({ 0 });
            view.viewport()->repaint();
        };
        const double firstLoad = timed([&] { select(libraryCollection); });
        if (controller.count() != recipeCount) {
            state.SkipWithError("the library lists the wrong number of recipes");
            break;
        }
        select(smart);
        const double fill = timed([&] { select(libraryCollection); });
        const int dateColumn = model.columnWithIdentifier(QStringLiteral("dateAddedCID"));
        const double byDate = timed([&] {
            view.sortByColumn(dateColumn, Qt::DescendingOrder);
            view.viewport()->repaint();
        });
        const double byName = timed([&] {
            view.sortByColumn(0, Qt::AscendingOrder);
            view.viewport()->repaint();
        });
        smart->refresh(); // its fetch is part of selecting it
        const double smartMs = timed([&] { select(smart); });
        if (controller.count() != smartCount)
            state.SkipWithError("the smart collection lists the wrong number of recipes");

        sums["first_load_ms"] += firstLoad;
        sums["fill_library_ms"] += fill;
        sums["sort_by_name_ms"] += byName;
        sums["sort_by_date_ms"] += byDate;
        sums["smart_5000_ms"] += smartMs;
        if (first) {
            // The library listed: the whole process, and what opening and listing it added, once
            // from the state the library was made in (later iterations reuse freed memory).
            select(libraryCollection);
            state.counters["rss_MB"] = residentMB();
            state.counters["list_and_context_MB"] = residentMB() - residentBefore;
            first = false;
        }
        services.context = nullptr;
        services.library = nullptr;
        KitchoraServices::setShared(nullptr);
    }
    // Each step's mean over the iterations.
    for (const auto& [name, sum] : sums)
        state.counters[name] = sum / double(state.iterations());
    state.counters["peak_rss_MB"] = peakResidentMB();
}
BENCHMARK(BM_RecipeList)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
