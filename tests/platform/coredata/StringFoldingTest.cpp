#include "StringFolding.h"

#include <gtest/gtest.h>

namespace {

struct FoldCase {
    const char16_t* text;
    bool caseInsensitive;
    bool diacriticInsensitive;
    const char16_t* expected;
};

TEST(StringFoldingTest, FoldsCaseAndMarksAsAsked)
{
    const FoldCase cases[] = {
        {u"Crème BRÛLÉE", false, false, u"Crème BRÛLÉE"},
        {u"Crème BRÛLÉE", true, false, u"crème brûlée"},
        {u"Crème BRÛLÉE", false, true, u"Creme BRULEE"},
        {u"Crème BRÛLÉE", true, true, u"creme brulee"},
        {u"Cre\u0300me", true, false, u"crème"}, // decomposed input gives the composed form
        {u"ΣΊΣΥΦΟΣ", true, true, u"σισυφοσ"},
        {u"ς", true, false, u"σ"},
        {u"Ñandú", true, true, u"nandu"},
        {u"a\u20DD", false, true, u"a"}, // enclosing mark
        {u"한국어", true, true, u"한국어"}, // Hangul decomposes to letters, not marks: recomposed
        {u"\U0001D400x", true, true, u"\U0001D400x"},
        {u"ABC", true, false, u"abc"},
        {u"", true, true, u""},
    };
    for (const FoldCase& c : cases) {
        const QString text = QString::fromUtf16(c.text);
        EXPECT_EQ(StringFolding::fold(text, c.caseInsensitive, c.diacriticInsensitive), QString::fromUtf16(c.expected))
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
