#include "SubstitutionMO.h"

#include "LinesFixture.h"
#include "RecipeMO.h"

namespace
{

class SubstitutionMOTest : public LinesFixture
{
protected:
    SubstitutionMO* rule(const QString& ingredient, const QString& ingredientAmount,
        const QString& substitute, const QString& substituteAmount)
    {
        auto* rule = dynamic_cast<SubstitutionMO*>(insert(QStringLiteral("Substitution")));
        EXPECT_TRUE(rule);
        rule->setIngredient(ingredient);
        rule->setSubstitute(substitute);
        rule->setValueForKey(ingredientAmount, QStringLiteral("ingredientAmount"));
        rule->setValueForKey(substituteAmount, QStringLiteral("substituteAmount"));
        return rule;
    }
};

TEST_F(SubstitutionMOTest, RewritesTheLineIntoTheSubstitute)
{
    auto* recipe = dynamic_cast<RecipeMO*>(insert(QStringLiteral("Recipe")));
    RecipeIngredientMO* line = parsed(QStringLiteral("2 cups buttermilk"));
    line->setValueForKey(QVariant::fromValue<ManagedObject*>(recipe), QStringLiteral("recipe"));
    recipe->setDirty(false);

    SubstitutionMO* buttermilk = rule(QStringLiteral("buttermilk"), QStringLiteral("1 cup"),
        QStringLiteral("milk"), QStringLiteral("1 cup"));
    EXPECT_TRUE(buttermilk->performSubstitutionOnIngredient(line));
    EXPECT_EQ(line->amount(), QStringLiteral("2"));
    EXPECT_EQ(line->measure(), QStringLiteral("cup"));
    EXPECT_EQ(ingredientName(line), QStringLiteral("milk"));
    EXPECT_EQ(line->string(), QStringLiteral("2 cup milk"));
    EXPECT_FALSE(line->updateDisplayStringFromSetterValues());
    EXPECT_TRUE(recipe->isDirty());
    EXPECT_EQ(line->baseIngredient(), buttermilk->substitute());
}

struct SubstitutionCase {
    const char* line;
    const char* ingredientAmount;
    const char* substituteAmount;
    bool changes;
    const char* amount;
};

TEST_F(SubstitutionMOTest, ConvertsThroughTheRuleOrLeavesTheLineAlone)
{
    const SubstitutionCase cases[] = {
        { "2 oz chocolate", "1 oz", "3 Tbsp", true, "6" },
        { "1 pound chocolate", "8 oz", "4 oz", true, "8" },
        // A weight and a volume do not convert.
        { "2 cups chocolate", "1 oz", "3 Tbsp", false, "2" },
        // Portions of the rule times the substitute amount: not converted once more.
        { "1 cup chocolate", "1 cup", "16 Tbsp", true, "16" },
        // Zero on either side of the rule, or in the line.
        { "2 oz chocolate", "0 oz", "3 Tbsp", false, "2" },
        { "2 oz chocolate", "1 oz", "0 Tbsp", false, "2" },
        { "0 oz chocolate", "1 oz", "3 Tbsp", false, "0" },
        // No kitchen fraction up to eighths: two decimal places at most.
        { "1 oz chocolate", "3 oz", "1 Tbsp", true, "1/3" },
        { "1 oz chocolate", "1 oz", "0.1 Tbsp", true, "0.1" },
    };
    for (const SubstitutionCase& c : cases) {
        SCOPED_TRACE(c.line);
        SCOPED_TRACE(c.ingredientAmount);
        SCOPED_TRACE(c.substituteAmount);
        RecipeIngredientMO* line = parsed(QString::fromUtf8(c.line));
        const QString before = line->string();
        SubstitutionMO* cocoa = rule(QStringLiteral("chocolate"), QString::fromUtf8(c.ingredientAmount),
            QStringLiteral("cocoa"), QString::fromUtf8(c.substituteAmount));
        EXPECT_EQ(cocoa->performSubstitutionOnIngredient(line), c.changes);
        EXPECT_EQ(line->amount(), QString::fromUtf8(c.amount));
        if (c.changes) {
            EXPECT_EQ(ingredientName(line), QStringLiteral("cocoa"));
            EXPECT_EQ(line->string(),
                line->amount() + QLatin1Char(' ') + line->measure() + QStringLiteral(" cocoa"));
        } else {
            EXPECT_EQ(line->string(), before);
            EXPECT_EQ(ingredientName(line), QStringLiteral("chocolate"));
        }
        EXPECT_FALSE(line->updateDisplayStringFromSetterValues());
    }
}

TEST_F(SubstitutionMOTest, GenericUnitsPassAmountsThrough)
{
    RecipeIngredientMO* line = parsed(QStringLiteral("4 eggs"));
    SubstitutionMO* applesauce = rule(QStringLiteral("egg"), QStringLiteral("2 eggs"),
        QStringLiteral("applesauce"), QStringLiteral("1/2 cup"));
    EXPECT_EQ(applesauce->ingredientUnit(), UnitsEngine::genericUnit());
    EXPECT_EQ(applesauce->substituteUnit()->name(), QStringLiteral("cup"));
    EXPECT_EQ(applesauce->ingredientDecimalAmount(), Decimal::fromInt(2));
    EXPECT_TRUE(applesauce->performSubstitutionOnIngredient(line));
    EXPECT_EQ(line->amount(), QStringLiteral("1"));
    EXPECT_EQ(ingredientName(line), QStringLiteral("applesauce"));
    EXPECT_EQ(line->string(), QStringLiteral("1 applesauce"));
}

TEST_F(SubstitutionMOTest, NamesBecomeIngredientsOfTheRulesContext)
{
    SubstitutionMO* r = rule(QStringLiteral("zzbutter"), QStringLiteral("1 cup"), QStringLiteral("zzlard"),
        QStringLiteral("1 cup"));
    ASSERT_TRUE(r->ingredient());
    EXPECT_EQ(r->ingredient()->name(), QStringLiteral("zzbutter"));
    EXPECT_EQ(r->substitute()->name(), QStringLiteral("zzlard"));
    EXPECT_EQ(r->ingredient()->objectsForKey(QStringLiteral("substitutes")).size(), 1);
    EXPECT_EQ(r->substitute()->objectsForKey(QStringLiteral("ingredientIsSubstituteFor")).size(), 1);
}

} // namespace
