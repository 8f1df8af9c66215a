#include "ClassMethodAdditions.h"

#include <gtest/gtest.h>
#include <type_traits>

using ClassMethodAdditions::attributedStringWithString;

TEST(ClassMethodAdditions, AttributedStringOfTheClassAskedFor)
{
    static_assert(std::is_same_v<decltype(attributedStringWithString(QString())), AttributedString>);
    static_assert(std::is_same_v<decltype(attributedStringWithString<MutableAttributedString>(QString())),
                                 MutableAttributedString>);

    MutableAttributedString mutableString = attributedStringWithString<MutableAttributedString>("2 cups flour");
    mutableString.appendAttributedString(AttributedString(", sifted"));
    EXPECT_EQ(mutableString.string(), "2 cups flour, sifted");

    const QVariantMap attributes = { { "RVValueAttribute", "baseIngredient.name" } };
    const AttributedString plain = attributedStringWithString("flour", attributes);
    Range range;
    EXPECT_EQ(plain.attributesAtIndex(0, &range), attributes);
    EXPECT_EQ(range.length, plain.length());
    EXPECT_TRUE(attributedStringWithString("").string().isEmpty());
}
