#include "ArraySearch.h"

#include <QVarLengthArray>
#include <algorithm>
#include <limits>
#include <memory>
#include <mutex>
#include <set>
#include <utility>
#include <vector>

namespace ArraySearch
{

namespace
{

// Beyond this many characters, searching each element on its own costs more than indexing the
// text.
constexpr qsizetype longText = 256;

// Sorts values that hold a 32-bit key above a 32-bit position, given in position order. A long
// list is sorted by the key's two halves in turn, which keeps the positions of a key in order.
void sortByKey(std::vector<quint64>& keyed)
{
    if (keyed.size() < 2048) {
        std::sort(keyed.begin(), keyed.end());
        return;
    }
    std::vector<quint64> sorted(keyed.size());
    std::vector<std::size_t> starts(0x10001);
    for (const int shift : { 32, 48 }) {
        std::fill(starts.begin(), starts.end(), 0);
        for (const quint64 value : keyed)
            ++starts[((value >> shift) & 0xFFFF) + 1];
        for (std::size_t digit = 1; digit < starts.size(); ++digit)
            starts[digit] += starts[digit - 1];
        for (const quint64 value : keyed)
            sorted[starts[(value >> shift) & 0xFFFF]++] = value;
        keyed.swap(sorted);
    }
}

// A word list folded into a trie, so that a text is searched for all its words in one walk from
// each place of the text instead of once for every word.
class ElementTrie
{
public:
    explicit ElementTrie(const QStringList& elements)
        : m_elements(elements)
        , m_nodes(1)
    {
        for (qsizetype e = 0; e < elements.size(); ++e) {
            const QString& element = elements.at(e);
            std::size_t node = 0;
            for (qsizetype k = 0; k < element.size(); ++k) {
                const char16_t unit = foldedUnit(element, k);
                std::vector<std::pair<char16_t, std::size_t>>& edges = m_nodes[node].edges;
                auto it = std::lower_bound(edges.begin(), edges.end(), std::make_pair(unit, std::size_t(0)));
                if (it == edges.end() || it->first != unit) {
                    it = edges.insert(it, { unit, m_nodes.size() });
                    const std::size_t created = it->second;
                    m_nodes.emplace_back();
                    node = created;
                } else {
                    node = it->second;
                }
            }
            if (node != 0)
                m_nodes[node].elements.push_back(e);
        }
    }

    const QStringList& elements() const { return m_elements; }

    // Whether an element holds the character in any case; the answer for the last one asked is kept.
    bool anyContains(QChar c) const
    {
        if (!m_containsAsked || m_containsAskedFor != c) {
            m_containsAskedFor = c;
            m_contains = std::any_of(m_elements.begin(), m_elements.end(),
                [c](const QString& element) { return element.contains(c, Qt::CaseInsensitive); });
            m_containsAsked = true;
        }
        return m_contains;
    }

