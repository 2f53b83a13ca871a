// libFuzzer entry: convertEquationObject over every MTEF version, both formats and all option switches.
#include "fuzzTargets.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return fuzzConvertEquation(data, size);
}
