#include "RecipeBuildingAdditions.h"

#include "FontNames.h"
#include "RecipeCardAttributes.h"

#include <QColor>
#include <functional>
#include <gtest/gtest.h>

using namespace RecipeBuildingAdditions;

namespace
{

const QVariantMap before { { "before", 1 } };

QVariant font12()
{
    return QVariant::fromValue(FontNames::fontWithName(RVDisplayFont, 12));
}

QVariant boldFont()
{
    return QVariant::fromValue(FontNames::fontWithName(RVBoldDisplayFont, 18));
}

QVariant grey()
{
    return QVariant::fromValue(QColor(Qt::gray));
}

struct Case {
    const char* name;
    std::function<void(MutableAttributedString&)> append;
    QString text; // appended text; empty when nothing may be appended
    QVariantMap attributes;
};

// Each case appends to "x" carrying other attributes: the new run must keep exactly its own.
void check(const QList<Case>& cases)
{
    for (const Case& c : cases) {
        MutableAttributedString s("x", before);
        c.append(s);
        if (c.text.isEmpty()) {
            EXPECT_EQ(s, AttributedString("x", before)) << c.name;
            continue;
        }
        EXPECT_EQ(s.string(), "x" + c.text) << c.name;
        Range range;
        EXPECT_EQ(s.attributesAtIndex(1, &range), c.attributes) << c.name;
        EXPECT_EQ(range, (Range { 1, c.text.size() })) << c.name;
        EXPECT_EQ(s.attributesAtIndex(0), before) << c.name;
    }
}

} // namespace

TEST(RecipeBuildingAdditions, ValueForms)
{
    const QFont bold = FontNames::fontWithName(RVBoldDisplayFont, 18);
    const QColor gray(Qt::gray);
    check({
        { "attributes",
            [](auto& s) {
                appendString(s, "Pie", QVariantMap { { RVLabelAttribute, "yield" } });
            },
            "Pie", { { RVLabelAttribute, "yield" } } },
        { "no attributes", [](auto& s) { appendString(s, "Pie", QVariantMap()); }, "Pie", {} },
        { "attributes with the null text still append it",
            [](auto& s) {
                appendString(s, "(null)", QVariantMap { { "a", 1 } });
            },
            "(null)", { { "a", 1 } } },
        { "value, font and colour",
            [&](auto& s) { appendString(s, "Pie", "name", RVValueAttribute, bold, gray); }, "Pie",
            { { RVValueAttribute, "name" }, { NSFontAttributeName, boldFont() },
                { NSForegroundColorAttributeName, grey() } } },
        { "value and font", [&](auto& s) { appendString(s, "Pie", "name", RVValueAttribute, bold); }, "Pie",
            { { RVValueAttribute, "name" }, { NSFontAttributeName, boldFont() } } },
        { "no value: font and colour only",
            [&](auto& s) { appendString(s, "Pie", QVariant(), RVValueAttribute, bold, gray); }, "Pie",
            { { NSFontAttributeName, boldFont() }, { NSForegroundColorAttributeName, grey() } } },
        { "no name: font only", [&](auto& s) { appendString(s, "Pie", "name", QString(), bold); }, "Pie",
            { { NSFontAttributeName, boldFont() } } },
        { "nothing but text", [](auto& s) { appendString(s, "Pie", QVariant(), QString(), std::nullopt); },
            "Pie", {} },
        { "empty text appends nothing",
            [&](auto& s) { appendString(s, "", "name", RVValueAttribute, bold, gray); }, "", {} },
        { "null text appends nothing",
            [&](auto& s) { appendString(s, "(null)", "name", RVValueAttribute, bold); }, "", {} },
        { "two lists",
            [&](auto& s) {
                appendString(s, "2 eggs", QVariantList { "ingredients", 2 },
                    QStringList { RVValueAttribute, RVIndexAttribute }, bold, gray);
            },
            "2 eggs",
            { { RVValueAttribute, "ingredients" }, { RVIndexAttribute, 2 },
                { NSFontAttributeName, boldFont() }, { NSForegroundColorAttributeName, grey() } } },
        { "two lists without colour",
            [&](auto& s) { appendString(s, "a", QVariantList { 1 }, QStringList { "k" }, bold); }, "a",
            { { "k", 1 }, { NSFontAttributeName, boldFont() } } },
        { "empty lists: font and colour only",
            [&](auto& s) { appendString(s, "a", QVariantList(), QStringList { "k" }, bold, gray); }, "a",
            { { NSFontAttributeName, boldFont() }, { NSForegroundColorAttributeName, grey() } } },
        { "more values than names: the extra values are dropped",
            [](auto& s) {
                appendString(s, "a", QVariantList { 1, 2, 3 }, QStringList { "k" }, std::nullopt);
            },
            "a", { { "k", 1 } } },
        { "two lists with empty text",
            [](auto& s) { appendString(s, "", QVariantList { 1 }, QStringList { "k" }, std::nullopt); }, "",
            {} },
    });
}

