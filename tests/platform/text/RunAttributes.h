#pragma once

#include "AttributedString.h"

#include <QColor>
#include <QFont>
#include <QVariantMap>

// The attributes of a run of text: a font of the family, size and faces, and a colour when given.
inline QVariantMap runAttributes(
    const QString& family, qreal points, bool bold, bool italic, const QColor& color = {})
{
    QFont font(family);
    font.setPointSizeF(points);
    font.setBold(bold);
    font.setItalic(italic);
    QVariantMap attributes { { NSFontAttributeName, font } };
    if (color.isValid())
        attributes.insert(NSForegroundColorAttributeName, color);
    return attributes;
}
