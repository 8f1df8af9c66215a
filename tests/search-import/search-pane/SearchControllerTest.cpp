#include "ImageMO.h"
#include "Log.h"
#include "PaneFixture.h"
#include "SearchResultTableView.h"
#include "SearchSplitView.h"

#include <QBuffer>
#include <QImage>
#include <QToolButton>
#include <gtest/gtest.h>

namespace
{

QVariantMap hit(int id, const QString& name)
{
    return { { "id", id }, { "name", name }, { "rating", 3 } };
}

class SearchControllerTest : public PaneFixture
{
protected:
    SVSearchFieldView* row(int index) const { return controller->searchView()->searchFields().at(index); }
    // Types the text into the first row's field without waiting.
    void change(const QString& text)
    {
        row(0)->searchField()->setText(text);
        row(0)->search();
    }
};

} // namespace

TEST_F(SearchControllerTest, FourChangesWithinHalfASecondSearchOnceThreeQuartersOfASecondAfterTheLast)
{
    for (const char* text : { "c", "ch", "chi", "chic" }) {
        change(text);
        clock.advance(0.5 / 3);
    }
    // The last change came at 0.5 s; 0.75 s later, and not before, the one search starts.
    clock.advance(0.75 - 0.5 / 3 - 0.01);
    EXPECT_TRUE(web.searches.isEmpty());
    clock.advance(0.02);
    ASSERT_EQ(web.searches.size(), 1);
    EXPECT_EQ(web.searches.at(0).arguments.at(0).toStringList(), QStringList({ "chic" }));
    EXPECT_TRUE(controller->isSearching());
    EXPECT_FALSE(resultsHidden);
    EXPECT_EQ(selectedCollection, cache); // the search results collection is selected
    clock.advance(5);
    EXPECT_EQ(web.searches.size(), 1);
}

TEST_F(SearchControllerTest, EmptyFieldsDoNotSearchAndCommaPiecesAreTerms)
{
    change("   ");
    clock.advance(1);
    EXPECT_TRUE(web.searches.isEmpty());
    EXPECT_FALSE(controller->isSearching());

    change("Eggs, milk ,");
    const SearchTermList terms = controller->getSearchTerms();
    QStringList texts;
    for (const auto& term : terms)
        texts.append(term->searchString());
    EXPECT_EQ(texts, QStringList({ "eggs", "milk", "" }));
}

TEST_F(SearchControllerTest, RowChosenAtTheEndOfASearch)
{
    struct Case {
        QStringList local;
        QVariantList webHits;
        int row;
    };
    const QList<Case> cases {
        { { "Leek Soup", "Pea Soup" }, { hit(1, "Web Soup") }, 1 },
        { {}, { hit(1, "Web Soup") }, 2 }, // no local result: the first web result
        { {}, {}, 0 }, // nothing: the local header, which shows no recipe
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(n);
        for (const QString& name : c.local)
            recipe(QStringLiteral("%1 %2").arg(name).arg(n));
        const int before = int(web.searches.size());
        controller->searchForTerms(terms({ "soup" }));
        ASSERT_EQ(web.searches.size(), before + 1);
        web.searches.last().success(c.webHits);
        EXPECT_FALSE(controller->isSearching());
        EXPECT_EQ(controller->searchResultsTableViewSelectionIndexes(), QList<int>({ c.row }));
        if (c.row == 0) {
            EXPECT_EQ(controller->selection().kind, SearchController::Selection::NoSelection);
            EXPECT_EQ(controller->searchResultsField()->text(), "0 Search Results");
        } else {
            EXPECT_NE(controller->searchResultsTableView()->selectedRows(), QList<int>());
        }
        // Clear the library for the next case.
        for (ManagedObject* r : fetchAll("Recipe"))
            context->deleteObject(r);
        context->processPendingChanges();
        ++n;
    }
}

