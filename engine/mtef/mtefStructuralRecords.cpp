// LINE, PILE, MATRIX and RULER records. In MTEF version 3 output they are rewritten with the version 3 tag bytes
// (nudge bit 0x80, no ruler or line spacing); in Office Math a line is just its objects, and piles and matrices are
// \mm groups.
#include "mtef/hexText.h"
#include "mtef/mtefDispatcher.h"
#include "mtef/mtefRecords.h"
#include "mtef/mtefTemplates.h"

#include <charconv>

namespace {
constexpr uint32_t kLineFlags[] = {8, 4, 2, 1}; // nudge, line spacing, ruler, null line
enum LineFlag { LineNudge, LineSpacing, LineRuler, LineNull };

// Up to the column properties, whose column count and justification follow in that order (Office Math XML's).
constexpr const char* kMatrixHead = "{\\mm {\\mmPr{\\mplcHide on}{\\mmcs{\\mmc{\\mmcPr";

// Office Math justification of a pile or matrix: 2 centre, 3 right, anything else left.
const char* justification(uint8_t value) {
    switch (value) {
    case 2:
        return "center";
    case 3:
        return "right";
    default:
        return "left";
    }
}

void writeRtf(ConverterContext& context, std::string* output, std::string_view rtf) {
    appendText(output, pickByFormat(context, {}, rtf));
}

void writeHex(ConverterContext& context, std::string* output, std::string_view hex) {
    appendText(output, pickByFormat(context, hex, {}));
}

// The version 3 tag byte of a LINE, PILE or MATRIX: 0x80 marks a nudge, which follows it.
void writeTagWithNudge(ConverterContext& context, std::string* output, int32_t tag, const std::string& nudge) {
    if (context.format != EquationFormat::EquationEditor3)
        return;
    appendHexByte(output, uint32_t(nudge.empty() ? tag : 0x80 | tag));
    appendText(output, nudge);
}

// A nudge follows records whose options are exactly 8 (MATRIX, TMPL, EMBELL).
std::string readNudgeWhenOptionsAreEight(ConverterContext& context, uint8_t options) {
    std::string nudge;
    if (options == 8)
        readNudge(context, &nudge);
    return nudge;
}
} // namespace

void skipRuler(ConverterContext& context) {
    const int stops = readMtefValue(context);
    for (int i = 0; i < 3 * stops && !context.endOfData; ++i)
        readMtefByte(context);
}

int translateRuler(ConverterContext& context, std::string* /*output*/, bool /*pullNext*/, int32_t /*tag*/) {
    skipRuler(context);
    return 0;
}

namespace {
// Format 0: a LINE that stands directly in a line's objects (broken data; a reader would take it for a line break)
// gives its objects to the line instead: the record just written from `recordStart` on loses its own LINE.
void keepLineOutOfLine(ConverterContext& context, std::string& output, size_t recordStart) {
    if (!v3RecordIsLine(output, recordStart))
        return;
    const ScratchText line(context);
    line->assign(output, recordStart, std::string::npos);
    output.resize(recordStart);
    appendV3LineObjects(output, *line);
}
} // namespace

int translateLine(ConverterContext& context, std::string* output, bool /*pullNext*/, int32_t /*tag*/) {
    context.topLevelOpen = false;
    bool flags[4];
    decodeOptionFlags(readRecordOptions(context), kLineFlags, flags, 4);
    std::string nudge;
    if (flags[LineNudge])
        readNudge(context, &nudge);
    if (flags[LineSpacing]) {
        readMtefByte(context);
        readMtefByte(context);
    }
    if (flags[LineRuler])
        skipRuler(context);
    if (flags[LineNull]) {
        writeHex(context, output, "11");
        return 0;
    }
    writeTagWithNudge(context, output, TagLine, nudge);
    {
        PreScriptLine preScripts{output, {}, 0};
        // Scripts find their bases only from here on; pre-scripts take the element after them.
        LineScope line(context, output,
                       context.format == EquationFormat::MicrosoftEquation && output != nullptr ? &preScripts
                                                                                                : nullptr);
        for (;;) {
            const size_t registered = preScripts.registered;
            const size_t recordStart = output != nullptr ? output->size() : 0;
            if (dispatchMtefRecord(context, output, OneRecord) != RecordDone)
                break;
            if (preScripts.registered == registered)
                settlePreScripts(preScripts);
            if (context.format == EquationFormat::EquationEditor3 && output != nullptr)
                keepLineOutOfLine(context, *output, recordStart);
        }
    }
    writeHex(context, output, "00");
    return 0;
}

