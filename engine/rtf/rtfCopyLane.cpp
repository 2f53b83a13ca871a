// The copy lane. Almost every byte the pass copies comes out as it went in: text, braces, and control words already
// followed by their blank. So the written lane does not copy token by token: it finds the bytes that start something
// (\ { } and the control bytes up to CR) with a bit mask of 64 bytes at a time (SSE2, which every x64 processor has;
// a table loop elsewhere), checks each token where it stands, and copies whole stretches of unchanged input at once.
// Only where the output differs from the input (a line end dropped, a tab or a delimiter turned into a blank, a
// blank added after a word, a hex escape in upper case or with one digit) is the stretch before it written and the
// token's own bytes put out. The bytes are those the token-by-token path writes (tokeniser rules: RTF's control word
// with an optional signed number and one delimiting blank or line end; text runs lose line ends and turn tabs into
// blanks). A dropped group (nothing written) only follows the groups.
#include "rtf/rtfCopyLane.h"

#include <array>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

// The lane's per-token helpers are small and called once per token: they must not cost a call each.
#if defined(__GNUC__)
#define LANE_INLINE [[gnu::always_inline]] inline
#else
#define LANE_INLINE inline
#endif

namespace {
// Byte classes of the lane.
enum LaneByteClass : uint8_t {
    kLetter = 1,     // A-Z a-z
    kDigit = 2,      // 0-9
    kHexDigit = 4,   // 0-9 A-F a-f
    kStopsText = 8,  // \ { } CR LF TAB: a written text run stops here
    kStopsSkip = 16, // \ { }: a dropped text run stops here
    kLowerHex = 32,  // 0-9 a-f: a hex digit written as it stands
    kMarked = 64,    // \ { } and every byte up to CR: the written lane's block masks mark these
};

constexpr uint8_t kLastMarkedControl = '\r'; // TAB, LF and CR, and the control bytes below them

constexpr std::array<uint8_t, 256> makeLaneClasses() {
    std::array<uint8_t, 256> classes{};
    for (int b = 0; b < 256; ++b) {
        uint8_t c = 0;
        if ((b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z'))
            c |= kLetter;
        if (b >= '0' && b <= '9')
            c |= kDigit | kHexDigit | kLowerHex;
        if (b >= 'a' && b <= 'f')
            c |= kHexDigit | kLowerHex;
        if (b >= 'A' && b <= 'F')
            c |= kHexDigit;
        if (b == '\\' || b == '{' || b == '}')
            c |= kStopsText | kStopsSkip | kMarked;
        if (b == '\r' || b == '\n' || b == '\t')
            c |= kStopsText;
        if (b <= kLastMarkedControl)
            c |= kMarked;
        classes[size_t(b)] = c;
    }
    return classes;
}
constexpr std::array<uint8_t, 256> kLaneClasses = makeLaneClasses();

// Hex digits in lowercase ('A'-'F' become 'a'-'f'; other bytes are never asked for).
constexpr std::array<char, 256> makeLowerHex() {
    std::array<char, 256> lower{};
    for (int b = 0; b < 256; ++b)
        lower[size_t(b)] = char(b >= 'A' && b <= 'F' ? b + ('a' - 'A') : b);
    return lower;
}
constexpr std::array<char, 256> kLowerHexDigits = makeLowerHex();

LANE_INLINE bool is(char byte, uint8_t laneClass) {
    return (kLaneClasses[uint8_t(byte)] & laneClass) != 0;
}

#if defined(__SSE2__)
// A bit for each of 16 bytes that stops a run: \ { }, and in a written run CR LF TAB too.
template <bool Written> int runStopMask(__m128i bytes) {
    __m128i hits = _mm_or_si128(
        _mm_cmpeq_epi8(bytes, _mm_set1_epi8('\\')),
        _mm_or_si128(_mm_cmpeq_epi8(bytes, _mm_set1_epi8('{')), _mm_cmpeq_epi8(bytes, _mm_set1_epi8('}'))));
    if (Written)
        hits = _mm_or_si128(hits, _mm_or_si128(_mm_cmpeq_epi8(bytes, _mm_set1_epi8('\r')),
                                               _mm_or_si128(_mm_cmpeq_epi8(bytes, _mm_set1_epi8('\n')),
                                                            _mm_cmpeq_epi8(bytes, _mm_set1_epi8('\t')))));
    return _mm_movemask_epi8(hits);
}

// A bit for each of 16 bytes in the kMarked class: \ { }, or at most CR (an unsigned minimum equal to the byte).
LANE_INLINE uint64_t markedMask16(const char* p) {
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    const __m128i control = _mm_cmpeq_epi8(_mm_min_epu8(bytes, _mm_set1_epi8(char(kLastMarkedControl))), bytes);
    const __m128i hits = _mm_or_si128(
        _mm_or_si128(_mm_cmpeq_epi8(bytes, _mm_set1_epi8('\\')), control),
        _mm_or_si128(_mm_cmpeq_epi8(bytes, _mm_set1_epi8('{')), _mm_cmpeq_epi8(bytes, _mm_set1_epi8('}'))));
    return uint64_t(uint32_t(_mm_movemask_epi8(hits)));
}
#endif

// The kMarked bytes of 64 bytes at p, one bit each.
LANE_INLINE uint64_t markedMask64(const char* p) {
#if defined(__SSE2__)
    return markedMask16(p) | markedMask16(p + 16) << 16 | markedMask16(p + 32) << 32 | markedMask16(p + 48) << 48;
#else
    uint64_t mask = 0;
    for (int i = 0; i < 64; ++i)
        mask |= uint64_t(is(p[i], kMarked)) << i;
    return mask;
#endif
}

LANE_INLINE int lowestBit(uint64_t mask) {
#if defined(__GNUC__)
    return __builtin_ctzll(mask);
#else
    int bit = 0;
    while (!(mask & 1)) {
        mask >>= 1;
        ++bit;
    }
    return bit;
#endif
}

// The kMarked bytes of the 64 bytes at `block`, one bit each, with every bit from `end` on set: no token starts
// there. The block may reach past `end` into the bytes that follow the lane's input (see copyLane).
LANE_INLINE uint64_t markedBlock(const char* block, const char* end) {
    constexpr ptrdiff_t kBlock = 64;
    const uint64_t mask = markedMask64(block);
    return end - block >= kBlock ? mask : mask | ~uint64_t(0) << (end - block);
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
LANE_INLINE bool isPassWord(const char* word, size_t length, bool writing) {
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

// A control word read where it stands: a backslash, letters, an optional plain signed number and one delimiter.
struct ControlWord {
    size_t taken = 0;            // bytes of the token, delimiter included; 0 to leave it to the ordinary path
    size_t wordLength = 0;       // the backslash and the letters
    size_t numberEnd = 0;        // offset after the number (after the letters when there is none)
    bool loneMinus = false;      // "-" without digits: the number 0
    bool blankDelimiter = false; // the delimiter is a blank, which the output keeps as it is
};

// The letters of a word at p (a backslash), the optional minus and the digits after them, found by scanning.
LANE_INLINE void measureWordByBytes(const char* p, const char* end, const char*& lettersEnd, const char*& digitsEnd) {
    const char* q = p + 1;
    const char* const lettersLimit = end - p > ptrdiff_t(kMaxLaneWordLetters + 1) ? p + kMaxLaneWordLetters + 1 : end;
    while (q < lettersLimit && is(*q, kLetter))
        ++q;
    lettersEnd = q;
    if (q >= end || is(*q, kLetter)) { // cut off, or longer than the lane takes
        digitsEnd = nullptr;
        return;
    }
    if (*q == '-' && ++q >= end) {
        digitsEnd = nullptr;
        return;
    }
    const char* const digitsLimit = end - q > ptrdiff_t(kMaxLaneDigits + 1) ? q + kMaxLaneDigits + 1 : end;
    while (q < digitsLimit && is(*q, kDigit))
        ++q;
    digitsEnd = q;
}

// The same from one 16-byte classification, when the word and its number end inside the 16 bytes after the
// backslash (nearly every word); false otherwise. Word lengths vary from token to token, so loops over them mispredict
// their ends where two bit scans do not.
LANE_INLINE bool measureWordByMask(const char* p, const char* end, const char*& lettersEnd, const char*& digitsEnd) {
#if defined(__SSE2__)
    constexpr ptrdiff_t kSpan = 16;
    if (end - p <= kSpan + 1) // the span and the delimiter after it lie inside
        return false;
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 1));
    const __m128i letterOffsets = _mm_sub_epi8(_mm_or_si128(bytes, _mm_set1_epi8(0x20)), _mm_set1_epi8('a'));
    const unsigned letters = unsigned(_mm_movemask_epi8(_mm_and_si128(
        _mm_cmpgt_epi8(letterOffsets, _mm_set1_epi8(-1)), _mm_cmplt_epi8(letterOffsets, _mm_set1_epi8(26)))));
    const __m128i digitOffsets = _mm_sub_epi8(bytes, _mm_set1_epi8('0'));
    const unsigned digits = unsigned(_mm_movemask_epi8(_mm_and_si128(_mm_cmpgt_epi8(digitOffsets, _mm_set1_epi8(-1)),
                                                                     _mm_cmplt_epi8(digitOffsets, _mm_set1_epi8(10)))));
    const int letterCount = __builtin_ctz(~letters); // at most 16: the bits above the span are clear
    const int numberStart = letterCount + (p[1 + letterCount] == '-' ? 1 : 0);
    if (numberStart >= kSpan)
        return false;
    const int digitCount = __builtin_ctz(~(digits >> numberStart));
    if (numberStart + digitCount >= kSpan)
        return false;
    lettersEnd = p + 1 + letterCount;
    digitsEnd = p + 1 + numberStart + digitCount;
    return true;
#else
    (void)p;
    (void)end;
    (void)lettersEnd;
    (void)digitsEnd;
    return false;
#endif
}

LANE_INLINE ControlWord readControlWord(const char* p, const char* end) {
    ControlWord word;
    const char* lettersEnd = nullptr;
    const char* q = nullptr;
    if (!measureWordByMask(p, end, lettersEnd, q)) {
        measureWordByBytes(p, end, lettersEnd, q);
        if (q == nullptr)
            return word;
    }
    word.wordLength = size_t(lettersEnd - p);
    const bool negative = *lettersEnd == '-';
    const char* digits = lettersEnd + (negative ? 1 : 0);
    const size_t digitCount = size_t(q - digits);
    // Numbers the ordinary path writes otherwise than they stand: leading zeros, "-0", saturation. Tested as one
    // condition: each part is rare, their mix per word is not.
    const bool leadingZero = *digits == '0';
    if ((q >= end) | (digitCount > kMaxLaneDigits) | ((digitCount > 1) & leadingZero) |
        (negative & (digitCount == 1) & leadingZero))
        return word;
    word.numberEnd = size_t(q - p);
    word.loneMinus = negative & (digitCount == 0);
    if (*q == ' ') {
        word.blankDelimiter = true;
        ++q;
    } else if (*q == '\n') {
        ++q;
    } else if (*q == '\r') { // CR, or CR LF, is one line end
        if (q + 1 >= end)
            return word;
        ++q;
        if (*q == '\n')
            ++q;
    }
    word.taken = size_t(q - p);
    return word;
}

// A control word at p in a dropped group: its bytes taken, 0 to leave it to the ordinary path.
size_t skipControlWord(const char* p, const char* end) {
    const ControlWord word = readControlWord(p, end);
    if (word.taken == 0 || isPassWord(p, word.wordLength, false))
        return 0;
    return word.taken;
}

// A backslash at p in a dropped group. Returns the bytes taken, 0 to leave the token to the ordinary path.
size_t skipControl(const char* p, const char* end) {
    if (end - p < 4) // the longest tokens other than words need four bytes to be sure of their end
        return 0;
    const char second = p[1];
    if (is(second, kLetter))
        return skipControlWord(p, end);
    if (second == '\r' || second == '\n')
        return 0;
    if (second == '\'')
        return size_t(2 + (!is(p[2], kHexDigit) ? 0 : !is(p[3], kHexDigit) ? 1 : 2));
    return 2;
}

// Copies a stretch of input. Most are short (from one edited token to the next), so they go sixteen bytes a step
// instead of through a call: the last step may read past the stretch into the input that follows it (see copyLane)
// and write past it into the output's slack, where the next piece is written over it.
LANE_INLINE void copyStretch(char* out, const char* from, size_t count) {
#if defined(__SSE2__)
    if (count <= 64) {
        for (size_t i = 0; i < count; i += 16)
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i),
                             _mm_loadu_si128(reinterpret_cast<const __m128i*>(from + i)));
        return;
    }
#endif
    std::memcpy(out, from, count);
}

// Output of the written lane: the input is copied in stretches, from `pending` up to where a token's output differs.
class LaneWriter {
public:
    LaneWriter(const char* input, char* output) : pending_(input), out_(output) {}
    // The token [from, to) comes out otherwise than it stands: the stretch before it is written, the token is not.
    LANE_INLINE char* replace(const char* from, const char* to) {
        copyStretch(out_, pending_, size_t(from - pending_));
        out_ += from - pending_;
        pending_ = to;
        return out_;
    }
    // The caller wrote the token's output up to `end`.
    LANE_INLINE void wrote(char* end) { out_ = end; }
    // Writes the stretch up to `to`; returns the end of the output.
    char* finish(const char* to) {
        replace(to, to);
        return out_;
    }

private:
    const char* pending_; // the first input byte not yet written
    char* out_;
};

// A control word at p, written. Returns the bytes taken, 0 to leave it to the ordinary path.
LANE_INLINE size_t writeControlWord(const char* p, const char* end, LaneWriter& writer, CopyLaneResult& result) {
    const ControlWord word = readControlWord(p, end);
    if (word.taken == 0 || isPassWord(p, word.wordLength, true))
        return 0;
    if (word.wordLength == 2 && p[1] == 'f')
        result.sawFontWord = true;
    if (word.blankDelimiter && !word.loneMinus)
        return word.taken; // already as the pass writes it
    // The word and its number, then the blank the pass writes in place of the delimiter.
    char* out = writer.replace(p, p + word.taken);
    copyStretch(out, p, word.numberEnd);
    out += word.numberEnd;
    if (word.loneMinus)
        out[-1] = '0'; // a lone "-" is the number 0
    *out++ = ' ';
    writer.wrote(out);
    return word.taken;
}

// A backslash at p, written. Returns the bytes taken, 0 to leave the token to the ordinary path.
LANE_INLINE size_t writeControl(const char* p, const char* end, LaneWriter& writer, CopyLaneResult& result) {
    if (end - p < 4) // the longest tokens other than words need four bytes to be sure of their end
        return 0;
    const char second = p[1];
    if (is(second, kLetter))
        return writeControlWord(p, end, writer, result);
    if (second == '\r' || second == '\n')
        return 0;
    if (second == '\'') { // a hex escape: up to two digits, written as two lowercase digits
        if (is(p[2], kLowerHex) && is(p[3], kLowerHex))
            return 4;
        const int digits = !is(p[2], kHexDigit) ? 0 : !is(p[3], kHexDigit) ? 1 : 2;
        const size_t taken = size_t(2 + digits);
        char* out = writer.replace(p, p + taken);
        out[0] = '\\';
        out[1] = '\'';
        if (digits == 2) {
            out[2] = kLowerHexDigits[uint8_t(p[2])];
            out[3] = kLowerHexDigits[uint8_t(p[3])];
        } else {
            out[2] = '0';
            out[3] = kLowerHexDigits[uint8_t(p[2])];
        }
        writer.wrote(out + (digits == 0 ? 2 : 4));
        return taken;
    }
    if (takesNoBlank(second))
        return 2;
    char* out = writer.replace(p, p + 2);
    out[0] = '\\';
    out[1] = second;
    out[2] = ' ';
    writer.wrote(out + 3);
    return 2;
}

CopyLaneResult copyWritten(const char* begin, const char* startEnd, const char* end, char* output) {
    CopyLaneResult result;
    LaneWriter writer(begin, output);
    const char* p = begin;
    const char* block = begin;
    uint64_t marks = markedBlock(block, end); // the marked bytes of the block not yet looked at
    int32_t depth = 0;
    for (;;) {
        while (marks == 0) {
            block += 64;
            if (block >= startEnd)
                break;
            marks = markedBlock(block, end);
        }
        if (marks == 0) { // no token starts before the limit: the text up to it is copied as it stands
            p = p > startEnd ? p : startEnd;
            break;
        }
        const char* q = block + lowestBit(marks);
        marks &= marks - 1;
        if (q < p) // inside the token before (a delimiter, a symbol's second byte)
            continue;
        if (q >= startEnd) {
            p = startEnd;
            break;
        }
        p = q + 1;
        const char c = *q;
        if (c == '\\') {
            const size_t taken = writeControl(q, end, writer, result);
            if (taken == 0) {
                p = q;
                break;
            }
            p = q + taken;
            continue;
        }
        if (c >= '{') { // a brace: the only marked bytes above the backslash
            // '{' (0x7b) counts one up, '}' (0x7d) one down, without a branch on which it is.
            depth += '|' - c;
            if (depth < 0) { // a group the pass opened: its frame decides what the brace ends
                depth = 0;
                p = q;
                break;
            }
        } else if (c == '\r' || c == '\n') {
            writer.replace(q, p);
        } else if (c == '\t') {
            char* out = writer.replace(q, p);
            *out = ' ';
            writer.wrote(out + 1);
        } // else another control byte: text like any other
    }
    result.consumed = size_t(p - begin);
    result.written = size_t(writer.finish(p) - output);
    result.openedGroups = depth;
    result.endsAfterCarriageReturn = p > begin && p[-1] == '\r';
    return result;
}

CopyLaneResult followDropped(const char* begin, const char* startEnd, const char* end) {
    CopyLaneResult result;
    const char* p = begin;
    int32_t depth = 0;
    while (p < startEnd) {
        switch (*p) {
        case '{':
            ++depth;
            ++p;
            break;
        case '}':
            if (depth == 0) // a group the pass opened: its frame decides what the brace ends
                goto stop;
            --depth;
            ++p;
            break;
        case '\\': {
            const size_t taken = skipControl(p, end);
            if (taken == 0)
                goto stop;
            p += taken;
            break;
        }
        default: // text, line ends and tabs included: nothing of it is written
            p = findRunStop<false>(p, startEnd);
            break;
        }
    }
stop:
    result.consumed = size_t(p - begin);
    result.openedGroups = depth;
    result.endsAfterCarriageReturn = p > begin && p[-1] == '\r';
    return result;
}
} // namespace

