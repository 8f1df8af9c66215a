// The blog service client against a loopback stand-in of the service: sign-in, the blogs feed,
// new posts, and the failures the wizard tells apart.
#include "GDataServiceGoogle.h"

#include "EventLoopWait.h"
#include "WebServiceStub.h"

#include <QUrlQuery>
#include <QXmlStreamReader>
#include <gtest/gtest.h>
#include <optional>

namespace
{

const QByteArray feed = R"(<?xml version="1.0" encoding="UTF-8"?>
<feed xmlns="http://www.w3.org/2005/Atom">
  <title>Blogs of cook</title>
  <entry>
    <title type="text">Soup &amp; Bread</title>
    <link rel="alternate" href="http://soup.example/"/>
    <link rel="http://schemas.google.com/g/2005#post" href="/feeds/111/posts/default"/>
  </entry>
  <entry>
    <title>Cakes</title>
    <link rel="http://schemas.google.com/g/2005#post" href="http://elsewhere.example/feeds/222/posts/default"/>
  </entry>
</feed>)";

class GDataServiceGoogleTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        stub.route(
            "POST", "/accounts/ClientLogin", WebServiceStub::Reply::text("SID=s\nLSID=l\nAuth=tok123\n"));
        stub.route("GET", "/feeds/default/blogs", WebServiceStub::Reply::text(feed, "application/atom+xml"));
        service.setEndpoint(stub.baseURL());
        service.setUserCredentials(QStringLiteral("cook@gmail.com"), QStringLiteral("p&ss+wörd"));
    }
    void TearDown() override { stub.settle(); }

    // Runs a fetch to its answer.
    void fetch()
    {
        blogs.reset();
        failure.reset();
        service.fetchBlogs([this](const QList<BlogPostingService::Blog>& found) { blogs = found; },
            [this](const BlogPostingService::Failure& failed) { failure = failed; });
        ASSERT_TRUE(waitUntil([this] { return blogs || failure; }));
    }

    WebServiceStub stub;
    GDataServiceGoogle service;
    std::optional<QList<BlogPostingService::Blog>> blogs;
    std::optional<BlogPostingService::Failure> failure;
};

TEST_F(GDataServiceGoogleTest, SignsInThenReadsTheBlogsFeed)
{
    ASSERT_NO_FATAL_FAILURE(fetch());
    ASSERT_TRUE(blogs) << failure->description.toStdString();
    ASSERT_EQ(blogs->size(), 2);
    EXPECT_EQ(blogs->at(0).title, QStringLiteral("Soup & Bread"));
    EXPECT_EQ(
        blogs->at(0).postURL, stub.baseURL().resolved(QUrl(QStringLiteral("/feeds/111/posts/default"))));
    EXPECT_EQ(blogs->at(1).postURL, QUrl(QStringLiteral("http://elsewhere.example/feeds/222/posts/default")));

    ASSERT_EQ(stub.requests().size(), 2);
    const WebServiceStub::Request& login = stub.requests().at(0);
    const QUrlQuery form(QString::fromUtf8(login.body));
    EXPECT_EQ(
        form.queryItemValue(QStringLiteral("Email"), QUrl::FullyDecoded), QStringLiteral("cook@gmail.com"));
    EXPECT_EQ(form.queryItemValue(QStringLiteral("Passwd"), QUrl::FullyDecoded), QStringLiteral("p&ss+wörd"));
    EXPECT_EQ(form.queryItemValue(QStringLiteral("service")), QStringLiteral("blogger"));
    const WebServiceStub::Request& get = stub.requests().at(1);
    EXPECT_EQ(get.header("Authorization"), QByteArray("GoogleLogin auth=tok123"));

    // The token is kept for the same credentials, and dropped when they change.
    stub.clearRequests();
    ASSERT_NO_FATAL_FAILURE(fetch());
    ASSERT_EQ(stub.requests().size(), 1);
    EXPECT_EQ(stub.requests().at(0).path(), QByteArray("/feeds/default/blogs"));
    service.setUserCredentials(QStringLiteral("cook@gmail.com"), QStringLiteral("other"));
    stub.clearRequests();
    ASSERT_NO_FATAL_FAILURE(fetch());
    EXPECT_EQ(stub.requests().size(), 2);
}

TEST_F(GDataServiceGoogleTest, AnEndpointWithAPathKeepsIt)
{
    stub.route("POST", "/blogger/accounts/ClientLogin", WebServiceStub::Reply::text("Auth=t\n"));
    stub.route("GET", "/blogger/feeds/default/blogs", WebServiceStub::Reply::text(feed));
    service.setEndpoint(stub.baseURL().resolved(QUrl(QStringLiteral("/blogger/"))));
    ASSERT_NO_FATAL_FAILURE(fetch());
    EXPECT_TRUE(blogs);
}

