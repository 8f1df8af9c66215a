#pragma once

#include <QJsonValue>
#include <QVariant>

// Attribute values as JSON: text, numbers and booleans as themselves, dates as ISO 8601 text in
// UTC, data as Base64 text, arrays and dictionaries nested, the null value as null.
namespace AttributesJson
{

QJsonValue jsonValue(const QVariant& value);

} // namespace AttributesJson
