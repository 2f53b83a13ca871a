// Equation object unwrapping: bare MTEF passes through; compound files give their "Equation Native" stream; and the
// restore path takes bare MTEF found where a compound file should be.
#include "objects/equationObjectUnwrap.h"

#include "objects/equationObjectKind.h"

#include <string_view>

namespace {
constexpr size_t kZeroedHeaderHex = 56; // a 28-byte header of zeros

bool isOneOf(std::string_view pair, std::initializer_list<std::string_view> values) {
    for (std::string_view value : values) {
        if (pair == value)
            return true;
    }
    return false;
}

// The first five bytes look like an MTEF header: version 2, 3 or 5 (not 4), platform and product 0 or 1, product
// version and subversion below 16. Characters 7 and 9 are not looked at.
bool looksLikeMtefHeader(std::string_view hex) {
    return isOneOf(hex.substr(0, 2), {"02", "03", "05"}) && isOneOf(hex.substr(2, 2), {"00", "01"}) &&
           isOneOf(hex.substr(4, 2), {"00", "01"}) && hex[6] == '0' && hex[8] == '0';
}
} // namespace

UnwrapStatus unwrapEquationObject(std::string& output, std::string_view input, int kind, int restoreBroken) {
    output.clear();
    if (input.empty())
        return UnwrapStatus::Ok;
    if (kind == ObjectBareMtef) {
        output.assign(input.data(), input.size());
        return UnwrapStatus::Ok;
    }
    switch (readEquationNativeStream(input, output)) {
    case StreamReadStatus::Ok:
        return UnwrapStatus::Ok;
    case StreamReadStatus::Failed:
        output.clear();
        return UnwrapStatus::Failed;
    case StreamReadStatus::NotStorage:
        output.clear();
        if (restoreBroken && input.size() > 10 && looksLikeMtefHeader(input)) {
            output.assign(kZeroedHeaderHex, '0');
            output.append(input.data(), input.size());
            return UnwrapStatus::Ok;
        }
        return UnwrapStatus::Failed;
    }
    return UnwrapStatus::Failed;
}
