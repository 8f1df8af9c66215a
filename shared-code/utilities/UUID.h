#pragma once

#include <QString>

namespace UUID
{

// A new random UUID in the standard text form: 36 characters, upper-case hexadecimal digits in
// groups of 8, 4, 4, 4 and 12 joined by "-".
QString mg_stringWithNewUUID();

} // namespace UUID
