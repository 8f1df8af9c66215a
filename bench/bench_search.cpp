// The search engine's local search on a library of 100,000 recipes, each with 10 ingredient lines
// whose ingredients, and the two halves of whose names, are drawn from the 5,000 ingredient names
// of data/ingredient-names.txt. The library starts as the program's first run leaves it (library
// collection, placeholder entries), is filled through the recipe model and saved, then opened in a
// fresh context as the program opens it. Each timing runs from the engine's search call to the
// ranked local list:
//   ingredient   one ingredient name ("garlic"): the recipes with a line of it, or with it in name
//   name         one word of recipe names ("chicken")
//   combined     three terms that must all hold ("chicken", "garlic", "onion")
// cold: each search in a fresh context on the store (nothing read yet); warm: the same search again
// in the context the cold one read into. *_ms is the time that passed, *_cpu_ms this thread's
// processor time (SQLite runs on it too), which stays put while the machine is busy.
#include "SearchBenchLibrary.h"

#include <QCoreApplication>
#include <benchmark/benchmark.h>

namespace
{

using namespace SearchBenchLibrary;

const QList<QStringList>& searches()
{
    static const QList<QStringList> list { { QStringLiteral("garlic") }, { QStringLiteral("chicken") },
        { QStringLiteral("chicken"), QStringLiteral("garlic"), QStringLiteral("onion") } };
    return list;
}

void BM_Search(benchmark::State& state)
{
    Library& l = library();
    if (!l.ready) {
        state.SkipWithError("library not made");
        return;
    }
    SearchTermList terms;
    for (const QString& text : searches().at(state.range(0)))
        terms.append(SearchTerm::searchTermWithSearchString(text, false));
    double coldMs = 0;
    double warmMs = 0;
    double coldCpuMs = 0;
    double warmCpuMs = 0;
    double unsavedMs = 0;
    qint64 results = 0;
    for (auto _ : state) {
        VirtualClock clock;
        BenchServices services;
        KitchoraServices::setShared(&services);
        {
            OpenedLibrary opened(l, services);
            SearchEngine engine;
            auto start = std::chrono::steady_clock::now();
            double cpu = cpuMs();
            engine.search(terms);
            coldMs += msSince(start);
            coldCpuMs += cpuMs() - cpu;
            start = std::chrono::steady_clock::now();
            cpu = cpuMs();
            engine.search(terms);
            warmMs += msSince(start);
            warmCpuMs += cpuMs() - cpu;
            results = engine.localResultsDataSourceArray().size();
            // A web result arriving leaves the context with an unsaved recipe.
            EntityDescription::insertNewObjectForEntityForName(QStringLiteral("Recipe"), &opened.context)
                ->setValueForKey(QStringLiteral("Chicken with garlic"), QStringLiteral("name"));
            start = std::chrono::steady_clock::now();
            engine.search(terms);
            unsavedMs += msSince(start);
            opened.context.rollback();
        }
        KitchoraServices::setShared(nullptr);
    }
    state.counters["cold_ms"] = coldMs / double(state.iterations());
    state.counters["warm_ms"] = warmMs / double(state.iterations());
    state.counters["cold_cpu_ms"] = coldCpuMs / double(state.iterations());
    state.counters["warm_cpu_ms"] = warmCpuMs / double(state.iterations());
    state.counters["unsaved_ms"] = unsavedMs / double(state.iterations());
    state.counters["results"] = double(results);
}

} // namespace

BENCHMARK(BM_Search)
    ->Arg(0)
    ->Arg(1)
    ->Arg(2)
    ->ArgNames({ "search" })
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5);

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