TEST(RecipeBuildingAdditions, PlaceholderForms)
{
    const QFont font = FontNames::fontWithName(RVDisplayFont, 12);
    const QColor gray(Qt::gray);
    check({
        { "one value carries its attribute and the placeholder mark",
            [&](auto& s) {
                appendPlaceholderString(s, "Direction", "directions.text", RVValueAttribute, font, gray);
            },
            "Direction",
            { { RVValueAttribute, "directions.text" }, { RVPlaceholderAttribute, RVPlaceholderAttribute },
                { NSFontAttributeName, font12() }, { NSForegroundColorAttributeName, grey() } } },
        { "one value without colour",
            [&](auto& s) { appendPlaceholderString(s, "Note", "notes.text", RVValueAttribute, font); },
            "Note",
            { { RVValueAttribute, "notes.text" }, { RVPlaceholderAttribute, RVPlaceholderAttribute },
                { NSFontAttributeName, font12() } } },
        { "no value: the mark alone",
            [&](auto& s) { appendPlaceholderString(s, "Note", QVariant(), RVValueAttribute, font); }, "Note",
            { { RVPlaceholderAttribute, RVPlaceholderAttribute }, { NSFontAttributeName, font12() } } },
        { "the caller's value for the mark wins in the one-value form",
            [&](auto& s) { appendPlaceholderString(s, "Pie", "mine", RVPlaceholderAttribute, std::nullopt); },
            "Pie", { { RVPlaceholderAttribute, "mine" } } },
        { "lists",
            [&](auto& s) {
                appendPlaceholderString(s, "Ingredient", QVariantList { "baseIngredient.name", 1 },
                    QStringList { RVValueAttribute, RVIndexAttribute }, font, gray);
            },
            "Ingredient",
            { { RVValueAttribute, "baseIngredient.name" }, { RVIndexAttribute, 1 },
                { RVPlaceholderAttribute, RVPlaceholderAttribute }, { NSFontAttributeName, font12() },
                { NSForegroundColorAttributeName, grey() } } },
        { "the mark wins in the list form",
            [&](auto& s) {
                appendPlaceholderString(
                    s, "Pie", QVariantList { "mine" }, QStringList { RVPlaceholderAttribute }, std::nullopt);
            },
            "Pie", { { RVPlaceholderAttribute, RVPlaceholderAttribute } } },
        { "a name without a value gets nothing, the mark keeps its own value",
            [&](auto& s) {
                appendPlaceholderString(s, "Pie", QVariantList { "v" },
                    QStringList { RVValueAttribute, RVIndexAttribute }, std::nullopt);
            },
            "Pie", { { RVValueAttribute, "v" }, { RVPlaceholderAttribute, RVPlaceholderAttribute } } },
        { "empty text appends nothing",
            [&](auto& s) { appendPlaceholderString(s, "", "v", RVValueAttribute, font, gray); }, "", {} },
        { "empty text appends nothing in the list form",
            [&](auto& s) {
                appendPlaceholderString(
                    s, "(null)", QVariantList { "v" }, QStringList { RVValueAttribute }, font);
            },
            "", {} },
    });
}

TEST(RecipeBuildingAdditions, StructuralPieces)
{
    const QVariantMap display { { NSFontAttributeName, font12() } };
    check({
        { "new line", [](auto& s) { appendNewLine(s); }, "\n", display },
        { "two new lines", [](auto& s) { appendTwoNewLine(s); }, "\n\n", display },
        { "space", [](auto& s) { appendSpace(s); }, " ", display },
        { "tab", [](auto& s) { appendTab(s); }, "\t", display },
        { "bullet", [](auto& s) { appendBullet(s); }, QString(QChar(0x2022)), display },
        { "number",
            [](auto& s) {
                appendNumber(s, 3, QVariantMap { { "a", 1 } });
            },
            "3. ", { { "a", 1 } } },
        { "no number", [](auto& s) { appendNumber(s, QVariant(), QVariantMap()); }, "55555555. ", {} },
        { "number in the display font", [](auto& s) { appendNumber(s, 12); }, "12. ", display },
        { "number from a 64-bit value", [](auto& s) { appendNumber(s, qulonglong(7), QVariantMap()); }, "7. ",
            {} },
    });
}

TEST(RecipeBuildingAdditions, DisplayFontIsHelvetica12)
{
    MutableAttributedString s;
    appendBullet(s);
    const QFont font = s.attributeAtIndex(NSFontAttributeName, 0).value<QFont>();
    EXPECT_EQ(s.length(), 1);
    EXPECT_EQ(font.family(), "Helvetica");
    EXPECT_EQ(font.pointSizeF(), 12.0);
    EXPECT_FALSE(font.bold());
}

TEST(RecipeBuildingAdditions, ACardOfSeveralRunsKeepsEachRunApart)
{
    const QFont font = FontNames::fontWithName(RVDisplayFont, 12);
    MutableAttributedString card;
    appendString(
        card, "yield", RVLabelAttribute, RVLabelAttribute, FontNames::fontWithName(RVBoldDisplayFont, 12));
    appendSpace(card);
    appendString(card, "4", "yield", RVValueAttribute, font);
    appendNewLine(card);
    appendNumber(card, 1, QVariantMap { { NSFontAttributeName, font12() } });
    appendString(card, "Stir.", QVariantList { "directions.text", 1 },
        QStringList { RVValueAttribute, RVIndexAttribute }, font);
    EXPECT_EQ(card.string(), "yield 4\n1. Stir.");

    // Walking the value runs finds exactly the two fields.
    QStringList values;
    card.enumerateAttribute(
        RVValueAttribute, { 0, card.length() }, [&](const QVariant& value, Range range, bool&) {
            if (value.isValid())
                values << value.toString() + "=" + card.string().mid(range.location, range.length);
        });
    EXPECT_EQ(values, (QStringList { "yield=4", "directions.text=Stir." }));
    // The space and the line end share the display font, but the value run between them
    // keeps them apart; the number and the line end before it merge.
    Range range;
    card.attributesAtIndex(8, &range);
    EXPECT_EQ(range, (Range { 7, 4 }));
}
