// Lookups per second in a case-insensitive trie of 5,000 real ingredient names.
#include "KRTrieBucket.h"
#include "OFTrie.h"

#include <QFile>
#include <QStringList>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <cstdlib>

namespace
{

const QStringList& words()
{
    static const QStringList list = [] {
        QFile file(QStringLiteral(KITCHORA_BENCH_DATA "/ingredient-names.txt"));
        if (!file.open(QIODevice::ReadOnly)) {
            std::fprintf(stderr, "cannot read %s\n", qPrintable(file.fileName()));
            std::exit(1);
        }
        return QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }();
    return list;
}

const OFTrie& trie()
{
    static const OFTrie* built = [] {
        auto* t = new OFTrie(false);
        for (const QString& word : words())
            t->addBucket(KRTrieBucket::bucketWithObject(word), word);
        return t;
    }();
    return *built;
}

// Queries cycle through the list so every key is visited; each run reports items per second.
template <typename Lookup> void run(benchmark::State& state, const QStringList& queries, Lookup lookup)
{
    qsizetype i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(lookup(queries[i]));
        if (++i == queries.size())
            i = 0;
    }
    state.SetItemsProcessed(state.iterations());
}

void BM_Build(benchmark::State& state)
{
    for (auto _ : state) {
        OFTrie t(false);
        for (const QString& word : words())
            t.addBucket(KRTrieBucket::bucketWithObject(word), word);
        benchmark::DoNotOptimize(t.headNode());
    }
    state.SetItemsProcessed(state.iterations() * words().size());
}
BENCHMARK(BM_Build)->Unit(benchmark::kMillisecond);

void BM_ExactHit(benchmark::State& state)
{
    run(state, words(), [](const QString& q) { return trie().bucketForString(q); });
}
BENCHMARK(BM_ExactHit);

void BM_ExactHitOtherCase(benchmark::State& state)
{
    static const QStringList upper = [] {
        QStringList list;
        for (const QString& word : words())
            list << word.toUpper();
        return list;
    }();
    run(state, upper, [](const QString& q) { return trie().bucketForString(q); });
}
BENCHMARK(BM_ExactHitOtherCase);

void BM_ExactMiss(benchmark::State& state)
{
    static const QStringList misses = [] {
        QStringList list;
        for (const QString& word : words())
            list << word + QStringLiteral("zq");
        return list;
    }();
    run(state, misses, [](const QString& q) { return trie().bucketForString(q); });
}
BENCHMARK(BM_ExactMiss);

const QStringList& prefixes()
{
    static const QStringList list = [] {
        QStringList result;
        for (const QString& word : words())
            result << word.left(3);
        return result;
    }();
    return list;
}

void BM_PartialString(benchmark::State& state)
{
    run(state, prefixes(), [](const QString& q) { return trie().bucketForPartialString(q); });
}
BENCHMARK(BM_PartialString);

// Prefix completion of a three-letter start: the walk down plus one visit per key below it.
void BM_CompletionsFromString(benchmark::State& state)
{
    qint64 found = 0;
    qsizetype i = 0;
    for (auto _ : state) {
        const QList<OFTrieBucket*> completions = trie().completionsFromString(prefixes()[i]);
        found += completions.size();
        benchmark::DoNotOptimize(completions.data());
        if (++i == prefixes().size())
            i = 0;
    }
    state.SetItemsProcessed(state.iterations());
    state.counters["completions"] = benchmark::Counter(double(found) / double(state.iterations()));
}
BENCHMARK(BM_CompletionsFromString);

} // namespace

BENCHMARK_MAIN();
