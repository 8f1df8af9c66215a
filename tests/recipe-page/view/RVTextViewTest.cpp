// The recipe page on the offscreen platform, driven by real key presses, clicks and drops.
#include "RVTextView.h"

#include "FetchRequest.h"
#include "PageControllerFixture.h"
#include "RVRecipeView.h"

#include <QApplication>
#include <QCompleter>
#include <QMimeData>
#include <QTest>
#include <gtest/gtest.h>

namespace
{

class RVTextViewTest : public PageControllerFixture
{
protected:
    // "Soup" with empty lists, shown on a page 700 by 700.
    RVTextView* showSoup()
    {
        soup = bareRecipe(QStringLiteral("Soup"));
        addIngredient(soup, 1, {}, {}, {}, {}, {});
        addItem(soup, QStringLiteral("Direction"), 1, {});
        addItem(soup, QStringLiteral("Note"), 1, {});
        soup->addCollectionsObject(library);
        EXPECT_TRUE(context->save());
        selectInList(soup);
        QWidget* page = controller->recipePage();
        page->resize(700, 700);
        page->show();
        RVTextView* view = controller->recipeView()->textView();
        view->setFocus();
        return view;
    }

    QString edited() const
    {
        const Range e = controller->page().editRange();
        return controller->page().textStorage().string().mid(e.location, e.length);
    }

    QString documentText(RVTextView* view) const
    {
        return view->document()->toPlainText().replace(QChar::ParagraphSeparator, u'\n');
    }

    // The ingredient lines' display strings in order.
    QStringList ingredientLines() const
    {
        QStringList lines;
        for (ManagedObject* line : soup->sortedItemsForKey(QStringLiteral("ingredients")))
            lines.append(line->valueForKey(QStringLiteral("displayString")).toString());
        return lines;
    }

