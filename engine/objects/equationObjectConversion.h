// The conversion of one equation object, from the part of its \objdata hex text the RTF pass hands over to the text
// that takes its place: the object is unwrapped down to its "Equation Native" stream, the stream translated, and in
// Equation Editor 3.x output the new stream wrapped into a new object.
#pragma once

#include "mtef/converterContext.h"
#include "objects/equationObjectKind.h"

#include <string>
#include <string_view>

// Returns the replacement (Office Math group or new \objdata text), or an empty text when the object stays as it was.
// The text is the context's `output`, valid until the next call.
const std::string& convertEquationObject(ConverterContext& context, std::string_view hex, EquationObjectKind kind);
