// Fence and bra-ket templates in both formats: every fence pair of both generations, the interval, the white square
// brackets (with and without a nudge) and the bra-ket, then malformed and truncated templates, which must still give
// balanced Office Math and complete MTEF version 3 records and leave the records after them readable.
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
const char* const kUnconverted = "<unconverted>";

std::string officeMathOf(const std::string& nativeHex) {
    return testing_support::officeMathBody(nativeHex);
}

// The whole "Equation Native" stream, as MTEF version 3 hex.
std::string v3StreamOf(const std::string& nativeHex) {
    const std::string stream = testing_support::convertedEquationNative(nativeHex);
    return stream.empty() ? kUnconverted : stream;
}

// Delimiter groups as the engine writes them around one element.
std::string delimiter(const std::string& begin, const std::string& end, const std::string& element) {
    return "{\\md{\\mdPr{\\mbegChr " + begin + "}{\\mendChr " + end + "}}{\\me " + element + "}}";
}
const std::string kLeftAngle = "{\\uc1\\u10216\\'3f}";
const std::string kRightAngle = "{\\uc1\\u10217\\'3f}";
const std::string kLeftWhite = "{\\uc1\\u10214\\'3f}";
const std::string kRightWhite = "{\\uc1\\u10215\\'3f}";

// Fence characters as the template carries them, and their MTEF version 3 records.
MtefRecord fence(char c) {
    return ch(uint16_t(c), kSymbolFace);
}
std::string fenceHex(char c) {
    static const char kDigits[] = "0123456789abcdef";
    return std::string("0286") + kDigits[(c >> 4) & 15] + kDigits[c & 15] + "00";
}

// The square-bracket characters written for white square brackets, tag "02" or "82" and the nudge.
std::string whiteChars(const std::string& tag, bool left, bool right) {
    return (left ? tag + "965b00" : "") + (right ? tag + "965d00" : "");
}
// Outer template head, its slot line, the inner head, the main slot, the inner fences, the inner END, the line END,
// the outer fences, the outer END.
std::string whiteBrackets(const std::string& variation, const std::string& nudge, bool left, bool right) {
    const std::string head = "03" + variation + "00";
    const std::string tag = nudge.empty() ? "02" : "82" + nudge;
    const std::string chars = whiteChars(tag, left, right);
    return (nudge.empty() ? "03" : "83" + nudge) + head + (nudge.empty() ? "0103" : "81" + nudge + "83" + nudge) +
           head + kXLine + chars + "0000" + chars + "00";
}

struct FenceCase {
    const char* name;
    MtefEquation equation;
    std::string officeMath;
    std::string v3;
};