    QList<QList<qsizetype>> occurrences(QStringView text) const
    {
        const qsizetype size = text.size();
        QList<QList<qsizetype>> found(m_elements.size());
        QVarLengthArray<char16_t, 256> folded(size);
        for (qsizetype i = 0; i < size; ++i)
            folded[i] = foldedUnit(text, i);
        for (qsizetype start = 0; start < size; ++start) {
            std::size_t node = 0;
            for (qsizetype k = start; k < size; ++k) {
                const std::vector<std::pair<char16_t, std::size_t>>& edges = m_nodes[node].edges;
                const auto it
                    = std::lower_bound(edges.begin(), edges.end(), std::make_pair(folded[k], std::size_t(0)));
                if (it == edges.end() || it->first != folded[k])
                    break;
                node = it->second;
                for (qsizetype e : m_nodes[node].elements)
                    found[e].append(start);
            }
        }
        return found;
    }

private:
    struct Node {
        std::vector<std::pair<char16_t, std::size_t>> edges; // sorted by unit
        std::vector<qsizetype> elements; // the elements that end here
    };
    QStringList m_elements;
    std::vector<Node> m_nodes;
    // Kept per thread, as the tries are.
    mutable bool m_containsAsked = false;
    mutable QChar m_containsAskedFor;
    mutable bool m_contains = false;
};

// Lists this long are kept as tries: the parser asks with the same modifier words and unit names
// for every line.
constexpr qsizetype listWorthATrie = 32;

// The trie of a list, from the few kept on this thread, most recent first. A list that shares a
// kept copy's data is that list unchanged: changing it would have detached it.
std::shared_ptr<const ElementTrie> trieOf(const QStringList& elements)
{
    // Each trie with the list last asked for with it: an equal list read anew is found by
    // comparing once, and by its data from then on.
    using Entry = std::pair<QStringList, std::shared_ptr<const ElementTrie>>;
    thread_local std::vector<Entry> kept;
    auto it = std::find_if(kept.begin(), kept.end(), [&](const Entry& entry) {
        return entry.first.constData() == elements.constData() && entry.first.size() == elements.size();
    });
    if (it == kept.end())
        it = std::find_if(
            kept.begin(), kept.end(), [&](const Entry& entry) { return entry.first == elements; });
    Entry entry;
    if (it != kept.end()) {
        entry = std::move(*it);
        entry.first = elements;
        kept.erase(it);
    } else {
        entry = { elements, std::make_shared<const ElementTrie>(elements) };
        if (kept.size() >= 4)
            kept.pop_back();
    }
    kept.insert(kept.begin(), entry);
    return entry.second;
}

} // namespace

Range rangeOfElementsOfArray(const QString& text, const QStringList& elements, qsizetype* index)
{
    Range best { Range::NotFound, 0 };
    qsizetype bestIndex = Range::NotFound;
    // A long text, or a long list, is gone through once for all elements rather than once for each.
    if (text.size() > longText || elements.size() >= listWorthATrie) {
        const QList<QList<qsizetype>> occurrences = occurrencesOfElements(text, elements);
        for (qsizetype i = 0; i < elements.size(); ++i) {
            if (elements.at(i).size() <= best.length)
                continue;
            for (qsizetype at : occurrences.at(i)) {
                if (at == 0 || !text.at(at - 1).isLetter()) {
                    best = { at, elements.at(i).size() };
                    bestIndex = i;
                    break;
                }
            }
        }
        if (index)
            *index = bestIndex;
        return best;
    }
    // An element can only occur where a word starts, so its first character, folded, must be one
    // of the text's word-start characters: most elements are passed over without a search.
    QVarLengthArray<char16_t, 32> starts;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (i > 0 && text.at(i - 1).isLetter())
            continue;
        const char16_t folded = text.at(i).toCaseFolded().unicode();
        if (!std::count(starts.begin(), starts.end(), folded))
            starts.append(folded);
    }
    for (qsizetype i = 0; i < elements.size(); ++i) {
        const QString& element = elements.at(i);
        // Only a longer element can win; equal lengths go to the earlier one.
        if (element.isEmpty() || element.size() <= best.length)
            continue;
        if (!std::count(starts.begin(), starts.end(), element.at(0).toCaseFolded().unicode()))
            continue;
        qsizetype from = 0;
        while (from <= text.size() - element.size()) {
            const qsizetype at = text.indexOf(element, from, Qt::CaseInsensitive);
            if (at < 0)
                break;
            if (at == 0 || !text.at(at - 1).isLetter()) {
                best = { at, element.size() };
                bestIndex = i;
                break;
            }
            from = at + 1;
        }
    }
    if (index)
        *index = bestIndex;
    return best;
}

char16_t foldedUnit(QStringView text, qsizetype i)
{
    const char16_t u = text.at(i).unicode();
    if (QChar::isHighSurrogate(u) && i + 1 < text.size() && QChar::isLowSurrogate(text.at(i + 1).unicode()))
        return QChar::highSurrogate(QChar::toCaseFolded(QChar::surrogateToUcs4(u, text.at(i + 1).unicode())));
    if (QChar::isLowSurrogate(u) && i > 0 && QChar::isHighSurrogate(text.at(i - 1).unicode()))
        return QChar::lowSurrogate(QChar::toCaseFolded(QChar::surrogateToUcs4(text.at(i - 1).unicode(), u)));
    return char16_t(QChar::toCaseFolded(char32_t(u)));
}

