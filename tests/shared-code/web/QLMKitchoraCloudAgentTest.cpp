#include "QLMKitchoraCloudAgent.h"

#include "AFNetworkingErrors.h"
#include "EventLoopWait.h"
#include "Log.h"
#include "ScratchUserDefaults.h"
#include "URIQuery.h"
#include "WebServiceStub.h"

#include <QCryptographicHash>
#include <gtest/gtest.h>

namespace
{

const QString kKey = QStringLiteral("KEY-0001");

class CloudAgentTest : public ::testing::Test
{
protected:
    CloudAgentTest()
    {
        defaults.defaults().setObject(kKey, KitchoraCloudRegkey);
        QLMKitchoraCloudAgent::setUsernameProvider([] { return QStringLiteral("ann"); });
    }
    ~CloudAgentTest() override { QLMKitchoraCloudAgent::setUsernameProvider(nullptr); }
    void TearDown() override { stub.settle(); }

    // Runs until exactly one block came; returns what it got.
    struct Outcome {
        int successes = 0;
        int failures = 0;
        QVariant reply;
        Error error;
    };
    QLMKitchoraCloudAgent::Success succeed(Outcome& outcome)
    {
        return [&outcome](const QVariant& reply) {
            ++outcome.successes;
            outcome.reply = reply;
        };
    }
    QLMKitchoraCloudAgent::Failure fail(Outcome& outcome)
    {
        return [&outcome](const Error& error) {
            ++outcome.failures;
            outcome.error = error;
        };
    }
    static bool waitFor(const Outcome& outcome)
    {
        return waitUntil([&] { return outcome.successes + outcome.failures > 0; });
    }
    static QVariantMap form(const QByteArray& body)
    {
        return URIQuery::queryDictionaryUsingEncoding(QString::fromUtf8(body));
    }

    ScratchUserDefaults defaults;
    WebServiceStub stub;
    QLMKitchoraCloudAgent agent { stub.baseURL() };
};

// Made when asked, not at start-up, so it does not depend on the order statics are made in.
QString requestID()
{
    return QLMKitchoraCloudAgent::hashedRequestIDForUsername("ann", kKey);
}

} // namespace

TEST(CloudAgentRequestID, DigestsEveryUTF8ByteOfKeyNameAndSalt)
{
    // MD5 of "KEY-0001annbrinypike" and of the same with a non-ASCII name, computed independently.
    EXPECT_EQ(QLMKitchoraCloudAgent::hashedRequestIDForUsername("ann", "KEY-0001"),
        QString::fromLatin1(
            QCryptographicHash::hash("KEY-0001annbrinypike", QCryptographicHash::Md5).toBase64()));
    const QString name = QString::fromUtf8("Ren\xC3\xA9\xE5\x90\x8D");
    const QString id = QLMKitchoraCloudAgent::hashedRequestIDForUsername(name, "k");
    EXPECT_EQ(id,
        QString::fromLatin1(
            QCryptographicHash::hash(QByteArray("k") + name.toUtf8() + "brinypike", QCryptographicHash::Md5)
                .toBase64()));
    EXPECT_EQ(id.size(), 24);
    EXPECT_TRUE(id.endsWith("=="));
}

TEST(CloudAgentConfiguration, BaseAddressComesFromTheUserDefault)
{
    ScratchUserDefaults defaults;
    struct Case {
        const char* value;
        const char* expected;
    };
    const QList<Case> cases {
        { "", "" },
        { "ftp://service.example/", "" },
        { "not an address", "" },
        { "http://service.example", "http://service.example/" },
        { "https://service.example/api/", "https://service.example/api/" },
    };
    for (const Case& c : cases) {
        defaults.defaults().setObject(QString::fromUtf8(c.value), KitchoraCloudExpectedBaseURL);
        EXPECT_EQ(QLMKitchoraCloudAgent::configuredBaseURL().toString(), QString::fromUtf8(c.expected))
            << c.value;
    }
}

TEST(CloudAgentConfiguration, WithoutServiceEveryRequestFailsAtOnceAndNothingIsSent)
{
    ScratchUserDefaults defaults;
    WebServiceStub stub;
    QLMKitchoraCloudAgent agent { QUrl() };
    EXPECT_FALSE(agent.isConfigured());
    int failures = 0;
    Error error;
    agent.searchForTerms({ "egg" }, 1, nullptr, [&](const Error& e) {
        ++failures;
        error = e;
    });
    agent.imageForRecipeID(17, nullptr, [&](const Error&) { ++failures; });
    agent.uploadImageData("x", 0, 17, nullptr, [&](AFHTTPRequestOperation*, const Error&) { ++failures; });
    ASSERT_TRUE(waitUntil([&] { return failures == 3; }));
    EXPECT_EQ(error.code, QLMKitchoraCloudAgent::NotConfiguredError);
    EXPECT_EQ(error.localizedDescription, "No web recipe service is configured.");
    EXPECT_TRUE(stub.requests().isEmpty());
}

