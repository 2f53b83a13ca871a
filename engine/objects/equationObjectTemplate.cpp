// The constant parts of built Equation Editor 3.x objects, assembled at compile time from their fields so that each
// field can be read here by name. The static_asserts pin every size the object layout depends on.
#include "objects/equationObjectTemplate.h"

namespace {
// A fixed-size byte image filled field by field, little-endian, at compile time. Writing past the end is not a
// constant expression, so a field list that outgrows its image fails to compile.
template <size_t Size> struct ByteImage {
    std::array<uint8_t, Size> bytes{};
    size_t size = 0;

    constexpr void u8(uint8_t value) { bytes[size++] = value; }
    constexpr void u16(uint16_t value) {
        u8(uint8_t(value));
        u8(uint8_t(value >> 8));
    }
    constexpr void u32(uint32_t value) {
        u16(uint16_t(value));
        u16(uint16_t(value >> 16));
    }
    constexpr void raw(const uint8_t* data, size_t count) {
        for (size_t i = 0; i < count; ++i)
            u8(data[i]);
    }
    constexpr void zeros(size_t count) {
        for (size_t i = 0; i < count; ++i)
            u8(0);
    }
    // The characters of `text` and zeros up to `fieldSize` (at least one zero).
    constexpr void text(const char* text, size_t fieldSize) {
        size_t i = 0;
        for (; text[i] != 0 && i + 1 < fieldSize; ++i)
            u8(uint8_t(text[i]));
        zeros(fieldSize - i);
    }
    // CompObj strings: a 32-bit length that counts the terminating zero, then the characters and the zero.
    constexpr void lengthPrefixed(const char* text) {
        size_t length = 0;
        while (text[length] != 0)
            ++length;
        u32(uint32_t(length + 1));
        this->text(text, length + 1);
    }
};
} // namespace

constexpr std::array<uint8_t, kCompoundFileClassIdSize> kEquation3ClassId = {
    0x02, 0xce, 0x02, 0x00, // Data1 0x0002ce02
    0x00, 0x00, 0x00, 0x00, // Data2, Data3
    0xc0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46,
};

namespace {
// "\1Ole": version 0x02000001, flags 8, then no link update option, reserved and moniker size.
constexpr auto kOleStream = [] {
    ByteImage<20> image;
    image.u32(0x02000001);
    image.u32(8);
    image.zeros(12);
    return image;
}();
static_assert(kOleStream.size == 20);

// "\1CompObj": the OLE class, its user type, clipboard format and ProgID.
constexpr auto kCompObjStream = [] {
    ByteImage<102> image;
    image.u16(1);          // version
    image.u16(0xfffe);     // byte order
    image.u32(0x00000a03); // the writer's OS version
    image.u32(0xffffffff); // the class id follows
    image.raw(kEquation3ClassId.data(), kEquation3ClassId.size());
    image.lengthPrefixed("Microsoft Equation 3.0");
    image.lengthPrefixed("DS Equation");
    image.lengthPrefixed("Equation.3");
    image.u32(0x71b239f4); // the Unicode marker, then no Unicode strings
    image.zeros(12);
    return image;
}();
static_assert(kCompObjStream.size == 102);

// "\3ObjInfo": the object's flags as Equation Editor 3.x objects carry them.
constexpr uint8_t kObjInfoStream[6] = {0x00, 0x00, 0x03, 0x00, 0x04, 0x00};

// "Equation Native": the 28-byte header and the MTEF version 3 equation "a", a character of the variable style.
constexpr uint8_t kEquationNativeStream[41] = {
    0x1c, 0x00,                                     // header length 28
    0x00, 0x00, 0x02, 0x00,                         // header version
    0x64, 0xc2,                                     // clipboard format
    0x0d, 0x00, 0x00, 0x00,                         // cbObject: the 13 MTEF bytes
    0x00, 0x00, 0x00, 0x00, 0xb8, 0xc8, 0x16, 0x00, // reserved
    0xec, 0x6c, 0x15, 0x00, 0x00, 0x00, 0x00, 0x00, // reserved
    0x03, 0x01, 0x01, 0x03, 0x0a,                   // MTEF header: version 3, Windows, product 1, version 3.10
    0x0a,                                           // FULL size
    0x01,                                           // LINE
    0x02, 0x83, 0x61, 0x00,                         // CHAR: typeface 3 (variable), "a"
    0x00,                                           // END of the line
    0x00,                                           // END of the equation
};
} // namespace

constexpr std::array<CompoundFileStream, kEquationTemplateStreamCount> kEquationTemplateStreams = {{
    {u"\u0001Ole", kOleStream.bytes.data(), kOleStream.size},
    {u"\u0001CompObj", kCompObjStream.bytes.data(), kCompObjStream.size},
    {u"\u0003ObjInfo", kObjInfoStream, sizeof kObjInfoStream},
    {u"Equation Native", kEquationNativeStream, sizeof kEquationNativeStream},
}};

static_assert(planCompoundFile(kEquationTemplateStreams.data(), kEquationTemplateStreamCount).totalSize ==
              kEquationTemplateSize);
constexpr std::array<uint8_t, kEquationTemplateSize> kEquationTemplateImage = compoundFileImage<kEquationTemplateSize>(
    kEquationTemplateStreams.data(), kEquationTemplateStreamCount, kEquation3ClassId.data());