std::vector<FenceCase> fenceCases() {
    const auto x = [] { return line({ch('x', kVariableFace)}); };
    const auto y = [] { return ch('y', kVariableFace); };
    // Record boundaries stay visible as separate literals.
    // clang-format off
    return {
        // Version 5 fence pairs.
        {"parentheses, variation 3, options byte copied", mtef5().line({tmpl(1, 3, {x(), fence('('), fence(')')}, 5)}),
         delimiter("(", ")", kX), "03" "010005" + kXLine + fenceHex('(') + fenceHex(')') + "00"},
        {"angle brackets, left only", mtef5().line({tmpl(0, 1, {x(), fence('<')})}), delimiter(kLeftAngle, "", kX),
         "03" "000100" + kXLine + fenceHex('<') + "00"},
        {"angle brackets, right only", mtef5().line({tmpl(0, 2, {x(), fence('>')})}), delimiter("", kRightAngle, kX),
         "03" "000200" + kXLine + fenceHex('>') + "00"},
        {"braces", mtef5().line({tmpl(2, 3, {x(), fence('{'), fence('}')})}), delimiter("\\'7b", "\\'7d", kX),
         "03" "020000" + kXLine + fenceHex('{') + fenceHex('}') + "00"},
        {"square brackets, variation 0 is both", mtef5().line({tmpl(3, 0, {x(), fence('['), fence(']')})}),
         delimiter("[", "]", kX), "03" "030000" + kXLine + fenceHex('[') + fenceHex(']') + "00"},
        {"vertical bars, left only", mtef5().line({tmpl(4, 1, {x(), fence('|')})}), delimiter("|", "", kX),
         "03" "040100" + kXLine + fenceHex('|') + "00"},
        {"double bars, right only", mtef5().line({tmpl(5, 2, {x(), fence('|')})}),
         delimiter("", "{\\uc1\\u8214\\'3f}", kX), "03" "050200" + kXLine + fenceHex('|') + "00"},
        {"floor", mtef5().line({tmpl(6, 3, {x(), fence('['), fence(']')})}),
         delimiter("{\\uc1\\u8970\\'3f}", "{\\uc1\\u8971\\'3f}", kX),
         "03" "060000" + kXLine + fenceHex('[') + fenceHex(']') + "00"},
        {"ceiling", mtef5().line({tmpl(7, 3, {x(), fence('['), fence(']')})}),
         delimiter("{\\uc1\\u8968\\'3f}", "{\\uc1\\u8969\\'3f}", kX),
         "03" "070000" + kXLine + fenceHex('[') + fenceHex(']') + "00"},
        {"empty slot", mtef5().line({tmpl(1, 3, {nullLine(), fence('('), fence(')')})}), delimiter("(", ")", ""),
         "03" "010000" "11" + fenceHex('(') + fenceHex(')') + "00"},

        // Version 5 interval: the variation's nibbles name the fences; both are always shown.
        {"interval 0x12", mtef5().line({tmpl(9, 0x12, {x(), fence('['), fence(')')})}), delimiter("[", ")", kX),
         "03" "0b0000" + kXLine + fenceHex('[') + fenceHex(')') + "00"},
        {"interval 0x22", mtef5().line({tmpl(9, 0x22, {x(), fence('['), fence('[')})}), delimiter("[", "[", kX),
         "03" "080000" + kXLine + fenceHex('[') + fenceHex('[') + "00"},
        {"interval 0x23", mtef5().line({tmpl(9, 0x23, {x(), fence(']'), fence('[')})}), delimiter("]", "[", kX),
         "03" "0a0000" + kXLine + fenceHex(']') + fenceHex('[') + "00"},
        {"interval 0x30", mtef5().line({tmpl(9, 0x30, {x(), fence('('), fence(']')})}), delimiter("(", "]", kX),
         "03" "0c0000" + kXLine + fenceHex('(') + fenceHex(']') + "00"},
        {"interval 0x33", mtef5().line({tmpl(9, 0x33, {x(), fence(']'), fence(']')})}), delimiter("]", "]", kX),
         "03" "090000" + kXLine + fenceHex(']') + fenceHex(']') + "00"},
        {"interval 0x21 has no version 3 fence: angle brackets",
         mtef5().line({tmpl(9, 0x21, {x(), fence(')'), fence('[')})}), delimiter(kLeftAngle, kRightAngle, kX),
         "03" "000000" + kXLine + fenceHex(')') + fenceHex('[') + "00"},
        {"interval 0x01 reads two fences although its variation looks like left only",
         mtef5().line({tmpl(9, 0x01, {x(), fence('('), fence(')')}), y()}), delimiter(kLeftAngle, kRightAngle, kX) + kY,
         "03" "000000" + kXLine + fenceHex('(') + fenceHex(')') + "00" + kYHex},

        // White square brackets: two nested square-bracket templates in version 3.
        {"white square brackets", mtef5().line({tmpl(8, 3, {x(), fence('['), fence(']')})}),
         delimiter(kLeftWhite, kRightWhite, kX), whiteBrackets("00", "", true, true)},
        {"white square brackets, variation 0", mtef5().line({tmpl(8, 0, {x(), fence('['), fence(']')})}),
         delimiter(kLeftWhite, kRightWhite, kX), whiteBrackets("00", "", true, true)},
        {"white square brackets, left only", mtef5().line({tmpl(8, 1, {x(), fence('[')})}),
         delimiter(kLeftWhite, "", kX), whiteBrackets("01", "", true, false)},
        {"white square brackets, right only", mtef5().line({tmpl(8, 2, {x(), fence(']')})}),
         delimiter("", kRightWhite, kX), whiteBrackets("02", "", false, true)},
        {"white square brackets with nudge", mtef5().line({tmpl(8, 3, {x(), fence('['), fence(']')}).nudged(1, 1)}),
         delimiter(kLeftWhite, kRightWhite, kX), whiteBrackets("00", "8181", true, true)},
        {"white square brackets with nudge, left only", mtef5().line({tmpl(8, 1, {x(), fence('[')}).nudged(-2, 3)}),
         delimiter(kLeftWhite, "", kX), whiteBrackets("01", "7e83", true, false)},
        {"white square brackets with a long nudge",
         mtef5().line({tmpl(8, 2, {x(), fence(']')}).nudgedLong(300, -1)}), delimiter("", kRightWhite, kX),
         whiteBrackets("02", "80802c01ffff", false, true)},
        // Variations 4 and above show both fences: the characters of both templates must match the head.
        {"white square brackets, variation 4 is both", mtef5().line({tmpl(8, 4, {x(), fence('['), fence(']')}), y()}),
         delimiter(kLeftWhite, kRightWhite, kX) + kY, whiteBrackets("00", "", true, true) + kYHex},
        {"white square brackets, variation 0x7f is both, nudged",
         mtef5().line({tmpl(8, 0x7f, {x(), fence('['), fence(']')}).nudged(1, 1), y()}),
         delimiter(kLeftWhite, kRightWhite, kX) + kY, whiteBrackets("00", "8181", true, true) + kYHex},

        // Version 3 numbering.
        {"version 3 parentheses", mtef3().line({tmpl(1, 0, {x(), fence('('), fence(')')})}), delimiter("(", ")", kX),
         "03" "010000" + kXLine + fenceHex('(') + fenceHex(')') + "00"},
        {"version 3 two left brackets, left only", mtef3().line({tmpl(8, 1, {x(), fence('[')})}),
         delimiter("[", "", kX), "03" "080100" + kXLine + fenceHex('[') + "00"},
        {"version 3 two right brackets, right only", mtef3().line({tmpl(9, 2, {x(), fence(']')})}),
         delimiter("", "]", kX), "03" "090200" + kXLine + fenceHex(']') + "00"},
        {"version 3 right then left bracket", mtef3().line({tmpl(10, 0, {x(), fence(']'), fence('[')})}),
         delimiter("]", "[", kX), "03" "0a0000" + kXLine + fenceHex(']') + fenceHex('[') + "00"},
        {"version 3 selector 11, variation 1, still both fences",
         mtef3().line({tmpl(11, 1, {x(), fence('['), fence(')')}), y()}), delimiter("[", ")", kX) + kY,
         "03" "0b0000" + kXLine + fenceHex('[') + fenceHex(')') + "00" + kYHex},
        {"version 3 selector 12, variation 2, still both fences",
         mtef3().line({tmpl(12, 2, {x(), fence('('), fence(']')}), y()}), delimiter("(", "]", kX) + kY,
         "03" "0c0000" + kXLine + fenceHex('(') + fenceHex(']') + "00" + kYHex},
        {"version 3 vertical bars", mtef3().line({tmpl(4, 0, {x(), fence('|'), fence('|')})}),
         delimiter("|", "|", kX), "03" "040000" + kXLine + fenceHex('|') + fenceHex('|') + "00"},
        {"version 3 nudged fence keeps its nudge on the tag only",
         mtef3().line({tmpl(3, 0, {x(), fence('['), fence(']')}).nudged(1, 1)}), delimiter("[", "]", kX),
         "83" "8181" "030000" + kXLine + fenceHex('[') + fenceHex(']') + "00"},

        // Bra-ket.
        {"bra", mtef5().line({tmpl(30, 1, {x(), nullLine(), fence('<'), fence('|')}), y()}),
         "{\\md{\\mdPr{\\mbegChr " + kLeftAngle + "}{\\mendChr }}{\\me {\\md{\\mdPr{\\mbegChr }{\\mendChr |}}{\\me " +
             kX + "}}}}" + kY,
         "03" "2d0100" + kXLine + "11" + fenceHex('<') + fenceHex('|') + "00" + kYHex},
        {"ket", mtef5().line({tmpl(30, 2, {nullLine(), x(), fence('|'), fence('>')}), y()}),
         "{\\md{\\mdPr{\\mbegChr |}{\\mendChr }}{\\me {\\md{\\mdPr{\\mbegChr }{\\mendChr " + kRightAngle +
             "}}{\\me " + kX + "}}}}" + kY,
         "03" "2d0200" "11" + kXLine + fenceHex('|') + fenceHex('>') + "00" + kYHex},
        {"full bra-ket reads three fences",
         mtef5().line({tmpl(30, 3, {x(), line({y()}), fence('<'), fence('|'), fence('>')}, 4), y()}),
         "{\\md{\\mdPr{\\mbegChr " + kLeftAngle + "}{\\mendChr " + kRightAngle + "}}{\\me " + kX + "}{\\me " + kY +
             "}}" + kY,
         "03" "2d0000" + kXLine + "01" + kYHex + "00" + fenceHex('<') + fenceHex('|') + fenceHex('>') + "00" + kYHex},
        {"version 3 bra-ket, variation 0",
         mtef3().line({tmpl(45, 0, {x(), nullLine(), fence('<'), fence('|'), fence('>')}), y()}),
         "{\\md{\\mdPr{\\mbegChr " + kLeftAngle + "}{\\mendChr " + kRightAngle + "}}{\\me " + kX + "}{\\me }}" + kY,
         "03" "2d0000" + kXLine + "11" + fenceHex('<') + fenceHex('|') + fenceHex('>') + "00" + kYHex},

        // Malformed templates: the record after the template is still read from its first byte.
        {"a fence character missing", mtef5().line({tmpl(1, 3, {x(), fence('(')}), y()}), delimiter("(", ")", kX) + kY,
         "03" "010000" + kXLine + fenceHex('(') + "00" + kYHex},
        {"an extra fence character is dropped", mtef5().line({tmpl(1, 1, {x(), fence('('), fence(')')}), y()}),
         delimiter("(", "", kX) + kY, "03" "010100" + kXLine + fenceHex('(') + "00" + kYHex},
        {"no objects at all: a null slot in version 3", mtef5().line({tmpl(3, 3, {}), y()}), delimiter("[", "]", "") + kY,
         "03" "030000" "11" "00" + kYHex},
        {"white square brackets without objects", mtef5().line({tmpl(8, 1, {}), y()}), delimiter(kLeftWhite, "", "") + kY,
         "03" "030100" "0103" "030100" "11" "02965b00" "0000" "02965b00" "00" + kYHex},
        {"bra-ket without fence characters", mtef5().line({tmpl(30, 3, {x(), x()}), y()}),
         "{\\md{\\mdPr{\\mbegChr " + kLeftAngle + "}{\\mendChr " + kRightAngle + "}}{\\me " + kX + "}{\\me " + kX +
             "}}" + kY,
         "03" "2d0000" + kXLine + kXLine + "00" + kYHex},
        {"bra without its ket slot", mtef5().line({tmpl(30, 1, {x()}), y()}),
         "{\\md{\\mdPr{\\mbegChr " + kLeftAngle + "}{\\mendChr }}{\\me {\\md{\\mdPr{\\mbegChr }{\\mendChr |}}{\\me " +
             kX + "}}}}" + kY,
         "03" "2d0100" + kXLine + "11" "00" + kYHex},
    };
    // clang-format on
}

