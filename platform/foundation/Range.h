#pragma once

#include <QtGlobal>
#include <algorithm>
#include <limits>

// A stretch of UTF-16 code units: where it starts and how many units it covers.
struct Range {
    // The location of a range that names nothing (a failed search, an index past the end).
    static constexpr qsizetype NotFound = std::numeric_limits<qsizetype>::max();

    qsizetype location = 0;
    qsizetype length = 0;

    bool operator==(const Range&) const = default;
};

// One past the last unit of the range.
constexpr qsizetype maxRange(Range range)
{
    return range.location + range.length;
}

constexpr bool locationInRange(qsizetype location, Range range)
{
    return location >= range.location && location < maxRange(range);
}

// The overlap of two ranges; {0, 0} when they don't overlap.
constexpr Range intersection(Range a, Range b)
{
    const qsizetype start = std::max(a.location, b.location);
    const qsizetype end = std::min(maxRange(a), maxRange(b));
    if (end <= start)
        return {};
    return { start, end - start };
}
