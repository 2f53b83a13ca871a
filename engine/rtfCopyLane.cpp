// The copy lane. Each token is read in place: a text run is found with a vectorised search for its stop bytes (SSE2,
// which every x64 processor has; a table loop elsewhere), control words are checked against the few the pass acts
// on by their length first, and every output byte is written once, into the output buffer itself. The bytes are
// those the token-by-token path writes (tokeniser rules: RTF's control word with an optional signed number and one
// delimiting blank or line end; text runs lose line ends and turn tabs into blanks).
#include "rtfCopyLane.h"

#include <array>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {
// Byte classes of the lane.
enum LaneByteClass : uint8_t {
    kLetter = 1,    // A-Z a-z
    kDigit = 2,     // 0-9
    kHexDigit = 4,  // 0-9 A-F a-f
    kStopsText = 8, // \ { } CR LF TAB: a written text run stops here
    kStopsSkip = 16, // \ { }: a dropped text run stops here
};

constexpr std::array<uint8_t, 256> makeLaneClasses() {
    std::array<uint8_t, 256> classes{};
    for (int b = 0; b < 256; ++b) {
        uint8_t c = 0;
        if ((b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z'))
            c |= kLetter;
        if (b >= '0' && b <= '9')
            c |= kDigit | kHexDigit;
        if ((b >= 'A' && b <= 'F') || (b >= 'a' && b <= 'f'))
            c |= kHexDigit;
        if (b == '\\' || b == '{' || b == '}')
            c |= kStopsText | kStopsSkip;
        if (b == '\r' || b == '\n' || b == '\t')
            c |= kStopsText;
        classes[size_t(b)] = c;
    }
    return classes;
}
constexpr std::array<uint8_t, 256> kLaneClasses = makeLaneClasses();

// What a byte starts, in a written run; in a dropped one line ends and tabs are text like any other byte.
enum LaneStart : uint8_t { StartsText, StartsLineEnd, StartsTab, StartsGroup, EndsGroup, StartsControl };

constexpr std::array<uint8_t, 256> makeLaneStarts(bool written) {
    std::array<uint8_t, 256> starts{};
    starts[size_t('{')] = StartsGroup;
    starts[size_t('}')] = EndsGroup;
    starts[size_t('\\')] = StartsControl;
    if (written) {
        starts[size_t('\r')] = StartsLineEnd;
        starts[size_t('\n')] = StartsLineEnd;
        starts[size_t('\t')] = StartsTab;
    }
    return starts;
}
constexpr std::array<uint8_t, 256> kWrittenStarts = makeLaneStarts(true);
constexpr std::array<uint8_t, 256> kDroppedStarts = makeLaneStarts(false);

// Hex digits in lowercase ('A'-'F' become 'a'-'f'; other bytes are never asked for).
constexpr std::array<char, 256> makeLowerHex() {
    std::array<char, 256> lower{};
    for (int b = 0; b < 256; ++b)
        lower[size_t(b)] = char(b >= 'A' && b <= 'F' ? b + ('a' - 'A') : b);
    return lower;
}
constexpr std::array<char, 256> kLowerHex = makeLowerHex();

bool is(char byte, uint8_t laneClass) {
    return (kLaneClasses[uint8_t(byte)] & laneClass) != 0;
}

#if defined(__SSE2__)
// A bit for each of 16 bytes that stops a run: \ { }, and in a written run CR LF TAB too.
template <bool Written> int runStopMask(__m128i bytes) {
    __m128i hits = _mm_or_si128(_mm_cmpeq_epi8(bytes, _mm_set1_epi8('\\')),
                                _mm_or_si128(_mm_cmpeq_epi8(bytes, _mm_set1_epi8('{')),
                                             _mm_cmpeq_epi8(bytes, _mm_set1_epi8('}'))));
    if (Written)
        hits = _mm_or_si128(hits, _mm_or_si128(_mm_cmpeq_epi8(bytes, _mm_set1_epi8('\r')),
                                               _mm_or_si128(_mm_cmpeq_epi8(bytes, _mm_set1_epi8('\n')),
                                                            _mm_cmpeq_epi8(bytes, _mm_set1_epi8('\t')))));
    return _mm_movemask_epi8(hits);
}
#endif

// Copies the run of text bytes at p (up to the first stop byte or `end`) to out and returns its end. Sixteen bytes are
// stored at a time, past the run's end too: the output has room for them (kCopyLaneTokenSlack), and only the run's
// bytes count.
const char* copyWrittenRun(const char* p, const char* end, char*& out) {
#if defined(__SSE2__)
    while (end - p >= 16) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out), bytes);
        const int mask = runStopMask<true>(bytes);
        if (mask != 0) {
            const int length = __builtin_ctz(unsigned(mask));
            out += length;
            return p + length;
        }
        p += 16;
        out += 16;
    }
