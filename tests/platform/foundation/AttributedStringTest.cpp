#include "AttributedString.h"

#include <QColor>
#include <QFont>
#include <gtest/gtest.h>
#include <random>

// Readable failure messages; found by argument-dependent lookup.
void PrintTo(const Range& range, std::ostream* out)
{
    *out << "{" << range.location << ", " << range.length << "}";
}

namespace
{

struct Segment {
    QString text;
    QVariantMap attributes;
};

MutableAttributedString build(const QList<Segment>& segments)
{
    MutableAttributedString s;
    for (const Segment& segment : segments)
        s.appendAttributedString(AttributedString(segment.text, segment.attributes));
    return s;
}

struct RunView {
    Range range;
    QVariantMap attributes;
    bool operator==(const RunView&) const = default;
};

std::vector<RunView> runs(const AttributedString& s)
{
    std::vector<RunView> out;
    s.enumerateAttributesInRange({ 0, s.length() }, [&](const QVariantMap& attributes, Range range, bool&) {
        out.push_back({ range, attributes });
    });
    return out;
}

std::string describe(const std::vector<RunView>& runs)
{
    std::string text;
    for (const RunView& run : runs) {
        text += "[" + std::to_string(run.range.location) + "," + std::to_string(run.range.length) + "]{";
        for (auto it = run.attributes.begin(); it != run.attributes.end(); ++it)
            text += it.key().toStdString() + "=" + it.value().toString().toStdString() + ";";
        text += "} ";
    }
    return text;
}

const QVariantMap A { { "k", 1 } };
const QVariantMap B { { "k", 2 } };
const QVariantMap C { { "k", 3 } };

} // namespace

TEST(AttributedString, AppendedRunsMergeWhenEqual)
{
    struct Case {
        const char* name;
        QList<Segment> segments;
        std::vector<RunView> expected;
    };
    const QList<Case> cases = {
        { "empty", {}, {} },
        { "empty segments add nothing", { { "", A }, { "", B } }, {} },
        { "one run", { { "abc", A } }, { { { 0, 3 }, A } } },
        { "equal neighbours merge", { { "ab", A }, { "cd", A } }, { { { 0, 4 }, A } } },
        { "different neighbours stay", { { "ab", A }, { "cd", B } }, { { { 0, 2 }, A }, { { 2, 2 }, B } } },
        { "empty segment between equal ones", { { "ab", A }, { "", B }, { "cd", A } }, { { { 0, 4 }, A } } },
        { "no attributes is a run too", { { "ab", {} }, { "c", A }, { "d", {} } },
            { { { 0, 2 }, {} }, { { 2, 1 }, A }, { { 3, 1 }, {} } } },
        { "equal values of different numeric types",
            { { "a", { { "k", 1 } } }, { "b", { { "k", qlonglong(1) } } } },
            { { { 0, 2 }, { { "k", 1 } } } } },
    };
    for (const Case& c : cases) {
        const MutableAttributedString s = build(c.segments);
        EXPECT_EQ(runs(s), c.expected) << c.name << ": " << describe(runs(s));
    }
}

TEST(AttributedString, EffectiveRanges)
{
    // "aa" A, "bbb" B, "c" A
    const AttributedString s = build({ { "aa", A }, { "bbb", B }, { "c", A } });
    struct Case {
        qsizetype index;
        Range inRange;
        QVariantMap attributes;
        Range effective;
        Range longest;
    };
    const QList<Case> cases = {
        { 0, { 0, 6 }, A, { 0, 2 }, { 0, 2 } }, { 1, { 1, 5 }, A, { 0, 2 }, { 1, 1 } },
        { 2, { 0, 6 }, B, { 2, 3 }, { 2, 3 } }, { 3, { 3, 1 }, B, { 2, 3 }, { 3, 1 } },
        { 4, { 0, 100 }, B, { 2, 3 }, { 2, 3 } }, // inRange is clipped to the text
        { 5, { 0, 6 }, A, { 5, 1 }, { 5, 1 } },
        { -1, { 0, 6 }, {}, { Range::NotFound, 0 }, { Range::NotFound, 0 } },
        { 6, { 0, 6 }, {}, { Range::NotFound, 0 }, { Range::NotFound, 0 } },
        { Range::NotFound, { 0, 6 }, {}, { Range::NotFound, 0 }, { Range::NotFound, 0 } },
        { 1, { 2, 3 }, A, { 0, 2 }, { Range::NotFound, 0 } }, // index outside inRange
    };
    for (const Case& c : cases) {
        Range effective { -7, -7 };
        Range longest { -7, -7 };
        EXPECT_EQ(s.attributesAtIndex(c.index, &effective), c.attributes) << c.index;
        EXPECT_EQ(effective, c.effective) << c.index;
        EXPECT_EQ(s.attributesAtIndexLongestEffectiveRange(c.index, &longest, c.inRange),
            c.longest.location == Range::NotFound ? QVariantMap() : c.attributes)
            << c.index;
        EXPECT_EQ(longest, c.longest) << c.index << " in " << c.inRange.location << "," << c.inRange.length;
    }
    EXPECT_TRUE(s.attributesAtIndex(0).contains("k")); // the range pointer is optional
}