TEST_F(CloudAgentTest, SearchSendsThreePairsWithOnlyTheJoiningCommasBare)
{
    stub.route(
        "GET", "/search.xml", WebServiceStub::Reply::plist(QVariantList { QVariantMap { { "id", 5 } } }));
    Outcome outcome;
    agent.searchForTerms({ "egg", "milk" }, 2, succeed(outcome), fail(outcome));
    ASSERT_TRUE(waitFor(outcome));
    EXPECT_EQ(outcome.successes, 1);
    EXPECT_EQ(outcome.reply.toList().size(), 1);
    ASSERT_EQ(stub.requests().size(), 1);
    EXPECT_EQ(
        stub.requests().at(0).target, QByteArray("/search.xml?page=2&user[username]=ann&query=egg,milk"));

    Outcome escaped;
    agent.searchForTerms({ "salt & pepper", "1,5 kg" }, 1, succeed(escaped), fail(escaped));
    ASSERT_TRUE(waitFor(escaped));
    EXPECT_TRUE(stub.requests().at(1).target.endsWith("&query=salt%20%26%20pepper,1%2C5%20kg"))
        << stub.requests().at(1).target.constData();
}

TEST_F(CloudAgentTest, ReadOperationsUseTheirPaths)
{
    stub.route("GET", "/recipes/17.xml", WebServiceStub::Reply::plist(QVariantMap { { "name", "Soup" } }));
    stub.route("GET", "/recipes.xml", WebServiceStub::Reply::plist(QVariantList {}));
    stub.route("GET", "/recipes/17/image", WebServiceStub::Reply::text("JPEG", "image/jpeg"));
    stub.route("GET", "/recipes/17/permalink", WebServiceStub::Reply::text("http://x/17", "text/plain"));
    stub.route(
        "GET", "/users/KEY-0001.xml", WebServiceStub::Reply::plist(QVariantMap { { "username", "ann" } }));

    Outcome one, many, image, permalink, user;
    agent.recipeForRecipeID(17, succeed(one), fail(one));
    agent.recipesForRecipeIDs({ 1, 2, 3 }, succeed(many), fail(many));
    agent.imageForRecipeID(17, succeed(image), fail(image), true);
    agent.permalinkForRecipeID(17, succeed(permalink), fail(permalink));
    agent.usernameForCurrentRegkey(succeed(user), fail(user));
    for (const Outcome* outcome : { &one, &many, &image, &permalink, &user })
        ASSERT_TRUE(waitFor(*outcome));
    EXPECT_EQ(one.reply.toMap().value("name"), "Soup");
    EXPECT_EQ(image.reply.toByteArray(), QByteArray("JPEG"));
    EXPECT_EQ(permalink.reply.toByteArray(), QByteArray("http://x/17"));
    EXPECT_EQ(user.reply.toMap().value("username"), "ann");
    EXPECT_EQ(many.successes, 1);

    QList<QByteArray> targets;
    for (const auto& request : stub.requests())
        targets.append(request.target);
    EXPECT_TRUE(targets.contains("/recipes.xml?ids=1,2,3"));
    // The picture fetch carries none of the client's default headers.
    for (const auto& request : stub.requests()) {
        if (request.target == "/recipes/17/image") {
            EXPECT_TRUE(request.header("User-Agent").isEmpty()
                || !request.header("User-Agent").endsWith("(unknown)"));
        }
        if (request.target == "/recipes/17.xml") {
            EXPECT_TRUE(request.header("User-Agent").endsWith("(unknown)"));
            EXPECT_TRUE(request.body.isEmpty());
        }
    }
}

