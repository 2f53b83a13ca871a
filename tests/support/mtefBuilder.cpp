// Writes the fixture records of mtefBuilder.h as MTEF bytes, in the MTEF 5 layout or the nibble layout of versions
// 2, 3 and 4. It does not read MTEF. Where MTEF writers differ, the bytes are those our engine reads:
// - a LINE or PILE ruler is a count byte and three bytes a stop (type, 16-bit offset), without the RULER tag byte;
// - version 3 closes every EMBELL record with an END of its own before the END of the list, as Equation Editor 3.x
//   writes it; versions 2, 4 and 5 close only the list;
// - in version 5 a CHAR with the no-MTCode option (0x20) has no MTCode bytes;
// - in versions 2 and 4 a CHAR holds one character byte (a font position), in version 3 two; with an 8-bit font
//   position (option 4) every version stores the 16-bit code and then the position byte;
// - a version 5 TMPL variation above 0x7f takes two bytes: bits 0-6 in the first, with its high bit set, and bits
//   8-15 in the second; bit 7 has no place there.
#include "mtefBuilder.h"

#include <gtest/gtest.h>

namespace testing_support {
namespace {
constexpr char kHexDigits[] = "0123456789abcdef";

int hexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}
} // namespace

std::string toHex(const MtefBytes& bytes) {
    std::string hex;
    hex.reserve(bytes.size() * 2);
    for (uint8_t b : bytes) {
        hex += kHexDigits[b >> 4];
        hex += kHexDigits[b & 15];
    }
    return hex;
}

MtefBytes fromHex(std::string_view hex) {
    MtefBytes bytes;
    if (hex.size() % 2 != 0)
        ADD_FAILURE() << "hex text of odd length " << hex.size();
    for (size_t i = 0; i + 1 < hex.size(); i += 2) {
        const int high = hexValue(hex[i]);
        const int low = hexValue(hex[i + 1]);
        if (high < 0 || low < 0) {
            ADD_FAILURE() << "not hex at character " << i << " of \"" << hex << "\"";
            break;
        }
        bytes.push_back(uint8_t(high * 16 + low));
    }
    return bytes;
}

std::string equationNativeHex(const MtefBytes& mtef) {
    // cbHdr 28, version 0x00020000, clipboard format 0, then cbObject; the 16 reserved bytes stay 0.
    MtefBytes stream = {0x1c, 0x00, 0x00, 0x00, 0x02, 0x00, 0x00, 0x00};
    const uint32_t size = uint32_t(mtef.size());
    for (int i = 0; i < 4; ++i)
        stream.push_back(uint8_t(size >> (8 * i)));
    stream.resize(28, 0);
    stream.insert(stream.end(), mtef.begin(), mtef.end());
    return toHex(stream);
}

namespace mtef {
namespace {
// Record tags (MTEF 5 numbering; the nibble layout shares 0-14).
enum Tag : uint8_t {
    kEndTag = 0,
    kLineTag = 1,
    kCharTag = 2,
    kTmplTag = 3,
    kPileTag = 4,
    kMatrixTag = 5,
    kEmbellTag = 6,
    kRulerTag = 7,
    kFontTag = 8, // FONT in the nibble layout, FONT_STYLE_DEF in MTEF 5
    kSizeTag = 9,
    kFullTag = 10,
    kSubTag = 11,
    kSub2Tag = 12,
    kSymTag = 13,
    kSubSymTag = 14,
    kColorTag = 15,
    kColorDefTag = 16,
    kFontDefTag = 17,
    kEqnPrefsTag = 18,
    kEncodingDefTag = 19,
};

// Option bits the builder sets from a record's fields.
constexpr uint8_t kOptNudge = 0x08;        // every record with options
constexpr uint8_t kOptLineSpacing = 0x04;  // LINE
constexpr uint8_t kOptRuler = 0x02;        // LINE, PILE
constexpr uint8_t kOptNullLine = 0x01;     // LINE
constexpr uint8_t kOptCharPos8 = 0x04;     // CHAR
constexpr uint8_t kOptCharPos16 = 0x10;    // CHAR, MTEF 5
constexpr uint8_t kOptCharNoMtcode = 0x20; // CHAR, MTEF 5
constexpr uint8_t kOptEmbellV5 = 0x01;     // CHAR, MTEF 5
constexpr uint8_t kOptEmbellNibble = 0x02; // CHAR, versions 2-4

struct Writer {
    int version;
    MtefBytes out;

