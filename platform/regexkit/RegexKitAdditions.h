#pragma once

#include "RKEnumerator.h"
#include "RKReference.h"
#include "RKRegex.h"
#include "Range.h"

#include <QString>
#include <QStringList>
#include <limits>

// The regular-expression operations on strings. Regex arguments accept a pattern string (compiled
// without options) or an RKRegex.
//
// Replacement (reference) strings: "$0".."$9" and "${n}" insert capture n, "${name}" the named
// capture; "$$" is a "$" and "\" escapes the next character ("\\" is a "\", "\$" a "$"). Text put
// in literally is escaped first (RegexAdditions::escapedReferenceString). A capture that took no
// part inserts nothing. A replacement string that names a capture the regex lacks changes nothing
// and is logged.
namespace RegexKitAdditions
{

// The replace count that means every match.
inline constexpr qsizetype RKReplaceAll = std::numeric_limits<qsizetype>::max();

// The range of the first match; location Range::NotFound and length 0 when there is none.
Range rangeOfRegex(const QString& string, const RKRegex& regex);
bool isMatchedByRegex(const QString& string, const RKRegex& regex);

// For the first match within `range` of the string (the range is matched as a string of its
// own, so "^" matches at its start), fills the references. False, with nothing filled, when
// there is no match or a reference is bad (see RKEnumerator::getCapturesWithReferences).
bool getCapturesWithRegex(
    const QString& string, const RKRegex& regex, Range range, const RKReferences& references);
// The same over the whole string.
bool getCapturesWithRegexAndReferences(
    const QString& string, const RKRegex& regex, const RKReferences& references);

RKEnumerator matchEnumeratorWithRegex(const QString& string, const RKRegex& regex);

// Replaces at most `count` matches of the string in place, from the start, each by the
// replacement string with its references filled in; returns how many were replaced.
qsizetype matchReplaceWithString(
    QString& string, const RKRegex& regex, qsizetype count, const QString& replacement);
// The same with a replacement made from `format` by putting `arguments` in for %1, %2...
// (the arguments are then part of the replacement string: escape literal text).
qsizetype matchReplaceWithFormat(QString& string, const RKRegex& regex, qsizetype count,
    const QString& format, const QStringList& arguments);
// A copy with at most `count` matches replaced by the reference string, and how many were.
QString stringByMatching(const QString& string, const RKRegex& regex, qsizetype count,
    const QString& referenceString, qsizetype* replacedCount = nullptr);

} // namespace RegexKitAdditions
