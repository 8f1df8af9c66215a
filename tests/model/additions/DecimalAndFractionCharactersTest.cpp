#include "DecimalAndFractionCharacters.h"

#include <gtest/gtest.h>

TEST(DecimalAndFractionCharacters, DigitsAndFractionsOnly)
{
    const auto& set = DecimalAndFractionCharacters::decimalDigitAndFractionCharacterSet();
    EXPECT_EQ(&set, &DecimalAndFractionCharacters::decimalDigitAndFractionCharacterSet());
    for (char16_t c = u'0'; c <= u'9'; ++c)
        EXPECT_TRUE(set.characterIsMember(QChar(c))) << char(c);
    for (char16_t c : { u'\u00BC', u'\u00BD', u'\u00BE' })
        EXPECT_TRUE(set.characterIsMember(QChar(c))) << int(c);
    for (char16_t c = u'\u2153'; c <= u'\u215E'; ++c)
        EXPECT_TRUE(set.characterIsMember(QChar(c))) << int(c);
    EXPECT_TRUE(set.characterIsMember(QChar(u'\u0663'))); // Arabic-Indic three: a decimal digit too
    for (char16_t c : { u'/', u'.', u',', u'-', u' ', u'a', u'\u2152', u'\u215F', u'\u00B9' })
        EXPECT_FALSE(set.characterIsMember(QChar(c))) << int(c);
}
