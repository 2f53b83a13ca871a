// Windows code page 1252 conversion. The code page is ISO 8859-1 except for 0x80-0x9F, where 8859-1 has its C1
// control codes and code page 1252 has the euro sign, typographic quotes, dashes and a few letters instead. Only that
// block needs a table; every other byte is its own code point.
//
// Code page 1252 assigns no character to five bytes of the block: 0x81, 0x8D, 0x8F, 0x90 and 0x9D. Those, and only
// those, count as "conversion fails", and the caller writes "?" for them. Beware when comparing with the system:
// MultiByteToWideChar(1252, MB_ERR_INVALID_CHARS) does not necessarily fail for them. Wine's hands back the C1
// controls U+0081, U+008D, U+008F, U+0090 and U+009D instead (fontCharacterMapsTest reports what the system it runs
// on does). Failing here keeps an invisible control character out of the output, the same on every system.
#include "mtef/codePage1252.h"

namespace {
constexpr uint16_t kUndefined = 0; // no byte of the block converts to U+0000

// clang-format off
// Bytes 0x80-0x9F; kUndefined (0) for the five bytes without a character.
constexpr uint16_t kBlock80[32] = {
    // x0   x1      x2      x3      x4      x5      x6      x7      x8      x9      xA      xB      xC      xD      xE      xF
    0x20AC,      0, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160, 0x2039, 0x0152,      0, 0x017D,      0, // 0x80
         0, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153,      0, 0x017E, 0x0178, // 0x90
};
// clang-format on
} // namespace

bool convertWindows1252Byte(uint8_t byte, uint16_t& codePoint) {
    if (byte < 0x80 || byte > 0x9F) {
        codePoint = byte;
        return true;
    }
    const uint16_t code = kBlock80[byte - 0x80];
    if (code == kUndefined)
        return false;
    codePoint = code;
    return true;
}
