#pragma once

#include <cstddef>
#include <cstdint>

// Arbitrary bytes as a file, imported through the metadata importer's interface as each of its three
// content types (recipe metadata, cards, library store). Each import must leave the file and its
// folder as they were; a false answer must leave the dictionary as it was (a metadata file may
// still leave its rating and date), and a true one must give the attributes of its kind. A crash,
// hang, sanitizer report or broken rule is a finding.
void fuzzImporter(const uint8_t* data, size_t size);
