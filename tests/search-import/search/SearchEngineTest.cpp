#include "SearchEngine.h"

#include "ImageMO.h"
#include "Log.h"
#include "NotificationCenter.h"
#include "RecipePasteboard.h"
#include "SearchFixture.h"
#include "WebSearchService.h"

#include <QBuffer>
#include <QImage>
#include <gtest/gtest.h>

namespace
{

// Records every request and answers when the test says so.
class FakeWeb : public WebSearchService
{
public:
    struct Search {
        QStringList terms;
        quint64 page;
        Reply success;
        Failure failure;
    };
    struct Recipes {
        QVariantList ids;
        Reply success;
        Failure failure;
    };

    void searchForTerms(const QStringList& terms, quint64 page, Reply success, Failure failure) override
    {
        searches.append({ terms, page, std::move(success), std::move(failure) });
    }
    void recipesForRecipeIDs(const QVariantList& ids, Reply success, Failure failure) override
    {
        recipeRequests.append({ ids, std::move(success), std::move(failure) });
    }
    void imageForRecipeID(const QVariant& id, Reply success, Failure) override
    {
        pictureRequests.append({ { id }, std::move(success), nullptr });
    }
    ManagedObject* recipeManagedObjectFromPlist(const QVariantMap& plist) override
    {
        if (!plist.contains("name"))
            return nullptr;
        ManagedObject* r = RecipeMO::insertNewRecipeWithoutPlaceholderItems(context);
        r->setValueForKey(plist.value("name"), "name");
        r->setValueForKey(plist.value("onlineID"), "onlineID");
        r->setValueForKey(true, "changedRating");
        ++made;
        return r;
    }

    ManagedObjectContext* context = nullptr;
    QList<Search> searches;
    QList<Recipes> recipeRequests;
    QList<Recipes> pictureRequests;
    int made = 0;
};

QVariantMap hit(int id, const QString& name = QString())
{
    return { { "id", id }, { "name", name.isEmpty() ? QStringLiteral("Web %1").arg(id) : name },
        { "rating", 3 } };
}

QVariantMap plist(int id)
{
    return { { "onlineID", id }, { "name", QStringLiteral("Web %1").arg(id) } };
}

class SearchEngineTest : public SearchFixture
{
protected:
    void SetUp() override
    {
        SearchFixture::SetUp();
        web.context = context.get();
        engine = std::make_unique<SearchEngine>(&web);
        SearchEngine::Pane pane;
        pane.endSearch = [this] { ++ended; };
        pane.searchFailed = [this](const QString& message) { failures.append(message); };
        pane.doneLoading = [this] { ++doneLoading; };
        pane.sortDescriptors = [this] { return sortDescriptors; };
        engine->setPane(std::move(pane));
    }
    void TearDown() override
    {
        engine.reset();
        SearchFixture::TearDown();
    }

    static QStringList names(const SearchResultList& results)
    {
        QStringList list;
        for (const auto& result : results)
            list.append(result->name());
        return list;
    }
    QList<ManagedObject*> recipesWithOnlineID(int id)
    {
        QList<ManagedObject*> found;
        for (ManagedObject* r : fetchAll("Recipe")) {
            if (r->valueForKey("onlineID").toInt() == id)
                found.append(r);
        }
        return found;
    }

    FakeWeb web;
    std::unique_ptr<SearchEngine> engine;
    QList<SortDescriptor> sortDescriptors;
    int ended = 0;
    int doneLoading = 0;
    QStringList failures;
};

} // namespace

