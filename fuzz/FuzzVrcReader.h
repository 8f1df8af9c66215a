#pragma once

#include <cstddef>
#include <cstdint>

// Arbitrary text through the plain card reader and the line utilities. Any crash, hang,
// sanitizer report or broken invariant is a finding.
void fuzzVrcReader(const uint8_t* data, size_t size);
