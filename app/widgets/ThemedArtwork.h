#pragma once

#include <QImage>
#include <QString>

// The artwork of the themed chrome, drawn in code once and kept: the eight pieces of a themed
// window ("themed_top_left" ... "themed_middle_right"), the header background
// "polished_header_bg", the six pieces of the grey button ("tools-buttonLeft-N.tiff" ...) and
// the picture clip "Clip". Main thread only.
namespace ThemedArtwork
{

// A null image for an unknown name.
QImage image(const QString& name);

} // namespace ThemedArtwork
