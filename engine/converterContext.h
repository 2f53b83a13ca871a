// The converter context: the engine's one working record for translating equation objects.
// For now it only keeps the job's options, and no object is converted yet: every equation object is copied as read.
#pragma once

#include "equationObjectKind.h"

#include <cstdint>
#include <string>
#include <string_view>

struct ConverterContext {
    int32_t format = 1;             // EquationFormat of the current job
    int32_t forceUnicode = 0;       // "Force Unicode" (isUniPrime)
    int32_t restoreBroken = 0;      // "Restore broken equations" (isOleRestore)
    int32_t allowMathTypeFonts = 0; // "Allow MathType fonts" (isEuclid)
    std::string output;             // the replacement of the current object; empty when it was not converted
};

// The one process-wide context, used on the conversion job's thread only.
ConverterContext& converterContext();

// Starts the context for a job. The argument order is the one the RTF pass uses.
void initConverterContext(ConverterContext& context, int32_t format, int32_t allowMathTypeFonts, int32_t restoreBroken,
                          int32_t forceUnicode);

// Converts one equation object given as the chosen part of its \objdata hex text. Returns the replacement (Office
// Math group or new \objdata text), or an empty text when the object stays as it was. The text is borrowed from the
// context and valid until the next call.
const std::string& convertEquationObject(ConverterContext& context, std::string_view hex, EquationObjectKind kind);