TEST(AttributedString, AttributeRangeSpansRunsThatDifferElsewhere)
{
    const QVariantMap valueAndFont { { "v", "name" }, { "f", 12 } };
    const QVariantMap valueOnly { { "v", "name" } };
    const AttributedString s
        = build({ { "x", {} }, { "ab", valueAndFont }, { "cd", valueOnly }, { "e", { { "v", "other" } } } });
    struct Case {
        const char* name;
        qsizetype index;
        Range inRange;
        QVariant value;
        Range range;
    };
    const QList<Case> cases = {
        { "v", 1, { 0, 6 }, "name", { 1, 4 } },
        { "v", 4, { 0, 6 }, "name", { 1, 4 } },
        { "v", 3, { 2, 2 }, "name", { 2, 2 } },
        { "v", 0, { 0, 6 }, QVariant(), { 0, 1 } },
        { "v", 5, { 0, 6 }, "other", { 5, 1 } },
        { "f", 3, { 0, 6 }, QVariant(), { 3, 3 } }, // absent throughout counts as one value
        { "f", 1, { 0, 6 }, 12, { 1, 2 } },
        { "v", 9, { 0, 6 }, QVariant(), { Range::NotFound, 0 } },
    };
    for (const Case& c : cases) {
        Range effective;
        Range longest;
        EXPECT_EQ(s.attributeAtIndexLongestEffectiveRange(c.name, c.index, &longest, c.inRange), c.value)
            << c.name << c.index;
        EXPECT_EQ(longest, c.range) << c.name << " at " << c.index;
        EXPECT_EQ(s.attributeAtIndex(c.name, c.index, &effective), c.value);
        if (c.inRange == Range { 0, 6 }) {
            EXPECT_EQ(effective, c.range) << c.name << " at " << c.index;
        }
    }
}

