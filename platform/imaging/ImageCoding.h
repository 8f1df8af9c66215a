#pragma once

#include "Error.h"

#include <QByteArray>
#include <QImage>

// One door for picture bytes, whatever their format, and the lossy writers callers need.
namespace ImageCoding
{

// JPEG 2000 (JP2 or bare codestream, told by its magic bytes) through OpenJPEG; every other
// format Qt reads (JPEG, PNG, GIF, BMP, ...) through its image readers, with the EXIF
// orientation applied. Pictures declaring more than ImagingErrors::maximumPixelCount pixels are
// refused before decoding. A null image with *error filled on failure.
// `longerSideAtLeast` lets JPEG 2000 decode at a lower resolution level (see Jpeg2000); the
// picture comes back with at least that longer side, or at full size when that is smaller.
QImage imageFromData(const QByteArray& data, Error* error = nullptr, int longerSideAtLeast = 0);

// The image as JP2 data; see Jpeg2000::targetPsnrForCompressionFactor for the factor.
QByteArray jpeg2000Data(const QImage& image, double compressionFactor, Error* error = nullptr);

// The image as baseline JPEG. The compression factor (0.0 smallest .. 1.0 best) becomes the
// JPEG quality 0 .. 100. JPEG has no alpha: transparent areas are composed onto white.
QByteArray jpegData(const QImage& image, double compressionFactor, Error* error = nullptr);

} // namespace ImageCoding
