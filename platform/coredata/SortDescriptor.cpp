#include "SortDescriptor.h"

#include "Decimal.h"
#include "Expression.h"
#include "StringFolding.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace
{

int kindRank(const QVariant& value)
{
    if (Expression::isNullValue(value))
        return 0;
    if (Expression::isNumberValue(value))
        return 1;
    switch (value.metaType().id()) {
    case QMetaType::QString:
        return 2;
    case QMetaType::QDateTime:
        return 3;
    case QMetaType::QByteArray:
        return 4;
    default:
        return 5;
    }
}

bool isNotANumber(const QVariant& number)
{
    if (number.metaType() == QMetaType::fromType<Decimal>())
        return !number.value<Decimal>().isValid();
    return std::isnan(number.toDouble());
}

} // namespace

SortDescriptor::SortDescriptor(const QString& key, bool ascending, Selector selector)
    : m_key(key)
    , m_ascending(ascending)
    , m_selector(selector)
{
}

SortDescriptor SortDescriptor::sortDescriptorWithKey(const QString& key, bool ascending, Selector selector)
{
    return SortDescriptor(key, ascending, selector);
}

SortDescriptor SortDescriptor::reversedSortDescriptor() const
{
    return SortDescriptor(m_key, !m_ascending, m_selector);
}

int SortDescriptor::compareValues(const QVariant& a, const QVariant& b, Selector selector)
{
    const int rankA = kindRank(a);
    const int rankB = kindRank(b);
    if (rankA != rankB)
        return rankA < rankB ? -1 : 1;
    if (rankA == 0)
        return 0;
    const bool caseInsensitive = selector == Selector::CaseInsensitiveCompare;
    if (const std::optional<int> order = Expression::compareValues(a, b, caseInsensitive, false))
        return *order;
    // NaN among numbers sorts below every number; the rest have no order of their own.
    if (rankA == 1) {
        const bool nanA = isNotANumber(a);
        const bool nanB = isNotANumber(b);
        if (nanA != nanB)
            return nanA ? -1 : 1;
    }
    return 0;
}

int SortDescriptor::compareObject(const QVariant& a, const QVariant& b) const
{
    const int order = compareValues(
        Expression::valueForKeyPath(a, m_key), Expression::valueForKeyPath(b, m_key), m_selector);
    return m_ascending ? order : -order;
}

QVariantList SortDescriptor::sortedArrayUsingDescriptors(
    const QVariantList& objects, const QList<SortDescriptor>& descriptors)
{
    if (descriptors.isEmpty() || objects.size() < 2)
        return objects;
    // Read each key once per object rather than once per comparison.
    struct Row {
        qsizetype index;
        QVariantList keys;
    };
    std::vector<Row> rows;
    rows.reserve(objects.size());
    for (qsizetype i = 0; i < objects.size(); ++i) {
        Row row { i, {} };
        row.keys.reserve(descriptors.size());
        for (const SortDescriptor& descriptor : descriptors) {
            QVariant key = Expression::valueForKeyPath(objects.at(i), descriptor.key());
            // Fold once here rather than in every comparison.
            if (descriptor.selector() == Selector::CaseInsensitiveCompare
                && key.metaType().id() == QMetaType::QString && !key.toString().isNull())
                key = StringFolding::fold(key.toString(), true, false);
            row.keys << key;
        }
        rows.push_back(std::move(row));
    }
    std::stable_sort(rows.begin(), rows.end(), [&descriptors](const Row& x, const Row& y) {
        for (qsizetype k = 0; k < descriptors.size(); ++k) {
            const SortDescriptor& descriptor = descriptors.at(k);
            const int order = compareValues(x.keys.at(k), y.keys.at(k), Selector::Compare);
            if (order != 0)
                return descriptor.ascending() ? order < 0 : order > 0;
        }
        return false;
    });
    QVariantList sorted;
    sorted.reserve(objects.size());
    for (const Row& row : rows)
        sorted << objects.at(row.index);
    return sorted;
}
