// The recipe, ingredient and field menus as data: their items, enabling and check marks, the
// submenus, and what their actions do.
#include "IngredientMO.h"
#include "MenuEngineFixture.h"
#include "RecipeIngredientMO.h"

#include <gtest/gtest.h>

namespace
{

using ContextualMenuEngineTest = MenuEngineFixture;

TEST_F(ContextualMenuEngineTest, TheRecipeMenuHasItsItemsInOrder)
{
    RecipeMO* pie = recipeNamed(QStringLiteral("Pie"));
    EXPECT_EQ(titles(engine->buildRecipeContextualMenu(pie)),
        QStringList({ "Change Yield of Recipe…", "Change Recipe to Metric units…", "Add to Grocery List", "-",
            "Blog this Recipe…", "Email this Recipe…", "Share Recipe Online", "-",
            "Search for more Recipes from this User…", "Delete Recipe", "-", "Copy to clipboard",
            "Search the web for \"Pie\"", "Search this computer for \"Pie\"",
            "Lookup definition of \"Pie\"" }));
}

struct RecipeMenuCase {
    const char* what;
    bool local;
    bool createdLocally;
    qint64 onlineUserID;
    bool searchHidden;
    bool yieldEnabled, shareEnabled, userSearchEnabled, deleteEnabled;
};

TEST_F(ContextualMenuEngineTest, RecipeMenuEnablingTable)
{
    const RecipeMenuCase cases[] = {
        { "local recipe of mine", true, true, 0, true, true, true, false, true },
        { "web result of a user", false, false, 42, false, false, false, true, false },
        { "local copy of a web recipe", true, false, 7, true, true, false, true, true },
        { "web result, results table hidden", false, true, 0, true, false, true, false, true },
    };
    RecipeMO* pie = recipeNamed(QStringLiteral("Pie"));
    for (const RecipeMenuCase& c : cases) {
        SCOPED_TRACE(c.what);
        searchLocal = c.local;
        searchHidden = c.searchHidden;
        pie->setValueForKey(c.createdLocally, QStringLiteral("createdLocally"));
        pie->setValueForKey(c.onlineUserID, QStringLiteral("onlineUserID"));
        const MenuModelPtr menu = engine->buildRecipeContextualMenu(pie);
        ASSERT_TRUE(menu);
        EXPECT_FALSE(menu->autoenablesItems());
        EXPECT_EQ(enabled(menu, QStringLiteral("Change Yield of Recipe…")), c.yieldEnabled);
        EXPECT_EQ(enabled(menu, QStringLiteral("Change Recipe to Metric units…")), c.yieldEnabled);
        EXPECT_EQ(enabled(menu, QStringLiteral("Share Recipe Online")), c.shareEnabled);
        EXPECT_EQ(
            enabled(menu, QStringLiteral("Search for more Recipes from this User…")), c.userSearchEnabled);
        EXPECT_EQ(item(menu, QStringLiteral("Search for more Recipes from this User…")).hasAction(),
            c.userSearchEnabled);
        EXPECT_EQ(enabled(menu, QStringLiteral("Delete Recipe")), c.deleteEnabled);
        EXPECT_TRUE(enabled(menu, QStringLiteral("Add to Grocery List")));
    }
}

TEST_F(ContextualMenuEngineTest, TheUnitsItemFollowsTheDefaultMeasurementSystem)
{
    RecipeMO* pie = recipeNamed(QStringLiteral("Pie"));
    const struct {
        int system;
        const char* expected; // nullptr: no such item
    } cases[] = {
        { 1, "Change Recipe to Metric units…" },
        { 2, "Change Recipe to Imperial/SI units…" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.system);
        setMeasurementSystem(c.system);
        const QStringList items = titles(engine->buildRecipeContextualMenu(pie));
        EXPECT_EQ(items.filter(QStringLiteral("units…")).size(), c.expected ? 1 : 0);
        if (c.expected) {
            EXPECT_TRUE(items.contains(QString::fromUtf8(c.expected)));
        }
    }
}

TEST_F(ContextualMenuEngineTest, ShareCarriesTheCheckMarkAndTheActionsGoToTheirControllers)
{
    RecipeMO* pie = recipeNamed(QStringLiteral("Pie"));
    pie->setValueForKey(true, QStringLiteral("share"));
    pie->setValueForKey(true, QStringLiteral("createdLocally"));
    const MenuModelPtr menu = engine->buildRecipeContextualMenu(pie);
    EXPECT_TRUE(item(menu, QStringLiteral("Share Recipe Online")).checked);
    for (const char* title :
        { "Blog this Recipe…", "Email this Recipe…", "Share Recipe Online", "Delete Recipe" })
        engine->performAction(item(menu, QString::fromUtf8(title)));
    EXPECT_EQ(calls, QStringList({ "blog Pie", "emailRecipe Pie", "addToOnline Pie", "removeRecipe Pie" }));
}

TEST_F(ContextualMenuEngineTest, NothingToNameGivesNoMenuAtAll)
{
    RecipeMO* unnamed = recipeNamed(QString());
    EXPECT_FALSE(engine->buildRecipeContextualMenu(unnamed));
    EXPECT_FALSE(engine->buildRecipeContextualMenu(nullptr));
    // No recipe shown: the page's fields have no menu.
    EXPECT_FALSE(engine->buildContextualMenuForAttributeValue(QStringLiteral("name")));
    shown = recipeNamed(QStringLiteral("Pie"));
    EXPECT_FALSE(engine->buildContextualMenuForAttributeValue(QStringLiteral("yield")));
    EXPECT_FALSE(engine->menuByAddingStandardItemsToContextualMenu(std::make_shared<MenuModel>(), QString()));
    EXPECT_FALSE(engine->menuByAddingStandardItemsToContextualMenu(nullptr, QStringLiteral("Pie")));
}

TEST_F(ContextualMenuEngineTest, FieldMenusByConstantGroup)
{
    RecipeMO* pie = recipeNamed(QStringLiteral("Pie"));
    shown = pie;
    pie->setValueForKey(QStringLiteral("4 servings"), QStringLiteral("yield"));
    pie->setKitchen(QStringLiteral("Grandma"));
    pie->setCuisine(QStringLiteral("French"));
    pie->setCategory(QStringLiteral("Dessert"));
    pie->setValueForKey(false, QStringLiteral("createdLocally"));

    const MenuModelPtr yield = engine->buildContextualMenuForAttributeValue(QStringLiteral("yield"));
    ASSERT_TRUE(yield);
    EXPECT_TRUE(yield->autoenablesItems());
    EXPECT_EQ(yield->title(), QStringLiteral("4 servings"));
    EXPECT_FALSE(enabled(yield, QStringLiteral("4 servings")));
    EXPECT_EQ(item(yield, QStringLiteral("Change Yield of Recipe…")).keyEquivalent, QStringLiteral("y"));
    EXPECT_TRUE(enabled(yield, QStringLiteral("Change Yield of Recipe…")));

    const MenuModelPtr kitchen = engine->buildContextualMenuForAttributeValue(QStringLiteral("kitchen.name"));
    EXPECT_TRUE(enabled(kitchen, QStringLiteral("Rate this Source")));
    EXPECT_TRUE(enabled(kitchen, QStringLiteral("Other Recipes from this Source")));
    // No web author: the user search has no action and shows disabled.
    EXPECT_FALSE(enabled(kitchen, QStringLiteral("Search for more Recipes from this User…")));
    pie->setValueForKey(true, QStringLiteral("createdLocally"));
    EXPECT_FALSE(titles(engine->buildContextualMenuForAttributeValue(QStringLiteral("kitchen.name")))
                     .contains(QStringLiteral("Rate this Source")));

    const MenuModelPtr cuisine = engine->buildContextualMenuForAttributeValue(QStringLiteral("cuisine.name"));
    EXPECT_TRUE(enabled(cuisine, QStringLiteral("Rate this Cuisine")));
    engine->performAction(item(cuisine, QStringLiteral("Search for more Recipes from this Cuisine…")));
    const MenuModelPtr category
        = engine->buildContextualMenuForAttributeValue(QStringLiteral("category.name"));
    engine->performAction(item(category, QStringLiteral("Search for more Recipes in this Category…")));
    EXPECT_EQ(calls, QStringList({ "searchForObject French", "searchForObject Dessert" }));

    // Other groups: the value and the standard items only.
    const MenuModelPtr name = engine->buildContextualMenuForAttributeValue(QStringLiteral("name"));
    EXPECT_EQ(titles(name).size(), 7);
}

TEST_F(ContextualMenuEngineTest, ToManyKeyPaths)
{
    RecipeMO* pie = recipeNamed(QStringLiteral("Pie"));
    shown = pie;
    addIngredient(pie, 1, QStringLiteral("2"), QStringLiteral("cup"), {}, QStringLiteral("flour"),
        QStringLiteral("2 cup flour"));
    addIngredient(pie, 2, QStringLiteral("1"), {}, {}, QStringLiteral("egg"), QStringLiteral("1 egg"));
    EXPECT_EQ(engine->buildContextualMenuForAttributeValue(QStringLiteral("ingredients"), 2)->title(),
        QStringLiteral("egg"));
    EXPECT_FALSE(engine->buildContextualMenuForAttributeValue(QStringLiteral("ingredients"), 9));
    const MenuModelPtr error
        = engine->buildContextualMenuForAttributeValue(QStringLiteral("directions.text"), 1);
    ASSERT_TRUE(error);
    EXPECT_EQ(error->title(), QStringLiteral("Error"));
    EXPECT_EQ(titles(error), QStringList({ "Unsupported to-many relationship keyPath" }));
}

TEST_F(ContextualMenuEngineTest, IngredientMenuEnablingTable)
{
    RecipeMO* pie = recipeNamed(QStringLiteral("Pie"));
    shown = pie;
    auto* line = static_cast<RecipeIngredientMO*>(addIngredient(pie, 1, QStringLiteral("1/2"),
        QStringLiteral("cup"), {}, QStringLiteral("sugar"), QStringLiteral("1/2 cup sugar")));
    const struct {
        const char* what;
        bool local;
        const char* amount;
        const char* measure;
        bool changeIngredient, changeAmount, convert;
    } cases[] = {
        { "half a cup, metric default", true, "1/2", "cup", true, false, true },
        { "two cups", true, "2", "cup", true, true, true },
        { "grams are metric already", true, "200", "g", true, true, false },
        { "no unit", true, "3", "", true, true, false },
        { "web result", false, "2", "cup", false, false, true },
        { "no amount", true, "", "cup", true, false, true },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        searchLocal = c.local;
        line->setValueForKey(QString::fromLatin1(c.amount), QStringLiteral("amount"));
        line->setValueForKey(QString::fromLatin1(c.measure), QStringLiteral("measure"));
        const MenuModelPtr menu = engine->buildIngredientMenuForRecipeIngredient(line);
        ASSERT_TRUE(menu);
        EXPECT_EQ(menu->title(), QStringLiteral("sugar"));
        EXPECT_FALSE(enabled(menu, QStringLiteral("sugar")));
        EXPECT_EQ(enabled(menu, QStringLiteral("Change ingredient…")), c.changeIngredient);
        EXPECT_EQ(enabled(menu, QStringLiteral("Change amount…")), c.changeAmount);
        EXPECT_EQ(enabled(menu, QStringLiteral("Convert to Metric")), c.convert);
        EXPECT_FALSE(enabled(menu, QStringLiteral("Substitute with"))); // no substitutions known
    }
}

TEST_F(ContextualMenuEngineTest, HaveItIsCheckedAndToggles)
{
    RecipeMO* pie = recipeNamed(QStringLiteral("Pie"));
    ManagedObject* line = addIngredient(
        pie, 1, QStringLiteral("1"), {}, {}, QStringLiteral("salt"), QStringLiteral("1 salt"));
    auto* salt = static_cast<IngredientMO*>(static_cast<RecipeIngredientMO*>(line)->baseIngredient());
    MenuModelPtr menu = engine->buildIngredientMenuForRecipeIngredient(line);
    EXPECT_FALSE(item(menu, QStringLiteral("I always have this Ingredient")).checked);
    engine->performAction(item(menu, QStringLiteral("I always have this Ingredient")));
    EXPECT_TRUE(salt->haveIt());
    menu = engine->buildIngredientMenuForRecipeIngredient(line);
    EXPECT_TRUE(item(menu, QStringLiteral("I always have this Ingredient")).checked);
    engine->performAction(item(menu, QStringLiteral("I always have this Ingredient")));
    EXPECT_FALSE(salt->haveIt());
}

TEST_F(ContextualMenuEngineTest, RatingSubmenuChecksTheRatingAndSetsIt)
{
    RecipeMO* pie = recipeNamed(QStringLiteral("Pie"));
    pie->setKitchen(QStringLiteral("Grandma"));
    ManagedObject* kitchen = pie->valueForKey(QStringLiteral("kitchen")).value<ManagedObject*>();
    ASSERT_TRUE(kitchen);
    kitchen->setValueForKey(3, QStringLiteral("rating"));
    const MenuModelPtr rating = engine->ratingSubmenuForObject(kitchen);
    EXPECT_EQ(rating->title(), QStringLiteral("Rating"));
    EXPECT_EQ(titles(rating), QStringList({ "None", "★", "★★", "★★★", "★★★★", "★★★★★" }));
    for (const MenuItemModel& entry : rating->items()) {
        EXPECT_EQ(entry.checked, entry.title == QStringLiteral("★★★")) << entry.title.toStdString();
        EXPECT_FALSE(entry.contextualFont);
    }
    engine->performAction(item(rating, QStringLiteral("None")));
    EXPECT_EQ(kitchen->valueForKey(QStringLiteral("rating")).toInt(), 0);
    engine->performAction(item(engine->ratingSubmenuForObject(pie), QStringLiteral("★★★★★")));
    EXPECT_EQ(pie->valueForKey(QStringLiteral("rating")).toInt(), 5);
}

TEST_F(ContextualMenuEngineTest, OtherRecipesLeaveOutTheShownOne)
{
    RecipeMO* pie = recipeNamed(QStringLiteral("Pie"));
    RecipeMO* tart = recipeNamed(QStringLiteral("Tart"));
    ManagedObject* line = addIngredient(pie, 1, {}, {}, {}, QStringLiteral("apple"), QStringLiteral("apple"));
    ManagedObject* other = insert(QStringLiteral("RecipeIngredient"));
    other->setValueForKey(1, QStringLiteral("index"));
    other->setValueForKey(
        line->valueForKey(QStringLiteral("baseIngredient")), QStringLiteral("baseIngredient"));
    other->setValueForKey(QVariant::fromValue<ManagedObject*>(tart), QStringLiteral("recipe"));
    shown = pie;
    const MenuModelPtr others = engine->buildOtherRecipesSubmenuForObject(line);
    EXPECT_EQ(titles(others), QStringList({ "Tart" }));
    engine->performAction(item(others, QStringLiteral("Tart")));
    EXPECT_EQ(calls, QStringList({ "showRecipe Tart" }));
    shown = tart;
    EXPECT_EQ(titles(engine->buildOtherRecipesSubmenuForObject(line)), QStringList({ "Pie" }));
}

TEST_F(ContextualMenuEngineTest, GroceryListSubmenus)
{
    RecipeMO* pie = recipeNamed(QStringLiteral("Pie"));
    ManagedObject* line = addIngredient(pie, 1, {}, {}, {}, QStringLiteral("apple"), QStringLiteral("apple"));
    EXPECT_EQ(titles(engine->buildGroceryListSubmenuForRecipe(pie)),
        QStringList({ "Create new Grocery List from this Recipe…" }));
    groceryLists = { QStringLiteral("Weekend"), QStringLiteral("Party") };
    const MenuModelPtr forRecipe = engine->buildGroceryListSubmenuForRecipe(pie);
    EXPECT_EQ(titles(forRecipe),
        QStringList({ "Create new Grocery List from this Recipe…", "-", "Weekend", "Party" }));
    engine->performAction(item(forRecipe, QStringLiteral("Party")));
    engine->performAction(item(forRecipe, QStringLiteral("Create new Grocery List from this Recipe…")));
    const MenuModelPtr forLine = engine->buildGroceryListSubmenuForIngredient(line);
    EXPECT_EQ(titles(forLine),
        QStringList({ "Create new Grocery List with this Ingredient…", "-", "Weekend", "Party" }));
    engine->performAction(item(forLine, QStringLiteral("Weekend")));
    engine->performAction(item(forLine, QStringLiteral("Create new Grocery List with this Ingredient…")));
    EXPECT_EQ(calls,
        QStringList({ "addRecipe 1 Pie", "createGroceryListWithRecipe Pie", "addRecipeIngredient 0 apple",
            "createGroceryListWithIngredient apple" }));
}

TEST_F(ContextualMenuEngineTest, CreatingAGroceryListWithoutARecipeBeeps)
{
    MenuItemModel create;
    create.action = QStringLiteral("createGroceryList:");
    engine->performAction(create);
    EXPECT_EQ(calls, QStringList({ "beep" }));
    shown = recipeNamed(QStringLiteral("Stew"));
    engine->performAction(create);
    EXPECT_EQ(calls.last(), QStringLiteral("createGroceryListWithRecipe Stew"));
}

TEST_F(ContextualMenuEngineTest, SearchTakesAnObjectOrAnAuthor)
{
    RecipeMO* pie = recipeNamed(QStringLiteral("Pie"));
    pie->setValueForKey(42, QStringLiteral("onlineUserID"));
    engine->performAction(item(
        engine->buildRecipeContextualMenu(pie), QStringLiteral("Search for more Recipes from this User…")));
    ManagedObject* line = addIngredient(pie, 1, {}, {}, {}, QStringLiteral("apple"), QStringLiteral("apple"));
    engine->performAction(item(engine->buildIngredientMenuForRecipeIngredient(line),
        QStringLiteral("Search for more Recipes with this Ingredient…")));
    EXPECT_EQ(calls, QStringList({ "searchForOnlineUser 42", "searchForObject apple" }));
}

TEST_F(ContextualMenuEngineTest, ConvertingAnIngredientAndARecipe)
{
    RecipeMO* pie = recipeNamed(QStringLiteral("Pie"));
    ManagedObject* line = addIngredient(pie, 1, QStringLiteral("1"), QStringLiteral("cup"), {},
        QStringLiteral("milk"), QStringLiteral("1 cup milk"));
    engine->performAction(
        item(engine->buildIngredientMenuForRecipeIngredient(line), QStringLiteral("Convert to Metric")));
    EXPECT_NE(line->valueForKey(QStringLiteral("measure")).toString(), QStringLiteral("cup"));
    EXPECT_TRUE(pie->isDirty());

    RecipeMO* soup = recipeNamed(QStringLiteral("Soup"));
    ManagedObject* stock = addIngredient(soup, 1, QStringLiteral("2"), QStringLiteral("cup"), {},
        QStringLiteral("stock"), QStringLiteral("2 cup stock"));
    shown = soup;
    MenuItemModel fromMainMenu; // no represented recipe: the shown one
    fromMainMenu.action = QStringLiteral("changeRecipeMeasurementSystem:");
    engine->performAction(fromMainMenu);
    EXPECT_NE(stock->valueForKey(QStringLiteral("measure")).toString(), QStringLiteral("cup"));
}

} // namespace
