#include "FuzzJpeg2000.h"

#include "FuzzSupport.h"
#include "ImagingErrors.h"
#include "Jpeg2000.h"
#include "Log.h"

#include <QImage>
#include <algorithm>

using FuzzSupport::require;

namespace
{

constexpr int reducedSide = 512;

QImage decode(const QByteArray& bytes, int longerSideAtLeast)
{
    Error error;
    const QImage image = Jpeg2000::imageFromData(bytes, &error, longerSideAtLeast);
    if (image.isNull()) {
        require(error.code != 0 && error.domain == ImagingErrors::domain);
        return image;
    }
    require(image.width() > 0 && image.height() > 0);
    require(qint64(image.width()) * image.height() <= ImagingErrors::maximumPixelCount);
    const QImage::Format format = image.format();
    require(format == QImage::Format_Grayscale8 || format == QImage::Format_RGB32
        || format == QImage::Format_ARGB32);
    return image;
}

} // namespace

void fuzzJpeg2000(const uint8_t* data, size_t size)
{
    Log::Capture quiet;
    const QByteArray bytes = FuzzSupport::bytesOf(data, size);
    const QImage full = decode(bytes, 0);
    const QImage reduced = decode(bytes, reducedSide);
    if (full.isNull() || reduced.isNull())
        return;
    require(reduced.width() <= full.width() && reduced.height() <= full.height());
    const int fullLonger = std::max(full.width(), full.height());
    require(std::max(reduced.width(), reduced.height()) >= std::min(fullLonger, reducedSide));
    require(reduced.format() == full.format());
}
