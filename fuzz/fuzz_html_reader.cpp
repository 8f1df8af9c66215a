// libFuzzer entry point; what is fed and what counts as a finding: see FuzzDocumentReaders.h.
#include "FuzzDocumentReaders.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzzHTMLReader(data, size);
    return 0;
}
