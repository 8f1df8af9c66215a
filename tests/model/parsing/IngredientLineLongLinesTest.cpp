#include "IngredientLineParser.h"
#include "IngredientLineScoring.h"
#include "UnitsEngine.h"

#include <ctime>
#include <gtest/gtest.h>

namespace
{

bool within(Range range, qsizetype size)
{
    return range.location == Range::NotFound
        ? range.length == 0
        : range.location >= 0 && range.length > 0 && maxRange(range) <= size;
}

// A pasted line may be any length: parsing one takes time in proportion to it, so a line of
// 40,000 characters in any of the shapes that once took the square of that parses at once, into
// parts that stand where the line has them.
TEST(IngredientLineLongLinesTest, LongLinesOfOnePieceParseQuicklyAndSanely)
{
    if (UnitsEngine::defaultEngine().units().isEmpty())
        UnitsEngine::defaultEngine().loadUnits(QString());
    const IngredientLineParser parser = IngredientLineScoring::lineParser(
        IngredientLineScoring::ingredientNames({ QStringLiteral("Ingredient") }));
    for (const IngredientLineScoring::RepeatedPiece& shape : IngredientLineScoring::hostilePieces()) {
        SCOPED_TRACE(shape.name);
        const QString line = IngredientLineScoring::repeatedTo(shape.piece, 40000);
        const std::clock_t start = std::clock();
        const IngredientLineParser::Result result = parser.parse(line);
        const double seconds = double(std::clock() - start) / CLOCKS_PER_SEC;
        // Far more than it takes, even with sanitizers; the square of the length took minutes.
        EXPECT_LT(seconds, 2.0);

        ASSERT_TRUE(within(result.amountRange, line.size()));
        ASSERT_TRUE(within(result.unitRange, line.size()));
        ASSERT_TRUE(within(result.modifierRange, line.size()));
        ASSERT_TRUE(within(result.ingredientRange, line.size()));
        EXPECT_EQ(result.amount, line.left(result.amountRange.length));
        EXPECT_EQ(result.unit, line.mid(result.unitRange.location, result.unit.size()));
        EXPECT_EQ(result.modifier, line.mid(result.modifierRange.location, result.modifierRange.length));
        EXPECT_EQ(result.modifiers.isEmpty() ? QString() : result.modifiers.last(), result.modifier);
        EXPECT_FALSE(result.ingredient.isEmpty());
        if (result.ingredientRange.location != Range::NotFound) {
            EXPECT_EQ(result.ingredient.size(), result.ingredientRange.length);
        }
        EXPECT_EQ(result.ingredientKind == IngredientLineParser::IngredientKind::Known,
            !result.ingredientKey.isEmpty());
    }
}

// Every piece of a repeated modifier, known name or amount is taken, not just the first.
TEST(IngredientLineLongLinesTest, EveryRepeatIsTaken)
{
    if (UnitsEngine::defaultEngine().units().isEmpty())
        UnitsEngine::defaultEngine().loadUnits(QString());
    const IngredientLineParser parser = IngredientLineScoring::lineParser(
        IngredientLineScoring::ingredientNames({ QStringLiteral("Ingredient") }));

    const IngredientLineParser::Result chopped
        = parser.parse(IngredientLineScoring::repeatedTo(QStringLiteral("chopped "), 40000));
    EXPECT_EQ(chopped.modifiers.size(), 5000);
    EXPECT_EQ(chopped.modifierRange, (Range { 39992, 7 }));
    EXPECT_EQ(chopped.ingredientKind, IngredientLineParser::IngredientKind::Unnamed);

    const IngredientLineParser::Result salt
        = parser.parse(IngredientLineScoring::repeatedTo(QStringLiteral("salt "), 40000));
    EXPECT_EQ(salt.ingredientKind, IngredientLineParser::IngredientKind::Known);
    EXPECT_EQ(salt.ingredient, QStringLiteral("salt"));
    EXPECT_EQ(salt.ingredientRange, (Range { 0, 4 }));

    const QString digits = IngredientLineScoring::repeatedTo(QStringLiteral("1"), 40000);
    EXPECT_EQ(parser.parse(digits).amount, digits);
}

} // namespace
