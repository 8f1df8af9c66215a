#include "RegexKitAdditions.h"

#include "Log.h"
#include "RegexAdditions.h"

#include <gtest/gtest.h>

using namespace RegexKitAdditions;

namespace
{

// A pattern string as callers pass one.
RKRegex rx(const char* pattern)
{
    return RKRegex(QString::fromUtf8(pattern));
}

} // namespace

TEST(RegexKitAdditions, RangeOfFirstMatchInUtf16Units)
{
    struct Case {
        QString text;
        QString pattern;
        Range expected;
    };
    const QList<Case> cases = {
        { "Ingredients: 2 eggs", "((?i)(Ingredient)(s|es)?:? +)|(^: ?)", { 0, 13 } },
        { "INGREDIENT 2 eggs", "((?i)(Ingredient)(s|es)?:? +)|(^: ?)", { 0, 11 } },
        { ": 2 eggs", "((?i)(Ingredient)(s|es)?:? +)|(^: ?)", { 0, 2 } },
        { "Use these ingredients: flour", "((?i)(Ingredient)(s|es)?:? +)|(^: ?)", { 10, 13 } },
        // Offsets count UTF-16 units, as QString does: the emoji is two.
        { QString::fromUtf8("\xF0\x9F\x8D\xB0 pie"), "pie", { 3, 3 } },
        { "no match", "\\d", { Range::NotFound, 0 } },
        { "a  b   c", " {2,}", { 1, 2 } },
    };
    for (const Case& c : cases)
        EXPECT_EQ(rangeOfRegex(c.text, c.pattern), c.expected) << c.text.toStdString();
}

TEST(RegexKitAdditions, MultilineOptionAnchorsAtEveryLine)
{
    const QString text = "first\nsecond line\nthird";
    EXPECT_FALSE(isMatchedByRegex(text, rx("^second")));
    const RKRegex lines = RKRegex::regexWithRegexString("^second.*$", RKRegex::RKCompileMultiline);
    EXPECT_EQ(lines.compileOptions(), 2);
    EXPECT_EQ(rangeOfRegex(text, lines), (Range { 6, 11 }));
    EXPECT_TRUE(isMatchedByRegex("x", RKRegex::regexWithRegexString("X", RKRegex::RKCompileCaseless)));
}

TEST(RegexKitAdditions, InvalidPatternMatchesNothingAndIsLogged)
{
    Log::Capture log;
    const RKRegex broken = rx("(unclosed");
    EXPECT_FALSE(broken.isValid());
    EXPECT_EQ(rangeOfRegex("(unclosed", broken).location, Range::NotFound);
    EXPECT_FALSE(isMatchedByRegex("anything", broken));
    QString text = "keep";
    EXPECT_EQ(matchReplaceWithString(text, broken, RKReplaceAll, "x"), 0);
    EXPECT_EQ(text, "keep");
    EXPECT_TRUE(log.contains("does not compile"));
}

TEST(RegexKitAdditions, SubjectWithLoneSurrogateMatchesNothing)
{
    QString text = "ab";
    text.insert(1, QChar(0xD800));
    EXPECT_EQ(rangeOfRegex(text, rx("b")).location, Range::NotFound);
    EXPECT_EQ(stringByMatching(text, rx("b"), RKReplaceAll, "c"), text);
}

