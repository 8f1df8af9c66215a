#include "CardFixture.h"
#include "ConstantManager.h"
#include "FontNames.h"
#include "RecipeCardAttributes.h"
#include "RecipeIngredientMO.h"
#include "TextAttachment.h"
#include "UserDefaults.h"

#include <QColor>
#include <QFont>
#include <functional>

namespace
{

const QColor kGray = QColor::fromRgbF(0.5, 0.5, 0.5);
const QColor kDarkGray = QColor::fromRgbF(1.0 / 3, 1.0 / 3, 1.0 / 3);
const QColor kLightGray = QColor::fromRgbF(2.0 / 3, 2.0 / 3, 2.0 / 3);

// The card as a list of stretches that share their card attributes, each written as its text
// (line ends as "/", tabs as ">", attachments as "[rule]" or "[button title]") followed by the
// attributes it carries: v= value key path, #= index, ph placeholder (or ph= a button's list),
// l= label value, h heading.
QStringList describe(const AttributedString& card)
{
    QStringList parts;
    QString previousTags;
    card.enumerateAttributesInRange(
        Range { 0, card.length() }, [&](const QVariantMap& a, Range range, bool&) {
            QString text;
            for (const QChar c : card.string().mid(range.location, range.length)) {
                if (c == u'\n')
                    text += u'/';
                else if (c == u'\t')
                    text += u'>';
                else if (c == QChar(NSAttachmentCharacter)) {
                    const auto attachment = a.value(NSAttachmentAttributeName).value<TextAttachment>();
                    text += attachment.cell == TextAttachment::Cell::Line ? QStringLiteral("[rule]")
                                                                          : u'[' + attachment.title + u']';
                } else
                    text += c;
            }
            QStringList tags;
            if (a.contains(RVValueAttribute))
                tags << QStringLiteral("v=") + a.value(RVValueAttribute).toString();
            if (a.contains(RVIndexAttribute))
                tags << u'#' + a.value(RVIndexAttribute).toString();
            if (a.contains(RVPlaceholderAttribute)) {
                const QString value = a.value(RVPlaceholderAttribute).toString();
                tags << (value == RVPlaceholderAttribute ? QStringLiteral("ph")
                                                         : QStringLiteral("ph=") + value);
            }
            if (a.contains(RVLabelAttribute))
                tags << QStringLiteral("l=") + a.value(RVLabelAttribute).toString();
            if (a.contains(RVHeadingAttribute))
                tags << QStringLiteral("h");
            const QString joined = tags.join(u' ');
            if (!parts.isEmpty() && joined == previousTags) {
                parts.last().insert(
                    parts.last().indexOf(u'{') < 0 ? parts.last().size() : parts.last().indexOf(u'{'), text);
                return;
            }
            previousTags = joined;
            parts << (joined.isEmpty() ? text : text + u'{' + joined + u'}');
        });
    return parts;
}

// Readable in a failure message.
std::string joined(const QStringList& parts)
{
    return parts.join(QStringLiteral(" | ")).toStdString();
}

QColor colorAt(const AttributedString& card, qsizetype index)
{
    return card.attributeAtIndex(NSForegroundColorAttributeName, index).value<QColor>();
}

QFont fontAt(const AttributedString& card, qsizetype index)
{
    return card.attributeAtIndex(NSFontAttributeName, index).value<QFont>();
}

// The range of the first stretch carrying the attribute with this value.
Range runOf(const AttributedString& card, const QString& attribute, const QVariant& value)
{
    for (qsizetype i = 0; i < card.length();) {
        Range range;
        const QVariant here
            = card.attributeAtIndexLongestEffectiveRange(attribute, i, &range, { 0, card.length() });
        if (here == value)
            return range;
        i = maxRange(range);
    }
    ADD_FAILURE() << "no run " << attribute.toStdString() << "=" << value.toString().toStdString();
    return { 0, 0 };
}

// The range of the item run of a list with this index.
Range itemRunOf(const AttributedString& card, const QString& keyPath, int index)
{
    for (qsizetype i = 0; i < card.length();) {
        Range range;
        const QVariant here
            = card.attributeAtIndexLongestEffectiveRange(RVValueAttribute, i, &range, { 0, card.length() });
        if (here.toString() == keyPath && card.attributeAtIndex(RVIndexAttribute, i).toInt() == index)
            return range;
        i = maxRange(range);
    }
    ADD_FAILURE() << "no item run " << keyPath.toStdString() << " #" << index;
    return { 0, 0 };
}

class RecipeCardTest : public CardFixture
{
protected:
    // A recipe as a user leaves it after typing: name, yield, category, three lists.
    RecipeMO* filledRecipe()
    {
        RecipeMO* recipe = bareRecipe(QStringLiteral("Pancakes"));
        recipe->setValueForKey(QStringLiteral("4"), QStringLiteral("yield"));
        recipe->setValueForKey(QStringLiteral("Breakfast"), QStringLiteral("category"));
        addIngredient(recipe, 1, {}, {}, {}, {}, {});
        addIngredient(recipe, 2, {}, {}, {}, {}, {});
        line(recipe, 1)->setString(QStringLiteral("1 cup flour"));
        line(recipe, 2)->setString(QStringLiteral("2 eggs"));
        addItem(recipe, QStringLiteral("Direction"), 1, QStringLiteral("Mix."));
        addItem(recipe, QStringLiteral("Direction"), 2, QStringLiteral("Rest."));
        addItem(recipe, QStringLiteral("Direction"), 3, QStringLiteral("Fry."));
        addItem(recipe, QStringLiteral("Note"), 1, QStringLiteral("Serve hot."));
        return recipe;
    }

