#include "RecipeIngredientMO.h"

#include "ConstantManager.h"
#include "LinesFixture.h"
#include "Log.h"
#include "RecipeCardAttributes.h"
#include "RecipeMO.h"

namespace
{

class RecipeIngredientMOTest : public LinesFixture
{
};

struct ParseCase {
    const char* line;
    const char* amount;
    const char* measure;
    const char* modifier;
    const char* ingredient;
};

TEST_F(RecipeIngredientMOTest, FindsAmountUnitModifierAndIngredient)
{
    const ParseCase cases[] = {
        { "2 cups chopped walnuts", "2", "cups", "chopped", "walnut" },
        { "1 1/2 cups (about 200 g) walnuts, toasted", "1 1/2", "cups", "toasted", "walnut" },
        { "2 tsp. salt", "2", "tsp.", "", "salt" },
        // The modifier stands first, so there is no head to find a unit or amount in.
        { "chopped onion, 1", "", "", "chopped", "onion" },
        // "cup" is followed by a letter: no unit.
        { "12 cupcakes", "12", "", "", "cupcakes" },
        { "3 Tbsp butter", "3", "Tbsp", "", "butter" },
        { "\u00bd cup sugar", "\u00bd", "cup", "", "sugar" },
        { "2-3 cloves garlic", "2-3", "cloves", "", "garlic" },
        // A unit that ends the line counts.
        { "2 cups", "2", "cups", "", "unknown ingredient" },
        { "  1 cup flour \n", "1", "cup", "", "flour" },
        // So does a modifier.
        { "1 onion, chopped\n", "1", "", "chopped", "onion" },
        { "", "", "", "", "unknown ingredient" },
    };
    for (const ParseCase& c : cases) {
        RecipeIngredientMO* line = parsed(QString::fromUtf8(c.line));
        SCOPED_TRACE(c.line);
        EXPECT_EQ(line->amount(), QString::fromUtf8(c.amount));
        EXPECT_EQ(line->measure(), QString::fromUtf8(c.measure));
        EXPECT_EQ(line->modifier(), QString::fromUtf8(c.modifier));
        EXPECT_EQ(ingredientName(line), QString::fromUtf8(c.ingredient));
        EXPECT_EQ(line->string(), QString::fromUtf8(c.line).trimmed());
    }
}

TEST_F(RecipeIngredientMOTest, UnitBeforeALineBreakOrTabCounts)
{
    RecipeIngredientMO* line = newLine();
    line->setDependentAttributesFromDisplayString(QStringLiteral("2 tsp\tsalt"));
    EXPECT_EQ(line->measure(), QStringLiteral("tsp"));
    line->setDependentAttributesFromDisplayString(QStringLiteral("3 cups\r\n"));
    EXPECT_EQ(line->measure(), QStringLiteral("cups"));
    EXPECT_EQ(line->amount(), QStringLiteral("3"));
}

TEST_F(RecipeIngredientMOTest, NewIngredientIsWhatRemainsOfTheLine)
{
    Log::Capture capture;
    RecipeIngredientMO* line = parsed(QStringLiteral("2 tsp. zorblat paste, finely ground"));
    EXPECT_EQ(ingredientName(line), QStringLiteral("zorblat paste"));
    EXPECT_TRUE(capture.contains("adding new ingredient: zorblat paste"));
    // A known ingredient leaves the rest unused: nothing new is made.
    const qsizetype before = fetchAll(QStringLiteral("Ingredient")).size();
    RecipeIngredientMO* known = parsed(QStringLiteral("1 cup flour plus glorp"));
    EXPECT_EQ(ingredientName(known), QStringLiteral("flour"));
    EXPECT_EQ(fetchAll(QStringLiteral("Ingredient")).size(), before);
}

TEST_F(RecipeIngredientMOTest, UnitNamesLeaveTheNewNameWithoutCuttingWords)
{
    // "g" is a unit; the "g " that ends "zegg" is no unit and stays.
    RecipeIngredientMO* line = parsed(QStringLiteral("200 g g zegg nog"));
    EXPECT_EQ(ingredientName(line), QStringLiteral("zegg nog"));
}

TEST_F(RecipeIngredientMOTest, ModifierSearchEndsAndFindsEveryWordOnce)
{
    services.modifiers = { QStringLiteral(""), QStringLiteral("mod"), QStringLiteral("chopped") };
    RecipeIngredientMO* line = parsed(QStringLiteral("1 cup mod mod chopped walnuts"));
    EXPECT_EQ(line->foundModifiers(), (QStringList { "chopped", "mod", "mod" }));
    EXPECT_EQ(line->modifier(), QStringLiteral("mod"));
}

TEST_F(RecipeIngredientMOTest, ReparsingDropsPartsTheLineNoLongerHas)
{
    RecipeIngredientMO* line = parsed(QStringLiteral("2 cups chopped flour"));
    line->setString(QStringLiteral("flour"));
    EXPECT_EQ(line->amount(), QString());
    EXPECT_EQ(line->measure(), QString());
    EXPECT_EQ(line->modifier(), QString());
    EXPECT_TRUE(line->foundModifiers().isEmpty());
}

struct ScaleCase {
    const char* line;
    double factor;
    const char* scaled;
    const char* amount;
};

TEST_F(RecipeIngredientMOTest, ScalingRewritesOnlyTheParsedAmount)
{
    const ScaleCase cases[] = {
        { "1 can (14 oz) tomatoes", 2, "2 can (14 oz) tomatoes", "2" },
        { "1 1/2 cups flour", 2, "3 cups flour", "3" },
        { "1 cup flour", 1.5, "1 1/2 cup flour", "1 1/2" },
        { "2 cups flour, 1 for dusting", 0.5, "1 cups flour, 1 for dusting", "1" },
        // No kitchen fraction up to eighths: a decimal with at most two places.
        { "1/10 cup milk", 1, "0.1 cup milk", "0.1" },
        { "1 cup milk", 0.3, "0.3 cup milk", "0.3" },
        { "1 cup milk", 1.0 / 3, "1/3 cup milk", "1/3" },
        { "2 cups milk", 0.0, "2 cups milk", "2" },
    };
    for (const ScaleCase& c : cases) {
        SCOPED_TRACE(c.line);
        RecipeIngredientMO* line = parsed(QString::fromUtf8(c.line));
        line->scaleByFactor(Decimal::fromDouble(c.factor));
        EXPECT_EQ(line->string(), QString::fromUtf8(c.scaled));
        EXPECT_EQ(line->amount(), QString::fromUtf8(c.amount));
        EXPECT_FALSE(line->updateDisplayStringFromSetterValues());
    }
}

TEST_F(RecipeIngredientMOTest, ScalingAFetchedLineRewritesTheFirstStandaloneAmount)
{
    RecipeIngredientMO* line = newLine();
    // As the store gives it back: no remembered places.
    line->setPrimitiveValue(
        QStringLiteral("1 can (1 lb) beans, 1/2 drained"), QStringLiteral("displayString"));
    line->setPrimitiveValue(QStringLiteral("1"), QStringLiteral("amount"));
    line->scaleByFactor(Decimal::fromInt(3));
    EXPECT_EQ(line->string(), QStringLiteral("3 can (1 lb) beans, 1/2 drained"));
}

TEST_F(RecipeIngredientMOTest, ScalingMarksTheRecipeCardStale)
{
    auto* recipe = dynamic_cast<RecipeMO*>(insert(QStringLiteral("Recipe")));
    ASSERT_TRUE(recipe);
    RecipeIngredientMO* line = parsed(QStringLiteral("1 cup flour"));
    line->setValueForKey(QVariant::fromValue<ManagedObject*>(recipe), QStringLiteral("recipe"));
    recipe->setDirty(false);
    line->scaleByFactor(Decimal::fromInt(2));
    EXPECT_TRUE(recipe->isDirty());
}

TEST_F(RecipeIngredientMOTest, SettersRewriteTheLineOnlyWhileAsked)
{
    RecipeIngredientMO* line = parsed(QStringLiteral("2 cups chopped walnuts"));
    line->setAmount(QStringLiteral("3"));
    EXPECT_EQ(line->string(), QStringLiteral("2 cups chopped walnuts"));

    line->setString(QStringLiteral("2 cups chopped walnuts"));
    line->setUpdateDisplayStringFromSetterValues(true);
    line->setAmount(QStringLiteral("12"));
    line->setMeasure(QStringLiteral(" ml\n"));
    line->setModifier(QStringLiteral("minced"));
    line->setBaseIngredient(QStringLiteral("pecans"));
    EXPECT_EQ(line->string(), QStringLiteral("12 ml minced pecans"));
    EXPECT_EQ(line->measure(), QStringLiteral("ml"));
    EXPECT_EQ(ingredientName(line), QStringLiteral("pecans"));

    // With no amount before, the line is left as it is.
    RecipeIngredientMO* bare = parsed(QStringLiteral("salt"));
    bare->setUpdateDisplayStringFromSetterValues(true);
    bare->setAmount(QStringLiteral("2"));
    EXPECT_EQ(bare->string(), QStringLiteral("salt"));
    EXPECT_EQ(bare->amount(), QStringLiteral("2"));
}

TEST_F(RecipeIngredientMOTest, ConvertsToTheDefaultSystemThroughTheSetters)
{
    defaults.defaults().setObject(1, QStringLiteral("KRDefaultMeasurementSystem"));
    defaults.defaults().setObject(2, QStringLiteral("KRDefaultMeasurementSystem"));
    UnitsEngine::defaultEngine().updateMeasurementSystem();
    // US units are kept while the default is US.
    RecipeIngredientMO* us = parsed(QStringLiteral("1 cup flour"));
    us->convertToDefaultMeasurementSystemIfNeeded();
    EXPECT_EQ(us->string(), QStringLiteral("1 cup flour"));
    defaults.defaults().setObject(1, QStringLiteral("KRDefaultMeasurementSystem"));
    UnitsEngine::defaultEngine().updateMeasurementSystem();
    RecipeIngredientMO* line = parsed(QStringLiteral("1 cup flour"));
    line->convertToDefaultMeasurementSystemIfNeeded();
    const MeasurementUnitPtr unit = line->unitForMeasure();
    ASSERT_TRUE(unit);
    EXPECT_EQ(unit->system(), MeasurementUnit::SystemMetric);
    EXPECT_EQ(line->string(), line->amount() + QLatin1Char(' ') + line->measure() + QStringLiteral(" flour"));
    EXPECT_NEAR(line->decimalAmount().doubleValue() * unit->conversionFactor()->doubleValue(), 236.6, 0.5);
    EXPECT_FALSE(line->updateDisplayStringFromSetterValues());

    // Already metric: nothing changes.
    RecipeIngredientMO* metric = parsed(QStringLiteral("200 ml milk"));
    metric->convertToDefaultMeasurementSystemIfNeeded();
    EXPECT_EQ(metric->string(), QStringLiteral("200 ml milk"));
    defaults.defaults().removeObjectForKey(QStringLiteral("KRDefaultMeasurementSystem"));
    UnitsEngine::defaultEngine().updateMeasurementSystem();
}

TEST_F(RecipeIngredientMOTest, NewLineStartsWithTheContextsDefaultIngredient)
{
    RecipeIngredientMO* line = newLine();
    EXPECT_EQ(line->baseIngredient(), placeholder);
    EXPECT_FALSE(line->updateDisplayStringFromSetterValues());
    EXPECT_EQ(IngredientMO::defaultIngredient(), placeholder);

    // Another context finds its own placeholder once it is stored.
    save();
    std::unique_ptr<ManagedObjectContext> other = newContext();
    RecipeIngredientMO* elsewhere = newLine(other.get());
    ASSERT_TRUE(elsewhere->baseIngredient());
    EXPECT_EQ(elsewhere->baseIngredient()->managedObjectContext(), other.get());
    EXPECT_EQ(elsewhere->baseIngredient()->name(), QStringLiteral("Ingredient"));
    IngredientTrie::removeIngredientTrieForContext(other.get());
}

// A library without the placeholder is asked once, not once for every new line; a placeholder
// that comes into being afterwards (named, set plainly, or saved by another context) is found.
TEST_F(RecipeIngredientMOTest, ContextWithoutPlaceholderFindsOneThatComesLater)
{
    Log::Capture log;
    std::unique_ptr<ManagedObjectContext> other = newContext();
    EXPECT_EQ(newLine(other.get())->baseIngredient(), nullptr);
    EXPECT_EQ(newLine(other.get())->baseIngredient(), nullptr);

    // Named through the setter.
    auto* named = dynamic_cast<IngredientMO*>(insert(QStringLiteral("Ingredient"), other.get()));
    named->setName(QStringLiteral("Ingredient"));
    EXPECT_EQ(newLine(other.get())->baseIngredient(), named);

    // Set plainly: found once the change is processed.
    std::unique_ptr<ManagedObjectContext> plain = newContext();
    EXPECT_EQ(newLine(plain.get())->baseIngredient(), nullptr);
    ManagedObject* set = insert(QStringLiteral("Ingredient"), plain.get());
    set->setPrimitiveValue(QStringLiteral("Ingredient"), QStringLiteral("name"));
    plain->processPendingChanges();
    EXPECT_EQ(newLine(plain.get())->baseIngredient(), set);

    // Saved by another context.
    std::unique_ptr<ManagedObjectContext> later = newContext();
    EXPECT_EQ(newLine(later.get())->baseIngredient(), nullptr);
    ASSERT_TRUE(save());
    RecipeIngredientMO* line = newLine(later.get());
    ASSERT_TRUE(line->baseIngredient());
    EXPECT_EQ(line->baseIngredient()->name(), QStringLiteral("Ingredient"));
    for (ManagedObjectContext* context : { other.get(), plain.get(), later.get() })
        IngredientTrie::removeIngredientTrieForContext(context);
}

TEST_F(RecipeIngredientMOTest, CardRunCarriesFieldAndIndex)
{
    auto* recipe = dynamic_cast<RecipeMO*>(insert(QStringLiteral("Recipe")));
    ASSERT_TRUE(recipe);
    RecipeIngredientMO* line = newLine();
    line->setValueForKey(QVariant::fromValue<ManagedObject*>(recipe), QStringLiteral("recipe"));
    line->setIndex(3);
    const QString valueKeyPath
        = ConstantManager::defaultManager().constantForKey(RVValueConstantKey, KRIngredientConstantGroup);

    EXPECT_EQ(line->attributedString().length(), 0);
    recipe->setEditing(true);
    const AttributedString placeholderRun = line->attributedString();
    EXPECT_EQ(placeholderRun.string(),
        ConstantManager::defaultManager().constantForKey(
            RVPlaceholderConstantKey, KRIngredientConstantGroup));
    EXPECT_EQ(placeholderRun.attributeAtIndex(RVIndexAttribute, 0).toInt(), 3);
    EXPECT_TRUE(placeholderRun.attributeAtIndex(RVPlaceholderAttribute, 0).isValid());

    line->setString(QStringLiteral("1 cup flour"));
    const AttributedString run = line->attributedString();
    EXPECT_EQ(run.string(), QStringLiteral("1 cup flour"));
    EXPECT_EQ(run.attributeAtIndex(RVValueAttribute, 10).toString(), valueKeyPath);
    EXPECT_EQ(run.attributeAtIndex(RVIndexAttribute, 0).toInt(), 3);
    EXPECT_EQ(line->formattedString(), QStringLiteral("1 cup flour"));

    // An edited run takes its index and is parsed.
    const AttributedString edited(QStringLiteral("2 tsp salt "), { { RVIndexAttribute, 5 } });
    line->setAttributedString(edited);
    EXPECT_EQ(line->string(), QStringLiteral("2 tsp salt"));
    EXPECT_EQ(line->valueForKey(QStringLiteral("index")).toInt(), 5);
    EXPECT_EQ(line->measure(), QStringLiteral("tsp"));
    EXPECT_EQ(ingredientName(line), QStringLiteral("salt"));
}

TEST_F(RecipeIngredientMOTest, ObserversOfTheCardRunHearOfEveryPart)
{
    RecipeIngredientMO* line = newLine();
    int told = 0;
    line->addObserver(QStringLiteral("attributedString"),
        [&](ManagedObject*, const QString&, const QVariant&, const QVariant&) { ++told; });
    line->setIndex(2);
    EXPECT_GE(told, 1);
    const int afterIndex = told;
    line->setString(QStringLiteral("2 cups chopped walnuts"));
    EXPECT_GT(told, afterIndex);
}

TEST_F(RecipeIngredientMOTest, LongIngredientNamesAreCut)
{
    auto* ingredient = dynamic_cast<IngredientMO*>(insert(QStringLiteral("Ingredient")));
    ingredient->setName(QString(1025, QLatin1Char('x')));
    EXPECT_EQ(ingredient->name().size(), 1023);
    EXPECT_EQ(ingredient->length(), 1023);
    ingredient->setName(QString(1024, QLatin1Char('y')));
    EXPECT_EQ(ingredient->description(), QString(1024, QLatin1Char('y')));
}

} // namespace
