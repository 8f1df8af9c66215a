#include "AttributedString.h"
#include "BaseMOAdditions.h"
#include "CategoryMO.h"
#include "CuisineMO.h"
#include "DirectionMO.h"
#include "Log.h"
#include "MeasurementUnit.h"
#include "ModelStoreFixture.h"
#include "NoteMO.h"
#include "RecipeMO.h"
#include "UnitsEngine.h"
#include "UserDefaults.h"

using BaseMOTest = ModelStoreFixture;

TEST_F(BaseMOTest, FindOrCreateReturnsTheStoredObjectOrInsertsOne)
{
    ManagedObject* stored = insertNamed("Cuisine", "Thai");
    ASSERT_TRUE(save());

    EXPECT_EQ(BaseMOAdditions::findOrCreateManagedObjectForName("Thai", "Cuisine", context.get()), stored);
    ManagedObject* created
        = BaseMOAdditions::findOrCreateManagedObjectForName("Greek", "Cuisine", context.get());
    ASSERT_TRUE(created);
    EXPECT_NE(created, stored);
    EXPECT_EQ(created->valueForKey("name").toString(), "Greek");
    EXPECT_TRUE(created->isInserted());
    // The unsaved one is found too, so names stay unique before a save.
    EXPECT_EQ(BaseMOAdditions::findOrCreateManagedObjectForName("Greek", "Cuisine", context.get()), created);
    EXPECT_EQ(fetchAll("Cuisine").size(), 2);
}

TEST_F(BaseMOTest, FindOrCreateWithDuplicatesTakesTheFirstAndLogsOnce)
{
    ManagedObject* first = insertNamed("Category", "Soup");
    ASSERT_TRUE(save());
    insertNamed("Category", "Soup");
    ASSERT_TRUE(save());

    Log::Capture capture;
    EXPECT_EQ(BaseMOAdditions::findOrCreateManagedObjectForName("Soup", "Category", context.get()), first);
    EXPECT_EQ(capture.lines()
                  .filter("Multiple matches on key: \"name\" with value: Soup, for entity: Category")
                  .size(),
        1);
    EXPECT_EQ(fetchAll("Category").size(), 2);
}

TEST_F(BaseMOTest, FindOrCreateOfAnUnknownEntityInsertsNothing)
{
    Log::Capture capture;
    EXPECT_EQ(BaseMOAdditions::findOrCreateManagedObjectForName("x", "Spice", context.get()), nullptr);
    EXPECT_TRUE(capture.contains("no entity by name: Spice"));
    EXPECT_TRUE(context->insertedObjects().isEmpty());
}

// With trie lookups on, the trie decides alone; off, the fetch template does.
TEST_F(BaseMOTest, IngredientLookupGoesThroughTheTrieWhenSwitchedOn)
{
    ManagedObject* stored = insertNamed("Ingredient", "salt");
    ASSERT_TRUE(save());
    QStringList asked;
    BaseMOAdditions::setIngredientTrieLookup(
        [&](ManagedObjectContext*, const QString& name) -> ManagedObject* {
            asked.append(name);
            return nullptr;
        });

    defaults.defaults().setBool(false, KRIngredientTrieLookups);
    EXPECT_EQ(BaseMOAdditions::findOrCreateManagedObjectForName("salt", "Ingredient", context.get()), stored);
    EXPECT_TRUE(asked.isEmpty());

    defaults.defaults().setBool(true, KRIngredientTrieLookups);
    ManagedObject* fresh
        = BaseMOAdditions::findOrCreateManagedObjectForName("salt", "Ingredient", context.get());
    EXPECT_EQ(asked, QStringList { "salt" });
    ASSERT_TRUE(fresh);
    EXPECT_NE(fresh, stored);
    EXPECT_TRUE(fresh->isInserted());
    BaseMOAdditions::setIngredientTrieLookup(nullptr);
}