TEST(AttributedString, ReplaceAndDeleteAtRunEdges)
{
    // "aa" A, "bb" B, "cc" C
    struct Case {
        const char* name;
        std::function<void(MutableAttributedString&)> edit;
        QString text;
        std::vector<RunView> expected;
    };
    const AttributedString X("XY", { { "x", true } });
    const QList<Case> cases = {
        { "insert at a run start takes the attributes before it",
            [](auto& s) {
                s.replaceCharactersInRange({ 2, 0 }, QStringLiteral("z"));
            },
            "aazbbcc", { { { 0, 3 }, A }, { { 3, 2 }, B }, { { 5, 2 }, C } } },
        { "insert at the very start takes the first character's",
            [](auto& s) {
                s.replaceCharactersInRange({ 0, 0 }, QStringLiteral("z"));
            },
            "zaabbcc", { { { 0, 3 }, A }, { { 3, 2 }, B }, { { 5, 2 }, C } } },
        { "insert at the end takes the last character's",
            [](auto& s) {
                s.replaceCharactersInRange({ 6, 0 }, QStringLiteral("z"));
            },
            "aabbccz", { { { 0, 2 }, A }, { { 2, 2 }, B }, { { 4, 3 }, C } } },
        { "replacing takes the first replaced character's",
            [](auto& s) {
                s.replaceCharactersInRange({ 1, 2 }, QStringLiteral("zzz"));
            },
            "azzzbcc", { { { 0, 4 }, A }, { { 4, 1 }, B }, { { 5, 2 }, C } } },
        { "replacing a whole run",
            [](auto& s) {
                s.replaceCharactersInRange({ 2, 2 }, QStringLiteral("q"));
            },
            "aaqcc", { { { 0, 2 }, A }, { { 2, 1 }, B }, { { 3, 2 }, C } } },
        { "replacing with nothing deletes",
            [](auto& s) {
                s.replaceCharactersInRange({ 2, 2 }, QString());
            },
            "aacc", { { { 0, 2 }, A }, { { 2, 2 }, C } } },
        { "delete across a run edge",
            [](auto& s) {
                s.deleteCharactersInRange({ 1, 2 });
            },
            "abcc", { { { 0, 1 }, A }, { { 1, 1 }, B }, { { 2, 2 }, C } } },
        { "delete everything",
            [](auto& s) {
                s.deleteCharactersInRange({ 0, 6 });
            },
            "", {} },
        { "delete past the end is clipped",
            [](auto& s) {
                s.deleteCharactersInRange({ 4, 100 });
            },
            "aabb", { { { 0, 2 }, A }, { { 2, 2 }, B } } },
        { "delete wholly past the end does nothing",
            [](auto& s) {
                s.deleteCharactersInRange({ Range::NotFound, 3 });
            },
            "aabbcc", { { { 0, 2 }, A }, { { 2, 2 }, B }, { { 4, 2 }, C } } },
        { "delete before the start is clipped",
            [](auto& s) {
                s.deleteCharactersInRange({ -1, 2 });
            },
            "abbcc", { { { 0, 1 }, A }, { { 1, 2 }, B }, { { 3, 2 }, C } } },
        { "attributed replace keeps its own attributes",
            [&](auto& s) {
                s.replaceCharactersInRange({ 2, 2 }, X);
            },
            "aaXYcc", { { { 0, 2 }, A }, { { 2, 2 }, { { "x", true } } }, { { 4, 2 }, C } } },
        { "attributed insert inside a run splits it", [&](auto& s) { s.insertAttributedString(X, 3); },
            "aabXYbcc",
            { { { 0, 2 }, A }, { { 2, 1 }, B }, { { 3, 2 }, { { "x", true } } }, { { 5, 1 }, B },
                { { 6, 2 }, C } } },
        { "insert past the end appends",
            [&](auto& s) { s.insertAttributedString(AttributedString("c", C), 99); }, "aabbccc",
            { { { 0, 2 }, A }, { { 2, 2 }, B }, { { 4, 3 }, C } } },
        { "insert equal attributes merges",
            [&](auto& s) { s.insertAttributedString(AttributedString("b", B), 2); }, "aabbbcc",
            { { { 0, 2 }, A }, { { 2, 3 }, B }, { { 5, 2 }, C } } },
    };
    for (const Case& c : cases) {
        MutableAttributedString s = build({ { "aa", A }, { "bb", B }, { "cc", C } });
        c.edit(s);
        EXPECT_EQ(s.string(), c.text) << c.name;
        EXPECT_EQ(runs(s), c.expected) << c.name << ": " << describe(runs(s));
    }
}

TEST(AttributedString, DeletingARunMergesItsNeighbours)
{
    MutableAttributedString s = build({ { "aa", A }, { "bb", B }, { "aa", A } });
    s.deleteCharactersInRange({ 2, 2 });
    EXPECT_EQ(s, AttributedString("aaaa", A));
    EXPECT_EQ(runs(s).size(), 1u);
}

