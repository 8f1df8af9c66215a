#pragma once

#include <QChar>

// The characters an amount is made of: the decimal digits of every script and the fifteen
// vulgar-fraction characters (¼ ½ ¾ and ⅓ to ⅞).
namespace DecimalAndFractionCharacters
{

class CharacterSet
{
public:
    bool characterIsMember(QChar character) const;
};

// One shared set for the whole program.
const CharacterSet& decimalDigitAndFractionCharacterSet();

} // namespace DecimalAndFractionCharacters
