#pragma once

#include <QString>
#include <QVariantMap>
#include <optional>

// Query strings of the web recipe service, escaped by RFC 2396.
namespace URIQuery
{

// Percent-escapes in UTF-8 every character RFC 2396 does not allow in a URL ("%", "#", space,
// brackets, non-ASCII...), except those in `butNot`, and also those in `butAlso`.
QString encodePercentEscapesPerRFC2396ButNot(
    const QString& string, const QString& butNot, const QString& butAlso);
QString encodePercentEscapesPerRFC2396(const QString& string);
// Undoes all escapes first, then escapes as above.
QString encodePercentEscapesStrictlyPerRFC2396(const QString& string);
QString decodeAllPercentEscapes(const QString& string);
// Pieces split at "&" and ";", each with exactly one "=", unescaped; a later key wins.
QVariantMap queryDictionaryUsingEncoding(const QString& string);

// "key=value" pairs joined by "&" in key order: values escaped with "+", "=" and ";" as well,
// keys the same way but keeping "[" and "]". Nothing when a value has no text form.
std::optional<QString> stringWithQueryDictionary(const QVariantMap& dictionary);

} // namespace URIQuery
