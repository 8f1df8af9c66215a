#include "SearchResult.h"

#include "Log.h"
#include "ModelStoreFixture.h"
#include "SearchResultSeparator.h"

#include <gtest/gtest.h>

namespace
{

class SearchResultTest : public ModelStoreFixture
{
};

QVariantMap entry(int id, const QString& name, double rating)
{
    return { { "id", id }, { "name", name }, { "cuisine", "Thai" }, { "rating", rating },
        { "category", "ignored" } };
}

} // namespace

TEST_F(SearchResultTest, ReplyOfThreeDictionariesGivesThreeResults)
{
    Log::Capture log;
    const auto results = SearchResult::searchResultsFromPlistArray(
        { entry(1, "A", 4), entry(2, "B", 3), QString("junk"), entry(1, "A again", 1) });
    ASSERT_EQ(results.size(), 3);
    EXPECT_EQ(log.lines().size(), 1);
    for (const auto& result : results) {
        EXPECT_EQ(result->matchCount(), 1u);
        EXPECT_EQ(result->pageNumber().toInt(), 0);
        EXPECT_EQ(result->cuisine(), "Thai");
        EXPECT_TRUE(result->category().isEmpty());
        EXPECT_EQ(result->recipe(), nullptr);
    }
    EXPECT_EQ(results.at(0)->name(), "A");
    EXPECT_EQ(results.at(0)->rating().toInt(), 4);
}

TEST_F(SearchResultTest, RatingFollowsTheRecipeUnlessRatedHere)
{
    auto result = SearchResult::searchResultsFromPlistArray({ entry(7, "Soup", 4) }).at(0);
    result->setOnlineUserID(55);
    EXPECT_EQ(result->rating().toInt(), 4);

    ManagedObject* fresh = insertNamed("Recipe", "Soup");
    result->setRecipe(fresh);
    EXPECT_EQ(fresh->valueForKey("rating").toInt(), 4);
    EXPECT_EQ(fresh->valueForKey("onlineUserID").toInt(), 55);

    auto other = SearchResult::searchResultsFromPlistArray({ entry(8, "Stew", 4) }).at(0);
    ManagedObject* rated = insertNamed("Recipe", "Stew");
    rated->setValueForKey(2, "rating"); // the user's own rating
    ASSERT_TRUE(rated->valueForKey("ratedLocally").toBool());
    other->setRecipe(rated);
    EXPECT_EQ(other->rating().toInt(), 2);
    EXPECT_EQ(rated->valueForKey("rating").toInt(), 2);
    EXPECT_EQ(other->name(), "Stew");
}

TEST_F(SearchResultTest, RankWithoutRecipeIsCappedAtHalfTheScale)
{
    SearchResult web(QVariant(3), 1);
    web.setRank(9.3);
    EXPECT_DOUBLE_EQ(web.rank(), 5.0);
    web.setRank(2.0);
    EXPECT_DOUBLE_EQ(web.rank(), 2.0);
    SearchResult local(insertNamed("Recipe", "Pie"), QVariant());
    local.setRank(9.3);
    EXPECT_DOUBLE_EQ(local.rank(), 9.3);
}

TEST_F(SearchResultTest, TextRepliesMergeDuplicatesAndSeeTheMoreMarker)
{
    Log::Capture log;
    const QByteArray text = "1||10||Soup||Starters||Thai||4||99\n"
                            "1||11||Long name that\n"
                            "continues||Mains||French||3||98\n"
                            "1||10||Soup||Starters||Thai||4||99\n"
                            "2||12||short\n"
                            "...|more|...\n";
    const SearchResult::TextReply reply = SearchResult::searchResultsFromData(text);
    ASSERT_EQ(reply.results.size(), 2);
    EXPECT_TRUE(reply.moreResultsAvailable);
    EXPECT_EQ(reply.results.at(0)->matchCount(), 2u);
    EXPECT_EQ(reply.results.at(1)->name(), "Long name that\ncontinues");
    EXPECT_EQ(reply.results.at(1)->onlineUserID().toInt(), 98);
    EXPECT_TRUE(log.contains("incomplete search result string"));
}

TEST(SearchResultSeparator, DisclosureTurnsTheTriangle)
{
    SearchResultSeparator header("Cloud Results");
    header.setCount(12);
    EXPECT_EQ(header.countStringValue(), "12");
    EXPECT_TRUE(header.isDisclosed());
    EXPECT_FALSE(header.valueForKey("recipe").isValid());
    const QPainterPath first = header.disclosurePath();
    header.toggleDisclosure();
    EXPECT_FALSE(header.isDisclosed());
    header.toggleDisclosure();
    EXPECT_EQ(header.disclosurePath().boundingRect().toRect(), first.boundingRect().toRect());
    // Disclosed twice turns it twice: another quarter on.
    header.setIsDisclosed(true);
    const QPointF tip = header.disclosurePath().elementAt(1);
    const QPointF firstTip = first.elementAt(1);
    EXPECT_NEAR(tip.x(), -firstTip.y(), 1e-9);
    EXPECT_NEAR(tip.y(), firstTip.x(), 1e-9);
    EXPECT_EQ(header.debugDescription(), "Cloud Results - (Disclosed: YES)\n");
    SearchResultSeparator copy = header;
    EXPECT_EQ(copy.title(), "Cloud Results");
}
