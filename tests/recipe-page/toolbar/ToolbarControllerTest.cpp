// Cook counts a cooking that started, Add to Library takes only the web results, once; the strip's
// buttons at set-up.
#include "ToolbarController.h"

#include "CardFixture.h"
#include "MutableObjectSet.h"
#include "RecipeControllerService.h"

#include <QToolButton>
#include <gtest/gtest.h>

namespace
{

// The recipe page as the toolbar sees it: cooking starts when `starts` says so.
class CookingPage : public RecipeControllerService
{
public:
    ManagedObject* currentRecipe() override { return recipe; }
    bool editable() const override { return false; }
    bool fullScreen() const override { return cooking; }
    void toggleFullScreen() override
    {
        ++toggles;
        cooking = cooking ? false : starts;
    }
    void edit() override { ++edits; }

    ManagedObject* recipe = nullptr;
    bool cooking = false;
    bool starts = true;
    int toggles = 0;
    int edits = 0;
};

struct Result {
    bool local;
    ManagedObject* recipe;
};

class ToolbarControllerTest : public CardFixture
{
protected:
    void SetUp() override
    {
        CardFixture::SetUp();
        ToolbarController::Outlets outlets;
        outlets.recipeController = &page;
        outlets.selectedSearchResults = [this] {
            QList<ToolbarController::SearchResultAccess> selected;
            for (Result& result : results)
                selected.append({ [&result] { return result.local; },
                    [&result](bool local) { result.local = local; }, [&result] { return result.recipe; } });
            return selected;
        };
        outlets.reselectSearchResults = [this] { ++reselections; };
        outlets.libraryCollection = [this] { return library; };
        outlets.blog = [this] { ++blogs; };
        toolbar = std::make_unique<ToolbarController>(std::move(outlets));
    }

    void TearDown() override
    {
        toolbar.reset();
        CardFixture::TearDown();
    }

    int cookCount(RecipeMO* recipe) { return recipe->valueForKey(QStringLiteral("cookCount")).toInt(); }
    bool inLibrary(ManagedObject* recipe)
    {
        return library->mutableSetValueForKey(QStringLiteral("recipes")).containsObject(recipe);
    }

    CookingPage page;
    std::unique_ptr<ToolbarController> toolbar;
    QList<Result> results;
    int reselections = 0;
    int blogs = 0;
};

TEST_F(ToolbarControllerTest, ACookingThatStartsCountsOnce)
{
    RecipeMO* pie = bareRecipe(QStringLiteral("Pie"));
    page.recipe = pie;
    toolbar->cookButtonPressed();
    EXPECT_EQ(page.toggles, 1);
    EXPECT_TRUE(page.cooking);
    EXPECT_EQ(cookCount(pie), 1);
    EXPECT_TRUE(pie->valueForKey(QStringLiteral("dateCooked")).toDateTime().isValid());
    // Pressed again, it leaves cooking mode: no second cooking.
    toolbar->cookButtonPressed();
    EXPECT_FALSE(page.cooking);
    EXPECT_EQ(cookCount(pie), 1);
}

TEST_F(ToolbarControllerTest, ACookingThatDoesNotStartCountsNothing)
{
    RecipeMO* pie = bareRecipe(QStringLiteral("Pie"));
    page.recipe = pie;
    page.starts = false; // the window was not key, or the sheet was cancelled
    toolbar->cookButtonPressed();
    EXPECT_EQ(page.toggles, 1);
    EXPECT_EQ(cookCount(pie), 0);
    EXPECT_FALSE(pie->valueForKey(QStringLiteral("dateCooked")).toDateTime().isValid());
    page.recipe = nullptr;
    page.starts = true;
    toolbar->cookButtonPressed(); // nothing shown: cooking mode may start, nothing to count
    EXPECT_EQ(page.toggles, 2);
}

TEST_F(ToolbarControllerTest, AMixedSelectionAddsOnlyTheWebResultsOnce)
{
    RecipeMO* mine = bareRecipe(QStringLiteral("Mine"));
    RecipeMO* web = bareRecipe(QStringLiteral("Web"));
    RecipeMO* other = bareRecipe(QStringLiteral("Other"));
    results = { { true, mine }, { false, web }, { false, other }, { false, web } };
    toolbar->addToLibrary();
    EXPECT_FALSE(inLibrary(mine));
    EXPECT_TRUE(inLibrary(web));
    EXPECT_TRUE(inLibrary(other));
    EXPECT_EQ(reselections, 1);
    for (const Result& result : results)
        EXPECT_TRUE(result.local);
    // A second Add finds only local results.
    library->mutableSetValueForKey(QStringLiteral("recipes")).removeObject(web);
    toolbar->addToLibrary();
    EXPECT_FALSE(inLibrary(web));
    EXPECT_EQ(reselections, 2);
}

TEST_F(ToolbarControllerTest, TheStripAtSetUp)
{
    QWidget* strip = toolbar->toolbarView();
    ASSERT_TRUE(strip);
    EXPECT_EQ(toolbar->toolbarView(), strip);
    EXPECT_TRUE(toolbar->addButton()->isHidden());
    EXPECT_FALSE(toolbar->editButton()->isHidden());
    toolbar->blogButton()->click();
    toolbar->editButton()->click();
    toolbar->iChatButton()->click(); // does nothing
    EXPECT_EQ(blogs, 1);
    EXPECT_EQ(page.edits, 1);
    EXPECT_EQ(page.toggles, 0);
    delete strip;
}

} // namespace
