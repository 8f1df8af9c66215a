#pragma once

#include "Decimal.h"

#include <QString>

// Amount text as the user typed it ("1 1/2", "½", "2.5", "about 3 cups") to a number and back.
namespace AmountFinding
{

// The amount in the text; text with no digits at all counts as one. Never invalid.
Decimal amountDecimalNumberValue(const QString& text);

// The amount in the default locale with at most one fraction digit, rounded half to even and
// without grouping: 2.25 -> "2.2", 3 -> "3", 1234.56 -> "1234.6".
QString stringForDecimalAmount(const Decimal& amount);

} // namespace AmountFinding
