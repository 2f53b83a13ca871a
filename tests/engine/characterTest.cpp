// CHAR records in both formats: styles by typeface and explicit font, the three position kinds, the MT Extra, Greek
// and ASCII paths, MathType spaces, the font maps of versions 2 and 4, and the options "Force Unicode" and "Allow
// MathType fonts". Fixtures are equations of one line built with the MTEF builder.
#include "conversionFixtures.h"
#include "mtef/characterTables.h"
#include "mtef/converterContext.h"
#include "mtef/documentFonts.h"
#include "mtefBuilder.h"
#include "mtefV3Validator.h"
#include "objects/equationObjectConversion.h"

#include <gtest/gtest.h>

#include <string>

using namespace testing_support::mtef;
using namespace testing_support;

namespace {
// The Office Math body of a one-line equation: what stands between the math wrapping.
using Options = testing_support::FixtureOptions;

std::string escape(int codePoint) {
    return "{\\uc1\\u" + std::to_string(codePoint) + "\\'3f}";
}

struct CharCase {
    const char* name;
    MtefEquation equation;
    Options options;
    std::string officeMath; // the run(s) of the line
    std::string v3;         // the CHAR record(s) of the line, hex
};

// clang-format off
std::vector<CharCase> charCases() {
    const std::string italic = "\\mscr0\\msty2\\i ";
    const std::string plain = "\\mscr0\\msty0 ";
    return {
        {"variable x", mtef5().line({ch('x', kVariableFace)}), {}, "{\\mr" + italic + "x}", "02837800"},
        {"function brace is escaped", mtef3().line({ch('{', kFunctionFace)}), {}, "{\\mr" + plain + "\\{}", "02827b00"},
        // A double-struck letter is a run of its own script and style: no run inside the character's run.
        {"double-struck C, MathType fonts allowed", mtef5().line({ch(0x2102, kMtExtraFace).at8(0xA3)}), {1, 1},
         "{\\mr\\mscr3\\msty0 C}", "0201a300"},
        {"double-struck C, MathType fonts not allowed", mtef5().line({ch(0x2102, kMtExtraFace).at8(0xA3)}), {1, 0},
         "{\\mr\\mscr3\\msty0 C}", "02814300"},
        {"double-struck Z in a row", mtef5().line({ch(0x2124, kMtExtraFace).at8(0xA2), ch('x', kVariableFace)}), {},
         "{\\mr\\mscr3\\msty0 Z}{\\mr" + italic + "x}", "0281" "5a00" "02837800"},
        {"zero-width space, Force Unicode", mtef5().line({ch(0xEB01, kSpaceFace)}), {1, 0},
         "{\\mr" + italic + escape(8203) + "}", "029801eb"},
        {"zero-width space without Force Unicode", mtef5().line({ch(0xEB01, kSpaceFace)}), {0, 0}, "{\\mr" + italic + "}",
         "029801eb"},
        {"user 1 becomes vector in MTEF 3", mtef5().line({ch('v', kUser1Face)}), {},
         "{\\mr\\mscr0\\msty3\\b\\i v}", "02877600"},
        {"upper-case Greek is upright", mtef5().line({ch(0x0394, kUcGreekFace)}), {}, "{\\mr" + plain + escape(916) + "}",
         "02859403"},
        {"apostrophe with Force Unicode", mtef5().line({ch('\'', kTextFace)}), {1, 0}, "{\\mr" + plain + "{\\uc1\\u39 '}}",
         "02812700"},
        {"apostrophe without Force Unicode", mtef5().line({ch('\'', kTextFace)}), {0, 0}, "{\\mr" + plain + "'}",
         "02812700"},
        {"apostrophe with a position is plain", mtef5().line({ch('\'', kTextFace).at8(0x27)}), {1, 0},
         "{\\mr" + plain + "'}", "02812700"},
        {"multiplication sign", mtef5().line({ch(215, kSymbolFace)}), {}, "{\\mr" + italic + escape(215) + "}",
         "0286d700"},
        {"euro through code page 1252", mtef5().line({ch(0x80, kTextFace)}), {}, "{\\mr" + plain + escape(8364) + "}",
         "02818000"},
        {"expanding 0xE9 in version 2", mtef2().line({ch(0xE9, kExpandingFace)}), {}, "{\\mr" + italic + escape(63726) + "}",
         "0296eef8"},
        {"MT Extra 0x81 in version 4 is a zero-width space", mtef4().line({ch(0x81, kMtExtraFace)}), {1, 0},
         "{\\mr" + italic + escape(8203) + "}", "028b01eb"},
        {"phi forms exchanged", mtef5().line({ch(0x03C6, kLcGreekFace), ch(0x03D5, kLcGreekFace)}), {},
         "{\\mr" + italic + escape(981) + "}{\\mr" + italic + escape(966) + "}", "0284c6030284d503"},
        {"MathType space 0xEB02 is a blank", mtef5().line({ch(0xEB02, kSpaceFace)}), {}, "{\\mr" + italic + " }",
         "029802eb"},
        {"MathType space 0xEB03 is escaped", mtef5().line({ch(0xEB03, kSpaceFace)}), {}, "{\\mr" + italic + escape(60163) + "}",
         "029803eb"},
        {"version 2 space code 2", mtef2().line({ch(2, kSpaceFace)}), {}, "{\\mr" + italic + " }", "029802eb"},
        {"marker tab", mtef3().line({ch(9, kMarkerFace)}), {}, "{\\mr" + italic + "}", "02970900"},
        {"16-bit position", mtef5().line({ch(0x2192, kSymbolFace).at16(0x00AE)}), {}, "{\\mr" + italic + escape(8594) + "}",
         "02869221"},
        {"nudge kept in MTEF 3", mtef5().line({ch('a', kVariableFace).nudged(2, -1)}), {}, "{\\mr" + italic + "a}",
         "82827f836100"},
    };
}
// clang-format on

TEST(Characters, TranslateInBothFormats) {
    const std::vector<CharCase> cases = charCases();
    for (size_t row = 0; row < cases.size(); ++row) {
        const CharCase& c = cases[row];
        EXPECT_EQ(officeMathBody(c.equation, c.options), c.officeMath) << "row " << row << ": " << c.name;
        EXPECT_EQ(v3Line(c.equation, c.options), c.v3) << "row " << row << ": " << c.name;
    }
}

// Greek letters under an 8-bit position go into the document's Greek font as code-page 1253 bytes; a document that
// has no Greek font gets their Unicode escapes, so that no equation names a font the document lacks. Both the style
// typefaces and explicit fonts off the font path take this road.
TEST(Characters, GreekLettersFollowTheDocumentsFonts) {
    struct Fonts {
        const char* cambriaMathGreek;
        const char* greek;
    };
    const Fonts none = {"", ""};
    const Fonts cambria = {"\\f382", ""};
    const Fonts greekOnly = {"", "\\f40"};
    const std::string italic = "\\mscr0\\msty2\\i ";
    const std::string plain = "\\mscr0\\msty0 ";
    const auto alpha = [] { return ch(0x03B1, kLcGreekFace).at8(0x61); };
    const auto phis = [] {
        return mtef5().line({ch(0x03C6, kLcGreekFace).at8(0x6A), ch(0x03D5, kLcGreekFace).at8(0x67)});
    };
    struct GreekCase {
        const char* name;
        Fonts fonts;
        MtefEquation equation;
        std::string officeMath;
    };
    // clang-format off
    const GreekCase cases[] = {
        {"alpha, Cambria Math Greek", cambria, mtef5().line({alpha()}), "{\\mr" + italic + "\\f382\\'e1}"},
        {"alpha, a Greek font only", greekOnly, mtef5().line({alpha()}), "{\\mr" + italic + "\\f40\\'e1}"},
        {"alpha, no Greek font", none, mtef5().line({alpha()}), "{\\mr" + italic + escape(945) + "}"},
        {"capital gamma, no Greek font", none, mtef5().line({ch(0x0393, kUcGreekFace).at8(0x47)}),
         "{\\mr" + plain + escape(915) + "}"},
        {"capital gamma, Cambria Math Greek", cambria, mtef5().line({ch(0x0393, kUcGreekFace).at8(0x47)}),
         "{\\mr" + plain + "\\f382\\'c3}"},
        {"omega, no Greek font", none, mtef5().line({ch(0x03C9, kLcGreekFace).at8(0x77)}),
         "{\\mr" + italic + escape(969) + "}"},
        {"upsilon with hook becomes upsilon, no Greek font", none, mtef5().line({ch(0x03D2, kUcGreekFace).at8(0xA1)}),
         "{\\mr" + plain + escape(933) + "}"},
        {"upsilon with hook, Cambria Math Greek", cambria, mtef5().line({ch(0x03D2, kUcGreekFace).at8(0xA1)}),
         "{\\mr" + plain + "\\f382\\'d5}"},
        {"phi forms by position, Cambria Math Greek", cambria, phis(),
         "{\\mr" + italic + "\\f382\\'f6}{\\mr" + italic + "\\f382\\'f6}"},
        {"phi forms by position, no Greek font", none, phis(),
         "{\\mr" + italic + escape(966) + "}{\\mr" + italic + escape(966) + "}"},
        {"explicit Symbol font off the font path, no Greek font", none,
         mtef5().add(fontDef(0, "Symbol")).line({fontStyleDef(1, 0), ch(0x03B8, 1).at8(0x71)}),
         "{\\mr" + plain + escape(952) + "}"},
        {"explicit Symbol font off the font path, a Greek font", greekOnly,
         mtef5().add(fontDef(0, "Symbol")).line({fontStyleDef(1, 0), ch(0x03B8, 1).at8(0x71)}),
         "{\\mr" + plain + "\\f40\\'e8}"},
    };
    // clang-format on
    for (size_t row = 0; row < std::size(cases); ++row) {
        const GreekCase& c = cases[row];
        resetDocumentFonts();
        setCambriaMathGreekFont(c.fonts.cambriaMathGreek);
        setGreekFont(c.fonts.greek);
        EXPECT_EQ(officeMathBody(c.equation), c.officeMath) << "row " << row << ": " << c.name;
    }
    resetDocumentFonts();
}

// An embellishment flag without an EMBELL record after the character: the next record stays a record of the line.
TEST(Characters, EmbellishmentFlagWithoutListIsDropped) {
    MtefEquation equation = mtef5().line({ch('x', kVariableFace).withOptions(0x01), ch('y', kVariableFace)});
    EXPECT_EQ(officeMathBody(equation), "{\\mr\\mscr0\\msty2\\i x}{\\mr\\mscr0\\msty2\\i y}");
    EXPECT_EQ(v3Line(equation), "0283780002837900");
}

// clang-format off
TEST(Characters, ExplicitFontsGiveTheirScriptAndHighByte) {
    // FONT_DEF "Euclid Math One" (encoding 0: a text font), bound to typeface slot 1 by FONT_STYLE_DEF.
    auto equation = [] {
        return mtef5().add(fontDef(0, "Euclid Math One")).line({fontStyleDef(1, 0), ch('A', 1).at8('A')});
    };
    EXPECT_EQ(officeMathBody(equation()), "{\\mr\\mscr1\\msty0 A}");
    ConverterContext& context = converterContext();
    initConverterContext(context, ConversionSwitches{EquationFormat::EquationEditor3});
    (void)convertEquationObject(context, equation().nativeHex(), ObjectBareMtef);
    EXPECT_NE(context.equationNative.find("02014100"), std::string::npos) << context.equationNative;
    ConversionSwitches mathTypeFonts{EquationFormat::EquationEditor3};
    mathTypeFonts.allowMathTypeFonts = 1;
    initConverterContext(context, mathTypeFonts);
    (void)convertEquationObject(context, equation().nativeHex(), ObjectBareMtef);
    EXPECT_NE(context.equationNative.find("020141f7"), std::string::npos) << context.equationNative;
    // The slot's font becomes a FONT record: typeface byte 128 - 1, style 0, the name.
    EXPECT_NE(context.equationNative.find("087f00" "4575636c6964204d617468204f6e6500"), std::string::npos);
}
// clang-format on

// clang-format off
// A 16-bit font position above 255 has no one-byte form in MTEF 3: the character goes by its code instead.
TEST(Characters, WideFontPositionsFallBackToTheCode) {
    MtefEquation equation =
        mtef5().add(fontDef(0, "Arial")).line({fontStyleDef(1, 0), ch('q', 1).at16(0x1234), ch('r', 1).at16(0x52)});
    ConverterContext& context = converterContext();
    initConverterContext(context, ConversionSwitches{EquationFormat::EquationEditor3});
    (void)convertEquationObject(context, equation.nativeHex(), ObjectBareMtef);
    EXPECT_NE(context.equationNative.find("0201" "7100" "0201" "52f7"), std::string::npos) << context.equationNative;
    EXPECT_EQ(validateMtef3Stream(context.equationNative), "");
}
// clang-format on

// Where the plain character (a style typeface, an MTCode from 33 to 126, no position, version 3 or 5) ends and the
// other paths begin: every row must come out as the general translation writes it.
std::vector<CharCase> plainCharacterEdges() {
    const std::string italic = "\\mscr0\\msty2\\i ";
    const std::string plain = "\\mscr0\\msty0 ";
    return {
        {"first plain code, version 3",
         mtef3().line({ch('!', kVariableFace)}),
         {},
         "{\\mr" + italic + "!}",
         "02832100"},
        {"last plain code, version 5", mtef5().line({ch('~', kTextFace)}), {}, "{\\mr" + plain + "~}", "02817e00"},
        {"space: the control range", mtef5().line({ch(' ', kTextFace)}), {}, "{\\mr" + plain + " }", "02812000"},
        {"DEL: code page 1252",
         mtef5().line({ch(0x7f, kTextFace)}),
         {},
         "{\\mr" + plain + escape(127) + "}",
         "02817f00"},
        {"backslash escaped", mtef5().line({ch('\\', kVariableFace)}), {}, "{\\mr" + italic + "\\\\}", "02835c00"},
        {"opening brace escaped", mtef3().line({ch('{', kVariableFace)}), {}, "{\\mr" + italic + "\\{}", "02837b00"},
        {"closing brace escaped", mtef3().line({ch('}', kVariableFace)}), {}, "{\\mr" + italic + "\\}}", "02837d00"},
        {"plain low byte under a high byte",
         mtef5().line({ch(0x0141, kTextFace)}),
         {},
         "{\\mr" + plain + escape(321) + "}",
         "02814101"},
        {"typeface 128 is italic", mtef5().line({ch('a', 128)}), {}, "{\\mr" + italic + "a}", "02806100"},
        {"function part keeps its option in MTEF 3",
         mtef5().line({ch('s', kFunctionFace).withOptions(0x01)}),
         {},
         "{\\mr" + plain + "s}",
         "02827300"},
        {"version 4 goes by the font map",
         mtef4().line({ch('a', kVariableFace)}),
         {},
         "{\\mr" + italic + "a}",
         "02836100"},
        {"user 2 becomes vector in MTEF 3",
         mtef3().line({ch('w', kUser2Face)}),
         {},
         "{\\mr\\mscr0\\msty3\\b\\i w}",
         "02877700"},
        {"space typeface keeps its high byte rule",
         mtef5().line({ch('a', kSpaceFace)}),
         {},
         "{\\mr" + italic + "a}",
         "029861eb"},
    };
}

TEST(Characters, PlainCharacterEdges) {
    const std::vector<CharCase> cases = plainCharacterEdges();
    for (size_t row = 0; row < cases.size(); ++row) {
        const CharCase& c = cases[row];
        EXPECT_EQ(officeMathBody(c.equation, c.options), c.officeMath) << "row " << row << ": " << c.name;
        EXPECT_EQ(v3Line(c.equation, c.options), c.v3) << "row " << row << ": " << c.name;
    }
}

TEST(Characters, TablesAreSortedForLookup) {
    const char* failing = nullptr;
    EXPECT_TRUE(characterTablesAreSorted(failing)) << failing;
}
} // namespace
