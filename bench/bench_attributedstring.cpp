// A recipe card is a few KB of text in a few hundred runs; these measure building one with the
// appenders, walking its value runs and laying paragraph styles over it.
#include "AttributedString.h"
#include "FontNames.h"
#include "RecipeBuildingAdditions.h"
#include "RecipeCardAttributes.h"

#include <QGuiApplication>
#include <benchmark/benchmark.h>

using namespace RecipeBuildingAdditions;

namespace
{

MutableAttributedString buildCard(int items)
{
    const QFont font = FontNames::fontWithName(RVDisplayFont, 12);
    const QFont bold = FontNames::fontWithName(RVBoldDisplayFont, 12);
    MutableAttributedString card;
    card.beginEditing();
    appendString(card, "Grandmother's apple pie", "name", RVValueAttribute,
        FontNames::fontWithName(RVBoldDisplayFont, 18));
    appendNewLine(card);
    appendString(card, "ingredients", RVHeadingAttribute, RVHeadingAttribute, bold, QColor(Qt::darkGray));
    appendNewLine(card);
    for (int i = 1; i <= items; ++i) {
        appendString(card, QStringLiteral("%1 cups flour, sifted twice").arg(i),
            QVariantList { "ingredients", i }, QStringList { RVValueAttribute, RVIndexAttribute }, font);
        appendNewLine(card);
    }
    appendString(card, "directions", RVHeadingAttribute, RVHeadingAttribute, bold, QColor(Qt::darkGray));
    appendNewLine(card);
    for (int i = 1; i <= items; ++i) {
        appendNumber(card, i, QVariantMap { { NSFontAttributeName, QVariant::fromValue(font) } });
        appendString(card, "Stir the butter into the flour until it looks like coarse crumbs.",
            QVariantList { "directions.text", i }, QStringList { RVValueAttribute, RVIndexAttribute }, font);
        appendNewLine(card);
    }
    card.endEditing();
    return card;
}

void BuildCard(benchmark::State& state)
{
    for (auto _ : state) {
        MutableAttributedString card = buildCard(int(state.range(0)));
        benchmark::DoNotOptimize(card);
    }
    const MutableAttributedString card = buildCard(int(state.range(0)));
    int runs = 0;
    card.enumerateAttributesInRange({ 0, card.length() }, [&](const QVariantMap&, Range, bool&) { ++runs; });
    state.counters["chars"] = double(card.length());
    state.counters["runs"] = runs;
}
BENCHMARK(BuildCard)->Arg(40)->Arg(150);

void WalkValueRuns(benchmark::State& state)
{
    const MutableAttributedString card = buildCard(int(state.range(0)));
    for (auto _ : state) {
        int values = 0;
        for (qsizetype i = 0; i < card.length();) {
            Range range;
            if (card.attributeAtIndexLongestEffectiveRange(RVValueAttribute, i, &range, { 0, card.length() })
                    .isValid())
                ++values;
            i = maxRange(range);
        }
        benchmark::DoNotOptimize(values);
    }
}
BENCHMARK(WalkValueRuns)->Arg(40)->Arg(150);

void StyleSections(benchmark::State& state)
{
    const MutableAttributedString card = buildCard(int(state.range(0)));
    ParagraphStyle style;
    style.lineSpacing = 2;
    for (auto _ : state) {
        MutableAttributedString copy = card;
        for (qsizetype start = 0; start < copy.length(); start += 97)
            copy.addAttribute(NSParagraphStyleAttributeName, QVariant::fromValue(style), { start, 300 });
        benchmark::DoNotOptimize(copy);
    }
}
BENCHMARK(StyleSections)->Arg(40)->Arg(150);

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