TEST_F(SearchEngineTest, LocalSearchFindsLibraryRecipesButNotThoseOnlyCached)
{
    recipe("Pesto", { "basil", "pine nuts" });
    recipe("Basil Chicken", { "chicken" });
    recipe("Leek Soup", { "leek" });
    ManagedObject* cached = recipe("Basil Tart", { "basil" }, 77);
    cached->mutableSetValueForKey("collections").removeObject(library);
    cached->mutableSetValueForKey("collections").addObject(engine->searchCache());
    ManagedObject* both = recipe("Basil Bread", { "basil" }, 78);
    both->mutableSetValueForKey("collections").addObject(engine->searchCache());
    ManagedObject* unfiled = recipe("Basil Ice", { "basil" });
    ASSERT_TRUE(save());
    unfiled->mutableSetValueForKey("collections").removeObject(library); // in no collection now
    ASSERT_TRUE(save());
    engine->search(terms({ "basil" }));
    QStringList found = names(engine->localResultsDataSourceArray());
    found.sort();
    EXPECT_EQ(found, QStringList({ "Basil Bread", "Basil Chicken", "Pesto" }));
    EXPECT_EQ(engine->localSearchResultsSeparator().count(), 3u);
    for (const auto& result : engine->localResultsDataSourceArray())
        EXPECT_TRUE(result->isLocalResult());
    ASSERT_EQ(web.searches.size(), 1);
    EXPECT_EQ(web.searches.at(0).terms, QStringList({ "basil" }));
    EXPECT_EQ(web.searches.at(0).page, 1u);
    EXPECT_EQ(engine->searchCount(), 2u);
    EXPECT_FALSE(engine->moreResultsAvailable());
}

TEST_F(SearchEngineTest, EmptyPiecesGoToTheWebButDoNotNarrow)
{
    recipe("Pesto", { "basil" });
    recipe("Leek Soup", { "leek" });
    engine->search(terms({ "basil", "" }));
    EXPECT_EQ(names(engine->localResultsDataSourceArray()), QStringList({ "Pesto" }));
    EXPECT_EQ(web.searches.at(0).terms, QStringList({ "basil", "" }));
}

// All-empty terms must not reach the cache clearing: the shown web results still hold the
// cached recipes.
TEST_F(SearchEngineTest, AllEmptyTermsChangeNothingAndClearNothing)
{
    recipe("Pesto", { "basil" });
    engine->clearSearchCacheOnNextSearch();
    engine->search(terms({ "basil" }));
    web.searches.at(0).success(QVariantList { hit(5) });
    web.recipeRequests.at(0).success(QVariantList { plist(5) });
    ASSERT_EQ(engine->webResultsDataSourceArray().size(), 1);
    ManagedObject* cached = engine->webResultsDataSourceArray().at(0)->recipe();
    ASSERT_TRUE(cached);

    engine->search(terms({ "", "" }));
    EXPECT_FALSE(cached->isDeleted());
    EXPECT_EQ(engine->webResultsDataSourceArray().size(), 1);
    EXPECT_EQ(engine->localResultsDataSourceArray().size(), 1);
    EXPECT_EQ(web.searches.size(), 1);

    // A real search still clears first, every time once the flag is set.
    engine->search(terms({ "leek" }));
    EXPECT_TRUE(cached->isDeleted());
    EXPECT_TRUE(engine->clearsSearchCacheOnNextSearch());
}

TEST_F(SearchEngineTest, ClearingKeepsCachedRecipesThatAreInTheLibrary)
{
    ManagedObject* both = recipe("Both", {}, 1);
    ManagedObject* onlyCached = recipe("Only cached", {}, 2);
    onlyCached->mutableSetValueForKey("collections").removeObject(library);
    for (ManagedObject* r : { both, onlyCached })
        r->mutableSetValueForKey("collections").addObject(engine->searchCache());
    engine->clearSearchCache();
    EXPECT_FALSE(both->isDeleted());
    EXPECT_TRUE(onlyCached->isDeleted());
}

TEST_F(SearchEngineTest, CacheIsMadeOnceAndMarkedAsTheSearchResults)
{
    ManagedObject* cache = engine->searchCache();
    ASSERT_TRUE(cache);
    EXPECT_EQ(cache->valueForKey("kind").toString(), "RBCollectionKindSearchCache");
    EXPECT_EQ(cache->valueForKey("name").toString(), "Search Results");
    EXPECT_EQ(cache->valueForKey("index").toInt(), 1);
    EXPECT_FALSE(cache->valueForKey("draggable").toBool());
    engine->refetchSearchCache();
    EXPECT_EQ(engine->searchCache(), cache);
    SearchEngine other(&web);
    EXPECT_EQ(other.searchCache(), cache);
}

