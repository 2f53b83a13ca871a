// Hex text conversions.
#include "mtef/hexText.h"

#include <array>
#include <cstring>

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

uint8_t hexPairValue(char high, char low) {
    const int h = kDigitValues[uint8_t(high)];
    if (h < 0)
        return 0;
    const int l = kDigitValues[uint8_t(low)];
    return l < 0 ? uint8_t(h) : uint8_t(h * 16 + l);
}

namespace {
// A pair's byte: one table read a character, and hexPairValue's rules only for a pair with anything but hex digits in
// it (object data is almost always clean hex).
uint8_t pairValue(const char* pair) {
    const uint16_t value = kHighHalves[uint8_t(pair[0])] | kLowHalves[uint8_t(pair[1])];
    return (value & kNotDigit) == 0 ? uint8_t(value) : hexPairValue(pair[0], pair[1]);
}

// Pairs from `pair` into out[first, last).
void decodePairs(const char* pair, uint8_t* out, size_t first, size_t last) {
    for (size_t i = first; i < last; ++i, pair += 2)
        out[i] = pairValue(pair);
}

#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
constexpr bool kHexWords = true;
#else
constexpr bool kHexWords = false;
#endif
constexpr uint64_t kOnes = 0x0101010101010101;
constexpr uint64_t kHighBits = 0x80 * kOnes;

// The four bytes that eight hex characters stand for, as a little-endian number, when all of them are hex digits of
// either case; false otherwise. Compound file fields are mostly of four bytes, read one at a time as chains are
// followed, so the characters are tested together, each in its own byte of one 64-bit word, instead of by a table
// read each.
bool decodeHexWord(const char* hex, uint32_t& value) {
    uint64_t chars;
    std::memcpy(&chars, hex, sizeof chars); // the first character in the lowest byte
    // With every character below 0x80 no sum below carries into the next byte; its high bit then tells whether the
    // character reached a bound.
    if ((chars & kHighBits) != 0)
        return false;
    const uint64_t folded = chars | 0x20 * kOnes; // 'A'..'F' become 'a'..'f'; digits keep their code
    const uint64_t isDigit = (chars + (0x80 - '0') * kOnes) & ~(chars + (0x7f - '9') * kOnes);
    const uint64_t isLetter = (folded + (0x80 - 'a') * kOnes) & ~(folded + (0x7f - 'f') * kOnes);
    if (((isDigit | isLetter) & kHighBits) != kHighBits)
        return false;
    // A digit's value is its low four bits, a letter's those plus 9. Then each pair's halves are joined in its first
    // byte, and the four first bytes gathered into the low half.
    const uint64_t halves = (chars & 0x0f * kOnes) + ((isLetter & kHighBits) >> 7) * 9;
    uint64_t bytes = ((halves << 4) | (halves >> 8)) & 0x00ff00ff00ff00ff;
    bytes = (bytes | bytes >> 8) & 0x0000ffff0000ffff;
    value = uint32_t(bytes | bytes >> 16);
    return true;
}

#if defined(__SSE2__)
// Sorts 16 characters: the lanes that hold a decimal digit, and those that hold a letter a..f of either case (all ones
// there), with the digits' values and the letters' distance from 'a'. A character's distance from '0' (or its folded
// case's from 'a'), less the range's last distance with unsigned saturation, is zero only inside the range.
struct HexLanes {
    __m128i isDigit;
    __m128i isLetter;
    __m128i digits;
    __m128i letters;
};

HexLanes sortHexLanes(__m128i chars) {
    HexLanes lanes;
    lanes.digits = _mm_sub_epi8(chars, _mm_set1_epi8('0'));
    lanes.isDigit = _mm_cmpeq_epi8(_mm_subs_epu8(lanes.digits, _mm_set1_epi8(9)), _mm_setzero_si128());
    lanes.letters = _mm_sub_epi8(_mm_or_si128(chars, _mm_set1_epi8(0x20)), _mm_set1_epi8('a'));
    lanes.isLetter = _mm_cmpeq_epi8(_mm_subs_epu8(lanes.letters, _mm_set1_epi8(5)), _mm_setzero_si128());
    return lanes;
}

bool allHexDigits(const HexLanes& lanes) {
    return _mm_movemask_epi8(_mm_or_si128(lanes.isDigit, lanes.isLetter)) == 0xffff;
}

// Decodes 16 hex characters into 8 bytes when all of them are hex digits; false (nothing written) otherwise.
bool decodeSixteenHexDigits(const char* hex, uint8_t* out) {
    const HexLanes lanes = sortHexLanes(_mm_loadu_si128(reinterpret_cast<const __m128i*>(hex)));
    if (!allHexDigits(lanes))
        return false;
    const __m128i values = _mm_or_si128(_mm_and_si128(lanes.isDigit, lanes.digits),
                                        _mm_and_si128(lanes.isLetter, _mm_add_epi8(lanes.letters, _mm_set1_epi8(10))));
    // Each 16-bit lane holds a pair: its first character (the high half) in the low byte.
    const __m128i bytes =
        _mm_or_si128(_mm_slli_epi16(_mm_and_si128(values, _mm_set1_epi16(0x00ff)), 4), _mm_srli_epi16(values, 8));
    _mm_storel_epi64(reinterpret_cast<__m128i*>(out), _mm_packus_epi16(bytes, bytes));
    return true;
}

// Copies 16 hex characters in lowercase when all of them are hex digits; false (nothing written) otherwise. Every
// decimal digit has the case bit (0x20) set already, so one OR lowercases the lot.
bool lowercaseSixteenHexDigits(const char* hex, char* out) {
    const __m128i chars = _mm_loadu_si128(reinterpret_cast<const __m128i*>(hex));
    if (!allHexDigits(sortHexLanes(chars)))
        return false;
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm_or_si128(chars, _mm_set1_epi8(0x20)));
    return true;
}
#endif
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

uint64_t hexLittleEndianValue(const char* hex, size_t count) {
    uint32_t low = 0;
    uint32_t high = 0;
    if (kHexWords && count == 4 && decodeHexWord(hex, low))
        return low;
    if (kHexWords && count == 8 && decodeHexWord(hex, low) && decodeHexWord(hex + 8, high))
        return uint64_t(high) << 32 | low;
    uint64_t value = 0;
    for (size_t i = count; i-- > 0;)
        value = value << 8 | pairValue(hex + 2 * i);
    return value;
}

void writeLowercaseHex(const char* hex, size_t count, char* out) {
    size_t i = 0;
#if defined(__SSE2__)
    // Eight pairs at a time; a block with anything but hex digits in it goes pair by pair.
    for (; i + 8 <= count; i += 8) {
        if (lowercaseSixteenHexDigits(hex + 2 * i, out + 2 * i))
            continue;
        for (size_t j = i; j < i + 8; ++j)
            std::memcpy(out + 2 * j, &kHexPairs[2 * size_t(pairValue(hex + 2 * j))], 2);
    }
#endif
    for (; i < count; ++i)
        std::memcpy(out + 2 * i, &kHexPairs[2 * size_t(pairValue(hex + 2 * i))], 2);
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
