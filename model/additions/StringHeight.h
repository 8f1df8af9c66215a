#pragma once

#include <QString>
#include <QVariantMap>

namespace StringHeight
{

// The height of the text laid out in the given width with the attributes' font
// (NSFontAttributeName; else the application font) and paragraph style
// (NSParagraphStyleAttributeName; else the default). Lines break at word boundaries, or anywhere
// in a word longer than the width. An empty text (isEmpty) is 0 high.
qreal heightWithAttributes(const QString& text, const QVariantMap& attributes, qreal width);

} // namespace StringHeight