// How web results merge into the two lists.
TEST_F(SearchEngineTest, WebResultsMergeByRecipeAndByOnlineID)
{
    recipe("Pesto", { "basil" }, 10); // in the library, found locally too
    recipe("Basil Oil", { "oil" }, 11); // in the library, not found by the local search
    engine->search(terms({ "pesto" }));
    ASSERT_EQ(engine->localResultsDataSourceArray().size(), 1);
    int ranked = 0;
    ScopedObserver observer(NotificationCenter::defaultCenter(),
        NotificationCenter::defaultCenter().addObserver(
            SearchEngineRanksChangedNotification, engine.get(), [&](const Notification&) { ++ranked; }));

    web.searches.at(0).success(QVariantList { hit(10), hit(11), hit(20), hit(21) });
    const SearchResultList& local = engine->localResultsDataSourceArray();
    EXPECT_EQ(names(local), QStringList({ "Pesto", "Basil Oil" }));
    EXPECT_EQ(local.at(0)->matchCount(), 2u); // the local result met its web twin
    EXPECT_EQ(names(engine->webResultsDataSourceArray()), QStringList({ "Web 20", "Web 21" }));
    EXPECT_EQ(engine->webSearchResultsSeparator().count(), 2u);
    EXPECT_EQ(engine->incompleteSearchResults().size(), 2);
    ASSERT_EQ(web.recipeRequests.size(), 1);
    EXPECT_EQ(web.recipeRequests.at(0).ids, QVariantList({ 20, 21 }));
    EXPECT_EQ(ranked, 2); // both lists
    EXPECT_EQ(ended, 1);
    EXPECT_TRUE(engine->moreResultsAvailable());
    for (const auto& result : engine->webResultsDataSourceArray()) {
        EXPECT_FALSE(result->isLocalResult());
        EXPECT_EQ(result->pageNumber().toInt(), 1);
    }

    // The same online id on the next page raises the first result's count.
    engine->searchMoreResults();
    ASSERT_EQ(web.searches.size(), 2);
    EXPECT_EQ(web.searches.at(1).page, 2u);
    web.searches.at(1).success(QVariantList { hit(21), hit(22) });
    EXPECT_EQ(names(engine->webResultsDataSourceArray()), QStringList({ "Web 20", "Web 21", "Web 22" }));
    EXPECT_EQ(engine->webResultsDataSourceArray().at(1)->matchCount(), 2u);
    EXPECT_EQ(engine->webResultsDataSourceArray().at(0)->matchCount(), 1u);
    EXPECT_EQ(engine->webResultsDataSourceArray().at(2)->pageNumber().toInt(), 2);
}

// More results asked for before the first page's recipes came: only the new page is merged and
// asked for, and a recipe that comes twice is made once.
TEST_F(SearchEngineTest, MoreResultsBeforeRecipesArrivedMergesOnlyTheNewPage)
{
    engine->search(terms({ "soup" }));
    web.searches.at(0).success(QVariantList { hit(1), hit(2) });
    engine->searchMoreResults();
    web.searches.at(1).success(QVariantList { hit(2), hit(3) });

    const SearchResultList& listed = engine->webResultsDataSourceArray();
    EXPECT_EQ(names(listed), QStringList({ "Web 1", "Web 2", "Web 3" }));
    EXPECT_EQ(listed.at(0)->matchCount(), 1u); // no result met itself
    EXPECT_EQ(listed.at(1)->matchCount(), 2u);
    EXPECT_EQ(listed.at(0)->pageNumber().toInt(), 1);
    ASSERT_EQ(web.recipeRequests.size(), 2);
    EXPECT_EQ(web.recipeRequests.at(0).ids, QVariantList({ 1, 2 }));
    EXPECT_EQ(web.recipeRequests.at(1).ids, QVariantList({ 3 })); // nothing asked twice

    // The service answers the second request with 2 as well: it is not made a second time.
    web.recipeRequests.at(0).success(QVariantList { plist(1), plist(2) });
    web.recipeRequests.at(1).success(QVariantList { plist(3), plist(2) });
    EXPECT_EQ(web.made, 3);
    EXPECT_EQ(recipesWithOnlineID(2).size(), 1);
    EXPECT_TRUE(engine->incompleteSearchResults().isEmpty());
    for (const auto& result : listed) {
        ASSERT_TRUE(result->recipe());
        EXPECT_EQ(result->recipe()->valueForKey("onlineID"), result->onlineID());
        EXPECT_TRUE(result->recipe()->objectsForKey("collections").contains(engine->searchCache()));
        EXPECT_FALSE(result->recipe()->valueForKey("changedRating").toBool());
    }
    EXPECT_EQ(doneLoading, 2);
}

