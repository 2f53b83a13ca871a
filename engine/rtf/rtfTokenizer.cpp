// The RTF lexer. It reads bytes through nextSourceByte, except where long runs of ordinary bytes can be taken from
// the source in one piece (takeSourceRun); both ways give the same tokens. Token texts point into the source buffer
// whenever they equal its bytes, and into one reused scratch text otherwise, so that a token costs no allocation.
#include "rtf/rtfTokenizer.h"

#include "rtf/rtfCopyLane.h"
#include "rtf/rtfSource.h"

#include <algorithm>
#include <array>
#include <climits>
#include <vector>

namespace {
// Byte classes for the bulk reads.
enum ByteClass : uint8_t {
    kEndsTextRun = 1, // { } \ CR LF TAB: a text run stops here, or its text differs from the source here
    kEndsWord = 2,    // every byte but A-Z and a-z
    kEndsNumber = 4,  // every byte but 0-9
    kHexDigit = 8,    // 0-9 A-F a-f
};

constexpr std::array<uint8_t, 256> makeByteClasses() {
    std::array<uint8_t, 256> classes{};
    for (int b = 0; b < 256; ++b) {
        bool letter = (b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z');
        bool digit = b >= '0' && b <= '9';
        uint8_t c = 0;
        if (b == '{' || b == '}' || b == '\\' || b == '\r' || b == '\n' || b == '\t')
            c |= kEndsTextRun;
        if (!letter)
            c |= kEndsWord;
        if (!digit)
            c |= kEndsNumber;
        if (digit || (b >= 'A' && b <= 'F') || (b >= 'a' && b <= 'f'))
            c |= kHexDigit;
        classes[size_t(b)] = c;
    }
    return classes;
}

constexpr std::array<uint8_t, 256> kByteClasses = makeByteClasses();

// The replacements applied to every text run, in order.
struct TextReplacement {
    std::string_view search;
    std::string_view replacement;
};
constexpr TextReplacement kTextReplacements[] = {
    {"\n", ""},  // line feeds carry no meaning in RTF text
    {"\t", " "}, // a literal tab is a blank (a tab in the document is \tab)
};

// Every search text is one byte and every replacement at most one, so the table composes into one map from a byte to
// what it becomes: the same byte, another byte, or nothing (kRemoved).
constexpr int16_t kRemoved = -1;

constexpr std::array<int16_t, 256> makeReplacementMap() {
    std::array<int16_t, 256> map{};
    for (int b = 0; b < 256; ++b) {
        int16_t current = int16_t(b);
        for (const TextReplacement& pair : kTextReplacements) {
            if (current != kRemoved && current == int16_t(uint8_t(pair.search[0])))
                current = pair.replacement.empty() ? kRemoved : int16_t(uint8_t(pair.replacement[0]));
        }
        map[size_t(b)] = current;
    }
    return map;
}

constexpr bool replacementsAreSingleBytes() {
    for (const TextReplacement& pair : kTextReplacements) {
        if (pair.search.size() != 1 || pair.replacement.size() > 1)
            return false;
    }
    return true;
}
static_assert(replacementsAreSingleBytes(), "the replacement map needs one-byte searches and replacements");

constexpr std::array<int16_t, 256> kReplacementMap = makeReplacementMap();

// Bulk runs are taken as they stand, so every byte the replacements change must end a run.
constexpr bool runsNeedNoReplacement() {
    for (size_t b = 0; b < 256; ++b) {
        if (kReplacementMap[b] != int16_t(b) && !(kByteClasses[b] & kEndsTextRun))
            return false;
    }
    return true;
}
static_assert(runsNeedNoReplacement(), "a byte that the replacements change must end a text run");
static_assert(kReplacementMap['{'] == '{' && kReplacementMap['}'] == '}' && kReplacementMap['\\'] == '\\',
              "a bulk stop byte must survive the replacements, which stop mode applies as it reads");

// The control symbol of a backslash and a carriage return, which the lexer reads as a line feed.
constexpr std::string_view kBackslashLineFeed = "\\\n";

// A byte that the replacements changed while a token's text was collected: where it stood in the replaced text.
struct ReplacedByte {
    size_t offset; // index in the replaced text: of its replacement, or of the byte that followed it when removed
    uint8_t byte;  // the byte as read (after the line-end rule)
};

bool gCrPending = false;                  // the byte read before was a carriage return; conversion job's thread only
std::string gScratch;                     // token texts that differ from the source; conversion job's thread only
std::vector<ReplacedByte> gReplacedBytes; // what gScratch's replacements changed; conversion job's thread only
std::string gRawScratch;     // a stop-mode text rebuilt as read, when the source ends first; job's thread only
std::vector<char> gStopText; // an object's data read in one sweep; conversion job's thread only
constexpr size_t kStopTextGrowth = 64 * 1024; // room added at least, so that a sweep rarely stops to grow

// A read gave 0: the end of the source, or a zero byte in the document, which is copied like any other byte. Only the
// position tells them apart, so it is asked only when a 0 comes.
bool isEnd(uint8_t byte) {
    return byte == 0 && sourceRtfEnded();
}

// Reads a byte with the line-end rule: CR becomes LF, and the LF of a CR LF pair is skipped. The end passes through
// and leaves the carriage return state alone.
uint8_t nextLineByte() {
    for (;;) {
        uint8_t byte = nextSourceByte(0);
        if (isEnd(byte))
            return 0;
        if (byte == '\r') {
            gCrPending = true;
            return '\n';
        }
        if (byte == '\n' && gCrPending) {
            gCrPending = false;
            continue;
        }
        gCrPending = false;
        return byte;
    }
}

// Takes a run of bytes none of which is in `stopMask` (see takeSourceRun); such bytes are never CR or LF, so a
// non-empty run clears the carriage return state as reading them one by one would.
std::string_view takeRun(uint8_t stopMask) {
    std::string_view run =
        stopMask == kEndsTextRun ? takeSourceTextRun() : takeSourceRun(kByteClasses.data(), stopMask);
    if (!run.empty())
        gCrPending = false;
    return run;
}

// Collects a token's text: a view of the source while the bytes are contiguous there, else a copy in gScratch.
// A builder that replaces as it goes writes each text byte once: a long \objdata text broken into lines would
// otherwise be copied and then walked again byte by byte to drop its line feeds. It notes what it replaced, so
// that the text as read can still be had (rawView) when the source ends before a stop text.
class TokenTextBuilder {
public:
    explicit TokenTextBuilder(bool replaceAsItGoes) : replaceAsItGoes_(replaceAsItGoes) {}
    void appendSource(std::string_view bytes) {
        if (bytes.empty())
            return;
        if (!inScratch_) {
            if (size_ == 0) {
                begin_ = bytes.data();
                size_ = bytes.size();
                return;
            }
            if (begin_ + size_ == bytes.data()) {
                size_ += bytes.size();
                return;
            }
            moveToScratch();
        }
        gScratch.append(bytes.data(), bytes.size());
    }
    // Appends the byte last read, which is `byte` after the line-end rule.
    void appendLastByte(uint8_t byte) {
        const int16_t mapped = kReplacementMap[byte];
        if (mapped != int16_t(byte)) {
            if (replaceAsItGoes_) {
                appendReplaced(byte, mapped);
                return;
            }
            needsReplacement_ = true;
        }
        const char* source = lastSourceByte();
        if (uint8_t(*source) == byte && !inScratch_) {
            appendSource({source, 1});
            return;
        }
        if (!inScratch_)
            moveToScratch();
        gScratch.push_back(char(byte));
    }
    bool empty() const { return inScratch_ ? gScratch.empty() : size_ == 0; }
    uint8_t back() const { return uint8_t(inScratch_ ? gScratch.back() : begin_[size_ - 1]); }
    void dropTail(size_t count) {
        if (inScratch_)
            gScratch.resize(gScratch.size() - count);
        else
            size_ -= count;
    }
    void truncate(size_t length) { dropTail(view().size() - length); }
    std::string_view view() const { return inScratch_ ? std::string_view(gScratch) : std::string_view(begin_, size_); }
    // The text as read, before replacements; borrowed like view().
    std::string_view rawView() const {
        if (gReplacedBytes.empty())
            return view();
        gRawScratch.clear();
        size_t from = 0;
        for (const ReplacedByte& replaced : gReplacedBytes) {
            gRawScratch.append(gScratch, from, replaced.offset - from);
            gRawScratch.push_back(char(replaced.byte));
            from = replaced.offset + (kReplacementMap[replaced.byte] != kRemoved ? 1 : 0);
        }
        gRawScratch.append(gScratch, from, std::string::npos);
        return gRawScratch;
    }
    // Applies the text-run replacements when the text holds anything they would change.
    void replace() {
        if (!needsReplacement_)
            return;
        if (!inScratch_)
            moveToScratch();
        applyTextReplacements(gScratch);
    }

private:
    void appendReplaced(uint8_t byte, int16_t mapped) {
        if (!inScratch_)
            moveToScratch();
        gReplacedBytes.push_back({gScratch.size(), byte});
        if (mapped != kRemoved)
            gScratch.push_back(char(mapped));
    }
    void moveToScratch() {
        gScratch.assign(begin_ == nullptr ? "" : begin_, size_);
        inScratch_ = true;
    }
    const char* begin_ = nullptr;
    size_t size_ = 0;
    bool inScratch_ = false;
    bool needsReplacement_ = false; // holds a byte that the replacements change (runs never do: see kEndsTextRun)
    const bool replaceAsItGoes_;    // false where the stop text is matched against the text as read
};

// A decimal parameter read by the C library's string-to-long rules on a 32-bit long (as on Windows, on both builds):
// a lone "-" gives 0, and values beyond the range saturate.
class DecimalParameter {
public:
    void negate() { negative_ = true; }
    void addDigits(std::string_view digits) {
        for (char d : digits) {
            if (magnitude_ <= kSaturated)
                magnitude_ = magnitude_ * 10 + uint64_t(d - '0');
        }
    }
    int32_t value() const {
        if (negative_)
            return magnitude_ >= uint64_t(INT32_MAX) + 1 ? INT32_MIN : -int32_t(magnitude_);
        return magnitude_ >= uint64_t(INT32_MAX) ? INT32_MAX : int32_t(magnitude_);
    }

private:
    static constexpr uint64_t kSaturated = uint64_t(INT32_MAX) + 1; // anything above this is out of range already
    uint64_t magnitude_ = 0;
    bool negative_ = false;
};

int hexValue(uint8_t digit) {
    if (digit <= '9')
        return digit - '0';
    return (digit | 0x20) - 'a' + 10;
}

// Hands a byte back unless it was the end.
void handBack(uint8_t byte) {
    if (!isEnd(byte))
        ungetSourceByte();
}

// "\'" read: up to two hexadecimal digits follow.
void readHexEscape(const char* backslash, RtfToken& token) {
    token.kind = TokenControl;
    token.text = {backslash, 2};
    int digits = 0;
    int value = 0;
    for (;;) {
        uint8_t byte = nextLineByte();
        if (isEnd(byte))
            break;
        if (digits == 2 || !(kByteClasses[byte] & kHexDigit)) {
            ungetSourceByte();
            break;
        }
        value = value * 16 + hexValue(byte);
        ++digits;
    }
    if (digits > 0) {
        token.kind = TokenControlParam;
        token.parameter = value;
    }
}

// A backslash and a letter read: the rest of the word, an optional signed decimal parameter, and the delimiter, which
// is consumed when it is a blank or a line end and handed back otherwise.
void readControlWord(const char* backslash, RtfToken& token) {
    std::string_view letters = takeRun(kEndsWord);
    token.kind = TokenControl;
    token.text = {backslash, 2 + letters.size()};
    for (;;) {
        uint8_t byte = nextLineByte(); // the run may have stopped early at a progress step
        if (isAsciiLetter(byte)) {
            token.text = {backslash, token.text.size() + 1};
            token.text = {backslash, token.text.size() + takeRun(kEndsWord).size()};
            continue;
        }
        DecimalParameter parameter;
        bool hasParameter = false;
        if (byte == '-') {
            parameter.negate();
            hasParameter = true;
            byte = nextLineByte();
        }
        while (byte >= '0' && byte <= '9') {
            hasParameter = true;
            parameter.addDigits(std::string_view(lastSourceByte(), 1));
            parameter.addDigits(takeRun(kEndsNumber));
            byte = nextLineByte();
        }
        if (byte != ' ' && byte != '\n')
            handBack(byte);
        if (hasParameter) {
            token.kind = TokenControlParam;
            token.parameter = parameter.value();
        }
        return;
    }
}

void readControl(RtfToken& token) {
    const char* backslash = lastSourceByte();
    uint8_t byte = nextLineByte();
    if (isEnd(byte)) { // the input ended right after the backslash
        token.kind = TokenControl;
        token.text = {};
        return;
    }
    if (byte == '\'') {
        readHexEscape(backslash, token);
        return;
    }
    if (isAsciiLetter(byte)) {
        readControlWord(backslash, token);
        return;
    }
    token.kind = TokenControl;
    // A control symbol. Its second byte follows the backslash in the source, unless it was a carriage return.
    token.text = uint8_t(*lastSourceByte()) == byte ? std::string_view(backslash, 2) : kBackslashLineFeed;
}

void readTextRun(uint8_t first, RtfToken& token) {
    TokenTextBuilder text(true);
    text.appendLastByte(first);
    for (;;) {
        text.appendSource(takeRun(kEndsTextRun));
        uint8_t byte = nextLineByte();
        if (isEnd(byte))
            break;
        if (byte == '{' || byte == '}' || byte == '\\') {
            ungetSourceByte();
            break;
        }
        text.appendLastByte(byte);
    }
    text.replace();
    token.kind = TokenText;
    token.text = text.view();
}

void readNormalToken(RtfToken& token) {
    uint8_t byte = nextLineByte();
    if (isEnd(byte))
        return;
    switch (byte) {
    case '{':
    case '}':
        token.kind = TokenBrace;
        token.text = {lastSourceByte(), 1};
        return;
    case '\\':
        readControl(token);
        return;
    default:
        readTextRun(byte, token);
        return;
    }
}

// Stop mode with a one-byte stop text, when the stop byte is still to come in the source (an object's data and the
// brace that closes it): the text is the bytes up to it, copied in one sweep with line ends dropped and tabs made
// blanks; the bytes are handed out at once, the percentages reported on the way. False when the source ends first:
// the token is then read byte by byte.
bool readUpToStopByte(char stop, RtfToken& token) {
    const std::string_view rest = sourceRtfRest();
    const char* p = rest.data();
    const char* const end = p + rest.size();
    size_t written = 0;
    for (;;) {
        if (gStopText.size() - written < kStopTextGrowth)
            gStopText.resize(std::max(2 * gStopText.size(), written + kStopTextGrowth));
        const StopCopyResult copy = copyUpToStop(p, end, stop, gStopText.data() + written, gStopText.size() - written);
        p += copy.consumed;
        written += copy.written;
        if (copy.foundStop)
            break;
        if (p >= end)
            return false;
    }
    advanceSourceRtf(size_t(p - rest.data()) + 1);
    gCrPending = false; // the stop byte was the last one read
    token.kind = TokenText;
    token.text = {gStopText.data(), written};
    return true;
}

// Stop mode. A one-byte stop text that is itself a run-ending byte lets the ordinary bytes between come in runs;
// any other stop text is matched byte by byte.
void readUpToStop(std::string_view stopText, RtfToken& token) {
    const bool bulk = stopText.size() == 1 && (stopText[0] == '{' || stopText[0] == '}' || stopText[0] == '\\');
    if (bulk && readUpToStopByte(stopText[0], token))
        return;
    // A one-byte stop text is never a byte the replacements change, so in bulk mode they can be applied on the way.
    TokenTextBuilder text(bulk);
    for (;;) {
        if (bulk)
            text.appendSource(takeRun(kEndsTextRun));
        uint8_t byte = nextLineByte();
        if (isEnd(byte)) { // ended before the stop text: the raw text, no replacements
            token.kind = TokenNone;
            token.text = text.rawView();
            return;
        }
        text.appendLastByte(byte);
        if (bulk) {
            if (byte != uint8_t(stopText[0]))
                continue;
            text.dropTail(1);
            break;
        }
        int64_t stopAt = findTrailingStop(text.view(), stopText);
        if (stopAt >= 0) {
            text.truncate(size_t(stopAt));
            break;
        }
    }
    text.replace();
    token.kind = TokenText;
    token.text = text.view();
}

bool isStopBlank(char c) {
    return c == ' ' || c == '\t';
}
} // namespace

void readRtfToken(std::string_view stopText, RtfToken& token) {
    token = RtfToken{};
    gScratch.clear();
    gReplacedBytes.clear();
    if (stopText.empty())
        readNormalToken(token);
    else
        readUpToStop(stopText, token);
}

void resetRtfTokenizer() {
    gCrPending = false;
    gScratch.clear();
    gReplacedBytes.clear();
    gRawScratch.clear();
}

void setRtfCarriageReturnPending(bool pending) {
    gCrPending = pending;
}

bool isAsciiLetter(uint8_t byte) {
    return (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z');
}

int64_t findTrailingStop(std::string_view text, std::string_view stopText) {
    size_t t = text.size();
    size_t s = stopText.size();
    while (s > 0) {
        if (isStopBlank(stopText[s - 1])) {
            while (t > 0 && isStopBlank(text[t - 1]))
                --t;
            while (s > 0 && isStopBlank(stopText[s - 1]))
                --s;
            continue;
        }
        if (t == 0 || text[t - 1] != stopText[s - 1])
            return -1;
        --t;
        --s;
    }
    return int64_t(t);
}

void applyTextReplacements(std::string& text) {
    size_t write = 0;
    for (char c : text) {
        const int16_t mapped = kReplacementMap[uint8_t(c)];
        if (mapped != kRemoved)
            text[write++] = char(mapped);
    }
    text.resize(write);
}