    static RecipeIngredientMO* line(RecipeMO* recipe, int index)
    {
        return dynamic_cast<RecipeIngredientMO*>(
            recipe->sortedItemsForKey(QStringLiteral("ingredients")).value(index - 1));
    }

    static QStringList lines(const RecipeMO* recipe)
    {
        QStringList result;
        for (ManagedObject* item : recipe->sortedItemsForKey(QStringLiteral("ingredients")))
            result << item->valueForKey(QStringLiteral("index")).toString() + u':'
                    + dynamic_cast<RecipeIngredientMO*>(item)->string();
        return result;
    }

    // A recipe with no undo history and a fresh card.
    void settle(RecipeMO* recipe)
    {
        clock.advance(0);
        context->processPendingChanges();
        undoManager.removeAllActions();
        recipe->setDirty(true);
        recipe->attributedString();
    }
};

TEST_F(RecipeCardTest, NewRecipeWhileEditingShowsEveryPlaceholder)
{
    auto* recipe = dynamic_cast<RecipeMO*>(insert(QStringLiteral("Recipe")));
    ASSERT_TRUE(recipe);
    recipe->setValueForKey(true, QStringLiteral("editing"));
    const AttributedString card = recipe->attributedString();

    EXPECT_EQ(joined(describe(card)),
        joined(QStringList {
            "Untitled Recipe{v=name ph}",
            "/",
            "Description{v=recipeDescription ph}",
            "//",
            "from{l=RVKitchenLabelAttribute}",
            " ",
            "Chef's Name{v=kitchen.name ph}",
            "/",
            "time{l=RVTotalTimeLabelAttribute}",
            " ",
            "Cook Time{v=totalTime ph}",
            "/",
            "yield{l=RVYieldLabelAttribute}",
            " ",
            "Yield{v=yield ph}",
            "//",
            "category{l=RVCategoryLabelAttribute}",
            " ",
            "Category{v=category.name ph}",
            "/",
            "cuisine{l=RVCuisineLabelAttribute}",
            " ",
            "Cuisine{v=cuisine.name ph}",
            "//",
            "ingredients{h}",
            "/",
            "Ingredient{v=baseIngredient.name #1 ph}",
            "//",
            "directions{h}",
            "/",
            "Direction{v=directions.text #1 ph}",
            "//[rule]/",
            "notes:{h}",
            ">\u2022 ",
            "Note{v=notes.text #1 ph}",
            "///",
        }));

    const QString text = card.string();
    EXPECT_EQ(fontAt(card, 0), FontNames::fontWithName(RVBoldDisplayFont, 18));
    EXPECT_EQ(colorAt(card, 0), kGray);
    const qsizetype label = text.indexOf(QStringLiteral("from"));
    EXPECT_EQ(fontAt(card, label), FontNames::fontWithName(RVBoldDisplayFont, 12));
    EXPECT_EQ(colorAt(card, label), kDarkGray);
    EXPECT_EQ(colorAt(card, text.indexOf(QStringLiteral("Chef's Name"))), kGray);
    EXPECT_EQ(colorAt(card, text.indexOf(QStringLiteral("ingredients"))), kDarkGray);
    EXPECT_EQ(colorAt(card, text.indexOf(QStringLiteral("Direction"))), kLightGray);

    // The short field's wrapped lines start after its label, without tab stops.
    const auto style
        = card.attributeAtIndex(NSParagraphStyleAttributeName, label + 6).value<ParagraphStyle>();
    EXPECT_GT(style.headIndent, 0);
    EXPECT_TRUE(style.tabStops.isEmpty());
    EXPECT_DOUBLE_EQ(style.lineSpacing, RecipeMO::defaultParagraphStyle().lineSpacing);
    const auto notes
        = card.attributeAtIndex(NSParagraphStyleAttributeName, text.indexOf(QStringLiteral("Note")))
              .value<ParagraphStyle>();
    EXPECT_DOUBLE_EQ(notes.headIndent, 65.0);
    EXPECT_DOUBLE_EQ(notes.firstLineHeadIndent, 0);
}

TEST_F(RecipeCardTest, NewRecipeNotEditedHidesEmptyFieldsAndOffersButtons)
{
    auto* recipe = dynamic_cast<RecipeMO*>(insert(QStringLiteral("Recipe")));
    ASSERT_TRUE(recipe);
    const AttributedString card = recipe->attributedString();

    EXPECT_EQ(joined(describe(card)),
        joined(QStringList {
            "Untitled Recipe{v=name ph}",
            "////",
            "ingredients{h}",
            "/",
            "[add ingredients...]{ph=baseIngredient.name}",
            "//",
            "directions{h}",
            "/",
            "[add directions...]{ph=directions.text}",
            "//[rule]/",
            "notes:{h}",
            ">//",
        }));
    EXPECT_EQ(colorAt(card, card.string().indexOf(QStringLiteral("ingredients"))), kGray);
}

TEST_F(RecipeCardTest, FilledRecipeNotEditedShowsOnlyItsValues)
{
    RecipeMO* recipe = filledRecipe();
    addItem(recipe, QStringLiteral("Note"), 2, QStringLiteral("Keeps a day."));
    const AttributedString card = recipe->attributedString();

    EXPECT_EQ(joined(describe(card)),
        joined(QStringList {
            "Pancakes{v=name}",
            "//",
            "yield{l=RVYieldLabelAttribute}",
            " ",
            "4{v=yield}",
            "//",
            "category{l=RVCategoryLabelAttribute}",
            " ",
            "Breakfast{v=category.name}",
            "//",
            "ingredients{h}",
            "/",
            "1 cup flour{v=baseIngredient.name #1}",
            "/",
            "2 eggs{v=baseIngredient.name #2}",
            "//",
            "directions{h}",
            "/1. ",
            "Mix.{v=directions.text #1}",
            "/2. ",
            "Rest.{v=directions.text #2}",
            "/3. ",
            "Fry.{v=directions.text #3}",
            "//[rule]/",
            "notes:{h}",
            ">\u2022 ",
            "Serve hot.{v=notes.text #1}",
            "/>>\u2022 ",
            "Keeps a day.{v=notes.text #2}",
            "///",
        }));
    EXPECT_EQ(fontAt(card, 0), FontNames::fontWithName(RVBoldDisplayFont, 18));
    EXPECT_FALSE(card.attributeAtIndex(NSForegroundColorAttributeName, 0).isValid());
    EXPECT_EQ(colorAt(card, card.string().indexOf(QStringLiteral("yield"))), kGray);
}

TEST_F(RecipeCardTest, LoneYieldIsFollowedByTwoBlankLines)
{
    RecipeMO* recipe = bareRecipe(QStringLiteral("Soup"));
    recipe->setValueForKey(QStringLiteral("4"), QStringLiteral("yield"));
    EXPECT_TRUE(recipe->string().startsWith(QStringLiteral("Soup\n\nyield 4\n\n\ningredients\n")))
        << recipe->string().toStdString();
}

TEST_F(RecipeCardTest, CardIsCachedUntilTheRecipeChanges)
{
    RecipeMO* recipe = filledRecipe();
    const AttributedString first = recipe->attributedString();
    EXPECT_TRUE(recipe->isCached());
    EXPECT_FALSE(recipe->isDirty());

    // A stale cache is served while nothing marks the recipe dirty or drops the cache.
    recipe->setPrimitiveValue(QStringLiteral("Waffles"), QStringLiteral("name"));
    EXPECT_EQ(recipe->attributedString(), first);

    recipe->setDirty(true);
    EXPECT_TRUE(recipe->string().startsWith(QStringLiteral("Waffles\n")));
    EXPECT_FALSE(recipe->isDirty());

    recipe->setValueForKey(true, QStringLiteral("editing"));
    EXPECT_TRUE(recipe->string().contains(QStringLiteral("Chef's Name")));
}

TEST_F(RecipeCardTest, DebugModeShowsTheOnlineIdentifierAndTakingBackIgnoresIt)
{
    UserDefaults::standardUserDefaults().setBool(true, QStringLiteral("KRDebugMode"));
    RecipeMO* recipe = filledRecipe();
    recipe->setValueForKey(77, QStringLiteral("onlineID"));
    recipe->setValueForKey(true, QStringLiteral("editing"));
    settle(recipe);
    const AttributedString card = recipe->attributedString();
    EXPECT_EQ(joined(describe(card).mid(0, 4)),
        joined(QStringList {
            "Pancakes{v=name}", "/", "77{l=onlineID}", " (Editing:YES){l=EditingLabelAttribute}" }));

    MutableAttributedString edited(card);
    edited.replaceCharactersInRange(
        runOf(card, RVLabelAttribute, QStringLiteral("onlineID")), QStringLiteral("12"));
    edited.replaceCharactersInRange(
        runOf(edited, RVValueAttribute, QStringLiteral("yield")), QStringLiteral("6"));
    recipe->setAttributedString(edited);
    EXPECT_EQ(recipe->valueForKey(QStringLiteral("onlineID")).toLongLong(), 77);
    EXPECT_EQ(recipe->valueForKey(QStringLiteral("yield")).toString(), QStringLiteral("6"));
}

// One edit of the card of filledRecipe() while it is edited, and what the recipe shows after.
struct TakeBackCase {
    const char* name;
    std::function<void(MutableAttributedString&)> edit;
    std::function<void(RecipeMO*)> check;
};

void replaceRun(
    MutableAttributedString& card, const QString& attribute, const QVariant& value, const QString& text)
{
    card.replaceCharactersInRange(runOf(card, attribute, value), text);
}

// What the text view does when a field is emptied: its placeholder stands in.
void emptyField(MutableAttributedString& card, const QString& keyPath, const QString& placeholder)
{
    const Range run = runOf(card, RVValueAttribute, keyPath);
    card.replaceCharactersInRange(run, placeholder);
    card.addAttribute(
        RVPlaceholderAttribute, RVPlaceholderAttribute, Range { run.location, placeholder.size() });
}

void deleteItemLine(MutableAttributedString& card, const QString& keyPath, int index)
{
    const Range run = itemRunOf(card, keyPath, index);
    // The number in front of a direction and the line end after it go too.
    const qsizetype start = card.string().lastIndexOf(u'\n', run.location) + 1;
    card.deleteCharactersInRange(Range { start, maxRange(run) + 1 - start });
}

TEST_F(RecipeCardTest, TakingBackAnEditedCardChangesWhatTheEditNames)
{
    const TakeBackCase cases[] = {
        { "label text is not a field",
            [](auto& card) {
                replaceRun(card, RVLabelAttribute, RVYieldLabelAttribute, QStringLiteral("serves"));
            },
            [](RecipeMO* r) {
                EXPECT_EQ(r->valueForKey(QStringLiteral("yield")).toString(), QStringLiteral("4"));
            } },
        { "text after the label is the field",
            [](auto& card) {
                replaceRun(card, RVValueAttribute, QStringLiteral("yield"), QStringLiteral("6 stacks"));
            },
            [](RecipeMO* r) {
                EXPECT_EQ(r->valueForKey(QStringLiteral("yield")).toString(), QStringLiteral("6 stacks"));
            } },
        { "category text links the category of that name",
            [](auto& card) {
                replaceRun(card, RVValueAttribute, QStringLiteral("category.name"), QStringLiteral("Brunch"));
            },
            [](RecipeMO* r) {
                EXPECT_EQ(
                    r->valueForKeyPath(QStringLiteral("category.name")).toString(), QStringLiteral("Brunch"));
            } },
        { "typing into the kitchen placeholder makes the kitchen",
            [](auto& card) {
                const Range run = runOf(card, RVValueAttribute, QStringLiteral("kitchen.name"));
                card.replaceCharactersInRange(run, QStringLiteral("Grandma"));
                card.removeAttribute(RVPlaceholderAttribute, Range { run.location, 7 });
            },
            [](RecipeMO* r) {
                EXPECT_EQ(
                    r->valueForKeyPath(QStringLiteral("kitchen.name")).toString(), QStringLiteral("Grandma"));
            } },
        { "emptied category is unlinked",
            [](auto& card) { emptyField(card, QStringLiteral("category.name"), QStringLiteral("Category")); },
            [](RecipeMO* r) { EXPECT_EQ(r->objectForKey(QStringLiteral("category")), nullptr); } },
        { "emptied title keeps the name",
            [](auto& card) { emptyField(card, QStringLiteral("name"), QStringLiteral("Untitled Recipe")); },
            [](RecipeMO* r) {
                EXPECT_EQ(r->valueForKey(QStringLiteral("name")).toString(), QStringLiteral("Pancakes"));
            } },
        { "renamed title",
            [](auto& card) {
                replaceRun(card, RVValueAttribute, QStringLiteral("name"), QStringLiteral("Crepes"));
            },
            [](RecipeMO* r) {
                EXPECT_EQ(r->valueForKey(QStringLiteral("name")).toString(), QStringLiteral("Crepes"));
            } },
        { "two of three directions deleted",
            [](auto& card) {
                deleteItemLine(card, QStringLiteral("directions.text"), 3);
                deleteItemLine(card, QStringLiteral("directions.text"), 1);
            },
            [](RecipeMO* r) {
                EXPECT_EQ(itemTexts(r, QStringLiteral("directions")), QStringList { "1:Rest." });
            } },
        { "edited ingredient line is parsed",
            [](auto& card) {
                card.replaceCharactersInRange(itemRunOf(card, QStringLiteral("baseIngredient.name"), 2),
                    QStringLiteral("3 large eggs"));
            },
            [](RecipeMO* r) {
                ASSERT_EQ(lines(r), (QStringList { "1:1 cup flour", "2:3 large eggs" }));
                EXPECT_EQ(line(r, 2)->amount(), QStringLiteral("3"));
                EXPECT_EQ(r->objectsForKey(QStringLiteral("ingredients")).size(), 2);
            } },
        { "every ingredient line deleted leaves the placeholder",
            [](auto& card) {
                deleteItemLine(card, QStringLiteral("baseIngredient.name"), 2);
                deleteItemLine(card, QStringLiteral("baseIngredient.name"), 1);
            },
            [](RecipeMO* r) { EXPECT_EQ(lines(r), QStringList { "1:" }); } },
        { "edited note",
            [](auto& card) {
                const Range run = itemRunOf(card, QStringLiteral("notes.text"), 1);
                card.replaceCharactersInRange(run, QStringLiteral("Use buttermilk."));
            },
            [](RecipeMO* r) {
                EXPECT_EQ(itemTexts(r, QStringLiteral("notes")), QStringList { "1:Use buttermilk." });
            } },
    };

    for (const TakeBackCase& c : cases) {
        SCOPED_TRACE(c.name);
        RecipeMO* recipe = filledRecipe();
        recipe->setValueForKey(true, QStringLiteral("editing"));
        settle(recipe);
        MutableAttributedString card(recipe->attributedString());
        c.edit(card);
        recipe->setAttributedString(card);
        EXPECT_FALSE(recipe->isCached());
        c.check(recipe);
    }
}

TEST_F(RecipeCardTest, TakingBackTheSameTextChangesNothing)
{
    auto* recipe = dynamic_cast<RecipeMO*>(insert(QStringLiteral("Recipe")));
    ASSERT_TRUE(recipe);
    recipe->setValueForKey(true, QStringLiteral("editing"));
    settle(recipe);
    ASSERT_TRUE(recipe->valueForKey(QStringLiteral("defaultValues")).toBool());

    // Same text, different attributes: still nothing to take.
    MutableAttributedString card(recipe->attributedString());
    card.removeAttribute(RVValueAttribute, Range { 0, card.length() });
    recipe->setAttributedString(card);
    context->processPendingChanges();
    EXPECT_FALSE(undoManager.canUndo());
    EXPECT_TRUE(recipe->valueForKey(QStringLiteral("defaultValues")).toBool());
    EXPECT_TRUE(recipe->isCached());
}

TEST_F(RecipeCardTest, PastedCopyOfALineIsInsertedAndNothingIsLost)
{
    struct Case {
        const char* name;
        int copied; // index of the copied line
        int afterLine; // pasted after this line
        QStringList expected;
    };
    const Case cases[] = {
        { "after the last line", 1, 3, { "1:Mix.", "2:Rest.", "3:Fry.", "4:Mix." } },
        { "between two lines", 1, 2, { "1:Mix.", "2:Rest.", "3:Mix.", "4:Fry." } },
        { "before the first line", 3, 0, { "1:Fry.", "2:Mix.", "3:Rest.", "4:Fry." } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RecipeMO* recipe = filledRecipe();
        recipe->setValueForKey(true, QStringLiteral("editing"));
        settle(recipe);
        MutableAttributedString card(recipe->attributedString());
        const QString keyPath = QStringLiteral("directions.text");
        const AttributedString copy = card.attributedSubstringFromRange(itemRunOf(card, keyPath, c.copied));
        qsizetype at = 0;
        if (c.afterLine == 0) {
            const Range first = itemRunOf(card, keyPath, 1);
            at = card.string().lastIndexOf(u'\n', first.location) + 1;
        } else {
            at = maxRange(itemRunOf(card, keyPath, c.afterLine)) + 1;
        }
        MutableAttributedString pasted(copy);
        pasted.appendAttributedString(AttributedString(QStringLiteral("\n")));
        card.insertAttributedString(pasted, at);

        recipe->setAttributedString(card);
        EXPECT_EQ(itemTexts(recipe, QStringLiteral("directions")), c.expected);
    }

    // The same for ingredient lines, whose copy carries the parsed line's index.
    RecipeMO* recipe = filledRecipe();
    settle(recipe);
    MutableAttributedString card(recipe->attributedString());
    const QString keyPath = QStringLiteral("baseIngredient.name");
    MutableAttributedString pasted(card.attributedSubstringFromRange(itemRunOf(card, keyPath, 1)));
    pasted.appendAttributedString(AttributedString(QStringLiteral("\n")));
    card.insertAttributedString(pasted, maxRange(itemRunOf(card, keyPath, 2)) + 1);
    recipe->setAttributedString(card);
    ASSERT_EQ(lines(recipe), (QStringList { "1:1 cup flour", "2:2 eggs", "3:1 cup flour" }));
    EXPECT_EQ(line(recipe, 3)->amount(), QStringLiteral("1"));
}

TEST_F(RecipeCardTest, TakingBackIsOneUndoStep)
{
    RecipeMO* recipe = filledRecipe();
    recipe->setValueForKey(true, QStringLiteral("editing"));
    settle(recipe);
    const QString before = recipe->string();

    MutableAttributedString card(recipe->attributedString());
    replaceRun(card, RVValueAttribute, QStringLiteral("name"), QStringLiteral("Crepes"));
    replaceRun(card, RVValueAttribute, QStringLiteral("category.name"), QStringLiteral("Brunch"));
    card.replaceCharactersInRange(
        itemRunOf(card, QStringLiteral("baseIngredient.name"), 1), QStringLiteral("2 cups milk"));
    deleteItemLine(card, QStringLiteral("directions.text"), 2);
    recipe->setAttributedString(card);
    context->processPendingChanges();
    ASSERT_EQ(recipe->valueForKey(QStringLiteral("name")).toString(), QStringLiteral("Crepes"));
    ASSERT_EQ(itemTexts(recipe, QStringLiteral("directions")), (QStringList { "1:Mix.", "2:Fry." }));

    ASSERT_TRUE(undoManager.canUndo());
    undoManager.undo();
    context->processPendingChanges();
    EXPECT_FALSE(undoManager.canUndo());
    EXPECT_EQ(recipe->valueForKey(QStringLiteral("name")).toString(), QStringLiteral("Pancakes"));
    EXPECT_EQ(
        recipe->valueForKeyPath(QStringLiteral("category.name")).toString(), QStringLiteral("Breakfast"));
    EXPECT_EQ(lines(recipe), (QStringList { "1:1 cup flour", "2:2 eggs" }));
    EXPECT_EQ(
        itemTexts(recipe, QStringLiteral("directions")), (QStringList { "1:Mix.", "2:Rest.", "3:Fry." }));
    recipe->setDirty(true);
    EXPECT_EQ(recipe->string(), before);
}

} // namespace

TEST_F(RecipeCardTest, ForeignRunsAndPlainTextChangeNoField)
{
    RecipeMO* recipe = filledRecipe();
    recipe->setValueForKey(true, QStringLiteral("editing"));
    settle(recipe);

    // Plain text carries no fields or headings: nothing to take.
    recipe->setAttributedString(AttributedString(QStringLiteral("Pancakes\nyield 12\n")));
    EXPECT_EQ(recipe->valueForKey(QStringLiteral("yield")).toString(), QStringLiteral("4"));
    EXPECT_EQ(itemTexts(recipe, QStringLiteral("directions")).size(), 3);

    // An ingredient line pasted into the title area, a run naming a key the recipe has no field
    // for, and a heading of no list.
    MutableAttributedString card(recipe->attributedString());
    const QVariantMap pastedLine { { RVValueAttribute, QStringLiteral("baseIngredient.name") },
        { RVIndexAttribute, QStringLiteral("not a number") } };
    card.insertAttributedString(AttributedString(QStringLiteral("2 eggs\n"), pastedLine), 0);
    card.insertAttributedString(AttributedString(QStringLiteral("x\n"),
                                    { { RVValueAttribute, QStringLiteral("managedObjectContext") } }),
        0);
    card.appendAttributedString(
        AttributedString(QStringLiteral("pantry\n"), { { RVHeadingAttribute, QStringLiteral("pantry") } }));
    recipe->setAttributedString(card);
    EXPECT_EQ(recipe->valueForKey(QStringLiteral("name")).toString(), QStringLiteral("Pancakes"));
    EXPECT_EQ(lines(recipe), (QStringList { "1:1 cup flour", "2:2 eggs" }));
    EXPECT_EQ(itemTexts(recipe, QStringLiteral("notes")), QStringList { "1:Serve hot." });
}
