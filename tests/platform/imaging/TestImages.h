#pragma once

#include <QByteArray>
#include <QImage>
#include <cstdint>

// Deterministic pictures and comparisons for the imaging tests.
namespace TestImages
{

// Smooth gradients, a hard edge and mild noise, so the codecs meet something like a photograph.
// With alpha, opacity ramps from 0 on the left to 255 on the right.
QImage photoLike(int width, int height, QImage::Format format, std::uint32_t seed = 1);

// Peak signal-to-noise ratio over all channels that `format` carries, in dB (infinity when equal).
// Colours are compared unpremultiplied; alpha is compared too when both images have it.
double psnr(const QImage& a, const QImage& b);

// Largest difference in any channel, unpremultiplied.
int maximumChannelDifference(const QImage& a, const QImage& b);

// The payload of the JP2 data's contiguous codestream box, empty when there is none.
QByteArray codestreamOf(const QByteArray& jp2);

// Offset of the SIZ marker segment's length field inside `data` (after FF4F FF51), or -1.
qsizetype sizeMarkerOffset(const QByteArray& data);

void writeBig16(QByteArray& data, qsizetype at, quint16 value);
void writeBig32(QByteArray& data, qsizetype at, quint32 value);

} // namespace TestImages
