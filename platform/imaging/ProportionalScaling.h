#pragma once

#include <QImage>
#include <QSizeF>

// Proportional scaling of pictures into a target size. Sizes are in pixels; fractional targets
// are rounded to whole pixels. Both use high-quality (area-averaging) resampling.
namespace ProportionalScaling
{

// The whole picture fitted into the target, centred on the axis with room to spare; the
// margins are transparent. Always a new image; null for a null picture or a target below one pixel or beyond
// ImagingErrors::maximumPixelCount.
QImage imageByScalingProportionallyToSize(const QImage& image, const QSizeF& targetSize);

// The target covered completely: scaled by the larger factor, the overflow cut equally from
// both sides. A picture already of the target size comes back as a copy (even a null one);
// otherwise null for a null picture or a target below one pixel or beyond ImagingErrors::maximumPixelCount.
QImage imageByScalingProportionallyToFillSize(const QImage& image, const QSizeF& targetSize);

} // namespace ProportionalScaling
