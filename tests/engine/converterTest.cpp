// The converter context and the structural and definition records, in both target formats. Fixtures are bare MTEF
// objects written as spaced hex bytes, so that each reads record by record.
#include "mtef/converterContext.h"
#include "mtef/mtefDispatcher.h"
#include "mtefV3Validator.h"
#include "objects/equationObjectConversion.h"
#include "officeMathChecker.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>

namespace {
// A bare MTEF object as the RTF pass hands it over: 28 header bytes (here zero) in front of the MTEF bytes.
std::string bareObject(const std::string& spacedHex) {
    std::string hex(56, '0');
    for (char c : spacedHex) {
        if (c != ' ')
            hex += c;
    }
    return hex;
}

struct Conversion {
    std::string officeMath;     // format 1 result
    std::string equationNative; // format 0: the assembled stream (hex), empty when none
};

Conversion convert(const std::string& spacedHex, int allowMathTypeFonts = 0) {
    Conversion result;
    ConverterContext& context = converterContext();
    ConversionSwitches switches;
    switches.allowMathTypeFonts = allowMathTypeFonts;
    initConverterContext(context, switches);
    result.officeMath = convertEquationObject(context, bareObject(spacedHex), ObjectBareMtef);
    switches.format = EquationFormat::EquationEditor3;
    initConverterContext(context, switches);
    const std::string& objdata = convertEquationObject(context, bareObject(spacedHex), ObjectBareMtef);
#ifdef _WIN32
    EXPECT_TRUE(objdata.empty()); // no Equation Editor 3.x server here to build the object
#else
    EXPECT_EQ(objdata.empty(), context.equationNative.empty()); // the engine builds the object from the stream
#endif
    result.equationNative = context.equationNative;
    // Whatever converts must be sound output of its format.
    if (!result.officeMath.empty()) {
        EXPECT_EQ(testing_support::checkOfficeMathRtf(result.officeMath), "") << spacedHex;
    }
    if (!result.equationNative.empty()) {
        EXPECT_EQ(testing_support::validateMtef3Stream(result.equationNative), "") << spacedHex;
    }
    return result;
}

// The MTEF part of an assembled stream: behind the 28-byte header, the 5-byte MTEF header and the FULL record.
std::string mtefBody(const std::string& equationNative) {
    return equationNative.size() < 68 ? std::string("<short>") : equationNative.substr(68);
}

std::string officeMath(const std::string& body) {
    return "{\\dn0\\mmath{\\*\\moMathPara {\\*\\moMath " + body + "}}\r\n{\\mmathPict}}\r\n";
}

const std::string kPileHead = "{\\mm {\\mmPr{\\mplcHide on}{\\mmcs{\\mmc{\\mmcPr";

struct ConversionCase {
    const char* name;
    std::string mtef;
    std::string officeMathBody; // "-" when the object stays unconverted in format 1
    std::string v3Body;         // the MTEF after the FULL record, END included; "-" when unconverted in format 0
};

// clang-format off
const ConversionCase kCases[] = {
    {"version 1 is refused", "01 01 01 03 0a 01 00", "-", "-"},
    {"version 6 is refused", "06 01 01 03 0a 01 00", "-", "-"},
    {"shorter than both headers", "03 01 01 03", "-", "-"},
    {"empty line: no Office Math text", "03 01 01 03 0a 01 00", "-", "0100" "00"},
    {"top-level size record copied before the line", "03 01 01 03 0a 0a 01 00", "-", "0a0100" "00"},
    {"null line", "03 01 01 03 0a 11", "-", "11" "00"},
    {"line with nudge", "03 01 01 03 0a 81 82 7e 00", "-", "81827e00" "00"},
    {"line with long nudge", "03 01 01 03 0a 81 80 80 01 00 ff ff 00", "-", "81808001 00ffff00" "00"},
    {"line spacing and ruler are dropped", "03 01 01 03 0a 61 20 00 01 00 10 00 00", "-", "0100" "00"},
    {"pile of three lines aligned right",
     "03 01 01 03 0a 04 03 01 01 00 01 00 01 00 00",
     kPileHead + "{\\mcount 1}{\\mmcJc right}}}}}{\\mmr {\\me }}{\\mmr {\\me }}{\\mmr {\\me }}}", "04030101000100010000" "00"},
    {"pile centred, with nudge", "03 01 01 03 0a 84 81 7f 02 00 01 00 00",
     kPileHead + "{\\mcount 1}{\\mmcJc center}}}}}{\\mmr {\\me }}}", "84817f0200010000" "00"},
    {"2 x 3 matrix: one partition byte each",
     "03 01 01 03 0a 05 00 02 00 02 03 00 00 01 00 01 00 01 00 01 00 01 00 01 00 00",
     kPileHead + "{\\mcount 3}{\\mmcJc center}}}}}{\\mmr {\\me }{\\me }{\\me }}{\\mmr {\\me }{\\me }{\\me }}}",
     "050002000203000001000100010001000100010000" "00"},
    {"4 x 4 matrix: two partition bytes each",
     "03 01 01 03 0a 05 00 01 00 04 04 00 00 00 00" + [] {
         std::string cells;
         for (int i = 0; i < 16; ++i)
             cells += " 01 00";
         return cells;
     }() + " 00",
     kPileHead + "{\\mcount 4}{\\mmcJc left}}}}}" + [] {
         std::string rows;
         for (int r = 0; r < 4; ++r)
             rows += "{\\mmr {\\me }{\\me }{\\me }{\\me }}";
         return rows;
     }() + "}",
     "0500010004040000 0000" + [] {
         std::string cells;
         for (int i = 0; i < 16; ++i)
             cells += "0100";
         return cells;
     }() + "00" "00"},
    {"matrix with nudge in version 5 writes 0x85",
     "05 01 01 06 00 00 00 01 00 05 08 81 7f 00 03 00 01 01 00 00 01 00 00 00 00",
     kPileHead + "{\\mcount 1}{\\mmcJc right}}}}}{\\mmr {\\me }}}", "-"},
    // The tag byte keeps the options in its high digit; its nudge bit only when nudge bytes follow, which is for
    // options of exactly 8.
    {"matrix options 3 in a line write 0x35",
     "03 01 01 03 0a 01 35 00 00 00 01 01 00 00 11 00 00",
     kPileHead + "{\\mcount 1}{\\mmcJc left}}}}}{\\mmr {\\me }}}", "01 35 0000000101 0000 11 00 00" "00"},
    {"matrix with nudge in a line writes 0x85 and the nudge",
     "03 01 01 03 0a 01 85 81 7f 00 00 00 01 01 00 00 11 00 00",
     kPileHead + "{\\mcount 1}{\\mmcJc left}}}}}{\\mmr {\\me }}}", "01 85 817f 0000000101 0000 11 00 00" "00"},
    {"matrix options 9 read no nudge and write 0x15",
     "03 01 01 03 0a 01 95 00 00 00 01 01 00 00 11 00 00",
     kPileHead + "{\\mcount 1}{\\mmcJc left}}}}}{\\mmr {\\me }}}", "01 15 0000000101 0000 11 00 00" "00"},
    {"version 5 matrix options 1 write 0x15",
     "05 01 01 06 00 00 00 01 00 05 01 00 00 00 01 01 00 00 01 01 00 00",
     kPileHead + "{\\mcount 1}{\\mmcJc left}}}}}{\\mmr {\\me }}}", "01 15 0000000101 0000 11 00 00" "00"},
    {"version 5 matrix options above 15 keep what the digit holds",
     "05 01 01 06 00 00 00 01 00 05 1e 00 00 00 01 01 00 00 01 01 00 00",
     kPileHead + "{\\mcount 1}{\\mmcJc left}}}}}{\\mmr {\\me }}}", "01 65 0000000101 0000 11 00 00" "00"},
    {"matrix cut short stays unconverted", "03 01 01 03 0a 05 00 02 00 02 02 00 00 01 00 01 00", "-", "-"},
    {"version 5 keeps only the main line",
     "05 01 01 06 00 41 42 00 00 11 04 57 69 6e 41 4e 53 49 00 0a 01 00 04 00 01 00 01 00 00 00 00 00",
     kPileHead + "{\\mcount 1}{\\mmcJc left}}}}}{\\mmr {\\me }}}", "-"},
    {"an END pulled by a definition record ends its line",
     "03 01 01 03 0a 04 00 00 01 0f 05 00 01 00 00",
     kPileHead + "{\\mcount 1}{\\mmcJc left}}}}}{\\mmr {\\me }}{\\mmr {\\me }}}", "04000001000100" "00" "00"},
    {"unassigned tag ends the list", "05 01 01 06 00 00 00 01 00 30 00", "-", "-"},
};
// clang-format on

TEST(Converter, TranslatesStructuralRecords) {
    for (size_t row = 0; row < std::size(kCases); ++row) {
        const ConversionCase& c = kCases[row];
        Conversion result = convert(c.mtef);
        if (c.officeMathBody == "-")
            EXPECT_EQ(result.officeMath, "") << "row " << row << ": " << c.name;
        else
            EXPECT_EQ(result.officeMath, officeMath(c.officeMathBody)) << "row " << row << ": " << c.name;
        std::string v3 = c.v3Body;
        v3.erase(std::remove(v3.begin(), v3.end(), ' '), v3.end());
        if (c.v3Body != "-") {
            EXPECT_EQ(mtefBody(result.equationNative), v3) << "row " << row << ": " << c.name;
        }
    }
}

// clang-format off
TEST(Converter, AssemblesTheEquationNativeHeader) {
    // Body 0x0a (FULL) + empty line + END: 4 bytes of MTEF after the FULL record; cbObject = 4 + 6 = 10.
    Conversion result = convert("03 01 01 03 0a 0a 01 00");
    EXPECT_EQ(result.equationNative, "1c000000020064c20a00000000000000b8c81600ec6c150000000000030101030a0a0a010000");
    // A 20-hex-character stream after the FULL record gives cbObject 16.
    // A pile with a nudge and one empty line: 8 bytes and the final END; cbObject = 9 + 6 = 15.
    result = convert("03 01 01 03 0a 84 81 7f 02 00 01 00 00");
    EXPECT_EQ(result.equationNative.substr(16, 8), "0f000000");
}
// clang-format on

// clang-format off
TEST(Converter, EuclidExtraComesFirstWhenMathTypeFontsAreAllowed) {
    Conversion result = convert("03 01 01 03 0a 01 00", 1);
    EXPECT_EQ(mtefBody(result.equationNative), "087f004575636c696420457874726100" "0100" "00");
}
// clang-format on

TEST(Converter, FontAndEncodingDefinitions) {
    ConverterContext& context = converterContext();
    initConverterContext(context, ConversionSwitches{});
    // ENCODING_DEF WinEastEurope (number 5), FONT_DEF Symbol (encoding 0), FONT_DEF "Ab" (encoding 5),
    // FONT_DEF "Cd" (encoding 0), then a pile so that the object converts.
    (void)convertEquationObject(context,
                                bareObject("05 01 01 06 00 00 00 13 57 69 6e 45 61 73 74 45 75 72 6f 70 65 00 "
                                           "11 00 53 79 6d 62 6f 6c 00 11 05 41 62 00 11 00 43 64 00 "
                                           "04 00 00 00 00"),
                                ObjectBareMtef);
    ASSERT_EQ(context.fonts.size(), 3u);
    EXPECT_EQ(context.fontCount, 3);
    EXPECT_EQ(context.fonts[0].name, "53796d626f6c00");
    EXPECT_EQ(context.fonts[0].encodingClass, 1);
    EXPECT_EQ(context.fonts[1].encodingClass, -1);
    EXPECT_EQ(context.fonts[2].encodingClass, 0);
    EXPECT_EQ(context.fontDefCount, 3);
    EXPECT_EQ(context.encodings.size(), 5u);
}

TEST(Converter, SkipsPreferencesColoursAndFutureRecordsExactly) {
    // EQN_PREFS whose size list ends at the F nibbles (3 sizes) and spacing list (2), two styles (one with a second
    // byte); COLOR_DEF with name and CMYK; a future record with tag 255 and a long length; then a pile.
    const std::string mtef = "05 01 01 06 00 00 00 "
                             "12 00 03 12 3f 4f 5f 02 f1 2f 02 01 07 00 "
                             "10 05 01 02 03 04 05 06 07 08 6e 00 "
                             "ff 00 00 ff 02 00 aa bb "
                             "04 00 03 00 00";
    EXPECT_EQ(convert(mtef).officeMath, officeMath(kPileHead + "{\\mcount 1}{\\mmcJc right}}}}}}"));
}

// The nibble lists of EQN_PREFS are stepped over by counting F digits; lists of every length up to several times
// eight bytes put the count's completion on every byte and digit position. The pile after them must be read from its
// own first byte each time.
TEST(Converter, SkipsPreferenceListsOfEveryLength) {
    // A list of `count` dimensions, dimension i with (i % 5) digits before its F, packed two digits a byte.
    auto nibbleList = [](int count) {
        std::string digits;
        for (int i = 0; i < count; ++i)
            digits += std::string(size_t(i % 5), '3') + "f";
        if (digits.size() % 2 != 0)
            digits += '0';
        char countByte[4];
        std::snprintf(countByte, sizeof countByte, "%02x", count);
        std::string spaced = countByte;
        for (size_t i = 0; i < digits.size(); i += 2)
            spaced += " " + digits.substr(i, 2);
        return spaced;
    };
    for (int sizes = 0; sizes <= 40; ++sizes) {
        const int spacings = (sizes * 7) % 23;
        const std::string mtef =
            "05 01 01 06 00 00 00 12 00 " + nibbleList(sizes) + " " + nibbleList(spacings) + " 00 04 00 03 00 00";
        EXPECT_EQ(convert(mtef).officeMath, officeMath(kPileHead + "{\\mcount 1}{\\mmcJc right}}}}}}"))
            << sizes << " sizes, " << spacings << " spacings";
    }
}

// Past the end of the data every byte reads as zero: a name cut off there ends with it, and the end stays reached.
TEST(Converter, FontNameCutOffByTheEndOfTheData) {
    ConverterContext& context = converterContext();
    initConverterContext(context, ConversionSwitches{});
    EXPECT_EQ(convertEquationObject(context, bareObject("05 01 01 06 00 00 00 11 00 41 62 63"), ObjectBareMtef), "");
    ASSERT_EQ(context.fontCount, 1);
    EXPECT_EQ(context.fonts[0].name, "41626300");
    EXPECT_TRUE(context.endOfData);
}

// clang-format off
TEST(Converter, SizeRecordsAreCopiedWholeOrNotAtAll) {
    // SIZE 100 takes three more bytes, SIZE 101 two; each is copied with its tag.
    EXPECT_EQ(mtefBody(convert("03 01 01 03 0a 01 09 64 01 02 03 09 65 01 02 00").equationNative),
              "01" "0964010203" "09650102" "00" "00");
    // Option bits in the tag byte of the nibble layout are dropped: MTEF 3 size records carry none.
    EXPECT_EQ(mtefBody(convert("03 01 01 03 0a 01 2b 00 00").equationNative), "01" "0b" "00" "00");
    // A SIZE whose bytes run past the end is dropped whole: neither tag nor data bytes.
    EXPECT_EQ(mtefBody(convert("03 01 01 03 0a 0a 01 09 05").equationNative), "0a" "01" "00" "00");
}
// clang-format on

// clang-format off
// An embellishment list that follows no character marks nothing: the line around it stays as it is.
TEST(Converter, StrayEmbellishmentListsAreDropped) {
    const Conversion result = convert("05 01 01 06 00 00 00 01 00 02 00 83 78 00 06 00 02 02 00 83 79 00 00 00");
    EXPECT_EQ(result.officeMath, officeMath("{\\mr\\mscr0\\msty2\\i x}{\\mr\\mscr0\\msty2\\i y}"));
    EXPECT_EQ(mtefBody(result.equationNative), "01" "02837800" "02837900" "00" "00");
}
// clang-format on

TEST(Converter, DeepNestingLeavesTheObjectUnconverted) {
    std::string mtef = "03 01 01 03 0a";
    for (int i = 0; i < 5000; ++i)
        mtef += " 04 00 00";
    EXPECT_EQ(convert(mtef).officeMath, "");
    std::string chain = "03 01 01 03 0a 04 00 00";
    for (int i = 0; i < 5000; ++i)
        chain += " 0f 01";
    EXPECT_EQ(convert(chain).officeMath, "");
}

TEST(Converter, StreamsTooLongForTheirLengthFieldStayUnconverted) {
    std::string rows;
    for (int i = 0; i < 33000; ++i)
        rows += "0100";
    const std::string mtef = "03 01 01 03 0a 04 00 00 " + rows + " 00";
    Conversion result = convert(mtef);
    EXPECT_FALSE(result.officeMath.empty());
    EXPECT_EQ(result.equationNative, "");
}

TEST(Converter, OddAndNonHexTextIsReadSafely) {
    const std::string inputs[] = {"03 01 01 03 0a 04 0", "03 01 01 03 0a 04 zz 0g g0 01 00 00", "03 01 01 03 0a 0?",
                                  "05 01 01 06 00 ff ff ff ff ff"};
    for (const std::string& mtef : inputs)
        convert(mtef); // no crash, no exception; the results do not matter
}

TEST(Converter, TwoJobsKeepTheirOwnFormat) {
    ConverterContext& context = converterContext();
    const std::string object = bareObject("03 01 01 03 0a 04 00 00 01 00 00");
    initConverterContext(context, ConversionSwitches{});
    EXPECT_EQ(convertEquationObject(context, object, ObjectBareMtef).substr(0, 6), "{\\dn0\\");
    initConverterContext(context, ConversionSwitches{EquationFormat::EquationEditor3});
    (void)convertEquationObject(context, object, ObjectBareMtef);
    EXPECT_EQ(context.equationNative.substr(56, 10), "030101030a");
}
} // namespace
