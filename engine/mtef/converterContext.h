// The converter context: the engine's one working record for translating equation objects, with the small writers
// and readers that every record handler uses. Each handler offers one MTEF version 3 text (hex) and one Office Math
// text; pickByFormat keeps the one of the job's format. A null target discards output.
#pragma once

#include "mtef/conversionSwitches.h"
#include "mtef/equationFormat.h"

#include <array>
#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <vector>

// A font definition of the equation.
struct FontEntry {
    std::string name;          // the font name as hex text, with its zero byte
    int32_t encodingClass = 0; // 1 Symbol, MT Extra and WinANSI-like encodings; -1 WinEastEurope; 0 otherwise
};

// A size record as MTEF version 3 hex text: the tag and up to four data bytes. Kept in place: it is set by every
// size record, and its text is needed only where format 0 repeats it.
struct SizeRecordText {
    std::array<char, 10> hex{};
    size_t length = 0;
    std::string_view text() const { return {hex.data(), length}; }
};

// A typeface slot: the font entry and style an explicit typeface number stands for; -1 = unset.
struct TypefaceSlot {
    int32_t font = -1;
    int32_t style = -1;
};

// The deepest nesting of records (and of records pulled by definition records) that an object may have. Real
// equations stay far below it; deeper input is left unconverted rather than risking the thread's stack. MTEF version
// 3 output nests no deeper either: where it wraps records in object lists the input does not have, those lists count
// too (addedV3Depth), so that Equation Editor 3.x never gets a stream nested deeper than the input may be.
constexpr int32_t kMaxRecordDepth = 200;

// Texts lent to the record translators for the lifetime of a scope (ScratchText): slot texts and the other pieces a
// record's text is put together from. They keep their capacity from one record and object to the next, so that the
// translation hardly allocates once the first objects are done. Scopes nest, so texts are lent and returned in stack
// order.
struct ScratchTexts {
    std::deque<std::string> texts; // a deque: lent texts stay where they are when more are added
    size_t lent = 0;               // texts[0, lent) are lent
};

// Format 1: a pre-script of a line that waits for its base, the element after it in the line. Positions are in the
// line's output.
struct WaitingPreScript {
    size_t start;  // its start marker
    size_t baseAt; // the blank that stands for its base inside its \me
    size_t end;    // just after its end marker
};

// Format 1: the LINE whose objects are being read, with its pre-scripts still waiting for their base, in the order
// written (each directly followed by the next).
struct PreScriptLine {
    std::string* output = nullptr;
    std::vector<WaitingPreScript> waiting;
    size_t registered = 0; // pre-scripts of the line so far
};

struct ConverterContext {
    // The format of the current job.
    EquationFormat format = EquationFormat::MicrosoftEquation;
    int32_t forceUnicode = 0;       // "Force Unicode" (isUniPrime)
    int32_t restoreBroken = 0;      // "Restore broken equations" (isOleRestore)
    int32_t allowMathTypeFonts = 0; // "Allow MathType fonts" (isEuclid)
    int32_t mtefVersion = 0;        // 2, 3, 4 or 5 for the object being translated
    std::string sourceHex;          // the object's "Equation Native" stream as hex, as unwrapped
    // The object's MTEF data after both headers, decoded once from sourceHex into source[0, sourceSize). The buffer
    // keeps its size from object to object.
    std::vector<uint8_t> source;
    size_t sourceSize = 0;
    int64_t readIndex = -1;         // index in `source` of the byte last read; -1 before the first
    uint8_t currentByte = 0;        // the byte last read; 0 once the data is exhausted
    std::string output;             // the replacement of the current object; empty when it was not converted
    bool topLevelOpen = false;      // set before the top-level records; cleared by the first LINE or PILE
    bool endOfData = false;         // a read found no more data
    SizeRecordText sizeRecord;      // the last size record read
    std::vector<int32_t> encodings; // one entry per encoding definition, after four built-in ones
    // One entry per font definition in fonts[0, fontCount); the entries after those are kept from earlier objects,
    // for the capacity of their names. fontDefinition() looks them up.
    std::vector<FontEntry> fonts;
    int32_t fontCount = 0;
    int32_t fontDefCount = 0;                  // font definitions read while topLevelOpen was set
    std::array<TypefaceSlot, 128> typefaces{}; // explicit typeface number 0-127 -> font and style
    int32_t pendingFont = -1; // font of the last font-style definition, still to be bound to a typeface
    int32_t pendingStyle = -1;
    // Kept beside the translation state:
    int32_t depth = 0;          // records being translated, one inside the other
    int32_t addedV3Depth = 0;   // format 0: object lists the output adds around the records being read
    bool abandoned = false;     // the object cannot be translated soundly: leave it unconverted
    std::string equationNative; // format 0: the last "Equation Native" stream assembled (hex), for wrapping
    // Where the line being translated starts in its output, so that a script never takes its base from text before
    // its own line (a pile row's or matrix cell's opening RTF, or the previous row).
    const std::string* lineOutput = nullptr;
    size_t lineStart = 0;
    // The LINE whose objects are being read, where a pre-script takes the element after it as its base; null inside
    // a pile row or matrix cell, and in format 0.
    PreScriptLine* preScriptLine = nullptr;
    bool embellishingCharacter = false;   // a CHAR record is reading its embellishment list
    size_t embellishedRunStart = 0;       // where that character's text starts in the output handed to the list
    std::string_view embellishedRunStyle; // that character's run properties (script and style words), format 1
    ScratchTexts scratch;                 // kept from object to object, for their capacity
    std::string body;                     // the translated records of the current object, before wrapping
};

