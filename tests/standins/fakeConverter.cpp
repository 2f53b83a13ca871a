// A stand-in converter for the RTF pass's tests: it "converts" every object whose data holds the marker "c0ffee",
// so that the pass's handling of converted objects can be checked before and apart from the real translation.
#include "mtef/converterContext.h"
#include "objects/equationObjectConversion.h"

namespace {
ConverterContext gContext;
}

ConverterContext& converterContext() {
    return gContext;
}

void initConverterContext(ConverterContext& context, const ConversionSwitches& switches) {
    context = ConverterContext{};
    context.format = switches.format;
    context.allowMathTypeFonts = switches.allowMathTypeFonts;
    context.restoreBroken = switches.restoreBroken;
    context.forceUnicode = switches.forceUnicode;
}

// The result names the kind and the first eight characters of the data handed over, and the format.
const std::string& convertEquationObject(ConverterContext& context, std::string_view hex, EquationObjectKind kind) {
    context.output.clear();
    if (hex.find("c0ffee") == std::string_view::npos)
        return context.output;
    context.output = context.format == EquationFormat::EquationEditor3 ? "eq3:" : "{\\mmath ";
    context.output += std::to_string(int(kind)) + ":" + std::string(hex.substr(0, 8));
    if (context.format != EquationFormat::EquationEditor3)
        context.output += "}";
    return context.output;
}
