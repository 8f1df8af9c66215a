// In-memory predicate evaluation and sorting over 50,000 recipe-like maps, each with 10
// ingredient lines: the work a fetch does for the part of a predicate SQL cannot answer.
#include "Predicate.h"
#include "SortDescriptor.h"
#include "StringFolding.h"

#include <QVariantList>
#include <benchmark/benchmark.h>
#include <random>

namespace
{

const QStringList& words()
{
    static const QStringList list = { "Crème", "Brûlée", "salmon", "Salad", "chicken", "Soup", "leek", "Pâté",
        "tomato", "Basil", "garlic", "Bread", "ÉCLAIR", "apple", "Pie", "rice" };
    return list;
}

const QVariantList& recipes()
{
    static const QVariantList list = [] {
        std::mt19937 random(7);
        auto word = [&] { return words().at(qsizetype(random() % words().size())); };
        QVariantList result;
        result.reserve(50000);
        for (int i = 0; i < 50000; ++i) {
            QVariantList lines;
            for (int j = 0; j < 10; ++j)
                lines << QVariantMap { { "name", word() }, { "amount", int(random() % 500) } };
            result << QVariantMap { { "name", word() + " " + word() + " " + QString::number(i) },
                { "rating", int(random() % 6) }, { "ingredients", lines } };
        }
        return result;
    }();
    return list;
}

void filter(benchmark::State& state, const QString& format, const QVariantList& args)
{
    const Predicate predicate = *Predicate::predicateWithFormat(format, args);
    const QVariantList& objects = recipes();
    qsizetype matches = 0;
    for (auto _ : state) {
        matches = 0;
        for (const QVariant& object : objects)
            matches += predicate.evaluateWithObject(object) ? 1 : 0;
        benchmark::DoNotOptimize(matches);
    }
    state.counters["matches"] = double(matches);
}

void BM_NameContainsFolded(benchmark::State& state)
{
    filter(state, "name CONTAINS[cd] %@", { "creme" });
}
BENCHMARK(BM_NameContainsFolded)->Unit(benchmark::kMillisecond);

void BM_AnyIngredientNameEqualsCaseInsensitive(benchmark::State& state)
{
    filter(state, "ANY ingredients.name ==[c] %@", { "BASIL" });
}
BENCHMARK(BM_AnyIngredientNameEqualsCaseInsensitive)->Unit(benchmark::kMillisecond);

void BM_SearchStringPredicate(benchmark::State& state)
{
    filter(state, "ANY ingredients.name IN {%@} OR name LIKE[cd] %@ OR category.name LIKE[cd] %@",
        { "salmon", "*salmon*", "*salmon*" });
}
BENCHMARK(BM_SearchStringPredicate)->Unit(benchmark::kMillisecond);

void BM_SortByNameCaseInsensitive(benchmark::State& state)
{
    const QList<SortDescriptor> order
        = { SortDescriptor("name", true, SortDescriptor::Selector::CaseInsensitiveCompare) };
    for (auto _ : state)
        benchmark::DoNotOptimize(SortDescriptor::sortedArrayUsingDescriptors(recipes(), order));
}
BENCHMARK(BM_SortByNameCaseInsensitive)->Unit(benchmark::kMillisecond);

void BM_FoldNonAscii(benchmark::State& state)
{
    const QString text = QStringLiteral("Crème Brûlée au Pâté d'ÉCLAIR");
    for (auto _ : state)
        benchmark::DoNotOptimize(StringFolding::fold(text, true, true));
}
BENCHMARK(BM_FoldNonAscii);

void BM_ParseAndPrint(benchmark::State& state)
{
    const QString format = "ANY ingredients.baseIngredient.name IN {%@} OR name LIKE[cd] %@ OR category.name "
                           "LIKE[cd] %@ OR cuisine.name LIKE[cd] %@";
    const QVariantList args = { "sal", "*sal*", "*sal*", "*sal*" };
    for (auto _ : state)
        benchmark::DoNotOptimize(Predicate::predicateWithFormat(format, args)->predicateFormat());
}
BENCHMARK(BM_ParseAndPrint);

} // namespace

BENCHMARK_MAIN();
