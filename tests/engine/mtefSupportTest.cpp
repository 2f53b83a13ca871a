// The test support of the MTEF translation tests: the MTEF fixture builder (against hand-written bytes and bytes of
// real MathType and Equation Editor 3.x objects), the Office Math RTF checker and the MTEF version 3 stream validator.
#include "mtefBuilder.h"
#include "mtefV3Validator.h"
#include "officeMathChecker.h"

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <random>
#include <string>

using namespace testing_support;
using namespace testing_support::mtef;

namespace {
// The hex of one record as the equation's layout writes it, without the equation's header.
std::string recordHex(MtefEquation equation, const MtefRecord& record) {
    const size_t headerSize = MtefEquation(equation).unterminated().bytes().size();
    return toHex(equation.add(record).unterminated().bytes()).substr(headerSize * 2);
}

// Hex text with the blanks between its fields taken out.
std::string packed(std::string hex) {
    hex.erase(std::remove(hex.begin(), hex.end(), ' '), hex.end());
    return hex;
}

// An "Equation Native" stream around MTEF given as hex.
std::string native(const std::string& mtefHex) {
    return equationNativeHex(fromHex(packed(mtefHex)));
}

struct BuilderCase {
    const char* name;
    std::string built;
    std::string expected;
};

template <size_t N> void expectBuilt(const BuilderCase (&cases)[N]) {
    for (size_t row = 0; row < N; ++row)
        EXPECT_EQ(cases[row].built, packed(cases[row].expected)) << "row " << row << ": " << cases[row].name;
}

TEST(MtefBuilder, Headers) {
    const BuilderCase cases[] = {
        {"version 5: header, key, options, END", mtef5().hex(), "0501000600 44534d5436 00 00 00"},
        {"version 5 with another key and options", mtef5("DSMT4", 1).hex(), "0501000600 44534d5434 00 01 00"},
        {"version 4", mtef4().hex(), "040100030500"},
        {"version 3 as Equation Editor 3.x", mtef3().hex(), "030101030a00"},
        {"version 2", mtef2().hex(), "020100030000"},
        {"unterminated", mtef3().add(full()).unterminated().hex(), "030101030a0a"},
        {"line of x+1", mtef5().line({ch('x'), ch('+'), ch('1')}).hex(),
         "050100060044534d54360000 0100 0200837800 0200862b00 0200883100 00 00"},
        {"Equation Native header", equationNativeHex({0x0a, 0x0b}),
         "1c00 00000200 0000 02000000 00000000000000000000000000000000 0a0b"},
    };
    expectBuilt(cases);
}

TEST(MtefBuilder, Version5Records) {
    const MtefEquation v5 = mtef5();
    const MtefRecords sixNullLines(6, nullLine());
    const BuilderCase cases[] = {
        {"char", recordHex(v5, ch('x')), "0200837800"},
        {"char, short nudge", recordHex(v5, ch('x').nudged(3, -2)), "0208837e837800"},
        {"char, long nudge", recordHex(v5, ch('x').nudged(200, -300)), "02088080c800d4fe837800"},
        {"char, nudge with dx 0 stays short", recordHex(v5, ch('x').nudged(0, -2)), "0208807e837800"},
        {"char, zero nudge is long", recordHex(v5, ch('x').nudged(0, 0)), "0208 8080 0000 0000 83 7800"},
        {"char, 8-bit position", recordHex(v5, ch(0x03b1, kLcGreekFace).at8(0x61)), "020484b10361"},
        {"char, 16-bit position", recordHex(v5, ch(0x2102, kMtExtraFace).at16(0x01a3)), "02108b0221a301"},
        {"char without MTCode", recordHex(v5, ch('x').withOptions(0x20).at8(0x78)), "02248378"},
        {"char, two embellishments", recordHex(v5, ch('x').embellished(5).embellished(embell(2).nudged(1, 1))),
         "0201837800 060005 0608818102 00"},
        {"template, one-byte variation", recordHex(v5, tmpl(11, 0, {line({ch('1')}), line({ch('2')})})),
         "03000b0000 0100020088310000 0100020088320000 00"},
        {"template, two-byte variation", recordHex(v5, tmpl(15, 0x0131, {nullLine()})), "03000fb10100 0101 00"},
        {"template with nudge", recordHex(v5, tmpl(28, 0, {nullLine()}).nudged(-1, 2)), "03087f821c0000 0101 00"},
        {"pile", recordHex(v5, pile(2, 1, {line({ch('a')}), nullLine()})), "04000201 0100020083610000 0101 00"},
        {"pile with ruler", recordHex(v5, pile(1, 1, {}).ruled({{0, 0x0120}})), "04020101 01002001 00"},
        {"matrix 2x3, one partition byte each", recordHex(v5, matrix(2, 3, sixNullLines)),
         "0500 0000000203 00 00 010101010101010101010101 00"},
        {"matrix 4x4, two partition bytes each", recordHex(v5, matrix(4, 4, {}, {1, 2, 3, {}, {}})),
         "0500 0102030404 0000 0000 00"},
        {"matrix with its partitions", recordHex(v5, matrix(1, 1, {nullLine()}, {0, 0, 0, {0x05}, {0x05}})),
         "0500 0000000101 05 05 0101 00"},
        {"line with spacing and ruler", recordHex(v5, line({}).spaced(300).ruled({{1, 100}})), "01062c01 01016400 00"},
        {"null line with nudge", recordHex(v5, nullLine().nudged(1, 1)), "01098181"},
        {"ruler", recordHex(v5, ruler({{0, 0x0120}, {2, -1}})), "0702 002001 02ffff"},
        {"font style definition", recordHex(v5, fontStyleDef(1, 2)), "080102"},
        {"size 101", recordHex(v5, size(101, {0x10, 0x00})), "09651000"},
        {"type sizes",
         recordHex(v5, full()) + recordHex(v5, sub()) + recordHex(v5, sub2()) + recordHex(v5, sym()) +
             recordHex(v5, subsym()),
         "0a0b0c0d0e"},
        {"colour", recordHex(v5, color(3)), "0f03"},
        {"colour above 254", recordHex(v5, color(300)), "0fff2c01"},
        {"colour definition, RGB", recordHex(v5, colorDef({0xffff, 0, 0})), "1000ffff00000000"},
        {"colour definition, CMYK spot with name", recordHex(v5, colorDef({1, 2, 3, 4}, "Red", true)),
         "1007 0100020003000400 52656400"},
        {"font definition", recordHex(v5, fontDef(5, "Cambria")), "1105 43616d6272696100"},
        {"equation preferences", recordHex(v5, eqnPrefs({"12pt", "150%"}, {"0.5in"}, {{1, 0}, {0, 0}, {2, 3}})),
         "1200 02212f4150f0 0100a5f0 03 0100 00 0203"},
        {"encoding definition", recordHex(v5, encodingDef("WinANSI")), "13 57696e414e534900"},
        {"future record", recordHex(v5, futureRecord(100, {1, 2, 3})), "6403010203"},
        {"future record 255, long", recordHex(v5, futureRecord(255, MtefBytes(300, 0xaa))).substr(0, 16),
         "ff0000ff2c01aaaa"},
        {"raw bytes and END", recordHex(v5, raw({0x2a, 0x00})) + recordHex(v5, endRecord()), "2a0000"},
    };
    expectBuilt(cases);
}

TEST(MtefBuilder, NibbleLayoutRecords) {
    const MtefEquation v3 = mtef3();
    const BuilderCase cases[] = {
        {"char", recordHex(v3, ch('x')), "02837800"},
        {"char with nudge", recordHex(v3, ch('x').nudged(3, -2)), "82837e837800"},
        {"char of a function name", recordHex(v3, ch('x').withOptions(1)), "12837800"},
        {"char, 8-bit position", recordHex(v3, ch(0x03b1, kLcGreekFace).at8(0x61)), "4284b10361"},
        {"char, embellishment closed by its own END", recordHex(v3, ch('x').embellished(5)), "22837800 060500 00"},
        {"char, nudged embellishment", recordHex(v3, ch('x').embellished(embell(8).nudged(1, 1))),
         "22837800 8681810800 00"},
        {"version 2 char: one byte", recordHex(mtef2(), ch('x')), "028378"},
        {"version 4 char: one byte", recordHex(mtef4(), ch('x')), "028378"},
        {"version 2 embellishment: list END only", recordHex(mtef2(), ch('x').embellished(5)), "228378 0605 00"},
        {"version 2 char, 8-bit position", recordHex(mtef2(), ch('a').at8(0x61)), "4283610061"},
        {"template", recordHex(v3, tmpl(14, 0, {line({ch('1')}), line({ch('2')})})),
         "030e0000 010288310000 010288320000 00"},
        {"template with nudge", recordHex(v3, tmpl(14, 1, {}).nudged(1, 1)), "838181 0e0100 00"},
        {"pile with nudge", recordHex(v3, pile(1, 1, {nullLine()}).nudged(1, 1)), "848181 0101 11 00"},
        {"matrix 1x1", recordHex(v3, matrix(1, 1, {nullLine()})), "05 0000000101 00 00 11 00"},
        {"matrix with nudge", recordHex(v3, matrix(0, 0, {}).nudged(1, 1)), "858181 0000000000 00 00 00"},
        {"null line", recordHex(v3, nullLine()), "11"},
        {"line with nudge", recordHex(v3, line({}).nudged(1, 1)), "818181 00"},
        {"line with spacing", recordHex(v3, line({}).spaced(300)), "412c01 00"},
        {"line with ruler", recordHex(v3, line({}).ruled({{1, 100}})), "21 01016400 00"},
        {"font", recordHex(v3, font(0x7f, 0, "Euclid Extra")), "087f00 4575636c696420457874726100"},
        {"size 100", recordHex(v3, size(100, {1, 2, 3})), "0964010203"},
    };
    expectBuilt(cases);
}

// Fixtures written with the builder give the bytes of the real objects in tests/data/mtef-objects.
TEST(MtefBuilder, RealObjects) {
    const BuilderCase cases[] = {
        {"mathtype3/ceil.bin",
         mtef3()
             .add(full())
             .line({tmpl(7, 0, {line({}), ch(0xf8ee, kExpandingFace), ch(0xf8f9, kExpandingFace)})})
             .hex(),
         "030101030a0a010307000001000296eef80296f9f8000000"},
        {"mathtype3/sigma_subsup.bin",
         mtef3()
             .add(full())
             .line({ch(0x03b4, kLcGreekFace),
                    tmpl(15, 2, {sub(), line({ch('j').withOptions(1)}), line({ch('*', kFunctionFace)})})})
             .hex(),
         "030101030a0a010284b403030f02000b0112836a00000102822a0000000000"},
        {"mathtype3/lim_embell.bin, an embellished character",
         recordHex(mtef3(), ch('x').withOptions(1).embellished(8)), "3283780006080000"},
        {"mathtype5/equation1.bin, a subscript", recordHex(mtef5(), tmpl(27, 0, {sub(), line({ch('r')}), nullLine()})),
         "03001b00000b0100020083720000010100"},
        {"mathtype5/equation1.bin, a character with its position", recordHex(mtef5(), ch('=').at8(0x3d)),
         "0204863d003d"},
        {"mathtype5/embellishments.bin, a prime", recordHex(mtef5(), ch('a').embellished(5)), "020183610006000500"},
        {"mathtype5/equation1.bin, the sizes of the preferences",
         recordHex(mtef5(), eqnPrefs({"12pt", "58%", "42%", "150%", "100%", "75%", "150%", "1pt"}, {}, {})),
         "1200 08212f458f442f4150f4100f475f4150f21f 00 00"},
        {"mathtype5/equation1.bin, a future record", recordHex(mtef5(), futureRecord(100, {0, 0, 0})), "6403000000"},
    };
    expectBuilt(cases);
}

TEST(MtefBuilder, ReportsWhatTheLayoutCannotHold) {
    EXPECT_NONFATAL_FAILURE(mtef2().line({ch(0x03b1, kLcGreekFace)}).bytes(), "needs two bytes");
    EXPECT_NONFATAL_FAILURE(mtef3().line({ch('x').at16(0x100)}).bytes(), "do not fit");
    EXPECT_NONFATAL_FAILURE(mtef3().add(tmpl(15, 0x100, {})).bytes(), "needs two bytes");
    EXPECT_NONFATAL_FAILURE(mtef5().add(tmpl(15, 0x0180, {})).bytes(), "bit 7");
    EXPECT_NONFATAL_FAILURE(eqnPrefs({"12px"}, {}, {}), "no unit");
    EXPECT_NONFATAL_FAILURE(fromHex("0a0"), "odd length");
}

TEST(OfficeMathChecker, VocabularyIsSortedAndUnique) {
    for (size_t i = 0; i < std::size(kOfficeMathWords); ++i) {
        const std::string_view name = kOfficeMathWords[i].name;
        EXPECT_TRUE(!name.empty() && name.size() <= 32) << "row " << i;
        EXPECT_TRUE(std::all_of(name.begin(), name.end(), [](char c) { return std::isalpha((unsigned char)c); }))
            << "row " << i << ": " << name;
        if (i > 0) {
            EXPECT_LT(kOfficeMathWords[i - 1].name, name) << "row " << i;
        }
    }
}

struct CheckerCase {
    const char* name;
    std::string text;
    OfficeMathStatus status;
    size_t offset;
};

TEST(OfficeMathChecker, AcceptsAndRejects) {
    using S = OfficeMathStatus;
    const std::string wrapper = "{\\dn0\\mmath{\\*\\moMathPara {\\*\\moMath {\\mr\\mscr0\\msty2\\i x}}}\r\n"
                                "{\\mmathPict}}\r\n";
    const CheckerCase cases[] = {
        {"whole object", wrapper, S::Ok, 0},
        {"fraction", "{\\mf{\\mfPr{\\mtype }}{\\mnum {\\mr 1}}{\\mden {\\mr 2}}}", S::Ok, 0},
        {"accent with hex fallback", "{\\macc{\\maccPr{\\mchr {\\uc1\\u775\\'3f}}}{\\me {\\mr x}}}", S::Ok, 0},
        {"prime with a plain fallback", "{\\mr x{\\uc1\\u39 '\\u39 '}}", S::Ok, 0},
        {"arrow fallback after the blank", "{\\mchr {\\uc1\\u8594 >}}", S::Ok, 0},
        {"escape above 32767", "{\\uc1\\u63726\\'3f}", S::Ok, 0},
        {"negative escape", "{\\uc1\\u-3810\\'3f}", S::Ok, 0},
        {"escaped braces and backslash do not count", "{\\mr \\{\\}\\\\}", S::Ok, 0},
        {"brace fences", "{\\md{\\mdPr{\\mbegChr \\'7b}{\\mendChr \\'7d}}{\\me {\\mr x}}}", S::Ok, 0},
        {"SYMBOL field", "{\\field{\\*\\fldinst SYMBOL 104 \\\\f \"Euclid Extra\"}{\\fldrslt }}", S::Ok, 0},
        {"toggle off and Greek font", "{\\mr\\mscr0\\msty0 \\i0{\\uc1\\u8711\\'3f}\\f382\\'e1}", S::Ok, 0},
        {"bold and n-ary placeholder", "{\\mr\\mscr0\\msty1\\b x}{\\me \\zwnbo}", S::Ok, 0},
        {"other control symbols", "{\\mr a\\~b\\-c\\_d}", S::Ok, 0},
        {"stray close brace", "{\\mr x}}", S::StrayCloseBrace, 7},
        {"unclosed group: the innermost open brace", "{\\mr {x}{y", S::UnclosedGroup, 8},
        {"start marker", "{\\mr x\x01}", S::MarkerByte, 6},
        {"end marker", std::string("{\\mr x}\x02", 8), S::MarkerByte, 7},
        {"unknown word", "{\\mfoo x}", S::UnknownWord, 1},
        {"Office Math word the engine does not write", "{\\mfunc x}", S::UnknownWord, 1},
        {"letters run into the word", "{\\mrx}", S::UnknownWord, 1},
        {"word too long", "{\\m" + std::string(32, 'a') + "}", S::WordTooLong, 1},
        {"script without number", "{\\mr\\mscr\\msty2 x}", S::MissingParameter, 4},
        {"font without number", "{\\f x}", S::MissingParameter, 1},
        {"math word with a number", "{\\mr5 x}", S::UnexpectedParameter, 1},
        {"escape out of range", "{\\u70000\\'3f}", S::ParameterRange, 1},
        {"escape below -32768", "{\\u-40000\\'3f}", S::ParameterRange, 1},
        {"escape without fallback before a brace", "{\\uc1\\u8747}", S::MissingFallback, 5},
        {"escape without fallback before a word", "{\\uc1\\u8747\\mr}", S::MissingFallback, 5},
        {"escape without fallback before a line end", "{\\uc1\\u8747\r\n}", S::MissingFallback, 5},
        {"escape without fallback at the end", "\\u8747 ", S::MissingFallback, 0},
        {"hex escape of one digit", "{\\'3}", S::BadHexEscape, 1},
        {"hex escape of non-hex", "{\\'zz}", S::BadHexEscape, 1},
        {"unknown control symbol", "{\\|}", S::UnknownSymbol, 1},
        {"star not opening a group", "{x\\*\\mmath}", S::StarNotAfterBrace, 2},
        {"backslash at the end", "{}\\", S::BackslashAtEnd, 2},
        // The parts of a structure in the schema's order: readers take them by position.
        {"radical: degree, then radicand", "{\\mrad{\\mradPr{\\mdegHide on}}{\\mdeg }{\\me {\\mr x}}}", S::Ok, 0},
        {"radical: radicand before degree", "{\\mrad{\\mradPr }{\\me {\\mr x}}{\\mdeg {\\mr 3}}}", S::PartOutOfOrder,
         29},
        {"n-ary: limits, then operand",
         "{\\mnary{\\mnaryPr{\\mchr {\\uc1\\u8721\\'3f}}{\\mlimLoc undOvr}{\\msupHide on}{\\mctrlPr }}"
         "{\\msub {\\mr i}}{\\msup }{\\me {\\mr x}}}",
         S::Ok, 0},
        {"n-ary: operand before limits", "{\\mnary{\\mnaryPr }{\\me {\\mr x}}{\\msub {\\mr i}}{\\msup {\\mr n}}}",
         S::PartOutOfOrder, 31},
        {"n-ary: upper limit before lower", "{\\mnary{\\mnaryPr }{\\msup {\\mr n}}{\\msub {\\mr i}}{\\me {\\mr x}}}",
         S::PartOutOfOrder, 33},
        {"n-ary properties: control properties first", "{\\mnary{\\mnaryPr{\\mctrlPr }{\\mchr x}}}", S::PartOutOfOrder,
         27},
        {"n-ary properties: hidden limit before the location",
         "{\\mnary{\\mnaryPr{\\mchr x}{\\msubHide on}{\\mlimLoc subSup}}}", S::PartOutOfOrder, 39},
        {"pre-scripts: scripts, then base", "{\\msPre{\\msPrePr}{\\msub {\\mr 1}}{\\msup {\\mr 2}}{\\me {\\mr x}}}",
         S::Ok, 0},
        {"pre-scripts: base first", "{\\msPre{\\msPrePr}{\\me  }{\\msub {\\mr 1}}{\\msup {\\mr 2}}}", S::PartOutOfOrder,
         24},
        {"properties after a part", "{\\mf{\\mnum {\\mr 1}}{\\mfPr }{\\mden {\\mr 2}}}", S::PartOutOfOrder, 19},
        {"script: base, then script", "{\\msSubSup{\\msSubSupPr }{\\me {\\mr x}}{\\msub {\\mr 1}}{\\msup {\\mr 2}}}",
         S::Ok, 0},
        {"script: superscript before subscript",
         "{\\msSubSup{\\msSubSupPr }{\\me {\\mr x}}{\\msup {\\mr 2}}{\\msub {\\mr 1}}}", S::PartOutOfOrder, 52},
        {"delimiter: repeated parts", "{\\md{\\mdPr }{\\me {\\mr x}}{\\me {\\mr y}}}", S::Ok, 0},
        {"a part another structure holds", "{\\mf{\\mfPr }{\\mnum {\\mr 1}}{\\mlim {\\mr 2}}}", S::UnexpectedPart, 27},
        {"unnamed groups inside a part are not parts", "{\\mrad{\\mradPr }{\\mdeg }{\\me {{\\mr x}}{\\mr y}}}", S::Ok,
         0},
        // Text stands in runs, or as a property's value; runs do not nest.
        {"blanks outside runs", "{\\mf{\\mfPr }{\\mnum  }{\\mden \\zwnbo}}\r\n", S::Ok, 0},
        {"text in a run's unnamed group", "{\\mr x{\\uc1\\u39 '}}", S::Ok, 0},
        {"character in a part", "{\\mf{\\mfPr }{\\mnum {\\mr 1}}{\\mden )}}", S::TextOutsideRun, 34},
        {"character in a structure", "{\\msPre{\\msPrePr}`{\\msub }}", S::TextOutsideRun, 17},
        {"escape in an unnamed group of a part", "{\\msSup{\\msSupPr}{\\me {\\uc1\\u39 '}}}", S::TextOutsideRun, 27},
        {"hex escape in a part", "{\\md{\\mdPr }{\\me \\'e1}}", S::TextOutsideRun, 17},
        {"run inside a run", "{\\mr x{\\mr\\mscr0\\msty2\\i {\\uc1\\u39 '}}}", S::RunInsideRun, 6},
        {"run inside a run's unnamed group", "{\\mr x{{\\mr y}}}", S::RunInsideRun, 7},
    };
    for (size_t row = 0; row < std::size(cases); ++row) {
        const CheckerCase& c = cases[row];
        const OfficeMathCheck check = checkOfficeMath(c.text);
        EXPECT_EQ(check.status, c.status)
            << "row " << row << ": " << c.name << " (" << checkOfficeMathRtf(c.text) << ")";
        if (c.status != S::Ok) {
            EXPECT_EQ(check.offset, c.offset) << "row " << row << ": " << c.name;
        }
        EXPECT_EQ(checkOfficeMathRtf(c.text).empty(), c.status == S::Ok) << "row " << row << ": " << c.name;
    }
    EXPECT_EQ(checkOfficeMathRtf("{\\mfoo}"), "offset 1: control word the engine does not write: \\mfoo");
}

TEST(OfficeMathChecker, PartOrderTableIsSortedAndUnique) {
    const auto& orders = testing_support::kOfficeMathPartOrders;
    for (size_t row = 1; row < std::size(orders); ++row)
        EXPECT_LT(orders[row - 1].structure, orders[row].structure) << "row " << row;
}

struct ValidatorCase {
    const char* name;
    std::string hex;
    Mtef3Status status;
    size_t offset;
};

std::string repeated(const std::string& text, int times) {
    std::string result;
    for (int i = 0; i < times; ++i)
        result += text;
    return result;
}

std::string withByte(std::string hex, size_t byteIndex, const char* byteHex) {
    return hex.replace(byteIndex * 2, 2, byteHex);
}

TEST(MtefV3Validator, AcceptsAndRejects) {
    using S = Mtef3Status;
    const std::string good = native("030101030a0a010000");
    std::string upper = good;
    std::transform(upper.begin(), upper.end(), upper.begin(), [](char c) { return char(std::toupper(c)); });
    const ValidatorCase cases[] = {
        {"empty equation", native("030101030a00"), S::Ok, 0},
        {"empty line", good, S::Ok, 0},
        {"upper-case hex", upper, S::Ok, 0},
        {"mathtype3/ceil.bin", native("030101030a0a010307000001000296eef80296f9f8000000"), S::Ok, 0},
        {"mathtype3/sigma_subsup.bin", native("030101030a0a010284b403030f02000b0112836a00000102822a0000000000"), S::Ok,
         0},
        {"dot under as a limit template", native("030101030a0a01 03270100 010283780000 0b 0102822e0000 0a 11 00 0000"),
         S::Ok, 0},
        {"box as a matrix", native("030101030a0a01 050101010101 0505 0102837800 00 00 00 00"), S::Ok, 0},
        {"pile in a line in a template", native("030101030a01 030b0000 01 040101 0102837800 00 00 00 00 00 00"), S::Ok,
         0},
        {"size records", native("030101030a 0964000000 09650000 090c00 0b0c0d0e 0100 00"), S::Ok, 0},
        {"font record", native("030101030a 087f004575636c696420457874726100 0100 00"), S::Ok, 0},
        {"short and long nudges", native("030101030a01 82837e837800 82807e837800 928080c8000000837800 00 00"), S::Ok,
         0},
        {"two embellishments", native("030101030a01 22837800 060500 8681810800 00 00 00"), S::Ok, 0},
        {"pile with nudge", native("030101030a 848181 0101 010283780000 11 00 00"), S::Ok, 0},
        {"matrix 4x1: two bytes of row partitions", native("030101030a05 0000000401 000000 11111111 00 00"), S::Ok, 0},
        {"matrix 0x0: one partition byte each", native("030101030a05 0000000000 0000 00 00"), S::Ok, 0},
        {"matrix with option bits that announce nothing", native("030101030a01 75 0000000101 0000 11 00 00 00"), S::Ok,
         0},
        {"ruler record", native("030101030a 0702000100010200 00"), S::Ok, 0},
        {"odd hex length", good.substr(0, good.size() - 1), S::BadHexText, 36},
        {"not hex", good.substr(0, 60) + "g" + good.substr(61), S::BadHexText, 30},
        {"short header", "1c00000002", S::ShortHeader, 5},
        {"header length", withByte(good, 0, "1d"), S::HeaderLength, 0},
        {"header version", withByte(good, 4, "03"), S::HeaderVersion, 2},
        {"cbObject", withByte(good, 8, "0a"), S::ObjectSize, 8},
        {"MTEF version 5", native("050101030a00"), S::MtefHeader, 28},
        {"Equation Editor 3.0 subversion 1", native("03010103010a010000"), S::MtefHeader, 32},
        {"MTEF header cut", native("0301"), S::Truncated, 30},
        {"no final END", native("030101030a0a0100"), S::Truncated, 36},
        {"byte after the final END", native("030101030a0000"), S::TrailingBytes, 34},
        {"tag 15", native("030101030a0f00"), S::UnknownTag, 33},
        {"line spacing option", native("030101030a412c0100"), S::UnexpectedOptions, 33},
        {"type size with options", native("030101030a1a00"), S::UnexpectedOptions, 33},
        {"END with options", native("030101030a10"), S::UnexpectedOptions, 33},
        {"char with 8-bit position", native("030101030a014283780078000000"), S::UnexpectedOptions, 34},
        {"char cut", native("030101030a01028378"), S::Truncated, 37},
        {"long nudge cut", native("030101030a0182808005"), S::Truncated, 38},
        {"font name without zero", native("030101030a0801004142"), S::Truncated, 38},
        {"size 100 cut", native("030101030a09640102"), S::Truncated, 37},
        {"template cut", native("030101030a030e00"), S::Truncated, 36},
        {"char in an embellishment list", native("030101030a0122837800 02837800 000000"), S::EmbellListRecord, 38},
        {"embellishment without its END", native("030101030a0122837800 0605 0000"), S::Truncated, 42},
        {"matrix 2x2 closed after 3 cells", native("030101030a05 0000000202 0000 111111 00 00"), S::MatrixCells, 44},
        {"matrix 1x1 with 2 cells", native("030101030a05 0000000101 0000 1111 00 00"), S::MatrixCells, 42},
        {"nesting too deep", native("030101030a" + repeated("04010101", 150) + repeated("0000", 150) + "00"),
         S::TooDeep, 548},
        // MTEF 3's shape: a template's slots and a matrix's cells are lines, and a line holds no line.
        {"pile as a template slot", native("030101030a01 030b0000 040101 0102837800 00 00 00 00 00"), S::SlotNotLine,
         38},
        {"template as a template slot", native("030101030a01 030b0000 030e0000 1111 00 00 00 00"), S::SlotNotLine, 38},
        {"pile as a matrix cell", native("030101030a01 05 0000000101 0000 040101 0102837800 00 00 00 00 00"),
         S::SlotNotLine, 42},
        {"size record before a pile cell", native("030101030a01 05 0000000101 0000 0b 040101 11 00 00 00 00"),
         S::SlotNotLine, 43},
        {"line in a line", native("030101030a01 02837800 0102837900 00 00 00"), S::LineInLine, 38},
        {"null line in a line", native("030101030a01 11 00 00"), S::LineInLine, 34},
        {"template character after its slots", native("030101030a01 03150000 0102837800 00 11 11 02862b22 00 00 00"),
         S::Ok, 0},
        // Equation Editor pairs a template's slots with its lines and takes the records after them for its
        // characters: as many lines as the selector has slots, no more characters than it has.
        {"fraction with one slot line", native("030101030a01 030e0000 0102837900 00 00 00 00"), S::SlotLines, 34},
        {"fraction with three slot lines", native("030101030a01 030e0000 11 11 11 00 00 00"), S::SlotLines, 34},
        {"integral with two signs where one belongs",
         native("030101030a01 03150000 11 11 11 02862b22 02862b22 00 00 00"), S::TemplateCharacters, 45},
        {"character in a fraction", native("030101030a01 030e0000 11 11 02837800 00 00 00"), S::TemplateCharacters, 40},
        {"selector 49", native("030101030a01 03310000 11 00 00 00"), S::UnknownSelector, 35},
        {"nudged template with selector 49", native("030101030a01 838181310000 11 00 00 00"), S::UnknownSelector, 37},
        {"sum after a size record, as Equation Editor writes it",
         native("030101030a01 031d0100 0102836600 00 0102836b00 00 0102836e00 00 0d 02861122 00 00 00"), S::Ok, 0},
        {"fence with both characters", native("030101030a01 03010000 0102837800 00 02862800 02862900 00 00 00"), S::Ok,
         0},
        // The sign of an integral-style or sum-style operator is a line of its own holding one character, as MathType
        // writes it; the engine writes double arrows and harpoons so.
        {"double arrow as a sum-style operator",
         native("030101030a01 032b020011 0b 0102883200 00 0b 0102837800 00 0d 01028bc421 0a 00 00 00 00"), S::Ok, 0},
        {"harpoons as a sum-style operator",
         native("030101030a01 032b000011 0b 11 0102837800 00 0e 01028bcc21 0a 00 00 00 00"), S::Ok, 0},
        {"sum-style operator with a null sign line", native("030101030a01 032b0000 11 11 11 11 00 00 00"), S::Ok, 0},
        {"sum-style operator without its sign line", native("030101030a01 032b0000 11 11 11 00 00 00"), S::SlotLines,
         34},
        {"sum-style operator whose sign is a bare character",
         native("030101030a01 032b0000 11 11 11 02861122 00 00 00"), S::TemplateCharacters, 41},
        {"sum-style operator whose sign line holds two characters",
         native("030101030a01 032b0000 11 11 11 01 02861122 02861122 00 00 00 00"), S::OperatorSign, 46},
        {"integral-style operator whose sign line holds a fraction",
         native("030101030a01 032a0000 11 11 11 01 030e0000 11 11 00 00 00 00 00"), S::OperatorSign, 42},
    };
    for (size_t row = 0; row < std::size(cases); ++row) {
        const ValidatorCase& c = cases[row];
        const Mtef3Check check = checkMtef3Stream(c.hex);
        EXPECT_EQ(check.status, c.status)
            << "row " << row << ": " << c.name << " (" << validateMtef3Stream(c.hex) << ")";
        if (c.status != S::Ok) {
            EXPECT_EQ(check.offset, c.offset) << "row " << row << ": " << c.name;
        }
        EXPECT_EQ(validateMtef3Stream(c.hex).empty(), c.status == S::Ok) << "row " << row << ": " << c.name;
    }
    EXPECT_EQ(validateMtef3Stream(native("030101030a0000")), "byte 34: bytes after the final END");
}

// Version 3 fixtures from the builder are valid streams; every shorter list of records (header recomputed) is cut
// off; bit flips never crash the validator.
TEST(MtefV3Validator, BuilderFixturesAndDamagedCopies) {
    const MtefEquation equations[] = {
        mtef3().add(full()).line({ch('x'), ch('+'), ch('1')}),
        mtef3().add(font(0x7f, 0, "Euclid Extra")).add(full()).line({tmpl(14, 0, {line({ch('1')}), line({ch('2')})})}),
        mtef3().line({ch('x'), tmpl(15, 2, {sub(), line({ch('i')}), line({ch('2')}), size(100, {1, 2, 3})})}),
        mtef3().line({matrix(2, 2, {line({ch('a')}), nullLine(), line({ch('b')}), nullLine()}).nudged(2, 2)}),
        mtef3().line({pile(1, 1, {line({ch('a').nudged(500, 0)}), nullLine()}).nudged(-1, -1)}),
        mtef3().line({ch('x').embellished(5).embellished(embell(2).nudged(1, 1))}),
    };
    std::mt19937 random(7);
    for (size_t row = 0; row < std::size(equations); ++row) {
        const MtefBytes bytes = equations[row].bytes();
        EXPECT_EQ(validateMtef3Stream(equationNativeHex(bytes)), "") << "row " << row;
        for (size_t cut = 0; cut < bytes.size(); ++cut) {
            const MtefBytes prefix(bytes.begin(), bytes.begin() + long(cut));
            EXPECT_EQ(checkMtef3Stream(equationNativeHex(prefix)).status, Mtef3Status::Truncated)
                << "row " << row << " cut at " << cut;
        }
        for (int round = 0; round < 200; ++round) {
            MtefBytes damaged = bytes;
            damaged[random() % damaged.size()] ^= uint8_t(1u << (random() % 8));
            const Mtef3Check check = checkMtef3Stream(equationNativeHex(damaged));
            EXPECT_NE(check.status, Mtef3Status::NotChecked) << "row " << row;
            EXPECT_LE(check.offset, damaged.size() + 28) << "row " << row;
        }
    }
}
} // namespace
