#include "ProportionalScaling.h"

#include "ImagingErrors.h"

#include <QPainter>
#include <algorithm>

namespace ProportionalScaling
{
namespace
{

// Also keeps absurd targets from overflowing the integer size.
bool usableTarget(const QSizeF& size)
{
    return size.width() >= 0.5 && size.height() >= 0.5
        && size.width() * size.height() <= double(ImagingErrors::maximumPixelCount);
}

} // namespace

QImage imageByScalingProportionallyToSize(const QImage& image, const QSizeF& targetSize)
{
    if (image.isNull() || !usableTarget(targetSize))
        return {};
    const QSize target = targetSize.toSize();

    QSizeF scaled = targetSize;
    QPointF offset(0, 0);
    if (QSizeF(image.size()) != targetSize) {
        const double widthFactor = targetSize.width() / image.width();
        const double heightFactor = targetSize.height() / image.height();
        scaled = QSizeF(image.size()) * std::min(widthFactor, heightFactor);
        if (heightFactor > widthFactor)
            offset.setY((targetSize.height() - scaled.height()) * 0.5);
        else if (widthFactor > heightFactor)
            offset.setX((targetSize.width() - scaled.width()) * 0.5);
    }
    const QSize scaledPixels = scaled.toSize().expandedTo(QSize(1, 1)).boundedTo(target);
    const QImage resampled = image.scaled(scaledPixels, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);

    QImage result(target, QImage::Format_ARGB32_Premultiplied);
    if (result.isNull())
        return {};
    result.fill(Qt::transparent);
    QPainter painter(&result);
    painter.drawImage(offset.toPoint(), resampled);
    return result;
}

QImage imageByScalingProportionallyToFillSize(const QImage& image, const QSizeF& targetSize)
{
    if (QSizeF(image.size()) == targetSize)
        return image.copy();
    if (image.isNull() || !usableTarget(targetSize))
        return {};
    const QSize target = targetSize.toSize();

    // The part of the picture that the target shows: the centre, in the target's proportions.
    const double scale = std::max(targetSize.width() / image.width(), targetSize.height() / image.height());
    const QSizeF shown = targetSize / scale;
    const QRectF crop((image.width() - shown.width()) * 0.5, (image.height() - shown.height()) * 0.5,
        shown.width(), shown.height());
    const QRect cropPixels = crop.toRect().intersected(image.rect());
    if (cropPixels.isEmpty())
        return {};
    return image.copy(cropPixels).scaled(target, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

} // namespace ProportionalScaling
