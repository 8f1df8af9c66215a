#include "ParagraphStyle.h"

QList<TabStop> ParagraphStyle::defaultTabStops()
{
    QList<TabStop> stops;
    stops.reserve(12);
    for (int i = 1; i <= 12; ++i)
        stops.append({ 28.0 * i, TabStop::Type::Left });
    return stops;
}

const ParagraphStyle& ParagraphStyle::defaultParagraphStyle()
{
    static const ParagraphStyle style;
    return style;
}
