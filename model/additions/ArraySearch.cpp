#include "ArraySearch.h"

#include <QVarLengthArray>
#include <algorithm>

namespace ArraySearch
{

Range rangeOfElementsOfArray(const QString& text, const QStringList& elements, qsizetype* index)
{
    Range best { Range::NotFound, 0 };
    qsizetype bestIndex = Range::NotFound;
    // An element can only occur where a word starts, so its first character, folded, must be one
    // of the text's word-start characters: most elements are passed over without a search.
    QVarLengthArray<char16_t, 32> starts;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (i > 0 && text.at(i - 1).isLetter())
            continue;
        const char16_t folded = text.at(i).toCaseFolded().unicode();
        if (!std::count(starts.begin(), starts.end(), folded))
            starts.append(folded);
    }
    for (qsizetype i = 0; i < elements.size(); ++i) {
        const QString& element = elements.at(i);
        // Only a longer element can win; equal lengths go to the earlier one.
        if (element.isEmpty() || element.size() <= best.length)
            continue;
        if (!std::count(starts.begin(), starts.end(), element.at(0).toCaseFolded().unicode()))
            continue;
        qsizetype from = 0;
        while (from <= text.size() - element.size()) {
            const qsizetype at = text.indexOf(element, from, Qt::CaseInsensitive);
            if (at < 0)
                break;
            if (at == 0 || !text.at(at - 1).isLetter()) {
                best = { at, element.size() };
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