TEST_F(SearchEngineTest, ReplyToAnEarlierSearchIsDropped)
{
    engine->search(terms({ "soup" }));
    engine->search(terms({ "stew" }));
    web.searches.at(0).success(QVariantList { hit(1) });
    EXPECT_TRUE(engine->webResultsDataSourceArray().isEmpty());
    EXPECT_TRUE(web.recipeRequests.isEmpty());
    EXPECT_FALSE(engine->moreResultsAvailable());
    web.searches.at(1).success(QVariantList { hit(2) });
    EXPECT_EQ(names(engine->webResultsDataSourceArray()), QStringList({ "Web 2" }));
}

TEST_F(SearchEngineTest, EmptyReplyEndsTheSearchAndOffersMore)
{
    engine->search(terms({ "soup" }));
    web.searches.at(0).success(QVariantList {});
    EXPECT_EQ(ended, 1);
    EXPECT_TRUE(engine->moreResultsAvailable());
    EXPECT_EQ(engine->numberOfRows(), 3);
}

TEST_F(SearchEngineTest, FailedWebSearchEndsWithTheLocalResultsAndAMessage)
{
    recipe("Leek Soup", { "leek" });
    engine->search(terms({ "soup" }));
    Log::Capture log;
    web.searches.at(0).failure("The service could not be reached.");
    EXPECT_EQ(ended, 1);
    EXPECT_EQ(failures, QStringList({ "The service could not be reached." }));
    EXPECT_TRUE(log.contains("The service could not be reached."));
    EXPECT_EQ(names(engine->localResultsDataSourceArray()), QStringList({ "Leek Soup" }));
    EXPECT_FALSE(engine->moreResultsAvailable());
    // A failure of an earlier search says nothing.
    engine->search(terms({ "leek" }));
    engine->search(terms({ "soup" }));
    web.searches.at(1).failure("late");
    EXPECT_EQ(failures.size(), 1);
}

TEST_F(SearchEngineTest, ArrivedRecipesAreAnnouncedOnceAndGetTheirPictures)
{
    engine->search(terms({ "soup" }));
    web.searches.at(0).success(QVariantList { hit(1), hit(2) });
    QList<QVariantList> announced;
    ScopedObserver observer(NotificationCenter::defaultCenter(),
        NotificationCenter::defaultCenter().addObserver(SearchEngineUpdatedRecipesNotification, engine.get(),
            [&](const Notification& n) { announced.append(n.userInfo.value("recipes").toList()); }));
    web.recipeRequests.at(0).success(QVariantList { plist(1) });
    web.recipeRequests.at(0).success(QVariantList { plist(2), QVariantMap { { "onlineID", 9 } } });
    EXPECT_TRUE(announced.isEmpty()); // queued
    clock.advance(0);
    ASSERT_EQ(announced.size(), 1); // coalesced, none lost
    EXPECT_EQ(announced.at(0).size(), 2);

    ASSERT_EQ(web.pictureRequests.size(), 2);
    EXPECT_EQ(web.pictureRequests.at(0).ids, QVariantList({ 1 }));
    QImage picture(8, 8, QImage::Format_RGB32);
    picture.fill(Qt::red);
    QByteArray png;
    {
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        picture.save(&buffer, "PNG");
    }
    web.pictureRequests.at(0).success(png);
    auto* image = dynamic_cast<ImageMO*>(recipesWithOnlineID(1).value(0)->objectForKey("image"));
    ASSERT_TRUE(image);
    EXPECT_FALSE(image->isDefaultImage());
    // The cache was cleared before the second picture came: nothing to give it to.
    engine->clearSearchCache();
    web.pictureRequests.at(1).success(png);
}

