#pragma once

#include <QString>

// Attributes that tie the runs of a recipe card to the model; each value is the attribute's name.
inline const QString RVValueAttribute = QStringLiteral("RVValueAttribute"); // the field's key path
inline const QString RVIndexAttribute = QStringLiteral("RVIndexAttribute"); // 1-based item number
inline const QString RVPlaceholderAttribute
    = QStringLiteral("RVPlaceholderAttribute"); // grey text of an empty field
inline const QString RVLabelAttribute = QStringLiteral("RVLabelAttribute"); // a field's label
inline const QString RVHeadingAttribute = QStringLiteral("RVHeadingAttribute"); // a list's heading

// Font names of the card, for FontNames::fontWithName.
inline const QString RVDisplayFont = QStringLiteral("Helvetica");
inline const QString RVBoldDisplayFont = QStringLiteral("Helvetica-Bold");