constexpr char kOle1ObjectHeaderHex[kOle1ObjectHeaderHexSize + 1] = "01050000"               // OLE version
                                                                    "02000000"               // embedded object
                                                                    "0b000000"               // class name length
                                                                    "4571756174696f6e2e3300" // "Equation.3"
                                                                    "00000000"               // topic name length
                                                                    "00000000";              // item name length
static_assert(sizeof kOle1ObjectHeaderHex == kOle1ObjectHeaderHexSize + 1);

namespace {
// The placeholder picture, in twips: 200 x 220 of them are the 353 x 388 hundredths of a millimetre of its frame.
constexpr int16_t kPictureWidth = 200;
constexpr int16_t kPictureHeight = 220;
constexpr uint16_t kMetafileWords = kPlaceholderMetafileSize / 2;
constexpr uint16_t kCommentBytes = 84; // what is left of the metafile for the comment's payload
constexpr uint16_t kLargestRecordWords = 5 + kCommentBytes / 2;

// Windows metafile record functions.
enum MetafileFunction : uint16_t {
    MetaEof = 0x0000,
    MetaSetBkMode = 0x0102,
    MetaSetTextAlign = 0x012e,
    MetaSelectObject = 0x012d,
    MetaDeleteObject = 0x01f0,
    MetaSetTextColor = 0x0209,
    MetaSetWindowOrg = 0x020b,
    MetaSetWindowExt = 0x020c,
    MetaCreateFontIndirect = 0x02fb,
    MetaTextOut = 0x0521,
    MetaEscape = 0x0626,
};
constexpr uint16_t kMfComment = 0x000f; // the escape that carries a comment
constexpr uint16_t kTransparent = 1;    // background mode
constexpr uint16_t kTaBaseline = 24;    // text alignment: the reference point is on the base line
constexpr uint8_t kVariablePitchRoman = 0x12;

template <size_t Size> constexpr void record(ByteImage<Size>& image, uint32_t words, MetafileFunction function) {
    image.u32(words);
    image.u16(function);
}

// A 16-bit LOGFONT with its face name in the full 32-byte field, as GDI records it.
template <size_t Size>
constexpr void createFont(ByteImage<Size>& image, int16_t height, uint16_t weight, uint8_t pitchAndFamily,
                          const char* face) {
    record(image, 3 + 25, MetaCreateFontIndirect);
    image.u16(uint16_t(height));
    image.zeros(6); // width, escapement, orientation
    image.u16(weight);
    image.zeros(4); // italic, underline, strike-out, ANSI character set
    image.zeros(3); // default output precision, clipping precision and quality
    image.u8(pitchAndFamily);
    image.text(face, 32);
}

constexpr auto kMetafile = [] {
    ByteImage<kPlaceholderMetafileSize> image;
    image.u16(1);                   // a memory metafile
    image.u16(9);                   // header words
    image.u16(0x0300);              // version
    image.u32(kMetafileWords);      // size in words
    image.u16(2);                   // object slots used
    image.u32(kLargestRecordWords); // the comment record
    image.u16(0);                   // no parameters
    record(image, 5, MetaSetWindowOrg);
    image.u16(0); // y, x
    image.u16(0);
    record(image, 5, MetaSetWindowExt);
    image.u16(kPictureHeight);
    image.u16(kPictureWidth);
    record(image, kLargestRecordWords, MetaEscape);
    image.u16(kMfComment);
    image.u16(kCommentBytes);
    image.text("MathType", 9);
    image.text("Equation.3 placeholder: the document shows the object's own result picture", kCommentBytes - 9);
    createFont(image, -240, 400, kVariablePitchRoman, "Times New Roman"); // a 12-point em, in slot 0
    record(image, 4, MetaSelectObject);
    image.u16(0);
    record(image, 5, MetaSetTextColor);
    image.u32(0x00000000); // black
    record(image, 4, MetaSetBkMode);
    image.u16(kTransparent);
    record(image, 4, MetaSetTextAlign);
    image.u16(kTaBaseline);
    record(image, 7, MetaTextOut);
    image.u16(1); // one character, padded to a word
    image.text("a", 2);
    image.u16(164); // y on the base line, x
    image.u16(32);
    // Another font (slot 1) takes the first one's place in the device context, so that the first can be deleted.
    createFont(image, 0, 400, 0, "System");
    record(image, 4, MetaSelectObject);
    image.u16(1);
    record(image, 4, MetaDeleteObject);
    image.u16(0);
    record(image, 3, MetaEof);
    return image;
}();
static_assert(kMetafile.size == kPlaceholderMetafileSize);

constexpr auto kPresentationHeader = [] {
    ByteImage<kPlaceholderHeaderSize> image;
    image.u32(0x0501); // OLE version
    image.u32(5);      // format id: presentation
    image.u32(13);     // class name length
    image.text("METAFILEPICT", 13);
    image.u32(353);                          // width, hundredths of a millimetre
    image.u32(uint32_t(-388));               // height, negative as OLE1 stores it
    image.u32(8 + kPlaceholderMetafileSize); // presentation data: METAFILEPICT header and metafile
    image.u16(8);                            // MM_ANISOTROPIC
    image.u16(353);                          // x extent
    image.u16(388);                          // y extent
    image.u16(0);                            // no metafile handle in a file
    return image;
}();
static_assert(kPresentationHeader.size == kPlaceholderHeaderSize);
} // namespace

constexpr std::array<uint8_t, kPlaceholderHeaderSize> kPlaceholderHeader = kPresentationHeader.bytes;
constexpr std::array<uint8_t, kPlaceholderMetafileSize> kPlaceholderMetafile = kMetafile.bytes;
