#include "ArraySearch.h"

namespace ArraySearch
{

Range rangeOfElementsOfArray(const QString& text, const QStringList& elements, qsizetype* index)
{
    Range best {Range::NotFound, 0};
    qsizetype bestIndex = Range::NotFound;
    for (qsizetype i = 0; i < elements.size(); ++i) {
        const QString& element = elements.at(i);
        // Only a longer element can win; equal lengths go to the earlier one.
        if (element.isEmpty() || element.size() <= best.length)
            continue;
        qsizetype from = 0;
        while (from <= text.size() - element.size()) {
            const qsizetype at = text.indexOf(element, from, Qt::CaseInsensitive);
            if (at < 0)
                break;
            if (at == 0 || !text.at(at - 1).isLetter()) {
                best = {at, element.size()};
                bestIndex = i;
                break;
            }
            from = at + 1;
        }
    }
    if (index)
        *index = bestIndex;
    return best;
}

} // namespace ArraySearch
