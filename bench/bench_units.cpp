// Unit lookups as the ingredient-line parser makes them: every spelling the registry knows.
#include "UnitsEngine.h"

#include <QCoreApplication>
#include <benchmark/benchmark.h>

namespace {

UnitsEngine& loadedEngine()
{
    static UnitsEngine* engine = [] {
        auto* e = new UnitsEngine;
        e->loadUnits(QString());
        return e;
    }();
    return *engine;
}

void BM_UnitForNameAllSpellings(benchmark::State& state)
{
    UnitsEngine& engine = loadedEngine();
    const QStringList names = engine.unitNames();
    qsizetype found = 0;
    for (auto _ : state) {
        for (const QString& name : names)
            found += engine.unitForName(name) ? 1 : 0;
    }
    benchmark::DoNotOptimize(found);
    state.SetItemsProcessed(state.iterations() * names.size());
    state.counters["spellings"] = double(names.size());
    state.counters["units"] = double(engine.units().size());
}
BENCHMARK(BM_UnitForNameAllSpellings);

// Plural and padded forms take the trimming and plural-stripping paths.
void BM_UnitForNamePluralsAndPadding(benchmark::State& state)
{
    UnitsEngine& engine = loadedEngine();
    QStringList texts;
    for (const QString& name : engine.unitNames())
        texts << QStringLiteral(" ") + name + QStringLiteral("s. ");
    qsizetype found = 0;
    for (auto _ : state) {
        for (const QString& text : texts)
            found += engine.unitForName(text) ? 1 : 0;
    }
    benchmark::DoNotOptimize(found);
    state.SetItemsProcessed(state.iterations() * texts.size());
}
BENCHMARK(BM_UnitForNamePluralsAndPadding);

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
