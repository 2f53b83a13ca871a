// The converter context. Object translation is not here yet, so every object comes back unconverted.
#include "converterContext.h"

namespace {
ConverterContext gConverterContext; // conversion job's thread only
}

ConverterContext& converterContext() {
    return gConverterContext;
}

void initConverterContext(ConverterContext& context, int32_t format, int32_t allowMathTypeFonts, int32_t restoreBroken,
                          int32_t forceUnicode) {
    context = ConverterContext{};
    context.format = format;
    context.allowMathTypeFonts = allowMathTypeFonts;
    context.restoreBroken = restoreBroken;
    context.forceUnicode = forceUnicode;
}

const std::string& convertEquationObject(ConverterContext& context, std::string_view /*hex*/,
                                         EquationObjectKind /*kind*/) {
    context.output.clear();
    return context.output;
}
