#pragma once

#include <cstddef>
#include <cstdint>

// Card text (UTF-8) read into a context on a library store (SQLite, in a temporary folder) and
// saved. The save must succeed or fail with an error; the recipes written back as cards and read
// again must be as many as were read, and that second read must save the same way. A crash, a
// sanitizer report, an error-less failed save or a different count is a finding.
void fuzzCardStore(const uint8_t* data, size_t size);
