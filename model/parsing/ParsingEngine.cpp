#include "ParsingEngine.h"

#include "ArraySearch.h"
#include "BLStringUtilities.h"
#include "IngredientMO.h"
#include "IngredientTrie.h"
#include "IsEmpty.h"
#include "KRTrieBucket.h"
#include "KeyValueCoding.h"
#include "KitchoraServices.h"
#include "TextIds.h"
#include "UnitsEngine.h"
#include "WordListSearch.h"

#include <QHash>
#include <QVarLengthArray>
#include <algorithm>
#include <array>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

namespace
{

bool isLineTerminator(QChar c)
{
    const char16_t u = c.unicode();
    return u == u'\n' || u == u'\r' || u == 0x0085 || u == 0x2028 || u == 0x2029;
}

// The line without the break that ends it; the last word of a line is a word like any other.
QStringView withoutLineTerminator(QStringView line)
{
    qsizetype end = line.size();
    while (end > 0 && isLineTerminator(line.at(end - 1)))
        --end;
    return line.left(end);
}

// The pieces of a line split at single spaces, as [start, end) offsets; a double space gives an
// empty piece. A phrase of pieces s..e is then the line from start(s) to end(e).
struct Pieces {
    std::vector<qsizetype> starts;
    std::vector<qsizetype> ends;
};

Pieces piecesOf(QStringView line)
{
    Pieces pieces;
    qsizetype start = 0;
    for (qsizetype i = 0; i <= line.size(); ++i) {
        if (i == line.size() || line.at(i) == QLatin1Char(' ')) {
            pieces.starts.push_back(start);
            pieces.ends.push_back(i);
            start = i + 1;
        }
    }
    return pieces;
}

// Calls test with each phrase that starts at piece `first`, shortest first, until it answers true.
template <typename Test>
bool anyPhraseFrom(QStringView line, const Pieces& pieces, std::size_t first, Test test)
{
    const qsizetype start = pieces.starts[first];
    for (std::size_t last = first; last < pieces.ends.size(); ++last) {
        if (test(line.mid(start, pieces.ends[last] - start)))
            return true;
    }
    return false;
}

// The ingredient a bucket holds; nullptr for a key left by a renamed or deleted ingredient.
IngredientMO* liveIngredient(const OFTrieBucket* bucket)
{
    const auto* krBucket = dynamic_cast<const KRTrieBucket*>(bucket);
    if (!krBucket)
        return nullptr;
    auto* ingredient = dynamic_cast<IngredientMO*>(KeyValueCoding::fromVariant(krBucket->objectValue()));
    return ingredient && !ingredient->isDeleted() ? ingredient : nullptr;
}

// The name without its plural ending ("es", else "s"); empty when it has none or nothing is left.
QString singularStem(const QString& name)
{
    if (name.endsWith(QLatin1String("es"), Qt::CaseInsensitive))
        return name.chopped(2);
    if (name.endsWith(QLatin1Char('s'), Qt::CaseInsensitive))
        return name.chopped(1);
    return {};
}

// NSString's intValue: leading white space, a sign and digits; 0 when there are no digits.
bool leadingIntegerIsNonZero(QStringView text)
{
    qsizetype i = 0;
    while (i < text.size() && BLStringUtilities::isWhitespaceOrNewline(text.at(i)))
        ++i;
    if (i < text.size() && (text.at(i) == QLatin1Char('+') || text.at(i) == QLatin1Char('-')))
        ++i;
    for (; i < text.size(); ++i) {
        const char16_t u = text.at(i).unicode();
        if (u < u'0' || u > u'9')
            return false;
        if (u != u'0')
            return true;
    }
    return false;
}

// Punctuation or white space: what separates words.
bool separatesWords(QChar c)
{
    // ASCII from a table made by the same tests.
    static const std::array<bool, 128> ascii = [] {
        std::array<bool, 128> table {};
        for (char16_t u = 0; u < 128; ++u)
            table[u] = QChar(u).isPunct() || QChar(u).isSpace();
        return table;
    }();
    const char16_t u = c.unicode();
    return u < 128 ? ascii[u] : c.isPunct() || c.isSpace();
}

// The words of wordsInString, as views of the text.
std::vector<QStringView> wordViews(QStringView text)
{
    std::vector<QStringView> words;
    qsizetype start = -1;
    for (qsizetype i = 0; i <= text.size(); ++i) {
        const bool separator = i == text.size() || separatesWords(text.at(i));
        if (!separator) {
            if (start < 0)
                start = i;
        } else if (start >= 0) {
            words.push_back(text.mid(start, i - start));
            start = -1;
        }
    }
    return words;
}

bool isBlank(QStringView line)
{
    return std::all_of(line.begin(), line.end(), BLStringUtilities::isWhitespaceOrNewline);
}

// The best run of lines of one kind so far, and the run being gathered.
class RunTracker
{
public:
    bool inRun() const { return m_inRun; }

