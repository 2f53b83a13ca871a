// EMBELL lists after a character: every kind in both formats, lists of several marks, the list layout of each MTEF
// version, MTEF version 3 output that reads back to the same marks, and lists that are cut off or make no sense.
// Fixtures are one-line equations built with the MTEF builder, plus the real Equation Editor 3.x object with a tilde.
#include "conversionFixtures.h"
#include "mtef/converterContext.h"
#include "mtefBuilder.h"
#include "mtefV3Validator.h"
#include "objects/equationObjectConversion.h"
#include "officeMathChecker.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

using namespace testing_support::mtef;
using namespace testing_support;

namespace {
using Options = testing_support::FixtureOptions;

// The "Equation Native" stream of the format 0 conversion; "" when the object stayed unconverted.
std::string v3Stream(const std::string& nativeHex, Options options = {}) {
    return testing_support::convertedEquationNative(nativeHex, options);
}

// The records of a version 3 stream after its headers and the size records in front of the first line. The
// converter writes FULL before the records it copies, so a stream converted twice has one FULL more in front.
std::string v3Records(const std::string& stream) {
    size_t at = 56 + 10; // the 28-byte stream header, the MTEF header 03 01 01 03 0a
    while (stream.compare(at, 2, "0a") == 0)
        at += 2;
    return stream.substr(at);
}

// Expected Office Math: x as the character's run, still open, and the groups that wrap it.
const std::string kRun = "{\\mr\\mscr0\\msty2\\i x";

std::string plainX() {
    return kRun + "}";
}
std::string accentX(int codePoint) {
    return "{\\macc{\\maccPr{\\mchr {\\uc1\\u" + std::to_string(codePoint) + "\\'3f}}}{\\me" + kRun + "}}}";
}
std::string boxX(const std::string& strikes) {
    return "{\\mborderBox{\\mborderBoxPr{\\mhideTop on}{\\mhideBot on}{\\mhideLeft on}{\\mhideRight on}" + strikes +
           "}{\\me" + kRun + "}}}";
}
std::string barX() {
    return "{\\mbar{\\mbarPr}{\\me" + kRun + "}}}";
}

// Expected MTEF version 3: x embellished, its kept records and the list END; limit templates around x.
const std::string kXHex = "02837800";
const std::string kXEmbellishedHex = "22837800";
std::string keptX(const std::string& records) {
    return kXEmbellishedHex + records + "00";
}
// FULL ("0a") is the size in force in these fixtures; it returns to it after the SUB of the template's slot.
std::string underX(const std::string& glyphs, const std::string& main = kXHex) {
    return "0327010001" + main + "000b01" + glyphs + "00" + "0a" + "1100";
}
std::string overX(const std::string& glyphs, const std::string& main = kXHex) {
    return "0327000001" + main + "000b1101" + glyphs + "0a" + "0000";
}
std::string dots(int count, const std::string& nudge = {}) {
    std::string text;
    for (int i = 0; i < count; ++i)
        text += (nudge.empty() ? "02" : "82") + nudge + "822e00";
    return text;
}

struct KindCase {
    int kind;
    Options options;
    std::string officeMath;
    std::string v3; // the line's records
};

std::vector<KindCase> kindCases() {
    const std::string bltr = "{\\mstrikeBLTR on}";
    const std::string tlbr = "{\\mstrikeTLBR on}";
    const std::string slash = keptX("060a00");
    return {
        {0, {}, plainX(), keptX("060000")},
        {1, {}, plainX(), keptX("060100")},
        {2, {}, accentX(775), keptX("060200")},
        {3, {}, accentX(776), keptX("060300")},
        {4, {}, accentX(8411), keptX("060400")},
        {5, {}, "{" + kRun + "}{\\mr\\mscr0\\msty2\\i {\\uc1\\u39 '}}}", keptX("060500")},
        {5, {0, 0}, "{" + kRun + "{\\uc1\\u39 '}}}", keptX("060500")},
        {6, {}, "{" + kRun + "{\\uc1\\u39 '\\u39 '}}}", keptX("060600")},
        {6, {0, 0}, "{" + kRun + "{\\uc1\\u39 '\\u39 '}}}", keptX("060600")},
        {7, {}, "{{\\mr\\mscr0\\msty2\\i `}" + kRun + "}}", keptX("060700")},
        {8, {}, accentX(771), keptX("060800")},
        {9, {}, accentX(770), keptX("060900")},
        {10, {}, boxX(bltr), slash},
        {11, {}, accentX(8407), keptX("060b00")},
        {12, {}, accentX(8406), keptX("060c00")},
        {13, {}, accentX(8417), keptX("060d00")},
        {14, {}, accentX(8401), keptX("060e00")},
        {15, {}, accentX(8400), keptX("060f00")},
        {16, {}, boxX("{\\mstrikeH on}"), keptX("061000")},
        {17, {}, accentX(773), keptX("061100")},
        {18, {}, "{" + kRun + "{\\uc1\\u39 '\\u39 '\\u39 '}}}", keptX("061200")},
        {18, {0, 0}, "{" + kRun + "{\\uc1\\u39 '\\u39 '\\u39 '}}}", keptX("061200")},
        {19, {}, accentX(770), keptX("061300")},
        {20, {}, accentX(774), keptX("061400")},
        {21, {}, boxX(bltr + tlbr), slash},
        {22, {}, boxX(bltr), slash},
        {23, {}, boxX(tlbr), slash},
        {24, {}, accentX(8411), overX(dots(4))},
        {25, {}, plainX(), underX(dots(1))},
        {26, {}, plainX(), underX(dots(2))},
        {27, {}, plainX(), underX(dots(3))},
        {28, {}, plainX(), underX(dots(4))},
        {29, {}, barX(), underX("02861222")},
        {30, {}, barX(), underX("028b0303")},
        {31, {}, barX(), underX("028b2223")},
        {32, {}, barX(), underX("028b2323")},
        {33, {}, barX(), underX("028bd720")},
        {34, {}, barX(), underX("028bd620")},
        {35, {}, barX(), underX("028be120")},
        {36, {}, barX(), underX("028bd720")},
        {36, {1, 1}, barX(), underX("02017800")},
        {37, {}, barX(), underX("028bd620")},
        {37, {1, 1}, barX(), underX("02017100")},
        {38, {}, plainX(), underX("")},
        {255, {}, plainX(), underX("")},
    };
}

TEST(Embellishments, EveryKindInBothFormats) {
    const std::vector<KindCase> cases = kindCases();
    for (size_t row = 0; row < cases.size(); ++row) {
        const KindCase& c = cases[row];
        const std::string hex = mtef5().line({ch('x', kVariableFace).embellished(uint8_t(c.kind))}).nativeHex();
        EXPECT_EQ(officeMathBody(hex, c.options), c.officeMath) << "row " << row << ": kind " << c.kind;
        EXPECT_EQ(v3LineRecords(hex, c.options), c.v3) << "row " << row << ": kind " << c.kind;
    }
}

// Harpoons over x have an upper-limit glyph of their own only when they follow four dots.
TEST(Embellishments, OverMarksAfterFourDotsBecomeUpperTemplates) {
    struct Case {
        int second;
        Options options;
        std::string glyph;
    };
    const Case cases[] = {
        {2, {}, dots(1)},     {3, {}, dots(2)},         {4, {}, dots(3)},     {8, {}, "028b0303"},
        {9, {}, "028b0203"},  {11, {}, "028bd720"},     {12, {}, "028bd620"}, {13, {}, "028be120"},
        {14, {}, "028bd720"}, {14, {1, 1}, "02017600"}, {15, {}, "028bd620"}, {15, {1, 1}, "02017700"},
        {17, {}, "02869421"}, {19, {}, "028b2223"},     {20, {}, "028b2323"}, {0, {}, ""},
    };
    for (size_t row = 0; row < std::size(cases); ++row) {
        const Case& c = cases[row];
        const std::string hex =
            mtef5().line({ch('x', kVariableFace).embellished(24).embellished(uint8_t(c.second))}).nativeHex();
        EXPECT_EQ(v3LineRecords(hex, c.options), overX(c.glyph, overX(dots(4)))) << "row " << row;
    }
}

struct ListCase {
    const char* name;
    MtefEquation equation;
    Options options;
    std::string officeMath;
    std::string v3;
};

std::vector<ListCase> listCases() {
    const auto x = [] { return ch('x', kVariableFace); };
    const std::string crossBox = boxX("{\\mstrikeBLTR on}{\\mstrikeTLBR on}");
    return {
        {"dot over x",
         mtef5().line({x().embellished(2)}),
         {},
         "{\\macc{\\maccPr{\\mchr {\\uc1\\u775\\'3f}}}{\\me{\\mr\\mscr0\\msty2\\i x}}}",
         "2283780006020000"},
        {"two strikes give the first box and one slash",
         mtef5().line({x().embellished(21).embellished(23)}),
         {},
         crossBox,
         "22837800060a0000"},
        {"a strike repeated",
         mtef3().line({x().embellished(22).embellished(22).embellished(10)}),
         {},
         boxX("{\\mstrikeBLTR on}"),
         "22837800060a0000"},
        {"mid bar twice and a strike",
         mtef5().line({x().embellished(16).embellished(16).embellished(23)}),
         {},
         "{\\mborderBox{\\mborderBoxPr{\\mhideTop on}{\\mhideBot on}{\\mhideLeft on}{\\mhideRight on}"
         "{\\mstrikeTLBR on}}{\\me" +
             boxX("{\\mstrikeH on}") + "}}",
         "2283780006100006"
         "0a0000"},
        {"prime from MTEF 5",
         mtef5().line({x().embellished(5)}),
         {0, 0},
         "{" + kRun + "{\\uc1\\u39 '}}}",
         "2283780006050000"},
        {"dot under", mtef5().line({x().embellished(25)}), {}, plainX(), "032701000102837800000b0102822e00000a1100"},
        {"nudged dot under",
         mtef5().line({x().embellished(embell(25).nudged(1, -2))}),
         {},
         plainX(),
         "032701000102837800000b0182817e822e00000a1100"},
        {"long-nudged two dots under",
         mtef5().line({x().embellished(embell(26).nudgedLong(300, 0))}),
         {},
         plainX(),
         underX(dots(2, "80802c010000"))},
        {"nudged tilde kept with its nudge",
         mtef5().line({x().embellished(embell(8).nudged(3, 4))}),
         {},
         accentX(771),
         keptX("868384"
               "0800")},
        {"nudged strike becomes a nudged slash",
         mtef5().line({x().embellished(embell(21).nudged(1, 1))}),
         {},
         crossBox,
         keptX("868181"
               "0a00")},
        // Strikes, then primes, then the other kept records; marks apply in list order in Office Math. A prime
        // after an accent follows the accent as a run of its own, outside the accent's parts.
        {"tilde, prime and slash",
         mtef3().line({x().embellished(8).embellished(5).embellished(22)}),
         {0, 0},
         "{\\mborderBox{\\mborderBoxPr{\\mhideTop on}{\\mhideBot on}{\\mhideLeft on}{\\mhideRight on}"
         "{\\mstrikeBLTR on}}{\\me{" +
             accentX(771) + "{\\mr\\mscr0\\msty2\\i {\\uc1\\u39 '}}}}}",
         keptX("060a00"
               "060500"
               "060800")},
        // Only template marks: a plain character loses its flags (its tag byte's option digit becomes 0); a nudged
        // one keeps them, and its list is empty.
        {"nudged x with a bar under",
         mtef5().line({x().nudged(2, 2).embellished(29)}),
         {},
         barX(),
         underX("02861222", "a2828283"
                            "7800"
                            "00")},
        {"function character of version 4 with a dot under",
         mtef4().line({ch('s', kFunctionFace).withOptions(0x01).embellished(25)}),
         {},
         "{\\mr\\mscr0\\msty0 s}",
         underX(dots(1), "02827300")},
        {"function character of version 3 with a tilde under",
         mtef3().line({ch('s', kFunctionFace).withOptions(0x01).embellished(30)}),
         {},
         "{\\mbar{\\mbarPr}{\\me{\\mr\\mscr0\\msty0 s}}}",
         underX("028b0303", "02827300")},
        {"two under-marks nest",
         mtef5().line({x().embellished(25).embellished(29)}),
         {},
         barX(),
         underX("02861222", underX(dots(1)))},
        {"under and over",
         mtef5().line({x().embellished(24).embellished(25).embellished(5)}),
         {0, 0},
         "{" + accentX(8411) + "{\\mr\\mscr0\\msty2\\i {\\uc1\\u39 '}}}",
         overX(dots(4), underX(dots(1), keptX("060500")))},
        {"marks on two characters",
         mtef3().line({x().embellished(2), ch('y', kVariableFace).embellished(9)}),
         {},
         accentX(775) + "{\\macc{\\maccPr{\\mchr {\\uc1\\u770\\'3f}}}{\\me{\\mr\\mscr0\\msty2\\i y}}}",
         "2283780006020000"
         "2283790006090000"},
    };
}

TEST(Embellishments, ListsOfMarks) {
    const std::vector<ListCase> cases = listCases();
    for (size_t row = 0; row < cases.size(); ++row) {
        const ListCase& c = cases[row];
        EXPECT_EQ(officeMathBody(c.equation.nativeHex(), c.options), c.officeMath) << "row " << row << ": " << c.name;
        EXPECT_EQ(v3LineRecords(c.equation.nativeHex(), c.options), c.v3) << "row " << row << ": " << c.name;
    }
}

// Office Math has text only in runs and no run inside a run: the reversed prime's grave accent is a run of its own
// before the character, with the character's run properties, and a prime that is a run of its own follows the
// character's run, closed first.
TEST(Embellishments, MarksStandInRunsOfTheirOwn) {
    const auto x = [] { return ch('x', kVariableFace); };
    const std::string prime = "{\\mr\\mscr0\\msty2\\i {\\uc1\\u39 '}}";
    struct Case {
        const char* name;
        MtefEquation equation;
        Options options;
        std::string officeMath;
    };
    // clang-format off
    const Case cases[] = {
        {"reversed prime on a variable", mtef5().line({x().embellished(7)}), {},
         "{{\\mr\\mscr0\\msty2\\i `}{\\mr\\mscr0\\msty2\\i x}}"},
        {"reversed prime on a number", mtef5().line({ch('2', kNumberFace).embellished(7)}), {},
         "{{\\mr\\mscr0\\msty0 `}{\\mr\\mscr0\\msty0 2}}"},
        {"reversed prime on a vector", mtef3().line({ch('v', kVectorFace).embellished(7)}), {},
         "{{\\mr\\mscr0\\msty1\\b `}{\\mr\\mscr0\\msty1\\b v}}"},
        {"reversed prime on a letter of an explicit Fraktur font",
         mtef5().add(fontDef(0, "Euclid Fraktur")).line({fontStyleDef(1, 0), ch('A', 1).at8('A').embellished(7)}), {},
         "{{\\mr\\mscr2\\msty0 `}{\\mr\\mscr2\\msty0 A}}"},
        {"reversed prime after a tilde", mtef5().line({x().embellished(8).embellished(7)}), {},
         "{{\\mr\\mscr0\\msty2\\i `}" + accentX(771) + "}"},
        {"prime with Force Unicode after a variable", mtef5().line({x().embellished(5)}), {1, 0},
         "{" + kRun + "}" + prime + "}"},
        {"prime with Force Unicode after a number", mtef5().line({ch('2', kNumberFace).embellished(5)}), {1, 0},
         "{{\\mr\\mscr0\\msty0 2}" + prime + "}"},
        {"prime, then double prime", mtef5().line({x().embellished(5).embellished(6)}), {1, 0},
         "{{" + kRun + "}" + prime + "}{\\mr\\mscr0\\msty2\\i {\\uc1\\u39 '\\u39 '}}}"},
        {"prime without Force Unicode is text of the run", mtef5().line({x().embellished(5)}), {0, 0},
         "{" + kRun + "{\\uc1\\u39 '}}}"},
    };
    // clang-format on
    for (size_t row = 0; row < std::size(cases); ++row) {
        const Case& c = cases[row];
        EXPECT_EQ(officeMathBody(c.equation.nativeHex(), c.options), c.officeMath) << "row " << row << ": " << c.name;
    }
}

// The same list in every layout: the records after it must stay records of the line.
TEST(Embellishments, ListLayoutOfEachVersion) {
    const auto equation = [](MtefEquation base) {
        return base.line({ch('x', kVariableFace).embellished(8).embellished(2), ch('y', kVariableFace)}).nativeHex();
    };
    const std::string officeMath =
        "{\\macc{\\maccPr{\\mchr {\\uc1\\u775\\'3f}}}{\\me" + accentX(771) + "}}" + "{\\mr\\mscr0\\msty2\\i y}";
    const std::string v3 = keptX("060800"
                                 "060200") +
                           "02837900";
    const std::pair<const char*, MtefEquation> versions[] = {
        {"MTEF 2", mtef2()}, {"MTEF 3", mtef3()}, {"MTEF 4", mtef4()}, {"MTEF 5", mtef5()}};
    for (const auto& [name, base] : versions) {
        EXPECT_EQ(officeMathBody(equation(base)), officeMath) << name;
        EXPECT_EQ(v3LineRecords(equation(base)), v3) << name;
    }
}

// Bytes that are not EMBELL end the list by the tag rule of the version: in MTEF 5 the whole byte is the tag.
TEST(Embellishments, ListEndsByTheVersionsTagRule) {
    struct Case {
        const char* name;
        MtefEquation equation;
        std::string officeMath;
    };
    const auto x = [] { return ch('x', kVariableFace).withOptions(0x01); }; // MTEF 5: embellishment list follows
    const Case cases[] = {
        // 0x16, 0x26: tags 22 and 38, not EMBELL; the line ends there.
        {"MTEF 5, 0x16 after a dot", mtef5().line({x(), raw({0x06, 0x00, 0x02, 0x16, 0x00, 0x03, 0x00})}),
         accentX(775)},
        {"MTEF 5, 0x26 after a dot", mtef5().line({x(), raw({0x06, 0x00, 0x02, 0x26, 0x00, 0x03, 0x00})}),
         accentX(775)},
        // Version 3 written without the END of each record: the next record after the list is kept.
        {"MTEF 3, records without their own END",
         mtef3().line(
             {ch('x', kVariableFace).withOptions(0x02), raw({0x06, 0x08, 0x06, 0x02, 0x00}), ch('y', kVariableFace)}),
         "{\\macc{\\maccPr{\\mchr {\\uc1\\u775\\'3f}}}{\\me" + accentX(771) + "}}{\\mr\\mscr0\\msty2\\i y}"},
    };
    for (size_t row = 0; row < std::size(cases); ++row) {
        const std::string body = officeMathBody(cases[row].equation.nativeHex());
        EXPECT_EQ(body.compare(0, cases[row].officeMath.size(), cases[row].officeMath), 0)
            << "row " << row << ": " << cases[row].name << ": " << body;
        EXPECT_EQ(body.find("u776"), std::string::npos) << "row " << row; // no second dot read from later bytes
        (void)v3Stream(cases[row].equation.nativeHex());
    }
}

std::string fileHex(const std::string& name) {
    std::ifstream in(std::string(VELTRIM_TEST_DATA) + "/" + name, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return toHex(MtefBytes(bytes.begin(), bytes.end()));
}

// Converted to MTEF 3 and that output converted again: the same records, and the same Office Math from both.
TEST(Embellishments, Version3OutputReadsBackToTheSameMarks) {
    const auto x = [] { return ch('x', kVariableFace); };
    const std::pair<const char*, MtefEquation> cases[] = {
        {"one mark", mtef3().line({x().embellished(8)})},
        {"two marks", mtef3().line({x().embellished(8).embellished(2)})},
        {"three marks and a strike", mtef3().line({x().embellished(17).embellished(5).embellished(3).embellished(21)})},
        {"marks, then more records",
         mtef3().line({x().embellished(6).embellished(11), ch('=', kSymbolFace), x().embellished(9).embellished(12)})},
        {"MTEF 5 marks over and under", mtef5().line({x().embellished(2).embellished(25).embellished(5)})},
        {"MTEF 5 four dots and more", mtef5().line({x().embellished(24).embellished(8).embellished(29)})},
        {"MTEF 5 nudged under-mark", mtef5().line({x().nudged(1, 1).embellished(embell(30).nudged(2, 3))})},
        {"in a pile", mtef3().add(pile(1, 1, {line({x().embellished(3).embellished(7)}), line({x()})}))},
    };
    for (size_t row = 0; row < std::size(cases); ++row) {
        const std::string first = v3Stream(cases[row].second.nativeHex());
        ASSERT_FALSE(first.empty()) << "row " << row << ": " << cases[row].first;
        const std::string second = v3Stream(first);
        EXPECT_EQ(v3Records(second), v3Records(first)) << "row " << row << ": " << cases[row].first;
        EXPECT_EQ(officeMathBody(first), officeMathBody(second)) << "row " << row << ": " << cases[row].first;
    }
}

// The real objects with marks convert in both formats, and their MTEF 3 output reads back to the same records.
// Equation Editor 3.x stores a tilde over x as 32 83 7800 06 08 00 00: the records after it stay in place.
TEST(Embellishments, RealObjectsConvertAndReadBack) {
    struct Case {
        const char* file;
        std::vector<std::string> v3Expected; // records the MTEF 3 output holds
        std::string officeMathExpected;
    };
    const Case cases[] = {
        {"mathtype3/lim_embell.bin",
         {"3283780006080000"
          "030f"},
         "\\u771"},
        // a with a prime, d with a reversed prime, m with four dots over, n with a dot under.
        {"mathtype5/embellishments.bin",
         {"2283610006050000", "2283640006070000",
          "032700000102836d00000b1101"
          "02822e0002822e0002822e0002822e00"
          "0a0000",
          "032701000102836e00000b01"
          "02822e00"
          "000a1100"},
         "{{\\mr\\mscr0\\msty2\\i `}{\\mr\\mscr0\\msty2\\i d}}"},
    };
    for (size_t row = 0; row < std::size(cases); ++row) {
        const Case& c = cases[row];
        const std::string object = fileHex(std::string("mtef-objects/") + c.file);
        ASSERT_FALSE(object.empty()) << c.file;
        ConverterContext& context = converterContext();
        initConverterContext(context, ConversionSwitches{EquationFormat::EquationEditor3});
        (void)convertEquationObject(context, object, ObjectStorage);
        const std::string first = context.equationNative;
        ASSERT_FALSE(first.empty()) << c.file;
        EXPECT_EQ(validateMtef3Stream(first), "") << c.file;
        for (const std::string& records : c.v3Expected)
            EXPECT_NE(first.find(records), std::string::npos) << c.file << ": " << records;
        EXPECT_EQ(v3Records(v3Stream(first)), v3Records(first)) << c.file;

        initConverterContext(context, ConversionSwitches{});
        const std::string officeMath = convertEquationObject(context, object, ObjectStorage);
        ASSERT_FALSE(officeMath.empty()) << c.file;
        EXPECT_EQ(checkOfficeMathRtf(officeMath), "") << c.file;
        EXPECT_NE(officeMath.find(c.officeMathExpected), std::string::npos) << c.file << ": " << officeMath;
    }
}

// Whatever list arrives, the Office Math groups balance and the MTEF 3 stream is whole, or the object stays as it
// was: every cut-off point of marked equations in every version, and lists of senseless kinds.
TEST(Embellishments, CutOffAndOddListsStaySound) {
    const auto x = [] { return ch('x', kVariableFace); };
    std::vector<MtefEquation> equations;
    for (MtefEquation base : {mtef2(), mtef3(), mtef4(), mtef5()}) {
        equations.push_back(base.line({x().embellished(2).embellished(5).embellished(21).embellished(29),
                                       x().embellished(embell(24).nudged(1, 1)).embellished(7)}));
        equations.push_back(base.line({x().embellished(10).embellished(10).embellished(16).embellished(16)}));
        equations.push_back(base.line({x().embellished(38).embellished(200).embellished(255).embellished(6)}));
    }
    for (size_t row = 0; row < equations.size(); ++row) {
        const MtefBytes bytes = equations[row].bytes();
        for (size_t length = 1; length <= bytes.size(); ++length) {
            const std::string hex =
                testing_support::equationNativeHex(MtefBytes(bytes.begin(), bytes.begin() + length));
            ConverterContext& context = converterContext();
            for (int forceUnicode : {0, 1}) {
                ConversionSwitches switches;
                switches.forceUnicode = forceUnicode;
                initConverterContext(context, switches);
                const std::string officeMath = convertEquationObject(context, hex, ObjectBareMtef);
                if (!officeMath.empty()) {
                    EXPECT_EQ(checkOfficeMathRtf(officeMath), "") << "row " << row << ", length " << length;
                }
            }
            for (int allowMathTypeFonts : {0, 1}) {
                ConversionSwitches switches{EquationFormat::EquationEditor3};
                switches.allowMathTypeFonts = allowMathTypeFonts;
                initConverterContext(context, switches);
                (void)convertEquationObject(context, hex, ObjectBareMtef);
                if (!context.equationNative.empty()) {
                    EXPECT_EQ(validateMtef3Stream(context.equationNative), "")
                        << "row " << row << ", length " << length;
                }
            }
        }
    }
}
} // namespace
