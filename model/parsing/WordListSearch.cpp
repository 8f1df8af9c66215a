#include "WordListSearch.h"

#include "ArraySearch.h"
#include "BitCount.h"

#include <algorithm>
#include <utility>

namespace
{

// Nodes with more edges than this are bisected, smaller ones read in order.
constexpr quint32 fewEdges = 8;

// Beyond this many characters, comparing each word at each place costs more than indexing.
constexpr qsizetype shortText = 256;

} // namespace

WordListSearch::WordListSearch(const QStringList& words)
    : m_words(words)
{
    struct BuildNode {
        std::vector<std::pair<char16_t, quint32>> edges; // sorted by unit
        std::vector<qsizetype> words;
    };
    std::vector<BuildNode> built(1);
    for (qsizetype w = 0; w < words.size(); ++w) {
        const QString& word = words.at(w);
        quint32 node = 0;
        for (qsizetype k = 0; k < word.size(); ++k) {
            const char16_t unit = ArraySearch::foldedUnit(word, k);
            m_units.push_back(unit);
            auto& edges = built[node].edges;
            auto it = std::lower_bound(edges.begin(), edges.end(), std::make_pair(unit, quint32(0)));
            if (it == edges.end() || it->first != unit) {
                it = edges.insert(it, { unit, quint32(built.size()) });
                node = it->second;
                built.emplace_back();
            } else {
                node = it->second;
            }
        }
        if (node != 0)
            built[node].words.push_back(w);
    }
    m_nodes.resize(built.size());
    for (std::size_t n = 0; n < built.size(); ++n) {
        Node& node = m_nodes[n];
        node.firstEdge = quint32(m_edges.size());
        node.edgeCount = quint32(built[n].edges.size());
        for (const auto& [unit, child] : built[n].edges) {
            m_edges.push_back({ unit, child });
            if (unit < 128)
                node.ascii[unit >> 6] |= quint64(1) << (unit & 63);
        }
        node.firstWord = quint32(m_wordsEnding.size());
        node.wordCount = quint32(built[n].words.size());
        m_wordsEnding.insert(m_wordsEnding.end(), built[n].words.begin(), built[n].words.end());
    }
    for (const auto& [unit, child] : built[0].edges) {
        if (unit < 128)
            m_headAscii[unit] = child;
    }
    std::sort(m_units.begin(), m_units.end());
    m_units.erase(std::unique(m_units.begin(), m_units.end()), m_units.end());
}

std::shared_ptr<const WordListSearch> WordListSearch::of(const QStringList& words)
{
    using Entry = std::pair<QStringList, std::shared_ptr<const WordListSearch>>;
    thread_local std::vector<Entry> kept;
    auto it = std::find_if(kept.begin(), kept.end(), [&](const Entry& entry) {
        return entry.first.constData() == words.constData() && entry.first.size() == words.size();
    });
    if (it == kept.end())
        it = std::find_if(kept.begin(), kept.end(), [&](const Entry& entry) { return entry.first == words; });
    if (it != kept.end() && it == kept.begin())
        return it->second;
    Entry entry;
    if (it != kept.end()) {
        entry = std::move(*it);
        entry.first = words; // shares the data asked with from now on
        kept.erase(it);
    } else {
        entry = { words, std::make_shared<const WordListSearch>(words) };
        if (kept.size() >= 4)
            kept.pop_back();
    }
    kept.insert(kept.begin(), entry);
    return entry.second;
}

bool WordListSearch::anyWordContains(QChar c) const
{
    return std::binary_search(
        m_units.begin(), m_units.end(), char16_t(QChar::toCaseFolded(char32_t(c.unicode()))));
}

bool WordListSearch::containsWord(QStringView word) const
{
    // Down the trie with the folded word; the words that end there differ at most in case.
    quint32 at = 0;
    for (qsizetype k = 0; k < word.size(); ++k) {
        const char16_t u = word[k].unicode();
        const char16_t folded = u < 128 ? (u >= u'A' && u <= u'Z' ? char16_t(u + (u'a' - u'A')) : u)
                                        : ArraySearch::foldedUnit(word, k);
        at = at == 0 && folded < 128 ? m_headAscii[folded] : childOf(m_nodes[at], folded);
        if (at == 0)
            return false;
    }
    if (at == 0)
        return false;
    const Node& node = m_nodes[at];
    for (quint32 w = 0; w < node.wordCount; ++w) {
        if (m_words.at(m_wordsEnding[node.firstWord + w]) == word)
            return true;
    }
    return false;
}

void WordListSearch::fold(QStringView text, Folded& folded)
{
    folded.resize(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t u = text[i].unicode();
        if (u < 128)
            folded[i] = u >= u'A' && u <= u'Z' ? char16_t(u + (u'a' - u'A')) : u;
        else
            folded[i] = ArraySearch::foldedUnit(text, i);
    }
}

quint32 WordListSearch::childOf(const Node& node, char16_t unit) const
{
    if (unit < 128) {
        const quint64 bit = quint64(1) << (unit & 63);
        const quint64 half = node.ascii[unit >> 6];
        if (!(half & bit))
            return 0;
        const qsizetype index = (unit < 64 ? 0 : bitCount(node.ascii[0])) + bitCount(half & (bit - 1));
        return m_edges[node.firstEdge + index].node;
    }
    const Edge* begin = m_edges.data() + node.firstEdge;
    const Edge* end = begin + node.edgeCount;
    if (node.edgeCount <= fewEdges) {
        for (const Edge* edge = begin; edge != end && edge->unit <= unit; ++edge) {
            if (edge->unit == unit)
                return edge->node;
        }
        return 0;
    }
    const Edge* edge
        = std::lower_bound(begin, end, unit, [](const Edge& e, char16_t u) { return e.unit < u; });
    return edge != end && edge->unit == unit ? edge->node : 0;
}

void WordListSearch::occurrences(QStringView folded, std::vector<Hit>& hits) const
{
    for (qsizetype start = 0; start < folded.size(); ++start)
        occurrencesAt(folded, start, hits);
}

void WordListSearch::occurrencesAt(QStringView folded, qsizetype start, std::vector<Hit>& hits) const
{
    const qsizetype size = folded.size();
    const char16_t first = folded[start].unicode();
    quint32 at = first < 128 ? m_headAscii[first] : childOf(m_nodes[0], first);
    for (qsizetype k = start + 1; at != 0; ++k) {
        const Node& node = m_nodes[at];
        for (quint32 w = 0; w < node.wordCount; ++w)
            hits.push_back({ start, m_wordsEnding[node.firstWord + w] });
        if (k >= size || node.edgeCount == 0)
            break;
        at = childOf(node, folded[k].unicode());
    }
}

QList<QList<qsizetype>> WordListSearch::occurrencesOfEach(QStringView text, const QStringList& words)
{
    if (text.size() > shortText)
        return ArraySearch::occurrencesOfElements(text, words);
    const qsizetype size = text.size();
    QList<QList<qsizetype>> found(words.size());
    Folded folded;
    fold(text, folded);
    Folded word;
    for (qsizetype w = 0; w < words.size(); ++w) {
        fold(words.at(w), word);
        const qsizetype length = word.size();
        if (length == 0 || length > size)
            continue;
        const char16_t first = word[0];
        for (qsizetype at = 0; at + length <= size; ++at) {
            if (folded[at] == first && std::equal(word.begin() + 1, word.end(), folded.begin() + at + 1))
                found[w].append(at);
        }
    }
    return found;
}