    void match(qsizetype index, Range line)
    {
        if (!m_inRun) {
            m_inRun = true;
            m_firstIndex = index;
            m_firstStart = line.location;
        }
        m_lastMatchEnd = maxRange(line);
    }

    // Ends the run; `endIndex` is the index of the line that closes it (or the line count).
    void close(qsizetype endIndex)
    {
        const qsizetype length = endIndex - m_firstIndex;
        if (length > m_bestLength) {
            m_bestLength = length;
            m_best = { m_firstStart, m_lastMatchEnd - m_firstStart };
        }
        m_inRun = false;
    }

    Range best() const { return m_best; }

private:
    bool m_inRun = false;
    qsizetype m_firstIndex = 0;
    qsizetype m_firstStart = 0;
    qsizetype m_lastMatchEnd = 0;
    qsizetype m_bestLength = 0;
    Range m_best { Range::NotFound, 0 };
};

// A text from which places are removed, searched for a fixed set of patterns. A pattern's first
// place is where it first occurs in the text as it stands: either where it occurred from the
// start, still whole, or across a removed place, where two stretches were joined. The latter are
// found when the join is made, so no search starts over from the beginning of the text.
class ClaimedText
{
public:
    // The first and the last character of a place.
    struct Place {
        qsizetype first = 0;
        qsizetype last = 0;
    };

    // `occurrences` are the patterns' positions in the text, ascending.
    ClaimedText(const QString& text, const QStringList& patterns, const QList<QList<qsizetype>>& occurrences)
        : m_text(text)
        , m_patterns(patterns)
        , m_occurrences(occurrences)
        , m_removed(text.size(), false)
        , m_next(text.size())
        , m_previous(text.size())
        , m_firstUnchecked(patterns.size(), 0)
        , m_joined(patterns.size())
    {
        for (qsizetype i = 0; i < text.size(); ++i) {
            m_next[i] = i + 1;
            m_previous[i] = i - 1;
        }
    }

    std::optional<Place> firstPlaceOf(qsizetype pattern)
    {
        const qsizetype length = m_patterns.at(pattern).size();
        const QList<qsizetype>& at = m_occurrences.at(pattern);
        qsizetype& next = m_firstUnchecked[pattern];
        // A removed character never comes back, so a place that lost one is passed for good.
        while (next < at.size() && !isWhole(at.at(next), length))
            ++next;
        std::set<std::pair<qsizetype, qsizetype>>& joined = m_joined[pattern];
        while (!joined.empty() && !isJoinedWhole(joined.begin()->first, joined.begin()->second, length))
            joined.erase(joined.begin());
        std::optional<Place> first;
        if (next < at.size())
            first = Place { at.at(next), at.at(next) + length - 1 };
        if (!joined.empty() && (!first || joined.begin()->first < first->first))
            first = Place { joined.begin()->first, joined.begin()->second };
        return first;
    }