TEST(FenceTemplates, TranslateInBothFormats) {
    const std::vector<FenceCase> cases = fenceCases();
    for (size_t row = 0; row < cases.size(); ++row) {
        const FenceCase& c = cases[row];
        EXPECT_EQ(officeMathOf(c.equation.nativeHex()), c.officeMath) << "row " << row << ": " << c.name;
        EXPECT_EQ(v3Line(c.equation), c.v3) << "row " << row << ": " << c.name;
    }
}

// A template written byte by byte, so that any variation byte can be given in either layout: the head (with a short
// nudge when asked), the slot, `fences` fence characters and the END.
MtefRecords rawTemplate(bool mtef5Layout, uint8_t selector, uint8_t variation, bool nudged, int fences) {
    MtefBytes head;
    if (mtef5Layout) {
        head = {0x03, uint8_t(nudged ? 8 : 0)};
    } else {
        head = {uint8_t(nudged ? 0x83 : 0x03)};
    }
    if (nudged) {
        head.push_back(0x81);
        head.push_back(0x81);
    }
    head.insert(head.end(), {selector, variation, 0x00});
    MtefRecords records = {raw(head), line({ch('x', kVariableFace)})};
    for (int i = 0; i < fences; ++i)
        records.push_back(fence(i % 2 == 0 ? '[' : ']'));
    records.push_back(endRecord());
    records.push_back(ch('y', kVariableFace));
    return records;
}

