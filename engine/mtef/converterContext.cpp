// The converter context: writers, small readers, and the translation of one equation object from its unwrapped
// "Equation Native" stream to an Office Math group (format 1) or a new MTEF version 3 stream (format 0).
#include "mtef/converterContext.h"

#include "mtef/documentFonts.h"
#include "mtef/hexText.h"
#include "mtef/mtefDispatcher.h"

#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {
ConverterContext gConverterContext; // conversion job's thread only

// The fixed start of an Equation Editor 3.x "Equation Native" stream: the 28-byte header (cbObject's two low bytes
// go in at hex offset 16), the MTEF header of version 3 for Windows and a FULL size record.
constexpr std::string_view kV3HeaderTemplate = "1c000000020064c2000000000000b8c81600ec6c150000000000030101030a0a";
constexpr size_t kCbObjectOffset = 16;

constexpr size_t kNativeHeaderHex = 56; // the 28-byte "Equation Native" header
constexpr size_t kMtefHeaderHex = 10;   // version, platform, product, product version, subversion

// FONT record of "Euclid Extra" for typeface 127, written first when MathType fonts are allowed.
constexpr std::string_view kEuclidExtraFontRecord = "087f004575636c696420457874726100";

// Office Math wrapping of an equation's body.
constexpr std::string_view kOfficeMathHead = "{\\dn0\\mmath{\\*\\moMathPara {\\*\\moMath ";
constexpr std::string_view kOfficeMathTail = "}}\r\n{\\mmathPict}}\r\n";

// The largest MTEF data an Equation Native header can describe: cbObject keeps only two bytes here.
constexpr size_t kMaxCbObject = 0xffff;

} // namespace

void beginEquationObject(ConverterContext& context) {
    context.endOfData = false;
    context.readIndex = -1;
    context.currentByte = 0;
    context.sizeRecord = {{'0', 'a'}, 2}; // FULL
    context.encodings.assign(4, 0);
    context.fontCount = 0;
    context.fontDefCount = 0;
    context.pendingFont = -1;
    context.pendingStyle = -1;
    context.typefaces.fill(TypefaceSlot{});
    context.output.clear();
    context.sourceHex.clear();
    context.sourceSize = 0;
    context.equationNative.clear();
    context.body.clear();
    context.depth = 0;
    context.addedV3Depth = 0;
    context.abandoned = false;
    context.topLevelOpen = false;
    context.lineOutput = nullptr;
    context.lineStart = 0;
    context.preScriptLine = nullptr;
    context.embellishingCharacter = false;
    context.embellishedRunStart = 0;
    context.embellishedRunStyle = {};
    // Greek letters go into the document's Cambria Math Greek font, or else into its Greek font.
    if (cambriaMathGreekFont().empty())
        setCambriaMathGreekFont(greekFont());
}

namespace {
// The top-level records into context.body. Versions 2 to 4 keep the text of every record up to the first LINE or
// PILE; version 5 keeps only that of the last one read (its main LINE or PILE), after the application key and
// equation options.
void translateTopLevel(ConverterContext& context) {
    std::string& body = context.body;
    body.clear();
    if (context.mtefVersion < 2 || context.mtefVersion > 5)
        return;
    if (isMtef5(context)) {
        readZeroTerminatedBytes(context, nullptr);
        dispatchMtefRecord(context, nullptr, ByteOnly);
    }
    context.topLevelOpen = true;
    RecordResult result;
    do {
        if (isMtef5(context))
            body.clear();
        result = dispatchMtefRecord(context, &body, TopLevel);
    } while (result == RecordDone && context.topLevelOpen);
}

// Appends the text without its element markers. Office Math text has a marker about every dozen bytes, so it is
// copied sixteen bytes at a time where SSE2 is at hand: each block is stored whole and the write position then moves
// only past the bytes before its first marker, whose successor the next block starts with. The write position never
// overtakes the read position, so every store stays inside the room made for the whole text.
void appendWithoutMarkers(std::string& out, std::string_view text) {
    const size_t start = out.size();
    out.resize(start + text.size());
    char* write = &out[start];
    const char* read = text.data();
    const char* const end = read + text.size();
#if defined(__SSE2__)
    const __m128i elementStart = _mm_set1_epi8(kElementStart);
    const __m128i elementEnd = _mm_set1_epi8(kElementEnd);
    while (end - read >= 16) {
        const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(read));
        const int markers =
            _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(block, elementStart), _mm_cmpeq_epi8(block, elementEnd)));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(write), block);
        if (markers == 0) {
            read += 16;
            write += 16;
        } else {
            const int kept = __builtin_ctz(unsigned(markers));
            read += kept + 1;
            write += kept;
        }
    }
#endif
    for (; read != end; ++read) {
        *write = *read;
        write += *read != kElementStart && *read != kElementEnd;
    }
    out.resize(size_t(write - out.data()));
}

