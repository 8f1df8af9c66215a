#pragma once

#include <cstddef>
#include <cstdint>

// Bytes read as a property list, XML or binary. When they read, the value is written back in
// the same format and read again, and the two values must be equal as that format carries them:
// a NaN real equals a NaN, and an XML date is compared in whole seconds, which is all XML keeps.
// A crash, a sanitizer report, a value read with no error that cannot be written back, or a
// written value that reads back different is a finding.
void fuzzPlist(const uint8_t* data, size_t size);
