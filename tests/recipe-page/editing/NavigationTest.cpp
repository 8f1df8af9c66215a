// Tab and Backtab between fields, Return adding items, items removed from under the edited field,
// button cells, completion lists and hover rectangles.
#include "EditingFixture.h"

#include <gtest/gtest.h>

namespace
{

class NavigationTest : public EditingFixture
{
};

TEST_F(NavigationTest, EditModeStartsAtTheFirstFieldAndTabWrapsAtBothEnds)
{
    edit({ QStringLiteral("2 cups flour") }, { QStringLiteral("Boil") }, { QStringLiteral("Serve hot") });
    const Range name = run(QStringLiteral("name"));
    const Range lastNote = run(QStringLiteral("notes.text"), 1);
    EXPECT_EQ(page.editRange(), name);
    EXPECT_EQ(page.selectedRange(), name);
    EXPECT_TRUE(page.isEditing());

    page.keyCommand(QStringLiteral("insertBacktab:"));
    EXPECT_EQ(page.editRange(), lastNote);
    EXPECT_EQ(page.selectedRange(), lastNote);
    page.keyCommand(QStringLiteral("insertTab:"));
    EXPECT_EQ(page.editRange(), name);
    page.keyCommand(QStringLiteral("insertTab:"));
    EXPECT_EQ(page.editRange(), run(QStringLiteral("recipeDescription")));
}

TEST_F(NavigationTest, TabVisitsEveryFieldInCardOrder)
{
    edit({ QStringLiteral("2 cups flour") }, { QStringLiteral("Boil") }, {});
    QStringList visited;
    for (int i = 0; i < 12; ++i) {
        visited.append(page.fieldAtIndex(page.editRange().location));
        page.keyCommand(QStringLiteral("insertTab:"));
    }
    EXPECT_EQ(visited.mid(0, 11),
        (QStringList { "name", "recipeDescription", "kitchen.name", "totalTime", "yield", "category.name",
            "cuisine.name", "baseIngredient.name", "directions.text", "notes.text", "name" }));
}

TEST_F(NavigationTest, TabOnACardWithoutFieldsEnds)
{
    page.setCard(AttributedString(QStringLiteral("ingredients\n\ndirections\n")));
    page.setEditable(true);
    EXPECT_FALSE(page.tab());
    EXPECT_FALSE(page.backTab());
    EXPECT_EQ(page.editRange(), Range {});
}

TEST_F(NavigationTest, ReturnInIngredientThreeAddsIngredientFourAndEditsIt)
{
    edit({ QStringLiteral("2 cups flour"), QStringLiteral("1 egg"), QStringLiteral("1 cup milk") }, {}, {});
    choose(run(QStringLiteral("baseIngredient.name"), 3));
    page.keyCommand(QStringLiteral("insertNewline:"));

    const QList<ManagedObject*> lines = recipe->sortedItemsForKey(QStringLiteral("ingredients"));
    ASSERT_EQ(lines.size(), 4);
    EXPECT_EQ(
        lines.at(2)->valueForKey(QStringLiteral("displayString")).toString(), QStringLiteral("1 cup milk"));
    const Range fourth = run(QStringLiteral("baseIngredient.name"), 4);
    EXPECT_EQ(page.editRange(), fourth);
    EXPECT_EQ(page.selectedRange(), fourth);
    EXPECT_EQ(editedText(), QStringLiteral("Ingredient"));
}

TEST_F(NavigationTest, ReturnInASingleFieldMovesToTheNextField)
{
    edit({ QStringLiteral("2 cups flour") }, {}, {});
    page.keyCommand(QStringLiteral("insertNewline:"));
    EXPECT_EQ(page.editRange(), run(QStringLiteral("recipeDescription")));
    EXPECT_EQ(recipe->sortedItemsForKey(QStringLiteral("ingredients")).size(), 1);
}

TEST_F(NavigationTest, TypedTextSurvivesAddingAnItem)
{
    edit({ QStringLiteral("2 cups flour") }, {}, {});
    const Range name = run(QStringLiteral("name"));
    choose(name);
    page.setSelectedRange({ maxRange(name), 0 });
    page.insertText(QStringLiteral(" Pot"));
    choose(run(QStringLiteral("baseIngredient.name"), 1));
    page.keyCommand(QStringLiteral("insertNewline:"));
    EXPECT_EQ(recipe->valueForKey(QStringLiteral("name")).toString(), QStringLiteral("Soup Pot"));
}

TEST_F(NavigationTest, RemovingTheEditedItemEditsTheItemThatTakesItsNumber)
{
    edit({ QStringLiteral("2 cups flour"), QStringLiteral("1 egg"), QStringLiteral("1 cup milk") }, {}, {});
    choose(run(QStringLiteral("baseIngredient.name"), 2));
    ManagedObject* egg = recipe->sortedItemsForKey(QStringLiteral("ingredients")).at(1);
    page.minusMarker(egg, 2);
    EXPECT_EQ(ingredientTexts(recipe).size(), 2);
    EXPECT_EQ(editedText(), QStringLiteral("1 cup milk"));
    EXPECT_EQ(page.editRange(), run(QStringLiteral("baseIngredient.name"), 2));
}

TEST_F(NavigationTest, RemovingTheLastEditedItemEditsTheNewLastItem)
{
    edit({ QStringLiteral("2 cups flour"), QStringLiteral("1 egg") }, {}, {});
    choose(run(QStringLiteral("baseIngredient.name"), 2));
    page.minusMarker(recipe->sortedItemsForKey(QStringLiteral("ingredients")).at(1), 2);
    EXPECT_EQ(editedText(), QStringLiteral("2 cups flour"));
}

TEST_F(NavigationTest, RemovingAnotherItemKeepsEditingTheSameLine)
{
    edit({ QStringLiteral("2 cups flour"), QStringLiteral("1 egg"), QStringLiteral("1 cup milk") }, {}, {});
    choose(run(QStringLiteral("baseIngredient.name"), 3));
    page.minusMarker(recipe->sortedItemsForKey(QStringLiteral("ingredients")).at(0), 1);
    EXPECT_EQ(editedText(), QStringLiteral("1 cup milk"));
}

TEST_F(NavigationTest, ButtonCellOpensTheFieldItNames)
{
    bool entered = false;
    recipe = bareRecipe(QStringLiteral("Soup"));
    // Its one ingredient is empty: read, the list shows its add button.
    addIngredient(recipe, 1, {}, {}, {}, {}, {});
    page.setRecipe(recipe);
    page.reloadCard();
    page.hooks().edit = [&] {
        entered = true;
        recipe->setEditing(true);
        page.reloadCard();
        page.setEditable(true);
    };
    const qsizetype button = page.textStorage().string().indexOf(QChar(NSAttachmentCharacter));
    ASSERT_GE(button, 0);
    page.clickedOnCellAtIndex(button);
    EXPECT_TRUE(entered);
    EXPECT_EQ(page.editRange(), run(QStringLiteral("baseIngredient.name"), 1));
    EXPECT_TRUE(page.isEditing());
}

TEST_F(NavigationTest, CompletionNeedsTwoWords)
{
    QStringList offered;
    page.hooks().completions = [&offered](const QString&, const EntityDescription*) {
        return std::optional<QStringList>(offered);
    };
    edit({}, {}, {});
    const Range category = run(QStringLiteral("category.name"));
    offered = { QStringLiteral("Soups") };
    EXPECT_FALSE(page.completionsForPartialWordRange(category));
    offered = { QStringLiteral("Soups"), QStringLiteral("Sauces") };
    EXPECT_EQ(page.completionsForPartialWordRange(category), offered);
    // The name is a plain value: no list; an unnamed page has none at all.
    EXPECT_FALSE(page.completionsForPartialWordRange(run(QStringLiteral("name"))));
}

TEST_F(NavigationTest, HoverRectanglesJoinLabelAndValue)
{
    edit({ QStringLiteral("2 cups flour") }, {}, {});
    recipe->setValueForKey(QStringLiteral("4 servings"), QStringLiteral("yield"));
    recipe->setEditing(false);
    page.setEditable(false);
    page.reloadCard();
    const QList<Range> ranges = page.hoverRanges();
    ASSERT_EQ(ranges.size(), 2);
    EXPECT_EQ(text(ranges.at(0)), QStringLiteral("yield 4 servings"));
    EXPECT_EQ(text(ranges.at(1)), QStringLiteral("2 cups flour"));
    const std::optional<QList<QRectF>> rects = page.generateTrackingRects();
    ASSERT_TRUE(rects);
    const QRectF value = layout->boundingRectForRange(ranges.at(0));
    EXPECT_EQ(rects->at(0), value.adjusted(0, 0, 11, 0));
}

TEST_F(NavigationTest, ClickJustPastTheFieldKeepsItAndAClickOnALabelClearsIt)
{
    edit({ QStringLiteral("2 cups flour") }, {}, {});
    recipe->setValueForKey(QStringLiteral("4 servings"), QStringLiteral("yield"));
    page.reloadCard();
    const Range yield = run(QStringLiteral("yield"));
    choose(yield);
    // The line end right after the field, inside its box.
    const QRectF past = layout->characterRect(maxRange(yield));
    const QRectF box = layout->boundingRectForRange(yield);
    EXPECT_EQ(page.mouseDown({ box.right() + 1, past.center().y() }), RecipeEditingModel::Click::PlaceCaret);
    EXPECT_EQ(page.editRange(), yield);
    EXPECT_TRUE(page.isEditing());

    const QRectF label = layout->characterRect(yield.location - 3);
    EXPECT_EQ(page.mouseDown(label.center()), RecipeEditingModel::Click::Ignored);
    EXPECT_FALSE(page.isEditing());
    EXPECT_EQ(page.selectedRange(), Range {});
}

} // namespace