// The FONT records of format 0: Euclid Extra when allowed, then every bound typeface slot from 127 down.
void appendFontRecords(ConverterContext& context, std::string& records) {
    if (context.allowMathTypeFonts)
        records += kEuclidExtraFontRecord;
    for (int slot = 127; slot >= 0; --slot) {
        const TypefaceSlot& typeface = context.typefaces[size_t(slot)];
        const FontEntry* font = fontDefinition(context, typeface.font);
        if (font == nullptr || font->name.empty())
            continue;
        records += "08";
        appendHexByte(&records, uint32_t(128 - slot));
        appendHexByte(&records, uint32_t(typeface.style) & 0xff);
        records += font->name;
    }
}

// Builds the MTEF version 3 "Equation Native" stream around the body into context.equationNative; empty when it is
// too large to describe.
void assembleEquationNative(ConverterContext& context) {
    std::string& stream = context.equationNative;
    stream.assign(kV3HeaderTemplate.substr(0, kCbObjectOffset));
    stream += "0000"; // cbObject's two low bytes, filled in below
    stream += kV3HeaderTemplate.substr(kCbObjectOffset);
    const size_t mtefStart = stream.size();
    appendFontRecords(context, stream);
    stream += context.body;
    stream += "00";
    const size_t cbObject = (stream.size() - mtefStart) / 2 + 6; // the MTEF header and the template's FULL record
    if (cbObject > kMaxCbObject) {
        stream.clear();
        return;
    }
    std::string low;
    appendHexByte(&low, uint32_t(cbObject % 256));
    appendHexByte(&low, uint32_t(cbObject / 256));
    stream.replace(kCbObjectOffset, low.size(), low);
}
} // namespace

ConverterContext& converterContext() {
    return gConverterContext;
}

void initConverterContext(ConverterContext& context, const ConversionSwitches& switches) {
    context = ConverterContext{};
    context.format = switches.format;
    context.allowMathTypeFonts = switches.allowMathTypeFonts;
    context.restoreBroken = switches.restoreBroken;
    context.forceUnicode = switches.forceUnicode;
}

bool translateEquationNative(ConverterContext& context) {
    if (context.sourceHex.size() < kNativeHeaderHex + kMtefHeaderHex) {
        context.sourceHex.clear();
        return false;
    }
    context.mtefVersion = hexPairValue(context.sourceHex[kNativeHeaderHex], context.sourceHex[kNativeHeaderHex + 1]);
    // The records read the data as bytes, decoded once here; an odd last hex character is half a byte and not read.
    const std::string_view mtefHex = std::string_view(context.sourceHex).substr(kNativeHeaderHex + kMtefHeaderHex);
    context.sourceSize = mtefHex.size() / 2;
    if (context.source.size() < context.sourceSize)
        context.source.resize(context.sourceSize);
    decodeHexText(mtefHex, context.source.data());

    translateTopLevel(context);
    if (context.body.empty() || context.abandoned)
        return false;
    if (context.format == EquationFormat::MicrosoftEquation) {
        context.output.reserve(kOfficeMathHead.size() + context.body.size() + kOfficeMathTail.size());
        context.output += kOfficeMathHead;
        appendWithoutMarkers(context.output, context.body);
        context.output += kOfficeMathTail;
        return true;
    }
    if (context.format == EquationFormat::EquationEditor3) {
        assembleEquationNative(context);
        return !context.equationNative.empty();
    }
    return false;
}

bool v3DepthAllows(const ConverterContext& context, size_t levels) {
    const int64_t nesting = int64_t(context.depth) + context.addedV3Depth;
    return levels <= size_t(kMaxRecordDepth) && nesting + int64_t(levels) <= kMaxRecordDepth;
}

void readNudge(ConverterContext& context, std::string* target) {
    const uint8_t dx = copyMtefByte(context, target);
    const uint8_t dy = copyMtefByte(context, target);
    if (dx == 128 && dy == 128) {
        for (int i = 0; i < 4; ++i)
            copyMtefByte(context, target);
    }
}

void skipNudge(ConverterContext& context, std::string* target) {
    readNudge(context, target);
}

void readZeroTerminatedBytes(ConverterContext& context, std::string* target) {
    // The bytes up to the zero are found and copied in one go; the reading state ends as if they had been read one
    // by one. Past the data every byte reads as zero, so the data's end ends the text too, with one zero appended.
    const int64_t first = context.readIndex + 1;
    if (context.endOfData || first < 0 || uint64_t(first) >= context.sourceSize) {
        readMtefByte(context); // fails: the end of the data reads as zero
        if (target != nullptr)
            *target += "00";
        return;
    }
    const uint8_t* const begin = context.source.data() + first;
    const size_t left = context.sourceSize - size_t(first);
    const void* const zero = std::memchr(begin, 0, left);
    const size_t count = zero != nullptr ? size_t(static_cast<const uint8_t*>(zero) - begin) + 1 : left;
    if (target != nullptr)
        appendHexText(*target, begin, count);
    context.readIndex = first + int64_t(count) - 1;
    context.currentByte = begin[count - 1];
    if (zero == nullptr) {
        readMtefByte(context); // fails: the end of the data reads as zero
        if (target != nullptr)
            *target += "00";
    }
}
