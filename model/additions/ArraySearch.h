#pragma once

#include "Range.h"

#include <QString>
#include <QStringList>

// Finding the longest of a list of words in a text.
namespace ArraySearch
{

// The range of the longest element found in the text, case-insensitively, at a word start: an
// occurrence counts when it starts the text or follows a character that is not a letter; one
// that follows a letter is skipped and the search goes on after it. Ties in length go to the
// element that comes first in the list; empty elements never match. What follows a hit is not
// looked at. No hit: {Range::NotFound, 0} and *index Range::NotFound.
Range rangeOfElementsOfArray(const QString& text, const QStringList& elements, qsizetype* index = nullptr);

} // namespace ArraySearch
