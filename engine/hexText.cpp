// Hex text conversions.
#include "hexText.h"

#include <array>

namespace {
constexpr std::array<int8_t, 256> makeDigitValues() {
    std::array<int8_t, 256> values{};
    for (int c = 0; c < 256; ++c) {
        if (c >= '0' && c <= '9')
            values[size_t(c)] = int8_t(c - '0');
        else if (c >= 'a' && c <= 'f')
            values[size_t(c)] = int8_t(c - 'a' + 10);
        else if (c >= 'A' && c <= 'F')
            values[size_t(c)] = int8_t(c - 'A' + 10);
        else
            values[size_t(c)] = -1;
    }
    return values;
}
constexpr std::array<int8_t, 256> kDigitValues = makeDigitValues();
constexpr char kLowerHex[] = "0123456789abcdef";
} // namespace

int hexDigitValue(char c) {
    return kDigitValues[uint8_t(c)];
}

uint8_t hexPairValue(char high, char low) {
    const int h = kDigitValues[uint8_t(high)];
    if (h < 0)
        return 0;
    const int l = kDigitValues[uint8_t(low)];
    return l < 0 ? uint8_t(h) : uint8_t(h * 16 + l);
}

void decodeHexText(std::string_view hex, uint8_t* out) {
    const size_t count = hex.size() / 2;
    for (size_t i = 0; i < count; ++i)
        out[i] = hexPairValue(hex[2 * i], hex[2 * i + 1]);
}

void appendHexText(std::string& out, const uint8_t* bytes, size_t count) {
    const size_t start = out.size();
    out.resize(start + 2 * count);
    char* write = &out[start];
    for (size_t i = 0; i < count; ++i) {
        *write++ = kLowerHex[bytes[i] >> 4];
        *write++ = kLowerHex[bytes[i] & 15];
    }
}