// Every fence and bra-ket selector of both generations with unusual variation bytes, with and without a nudge, and
// with too few or too many fence characters: both formats convert, stay well formed (the helpers check it) and read
// the character after the template.
TEST(FenceTemplates, AnyVariationStaysWellFormed) {
    struct Generation {
        bool mtef5Layout;
        std::vector<uint8_t> selectors;
    };
    const Generation generations[] = {
        {true, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 30}},
        {false, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 45}},
    };
    const uint8_t variations[] = {0,    1,    2,    3,    4,    5,    6,    7,    8,    0x10, 0x12, 0x13,
                                  0x21, 0x22, 0x23, 0x30, 0x33, 0x44, 0x7f, 0x80, 0x81, 0x82, 0xff};
    for (const Generation& generation : generations) {
        for (uint8_t selector : generation.selectors) {
            for (uint8_t variation : variations) {
                for (bool nudged : {false, true}) {
                    for (int fences = 0; fences <= 4; ++fences) {
                        MtefEquation equation = generation.mtef5Layout ? mtef5() : mtef3();
                        equation.line(rawTemplate(generation.mtef5Layout, selector, variation, nudged, fences));
                        const std::string where = std::string(generation.mtef5Layout ? "MTEF 5" : "MTEF 3") +
                                                  " selector " + std::to_string(selector) + " variation " +
                                                  std::to_string(variation) + (nudged ? " nudged" : "") + ", " +
                                                  std::to_string(fences) + " fences";
                        const std::string officeMath = officeMathOf(equation.nativeHex());
                        ASSERT_GE(officeMath.size(), kY.size()) << where;
                        EXPECT_EQ(officeMath.substr(officeMath.size() - kY.size()), kY) << where << ": " << officeMath;
                        const std::string v3 = v3Line(equation);
                        ASSERT_GE(v3.size(), kYHex.size()) << where;
                        EXPECT_EQ(v3.substr(v3.size() - kYHex.size()), kYHex) << where << ": " << v3;
                        if (testing::Test::HasFailure())
                            return;
                    }
                }
            }
        }
    }
}

