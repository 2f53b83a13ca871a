// Whole engine jobs with the real converter: recognised objects are unwrapped, translated and replaced; objects the
// converter cannot translate are copied as read and not counted.
#include "mtef/hexText.h"
#include "ole1Objects.h"
#include "testFiles.h"

#include <gtest/gtest.h>

#include <string>

using namespace testing_support;

namespace {
// The \objdata hex of an OLE1 object of a class around native data.
std::string objdata(const std::string& className, const std::string& native) {
    return testing_support::ole1ObjectHex(className, native);
}

std::string document(const std::string& objdataHex) {
    return "{\\rtf1 A{\\object\\objemb{\\*\\objclass Equation}{\\*\\objdata " + objdataHex +
           "}{\\result {\\pict 01}}}B}";
}

TEST(EngineJob, ReplacesATranslatableObject) {
    // Bare MTEF version 3: a pile of one empty line, which translates without characters.
    const std::string mtef("\x03\x01\x01\x03\x0a\x04\x00\x00\x01\x00\x00", 11);
    const std::string doc = document(objdata("Equation", mtef));
    auto job = runEngineJob(doc);
    EXPECT_EQ(job.converted, 1);
    EXPECT_EQ(job.output, "{\\rtf1 A{\\object \\objemb {\\*\\objclass Equation}{\\*{\\dn0\\mmath{\\*\\moMathPara "
                          "{\\*\\moMath {\\mm {\\mmPr{\\mplcHide on}{\\mmcs{\\mmc{\\mmcPr{\\mcount 1}{\\mmcJc "
                          "left}}}}}{\\mmr {\\me }}}}}\r\n{\\mmathPict}}\r\n}}B}");
    job = runEngineJob(doc, equationEditor3Options());
#ifdef _WIN32
    // Windows builds Equation Editor 3.x objects through the Equation Editor 3.x server; with none here, the object
    // stays as it was.
    EXPECT_EQ(job.converted, 0);
    EXPECT_NE(job.output.find("\\objdata " + objdata("Equation", mtef) + "}{\\result {\\pict 01}}"), std::string::npos);
#else
    // Natively the engine writes the Equation.3 object itself; the result picture stays.
    EXPECT_EQ(job.converted, 1);
    EXPECT_NE(job.output.find("{\\*\\objdata 01050000020000000b0000004571756174696f6e2e3300"), std::string::npos);
    EXPECT_NE(job.output.find("\r\n}{\\result {\\pict 01}}}B}"), std::string::npos);
#endif
}

TEST(EngineJob, ConvertsARealObject) {
    const std::string file = readFileBytes(testDataPath("mtef-objects/mathtype5/equation1.bin"));
    const auto job = runEngineJob(document(objdata("Equation.DSMT4", file)));
    EXPECT_EQ(job.converted, 1);
    EXPECT_NE(job.output.find("{\\*{\\dn0\\mmath{\\*\\moMathPara "), std::string::npos);
    EXPECT_EQ(job.output.find("{\\result"), std::string::npos);
}

// A Greek letter goes into the document's Greek font, and into none that the font table lacks: without a Greek font
// it is written as its Unicode escape.
TEST(EngineJob, GreekLettersUseOnlyFontsOfTheDocument) {
    // Bare MTEF version 5: a line of one lower-case alpha (typeface 132) with its 8-bit font position.
    const std::string mtef("\x05\x01\x00\x06\x00\x00\x00\x01\x00\x02\x04\x84\xb1\x03\x61\x00\x00", 17);
    const std::string object = "{\\object\\objemb{\\*\\objclass Equation}{\\*\\objdata " + objdata("Equation", mtef) +
                               "}{\\result {\\pict 01}}}";
    struct Case {
        const char* name;
        std::string fontTable;
        std::string letter; // as the equation's run holds it
    };
    const Case cases[] = {
        {"no font table", "", "{\\uc1\\u945\\'3f}"},
        {"no Greek font", "{\\fonttbl{\\f0 Times New Roman;}{\\f34 Cambria Math;}}", "{\\uc1\\u945\\'3f}"},
        {"Cambria Math Greek", "{\\fonttbl{\\f0 Times New Roman;}{\\f382\\fcharset161 Cambria Math Greek;}}",
         "\\f382\\'e1"},
        {"another Greek font", "{\\fonttbl{\\f0 Times New Roman;}{\\f40\\fcharset161 Times New Roman Greek;}}",
         "\\f40\\'e1"},
    };
    for (size_t row = 0; row < std::size(cases); ++row) {
        const auto job = runEngineJob("{\\rtf1" + cases[row].fontTable + " A" + object + "B}");
        EXPECT_EQ(job.converted, 1) << "row " << row << ": " << cases[row].name;
        EXPECT_NE(job.output.find("{\\mr\\mscr0\\msty2\\i " + cases[row].letter + "}"), std::string::npos)
            << "row " << row << ": " << cases[row].name << ": " << job.output;
    }
}

TEST(EngineJob, CopiesObjectsItCannotTranslate) {
    // A compound file cut short: its "Equation Native" stream cannot be read.
    const std::string file = readFileBytes(testDataPath("mtef-objects/mathtype5/equation1.bin")).substr(0, 1000);
    const std::string data = objdata("Equation.DSMT4", file);
    const auto job = runEngineJob(document(data));
    EXPECT_EQ(job.converted, 0);
    EXPECT_NE(job.output.find("{\\*\\objdata " + data + "}{\\result {\\pict 01}}"), std::string::npos);
}
} // namespace
