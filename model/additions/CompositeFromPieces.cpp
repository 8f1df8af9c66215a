#include "CompositeFromPieces.h"

#include <QPainter>
#include <QtMath>

namespace CompositeFromPieces
{

QImage compositeInFrame(
    const QRectF& frame, const QImage& leftImage, const QImage& centerImage, const QImage& rightImage)
{
    if (!(frame.width() > 0) || !(frame.height() > 0))
        return {};
    const QSize size(qCeil(frame.width()), qCeil(frame.height()));
    QImage composite(size, QImage::Format_ARGB32_Premultiplied);
    if (composite.isNull())
        return {}; // too large to allocate
    composite.fill(Qt::transparent);

    const qreal width = frame.width();
    const qreal height = frame.height();
    const qreal leftWidth = leftImage.isNull() ? 0 : leftImage.width();
    const qreal rightWidth = rightImage.isNull() ? 0 : rightImage.width();

    QPainter painter(&composite);
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    if (!leftImage.isNull())
        painter.drawImage(QRectF(0, 0, leftWidth, height), leftImage, QRectF(leftImage.rect()));
    if (!rightImage.isNull())
        painter.drawImage(
            QRectF(width - rightWidth, 0, rightWidth, height), rightImage, QRectF(rightImage.rect()));
    const qreal centerWidth = width - leftWidth - rightWidth;
    if (!centerImage.isNull() && centerWidth > 0) {
        // Tiles start at the image's origin, as a pattern colour would, and span the full height.
        const QImage tile = centerImage.scaled(centerImage.width(), size.height());
        painter.fillRect(QRectF(leftWidth, 0, centerWidth, height), QBrush(tile));
    }
    return composite;
}

} // namespace CompositeFromPieces
