// Which text changes the editing page allows and how each moves the edit range; placeholders;
// Backspace joining directions and notes.
#include "EditingFixture.h"

#include <QColor>
#include <gtest/gtest.h>

namespace
{

class ChangeRulesTest : public EditingFixture
{
};

struct ChangeCase {
    const char* what;
    Range range; // relative to the name field "Soup"
    const char* replacement;
    bool allowed;
    Range editRange; // relative, afterwards
};

TEST_F(ChangeRulesTest, ChangesOfTheNameField)
{
    const ChangeCase cases[] = {
        { "delete part of the field", { 1, 2 }, "", true, { 0, 2 } },
        { "type at the end extends it", { 4, 0 }, "s", true, { 0, 5 } },
        { "Delete at the end is refused", { 4, 1 }, "", false, { 0, 4 } },
        { "replace inside", { 1, 1 }, "XY", true, { 0, 5 } },
        { "replace running past the field", { 2, 4 }, "p", true, { 0, 3 } },
        { "type after the field is refused", { 6, 0 }, "x", false, { 0, 4 } },
        { "type at the start", { 0, 0 }, "A", true, { 0, 5 } },
    };
    edit({ QStringLiteral("2 cups flour") }, { QStringLiteral("Boil") }, {});
    const Range name = run(QStringLiteral("name"));
    ASSERT_EQ(text(name), QStringLiteral("Soup"));
    for (const ChangeCase& c : cases) {
        choose(name);
        const Range range { name.location + c.range.location, c.range.length };
        EXPECT_EQ(page.shouldChangeText(range, QString::fromUtf8(c.replacement)), c.allowed) << c.what;
        EXPECT_EQ(page.editRange(), (Range { name.location + c.editRange.location, c.editRange.length }))
            << c.what;
    }
}

TEST_F(ChangeRulesTest, DeletingAWholeFieldShowsItsPlaceholder)
{
    edit({ QStringLiteral("2 cups flour") }, {}, {});
    const Range name = run(QStringLiteral("name"));
    choose(name);
    page.keyCommand(QStringLiteral("deleteBackward:"));
    const Range placeholder { name.location, qsizetype(QStringLiteral("Untitled Recipe").size()) };
    EXPECT_EQ(editedText(), QStringLiteral("Untitled Recipe"));
    EXPECT_EQ(page.editRange(), placeholder);
    EXPECT_EQ(page.selectedRange(), placeholder);
    const QVariantMap attributes = page.textStorage().attributesAtIndex(name.location);
    EXPECT_EQ(attributes.value(RVPlaceholderAttribute).toString(), RVPlaceholderAttribute);
    EXPECT_EQ(attributes.value(RVValueAttribute).toString(), QStringLiteral("name"));
    EXPECT_EQ(attributes.value(NSForegroundColorAttributeName).value<QColor>(), QColor(Qt::lightGray));

    // Deleting the placeholder is refused; typing replaces it in black, without the mark.
    page.keyCommand(QStringLiteral("deleteBackward:"));
    EXPECT_EQ(editedText(), QStringLiteral("Untitled Recipe"));
    EXPECT_TRUE(page.insertText(QStringLiteral("S")));
    EXPECT_EQ(editedText(), QStringLiteral("S"));
    EXPECT_EQ(page.selectedRange(), (Range { name.location + 1, 0 }));
    const QVariantMap typed = page.textStorage().attributesAtIndex(name.location);
    EXPECT_FALSE(typed.contains(RVPlaceholderAttribute));
    EXPECT_EQ(typed.value(NSForegroundColorAttributeName).value<QColor>(), QColor(Qt::black));
    EXPECT_EQ(typed.value(RVValueAttribute).toString(), QStringLiteral("name"));
    EXPECT_TRUE(page.insertText(QStringLiteral("tew")));
    EXPECT_EQ(editedText(), QStringLiteral("Stew"));
}

TEST_F(ChangeRulesTest, AnEmptyTextIsRefusedWhileARecipeIsShown)
{
    edit({ QStringLiteral("2 cups flour") }, {}, {});
    const QString before = page.textStorage().string();
    EXPECT_FALSE(page.setString(AttributedString()));
    EXPECT_EQ(page.textStorage().string(), before);
    page.setRecipe(nullptr);
    EXPECT_TRUE(page.setString(AttributedString()));
    EXPECT_EQ(page.textStorage().length(), 0);
}

TEST_F(ChangeRulesTest, NothingChangesOutsideEditing)
{
    edit({ QStringLiteral("2 cups flour") }, {}, {});
    const QString before = page.textStorage().string();
    page.setIsEditing(false);
    EXPECT_FALSE(page.insertText(QStringLiteral("x")));
    EXPECT_EQ(page.textStorage().string(), before);
}

TEST_F(ChangeRulesTest, BackspaceAtTheStartOfADirectionJoinsItOntoThePreviousOne)
{
    edit({ QStringLiteral("2 cups flour") },
        { QStringLiteral("Boil water"), QStringLiteral("Add pasta"), QStringLiteral("Drain") }, {});
    choose(run(QStringLiteral("directions.text"), 2));
    page.setSelectedRange({ page.editRange().location, 0 });
    page.keyCommand(QStringLiteral("deleteBackward:"));

    EXPECT_EQ(itemTexts(recipe, QStringLiteral("directions")),
        (QStringList { QStringLiteral("1:Boil water Add pasta"), QStringLiteral("2:Drain") }));
    EXPECT_EQ(editedText(), QStringLiteral("Boil water Add pasta"));
    EXPECT_EQ(page.editRange(), run(QStringLiteral("directions.text"), 1));
    EXPECT_TRUE(page.textStorage().string().contains(QStringLiteral("2. Drain")));
}

TEST_F(ChangeRulesTest, BackspaceJoinsNotesToo)
{
    edit({}, {}, { QStringLiteral("Keeps a week"), QStringLiteral("Freezes well") });
    choose(run(QStringLiteral("notes.text"), 2));
    page.setSelectedRange({ page.editRange().location, 0 });
    page.keyCommand(QStringLiteral("deleteBackward:"));
    EXPECT_EQ(itemTexts(recipe, QStringLiteral("notes")),
        (QStringList { QStringLiteral("1:Keeps a week Freezes well") }));
}

TEST_F(ChangeRulesTest, BackspaceAtTheStartOfTheFirstDirectionOrAnIngredientDoesNothing)
{
    edit({ QStringLiteral("2 cups flour"), QStringLiteral("1 egg") }, { QStringLiteral("Boil water") }, {});
    for (const Range field :
        { run(QStringLiteral("directions.text"), 1), run(QStringLiteral("baseIngredient.name"), 2) }) {
        const QString before = page.textStorage().string();
        choose(field);
        page.setSelectedRange({ field.location, 0 });
        page.keyCommand(QStringLiteral("deleteBackward:"));
        EXPECT_EQ(page.textStorage().string(), before);
        EXPECT_EQ(page.editRange(), field);
    }
    EXPECT_EQ(
        itemTexts(recipe, QStringLiteral("directions")), (QStringList { QStringLiteral("1:Boil water") }));
}

TEST_F(ChangeRulesTest, TypingIsUndoneWithTheEditRange)
{
    UndoManager typing;
    page.setUndoManager(&typing);
    edit({ QStringLiteral("2 cups flour") }, {}, {});
    const Range name = run(QStringLiteral("name"));
    choose(name);
    page.setSelectedRange({ maxRange(name), 0 });
    page.insertText(QStringLiteral("s"));
    page.insertText(QStringLiteral("!"));
    EXPECT_EQ(editedText(), QStringLiteral("Soups!"));
    typing.undo();
    EXPECT_EQ(editedText(), QStringLiteral("Soup"));
    EXPECT_EQ(page.editRange(), name);
    typing.redo();
    EXPECT_EQ(text({ name.location, 6 }), QStringLiteral("Soups!"));
}

TEST_F(ChangeRulesTest, SymbolsAndPunctuationDoNotStartCompletion)
{
    int starts = 0;
    page.hooks().startCompletionTimer = [&starts] { ++starts; };
    edit({ QStringLiteral("2 cups flour") }, {}, {});
    const Range line = run(QStringLiteral("baseIngredient.name"), 1);
    choose(line);
    page.setSelectedRange({ maxRange(line), 0 });
    for (const QString& typed :
        { QStringLiteral("("), QStringLiteral("+"), QStringLiteral("°"), QStringLiteral("-") })
        page.insertText(typed);
    EXPECT_EQ(starts, 0);
    EXPECT_EQ(page.nextInsertionIndex(), Range::NotFound);
    page.insertText(QStringLiteral("s"));
    EXPECT_EQ(starts, 1);
    EXPECT_EQ(page.nextInsertionIndex(), page.selectedRange().location);
}

} // namespace
