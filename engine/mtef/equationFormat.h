// The target format of a conversion job, as the translators and the RTF pass test it, and its conversion from and to
// the number that stands for it in the registry, the override file and command lines. Nothing else.
#pragma once

#include <cstdint>

enum class EquationFormat : int32_t {
    EquationEditor3 = 0,   // Equation Editor 3.x objects holding MTEF version 3
    MicrosoftEquation = 1, // native Office Math written as RTF
};

// The format a stored or passed number stands for: 0 is Equation Editor 3.x, and every other value means Office Math.
constexpr EquationFormat equationFormatFromValue(int32_t value) {
    return value == 0 ? EquationFormat::EquationEditor3 : EquationFormat::MicrosoftEquation;
}

// The number that stands for a format where one is stored or passed on.
constexpr int32_t equationFormatValue(EquationFormat format) {
    return static_cast<int32_t>(format);
}
