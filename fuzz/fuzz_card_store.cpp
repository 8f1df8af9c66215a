// libFuzzer entry point; what is fed and what counts as a finding: see FuzzCardStore.h.
#include "FuzzCardStore.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzzCardStore(data, size);
    return 0;
}
