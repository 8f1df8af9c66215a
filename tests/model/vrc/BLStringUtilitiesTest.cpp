#include "BLStringUtilities.h"

#include "BLStringRange.h"
#include "Log.h"

#include <gtest/gtest.h>

using namespace BLStringUtilities;

TEST(BLStringUtilities, LineArray)
{
    struct Case {
        QString text;
        QStringList lines;
    };
    const Case cases[] = {
        { QString(), {} },
        { QStringLiteral("one\n   two"), { QStringLiteral("one\n"), QStringLiteral("two") } },
        { QStringLiteral("one\n \t "), { QStringLiteral("one\n") } },
        { QStringLiteral("a\r\nb\rc\nd"),
            { QStringLiteral("a\r\n"), QStringLiteral("b\r"), QStringLiteral("c\n"), QStringLiteral("d") } },
        { QStringLiteral("a\n\n\t b\n"),
            { QStringLiteral("a\n"), QStringLiteral("\n"), QStringLiteral("b\n") } },
        { QStringLiteral("  x  \n  y  "), { QStringLiteral("x  \n"), QStringLiteral("y") } },
        { QStringLiteral("a\u2028b\u2029c\u0085d"),
            { QStringLiteral("a\u2028"), QStringLiteral("b\u2029"), QStringLiteral("c\u0085"),
                QStringLiteral("d") } },
        { QStringLiteral("\r\r"), { QStringLiteral("\r"), QStringLiteral("\r") } },
        // A last line that reads as a missing value goes like a blank one; with its break it stays.
        { QStringLiteral("a\n(null)"), { QStringLiteral("a\n") } },
        { QStringLiteral("(null)\n"), { QStringLiteral("(null)\n") } },
        { QStringLiteral("\u00A0no-break\u3000\n"), { QStringLiteral("no-break\u3000\n") } },
    };
    for (const Case& c : cases)
        EXPECT_EQ(lineArray(c.text), c.lines) << c.text.toStdString();
}

TEST(BLStringUtilities, LineArrayRangesPointAtEachKeptLine)
{
    const QString text = QStringLiteral("a\r\n  b\n\n\tc  ");
    const QList<Range> ranges = lineArrayRanges(text);
    EXPECT_EQ(ranges, (QList<Range> { { 0, 3 }, { 5, 2 }, { 7, 1 }, { 9, 1 } }));
    const QStringList lines = lineArray(text);
    ASSERT_EQ(lines.size(), ranges.size());
    for (qsizetype i = 0; i < lines.size(); ++i)
        EXPECT_EQ(text.mid(ranges[i].location, ranges[i].length), lines[i]) << i;
}

TEST(BLStringUtilities, LineCount)
{
    const std::pair<QString, qsizetype> cases[] = {
        { QString(), 0 },
        { QStringLiteral("one\ntwo"), 2 },
        { QStringLiteral("one\n"), 1 },
        { QStringLiteral("one\r\n"), 1 },
        { QStringLiteral("\n"), 1 },
        { QStringLiteral("a\r\rb"), 3 },
        { QStringLiteral("a\n   "), 2 },
    };
    for (const auto& [text, count] : cases)
        EXPECT_EQ(lineCount(text), count) << text.toStdString();
}

TEST(BLStringUtilities, StringWithSubstitute)
{
    const auto space = [](QChar c) { return isWhitespaceOrNewline(c); };
    EXPECT_EQ(stringWithSubstitute(QStringLiteral("red lentil\tsoup\n"), QStringLiteral("+"), space),
        QStringLiteral("red+lentil+soup+"));
    EXPECT_EQ(
        stringWithSubstitute(QStringLiteral("a b"), QStringLiteral("__"), space), QStringLiteral("a__b"));
    EXPECT_EQ(stringWithSubstitute(QStringLiteral("a b"), QString(), space), QStringLiteral("ab"));

    const QString untouched = QStringLiteral("lentils");
    const QString same = stringWithSubstitute(untouched, QStringLiteral("+"), space);
    EXPECT_EQ(same.constData(), untouched.constData());
}

TEST(BLStringRange, WholeTextOrNothing)
{
    EXPECT_EQ(BLStringRange(QStringLiteral("soup")), (Range { 0, 4 }));
    EXPECT_EQ(BLStringRange(AttributedString(QStringLiteral("stew"))), (Range { 0, 4 }));
    EXPECT_EQ(BLStringRange(QVariant(QStringLiteral("broth"))), (Range { 0, 5 }));
    EXPECT_EQ(BLStringRange(QVariant::fromValue(AttributedString(QStringLiteral("ab")))), (Range { 0, 2 }));

    Log::Capture capture;
    EXPECT_EQ(BLStringRange(QVariant(42)), std::nullopt);
    EXPECT_EQ(BLStringRange(QVariant()), std::nullopt);
    ASSERT_EQ(capture.lines().size(), 2);
    EXPECT_TRUE(capture.lines()[0].contains(QStringLiteral("is not of type NSAttributedString or NSString")));
}
