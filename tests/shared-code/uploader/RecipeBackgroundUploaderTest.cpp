#include "RecipeBackgroundUploader.h"

#include "EventLoopWait.h"
#include "Log.h"
#include "ModelStoreFixture.h"
#include "QLMKitchoraCloudAgent.h"
#include "RecipeMO.h"
#include "URIQuery.h"
#include "WebServiceStub.h"

#include <QBuffer>
#include <QImage>
#include <gtest/gtest.h>

namespace
{

class UploaderTest : public ModelStoreFixture
{
protected:
    void SetUp() override
    {
        ModelStoreFixture::SetUp();
        defaults.defaults().setObject(QStringLiteral("KEY"), KitchoraCloudRegkey);
        QLMKitchoraCloudAgent::setUsernameProvider([] { return QStringLiteral("ann"); });
        library = makeCollection("RBCollectionKindMainLibrary");
        searchCache = makeCollection("RBCollectionKindSearchCache");
        agent = std::make_unique<QLMKitchoraCloudAgent>(stub.baseURL());
        uploader = std::make_unique<RecipeBackgroundUploader>(coordinator.get(), model.get(), *agent);
    }
    void TearDown() override
    {
        stub.settle();
        uploader.reset();
        agent.reset();
        QLMKitchoraCloudAgent::setUsernameProvider(nullptr);
        ModelStoreFixture::TearDown();
    }

    // A saved recipe in the given collection with flags and values set.
    ManagedObject* saved(const QString& name, ManagedObject* collection, const QVariantMap& values)
    {
        ManagedObject* recipe = insertNamed("Recipe", name);
        // Filed before its deferred set-up, which would otherwise put it in the library.
        static_cast<RecipeMO*>(recipe)->addCollectionsObject(collection);
        clock.advance(0);
        for (auto it = values.cbegin(); it != values.cend(); ++it)
            recipe->setValueForKey(it.value(), it.key());
        EXPECT_TRUE(context->save());
        return recipe;
    }
    // One tick, then until every request it made has been answered.
    void tick()
    {
        uploader->checkForRecipeToUpload();
        EXPECT_TRUE(waitUntil([&] {
            clock.advance(0);
            return uploader->pendingCount() == 0;
        }));
    }
    QList<QByteArray> targets() const
    {
        QList<QByteArray> list;
        for (const auto& request : stub.requests())
            list.append(request.method + ' ' + request.target);
        return list;
    }
    // The flag as the store holds it now.
    bool storedFlag(ManagedObject* recipe, const QString& key)
    {
        auto fresh = newContext();
        return fresh->existingObjectWithID(recipe->objectID())->valueForKey(key).toBool();
    }

