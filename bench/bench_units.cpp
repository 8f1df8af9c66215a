// Unit lookups as the ingredient-line parser makes them: every spelling the registry knows.
// Before timing, the registry is checked against the unit labels of the labelled ingredient
// lines of the evaluation data ($KITCHORA_EVALDATA, else shared/evaldata beside the checkout):
// for lines with one quantity and one unit label, how many labels name a registered unit.
#include "EvalData.h"
#include "UnitsEngine.h"

#include <QCoreApplication>
#include <QHash>
#include <algorithm>
#include <benchmark/benchmark.h>
#include <cstdio>

namespace
{

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

void reportLabelCoverage()
{
    const UnitsEngine& engine = loadedEngine();
    qsizetype labels = 0;
    qsizetype named = 0;
    QHash<QString, int> missed;
    for (const EvalData::LabelledLine& row : EvalData::labelledLines()) {
        const QString label = row.unit.trimmed();
        if (label.isEmpty() || row.quantity.trimmed().contains(u' '))
            continue;
        ++labels;
        if (engine.unitForName(label))
            ++named;
        else
            ++missed[label];
    }
    if (labels == 0) {
        std::printf("unit labels: evaluation data not found\n");
        return;
    }
    std::printf("unit labels naming a registered unit: %lld of %lld (%.1f%%)\n", (long long)named,
        (long long)labels, 100.0 * double(named) / double(labels));
    QList<QPair<int, QString>> worst;
    for (auto it = missed.cbegin(); it != missed.cend(); ++it)
        worst.append({ it.value(), it.key() });
    std::sort(worst.begin(), worst.end(), [](const auto& a, const auto& b) {
        return a.first > b.first || (a.first == b.first && a.second < b.second);
    });
    std::printf("most frequent labels naming none:");
    for (qsizetype i = 0; i < std::min<qsizetype>(qEnvironmentVariableIntValue("UNITS_MISSED") > 0
                                  ? qEnvironmentVariableIntValue("UNITS_MISSED")
                                  : 15,
                              worst.size());
         ++i)
        std::printf(" %s (%d)", qPrintable(worst[i].second), worst[i].first);
    std::printf("\n");
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    reportLabelCoverage();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
