#pragma once

#include "RKReference.h"
#include "RKRegex.h"
#include "Range.h"

#include <QList>
#include <QRegularExpressionMatch>
#include <QRegularExpressionMatchIterator>
#include <QString>

// Walks the matches of a regex in a string, first to last. Keeps its own copy of the string.
class RKEnumerator
{
public:
    RKEnumerator(const QString& string, const RKRegex& regex);

    // The ranges of the next match: the whole match, then one per capture group (location
    // Range::NotFound for a group that took no part). Empty after the last match.
    QList<Range> nextRanges();
    // Fills the references from the match nextRanges last gave; false when there is none, when a
    // reference names no capture of the regex or its conversion is unknown, or when a number
    // does not read as one.
    bool getCapturesWithReferences(const RKReferences& references) const;

    const RKRegex& regex() const { return m_regex; }

private:
    QString m_string;
    RKRegex m_regex;
    QRegularExpressionMatchIterator m_iterator;
    QRegularExpressionMatch m_current;
    bool m_hasCurrent = false;
};
