#pragma once

#include <QList>

namespace CountOfIndexesInRange
{

// How many of `indexes` lie in [location, location + length); 0 for an empty range.
inline qsizetype countOfIndexesInRange(const QList<qsizetype>& indexes, qsizetype location, qsizetype length)
{
    if (length <= 0)
        return 0;
    qsizetype count = 0;
    for (qsizetype index : indexes) {
        if (index >= location && index - location < length)
            ++count;
    }
    return count;
}

} // namespace CountOfIndexesInRange
