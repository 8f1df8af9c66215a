// The item ruler beside the edited card, driven by real mouse events on the offscreen platform:
// markers placed at the items, plus and minus changing the recipe, the press state machine, the
// hover plus marker's fades on the virtual clock.
#include "RVRulerView.h"

#include "Log.h"
#include "PageControllerFixture.h"
#include "RVRecipeView.h"
#include "RVRulerMinusMarker.h"
#include "RVRulerPlusMarker.h"
#include "RVTextView.h"
#include "RulerMarkerSetup.h"

#include <QTest>
#include <gtest/gtest.h>

namespace
{

class RVRulerViewTest : public PageControllerFixture
{
protected:
    // "Stew" with three ingredients, two directions and one note, edited on a page 700 by 700.
    void editStew()
    {
        stew = bareRecipe(QStringLiteral("Stew"));
        addIngredient(stew, 1, {}, {}, {}, QStringLiteral("beef"), QStringLiteral("1 lb beef"));
        addIngredient(stew, 2, {}, {}, {}, QStringLiteral("onion"), QStringLiteral("1 onion"));
        addIngredient(stew, 3, {}, {}, {}, QStringLiteral("salt"), QStringLiteral("salt"));
        addItem(stew, QStringLiteral("Direction"), 1, QStringLiteral("Brown the beef."));
        addItem(stew, QStringLiteral("Direction"), 2, QStringLiteral("Simmer for two hours."));
        addItem(stew, QStringLiteral("Note"), 1, QStringLiteral("Better the next day."));
        stew->addCollectionsObject(library);
        ASSERT_TRUE(context->save());
        selectInList(stew);
        QWidget* page = controller->recipePage();
        page->resize(700, 700);
        page->show();
        controller->edit();
        ASSERT_TRUE(controller->editable());
        ruler = controller->recipeView()->rulerView();
        ASSERT_TRUE(ruler);
    }

    template <class Marker> QList<Marker*> markersOf() const
    {
        QList<Marker*> found;
        for (RVRulerMarker* marker : ruler->markers())
            if (auto* kind = dynamic_cast<Marker*>(marker))
                found.append(kind);
        return found;
    }

    RVRulerMinusMarker* minusFor(const QString& entity, quint64 index) const
    {
        for (RVRulerMinusMarker* marker : markersOf<RVRulerMinusMarker>())
            if (marker->index() == index && marker->representedObject()->entity()->name() == entity)
                return marker;
        return nullptr;
    }

    // The middle of the marker's image, in the ruler widget's coordinates.
    QPoint centre(const RVRulerMarker* marker) const
    {
        return (marker->imageRectInRuler().center() - QPointF(0, ruler->originOffset())).toPoint();
    }

    QStringList lines(const QString& key) const
    {
        QStringList texts;
        for (ManagedObject* item : stew->sortedItemsForKey(key))
            texts.append(
                item->valueForKey(key == QLatin1String("ingredients") ? QStringLiteral("displayString")
                                                                      : QStringLiteral("text"))
                    .toString());
        return texts;
    }

