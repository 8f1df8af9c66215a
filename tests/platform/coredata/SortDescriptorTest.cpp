#include "SortDescriptor.h"

#include "Decimal.h"
#include "Expression.h"
#include "FakeObject.h"

#include <QDateTime>
#include <cmath>
#include <gtest/gtest.h>

namespace
{

QStringList names(const QVariantList& objects)
{
    QStringList result;
    for (const QVariant& o : objects)
        result << Expression::valueForKeyPath(o, "name").toString();
    return result;
}

QVariantMap item(const QString& name, const QVariant& rank = {}, const QVariant& group = {})
{
    return { { "name", name }, { "rank", rank }, { "group", QVariantMap { { "title", group } } } };
}

TEST(SortDescriptorTest, SortsByKeyPathWithNullsFirst)
{
    const QVariantList items
        = { item("d", 2.5), item("a"), item("c", 10), item("b", qint64(-1)), item("e", 2) };
    const SortDescriptor byRank("rank");
    EXPECT_EQ(names(SortDescriptor::sortedArrayUsingDescriptors(items, { byRank })),
        QStringList({ "a", "b", "e", "d", "c" }));
    EXPECT_EQ(names(SortDescriptor::sortedArrayUsingDescriptors(items, { byRank.reversedSortDescriptor() })),
        QStringList({ "c", "d", "e", "b", "a" }));
    EXPECT_LT(byRank.compareObject(items.at(1), items.at(0)), 0);
    EXPECT_GT(byRank.compareObject(items.at(2), items.at(0)), 0);
    EXPECT_EQ(SortDescriptor("rank", false).compareObject(items.at(1), items.at(0)), 1);
}

TEST(SortDescriptorTest, CaseInsensitiveAndTieBreaking)
{
    const QVariantList items = { item("banana", 1, "Y"), item("Apple", 2, "x"), item("apple", 3, "X"),
        item("Éclair", 4, "x"), item("cherry", 5, "Y") };
    EXPECT_EQ(names(SortDescriptor::sortedArrayUsingDescriptors(items, { SortDescriptor("name") })),
        QStringList({ "Apple", "apple", "banana", "cherry", "Éclair" }));
    const SortDescriptor folded("name", true, SortDescriptor::Selector::CaseInsensitiveCompare);
    EXPECT_EQ(folded.compareObject(items.at(1), items.at(2)), 0);
    EXPECT_EQ(names(SortDescriptor::sortedArrayUsingDescriptors(items, { folded })),
        QStringList({ "Apple", "apple", "banana", "cherry", "Éclair" }));
    // Group title case-insensitively, then name descending.
    const QList<SortDescriptor> twoKeys
        = { SortDescriptor("group.title", true, SortDescriptor::Selector::CaseInsensitiveCompare),
              SortDescriptor("name", false) };
    EXPECT_EQ(names(SortDescriptor::sortedArrayUsingDescriptors(items, twoKeys)),
        QStringList({ "Éclair", "apple", "Apple", "cherry", "banana" }));
}

TEST(SortDescriptorTest, MixedKindsOrderConsistently)
{
    const QVariantList items
        = { item("date", QDateTime(QDate(2020, 1, 1), QTime(0, 0), Qt::UTC)), item("text", "abc"),
              item("none"), item("number", 5), item("list", QVariantList { 1 }), item("nan", std::nan("")) };
    EXPECT_EQ(names(SortDescriptor::sortedArrayUsingDescriptors(items, { SortDescriptor("rank") })),
        QStringList({ "none", "nan", "number", "text", "date", "list" }));
}

TEST(SortDescriptorTest, SortsObjectsThroughKeyValueCoding)
{
    FakeGraph graph;
    FakeObject& soups = graph.make({ { "name", "Soups" } });
    FakeObject& breads = graph.make({ { "name", "Breads" } });
    const QVariantList recipes
        = { graph.make({ { "name", "Leek" }, { "category", soups.asVariant() } }).asVariant(),
              graph.make({ { "name", "Rye" }, { "category", breads.asVariant() } }).asVariant(),
              graph.make({ { "name", "Plain" } }).asVariant() };
    EXPECT_EQ(
        names(SortDescriptor::sortedArrayUsingDescriptors(recipes, { SortDescriptor("category.name") })),
        QStringList({ "Plain", "Rye", "Leek" }));
}

} // namespace

namespace
{

TEST(SortDescriptorTest, DecimalsSortAmongOtherNumbers)
{
    auto d = [](const char* text) { return QVariant::fromValue(Decimal::decimalNumberWithString(text)); };
    const QVariantList items = { item("a", d("2.5")), item("b", 2), item("c", d("0.25")), item("d", 3.0),
        item("e", QVariant::fromValue(Decimal::notANumber())) };
    EXPECT_EQ(names(SortDescriptor::sortedArrayUsingDescriptors(items, { SortDescriptor("rank") })),
        QStringList({ "e", "c", "b", "a", "d" }));
}

} // namespace