int translatePile(ConverterContext& context, std::string* output, bool /*pullNext*/, int32_t /*tag*/) {
    context.topLevelOpen = false;
    writeElementStart(context, output);
    uint8_t options = readRecordOptions(context);
    std::string nudge;
    if (options >= 8) {
        options -= 8;
        readNudge(context, &nudge);
    }
    writeTagWithNudge(context, output, TagPile, nudge);
    writeRtf(context, output, kMatrixHead);
    const uint8_t horizontal = copyMtefByte(context, output);
    writeRtf(context, output, "{\\mcount 1}{\\mmcJc ");
    writeRtf(context, output, justification(horizontal));
    writeRtf(context, output, "}}}}}");
    copyMtefByte(context, output); // vertical alignment
    if (options >= 2)
        skipRuler(context);
    // Rows up to the pile's END. A row whose last record pulled that END ends the pile too.
    while (readMtefValue(context) != 0) {
        stepBackMtefByte(context);
        writeRtf(context, output, "{\\mmr {\\me ");
        LineScope line(context, output);
        const RecordResult row = dispatchMtefRecord(context, output, OneRecord);
        writeRtf(context, output, "}}");
        if (row == EndRecord || context.abandoned)
            break;
    }
    appendText(output, pickByFormat(context, "00", "}"));
    writeElementEnd(context, output);
    return 0;
}

// Reads the partition bytes of n lines: two bits for each of the n + 1 lines between and around them.
static void copyPartitionBytes(ConverterContext& context, std::string* output, uint32_t count) {
    for (uint32_t i = 0; i < (count + 4) / 4; ++i)
        copyMtefByte(context, output);
}

int translateMatrix(ConverterContext& context, std::string* output, bool /*pullNext*/, int32_t /*tag*/) {
    writeElementStart(context, output);
    const uint8_t options = readRecordOptions(context);
    const std::string nudge = readNudgeWhenOptionsAreEight(context, options);
    if (context.format == EquationFormat::EquationEditor3) {
        // The tag byte keeps the options in its high digit. Its nudge bit says whether nudge bytes follow, and they
        // follow only for options of exactly 8: for 9 to 15 (and version 5 options above 15, which have no room in
        // the digit) it stays clear, or a reader would take the next bytes for a nudge.
        const uint32_t digit = nudge.empty() ? options & 7u : 8u;
        appendHexByte(output, digit * 16 + TagMatrix);
        appendText(output, nudge);
    }
    writeRtf(context, output, kMatrixHead);
    copyMtefByte(context, output); // vertical alignment
    const char* columnJustification = justification(copyMtefByte(context, output));
    copyMtefByte(context, output); // vertical justification
    const uint32_t rows = copyMtefByte(context, output);
    const uint32_t columns = copyMtefByte(context, output);
    char digits[4];
    writeRtf(context, output, "{\\mcount ");
    writeRtf(context, output, {digits, size_t(std::to_chars(digits, digits + 4, columns).ptr - digits)});
    writeRtf(context, output, "}{\\mmcJc ");
    writeRtf(context, output, columnJustification);
    writeRtf(context, output, "}}}}}");
    copyPartitionBytes(context, output, rows);
    copyPartitionBytes(context, output, columns);
    for (uint32_t row = 0; row < rows; ++row) {
        writeRtf(context, output, "{\\mmr ");
        for (uint32_t column = 0; column < columns; ++column) {
            // Cells cut off by the end of the data, a cell that took the matrix's END or that could not be read
            // leave no sound matrix: the object stays unconverted rather than losing cells or leaving groups open.
            if (context.endOfData) {
                context.abandoned = true;
                return 1;
            }
            writeRtf(context, output, "{\\me ");
            LineScope line(context, output);
            const size_t cellStart = output != nullptr ? output->size() : 0;
            RecordResult cell;
            {
                const V3PlaceDepth depth(context, V3Place::Slot);
                cell = dispatchMtefRecord(context, output, OneRecord);
            }
            writeRtf(context, output, "}");
            // A cell that is no record, that ran out of data, or that wrote nothing in MTEF 3 (a record dropped
            // there, such as a colour) leaves the matrix short.
            const bool emptyV3Cell = context.format == EquationFormat::EquationEditor3 && output != nullptr &&
                                     v3ObjectRecordAt(*output, cellStart) == std::string::npos;
            if (cell != RecordDone || context.endOfData || emptyV3Cell || context.abandoned) {
                context.abandoned = true;
                return 1;
            }
            // MTEF 3's cells are lines: a pile (or any other record) there is wrapped in one.
            if (output != nullptr)
                keepV3Place(context, *output, V3Place::Slot, cellStart);
        }
        writeRtf(context, output, "}");
    }
    dispatchMtefRecord(context, nullptr, TagEnd);
    appendText(output, pickByFormat(context, "00", "}"));
    writeElementEnd(context, output);
    return 0;
}