    RecipeMO* soup = nullptr;
};

TEST_F(RVTextViewTest, AWholeEditWithTheKeyboard)
{
    RVTextView* view = showSoup();
    controller->edit();
    ASSERT_TRUE(controller->editable());
    EXPECT_EQ(edited(), QStringLiteral("Soup"));
    EXPECT_EQ(view->textCursor().selectedText(), QStringLiteral("Soup"));

    QTest::keyClick(view, Qt::Key_End);
    QTest::keyClicks(view, QStringLiteral(" Pot"));
    EXPECT_EQ(edited(), QStringLiteral("Soup Pot"));
    for (int i = 0; i < 7; ++i)
        QTest::keyClick(view, Qt::Key_Tab);
    EXPECT_EQ(edited(), QStringLiteral("Ingredient"));
    EXPECT_EQ(view->textCursor().selectedText(), QStringLiteral("Ingredient"));
    QTest::keyClicks(view, QStringLiteral("2 cups flour"));
    EXPECT_EQ(edited(), QStringLiteral("2 cups flour"));
    QCoreApplication::processEvents();

    QTest::keyClick(view, Qt::Key_Return);
    EXPECT_EQ(ingredientLines(), (QStringList { QStringLiteral("2 cups flour"), QString() }));
    EXPECT_EQ(edited(), QStringLiteral("Ingredient"));
    // The document mirrors the card character for character.
    EXPECT_EQ(documentText(view).size(), controller->page().textStorage().length());
    QCoreApplication::processEvents();

    QTest::keyClick(view, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(ingredientLines(), (QStringList { QStringLiteral("2 cups flour") }));
    EXPECT_EQ(documentText(view), controller->page().textStorage().string());

    controller->edit();
    EXPECT_FALSE(controller->editable());
    EXPECT_FALSE(context->hasChanges());
    openStack();
    const QList<ManagedObject*> recipes = fetchAll(QStringLiteral("Recipe"));
    ASSERT_EQ(recipes.size(), 1);
    auto* stored = dynamic_cast<RecipeMO*>(recipes.first());
    EXPECT_EQ(stored->valueForKey(QStringLiteral("name")).toString(), QStringLiteral("Soup Pot"));
    ASSERT_EQ(stored->sortedItemsForKey(QStringLiteral("ingredients")).size(), 1);
    EXPECT_EQ(stored->sortedItemsForKey(QStringLiteral("ingredients"))
                  .first()
                  ->valueForKeyPath(QStringLiteral("baseIngredient.name"))
                  .toString(),
        QStringLiteral("flour"));
}

TEST_F(RVTextViewTest, UndoTakesBackTyping)
{
    RVTextView* view = showSoup();
    controller->edit();
    QTest::keyClick(view, Qt::Key_End);
    QTest::keyClicks(view, QStringLiteral("s"));
    QCoreApplication::processEvents();
    QTest::keyClicks(view, QStringLiteral("!!"));
    EXPECT_EQ(edited(), QStringLiteral("Soups!!"));
    QTest::keyClick(view, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(edited(), QStringLiteral("Soups"));
    QTest::keyClick(view, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(edited(), QStringLiteral("Soup"));
    EXPECT_TRUE(documentText(view).startsWith(QStringLiteral("Soup\n")));
}

TEST_F(RVTextViewTest, KeysOutsideTheFieldChangeNothing)
{
    RVTextView* view = showSoup();
    const QString before = controller->page().textStorage().string();
    // Reading mode: typing is refused, Backspace asks to delete the recipe.
    int deletes = 0;
    controller->page().hooks().deleteSelectedRecipe = [&deletes] { ++deletes; };
    QTest::keyClicks(view, QStringLiteral("abc"));
    QTest::keyClick(view, Qt::Key_Backspace);
    EXPECT_EQ(controller->page().textStorage().string(), before);
    EXPECT_EQ(deletes, 1);

    controller->edit();
    // Delete at the field's end is refused; the card keeps its text.
    QTest::keyClick(view, Qt::Key_End);
    QTest::keyClick(view, Qt::Key_Delete);
    EXPECT_EQ(edited(), QStringLiteral("Soup"));
    EXPECT_EQ(deletes, 1);
}

TEST_F(RVTextViewTest, TextDropsLandOnlyInsideTheEditBox)
{
    RVTextView* view = showSoup();
    controller->edit();
    const QRectF box = controller->page().editBoxRect();
    ASSERT_FALSE(box.isEmpty());
    QMimeData data;
    data.setText(QStringLiteral("Hot "));

    // Enter, move and drop at a point; whether the drop was taken.
    const auto dropAt = [&](QPointF point) {
        QDragEnterEvent enter(point.toPoint(), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(view->viewport(), &enter);
        QDragMoveEvent move(point.toPoint(), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(view->viewport(), &move);
        QDropEvent drop(point, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(view->viewport(), &drop);
        return move.isAccepted() && drop.isAccepted();
    };
    EXPECT_FALSE(dropAt({ box.left() + 5, box.bottom() + 200 }));
    EXPECT_EQ(edited(), QStringLiteral("Soup"));
    EXPECT_TRUE(dropAt({ box.left() + 3, box.center().y() }));
    EXPECT_EQ(edited(), QStringLiteral("Hot Soup"));
}

TEST_F(RVTextViewTest, CompletionComesAfterAPauseAndKeepsTheTypedCase)
{
    RVTextView* view = showSoup();
    controller->page().hooks().completions = [](const QString& partial, const EntityDescription*) {
        return partial == QLatin1String("fl")
            ? std::optional<QStringList>({ QStringLiteral("Flour"), QStringLiteral("Flour tortillas") })
            : std::nullopt;
    };
    soup->sortedItemsForKey(QStringLiteral("ingredients"))
        .first()
        ->setValueForKey(
            QVariant::fromValue(insertNamed(QStringLiteral("Ingredient"), QStringLiteral("salt"))),
            QStringLiteral("baseIngredient"));
    controller->edit();
    for (int i = 0; i < 7; ++i)
        QTest::keyClick(view, Qt::Key_Tab);
    QTest::keyClicks(view, QStringLiteral("2 fl"));
    clock.advance(0.1);
    EXPECT_TRUE(view->completionList().isEmpty());
    clock.advance(0.06);
    EXPECT_EQ(
        view->completionList(), (QStringList { QStringLiteral("Flour"), QStringLiteral("Flour tortillas") }));
    auto* completer = view->findChild<QCompleter*>();
    ASSERT_TRUE(completer);
    emit completer->activated(QStringLiteral("Flour"));
    EXPECT_EQ(edited(), QStringLiteral("2 flour"));
}

TEST_F(RVTextViewTest, TenHoverRebuildRequestsGiveOne)
{
    RVTextView* view = showSoup();
    clock.advance(1);
    const int before = view->trackingRectRebuilds();
    for (int i = 0; i < 10; ++i)
        view->updateTrackingRects();
    clock.advance(0.05);
    EXPECT_EQ(view->trackingRectRebuilds(), before);
    clock.advance(0.06);
    EXPECT_EQ(view->trackingRectRebuilds(), before + 1);
}

TEST_F(RVTextViewTest, DeleteMenuItem)
{
    const struct {
        bool text, recipe;
        const char* title;
        bool enabled;
    } cases[] = {
        { true, true, "Delete", true },
        { true, false, "Delete", true },
        { false, true, "Delete Recipe", true },
        { false, false, "Delete", false },
    };
    for (const auto& c : cases) {
        const RVTextView::MenuItemState state = RVTextView::validateDeleteMenuItem(c.text, c.recipe);
        EXPECT_EQ(state.title, QString::fromLatin1(c.title));
        EXPECT_EQ(state.enabled, c.enabled);
    }
}

TEST_F(RVTextViewTest, LinesBesideThePictureEndBeforeTheNotch)
{
    RVTextView* view = showSoup();
    soup->setValueForKey(
        QStringLiteral("A long description that runs over several lines beside the picture well "
                       "and then further down below it, where the lines are wide again."),
        QStringLiteral("recipeDescription"));
    listSelection = soup;
    controller->observedSelectionDidChange(
        Observed::RecipeList, QStringLiteral("selection.attributedString"));
    const double notchLeft = view->viewport()->width() - 157;
    const QRectF name = view->textLayout().boundingRectForRange({ 0, 4 });
    EXPECT_LT(name.right(), notchLeft);
    const QRectF all = view->textLayout().usedRect();
    EXPECT_GT(all.height(), 200);
}

} // namespace

namespace
{

TEST_F(RVTextViewTest, APointFindsTheFirstFieldOfItsLine)
{
    RecipeMO* pie = bareRecipe(QStringLiteral("Pie"));
    pie->setValueForKey(QStringLiteral("4 servings"), QStringLiteral("yield"));
    addIngredient(pie, 1, QStringLiteral("2"), QStringLiteral("cup"), {}, QStringLiteral("flour"),
        QStringLiteral("2 cup flour"));
    addIngredient(pie, 2, QStringLiteral("1"), {}, {}, QStringLiteral("egg"), QStringLiteral("1 egg"));
    addItem(pie, QStringLiteral("Direction"), 1, QStringLiteral("Bake"));
    addItem(pie, QStringLiteral("Note"), 1, {});
    pie->addCollectionsObject(library);
    selectInList(pie);
    QWidget* page = controller->recipePage();
    page->resize(700, 700);
    page->show();
    RVTextView* view = controller->recipeView()->textView();
    QStringList asked;
    view->contextualMenuForAttributeValue = [&](const QString& keyPath, quint64 index, QWidget*) -> QMenu* {
        asked.append(QStringLiteral("%1 %2").arg(keyPath).arg(index));
        return nullptr;
    };
    const QString text = controller->page().textStorage().string();
    auto pointAt = [&](const QString& what, qsizetype offset = 0) {
        const qsizetype at = text.indexOf(what);
        EXPECT_GE(at, 0) << what.toStdString();
        return view->textLayout().boundingRectForRange({ at + offset, 1 }).center();
    };
    EXPECT_EQ(view->contextMenuForPoint(pointAt(QStringLiteral("1 egg"), 2)), nullptr);
    view->contextMenuForPoint(pointAt(QStringLiteral("2 cup flour")));
    // The label before the value finds the value after it.
    const qsizetype label = text.lastIndexOf(u'\n', text.indexOf(QStringLiteral("4 servings"))) + 1;
    view->contextMenuForPoint(view->textLayout().boundingRectForRange({ label, 1 }).center());
    EXPECT_EQ(asked, QStringList({ "ingredients 2", "ingredients 1", "yield 0" }));
}

} // namespace
