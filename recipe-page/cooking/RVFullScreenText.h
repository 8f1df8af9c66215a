#pragma once

#include <QFont>
#include <QSizeF>
#include <QString>

class QPainter;

// The cooking mode's paragraphs: white text in the platform sans (the cooking font of the
// original design is not on this desktop), wrapped at a width, with wrapped lines indented and
// extra spacing between lines.
namespace RVFullScreenText
{

struct Style {
    QFont font;
    double headIndent = 0.0;
    double lineSpacing = 0.0;
};

// The font at a size in pixels, as the sizes were designed for a 72 dpi screen.
QFont font(double size);
// The size the text takes at the width: the widest line and the height of all lines.
QSizeF sizeOf(const QString& text, const Style& style, double width);
// Draws the text with its top left at `x`, `y`.
void draw(QPainter& painter, const QString& text, const Style& style, double x, double y, double width);

} // namespace RVFullScreenText
