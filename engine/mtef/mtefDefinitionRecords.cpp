// Definition and layout records: FONT (nibble layout) and FONT_STYLE_DEF (version 5), the size records, COLOR,
// COLOR_DEF, FONT_DEF, EQN_PREFS, ENCODING_DEF and the future range. Outside the top level each of them pulls the
// record after it, so that its caller receives one object; an END pulled that way ends the caller's list (-1).
#include "mtef/mtefDispatcher.h"
#include "mtef/mtefRecords.h"

#include <cstring>
#include <string_view>

namespace {
// Encoding names (hex of the name and its zero byte) and the class they give their fonts.
struct EncodingRow {
    std::string_view nameHex;
    int32_t encodingClass;
};
constexpr EncodingRow kEncodings[] = {
    {"57696e414e534900", 1},                           // WinANSI
    {"57696e416c6c4261736963436f6465506167657300", 1}, // WinAllBasicCodePages
    {"57696e456173744575726f706500", -1},              // WinEastEurope
};

// Fonts whose characters are looked up in fonts of their own, whatever their encoding.
constexpr std::string_view kSymbolFontHex = "53796d626f6c00";      // Symbol
constexpr std::string_view kMtExtraFontHex = "4d5420457874726100"; // MT Extra

int pullNextRecord(ConverterContext& context, std::string* output, bool pullNext) {
    if (!pullNext)
        return 0;
    return dispatchMtefRecord(context, output, OneRecord) == EndRecord ? -1 : 0;
}

void skipBytes(ConverterContext& context, int count) {
    for (int i = 0; i < count && !context.endOfData; ++i)
        readMtefByte(context);
}

// Reads bytes until `count` hex digits F have been seen, high digit first. False when the data ran out.
bool skipNibbleList(ConverterContext& context, int count) {
    // Scanned in the data itself; the reading state ends as if the bytes had been read one by one. Eight bytes whose
    // F digits do not complete the count are passed over at once (real preferences hold a hundred bytes and more).
    const uint8_t* const data = context.source.data();
    const int64_t size = int64_t(context.sourceSize);
    int64_t index = context.readIndex;
    int seen = 0;
    while (!context.endOfData && index >= -1 && size - (index + 1) >= 8 && seen < count) {
        uint64_t block;
        std::memcpy(&block, data + index + 1, 8);
        // Per byte: 0x10 where the low digit is F, and where the high digit is F; then 1 each, summed over the bytes.
        constexpr uint64_t kLowDigits = 0x0f0f0f0f0f0f0f0full;
        constexpr uint64_t kOnes = 0x0101010101010101ull;
        const uint64_t lowF = (((block & kLowDigits) + kOnes) >> 4) & kOnes;
        const uint64_t highF = ((((block >> 4) & kLowDigits) + kOnes) >> 4) & kOnes;
        const int digitsF = int(((lowF + highF) * kOnes) >> 56);
        if (seen + digitsF >= count)
            break; // the count completes in these bytes: they are taken one by one below
        seen += digitsF;
        index += 8;
    }
    while (seen < count) {
        ++index;
        if (context.endOfData || index < 0 || index >= size) {
            context.readIndex = index - 1;
            return readMtefByte(context); // fails at the end of the data
        }
        const uint8_t value = data[size_t(index)];
        seen += (value >> 4) == 15;
        if (seen < count)
            seen += (value & 15) == 15;
    }
    if (index != context.readIndex) {
        context.readIndex = index;
        context.currentByte = data[size_t(index)];
    }
    return true;
}
} // namespace

int readFontStyleDef(ConverterContext& context, std::string* output, bool pullNext, int32_t /*tag*/) {
    if (isMtef5(context)) {
        context.pendingFont = int32_t(readMtefValue(context)) - 1;
        context.pendingStyle = readMtefValue(context);
    } else {
        if (context.format == EquationFormat::EquationEditor3)
            appendLiteral(output, "08");
        const uint8_t typeface = copyMtefByte(context, output);
        const uint8_t style = copyMtefByte(context, output);
        if (typeface < 128) {
            context.pendingFont = typeface;
            context.pendingStyle = style;
        }
        readZeroTerminatedBytes(context, context.format == EquationFormat::EquationEditor3 ? output : nullptr);
    }
    return pullNextRecord(context, output, pullNext);
}