TEST(AttributedString, AttributeEdits)
{
    struct Case {
        const char* name;
        std::function<void(MutableAttributedString&)> edit;
        std::vector<RunView> expected;
    };
    const QVariantMap AX { { "k", 1 }, { "x", 9 } };
    const QVariantMap BX { { "k", 2 }, { "x", 9 } };
    const QList<Case> cases = {
        { "add inside one run",
            [](auto& s) {
                s.addAttribute("x", 9, { 1, 1 });
            },
            { { { 0, 1 }, A }, { { 1, 1 }, AX }, { { 2, 2 }, B } } },
        { "add across runs",
            [](auto& s) {
                s.addAttribute("x", 9, { 1, 3 });
            },
            { { { 0, 1 }, A }, { { 1, 1 }, AX }, { { 2, 2 }, BX } } },
        { "replacing a value can merge runs",
            [](auto& s) {
                s.addAttribute("k", 1, { 2, 2 });
            },
            { { { 0, 4 }, A } } },
        { "an invalid value adds nothing",
            [](auto& s) {
                s.addAttribute("x", QVariant(), { 0, 4 });
            },
            { { { 0, 2 }, A }, { { 2, 2 }, B } } },
        { "add several",
            [](auto& s) {
                s.addAttributes({ { "x", 9 }, { "k", 2 } }, { 0, 4 });
            },
            { { { 0, 4 }, BX } } },
        { "remove",
            [](auto& s) {
                s.removeAttribute("k", { 1, 2 });
            },
            { { { 0, 1 }, A }, { { 1, 2 }, {} }, { { 3, 1 }, B } } },
        { "set replaces every attribute",
            [](auto& s) {
                s.setAttributes({ { "x", 9 } }, { 1, 2 });
            },
            { { { 0, 1 }, A }, { { 1, 2 }, { { "x", 9 } } }, { { 3, 1 }, B } } },
        { "set to equal neighbours merges",
            [](auto& s) {
                s.setAttributes(B, { 0, 2 });
            },
            { { { 0, 4 }, B } } },
        { "empty range changes nothing",
            [](auto& s) {
                s.setAttributes(C, { 2, 0 });
            },
            { { { 0, 2 }, A }, { { 2, 2 }, B } } },
        { "range past the end changes nothing",
            [](auto& s) {
                s.addAttribute("x", 9, { 4, 10 });
            },
            { { { 0, 2 }, A }, { { 2, 2 }, B } } },
        { "range with a negative location is clipped",
            [](auto& s) {
                s.setAttributes(C, { -3, 4 });
            },
            { { { 0, 1 }, C }, { { 1, 1 }, A }, { { 2, 2 }, B } } },
        { "huge length is clipped",
            [](auto& s) {
                s.addAttribute("x", 9, { 3, Range::NotFound });
            },
            { { { 0, 2 }, A }, { { 2, 1 }, B }, { { 3, 1 }, BX } } },
    };
    for (const Case& c : cases) {
        MutableAttributedString s = build({ { "aa", A }, { "bb", B } });
        c.edit(s);
        EXPECT_EQ(s.string(), "aabb") << c.name;
        EXPECT_EQ(runs(s), c.expected) << c.name << ": " << describe(runs(s));
    }
}

TEST(AttributedString, AddThenRemoveRestoresTheSameValue)
{
    const MutableAttributedString original = build({ { "one ", A }, { "two ", B }, { "three", C } });
    MutableAttributedString s = original;
    s.addAttribute("x", 1, { 2, 9 });
    EXPECT_NE(s, original);
    s.removeAttribute("x", { 0, s.length() });
    EXPECT_EQ(s, original);
}

TEST(AttributedString, SurrogatePairsAreTwoCodeUnits)
{
    const QString face = QString::fromUtf8("\xF0\x9F\x98\x80"); // U+1F600
    MutableAttributedString s(QStringLiteral("a") + face + QStringLiteral("b"));
    ASSERT_EQ(s.length(), 4);
    s.addAttribute("e", true, { 1, 2 });
    Range range;
    EXPECT_TRUE(s.attributeAtIndex("e", 2, &range).toBool());
    EXPECT_EQ(range, (Range { 1, 2 }));
    EXPECT_EQ(s.attributedSubstringFromRange({ 1, 2 }).string(), face);
    // Half a pair is allowed, as with any UTF-16 range; it must not break the runs.
    const AttributedString half = s.attributedSubstringFromRange({ 2, 2 });
    EXPECT_EQ(half.length(), 2);
    EXPECT_TRUE(half.string().at(0).isLowSurrogate());
    s.deleteCharactersInRange({ 1, 1 });
    EXPECT_EQ(s.length(), 3);
    EXPECT_EQ(runs(s),
        (std::vector<RunView> { { { 0, 1 }, {} }, { { 1, 1 }, { { "e", true } } }, { { 2, 1 }, {} } }));
}

