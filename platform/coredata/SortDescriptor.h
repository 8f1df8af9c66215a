#pragma once

#include <QList>
#include <QString>
#include <QVariant>
#include <QVariantList>

// Orders objects by the value at a key path. Nulls come first in ascending order; values of
// different kinds that cannot be compared are ordered by kind (numbers, strings, dates, data,
// others) so that sorting stays consistent.
class SortDescriptor
{
public:
    enum class Selector {
        Compare, // numbers numerically, strings by code point, dates by time
        CaseInsensitiveCompare // strings through StringFolding::fold with case folding
    };

    SortDescriptor(const QString& key, bool ascending = true, Selector selector = Selector::Compare);
    static SortDescriptor sortDescriptorWithKey(
        const QString& key, bool ascending = true, Selector selector = Selector::Compare);

    QString key() const { return m_key; }
    bool ascending() const { return m_ascending; }
    Selector selector() const { return m_selector; }
    SortDescriptor reversedSortDescriptor() const;

    // -1 when `a` comes first, 1 when `b` does, 0 when they tie.
    int compareObject(const QVariant& a, const QVariant& b) const;
    // The ascending order of two plain values under `selector`, as compareObject uses it.
    static int compareValues(const QVariant& a, const QVariant& b, Selector selector);

    // A stable sort by the descriptors in turn.
    static QVariantList sortedArrayUsingDescriptors(
        const QVariantList& objects, const QList<SortDescriptor>& descriptors);

    bool operator==(const SortDescriptor& other) const = default;

private:
    QString m_key;
    bool m_ascending = true;
    Selector m_selector = Selector::Compare;
};