TEST(RegexKitAdditions, ReplacementReferenceFormats)
{
    struct Case {
        const char* text;
        const char* pattern;
        qsizetype count;
        const char* reference;
        const char* expected;
        qsizetype replaced;
    };
    const QList<Case> cases = {
        { "a  b   c", " {2,}", RKReplaceAll, " ", "a b c", 2 },
        { "a  b   c", " {2,}", 1, " ", "a b   c", 1 },
        { "a  b", " {2,}", 0, " ", "a  b", 0 },
        { "John Smith", "(\\w+) (\\w+)", RKReplaceAll, "$2, $1", "Smith, John", 1 },
        { "John Smith", "(\\w+) (\\w+)", RKReplaceAll, "${2}/${1}", "Smith/John", 1 },
        { "John Smith", "(?<first>\\w+) (?<last>\\w+)", RKReplaceAll, "${last} ${first}", "Smith John", 1 },
        { "2 eggs", "\\d", RKReplaceAll, "[$0]", "[2] eggs", 1 },
        // An optional group that took no part inserts nothing.
        { "ab", "a(x)?b", RKReplaceAll, "<$1>", "<>", 1 },
        // "$$" and "\" make the next character literal.
        { "cost", "cost", RKReplaceAll, "$$5 and \\$1 and \\\\", "$5 and $1 and \\", 1 },
        // A lone "$" at the end, or before a character that starts no reference, is itself.
        { "x", "x", RKReplaceAll, "5$", "5$", 1 },
        { "x", "x", RKReplaceAll, "$a", "$a", 1 },
        // "$10" is capture 1 followed by "0"; braces reach further.
        { "ab", "(a)(b)", RKReplaceAll, "$10", "a0", 1 },
        // Empty matches are each replaced once, without looping.
        { "ab", "x*", RKReplaceAll, "-", "-a-b-", 3 },
        // A reference to a capture the regex lacks changes nothing.
        { "ab", "(a)", RKReplaceAll, "$2", "ab", 0 },
        { "ab", "(a)", RKReplaceAll, "${missing}", "ab", 0 },
        { "ab", "(a)", RKReplaceAll, "${1", "ab", 0 },
    };
    Log::Capture log;
    for (const Case& c : cases) {
        qsizetype replaced = -1;
        EXPECT_EQ(stringByMatching(c.text, rx(c.pattern), c.count, c.reference, &replaced), c.expected)
            << c.text << " / " << c.reference;
        EXPECT_EQ(replaced, c.replaced) << c.text << " / " << c.reference;

        QString inPlace = c.text;
        EXPECT_EQ(matchReplaceWithString(inPlace, rx(c.pattern), c.count, c.reference), c.replaced);
        EXPECT_EQ(inPlace, c.expected);
    }
    EXPECT_TRUE(log.contains("names no capture"));
}

TEST(RegexKitAdditions, ReplaceWithFormatFillsArgumentsOnce)
{
    QString text = "<title/> and <title/>";
    EXPECT_EQ(matchReplaceWithFormat(text, rx("<(title)/>"), 1, "%1 [$1]", { "Pie %2" }), 1);
    EXPECT_EQ(text, "Pie %2 [title] and <title/>");
}

TEST(RegexKitAdditions, CapturesByReference)
{
    const RKRegex tag = rx("<(?<tag>\\w+)( count=(\\d+))?>");
    QString name = "unset";
    QString whole;
    QString optional = "unset";
    int count = -1;
    ASSERT_TRUE(getCapturesWithRegexAndReferences(
        "x <steps count=12> y", tag, { { "${tag}", &name }, { "$0", &whole }, { "${3:%d}", &count } }));
    EXPECT_EQ(name, "steps");
    EXPECT_EQ(whole, "<steps count=12>");
    EXPECT_EQ(count, 12);

    // An optional capture that took no part: a null string, an unchanged number.
    count = 7;
    ASSERT_TRUE(
        getCapturesWithRegexAndReferences("<name>", tag, { { "$3", &optional }, { "${3:%d}", &count } }));
    EXPECT_TRUE(optional.isNull());
    EXPECT_EQ(count, 7);

    // Within a range, which matches as a string of its own.
    ASSERT_TRUE(getCapturesWithRegex("<a> <b>", rx("^<(\\w)>"), { 4, 3 }, { { "$1", &name } }));
    EXPECT_EQ(name, "b");
    EXPECT_FALSE(getCapturesWithRegex("<a>", rx("a"), { 2, 5 }, { { "$0", &name } }));
}

