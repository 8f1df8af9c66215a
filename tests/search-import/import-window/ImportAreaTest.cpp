#include "ImportViewFixture.h"
#include "Log.h"

#include <gtest/gtest.h>

namespace
{

std::string rectText(const QRectF& r)
{
    return QStringLiteral("(%1, %2, %3, %4)")
        .arg(r.x())
        .arg(r.y())
        .arg(r.width())
        .arg(r.height())
        .toStdString();
}

QStringList titles(const QList<ImportArea::MenuItem>& items)
{
    QStringList result;
    for (const auto& item : items)
        result.append(item.title);
    return result;
}

const QStringList bigLabels { "Description", "Ingredients", "Directions", "Notes" };
const QStringList smallLabels { "Name", "Description", "From", "Time", "Yield", "Category", "Cuisine" };

} // namespace

TEST(ImportAreaTest, PressKindsByWhereThePressLands)
{
    ImportViewHarness harness;
    // A defined area, so no grid covers its body.
    auto area = harness.add(QRectF(100, 100, 200, 100), "Name");
    EXPECT_EQ(area->grabberHitRect(), QRectF(284, 184, 16, 16));
    EXPECT_EQ(area->closeBoxHitRect(), QRectF(84, 86, 30, 30));
    const QRectF tab = area->keyAreaRect();
    ASSERT_FALSE(tab.isEmpty());
    EXPECT_EQ(tab.left(), 102);
    EXPECT_EQ(tab.bottom(), 200);

    const struct {
        const char* where;
        QPointF point;
        ImportArea::EventType kind;
    } cases[] = {
        { "close box, 16 left and 14 above the corner", QPointF(84.5, 86.5), ImportArea::CloseEvent },
        { "close box over the body", QPointF(105, 105), ImportArea::CloseEvent },
        { "just left of the close box", QPointF(83, 100), ImportArea::NoEvent },
        { "resize grabber", QPointF(295, 195), ImportArea::ResizeEvent },
        { "body", QPointF(200, 150), ImportArea::MoveEvent },
        { "label tab", tab.center(), ImportArea::MenuEvent },
        { "far away", QPointF(400, 400), ImportArea::NoEvent },
    };
    for (const auto& c : cases) {
        Log::Capture log;
        EXPECT_EQ(area->eventTypeForMouseDownAtPoint(c.point), c.kind) << c.where;
        EXPECT_EQ(log.contains("eventTypeForMouseDownAtPoint: no event!"), c.kind == ImportArea::NoEvent)
            << c.where;
    }
}

TEST(ImportAreaTest, ListFieldsAreYellowOthersBlue)
{
    ImportViewHarness harness;
    auto area = harness.add(QRectF(100, 100, 200, 100));
    EXPECT_FALSE(area->isDefined());
    EXPECT_EQ(area->frameColor(), ImportArea::blueFrameColor());
    const struct {
        const char* key;
        QColor colour;
    } cases[] = {
        { "Notes", ImportArea::yellowFrameColor() },
        { "Description", ImportArea::blueFrameColor() },
        { "Ingredients", ImportArea::yellowFrameColor() },
        { "Name", ImportArea::blueFrameColor() },
        { "Directions", ImportArea::yellowFrameColor() },
        { "Time", ImportArea::blueFrameColor() },
    };
    for (const auto& c : cases) {
        area->setKey(c.key);
        EXPECT_TRUE(area->isDefined());
        EXPECT_EQ(area->frameColor(), c.colour) << c.key;
    }
}

TEST(ImportAreaTest, GridChoosesOnlyWhenReleasedOnThePressedCell)
{
    ImportViewHarness harness;
    auto area = harness.add(QRectF(50, 50, 500, 300));
    ASSERT_TRUE(area->gridFits());
    const QPointF ingredients = area->gridCellRect(1).center();
    const QPointF notes = area->gridCellRect(3).center();

    harness.gesture(ingredients, { notes });
    EXPECT_FALSE(area->isDefined()) << "released on another cell";
    EXPECT_EQ(area->clickIndex(), -1);
    EXPECT_EQ(area->currentEventIndex(), -1);

    harness.gesture(ingredients, {});
    EXPECT_TRUE(area->isDefined());
    EXPECT_EQ(area->key(), "Ingredients");
}

