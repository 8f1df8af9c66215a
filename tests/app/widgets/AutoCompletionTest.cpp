#include "AutoCompletingTextField.h"
#include "OneSelectedTransformer.h"
#include "VirtualClock.h"

#include <QApplication>
#include <QKeyEvent>
#include <gtest/gtest.h>

namespace
{

void key(QWidget* widget, int code, const QString& text = {})
{
    QKeyEvent press(QEvent::KeyPress, code, Qt::NoModifier, text);
    QApplication::sendEvent(widget, &press);
    QKeyEvent release(QEvent::KeyRelease, code, Qt::NoModifier, text);
    QApplication::sendEvent(widget, &release);
}

void type(QWidget* widget, const QString& text)
{
    for (const QChar c : text)
        key(widget, QChar(c).toUpper().unicode(), QString(c));
}

std::optional<QString> firstName(const QString& text)
{
    const QStringList names { "Butter", "buttermilk", "flour" };
    for (const QString& name : names) {
        if (!text.isEmpty() && name.startsWith(text, Qt::CaseInsensitive))
            return name;
    }
    return std::nullopt;
}

} // namespace

TEST(AutoCompletingTextFieldTest, CompletesAfterTheDelayButNotAfterADeletion)
{
    VirtualClock clock;
    AutoCompletingTextField field;
    field.setCompletionProvider(firstName);
    EXPECT_DOUBLE_EQ(field.autocompleteDelay(), 0.25);

    type(&field, QStringLiteral("bu"));
    clock.advance(0.24);
    EXPECT_EQ(field.text(), QStringLiteral("bu"));
    clock.advance(0.01);
    // The completion's own letter case replaces the typed letters; the untyped tail is selected.
    EXPECT_EQ(field.text(), QStringLiteral("Butter"));
    EXPECT_EQ(field.selectedText(), QStringLiteral("tter"));

    // Typing over the selected tail continues the word.
    type(&field, QStringLiteral("t"));
    clock.advance(0.25);
    EXPECT_EQ(field.text(), QStringLiteral("Butter"));
    EXPECT_EQ(field.selectedText(), QStringLiteral("ter"));

    // Delete removes the tail and brings no completion back.
    key(&field, Qt::Key_Delete);
    EXPECT_EQ(field.text(), QStringLiteral("But"));
    clock.advance(1.0);
    EXPECT_EQ(field.text(), QStringLiteral("But"));
    EXPECT_FALSE(field.completion().isPending());

    // The next typing completes again.
    type(&field, QStringLiteral("t"));
    clock.advance(0.25);
    EXPECT_EQ(field.text(), QStringLiteral("Butter"));
}

TEST(AutoCompletingTextFieldTest, EachKeystrokeRestartsTheDelay)
{
    VirtualClock clock;
    AutoCompletingTextField field;
    int asked = 0;
    field.setCompletionProvider([&asked](const QString& text) {
        ++asked;
        return firstName(text);
    });
    type(&field, QStringLiteral("f"));
    clock.advance(0.2);
    type(&field, QStringLiteral("l"));
    clock.advance(0.2);
    EXPECT_EQ(asked, 0);
    clock.advance(0.05);
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(field.text(), QStringLiteral("flour"));
}

TEST(AutoCompletionTest, EditsCountAsDeletionUnlessTheyExtendTheTypedText)
{
    struct Case {
        QString before, after;
        bool deleted;
    };
    const QList<Case> cases {
        { "bu", "b", true }, { "bu", "bux", false },
        { "butter", "bx", true }, // a replacement shorter than what it replaced
        { "", "a", false }, { "ab", "ab", true }, // nothing replaced by nothing
    };
    for (const Case& c : cases) {
        AutoCompletion completion([] { return QString(); }, nullptr);
        completion.textEdited(c.before, c.after);
        EXPECT_EQ(completion.deletedText(), c.deleted)
            << qPrintable(c.before) << " -> " << qPrintable(c.after);
    }
}

TEST(OneSelectedTransformerTest, TrueForExactlyOne)
{
    const OneSelectedTransformer transformer;
    EXPECT_FALSE(transformer.transformedValue(QVariantList {}).toBool());
    EXPECT_TRUE(transformer.transformedValue(QVariantList { 1 }).toBool());
    EXPECT_FALSE(transformer.transformedValue(QVariantList { 1, 2 }).toBool());
    EXPECT_FALSE(transformer.transformedValue(QVariant()).toBool());
    EXPECT_FALSE(transformer.transformedValue(QStringLiteral("x")).toBool());
    EXPECT_EQ(OneSelectedTransformer::name(), QStringLiteral("OneSelectedTransformer"));
}
