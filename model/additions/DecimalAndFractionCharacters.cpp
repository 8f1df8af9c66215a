#include "DecimalAndFractionCharacters.h"

namespace DecimalAndFractionCharacters
{

bool CharacterSet::characterIsMember(QChar character) const
{
    const char16_t code = character.unicode();
    if (code == 0x00BC || code == 0x00BD || code == 0x00BE || (code >= 0x2153 && code <= 0x215E))
        return true;
    return character.category() == QChar::Number_DecimalDigit;
}

const CharacterSet& decimalDigitAndFractionCharacterSet()
{
    static const CharacterSet set;
    return set;
}

} // namespace DecimalAndFractionCharacters
