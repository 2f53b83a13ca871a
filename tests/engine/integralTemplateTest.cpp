// Integrals and big operators in both formats: the one \mnary layout, the variation decoding of both generations,
// the operator characters, hidden limits and the limit location.
#include "conversionFixtures.h"
#include "mtefBuilder.h"

#include <gtest/gtest.h>

#include <string>

using namespace testing_support::mtef;
using namespace testing_support::glyphs;
using namespace testing_support;

namespace {
std::string nary(const std::string& character, const std::string& switches, const std::string& main,
                 const std::string& lower, const std::string& upper) {
    return "{\\mnary{\\mnaryPr{\\mchr {\\uc1\\u" + character + "\\'3f}}" + switches + "{\\mctrlPr }}{\\msub " + lower +
           "}{\\msup " + upper + "}{\\me " + main + "}}";
}

struct NaryCase {
    const char* name;
    MtefEquation equation;
    std::string officeMath;
    std::string v3;
};

std::vector<NaryCase> naryCases() {
    const auto x = [] { return line({ch('x', kVariableFace)}); };
    const auto one = [] { return line({ch('1', kNumberFace)}); };
    const auto two = [] { return line({ch('2', kNumberFace)}); };
    const auto sign = [](uint16_t code) { return ch(code, kSymbolFace); };
    // Each record's hex stands as one group of literals, as the records are read; the formatter would give every
    // literal a line of its own.
    // clang-format off
    const std::string slots = "01" + kXHex + "00" "01" + k1Hex + "00" "01" + k2Hex + "00";
    return {
        {"integral 0x30: both limits at the side", mtef5().line({tmpl(15, 0x30, {x(), one(), two(), sign(0x222B)})}),
         nary("8747", "{\\mlimLoc subSup}", kX, k1, k2), "03" "150200" + slots + "02862b22" "00"},
        {"integral 0x70: limits above and below", mtef5().line({tmpl(15, 0x70, {x(), one(), two(), sign(0x222B)})}),
         nary("8747", "{\\mlimLoc undOvr}", kX, k1, k2), "03" "180000" + slots + "02862b22" "00"},
        {"integral without limits", mtef5().line({tmpl(15, 0x00, {x(), nullLine(), nullLine(), sign(0x222B)})}),
         nary("8747", "{\\mlimLoc subSup}{\\msubHide on}{\\msupHide on}", kX, "", ""),
         "03" "150000" "01" + kXHex + "00" "11" "11" "02862b22" "00"},
        {"double contour integral with limits hides the upper",
         mtef5().line({tmpl(15, 0x36, {x(), one(), two(), raw({0x0a}), sign(0x222E), sign(0x222B), sign(0x222B)})}),
         nary("8751", "{\\mlimLoc subSup}{\\msupHide on}", kX, k1, k2), "03" "160300" + slots + "0a" "02862b22" "02862b22" "00"},
        {"expanding integral reads a second variation byte",
         mtef5().line({raw({0x03, 0x00, 0x0f, 0xb1, 0x05, 0x00}), x(), one(), two(), sign(0x222B), endRecord()}),
         nary("8747", "{\\mlimLoc subSup}", kX, k1, k2), "03" "150200" + slots + "02862b22" "00"},
        {"empty integrand is a zero-width no-break space",
         mtef5().line({tmpl(15, 0x00, {nullLine(), nullLine(), nullLine(), sign(0x222B)})}),
         nary("8747", "{\\mlimLoc subSup}{\\msubHide on}{\\msupHide on}", "\\zwnbo", "", ""),
         "03" "150000" "11" "11" "11" "02862b22" "00"},
        {"sum with upper limit only hides both", mtef5().line({tmpl(16, 0x20, {x(), nullLine(), two(), sign(0x2211)})}),
         nary("8721", "{\\mlimLoc subSup}{\\msubHide on}{\\msupHide on}", kX, "", k2),
         "03" "1d0200" "01" + kXHex + "00" "11" "01" + k2Hex + "00" "02861122" "00"},
        {"product with lower limit at the side", mtef5().line({tmpl(17, 0x10, {x(), one(), nullLine(), sign(0x220F)})}),
         nary("8719", "{\\mlimLoc subSup}{\\msupHide on}", kX, k1, ""),
         "03" "200000" "01" + kXHex + "00" "01" + k1Hex + "00" "11" "02860f22" "00"},
        {"version 3 union with both limits, no limit location",
         mtef3().line({tmpl(35, 1, {x(), one(), two(), sign(0x22C3)})}), nary("8899", "", kX, k1, k2),
         "03" "230100" + slots + "0286c322" "00"},
        {"version 3 double integral with lower limit", mtef3().line({tmpl(22, 1, {x(), one(), nullLine(), sign(0x222B), sign(0x222B)})}),
         nary("8748", "{\\mlimLoc subSup}{\\msupHide on}", kX, k1, ""),
         "03" "160100" "01" + kXHex + "00" "01" + k1Hex + "00" "11" "02862b22" "02862b22" "00"},
        {"version 3 contour integral above and below", mtef3().line({tmpl(24, 2, {x(), one(), nullLine(), sign(0x222E)})}),
         nary("8750", "{\\mlimLoc undOvr}{\\msupHide on}", kX, k1, ""),
         "03" "180200" "01" + kXHex + "00" "01" + k1Hex + "00" "11" "02862e22" "00"},
    };
    // clang-format on
}

TEST(IntegralTemplates, TranslateInBothFormats) {
    const std::vector<NaryCase> cases = naryCases();
    for (size_t row = 0; row < cases.size(); ++row) {
        const NaryCase& c = cases[row];
        EXPECT_EQ(officeMathBody(c.equation), c.officeMath) << "row " << row << ": " << c.name;
        EXPECT_EQ(v3Line(c.equation), c.v3) << "row " << row << ": " << c.name;
    }
}
} // namespace
