#include "MailComposer.h"

#include <QUrlQuery>
#include <gtest/gtest.h>

TEST(MailComposerTest, TextsStayWholeInTheMailtoAddress)
{
    const QString subject = QStringLiteral("Grocery List from Kitchora");
    const QString body
        = QStringLiteral("Tom & Jerry #1\n3\t\t\tcrème fraîche, 100%\n?body=evil \\n C:\\temp ü");
    const QUrl url = MailComposer::mailtoURL(subject, body);
    ASSERT_TRUE(url.isValid());
    EXPECT_EQ(url.scheme(), "mailto");
    EXPECT_TRUE(url.path().isEmpty()) << "no recipient";
    const QByteArray encoded = url.toEncoded();
    EXPECT_TRUE(encoded.startsWith(
        "mailto:?subject=Grocery%20List%20from%20Kitchora&body=Tom%20%26%20Jerry%20%231%0A"))
        << encoded.constData();
    // Exactly the two fields, each decoded back to its text.
    const QUrlQuery query(url);
    ASSERT_EQ(query.queryItems().size(), 2);
    EXPECT_EQ(query.queryItemValue("subject", QUrl::FullyDecoded), subject);
    EXPECT_EQ(query.queryItemValue("body", QUrl::FullyDecoded), body);
}
