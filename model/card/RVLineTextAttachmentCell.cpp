#include "RVLineTextAttachmentCell.h"

#include <QColor>
#include <QPainter>
#include <cmath>

TextAttachment RVLineTextAttachmentCell::attachment() const
{
    TextAttachment attachment;
    attachment.cell = TextAttachment::Cell::Line;
    return attachment;
}

QRectF RVLineTextAttachmentCell::cellFrameForProposedFrame(
    QRectF frame, QRectF lineFragment, double lineFragmentPadding)
{
    frame.setWidth(lineFragment.width() - lineFragmentPadding);
    return frame;
}

double RVLineTextAttachmentCell::insetForView(bool recipeTextView, double lineFragmentPadding)
{
    return recipeTextView ? std::floor(2 * lineFragmentPadding) : 0.0;
}

void RVLineTextAttachmentCell::drawWithFrame(QPainter& painter, QRectF frame, double inset)
{
    const double y = frame.y() + frame.height() / 2;
    painter.save();
    painter.setPen(QColor(Qt::gray));
    painter.drawLine(QPointF(frame.x(), y), QPointF(frame.x() + frame.width() - inset, y));
    painter.restore();
}
