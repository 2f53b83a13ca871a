// Hex text conversions.
#include "hexText.h"

#include <array>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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

#if defined(__SSE2__)
// Decodes 16 hex characters into 8 bytes when all of them are hex digits; false (nothing written) otherwise.
bool decodeSixteenHexDigits(const char* hex, uint8_t* out) {
    const __m128i chars = _mm_loadu_si128(reinterpret_cast<const __m128i*>(hex));
    // Digits: '0'..'9'; letters: either case of 'a'..'f'. Bytes from 0x80 compare as negative and fail both.
    const __m128i digits = _mm_sub_epi8(chars, _mm_set1_epi8('0'));
    const __m128i isDigit = _mm_and_si128(_mm_cmpgt_epi8(digits, _mm_set1_epi8(-1)),
                                          _mm_cmplt_epi8(digits, _mm_set1_epi8(10)));
    const __m128i letters = _mm_sub_epi8(_mm_or_si128(chars, _mm_set1_epi8(0x20)), _mm_set1_epi8('a'));
    const __m128i isLetter = _mm_and_si128(_mm_cmpgt_epi8(letters, _mm_set1_epi8(-1)),
                                           _mm_cmplt_epi8(letters, _mm_set1_epi8(6)));
    if (_mm_movemask_epi8(_mm_or_si128(isDigit, isLetter)) != 0xffff)
        return false;
    const __m128i values = _mm_or_si128(_mm_and_si128(isDigit, digits),
                                        _mm_and_si128(isLetter, _mm_add_epi8(letters, _mm_set1_epi8(10))));
    // Each 16-bit lane holds a pair: its first character (the high half) in the low byte.
    const __m128i bytes = _mm_or_si128(_mm_slli_epi16(_mm_and_si128(values, _mm_set1_epi16(0x00ff)), 4),
                                       _mm_srli_epi16(values, 8));
    _mm_storel_epi64(reinterpret_cast<__m128i*>(out), _mm_packus_epi16(bytes, bytes));
    return true;
}
#endif

namespace {
// Pairs from `pair` into out[first, last): object data is almost always clean hex, so one test covers both digits,
// and the C library's rules (in hexPairValue) apply only to a pair with anything else in it.
void decodePairs(const char* pair, uint8_t* out, size_t first, size_t last) {
    for (size_t i = first; i < last; ++i, pair += 2) {
        const uint16_t value = kHighHalves[uint8_t(pair[0])] | kLowHalves[uint8_t(pair[1])];
        out[i] = (value & kNotDigit) == 0 ? uint8_t(value) : hexPairValue(pair[0], pair[1]);
    }
}
} // namespace

void decodeHexText(std::string_view hex, uint8_t* out) {
    const size_t count = hex.size() / 2;
    size_t i = 0;
#if defined(__SSE2__)
    // Eight bytes at a time; a block with anything but hex digits in it goes pair by pair.
    for (; i + 8 <= count; i += 8) {
        if (!decodeSixteenHexDigits(hex.data() + 2 * i, out + i))
            decodePairs(hex.data() + 2 * i, out, i, i + 8);
    }
#endif
    decodePairs(hex.data() + 2 * i, out, i, count);
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
