// Equation Editor 3.x objects cannot be built yet: the Equation.3 storage and its OLE server round trip come later.
// Until then every object bound for that format stays as it was.
#include "equationObjectWrap.h"

int wrapEquationObject(std::string& output, std::string_view /*equationNativeHex*/, int /*mode*/) {
    output.clear();
    return 2;
}