    WebServiceStub stub;
    std::unique_ptr<QLMKitchoraCloudAgent> agent;
    std::unique_ptr<RecipeBackgroundUploader> uploader;
    ManagedObject* library = nullptr;
    ManagedObject* searchCache = nullptr;
};

QByteArray jpegOfSize(int width)
{
    QImage image(width, width, QImage::Format_RGB32);
    image.fill(Qt::blue);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

} // namespace

TEST_F(UploaderTest, RatingOfARecipeOnTheServiceIsSentOnceWhileUnderWay)
{
    WebServiceStub::Reply held = WebServiceStub::Reply::plist(QVariantMap {});
    held.hold = true;
    stub.route("POST", "/recipes/21/rate.xml", held);
    ManagedObject* rated
        = saved("Rated", library, { { "onlineID", 21 }, { "rating", 4 }, { "changedRating", true } });
    ManagedObject* local = saved("Local", library, { { "rating", 2 }, { "changedRating", true } });

    uploader->checkForRecipeToUpload();
    ASSERT_TRUE(waitUntil([&] { return stub.heldCount() == 1; }));
    // Ticks while the reply is held send nothing more.
    uploader->checkForRecipeToUpload();
    uploader->checkForRecipeToUpload();
    stub.releaseHeld();
    ASSERT_TRUE(waitUntil([&] {
        clock.advance(0);
        return uploader->pendingCount() == 0;
    }));
    EXPECT_EQ(targets(), QList<QByteArray>({ "POST /recipes/21/rate.xml" }));
    EXPECT_EQ(URIQuery::queryDictionaryUsingEncoding(QString::fromUtf8(stub.requests().at(0).body))
                  .value("recipe[searchFlag]"),
        "4");
    // Saved: a new context (as after a restart) sees the flag cleared; the local recipe waits.
    EXPECT_FALSE(storedFlag(rated, "changedRating"));
    EXPECT_TRUE(storedFlag(local, "changedRating"));
}

TEST_F(UploaderTest, SharingDecisionTable)
{
    stub.route("POST", "/recipes.xml", WebServiceStub::Reply::plist(QVariantMap { { "id", 501 } }));
    stub.route("PUT", "/recipes/30.xml", WebServiceStub::Reply::plist(QVariantMap {}));
    ManagedObject* shared = saved(
        "Shared", library, { { "share", true }, { "changedSharing", true }, { "changedRating", true } });
    ManagedObject* untitled
        = saved("Untitled Recipe", library, { { "share", true }, { "changedSharing", true } });
    ManagedObject* editing
        = saved("Editing", library, { { "share", true }, { "editing", true }, { "changedSharing", true } });
    ManagedObject* unshared = saved("Unshared", library, { { "share", false }, { "changedSharing", true } });
    ManagedObject* online
        = saved("Online", library, { { "share", true }, { "onlineID", 30 }, { "changedSharing", true } });
    ManagedObject* web = saved("Web", searchCache, { { "share", true }, { "changedSharing", true } });

    Log::Capture log;
    tick();
    QList<QByteArray> sent = targets();
    std::sort(sent.begin(), sent.end());
    EXPECT_EQ(sent, QList<QByteArray>({ "POST /recipes.xml", "PUT /recipes/30.xml" }));
    for (const auto& request : stub.requests()) {
        const QVariantMap form = URIQuery::queryDictionaryUsingEncoding(QString::fromUtf8(request.body));
        EXPECT_EQ(form.value("recipe[searchFlag]"), request.method == "PUT" ? "0" : "1");
    }
    EXPECT_TRUE(log.contains("Search recipe! Web"));

    auto fresh = newContext();
    ManagedObject* storedShared = fresh->existingObjectWithID(shared->objectID());
    EXPECT_EQ(storedShared->valueForKey("onlineID").toInt(), 501);
    EXPECT_FALSE(storedShared->valueForKey("changedSharing").toBool());
    EXPECT_FALSE(storedShared->valueForKey("changedRating").toBool());
    EXPECT_FALSE(storedFlag(online, "changedSharing"));
    // The main context has taken the new identifier and the cleared flag in.
    EXPECT_EQ(shared->valueForKey("onlineID").toInt(), 501);
    EXPECT_FALSE(shared->valueForKey("changedSharing").toBool());
    for (ManagedObject* waiting : { untitled, editing, unshared, web })
        EXPECT_TRUE(storedFlag(waiting, "changedSharing"));

    // Nothing is uploaded twice: the next tick sends nothing new.
    tick();
    EXPECT_EQ(stub.requests().size(), 2);
}

TEST_F(UploaderTest, PicturesAreSentOnceAndImageExistsCountsAsSent)
{
    ManagedObject* withPicture = saved("Pictured", library, { { "onlineID", 40 } });
    withPicture->objectForKey("image")->setValueForKey(jpegOfSize(20), "data");
    ManagedObject* exists = saved("Exists", library, { { "onlineID", 41 } });
    exists->objectForKey("image")->setValueForKey(jpegOfSize(20), "data");
    ManagedObject* refused = saved("Refused", library, { { "onlineID", 42 } });
    refused->objectForKey("image")->setValueForKey(jpegOfSize(20), "data");
    ManagedObject* none = saved("None", library, { { "onlineID", 43 }, { "changedImage", true } });
    ASSERT_TRUE(context->save());
    stub.route("POST", "/recipes/40/image.xml", WebServiceStub::Reply::text("ok", "text/plain"));
    stub.route(
        "POST", "/recipes/41/image.xml", WebServiceStub::Reply::text("Image exists", "text/plain", 422));
    stub.route("POST", "/recipes/42/image.xml", WebServiceStub::Reply::text("No", "text/plain", 500));

    Log::Capture log;
    tick();
    EXPECT_EQ(stub.requests().size(), 3);
    EXPECT_FALSE(storedFlag(withPicture, "changedImage"));
    EXPECT_FALSE(storedFlag(exists, "changedImage"));
    EXPECT_TRUE(storedFlag(refused, "changedImage"));
    EXPECT_FALSE(storedFlag(none, "changedImage"));
    EXPECT_TRUE(log.contains("Image already exists for this recipe \"Exists\", won't upload image"));
    EXPECT_EQ(uploader->pendingCount(), 0);
}

TEST_F(UploaderTest, WithoutServiceNothingIsFetchedOrLogged)
{
    QLMKitchoraCloudAgent unconfigured { QUrl() };
    RecipeBackgroundUploader quiet(coordinator.get(), model.get(), unconfigured);
    saved("Rated", library, { { "onlineID", 21 }, { "changedRating", true } });
    Log::Capture log;
    quiet.checkForRecipeToUpload();
    clock.advance(0);
    EXPECT_TRUE(log.lines().isEmpty());
    EXPECT_TRUE(stub.requests().isEmpty());
}

TEST_F(UploaderTest, TicksEveryFiveSecondsUntilToldToStop)
{
    bool exit = false;
    RecipeBackgroundUploader ticking(coordinator.get(), model.get(), *agent, [&] { return exit; });
    saved("Rated", library, { { "onlineID", 21 }, { "changedRating", true } });
    stub.route("POST", "/recipes/21/rate.xml", WebServiceStub::Reply::plist(QVariantMap {}));
    ticking.start();
    clock.advance(4.9);
    EXPECT_TRUE(stub.requests().isEmpty());
    clock.advance(0.2);
    ASSERT_TRUE(waitUntil([&] { return stub.requests().size() == 1; }));
    exit = true;
    clock.advance(10);
    ASSERT_TRUE(waitUntil([&] {
        clock.advance(0);
        return ticking.pendingCount() == 0;
    }));
    EXPECT_EQ(stub.requests().size(), 1);
}
