// UTF-16 and UTF-32 decoding for the text file reader, and the small byte and string helpers beside it.
#include "textUnits.h"

#include <cwctype>

namespace {
constexpr wchar_t kSubstitute = L'?';

bool isSurrogate(uint32_t unit) {
    return unit >= 0xD800 && unit <= 0xDFFF;
}

uint32_t unit16At(const uint8_t* bytes, bool bigEndian) {
    return bigEndian ? (uint32_t(bytes[0]) << 8) | bytes[1] : (uint32_t(bytes[1]) << 8) | bytes[0];
}

uint32_t unit32At(const uint8_t* bytes, bool bigEndian) {
    return bigEndian ? (uint32_t(bytes[0]) << 24) | (uint32_t(bytes[1]) << 16) | (uint32_t(bytes[2]) << 8) | bytes[3]
                     : (uint32_t(bytes[3]) << 24) | (uint32_t(bytes[2]) << 16) | (uint32_t(bytes[1]) << 8) | bytes[0];
}

// The last run's incomplete tail is dropped and stands as one "?".
void substituteTail(UnitDecodeResult& result, size_t count, bool lastRun, wchar_t* out) {
    if (!lastRun || result.consumed == count)
        return;
    out[result.units++] = kSubstitute;
    result.substituted = true;
    result.consumed = count;
}
} // namespace

UnitDecodeResult decodeUtf16Run(const uint8_t* bytes, size_t count, bool bigEndian, bool lastRun, wchar_t* out) {
    UnitDecodeResult result;
    size_t pos = 0;
    while (count - pos >= 2) {
        const uint32_t unit = unit16At(bytes + pos, bigEndian);
        if (isSurrogate(unit)) {
            if (count - pos < 4)
                break; // the partner is still in the file
            out[result.units++] = wchar_t(unit);
            out[result.units++] = wchar_t(unit16At(bytes + pos + 2, bigEndian));
            pos += 4;
        } else {
            out[result.units++] = wchar_t(unit);
            pos += 2;
        }
    }
    result.consumed = pos;
    substituteTail(result, count, lastRun, out);
    return result;
}

UnitDecodeResult decodeUtf32Run(const uint8_t* bytes, size_t count, bool bigEndian, bool lastRun, wchar_t* out) {
    UnitDecodeResult result;
    size_t pos = 0;
    for (; count - pos >= 4; pos += 4) {
        const uint32_t value = unit32At(bytes + pos, bigEndian);
        if (value <= 0xFFFF && !isSurrogate(value)) {
            out[result.units++] = wchar_t(value);
        } else if (value >= 0x10000 && value <= 0x10FFFF) {
            out[result.units++] = wchar_t(0xD800 + ((value - 0x10000) >> 10));
            out[result.units++] = wchar_t(0xDC00 + ((value - 0x10000) & 0x3FF));
        } else {
            // Not a Unicode scalar value: a lone surrogate here could never pair up, and nothing above 0x10FFFF
            // fits UTF-16.
            out[result.units++] = kSubstitute;
            result.substituted = true;
        }
    }
    result.consumed = pos;
    substituteTail(result, count, lastRun, out);
    return result;
}

uint32_t bytesToInt(const uint8_t* bytes, size_t length, bool littleEndian) {
    if (bytes == nullptr || length < 2 || length > 4)
        return 0;
    uint32_t value = 0;
    for (size_t i = 0; i < length; ++i) {
        const size_t index = littleEndian ? length - 1 - i : i;
        value = (value << 8) | bytes[index];
    }
    return value;
}

bool intToBytes(uint8_t* bytes, size_t length, uint32_t value, bool littleEndian) {
    if (bytes == nullptr || length < 2 || length > 4)
        return false;
    for (size_t i = 0; i < length; ++i) {
        const size_t index = littleEndian ? i : length - 1 - i;
        bytes[index] = uint8_t(value % 256);
        value /= 256;
    }
    return value == 0;
}

std::wstring trimWideSpaces(const std::wstring& text) {
    return trimmedBy(text, [](wchar_t unit) { return std::iswspace(wint_t(unit)) != 0; });
}