#endif
    while (p < end && !is(*p, kStopsText))
        *out++ = *p++;
    return p;
}

// The first byte of [p, end) in the stop class of the run (written: kStopsText, dropped: kStopsSkip).
template <bool Written> const char* findRunStop(const char* p, const char* end) {
#if defined(__SSE2__)
    while (end - p >= 16) {
        const int mask = runStopMask<Written>(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)));
        if (mask != 0)
            return p + __builtin_ctz(unsigned(mask));
        p += 16;
    }
#endif
    const uint8_t stop = Written ? kStopsText : kStopsSkip;
    while (p < end && !is(*p, stop))
        ++p;
    return p;
}

constexpr size_t kMaxLaneWordLetters = 32; // RTF's own limit; longer words go the ordinary way
constexpr size_t kMaxLaneDigits = 9;       // a plain number of up to 9 digits cannot saturate a 32-bit parameter

template <size_t N> bool equals(const char* text, size_t length, const char (&word)[N]) {
    return length == N - 1 && std::memcmp(text, word, N - 1) == 0;
}

// The control words the pass acts on (all of them while writing; only \bin in a dropped group, where the others have
// no effect).
bool isPassWord(const char* word, size_t length, bool writing) {
    switch (length) {
    case 4:
        return equals(word, length, "\\bin");
    case 8:
        return writing && (equals(word, length, "\\objdata") || equals(word, length, "\\fonttbl"));
    case 9:
        return writing && (equals(word, length, "\\oleclsid") || equals(word, length, "\\objclass"));
    default:
        return false;
    }
}

// The control symbols written without a blank after them, as the pass writes them.
bool takesNoBlank(char symbol) {
    return std::memchr("*'{}\\~_-:|", symbol, 10) != nullptr && symbol != '\0';
}

// A control word at p (a backslash and a letter): its letters, an optional plain signed number and one delimiter.
// Returns the bytes taken, 0 to leave it to the ordinary path.
size_t copyControlWord(const char* p, const char* end, char*& out, bool writing, CopyLaneResult& result) {
    // The word is copied as it is scanned (into a sink in a dropped group); the bytes count only once the token is
    // taken.
    char sink[kCopyLaneTokenSlack];
    char* o = writing ? out : sink;
    *o++ = '\\';
    const char* q = p + 1;
    const char* const lettersEnd = end - p > ptrdiff_t(kMaxLaneWordLetters + 1) ? p + kMaxLaneWordLetters + 1 : end;
    while (q < lettersEnd && is(*q, kLetter))
        *o++ = *q++;
    const size_t wordLength = size_t(q - p);
    if (q >= end || is(*q, kLetter)) // cut off, or longer than the lane takes
        return 0;
    const bool negative = *q == '-';
    if (negative) {
        if (++q >= end)
            return 0;
        *o++ = '-';
    }
    const char* digits = q;
    const char* const digitsEnd = end - q > ptrdiff_t(kMaxLaneDigits + 1) ? q + kMaxLaneDigits + 1 : end;
    while (q < digitsEnd && is(*q, kDigit))
        *o++ = *q++;
    const size_t digitCount = size_t(q - digits);
    // Numbers the ordinary path writes otherwise than they stand: leading zeros, "-0", saturation.
    if (q >= end || digitCount > kMaxLaneDigits || (digitCount > 1 && *digits == '0') ||
        (negative && digitCount == 1 && *digits == '0'))
        return 0;
    if (*q == ' ' || *q == '\n') {
        ++q;
    } else if (*q == '\r') { // CR, or CR LF, is one line end
        if (q + 1 >= end)
            return 0;
        ++q;
        if (*q == '\n')
            ++q;
    }
    if (isPassWord(p, wordLength, writing))
        return 0;
    if (!writing)
        return size_t(q - p);
    if (wordLength == 2 && p[1] == 'f')
        result.sawFontWord = true;
    if (negative && digitCount == 0)
        o[-1] = '0'; // a lone "-" is the number 0
    *o++ = ' ';
    out = o;
    return size_t(q - p);
}

