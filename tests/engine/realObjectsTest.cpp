// Every real MathType and Equation Editor object converts in both formats, into sound Office Math and a well-formed
// MTEF version 3 stream.
#include "realObjects.h"
#include "mtef/converterContext.h"
#include "mtefV3Validator.h"
#include "objects/equationObjectConversion.h"
#include "objects/equationObjectUnwrap.h"
#include "officeMathChecker.h"
#include "testFiles.h"

#include <gtest/gtest.h>

#include <string>

using namespace testing_support;

namespace {
TEST(RealObjects, ConvertSoundlyInBothFormats) {
    int objects = 0;
    for (const char* folder : {"mathtype3", "mathtype5"}) {
        for (const RealObject& object : realObjectsIn(folder)) {
            const std::string& name = object.name;
            const std::string hex = hexOf(object.bytes);
            ++objects;
            ConverterContext& context = converterContext();
            initConverterContext(context, ConversionSwitches{});
            const std::string officeMath = convertEquationObject(context, hex, ObjectStorage);
            if (!officeMath.empty()) {
                EXPECT_EQ(testing_support::checkOfficeMathRtf(officeMath), "") << name;
            }
            ConversionSwitches equationEditor3{EquationFormat::EquationEditor3};
            equationEditor3.allowMathTypeFonts = 1;
            initConverterContext(context, equationEditor3);
            (void)convertEquationObject(context, hex, ObjectStorage);
            const std::string equationNative = context.equationNative;
            if (!equationNative.empty()) {
                EXPECT_EQ(testing_support::validateMtef3Stream(equationNative), "") << name;
            }

            EXPECT_FALSE(officeMath.empty()) << name << " did not convert to Office Math";
            EXPECT_FALSE(equationNative.empty()) << name << " did not convert to MTEF 3";
        }
    }
    EXPECT_GT(objects, 30);
}

// Equation Editor 3.x's own streams hold what the validator asks of the engine's: in every template, as many lines
// as its selector has slots, and no more characters than it has. One object names product subversion 1 in its MTEF
// header, which the engine never writes (and past it holds a pile as a slot, which the engine writes in a line).
TEST(RealObjects, EquationEditorStreamsPassTheValidator) {
    struct Exception {
        const char* name;
        const char* problem;
    };
    const Exception exceptions[] = {
        {"mathtype3/lim_embell.bin", "byte 32: MTEF header is not 03 01 01 03 0a"},
    };
    int objects = 0;
    for (const RealObject& object : realObjectsIn("mathtype3")) {
        ++objects;
        std::string native;
        ASSERT_EQ(unwrapEquationObject(native, hexOf(object.bytes), ObjectStorage, 0), UnwrapStatus::Ok) << object.name;
        std::string expected;
        for (const Exception& exception : exceptions) {
            if (object.name == exception.name)
                expected = exception.problem;
        }
        EXPECT_EQ(testing_support::validateMtef3Stream(native), expected) << object.name;
    }
    EXPECT_EQ(objects, 11);
}
} // namespace
