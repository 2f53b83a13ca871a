// Every real MathType and Equation Editor object converts in both formats, into sound Office Math and a well-formed
// MTEF version 3 stream.
#include "realObjects.h"
#include "mtef/converterContext.h"
#include "mtefV3Validator.h"
#include "objects/equationObjectConversion.h"
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
} // namespace
