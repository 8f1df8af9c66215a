#include "AttributedString.h"

#include <algorithm>

namespace
{

const Range notFound { Range::NotFound, 0 };

} // namespace

// ---- AttributedString ----

AttributedString::AttributedString(const QString& string, const QVariantMap& attributes)
    : m_string(string)
{
    if (!m_string.isEmpty())
        m_runs.push_back({ 0, attributes });
}

Range AttributedString::clipped(Range range) const
{
    // The overlap with the text, computed without overflow for locations such as NotFound;
    // a range wholly past the end becomes the empty range at the end.
    const qsizetype size = length();
    const qsizetype start = std::clamp<qsizetype>(range.location, 0, size);
    qsizetype end = start;
    if (range.length > 0)
        end = range.location > size - range.length ? size : range.location + range.length;
    end = std::clamp(end, start, size);
    return { start, end - start };
}

std::size_t AttributedString::runIndexAt(qsizetype index) const
{
    const auto after = std::upper_bound(
        m_runs.begin(), m_runs.end(), index, [](qsizetype i, const Run& run) { return i < run.start; });
    return std::size_t(after - m_runs.begin()) - 1;
}

qsizetype AttributedString::runEnd(std::size_t run) const
{
    return run + 1 < m_runs.size() ? m_runs[run + 1].start : length();
}

QVariantMap AttributedString::attributesAtIndex(qsizetype index, Range* effectiveRange) const
{
    return attributesAtIndexLongestEffectiveRange(index, effectiveRange, { 0, length() });
}

QVariantMap AttributedString::attributesAtIndexLongestEffectiveRange(
    qsizetype index, Range* longestEffectiveRange, Range inRange) const
{
    const Range limit = clipped(inRange);
    if (!locationInRange(index, limit)) {
        if (longestEffectiveRange)
            *longestEffectiveRange = notFound;
        return {};
    }
    const std::size_t run = runIndexAt(index);
    if (longestEffectiveRange)
        *longestEffectiveRange = intersection({ m_runs[run].start, runEnd(run) - m_runs[run].start }, limit);
    return m_runs[run].attributes;
}

QVariant AttributedString::attributeAtIndex(const QString& name, qsizetype index, Range* effectiveRange) const
{
    return attributeAtIndexLongestEffectiveRange(name, index, effectiveRange, { 0, length() });
}

QVariant AttributedString::attributeAtIndexLongestEffectiveRange(
    const QString& name, qsizetype index, Range* longestEffectiveRange, Range inRange) const
{
    const Range limit = clipped(inRange);
    if (!locationInRange(index, limit)) {
        if (longestEffectiveRange)
            *longestEffectiveRange = notFound;
        return {};
    }
    const std::size_t run = runIndexAt(index);
    if (longestEffectiveRange)
        *longestEffectiveRange = attributeRange(name, run, limit);
    return m_runs[run].attributes.value(name);
}

Range AttributedString::attributeRange(const QString& name, std::size_t run, Range limit) const
{
    const QVariant value = m_runs[run].attributes.value(name);
    std::size_t first = run;
    while (first > 0 && m_runs[first].start > limit.location
        && m_runs[first - 1].attributes.value(name) == value)
        --first;
    std::size_t last = run;
    while (last + 1 < m_runs.size() && m_runs[last + 1].start < maxRange(limit)
        && m_runs[last + 1].attributes.value(name) == value)
        ++last;
    const qsizetype start = m_runs[first].start;
    return intersection({ start, runEnd(last) - start }, limit);
}

AttributedString AttributedString::attributedSubstringFromRange(Range range) const
{
    range = clipped(range);
    AttributedString result;
    result.m_string = m_string.mid(range.location, range.length);
    if (range.length == 0)
        return result;
    for (std::size_t run = runIndexAt(range.location);
         run < m_runs.size() && m_runs[run].start < maxRange(range); ++run)
        result.m_runs.push_back(
            { std::max(m_runs[run].start, range.location) - range.location, m_runs[run].attributes });
    return result;
}

void AttributedString::enumerateAttribute(const QString& name, Range range, const AttributeBlock& block) const
{
    range = clipped(range);
    bool stop = false;
    for (qsizetype index = range.location; index < maxRange(range) && !stop;) {
        Range effective;
        const QVariant value = attributeAtIndexLongestEffectiveRange(name, index, &effective, range);
        block(value, effective, stop);
        index = maxRange(effective);
    }
}

void AttributedString::enumerateAttributesInRange(Range range, const AttributesBlock& block) const
{
    range = clipped(range);
    if (range.length == 0)
        return;
    bool stop = false;
    for (std::size_t run = runIndexAt(range.location);
         run < m_runs.size() && m_runs[run].start < maxRange(range) && !stop; ++run) {
        const Range whole { m_runs[run].start, runEnd(run) - m_runs[run].start };
        block(m_runs[run].attributes, intersection(whole, range), stop);
    }
}

