// Which recipe the page shows, editing mode on and off with the card written back, the page's undo
// manager, the cooking-mode flag and the cook count.
#include "PageControllerFixture.h"
#include "UndoManager.h"
#include "UserDefaults.h"

#include <gtest/gtest.h>

namespace
{

class RecipeControllerTest : public PageControllerFixture
{
};

TEST_F(RecipeControllerTest, TheListSelectionIsShown)
{
    RecipeMO* soup = recipeWith(QStringLiteral("Soup"), QStringLiteral("Boil"));
    selectInList(soup);
    EXPECT_EQ(controller->currentRecipe(), soup);
    EXPECT_TRUE(shownText().startsWith(QStringLiteral("Soup\n")));
    selectInList(nullptr);
    EXPECT_EQ(controller->currentRecipe(), nullptr);
    EXPECT_TRUE(shownText().isEmpty());
}

struct ShownCase {
    const char* what;
    RecipeControllerService::ObservedController source;
    const char* kind;
    bool searchHidden;
    bool groceryHidden;
    const char* expected; // "soup", "stew" (the search's) or "pie" (unchanged)
};

TEST_F(RecipeControllerTest, DecisionTableOfTheShownRecipe)
{
    using O = RecipeControllerService::ObservedController;
    const ShownCase cases[] = {
        { "source list, a collection", O::Collections, "RBCollectionKindMainLibrary", true, true, "soup" },
        { "source list, search results", O::Collections, "RBCollectionKindSearchCache", false, true, "stew" },
        { "source list, grocery lists", O::Collections, "KRCollectionKindGroceryListsCollection", true, false,
            "pie" },
        { "search while shown", O::SearchResults, "RBCollectionKindSearchCache", false, true, "stew" },
        { "search while hidden", O::SearchResults, "RBCollectionKindMainLibrary", true, true, "pie" },
        { "list while search shown", O::RecipeList, "RBCollectionKindSearchCache", false, true, "pie" },
        { "list while grocery lists shown", O::RecipeList, "RBCollectionKindMainLibrary", true, false,
            "pie" },
        { "list while shown", O::RecipeList, "RBCollectionKindMainLibrary", true, true, "soup" },
    };
    RecipeMO* pie = recipeWith(QStringLiteral("Pie"), QStringLiteral("Bake"));
    RecipeMO* soup = recipeWith(QStringLiteral("Soup"), QStringLiteral("Boil"));
    RecipeMO* stew = recipeWith(QStringLiteral("Stew"), QStringLiteral("Simmer"));
    for (const ShownCase& c : cases) {
        searchHidden = true;
        groceryHidden = true;
        selectInList(pie);
        ASSERT_EQ(controller->currentRecipe(), pie);
        collectionKind = QString::fromLatin1(c.kind);
        searchHidden = c.searchHidden;
        groceryHidden = c.groceryHidden;
        listSelection = soup;
        searchSelection = stew;
        controller->observedSelectionDidChange(c.source, QStringLiteral("selection"));
        const QString expected = QString::fromLatin1(c.expected);
        RecipeMO* wanted = expected == QLatin1String("soup") ? soup
            : expected == QLatin1String("stew")              ? stew
                                                             : pie;
        EXPECT_EQ(controller->currentRecipe(), wanted) << c.what;
    }
}

TEST_F(RecipeControllerTest, AnUnsupportedControllerIsReportedNotThrown)
{
    RecipeMO* pie = recipeWith(QStringLiteral("Pie"), QStringLiteral("Bake"));
    selectInList(pie);
    controller->observedSelectionDidChange(
        RecipeControllerService::ObservedController::Other, QStringLiteral("selection"));
    ASSERT_EQ(presented.size(), 1);
    EXPECT_TRUE(presented.first().contains(QStringLiteral("is not a supported controller")));
    EXPECT_EQ(controller->currentRecipe(), pie);
}

TEST_F(RecipeControllerTest, TheSameRecipeAgainDoesNotResetThePage)
{
    RecipeMO* soup = recipeWith(QStringLiteral("Soup"), QStringLiteral("Boil"));
    selectInList(soup);
    controller->setEditable(true);
    RecipeEditingModel& page = controller->page();
    page.setSelectedRange({ 2, 0 });
    page.insertText(QStringLiteral("x"));
    selectInList(soup);
    EXPECT_TRUE(shownText().startsWith(QStringLiteral("Soxup")));
    EXPECT_EQ(page.selectedRange(), (Range { 3, 0 }));
}

TEST_F(RecipeControllerTest, LeavingEditingWritesTheCardBackAndSaves)
{
    RecipeMO* soup = recipeWith(QStringLiteral("Soup"), QStringLiteral("Boil"));
    ASSERT_TRUE(context->save());
    selectInList(soup);
    controller->setEditable(true);
    EXPECT_TRUE(soup->valueForKey(QStringLiteral("editing")).toBool());
    EXPECT_EQ(controller->undoManagerForTextView(), controller->page().undoManager());
    EXPECT_NE(controller->undoManagerForTextView(), context->undoManager());
    RecipeEditingModel& page = controller->page();
    page.setSelectedRange({ 4, 0 });
    page.insertText(QStringLiteral(" of the Day"));
    controller->setEditable(false);
    EXPECT_EQ(soup->valueForKey(QStringLiteral("name")).toString(), QStringLiteral("Soup of the Day"));
    EXPECT_FALSE(soup->valueForKey(QStringLiteral("editing")).toBool());
    EXPECT_FALSE(context->hasChanges());
    EXPECT_EQ(controller->undoManagerForTextView(), context->undoManager());
    EXPECT_EQ(page.selectedRange(), Range {});
    EXPECT_FALSE(page.isEditing());
}

TEST_F(RecipeControllerTest, SwitchingRecipesWhileEditingStoresTheEditedCard)
{
    RecipeMO* soup = recipeWith(QStringLiteral("Soup"), QStringLiteral("Boil"));
    RecipeMO* pie = recipeWith(QStringLiteral("Pie"), QStringLiteral("Bake"));
    selectInList(soup);
    controller->setEditable(true);
    controller->page().setSelectedRange({ 4, 0 });
    controller->page().insertText(QStringLiteral("s"));
    selectInList(pie);
    EXPECT_EQ(soup->valueForKey(QStringLiteral("name")).toString(), QStringLiteral("Soups"));
    EXPECT_FALSE(soup->valueForKey(QStringLiteral("editing")).toBool());
    EXPECT_TRUE(pie->valueForKey(QStringLiteral("editing")).toBool());
    EXPECT_TRUE(controller->editable());
    EXPECT_TRUE(shownText().startsWith(QStringLiteral("Pie\n")));
    EXPECT_EQ(controller->page().editRange(), (Range { 0, 3 }));

    // A change that comes as the card's own key path does not mark the new recipe.
    RecipeMO* stew = recipeWith(QStringLiteral("Stew"), QStringLiteral("Simmer"));
    selectInList(stew, QStringLiteral("selection.attributedString"));
    EXPECT_FALSE(stew->valueForKey(QStringLiteral("editing")).toBool());
}

TEST_F(RecipeControllerTest, AWebSearchResultLeavesEditingAndALocalOneKeepsIt)
{
    RecipeMO* soup = recipeWith(QStringLiteral("Soup"), QStringLiteral("Boil"));
    RecipeMO* local = recipeWith(QStringLiteral("Pie"), QStringLiteral("Bake"));
    RecipeMO* web = recipeWith(QStringLiteral("Stew"), QStringLiteral("Simmer"));
    selectInList(soup);
    controller->setEditable(true);
    searchHidden = false;
    searchSelection = local;
    controller->observedSelectionDidChange(
        RecipeControllerService::ObservedController::SearchResults, QStringLiteral("selection"));
    EXPECT_TRUE(controller->editable());
    searchLocal = false;
    searchSelection = web;
    controller->observedSelectionDidChange(
        RecipeControllerService::ObservedController::SearchResults, QStringLiteral("selection"));
    EXPECT_FALSE(controller->editable());
    EXPECT_EQ(controller->currentRecipe(), web);
}

TEST_F(RecipeControllerTest, ADeletedRecipeIsNeverTheCurrentOne)
{
    RecipeMO* soup = recipeWith(QStringLiteral("Soup"), QStringLiteral("Boil"));
    ASSERT_TRUE(context->save());
    selectInList(soup);
    context->deleteObject(soup);
    EXPECT_EQ(controller->currentRecipe(), nullptr);
    ASSERT_TRUE(context->save());
    EXPECT_EQ(controller->currentRecipe(), nullptr);
    selectInList(nullptr);
    EXPECT_TRUE(shownText().isEmpty());
}

TEST_F(RecipeControllerTest, ANewRecipeStaysCurrentAfterItIsSaved)
{
    RecipeMO* soup = recipeWith(QStringLiteral("Soup"), QStringLiteral("Boil"));
    selectInList(soup);
    ASSERT_TRUE(context->save());
    EXPECT_EQ(controller->currentRecipe(), soup);
}

TEST_F(RecipeControllerTest, CookingModeCountsOnlyOnceStarted)
{
    cookingStarts = false;
    controller->toggleFullScreen();
    EXPECT_FALSE(controller->fullScreen());
    cookingStarts = true;
    windowKey = false;
    controller->toggleFullScreen();
    EXPECT_FALSE(controller->fullScreen());
    windowKey = true;
    controller->toggleFullScreen();
    EXPECT_TRUE(controller->fullScreen());
    controller->toggleFullScreen();
    EXPECT_FALSE(controller->fullScreen());
}

TEST_F(RecipeControllerTest, TheCookingSheetComesFirstWhileTheDefaultAsksForIt)
{
    struct Case {
        const char* what;
        bool defaultOn;
        bool userGoesOn;
        bool userAsksNotAgain;
        bool sheetShown;
        bool cooking;
        bool defaultAfter;
    } const cases[] = {
        { "default off: cooking at once", false, false, false, false, true, false },
        { "continue", true, true, false, true, true, true },
        { "cancel", true, false, false, true, false, true },
        { "continue, not again", true, true, true, true, true, false },
        { "cancel, not again", true, false, true, true, false, false },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        RecipeController::Outlets outlets;
        outlets.mainWindowIsKey = [] { return true; };
        outlets.enterFullScreenForRecipe = [](ManagedObject*) { return true; };
        int sheets = 0;
        outlets.runFullScreenSheet = [&](bool& showAgain) {
            ++sheets;
            showAgain = !c.userAsksNotAgain;
            return c.userGoesOn;
        };
        RecipeController page(std::move(outlets));
        UserDefaults::standardUserDefaults().setBool(c.defaultOn, KRShowFullScreenDialog);
        page.toggleFullScreen();
        EXPECT_EQ(sheets, c.sheetShown ? 1 : 0);
        EXPECT_EQ(page.fullScreen(), c.cooking);
        EXPECT_EQ(UserDefaults::standardUserDefaults().boolForKey(KRShowFullScreenDialog), c.defaultAfter);
        // Leaving never asks; a cancelled start leaves the next press to ask again.
        sheets = 0;
        page.toggleFullScreen();
        EXPECT_EQ(sheets, !c.cooking && c.defaultAfter ? 1 : 0);
    }
}

TEST_F(RecipeControllerTest, PrintingCountsACooking)
{
    RecipeMO* soup = recipeWith(QStringLiteral("Soup"), QStringLiteral("Boil"));
    selectInList(soup);
    const int before = soup->valueForKey(QStringLiteral("cookCount")).toInt();
    controller->didPrint();
    EXPECT_EQ(soup->valueForKey(QStringLiteral("cookCount")).toInt(), before + 1);
}

} // namespace
