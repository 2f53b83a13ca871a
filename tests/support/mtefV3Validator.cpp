// Reads an "Equation Native" stream of MTEF version 3 record by record and stops at the first problem. Recursion
// follows the object lists and is bounded by kMaxMtefDepth.
#include "mtefV3Validator.h"

#include <cstdint>
#include <iterator>
#include <vector>

namespace testing_support {
namespace {
constexpr size_t kNativeHeaderSize = 28;
constexpr uint8_t kMtef3Header[] = {0x03, 0x01, 0x01, 0x03, 0x0a}; // version 3, Windows, Equation Editor 3.0

// MTEF version 3 record tags.
enum Tag : uint8_t {
    kEndTag = 0,
    kLineTag = 1,
    kCharTag = 2,
    kTmplTag = 3,
    kPileTag = 4,
    kMatrixTag = 5,
    kEmbellTag = 6,
    kRulerTag = 7,
    kFontTag = 8,
    kSizeTag = 9,
    kFullTag = 10, // 10-14: FULL, SUB, SUB2, SYM, SUBSYM
    kSubSymTag = 14,
    kUnknownTag = 15,
};

constexpr uint8_t kOptNudge = 0x08;
constexpr uint8_t kOptNullLine = 0x01;   // LINE
constexpr uint8_t kOptCharEmbell = 0x02; // CHAR
constexpr uint8_t kOptCharAuto = 0x01;   // CHAR: belongs to a recognised function name
// MATRIX: bits that MTEF 3 gives no meaning; they announce no field, and readers pass over them. The engine keeps the
// input's options there.
constexpr uint8_t kOptMatrixOther = 0x07;

// Option bits each tag may carry, by tag. The engine writes no line spacing, ruler or 8-bit position options.
constexpr uint8_t kAllowedOptions[16] = {
    0,                                         // END
    kOptNudge | kOptNullLine,                  // LINE
    kOptNudge | kOptCharEmbell | kOptCharAuto, // CHAR
    kOptNudge,                                 // TMPL
    kOptNudge,                                 // PILE
    kOptNudge | kOptMatrixOther,               // MATRIX
    kOptNudge,                                 // EMBELL
    0,                                         // RULER
    0,                                         // FONT
    0,                                         // SIZE
    0,                                         // FULL
    0,                                         // SUB
    0,                                         // SUB2
    0,                                         // SYM
    0,                                         // SUBSYM
    0,                                         // 15 (no such record)
};

// What each MTEF version 3 template holds, by selector: its slots, each a line, and after them at most that many
// characters (fences and bra-kets show one or both of theirs by the variation, integrals one sign for each).
struct TemplateShape {
    uint8_t slotLines;
    uint8_t maxCharacters;
};
// clang-format off
constexpr TemplateShape kTemplateShapes[] = {
    // slot lines  characters   selector: template
    {1, 2}, {1, 2}, {1, 2}, {1, 2}, {1, 2}, {1, 2}, {1, 2},   // 0-6 fences: angle, paren, brace, bracket, bars, floor
    {1, 2}, {1, 2}, {1, 2}, {1, 2}, {1, 2}, {1, 2},           // 7-12 ceiling and the mixed fences
    {2, 0},                                                   // 13 radical: radicand, index
    {2, 0},                                                   // 14 fraction
    {2, 0},                                                   // 15 scripts: subscript, superscript
    {1, 0}, {1, 0},                                           // 16, 17 underbar, overbar
    {1, 1}, {1, 1}, {1, 1},                                   // 18-20 arrows with text, and their arrow
    {3, 1}, {3, 2}, {3, 3},                                   // 21-23 integrals, limits at the side: their signs
    {3, 1}, {3, 2}, {3, 3},                                   // 24-26 integrals, limits above and below
    {2, 1}, {2, 1},                                           // 27, 28 braces over and under: text, label, brace
    {3, 1}, {3, 1}, {3, 1}, {3, 1}, {3, 1},                   // 29-33 sums, products, a coproduct: main, lower, upper
    {3, 1}, {3, 1}, {3, 1}, {3, 1}, {3, 1},                   // 34-38 a coproduct, unions, intersections
    {3, 0},                                                   // 39 limit: main, lower, upper
    {2, 0}, {2, 0},                                           // 40, 41 long division, slash fraction
    {4, 0}, {4, 0},                                           // 42, 43 integral-style, sum-style: the sign is a line
    {2, 0},                                                   // 44 left scripts
    {2, 3},                                                   // 45 bra-ket: bra, ket, angles and bar
    {1, 1}, {1, 1},                                           // 46, 47 arrow under, arrow over
    {1, 1},                                                   // 48 arc
};
// clang-format on
constexpr uint8_t kIntegralStyleOperator = 42;
constexpr uint8_t kSumStyleOperator = 43;
constexpr uint8_t kSignLine = 4; // the line of an integral-style or sum-style operator that holds its sign

int hexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

struct Reader {
    std::vector<uint8_t> data;
    size_t pos = 0;
    Mtef3Check result;

