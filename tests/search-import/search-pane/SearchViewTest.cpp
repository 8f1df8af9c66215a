#include "PaneFixture.h"
#include "SVButtonCell.h"
#include "SearchSplitView.h"

#include <QAction>
#include <QCheckBox>
#include <QToolButton>
#include <gtest/gtest.h>

namespace
{

class SearchViewTest : public PaneFixture
{
protected:
    SearchView* stack() const { return controller->searchView(); }
    SearchSplitView* split() const { return controller->splitView(); }
    SVSearchFieldView* row(int index) const { return stack()->searchFields().at(index); }
};

} // namespace

TEST_F(SearchViewTest, StackFillsPastItsBottomEdgeAndTrimsRowsBelowIt)
{
    // One row shows, a spare waits below the edge.
    EXPECT_EQ(stack()->height(), 33);
    EXPECT_EQ(stack()->searchFields().size(), 2);
    EXPECT_EQ(stack()->visibleSearchFields(), 1);
    EXPECT_EQ(row(1)->geometry().top(), 33);

    struct Case {
        double paneHeight;
        qsizetype rows;
    };
    const QList<Case> cases {
        { 100, 4 }, // 3 rows reach 99, a fourth goes past the edge
        { 99, 4 },
        { 66, 3 },
        { 40, 2 }, // the second row still shows in part
        { 33, 2 },
    };
    for (const Case& c : cases) {
        split()->setTopHeight(c.paneHeight);
        EXPECT_EQ(stack()->searchFields().size(), c.rows) << c.paneHeight;
        EXPECT_GE(stack()->rowsHeight(), c.paneHeight);
    }
}

TEST_F(SearchViewTest, ASecondRowCanBeAddedAndRemoved)
{
    EXPECT_FALSE(stack()->canRemoveSearchField());
    EXPECT_FALSE(row(0)->removeButton()->isEnabled());
    ASSERT_TRUE(stack()->canAddSearchField());

    controller->addSearchField();
    clock.advance(0.1);
    EXPECT_TRUE(stack()->isAnimating());
    clock.advance(0.1);
    EXPECT_FALSE(stack()->isAnimating());
    EXPECT_EQ(split()->topHeight(), 66);
    EXPECT_EQ(stack()->visibleSearchFields(), 2);
    EXPECT_TRUE(stack()->canRemoveSearchField());
    EXPECT_TRUE(row(0)->removeButton()->isEnabled());

    // The spare row never searches, whatever its field holds.
    row(2)->searchField()->setText("hidden");
    row(2)->ownSearchTerm()->setSearchString("hidden");
    EXPECT_EQ(row(2)->searchTerm()->searchString(), "");
    EXPECT_EQ(row(2)->ownSearchTerm()->searchString(), "hidden");

    SVSearchFieldView* second = row(1);
    stack()->removeSearchFieldView(second, true);
    clock.advance(0.2);
    EXPECT_FALSE(stack()->searchFields().contains(second));
    EXPECT_EQ(split()->topHeight(), 33);
    EXPECT_EQ(stack()->visibleSearchFields(), 1);

    // The pane may not grow past its maximum: then no row can be added.
    split()->setTopHeight(split()->maximumTopHeight() - 20);
    EXPECT_FALSE(stack()->canAddSearchField());
}

TEST_F(SearchViewTest, CheckBoxSlidesInForAnIngredientAndOutAgain)
{
    ingredientNamed("basil");
    row(0)->searchField()->setText("Basil");
    row(0)->search();
    EXPECT_TRUE(row(0)->substitutionCheckBoxRevealed());
    ASSERT_NE(row(0)->substitutionCheckBox(), nullptr);
    EXPECT_TRUE(row(0)->substitutionCheckBox()->isChecked());
    EXPECT_EQ(row(0)->substitutionCheckBox()->text(), "Search Substitutions");
    clock.advance(0.2);
    EXPECT_LT(row(0)->rowHeight(), 55); // still sliding
    clock.advance(0.2);
    EXPECT_EQ(row(0)->rowHeight(), 55);
    EXPECT_EQ(split()->topHeight(), 55);
    EXPECT_EQ(row(1)->geometry().top(), 55); // the row below followed

    // The box stands for the term's flag.
    row(0)->substitutionCheckBox()->setChecked(false);
    EXPECT_FALSE(row(0)->ownSearchTerm()->searchSubstitutions());

    row(0)->searchField()->setText("");
    row(0)->search();
    EXPECT_FALSE(row(0)->substitutionCheckBoxRevealed());
    clock.advance(0.3);
    EXPECT_EQ(row(0)->rowHeight(), 33);
    EXPECT_EQ(split()->topHeight(), 33);
    EXPECT_TRUE(row(0)->substitutionSubview()->isHidden());

    // Text that names no ingredient shows no box.
    row(0)->searchField()->setText("soup");
    row(0)->search();
    EXPECT_FALSE(row(0)->substitutionCheckBoxRevealed());
}

TEST_F(SearchViewTest, QuittingClosesEveryCheckBoxWithoutAnimation)
{
    ingredientNamed("basil");
    row(0)->searchField()->setText("basil");
    row(0)->search();
    clock.advance(0.5);
    ASSERT_EQ(row(0)->rowHeight(), 55);
    controller->collapseAllSearchFields();
    EXPECT_FALSE(row(0)->substitutionCheckBoxRevealed());
    EXPECT_EQ(row(0)->rowHeight(), 33);
    EXPECT_EQ(row(1)->geometry().top(), 33);
    EXPECT_TRUE(row(0)->substitutionSubview()->isHidden());

    controller->searchView()->clearAllSearchFields();
    EXPECT_EQ(row(0)->searchField()->text(), "");
    EXPECT_TRUE(row(0)->ownSearchTerm()->searchString().isNull());
}

TEST_F(SearchViewTest, RecentSearchesMenuFollowsItsTemplate)
{
    SVSearchField* field = row(0)->searchField();
    QStringList tags;
    for (QAction* item : row(0)->searchMenuTemplate()->actions())
        tags.append(item->data().toString());
    EXPECT_EQ(tags, QStringList({ "1000", "1001", "1000", "1002", "1003" }));

    std::unique_ptr<QMenu> none = field->makeSearchMenu();
    ASSERT_EQ(none->actions().size(), 1);
    EXPECT_EQ(none->actions().at(0)->text(), "No Recent Searches");

    field->addRecentSearch("soup");
    field->addRecentSearch("basil");
    field->addRecentSearch("soup");
    std::unique_ptr<QMenu> menu = field->makeSearchMenu();
    QStringList texts;
    for (QAction* item : menu->actions())
        texts.append(item->isSeparator() ? "-" : item->text());
    EXPECT_EQ(texts, QStringList({ "Recent Searches", "soup", "basil", "-", "Clear Recent Searches" }));

    // The button cell checks the item of its tag before the menu shows.
    SVButtonCell cell;
    cell.setSelectedCategoryItemTag(1001);
    cell.menuNeedsUpdate(menu.get());
    EXPECT_TRUE(menu->actions().at(1)->isChecked());
    cell.setSelectedCategoryItemTag(1002);
    cell.menuNeedsUpdate(menu.get());
    EXPECT_FALSE(menu->actions().at(1)->isChecked());
}
