#include "IngredientLineParser.h"

#include "AmountFinding.h"
#include "ArraySearch.h"
#include "DecimalAndFractionCharacters.h"
#include "IsEmpty.h"
#include "TextIds.h"
#include "WordListSearch.h"

#include <QHash>
#include <QVarLengthArray>
#include <algorithm>
#include <limits>
#include <utility>
#include <vector>

namespace
{

// The line as the parser works on it. A recognised piece is masked: its characters become a
// mark that is neither letter nor digit, so later searches cannot match inside it, and the text
// before the first mark is the head where unit and amount are looked for. Pieces taken from
// the rest (everything but known ingredients) are left out of what remains for a new name.
class LineText
{
public:
    // What a masked piece was: a size word or a parenthesis between amount and unit is passed
    // over when the unit is looked for.
    enum class Kind : char { None, Parenthesis, Modifier, Other };

    explicit LineText(const QString& line)
        : m_work(line)
        , m_taken(line.size(), false)
        , m_kinds(line.size(), Kind::None)
    {
    }

    const QString& work() const { return m_work; }

    void mask(Range range, bool takeFromRest, Kind kind = Kind::Other)
    {
        for (qsizetype i = range.location; i < maxRange(range); ++i) {
            m_work[i] = mark;
            m_kinds[i] = kind;
            if (takeFromRest)
                m_taken[i] = true;
        }
        if (range.length > 0)
            m_firstMask = std::min(m_firstMask, range.location);
    }

    // The text before the first masked piece.
    QStringView head() const { return QStringView(m_work).left(std::min(m_firstMask, m_work.size())); }

    bool isTaken(qsizetype i) const { return m_taken[i]; }
    Kind kindAt(qsizetype i) const { return m_kinds[i]; }
    qsizetype firstMask() const { return std::min(m_firstMask, m_work.size()); }

    // General punctuation, so that word splitting treats a masked piece as a separator.
    static constexpr QChar mark = QChar(0x205D);

private:
    QString m_work;
    QList<bool> m_taken;
    std::vector<Kind> m_kinds;
    qsizetype m_firstMask = std::numeric_limits<qsizetype>::max();
};

// The known mentions' places in the line, each the first place that holds the name (else its
// stem) once the places before it are masked. Every name and stem is found once; since masks
// only take places away, each search goes on where the last one stopped.
class MaskedSearch
{
public:
    MaskedSearch(LineText& text, const QList<ParsingEngine::KnownMention>& known)
        : m_text(text)
        , m_masked(text.work().size(), false)
    {
        QStringList patterns;
        for (const ParsingEngine::KnownMention& mention : known) {
            const QString& name = mention.name;
            QString stem;
            if (name.endsWith(QLatin1String("es"), Qt::CaseInsensitive))
                stem = name.chopped(2);
            else if (name.endsWith(QLatin1Char('s'), Qt::CaseInsensitive))
                stem = name.chopped(1);
            m_mentions.append({ patternOf(patterns, name), stem.isEmpty() ? -1 : patternOf(patterns, stem) });
        }
        // A name holding the mark would match a masked place: search the text as it stands.
        m_searchEachTime = std::any_of(patterns.begin(), patterns.end(),
            [](const QString& pattern) { return pattern.contains(LineText::mark, Qt::CaseInsensitive); });
        if (!m_searchEachTime)
            m_occurrences = WordListSearch::occurrencesOfEach(text.work(), patterns);
        m_lengths.reserve(patterns.size());
        for (const QString& pattern : patterns)
            m_lengths.append(pattern.size());
        m_patterns = patterns;
        m_next.fill(0, patterns.size());
    }

    Range firstPlaceOf(qsizetype mention)
    {
        const auto [name, stem] = m_mentions.at(mention);
        const qsizetype at = firstOf(name);
        if (at >= 0 || stem < 0)
            return at >= 0 ? Range { at, m_lengths.at(name) } : Range { Range::NotFound, 0 };
        const qsizetype stemAt = firstOf(stem);
        return stemAt >= 0 ? Range { stemAt, m_lengths.at(stem) } : Range { Range::NotFound, 0 };
    }

    void mask(Range range)
    {
        m_text.mask(range, false);
        for (qsizetype i = range.location; i < maxRange(range); ++i)
            m_masked[i] = true;
    }

private:
    qsizetype patternOf(QStringList& patterns, const QString& pattern)
    {
        qsizetype id = m_patternIds.find(pattern);
        if (id < 0) {
            patterns.append(pattern);
            id = m_patternIds.add(patterns.last());
        }
        return id;
    }