// Cut short anywhere, an equation of fences and bra-kets either stays unconverted or converts to balanced Office
// Math and a complete MTEF version 3 stream (the helpers check both).
TEST(FenceTemplates, TruncatedDataStaysWellFormed) {
    const auto x = [] { return line({ch('x', kVariableFace)}); };
    const MtefEquation equations[] = {
        mtef5().line({tmpl(8, 3, {x(), fence('['), fence(']')}).nudged(1, 1),
                      tmpl(9, 0x12, {x(), fence('['), fence(')')}),
                      tmpl(30, 3, {x(), x(), fence('<'), fence('|'), fence('>')}),
                      tmpl(0, 1, {line({tmpl(8, 2, {x(), fence(']')})}), fence('<')})}),
        mtef3().line({tmpl(11, 1, {x(), fence('['), fence(')')}), tmpl(45, 1, {x(), x(), fence('<'), fence('|')}),
                      tmpl(6, 0, {line({tmpl(7, 2, {x(), fence(']')})}), fence('['), fence(']')})}),
    };
    for (size_t row = 0; row < std::size(equations); ++row) {
        const MtefBytes bytes = equations[row].bytes();
        for (size_t length = 0; length <= bytes.size(); ++length) {
            const std::string native = equationNativeHex(MtefBytes(bytes.begin(), bytes.begin() + length));
            (void)officeMathOf(native);
            (void)v3StreamOf(native);
            if (testing::Test::HasFailure()) {
                ADD_FAILURE() << "row " << row << ", cut after " << length << " of " << bytes.size() << " bytes";
                return;
            }
        }
    }
}
} // namespace
