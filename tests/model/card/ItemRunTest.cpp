#include "AttributedString.h"
#include "DirectionMO.h"
#include "FontNames.h"
#include "ModelStoreFixture.h"
#include "NoteMO.h"
#include "RecipeCardAttributes.h"

#include <QColor>
#include <QFontMetricsF>

namespace
{

class ItemRunTest : public ModelStoreFixture
{
protected:
    void SetUp() override
    {
        ModelStoreFixture::SetUp();
        recipe = insert("Recipe");
    }

    template <class T> T* item(const QString& entity, const QVariant& index, const QString& text)
    {
        auto* object = dynamic_cast<T*>(insert(entity));
        object->setValueForKey(index, "index");
        object->setValueForKey(text, "text");
        object->setValueForKey(QVariant::fromValue(recipe), "recipe");
        return object;
    }

    ManagedObject* recipe = nullptr;
};

} // namespace

TEST_F(ItemRunTest, DirectionRunHangsItsNumberLeftOfTheText)
{
    auto* direction = item<DirectionMO>("Direction", 3, "Stir well.");
    const AttributedString run = direction->attributedString();
    EXPECT_EQ(run.string(), "3. Stir well.");
    EXPECT_EQ(direction->formattedString(), "3. Stir well.");
    EXPECT_EQ(direction->string(), "Stir well.");

    Range numberRange;
    const QVariantMap number = run.attributesAtIndex(0, &numberRange);
    EXPECT_EQ(numberRange.length, 3);
    EXPECT_FALSE(number.contains(RVValueAttribute));
    EXPECT_FALSE(number.contains(RVIndexAttribute));
    const QVariantMap text = run.attributesAtIndex(3);
    EXPECT_EQ(text.value(RVValueAttribute).toString(), "directions.text");
    EXPECT_EQ(text.value(RVIndexAttribute).toInt(), 3);

    const ParagraphStyle style = text.value(NSParagraphStyleAttributeName).value<ParagraphStyle>();
    const qreal width = QFontMetricsF(FontNames::fontWithName(RVDisplayFont, 12)).horizontalAdvance("3. ");
    EXPECT_DOUBLE_EQ(style.headIndent, width);
    EXPECT_EQ(style.firstLineHeadIndent, 0);
    EXPECT_EQ(style.lineSpacing, 2.0);
    EXPECT_GT(DirectionMO::directionParagraphStyleForIndex(12).headIndent, width);
}

TEST_F(ItemRunTest, NoteRunIsTheTextAlone)
{
    auto* note = item<NoteMO>("Note", 2, "Keeps a week.");
    const AttributedString run = note->attributedString();
    EXPECT_EQ(run.string(), "Keeps a week.");
    Range range;
    const QVariantMap attributes = run.attributesAtIndex(0, &range);
    EXPECT_EQ(range.length, run.length());
    EXPECT_EQ(attributes.value(RVValueAttribute).toString(), "notes.text");
    EXPECT_EQ(attributes.value(RVIndexAttribute).toInt(), 2);
    EXPECT_FALSE(attributes.contains(NSParagraphStyleAttributeName));
}

TEST_F(ItemRunTest, EmptyItemsShowTheirPlaceholderOnlyWhileEditing)
{
    auto* direction = item<DirectionMO>("Direction", 1, "");
    auto* note = item<NoteMO>("Note", 1, "");
    EXPECT_EQ(direction->attributedString().length(), 0);
    EXPECT_EQ(note->attributedString().length(), 0);

    recipe->setPrimitiveValue(true, "editing");
    const struct {
        AttributedString run;
        QString placeholder;
        QString keyPath;
    } rows[] = { { direction->attributedString(), "Direction", "directions.text" },
        { note->attributedString(), "Note", "notes.text" } };
    for (const auto& row : rows) {
        EXPECT_EQ(row.run.string(), row.placeholder);
        const QVariantMap attributes = row.run.attributesAtIndex(0);
        EXPECT_EQ(attributes.value(RVPlaceholderAttribute).toString(), "RVPlaceholderAttribute");
        EXPECT_EQ(attributes.value(RVValueAttribute).toString(), row.keyPath);
        EXPECT_EQ(attributes.value(RVIndexAttribute).toInt(), 1);
        EXPECT_EQ(attributes.value(NSForegroundColorAttributeName).value<QColor>(),
            QColor::fromRgbF(2.0 / 3, 2.0 / 3, 2.0 / 3));
    }
}

// An edited run brings its item number when its first character carries one; a run without one
// leaves the item where it is (for notes as for directions).
TEST_F(ItemRunTest, EditedRunIsTakenBack)
{
    auto* direction = item<DirectionMO>("Direction", 2, "old");
    auto* note = item<NoteMO>("Note", 2, "old");
    for (BaseMO* object : { static_cast<BaseMO*>(direction), static_cast<BaseMO*>(note) }) {
        object->setValueForKey(
            QVariant::fromValue(AttributedString("first", { { RVIndexAttribute, 5 } })), "attributedString");
        EXPECT_EQ(object->valueForKey("index").toInt(), 5);
        EXPECT_EQ(object->valueForKey("text").toString(), "first");

        object->setValueForKey(QVariant::fromValue(AttributedString("second")), "attributedString");
        EXPECT_EQ(object->valueForKey("index").toInt(), 5);
        EXPECT_EQ(object->valueForKey("text").toString(), "second");

        object->setValueForKey(QVariant::fromValue(AttributedString()), "attributedString");
        EXPECT_EQ(object->valueForKey("index").toInt(), 5);
        EXPECT_EQ(object->valueForKey("text").toString(), "");
    }
}

TEST_F(ItemRunTest, ObserversOfTheRunHearOfTextAndIndex)
{
    auto* direction = item<DirectionMO>("Direction", 1, "a");
    QStringList heard;
    direction->addObserver(
        "attributedString", [&](ManagedObject*, const QString&, const QVariant&, const QVariant& now) {
            heard.append(now.value<AttributedString>().string());
        });
    direction->setValueForKey("b", "text");
    direction->setValueForKey(4, "index");
    EXPECT_EQ(heard, (QStringList { "1. b", "4. b" }));
}
