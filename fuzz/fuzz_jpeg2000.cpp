// libFuzzer entry point; what is fed and what counts as a finding: see FuzzJpeg2000.h.
#include "FuzzJpeg2000.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzzJpeg2000(data, size);
    return 0;
}
