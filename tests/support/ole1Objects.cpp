// OLE1 embedded objects for the tests; see ole1Objects.h.
#include "ole1Objects.h"

#include "testFiles.h"

namespace testing_support {
namespace {
void appendLe32(std::string& out, uint32_t value) {
    for (int i = 0; i < 4; ++i, value >>= 8)
        out += char(value & 0xff);
}
} // namespace

std::string ole1Header(std::string_view className, uint32_t nativeSize) {
    std::string header;
    appendLe32(header, 0x0501); // OLE version
    appendLe32(header, 2);      // format: embedded
    appendLe32(header, uint32_t(className.size() + 1));
    header.append(className.data(), className.size());
    header += '\0';
    appendLe32(header, 0); // topic
    appendLe32(header, 0); // item
    appendLe32(header, nativeSize);
    return header;
}

std::string ole1Object(std::string_view className, std::string_view native) {
    std::string object = ole1Header(className, uint32_t(native.size()));
    object.append(native.data(), native.size());
    return object;
}

std::string ole1ObjectHex(std::string_view className, std::string_view native) {
    return hexOf(ole1Object(className, native));
}

} // namespace testing_support
