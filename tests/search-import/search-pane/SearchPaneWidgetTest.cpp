// The search pane as the user meets it: typing into a search field shows ranked results.
#include "PaneFixture.h"
#include "SearchResultTableView.h"
#include "SearchResultsTableModel.h"

#include <gtest/gtest.h>

TEST_F(PaneFixture, TypingChickenShowsRankedResults)
{
    recipe("Roast Chicken", { "chicken", "lemon" });
    recipe("Chicken Curry", { "chicken", "curry paste", "rice" });
    recipe("Lemon Tart", { "lemon", "butter" });
    recipe("Bean Stew", { "beans" });
    ingredientNamed("chicken");

    typeAndWait(0, "chicken");
    ASSERT_EQ(web.searches.size(), 1);
    web.searches.at(0).success(QVariantList {});

    EXPECT_FALSE(resultsHidden);
    SearchResultTableView* table = controller->searchResultsTableView();
    EXPECT_TRUE(table->isVisible());
    EXPECT_FALSE(lists->isVisible());
    const SearchResultsTableModel& model = table->resultsModel();
    const int name = SearchResultsTableModel::columnOf("name");
    const int rank = SearchResultsTableModel::columnOf("rank");
    QStringList names;
    QList<double> ranks;
    for (int row = 1; row <= 2; ++row) {
        names.append(model.data(model.index(row, name), Qt::DisplayRole).toString());
        ranks.append(model.data(model.index(row, rank), Qt::DisplayRole).toDouble());
    }
    EXPECT_EQ(names.size(), 2);
    EXPECT_TRUE(names.contains("Roast Chicken"));
    EXPECT_TRUE(names.contains("Chicken Curry"));
    EXPECT_GE(ranks.at(0), ranks.at(1)); // best first
    EXPECT_EQ(ranks.at(0), 10.0);
    EXPECT_EQ(controller->searchResultsField()->text(), "2 Search Results");

    // The first result is selected and the recipe page shows it.
    EXPECT_EQ(table->selectedRows(), QList<int>({ 1 }));
    ASSERT_NE(pageRecipe, nullptr);
    EXPECT_EQ(pageRecipe->valueForKey("name").toString(), names.at(0));
    // "chicken" names an ingredient: the substitutions box came.
    EXPECT_TRUE(controller->searchView()->searchFields().at(0)->substitutionCheckBoxRevealed());
}
