#pragma once

#include <QString>

namespace RegexAdditions
{

// The text with "[" and "]" escaped by a backslash; nothing else is escaped.
QString escapedRegexString(const QString& text);
// The text made literal as the replacement of a substitution: "$" doubled, then "\" doubled.
QString escapedReferenceString(const QString& text);

} // namespace RegexAdditions
