// libFuzzer entry point; what is fed and what counts as a finding: see FuzzPlist.h.
#include "FuzzPlist.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzzPlist(data, size);
    return 0;
}
