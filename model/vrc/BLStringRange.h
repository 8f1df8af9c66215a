#pragma once

#include "AttributedString.h"
#include "Range.h"

#include <QString>
#include <QVariant>
#include <optional>

// The whole of a text: from 0 over its length.
Range BLStringRange(const QString& string);
Range BLStringRange(const AttributedString& string);

// For a value of unknown kind: the whole range of a string or attributed string inside it.
// Anything else is refused with a log line and no range.
std::optional<Range> BLStringRange(const QVariant& value);
