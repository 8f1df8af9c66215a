#include "ProportionalScaling.h"

#include <QPainter>
#include <QtMath>

namespace ProportionalScaling {

namespace {

bool usableTarget(const QSizeF& size)
{
    return size.width() > 0 && size.height() > 0 && qIsFinite(size.width()) && qIsFinite(size.height());
}

bool sameSize(const QImage& image, const QSizeF& size)
{
    return qFuzzyCompare(qreal(image.width()), size.width()) && qFuzzyCompare(qreal(image.height()), size.height());
}

// Draws image into target with high-quality interpolation, onto a transparent canvas.
QImage drawScaled(const QImage& image, const QSizeF& targetSize, const QRectF& target)
{
    QImage result(QSize(qCeil(targetSize.width()), qCeil(targetSize.height())), QImage::Format_ARGB32_Premultiplied);
    if (result.isNull())
        return {}; // too large to allocate
    result.fill(Qt::transparent);
    QPainter painter(&result);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    painter.drawImage(target, image, QRectF(image.rect()));
    return result;
}

} // namespace

QImage imageByScalingProportionallyToSize(const QImage& image, const QSizeF& targetSize)
{
    if (image.isNull() || !usableTarget(targetSize))
        return {};
    QRectF target(QPointF(0, 0), targetSize);
    if (!sameSize(image, targetSize)) {
        const qreal widthFactor = targetSize.width() / image.width();
        const qreal heightFactor = targetSize.height() / image.height();
        const qreal scale = qMin(widthFactor, heightFactor);
        const QSizeF scaled(image.width() * scale, image.height() * scale);
        QPointF offset(0, 0);
        if (heightFactor > widthFactor)
            offset.setY((targetSize.height() - scaled.height()) * 0.5);
        else if (widthFactor > heightFactor)
            offset.setX((targetSize.width() - scaled.width()) * 0.5);
        target = QRectF(offset, scaled);
    }
    return drawScaled(image, targetSize, target);
}

QImage imageByScalingProportionallyToFillSize(const QImage& image, const QSizeF& targetSize)
{
    if (!image.isNull() && sameSize(image, targetSize))
        return image.copy();
    if (image.isNull() || !usableTarget(targetSize))
        return {};
    const qreal widthFactor = targetSize.width() / image.width();
    const qreal heightFactor = targetSize.height() / image.height();
    const qreal scale = qMax(widthFactor, heightFactor);
    const QSizeF scaled(image.width() * scale, image.height() * scale);
    const QPointF offset((targetSize.width() - scaled.width()) * 0.5, (targetSize.height() - scaled.height()) * 0.5);
    return drawScaled(image, targetSize, QRectF(offset, scaled));
}

} // namespace ProportionalScaling
