// libFuzzer entry point; what is fed and what counts as a finding: see FuzzVrcReader.h.
#include "FuzzVrcReader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzzVrcReader(data, size);
    return 0;
}