struct FailureCase {
    const char* what;
    int loginStatus;
    QByteArray loginBody;
    QByteArray feedBody;
    const char* code;
    const char* descriptionPart;
};

TEST_F(GDataServiceGoogleTest, FailuresAreToldApart)
{
    const FailureCase cases[] = {
        { "refused sign-in", 403, "Error=BadAuthentication\n", feed, "BadAuthentication",
            "BadAuthentication" },
        { "other refusal", 403, "Error=CaptchaRequired\n", feed, "CaptchaRequired", "CaptchaRequired" },
        { "server error", 500, "", feed, "", "500" },
        { "no token", 200, "SID=x\n", feed, "", "token" },
        { "unreadable feed", 200, "Auth=t\n", "<html>not a feed", "", "could not be read" },
        { "not Atom", 200, "Auth=t\n", "<rss><channel/></rss>", "", "could not be read" },
    };
    for (const FailureCase& c : cases) {
        stub.route("POST", "/accounts/ClientLogin",
            WebServiceStub::Reply::text(c.loginBody, "text/plain", c.loginStatus));
        stub.route(
            "GET", "/feeds/default/blogs", WebServiceStub::Reply::text(c.feedBody, "application/atom+xml"));
        service.setUserCredentials(QString::fromLatin1(c.what), QStringLiteral("pw"));
        ASSERT_NO_FATAL_FAILURE(fetch());
        ASSERT_TRUE(failure) << c.what;
        EXPECT_EQ(failure->code, QString::fromLatin1(c.code)) << c.what;
        EXPECT_TRUE(failure->description.contains(QString::fromLatin1(c.descriptionPart)))
            << c.what << ": " << failure->description.toStdString();
    }
}

TEST_F(GDataServiceGoogleTest, NothingIsSentWithoutCredentialsOrAddress)
{
    service.setUserCredentials(QStringLiteral("cook"), QString());
    ASSERT_NO_FATAL_FAILURE(fetch());
    ASSERT_TRUE(failure);
    EXPECT_EQ(failure->code, QStringLiteral("empty username/password"));

    service.setUserCredentials(QStringLiteral("cook"), QStringLiteral("pw"));
    service.setEndpoint(QUrl());
    ASSERT_NO_FATAL_FAILURE(fetch());
    ASSERT_TRUE(failure);
    EXPECT_TRUE(failure->description.contains(QStringLiteral("No public blog service")));
    EXPECT_TRUE(stub.requests().isEmpty());
}

TEST_F(GDataServiceGoogleTest, APostIsAnAtomEntryOnTheBlogsPostLink)
{
    stub.route("POST", "/feeds/111/posts/default",
        WebServiceStub::Reply::text("<entry/>", "application/atom+xml", 201));
    const QUrl postURL = stub.baseURL().resolved(QUrl(QStringLiteral("/feeds/111/posts/default")));
    const QString content = QStringLiteral("<h2>Soup</h2><p>\"Hot\" & <b>good</b> $1 \\n</p>");
    bool done = false;
    std::optional<BlogPostingService::Failure> failed;
    service.insertEntry(
        { QStringLiteral("Onion <Soup>"), content, QStringLiteral("Kitchora") }, postURL,
        [&done] { done = true; }, [&failed](const BlogPostingService::Failure& f) { failed = f; });
    ASSERT_TRUE(waitUntil([&] { return done || failed; }));
    EXPECT_TRUE(done);
    const WebServiceStub::Request& post = stub.requests().last();
    EXPECT_EQ(post.path(), QByteArray("/feeds/111/posts/default"));
    EXPECT_EQ(post.header("Authorization"), QByteArray("GoogleLogin auth=tok123"));
    EXPECT_TRUE(post.header("Content-Type").startsWith("application/atom+xml"));

    QXmlStreamReader reader(post.body);
    QString title, body, author;
    while (!reader.atEnd()) {
        if (reader.readNext() != QXmlStreamReader::StartElement)
            continue;
        if (reader.name() == u"title")
            title = reader.readElementText();
        else if (reader.name() == u"content")
            body = reader.readElementText();
        else if (reader.name() == u"name")
            author = reader.readElementText();
    }
    EXPECT_FALSE(reader.hasError()) << reader.errorString().toStdString();
    EXPECT_EQ(title, QStringLiteral("Onion <Soup>"));
    EXPECT_EQ(body, content);
    EXPECT_EQ(author, QStringLiteral("Kitchora"));

    stub.route("POST", "/feeds/111/posts/default",
        WebServiceStub::Reply::text("Error=Forbidden", "text/plain", 403));
    done = false;
    service.insertEntry(
        { QStringLiteral("t"), content, QStringLiteral("Kitchora") }, postURL, [&done] { done = true; },
        [&failed](const BlogPostingService::Failure& f) { failed = f; });
    ASSERT_TRUE(waitUntil([&] { return done || failed; }));
    ASSERT_TRUE(failed);
    EXPECT_FALSE(done);
}

} // namespace
