// UTF-16 and UTF-32 decoding for the text file reader, the text of registry string data, and the small byte and string
// helpers beside them.
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
// Well-formed UTF-8 sequences by their first byte: every byte after the second lies in 80-BF.
struct Utf8Lead {
    uint8_t first;      // first byte, from
    uint8_t last;       // first byte, to
    uint8_t length;     // bytes in the sequence
    uint8_t secondLow;  // the second byte's range, from
    uint8_t secondHigh; // the second byte's range, to
};
constexpr Utf8Lead kUtf8Leads[] = {
    // first last length second byte
    {0x00, 0x7F, 1, 0x00, 0x00}, // ASCII
    {0xC2, 0xDF, 2, 0x80, 0xBF}, // U+0080 to U+07FF (C0 and C1 would be overlong)
    {0xE0, 0xE0, 3, 0xA0, 0xBF}, // U+0800 to U+0FFF, no overlong forms
    {0xE1, 0xEC, 3, 0x80, 0xBF}, // U+1000 to U+CFFF
    {0xED, 0xED, 3, 0x80, 0x9F}, // U+D000 to U+D7FF, no surrogates
    {0xEE, 0xEF, 3, 0x80, 0xBF}, // U+E000 to U+FFFF
    {0xF0, 0xF0, 4, 0x90, 0xBF}, // U+10000 to U+3FFFF, no overlong forms
    {0xF1, 0xF3, 4, 0x80, 0xBF}, // U+40000 to U+FFFFF
    {0xF4, 0xF4, 4, 0x80, 0x8F}, // U+100000 to U+10FFFF, nothing above
};

enum class Utf8Start { WellFormed, IllFormed, CutShort };

// Whether the bytes at `pos` start a well-formed sequence.
Utf8Start utf8StartAt(const uint8_t* bytes, size_t count, size_t pos) {
    const uint8_t first = bytes[pos];
    for (const Utf8Lead& lead : kUtf8Leads) {
        if (first < lead.first || first > lead.last)
            continue;
        for (size_t n = 1; n < lead.length; ++n) {
            if (pos + n >= count)
                return Utf8Start::CutShort;
            const uint8_t low = n == 1 ? lead.secondLow : 0x80;
            const uint8_t high = n == 1 ? lead.secondHigh : 0xBF;
            if (bytes[pos + n] < low || bytes[pos + n] > high)
                return Utf8Start::IllFormed;
        }
        return Utf8Start::WellFormed;
    }
    return Utf8Start::IllFormed; // 80-C1 and F5-FF start nothing
}
} // namespace

size_t utf8UndecodableFront(const uint8_t* bytes, size_t count) {
    size_t pos = 0;
    while (pos < count && utf8StartAt(bytes, count, pos) == Utf8Start::IllFormed)
        ++pos;
    return pos;
}

bool isWellFormedUtf16(const std::wstring& text) {
    for (size_t i = 0; i < text.size(); ++i) {
        const uint32_t unit = uint32_t(text[i]);
        if (!isSurrogate(unit))
            continue;
        if (unit > 0xDBFF || i + 1 == text.size() || uint32_t(text[i + 1]) < 0xDC00 || uint32_t(text[i + 1]) > 0xDFFF)
            return false;
        ++i;
    }
    return true;
}

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

std::wstring registryStringText(const uint8_t* bytes, size_t count) {
    std::wstring text;
    for (size_t pos = 0; count - pos >= 2; pos += 2) {
        const wchar_t unit = wchar_t(unit16At(bytes + pos, false));
        if (unit == 0)
            break;
        text.push_back(unit);
    }
    return text;
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
