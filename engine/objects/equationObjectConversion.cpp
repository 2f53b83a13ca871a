// The conversion of one equation object: unwrap, translate, and for Equation Editor 3.x output wrap again.
#include "objects/equationObjectConversion.h"

#include "objects/equationObjectUnwrap.h"
#include "objects/equationObjectWrap.h"

const std::string& convertEquationObject(ConverterContext& context, std::string_view hex, EquationObjectKind kind) {
    beginEquationObject(context);
    if (unwrapEquationObject(context.sourceHex, hex, kind, context.restoreBroken) != UnwrapStatus::Ok) {
        context.sourceHex.clear();
        return context.output;
    }
    if (!translateEquationNative(context))
        return context.output;
    if (context.format == EquationFormat::EquationEditor3)
        (void)wrapEquationObject(context.output, context.equationNative); // empty on failure: left unconverted
    return context.output;
}
