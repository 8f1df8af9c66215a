#pragma once

#include "Error.h"

#include <QByteArray>
#include <QImage>

// JPEG 2000 reading and writing through OpenJPEG, entirely in memory.
//
// Writing produces the JP2 container (signature box, header, one codestream) with 8 bits per
// component: grey for grey images, RGB for opaque colour images, RGBA when the image has an
// alpha channel (the alpha channel is marked as opacity, so readers keep it).
//
// Reading accepts the JP2 container and the bare codestream (J2K). The result is Grayscale8 for
// one grey component, RGB32 for colour without alpha and ARGB32 (not premultiplied) when an
// alpha channel is present; components of other precisions are scaled to 8 bits, subsampled
// components are replicated to full size and sYCC is converted to RGB.
//
// Hostile input is refused before the codec allocates: the codestream's size marker is checked
// first (dimensions, component count and precision, tiles), against ImagingErrors limits.
namespace Jpeg2000
{

enum class Container { None, JP2, Codestream };

// The 12-byte JP2 signature box that every JP2 file starts with.
QByteArray jp2Signature();

// What the leading bytes say: the JP2 signature box, the codestream's SOC + SIZ markers, or neither.
Container containerOfData(const QByteArray& data);

// Compression factor as the platform gives it: 1.0 keeps every pixel exactly (reversible
// wavelet); below that the irreversible wavelet with a PSNR target of 25 + 20 * factor dB,
// i.e. 25 dB at 0.0 (heavy loss, smallest data), 41 dB at 0.8, 45 dB just below 1.0.
// The target is the codec's own estimate: from 0.5 up pictures land within about 1 dB of it;
// at the lowest factors the few bytes left make it coarse (a grey test picture at 0.0 measures
// about 21 dB). Factors outside [0, 1] are clamped; NaN is refused by dataFromImage.
double targetPsnrForCompressionFactor(double compressionFactor);

// The image as JP2 data; empty with *error filled on failure.
QByteArray dataFromImage(const QImage& image, double compressionFactor, Error* error = nullptr);

// The picture in JP2 or codestream bytes; a null image with *error filled on failure.
// With `longerSideAtLeast` > 0 the codec stops at the lowest resolution level whose longer side
// still reaches it (each level halves both sides), so a caller that keeps a small picture pays
// for that, not for what the file declares. A decode that would still need more than
// ImagingErrors::maximumDecodeBytes is refused (TooLarge).
QImage imageFromData(const QByteArray& data, Error* error = nullptr, int longerSideAtLeast = 0);

} // namespace Jpeg2000