    void remove(const Place& place)
    {
        const qsizetype before = m_previous[place.first];
        const qsizetype after = m_next[place.last];
        for (qsizetype i = place.first; i != after; i = m_next[i])
            m_removed[i] = true;
        if (before >= 0)
            m_next[before] = after;
        if (after < m_text.size())
            m_previous[after] = before;
        if (before >= 0 && after < m_text.size())
            findAcrossJoin(before, after);
    }

private:
    bool isWhole(qsizetype at, qsizetype length) const
    {
        for (qsizetype i = at; i < at + length; ++i) {
            if (m_removed[i])
                return false;
        }
        return true;
    }

    // The place was found across a join with `length` characters; no more may have gone.
    bool isJoinedWhole(qsizetype first, qsizetype last, qsizetype length) const
    {
        if (m_removed[first] || m_removed[last])
            return false;
        qsizetype i = first;
        for (qsizetype k = 1; k < length && i < m_text.size(); ++k)
            i = m_next[i];
        return i == last;
    }

    // Every pattern occurrence that holds both `before` and `after`, now neighbours.
    void findAcrossJoin(qsizetype before, qsizetype after)
    {
        if (!m_byStart)
            indexPatterns();
        if (m_longest < 2)
            return;
        // The characters around the join that such an occurrence can reach.
        m_window.clear();
        for (qsizetype i = before, k = 0; i >= 0 && k < m_longest - 1; i = m_previous[i], ++k)
            m_window.push_back(i);
        std::reverse(m_window.begin(), m_window.end());
        const qsizetype join = qsizetype(m_window.size()); // the index of `after`
        for (qsizetype i = after, k = 0; i < m_text.size() && k < m_longest - 1; i = m_next[i], ++k)
            m_window.push_back(i);
        const qsizetype windowSize = qsizetype(m_window.size());
        for (qsizetype start = 0; start < join; ++start) {
            const quint32 key
                = (quint32(m_folded[m_window[start]]) << 16) | quint32(m_folded[m_window[start + 1]]);
            const auto found = m_byStart->find(key);
            if (found == m_byStart->end())
                continue;
            // Longest first: a pattern must reach past the join and end inside the window.
            for (qsizetype pattern : found->second) {
                const std::u16string& folded = m_foldedPatterns[pattern];
                const qsizetype length = qsizetype(folded.size());
                if (start + length <= join)
                    break;
                if (start + length > windowSize)
                    continue;
                qsizetype k = 2;
                while (k < length && m_folded[m_window[start + k]] == folded[k])
                    ++k;
                if (k == length)
                    m_joined[pattern].insert({ m_window[start], m_window[start + length - 1] });
            }
        }
    }

    void indexPatterns()
    {
        m_folded.resize(m_text.size());
        for (qsizetype i = 0; i < m_text.size(); ++i)
            m_folded[i] = ArraySearch::foldedUnit(m_text, i);
        m_byStart.emplace();
        m_foldedPatterns.resize(m_patterns.size());
        for (qsizetype p = 0; p < m_patterns.size(); ++p) {
            const QString& pattern = m_patterns.at(p);
            if (pattern.size() < 2)
                continue;
            std::u16string& folded = m_foldedPatterns[p];
            folded.resize(pattern.size());
            for (qsizetype i = 0; i < pattern.size(); ++i)
                folded[i] = ArraySearch::foldedUnit(pattern, i);
            (*m_byStart)[(quint32(folded[0]) << 16) | quint32(folded[1])].push_back(p);
            m_longest = std::max(m_longest, pattern.size());
        }
        for (auto& [key, list] : *m_byStart) {
            std::stable_sort(list.begin(), list.end(), [this](qsizetype a, qsizetype b) {
                return m_patterns.at(a).size() > m_patterns.at(b).size();
            });
        }
    }

    const QString& m_text;
    const QStringList& m_patterns;
    const QList<QList<qsizetype>>& m_occurrences;
    std::vector<bool> m_removed;
    // The characters left, linked in order.
    std::vector<qsizetype> m_next;
    std::vector<qsizetype> m_previous;
    // Per pattern: the first of its occurrences not yet passed, and the places across joins.
    std::vector<qsizetype> m_firstUnchecked;
    std::vector<std::set<std::pair<qsizetype, qsizetype>>> m_joined;
    // Made at the first join: the folded text and the patterns by their first two folded units.
    std::vector<char16_t> m_folded;
    std::vector<std::u16string> m_foldedPatterns;
    std::optional<std::unordered_map<quint32, std::vector<qsizetype>>> m_byStart;
    qsizetype m_longest = 0;
    std::vector<qsizetype> m_window;
};

} // namespace