TEST_F(CloudAgentTest, WritesCarryTheRequestIdentifierAndTheirFields)
{
    stub.route("POST", "/recipes.xml", WebServiceStub::Reply::plist(QVariantMap { { "id", 99 } }));
    stub.route("PUT", "/recipes/17.xml", WebServiceStub::Reply::plist(QVariantMap {}));
    stub.route("POST", "/recipes/17/rate.xml", WebServiceStub::Reply::plist(QVariantMap {}));
    stub.route("POST", "/users.xml", WebServiceStub::Reply::plist(QVariantMap {}));
    stub.route("PUT", "/users/KEY-0001.xml", WebServiceStub::Reply::plist(QVariantMap {}));

    Outcome upload, flag, rating, create, rename;
    agent.uploadRecipePlist({ { "vrcText", "\n  BEGIN card \n\n" }, { "name", "not sent" } }, true,
        succeed(upload), fail(upload));
    ASSERT_TRUE(waitFor(upload));
    agent.setSearchFlag(false, 17, succeed(flag), fail(flag));
    ASSERT_TRUE(waitFor(flag));
    agent.setRating(4, 17, succeed(rating), fail(rating));
    ASSERT_TRUE(waitFor(rating));
    agent.createUsername("bob", "K2", succeed(create), fail(create));
    ASSERT_TRUE(waitFor(create));
    agent.changeUsername("old", "new", kKey, succeed(rename), fail(rename));
    ASSERT_TRUE(waitFor(rename));
    EXPECT_EQ(upload.reply.toMap().value("id").toInt(), 99);

    const auto& requests = stub.requests();
    ASSERT_EQ(requests.size(), 5);
    EXPECT_EQ(requests.at(0).header("Content-Type"),
        QByteArray("application/x-www-form-urlencoded; charset=utf-8"));
    EXPECT_EQ(requests.at(0).body,
        "recipe[searchFlag]=1&recipe[vrcText]=BEGIN%20card&user[regkey]=KEY-0001&user[requestID]="
            + QUrl::toPercentEncoding(requestID(), QByteArray(), "~") + "&user[username]=ann");
    EXPECT_EQ(requests.at(1).method, QByteArray("PUT"));
    EXPECT_EQ(form(requests.at(1).body).value("recipe[searchFlag]"), "0");
    EXPECT_EQ(form(requests.at(1).body).value("user[requestID]"), requestID());
    EXPECT_EQ(requests.at(2).target, QByteArray("/recipes/17/rate.xml"));
    EXPECT_EQ(form(requests.at(2).body).value("recipe[searchFlag]"), "4");
    EXPECT_EQ(form(requests.at(3).body),
        (QVariantMap { { "user[username]", "bob" }, { "user[regkey]", "K2" },
            { "user[requestID]", QLMKitchoraCloudAgent::hashedRequestIDForUsername("bob", "K2") } }));
    // The rename's identifier is made from the old name and is kept as given.
    EXPECT_EQ(form(requests.at(4).body),
        (QVariantMap { { "user[currentUsername]", "old" }, { "user[newUsername]", "new" },
            { "user[requestID]", QLMKitchoraCloudAgent::hashedRequestIDForUsername("old", kKey) } }));
}

TEST_F(CloudAgentTest, RequestIdentifierOnlyForWritesWithBothUserKeys)
{
    stub.route("POST", "/p", WebServiceStub::Reply::plist(QVariantMap {}));
    stub.route("GET", "/g", WebServiceStub::Reply::plist(QVariantMap {}));
    Outcome post, get;
    agent.standardPostPath("p", { { "user[username]", "ann" } }, succeed(post), fail(post));
    ASSERT_TRUE(waitFor(post));
    agent.standardGetPath(
        "g", { { "user[username]", "ann" }, { "user[regkey]", kKey } }, succeed(get), fail(get));
    ASSERT_TRUE(waitFor(get));
    EXPECT_FALSE(form(stub.requests().at(0).body).contains("user[requestID]"));
    EXPECT_FALSE(stub.requests().at(1).target.contains("requestID"));
}

TEST_F(CloudAgentTest, PictureUploadIsOneMultipartPostNeverRetried)
{
    stub.route(
        "POST", "/recipes/17/image.xml", WebServiceStub::Reply::text("Image exists", "text/plain", 422));
    int failures = 0;
    QString replyText;
    agent.uploadImageData(QByteArray("\xFF\xD8", 2), QLMKitchoraCloudAgent::JPEG2000Image, 17, nullptr,
        [&](AFHTTPRequestOperation* operation, const Error&) {
            ++failures;
            replyText = operation->responseString();
        });
    ASSERT_TRUE(waitUntil([&] { return failures == 1; }));
    EXPECT_EQ(replyText, "Image exists");
    ASSERT_EQ(stub.requests().size(), 1);
    const QByteArray body = stub.requests().at(0).body;
    EXPECT_TRUE(
        body.contains("Content-Disposition: form-data; name=\"recipe[image]\"; filename=\"image.jp2\"\r\n"
                      "Content-Type: image/jp2\r\n\r\n\xFF\xD8"));
    EXPECT_TRUE(body.contains("name=\"user[requestID]\"\r\n\r\n" + requestID().toLatin1()));
}

