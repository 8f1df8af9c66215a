#pragma once

#include <QImage>
#include <QSizeF>

// Scaling pictures without distorting them. A null image is not a valid picture; sizes are in
// pixels, and a target size is rounded up to whole pixels.
namespace ProportionalScaling {

// A new image of the target size holding the whole picture, scaled to fit and centred; the
// margins the aspect ratio leaves stay transparent. Null for a null image or an empty target.
QImage imageByScalingProportionallyToSize(const QImage& image, const QSizeF& targetSize);

// A new image of the target size that the picture covers completely: scaled to fill and centred,
// with the overflow cut equally from both sides. A picture of the target size comes back as a
// copy; otherwise null for a null image or an empty target.
QImage imageByScalingProportionallyToFillSize(const QImage& image, const QSizeF& targetSize);

} // namespace ProportionalScaling
