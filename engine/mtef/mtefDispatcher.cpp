// The MTEF record dispatcher and byte reader.
#include "mtef/mtefDispatcher.h"

#include "mtef/mtefRecords.h"

namespace {
// A record handler: the tag byte has been read. `pullNext` is set for definition records outside the top level.
// Returns 0 on success, -1 when a record it pulled was END, anything else on failure.
using RecordHandler = int (*)(ConverterContext& context, std::string* output, bool pullNext, int32_t tag);

struct HandlerRow {
    RecordHandler handler; // null: no translator for this tag in this unit; the record ends its list
};

// Indexed by tag 0-19. Embellishments are translated by a unit of their own.
// clang-format off
constexpr HandlerRow kHandlers[TagEncodingDef + 1] = {
    {nullptr},               // 0 END: handled by the dispatcher
    {translateLine},         // 1 LINE
    {translateChar},         // 2 CHAR
    {translateTemplate},     // 3 TMPL
    {translatePile},         // 4 PILE
    {translateMatrix},       // 5 MATRIX
    {translateEmbellishment}, // 6 EMBELL
    {translateRuler},        // 7 RULER
    {readFontStyleDef},      // 8 FONT (nibble layout) / FONT_STYLE_DEF (version 5)
    {readSizeRecord},        // 9 SIZE
    {readSizeRecord},        // 10 FULL
    {readSizeRecord},        // 11 SUB
    {readSizeRecord},        // 12 SUB2
    {readSizeRecord},        // 13 SYM
    {readSizeRecord},        // 14 SUBSYM
    {skipColor},             // 15 COLOR
    {skipColorDef},          // 16 COLOR_DEF
    {readFontDef},           // 17 FONT_DEF
    {skipEquationPrefs},     // 18 EQN_PREFS
    {readEncodingDef},       // 19 ENCODING_DEF
};
// clang-format on

// Counts the records being read one inside the other, and abandons the object past the limit. The object lists that
// MTEF version 3 output adds around them count towards it.
class RecordDepth {
public:
    explicit RecordDepth(ConverterContext& context) : context_(context) {
        if (++context_.depth + context_.addedV3Depth > kMaxRecordDepth)
            context_.abandoned = true;
    }
    ~RecordDepth() { --context_.depth; }
    RecordDepth(const RecordDepth&) = delete;
    RecordDepth& operator=(const RecordDepth&) = delete;

private:
    ConverterContext& context_;
};
} // namespace

uint8_t copyMtefByte(ConverterContext& context, std::string* output) {
    const uint8_t value = readMtefValue(context);
    if (context.format == EquationFormat::EquationEditor3)
        appendHexByte(output, value);
    return value;
}

uint8_t readRecordOptions(ConverterContext& context) {
    if (isMtef5(context))
        return readMtefValue(context);
    return uint8_t(currentByteValue(context) >> 4);
}

RecordResult dispatchMtefRecord(ConverterContext& context, std::string* output, int32_t mode) {
    if (context.abandoned)
        return HandlerFailed;
    if (!readMtefByte(context))
        return EndOfData;
    if (mode == ByteOnly)
        return RecordDone;
    const uint8_t tagByte = currentByteValue(context);
    const int32_t tag = isMtef5(context) ? tagByte : (tagByte & 15);
    if (mode >= 0 && mode != tag)
        return TagMismatch;
    if (tag == TagEnd)
        return EndRecord;
    RecordDepth depth(context);
    if (context.abandoned)
        return HandlerFailed;
    if (tag >= TagFutureFirst)
        return skipFutureRecord(context, output, false, tag) == 0 ? RecordDone : HandlerFailed;
    if (tag > TagEncodingDef)
        return UnassignedTag;
    if (kHandlers[tag].handler == nullptr) {
        // A record kind without its translator here: its data cannot be stepped over, so anything read after it
        // would be misread. The object is left as it was rather than converted with parts missing.
        context.abandoned = true;
        return UnassignedTag;
    }
    const int result = kHandlers[tag].handler(context, output, mode != TopLevel, tag);
    if (result == -1)
        return EndRecord; // a definition record pulled the END of its list
    if (result != 0 || context.abandoned)
        return HandlerFailed;
    return RecordDone;
}
