// libFuzzer entry point; what is fed and what counts as a finding: see FuzzIngredientLines.h.
#include "FuzzIngredientLines.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzzIngredientLines(data, size);
    return 0;
}
