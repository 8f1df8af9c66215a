#include "SearchResultTableView.h"

#include "CellRoles.h"
#include "PaneFixture.h"
#include "RecipePasteboard.h"
#include "SearchResultsTableModel.h"

#include <QMimeData>
#include <QPainterPath>
#include <gtest/gtest.h>

namespace
{

QVariantMap hit(int id, const QString& name)
{
    return { { "id", id }, { "name", name }, { "rating", 3 } };
}

// Three local and two web results, both lists disclosed, more results available: 8 rows, the
// headers at 0 and 4, the more-results row at 7.
class SearchResultTableViewTest : public PaneFixture
{
protected:
    void SetUp() override
    {
        PaneFixture::SetUp();
        recipe("Leek Soup", { "leek" });
        recipe("Pea Soup", { "pea" });
        recipe("Soup of the Day", {});
        controller->searchForTerms(terms({ "soup" }));
        web.searches.last().success(QVariantList { hit(1, "Web Broth Soup"), hit(2, "Web Apple Soup") });
        table = controller->searchResultsTableView();
    }

    SearchResultTableView* table = nullptr;
};

} // namespace

TEST_F(SearchResultTableViewTest, RowsFollowTheEngineWithHeadersSpanningTheTable)
{
    const SearchResultsTableModel& model = table->resultsModel();
    ASSERT_EQ(model.rowCount(), 8);
    EXPECT_EQ(model.data(model.index(0, 0), Qt::DisplayRole).toString(), "Local Results");
    EXPECT_EQ(model.data(model.index(0, 0), CellRoles::CountStringValueRole).toString(), "3");
    EXPECT_TRUE(model.data(model.index(4, 0), CellRoles::DisclosurePathRole).canConvert<QPainterPath>());
    EXPECT_EQ(model.data(model.index(4, 0), Qt::DisplayRole).toString(), "Cloud Results");
    EXPECT_EQ(table->columnSpan(0, 0), model.columnCount());
    EXPECT_EQ(table->columnSpan(7, 0), model.columnCount());
    EXPECT_EQ(table->rowHeight(7), 24);
    const int name = SearchResultsTableModel::columnOf("name");
    EXPECT_EQ(model.data(model.index(5, name), Qt::DisplayRole).toString(),
        engine->webResultsDataSourceArray().at(0)->name());
    // Headers and the more-results row cannot be selected.
    for (int row : { 0, 4, 7 })
        EXPECT_FALSE(model.flags(model.index(row, 0)).testFlag(Qt::ItemIsSelectable)) << row;
    EXPECT_TRUE(model.flags(model.index(5, 0)).testFlag(Qt::ItemIsSelectable));
    table->selectRows({ 0, 4, 7 });
    EXPECT_TRUE(table->selectedRows().isEmpty());
}

TEST_F(SearchResultTableViewTest, SelectionAfterAHeaderClick)
{
    struct Case {
        QList<int> selection;
        int header;
        int oldRows;
        int newRows;
        QList<int> kept;
    };
    const QList<Case> cases {
        { {}, 0, 8, 5, {} },
        // Collapsing the local list moves the web results up by three rows.
        { { 5, 6 }, 0, 8, 5, { 2, 3 } },
        // Local results selected when their own list collapses go away.
        { { 2 }, 0, 8, 5, {} },
        // Rows above the clicked web header keep their places.
        { { 1, 2 }, 4, 8, 5, { 1, 2 } },
        // Web rows of the collapsed list beyond the span of the selection would point past the
        // table: they are dropped, never kept out of range.
        { { 1, 6 }, 4, 8, 5, { 1 } },
        // Opening the local list again moves the web results back down.
        { { 2 }, 0, 5, 8, { 5 } },
        // A table of fewer than three rows is only reloaded.
        { { 1 }, 0, 2, 2, { 1 } }, { { 3 }, 0, 2, 2, {} }, // but never left beyond its rows
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.selection) + " header " + std::to_string(c.header));
        EXPECT_EQ(
            SearchResultTableView::selectionAfterHeaderClick(c.selection, c.header, c.oldRows, c.newRows),
            c.kept);
    }
}