TEST(AttributedString, Substrings)
{
    const AttributedString s = build({ { "aa", A }, { "bb", B }, { "cc", C } });
    struct Case {
        Range range;
        QString text;
        std::vector<RunView> expected;
    };
    const QList<Case> cases = {
        { { 0, 6 }, "aabbcc", runs(s) },
        { { 1, 4 }, "abbc", { { { 0, 1 }, A }, { { 1, 2 }, B }, { { 3, 1 }, C } } },
        { { 2, 2 }, "bb", { { { 0, 2 }, B } } },
        { { 3, 0 }, "", {} },
        { { 5, 100 }, "c", { { { 0, 1 }, C } } },
        { { -2, 3 }, "a", { { { 0, 1 }, A } } },
        { { Range::NotFound, 1 }, "", {} },
    };
    for (const Case& c : cases) {
        const AttributedString sub = s.attributedSubstringFromRange(c.range);
        EXPECT_EQ(sub.string(), c.text) << c.range.location;
        EXPECT_EQ(runs(sub), c.expected) << c.range.location << ": " << describe(runs(sub));
    }
}

TEST(AttributedString, Equality)
{
    const AttributedString plain("ab");
    EXPECT_EQ(plain, AttributedString("ab", {}));
    EXPECT_NE(plain, AttributedString("ab", A));
    EXPECT_NE(plain, AttributedString("abc"));
    EXPECT_EQ(AttributedString(), AttributedString(""));
    // Same runs reached by different edits.
    MutableAttributedString edited("xxab", A);
    edited.deleteCharactersInRange({ 0, 2 });
    edited.addAttribute("k", 2, { 1, 1 });
    EXPECT_EQ(edited, build({ { "a", A }, { "b", B } }));
}

TEST(AttributedString, ValueTypesCompareByValue)
{
    ParagraphStyle style;
    style.headIndent = 65;
    ParagraphStyle same = style;
    const QFont font("Helvetica", 12);
    const TextAttachment rule { TextAttachment::Cell::Line, {} };

    MutableAttributedString s;
    s.appendAttributedString(AttributedString("a",
        { { NSParagraphStyleAttributeName, QVariant::fromValue(style) }, { NSFontAttributeName, font },
            { NSForegroundColorAttributeName, QColor(Qt::gray) } }));
    s.appendAttributedString(AttributedString("b",
        { { NSParagraphStyleAttributeName, QVariant::fromValue(same) },
            { NSFontAttributeName, QFont("Helvetica", 12) },
            { NSForegroundColorAttributeName, QColor(Qt::gray) } }));
    EXPECT_EQ(runs(s).size(), 1u) << "equal values in separate variants must merge";

    s.appendAttributedString(AttributedString(
        QString(QChar(NSAttachmentCharacter)), { { NSAttachmentAttributeName, QVariant::fromValue(rule) } }));
    EXPECT_EQ(s.attributeAtIndex(NSAttachmentAttributeName, 2).value<TextAttachment>(), rule);
    EXPECT_EQ(s.attributeAtIndex(NSParagraphStyleAttributeName, 1).value<ParagraphStyle>().headIndent, 65);

    same.tabStops.clear();
    EXPECT_NE(style, same);
    EXPECT_EQ(ParagraphStyle().tabStops.size(), 12);
    EXPECT_EQ(ParagraphStyle().tabStops.last().location, 12 * 28.0);
    EXPECT_NE(rule, (TextAttachment { TextAttachment::Cell::Button, {} }));
    EXPECT_NE((TextAttachment { TextAttachment::Cell::Button, "a" }),
        (TextAttachment { TextAttachment::Cell::Button, "b" }));
}

TEST(AttributedString, EnumerationWalksAndStops)
{
    const AttributedString s = build({ { "ab", { { "v", 1 } } }, { "c", { { "v", 1 }, { "w", 2 } } },
        { "d", {} }, { "e", { { "v", 2 } } } });
    std::vector<std::pair<QVariant, Range>> seen;
    s.enumerateAttribute("v", { 1, 4 }, [&](const QVariant& value, Range range, bool&) {
        seen.push_back({ value, range });
    });
    const std::vector<std::pair<QVariant, Range>> expected { { 1, { 1, 2 } }, { QVariant(), { 3, 1 } },
        { 2, { 4, 1 } } };
    EXPECT_EQ(seen, expected);

    int calls = 0;
    s.enumerateAttributesInRange({ 0, 5 }, [&](const QVariantMap&, Range, bool& stop) {
        ++calls;
        stop = true;
    });
    EXPECT_EQ(calls, 1);
    calls = 0;
    s.enumerateAttribute("v", { 9, 3 }, [&](const QVariant&, Range, bool&) { ++calls; });
    EXPECT_EQ(calls, 0);
}

