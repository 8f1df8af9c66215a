#pragma once

#include <QFont>
#include <QString>

namespace FontNames
{

// The font for a PostScript-style name such as "Helvetica" or "Helvetica-Bold": the family before
// a known style suffix (-Bold, -Oblique, -Italic, -BoldOblique, -BoldItalic), at the size in points.
// A size of 0 or less gives the application font's size.
QFont fontWithName(const QString& name, qreal size);

} // namespace FontNames
