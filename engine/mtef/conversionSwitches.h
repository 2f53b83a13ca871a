// The format and the switches of a conversion job, as the converter context takes them at the start of a job.
#pragma once

#include "mtef/equationFormat.h"

#include <cstdint>

// The defaults are a job's defaults.
struct ConversionSwitches {
    EquationFormat format = EquationFormat::MicrosoftEquation;
    int32_t forceUnicode = 1;       // "Force Unicode" (isUniPrime)
    int32_t restoreBroken = 0;      // "Restore broken equations" (isOleRestore)
    int32_t allowMathTypeFonts = 0; // "Allow MathType fonts" (isEuclid)
};
