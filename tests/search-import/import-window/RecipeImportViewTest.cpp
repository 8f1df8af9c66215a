#include "ImportViewFixture.h"
#include "VirtualClock.h"

#include <QFont>
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

struct RecordingDelegate : RecipeImportViewDelegate {
    void didAddArea(ImportArea* area) override { added.append(area); }
    void didRemoveArea(ImportArea* area) override { removed.append(area); }
    QList<ImportArea*> added;
    QList<ImportArea*> removed;
};

} // namespace

TEST(RecipeImportViewTest, DraggingDrawsANewAreaOfAtLeast24By20)
{
    ImportViewHarness harness;
    RecordingDelegate delegate;
    harness.view.setImportDelegate(&delegate);

    harness.gesture(QPointF(100, 100), {});
    EXPECT_EQ(harness.view.areaCount(), 0) << "a click without a drag draws nothing";

    harness.gesture(QPointF(100, 100), { QPointF(103, 102), QPointF(105, 105) });
    ASSERT_EQ(harness.view.areaCount(), 1);
    EXPECT_EQ(rectText(harness.view.currentImportAreas().at(0)->frame()), rectText(QRectF(100, 100, 24, 20)));
    EXPECT_EQ(delegate.added.size(), 1);

    // Drawn leftwards and upwards, the origin is the smaller corner.
    harness.gesture(QPointF(300, 400), { QPointF(200, 350) });
    EXPECT_EQ(
        rectText(harness.view.currentImportAreas().at(1)->frame()), rectText(QRectF(200, 350, 100, 50)));
}

TEST(RecipeImportViewTest, AreasNeverOverlap)
{
    const struct {
        const char* name;
        QPointF from;
        QPointF to;
        QRectF expected; // of the area drawn or moved
    } cases[] = {
        { "drawing across stops at its edge", QPointF(50, 120), QPointF(250, 150), QRectF(50, 120, 150, 30) },
        { "drawing up into it stops at its bottom", QPointF(220, 260), QPointF(260, 150),
            QRectF(220, 200, 40, 60) },
        { "moving into it stops against it, same size", QPointF(100, 425), QPointF(300, 425),
            QRectF(120, 400, 100, 50) },
    };
    for (const auto& c : cases) {
        ImportViewHarness harness;
        harness.add(QRectF(200, 100, 100, 100), "Name");
        std::shared_ptr<ImportArea> moved;
        if (QString::fromUtf8(c.name).startsWith("moving")) {
            moved = harness.add(QRectF(50, 400, 100, 50), "Notes");
            harness.add(QRectF(220, 400, 100, 50), "Yield");
        }
        harness.gesture(c.from, { c.to });
        const QRectF frame = moved ? moved->frame() : harness.view.currentImportAreas().last()->frame();
        EXPECT_EQ(rectText(frame), rectText(c.expected)) << c.name;
    }
}

TEST(RecipeImportViewTest, ResizingKeepsAtLeast24By16)
{
    ImportViewHarness harness;
    auto area = harness.add(QRectF(100, 100, 100, 100), "Name");
    harness.view.mouseDownAtPoint(QPointF(195, 195));
    harness.view.mouseDraggedToPoint(QPointF(150, 160));
    EXPECT_EQ(rectText(area->frame()), rectText(QRectF(100, 100, 55, 65)));
    harness.view.mouseDraggedToPoint(QPointF(0, 0));
    EXPECT_EQ(rectText(area->frame()), rectText(QRectF(100, 100, 24, 16)));
    harness.view.mouseUpAtPoint(QPointF(0, 0));
    EXPECT_EQ(rectText(area->frame()), rectText(QRectF(100, 100, 24, 16)));
}

TEST(RecipeImportViewTest, CloseBoxClosesAfterTheDelayOnlyWhenReleasedOnIt)
{
    VirtualClock clock;
    ImportViewHarness harness;
    RecordingDelegate delegate;
    harness.view.setImportDelegate(&delegate);
    auto area = harness.add(QRectF(100, 100, 100, 100), "Name");
    const QPointF box = area->closeBoxHitRect().center();

    // Pressed, then released elsewhere: the area stays and its box is no longer pressed.
    harness.view.mouseDownAtPoint(box);
    EXPECT_TRUE(area->closeBoxPressed());
    harness.view.mouseDraggedToPoint(QPointF(400, 400));
    EXPECT_FALSE(area->closeBoxPressed());
    harness.view.mouseUpAtPoint(QPointF(400, 400));
    clock.advance(1.0);
    EXPECT_EQ(harness.view.areaCount(), 1);

    harness.gesture(box, {});
    clock.advance(0.1);
    EXPECT_EQ(harness.view.areaCount(), 1) << "not before 0.15 s";
    clock.advance(0.05);
    EXPECT_EQ(harness.view.areaCount(), 0);
    EXPECT_EQ(delegate.removed, QList<ImportArea*>({ area.get() }));
}

