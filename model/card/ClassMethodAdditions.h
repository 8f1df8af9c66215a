#pragma once

#include "AttributedString.h"
#include "SortDescriptor.h"

#include <QString>
#include <QVariantMap>

// Short factories. The attributed-string ones answer an instance of the class asked for:
// attributedStringWithString<MutableAttributedString>(text) gives a mutable string.
namespace ClassMethodAdditions
{

template <typename StringClass = AttributedString>
StringClass attributedStringWithString(const QString& string)
{
    return StringClass(string);
}

template <typename StringClass = AttributedString>
StringClass attributedStringWithString(const QString& string, const QVariantMap& attributes)
{
    return StringClass(string, attributes);
}

// A plain descriptor comparing the key's values with compare.
SortDescriptor descriptorWithKey(const QString& key, bool ascending);

} // namespace ClassMethodAdditions
