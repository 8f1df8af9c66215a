#include "ToolBarColor.h"

#include <QGuiApplication>
#include <QPalette>
#include <algorithm>

namespace ToolBarColor
{

QColor toolBarGray()
{
    return QGuiApplication::palette().color(QPalette::Active, QPalette::Midlight);
}

QColor lightenedColor(const QColor& color)
{
    if (!color.isValid())
        return color;
    float hue = 0;
    float saturation = 0;
    float brightness = 0;
    float alpha = 0;
    color.toRgb().getHsvF(&hue, &saturation, &brightness, &alpha);
    saturation = std::max(0.0f, saturation - 0.175f);
    brightness = std::min(1.0f, brightness + 0.04f);
    return QColor::fromHsvF(hue, saturation, brightness, alpha).toRgb();
}

} // namespace ToolBarColor
