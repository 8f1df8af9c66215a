#pragma once

#include <cstddef>
#include <cstdint>

// Text split at line breaks (at most a few hundred lines), each line parsed as an ingredient line
// of a context with the library model, the placeholder Ingredient and the ingredient trie. Each
// line must keep its text (trimmed), its amount must begin it and its unit and modifier lie in
// it, it must have an ingredient, and rewriting the amount or the modifier with itself through
// the remembered stretches must leave the line as it was. A crash, a sanitizer report or a broken
// invariant is a finding. The context keeps growing between inputs by design, so libFuzzer's
// per-input leak check is off for this target (fuzz_ingredient_lines.options).
void fuzzIngredientLines(const uint8_t* data, size_t size);
