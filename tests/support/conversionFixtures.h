// Converting small MTEF fixtures in both formats and cutting out the part a test compares, with every result checked
// by the Office Math checker and the MTEF 3 validator on the way.
#pragma once

#include <string>

namespace testing_support {

struct FixtureOptions {
    int forceUnicode = 1;
    int allowMathTypeFonts = 0;
};

// The whole result of converting an "Equation Native" stream (hex) to Office Math, checked when not empty; "" when
// the object stays unconverted.
std::string convertedOfficeMath(const std::string& nativeHex, FixtureOptions options = {});

// The MTEF 3 "Equation Native" stream (hex) assembled from one, validated when not empty; "" when none.
std::string convertedEquationNative(const std::string& nativeHex, FixtureOptions options = {});

// The Office Math body of an "Equation Native" stream (hex): what stands inside the math wrapping, or
// "<unconverted>".
std::string officeMathBody(const std::string& nativeHex, FixtureOptions options = {});

// The records of a one-line equation in MTEF 3 (hex): inside its LINE, without the LINE tag and its END (Euclid
// Extra's FONT record, when MathType fonts are allowed, is passed over); or "<unconverted>".
std::string v3LineRecords(const std::string& nativeHex, FixtureOptions options = {});

} // namespace testing_support