    bool fail(Mtef3Status status, size_t offset) {
        result.status = status;
        result.offset = offset;
        return false;
    }
    bool need(size_t n) {
        if (n > data.size() || pos > data.size() - n)
            return fail(Mtef3Status::Truncated, data.size());
        return true;
    }
    bool skip(size_t n) {
        if (!need(n))
            return false;
        pos += n;
        return true;
    }
    bool readByte(uint8_t& value) {
        if (!need(1))
            return false;
        value = data[pos++];
        return true;
    }
};

// Whose object list is read: MTEF 3 lets a template hold only lines (its slots) and its own characters, a line hold
// characters, templates, matrices and piles but no line, and an operator's sign line one character.
enum class ListOwner { Other, Line, Character, SignLine };

bool readRecord(Reader& r, int depth, bool& wasEnd, ListOwner lineOwner = ListOwner::Line);

// Records up to and including the END of the list.
bool readList(Reader& r, int depth, ListOwner owner = ListOwner::Other) {
    int characters = 0;
    for (;;) {
        if (!r.need(1))
            return false;
        const uint8_t tag = r.data[r.pos] & 15;
        if (owner == ListOwner::Character && tag != kEndTag && tag != kEmbellTag)
            return r.fail(Mtef3Status::EmbellListRecord, r.pos);
        if (owner == ListOwner::Line && tag == kLineTag)
            return r.fail(Mtef3Status::LineInLine, r.pos);
        if (owner == ListOwner::SignLine && tag != kEndTag && (tag < kFontTag || tag > kSubSymTag) &&
            (tag != kCharTag || ++characters > 1))
            return r.fail(Mtef3Status::OperatorSign, r.pos);
        bool wasEnd = false;
        if (!readRecord(r, depth, wasEnd))
            return false;
        if (wasEnd)
            return true;
    }
}

// A template's selector, variation and options, then its object list: the slot lines its selector has, and after
// them no more characters than it has. `at` is the template's tag byte.
bool readTemplate(Reader& r, int depth, size_t at) {
    uint8_t selector = 0;
    const size_t selectorAt = r.pos;
    if (!r.readByte(selector) || !r.skip(2))
        return false;
    if (selector >= std::size(kTemplateShapes))
        return r.fail(Mtef3Status::UnknownSelector, selectorAt);
    const TemplateShape& shape = kTemplateShapes[selector];
    const bool signLine = selector == kIntegralStyleOperator || selector == kSumStyleOperator;
    int lines = 0;
    int characters = 0;
    for (;;) {
        if (!r.need(1))
            return false;
        const uint8_t tag = r.data[r.pos] & 15;
        if (tag == kPileTag || tag == kMatrixTag || tag == kTmplTag)
            return r.fail(Mtef3Status::SlotNotLine, r.pos);
        if (tag == kCharTag && ++characters > shape.maxCharacters)
            return r.fail(Mtef3Status::TemplateCharacters, r.pos);
        ListOwner lineOwner = ListOwner::Line;
        if (tag == kLineTag && ++lines == kSignLine && signLine)
            lineOwner = ListOwner::SignLine;
        bool wasEnd = false;
        if (!readRecord(r, depth + 1, wasEnd, lineOwner))
            return false;
        if (wasEnd)
            return lines == shape.slotLines || r.fail(Mtef3Status::SlotLines, at);
    }
}

// Nudge: dx + 128 and dy + 128; when both are 128, dx and dy follow as 16-bit numbers.
bool readNudge(Reader& r) {
    if (!r.need(2))
        return false;
    const bool longForm = r.data[r.pos] == 128 && r.data[r.pos + 1] == 128;
    return r.skip(longForm ? 6 : 2);
}

bool readZeroTerminated(Reader& r) {
    uint8_t value = 1;
    while (value != 0) {
        if (!r.readByte(value))
            return false;
    }
    return true;
}

bool readMatrix(Reader& r, int depth) {
    uint8_t valign = 0, hjust = 0, vjust = 0, rows = 0, cols = 0;
    if (!r.readByte(valign) || !r.readByte(hjust) || !r.readByte(vjust) || !r.readByte(rows) || !r.readByte(cols))
        return false;
    // Two bits a partition line, rows + 1 and cols + 1 lines, rounded up to whole bytes.
    if (!r.skip(size_t(rows + 4) / 4 + size_t(cols + 4) / 4))
        return false;
    for (int cell = 0; cell < rows * cols; ++cell) {
        // Size and font records may stand before a cell's line: they set the cell's size and are not cells.
        while (r.pos < r.data.size() && (r.data[r.pos] & 15) >= 8 && (r.data[r.pos] & 15) <= 14) {
            bool definitionWasEnd = false;
            if (!readRecord(r, depth + 1, definitionWasEnd))
                return false;
        }
        const size_t at = r.pos;
        if (r.pos < r.data.size() && (r.data[r.pos] & 15) != kLineTag && (r.data[r.pos] & 15) != kEndTag)
            return r.fail(Mtef3Status::SlotNotLine, at);
        bool wasEnd = false;
        if (!readRecord(r, depth + 1, wasEnd))
            return false;
        if (wasEnd)
            return r.fail(Mtef3Status::MatrixCells, at);
    }
    uint8_t end = 0;
    const size_t at = r.pos;
    if (!r.readByte(end))
        return false;
    return end == kEndTag || r.fail(Mtef3Status::MatrixCells, at);
}

bool readSizeRecord(Reader& r) {
    uint8_t size = 0;
    if (!r.readByte(size))
        return false;
    return r.skip(size == 100 ? 3 : size == 101 ? 2 : 1);
}

bool readRecord(Reader& r, int depth, bool& wasEnd, ListOwner lineOwner) {
    const size_t at = r.pos;
    if (depth > kMaxMtefDepth)
        return r.fail(Mtef3Status::TooDeep, at);
    uint8_t head = 0;
    if (!r.readByte(head))
        return false;
    const uint8_t tag = head & 15;
    const uint8_t options = head >> 4;
    if (tag == kUnknownTag)
        return r.fail(Mtef3Status::UnknownTag, at);
    if (options & ~kAllowedOptions[tag])
        return r.fail(Mtef3Status::UnexpectedOptions, at);
    if ((options & kOptNudge) && !readNudge(r))
        return false;
    switch (tag) {
    case kEndTag:
        wasEnd = true;
        return true;
    case kLineTag:
        return (options & kOptNullLine) || readList(r, depth + 1, lineOwner);
    case kCharTag: // typeface, 16-bit character, then the embellishments
        return r.skip(3) && (!(options & kOptCharEmbell) || readList(r, depth + 1, ListOwner::Character));
    case kTmplTag: // selector, variation, template options, then slots and template characters
        return readTemplate(r, depth, at);
    case kPileTag: // horizontal and vertical alignment, then the lines
        return r.skip(2) && readList(r, depth + 1);
    case kMatrixTag:
        return readMatrix(r, depth);
    case kEmbellTag: // embellishment kind, then an object list of its own
        return r.skip(1) && readList(r, depth + 1);
    case kRulerTag: {
        uint8_t stops = 0;
        return r.readByte(stops) && r.skip(size_t(stops) * 3);
    }
    case kFontTag: // typeface, style, name
        return r.skip(2) && readZeroTerminated(r);
    case kSizeTag:
        return readSizeRecord(r);
    default: // FULL, SUB, SUB2, SYM, SUBSYM: the tag alone
        return tag >= kFullTag && tag <= kSubSymTag;
    }
}

bool readHeaders(Reader& r) {
    if (r.data.size() < kNativeHeaderSize)
        return r.fail(Mtef3Status::ShortHeader, r.data.size());
    const std::vector<uint8_t>& d = r.data;
    if (d[0] != kNativeHeaderSize || d[1] != 0)
        return r.fail(Mtef3Status::HeaderLength, 0);
    if (d[2] != 0 || d[3] != 0 || d[4] != 2 || d[5] != 0)
        return r.fail(Mtef3Status::HeaderVersion, 2);
    const uint32_t cbObject = uint32_t(d[8]) | uint32_t(d[9]) << 8 | uint32_t(d[10]) << 16 | uint32_t(d[11]) << 24;
    if (cbObject != d.size() - kNativeHeaderSize)
        return r.fail(Mtef3Status::ObjectSize, 8);
    r.pos = kNativeHeaderSize;
    for (uint8_t expected : kMtef3Header) {
        uint8_t value = 0;
        if (!r.readByte(value))
            return false;
        if (value != expected)
            return r.fail(Mtef3Status::MtefHeader, r.pos - 1);
    }
    return true;
}

bool parseHex(Reader& r, std::string_view hex) {
    r.data.reserve(hex.size() / 2);
    for (size_t i = 0; i + 1 < hex.size(); i += 2) {
        const int high = hexValue(hex[i]);
        const int low = hexValue(hex[i + 1]);
        if (high < 0 || low < 0)
            return r.fail(Mtef3Status::BadHexText, i / 2);
        r.data.push_back(uint8_t(high * 16 + low));
    }
    return hex.size() % 2 == 0 || r.fail(Mtef3Status::BadHexText, hex.size() / 2);
}
} // namespace

Mtef3Check checkMtef3Stream(std::string_view equationNativeHex) {
    Reader r;
    if (!parseHex(r, equationNativeHex) || !readHeaders(r) || !readList(r, 0))
        return r.result;
    if (r.pos != r.data.size()) {
        r.fail(Mtef3Status::TrailingBytes, r.pos);
        return r.result;
    }
    r.result.status = Mtef3Status::Ok;
    return r.result;
}

const char* mtef3StatusText(Mtef3Status status) {
    switch (status) {
    case Mtef3Status::Ok:
        return "ok";
    case Mtef3Status::NotChecked:
        return "not checked";
    case Mtef3Status::BadHexText:
        return "not hex text";
    case Mtef3Status::ShortHeader:
        return "shorter than the 28-byte header";
    case Mtef3Status::HeaderLength:
        return "header length is not 28";
    case Mtef3Status::HeaderVersion:
        return "header version is not 0x00020000";
    case Mtef3Status::ObjectSize:
        return "cbObject is not the MTEF length";
    case Mtef3Status::MtefHeader:
        return "MTEF header is not 03 01 01 03 0a";
    case Mtef3Status::Truncated:
        return "data ends inside a record or an open object list";
    case Mtef3Status::UnknownTag:
        return "record tag 15 is not MTEF version 3";
    case Mtef3Status::UnexpectedOptions:
        return "option bits the record does not take";
    case Mtef3Status::EmbellListRecord:
        return "embellishment list holds a record other than EMBELL";
    case Mtef3Status::MatrixCells:
        return "matrix closed with other than rows x columns cells";
    case Mtef3Status::TooDeep:
        return "object lists nested too deep";
    case Mtef3Status::TrailingBytes:
        return "bytes after the final END";
    case Mtef3Status::SlotNotLine:
        return "template slot or matrix cell that is not a line";
    case Mtef3Status::LineInLine:
        return "line directly inside a line";
    case Mtef3Status::UnknownSelector:
        return "template selector that MTEF version 3 does not have";
    case Mtef3Status::SlotLines:
        return "template with other than its selector's number of slot lines";
    case Mtef3Status::TemplateCharacters:
        return "template with more characters than its selector has";
    case Mtef3Status::OperatorSign:
        return "operator's sign line holding other than one character";
    }
    return "unknown status";
}

std::string validateMtef3Stream(std::string_view equationNativeHex) {
    const Mtef3Check check = checkMtef3Stream(equationNativeHex);
    if (check.status == Mtef3Status::Ok)
        return {};
    return "byte " + std::to_string(check.offset) + ": " + mtef3StatusText(check.status);
}

} // namespace testing_support
