#pragma once

#include "AttributedString.h"

#include <QString>
#include <QVariantMap>

// Factories that answer an instance of the class asked for:
// attributedStringWithString<MutableAttributedString>(text) gives a mutable string.
namespace ClassMethodAdditions {

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

} // namespace ClassMethodAdditions