ParsingEngine::ParsingEngine(
    const QStringList& modifiers, const QStringList& unitNames, IngredientTrieSource ingredientTrie)
    : m_ingredientTrieSource(
        ingredientTrie ? std::move(ingredientTrie) : IngredientTrie::defaultIngredientTrie)
{
    createModifierTrie(modifiers);
    createMeasureTrie(unitNames);
}

ParsingEngine& ParsingEngine::defaultParsingEngine()
{
    static ParsingEngine engine(defaultModifiers(), UnitsEngine::defaultEngine().unitNames());
    return engine;
}

QStringList ParsingEngine::defaultModifiers()
{
    if (KitchoraServices* services = KitchoraServices::shared()) {
        QStringList modifiers = services->modifiersArray();
        if (!modifiers.isEmpty())
            return modifiers;
    }
    // Before launch has read the list: the same list, read the way launch reads it.
    return UnitsEngine::simpleMeasuresFromFile(QStringLiteral(":/modifiers.txt"));
}

std::unique_ptr<OFTrie> ParsingEngine::trieOfWords(const QStringList& words)
{
    auto trie = std::make_unique<OFTrie>(false);
    for (const QString& word : words)
        trie->addBucket(KRTrieBucket::bucketWithObject(word), word);
    return trie;
}

void ParsingEngine::createModifierTrie(const QStringList& modifiers)
{
    m_modifierTrie = trieOfWords(modifiers);
}

void ParsingEngine::createModifierTrie()
{
    createModifierTrie(defaultModifiers());
}

void ParsingEngine::createMeasureTrie(const QStringList& unitNames)
{
    m_measureTrie = trieOfWords(unitNames);
}

void ParsingEngine::createMeasureTrie()
{
    createMeasureTrie(UnitsEngine::defaultEngine().unitNames());
}

std::shared_ptr<IngredientTrie> ParsingEngine::ingredientTrie() const
{
    return m_ingredientTrieSource ? m_ingredientTrieSource() : nullptr;
}

bool ParsingEngine::lineContainsKey(QStringView line, const OFTrie& trie)
{
    if (trie.isEmpty())
        return false;
    const QStringView words = withoutLineTerminator(line);
    const Pieces pieces = piecesOf(words);
    for (std::size_t first = 0; first < pieces.starts.size(); ++first) {
        if (anyPhraseFrom(
                words, pieces, first, [&](QStringView phrase) { return trie.bucketForString(phrase); }))
            return true;
    }
    return false;
}

bool ParsingEngine::lineContainsModifier(QStringView line) const
{
    return lineContainsKey(line, *m_modifierTrie);
}

bool ParsingEngine::lineContainsMeasure(QStringView line) const
{
    return lineContainsKey(line, *m_measureTrie);
}

int ParsingEngine::lineIngredientCount(QStringView line) const
{
    const std::shared_ptr<IngredientTrie> trie = ingredientTrie();
    if (!trie || trie->isEmpty())
        return 0;
    const QStringView words = withoutLineTerminator(line);
    const Pieces pieces = piecesOf(words);
    int count = 0;
    for (std::size_t first = 0; first < pieces.starts.size(); ++first) {
        if (anyPhraseFrom(words, pieces, first,
                [&](QStringView phrase) { return liveIngredient(trie->bucketForString(phrase)) != nullptr; }))
            ++count;
    }
    return count;
}

int ParsingEngine::probabilityLineIsIngredientLine(QStringView line) const
{
    int score = 0;
    switch (lineIngredientCount(line)) {
    case 0:
        score += 1;
        break;
    case 1:
        score += 3;
        break;
    case 2:
        score += 2;
        break;
    default:
        break;
    }
    score += lineContainsMeasure(line) ? 1 : -1;
    score += lineContainsModifier(line) ? 1 : -1;
    if (line.size() < 3)
        score += 1;
    return score;
}

