// Builds MTEF byte streams for test fixtures, so that a fixture reads like the equation it encodes:
//
//     using namespace testing_support::mtef;
//     MtefBytes data = mtef5().add(full()).line({ch('x'), ch('+'), ch('1')}).bytes();
//
// Records are plain values composed by function calls; the record layout is chosen only when an equation is
// serialised, from its MTEF version: version 5 writes a tag byte and, for LINE, CHAR, TMPL, PILE, MATRIX and EMBELL,
// an options byte after it; versions 2, 3 and 4 (the nibble layout) put the options in the tag byte's high nibble.
// So one fixture can be written in every version. The builder writes what it is told and does not check that a
// record makes sense where it stands (raw() makes malformed data easy); it only reports, as a test failure, values
// that the chosen layout cannot hold at all.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace testing_support {

using MtefBytes = std::vector<uint8_t>;

// Lowercase hex text of bytes, two characters a byte.
std::string toHex(const MtefBytes& bytes);

// Bytes of hex text in either case; an odd last character or a non-hex character is reported as a test failure.
MtefBytes fromHex(std::string_view hex);

// An "Equation Native" stream as lowercase hex: the 28-byte header (header length 28, version 0x00020000, clipboard
// format 0, cbObject = the MTEF length, reserved zeros, as MathType writes it), then the MTEF data.
std::string equationNativeHex(const MtefBytes& mtef);

namespace mtef {

// Typeface bytes as stored: 128 + the MTEF style number.
constexpr uint8_t kTextFace = 129;
constexpr uint8_t kFunctionFace = 130;
constexpr uint8_t kVariableFace = 131;
constexpr uint8_t kLcGreekFace = 132;
constexpr uint8_t kUcGreekFace = 133;
constexpr uint8_t kSymbolFace = 134;
constexpr uint8_t kVectorFace = 135;
constexpr uint8_t kNumberFace = 136;
constexpr uint8_t kUser1Face = 137;
constexpr uint8_t kUser2Face = 138;
constexpr uint8_t kMtExtraFace = 139;
constexpr uint8_t kExpandingFace = 150;
constexpr uint8_t kMarkerFace = 151;
constexpr uint8_t kSpaceFace = 152;
// ch() without a typeface: letters variable, digits number, anything else symbol (MathType's usual choice).
constexpr int kAutoFace = -1;

// How a record is written. Plain records are their tag byte and `fields`; Raw records are `fields` alone.
enum class MtefKind { End, Line, Char, Template, Pile, Matrix, Embell, Plain, Raw };

struct MtefTabStop {
    uint8_t type;   // tab stop kind
    int16_t offset; // position, stored 16-bit little endian
};

struct MtefStyleRef {
    uint8_t fontDef; // FONT_DEF number; 0 = none, and then no style byte follows
    uint8_t style;
};

struct MtefRecord {
    MtefKind kind = MtefKind::Raw;
    uint8_t tag = 0;
    uint8_t extraOptions = 0; // option bits of the fixture's own; those the fields imply are added on writing
    bool hasNudge = false;
    bool longNudge = false;
    int dx = 0, dy = 0;
    bool isNull = false;     // LINE: null line, no object list
    bool hasSpacing = false; // LINE: line spacing follows
    uint16_t spacing = 0;
    bool hasRuler = false; // LINE, PILE: ruler follows (count and stops, no tag byte: see mtefBuilder.cpp)
    std::vector<MtefTabStop> ruler;
    uint8_t typeface = 0; // CHAR
    uint16_t code = 0;    // CHAR: MTCode, or the character of the nibble layout
    int positionBits = 0; // CHAR: 0, or 8 / 16 when a font position follows
    uint16_t position = 0;
    uint8_t selector = 0;   // TMPL
    uint16_t variation = 0; // TMPL
    uint8_t templateOptions = 0;
    MtefBytes fields;                // fixed fields in stored order (PILE, MATRIX, EMBELL, definition records, Raw)
    std::vector<MtefRecord> objects; // object list: line objects, template slots, pile lines, matrix cells
    std::vector<MtefRecord> embells; // CHAR: its embellishment list