TEST(AttributedString, AppendingItselfDoublesIt)
{
    MutableAttributedString s = build({ { "a", A }, { "b", B } });
    s.appendAttributedString(s);
    EXPECT_EQ(s, build({ { "a", A }, { "b", B }, { "a", A }, { "b", B } }));
    s.insertAttributedString(s, 1);
    EXPECT_EQ(s.string(), "aababbab");
}

TEST(AttributedString, EditingBracketsNest)
{
    MutableAttributedString s;
    s.endEditing(); // unbalanced: ignored
    EXPECT_FALSE(s.isEditing());
    s.beginEditing();
    s.beginEditing();
    s.appendAttributedString(AttributedString("x"));
    s.endEditing();
    EXPECT_TRUE(s.isEditing());
    s.endEditing();
    EXPECT_FALSE(s.isEditing());
    EXPECT_EQ(s.string(), "x");
}

TEST(AttributedString, TravelsInAVariant)
{
    const AttributedString s("x", A);
    const QVariant v = QVariant::fromValue(s);
    EXPECT_EQ(v.value<AttributedString>(), s);
    EXPECT_EQ(v, QVariant::fromValue(AttributedString("x", A)));
}

// Random edits checked against a plain model with one attribute map per code unit: the text,
// every unit's attributes and the longest runs must agree, and no two neighbouring runs may
// carry equal attributes.
TEST(AttributedString, RandomEditsAgreeWithAPerUnitModel)
{
    std::mt19937 random(20261210);
    auto pick = [&](int n) { return int(random() % unsigned(n)); };
    const QList<QVariantMap> palette { {}, A, B, C, { { "k", 1 }, { "x", 1 } } };

    MutableAttributedString s;
    QString text;
    QList<QVariantMap> model;
    for (int step = 0; step < 3000; ++step) {
        const int size = int(text.size());
        const Range range { pick(size + 3) - 1, pick(6) };
        const qsizetype from = std::clamp<qsizetype>(range.location, 0, size);
        const qsizetype to = std::clamp<qsizetype>(range.location + range.length, from, size);
        const QVariantMap attributes = palette[pick(palette.size())];
        switch (pick(5)) {
        case 0: { // attributed replace
            const QString insert = QString(pick(4), QChar(u'a' + pick(26)));
            s.replaceCharactersInRange(range, AttributedString(insert, attributes));
            text.replace(from, to - from, insert);
            model.remove(from, to - from);
            for (qsizetype i = 0; i < insert.size(); ++i)
                model.insert(from + i, attributes);
            break;
        }
        case 1: { // plain replace inherits
            const QString insert = QString(pick(3), QChar(u'A' + pick(26)));
            QVariantMap inherited;
            if (to > from)
                inherited = model[from];
            else if (from > 0)
                inherited = model[from - 1];
            else if (!model.isEmpty())
                inherited = model[0];
            s.replaceCharactersInRange(range, insert);
            text.replace(from, to - from, insert);
            model.remove(from, to - from);
            for (qsizetype i = 0; i < insert.size(); ++i)
                model.insert(from + i, inherited);
            break;
        }
        case 2:
            s.setAttributes(attributes, range);
            for (qsizetype i = from; i < to; ++i)
                model[i] = attributes;
            break;
        case 3:
            s.addAttribute("x", 1, range);
            for (qsizetype i = from; i < to; ++i)
                model[i].insert("x", 1);
            break;
        case 4:
            s.removeAttribute("k", range);
            for (qsizetype i = from; i < to; ++i)
                model[i].remove("k");
            break;
        }
        ASSERT_EQ(s.string(), text) << "step " << step;
        const std::vector<RunView> actual = runs(s);
        qsizetype covered = 0;
        for (std::size_t r = 0; r < actual.size(); ++r) {
            ASSERT_EQ(actual[r].range.location, covered) << "step " << step;
            ASSERT_GT(actual[r].range.length, 0) << "step " << step;
            if (r > 0) {
                ASSERT_NE(actual[r].attributes, actual[r - 1].attributes) << "step " << step;
            }
            for (qsizetype i = 0; i < actual[r].range.length; ++i)
                ASSERT_EQ(actual[r].attributes, model[covered + i])
                    << "step " << step << " unit " << covered + i;
            covered += actual[r].range.length;
        }
        ASSERT_EQ(covered, text.size()) << "step " << step;
    }
}