int ParsingEngine::probabilityLineIsDirectionLine(QStringView line) const
{
    const QString trimmed = BLStringUtilities::stringByTrimmingWhitespaceAndNewlines(line.toString());
    if (trimmed.isEmpty())
        return -4;
    int score = leadingIntegerIsNonZero(trimmed) ? 2 : -1;
    score += trimmed.endsWith(QLatin1Char('.')) ? 1 : -1;
    const int ingredients = lineIngredientCount(trimmed);
    score += ingredients == 0 ? -1 : ingredients == 1 ? 1 : 2;
    if (lineContainsMeasure(trimmed))
        score += 1;
    if (trimmed.size() < 48)
        score -= 1;
    return score;
}

Range ParsingEngine::rangeOfIngredientsBlockInString(const QString& text) const
{
    const QList<Range> lines = BLStringUtilities::lineRanges(text);
    RunTracker runs;
    int threshold = 0; // what the next line must score to match
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QStringView line = QStringView(text).mid(lines[i].location, lines[i].length);
        if (isBlank(line))
            continue; // part of the run, neither a match nor a miss
        if (probabilityLineIsIngredientLine(line) >= threshold) {
            runs.match(i, lines[i]);
            threshold = 0;
        } else if (!runs.inRun()) {
            threshold = 0;
        } else if (threshold == 0) {
            threshold = 1; // one stray line is tolerated
        } else {
            runs.close(i);
            threshold = 2;
        }
    }
    if (runs.inRun())
        runs.close(lines.size());
    return runs.best();
}

Range ParsingEngine::rangeOfDirectionsBlockInString(const QString& text) const
{
    const QList<Range> lines = BLStringUtilities::lineRanges(text);
    RunTracker runs;
    int threshold = 0;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QString line = text.mid(lines[i].location, lines[i].length);
        if (isEmpty(line))
            continue;
        if (probabilityLineIsDirectionLine(line) >= threshold) {
            runs.match(i, lines[i]);
            threshold = 0;
        } else if (!runs.inRun()) {
            threshold = 0;
        } else {
            runs.close(i);
            threshold = 1;
        }
    }
    if (runs.inRun())
        runs.close(lines.size());
    return runs.best();
}

QStringList ParsingEngine::wordsInString(const QString& text)
{
    QStringList words;
    for (const QStringView word : wordViews(text))
        words.append(word.toString());
    return words;
}

QStringList ParsingEngine::unitNamesInString(const QString& text)
{
    if (text.isNull())
        return {};
    return unitNamesInString(text, UnitsEngine::defaultEngine().unitNames());
}

QStringList ParsingEngine::unitNamesInString(const QString& text, const QStringList& unitNames)
{
    QStringList found;
    if (text.isEmpty())
        return found;
    // All names in one walk over the text: there are many of them. The walk meets places in
    // order, so a name's first hit is its first occurrence.
    const std::shared_ptr<const WordListSearch> search = WordListSearch::of(unitNames);
    WordListSearch::Folded folded;
    WordListSearch::fold(text, folded);
    std::vector<WordListSearch::Hit> hits;
    search->occurrences(QStringView(folded.constData(), folded.size()), hits);
    std::stable_sort(hits.begin(), hits.end(),
        [](const WordListSearch::Hit& a, const WordListSearch::Hit& b) { return a.word < b.word; });
    for (std::size_t i = 0; i < hits.size(); ++i) {
        if (i > 0 && hits[i].word == hits[i - 1].word)
            continue;
        const QString& name = unitNames.at(hits[i].word);
        const qsizetype at = hits[i].at;
        // Only the first occurrence is tried: inside a word ("pinch" for "inch") it names nothing.
        if (at > 0 && text.at(at - 1).isLetter())
            continue;
        qsizetype end = at + name.size();
        if (end < text.size() && text.at(end) == QLatin1Char('s'))
            end += 1;
        else if (end + 2 <= text.size() && QStringView(text).mid(end, 2) == QLatin1String("es"))
            end += 2;
        found.append(text.mid(at, end - at));
    }
    std::stable_sort(
        found.begin(), found.end(), [](const QString& a, const QString& b) { return a.size() > b.size(); });
    return found;
}

