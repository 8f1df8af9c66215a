#pragma once

#include <QVariant>

// What kind of number a QVariant holds, by its stored type alone (a string of digits is no
// number). Pure functions; any thread.
namespace VariantNumbers
{

// Bool or any C++ integer type, signed or unsigned, char types included.
bool isInteger(const QVariant& value);

// An integer as above, a float, a double or a Decimal.
bool isNumber(const QVariant& value);

} // namespace VariantNumbers
