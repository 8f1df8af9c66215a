#include "CloudAgentAccount.h"

#include "EventLoopWait.h"
#include "QLMKitchoraCloudAgent.h"
#include "ScratchUserDefaults.h"
#include "URIQuery.h"
#include "WebServiceStub.h"

#include <gtest/gtest.h>

// The preferences' account calls reach the service with this computer's account key, and each
// answers through exactly one of its blocks.
TEST(CloudAgentAccountTest, AccountCallsUseTheCurrentKeyAndAnswerOnce)
{
    ScratchUserDefaults defaults;
    defaults.defaults().setObject(QStringLiteral("KEY-0002"), KitchoraCloudRegkey);
    WebServiceStub stub;
    stub.route("POST", "/users.xml", WebServiceStub::Reply::plist(QVariantMap {}));
    stub.route("GET", "/users/KEY-0002.xml",
        WebServiceStub::Reply::plist(QVariantMap { { QStringLiteral("username"), QStringLiteral("bob") } }));
    stub.route("PUT", "/users/KEY-0002.xml", WebServiceStub::Reply::plist(QVariantMap {}));
    QLMKitchoraCloudAgent agent { stub.baseURL() };
    CloudAgentAccount account(&agent);

    int successes = 0;
    int failures = 0;
    QVariant reply;
    const auto succeed = [&](const QVariant& answer) {
        ++successes;
        reply = answer;
    };
    const auto fail = [&](const Error&) { ++failures; };

    account.createUsername(QStringLiteral("bob"), succeed, fail);
    ASSERT_TRUE(waitUntil([&] { return successes + failures == 1; }));
    ASSERT_EQ(stub.requests().size(), 1);
    const QVariantMap form
        = URIQuery::queryDictionaryUsingEncoding(QString::fromUtf8(stub.requests().at(0).body));
    EXPECT_EQ(form.value(QStringLiteral("user[username]")), QStringLiteral("bob"));
    EXPECT_EQ(form.value(QStringLiteral("user[regkey]")), QStringLiteral("KEY-0002"));

    account.usernameForCurrentRegkey(succeed, fail);
    ASSERT_TRUE(waitUntil([&] { return successes + failures == 2; }));
    EXPECT_EQ(successes, 2);
    EXPECT_EQ(reply.toMap().value(QStringLiteral("username")), QStringLiteral("bob"));

    QLMKitchoraCloudAgent::setUsernameProvider([] { return QStringLiteral("robert"); });
    account.changeToUsernameFromOldUsername(QStringLiteral("bob"), succeed, fail);
    ASSERT_TRUE(waitUntil([&] { return successes + failures == 3; }));
    QLMKitchoraCloudAgent::setUsernameProvider(nullptr);
    EXPECT_EQ(failures, 0);
    ASSERT_EQ(stub.requests().size(), 3);
    const QVariantMap rename
        = URIQuery::queryDictionaryUsingEncoding(QString::fromUtf8(stub.requests().at(2).body));
    EXPECT_EQ(rename.value(QStringLiteral("user[currentUsername]")), QStringLiteral("bob"));
    EXPECT_EQ(rename.value(QStringLiteral("user[newUsername]")), QStringLiteral("robert"));
    stub.settle();
}