TEST_F(SearchEngineTest, RemovingResultsFromBothLists)
{
    recipe("Leek Soup", { "leek" });
    recipe("Pea Soup", { "pea" });
    engine->search(terms({ "soup" }));
    web.searches.at(0).success(QVariantList { hit(1), hit(2) });
    QList<SearchEngine::Change> changes;
    engine->addObserver([&](const SearchEngine::Change& change) { changes.append(change); });
    engine->removeResults(
        { engine->localResultsDataSourceArray().at(1), engine->webResultsDataSourceArray().at(0) });
    EXPECT_EQ(names(engine->localResultsDataSourceArray()), QStringList({ "Leek Soup" }));
    EXPECT_EQ(names(engine->webResultsDataSourceArray()), QStringList({ "Web 2" }));
    EXPECT_EQ(engine->localSearchResultsSeparator().count(), 1u);
    EXPECT_EQ(engine->webSearchResultsSeparator().count(), 1u);
    ASSERT_EQ(changes.size(), 2);
    EXPECT_EQ(changes.at(0).kind, SearchEngine::Change::Removal);
    EXPECT_EQ(changes.at(0).indexes, QList<int>({ 1 }));
    EXPECT_EQ(changes.at(1).key, "webResultsDataSourceArray");
    EXPECT_EQ(engine->resultsCountString(), "2 Search Results");
    engine->removeResults({ engine->webResultsDataSourceArray().at(0) });
    EXPECT_EQ(engine->resultsCountString(), "1 Search Result");
}

// The raw value each result ranks by (the terms are "basil").
TEST_F(SearchEngineTest, RankValueTable)
{
    ingredientNamed("pine nuts")->setValueForKey(true, "haveIt");
    struct Case {
        const char* name;
        QStringList lines;
        int rating;
        const char* description;
        double expected;
    };
    const QList<Case> cases {
        { "No lines", {}, 0, "", 0.75 * 1.5 * 0.9 },
        { "Exact, rated 5", { "basil" }, 5, "", 1.125 * 1.5 * 1.05 },
        { "Exact and a line not covered", { "basil", "leek" }, 0, "", 1.125 * 0.9 },
        { "Begins", { "basil leaves" }, 0, "", 0.765 * 1.5 * 0.9 },
        { "Ends", { "thai basil" }, 0, "", 0.825 * 1.5 * 0.9 },
        { "Contains", { "sweet basil leaves" }, 0, "", 0.76 * 1.5 * 0.9 },
        { "Had at hand covers", { "basil", "pine nuts" }, 0, "", 1.15 * 1.5 * 0.9 },
        { "Basil in name", { "basil" }, 1, "fresh basil", 1.24 * 1.5 * (1.0 / 25.0 + 0.85) },
    };
    for (const Case& c : cases) {
        ManagedObject* r = recipe(c.name, c.lines);
        r->setValueForKey(c.rating, "rating");
        r->setValueForKey(QString::fromUtf8(c.description), "recipeDescription");
        SearchResult result(r, QVariant());
        EXPECT_NEAR(SearchEngine::rankValue(result, { "basil" }, {}), c.expected, 1e-6) << c.name;
    }
    ManagedObject* r = recipe("Pesto", { "basil" });
    SearchResult weighed(r, QVariant(), 2);
    weighed.setIsSubstitutionForSearchTerm(true);
    weighed.setSearchTermIsSubstitute(true);
    EXPECT_NEAR(SearchEngine::rankValue(weighed, { "basil" }, {}), 2 * 1.125 * 0.9 * 0.75 * 1.5 * 0.9, 1e-6);
    EXPECT_NEAR(SearchEngine::rankValue(SearchResult(r, QVariant()), { "basil" }, { "pesto" }),
        1.125 * 1.5 * 1.075 * 0.9, 1e-6);
    EXPECT_EQ(SearchEngine::rankValue(SearchResult(QVariant(7), 3), { "basil" }, {}), 3.0);
}

TEST_F(SearchEngineTest, RanksAreScaledFromOneToTen)
{
    recipe("Basil", { "basil" });
    recipe("Basil Leaves Tart", { "basil leaves" });
    recipe("Thai Basil Soup", { "thai basil", "leek" });
    engine->search(terms({ "basil" }));
    QList<double> ranks;
    for (const auto& result : engine->localResultsDataSourceArray())
        ranks.append(result->rank());
    std::sort(ranks.begin(), ranks.end());
    ASSERT_EQ(ranks.size(), 3);
    EXPECT_DOUBLE_EQ(ranks.first(), 1.0);
    EXPECT_DOUBLE_EQ(ranks.last(), 10.0);
    EXPECT_GT(ranks.at(1), 1.0);

    // Equal values: 10 for every result, 5 for those without recipe; all zero: 1.
    SearchResultList same { std::make_shared<SearchResult>(QVariant(1), 2),
        std::make_shared<SearchResult>(QVariant(2), 2) };
    auto withRecipe = SearchResult::resultWithRecipe(fetchAll("Recipe").at(0), QVariant());
    engine->setWebResultsDataSourceArray({ same.at(0), same.at(1) });
    engine->rankWebResults();
    EXPECT_EQ(engine->webResultsDataSourceArray().at(0)->rank(), 5.0);
    withRecipe->setMatchCount(0);
    auto zero = std::make_shared<SearchResult>(QVariant(3), 0);
    engine->setWebResultsDataSourceArray({ withRecipe, zero });
    engine->rankWebResults();
    EXPECT_EQ(withRecipe->rank(), 1.0);
    EXPECT_EQ(zero->rank(), 1.0);
}

