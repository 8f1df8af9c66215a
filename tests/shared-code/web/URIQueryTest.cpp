#include "URIQuery.h"

#include <gtest/gtest.h>

TEST(URIQuery, EscapesByRFC2396)
{
    struct Case {
        const char* name;
        QString input;
        QString butNot;
        QString butAlso;
        QString expected;
    };
    const QList<Case> cases {
        { "reserved kept", "a&b/c?d:e@f$g,h", "", "", "a&b/c?d:e@f$g,h" },
        { "plus, equals, semicolon asked for", "a+b=c;d", "", "+=;", "a%2Bb%3Dc%3Bd" },
        { "not allowed", "a b%c#d[e]\"", "", "", "a%20b%25c%23d%5Be%5D%22" },
        { "brackets kept when asked", "user[name]", "[]", "", "user[name]" },
        { "UTF-8", QString::fromUtf8("cr\xC3\xA8me"), "", "", "cr%C3%A8me" },
    };
    for (const Case& c : cases)
        EXPECT_EQ(URIQuery::encodePercentEscapesPerRFC2396ButNot(c.input, c.butNot, c.butAlso), c.expected)
            << c.name;
}

TEST(URIQuery, QueryDictionaryPairs)
{
    EXPECT_EQ(URIQuery::stringWithQueryDictionary({}), QString());
    EXPECT_EQ(URIQuery::stringWithQueryDictionary({ { "user[username]", "a b+c" }, { "page", 2 } }),
        QString("page=2&user[username]=a%20b%2Bc"));
    EXPECT_FALSE(URIQuery::stringWithQueryDictionary({ { "x", QVariantMap { { "a", 1 } } } }).has_value());
}

TEST(URIQuery, ReadsQueryStringsBack)
{
    const QVariantMap dictionary = URIQuery::queryDictionaryUsingEncoding("a=1&b=x%20y;c=2=3&a=4");
    EXPECT_EQ(dictionary, (QVariantMap { { "a", "4" }, { "b", "x y" } }));
    EXPECT_EQ(URIQuery::encodePercentEscapesStrictlyPerRFC2396("a%20b c"), "a%20b%20c");
}