TEST_F(SearchResultTableViewTest, CollapsingTheLocalHeaderKeepsTheWebResultsSelected)
{
    const auto web0 = engine->webResultsDataSourceArray().at(0);
    const auto web1 = engine->webResultsDataSourceArray().at(1);
    table->selectRows({ 5, 6 });
    EXPECT_EQ(controller->multipleSelection(), SearchResultList({ web0, web1 }));
    table->headerClicked(0);
    EXPECT_EQ(table->resultsModel().rowCount(), 5);
    EXPECT_EQ(table->selectedRows(), QList<int>({ 2, 3 }));
    EXPECT_EQ(controller->multipleSelection(), SearchResultList({ web0, web1 }));
    // Collapsing the web list with its results selected leaves nothing selected, within the table.
    table->headerClicked(1);
    EXPECT_EQ(table->resultsModel().rowCount(), 2);
    EXPECT_TRUE(table->selectedRows().isEmpty());
    EXPECT_TRUE(controller->searchResultsTableViewSelectionIndexes().isEmpty());
}

TEST_F(SearchResultTableViewTest, SortingKeepsTheSelectedResultsSelected)
{
    engine->localSearchResultsSeparator().toggleDisclosure();
    table->reloadData();
    const auto apple = engine->webResultsDataSourceArray().at(1);
    ASSERT_EQ(apple->name(), "Web Apple Soup");
    table->selectRows({ 3 });
    table->setSortDescriptors({ SortDescriptor("name") });
    EXPECT_EQ(engine->webResultsDataSourceArray().at(0), apple);
    EXPECT_EQ(table->selectedRows(), QList<int>({ 2 }));
    EXPECT_EQ(controller->multipleSelection(), SearchResultList({ apple }));
    EXPECT_EQ(table->sortDescriptors().first().key(), "name");
}

TEST_F(SearchResultTableViewTest, DraggedResultsCarryTheirRecipesURIs)
{
    const SearchResultsTableModel& model = table->resultsModel();
    // Two local results, a header and a web result still waiting for its recipe.
    std::unique_ptr<QMimeData> data(
        model.mimeData({ model.index(1, 0), model.index(2, 1), model.index(0, 0), model.index(5, 0) }));
    const QList<QUrl> uris = RecipePasteboard::decodeURIs(data->data(RecipePasteboard::recipeURIsMimeType));
    ASSERT_EQ(uris.size(), 2);
    EXPECT_EQ(
        uris.at(0), engine->localResultsDataSourceArray().at(0)->recipe()->objectID().URIRepresentation());
    EXPECT_EQ(
        uris.at(1), engine->localResultsDataSourceArray().at(1)->recipe()->objectID().URIRepresentation());
    EXPECT_FALSE(table->acceptDrops());
    EXPECT_EQ(SearchResultTableView::draggingSourceOperationMask(true), Qt::CopyAction | Qt::MoveAction);
    // The drag picture leaves the headers out: two rows high.
    EXPECT_EQ(table->dragImageForRows({ 0, 1, 2 }).height(), table->rowHeight(1) + table->rowHeight(2));
}

TEST_F(SearchResultTableViewTest, DeleteBeepsAndRemovesNothing)
{
    int beeps = 0;
    QObject::connect(table, &SearchResultTableView::beeped, table, [&beeps] { ++beeps; });
    table->selectRows({ 1 });
    table->setFocus();
    QTest::keyClick(table, Qt::Key_Delete);
    EXPECT_EQ(beeps, 1);
    EXPECT_EQ(engine->localResultsDataSourceArray().size(), 3);
    EXPECT_FALSE(table->deleteAction()->isEnabled());
    EXPECT_EQ(table->deleteAction()->text(), "Delete");
}

TEST_F(SearchResultTableViewTest, MoreResultsRowAsksForTheNextPage)
{
    const QRect button = table->visualRect(table->resultsModel().index(7, 0));
    ASSERT_TRUE(button.isValid());
    QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, button.center());
    ASSERT_EQ(web.searches.size(), 2);
    EXPECT_EQ(web.searches.last().arguments.at(1).toInt(), 2);
    EXPECT_TRUE(controller->isSearching());
    EXPECT_EQ(table->resultsModel().rowCount(), 7); // no more-results row while the page comes
}

TEST_F(SearchResultTableViewTest, RightClickOnAResultOffersItsRecipesMenu)
{
    QList<ManagedObject*> asked;
    SearchController::Outlets outlets = controller->outlets();
    outlets.recipeContextualMenu = [&asked](ManagedObject* recipe) {
        asked.append(recipe);
        return new QMenu;
    };
    controller->setOutlets(outlets);
    std::unique_ptr<QMenu> menu(table->menuForRow(1));
    EXPECT_NE(menu, nullptr);
    EXPECT_EQ(table->menuForRow(0), nullptr); // a header
    EXPECT_EQ(table->menuForRow(5), nullptr); // a web result whose recipe has not arrived
    EXPECT_EQ(asked, QList<ManagedObject*>({ engine->localResultsDataSourceArray().at(0)->recipe() }));
}
