// libFuzzer entry point; what is fed and what counts as a finding: see FuzzImporter.h.
#include "FuzzImporter.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzzImporter(data, size);
    return 0;
}