QList<QList<qsizetype>> occurrencesOfElements(QStringView text, const QStringList& elements)
{
    const qsizetype size = text.size();
    if (elements.size() >= listWorthATrie && size <= longText)
        return trieOf(elements)->occurrences(text);
    QList<QList<qsizetype>> found(elements.size());
    // Positions are packed below the key; a text too long for that is searched element by element.
    if (size > qsizetype(std::numeric_limits<quint32>::max())) {
        for (qsizetype e = 0; e < elements.size(); ++e) {
            for (qsizetype at
                 = elements.at(e).isEmpty() ? -1 : text.indexOf(elements.at(e), 0, Qt::CaseInsensitive);
                 at >= 0; at = text.indexOf(elements.at(e), at + 1, Qt::CaseInsensitive))
                found[e].append(at);
        }
        return found;
    }
    std::vector<char16_t> folded(size);
    for (qsizetype i = 0; i < size; ++i)
        folded[i] = foldedUnit(text, i);
    // Every position keyed by the two folded units that start there (the last by one unit and
    // zero), so that an element is only compared where its first two units stand.
    std::vector<quint64> keyed(size);
    for (qsizetype i = 0; i < size; ++i) {
        const quint64 key = (quint64(folded[i]) << 16) | (i + 1 < size ? folded[i + 1] : 0u);
        keyed[i] = (key << 32) | quint64(i);
    }
    sortByKey(keyed);

    for (qsizetype e = 0; e < elements.size(); ++e) {
        const QString& element = elements.at(e);
        const qsizetype length = element.size();
        if (length == 0 || length > size)
            continue;
        const quint64 first = quint64(foldedUnit(element, 0)) << 16;
        // The keys of one unit, or of the two units, the element starts with.
        const quint64 low = length == 1 ? first : first | foldedUnit(element, 1);
        const quint64 high = length == 1 ? first + 0x10000 : low + 1;
        const auto begin = std::lower_bound(keyed.begin(), keyed.end(), low << 32);
        const auto end = std::lower_bound(begin, keyed.end(), high << 32);
        QList<qsizetype>& positions = found[e];
        for (auto it = begin; it != end; ++it) {
            const qsizetype at = qsizetype(*it & 0xFFFFFFFFu);
            if (at + length > size)
                continue;
            qsizetype k = 2;
            while (k < length && folded[at + k] == foldedUnit(element, k))
                ++k;
            if (k >= length)
                positions.append(at);
        }
        // One-unit elements gather positions of several keys.
        if (length == 1)
            std::sort(positions.begin(), positions.end());
    }
    return found;
}

namespace
{

QList<Range> maskingLoop(const QString& text, const QStringList& elements, QChar mark)
{
    QList<Range> hits;
    QString work = text;
    for (;;) {
        const Range hit = rangeOfElementsOfArray(work, elements);
        if (hit.location == Range::NotFound)
            return hits;
        hits.append(hit);
        for (qsizetype i = hit.location; i < maxRange(hit); ++i)
            work[i] = mark;
    }
}

// One element while hits are taken: its occurrences in the text, and the first one that counts
// now (at a word start, no character masked).
struct Candidate {
    qsizetype index = 0;
    qsizetype length = 0;
    QList<qsizetype> occurrences;
    // Occurrences before `next` were passed over, either masked for good or then not at a word
    // start; a mask can only make a word start right after itself, and such places are `revived`
    // (an occurrence may be in both; each is checked where it stands).
    qsizetype next = 0;
    std::set<qsizetype> revived;
    qsizetype first = Range::NotFound;
};

} // namespace

