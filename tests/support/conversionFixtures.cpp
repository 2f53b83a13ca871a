// Conversion of fixtures for the translator tests.
#include "conversionFixtures.h"

#include "mtef/converterContext.h"
#include "mtefV3Validator.h"
#include "objects/equationObjectConversion.h"
#include "officeMathChecker.h"

#include <gtest/gtest.h>

namespace testing_support {

namespace {
ConversionSwitches fixtureSwitches(EquationFormat format, FixtureOptions options) {
    ConversionSwitches switches;
    switches.format = format;
    switches.forceUnicode = options.forceUnicode;
    switches.allowMathTypeFonts = options.allowMathTypeFonts;
    return switches;
}
} // namespace

std::string convertedOfficeMath(const std::string& nativeHex, FixtureOptions options) {
    ConverterContext& context = converterContext();
    initConverterContext(context, fixtureSwitches(EquationFormat::MicrosoftEquation, options));
    const std::string result = convertEquationObject(context, nativeHex, ObjectBareMtef);
    if (!result.empty()) {
        EXPECT_EQ(checkOfficeMathRtf(result), "");
    }
    return result;
}

std::string convertedEquationNative(const std::string& nativeHex, FixtureOptions options) {
    ConverterContext& context = converterContext();
    initConverterContext(context, fixtureSwitches(EquationFormat::EquationEditor3, options));
    (void)convertEquationObject(context, nativeHex, ObjectBareMtef);
    if (!context.equationNative.empty()) {
        EXPECT_EQ(validateMtef3Stream(context.equationNative), "");
    }
    return context.equationNative;
}

std::string officeMathBody(const std::string& nativeHex, FixtureOptions options) {
    const std::string result = convertedOfficeMath(nativeHex, options);
    if (result.empty())
        return "<unconverted>";
    const std::string head = "{\\dn0\\mmath{\\*\\moMathPara {\\*\\moMath ";
    const std::string tail = "}}\r\n{\\mmathPict}}\r\n";
    if (result.size() < head.size() + tail.size())
        return "<short: " + result + ">";
    return result.substr(head.size(), result.size() - head.size() - tail.size());
}

std::string v3LineRecords(const std::string& nativeHex, FixtureOptions options) {
    const std::string stream = convertedEquationNative(nativeHex, options);
    if (stream.empty())
        return "<unconverted>";
    // Behind the 28-byte header, the MTEF header and FULL (68 hex characters): Euclid Extra's FONT record when
    // MathType fonts are allowed, then the LINE with its END, then the stream's END.
    std::string body = stream.substr(68);
    const std::string euclidExtra = "087f004575636c696420457874726100";
    if (options.allowMathTypeFonts && body.compare(0, euclidExtra.size(), euclidExtra) == 0)
        body.erase(0, euclidExtra.size());
    if (body.size() < 6 || body.compare(0, 2, "01") != 0 || body.compare(body.size() - 4, 4, "0000") != 0)
        return "<not one line: " + body + ">";
    return body.substr(2, body.size() - 6);
}

} // namespace testing_support
