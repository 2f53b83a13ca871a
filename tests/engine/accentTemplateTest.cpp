// Arrows with text, bars, accents, horizontal braces and boxes in both formats: one-line equations built with the
// MTEF builder, each checked as Office Math text and as the MTEF version 3 records of its line. Every converted
// result, including those of truncated and altered fixtures, must be sound Office Math or a valid MTEF 3 stream.
#include "conversionFixtures.h"
#include "mtef/converterContext.h"
#include "mtefBuilder.h"
#include "mtefV3Validator.h"
#include "officeMathChecker.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace testing_support::mtef;
using namespace testing_support::glyphs;
using namespace testing_support;

namespace {
const std::string kOfficeMathHead = "{\\dn0\\mmath{\\*\\moMathPara {\\*\\moMath ";
const std::string kOfficeMathTail = "}}\r\n{\\mmathPict}}\r\n";

std::string officeMathOf(const std::string& nativeHex) {
    return testing_support::convertedOfficeMath(nativeHex);
}

std::string equationNativeOf(const std::string& nativeHex) {
    return testing_support::convertedEquationNative(nativeHex);
}

// Office Math texts the expectations are written with.
const std::string kBoxedGroup = "{\\mbox{\\mboxPr{\\mopEmu on}}{\\me{\\mgroupChr{\\mgroupChrPr{\\mchr ";
const std::string kRight = "{\\uc1\\u8594 >}}";
const std::string kLeft = "{\\uc1\\u8592 <}}";
const std::string kBoth = "{\\uc1\\u8596 -}}";
const std::string kAbove = "{\\mvertJc bot}}{\\me ";
const std::string kBelow = "{\\mpos top}}{\\me ";
const std::string kUnderbar = "{\\mbar{\\mbarPr }{\\me ";
const std::string kOverbar = "{\\mbar{\\mbarPr{\\mpos top}}{\\me ";
const std::string kAccent = "{\\macc{\\maccPr{\\mchr ";
const std::string kPlainAccent = "{\\macc{\\maccPr }{\\me ";
const std::string kBraceOver = "{\\mlimUpp{\\mlimUppPr }{\\me {\\mgroupChr{\\mgroupChrPr{\\mchr "
                               "{\\uc1\\u9182\\'3f}}{\\mpos top}{\\mvertJc bot}}{\\me ";
const std::string kBraceUnder = "{\\mlimLow{\\mlimLowPr }{\\me {\\mgroupChr{\\mgroupChrPr }{\\me ";
const std::string kStrikeHead =
    "{\\mborderBox{\\mborderBoxPr {\\mhideTop on}{\\mhideBot on}{\\mhideLeft on}{\\mhideRight on}";

std::string accentChar(int code) {
    return "{\\uc1\\u" + std::to_string(code) + "\\'3f}}}{\\me ";
}

MtefRecord x() {
    return ch('x', kVariableFace);
}
MtefRecord two() {
    return ch('2', kNumberFace);
}
MtefRecord three() {
    return ch('3', kNumberFace);
}
// Template characters as MathType stores them: a FULL size record, then the character of the expanding typeface.
MtefRecord rightArrowChar() {
    return ch(0x2192, kExpandingFace);
}
MtefRecord braceChar() {
    return ch(0x23DE, kExpandingFace);
}

// The MTEF 3 record a character of an equation of that version becomes on its own, as the character translator
// writes it.
std::string charHex(const MtefRecord& c, MtefEquation equation = mtef5()) {
    return v3Line(equation.line({c}));
}

struct AccentCase {
    const char* name;
    MtefEquation equation;
    std::string officeMath;
    std::string v3;
};

// clang-format off
std::vector<AccentCase> arrowCases() {
    const std::string arrowHex = "0a" + charHex(rightArrowChar());
    return {
        {"right arrow, text above",
         mtef5().line({tmpl(14, 0x24, {sub(), line({x()}), nullLine(), full(), rightArrowChar()})}),
         kBoxedGroup + kRight + kAbove + kX + "}}}}",
         "03" "130000" "0b" + kXLine + arrowHex + "00"},
        {"right arrow, text below",
         mtef5().line({tmpl(14, 0x28, {nullLine(), line({two()}), full(), rightArrowChar()})}),
         kBoxedGroup + kRight + kBelow + k2 + "}}}}",
         "03" "130100" + k2Line + arrowHex + "00"},
        {"left arrow, text below",
         mtef5().line({tmpl(14, 0x18, {nullLine(), line({two()}), full(), rightArrowChar()})}),
         kBoxedGroup + kLeft + kBelow + k2 + "}}}}",
         "03" "120100" + k2Line + arrowHex + "00"},
        {"arrow both ways, text above",
         mtef5().line({tmpl(14, 0x34, {line({x()}), nullLine(), full(), rightArrowChar()})}),
         kBoxedGroup + kBoth + kAbove + kX + "}}}}",
         "03" "140000" + kXLine + arrowHex + "00"},
        // The lower text goes under the arrow group as a lower limit; version 3 gets a limit template.
        {"right arrow, text on both sides",
         mtef5().line({tmpl(14, 0x2c, {line({x()}), line({two()}), full(), rightArrowChar()})}),
         "{\\mlimLow{\\mlimLowPr }{\\me " + kBoxedGroup + kRight + kAbove + kX + "}}}}}{\\mlim " + k2 + "}}",
         "03" "2701000103130000" + kXLine + arrowHex +
             "0000" "0b" + k2Line +
             "0a" "11" "00"},
        {"text on both sides, size record before the upper text sets the lower line's size",
         mtef5().line({tmpl(14, 0x1c, {sym(), line({x()}), line({two()}), rightArrowChar()})}),
         "{\\mlimLow{\\mlimLowPr }{\\me " + kBoxedGroup + kLeft + kAbove + kX + "}}}}}{\\mlim " + k2 + "}}",
         "03" "2701000103120000" "0d" + kXLine + charHex(rightArrowChar()) +
             "0000" "0d" + k2Line +
             "0d" "11" "00"},
        {"text on both sides with an empty lower line keeps the arrow group alone",
         mtef5().line({tmpl(14, 0x2c, {line({x()}), nullLine(), full(), rightArrowChar()})}),
         kBoxedGroup + kRight + kAbove + kX + "}}}}",
         "03" "2701000103130000" + kXLine + arrowHex +
             "0000" "0b" "11" "0a" "11" "00"},
        // Neither position marked: the slots are still the template's, read as text above.
        {"arrow marking no text position reads its text as above",
         mtef5().line({tmpl(14, 0x20, {line({x()}), line({two()}), full(), rightArrowChar()}), three()}),
         kBoxedGroup + kRight + kAbove + kX + "}}}}" + k3,
         "03" "130000" + kXLine + arrowHex + "00" + k3Hex},
        {"double arrow with both texts: lower then upper in version 3, upper only in Office Math",
         mtef5().line({tmpl(
             14, 0x0d, {sub(), line({x()}), line({two()}), full(), rightArrowChar(), ch(0x2190, kExpandingFace)})}),
         kBoxedGroup + kBoth + kAbove + kX + "}}}}",
         "03" "2b020011" "0b" + k2Line + "0b" + kXLine +
             "0d" "01028bc421" "0a" "00" "00"},
        // Neither position marked: a double arrow or harpoons take the operator's both-limits form, as with text on
        // both sides; Office Math shows the upper text.
        {"double arrow marking no text position",
         mtef5().line({tmpl(
             14, 0x21, {sub(), line({x()}), line({two()}), full(), rightArrowChar(), ch(0x2190, kExpandingFace)})}),
         kBoxedGroup + kBoth + kAbove + kX + "}}}}",
         "03" "2b020011" "0b" + k2Line + "0b" + kXLine +
             "0d" "01028b02eb" "0a" "00" "00"},
        {"harpoons marking no text position",
         mtef5().line({tmpl(14, 0x12, {line({x()}), nullLine(), three(), three()})}),
         kBoxedGroup + kBoth + kAbove + kX + "}}}}",
         "03" "2b020011" "0b" "11" + kXLine +
             "0e" "01028b03eb" "0a" "00" "00"},
        {"double arrow right, text above",
         mtef5().line({tmpl(14, 0x25, {line({x()}), nullLine(), rightArrowChar(), three()})}),
         kBoxedGroup + kBoth + kAbove + kX + "}}}}",
         "03" "2b000011" "0b" "11" + kXLine +
             "0e" "01028b02eb" "0a" "00" "00"},
        {"harpoons left, text below",
         mtef5().line({tmpl(14, 0x1a, {nullLine(), line({two()}), full(), rightArrowChar(), three()})}),
         kBoxedGroup + kBoth + kBelow + k2 + "}}}}",
         "03" "2b010011" "0b" + k2Line +
             "11" "0d" "01028b03eb" "0a" "00" "00"},
        // A template character missing before the template's END: the END still closes the template.
        {"arrow with a size record but no character",
         mtef5().line({tmpl(14, 0x24, {line({x()}), nullLine(), full()}), three()}),
         kBoxedGroup + kRight + kAbove + kX + "}}}}" + k3,
         "03" "130000" + kXLine +
             "0a" "00" + k3Hex},
        {"double arrow without characters", mtef5().line({tmpl(14, 0x15, {line({x()}), nullLine()}), three()}),
         kBoxedGroup + kBoth + kAbove + kX + "}}}}" + k3,
         "03" "2b000011" "0b" "11" + kXLine +
             "0e" "01028b01eb" "0a" "00" "00" + k3Hex},
        {"harpoons win over the double-arrow bit",
         mtef5().line({tmpl(14, 0x37, {line({x()}), nullLine(), three(), three()})}),
         kBoxedGroup + kBoth + kAbove + kX + "}}}}",
         "03" "2b000011" "0b" "11" + kXLine +
             "0e" "01028bcc21" "0a" "00" "00"},
    };
}

std::vector<AccentCase> accentCases() {
    const std::string over = "029637fe";
    const std::string under = "029638fe";
    return {
        {"vector arrow right", mtef5().line({tmpl(31, 0x02, {line({x()}), rightArrowChar()})}),
         kAccent + accentChar(8407) + kX + "}}",
         "03" "2f0100" + kXLine + "00"},
        {"vector harpoon left", mtef5().line({tmpl(31, 0x09, {line({x()}), rightArrowChar()})}),
         kAccent + accentChar(8400) + kX + "}}",
         "03" "2f0000" + kXLine + "00"},
        {"vector harpoon right", mtef5().line({tmpl(31, 0x0a, {line({x()}), rightArrowChar()})}),
         kAccent + accentChar(8401) + kX + "}}",
         "03" "2f0100" + kXLine + "00"},
        {"vector arrow both ways, high digit ignored", mtef5().line({tmpl(31, 0x73, {line({x()}), rightArrowChar()})}),
         kAccent + accentChar(8417) + kX + "}}",
         "03" "2f0200" + kXLine + "00"},
        {"vector arrow under its base is an underbar", mtef5().line({tmpl(31, 0x06, {line({x()}), rightArrowChar()})}),
         kUnderbar + kX + "}}",
         "03" "2e0100" + kXLine + "00"},
        {"tilde", mtef5().line({tmpl(32, 0, {line({x()}), ch(0x02DC, kSymbolFace)})}),
         "{\\macc{\\maccPr{\\mchr {\\uc1\\u771\\'3f}}}{\\me " + kX + "}}",
         "03" "270000" + kXLine +
             "11018280e88b04ee00" "00"},
        {"hat", mtef5().line({tmpl(33, 0, {line({x()}), ch(0x02C6, kSymbolFace)})}), kPlainAccent + kX + "}}",
         "03" "270000" + kXLine +
             "11018280e88b07ee00" "00"},
        {"arc", mtef5().line({tmpl(34, 0, {line({x()}), ch(0x2322, kSymbolFace)})}), kPlainAccent + kX + "}}",
         "03" "270000" + kXLine +
             "11018280e88b0aee00" "00"},
        {"joint status", mtef5().line({tmpl(35, 0, {line({x()}), ch(0x20E7, kSymbolFace)})}), kPlainAccent + kX + "}}",
         "03" "270000" + kXLine +
             "11018280e88b0bee00" "00"},
        {"tilde without its character", mtef5().line({tmpl(32, 0, {line({x()})}), three()}),
         "{\\macc{\\maccPr{\\mchr {\\uc1\\u771\\'3f}}}{\\me " + kX + "}}" + k3,
         "03" "270000" + kXLine +
             "11018280e88b04ee00" "00" + k3Hex},
        {"a dropped accent character that is itself a template writes nothing",
         mtef5().line({tmpl(33, 0, {line({x()}), tmpl(37, 0x1e, {line({two()})})})}), kPlainAccent + kX + "}}",
         "03" "270000" + kXLine +
             "11018280e88b07ee00" "00"},
        {"brace over with label", mtef5().line({tmpl(24, 1, {line({x()}), line({two()}), full(), braceChar()})}),
         kBraceOver + kX + "}}}{\\mlim " + k2 + "}}",
         "03" "1b0000" + kXLine + k2Line + "0a" + over + "00"},
        {"brace under with label", mtef5().line({tmpl(24, 0, {line({x()}), line({two()}), full(), braceChar()})}),
         kBraceUnder + kX + "}}}{\\mlim " + k2 + "}}",
         "03" "1c0000" + kXLine + k2Line + "0a" + under + "00"},
        {"bracket over is written as the brace", mtef5().line({tmpl(25, 1, {line({x()}), nullLine(), braceChar()})}),
         kBraceOver + kX + "}}}{\\mlim }}",
         "03" "1b0000" + kXLine + "11" + over + "00"},
        // The brace character is replaced whole, whatever record stands for it; size records before it stay.
        {"nudged brace character", mtef5().line({tmpl(24, 1, {line({x()}), line({two()}), braceChar().nudged(3, -2)})}),
         kBraceOver + kX + "}}}{\\mlim " + k2 + "}}",
         "03" "1b0000" + kXLine + k2Line + over + "00"},
        {"embellished brace character",
         mtef5().line({tmpl(24, 0, {line({x()}), line({two()}), braceChar().embellished(2)})}),
         kBraceUnder + kX + "}}}{\\mlim " + k2 + "}}",
         "03" "1c0000" + kXLine + k2Line + under + "00"},
        {"brace character after a size record with data",
         mtef5().line({tmpl(24, 1, {line({x()}), line({two()}), size(100, {1, 2, 3}), braceChar()})}),
         kBraceOver + kX + "}}}{\\mlim " + k2 + "}}",
         "03" "1b0000" + kXLine + k2Line + "0964010203" + over + "00"},
        {"brace with its character missing before the template's END",
         mtef5().line({tmpl(24, 1, {line({x()}), line({two()})}), three()}),
         kBraceOver + kX + "}}}{\\mlim " + k2 + "}}" + k3,
         "03" "1b0000" + kXLine + k2Line + over + "00" + k3Hex},
        {"brace with a size record but no character",
         mtef5().line({tmpl(24, 0, {line({x()}), nullLine(), sub2()}), three()}),
         kBraceUnder + kX + "}}}{\\mlim }}" + k3,
         "03" "1c0000" + kXLine +
             "11" "0c" + under + "00" + k3Hex},
        {"brace with its character cut off by the end of the data",
         mtef5().add(raw({1, 0, 3, 0, 24, 1, 0})).add(line({x()})).add(line({two()})).unterminated(),
         kBraceOver + kX + "}}}{\\mlim " + k2 + "}}",
         "03" "1b0000" + kXLine + k2Line + over + "00"},
        {"brace cut off before its label", mtef5().add(raw({1, 0, 3, 0, 24, 0, 0})).add(line({x()})).unterminated(),
         kBraceUnder + kX + "}}}{\\mlim }}",
         "03" "1c0000" + kXLine + "11" + under + "00"},
    };
}

std::vector<AccentCase> barCases() {
    const MtefRecord leftArrow = ch(0xAC, kSymbolFace);
    const MtefRecord brace = ch(0xFE37, kExpandingFace);
    return {
        {"underbar", mtef3().line({tmpl(16, 0, {line({x()})})}), kUnderbar + kX + "}}",
         "03" "100000" + kXLine + "00"},
        {"version 5 underbar", mtef5().line({tmpl(12, 0, {line({x()})})}), kUnderbar + kX + "}}",
         "03" "100000" + kXLine + "00"},
        {"overbar", mtef5().line({tmpl(13, 0, {line({x()})})}), kOverbar + kX + "}}",
         "03" "110000" + kXLine + "00"},
        {"double overbar", mtef3().line({tmpl(17, 1, {line({x()})})}), kOverbar + kOverbar + kX + "}}}}",
         "03" "110100" + kXLine + "00"},
        {"double underbar keeps its variation", mtef3().line({tmpl(16, 2, {line({x()})})}),
         kUnderbar + kUnderbar + kX + "}}}}",
         "03" "100200" + kXLine + "00"},
        {"left arrow, text above", mtef3().line({tmpl(18, 0, {line({x()}), leftArrow})}),
         kBoxedGroup + kLeft + kAbove + kX + "}}}}",
         "03" "120000" + kXLine + charHex(leftArrow, mtef3()) + "00"},
        {"right arrow, text below", mtef3().line({tmpl(19, 1, {line({x()}), leftArrow})}),
         kBoxedGroup + kRight + kBelow + kX + "}}}}",
         "03" "130100" + kXLine + charHex(leftArrow, mtef3()) + "00"},
        {"double-headed arrow", mtef4().line({tmpl(20, 5, {line({x()}), leftArrow})}),
         kBoxedGroup + kBoth + kBelow + kX + "}}}}",
         "03" "140500" + kXLine + charHex(leftArrow, mtef4()) + "00"},
        {"right arrow without its character", mtef3().line({tmpl(19, 0, {line({x()})}), three()}),
         kBoxedGroup + kRight + kAbove + kX + "}}}}" + k3,
         "03" "130000" + kXLine + "00" + k3Hex},
        {"brace over", mtef3().line({tmpl(27, 0, {line({x()}), line({two()}), brace})}),
         kBraceOver + kX + "}}}{\\mlim " + k2 + "}}",
         "03" "1b0000" + kXLine + k2Line + charHex(brace, mtef3()) + "00"},
        {"brace under", mtef3().line({tmpl(28, 0, {line({x()}), line({two()}), brace})}),
         kBraceUnder + kX + "}}}{\\mlim " + k2 + "}}",
         "03" "1c0000" + kXLine + k2Line + charHex(brace, mtef3()) + "00"},
        {"arrow over, variation 0 points left", mtef3().line({tmpl(47, 0, {line({x()})})}),
         kAccent + accentChar(8406) + kX + "}}",
         "03" "2f0000" + kXLine + "00"},
        {"arrow over, variation 1 points right", mtef3().line({tmpl(47, 1, {line({x()})})}),
         kAccent + accentChar(8407) + kX + "}}",
         "03" "2f0100" + kXLine + "00"},
        {"arrow under, variation 2 points both ways", mtef3().line({tmpl(46, 2, {line({x()})})}),
         kAccent + accentChar(8417) + kX + "}}",
         "03" "2e0200" + kXLine + "00"},
        {"version 3 arc", mtef3().line({tmpl(48, 0, {line({x()})})}), kPlainAccent + kX + "}}",
         "03" "270000" + kXLine + "11018280e88b0aee0000"},
        // A slot that is not a LINE (broken data) stays inside the template: a script there finds no base before it.
        {"a script standing as the slot takes no base from the line",
         mtef5().line({x(), tmpl(13, 0, {tmpl(28, 0, {nullLine(), line({two()})})})}),
         kX + kOverbar + "{\\msSup{\\msSupPr}{\\me  }{\\msup " + k2 +
             "}}" "}}",
         kXHex +
             "03" "110000" "01" "03" "0f0000" "11" + k2Line +
             "00" "00" "00"},
        {"a script after a bar takes the whole bar as its base",
         mtef5().line({tmpl(13, 0, {line({x()})}), tmpl(28, 0, {nullLine(), line({two()})})}),
         "{\\msSup{\\msSupPr}{\\me " + kOverbar + kX + "}}}{\\msup " + k2 + "}}",
         "03" "110000" + kXLine +
             "00" "03" "0f0000" "11" + k2Line + "00"},
    };
}

std::vector<AccentCase> boxCases() {
    const std::string fullBox = "{\\mborderBox{\\mborderBoxPr }{\\me ";
    // Version 3: the box is a matrix whose one cell is the slot's line; a strike-through leaves the slot's objects in
    // the template's place (a line inside a line would read as a line break).
    return {
        {"box with four sides", mtef5().line({tmpl(37, 0x1e, {line({x()})})}), fullBox + kX + "}}",
         "05" "01010101010505" + kXLine + "00"},
        {"box with four sides, nudged", mtef5().line({tmpl(37, 0x1e, {line({x()})}).nudged(1, -1)}),
         fullBox + kX + "}}",
         "85" "817f" "01010101010505" + kXLine + "00"},
        {"box with a long nudge", mtef5().line({tmpl(37, 0x1e, {line({x()})}).nudgedLong(300, 0)}), fullBox + kX + "}}",
         "85" "80802c010000" "01010101010505" + kXLine + "00"},
        {"box corner left and top", mtef5().line({tmpl(37, 0x0a, {line({x()})})}),
         "{\\mborderBox{\\mborderBoxPr {\\mhideBot on}{\\mhideRight on}}{\\me " + kX + "}}",
         "05" "01010101010101" + kXLine + "00"},
        {"box corner right and top", mtef5().line({tmpl(37, 0x0c, {line({x()})})}),
         "{\\mborderBox{\\mborderBoxPr {\\mhideBot on}{\\mhideLeft on}}{\\me " + kX + "}}",
         "05" "01010101010104" + kXLine + "00"},
        {"box corner right and bottom", mtef5().line({tmpl(37, 0x14, {line({x()})})}),
         "{\\mborderBox{\\mborderBoxPr {\\mhideTop on}{\\mhideLeft on}}{\\me " + kX + "}}",
         "05" "01010101010404" + kXLine + "00"},
        {"box corner round-left and bottom", mtef5().line({tmpl(37, 0x11, {line({x()})})}),
         "{\\mborderBox{\\mborderBoxPr {\\mhideTop on}{\\mhideRight on}}{\\me " + kX + "}}",
         "05" "01010101010401" + kXLine + "00"},
        {"box with left, right and top is a full box", mtef5().line({tmpl(37, 0x0e, {line({x()})})}),
         fullBox + kX + "}}",
         "05" "01010101010505" + kXLine + "00"},
        {"empty box", mtef5().line({tmpl(37, 0x1e, {nullLine()})}), fullBox + "}}",
         "05" "01010101010505" "11" "00"},
        {"strike-through, horizontal stroke wins", mtef5().line({tmpl(36, 7, {line({x()})})}),
         kStrikeHead + "{\\mstrikeH on}}{\\me " + kX + "}}", kXHex},
        {"strike-through, both diagonals", mtef5().line({tmpl(36, 6, {line({x()})}), two()}),
         kStrikeHead + "{\\mstrikeBLTR on}{\\mstrikeTLBR on}}{\\me " + kX + "}}" + k2, kXHex + k2Hex},
        {"strike-through, falling diagonal", mtef5().line({tmpl(36, 4, {line({x()})})}),
         kStrikeHead + "{\\mstrikeTLBR on}}{\\me " + kX + "}}", kXHex},
        {"strike-through, rising diagonal, nudged", mtef5().line({two(), tmpl(36, 2, {line({x()})}).nudged(2, 2)}),
         k2 + kStrikeHead + "{\\mstrikeBLTR on}}{\\me " + kX + "}}", k2Hex + kXHex},
        {"strike-through of an empty line leaves nothing in its place", mtef5().line({tmpl(36, 1, {nullLine()}), two()}),
         kStrikeHead + "{\\mstrikeH on}}{\\me }}" + k2, k2Hex},
        {"strike-through without strokes", mtef5().line({tmpl(36, 0, {line({x()})})}),
         kStrikeHead + "}{\\me " + kX + "}}", kXHex},
    };
}
// clang-format on

std::vector<AccentCase> allCases() {
    std::vector<AccentCase> cases;
    for (auto group : {arrowCases, accentCases, barCases, boxCases}) {
        for (AccentCase& c : group())
            cases.push_back(std::move(c));
    }
    return cases;
}

TEST(AccentTemplates, TranslateInBothFormats) {
    const std::vector<AccentCase> cases = allCases();
    for (size_t row = 0; row < cases.size(); ++row) {
        const AccentCase& c = cases[row];
        EXPECT_EQ(officeMathBody(c.equation), c.officeMath) << "row " << row << ": " << c.name;
        EXPECT_EQ(v3Line(c.equation), c.v3) << "row " << row << ": " << c.name;
    }
}

// Where a conversion is made, it is sound.
void expectSoundConversions(const MtefBytes& mtef, const std::string& what) {
    const std::string nativeHex = equationNativeHex(mtef);
    const std::string officeMath = officeMathOf(nativeHex);
    if (!officeMath.empty()) {
        EXPECT_EQ(checkOfficeMathRtf(officeMath), "") << what;
    }
    const std::string stream = equationNativeOf(nativeHex);
    if (!stream.empty()) {
        EXPECT_EQ(validateMtef3Stream(stream), "") << what;
    }
}

// Every fixture cut at every length: the templates still write all their fixed text, so what converts is sound.
TEST(AccentTemplates, TruncatedInputStaysSound) {
    const std::vector<AccentCase> cases = allCases();
    for (size_t row = 0; row < cases.size(); ++row) {
        const MtefBytes mtef = cases[row].equation.bytes();
        for (size_t length = 0; length < mtef.size(); ++length) {
            expectSoundConversions(MtefBytes(mtef.begin(), mtef.begin() + std::ptrdiff_t(length)),
                                   "row " + std::to_string(row) + " cut at " + std::to_string(length));
        }
    }
}

// Which variations a fixture fits: a double arrow or harpoons (low bits 1 or 2) has two characters after its
// slots, a single arrow one.
enum VariationFilter { AllVariations, SingleArrows, DoubleArrows };

struct SweepCase {
    const char* name;
    bool mtef5;
    uint8_t selector;
    MtefRecords objects; // the slots and template characters as MathType writes them
    VariationFilter filter = AllVariations;
};

// Every variation of every template here, with the slots and characters the template usually has.
TEST(AccentTemplates, EveryVariationStaysSound) {
    const MtefRecord arrow = ch(0x2192, kExpandingFace);
    const std::vector<SweepCase> cases = {
        {"single arrow with text", true, 14, {sub(), line({x()}), line({two()}), full(), arrow}, SingleArrows},
        {"double arrow or harpoons", true, 14, {sub(), line({x()}), line({two()}), full(), arrow, arrow}, DoubleArrows},
        {"underbar", true, 12, {line({x()})}},
        {"overbar", true, 13, {line({x()})}},
        {"horizontal brace", true, 24, {line({x()}), line({two()}), full(), braceChar()}},
        {"horizontal bracket", true, 25, {line({x()}), line({two()}), braceChar()}},
        {"vector arrow", true, 31, {line({x()}), arrow}},
        {"tilde", true, 32, {line({x()}), ch(0x02DC, kSymbolFace)}},
        {"hat", true, 33, {line({x()}), ch(0x02C6, kSymbolFace)}},
        {"arc", true, 34, {line({x()}), ch(0x2322, kSymbolFace)}},
        {"joint status", true, 35, {line({x()}), ch(0x20E7, kSymbolFace)}},
        {"strike-through", true, 36, {line({x()})}},
        {"box", true, 37, {line({x()})}},
        {"version 3 underbar", false, 16, {line({x()})}},
        {"version 3 overbar", false, 17, {line({x()})}},
        {"version 3 left arrow", false, 18, {line({x()}), ch(0xAC, kSymbolFace)}},
        {"version 3 right arrow", false, 19, {line({x()}), ch(0xAE, kSymbolFace)}},
        {"version 3 double-headed arrow", false, 20, {line({x()}), ch(0xAB, kSymbolFace)}},
        {"version 3 brace over", false, 27, {line({x()}), line({two()}), ch(0xFE37, kExpandingFace)}},
        {"version 3 brace under", false, 28, {line({x()}), line({two()}), ch(0xFE38, kExpandingFace)}},
        {"version 3 arrow under", false, 46, {line({x()})}},
        {"version 3 arrow over", false, 47, {line({x()})}},
        {"version 3 arc", false, 48, {line({x()})}},
    };
    for (size_t row = 0; row < cases.size(); ++row) {
        const SweepCase& c = cases[row];
        // A version 5 variation of 0x80 or more takes two bytes, which only the integral reads.
        const int variations = c.mtef5 ? 0x80 : 0x100;
        for (int variation = 0; variation < variations; ++variation) {
            const bool doubleForm = (variation & 3) != 0;
            if ((c.filter == SingleArrows && doubleForm) || (c.filter == DoubleArrows && !doubleForm))
                continue;
            const MtefRecord t = tmpl(c.selector, uint16_t(variation), c.objects);
            const MtefEquation equation = c.mtef5 ? mtef5().line({x(), t, three()}) : mtef3().line({x(), t, three()});
            const std::string what =
                "row " + std::to_string(row) + " (" + c.name + ") variation " + std::to_string(variation);
            // Converted, sound, and the template keeps to its own records: the x before and the 3 after it stay.
            EXPECT_NE(equationNativeOf(equation.nativeHex()), "") << what;
            expectSoundConversions(equation.bytes(), what);
            const std::string body = officeMathBody(equation);
            ASSERT_GE(body.size(), kX.size() + k3.size()) << what;
            EXPECT_EQ(body.substr(0, kX.size()), kX) << what;
            EXPECT_EQ(body.substr(body.size() - k3.size()), k3) << what;
        }
    }
}
} // namespace
