// Converting small MTEF fixtures in both formats and cutting out the part a test compares, with every result checked
// by the Office Math checker and the MTEF 3 validator on the way.
#pragma once

#include "mtefBuilder.h"

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

// The same for an equation built with the MTEF builder.
inline std::string officeMathBody(const mtef::MtefEquation& equation, FixtureOptions options = {}) {
    return officeMathBody(equation.nativeHex(), options);
}
inline std::string v3Line(const mtef::MtefEquation& equation, FixtureOptions options = {}) {
    return v3LineRecords(equation.nativeHex(), options);
}

// The characters the template tests use, as Office Math runs and as MTEF 3 CHAR records (hex).
namespace glyphs {
inline const std::string kX = "{\\mr\\mscr0\\msty2\\i x}";
inline const std::string kY = "{\\mr\\mscr0\\msty2\\i y}";
inline const std::string k1 = "{\\mr\\mscr0\\msty0 1}";
inline const std::string k2 = "{\\mr\\mscr0\\msty0 2}";
inline const std::string k3 = "{\\mr\\mscr0\\msty0 3}";
inline const std::string kXHex = "02837800";
inline const std::string kYHex = "02837900";
inline const std::string k1Hex = "02883100";
inline const std::string k2Hex = "02883200";
inline const std::string k3Hex = "02883300";
// A LINE holding the one character, with its END.
inline const std::string kXLine = "01" + kXHex + "00";
inline const std::string k2Line = "01" + k2Hex + "00";
} // namespace glyphs

} // namespace testing_support