TEST(RecipeImportViewTest, DelayedCloseKeepsItsAreaAliveUntilItRuns)
{
    VirtualClock clock;
    ImportViewHarness harness;
    RecordingDelegate delegate;
    harness.view.setImportDelegate(&delegate);
    std::weak_ptr<ImportArea> watched;
    {
        auto area = harness.add(QRectF(100, 100, 100, 100), "Name");
        watched = area;
        harness.gesture(area->closeBoxHitRect().center(), {});
    }
    // The text is replaced before the close runs.
    harness.view.clearAreas();
    EXPECT_FALSE(watched.expired());
    clock.advance(0.2);
    EXPECT_TRUE(watched.expired());
    EXPECT_TRUE(delegate.removed.isEmpty()) << "an area already gone is not removed twice";
}

TEST(RecipeImportViewTest, CloseBoxWinsOverALaterAreasBody)
{
    ImportViewHarness harness;
    auto first = harness.add(QRectF(200, 100, 100, 100), "Name");
    harness.add(QRectF(150, 60, 60, 60), "Time");
    // Inside the first area's close box and the second area's body.
    EXPECT_EQ(harness.view.importAreaContainingPoint(QPointF(190, 90)), 0);
    EXPECT_EQ(harness.view.importAreaContainingPoint(QPointF(160, 70)), 1);
    EXPECT_EQ(harness.view.importAreaContainingPoint(QPointF(500, 500)), RecipeImportView::NotFound);
}

TEST(RecipeImportViewTest, PopupGoesWhereItFits)
{
    // The usable region of a 600 x 800 visible part runs from y 33 to 797.
    ImportViewHarness harness;
    const QSizeF size(120, 200);
    const struct {
        const char* name;
        QRectF area;
        int side;
        QRectF placed;
    } cases[] = {
        { "right", QRectF(100, 300, 100, 100), 1, QRectF(205, 250, 120, 200) },
        { "right, kept inside at the top", QRectF(100, 40, 100, 20), 1, QRectF(205, 33, 120, 200) },
        { "below", QRectF(450, 300, 100, 100), 2, QRectF(440, 405, 120, 200) },
        { "above", QRectF(450, 650, 100, 100), 3, QRectF(440, 445, 120, 200) },
        { "left", QRectF(480, 40, 100, 740), 4, QRectF(355, 310, 120, 200) },
        { "off the visible text", QRectF(100, 900, 50, 50), 0, QRectF() },
    };
    for (const auto& c : cases) {
        QRectF placed(1, 2, 3, 4);
        EXPECT_EQ(harness.view.sideOfRect(c.area, &placed, size), c.side) << c.name;
        EXPECT_EQ(rectText(placed), rectText(c.placed)) << c.name;
    }
}

TEST(RecipeImportViewTest, DisplayFormattingForReading)
{
    QFont small(QStringLiteral("Helvetica"));
    small.setPointSizeF(9.0);
    QFont large(QStringLiteral("Helvetica"));
    large.setPointSizeF(14.0);
    ParagraphStyle spaced;
    spaced.paragraphSpacing = 10.0;
    MutableAttributedString text(QStringLiteral("Small\n\n\n\n\nLarge\n\n\nEnd"));
    text.addAttribute(NSFontAttributeName, QVariant::fromValue(small), { 0, 6 });
    text.addAttribute(NSFontAttributeName, QVariant::fromValue(large), { 10, 5 });
    text.addAttribute(NSParagraphStyleAttributeName, QVariant::fromValue(spaced), { 10, 6 });

    RecipeImportView::formatTextForDisplay(text);

    EXPECT_EQ(text.string(), "Small\n\nLarge\n\nEnd");
    EXPECT_EQ(text.attributeAtIndex(NSFontAttributeName, 0).value<QFont>().pointSizeF(), 12.0);
    EXPECT_EQ(text.attributeAtIndex(NSFontAttributeName, 7).value<QFont>().pointSizeF(), 14.0);
    EXPECT_EQ(
        text.attributeAtIndex(NSParagraphStyleAttributeName, 7).value<ParagraphStyle>().paragraphSpacing,
        12.0);
    EXPECT_EQ(
        text.attributeAtIndex(NSParagraphStyleAttributeName, 0).value<ParagraphStyle>().paragraphSpacing,
        6.0);
}