int readSizeRecord(ConverterContext& context, std::string* output, bool pullNext, int32_t tag) {
    // A record cut short by the end of the data is copied whole or not at all.
    const bool copy = context.format == EquationFormat::EquationEditor3 && mtefBytesFollow(context, 2);
    // The tag alone: option bits of the nibble layout mean nothing to a size record and are not valid in MTEF 3.
    static constexpr char kHex[] = "0123456789abcdef";
    SizeRecordText& record = context.sizeRecord;
    record.length = 0;
    auto add = [&record](uint32_t value) {
        record.hex[record.length++] = kHex[(value >> 4) & 15];
        record.hex[record.length++] = kHex[value & 15];
    };
    add(uint32_t(tag));
    if (tag == TagSize) {
        const uint8_t size = readMtefValue(context);
        add(size);
        const int more = size == 100 ? 3 : size == 101 ? 2 : 1; // at most five bytes in all
        for (int i = 0; i < more; ++i)
            add(readMtefValue(context));
    }
    if (copy)
        appendText(output, record.text());
    return pullNextRecord(context, output, pullNext);
}

int skipColor(ConverterContext& context, std::string* output, bool pullNext, int32_t /*tag*/) {
    if (readMtefValue(context) == 255)
        skipBytes(context, 2);
    return pullNextRecord(context, output, pullNext);
}

int skipColorDef(ConverterContext& context, std::string* output, bool pullNext, int32_t /*tag*/) {
    static constexpr uint32_t kColorDefFlags[] = {4, 2, 1}; // name follows, spot colour, CMYK
    bool flags[3];
    decodeOptionFlags(readMtefValue(context), kColorDefFlags, flags, 3);
    skipBytes(context, flags[2] ? 8 : 6);
    if (flags[0])
        readZeroTerminatedBytes(context, nullptr);
    return pullNextRecord(context, output, pullNext);
}

int readFontDef(ConverterContext& context, std::string* output, bool pullNext, int32_t /*tag*/) {
    const int32_t encoding = readMtefValue(context);
    // The next entry is reused with its name's capacity (see ConverterContext::fonts).
    if (size_t(context.fontCount) == context.fonts.size())
        context.fonts.emplace_back();
    FontEntry& font = context.fonts[size_t(context.fontCount)];
    font.name.clear();
    readZeroTerminatedBytes(context, &font.name);
    if (font.name == kSymbolFontHex || font.name == kMtExtraFontHex) {
        font.encodingClass = 1;
    } else {
        const int32_t index = encoding - 1;
        font.encodingClass =
            index >= 0 && index < int32_t(context.encodings.size()) ? context.encodings[size_t(index)] : 0;
    }
    ++context.fontCount;
    if (context.topLevelOpen)
        ++context.fontDefCount;
    return pullNextRecord(context, output, pullNext);
}

int skipEquationPrefs(ConverterContext& context, std::string* output, bool pullNext, int32_t /*tag*/) {
    readMtefByte(context);                                // options
    if (!skipNibbleList(context, readMtefValue(context))) // sizes
        return 1;
    if (!skipNibbleList(context, readMtefValue(context))) // spacings
        return 1;
    const int styles = readMtefValue(context);
    for (int i = 0; i < styles && !context.endOfData; ++i) {
        if (readMtefValue(context) != 0)
            readMtefByte(context);
    }
    return pullNextRecord(context, output, pullNext);
}

int readEncodingDef(ConverterContext& context, std::string* output, bool pullNext, int32_t /*tag*/) {
    std::string name;
    readZeroTerminatedBytes(context, &name);
    int32_t encodingClass = 0;
    for (const EncodingRow& row : kEncodings) {
        if (name == row.nameHex)
            encodingClass = row.encodingClass;
    }
    context.encodings.push_back(encodingClass);
    return pullNextRecord(context, output, pullNext);
}

int skipFutureRecord(ConverterContext& context, std::string* /*output*/, bool /*pullNext*/, int32_t tag) {
    if (tag == 255)
        skipBytes(context, 2);
    int length = readMtefValue(context);
    if (length == 255) {
        // Low byte first, like every other multi-byte MTEF value: MathType's long comments (a record of tag 102
        // holding the TeX input, for example) are stored so.
        const int low = readMtefValue(context);
        length = readMtefValue(context) * 256 + low;
    }
    for (int i = 0; i < length; ++i) {
        if (!readMtefByte(context))
            return 1;
    }
    return context.endOfData ? 1 : 0;
}
