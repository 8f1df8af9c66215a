#include "StringFolding.h"

#include <gtest/gtest.h>
#include <random>

namespace
{

struct FoldCase {
    const char16_t* text;
    bool caseInsensitive;
    bool diacriticInsensitive;
    const char16_t* expected;
};

TEST(StringFoldingTest, FoldsCaseAndMarksAsAsked)
{
    const FoldCase cases[] = {
        { u"Crème BRÛLÉE", false, false, u"Crème BRÛLÉE" },
        { u"Crème BRÛLÉE", true, false, u"crème brûlée" },
        { u"Crème BRÛLÉE", false, true, u"Creme BRULEE" },
        { u"Crème BRÛLÉE", true, true, u"creme brulee" },
        { u"Cre\u0300me", true, false, u"crème" }, // decomposed input gives the composed form
        { u"ΣΊΣΥΦΟΣ", true, true, u"σισυφοσ" },
        { u"ς", true, false, u"σ" },
        { u"Ñandú", true, true, u"nandu" },
        { u"a\u20DD", false, true, u"a" }, // enclosing mark
        { u"한국어", true, true, u"한국어" }, // Hangul decomposes to letters, not marks: recomposed
        { u"\U0001D400x", true, true, u"\U0001D400x" },
        { u"ABC", true, false, u"abc" },
        { u"", true, true, u"" },
    };
    for (const FoldCase& c : cases) {
        const QString text = QString::fromUtf16(c.text);
        EXPECT_EQ(StringFolding::fold(text, c.caseInsensitive, c.diacriticInsensitive),
            QString::fromUtf16(c.expected))
            << text.toStdString() << " c=" << c.caseInsensitive << " d=" << c.diacriticInsensitive;
    }
}

TEST(StringFoldingTest, ComparesByCodePointNotUtf16Unit)
{
    const QString highBmp = QString::fromUtf16(u"\uFF5E");
    const QString emoji = QString::fromUtf16(u"\U0001F600");
    EXPECT_LT(StringFolding::compareCodePoints(highBmp, emoji), 0);
    EXPECT_GT(StringFolding::compareCodePoints(emoji, highBmp), 0);
    EXPECT_LT(StringFolding::compareCodePoints(QStringLiteral("ab"), QStringLiteral("abc")), 0);
    EXPECT_EQ(StringFolding::compareCodePoints(QStringLiteral("abc"), QStringLiteral("abc")), 0);
    EXPECT_GT(StringFolding::compareCodePoints(QStringLiteral("b"), QStringLiteral("abc")), 0);
}

} // namespace

namespace
{

// Latin text takes a table; appending a CJK character (unchanged by folding) sends the same
// text through full normalization, which must agree.
TEST(StringFoldingTest, LatinShortcutAgreesWithFullNormalization)
{
    const QString cjk = QString::fromUtf16(u"\u4E00");
    std::mt19937 random(99);
    for (int round = 0; round < 3000; ++round) {
        QString text;
        const int length = 1 + int(random() % 6);
        for (int i = 0; i < length; ++i)
            text += QChar(char16_t(random() % 0x250));
        for (int flags = 1; flags < 4; ++flags) {
            const bool c = flags & 1;
            const bool d = flags & 2;
            ASSERT_EQ(StringFolding::fold(text, c, d) + cjk, StringFolding::fold(text + cjk, c, d))
                << text.toStdString() << " c=" << c << " d=" << d;
        }
    }
}

} // namespace
