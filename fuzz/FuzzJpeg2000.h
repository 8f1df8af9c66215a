#pragma once

#include <cstddef>
#include <cstdint>

// Bytes decoded as JPEG 2000 (JP2 or bare codestream), in full and with longerSideAtLeast 512.
// A null picture must come with an error; a picture must have a size within the limits, one of
// the documented formats, and the reduced decode must be no larger than the full one while its
// longer side still reaches 512 (or the full one's). A crash, a sanitizer report, a hang, memory
// beyond the decode limit or a broken invariant is a finding.
void fuzzJpeg2000(const uint8_t* data, size_t size);
