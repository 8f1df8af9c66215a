// Times the plain card reader over one text of many cards, each shaped like an exported recipe:
// a two-paragraph description, eight ingredients, five directions and two notes.
#include "VRCReader.h"

#include <QString>
#include <benchmark/benchmark.h>

namespace
{

QString cards(int count)
{
    QString text;
    for (int i = 0; i < count; ++i) {
        text += QStringLiteral("BEGIN:VRECIPECARD\nVERSION:1.0\nNAME:Recipe %1\nONLINEID:%2\nCATEGORY:Soups\n"
                               "CUISINE:French\nDESCRIPTION:<<start>>A simple dish for weeknights.\n\n"
                               "It keeps well and reheats at 180%C2%B0C.<<end>>\nYIELD:4 servings\n"
                               "COOKTIME:45 minutes\nKITCHEN:Home\n")
                    .arg(i)
                    .arg(1000 + i);
        for (int n = 8; n >= 1; --n)
            text += QStringLiteral("ING:%1:%1;cups;chopped;ingredient %1;%1 cups chopped ingredient %1\n")
                        .arg(n);
        for (int n = 1; n <= 5; ++n)
            text += QStringLiteral("DIR:%1:Step %1: stir, then wait a few minutes.\n").arg(n);
        text += QStringLiteral(
            "NOTE:1:Freezes well.\nNOTE:2:Double the spices for a crowd.\nEND:VRECIPECARD\n");
    }
    return text;
}

void readCards(benchmark::State& state)
{
    const int count = static_cast<int>(state.range(0));
    const VRCReader reader(cards(count));
    for (auto _ : state) {
        const QList<VRCRecipe> recipes = reader.vrcObjects();
        if (recipes.size() != count)
            state.SkipWithError("wrong card count");
        benchmark::DoNotOptimize(recipes.data());
    }
    state.SetItemsProcessed(state.iterations() * count);
    state.counters["cards/s"]
        = benchmark::Counter(static_cast<double>(state.iterations()) * count, benchmark::Counter::kIsRate);
}

} // namespace

BENCHMARK(readCards)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