// A backslash at p. Returns the bytes taken, 0 to leave the token to the ordinary path.
size_t copyControl(const char* p, const char* end, char*& out, bool writing, CopyLaneResult& result) {
    if (end - p < 4) // the longest tokens other than words need four bytes to be sure of their end
        return 0;
    const char second = p[1];
    if (is(second, kLetter))
        return copyControlWord(p, end, out, writing, result);
    if (second == '\r' || second == '\n')
        return 0;
    if (second == '\'') { // a hex escape: up to two digits, written as two lowercase digits
        const int digits = !is(p[2], kHexDigit) ? 0 : !is(p[3], kHexDigit) ? 1 : 2;
        if (writing) {
            out[0] = '\\';
            out[1] = '\'';
            if (digits == 2) {
                out[2] = kLowerHex[uint8_t(p[2])];
                out[3] = kLowerHex[uint8_t(p[3])];
            } else {
                out[2] = '0';
                out[3] = kLowerHex[uint8_t(p[2])];
            }
            out += digits == 0 ? 2 : 4;
        }
        return size_t(2 + digits);
    }
    if (writing) {
        *out++ = '\\';
        *out++ = second;
        if (!takesNoBlank(second))
            *out++ = ' ';
    }
    return 2;
}
} // namespace

const char* findTextRunStop(const char* p, const char* end) {
    return findRunStop<true>(p, end);
}

CopyLaneResult copyLane(std::string_view source, size_t startLimit, char* output, bool writing) {
    CopyLaneResult result;
    const char* const begin = source.data();
    const char* const end = begin + source.size();
    const char* const startEnd = begin + (startLimit < source.size() ? startLimit : source.size());
    const char* p = begin;
    char* out = output;
    int32_t depth = 0;
    const std::array<uint8_t, 256>& starts = writing ? kWrittenStarts : kDroppedStarts;
    while (p < startEnd) {
        switch (LaneStart(starts[uint8_t(*p)])) {
        case StartsText:
            p = writing ? copyWrittenRun(p, startEnd, out) : findRunStop<false>(p, startEnd);
            break;
        case StartsLineEnd:
            ++p;
            break;
        case StartsTab:
            *out++ = ' ';
            ++p;
            break;
        case StartsGroup:
            if (writing)
                *out++ = '{';
            ++depth;
            ++p;
            break;
        case EndsGroup:
            if (depth == 0) // a group the pass opened: its frame decides what the brace ends
                goto stop;
            if (writing)
                *out++ = '}';
            --depth;
            ++p;
            break;
        case StartsControl: {
            const size_t taken = copyControl(p, end, out, writing, result);
            if (taken == 0)
                goto stop;
            p += taken;
            break;
        }
        }
    }
stop:
    result.consumed = size_t(p - begin);
    result.written = size_t(out - output);
    result.openedGroups = depth;
    result.endsAfterCarriageReturn = p > begin && p[-1] == '\r';
    return result;
}