    bool v5() const { return version >= 5; }
    void byte(int value) { out.push_back(uint8_t(value)); }
    void word(int value) {
        byte(value & 0xff);
        byte((value >> 8) & 0xff);
    }
    void append(const MtefBytes& bytes) { out.insert(out.end(), bytes.begin(), bytes.end()); }
};

void writeRecord(Writer& w, const MtefRecord& r);

void writeList(Writer& w, const MtefRecords& list) {
    for (const MtefRecord& r : list)
        writeRecord(w, r);
    w.byte(kEndTag);
}

// The tag byte and the options: a byte of their own in MTEF 5, the tag byte's high nibble otherwise.
void writeHead(Writer& w, uint8_t tag, uint8_t options) {
    if (w.v5()) {
        w.byte(tag);
        w.byte(options);
        return;
    }
    if (options > 15)
        ADD_FAILURE() << "options 0x" << std::hex << int(options) << std::dec << " of a record with tag " << int(tag)
                      << " do not fit the tag byte of MTEF " << w.version;
    w.byte(((options & 15) << 4) | tag);
}

void writeNudge(Writer& w, const MtefRecord& r) {
    if (!r.hasNudge)
        return;
    if (!r.longNudge) {
        w.byte(r.dx + 128);
        w.byte(r.dy + 128);
        return;
    }
    w.byte(128);
    w.byte(128);
    w.word(r.dx);
    w.word(r.dy);
}

void writeRuler(Writer& w, const std::vector<MtefTabStop>& stops) {
    w.byte(int(stops.size()));
    for (const MtefTabStop& stop : stops) {
        w.byte(stop.type);
        w.word(stop.offset);
    }
}

uint8_t nudgeBit(const MtefRecord& r) {
    return r.hasNudge ? kOptNudge : 0;
}

void writeLine(Writer& w, const MtefRecord& r) {
    const uint8_t options = r.extraOptions | nudgeBit(r) | (r.hasSpacing ? kOptLineSpacing : 0) |
                            (r.hasRuler ? kOptRuler : 0) | (r.isNull ? kOptNullLine : 0);
    writeHead(w, kLineTag, options);
    writeNudge(w, r);
    if (r.hasSpacing)
        w.word(r.spacing);
    if (r.hasRuler)
        writeRuler(w, r.ruler);
    if (!r.isNull)
        writeList(w, r.objects);
}

void writeChar(Writer& w, const MtefRecord& r) {
    uint8_t options = r.extraOptions | nudgeBit(r);
    if (r.positionBits == 8)
        options |= kOptCharPos8;
    if (r.positionBits == 16)
        options |= kOptCharPos16;
    if (!r.embells.empty())
        options |= w.v5() ? kOptEmbellV5 : kOptEmbellNibble;
    writeHead(w, kCharTag, options);
    writeNudge(w, r);
    w.byte(r.typeface);
    if (w.v5()) {
        if (!(options & kOptCharNoMtcode))
            w.word(r.code);
    } else if (r.positionBits != 0 || w.version == 3) {
        w.word(r.code);
    } else {
        if (r.code > 0xff)
            ADD_FAILURE() << "character 0x" << std::hex << r.code << std::dec << " needs two bytes; MTEF " << w.version
                          << " stores one";
        w.byte(r.code & 0xff);
    }
    if (r.positionBits == 8)
        w.byte(r.position & 0xff);
    else if (r.positionBits == 16)
        w.word(r.position);
    if (!r.embells.empty())
        writeList(w, r.embells);
}

void writeVariation(Writer& w, uint16_t variation) {
    if (!w.v5() || variation < 0x80) {
        if (variation > 0xff)
            ADD_FAILURE() << "variation 0x" << std::hex << variation << std::dec << " needs two bytes; MTEF "
                          << w.version << " stores one";
        w.byte(variation & 0xff);
        return;
    }
    if (variation & 0x80)
        ADD_FAILURE() << "variation 0x" << std::hex << variation << std::dec
                      << ": bit 7 has no place in a two-byte variation";
    w.byte((variation & 0x7f) | 0x80);
    w.byte(variation >> 8);
}

void writeRecord(Writer& w, const MtefRecord& r) {
    switch (r.kind) {
    case MtefKind::End:
        w.byte(kEndTag);
        return;
    case MtefKind::Line:
        writeLine(w, r);
        return;
    case MtefKind::Char:
        writeChar(w, r);
        return;
    case MtefKind::Template:
        writeHead(w, kTmplTag, r.extraOptions | nudgeBit(r));
        writeNudge(w, r);
        w.byte(r.selector);
        writeVariation(w, r.variation);
        w.byte(r.templateOptions);
        writeList(w, r.objects);
        return;
    case MtefKind::Pile:
        writeHead(w, kPileTag, r.extraOptions | nudgeBit(r) | (r.hasRuler ? kOptRuler : 0));
        writeNudge(w, r);
        w.append(r.fields);
        if (r.hasRuler)
            writeRuler(w, r.ruler);
        writeList(w, r.objects);
        return;
    case MtefKind::Matrix:
        writeHead(w, kMatrixTag, r.extraOptions | nudgeBit(r));
        writeNudge(w, r);
        w.append(r.fields);
        writeList(w, r.objects);
        return;
    case MtefKind::Embell:
        writeHead(w, kEmbellTag, r.extraOptions | nudgeBit(r));
        writeNudge(w, r);
        w.append(r.fields);
        if (w.version == 3)
            w.byte(kEndTag);
        return;
    case MtefKind::Plain:
        w.byte(r.tag);
        w.append(r.fields);
        return;
    case MtefKind::Raw:
        w.append(r.fields);
        return;
    }
}

MtefRecord plain(uint8_t tag, MtefBytes fields = {}) {
    MtefRecord r;
    r.kind = MtefKind::Plain;
    r.tag = tag;
    r.fields = std::move(fields);
    return r;
}

void appendText(MtefBytes& out, std::string_view text) {
    out.insert(out.end(), text.begin(), text.end());
    out.push_back(0);
}

void appendWord(MtefBytes& out, unsigned value) {
    out.push_back(uint8_t(value & 0xff));
    out.push_back(uint8_t((value >> 8) & 0xff));
}

// One EQN_PREFS dimension as nibbles: the unit, the digits ('.' is A, '-' is B), and F.
void appendDimension(std::vector<uint8_t>& nibbles, const std::string& text) {
    struct Unit {
        std::string_view suffix;
        uint8_t nibble;
    };
    static constexpr Unit kUnits[] = {{"in", 0}, {"cm", 1}, {"pt", 2}, {"pc", 3}, {"%", 4}};
    for (const Unit& unit : kUnits) {
        const std::string_view view(text);
        if (view.size() <= unit.suffix.size() || view.substr(view.size() - unit.suffix.size()) != unit.suffix)
            continue;
        nibbles.push_back(unit.nibble);
        for (char c : view.substr(0, view.size() - unit.suffix.size())) {
            if (c >= '0' && c <= '9')
                nibbles.push_back(uint8_t(c - '0'));
            else if (c == '.')
                nibbles.push_back(0xa);
            else if (c == '-')
                nibbles.push_back(0xb);
            else
                ADD_FAILURE() << "dimension \"" << text << "\" holds '" << c << "'";
        }
        nibbles.push_back(0xf);
        return;
    }
    ADD_FAILURE() << "dimension \"" << text << "\" has no unit of in, cm, pt, pc, %";
}

void appendDimensionList(MtefBytes& out, const std::vector<std::string>& dimensions) {
    out.push_back(uint8_t(dimensions.size()));
    std::vector<uint8_t> nibbles;
    for (const std::string& dimension : dimensions)
        appendDimension(nibbles, dimension);
    if (nibbles.size() % 2 != 0)
        nibbles.push_back(0);
    for (size_t i = 0; i < nibbles.size(); i += 2)
        out.push_back(uint8_t(nibbles[i] << 4 | nibbles[i + 1]));
}

// Partition bytes: two bits a partition line, rows + 1 (or cols + 1) lines.
MtefBytes partitionBytes(const MtefBytes& given, uint8_t count) {
    return given.empty() ? MtefBytes(size_t(count + 4) / 4, 0) : given;
}
} // namespace

MtefRecord MtefRecord::nudged(int newDx, int newDy) const {
    MtefRecord r = *this;
    r.hasNudge = true;
    r.dx = newDx;
    r.dy = newDy;
    const auto fitsByte = [](int d) { return d >= -128 && d <= 127; };
    r.longNudge = !fitsByte(newDx) || !fitsByte(newDy) || (newDx == 0 && newDy == 0);
    return r;
}

MtefRecord MtefRecord::nudgedLong(int newDx, int newDy) const {
    MtefRecord r = nudged(newDx, newDy);
    r.longNudge = true;
    return r;
}

MtefRecord MtefRecord::withOptions(uint8_t bits) const {
    MtefRecord r = *this;
    r.extraOptions |= bits;
    return r;
}

MtefRecord MtefRecord::at8(uint8_t fontPosition) const {
    MtefRecord r = *this;
    r.positionBits = 8;
    r.position = fontPosition;
    return r;
}

MtefRecord MtefRecord::at16(uint16_t fontPosition) const {
    MtefRecord r = *this;
    r.positionBits = 16;
    r.position = fontPosition;
    return r;
}

MtefRecord MtefRecord::embellished(uint8_t embellKind) const {
    return embellished(embell(embellKind));
}

MtefRecord MtefRecord::embellished(const MtefRecord& embellRecord) const {
    MtefRecord r = *this;
    r.embells.push_back(embellRecord);
    return r;
}

MtefRecord MtefRecord::spaced(uint16_t lineSpacing) const {
    MtefRecord r = *this;
    r.hasSpacing = true;
    r.spacing = lineSpacing;
    return r;
}

MtefRecord MtefRecord::ruled(std::vector<MtefTabStop> stops) const {
    MtefRecord r = *this;
    r.hasRuler = true;
    r.ruler = std::move(stops);
    return r;
}

MtefRecord endRecord() {
    MtefRecord r;
    r.kind = MtefKind::End;
    return r;
}

MtefRecord line(MtefRecords objects) {
    MtefRecord r;
    r.kind = MtefKind::Line;
    r.objects = std::move(objects);
    return r;
}

MtefRecord nullLine() {
    MtefRecord r;
    r.kind = MtefKind::Line;
    r.isNull = true;
    return r;
}

MtefRecord ch(uint16_t code, int typeface) {
    MtefRecord r;
    r.kind = MtefKind::Char;
    r.code = code;
    if (typeface != kAutoFace)
        r.typeface = uint8_t(typeface);
    else if ((code >= 'a' && code <= 'z') || (code >= 'A' && code <= 'Z'))
        r.typeface = kVariableFace;
    else if (code >= '0' && code <= '9')
        r.typeface = kNumberFace;
    else
        r.typeface = kSymbolFace;
    return r;
}

MtefRecord tmpl(uint8_t selector, uint16_t variation, MtefRecords objects, uint8_t templateOptions) {
    MtefRecord r;
    r.kind = MtefKind::Template;
    r.selector = selector;
    r.variation = variation;
    r.templateOptions = templateOptions;
    r.objects = std::move(objects);
    return r;
}

MtefRecord pile(uint8_t halign, uint8_t valign, MtefRecords lines) {
    MtefRecord r;
    r.kind = MtefKind::Pile;
    r.fields = {halign, valign};
    r.objects = std::move(lines);
    return r;
}

MtefRecord matrix(uint8_t rows, uint8_t cols, MtefRecords cells, MtefMatrixLayout layout) {
    MtefRecord r;
    r.kind = MtefKind::Matrix;
    r.fields = {layout.valign, layout.hjust, layout.vjust, rows, cols};
    for (const MtefBytes& parts : {partitionBytes(layout.rowParts, rows), partitionBytes(layout.colParts, cols)})
        r.fields.insert(r.fields.end(), parts.begin(), parts.end());
    r.objects = std::move(cells);
    return r;
}

MtefRecord embell(uint8_t embellKind) {
    MtefRecord r;
    r.kind = MtefKind::Embell;
    r.fields = {embellKind};
    return r;
}

MtefRecord ruler(std::vector<MtefTabStop> stops) {
    MtefBytes fields = {uint8_t(stops.size())};
    for (const MtefTabStop& stop : stops) {
        fields.push_back(stop.type);
        appendWord(fields, uint16_t(stop.offset));
    }
    return plain(kRulerTag, std::move(fields));
}

MtefRecord font(uint8_t typeface, uint8_t style, std::string_view name) {
    MtefBytes fields = {typeface, style};
    appendText(fields, name);
    return plain(kFontTag, std::move(fields));
}

MtefRecord fontStyleDef(uint8_t fontDef, uint8_t style) {
    return plain(kFontTag, {fontDef, style});
}

MtefRecord size(uint8_t lsize, MtefBytes rest) {
    rest.insert(rest.begin(), lsize);
    return plain(kSizeTag, std::move(rest));
}

MtefRecord full() {
    return plain(kFullTag);
}
MtefRecord sub() {
    return plain(kSubTag);
}
MtefRecord sub2() {
    return plain(kSub2Tag);
}
MtefRecord sym() {
    return plain(kSymTag);
}
MtefRecord subsym() {
    return plain(kSubSymTag);
}

MtefRecord color(uint16_t colorDefNumber) {
    MtefBytes fields;
    if (colorDefNumber < 255) {
        fields.push_back(uint8_t(colorDefNumber));
    } else {
        fields.push_back(255);
        appendWord(fields, colorDefNumber);
    }
    return plain(kColorTag, std::move(fields));
}

MtefRecord colorDef(std::vector<uint16_t> values, std::string_view name, bool spot) {
    if (values.size() != 3 && values.size() != 4)
        ADD_FAILURE() << "a colour has 3 (RGB) or 4 (CMYK) values, not " << values.size();
    const uint8_t options = (values.size() == 4 ? 1 : 0) | (spot ? 2 : 0) | (name.empty() ? 0 : 4);
    MtefBytes fields = {options};
    for (uint16_t value : values)
        appendWord(fields, value);
    if (!name.empty())
        appendText(fields, name);
    return plain(kColorDefTag, std::move(fields));
}

MtefRecord fontDef(uint8_t encoding, std::string_view name) {
    MtefBytes fields = {encoding};
    appendText(fields, name);
    return plain(kFontDefTag, std::move(fields));
}

MtefRecord eqnPrefs(std::vector<std::string> sizes, std::vector<std::string> spaces, std::vector<MtefStyleRef> styles,
                    uint8_t options) {
    MtefBytes fields = {options};
    appendDimensionList(fields, sizes);
    appendDimensionList(fields, spaces);
    fields.push_back(uint8_t(styles.size()));
    for (const MtefStyleRef& style : styles) {
        fields.push_back(style.fontDef);
        if (style.fontDef != 0)
            fields.push_back(style.style);
    }
    return plain(kEqnPrefsTag, std::move(fields));
}

MtefRecord encodingDef(std::string_view name) {
    MtefBytes fields;
    appendText(fields, name);
    return plain(kEncodingDefTag, std::move(fields));
}

MtefRecord futureRecord(uint8_t tag, MtefBytes payload) {
    MtefBytes fields;
    if (tag == 255)
        fields = {0, 0};
    if (payload.size() < 255) {
        fields.push_back(uint8_t(payload.size()));
    } else {
        if (payload.size() > 0xffff)
            ADD_FAILURE() << "a future record holds at most 65535 bytes, not " << payload.size();
        fields.push_back(255);
        fields.push_back(uint8_t(payload.size() & 0xff)); // low byte first, as MathType writes it
        fields.push_back(uint8_t(payload.size() >> 8));
    }
    fields.insert(fields.end(), payload.begin(), payload.end());
    return plain(tag, std::move(fields));
}

MtefRecord raw(MtefBytes bytes) {
    MtefRecord r;
    r.kind = MtefKind::Raw;
    r.fields = std::move(bytes);
    return r;
}

MtefEquation& MtefEquation::add(MtefRecord record) {
    records_.push_back(std::move(record));
    return *this;
}

MtefEquation& MtefEquation::unterminated() {
    finalEnd_ = false;
    return *this;
}

MtefBytes MtefEquation::bytes() const {
    Writer w{header_.version, {}};
    w.out = {header_.version, header_.platform, header_.product, header_.productVersion, header_.productSubversion};
    if (w.v5()) {
        appendText(w.out, header_.appKey);
        w.byte(header_.equationOptions);
    }
    for (const MtefRecord& r : records_)
        writeRecord(w, r);
    if (finalEnd_)
        w.byte(kEndTag);
    return w.out;
}

MtefEquation mtef(MtefHeader header) {
    return MtefEquation(std::move(header));
}
MtefEquation mtef5(std::string appKey, uint8_t equationOptions) {
    return mtef({5, 1, 0, 6, 0, std::move(appKey), equationOptions});
}
MtefEquation mtef4() {
    return mtef({4, 1, 0, 3, 5, {}, 0});
}
MtefEquation mtef3() {
    return mtef({3, 1, 1, 3, 10, {}, 0});
}
MtefEquation mtef2() {
    return mtef({2, 1, 0, 3, 0, {}, 0});
}

} // namespace mtef
} // namespace testing_support
