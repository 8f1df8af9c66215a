#pragma once

#include "Range.h"

#include <QChar>
#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>

// Finding the longest of a list of words in a text.
namespace ArraySearch
{

// The range of the longest element found in the text, case-insensitively, at a word start: an
// occurrence counts when it starts the text or follows a character that is not a letter; one
// that follows a letter is skipped and the search goes on after it. Ties in length go to the
// element that comes first in the list; empty elements never match. What follows a hit is not
// looked at. No hit: {Range::NotFound, 0} and *index Range::NotFound.
Range rangeOfElementsOfArray(const QString& text, const QStringList& elements, qsizetype* index = nullptr);

// What repeating rangeOfElementsOfArray gives when every hit is masked before the next search:
// its characters become `mark`, so it cannot be found again and the character after it starts a
// word. The hits in the order taken. Time grows with the text's length times the number of
// elements that occur at one place, not with the number of hits; a mark that is a letter or
// occurs in an element falls back to the plain loop.
QList<Range> successiveRangesOfElementsOfArray(const QString& text, const QStringList& elements, QChar mark);

// For each element, the positions at which it occurs in the text, ascending, compared
// case-insensitively one folded UTF-16 unit at a time (a surrogate pair folded as one code
// point), as QString's search compares; an empty element occurs nowhere.
QList<QList<qsizetype>> occurrencesOfElements(QStringView text, const QStringList& elements);

// The folded unit at `i`, as occurrencesOfElements compares it.
char16_t foldedUnit(QStringView text, qsizetype i);

} // namespace ArraySearch