    qsizetype firstOf(qsizetype pattern)
    {
        if (m_searchEachTime)
            return m_text.work().indexOf(m_patterns.at(pattern), 0, Qt::CaseInsensitive);
        const QList<qsizetype>& at = m_occurrences.at(pattern);
        qsizetype& next = m_next[pattern];
        for (; next < at.size(); ++next) {
            const qsizetype from = at.at(next);
            bool whole = true;
            for (qsizetype i = from; whole && i < from + m_lengths.at(pattern); ++i)
                whole = !m_masked[i];
            if (whole)
                return from;
        }
        return -1;
    }

    LineText& m_text;
    std::vector<bool> m_masked;
    QList<std::pair<qsizetype, qsizetype>> m_mentions; // name and stem pattern, -1 for no stem
    TextIds m_patternIds;
    QStringList m_patterns;
    QList<qsizetype> m_lengths;
    QList<QList<qsizetype>> m_occurrences;
    QList<qsizetype> m_next;
    bool m_searchEachTime = false;
};

// What is left of the line for a new name, with where each character stood in the line.
struct Rest {
    QString text;
    QList<qsizetype> at;

    void remove(qsizetype from, qsizetype count)
    {
        text.remove(from, count);
        at.remove(from, count);
    }
    void truncate(qsizetype size)
    {
        text.truncate(size);
        at.resize(size);
    }
};

Rest restOf(const QString& line, const LineText& text)
{
    Rest rest;
    rest.text.reserve(line.size());
    rest.at.reserve(line.size());
    for (qsizetype i = 0; i < line.size(); ++i) {
        if (!text.isTaken(i)) {
            rest.text.append(line.at(i));
            rest.at.append(i);
        }
    }
    return rest;
}

bool endsUnit(const QString& text, qsizetype at)
{
    if (at >= text.size())
        return true;
    const QChar c = text.at(at);
    // Any white space, so a unit before a line break or tab counts like one before a blank; a
    // slash ends the first of two measures ("25g/1oz").
    return c.isSpace() || c == QLatin1Char('.') || c == QChar(0) || c == QLatin1Char('/');
}

// Removes every occurrence of `name` followed by a blank that starts a word, then one occurrence
// at the very end that starts a word.
void removeUnitName(Rest& rest, const QString& name)
{
    // One pass: what is kept is copied out, so a removal does not move the rest of the text. The
    // search goes on where the last removal or skipped occurrence left it, as in the text as it
    // stands then.
    const QString withBlank = name + QLatin1Char(' ');
    Rest kept;
    kept.text.reserve(rest.text.size());
    kept.at.reserve(rest.at.size());
    const auto keep = [&](qsizetype from, qsizetype to) {
        kept.text.append(QStringView(rest.text).mid(from, to - from));
        kept.at.append(rest.at.mid(from, to - from));
    };
    qsizetype read = 0;
    for (;;) {
        const qsizetype at = rest.text.indexOf(withBlank, read, Qt::CaseInsensitive);
        if (at < 0)
            break;
        keep(read, at);
        if (kept.text.isEmpty() || !kept.text.back().isLetter()) {
            read = at + withBlank.size();
        } else {
            keep(at, at + 1);
            read = at + 1;
        }
    }
    if (read > 0) {
        keep(read, rest.text.size());
        rest = std::move(kept);
    }
    if (rest.text.endsWith(name, Qt::CaseInsensitive)) {
        const qsizetype at = rest.text.size() - name.size();
        if (at == 0 || !rest.text.at(at - 1).isLetter())
            rest.truncate(at);
    }
}

// The first unit name in work[from, to) that starts a word and is followed (after a plural
// ending) by a blank, a period, a slash or the end; at one place the longest name, then the first
// in the list. With `firstWordOnly`, only a name at the stretch's first word counts. The range
// holds the ending; *nameLength is the name's own length.
Range firstUnitIn(const QString& work, qsizetype from, qsizetype to, const WordListSearch& units,
    bool firstWordOnly, qsizetype* nameLength)
{
    if (to <= from)
        return { Range::NotFound, 0 };
    qsizetype firstWord = from;
    while (firstWord < to && work.at(firstWord).isSpace())
        ++firstWord;
    WordListSearch::Folded folded;
    WordListSearch::fold(QStringView(work).mid(from, to - from), folded);
    const QStringView foldedView(folded.constData(), folded.size());
    // Only a name that starts a word counts.
    std::vector<WordListSearch::Hit> hits;
    for (qsizetype at = from; at < to; ++at) {
        if ((!firstWordOnly || at == firstWord) && (at == 0 || !work.at(at - 1).isLetter()))
            units.occurrencesAt(foldedView, at - from, hits);
    }
    struct Candidate {
        qsizetype at;
        qsizetype length;
        qsizetype index;
    };
    std::vector<Candidate> candidates;
    for (const WordListSearch::Hit& hit : hits) {
        const qsizetype at = from + hit.at;
        if (firstWordOnly && at != firstWord)
            continue;
        if (at == 0 || !work.at(at - 1).isLetter())
            candidates.push_back({ at, units.wordLength(hit.word), hit.word });
    }
    std::sort(candidates.begin(), candidates.end(), [](const Candidate& a, const Candidate& b) {
        if (a.at != b.at)
            return a.at < b.at;
        if (a.length != b.length)
            return a.length > b.length;
        return a.index < b.index;
    });
    for (const Candidate& c : candidates) {
        const qsizetype after = c.at + c.length;
        qsizetype ending = 0;
        if (after < work.size() && work.at(after) == QLatin1Char('s'))
            ending = 1;
        else if (QStringView(work).mid(after, 2) == QLatin1String("es"))
            ending = 2;
        if (endsUnit(work, after + ending)) {
            *nameLength = c.length;
            return { c.at, c.length + ending };
        }
    }
    return { Range::NotFound, 0 };
}

// What ArraySearch::successiveRangesOfElementsOfArray answers: the longest word at a word start
// (the first in the list of equal ones, at its first place) taken and masked with the mark, again
// and again. A short line holds few occurrences, so each hit is the best of those that still
// count; masking only takes occurrences away and makes word starts, since the mark is no letter
// and in no word.
QList<Range> successiveHits(const QString& text, const WordListSearch& search, QChar mark)
{
    constexpr qsizetype shortText = 256;
    if (text.size() > shortText || mark.isLetter() || search.anyWordContains(mark))
        return ArraySearch::successiveRangesOfElementsOfArray(text, search.words(), mark);
    WordListSearch::Folded folded;
    WordListSearch::fold(text, folded);
    const QStringView foldedView(folded.constData(), folded.size());
    // Only an occurrence at a word start can be taken, or one right after a taken one, which
    // is an occurrence too: the places after the ends of occurrences found so far.
    QVarLengthArray<bool, 256> afterOccurrence(text.size() + 1);
    std::fill(afterOccurrence.begin(), afterOccurrence.end(), false);
    std::vector<WordListSearch::Hit> hits;
    for (qsizetype start = 0; start < text.size(); ++start) {
        if (start > 0 && !afterOccurrence[start] && text.at(start - 1).isLetter())
            continue;
        const std::size_t before = hits.size();
        search.occurrencesAt(foldedView, start, hits);
        for (std::size_t h = before; h < hits.size(); ++h)
            afterOccurrence[start + search.wordLength(hits[h].word)] = true;
    }
    QList<Range> taken;
    if (hits.empty())
        return taken;
    QVarLengthArray<bool, 256> masked(text.size());
    std::fill(masked.begin(), masked.end(), false);
    for (;;) {
        const WordListSearch::Hit* best = nullptr;
        qsizetype bestLength = 0;
        for (const WordListSearch::Hit& hit : hits) {
            const qsizetype length = search.wordLength(hit.word);
            if (best
                && (length < bestLength
                    || (length == bestLength
                        && (hit.word > best->word || (hit.word == best->word && hit.at > best->at)))))
                continue;
            if (hit.at > 0 && !masked[hit.at - 1] && text.at(hit.at - 1).isLetter())
                continue;
            if (std::any_of(
                    masked.begin() + hit.at, masked.begin() + hit.at + length, [](bool m) { return m; }))
                continue;
            best = &hit;
            bestLength = length;
        }
        if (!best)
            return taken;
        taken.append({ best->at, bestLength });
        std::fill(masked.begin() + best->at, masked.begin() + best->at + bestLength, true);
    }
}

// Whether the text between two ingredients makes the second an alternative to the first or a
// part mixed into it: it holds the word "or" or "with".
bool joinsAlternative(QStringView between)
{
    qsizetype start = -1;
    for (qsizetype i = 0; i <= between.size(); ++i) {
        const bool letter = i < between.size() && between.at(i).isLetter();
        if (letter && start < 0)
            start = i;
        if (!letter && start >= 0) {
            const QStringView word = between.mid(start, i - start);
            if (word.compare(QLatin1String("or"), Qt::CaseInsensitive) == 0
                || word.compare(QLatin1String("with"), Qt::CaseInsensitive) == 0)
                return true;
            start = -1;
        }
    }
    return false;
}

// The stretch from the first to the last letter; empty text when there is no letter.
Range lettersOf(const QString& text)
{
    qsizetype start = 0;
    qsizetype end = text.size();
    while (start < end && !text.at(start).isLetter())
        ++start;
    while (end > start && !text.at(end - 1).isLetter())
        --end;
    return { start, end - start };
}

} // namespace

