#include "ArraySearch.h"

#include <QRandomGenerator>
#include <gtest/gtest.h>

namespace
{

struct SearchCase {
    const char* text;
    QStringList elements;
    Range range;
    qsizetype index;
};

TEST(ArraySearchTest, LongestWordStartWinsAndTiesGoToTheFirst)
{
    const Range none { Range::NotFound, 0 };
    const SearchCase cases[] = {
        { "2 cups flour", { "cup", "cups", "c" }, { 2, 4 }, 1 },
        { "2 CUPS flour", { "cups" }, { 2, 4 }, 0 },
        // Preceded by a letter: skipped, and the later standalone one counts.
        { "teacup, cup", { "cup" }, { 8, 3 }, 0 },
        { "1 tsp tbs", { "tbs", "tsp" }, { 6, 3 }, 0 },
        { "1 tbs tsp", { "tbs", "tsp" }, { 2, 3 }, 0 },
        { "(cup)", { "cup" }, { 1, 3 }, 0 },
        { "cupcakes", { "cup" }, { 0, 3 }, 0 },
        { "teacup", { "cup" }, none, Range::NotFound },
        { "anything", {}, none, Range::NotFound },
        { "anything", { "" }, none, Range::NotFound },
        { "", { "cup" }, none, Range::NotFound },
    };
    for (const SearchCase& c : cases) {
        qsizetype index = -7;
        EXPECT_EQ(ArraySearch::rangeOfElementsOfArray(QString::fromUtf8(c.text), c.elements, &index), c.range)
            << c.text;
        EXPECT_EQ(index, c.index) << c.text;
    }
}

// The first occurrence of each element at a word start, by QString's own search.
Range plainRange(const QString& text, const QStringList& elements)
{
    Range best { Range::NotFound, 0 };
    for (const QString& element : elements) {
        if (element.isEmpty() || element.size() <= best.length)
            continue;
        for (qsizetype at = text.indexOf(element, 0, Qt::CaseInsensitive); at >= 0;
             at = text.indexOf(element, at + 1, Qt::CaseInsensitive)) {
            if (at == 0 || !text.at(at - 1).isLetter()) {
                best = { at, element.size() };
                break;
            }
        }
    }
    return best;
}

QList<Range> plainSuccessiveRanges(QString text, const QStringList& elements, QChar mark)
{
    QList<Range> hits;
    for (Range hit = plainRange(text, elements); hit.location != Range::NotFound;
         hit = plainRange(text, elements)) {
        hits.append(hit);
        for (qsizetype i = hit.location; i < maxRange(hit); ++i)
            text[i] = mark;
    }
    return hits;
}

QString randomText(QRandomGenerator& random, qsizetype length)
{
    // Few letters, so that elements recur and overlap; separators that are and are not letters.
    static const QString alphabet = QStringLiteral("abAB -,\u00E9\u00C9");
    QString text;
    for (qsizetype i = 0; i < length; ++i)
        text.append(alphabet.at(random.bounded(int(alphabet.size()))));
    return text;
}

// Masking a hit can make the character after it start a word, and so let a longer element in
// later than the first search would have found it; ties go to the first in the list.
TEST(ArraySearchTest, SuccessiveRangesAreWhatSearchingAndMaskingOneByOneGives)
{
    const QChar mark(0x205D);
    const QList<QStringList> lists = {
        { "a", "ab", "aba", "b" },
        { "ab", "ba", "aB", "bab", "abab" },
        { "b a", "a", "a-b", "ba b", "" },
        { "\u00E9a", "\u00C9", "a\u00E9b", "aa", "aaa" },
        { "a b a", "b", "ab", "b ab", "bb", "ba" },
    };
    QRandomGenerator random(20240611);
    for (const QStringList& elements : lists) {
        for (int round = 0; round < 300; ++round) {
            // Short texts and ones past the length at which the text is indexed.
            const QString text
                = randomText(random, round % 3 == 0 ? 300 + random.bounded(200) : random.bounded(40));
            SCOPED_TRACE(qPrintable(elements.join(u'|') + QStringLiteral(" in \"") + text + u'"'));
            ASSERT_EQ(ArraySearch::successiveRangesOfElementsOfArray(text, elements, mark),
                plainSuccessiveRanges(text, elements, mark));
            ASSERT_EQ(ArraySearch::rangeOfElementsOfArray(text, elements), plainRange(text, elements));
        }
    }
    // A mark that is a letter, or that an element holds, masks as well (every element keeps a
    // character that is not the mark, so the masking ends).
    for (const QChar letterMark : { QChar(u'b'), QChar(u'-') }) {
        for (int round = 0; round < 50; ++round) {
            const QString text = randomText(random, random.bounded(60));
            EXPECT_EQ(ArraySearch::successiveRangesOfElementsOfArray(text, lists.at(2), letterMark),
                plainSuccessiveRanges(text, lists.at(2), letterMark));
        }
    }
}

TEST(ArraySearchTest, OccurrencesAreEveryPlaceInAnyCase)
{
    const QString text = QStringLiteral("Abab aBA \u00C9\u00E9");
    const QList<QList<qsizetype>> found = ArraySearch::occurrencesOfElements(
        text, { "ab", "aba", "", "\u00E9", "x", "ba aba \u00E9\u00E9 longer than the text" });
    const QList<QList<qsizetype>> expected = { { 0, 2, 5 }, { 0, 5 }, {}, { 9, 10 }, {}, {} };
    EXPECT_EQ(found, expected);
}

} // namespace
