#include "IngredientLineParser.h"

#include "IngredientLineScoring.h"

#include <gtest/gtest.h>
#include <utility>

namespace
{

using Kind = IngredientLineParser::IngredientKind;
using Span = std::pair<qsizetype, qsizetype>;

constexpr Span none { Range::NotFound, 0 };

Span spanOf(Range range)
{
    return { range.location, range.length };
}

IngredientLineParser smallParser()
{
    const auto names = std::make_shared<OFTrie>(false);
    for (const char* name : { "onion", "all-purpose flour", "olive oil", "salt", "butter" })
        IngredientLineScoring::addIngredientName(*names, QString::fromUtf8(name));
    return IngredientLineParser(
        { QStringLiteral("chopped"), QStringLiteral("finely"), QStringLiteral("softened") },
        { QStringLiteral("cup"), QStringLiteral("tablespoon"), QStringLiteral("g"), QStringLiteral("pinch") },
        IngredientLineScoring::knownIngredientsOf(names));
}

struct Case {
    const char* line;
    const char* amount;
    Span amountAt;
    double value;
    const char* unit;
    Span unitAt;
    const char* modifier;
    Span modifierAt;
    const char* ingredient;
    Kind kind;
    Span ingredientAt;
};

TEST(IngredientLineParserTest, LinesSplitIntoTheirPartsAndWhereTheyStand)
{
    const Case cases[] = {
        // Modifiers go longest first, so the line's modifier is the last one taken; the unit keeps
        // its plural ending in its stretch only, the known name is found in the plural.
        { "2 1/2 cups finely chopped onions", "2 1/2", { 0, 5 }, 2.5, "cup", { 6, 4 }, "finely", { 11, 6 },
            "onion", Kind::Known, { 26, 5 } },
        { "1 tablespoon olive oil", "1", { 0, 1 }, 1, "tablespoon", { 2, 10 }, "", none, "olive oil",
            Kind::Known, { 13, 9 } },
        { "½ cup butter, softened", "½", { 0, 1 }, 0.5, "cup", { 2, 3 }, "softened", { 14, 8 }, "butter",
            Kind::Known, { 6, 6 } },
        { "1.5 Cups flour", "1.5", { 0, 3 }, 1.5, "Cup", { 4, 4 }, "", none, "flour", Kind::New, { 9, 5 } },
        // No amount: the unit starts the line.
        { "pinch of salt", "", none, 1, "pinch", { 0, 5 }, "", none, "salt", Kind::Known, { 9, 4 } },
        { "salt", "", none, 1, "", none, "", none, "salt", Kind::Known, { 0, 4 } },
        // A unit name inside a word names nothing; an unknown name is what is left.
        { "3 g saffron threads", "3", { 0, 1 }, 3, "g", { 2, 1 }, "", none, "saffron threads", Kind::New,
            { 4, 15 } },
        // The parentheses are taken out of the new name, which is then no one stretch of the line.
        { "2 cups green (or red) cabbage", "2", { 0, 1 }, 2, "cup", { 2, 4 }, "", none, "green  cabbage",
            Kind::New, none },
        // A unit needs a blank, a period or the end after it.
        { "2 cupcakes", "2", { 0, 1 }, 2, "", none, "", none, "cupcakes", Kind::New, { 2, 8 } },
        { "", "", none, 1, "", none, "", none, "unknown ingredient", Kind::Unnamed, none },
        { "4 (chopped)", "4", { 0, 1 }, 4, "", none, "", none, "unknown ingredient", Kind::Unnamed, none },
    };
    const IngredientLineParser parser = smallParser();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        const IngredientLineParser::Result r = parser.parse(QString::fromUtf8(c.line));
        EXPECT_EQ(r.amount.toStdString(), c.amount);
        EXPECT_EQ(spanOf(r.amountRange), c.amountAt);
        EXPECT_DOUBLE_EQ(r.amountValue().doubleValue(), c.value);
        EXPECT_EQ(r.unit.toStdString(), c.unit);
        EXPECT_EQ(spanOf(r.unitRange), c.unitAt);
        EXPECT_EQ(r.modifier.toStdString(), c.modifier);
        EXPECT_EQ(spanOf(r.modifierRange), c.modifierAt);
        EXPECT_EQ(r.ingredient.toStdString(), c.ingredient);
        EXPECT_EQ(r.ingredientKind, c.kind);
        EXPECT_EQ(spanOf(r.ingredientRange), c.ingredientAt);
        EXPECT_EQ(r.ingredientKey.isEmpty(), c.kind != Kind::Known);
    }
}

TEST(IngredientLineParserTest, ModifiersComeInTheOrderFound)
{
    const IngredientLineParser::Result r = smallParser().parse(QStringLiteral("1 cup finely chopped onion"));
    EXPECT_EQ(r.modifiers, QStringList({ QStringLiteral("chopped"), QStringLiteral("finely") }));
    EXPECT_EQ(r.modifier, QStringLiteral("finely"));
}

TEST(IngredientLineParserTest, WithoutKnownIngredientsEveryNameIsNew)
{
    const IngredientLineParser parser({}, { QStringLiteral("cup") }, {});
    const IngredientLineParser::Result r = parser.parse(QStringLiteral("2 cups onions, chopped"));
    EXPECT_EQ(r.amount, QStringLiteral("2"));
    EXPECT_EQ(r.unit, QStringLiteral("cup"));
    EXPECT_EQ(r.ingredientKind, Kind::New);
    EXPECT_EQ(r.ingredient, QStringLiteral("onions"));
    EXPECT_EQ(spanOf(r.ingredientRange), Span(7, 6));
}

} // namespace
