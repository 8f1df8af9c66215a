// The engine against the loopback stand-in of the web recipe service, through the real client.
#include "CloudAgentWebRecipes.h"
#include "EventLoopWait.h"
#include "QLMKitchoraCloudAgent.h"
#include "QLMPlistToAndFromRecipeMO.h"
#include "SearchEngine.h"
#include "SearchFixture.h"
#include "URIQuery.h"
#include "WebServiceStub.h"

#include <gtest/gtest.h>

namespace
{

class SearchEngineWebTest : public SearchFixture
{
protected:
    void SetUp() override
    {
        SearchFixture::SetUp();
        defaults.defaults().setObject(QStringLiteral("KEY-0001"), KitchoraCloudRegkey);
        QLMKitchoraCloudAgent::setUsernameProvider([] { return QStringLiteral("ann"); });
        agent = std::make_unique<QLMKitchoraCloudAgent>(stub.baseURL());
        web = std::make_unique<CloudAgentWebRecipes>(*agent);
        engine = std::make_unique<SearchEngine>(web.get());
        SearchEngine::Pane pane;
        pane.endSearch = [this] { ++ended; };
        pane.searchFailed = [this](const QString& message) { failures.append(message); };
        engine->setPane(std::move(pane));
        // A card the service hands out for every recipe it is asked for.
        ManagedObject* source = recipe("Card", { "leek" });
        card = QLMPlistToAndFromRecipeMO::plistFromRecipeMO(source)->value("vrcText").toString();
        context->deleteObject(source);
        context->processPendingChanges();
    }
    void TearDown() override
    {
        stub.settle();
        engine.reset();
        web.reset();
        agent.reset();
        QLMKitchoraCloudAgent::setUsernameProvider(nullptr);
        SearchFixture::TearDown();
    }

    // Runs the sockets and the virtual clock's posts until `done`.
    bool runUntil(const std::function<bool()>& done)
    {
        return waitUntil([&] {
            clock.advance(0);
            return done();
        });
    }

    // Pages of two results: page p holds the ids 10p+1 and 10p+2, the third page nothing.
    void routePagesAndRecipes()
    {
        stub.route("GET", "/search.xml", [](const WebServiceStub::Request& request) {
            const int page = URIQuery::queryDictionaryUsingEncoding(QString::fromUtf8(request.query()))
                                 .value("page")
                                 .toInt();
            QVariantList hits;
            for (int i = 1; page < 3 && i <= 2; ++i)
                hits.append(QVariantMap {
                    { "id", page * 10 + i }, { "name", QStringLiteral("Web %1").arg(page * 10 + i) } });
            return WebServiceStub::Reply::plist(hits);
        });
        stub.route("GET", "/recipes.xml", [this](const WebServiceStub::Request& request) {
            const QString ids = URIQuery::queryDictionaryUsingEncoding(QString::fromUtf8(request.query()))
                                    .value("ids")
                                    .toString();
            QVariantList plists;
            for (const QString& id : ids.split(',')) {
                plists.append(QVariantMap { { "vrcText", card }, { "name", QStringLiteral("Web %1").arg(id) },
                    { "onlineID", id.toInt() } });
            }
            return WebServiceStub::Reply::plist(plists);
        });
    }

    int recipeRequests() const
    {
        int count = 0;
        for (const auto& request : stub.requests())
            count += request.path() == "/recipes.xml";
        return count;
    }

    WebServiceStub stub;
    std::unique_ptr<QLMKitchoraCloudAgent> agent;
    std::unique_ptr<CloudAgentWebRecipes> web;
    std::unique_ptr<SearchEngine> engine;
    QString card;
    int ended = 0;
    QStringList failures;
};

} // namespace

TEST_F(SearchEngineWebTest, PagesOfWebResultsBringTheirRecipesIntoTheCache)
{
    routePagesAndRecipes();
    engine->search(terms({ "leek", "soup" }));
    ASSERT_TRUE(runUntil([&] { return ended == 1; }));
    EXPECT_EQ(
        stub.requests().at(0).target, QByteArray("/search.xml?page=1&user[username]=ann&query=leek,soup"));
    ASSERT_TRUE(runUntil([&] { return engine->incompleteSearchResults().isEmpty(); }));
    EXPECT_TRUE(engine->moreResultsAvailable());

    engine->searchMoreResults();
    ASSERT_TRUE(runUntil([&] { return ended == 2 && engine->incompleteSearchResults().isEmpty(); }));
    engine->searchMoreResults(); // the third page is empty
    ASSERT_TRUE(runUntil([&] { return ended == 3; }));

    const SearchResultList& listed = engine->webResultsDataSourceArray();
    ASSERT_EQ(listed.size(), 4);
    QList<int> pages;
    for (const auto& result : listed) {
        ASSERT_TRUE(result->recipe());
        EXPECT_EQ(result->name(), QStringLiteral("Web %1").arg(result->onlineID().toInt()));
        EXPECT_TRUE(result->recipe()->objectsForKey("collections").contains(engine->searchCache()));
        pages.append(result->pageNumber().toInt());
    }
    EXPECT_EQ(pages, QList<int>({ 1, 1, 2, 2 }));
    EXPECT_EQ(recipeRequests(), 2);
    EXPECT_EQ(engine->searchCount(), 4u);
    EXPECT_TRUE(failures.isEmpty());
}

TEST_F(SearchEngineWebTest, ServiceFailingEveryTryEndsTheSearchWithTheLocalResults)
{
    recipe("Leek Soup", { "leek" });
    stub.failNext(QLMKitchoraCloudAgent::kTries, WebServiceStub::Reply::text("down", "text/plain", 503));
    engine->search(terms({ "soup" }));
    ASSERT_TRUE(runUntil([&] { return ended == 1; }));
    EXPECT_EQ(failures.size(), 1);
    ASSERT_EQ(engine->localResultsDataSourceArray().size(), 1);
    EXPECT_EQ(engine->localResultsDataSourceArray().at(0)->name(), "Leek Soup");
    EXPECT_FALSE(engine->moreResultsAvailable());
    EXPECT_EQ(recipeRequests(), 0);
}
