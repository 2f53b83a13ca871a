// The options of the current conversion job. The converter library fills the record from its settings at the start
// of each job (loadConversionSettings); the engine reads the format and the three switches.
#pragma once

#include "mtef/conversionSwitches.h"
#include "mtef/equationFormat.h"

#include <cstdint>
#include <string>

struct ConversionOptions {
    // The format of the job.
    EquationFormat eqVersion = EquationFormat::MicrosoftEquation;
    int32_t isUniPrime = 1;         // "Force Unicode" (nonzero = on)
    int32_t isOleRestore = 0;       // "Restore broken equations"
    int32_t isEuclid = 0;           // "Allow MathType fonts"
    int32_t isStartup = 1;          // stored option; nothing in the conversion acts on it
    int32_t isStatistics = 1;       // stored option; nothing in the conversion acts on it
    int32_t isProgressWin = 1;      // show the progress window during the pass (outside server mode)
    int32_t autoConvertToFlags = 0; // 1: the 32-bit view's AutoConvertTo value stayed; 2: the 64-bit view's
    int32_t serverMode = 0;         // nonzero: no progress window, and the override file is honoured
    std::wstring moduleFolder;      // the module's install folder, with a trailing backslash
    std::wstring languageRoot;      // moduleFolder + "language\"
    std::wstring languageName;      // language folder; empty is the language root itself (English)
    std::wstring overrideFilePath;  // the key=value override file of server mode
};

// Bits of autoConvertToFlags.
constexpr int32_t kAutoConvertTo32Failed = 1;
constexpr int32_t kAutoConvertTo64Failed = 2;

// Replaces the options of the next job. Called on the job's thread before the pass starts.
void setConversionOptions(const ConversionOptions& options);

// The options of the current job.
const ConversionOptions& conversionOptions();

// The format and the switches of the job, as the converter context takes them.
inline ConversionSwitches conversionSwitches(const ConversionOptions& options) {
    ConversionSwitches switches;
    switches.format = options.eqVersion;
    switches.forceUnicode = options.isUniPrime;
    switches.restoreBroken = options.isOleRestore;
    switches.allowMathTypeFonts = options.isEuclid;
    return switches;
}

// True when the job writes Equation Editor 3.x objects, false for Office Math.
inline bool writesEquationEditor3(const ConversionOptions& options) {
    return options.eqVersion == EquationFormat::EquationEditor3;
}
