#pragma once

#include <QImage>
#include <QRectF>

// Stretchable bezels from three pieces.
namespace CompositeFromPieces
{

// An image of the frame's size: the left cap at its left edge, the right cap at its right edge
// (both stretched to the frame's height) and the centre image, stretched to that height, tiled
// between them. The image's own origin is the frame's corner, wherever the frame lies; callers
// draw the result into the frame. A null piece leaves its part transparent; an empty frame gives
// a null image. The pieces are not changed.
QImage compositeInFrame(
    const QRectF& frame, const QImage& leftImage, const QImage& centerImage, const QImage& rightImage);

} // namespace CompositeFromPieces