TEST_F(CloudAgentTest, ReadsAreTriedThreeTimes)
{
    stub.route("GET", "/recipes/1.xml", WebServiceStub::Reply::plist(QVariantMap { { "name", "ok" } }));
    stub.failNext(2, WebServiceStub::Reply::text({}, "text/plain", 500));
    Log::Capture log;
    Outcome outcome;
    agent.recipeForRecipeID(1, succeed(outcome), fail(outcome));
    ASSERT_TRUE(waitFor(outcome));
    EXPECT_EQ(outcome.successes, 1);
    EXPECT_EQ(outcome.failures, 0);
    ASSERT_EQ(log.lines().size(), 2);
    EXPECT_TRUE(log.lines().at(0).startsWith("Retry counter #3, "));
    EXPECT_TRUE(log.lines().at(1).startsWith("Retry counter #2, "));

    int general = 0;
    agent.setGeneralFailureHandler([&](const Error&) { ++general; });
    stub.failNext(3, WebServiceStub::Reply::text({}, "text/plain", 503));
    Outcome failed;
    agent.recipeForRecipeID(1, succeed(failed), fail(failed));
    ASSERT_TRUE(waitFor(failed));
    EXPECT_EQ(failed.failures, 1);
    EXPECT_TRUE(failed.error.localizedDescription.contains("got 503"));
    EXPECT_EQ(general, 1);
    EXPECT_EQ(stub.requests().size(), 6);
}

TEST_F(CloudAgentTest, APostThatReachedTheServiceIsNotSentAgain)
{
    stub.failNext(1, WebServiceStub::Reply::text({}, "text/plain", 500));
    stub.route("POST", "/recipes.xml", WebServiceStub::Reply::plist(QVariantMap { { "id", 1 } }));
    Outcome outcome;
    agent.uploadRecipePlist({ { "vrcText", "card" } }, true, succeed(outcome), fail(outcome));
    ASSERT_TRUE(waitFor(outcome));
    EXPECT_EQ(outcome.failures, 1);
    EXPECT_EQ(stub.requests().size(), 1);
}

TEST_F(CloudAgentTest, APostThatFoundNoServiceIsTriedAgain)
{
    // Nothing listens on this port any more: the connection is refused.
    QUrl closed;
    {
        WebServiceStub gone;
        closed = gone.baseURL();
    }
    QLMKitchoraCloudAgent offline { closed };
    Outcome outcome;
    Log::Capture log;
    offline.createUsername("ann", kKey, succeed(outcome), fail(outcome));
    ASSERT_TRUE(waitFor(outcome));
    EXPECT_EQ(outcome.failures, 1);
    EXPECT_EQ(outcome.error.code, AFNetworkingErrors::CannotConnectToHost);
    EXPECT_EQ(log.lines().size(), 3);
}

TEST_F(CloudAgentTest, AnUnknownMethodCodeFailsWithoutSending)
{
    Outcome outcome;
    agent.standardCommunicationOfType(7, "x", {}, succeed(outcome), fail(outcome), 3, {});
    ASSERT_TRUE(waitFor(outcome));
    EXPECT_EQ(outcome.error.code, QLMKitchoraCloudAgent::BadRequestMethodError);
    EXPECT_TRUE(stub.requests().isEmpty());
}

TEST_F(CloudAgentTest, TheAccountKeyNeverReachesTheLog)
{
    stub.failNext(3, WebServiceStub::Reply::text({}, "text/plain", 500));
    Log::Capture log;
    Outcome outcome;
    agent.usernameForCurrentRegkey(succeed(outcome), fail(outcome));
    ASSERT_TRUE(waitFor(outcome));
    ASSERT_EQ(log.lines().size(), 3);
    EXPECT_FALSE(outcome.error.userInfo.value(NSURLErrorFailingURLErrorKey).toString().contains(kKey));
    for (const QString& line : log.lines()) {
        EXPECT_FALSE(line.contains(kKey)) << qPrintable(line);
        EXPECT_FALSE(line.contains(requestID())) << qPrintable(line);
    }
}

TEST_F(CloudAgentTest, PictureAddressJoinsSegmentsWithSingleSlashes)
{
    stub.route("GET", "/recipes/17/image", WebServiceStub::Reply::text("J", "image/jpeg"));
    Outcome outcome;
    agent.imageForRecipeID(17, succeed(outcome), fail(outcome));
    ASSERT_TRUE(waitFor(outcome));
    EXPECT_EQ(stub.requests().at(0).target, QByteArray("/recipes/17/image"));
}
