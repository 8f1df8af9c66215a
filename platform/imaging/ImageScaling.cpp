#include "ImageScaling.h"

#include "ImagingErrors.h"

#include <algorithm>
#include <cmath>

namespace ImageScaling
{

QImage scaledToLongerSide(const QImage& image, double length)
{
    if (image.isNull() || !(length >= 1.0))
        return {};
    const double factor = length / std::max(image.width(), image.height());
    if (image.width() * factor * image.height() * factor > double(ImagingErrors::maximumPixelCount))
        return {};
    const QSize size(std::max(1L, std::lround(image.width() * factor)),
        std::max(1L, std::lround(image.height() * factor)));
    return image.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}

} // namespace ImageScaling
