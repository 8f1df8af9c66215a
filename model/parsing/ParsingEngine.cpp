#include "ParsingEngine.h"

#include "BLStringUtilities.h"
#include "IngredientMO.h"
#include "IngredientTrie.h"
#include "IsEmpty.h"
#include "KRTrieBucket.h"
#include "KeyValueCoding.h"
#include "KitchoraServices.h"
#include "UnitsEngine.h"

#include <QSet>
#include <algorithm>
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
    qsizetype start = -1;
    for (qsizetype i = 0; i <= text.size(); ++i) {
        const bool separator = i == text.size() || text.at(i).isPunct() || text.at(i).isSpace();
        if (!separator) {
            if (start < 0)
                start = i;
        } else if (start >= 0) {
            words.append(text.mid(start, i - start));
            start = -1;
        }
    }
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
    for (const QString& name : unitNames) {
        if (name.isEmpty())
            continue;
        const qsizetype at = text.indexOf(name, 0, Qt::CaseInsensitive);
        if (at < 0)
            continue;
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
    return known;
}

QList<ParsingEngine::KnownMention> ParsingEngine::knownIngredientsInString(
    const QString& text, const KnownIngredients& known, const QStringList& unitNames)
{
    if (!known.namesBeginningWith || !known.nameForKey || text.isEmpty())
        return {};
    const QSet<QString> units(unitNames.begin(), unitNames.end());

    // Every known name that begins with a word of the text and that the text holds, in full or
    // without its plural ending.
    QStringList candidates;
    const auto addCandidatesBeginningWith = [&](const QString& prefix) {
        for (const QString& name : known.namesBeginningWith(prefix)) {
            if (name.isEmpty())
                continue;
            const QString stem = singularStem(name);
            if (text.contains(name, Qt::CaseInsensitive)
                || (!stem.isEmpty() && text.contains(stem, Qt::CaseInsensitive)))
                candidates.append(name);
        }
    };
    for (const QString& word : wordsInString(text)) {
        if (units.contains(word))
            continue;
        addCandidatesBeginningWith(word);
        // A plural word begins no singular name ("onions" and "onion"): try it without its ending.
        if (word.endsWith(QLatin1Char('s'), Qt::CaseInsensitive) && word.size() > 1)
            addCandidatesBeginningWith(word.chopped(1));
        if (word.endsWith(QLatin1String("es"), Qt::CaseInsensitive) && word.size() > 2)
            addCandidatesBeginningWith(word.chopped(2));
    }
    std::stable_sort(candidates.begin(), candidates.end(),
        [](const QString& a, const QString& b) { return a.size() > b.size(); });

    // Longer names first; each claims its stretch of text so the names inside it find nothing.
    QList<KnownMention> mentions;
    QString rest = text;
    for (const QString& name : candidates) {
        qsizetype at = rest.indexOf(name, 0, Qt::CaseInsensitive);
        qsizetype length = name.size();
        if (at < 0) {
            const QString stem = singularStem(name);
            if (stem.isEmpty())
                continue;
            at = rest.indexOf(stem, 0, Qt::CaseInsensitive);
            length = stem.size();
        }
        if (at < 0)
            continue;
        std::optional<QString> heldName = known.nameForKey(name);
        if (!heldName)
            continue;
        mentions.append({ name, std::move(*heldName) });
        rest.remove(at, length);
    }
    return mentions;
}
