#include "ClassMethodAdditions.h"

#include <gtest/gtest.h>
#include <type_traits>

using ClassMethodAdditions::attributedStringWithString;

TEST(ClassMethodAdditions, AttributedStringOfTheClassAskedFor)
{
    static_assert(std::is_same_v<decltype(attributedStringWithString(QString())), AttributedString>);
    static_assert(std::is_same_v<decltype(attributedStringWithString<MutableAttributedString>(QString())),
        MutableAttributedString>);

    MutableAttributedString mutableString
        = attributedStringWithString<MutableAttributedString>("2 cups flour");
    mutableString.appendAttributedString(AttributedString(", sifted"));
    EXPECT_EQ(mutableString.string(), "2 cups flour, sifted");

    const QVariantMap attributes = { { "RVValueAttribute", "baseIngredient.name" } };
    const AttributedString plain = attributedStringWithString("flour", attributes);
    Range range;
    EXPECT_EQ(plain.attributesAtIndex(0, &range), attributes);
    EXPECT_EQ(range.length, plain.length());
    EXPECT_TRUE(attributedStringWithString("").string().isEmpty());
}

TEST(ClassMethodAdditions, DescriptorSortsByTheKeyInTheDirectionAsked)
{
    const SortDescriptor ascending = ClassMethodAdditions::descriptorWithKey("index", true);
    EXPECT_EQ(ascending, SortDescriptor("index", true, SortDescriptor::Selector::Compare));
    EXPECT_EQ(ClassMethodAdditions::descriptorWithKey("name", false).ascending(), false);

    const QVariantList items
        = { QVariantMap { { "index", 3 } }, QVariantMap { { "index", 1 } }, QVariantMap { { "index", 2 } } };
    const QVariantList sorted = SortDescriptor::sortedArrayUsingDescriptors(items, { ascending });
    ASSERT_EQ(sorted.size(), 3);
    EXPECT_EQ(sorted[0].toMap().value("index"), 1);
    EXPECT_EQ(sorted[2].toMap().value("index"), 3);
}
