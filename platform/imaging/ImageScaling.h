#pragma once

#include <QImage>

namespace ImageScaling
{

// The picture scaled proportionally so that its longer side is `length` pixels: larger pictures
// are reduced, smaller ones enlarged; the shorter side is rounded and at least 1 pixel.
// Null for a null picture, a length below 1 or a result beyond ImagingErrors::maximumPixelCount.
QImage scaledToLongerSide(const QImage& image, double length);

} // namespace ImageScaling
