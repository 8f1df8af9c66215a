#pragma once

#include "Range.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>
#include <functional>

// Line handling shared by the card readers and by anything that counts or splits text by lines.
// A line ends after a line feed, a carriage return, a carriage return plus line feed, a next-line
// character (U+0085) or a Unicode line or paragraph separator; a last line may have no terminator.
namespace BLStringUtilities
{

using CharacterPredicate = std::function<bool(QChar)>;

// The number of lines; 0 for the empty string. A last line without terminator counts.
qsizetype lineCount(const QString& string);

// The lines in order, each with its terminator and trimmed of spaces and tabs at both ends (so
// only the indent goes, except on a last line without terminator). A blank line stays as its bare
// terminator; only a last line of nothing but spaces and tabs disappears.
QStringList lineArray(const QString& string);

// Where the lines of lineArray lie in string: each range starts after the indent and ends after
// the line's terminator (or before its trailing blanks on a last line without terminator).
QList<Range> lineArrayRanges(QStringView string);

// Every line range with its terminator, covering the whole string.
QList<Range> lineRanges(const QString& string);

// A copy in which every character the set holds is replaced by substitute; the string itself
// (shared, not copied) when none occurs.
QString stringWithSubstitute(
    const QString& string, const QString& substitute, const CharacterPredicate& forCharactersFromSet);

// Spaces and tabs: the tab and every Unicode space separator, no line breaks.
bool isWhitespace(QChar character);
// isWhitespace plus every line and paragraph break (U+000A to U+000D, U+0085, U+2028, U+2029).
bool isWhitespaceOrNewline(QChar character);

QString stringByTrimmingWhitespace(const QString& string);
QString stringByTrimmingWhitespaceAndNewlines(const QString& string);
// The same without copying; the view points into string.
QStringView viewByTrimmingWhitespaceAndNewlines(QStringView string);

} // namespace BLStringUtilities