bool AttributedString::operator==(const AttributedString& other) const
{
    return m_string == other.m_string && m_runs == other.m_runs;
}

// ---- MutableAttributedString ----

MutableAttributedString::MutableAttributedString(const QString& string, const QVariantMap& attributes)
    : AttributedString(string, attributes)
{
}

std::size_t MutableAttributedString::splitAt(qsizetype index)
{
    if (index >= length())
        return m_runs.size();
    const std::size_t run = runIndexAt(index);
    if (m_runs[run].start == index)
        return run;
    m_runs.insert(m_runs.begin() + qsizetype(run) + 1, Run { index, m_runs[run].attributes });
    return run + 1;
}

void MutableAttributedString::coalesce(std::size_t first, std::size_t last)
{
    if (m_runs.empty())
        return;
    first = std::max<std::size_t>(first, 1);
    last = std::min(last, m_runs.size() - 1);
    if (first > last)
        return;
    // Compact in place so merging many runs at once stays linear.
    std::size_t write = first;
    for (std::size_t read = first; read <= last; ++read) {
        if (m_runs[read].attributes == m_runs[write - 1].attributes)
            continue;
        if (write != read)
            m_runs[write] = std::move(m_runs[read]);
        ++write;
    }
    m_runs.erase(m_runs.begin() + qsizetype(write), m_runs.begin() + qsizetype(last) + 1);
}

void MutableAttributedString::replace(Range range, const QString& text, const std::vector<Run>& runs)
{
    range = clipped(range);
    const std::size_t first = splitAt(range.location);
    const std::size_t end = splitAt(maxRange(range));
    m_runs.erase(m_runs.begin() + qsizetype(first), m_runs.begin() + qsizetype(end));
    const qsizetype delta = text.size() - range.length;
    for (std::size_t run = first; run < m_runs.size(); ++run)
        m_runs[run].start += delta;
    std::vector<Run> inserted = runs;
    for (Run& run : inserted)
        run.start += range.location;
    m_runs.insert(m_runs.begin() + qsizetype(first), inserted.begin(), inserted.end());
    m_string.replace(range.location, range.length, text);
    coalesce(first, first + inserted.size());
}

void MutableAttributedString::replaceCharactersInRange(Range range, const QString& string)
{
    range = clipped(range);
    QVariantMap inherited;
    if (range.length > 0)
        inherited = attributesAtIndex(range.location);
    else if (range.location > 0)
        inherited = attributesAtIndex(range.location - 1);
    else if (length() > 0)
        inherited = attributesAtIndex(0);
    std::vector<Run> runs;
    if (!string.isEmpty())
        runs.push_back({ 0, inherited });
    replace(range, string, runs);
}

void MutableAttributedString::replaceCharactersInRange(Range range, const AttributedString& string)
{
    if (&string == this) {
        const AttributedString copy = string;
        replaceCharactersInRange(range, copy);
        return;
    }
    replace(range, string.string(), runsOf(string));
}

void MutableAttributedString::insertAttributedString(const AttributedString& string, qsizetype location)
{
    replaceCharactersInRange({ location, 0 }, string);
}

void MutableAttributedString::appendAttributedString(const AttributedString& string)
{
    replaceCharactersInRange({ length(), 0 }, string);
}

void MutableAttributedString::deleteCharactersInRange(Range range)
{
    replace(range, QString(), {});
}

template <typename Change> void MutableAttributedString::changeAttributes(Range range, Change change)
{
    range = clipped(range);
    if (range.length == 0)
        return;
    const std::size_t first = splitAt(range.location);
    const std::size_t end = splitAt(maxRange(range));
    for (std::size_t run = first; run < end; ++run)
        change(m_runs[run].attributes);
    coalesce(first, end);
}

void MutableAttributedString::setAttributes(const QVariantMap& attributes, Range range)
{
    range = clipped(range);
    if (range.length == 0)
        return;
    const std::size_t first = splitAt(range.location);
    const std::size_t end = splitAt(maxRange(range));
    m_runs.erase(m_runs.begin() + qsizetype(first) + 1, m_runs.begin() + qsizetype(end));
    m_runs[first].attributes = attributes;
    coalesce(first, first + 1);
}

void MutableAttributedString::addAttribute(const QString& name, const QVariant& value, Range range)
{
    if (!value.isValid())
        return;
    changeAttributes(range, [&](QVariantMap& attributes) { attributes.insert(name, value); });
}

void MutableAttributedString::addAttributes(const QVariantMap& attributes, Range range)
{
    if (attributes.isEmpty())
        return;
    changeAttributes(range, [&](QVariantMap& existing) { existing.insert(attributes); });
}

void MutableAttributedString::removeAttribute(const QString& name, Range range)
{
    changeAttributes(range, [&](QVariantMap& attributes) { attributes.remove(name); });
}

void MutableAttributedString::endEditing()
{
    if (m_editingDepth > 0)
        --m_editingDepth;
}