TEST(ImportAreaTest, MoreOffersTheOtherSetOfLabels)
{
    ImportViewHarness harness;
    // The grid's "More" (inside the area) offers the small labels.
    auto roomy = harness.add(QRectF(50, 50, 500, 300));
    ASSERT_TRUE(roomy->gridFits());
    harness.view.mouseDownAtPoint(roomy->gridCellRect(4).center());
    harness.view.mouseUpAtPoint(roomy->gridCellRect(4).center());
    EXPECT_EQ(harness.menuArea, roomy.get());
    EXPECT_EQ(titles(harness.menuItems), smallLabels);

    // The pop-up's "More" (beside the area) offers the big ones.
    auto narrow = harness.add(QRectF(50, 400, 60, 40));
    ASSERT_FALSE(narrow->gridFits());
    harness.view.layoutChoicePopups();
    ASSERT_TRUE(narrow->hasPopup());
    const QRectF popup = narrow->popupRect();
    const QPointF more(popup.center().x(), popup.top() + 7.5 * narrow->cellHeight());
    harness.gesture(more, {});
    EXPECT_EQ(harness.menuArea, narrow.get());
    EXPECT_EQ(titles(harness.menuItems), bigLabels);

    // Either way the chosen label defines the area.
    narrow->menuChoice("Directions");
    EXPECT_EQ(narrow->key(), "Directions");
    EXPECT_EQ(narrow->frameColor(), ImportArea::yellowFrameColor());
}

TEST(ImportAreaTest, NarrowAreaChoosesFromThePopupBesideIt)
{
    ImportViewHarness harness;
    auto area = harness.add(QRectF(100, 300, 60, 40));
    harness.view.layoutChoicePopups();
    ASSERT_TRUE(area->hasPopup());
    const QRectF popup = area->popupRect();
    EXPECT_EQ(popup.left(), 165) << "right of the area, 5 points off";
    EXPECT_EQ(popup.width(), area->widestSmallChoice());
    EXPECT_EQ(popup.height(), 8 * area->cellHeight());

    const QPointF time(popup.center().x(), popup.top() + 3.5 * area->cellHeight());
    EXPECT_EQ(harness.view.importAreaContainingPoint(time), 0);
    harness.gesture(time, {});
    EXPECT_EQ(area->key(), "Time");
    EXPECT_FALSE(area->flyoutContainsPoint(time)) << "a defined area shows no pop-up";
}

TEST(ImportAreaTest, LabelMenuOfADefinedAreaFromItsTabOnly)
{
    ImportViewHarness harness;
    auto area = harness.add(QRectF(100, 100, 300, 100), "Notes");
    const QList<ImportArea::MenuItem> items = area->menuForPoint(area->keyAreaRect().center());
    EXPECT_EQ(titles(items),
        QStringList({ "Category", "Cuisine", "Description", "Directions", "From", "Ingredients", "Name",
            "Notes", "Time", "Yield" }));
    for (const auto& item : items)
        EXPECT_EQ(item.checked, item.title == "Notes") << item.title.toStdString();
    EXPECT_TRUE(area->menuForPoint(QPointF(300, 120)).isEmpty()) << "body, not the tab";
}

TEST(ImportAreaTest, LongLabelIsCutToTheAreaWithoutDisclosure)
{
    ImportViewHarness harness;
    auto wide = harness.add(QRectF(100, 100, 300, 100), "Notes");
    EXPECT_LT(wide->keyAreaRect().width(), 300 - 4);
    EXPECT_TRUE(wide->showDisclosure());
    auto narrow = harness.add(QRectF(100, 300, 40, 100), "Ingredients");
    EXPECT_EQ(narrow->keyAreaRect().width(), 36);
    EXPECT_FALSE(narrow->showDisclosure());
}

TEST(ImportAreaTest, SnapsToTheLinesItTouches)
{
    QString text;
    for (int i = 0; i < 10; ++i)
        text += QStringLiteral("line %1 of the text\n").arg(i);
    ImportViewHarness harness(text);
    // Lines are 20 points high from y 30: line 0 is 30..50, line 1 50..70, line 2 70..90.
    const struct {
        const char* name;
        QRectF proposed;
        QRectF snapped;
    } cases[] = {
        { "inside one line: down to its bottom", QRectF(40, 35, 200, 10), QRectF(40, 35, 200, 15) },
        { "top near the first line's top", QRectF(40, 32, 200, 45), QRectF(40, 30, 200, 60) },
        { "top near the next line's top", QRectF(40, 47, 200, 40), QRectF(40, 50, 200, 40) },
        { "x and width stay", QRectF(13, 52, 77, 30), QRectF(13, 50, 77, 40) },
        { "below the text: as proposed", QRectF(40, 500, 100, 30), QRectF(40, 500, 100, 30) },
    };
    for (const auto& c : cases) {
        auto area = ImportArea::areaWithFrame(c.proposed, true, &harness.view);
        EXPECT_EQ(rectText(area->frame()), rectText(c.snapped)) << c.name;
    }
}
