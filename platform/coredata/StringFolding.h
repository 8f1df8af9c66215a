#pragma once

#include <QString>

// The one folding used for case- and diacritic-insensitive comparison, in memory and in SQL
// (the store registers it as an SQL function), so both sides always agree.
namespace StringFolding
{

// Canonical decomposition, then Unicode case folding when `caseInsensitive`, then removal of
// non-spacing and enclosing marks when `diacriticInsensitive`; the result is recomposed (NFC).
// With neither flag the text is returned unchanged.
QString fold(const QString& text, bool caseInsensitive, bool diacriticInsensitive);

// Orders by Unicode code point (as SQLite's BINARY collation orders UTF-8), not by UTF-16 unit.
int compareCodePoints(const QString& a, const QString& b);

} // namespace StringFolding
