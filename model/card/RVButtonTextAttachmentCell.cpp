#include "RVButtonTextAttachmentCell.h"

#include "AttributedString.h"
#include "FontNames.h"
#include "RecipeCardAttributes.h"

#include <QColor>
#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>
#include <cmath>

TextAttachment RVButtonTextAttachmentCell::attachment() const
{
    TextAttachment attachment;
    attachment.cell = TextAttachment::Cell::Button;
    attachment.title = m_title;
    return attachment;
}

QVariantMap RVButtonTextAttachmentCell::titleAttributes()
{
    return { { NSFontAttributeName, QVariant::fromValue(FontNames::fontWithName(RVBoldDisplayFont, 12)) },
        { NSForegroundColorAttributeName,
            QVariant::fromValue(QColor::fromRgbF(1.0 / 3, 1.0 / 3, 1.0 / 3)) } };
}

QSizeF RVButtonTextAttachmentCell::cellSize() const
{
    const QFontMetricsF metrics(FontNames::fontWithName(RVBoldDisplayFont, 12));
    return cellSizeForTitleSize({ metrics.horizontalAdvance(m_title), metrics.height() });
}

QSizeF RVButtonTextAttachmentCell::cellSizeForTitleSize(QSizeF titleSize)
{
    const auto whole = static_cast<long long>(std::floor(titleSize.height()));
    return { titleSize.width() + 26, titleSize.height() + (whole % 2 != 0 ? 1 : 2) };
}

QRectF RVButtonTextAttachmentCell::cellFrameForProposedFrame(QRectF frame) const
{
    frame.setWidth(cellSize().width());
    return frame;
}

void RVButtonTextAttachmentCell::drawWithFrame(QPainter& painter, QRectF frame) const
{
    QRectF button = frame.toAlignedRect();
    button.setWidth(button.width() - 4);
    const double radius = std::min(8.0, std::min(button.width(), button.height()) / 2);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath path;
    path.addRoundedRect(button.adjusted(0.5, 0.5, -0.5, -0.5), radius, radius);
    painter.setPen(QColor::fromRgbF(0.75, 0.75, 0.75));
    painter.setBrush(Qt::white);
    painter.drawPath(path);
    // The plus sign, in the same grey as the title.
    const QColor dark = QColor::fromRgbF(1.0 / 3, 1.0 / 3, 1.0 / 3);
    const QPointF centre(button.x() + 9, button.center().y());
    painter.setPen(QPen(dark, 2));
    painter.drawLine(centre - QPointF(4, 0), centre + QPointF(4, 0));
    painter.drawLine(centre - QPointF(0, 4), centre + QPointF(0, 4));
    painter.setFont(FontNames::fontWithName(RVBoldDisplayFont, 12));
    painter.setPen(dark);
    painter.drawText(QRectF(button.x() + 16, button.y(), button.width() - 16, button.height()),
        Qt::AlignLeft | Qt::AlignVCenter, m_title);
    painter.restore();
}

RVButtonTextAttachmentCell::MouseTracking RVButtonTextAttachmentCell::trackMouse(
    Qt::MouseButton button, QRectF cellFrame)
{
    return { button == Qt::LeftButton, cellFrame };
}

bool RVButtonTextAttachmentCell::mouseDragged(MouseTracking& tracking, QPointF point)
{
    if (tracking.active && !tracking.cellFrame.contains(point))
        tracking.active = false;
    return tracking.active;
}

bool RVButtonTextAttachmentCell::mouseUp(MouseTracking& tracking, QPointF point)
{
    const bool clicks = tracking.active && tracking.cellFrame.contains(point);
    tracking.active = false;
    return clicks;
}
