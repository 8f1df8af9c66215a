#pragma once

#include <QImage>
#include <QString>

// The item ruler's artwork, drawn in code once and kept: the markers "MinusMarker" and
// "PlusMarker" (13 points square) and the masks "MinusOverMask", "PlusOverMask" and "DownMask"
// that the hover and pressed looks are dissolved from. Main thread only.
namespace RulerArtwork
{

constexpr int MarkerSide = 13;

// A null image for an unknown name.
QImage image(const QString& name);
// A copy of `image` with `mask` drawn over it at the zero point with opacity `fraction`.
QImage dissolved(const QImage& image, const QImage& mask, double fraction);

} // namespace RulerArtwork