QList<Range> successiveRangesOfElementsOfArray(const QString& text, const QStringList& elements, QChar mark)
{
    // The reasoning below needs masking to destroy occurrences and make word starts, never the
    // other way round.
    const bool markInElements = elements.size() >= listWorthATrie
        ? trieOf(elements)->anyContains(mark)
        : std::any_of(elements.begin(), elements.end(),
            [mark](const QString& element) { return element.contains(mark, Qt::CaseInsensitive); });
    if (mark.isLetter() || markInElements)
        return maskingLoop(text, elements, mark);

    const qsizetype size = text.size();
    std::vector<bool> masked(size, false);
    const auto isWordStart
        = [&](qsizetype at) { return at == 0 || masked[at - 1] || !text.at(at - 1).isLetter(); };
    const auto counts = [&](const Candidate& c, qsizetype at) {
        if (!isWordStart(at))
            return false;
        for (qsizetype i = at; i < at + c.length; ++i) {
            if (masked[i])
                return false;
        }
        return true;
    };
    // The first occurrence that counts, passing over the ones that do not.
    const auto firstCounting = [&](Candidate& c) -> qsizetype {
        for (;;) {
            const bool haveRevived = !c.revived.empty();
            const bool haveNext = c.next < c.occurrences.size();
            if (!haveRevived && !haveNext)
                return Range::NotFound;
            if (haveRevived && (!haveNext || *c.revived.begin() <= c.occurrences.at(c.next))) {
                const qsizetype at = *c.revived.begin();
                if (counts(c, at))
                    return at;
                c.revived.erase(c.revived.begin());
            } else {
                const qsizetype at = c.occurrences.at(c.next);
                if (counts(c, at))
                    return at;
                ++c.next;
            }
        }
    };

    const QList<QList<qsizetype>> occurrences = occurrencesOfElements(text, elements);
    std::vector<Candidate> candidates;
    // Which candidates occur at a position: the revived places are looked up there.
    std::vector<std::pair<qsizetype, qsizetype>> byPosition;
    qsizetype longest = 0;
    for (qsizetype i = 0; i < elements.size(); ++i) {
        if (occurrences.at(i).isEmpty())
            continue;
        const qsizetype slot = qsizetype(candidates.size());
        candidates.push_back({ i, elements.at(i).size(), occurrences.at(i), 0, {}, Range::NotFound });
        longest = std::max(longest, elements.at(i).size());
        for (qsizetype at : occurrences.at(i))
            byPosition.emplace_back(at, slot);
    }
    std::sort(byPosition.begin(), byPosition.end());

    // Longest first, then earliest in the list; and the same candidates by where they stand.
    std::set<std::pair<qsizetype, qsizetype>> ranked;
    std::set<std::pair<qsizetype, qsizetype>> placed;
    const auto setFirst = [&](qsizetype slot, qsizetype at) {
        Candidate& c = candidates[slot];
        if (c.first != Range::NotFound) {
            ranked.erase({ -c.length, c.index });
            placed.erase({ c.first, slot });
        }
        c.first = at;
        if (at != Range::NotFound) {
            ranked.insert({ -c.length, c.index });
            placed.insert({ at, slot });
        }
    };
    std::vector<qsizetype> slotOfIndex(elements.size(), -1);
    for (qsizetype slot = 0; slot < qsizetype(candidates.size()); ++slot) {
        slotOfIndex[candidates[slot].index] = slot;
        setFirst(slot, firstCounting(candidates[slot]));
    }

    QList<Range> hits;
    std::vector<qsizetype> overlapped;
    while (!ranked.empty()) {
        const Candidate& winner = candidates[slotOfIndex[ranked.begin()->second]];
        const Range hit { winner.first, winner.length };
        hits.append(hit);
        for (qsizetype i = hit.location; i < maxRange(hit); ++i)
            masked[i] = true;

        // Candidates whose first occurrence the mask covers move on to their next.
        overlapped.clear();
        for (auto it = placed.lower_bound({ hit.location - longest + 1, 0 });
             it != placed.end() && it->first < maxRange(hit); ++it) {
            if (it->first + candidates[it->second].length > hit.location)
                overlapped.push_back(it->second);
        }
        for (qsizetype slot : overlapped)
            setFirst(slot, firstCounting(candidates[slot]));

        // The character after the mask starts a word now.
        const qsizetype after = maxRange(hit);
        if (after < size && !masked[after]) {
            for (auto it = std::lower_bound(
                     byPosition.begin(), byPosition.end(), std::pair<qsizetype, qsizetype>(after, 0));
                 it != byPosition.end() && it->first == after; ++it) {
                Candidate& c = candidates[it->second];
                // Kept even behind the first: the occurrences passed before may lie beyond it.
                if (!counts(c, after))
                    continue;
                c.revived.insert(after);
                if (c.first == Range::NotFound || after < c.first)
                    setFirst(it->second, after);
            }
        }
    }
    return hits;
}

} // namespace ArraySearch
