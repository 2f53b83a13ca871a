// The options of the current conversion job, as the engine reads them.
// The converter library fills the record from its settings before each job; the engine only reads it.
#pragma once

#include <cstdint>

// Target of a conversion. Wherever the engine tests the format it tests for EquationEditor3 and treats every other
// value as MicrosoftEquation.
enum EquationFormat : int32_t {
    EquationEditor3 = 0,   // Equation Editor 3.x objects holding MTEF version 3
    MicrosoftEquation = 1, // native Office Math written as RTF
};

struct ConversionOptions {
    int32_t eqVersion = MicrosoftEquation; // EquationFormat of the job
    int32_t isUniPrime = 1;                // "Force Unicode" (nonzero = on)
    int32_t isOleRestore = 0;              // "Restore broken equations"
    int32_t isEuclid = 0;                  // "Allow MathType fonts"
};

// Replaces the options of the next job. Called on the job's thread before the pass starts.
void setConversionOptions(const ConversionOptions& options);

// The options of the current job.
const ConversionOptions& conversionOptions();

// True when the job writes Equation Editor 3.x objects; every other value of eqVersion means Office Math.
inline bool writesEquationEditor3(const ConversionOptions& options) {
    return options.eqVersion == EquationEditor3;
}
