// The process-wide conversion options record.
#include "rtf/conversionOptions.h"

namespace {
ConversionOptions gConversionOptions; // written by the conversion job's thread before the pass; one job at a time
}

void setConversionOptions(const ConversionOptions& options) {
    gConversionOptions = options;
}

const ConversionOptions& conversionOptions() {
    return gConversionOptions;
}
