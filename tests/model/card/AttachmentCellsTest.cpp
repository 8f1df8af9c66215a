// The geometry and mouse tracking of the card's two attachment cells.
#include "RVButtonTextAttachmentCell.h"
#include "RVLineTextAttachmentCell.h"

#include <QImage>
#include <QPainter>
#include <gtest/gtest.h>

namespace
{

TEST(RVButtonTextAttachmentCell, HeightBecomesEven)
{
    EXPECT_EQ(RVButtonTextAttachmentCell::cellSizeForTitleSize({ 80, 15 }), QSizeF(106, 16));
    EXPECT_EQ(RVButtonTextAttachmentCell::cellSizeForTitleSize({ 80, 14 }), QSizeF(106, 16));
    EXPECT_EQ(RVButtonTextAttachmentCell::cellSizeForTitleSize({ 0, 14.5 }), QSizeF(26, 16.5));
}

TEST(RVButtonTextAttachmentCell, FrameTakesTheCellWidth)
{
    RVButtonTextAttachmentCell cell;
    cell.setTitle(QStringLiteral("add ingredients..."));
    const QRectF frame = cell.cellFrameForProposedFrame({ 10, 20, 5, 16 });
    EXPECT_EQ(frame.topLeft(), QPointF(10, 20));
    EXPECT_DOUBLE_EQ(frame.width(), cell.cellSize().width());
    EXPECT_GT(cell.cellSize().width(), 26);
}

TEST(RVButtonTextAttachmentCell, OnlyAPressAndReleaseInsideClicks)
{
    const QRectF frame(10, 10, 100, 16);
    auto tracking = RVButtonTextAttachmentCell::trackMouse(Qt::LeftButton, frame);
    EXPECT_TRUE(RVButtonTextAttachmentCell::mouseDragged(tracking, { 50, 15 }));
    EXPECT_TRUE(RVButtonTextAttachmentCell::mouseUp(tracking, { 50, 15 }));
    // Once only.
    EXPECT_FALSE(RVButtonTextAttachmentCell::mouseUp(tracking, { 50, 15 }));

    tracking = RVButtonTextAttachmentCell::trackMouse(Qt::LeftButton, frame);
    EXPECT_FALSE(RVButtonTextAttachmentCell::mouseDragged(tracking, { 150, 15 }));
    // Coming back does not revive it.
    EXPECT_FALSE(RVButtonTextAttachmentCell::mouseDragged(tracking, { 50, 15 }));
    EXPECT_FALSE(RVButtonTextAttachmentCell::mouseUp(tracking, { 50, 15 }));

    tracking = RVButtonTextAttachmentCell::trackMouse(Qt::RightButton, frame);
    EXPECT_FALSE(RVButtonTextAttachmentCell::mouseUp(tracking, { 50, 15 }));
}

TEST(RVLineTextAttachmentCell, RuleSpansTheLineAndStopsShortInTheRecipeView)
{
    const QRectF frame
        = RVLineTextAttachmentCell::cellFrameForProposedFrame({ 25, 40, 1, 14 }, { 17, 40, 400, 14 }, 8);
    EXPECT_DOUBLE_EQ(frame.width(), 392);
    EXPECT_DOUBLE_EQ(RVLineTextAttachmentCell::insetForView(true, 8), 16);
    EXPECT_DOUBLE_EQ(RVLineTextAttachmentCell::insetForView(true, 8.6), 17);
    EXPECT_DOUBLE_EQ(RVLineTextAttachmentCell::insetForView(false, 8), 0);

    // The rule's last grey pixel is 16 points short of the frame's right edge.
    QImage image(100, 20, QImage::Format_ARGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    RVLineTextAttachmentCell::drawWithFrame(painter, { 0, 0, 100, 20 }, 16);
    painter.end();
    EXPECT_NE(image.pixelColor(80, 10), QColor(Qt::white));
    EXPECT_EQ(image.pixelColor(90, 10), QColor(Qt::white));
}

} // namespace
