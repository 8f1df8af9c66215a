#include "RKEnumerator.h"

#include "RKTemplate.h"

RKEnumerator::RKEnumerator(const QString& string, const RKRegex& regex)
    : m_string(string)
    , m_regex(regex)
    , m_iterator(regex.regularExpression().globalMatch(m_string))
{
}

QList<Range> RKEnumerator::nextRanges()
{
    m_hasCurrent = m_iterator.hasNext();
    if (!m_hasCurrent) {
        m_current = QRegularExpressionMatch();
        return {};
    }
    m_current = m_iterator.next();
    QList<Range> ranges;
    const int groups = m_regex.captureCount();
    ranges.reserve(groups + 1);
    for (int group = 0; group <= groups; ++group) {
        const qsizetype start = m_current.capturedStart(group);
        if (start < 0)
            ranges.append({ Range::NotFound, 0 });
        else
            ranges.append({ start, m_current.capturedLength(group) });
    }
    return ranges;
}

bool RKEnumerator::getCapturesWithReferences(const RKReferences& references) const
{
    return m_hasCurrent && RKTemplate::fillReferences(m_current, m_regex, references);
}