Decimal IngredientLineParser::Result::amountValue() const
{
    if (isEmpty(amount))
        return Decimal::one();
    return AmountFinding::amountDecimalNumberValue(amount);
}

IngredientLineParser::IngredientLineParser(
    QStringList modifiers, QStringList unitNames, ParsingEngine::KnownIngredients knownIngredients)
    : m_modifiers(std::move(modifiers))
    , m_unitNames(std::move(unitNames))
    , m_knownIngredients(std::move(knownIngredients))
    , m_modifierSearch(WordListSearch::of(m_modifiers))
    , m_unitSearch(WordListSearch::of(m_unitNames))
{
}

QString IngredientLineParser::unknownIngredientName()
{
    return QStringLiteral("unknown ingredient");
}

IngredientLineParser::Result IngredientLineParser::parse(const QString& line) const
{
    Result result;
    LineText text(line);

    // Parentheses: the first ")" after the first "(" closes, however they nest. Nothing before a
    // masked pair holds a "(", so the next search starts after it.
    for (qsizetype from = 0;;) {
        const qsizetype open = text.work().indexOf(QLatin1Char('('), from);
        if (open < 0)
            break;
        const qsizetype close = text.work().indexOf(QLatin1Char(')'), open + 1);
        if (close < 0)
            break;
        text.mask({ open, close - open + 1 }, true, LineText::Kind::Parenthesis);
        from = close + 1;
    }

    // Modifiers, longest first, each masked as found so the next search cannot find it again.
    for (const Range& hit : successiveHits(text.work(), *m_modifierSearch, LineText::mark)) {
        result.modifiers.append(line.mid(hit.location, hit.length));
        text.mask(hit, true, LineText::Kind::Modifier);
        result.modifierRange = hit;
    }
    if (!result.modifiers.isEmpty())
        result.modifier = result.modifiers.last();

    // Known ingredients, longest names first; the first is the line's ingredient.
    const QList<ParsingEngine::KnownMention> known
        = ParsingEngine::knownIngredientsInString(text.work(), m_knownIngredients, m_unitNames);
    if (!known.isEmpty()) {
        result.ingredientKind = IngredientKind::Known;
        result.ingredientKey = known.first().key;
        result.ingredient = known.first().name;
    }
    // Each mention masks the first place that holds its name, or else its stem. The longest name
    // is the line's ingredient, unless a mention before it is its alternative or what it is mixed
    // into ("sherry or dry white wine", "2 eggs whisked with 2 tablespoons milk"): then the first
    // such mention.
    MaskedSearch search(text, known);
    QList<std::pair<Range, qsizetype>> placed;
    for (qsizetype i = 0; i < known.size(); ++i) {
        const Range place = search.firstPlaceOf(i);
        if (place.location != Range::NotFound) {
            search.mask(place);
            placed.append({ place, i });
        }
    }
    if (!placed.isEmpty()) {
        std::pair<Range, qsizetype> chosen = placed.first();
        for (const auto& [place, i] : placed) {
            if (place.location < chosen.first.location
                && joinsAlternative(
                    QStringView(line).mid(maxRange(place), chosen.first.location - maxRange(place))))
                chosen = { place, i };
        }
        result.ingredientRange = chosen.first;
        result.ingredientKey = known.at(chosen.second).key;
        result.ingredient = known.at(chosen.second).name;
    }

    // Unit: the first unit name in the head (the text before the first masked piece), followed
    // by a blank, a period, a slash or the end of the line (after a plural ending). When the head
    // ends with the amount and a size word or a parenthesis follows ("2 small cloves", "1
    // (14.5-ounce) can"), the first word after them may be the unit.
    const auto& amountCharacters = DecimalAndFractionCharacters::decimalDigitAndFractionCharacterSet();
    const QString& work = text.work();
    // A modifier before the amount ("scant 2 cups", "about 1 cup") does not end the head.
    qsizetype headStart = 0;
    qsizetype headEnd = text.firstMask();
    {
        qsizetype at = 0;
        bool passedModifier = false;
        for (;;) {
            while (at < work.size() && work.at(at).isSpace() && text.kindAt(at) == LineText::Kind::None)
                ++at;
            if (at >= work.size() || text.kindAt(at) != LineText::Kind::Modifier)
                break;
            while (at < work.size() && text.kindAt(at) == LineText::Kind::Modifier)
                ++at;
            passedModifier = true;
        }
        if (passedModifier && at < work.size() && amountCharacters.characterIsMember(work.at(at))) {
            headStart = at;
            headEnd = at;
            while (headEnd < work.size() && text.kindAt(headEnd) == LineText::Kind::None)
                ++headEnd;
        }
    }
    qsizetype nameLength = 0;
    Range unit = firstUnitIn(work, headStart, headEnd, *m_unitSearch, false, &nameLength);
    if (unit.location == Range::NotFound) {
        qsizetype last = headEnd - 1;
        while (last >= headStart && work.at(last).isSpace())
            --last;
        if (last >= headStart && amountCharacters.characterIsMember(work.at(last))) {
            qsizetype from = headEnd;
            for (;;) {
                const LineText::Kind kind = from < work.size() ? text.kindAt(from) : LineText::Kind::None;
                if (kind != LineText::Kind::Modifier && kind != LineText::Kind::Parenthesis)
                    break;
                while (from < work.size() && text.kindAt(from) == kind && work.at(from) == LineText::mark)
                    ++from;
                while (from < work.size() && work.at(from).isSpace()
                    && text.kindAt(from) == LineText::Kind::None)
                    ++from;
            }
            if (from > headEnd) {
                qsizetype to = from;
                while (to < work.size() && text.kindAt(to) == LineText::Kind::None)
                    ++to;
                unit = firstUnitIn(work, from, to, *m_unitSearch, true, &nameLength);
            }
        }
    }
    if (unit.location != Range::NotFound) {
        result.unit = line.mid(unit.location, nameLength);
        result.unitRange = unit;
        text.mask(result.unitRange, true);
    }

    // Amount: in the head before the unit, from its first through its last digit or fraction
    // character; a word before it ("about", "scant") is no part of it.
    {
        const qsizetype end = unit.location != Range::NotFound ? std::min(unit.location, headEnd) : headEnd;
        const QStringView head = QStringView(work).left(end);
        qsizetype last = head.size() - 1;
        while (last >= headStart && !amountCharacters.characterIsMember(head.at(last)))
            --last;
        if (last >= headStart) {
            qsizetype first = headStart;
            while (!amountCharacters.characterIsMember(head.at(first)))
                ++first;
            result.amountRange = { first, last - first + 1 };
            result.amount = line.mid(first, last - first + 1);
            text.mask(result.amountRange, true);
        }
    }

    // New ingredient: what is left of the line once the known parts are gone.
    if (known.isEmpty()) {
        Rest rest = restOf(line, text);
        const qsizetype comma = rest.text.lastIndexOf(QLatin1Char(','));
        if (comma >= 0)
            rest.truncate(comma);
        for (qsizetype i = rest.text.size() - 1; i >= 0; --i) {
            if (rest.text.at(i).isDigit()) {
                rest.remove(0, i + 1);
                break;
            }
        }
        for (const QString& name : ParsingEngine::unitNamesInString(rest.text, m_unitNames))
            removeUnitName(rest, name);
        const Range letters = lettersOf(rest.text);
        if (letters.length == 0) {
            result.ingredientKind = IngredientKind::Unnamed;
            result.ingredient = unknownIngredientName();
        } else {
            result.ingredientKind = IngredientKind::New;
            result.ingredient = rest.text.mid(letters.location, letters.length);
            const qsizetype first = rest.at.at(letters.location);
            const qsizetype last = rest.at.at(maxRange(letters) - 1);
            // Parts taken from between its letters leave the name in pieces.
            if (last - first + 1 == letters.length)
                result.ingredientRange = { first, letters.length };
        }
    }
    return result;
}
