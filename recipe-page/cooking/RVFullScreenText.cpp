#include "RVFullScreenText.h"

#include <QPainter>
#include <QTextLayout>
#include <algorithm>

namespace RVFullScreenText
{

namespace
{

// Lays the text out in `layout`; returns its size.
QSizeF layOut(QTextLayout& layout, const Style& style, double width)
{
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    layout.setFont(style.font);
    layout.beginLayout();
    double y = 0.0;
    double widest = 0.0;
    bool first = true;
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        const double indent = first ? 0.0 : std::min(style.headIndent, width / 2);
        line.setLineWidth(std::max(1.0, width - indent));
        if (!first)
            y += style.lineSpacing;
        line.setPosition(QPointF(indent, y));
        y += line.height();
        widest = std::max(widest, indent + line.naturalTextWidth());
        first = false;
    }
    layout.endLayout();
    return { widest, y };
}

} // namespace

QFont font(double size)
{
    QFont font(QStringLiteral("sans-serif"));
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(std::max(1, int(size)));
    return font;
}

std::unique_ptr<QTextLayout> layout(const QString& text, const Style& style, double width, QSizeF* size)
{
    auto laidOut = std::make_unique<QTextLayout>(text);
    const QSizeF measured = layOut(*laidOut, style, width);
    if (size)
        *size = measured;
    return laidOut;
}

QSizeF sizeOf(const QString& text, const Style& style, double width)
{
    QTextLayout layout(text);
    return layOut(layout, style, width);
}

void draw(QPainter& painter, const QString& text, const Style& style, double x, double y, double width)
{
    QTextLayout layout(text);
    layOut(layout, style, width);
    layout.draw(&painter, QPointF(x, y));
}

} // namespace RVFullScreenText