    // Modified copies, for chaining inside an object list.
    MtefRecord nudged(int dx, int dy) const;      // short form when both fit a signed byte and are not both 0
    MtefRecord nudgedLong(int dx, int dy) const;  // always the long form
    MtefRecord withOptions(uint8_t bits) const;   // e.g. 0x20 no-MTCode, 0x02 function start (MTEF 5), 0x01 auto
    MtefRecord at8(uint8_t fontPosition) const;   // CHAR: 8-bit font position (option 0x04)
    MtefRecord at16(uint16_t fontPosition) const; // CHAR: 16-bit font position (option 0x10, MTEF 5 only)
    MtefRecord embellished(uint8_t embellKind) const;
    MtefRecord embellished(const MtefRecord& embell) const;
    MtefRecord spaced(uint16_t lineSpacing) const;
    MtefRecord ruled(std::vector<MtefTabStop> stops) const;
};
using MtefRecords = std::vector<MtefRecord>;

MtefRecord endRecord();
MtefRecord line(MtefRecords objects);
MtefRecord nullLine();
MtefRecord ch(uint16_t code, int typeface = kAutoFace);
MtefRecord tmpl(uint8_t selector, uint16_t variation, MtefRecords objects, uint8_t templateOptions = 0);
MtefRecord pile(uint8_t halign, uint8_t valign, MtefRecords lines);

struct MtefMatrixLayout {
    uint8_t valign = 0;
    uint8_t hjust = 0;
    uint8_t vjust = 0;
    MtefBytes rowParts; // empty: zero bytes, as many as the row count needs
    MtefBytes colParts;
};
MtefRecord matrix(uint8_t rows, uint8_t cols, MtefRecords cells, MtefMatrixLayout layout = {});

MtefRecord embell(uint8_t embellKind);
MtefRecord ruler(std::vector<MtefTabStop> stops);
MtefRecord font(uint8_t typeface, uint8_t style, std::string_view name); // nibble layout FONT
MtefRecord fontStyleDef(uint8_t fontDef, uint8_t style);                 // MTEF 5 FONT_STYLE_DEF
// SIZE: lsize, then `rest` as stored (the engine reads 3 bytes after 100, 2 after 101, else 1).
MtefRecord size(uint8_t lsize, MtefBytes rest);
MtefRecord full();
MtefRecord sub();
MtefRecord sub2();
MtefRecord sym();
MtefRecord subsym();
MtefRecord color(uint16_t colorDef); // below 255 one byte, else 255 and the value 16-bit little endian
// COLOR_DEF: three values (RGB) or four (CMYK), each 16-bit little endian; a name sets option 4.
MtefRecord colorDef(std::vector<uint16_t> values, std::string_view name = {}, bool spot = false);
MtefRecord fontDef(uint8_t encoding, std::string_view name);
// EQN_PREFS: dimensions as text such as "12pt", "150%", "0.5in" (units in, cm, pt, pc, %), each list packed into
// nibbles, every dimension closed by the nibble F and the list padded to a whole byte with 0.
MtefRecord eqnPrefs(std::vector<std::string> sizes, std::vector<std::string> spaces, std::vector<MtefStyleRef> styles,
                    uint8_t options = 0);
MtefRecord encodingDef(std::string_view name);
// Tags 100-255: tag 255 has two more bytes (zeros here); the length is one byte below 255, else 255 and the
// length as first * 256 + second; then the payload.
MtefRecord futureRecord(uint8_t tag, MtefBytes payload);
MtefRecord raw(MtefBytes bytes);

struct MtefHeader {
    uint8_t version;
    uint8_t platform;
    uint8_t product;
    uint8_t productVersion;
    uint8_t productSubversion;
    std::string appKey;          // MTEF 5 only, written with its zero byte
    uint8_t equationOptions = 0; // MTEF 5 only
};

class MtefEquation {
public:
    explicit MtefEquation(MtefHeader header) : header_(std::move(header)) {}
    MtefEquation& add(MtefRecord record);
    MtefEquation& line(MtefRecords objects) { return add(mtef::line(std::move(objects))); }
    MtefEquation& unterminated(); // no END after the top-level records
    MtefBytes bytes() const;
    std::string hex() const { return toHex(bytes()); }
    std::string nativeHex() const { return equationNativeHex(bytes()); }

private:
    MtefHeader header_;
    MtefRecords records_;
    bool finalEnd_ = true;
};

MtefEquation mtef(MtefHeader header);
MtefEquation mtef5(std::string appKey = "DSMT6", uint8_t equationOptions = 0); // 05 01 00 06 00, key, options
MtefEquation mtef4();                                                          // 04 01 00 03 05
MtefEquation mtef3();                                                          // 03 01 01 03 0a (Equation Editor 3.x)
MtefEquation mtef2();                                                          // 02 01 00 03 00

} // namespace mtef
} // namespace testing_support