const char* findTextRunStop(const char* p, const char* end) {
    return findRunStop<true>(p, end);
}

namespace {
// One byte of a stop-mode text as the lexer reads it: a line end is dropped, a tab becomes a blank, any other byte is
// copied. False (nothing taken) for the stop byte.
LANE_INLINE bool takeStopTextByte(const char*& p, char*& out, char stop) {
    const char c = *p;
    if (c == stop)
        return false;
    if (c == '\t')
        *out++ = ' ';
    else if (c != '\r' && c != '\n')
        *out++ = c;
    ++p;
    return true;
}
} // namespace

StopCopyResult copyUpToStop(const char* input, const char* end, char stop, char* output, size_t room) {
    StopCopyResult result;
    const char* p = input;
    char* out = output;
    char* const outEnd = room >= kStopCopySlack ? output + room - kStopCopySlack : output;
#if defined(__SSE2__)
    // Sixteen bytes a step: stored whole, then the stop byte and every byte up to CR (line ends, tabs, and the other
    // control bytes, which are copied like text) looked for at once.
    const __m128i stops = _mm_set1_epi8(stop);
    const __m128i lastControl = _mm_set1_epi8('\r');
    for (;;) {
        size_t steps = size_t(end - p) < size_t(outEnd - out) ? size_t(end - p) / 16 : size_t(outEnd - out) / 16;
        if (outEnd <= out || steps == 0)
            break;
        int mask = 0;
        for (; steps > 0; --steps, p += 16, out += 16) {
            const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out), bytes);
            mask = _mm_movemask_epi8(
                _mm_or_si128(_mm_cmpeq_epi8(bytes, stops), _mm_cmpeq_epi8(_mm_min_epu8(bytes, lastControl), bytes)));
            if (mask != 0)
                break;
        }
        if (mask == 0)
            continue;
        const int length = __builtin_ctz(unsigned(mask));
        p += length;
        out += length;
        if (!takeStopTextByte(p, out, stop)) {
            result.foundStop = true;
            break;
        }
    }
#endif
    while (!result.foundStop && p < end && out < outEnd) {
        if (!takeStopTextByte(p, out, stop))
            result.foundStop = true;
    }
    result.consumed = size_t(p - input);
    result.written = size_t(out - output);
    return result;
}

CopyLaneResult copyLane(std::string_view source, size_t startLimit, char* output, bool writing) {
    const char* const begin = source.data();
    const char* const end = begin + source.size();
    const char* const startEnd = begin + (startLimit < source.size() ? startLimit : source.size());
    return writing ? copyWritten(begin, startEnd, end, output) : followDropped(begin, startEnd, end);
}
