#pragma once

#include <QFont>
#include <QSizeF>
#include <QString>
#include <QTextLayout>
#include <memory>

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
// The text laid out at the width, to be measured and drawn once; `size` receives its size.
std::unique_ptr<QTextLayout> layout(const QString& text, const Style& style, double width, QSizeF* size);
// Draws the text with its top left at `x`, `y`.
void draw(QPainter& painter, const QString& text, const Style& style, double x, double y, double width);

} // namespace RVFullScreenText