TEST(RegexKitAdditions, BadReferencesFillNothing)
{
    struct Case {
        const char* reference;
        bool asNumber;
    };
    const QList<Case> cases = {
        { "${nothing}", false }, { "$4", false }, { "1", false }, { "${1:%q}", true }, { "$1", true },
        { "${1:%d}", false }, { "${2:%d}", true } // "x" reads as no number
    };
    Log::Capture log;
    for (const Case& c : cases) {
        QString first = "unset";
        QString text = "unset";
        int number = -1;
        RKReferences references = { { "$0", &first } };
        if (c.asNumber)
            references.append({ c.reference, &number });
        else
            references.append({ c.reference, &text });
        EXPECT_FALSE(getCapturesWithRegexAndReferences("12 x", rx("(\\d+) (x)"), references)) << c.reference;
        EXPECT_EQ(first, "unset") << c.reference;
        EXPECT_EQ(text, "unset") << c.reference;
        EXPECT_EQ(number, -1) << c.reference;
    }
    QString none = "unset";
    EXPECT_FALSE(getCapturesWithRegexAndReferences("abc", rx("\\d"), { { "$0", &none } }));
    EXPECT_EQ(none, "unset");
}

TEST(RegexKitAdditions, EnumeratorWalksMatchesWithCaptureRanges)
{
    RKEnumerator matches = matchEnumeratorWithRegex("3 eggs, 12 figs, nuts", rx("(?:(\\d+) )?(\\w+)(,)?"));
    QList<QList<Range>> seen;
    QStringList words;
    QList<int> numbers;
    for (QList<Range> ranges = matches.nextRanges(); !ranges.isEmpty(); ranges = matches.nextRanges()) {
        seen.append(ranges);
        QString word;
        int number = 0;
        ASSERT_TRUE(matches.getCapturesWithReferences({ { "$2", &word }, { "${1:%d}", &number } }));
        words.append(word);
        numbers.append(number);
    }
    ASSERT_EQ(seen.size(), 3);
    EXPECT_EQ(seen.at(0), (QList<Range> { { 0, 7 }, { 0, 1 }, { 2, 4 }, { 6, 1 } }));
    EXPECT_EQ(
        seen.at(2), (QList<Range> { { 17, 4 }, { Range::NotFound, 0 }, { 17, 4 }, { Range::NotFound, 0 } }));
    EXPECT_EQ(words, (QStringList { "eggs", "figs", "nuts" }));
    EXPECT_EQ(numbers, (QList<int> { 3, 12, 0 }));
    // After the last match there is nothing to read.
    EXPECT_TRUE(matches.nextRanges().isEmpty());
    QString word = "unset";
    EXPECT_FALSE(matches.getCapturesWithReferences({ { "$0", &word } }));
    EXPECT_EQ(word, "unset");
}

TEST(RKRegex, NamedGroupsAndCaptureCount)
{
    const RKRegex regex = RKRegex::regexWithRegexString("(?<tag>a)(b)(?<group>c)?", 0);
    EXPECT_TRUE(regex.isValid());
    EXPECT_EQ(regex.captureCount(), 3);
    EXPECT_EQ(regex.captureIndexForCaptureName("tag"), 1);
    EXPECT_EQ(regex.captureIndexForCaptureName("group"), 3);
    EXPECT_EQ(regex.captureIndexForCaptureName("name"), -1);
    EXPECT_EQ(regex.captureIndexForCaptureName(""), -1);
    // The same pattern and options share one compiled pattern; other options make another.
    EXPECT_EQ(RKRegex::regexWithRegexString("(?<tag>a)(b)(?<group>c)?", 0).regularExpression(),
        regex.regularExpression());
    EXPECT_FALSE(isMatchedByRegex("A", RKRegex::regexWithRegexString("a", 0)));
    EXPECT_TRUE(isMatchedByRegex("A", RKRegex::regexWithRegexString("a", RKRegex::RKCompileCaseless)));
}

TEST(RegexKitAdditions, EscapedTextStaysLiteral)
{
    const QStringList texts = { "a[b]c", "$1 and ${name}", "back\\slash \\$", "$$" };
    for (const QString& text : texts) {
        EXPECT_EQ(
            stringByMatching("<x>", rx("<(x)>"), RKReplaceAll, RegexAdditions::escapedReferenceString(text)),
            text)
            << text.toStdString();
    }
    EXPECT_EQ(rangeOfRegex("see [note]", RegexAdditions::escapedRegexString("[note]")), (Range { 4, 6 }));
}
