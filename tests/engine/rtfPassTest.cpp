// The RTF rewriting pass: copying, control word rewrites, \bin, the font table notes, \oleclsid, object
// recognition and replacement (with the stand-in converter of standins/fakeConverter.cpp), progress and robustness.
#include "rtf/rtfPass.h"
#include "mtef/documentFonts.h"
#include "objects/equationObjectKind.h"
#include "ole1Objects.h"
#include "testFiles.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

using namespace testing_support;

namespace {

// The hex text of an OLE1 embedded object of a class, around native data given as hex (an odd digit at the end is
// not counted in its size).
std::string ole1Hex(const std::string& className, const std::string& nativeHex) {
    return hexOf(testing_support::ole1Header(className, uint32_t(nativeHex.size() / 2))) + nativeHex;
}

// An object group as Word writes it, with its result picture.
std::string objectGroup(const std::string& objdata) {
    return "{\\object\\objemb{\\*\\objclass Equation.DSMT4}{\\*\\objdata " + objdata + "}{\\result {\\pict 0102}}}";
}

const std::string kNative = "c0ffee0011223344";

struct RecognitionCase {
    const char* name;
    std::string hex;
    bool officeMath;
    EquationObjectKind kind;
    std::string data;
};

TEST(EquationObjectRecognition, ClassNames) {
    const std::string bare = ole1Hex("Equation", kNative);
    const std::string msxml = ole1Hex("Msxml2.SAXXMLReader.6.0", kNative);
    const RecognitionCase cases[] = {
        {"DSMT4", ole1Hex("Equation.DSMT4", kNative), true, ObjectStorage, kNative},
        {"DSMT4 for Equation Editor 3.x", ole1Hex("Equation.DSMT4", kNative), false, ObjectStorage, kNative},
        {"bare MTEF starts 56 after the data", bare, true, ObjectBareMtef, bare.substr(10)},
        {"Equation.3", ole1Hex("Equation.3", kNative), true, ObjectEquation3, kNative},
        {"Equation.2", ole1Hex("Equation.2", kNative), true, ObjectEquation3, kNative},
        {"Equation.3 only for Office Math", ole1Hex("Equation.3", kNative), false, ObjectNotEquation, ""},
        {"Msxml2 with a longer name", msxml, true, ObjectStorage, kNative},
        {"Msxml2 name running to the end", ole1Hex("Msxml2.SAXXMLReader", "").substr(0, 62) + std::string(40, '4'),
         true, ObjectNotEquation, ""},
        {"other class", ole1Hex("Paint.Picture", kNative), true, ObjectNotEquation, ""},
        {"upper-case hex",
         ole1Hex("Equation.DSMT4", kNative).substr(0, 24) + "4571756174696F6E2E44534D543400" +
             ole1Hex("Equation.DSMT4", kNative).substr(54),
         true, ObjectNotEquation, ""},
        {"blank before the class name", " " + ole1Hex("Equation.DSMT4", kNative), true, ObjectNotEquation, ""},
        {"DSMT4 without data", ole1Hex("Equation.DSMT4", ""), true, ObjectNotEquation, ""},
        {"DSMT4 with one hex character", ole1Hex("Equation.DSMT4", "") + "c", true, ObjectStorage, "c"},
        {"bare MTEF too short", ole1Hex("Equation", ""), true, ObjectNotEquation, ""},
        {"empty", "", true, ObjectNotEquation, ""},
    };
    for (size_t row = 0; row < std::size(cases); ++row) {
        const RecognitionCase& c = cases[row];
        RecognisedObject object = recogniseEquationObject(c.hex, c.officeMath);
        EXPECT_EQ(object.kind, c.kind) << "row " << row << ": " << c.name;
        EXPECT_EQ(std::string(object.data), c.data) << "row " << row << ": " << c.name;
    }
}

struct PassCase {
    const char* name;
    std::string input;
    std::string expected;
};

// Documents without converted objects: the same in both formats.
const PassCase kCopyCases[] = {
    {"plain group", "{\\rtf1 hello}", "{\\rtf1 hello}"},
    {"delimiters become blanks, line ends go", "{\\rtf1\\ansi\r\nText\tmore\\par;}",
     "{\\rtf1 \\ansi Text more\\par ;}"},
    {"control symbols take no blank", "{\\*\\~\\_\\-\\:\\|\\{\\}\\\\x}", "{\\*\\~\\_\\-\\:\\|\\{\\}\\\\x}"},
    {"backslash line end is a symbol with a blank", "{a\\\r\nb}", "{a\\\n b}"},
    {"hex escapes in lowercase", "{\\'E9\\'e9\\'7}", "{\\'e9\\'e9\\'07}"},
    {"parameters", "{\\u-8203?\\fs24 \\li-5}", "{\\u-8203 ?\\fs24 \\li-5 }"},
    {"bin copies raw bytes", "{\\bin5 {}\r\nx}", "{\\bin5 {}\r\nx}"},
    {"bin counts past the end copy what there is", "{\\bin10 abc", "{\\bin10 abc"},
    {"bin data may hold zero bytes", zeroed("{\\bin3 a@b}"), zeroed("{\\bin3 a@b}")},
    {"bin without count", "{\\bin x}", "{\\bin0 x}"},
    {"bin negative count", "{\\bin-3 x}", "{\\bin-3 x}"},
    {"oleclsid drops the class id text", "{\\*\\oleclsid \\'7b0002CE02-0000\\'7d}x", "{\\*\\oleclsid \\'7b\\'7d}x"},
    {"text after oleclsid group is kept", "{{\\*\\oleclsid \\'7bid\\'7d}kept}", "{{\\*\\oleclsid \\'7b\\'7d}kept}"},
    {"fonttbl takes no blank", "{\\fonttbl {\\f0 Times;}}", "{\\fonttbl{\\f0 Times;}}"},
    {"font without number", "{\\f x}", "{\\f x}"},
    // A zero byte is copied like any other byte, and nothing after it is lost.
    {"zero byte in a group", zeroed("{a{@c}d}"), zeroed("{a{@c}d}")},
    {"zero byte inside a text run", zeroed("{a{b@c}d}"), zeroed("{a{b@c}d}")},
    {"zero byte after a parameter", zeroed("{\\f1@ x}"), zeroed("{\\f1 @ x}")},
    {"zero byte in object data", zeroed("{\\*\\objdata 01@02}{\\result x}}"),
     zeroed("{\\*\\objdata 01@02}{\\result x}}")},
    {"zero byte at the very end", zeroed("{a}@"), zeroed("{a}@")},
    {"a document once cut off at its zero byte", zeroed("{\\rtf1 {\\b a}{@c} tail text \\par more}"),
     zeroed("{\\rtf1 {\\b a}{@c} tail text \\par more}")},
    {"input ends inside groups", "{a{b", "{a{b"},
    // What follows the document's group is copied too, rather than silently dropped.
    {"bytes after the document", "{a}b{c}", "{a}b{c}"},
    {"document not starting with a group", "text{a}", "text{a}"},
    {"stray closing brace after the document", "{a}}b", "{a}}b"},
    {"line ends after the document", "{a}\r\n", "{a}"},
    {"unrecognised object copied without line ends", "{\\*\\objdata 0105\r\n0000 02\t00}{\\result x}}",
     "{\\*\\objdata 01050000 02 00}{\\result x}}"},
    {"object data cut off by the end", "{\\*\\objdata 0105\r\n00", "{\\*\\objdata 0105\n00"},
    {"Equation.3 is copied for the other format (here: no marker)", objectGroup(ole1Hex("Equation.3", "0011")),
     "{\\object \\objemb {\\*\\objclass Equation.DSMT4}{\\*\\objdata " + ole1Hex("Equation.3", "0011") +
         "}{\\result {\\pict 0102}}}"},
};

TEST(RtfPass, CopiesDocumentsInBothFormats) {
    for (const ConversionOptions& options : {ConversionOptions{}, equationEditor3Options()}) {
        for (size_t row = 0; row < std::size(kCopyCases); ++row) {
            const PassCase& c = kCopyCases[row];
            EngineJob job = runEngineJob(c.input, options);
            EXPECT_EQ(job.output, c.expected)
                << "row " << row << ": " << c.name << " (format " << int(options.eqVersion) << ")";
            EXPECT_EQ(job.converted, 0) << "row " << row;
        }
    }
}

const std::string kObject = ole1Hex("Equation.DSMT4", kNative);

const PassCase kOfficeMathCases[] = {
    {"result group dropped", "{\\rtf1 " + objectGroup(kObject) + "}",
     "{\\rtf1 {\\object \\objemb {\\*\\objclass Equation.DSMT4}{\\*{\\mmath 5:c0ffee00}}}}"},
    {"Equation.3 converted for Office Math", "{" + objectGroup(ole1Hex("Equation.3", kNative)) + "}",
     "{{\\object \\objemb {\\*\\objclass Equation.DSMT4}{\\*{\\mmath 3:c0ffee00}}}}"},
    {"object data with line ends",
     "{{\\*\\objdata " + kObject.substr(0, 40) + "\r\n" + kObject.substr(40) + "}{\\result x}}",
     "{{\\*{\\mmath 5:c0ffee00}}}"},
    {"dropped result group hides everything in it",
     "{{\\*\\objdata " + kObject + "}{\\result {\\fonttbl{\\f7 X Greek;}}{\\*\\objdata " + kObject +
         "}\\bin2 }}}after}",
     "{{\\*{\\mmath 5:c0ffee00}}after}"},
    {"no result group: the nesting stays", "{\\rtf1{\\object{\\*\\objdata " + kObject + "}}after}",
     "{\\rtf1 {\\object {\\*{\\mmath 5:c0ffee00}}}after}"},
    {"text after the data is kept", "{{\\*\\objdata " + kObject + "}tail{\\result x}}",
     "{{\\*{\\mmath 5:c0ffee00}}tail{\\result x}}"},
    {"two objects", "{" + objectGroup(kObject) + objectGroup(kObject) + "}",
     "{{\\object \\objemb {\\*\\objclass Equation.DSMT4}{\\*{\\mmath 5:c0ffee00}}}"
     "{\\object \\objemb {\\*\\objclass Equation.DSMT4}{\\*{\\mmath 5:c0ffee00}}}}"},
    {"bare MTEF", "{{\\*\\objdata " + ole1Hex("Equation", kNative) + "}}", "{{\\*{\\mmath 4:00000009}}}"},
};

TEST(RtfPass, ReplacesObjectsWithOfficeMath) {
    for (size_t row = 0; row < std::size(kOfficeMathCases); ++row) {
        const PassCase& c = kOfficeMathCases[row];
        EngineJob job = runEngineJob(c.input);
        EXPECT_EQ(job.output, c.expected) << "row " << row << ": " << c.name;
    }
    EXPECT_EQ(runEngineJob("{" + objectGroup(kObject) + objectGroup(kObject) + "}").converted, 2);
}

const PassCase kEquationEditor3Cases[] = {
    // A converted object is an Equation.3 object and is named so; readers go by the name.
    {"result group kept, class renamed", "{\\rtf1 " + objectGroup(kObject) + "}",
     "{\\rtf1 {\\object \\objemb {\\*\\objclass Equation.3}{\\*\\objdata eq3:5:c0ffee00}{\\result {\\pict 0102}}}}"},
    {"each object renamed", "{" + objectGroup(kObject) + objectGroup(kObject) + "}",
     "{{\\object \\objemb {\\*\\objclass Equation.3}{\\*\\objdata eq3:5:c0ffee00}{\\result {\\pict 0102}}}"
     "{\\object \\objemb {\\*\\objclass Equation.3}{\\*\\objdata eq3:5:c0ffee00}{\\result {\\pict 0102}}}}"},
    {"an unconverted object keeps its class", "{{\\object{\\*\\objclass Equation.DSMT4}{\\*\\objdata 0011}}}",
     "{{\\object {\\*\\objclass Equation.DSMT4}{\\*\\objdata 0011}}}"},
    {"a class name in pieces is left alone",
     "{{\\object{\\*\\objclass Equation\\'2eDSMT4}{\\*\\objdata " + kObject + "}}}",
     "{{\\object {\\*\\objclass Equation\\'2eDSMT4}{\\*\\objdata eq3:5:c0ffee00}}}"},
    {"a class name without object data", "{{\\object{\\*\\objclass Foo}tail}}", "{{\\object {\\*\\objclass Foo}tail}}"},
    {"a class name at the very end", "{\\*\\objclass Equation.DSMT4", "{\\*\\objclass Equation.DSMT4"},
    {"Equation.3 is not touched", "{" + objectGroup(ole1Hex("Equation.3", kNative)) + "}",
     "{{\\object \\objemb {\\*\\objclass Equation.DSMT4}{\\*\\objdata " + ole1Hex("Equation.3", kNative) +
         "}{\\result {\\pict 0102}}}}"},
    {"objects inside the result group are converted too",
     "{{\\*\\objdata " + kObject + "}{\\result {\\*\\objdata " + kObject + "}{\\pict 01}}}",
     "{{\\*\\objdata eq3:5:c0ffee00}{\\result {\\*\\objdata eq3:5:c0ffee00}{\\pict 01}}}"},
    {"no result group: the nesting stays", "{\\rtf1{\\object{\\*\\objdata " + kObject + "}}after}",
     "{\\rtf1 {\\object {\\*\\objdata eq3:5:c0ffee00}}after}"},
};

TEST(RtfPass, ReplacesObjectDataForEquationEditor3) {
    for (size_t row = 0; row < std::size(kEquationEditor3Cases); ++row) {
        const PassCase& c = kEquationEditor3Cases[row];
        EngineJob job = runEngineJob(c.input, equationEditor3Options());
        EXPECT_EQ(job.output, c.expected) << "row " << row << ": " << c.name;
    }
}

// The output is held from a class name to its object's data for a bounded length only: past it the document goes out
// as it came, in order, and the name is no longer rewritten.
TEST(RtfPass, LongClassNameHoldIsReleasedInOrder) {
    const std::string filler(70000, 'x');
    const std::string input = "{{\\object{\\*\\objclass Equation.DSMT4}" + filler + "{\\*\\objdata " + kObject + "}}}";
    EngineJob job = runEngineJob(input, equationEditor3Options());
    EXPECT_EQ(job.output, "{{\\object {\\*\\objclass Equation.DSMT4}" + filler + "{\\*\\objdata eq3:5:c0ffee00}}}");
    EXPECT_EQ(job.converted, 1);
}

struct FontCase {
    const char* name;
    std::string input;
    std::string cambriaMathGreek;
    std::string greek;
};

TEST(RtfPass, NotesGreekFontsOfTheFontTable) {
    const FontCase cases[] = {
        {"entries as groups", "{\\rtf1{\\fonttbl{\\f0 Times;}{\\f382\\froman Cambria Math Greek;}}{\\f40 Greek}}",
         "\\f382", ""},
        {"Greek without Math", "{\\rtf1{\\fonttbl{\\f1 Arial;}{\\f40\\fcharset161 Times New Roman Greek;}}}", "",
         "\\f40"},
        {"last Greek font wins, first Cambria",
         "{{\\fonttbl{\\f5 A Greek;}{\\f6 Cambria Math Greek;}{\\f7 B Greek;}"
         "{\\f8 Cambria Math Greek;}}}",
         "\\f6", "\\f7"},
        {"font 0 never noted", "{{\\fonttbl{\\f0 Cambria Math Greek;}{\\f0 Times Greek;}}}", "", ""},
        {"flat font table", "{{\\fonttbl\\f0 A;\\f5 Symbol Greek;}}", "", "\\f5"},
        {"body text and fonts change nothing", "{{\\fonttbl{\\f9 Sans;}}\\f40 Greek text Cambria Math Greek;}", "", ""},
        {"font number from outside the table is forgotten", "{\\f12{\\fonttbl Cambria Math Greek;}}", "", ""},
    };
    for (size_t row = 0; row < std::size(cases); ++row) {
        runEngineJob(cases[row].input);
        EXPECT_EQ(cambriaMathGreekFont(), cases[row].cambriaMathGreek) << "row " << row << ": " << cases[row].name;
        EXPECT_EQ(greekFont(), cases[row].greek) << "row " << row << ": " << cases[row].name;
        EXPECT_EQ(rtfPassFlags() & InFontTable, 0) << "row " << row;
    }
}

TEST(RtfPass, TwoJobsInOneProcessKeepTheirOwnState) {
    EngineJob first = runEngineJob("{{\\fonttbl{\\f40 Times Greek;}}" + objectGroup(kObject) + "}");
    EXPECT_EQ(greekFont(), "\\f40");
    EXPECT_EQ(first.converted, 1);
    EXPECT_NE(first.output.find("{\\mmath"), std::string::npos);

    EngineJob second =
        runEngineJob("{{\\fonttbl{\\f41 Cambria Math Greek;}}" + objectGroup(kObject) + "}", equationEditor3Options());
    EXPECT_EQ(greekFont(), "");
    EXPECT_EQ(cambriaMathGreekFont(), "\\f41");
    EXPECT_EQ(second.converted, 1);
    EXPECT_NE(second.output.find("\\objdata eq3:"), std::string::npos);
    EXPECT_NE(second.output.find("{\\result"), std::string::npos);
}

TEST(RtfPass, ReportsProgressInWholePercent) {
    EngineJob job = runEngineJob("{abcdefg}");
    std::vector<std::wstring> expected;
    for (int p = 10; p <= 90; p += 10)
        expected.push_back(L"Processed: " + std::to_wstring(p) + L"%");
    EXPECT_EQ(job.status, expected);
}

// A plain document comes out byte for byte as its golden copy: only delimiters, line ends and tabs change.
TEST(RtfPass, PlainDocumentMatchesItsGoldenCopy) {
    const std::string input = readFileBytes(testDataPath("plain.rtf"));
    ASSERT_FALSE(input.empty());
    EXPECT_EQ(runEngineJob(input).output, readFileBytes(testDataPath("plain.expected.rtf")));
    EXPECT_EQ(runEngineJob(input, equationEditor3Options()).output, readFileBytes(testDataPath("plain.expected.rtf")));
}

// Groups nest as deep as the document wants without exhausting the stack.
TEST(RtfPass, DeepNestingIsCopied) {
    const size_t depth = 1000000;
    const std::string document = std::string(depth, '{') + "x" + std::string(depth, '}');
    EXPECT_EQ(runEngineJob(document).output, document);
}

// The copy lane writes what the token-by-token path writes and reports the same progress: random documents of every
// kind of token (and of sizes that put progress steps and the lane's chunks everywhere), in both formats, each run
// with the lane on and off.
TEST(RtfPass, CopyLaneWritesWhatTheTokenPathWrites) {
    // Tokens packed as a table; the formatter would give every piece a line of its own.
    // clang-format off
    const std::string pieces[] = {
        "text ", "more", "\t", "\r\n", "\r", "\n", "{", "}", "{\\b ", "\\i", "\\i0 ", "\\fs24", "\\fs024 ", "\\li-5",
        "\\li-0", "\\u-", "\\u-?", "\\u8203?", "\\u-3\r\n", "\\par\r\n", "\\par\r\r", "\\par\n\r", "\\'e9", "\\'E",
        "\\'zz", "\\'", "\\\r\n", "\\\n", "\\~", "\\*", "\\{", "\\}", "\\\\", "\\|", "\\%", "\\f40 ", "\\f", "\\fonttbl",
        "{\\fonttbl{\\f1\\fcharset161 Greek;}}", "\\bin3 {}x", "\\bin", zeroed("a@b"), "\\@", "\\abcdefghijklmnopqrstuvwxyzabcdefghij",
        "\\fs99999999999 ", "\\fs123456789 ", "{\\*\\objclass Equation.DSMT4}", "\\oleclsid ", "{\\*\\oleclsid \\'7bx\\'7d}",
        objectGroup(kObject), "{\\*\\objdata 0105}", "{\\result {\\pict 0102\r\n0304}}", "\\objdata", "\\objclass"};
    // clang-format on
    std::mt19937 random(11);
    for (int round = 0; round < 120; ++round) {
        std::string doc = "{\\rtf1 ";
        const size_t count = round == 0 ? 40000 : random() % 300;
        for (size_t i = 0; i < count; ++i)
            doc += pieces[random() % std::size(pieces)];
        if (random() % 4 != 0)
            doc += "}";
        for (const ConversionOptions& options : {ConversionOptions{}, equationEditor3Options()}) {
            setRtfCopyLaneEnabled(false);
            const EngineJob tokens = runEngineJob(doc, options);
            setRtfCopyLaneEnabled(true);
            const EngineJob lane = runEngineJob(doc, options);
            ASSERT_EQ(lane.output, tokens.output) << "round " << round << ", format " << int(options.eqVersion);
            EXPECT_EQ(lane.status, tokens.status) << "round " << round;
            EXPECT_EQ(lane.converted, tokens.converted) << "round " << round;
            EXPECT_EQ(lane.jobStatus, RtfJobStatus::Ok) << "round " << round;
        }
    }
}

// Truncated and bit-flipped documents never crash; every run ends with a result.
TEST(RtfPass, MalformedDocumentsEndCleanly) {
    const std::string base = "{\\rtf1{\\fonttbl{\\f40 Greek;}}" + objectGroup(kObject) +
                             "{\\*\\oleclsid \\'7bx\\'7d}\\bin3 abc\\'e9\\u-5?" + objectGroup(kObject) + "}";
    std::mt19937 random(7);
    for (size_t cut = 0; cut <= base.size(); cut += 3) {
        EngineJob job = runEngineJob(base.substr(0, cut));
        EXPECT_EQ(job.jobStatus, RtfJobStatus::Ok) << "cut " << cut;
    }
    for (int round = 0; round < 300; ++round) {
        std::string doc = base;
        for (int flips = 0; flips < 4; ++flips)
            doc[random() % doc.size()] ^= char(1u << (random() % 8));
        EngineJob job = runEngineJob(doc, round % 2 ? equationEditor3Options() : ConversionOptions{});
        EXPECT_EQ(job.jobStatus, RtfJobStatus::Ok) << "round " << round;
    }
}
} // namespace
