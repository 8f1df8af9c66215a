#include "CocoaDevCategory.h"

#include <QPainter>
#include <QtMath>

namespace CocoaDevCategory
{

QPainterPath bezierPathWithRoundRectInRect(const QRectF& rect, qreal radius)
{
    QPainterPath path;
    radius = qIsNaN(radius) ? 0 : qMin(radius, qMin(rect.width(), rect.height()) * 0.5);
    if (!(radius > 0)) {
        path.moveTo(rect.left(), rect.top());
        path.lineTo(rect.right(), rect.top());
        path.lineTo(rect.right(), rect.bottom());
        path.lineTo(rect.left(), rect.bottom());
        path.closeSubpath();
        return path;
    }

    const QRectF inner = rect.adjusted(radius, radius, -radius, -radius);
    // Angles run counter-clockwise with y up; QPainterPath counts them with y down, hence the
    // negated start and sweep.
    const auto arc = [&](const QPointF& centre, qreal fromDegrees) {
        const QRectF box(centre.x() - radius, centre.y() - radius, 2 * radius, 2 * radius);
        path.arcTo(box, -fromDegrees, -90);
    };
    path.moveTo(inner.left() - radius, inner.top());
    arc(inner.topLeft(), 180);
    arc(inner.topRight(), 270);
    arc(inner.bottomRight(), 0);
    arc(inner.bottomLeft(), 90);
    path.closeSubpath();
    return path;
}

void fillRoundRectInRect(QPainter& painter, const QRectF& rect, qreal radius)
{
    painter.fillPath(bezierPathWithRoundRectInRect(rect, radius), painter.brush());
}

void strokeRoundRectInRect(QPainter& painter, const QRectF& rect, qreal radius)
{
    painter.strokePath(bezierPathWithRoundRectInRect(rect, radius), painter.pen());
}

} // namespace CocoaDevCategory