TEST_F(BaseMOTest, UnitAndAmountFromText)
{
    UnitsEngine::defaultEngine().addUnit(MeasurementUnit::measurementUnitWithName("zorkcup"));
    MeasurementUnitPtr zorkcup = UnitsEngine::defaultEngine().unitForName("zorkcup");
    ASSERT_TRUE(zorkcup);
    ManagedObject* rule = insert("Substitution");

    const struct {
        QVariant text;
        MeasurementUnitPtr unit;
    } units[] = { { "zorkcup.", zorkcup }, { " 2 zorkcup, ", zorkcup }, { "", UnitsEngine::genericUnit() },
        { QVariant(), UnitsEngine::genericUnit() }, { "blorf", UnitsEngine::genericUnit() } };
    for (const auto& row : units) {
        rule->setValueForKey(row.text, "ingredientAmount");
        EXPECT_EQ(BaseMOAdditions::unitForKey(rule, "ingredientAmount"), row.unit)
            << row.text.toString().toStdString();
    }

    const struct {
        QVariant text;
        QString amount;
    } amounts[]
        = { { "", "1" }, { QVariant(), "1" }, { "(null)", "1" }, { "1 1/2 cups", "1.5" }, { "3", "3" } };
    for (const auto& row : amounts) {
        rule->setValueForKey(row.text, "substituteAmount");
        EXPECT_EQ(BaseMOAdditions::amountForKey(rule, "substituteAmount").stringValue(), row.amount)
            << row.text.toString().toStdString();
    }
}

TEST_F(BaseMOTest, SettingAMissingRecipeKeyIsLoggedAndIgnored)
{
    ManagedObject* category = insert("Category");
    ManagedObject* recipe = insert("Recipe");
    Log::Capture capture;
    category->setValueForKey(QVariant::fromValue(recipe), "recipe");
    EXPECT_TRUE(capture.contains("trying to set \"recipe\" key when it doesn't exist."));
    capture.clear();
    category->setValueForKey(1, "colour");
    EXPECT_TRUE(capture.contains("not key value coding-compliant for the key colour"));
}

TEST_F(BaseMOTest, DeletedItemLeavesItsRecipeAtOnceAndARecipeTakesItsPicture)
{
    auto* recipe = dynamic_cast<RecipeMO*>(insert("Recipe"));
    ASSERT_TRUE(recipe);
    ManagedObject* image = recipe->objectForKey("image");
    ASSERT_TRUE(image);
    auto* direction = dynamic_cast<DirectionMO*>(insert("Direction"));
    direction->setValueForKey(QVariant::fromValue<ManagedObject*>(recipe), "recipe");
    ASSERT_TRUE(save());

    direction->deleteFromManagedObjectContext();
    EXPECT_FALSE(recipe->objectsForKey("directions").contains(direction));
    EXPECT_TRUE(direction->isDeleted());

    recipe->deleteFromManagedObjectContext();
    EXPECT_TRUE(image->isDeleted());
    EXPECT_EQ(recipe->objectForKey("image"), nullptr);
    ASSERT_TRUE(save());
    EXPECT_TRUE(fetchAll("Image").isEmpty());
    EXPECT_EQ(fetchAll("Direction").size(), 0);
}

TEST_F(BaseMOTest, ConstantGroupsAndPlaceholders)
{
    EXPECT_EQ(BaseMOAdditions::placeholderString(insert("Direction")), "Direction");
    EXPECT_EQ(BaseMOAdditions::placeholderString(insert("Note")), "Note");
    Log::Capture capture;
    EXPECT_TRUE(BaseMOAdditions::placeholderString(insert("Kitchen")).isNull());
    EXPECT_TRUE(capture.contains("BaseMO: unknown constant group for type: KitchenMO"));
}

TEST_F(BaseMOTest, EntitiesThatCannotScaleSaySo)
{
    auto* cuisine = dynamic_cast<BaseMO*>(insert("Cuisine"));
    Log::Capture capture;
    cuisine->scaleByFactor(Decimal::fromInt(2));
    EXPECT_TRUE(capture.contains("CuisineMO: does not support scaling"));
}

TEST_F(BaseMOTest, CategoriesAndCuisinesSortByNameAmongTheirOwnKind)
{
    auto* apple = dynamic_cast<CategoryMO*>(insertNamed("Category", "apple"));
    auto* Banana = dynamic_cast<CategoryMO*>(insertNamed("Category", "Banana"));
    auto* cuisine = dynamic_cast<CuisineMO*>(insertNamed("Cuisine", "apple"));
    ASSERT_TRUE(apple && Banana && cuisine);
    EXPECT_GT(apple->compare(Banana), 0); // case-sensitive: upper case first
    EXPECT_EQ(apple->compare(apple), 0);
    try {
        (void)apple->compare(cuisine);
        FAIL() << "no exception";
    } catch (const BadComparisonException& e) {
        EXPECT_STREQ(e.what(), "Non-category comparison");
    }
    EXPECT_THROW((void)cuisine->compare(apple), BadComparisonException);
}
