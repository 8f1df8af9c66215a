#pragma once

#include <QColor>

namespace ToolBarColor
{

// The grey behind the recipe page and the import window: the palette's bevel highlight.
QColor toolBarGray();
// Same hue and alpha, saturation 0.175 lower (not below 0) and brightness 0.04 higher (not
// above 1). An invalid colour comes back unchanged.
QColor lightenedColor(const QColor& color);

} // namespace ToolBarColor
