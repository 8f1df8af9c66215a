#pragma once

#include <cstddef>
#include <cstdint>

// Text (UTF-8) read as a predicate format, with a fixed list of arguments for %@ and %K. When it
// reads, its predicateFormat() must read back to an equal predicate, and a fetch of recipes with
// it from a small saved store must answer exactly the recipes the in-memory evaluator accepts,
// with the count of that fetch the same. A crash, a sanitizer report, a failing read-back, a
// fetch that fails (with an error) where the evaluator answers, or a different answer is a
// finding.
void fuzzPredicate(const uint8_t* data, size_t size);
