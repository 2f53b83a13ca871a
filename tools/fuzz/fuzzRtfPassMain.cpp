// libFuzzer entry: the whole RTF pass over a document.
#include "fuzzTargets.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return fuzzRtfPass(data, size);
}
