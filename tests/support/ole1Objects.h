// OLE1 embedded objects as an RTF \objdata group carries them: OLE version 0x0501, format 2 (embedded), the class
// name with its zero and length, an empty topic and item, and the native data behind its 32-bit size, all
// little-endian. The tests and the benchmark documents build their objects with these; no presentation part.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace testing_support {

// The object's bytes up to its native data, for native data of `nativeSize` bytes.
std::string ole1Header(std::string_view className, uint32_t nativeSize);
// The whole object around `native`.
std::string ole1Object(std::string_view className, std::string_view native);
// The whole object as one line of lowercase hex, as \objdata holds it without its line breaks.
std::string ole1ObjectHex(std::string_view className, std::string_view native);

} // namespace testing_support
