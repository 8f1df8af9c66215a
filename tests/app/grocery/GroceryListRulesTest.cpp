#include "GroceryFixture.h"
#include "Log.h"

#include <QAction>
#include <QFont>

namespace
{

using GroceryListRulesTest = GroceryFixture;

struct AddCase {
    const char* what;
    int system;
    QList<std::pair<const char*, const char*>> existing;
    const char* line;
    QStringList expected;
};

TEST_F(GroceryListRulesTest, AddingALineMergesWithAnItemOfTheSameNameWhenTheUnitsConvert)
{
    const QList<AddCase> cases {
        { "same unit summed", 2, { { "milk", "2 cups" } }, "1 cup milk", { "milk: 3 c." } },
        { "decimal amount merges", 2, { { "milk", "1.5 cups" } }, "1 cup milk", { "milk: 2.5 c." } },
        { "fraction amount merges", 2, { { "milk", "1 1/2 cups" } }, "1 cup milk", { "milk: 2.5 c." } },
        { "converted into the item's unit", 2, { { "milk", "12 fl. oz." } }, "1 cup milk",
            { "milk: 20 fl. oz." } },
        { "first item of the name that converts", 2, { { "milk", "1 qt." }, { "eggs", "2" } }, "2 cups milk",
            { "milk: 1.5 qt.", "eggs: 2" } },
        { "modifier kept apart", 2, { { "flour", "2 c." } }, "1 cup sifted flour",
            { "flour: 2 c.", "flour, sifted: 8 fl. oz." } },
        { "weight and volume kept apart", 2, { { "butter", "2 oz." } }, "1 cup butter",
            { "butter: 2 oz.", "butter: 8 fl. oz." } },
        { "a can is no pinch", 2, { { "salt", "1 pinch" } }, "1 can salt",
            { "salt: 1 pinch", "salt: 1 can" } },
        { "plain counts add up", 2, { { "egg", "2" } }, "3 eggs", { "egg: 5" } },
        { "an item without an amount counts one", 2, { { "egg", "" } }, "2 eggs", { "egg: 3" } },
        { "a count is no can", 2, { { "tomato", "2" } }, "1 can tomatoes", { "tomato: 2", "tomato: 1 can" } },
        { "hand-typed placeholder amount takes nothing", 2, { { "milk", "Amount" } }, "1 cup milk",
            { "milk: Amount", "milk: 8 fl. oz." } },
    };
    setMeasurementSystem(2);
    for (const AddCase& c : cases) {
        setMeasurementSystem(c.system);
        GroceryList list;
        for (const auto& [name, amount] : c.existing)
            list.addItem(item(QString::fromUtf8(name), QString::fromUtf8(amount)));
        list.addRecipeIngredient(parsed(QString::fromUtf8(c.line)), false);
        EXPECT_EQ(describe(list), c.expected) << c.what;
    }
}

struct UnitCase {
    int system;
    const char* line;
    const char* expected;
};

TEST_F(GroceryListRulesTest, NewItemsAreBoughtInTheGroceryUnitOfTheMeasurementSystem)
{
    const QList<UnitCase> cases {
        { 1, "1 cup flour", "flour: 236.59 ml" },
        { 1, "2 tbsp. oil", "oil: 29.57 ml" },
        { 1, "1 L milk", "milk: 1 l" },
        { 1, "8 oz. cheese", "cheese: 226.8 g" },
        { 1, "2 kg potatoes", "potato: 2 kg" },
        { 1, "150 ml cream", "cream: 150 ml" },
        { 1, "12.5 g yeast", "yeast: 12.5 g" },
        { 2, "1 cup flour", "flour: 8 fl. oz." },
        { 2, "1/4 tsp. salt", "salt: 0.042 fl. oz." },
        { 2, "1 gal. water", "water: 1 gal." },
        { 2, "1 lb. beef", "beef: 1 lb." },
        { 2, "500 g pasta", "pasta: 17.64 oz." },
        { 2, "2 eggs", "egg: 2" },
        { 2, "eggs", "egg: " },
        { 2, "1/2 onion", "onion: 0.5" },
        { 2, "1 can tomatoes", "tomato: 1 can" },
    };
    for (const UnitCase& c : cases) {
        setMeasurementSystem(c.system);
        GroceryList list;
        list.addRecipeIngredient(parsed(QString::fromUtf8(c.line)), false);
        EXPECT_EQ(describe(list), QStringList { QString::fromUtf8(c.expected) })
            << c.line << " in " << c.system;
    }
}

TEST_F(GroceryListRulesTest, FluidOuncesStayAVolumeAndMergeAgain)
{
    setMeasurementSystem(2);
    GroceryList list;
    list.addRecipeIngredient(parsed(QStringLiteral("1 cup milk")), false);
    list.addRecipeIngredient(parsed(QStringLiteral("1 cup milk")), false);
    list.addRecipeIngredient(parsed(QStringLiteral("1 oz. milk")), false);
    EXPECT_EQ(describe(list), (QStringList { "milk: 16 fl. oz.", "milk: 1 oz." }));
}

TEST_F(GroceryListRulesTest, AddedItemRemembersItsIngredient)
{
    GroceryList list;
    RecipeIngredientMO* line = parsed(QStringLiteral("2 cups chopped walnuts"));
    list.addRecipeIngredient(line, false);
    ASSERT_EQ(list.countItems(), 1u);
    EXPECT_EQ(list.items().first().itemName(), QStringLiteral("walnut, chopped"));
    EXPECT_EQ(list.items().first().ingredientManagedObjectURL(),
        line->baseIngredient()->objectID().URIRepresentation());
    EXPECT_EQ(list.items().first().ingredientManagedObject(), line->baseIngredient());
}

TEST_F(GroceryListRulesTest, HaveItIsRespectedForRecipesAndIgnoredForOneAskedLine)
{
    setMeasurementSystem(2);
    RecipeMO* recipe = recipeWithLines(QStringLiteral("Pancakes"), { "2 eggs", "1 cup milk" });
    RecipeIngredientMO* milkLine = nullptr;
    for (ManagedObject* object : recipe->objectsForKey(QStringLiteral("ingredients"))) {
        auto* line = dynamic_cast<RecipeIngredientMO*>(object);
        if (line->baseIngredient() && line->baseIngredient()->name() == QStringLiteral("milk"))
            milkLine = line;
    }
    ASSERT_TRUE(milkLine);
    milkLine->baseIngredient()->setHaveIt(true);

    GroceryList list;
    list.addRecipeIngredient(milkLine, false);
    EXPECT_EQ(list.countItems(), 0u);
    list.addRecipe(QVariant::fromValue<ManagedObject*>(recipe));
    EXPECT_EQ(describe(list), QStringList { "egg: 2" }); // the placeholder line adds nothing either

    QAction action;
    action.setData(QVariant::fromValue<ManagedObject*>(milkLine));
    list.addRecipeIngredient(QVariant::fromValue<QObject*>(&action));
    EXPECT_EQ(describe(list), (QStringList { "egg: 2", "milk: 8 fl. oz." }));
}

TEST_F(GroceryListRulesTest, MenuSendersThatAreNeitherLineNorRecipeChangeNothing)
{
    GroceryList list;
    int changes = 0;
    QObject::connect(&list, &GroceryList::itemsChanged, &list, [&] { ++changes; });
    Log::Capture log;
    list.addRecipeIngredient(QVariant(QStringLiteral("milk")));
    list.addRecipe(QVariant::fromValue<ManagedObject*>(parsed(QStringLiteral("1 cup milk"))));
    EXPECT_EQ(list.countItems(), 0u);
    EXPECT_EQ(changes, 0);
    EXPECT_TRUE(log.contains(QStringLiteral("Unable to determine ingredient to add to grocery list")));
    EXPECT_TRUE(log.contains(QStringLiteral("Unable to determine recipe to add to grocery list.")));
}

TEST_F(GroceryListRulesTest, ChangesToTheItemsAreAnnounced)
{
    GroceryList list;
    int changes = 0;
    QObject::connect(&list, &GroceryList::itemsChanged, &list, [&] { ++changes; });
    list.addRecipeIngredient(parsed(QStringLiteral("1 cup milk")), false);
    list.addRecipeIngredient(parsed(QStringLiteral("1 cup milk")), false);
    list.removeItemAt(5);
    EXPECT_EQ(changes, 2);
}

// ---- a new list from recipes ----

TEST_F(GroceryListRulesTest, NewListSumsLinesOfOneIngredientUnitAndModifierOnly)
{
    setMeasurementSystem(1);
    RecipeMO* bread
        = recipeWithLines(QStringLiteral("Bread"), { "1 cup flour", "1 cup sifted flour", "2 eggs" });
    RecipeMO* cake = recipeWithLines(QStringLiteral("Cake"),
        { "2 cups flour", "16 tbsp. flour", "1 egg", "100 g sugar", "0.25 kg sugar" });
    std::unique_ptr<GroceryList> list = GroceryList::groceryListWithRecipes({ bread, cake });
    ASSERT_TRUE(list);
    EXPECT_EQ(describe(*list),
        (QStringList { "flour: 709.76 ml", "flour, sifted: 236.59 ml", "egg: 3", "flour: 236.59 ml",
            "sugar: 100 g", "sugar: 0.25 kg" }));
    EXPECT_TRUE(list->name().startsWith(QStringLiteral("Untitled Grocery List (")));
}

TEST_F(GroceryListRulesTest, NewListWritesUnitsByTheirShortestNameAndAmountsWithoutLoss)
{
    setMeasurementSystem(2);
    RecipeMO* soup = recipeWithLines(
        QStringLiteral("Soup"), { "12.5 oz. carrots", "12.25 oz. carrots", "1 lb. beef", "3 cans beans" });
    std::unique_ptr<GroceryList> list = GroceryList::groceryListWithRecipes({ soup });
    ASSERT_TRUE(list);
    EXPECT_EQ(describe(*list), (QStringList { "carrot: 24.75 oz", "beef: 1 lb", "bean: 3 can" }));
    EXPECT_EQ(list->name(),
        QStringLiteral("Soup Grocery List (%1)").arg(GroceryList::shortDateString(list->date())));

    // What the new list wrote, a line added later merges with.
    list->addRecipeIngredient(parsed(QStringLiteral("8 oz. carrots")), false);
    EXPECT_EQ(list->items().first().amount(), QStringLiteral("32.75 oz."));
}

TEST_F(GroceryListRulesTest, NewListLeavesOutHadIngredientsAndPlaceholders)
{
    RecipeMO* empty = recipeWithLines(QStringLiteral("Nothing yet"), {});
    EXPECT_FALSE(GroceryList::groceryListWithRecipes({ empty }));
    EXPECT_FALSE(GroceryList::groceryListWithRecipes({}));

    RecipeMO* had = recipeWithLines(QStringLiteral("Toast"), { "2 slices bread" });
    for (ManagedObject* line : had->objectsForKey(QStringLiteral("ingredients"))) {
        if (IngredientMO* ingredient = dynamic_cast<RecipeIngredientMO*>(line)->baseIngredient())
            ingredient->setHaveIt(true);
    }
    std::unique_ptr<GroceryList> list = GroceryList::groceryListWithRecipes({ had });
    ASSERT_TRUE(list); // lines were there, all of them had
    EXPECT_EQ(list->countItems(), 0u);
}

// ---- the list as text ----

TEST_F(GroceryListRulesTest, ListTextLinesUpNamesWithTabsAndLeavesOutHadItems)
{
    GroceryList list(QStringLiteral("Party"), QDateTime::currentDateTime(), {});
    const QList<std::pair<QString, int>> amounts {
        { QStringLiteral("3 c"), 5 },
        { QStringLiteral("12 oz"), 5 },
        { QStringLiteral("1234567890"), 3 },
        { QString(25, u'x'), 0 },
        { QString(30, u'y'), 1 },
        { QStringLiteral("Amount"), 5 },
        { QString(), 5 },
    };
    QString expected = QStringLiteral("Party\n\nAmount\t\t\t\tItem\n\n");
    int n = 0;
    for (const auto& [amount, tabs] : amounts) {
        const QString name = QStringLiteral("item %1").arg(++n);
        list.addItem(item(name, amount));
        expected += (amount == QStringLiteral("Amount") ? QString() : amount) + QString(tabs, u'\t') + name
            + u'\n';
    }
    GroceryItem had = item(QStringLiteral("salt"), QStringLiteral("1 box"));
    had.setHaveIt(true);
    list.addItem(had);
    expected += u'\n';

    const MutableAttributedString text = list.attributedString();
    EXPECT_EQ(text.string(), expected);
    EXPECT_EQ(text.attributeAtIndex(NSFontAttributeName, 0).value<QFont>().pointSizeF(), 14.0);
    const QFont header = text.attributeAtIndex(NSFontAttributeName, 8).value<QFont>();
    EXPECT_TRUE(header.bold());
    EXPECT_TRUE(header.italic());
}

} // namespace
