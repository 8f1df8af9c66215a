#include "SplitViewRules.h"

#include <gtest/gtest.h>
#include <limits>

namespace
{

constexpr double notANumber = std::numeric_limits<double>::quiet_NaN();
constexpr double infinity = std::numeric_limits<double>::infinity();

} // namespace

TEST(SplitViewRulesTest, DividerStaysBetweenTheSourceListMinimumAndAQuarterOrTheRoomTheRightSideNeeds)
{
    const struct {
        const char* what;
        double width;
        double innerDivider;
        bool device;
        double maximum;
    } cases[] = {
        { "wide window: a quarter", 2000.0, 1.0, false, 500.0 },
        { "wide window, device collection: still a quarter", 4000.0, 1.0, true, 1000.0 },
        { "the right side needs more than three quarters", 800.0, 1.0, false, 800.0 - 616.0 },
        { "device collection leaves 379 + 383 + divider", 1000.0, 1.0, true, 1000.0 - 763.0 },
        { "same window, recipe list leaves 232 + 383 + divider", 1000.0, 1.0, false, 250.0 },
        { "thicker inner divider", 800.0, 9.0, false, 800.0 - 624.0 },
        { "too narrow for the right side", 500.0, 1.0, false, 0.0 },
        { "zero width", 0.0, 1.0, false, 0.0 },
        { "negative width", -50.0, 1.0, true, 0.0 },
        { "NaN width", notANumber, 1.0, false, 0.0 },
        { "NaN divider counts as none", 2000.0, notANumber, false, 500.0 },
        { "infinite width", infinity, 1.0, false, 0.0 },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(SplitViewRules::minimumDividerPosition(), 123.0);
        EXPECT_DOUBLE_EQ(
            SplitViewRules::maximumDividerPosition(c.width, c.innerDivider, c.device), c.maximum);
    }
}

TEST(SplitViewRulesTest, MainSplitterGivesTheRightSideItsMinimumFirstThenTheSourceList)
{
    const struct {
        const char* what;
        QSizeF size;
        double oldLeft;
        double inner;
        double main;
        double left;
        double right;
    } cases[] = {
        { "room for both: source list keeps its width", { 1200.0, 700.0 }, 200.0, 1.0, 1.0, 200.0, 999.0 },
        { "source list narrower than 123 is widened", { 1200.0, 700.0 }, 80.0, 1.0, 1.0, 123.0, 1076.0 },
        { "right side too narrow takes 615 + divider", { 800.0, 700.0 }, 300.0, 1.0, 1.0, 183.0, 616.0 },
        { "right side checked before the source list minimum", { 700.0, 700.0 }, 100.0, 1.0, 1.0, 83.0,
            616.0 },
        { "window below 123 + 615 + dividers: source list shrinks below 123", { 730.0, 500.0 }, 123.0, 1.0,
            9.0, 105.0, 616.0 },
        { "thick dividers", { 900.0, 500.0 }, 150.0, 10.0, 5.0, 150.0, 745.0 },
        { "window narrower than the right minimum: source list at zero", { 400.0, 300.0 }, 150.0, 1.0, 1.0,
            0.0, 616.0 },
        { "zero size", { 0.0, 0.0 }, 0.0, 1.0, 1.0, 0.0, 616.0 },
        { "NaN size and old width", { notANumber, notANumber }, notANumber, 1.0, 1.0, 0.0, 616.0 },
        { "NaN old width in a wide window counts as zero", { 1200.0, 700.0 }, notANumber, 1.0, 1.0, 123.0,
            1076.0 },
        { "negative dividers count as none", { 1200.0, 700.0 }, 200.0, -4.0, -4.0, 200.0, 1000.0 },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const SplitViewRules::PaneFrames frames
            = SplitViewRules::resizeMainSplitter(c.size, c.oldLeft, c.inner, c.main);
        EXPECT_DOUBLE_EQ(frames.left.width(), c.left);
        EXPECT_DOUBLE_EQ(frames.right.width(), c.right);
        EXPECT_EQ(frames.left.topLeft(), QPointF(0.0, 0.0));
        const double divider = c.main > 0.0 ? c.main : 0.0;
        EXPECT_DOUBLE_EQ(frames.right.x(), c.left + divider);
        EXPECT_EQ(frames.right.y(), 0.0);
        const double height = c.size.height() > 0.0 ? c.size.height() : 0.0;
        EXPECT_DOUBLE_EQ(frames.left.height(), height);
        EXPECT_DOUBLE_EQ(frames.right.height(), height);
    }
}

TEST(SplitViewRulesTest, OutlineViewFillsTheLeftPaneAndKeepsALargerHeight)
{
    const SplitViewRules::PaneFrames frames
        = SplitViewRules::resizeMainSplitter(QSizeF(1200.0, 700.0), 200.0, 1.0, 1.0);
    EXPECT_EQ(SplitViewRules::outlineViewSize(frames, 300.0), QSizeF(200.0, 700.0));
    EXPECT_EQ(SplitViewRules::outlineViewSize(frames, 2500.0), QSizeF(200.0, 2500.0));
    EXPECT_EQ(SplitViewRules::outlineViewSize(frames, notANumber), QSizeF(200.0, 700.0));
}

TEST(SplitViewRulesTest, ShownPaneTitlesTheHeaderAndDecidesWhatPrintPrints)
{
    EXPECT_EQ(SplitViewRules::tableHeaderTitle(true), "Recipes");
    EXPECT_EQ(SplitViewRules::tableHeaderTitle(false), "Grocery Lists");

    using Target = SplitViewRules::PrintingTarget;
    EXPECT_EQ(SplitViewRules::printingTarget(true, true), Target::RecipeTextView);
    EXPECT_EQ(SplitViewRules::printingTarget(true, false), Target::GroceryListView);
    EXPECT_EQ(SplitViewRules::printingTarget(false, true), Target::None);
    EXPECT_EQ(SplitViewRules::printingTarget(false, false), Target::None);
}

TEST(SplitViewRulesTest, BottomBarButtonsLineUpWithTheDividers)
{
    const SplitViewRules::BottomBarButtons<QSizeF> sizes { { 40.0, 22.0 }, { 32.0, 22.0 }, { 36.0, 22.0 },
        { 60.0, 20.0 } };
    const struct {
        const char* what;
        double middleX, pageX, barHeight;
        QRectF addCollection, addRecipe, addGroceryList, importButton;
    } cases[] = {
        { "panes where the dividers are", 201.0, 534.0, 34.0, { 0, 6, 40, 22 }, { 200, 6, 32, 22 },
            { 200, 6, 36, 22 }, { 533, 7, 60, 20 } },
        { "source list dragged to the left edge", 1.0, 234.0, 34.0, { 0, 6, 40, 22 }, { 0, 6, 32, 22 },
            { 0, 6, 36, 22 }, { 233, 7, 60, 20 } },
        { "window not laid out yet", notANumber, -5.0, notANumber, { 0, -11, 40, 22 }, { 0, -11, 32, 22 },
            { 0, -11, 36, 22 }, { 0, -10, 60, 20 } },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const auto frames = SplitViewRules::bottomBarFrames(c.middleX, c.pageX, c.barHeight, sizes);
        EXPECT_EQ(frames.addCollection, c.addCollection);
        EXPECT_EQ(frames.addRecipe, c.addRecipe);
        EXPECT_EQ(frames.addGroceryList, c.addGroceryList);
        EXPECT_EQ(frames.importButton, c.importButton);
    }
}