TEST_F(SearchControllerTest, WithoutAWebServiceTheFirstLocalResultIsChosen)
{
    recipe("Chicken Pie", { "chicken" });
    SearchEngine localOnly(nullptr);
    SearchController::Outlets outlets;
    outlets.searchResultsTableHidden = [] { return false; };
    SearchController pane(localOnly, nullptr, outlets);
    pane.searchForTerms(terms({ "chicken" }));
    EXPECT_FALSE(pane.isSearching());
    EXPECT_EQ(pane.searchResultsTableViewSelectionIndexes(), QList<int>({ 1 }));
    EXPECT_EQ(pane.searchSelection()->valueForKey("name").toString(), "Chicken Pie");
}

TEST_F(SearchControllerTest, SelectionIsLocal)
{
    recipe("Leek Soup", { "leek" });
    recipe("Pea Soup", { "pea" });
    controller->searchForTerms(terms({ "soup" }));
    web.searches.last().success(QVariantList { hit(1, "Web Soup") });
    // Rows: 0 local header, 1-2 local, 3 web header, 4 web result, 5 more results.
    ASSERT_EQ(engine->numberOfRows(), 6);
    struct Case {
        ManagedObject* collection;
        QList<int> rows;
        bool local;
    };
    const QList<Case> cases {
        { nullptr, { 1 }, false }, // no single collection selected
        { library, { 4 }, true }, // another collection: whatever the table holds
        { cache, {}, false }, { cache, { 1 }, true }, { cache, { 4 }, false }, { cache, { 1, 4 }, false },
        { cache, { 0, 1, 2 }, true }, // headers are passed over
        { cache, { 0, 3 }, false }, // headers alone
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.rows));
        selectedCollection = c.collection;
        controller->setSearchResultsTableViewSelectionIndexes(c.rows);
        EXPECT_EQ(controller->selectionIsLocal(), c.local);
    }
}

TEST_F(SearchControllerTest, SelectedWebResultShowsItsRecipeOnceItArrives)
{
    controller->searchForTerms(terms({ "soup" }));
    web.searches.last().success(QVariantList { hit(9, "Web Soup") });
    EXPECT_EQ(controller->searchResultsTableViewSelectionIndexes(), QList<int>({ 2 }));
    EXPECT_EQ(controller->selection().kind, SearchController::Selection::Value);
    EXPECT_EQ(controller->searchSelection(), nullptr); // waiting for its recipe
    ASSERT_EQ(web.recipeRequests.size(), 1);
    web.recipeRequests.last().success(
        QVariantList { QVariantMap { { "onlineID", 9 }, { "name", "Web Soup" } } });
    clock.advance(0);
    ASSERT_NE(controller->searchSelection(), nullptr);
    EXPECT_EQ(pageRecipe, controller->searchSelection());
}

TEST_F(SearchControllerTest, ReadingTheSelectionAsksForTheWebPictureOnce)
{
    ManagedObject* soup = recipe("Leek Soup", { "leek" }, 7);
    controller->searchForTerms(terms({ "soup" }));
    web.searches.last().success(QVariantList {});
    controller->setSearchResultsTableViewSelectionIndexes({ 1 });
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(controller->searchSelection(), soup);
    ASSERT_EQ(web.pictureRequests.size(), 1);
    EXPECT_EQ(web.pictureRequests.at(0).arguments.at(0).toInt(), 7);

    // A failed answer lets a later read ask again; a picture that came ends the asking.
    web.pictureRequests.at(0).failure("offline");
    controller->searchSelection();
    ASSERT_EQ(web.pictureRequests.size(), 2);
    QImage picture(8, 8, QImage::Format_RGB32);
    picture.fill(Qt::red);
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    picture.save(&buffer, "PNG");
    web.pictureRequests.at(1).success(png);
    EXPECT_FALSE(static_cast<ImageMO*>(soup->objectForKey("image"))->isDefaultImage());
    controller->searchSelection();
    EXPECT_EQ(web.pictureRequests.size(), 2);
}

