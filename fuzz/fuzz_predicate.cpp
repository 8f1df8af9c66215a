// libFuzzer entry point; what is fed and what counts as a finding: see FuzzPredicate.h.
#include "FuzzPredicate.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzzPredicate(data, size);
    return 0;
}