QList<IngredientMO*> ParsingEngine::ingredientsInString(const QString& text)
{
    const std::shared_ptr<IngredientTrie> trie = defaultParsingEngine().ingredientTrie();
    return ingredientsInString(text, trie.get(), UnitsEngine::defaultEngine().unitNames());
}

QList<IngredientMO*> ParsingEngine::ingredientsInString(
    const QString& text, const IngredientTrie* ingredientTrie, const QStringList& unitNames)
{
    if (!ingredientTrie || text.isEmpty())
        return {};
    QList<IngredientMO*> ingredients;
    for (const KnownMention& mention :
        knownIngredientsInString(text, knownIngredientsOf(ingredientTrie), unitNames)) {
        // The mention was found with an object under its key, and the trie has not changed since.
        if (IngredientMO* object = ingredientTrie->ingredientObjectForKey(mention.key))
            ingredients.append(object);
    }
    return ingredients;
}

ParsingEngine::KnownIngredients ParsingEngine::knownIngredientsOf(const IngredientTrie* ingredientTrie)
{
    if (!ingredientTrie)
        return {};
    KnownIngredients known;
    known.namesBeginningWith = [ingredientTrie](const QString& prefix) {
        QStringList names;
        for (const OFTrieBucket* bucket : ingredientTrie->completionsFromString(prefix)) {
            if (const IngredientMO* ingredient = liveIngredient(bucket))
                names.append(ingredient->name());
        }
        return names;
    };
    known.nameForKey = [ingredientTrie](const QString& key) -> std::optional<QString> {
        if (const IngredientMO* ingredient = ingredientTrie->ingredientObjectForKey(key))
            return ingredient->name();
        return std::nullopt;
    };
    known.namesHeldBy = [ingredientTrie](const QString& text) {
        QStringList names;
        for (const OFTrieBucket* bucket : ingredientTrie->bucketsHeldByText(text)) {
            if (const IngredientMO* ingredient = liveIngredient(bucket))
                names.append(ingredient->name());
        }
        return names;
    };
    return known;
}

