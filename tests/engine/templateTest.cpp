// Template records: the record head and selector dispatch of both generations, and the fraction, script, radical and
// limit translators in both formats. Fixtures are one-line equations built with the MTEF builder.
#include "conversionFixtures.h"
#include "mtef/converterContext.h"
#include "mtef/mtefTemplates.h"
#include "mtefBuilder.h"

#include <gtest/gtest.h>

#include <string>

using namespace testing_support::mtef;
using namespace testing_support::glyphs;
using namespace testing_support;

namespace {
struct TemplateCase {
    const char* name;
    MtefEquation equation;
    std::string officeMath;
    std::string v3;
};

std::vector<TemplateCase> templateCases() {
    const auto x = [] { return ch('x', kVariableFace); };
    const auto two = [] { return ch('2', kNumberFace); };
    const auto three = [] { return ch('3', kNumberFace); };
    // Each record's hex stands as one group of literals, as the records are read; the formatter would give every
    // literal a line of its own.
    // clang-format off
    return {
        {"superscript takes the x before it",
         mtef5().line({x(), tmpl(28, 0, {nullLine(), line({two()})})}),
         "{\\msSup{\\msSupPr}{\\me " + kX + "}{\\msup " + k2 + "}}", kXHex + "03" "0f0000" "11" "01" + k2Hex + "00" "00"},
        {"superscript first in its line gets a blank base", mtef5().line({tmpl(28, 0, {nullLine(), line({two()})})}),
         "{\\msSup{\\msSupPr}{\\me  }{\\msup " + k2 + "}}", "03" "0f0000" "11" "01" + k2Hex + "00" "00"},
        {"subscript and superscript", mtef5().line({x(), tmpl(29, 0, {line({two()}), line({three()})})}),
         "{\\msSubSup{\\msSubSupPr}{\\me " + kX + "}{\\msub " + k2 + "}{\\msup " + k3 + "}}",
         kXHex + "03" "0f0200" "01" + k2Hex + "00" "01" + k3Hex + "00" "00"},
        {"pre-superscript keeps x in front", mtef5().line({x(), tmpl(28, 1, {nullLine(), line({two()})})}),
         kX + "{\\msPre{\\msPrePr}{\\msub  }{\\msup " + k2 + "}{\\me  }}", kXHex + "03" "2c0000" "11" "01" + k2Hex + "00" "00"},
        {"version 3 scripts, subscript by variation", mtef3().line({x(), tmpl(15, 1, {line({two()}), nullLine()})}),
         "{\\msSub{\\msSubPr}{\\me " + kX + "}{\\msub " + k2 + "}}", kXHex + "03" "0f0100" "01" + k2Hex + "00" "11" "00"},
        {"fraction", mtef5().line({tmpl(11, 0, {line({two()}), line({three()})})}),
         "{\\mf{\\mfPr{\\mtype }}{\\mnum " + k2 + "}{\\mden " + k3 + "}}", "03" "0e0000" "01" + k2Hex + "00" "01" + k3Hex + "00" "00"},
        {"fraction variation 3 is skewed", mtef5().line({tmpl(11, 3, {line({two()}), line({three()})})}),
         "{\\mf{\\mfPr{\\mtype skw}}{\\mnum " + k2 + "}{\\mden " + k3 + "}}", "03" "290200" "01" + k2Hex + "00" "01" + k3Hex + "00" "00"},
        {"fraction variation 6 is linear", mtef5().line({tmpl(11, 6, {nullLine(), nullLine()})}),
         "{\\mf{\\mfPr{\\mtype lin}}{\\mnum }{\\mden }}", "03" "290100" "11" "11" "00"},
        {"fraction variation 9 falls back to a plain fraction", mtef5().line({tmpl(11, 9, {nullLine(), nullLine()})}),
         "{\\mf{\\mfPr{\\mtype }}{\\mnum }{\\mden }}", "03" "0e0000" "11" "11" "00"},
        {"long division", mtef5().line({tmpl(26, 0, {line({two()}), line({three()})})}),
         "{\\mf{\\mfPr{\\mtype }}{\\mnum  " + k3 + "}{\\mden {\\mr\\mscr0\\msty0 )}" + k2 + "}}",
         "03" "280100" "01" + k2Hex + "00" "01" + k3Hex + "00" "00"},
        {"version 3 long division, empty divisor", mtef3().line({tmpl(40, 0, {nullLine(), line({three()})})}),
         "{\\mf{\\mfPr{\\mtype }}{\\mnum  " + k3 + "}{\\mden {\\mr\\mscr0\\msty0 )}}}",
         "03" "280000" "11" "01" + k3Hex + "00" "00"},
        {"version 3 selector 14 is the fraction", mtef3().line({tmpl(14, 0, {nullLine(), nullLine()})}),
         "{\\mf{\\mfPr{\\mtype }}{\\mnum }{\\mden }}", "03" "0e0000" "11" "11" "00"},
        {"version 3 slash fraction", mtef3().line({tmpl(41, 1, {nullLine(), nullLine()})}),
         "{\\mf{\\mfPr{\\mtype lin}}{\\mnum }{\\mden }}", "03" "290100" "11" "11" "00"},
        {"square root hides its degree", mtef5().line({tmpl(10, 0, {line({two()}), nullLine()})}),
         "{\\mrad{\\mradPr {\\mdegHide on}}{\\mdeg }{\\me " + k2 + "}}", "03" "0d0000" "01" + k2Hex + "00" "11" "00"},
        {"root with index", mtef5().line({tmpl(10, 1, {line({two()}), line({three()})})}),
         "{\\mrad{\\mradPr }{\\mdeg " + k3 + "}{\\me " + k2 + "}}", "03" "0d0100" "01" + k2Hex + "00" "01" + k3Hex + "00" "00"},
        {"version 3 limit, variation 0: upper only",
         mtef3().line({tmpl(39, 0, {line({x()}), nullLine(), line({two()})})}),
         "{\\mlimUpp{\\mlimUppPr }{\\me " + kX + "}{\\mlim " + k2 + "}}",
         "03" "270000" "01" + kXHex + "00" "11" "01" + k2Hex + "00" "00"},
        {"version 5 limit with both limits",
         mtef5().line({tmpl(23, 0x30, {line({x()}), line({two()}), line({three()})})}),
         "{\\mlimUpp{\\mlimUppPr }{\\me {\\mlimLow{\\mlimLowPr }{\\me " + kX + "}{\\mlim " + k2 + "}}}{\\mlim " + k3 +
             "}}",
         "03" "270200" "01" + kXHex + "00" "01" + k2Hex + "00" "01" + k3Hex + "00" "00"},
        {"sum-style operator keeps its operand after it",
         mtef5().line({tmpl(22, 0x10, {line({x()}), line({two()}), nullLine(), ch(0x2211, kSymbolFace)})}),
         "{\\mlimLow{\\mlimLowPr }{\\me {\\mr\\mscr0\\msty2\\i {\\uc1\\u8721\\'3f}}}{\\mlim " + k2 + "}}" + kX,
         "03" "2b0100" "01" + kXHex + "00" "01" + k2Hex + "00" "11" "01" "02861122" "00" "00"},
        {"integral-style operator",
         mtef5().line({tmpl(21, 0x30, {line({x()}), line({two()}), line({three()}), ch(0x222B, kSymbolFace)})}),
         "{\\msSubSup{\\msSubSupPr }{\\me {\\mr\\mscr0\\msty2\\i {\\uc1\\u8747\\'3f}}}{\\msub " + k2 + "}{\\msup " + k3 +
             "}}" + kX,
         "03" "2a0200" "01" + kXHex + "00" "01" + k2Hex + "00" "01" + k3Hex + "00" "01" "02862b22" "00" "00"},
        {"template with nudge", mtef5().line({tmpl(11, 0, {nullLine(), nullLine()}).nudged(1, 1)}),
         "{\\mf{\\mfPr{\\mtype }}{\\mnum }{\\mden }}", "83" "8181" "0e0000" "11" "11" "00"},
        {"unknown selector leaves the object", mtef5().line({tmpl(38, 0, {nullLine()})}), "<unconverted>", "<unconverted>"},
        {"version 3 selector 10 is a fence, not a radical", mtef3().line({tmpl(10, 0, {nullLine()})}),
         "{\\md{\\mdPr{\\mbegChr ]}{\\mendChr [}}{\\me }}", "030a00001100"},
    };
    // clang-format on
}

TEST(Templates, TranslateInBothFormats) {
    const std::vector<TemplateCase> cases = templateCases();
    for (size_t row = 0; row < cases.size(); ++row) {
        const TemplateCase& c = cases[row];
        EXPECT_EQ(officeMathBody(c.equation), c.officeMath) << "row " << row << ": " << c.name;
        EXPECT_EQ(v3Line(c.equation), c.v3) << "row " << row << ": " << c.name;
    }
}

// MTEF's left scripts belong to what follows them: the pre-script's base is the next element of its line, once that
// is complete; with nothing after it in its line, the base stays empty. Format 0 keeps the template as it is.
TEST(Templates, PreScriptsTakeTheElementAfterThem) {
    const auto x = [] { return ch('x', kVariableFace); };
    const auto two = [] { return ch('2', kNumberFace); };
    const auto three = [] { return ch('3', kNumberFace); };
    const auto preSup = [&] { return tmpl(28, 1, {nullLine(), line({two()})}); };
    const std::string preSupHead = "{\\msPre{\\msPrePr}{\\msub  }{\\msup " + k2 + "}{\\me ";
    const std::string fraction = "{\\mf{\\mfPr{\\mtype }}{\\mnum " + k2 + "}{\\mden " + k3 + "}}";
    // clang-format off
    const TemplateCase cases[] = {
        {"version 5 pre-superscript before G",
         mtef5().line({preSup(), ch('G', kVariableFace)}),
         preSupHead + "{\\mr\\mscr0\\msty2\\i G}}}", "03" "2c0000" "11" "01" + k2Hex + "00" "00" "02834700"},
        {"the element before stays in front",
         mtef5().line({x(), preSup(), ch('y', kVariableFace)}),
         kX + preSupHead + kY + "}}", kXHex + "03" "2c0000" "11" "01" + k2Hex + "00" "00" + kYHex},
        {"nothing after it: an empty base", mtef5().line({x(), preSup()}),
         kX + preSupHead + " }}", kXHex + "03" "2c0000" "11" "01" + k2Hex + "00" "00"},
        {"version 3 left scripts before a fraction",
         mtef3().line({tmpl(44, 2, {line({three()}), line({two()})}), tmpl(14, 0, {line({two()}), line({three()})})}),
         "{\\msPre{\\msPrePr}{\\msub " + k3 + "}{\\msup " + k2 + "}{\\me " + fraction + "}}",
         "03" "2c0200" "01" + k3Hex + "00" "01" + k2Hex + "00" "00" "03" "0e0000" "01" + k2Hex + "00" "01" + k3Hex + "00" "00"},
        {"two pre-scripts before y nest",
         mtef5().line({preSup(), tmpl(27, 1, {line({three()}), nullLine()}), ch('y', kVariableFace)}),
         preSupHead + "{\\msPre{\\msPrePr}{\\msub " + k3 + "}{\\msup  }{\\me " + kY + "}}}}",
         "03" "2c0000" "11" "01" + k2Hex + "00" "00" "03" "2c0100" "01" + k3Hex + "00" "11" "00" + kYHex},
        {"a size record before the base is no element",
         mtef5().line({preSup(), sub(), ch('y', kVariableFace)}),
         preSupHead + kY + "}}", "03" "2c0000" "11" "01" + k2Hex + "00" "00" "0b" + kYHex},
        {"the last in a slot takes nothing from after the template",
         mtef5().line({tmpl(11, 0, {line({preSup()}), line({three()})}), x()}),
         "{\\mf{\\mfPr{\\mtype }}{\\mnum " + preSupHead + " }}}{\\mden " + k3 + "}}" + kX,
         "03" "0e0000" "01" "03" "2c0000" "11" "01" + k2Hex + "00" "00" "00" "01" + k3Hex + "00" "00" + kXHex},
        {"a script after it takes it as its base",
         mtef5().line({preSup(), tmpl(27, 0, {line({three()}), nullLine()}), x()}),
         "{\\msSub{\\msSubPr}{\\me " + preSupHead + " }}}{\\msub " + k3 + "}}" + kX,
         "03" "2c0000" "11" "01" + k2Hex + "00" "00" "03" "0f0100" "01" + k3Hex + "00" "11" "00" + kXHex},
        {"in a pile row", mtef5().line({pile(1, 1, {line({preSup(), x()}), line({ch('y', kVariableFace)})})}),
         "{\\mm {\\mmPr{\\mplcHide on}{\\mmcs{\\mmc{\\mmcPr{\\mcount 1}{\\mmcJc left}}}}}{\\mmr {\\me " + preSupHead + kX +
             "}}}}{\\mmr {\\me " + kY + "}}}",
         "04" "0101" "01" "03" "2c0000" "11" "01" + k2Hex + "00" "00" + kXHex + "00" "01" + kYHex + "00" "00"},
    };
    // clang-format on
    for (size_t row = 0; row < std::size(cases); ++row) {
        const TemplateCase& c = cases[row];
        EXPECT_EQ(officeMathBody(c.equation), c.officeMath) << "row " << row << ": " << c.name;
        EXPECT_EQ(v3Line(c.equation), c.v3) << "row " << row << ": " << c.name;
    }
}

// A script whose line output holds only the opening text of an element still open (a template's slot that is not a
// line of its own) gets an empty base: that text is no element.
TEST(Templates, ScriptsTakeNoBaseFromAnOpenElement) {
    ConverterContext& context = converterContext();
    initConverterContext(context, ConversionSwitches{});
    const std::string open = "\x01{\\mlimUpp{\\mlimUppPr }{\\me ";
    const std::string run = "\x01{\\mr x}\x02";
    struct Case {
        const char* name;
        std::string output;
        std::string base;
    };
    const Case cases[] = {
        {"an open element alone", open, ""},
        {"an element inside the open one", open + run, run},
        {"an element before the open one", run + open, ""},
        {"two open elements", open + open, ""},
        {"a complete element with text after it", run + "}", run + "}"},
    };
    for (size_t row = 0; row < std::size(cases); ++row) {
        std::string output = cases[row].output;
        std::string base;
        detachLastElement(context, output, base);
        EXPECT_EQ(base, cases[row].base) << "row " << row << ": " << cases[row].name;
        EXPECT_EQ(output + base, cases[row].output) << "row " << row << ": " << cases[row].name;
    }
}

// A script template standing as a template's slot takes nothing from the template around it: the limit's head is
// no base, and its parts stay where the schema puts them (the checker of the fixtures sees to that).
TEST(Templates, ScriptsAsSlotsTakeNoBaseFromTheirTemplate) {
    const auto script = [] { return tmpl(15, 0, {nullLine(), line({ch('2', kNumberFace)})}); };
    const auto brace = [] { return tmpl(27, 0, {line({ch('3', kNumberFace)}), nullLine()}); };
    // Each record's hex stands as one group of literals, as the records are read; the formatter would give every
    // literal a line of its own.
    // clang-format off
    const TemplateCase cases[] = {
        {"version 3 limit whose main slot is a script", mtef3().line({tmpl(39, 2, {script(), nullLine(), nullLine()})}),
         "{\\mlimUpp{\\mlimUppPr }{\\me {\\mlimLow{\\mlimLowPr }{\\me {\\msSup{\\msSupPr}{\\me  }{\\msup " + k2 +
             "}}}{\\mlim }}}{\\mlim }}",
         "03" "270200" "01" "03" "0f0000" "11" "01" + k2Hex + "00" "00" "00" "11" "11" "00"},
        {"version 5 limit whose main slot is a subscript", mtef5().line({tmpl(23, 0x20, {brace(), nullLine(), nullLine()})}),
         "{\\mlimUpp{\\mlimUppPr }{\\me {\\msSub{\\msSubPr}{\\me  }{\\msub " + k3 + "}}}{\\mlim }}",
         "03" "270000" "01" "03" "0f0100" "01" + k3Hex + "00" "11" "00" "00" "11" "11" "00"},
    };
    for (size_t row = 0; row < std::size(cases); ++row) {
        const TemplateCase& c = cases[row];
        EXPECT_EQ(officeMathBody(c.equation), c.officeMath) << "row " << row << ": " << c.name;
        EXPECT_EQ(v3Line(c.equation), c.v3) << "row " << row << ": " << c.name;
    }
}

// Equation Editor 3.x output keeps MTEF 3's shape: a template's slots and a matrix's cells are lines, so a pile there
// (MathType writes the rows of a case distinction as a pile in the brace's slot) is wrapped in a line, while the
// template's own characters stay as they are. The fixtures' validator checks the shape of every stream.
TEST(Templates, Version3SlotsAndCellsAreLines) {
    const auto x = [] { return ch('x', kVariableFace); };
    const auto rows = [&] { return pile(1, 1, {line({x()}), line({ch('y', kVariableFace)})}); };
    const std::string pileHex = "04" "0101" + kXLine + "01" + kYHex + "00" "00";
    struct Case {
        const char* name;
        MtefEquation equation;
        std::string v3;
    };
    // clang-format on
    // clang-format off
    const Case cases[] = {
        {"case distinction: a pile in a brace", mtef5().line({tmpl(2, 0x01, {rows(), ch('{', kSymbolFace)})}),
         "03" "020100" "01" + pileHex + "00" "02867b00" "00"},
        {"a pile as a fraction's numerator", mtef5().line({tmpl(11, 0, {rows(), line({ch('2', kNumberFace)})})}),
         "03" "0e0000" "01" + pileHex + "00" + k2Line + "00"},
        {"a pile as a matrix cell", mtef5().line({matrix(1, 2, {rows(), line({x()})})}),
         "05" "0000000102" "0000" "01" + pileHex + "00" + kXLine + "00"},
        {"a pile in a line stays as it is", mtef5().line({tmpl(10, 0, {line({rows()}), nullLine()})}),
         "03" "0d0000" "01" + pileHex + "00" "11" "00"},
        {"an integral's sign stays a character", mtef5().line({tmpl(15, 0x30, {line({x()}), nullLine(), nullLine(), ch(0x222B, kSymbolFace)})}),
         "03" "150200" + kXLine + "11" "11" "02862b22" "00"},
        {"a character as a slot", mtef5().line({tmpl(10, 0, {x(), nullLine()})}),
         "03" "0d0000" "01" + kXHex + "00" "11" "00"},
        {"version 3: a pile as a limit's lower slot", mtef3().line({tmpl(39, 1, {line({x()}), sub(), rows(), nullLine()})}),
         "03" "270100" + kXLine + "01" "0b" + pileHex + "00" "11" "00"},
    };
    // clang-format on
    for (size_t row = 0; row < std::size(cases); ++row)
        EXPECT_EQ(v3Line(cases[row].equation), cases[row].v3) << "row " << row << ": " << cases[row].name;
}

// Equation Editor 3.x pairs a template's slots with its lines, one by one, and takes what follows the last of them
// for the template's characters. So every slot of a written template is a line, a null line where the slot wrote
// nothing or is missing (its template's END comes first), and a template character is one CHAR record; where the
// records cannot make that, the object stays as it was in that format. Office Math reads the same records (the
// fixtures' checker sees to its soundness), and a template that ends early leaves its END to itself, so the record
// after it is read from its own first byte.
TEST(Templates, Version3TemplatesKeepEverySlotAndSign) {
    const auto x = [] { return ch('x', kVariableFace); };
    const auto y = [] { return ch('y', kVariableFace); };
    const auto two = [] { return ch('2', kNumberFace); };
    const auto sum = [] { return ch(0x2211, kSymbolFace); };
    const auto integralSign = [] { return ch(0x222B, kSymbolFace); };
    const auto strikeOf = [](MtefRecord slot) { return tmpl(36, 1, {std::move(slot)}); };
    const std::string strike = "{\\mborderBox{\\mborderBoxPr {\\mhideTop on}{\\mhideBot on}{\\mhideLeft on}"
                               "{\\mhideRight on}{\\mstrikeH on}}{\\me ";
    const std::string fraction = "{\\mf{\\mfPr{\\mtype }}{\\mnum ";
    const auto integral = [](const std::string& main, const std::string& lower) {
        return "{\\mnary{\\mnaryPr{\\mchr {\\uc1\\u8747\\'3f}}{\\mlimLoc subSup}{\\msupHide on}{\\mctrlPr }}{\\msub " +
               lower + "}{\\msup }{\\me " + main + "}}";
    };
    const std::string sumStyle = "{\\mlimLow{\\mlimLowPr }{\\me {\\mr\\mscr0\\msty2\\i {\\uc1\\u8721\\'3f}}}{\\mlim ";
    // Each record's hex stands as one group of literals, as the records are read; the formatter would give every
    // literal a line of its own.
    // clang-format off
    const TemplateCase cases[] = {
        {"a bare strike-through of a null line as a fraction's numerator",
         mtef5().line({tmpl(11, 0, {strikeOf(nullLine()), line({y()})})}),
         fraction + strike + "}}}{\\mden " + kY + "}}",
         "03" "0e0000" "11" "01" + kYHex + "00" "00"},
        {"a bare strike-through of a null line as a radicand",
         mtef5().line({tmpl(10, 0, {strikeOf(nullLine()), nullLine()})}),
         "{\\mrad{\\mradPr {\\mdegHide on}}{\\mdeg }{\\me " + strike + "}}}}",
         "03" "0d0000" "11" "11" "00"},
        {"a ruler standing as a slot", mtef5().line({tmpl(11, 0, {ruler({{0, 100}}), line({y()})})}),
         fraction + "}{\\mden " + kY + "}}",
         "03" "0e0000" "11" "01" + kYHex + "00" "00"},
        {"a strike-through of a character as a slot gets its line",
         mtef5().line({tmpl(11, 0, {strikeOf(line({x()})), line({y()})})}),
         fraction + strike + kX + "}}}{\\mden " + kY + "}}",
         "03" "0e0000" + kXLine + "01" + kYHex + "00" "00"},
        {"slots that end after the first", mtef5().line({tmpl(11, 0, {line({x()})}), y()}),
         fraction + kX + "}{\\mden }}" + kY,
         "03" "0e0000" + kXLine + "11" "00" + kYHex},
        {"version 3 slots that end after the first", mtef3().line({tmpl(14, 0, {line({x()})}), y()}),
         fraction + kX + "}{\\mden }}" + kY,
         "03" "0e0000" + kXLine + "11" "00" + kYHex},
        {"a limit without slots", mtef3().line({tmpl(39, 0, {}), y()}),
         "{\\mlimUpp{\\mlimUppPr }{\\me }{\\mlim }}" + kY,
         "03" "270000" "11" "11" "11" "00" + kYHex},
        {"an integral whose sign is missing", mtef5().line({tmpl(15, 0x10, {line({x()}), line({two()}), nullLine()}), y()}),
         integral(kX, k2) + kY,
         "03" "150100" + kXLine + k2Line + "11" "00" + kYHex},
        {"a strike-through of one character as an integral's sign",
         mtef5().line({tmpl(15, 0x10, {line({x()}), line({two()}), nullLine(), strikeOf(line({integralSign()}))})}),
         integral(kX, k2),
         "03" "150100" + kXLine + k2Line + "11" "02862b22" "00"},
        {"a strike-through of two characters as an integral's sign",
         mtef5().line({tmpl(15, 0x10, {line({x()}), line({two()}), nullLine(),
                                       strikeOf(line({integralSign(), integralSign()}))})}),
         integral(kX, k2), "<unconverted>"},
        {"a fraction standing as a fence character",
         mtef5().line({tmpl(1, 1, {line({x()}), tmpl(11, 0, {nullLine(), nullLine()})})}),
         "{\\md{\\mdPr{\\mbegChr (}{\\mendChr }}{\\me " + kX + "}}", "<unconverted>"},
        {"a sum-style operator's sign character gets a line of its own",
         mtef5().line({tmpl(22, 0x10, {line({x()}), line({two()}), nullLine(), sum()})}),
         sumStyle + k2 + "}}" + kX,
         "03" "2b0100" + kXLine + k2Line + "11" "01" "02861122" "00" "00"},
        {"a sum-style operator's sign line stays as it is",
         mtef5().line({tmpl(22, 0x10, {line({x()}), line({two()}), nullLine(), sym(), line({sum()})})}),
         sumStyle + k2 + "}}" + kX,
         "03" "2b0100" + kXLine + k2Line + "11" "0d" "01" "02861122" "00" "00"},
        {"a sum-style operator without its sign gets a null line",
         mtef5().line({tmpl(22, 0x10, {line({x()}), line({two()}), nullLine()}), y()}),
         "{\\mlimLow{\\mlimLowPr }{\\me }{\\mlim " + k2 + "}}" + kX + kY,
         "03" "2b0100" + kXLine + k2Line + "11" "11" "00" + kYHex},
        {"a sum-style operator whose sign line holds two characters",
         mtef5().line({tmpl(22, 0x10, {line({x()}), line({two()}), nullLine(), line({sum(), sum()})})}),
         "{\\mlimLow{\\mlimLowPr }{\\me {\\mr\\mscr0\\msty2\\i {\\uc1\\u8721\\'3f}}{\\mr\\mscr0\\msty2\\i {\\uc1\\u8721\\'3f}}}"
             "{\\mlim " + k2 + "}}" + kX,
         "<unconverted>"},
    };
    // clang-format on
    for (size_t row = 0; row < std::size(cases); ++row) {
        const TemplateCase& c = cases[row];
        EXPECT_EQ(officeMathBody(c.equation), c.officeMath) << "row " << row << ": " << c.name;
        EXPECT_EQ(v3Line(c.equation), c.v3) << "row " << row << ": " << c.name;
    }
}

// A script first in a pile row or matrix cell takes nothing from the row before or the group's own RTF.
TEST(Templates, ScriptBasesStayInsideTheirRow) {
    const auto script = [] { return tmpl(28, 0, {nullLine(), line({ch('2', kNumberFace)})}); };
    MtefEquation piled = mtef5().line({pile(1, 1, {line({ch('x', kVariableFace)}), line({script()})})});
    const std::string body = officeMathBody(piled);
    EXPECT_NE(body.find("{\\mmr {\\me {\\msSup{\\msSupPr}{\\me  }{\\msup "), std::string::npos) << body;
    EXPECT_NE(body.find("{\\mmr {\\me " + kX + "}}"), std::string::npos) << body;
    MtefEquation cells = mtef5().line({matrix(1, 2, {line({ch('x', kVariableFace)}), script()})});
    const std::string matrixBody = officeMathBody(cells);
    EXPECT_NE(matrixBody.find("{\\me " + kX + "}{\\me {\\msSup{\\msSupPr}{\\me  }"), std::string::npos) << matrixBody;
}

// A long row of scripts converts (each base is found by looking back over its own element only).
TEST(Templates, ManyScriptsInARow) {
    MtefRecords objects;
    for (int i = 0; i < 3000; ++i) {
        objects.push_back(ch('x', kVariableFace));
        objects.push_back(tmpl(27, 0, {line({ch('1', kNumberFace)}), nullLine()}));
    }
    const std::string body = officeMathBody(mtef5().line(objects));
    EXPECT_EQ(body.substr(0, 30), "{\\msSub{\\msSubPr}{\\me " + kX.substr(0, 8));
}
} // namespace