TEST_F(SearchControllerTest, ManualSearchFillsTheFieldsOnlyWhenAsked)
{
    row(0)->searchField()->setText("old");
    controller->manualSearchForTerms(terms({ "basil" }), false);
    EXPECT_EQ(row(0)->searchField()->text(), "");
    ASSERT_EQ(web.searches.size(), 1); // at once, without the delay
    EXPECT_EQ(web.searches.at(0).arguments.at(0).toStringList(), QStringList({ "basil" }));

    controller->manualSearchForTerms(terms({ "thyme" }), true);
    EXPECT_EQ(row(0)->searchField()->text(), "thyme");
    EXPECT_EQ(web.searches.size(), 2);
}

TEST_F(SearchControllerTest, RemovingARowSearchesAgainOnlyWhileSearching)
{
    controller->addSearchField();
    clock.advance(0.5);
    ASSERT_EQ(controller->searchView()->visibleSearchFields(), 2);
    controller->removeSearchField(row(1)->removeButton());
    clock.advance(1);
    EXPECT_TRUE(web.searches.isEmpty());
    EXPECT_EQ(controller->searchView()->visibleSearchFields(), 1);

    controller->addSearchField();
    clock.advance(0.5);
    change("soup");
    clock.advance(1);
    ASSERT_EQ(web.searches.size(), 1);
    ASSERT_TRUE(controller->isSearching()); // the web has not answered
    controller->removeSearchField(row(1)->removeButton());
    clock.advance(1);
    EXPECT_EQ(web.searches.size(), 2);

    Log::Capture log;
    QWidget stray;
    controller->removeSearchField(&stray);
    EXPECT_TRUE(log.contains("bad class sending removeSearchField:"));
}

TEST_F(SearchControllerTest, SelectingTheSearchResultsCollectionDropsDeletedRecipes)
{
    ManagedObject* leek = recipe("Leek Soup", { "leek" });
    recipe("Pea Soup", { "pea" });
    controller->searchForTerms(terms({ "soup" }));
    web.searches.last().success(QVariantList {});
    EXPECT_TRUE(pageReads.contains(true));
    ASSERT_EQ(engine->localResultsDataSourceArray().size(), 2);
    const bool leekFirst = engine->localResultsDataSourceArray().at(0)->recipe() == leek;

    // Another collection: the recipe list comes back.
    selectedCollection = library;
    controller->outlineViewAction();
    EXPECT_TRUE(resultsHidden);
    EXPECT_EQ(pageReads.last(), false);

    context->deleteObject(leek);
    context->processPendingChanges();
    selectedCollection = cache;
    controller->outlineViewAction();
    EXPECT_FALSE(resultsHidden);
    EXPECT_FALSE(pageEditable);
    ASSERT_EQ(engine->localResultsDataSourceArray().size(), 1);
    EXPECT_EQ(engine->localResultsDataSourceArray().at(0)->name(), "Pea Soup");
    // The deleted recipe's row was the selected one: nothing is selected now.
    if (leekFirst) {
        EXPECT_TRUE(controller->searchResultsTableViewSelectionIndexes().isEmpty());
    }
}

TEST_F(SearchControllerTest, SplitPositionSnapsToRowBoundaries)
{
    const QList<SVSearchFieldView*> rows = controller->searchView()->searchFields();
    ASSERT_EQ(rows.size(), 2);
    rows.at(0)->setRowHeight(55); // a row with its check box shown
    struct Case {
        double proposed;
        double answer;
    };
    const QList<Case> cases {
        { 0, 0 }, { 10, 0 }, { 27.5, 55 }, // half-way goes to the larger boundary
        { 30, 55 }, { 55, 55 }, { 71, 55 }, { 72, 88 }, { 400, 88 }, // beyond every row: all of them
    };
    for (const Case& c : cases)
        EXPECT_EQ(controller->constrainSplitPosition(c.proposed), c.answer) << c.proposed;
    controller->searchView()->setIsAnimating(true);
    EXPECT_EQ(controller->constrainSplitPosition(30), 30);
    controller->searchView()->setIsAnimating(false);

    EXPECT_EQ(controller->heightOfASearchField(), 33);
    EXPECT_EQ(controller->constrainMinCoordinate(), 33);
    // The split view is 500 high: half of it may hold search rows, so more than one fits.
    EXPECT_EQ(controller->constrainMaxCoordinate(500), 250);
}