TEST_F(SearchEngineTest, RankingKeepsPagesInOrderWhenTheTableSortsByRank)
{
    engine->search(terms({ "soup" }));
    web.searches.at(0).success(QVariantList { hit(1) });
    engine->searchMoreResults();
    web.searches.at(1).success(QVariantList { hit(2), hit(3) });
    engine->webResultsDataSourceArray().at(2)->setMatchCount(5);
    sortDescriptors = { SortDescriptor("rank", false) };
    engine->rankWebResults();
    EXPECT_EQ(names(engine->webResultsDataSourceArray()), QStringList({ "Web 1", "Web 3", "Web 2" }));
}

TEST_F(SearchEngineTest, TableRowsFollowTheHeaders)
{
    recipe("Leek Soup", { "leek" });
    recipe("Pea Soup", { "pea" });
    recipe("Soup of the Day", {});
    engine->search(terms({ "soup" }));
    web.searches.at(0).success(QVariantList { hit(1), hit(2) });
    EXPECT_EQ(engine->numberOfRows(), 8);
    EXPECT_EQ(engine->rowObject(0).separator, &engine->localSearchResultsSeparator());
    EXPECT_EQ(engine->rowObject(4).separator, &engine->webSearchResultsSeparator());
    EXPECT_EQ(engine->groupRowObject(4).separator, &engine->webSearchResultsSeparator());
    EXPECT_TRUE(engine->groupRowObject(2).isEmpty());
    EXPECT_EQ(engine->rowObject(5).result, engine->webResultsDataSourceArray().at(0));
    EXPECT_TRUE(engine->rowObject(7).isEmpty()); // more results
    EXPECT_TRUE(engine->rowObject(-1).isEmpty());
    EXPECT_EQ(engine->objectValue("name", 1), engine->localResultsDataSourceArray().at(0)->name());

    engine->localSearchResultsSeparator().toggleDisclosure();
    EXPECT_EQ(engine->numberOfRows(), 5);
    EXPECT_EQ(engine->rowObject(1).separator, &engine->webSearchResultsSeparator());
    EXPECT_EQ(engine->rowObject(2).result, engine->webResultsDataSourceArray().at(0));

    // A selected web result keeps its selection through a sort.
    const auto second = engine->webResultsDataSourceArray().at(1);
    const QList<int> rows = engine->sortDescriptorsDidChange({ SortDescriptor("name", false) }, { 3, 1 });
    EXPECT_EQ(engine->webResultsDataSourceArray().at(0), second);
    EXPECT_EQ(rows, QList<int>({ 2 }));

    engine->webSearchResultsSeparator().toggleDisclosure();
    EXPECT_EQ(engine->numberOfRows(), 2); // no more-results row while the web list is collapsed
    engine->setObjectValue(4, "rating", 1); // a header: nothing
}

TEST_F(SearchEngineTest, DraggedRowsCarryTheRecipesURIs)
{
    recipe("Leek Soup", { "leek" });
    recipe("Pea Soup", { "pea" });
    engine->search(terms({ "soup" }));
    web.searches.at(0).success(QVariantList { hit(1) });
    QMimeData data;
    EXPECT_TRUE(engine->writeRows({ 0, 2, 1, 4 }, data)); // header, two results, a waiting web result
    const QList<QUrl> uris = RecipePasteboard::decodeURIs(data.data(RecipePasteboard::recipeURIsMimeType));
    ASSERT_EQ(uris.size(), 2);
    EXPECT_EQ(
        uris.at(0), engine->localResultsDataSourceArray().at(0)->recipe()->objectID().URIRepresentation());
    EXPECT_EQ(SearchEngine::validateDrop(true), SearchEngine::DropOperation::None);
    EXPECT_EQ(SearchEngine::validateDrop(false), SearchEngine::DropOperation::Copy);
}
