#pragma once

#include <cstddef>
#include <cstdint>

// Card text (UTF-8) read into a context on a library store (SQLite, in a temporary folder) and
// saved. The save must succeed or fail with an error; the recipes written back as cards and read
// again must be as many as were read, and that second read must save the same way. A crash, a
// sanitizer report, an error-less failed save or a different count is a finding. The context
// keeps growing between inputs by design, so libFuzzer's per-input leak check is off for this
// target (fuzz_card_store.options); leaks still show at exit and in the regression test.
void fuzzCardStore(const uint8_t* data, size_t size);