// The font definition of that number, or null when the object defines none of it.
inline const FontEntry* fontDefinition(const ConverterContext& context, int32_t font) {
    return font >= 0 && font < context.fontCount ? &context.fonts[size_t(font)] : nullptr;
}

// The one process-wide context, used on the conversion job's thread only.
ConverterContext& converterContext();

// Starts the context for a job: its format and switches, everything else afresh.
void initConverterContext(ConverterContext& context, const ConversionSwitches& switches);

// Starts the translation of one equation object: every per-object field afresh, the job's options kept, and the
// document's Greek font settled.
void beginEquationObject(ConverterContext& context);

// Translates the unwrapped "Equation Native" stream in `sourceHex` (its 28-byte header and the MTEF data): format 1
// puts the Office Math group into `output`, format 0 the new MTEF version 3 stream into `equationNative`. False when
// nothing came out, and the object is to stay as it was.
bool translateEquationNative(ConverterContext& context);

// Writers: with `clearFirst` the target is emptied first; a null target makes the call do nothing (handlers pass
// one when a record is read and discarded). They are inline: every record writes its text through them, piece by
// piece.
inline void appendText(std::string* target, std::string_view value, bool clearFirst = false) {
    if (target == nullptr)
        return;
    if (clearFirst)
        target->clear();
    if (!value.empty()) // half the texts offered are empty in the job's format (pickByFormat)
        target->append(value.data(), value.size());
}
// The fixed texts of the records (literals), as opposed to texts composed or read. A null text writes nothing.
inline void appendLiteral(std::string* target, const char* text, bool clearFirst = false) {
    if (text != nullptr)
        appendText(target, text, clearFirst);
}
inline void appendChar(std::string* target, char value, bool clearFirst = false) {
    if (target == nullptr)
        return;
    if (clearFirst)
        target->clear();
    target->push_back(value);
}
// Appends "%0.2x" of a byte value (callers pass 0-255).
inline void appendHexByte(std::string* target, uint32_t value, bool clearFirst = false) {
    if (target == nullptr)
        return;
    if (clearFirst)
        target->clear();
    static constexpr char kHex[] = "0123456789abcdef";
    target->push_back(kHex[(value >> 4) & 15]);
    target->push_back(kHex[value & 15]);
}

// The text of the job's format: hexText for Equation Editor 3.x, rtfText for Office Math, nothing otherwise.
inline std::string_view pickByFormat(const ConverterContext& context, std::string_view hexText,
                                     std::string_view rtfText) {
    switch (context.format) {
    case EquationFormat::EquationEditor3:
        return hexText;
    case EquationFormat::MicrosoftEquation:
        return rtfText;
    }
    return {};
}

// Reads a nudge (dx + 128 and dy + 128; when both are 128, four more bytes of 16-bit offsets) and appends its bytes
// as hex to the target in format 0 only. The offsets are not used.
void readNudge(ConverterContext& context, std::string* target);
void skipNudge(ConverterContext& context, std::string* target);

// Reads bytes up to and including the first zero byte (the end of the data reads as zero) and appends their hex to
// the target, when given.
void readZeroTerminatedBytes(ConverterContext& context, std::string* target);

// Format 0: whether `levels` more object lists around the record being translated keep the output within
// kMaxRecordDepth.
bool v3DepthAllows(const ConverterContext& context, size_t levels);

// Format 0: counts `levels` object lists that the output wraps around the records read in the scope's lifetime
// (a template nested in another where the input has one). Format 1 adds nothing.
class AddedV3Depth {
public:
    AddedV3Depth(ConverterContext& context, int32_t levels)
        : context_(context), levels_(context.format == EquationFormat::EquationEditor3 ? levels : 0) {
        context_.addedV3Depth += levels_;
    }
    ~AddedV3Depth() { context_.addedV3Depth -= levels_; }
    AddedV3Depth(const AddedV3Depth&) = delete;
    AddedV3Depth& operator=(const AddedV3Depth&) = delete;

private:
    ConverterContext& context_;
    int32_t levels_;
};

// An empty text lent by the context for the scope's lifetime.
class ScratchText {
public:
    explicit ScratchText(ConverterContext& context) : texts_(context.scratch), index_(texts_.lent), text_(lend()) {}
    ~ScratchText() { texts_.lent = index_; }
    ScratchText(const ScratchText&) = delete;
    ScratchText& operator=(const ScratchText&) = delete;

    std::string& operator*() const { return text_; }
    std::string* operator->() const { return &text_; }

private:
    std::string& lend() {
        if (index_ == texts_.texts.size())
            texts_.texts.emplace_back();
        ++texts_.lent;
        std::string& text = texts_.texts[index_];
        text.clear();
        return text;
    }

    ScratchTexts& texts_;
    size_t index_;
    std::string& text_;
};

// Marks the start of a line's own text in its output for the scope's lifetime (lines, pile rows, matrix cells), and
// the line whose pre-scripts wait for the element after them (LINE records only).
class LineScope {
public:
    LineScope(ConverterContext& context, const std::string* output, PreScriptLine* preScripts = nullptr)
        : context_(context), outerOutput_(context.lineOutput), outerStart_(context.lineStart),
          outerPreScripts_(context.preScriptLine) {
        context.lineOutput = output;
        context.lineStart = output != nullptr ? output->size() : 0;
        context.preScriptLine = preScripts;
    }
    ~LineScope() {
        context_.lineOutput = outerOutput_;
        context_.lineStart = outerStart_;
        context_.preScriptLine = outerPreScripts_;
    }
    LineScope(const LineScope&) = delete;
    LineScope& operator=(const LineScope&) = delete;

private:
    ConverterContext& context_;
    const std::string* outerOutput_;
    size_t outerStart_;
    PreScriptLine* outerPreScripts_;
};