QList<ParsingEngine::KnownMention> ParsingEngine::knownIngredientsInString(
    const QString& text, const KnownIngredients& known, const QStringList& unitNames)
{
    if ((!known.namesBeginningWith && !known.namesHeldBy) || !known.nameForKey || text.isEmpty())
        return {};
    // The names the text holds, when the lookups can tell them at once.
    std::optional<QStringList> namesInText;
    if (known.namesHeldBy) {
        namesInText = known.namesHeldBy(text);
        if (namesInText->isEmpty())
            return {};
    }
    const std::vector<QStringView> words = wordViews(text);
    const std::shared_ptr<const WordListSearch> units = WordListSearch::of(unitNames);
    // A short text is searched for each name as it comes; a long one once for all of them.
    const bool searchEachName = !namesInText && text.size() <= 256;
    const auto textHolds = [&](const QString& name) {
        const QString stem = singularStem(name);
        return text.contains(name, Qt::CaseInsensitive)
            || (!stem.isEmpty() && text.contains(stem, Qt::CaseInsensitive));
    };

    // Every known name that begins with a word of the text, asked for once for each distinct
    // prefix; the prefixes in the order the words give them.
    TextIds prefixIds;
    // The names of each prefix: prefixNames from namesOfPrefix[id].first, .second of them.
    QVarLengthArray<std::pair<qsizetype, qsizetype>, 32> namesOfPrefix;
    QVarLengthArray<qsizetype, 64> prefixNames;
    QVarLengthArray<qsizetype, 64> prefixSequence;
    TextIds nameIds;
    QStringList names;
    const auto addPrefix = [&](QStringView prefix) {
        qsizetype id = prefixIds.find(prefix);
        if (id < 0) {
            const qsizetype first = prefixNames.size();
            const auto addName = [&](const QString& name) {
                if (name.isEmpty() || (searchEachName && !textHolds(name)))
                    return;
                qsizetype named = nameIds.find(name);
                if (named < 0) {
                    names.append(name);
                    named = nameIds.add(names.last());
                }
                prefixNames.append(named);
            };
            if (namesInText) {
                for (const QString& name : *namesInText) {
                    if (name.startsWith(prefix, Qt::CaseInsensitive))
                        addName(name);
                }
            } else {
                for (const QString& name : known.namesBeginningWith(prefix.toString()))
                    addName(name);
            }
            id = prefixIds.add(prefix);
            namesOfPrefix.append({ first, prefixNames.size() - first });
        }
        prefixSequence.append(id);
    };
    for (const QStringView word : words) {
        if (units->containsWord(word))
            continue;
        addPrefix(word);
        // A plural word begins no singular name ("onions" and "onion"): try it without its ending.
        if (word.endsWith(QLatin1Char('s'), Qt::CaseInsensitive) && word.size() > 1)
            addPrefix(word.chopped(1));
        if (word.endsWith(QLatin1String("es"), Qt::CaseInsensitive) && word.size() > 2)
            addPrefix(word.chopped(2));
    }
    if (names.isEmpty())
        return {};

    // Each name and its stem is a pattern, found in the text once.
    TextIds patternIds;
    QStringList patterns;
    const auto patternOf = [&](const QString& pattern) -> qsizetype {
        if (pattern.isEmpty())
            return -1;
        qsizetype id = patternIds.find(pattern);
        if (id < 0) {
            patterns.append(pattern);
            id = patternIds.add(patterns.last());
        }
        return id;
    };
    QVarLengthArray<qsizetype, 16> namePattern(names.size());
    QVarLengthArray<qsizetype, 16> stemPattern(names.size());
    for (qsizetype i = 0; i < names.size(); ++i) {
        namePattern[i] = patternOf(names.at(i));
        stemPattern[i] = patternOf(singularStem(names.at(i)));
    }
    const QList<QList<qsizetype>> occurrences = WordListSearch::occurrencesOfEach(text, patterns);

    // The names the text holds, in full or without its plural ending, once for each word that
    // begins them; longer names first.
    QVarLengthArray<qsizetype, 32> candidates;
    for (qsizetype prefix : prefixSequence) {
        const auto [first, count] = namesOfPrefix.at(prefix);
        for (qsizetype k = first; k < first + count; ++k) {
            const qsizetype name = prefixNames.at(k);
            if (searchEachName || !occurrences.at(namePattern.at(name)).isEmpty()
                || (stemPattern.at(name) >= 0 && !occurrences.at(stemPattern.at(name)).isEmpty()))
                candidates.append(name);
        }
    }
    std::stable_sort(candidates.begin(), candidates.end(),
        [&](qsizetype a, qsizetype b) { return names.at(a).size() > names.at(b).size(); });

    // Each name claims the first place that holds it in what the longer names left of the text,
    // which is the text with the claimed places removed.
    ClaimedText rest(text, patterns, occurrences);
    QList<KnownMention> mentions;
    // The name held under each candidate's key, asked for once: unknown, none, or the name.
    QVarLengthArray<std::optional<std::optional<QString>>, 16> heldNames(names.size());
    for (qsizetype name : candidates) {
        std::optional<ClaimedText::Place> place = rest.firstPlaceOf(namePattern.at(name));
        if (!place) {
            if (stemPattern.at(name) < 0)
                continue;
            place = rest.firstPlaceOf(stemPattern.at(name));
        }
        if (!place)
            continue;
        std::optional<std::optional<QString>>& held = heldNames[name];
        if (!held)
            held = known.nameForKey(names.at(name));
        if (!*held)
            continue;
        mentions.append({ names.at(name), **held });
        rest.remove(*place);
    }
    return mentions;
}