    RecipeMO* stew = nullptr;
    RVRulerView* ruler = nullptr;
};

TEST_F(RVRulerViewTest, TheRulerShowsOnlyWhileEditing)
{
    editStew();
    EXPECT_TRUE(ruler->isVisible());
    EXPECT_EQ(ruler->width(), 30);
    controller->edit();
    EXPECT_FALSE(ruler->isVisible());
    EXPECT_TRUE(ruler->markers().isEmpty());
}

TEST_F(RVRulerViewTest, AMinusMarkerAtEachItemAndAPlusMarkerAfterEachList)
{
    editStew();
    EXPECT_EQ(markersOf<RVRulerMinusMarker>().size(), 6);
    const QList<RVRulerPlusMarker*> plus = markersOf<RVRulerPlusMarker>();
    ASSERT_EQ(plus.size(), 3);
    // Each list's plus marker stands beside its last item's minus marker.
    const struct {
        const char* entity;
        quint64 last;
    } lists[] = { { "RecipeIngredient", 3 }, { "Direction", 2 }, { "Note", 1 } };
    for (int i = 0; i < 3; ++i) {
        const RVRulerMinusMarker* minus = minusFor(QString::fromLatin1(lists[i].entity), lists[i].last);
        ASSERT_TRUE(minus) << lists[i].entity;
        EXPECT_EQ(plus.at(i)->markerLocation(), minus->markerLocation()) << lists[i].entity;
        EXPECT_EQ(plus.at(i)->index(), lists[i].last);
        EXPECT_EQ(plus.at(i)->alpha(), 0.0);
        EXPECT_EQ(plus.at(i)->imageRectInRuler().left(), 15.0);
        EXPECT_EQ(minus->imageRectInRuler().left(), 1.0);
    }
    // Every minus marker stands at its item's line: the top of the item's text plus 12.
    const DocumentTextLayout& layout = controller->recipeView()->textView()->textLayout();
    double previous = -1;
    for (RVRulerMinusMarker* minus : markersOf<RVRulerMinusMarker>()) {
        const Range text
            = controller->page().rangeOfRepresentedTextForManagedObject(minus->representedObject());
        ASSERT_NE(text.location, Range::NotFound) << minus->description().toStdString();
        EXPECT_DOUBLE_EQ(minus->markerLocation(), layout.boundingRectForRange(text).top() + 12.0);
        EXPECT_GT(minus->markerLocation(), previous);
        previous = minus->markerLocation();
    }
}

TEST_F(RVRulerViewTest, PlusAddsAfterItsItemAndMinusRemovesItsItem)
{
    editStew();
    // The plus marker after the last ingredient adds ingredient 4.
    RVRulerPlusMarker* lastPlus = markersOf<RVRulerPlusMarker>().first();
    QTest::mouseClick(ruler, Qt::LeftButton, {}, centre(lastPlus));
    EXPECT_EQ(lines(QStringLiteral("ingredients")).size(), 4);
    EXPECT_EQ(controller->page().editRange().length > 0, true);

    // A hover plus marker beside direction 1 adds at 2; the old 2 moves to 3.
    RVRulerMinusMarker* first = minusFor(QStringLiteral("Direction"), 1);
    ASSERT_TRUE(first);
    QTest::mouseMove(ruler, centre(first));
    clock.advance(0);
    RVRulerPlusMarker* spawned = nullptr;
    for (RVRulerPlusMarker* plus : markersOf<RVRulerPlusMarker>())
        if (plus->markerLocation() == first->markerLocation())
            spawned = plus;
    ASSERT_TRUE(spawned);
    QTest::mouseClick(ruler, Qt::LeftButton, {}, centre(spawned));
    EXPECT_EQ(lines(QStringLiteral("directions")),
        (QStringList {
            QStringLiteral("Brown the beef."), QString(), QStringLiteral("Simmer for two hours.") }));

    // Minus beside ingredient 2 removes the onion and renumbers.
    RVRulerMinusMarker* onion = minusFor(QStringLiteral("RecipeIngredient"), 2);
    ASSERT_TRUE(onion);
    QTest::mouseClick(ruler, Qt::LeftButton, {}, centre(onion));
    EXPECT_EQ(lines(QStringLiteral("ingredients")),
        (QStringList { QStringLiteral("1 lb beef"), QStringLiteral("salt"), QString() }));
    // The markers follow the recipe: one minus marker per item now.
    EXPECT_EQ(markersOf<RVRulerMinusMarker>().size(), 3 + 3 + 1);
    clock.advance(2);
}

TEST_F(RVRulerViewTest, PressDragOffAndReleaseRemovesNothing)
{
    editStew();
    RVRulerMinusMarker* onion = minusFor(QStringLiteral("RecipeIngredient"), 2);
    ASSERT_TRUE(onion);
    const QImage normal = onion->defaultImage();
    QTest::mousePress(ruler, Qt::LeftButton, {}, centre(onion));
    EXPECT_TRUE(onion->isMouseDown());
    EXPECT_EQ(onion->image(), onion->mouseDownImage());
    const QPoint away = centre(onion) + QPoint(0, 200);
    QMouseEvent drag(QEvent::MouseMove, away, ruler->mapToGlobal(away), Qt::NoButton, Qt::LeftButton, {});
    QApplication::sendEvent(ruler, &drag);
    EXPECT_FALSE(onion->isMouseDown());
    EXPECT_EQ(onion->image(), normal);
    QTest::mouseRelease(ruler, Qt::LeftButton, {}, away);
    EXPECT_EQ(lines(QStringLiteral("ingredients")).size(), 3);
    EXPECT_EQ(onion->image(), normal);
}

TEST_F(RVRulerViewTest, HoveringSpawnsOnePlusMarkerThatFadesInAndOut)
{
    editStew();
    RVRulerMinusMarker* beef = minusFor(QStringLiteral("RecipeIngredient"), 1);
    ASSERT_TRUE(beef);
    const int before = int(markersOf<RVRulerPlusMarker>().size());
    // Back and forth along the row: one plus marker.
    for (int x : { 3, 20, 8, 25, 5 })
        QTest::mouseMove(ruler, QPoint(x, centre(beef).y()));
    ASSERT_EQ(markersOf<RVRulerPlusMarker>().size(), before + 1);
    RVRulerPlusMarker* spawned = markersOf<RVRulerPlusMarker>().last();
    // Its first step showed the faintest level; the next ones wait for the run loop.
    EXPECT_DOUBLE_EQ(spawned->alpha(), RVRulerPlusMarker::FaintestAlpha * RVRulerPlusMarker::FadeFactor);
    EXPECT_TRUE(spawned->isFadingIn());
    EXPECT_EQ(spawned->index(), 1u);
    EXPECT_EQ(spawned->representedObject(), beef->representedObject());
    // The fade-in runs on the next turns of the run loop and stops at full opacity.
    clock.advance(0);
    EXPECT_EQ(spawned->alpha(), 1.0);
    EXPECT_FALSE(spawned->isFadingIn());

    // Leaving the ruler fades it out over about 1.35 s; the permanent plus markers stay.
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(ruler, &leave);
    EXPECT_FALSE(beef->isMouseOver());
    EXPECT_TRUE(spawned->isFadingOut());
    clock.advance(1.3);
    EXPECT_EQ(markersOf<RVRulerPlusMarker>().size(), before + 1);
    clock.advance(0.06);
    EXPECT_EQ(markersOf<RVRulerPlusMarker>().size(), before);
    for (RVRulerPlusMarker* plus : markersOf<RVRulerPlusMarker>())
        EXPECT_EQ(plus->alpha(), 0.0);
}

TEST_F(RVRulerViewTest, AMarkerTakenOffMidFadeStopsItsTimer)
{
    editStew();
    RVRulerMinusMarker* beef = minusFor(QStringLiteral("RecipeIngredient"), 1);
    ASSERT_TRUE(beef);
    QTest::mouseMove(ruler, centre(beef));
    clock.advance(0);
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(ruler, &leave);
    clock.advance(0.2);
    // Leaving editing takes every marker off while the fade-out runs.
    controller->edit();
    EXPECT_TRUE(ruler->markers().isEmpty());
    const int pending = clock.pendingCount();
    clock.advance(2);
    // Nothing of the marker ran (under the sanitizers a step on a freed marker would fail here).
    EXPECT_TRUE(ruler->markers().isEmpty());
    EXPECT_LE(clock.pendingCount(), pending);
}

TEST_F(RVRulerViewTest, HoverLooksFollowThePointer)
{
    editStew();
    RVRulerMinusMarker* salt = minusFor(QStringLiteral("RecipeIngredient"), 3);
    ASSERT_TRUE(salt);
    QTest::mouseMove(ruler, centre(salt));
    EXPECT_TRUE(salt->isMouseOver());
    EXPECT_EQ(salt->image(), salt->mouseOverImage());
    QTest::mouseMove(ruler, centre(salt) + QPoint(0, 300));
    EXPECT_FALSE(salt->isMouseOver());
    EXPECT_EQ(salt->image(), salt->defaultImage());
}

TEST(RVRulerViewAlone, OnlyTheVerticalRulerIsMade)
{
    Log::Capture log;
    EXPECT_EQ(RVRulerView::create(Qt::Horizontal), nullptr);
    EXPECT_TRUE(log.contains(QStringLiteral("Horizontal Ruler Unsupported!")));
    std::unique_ptr<RVRulerView> ruler(RVRulerView::create(Qt::Vertical));
    ASSERT_TRUE(ruler);
    RVRulerMinusMarker marker(ruler.get(), 40, RVRulerMinusMarker::classDefaultImage(), { -1, 0 });
    marker.setIndex(3);
    EXPECT_EQ(marker.description(), QStringLiteral("RVRulerMinusMarker (index: 3)"));
    // Image origin (-1, 0): the image's left edge at 1, its bottom at the location.
    EXPECT_EQ(marker.imageRectInRuler(), QRectF(1, 27, 13, 13));
}

} // namespace
