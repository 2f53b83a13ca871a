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

// For decoding pairs: a digit's value in the high (shift 4) or low (shift 0) half of a byte, or kNotDigit, so that
// one OR of two entries gives either the byte or a value with kNotDigit set.
constexpr uint16_t kNotDigit = 0x100;
constexpr std::array<uint16_t, 256> makeHalfValues(int shift) {
    std::array<uint16_t, 256> values{};
    for (size_t c = 0; c < 256; ++c)
        values[c] = kDigitValues[c] < 0 ? kNotDigit : uint16_t(kDigitValues[c] << shift);
    return values;
}
constexpr std::array<uint16_t, 256> kHighHalves = makeHalfValues(4);
constexpr std::array<uint16_t, 256> kLowHalves = makeHalfValues(0);

// Every byte's two lowercase hex characters, so that encoding costs one table read a byte.
constexpr std::array<char, 512> makeHexPairs() {
    constexpr char kLowerHex[] = "0123456789abcdef";
    std::array<char, 512> pairs{};
    for (size_t b = 0; b < 256; ++b) {
        pairs[2 * b] = kLowerHex[b >> 4];
        pairs[2 * b + 1] = kLowerHex[b & 15];
    }
    return pairs;
}
constexpr std::array<char, 512> kHexPairs = makeHexPairs();
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
    const char* pair = hex.data();
    for (size_t i = 0; i < count; ++i, pair += 2) {
        const uint16_t value = kHighHalves[uint8_t(pair[0])] | kLowHalves[uint8_t(pair[1])];
        // Object data is almost always clean hex: one test for both digits, and the C library's rules (in
        // hexPairValue) only for a pair with anything else in it.
        out[i] = (value & kNotDigit) == 0 ? uint8_t(value) : hexPairValue(pair[0], pair[1]);
    }
}

void appendHexText(std::string& out, const uint8_t* bytes, size_t count) {
    const size_t start = out.size();
    out.resize(start + 2 * count);
    char* write = &out[start];
    for (size_t i = 0; i < count; ++i, write += 2) {
        const char* pair = &kHexPairs[2 * size_t(bytes[i])];
        write[0] = pair[0];
        write[1] = pair[1];
    }
}
