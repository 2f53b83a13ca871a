// TMPL records: the record head and the dispatch by selector to the template translators.
#include "mtef/mtefTemplates.h"

#include "mtef/hexText.h"
#include "mtef/mtefDispatcher.h"
#include "mtef/mtefRecords.h"

#include <algorithm>

namespace {
struct SelectorRow {
    TemplateTranslator translator; // null: its translator is not here yet; such templates leave the object unconverted
    int argument;
    std::string_view v3Selector;
};

// Version 5 numbering (MTEF 5), indexed by selector.
// clang-format off
constexpr SelectorRow kV5Selectors[] = {
    // translator           argument  v3 selector      selector: template
    {translateFence,         1, ""},                   // 0 angle brackets (fence)
    {translateFence,         1, ""},                   // 1 parentheses (fence)
    {translateFence,         1, ""},                   // 2 braces (fence)
    {translateFence,         1, ""},                   // 3 square brackets (fence)
    {translateFence,         1, ""},                   // 4 vertical bars (fence)
    {translateFence,         1, ""},                   // 5 double vertical bars (fence)
    {translateFence,         1, ""},                   // 6 floor brackets (fence)
    {translateFence,         1, ""},                   // 7 ceiling brackets (fence)
    {translateFence,         2, ""},                   // 8 white square brackets (fence, nudge)
    {translateFence,         0, ""},                   // 9 interval (fence)
    {translateRadical,       0, ""},                   // 10 radical
    {translateFraction,      0, ""},                   // 11 fraction
    {translateBarOrArrow,    0, "10"},                 // 12 underbar (bar or arrow)
    {translateBarOrArrow,    0, "11"},                 // 13 overbar (bar or arrow)
    {translateArrowTemplate, 0, ""},                   // 14 arrow with text
    {translateIntegral,      0, ""},                   // 15 integral
    {translateBigOperator,   0, ""},                   // 16 sum (big operator)
    {translateBigOperator,   1, ""},                   // 17 product (big operator)
    {translateBigOperator,   2, ""},                   // 18 coproduct (big operator)
    {translateBigOperator,   3, ""},                   // 19 union (big operator)
    {translateBigOperator,   4, ""},                   // 20 intersection (big operator)
    {translateLimit,         0, ""},                   // 21 integral-style operator
    {translateLimit,         1, ""},                   // 22 sum-style operator
    {translateLimit,         2, ""},                   // 23 limit
    {translateAccentTemplate, 5, ""},                   // 24 horizontal brace (accent)
    {translateAccentTemplate, 6, ""},                   // 25 horizontal bracket (accent)
    {translateFraction,      2, ""},                   // 26 long division
    {translateScripts,       1, ""},                   // 27 subscript
    {translateScripts,       0, ""},                   // 28 superscript
    {translateScripts,       2, ""},                   // 29 subscript and superscript
    {translateBraKet,        0, ""},                   // 30 bra-ket
    {translateAccentTemplate, 0, ""},                   // 31 vector arrow (accent)
    {translateAccentTemplate, 1, ""},                   // 32 tilde (accent)
    {translateAccentTemplate, 2, ""},                   // 33 hat (accent)
    {translateAccentTemplate, 3, ""},                   // 34 arc (accent)
    {translateAccentTemplate, 4, ""},                   // 35 joint status (accent)
    {translateBoxTemplate,   1, ""},                   // 36 strike-through (box, nudge)
    {translateBoxTemplate,   0, ""},                   // 37 box (box, nudge)
};

// Version 3 numbering (MTEF 2, 3 and 4), indexed by selector.
constexpr SelectorRow kV3Selectors[] = {
    {translateFence,         1, ""},                   // 0 angle brackets (fence)
    {translateFence,         1, ""},                   // 1 parentheses (fence)
    {translateFence,         1, ""},                   // 2 braces (fence)
    {translateFence,         1, ""},                   // 3 square brackets (fence)
    {translateFence,         1, ""},                   // 4 vertical bars (fence)
    {translateFence,         1, ""},                   // 5 double vertical bars (fence)
    {translateFence,         1, ""},                   // 6 floor (fence)
    {translateFence,         1, ""},                   // 7 ceiling (fence)
    {translateFence,         1, ""},                   // 8 two left brackets (fence)
    {translateFence,         1, ""},                   // 9 two right brackets (fence)
    {translateFence,         1, ""},                   // 10 right bracket, left bracket (fence)
    {translateFence,         1, ""},                   // 11 left bracket, right parenthesis (fence)
    {translateFence,         1, ""},                   // 12 left parenthesis, right bracket (fence)
    {translateRadical,       0, ""},                   // 13 radical
    {translateFractionV3,    0, ""},                   // 14 fraction
    {translateScriptsV3,     0, "0f"},                 // 15 scripts
    {translateBarOrArrow,    0, "10"},                 // 16 underbar (bar or arrow)
    {translateBarOrArrow,    0, "11"},                 // 17 overbar (bar or arrow)
    {translateBarOrArrow,    0, "12"},                 // 18 left arrow with text (bar or arrow)
    {translateBarOrArrow,    0, "13"},                 // 19 right arrow with text (bar or arrow)
    {translateBarOrArrow,    0, "14"},                 // 20 double-headed arrow with text (bar or arrow)
    {translateIntegralV3,    0, "15"},                 // 21 single integral
    {translateIntegralV3,    0, "16"},                 // 22 double integral
    {translateIntegralV3,    0, "17"},                 // 23 triple integral
    {translateIntegralV3,    0, "18"},                 // 24 single integral, limits above and below
    {translateIntegralV3,    0, "19"},                 // 25 double integral, limits above and below
    {translateIntegralV3,    0, "1a"},                 // 26 triple integral, limits above and below
    {translateBarOrArrow,    0, "1b"},                 // 27 brace over (bar or arrow)
    {translateBarOrArrow,    0, "1c"},                 // 28 brace under (bar or arrow)
    {translateBigOperatorV3, 0, "1d"},                 // 29 sum, limits above and below (big operator)
    {translateBigOperatorV3, 0, "1e"},                 // 30 sum, limits at the side
    {translateBigOperatorV3, 0, "1f"},                 // 31 product, limits above and below
    {translateBigOperatorV3, 0, "20"},                 // 32 product, limits at the side
    {translateBigOperatorV3, 0, "21"},                 // 33 coproduct, limits above and below
    {translateBigOperatorV3, 0, "22"},                 // 34 coproduct, limits at the side
    {translateBigOperatorV3, 0, "23"},                 // 35 union, limits above and below
    {translateBigOperatorV3, 0, "24"},                 // 36 union, limits at the side
    {translateBigOperatorV3, 0, "25"},                 // 37 intersection, limits above and below
    {translateBigOperatorV3, 0, "26"},                 // 38 intersection, limits at the side
    {translateLimit,         2, ""},                   // 39 limit
    {translateFractionV3,    2, ""},                   // 40 long division
    {translateFractionV3,    1, ""},                   // 41 slash fraction
    {translateLimit,         0, ""},                   // 42 integral-style operator
    {translateLimit,         1, ""},                   // 43 sum-style operator
    {translateScriptsV3,     0, "2c"},                 // 44 left (pre-) scripts
    {translateBraKet,        0, ""},                   // 45 bra-ket
    {translateBarOrArrow,    0, "2e"},                 // 46 arrow under (bar or arrow)
    {translateBarOrArrow,    0, "2f"},                 // 47 arrow over (bar or arrow)
    {translateDefaultAccent, 0, ""},                   // 48 arc (default accent)
};
// clang-format on

const SelectorRow* findSelector(bool mtef5, uint8_t selector) {
    if (mtef5)
        return selector < std::size(kV5Selectors) ? &kV5Selectors[selector] : nullptr;
    return selector < std::size(kV3Selectors) ? &kV3Selectors[selector] : nullptr;
}
} // namespace

uint8_t readTemplateVariation(ConverterContext& context) {
    return readMtefValue(context);
}

void consumeTemplateByte(ConverterContext& context) {
    dispatchMtefRecord(context, nullptr, TagEnd);
}

bool templateObjectsEnd(const ConverterContext& context) {
    const int64_t next = context.readIndex + 1;
    if (context.endOfData || next < 0 || uint64_t(next) >= context.sourceSize)
        return true;
    const uint8_t tagByte = context.source[size_t(next)];
    return (isMtef5(context) ? tagByte : (tagByte & 15)) == TagEnd;
}

namespace {
// One object of a template in that place: nothing when the template's objects have run out.
void readTemplateObject(ConverterContext& context, std::string& text, V3Place place) {
    text.clear();
    if (!templateObjectsEnd(context)) {
        const V3PlaceDepth depth(context, place);
        dispatchMtefRecord(context, &text, OneRecord);
    }
    keepV3Place(context, text, place);
}
} // namespace

void readTemplateSlot(ConverterContext& context, std::string& slot) {
    readTemplateObject(context, slot, V3Place::Slot);
}

void readTemplateCharacterRecord(ConverterContext& context, std::string& text) {
    readTemplateObject(context, text, V3Place::Character);
}

void readTemplateSignLine(ConverterContext& context, std::string& text) {
    readTemplateObject(context, text, V3Place::SignLine);
}

namespace {
uint32_t v3ByteAt(const std::string& hex, size_t i) {
    return i + 1 < hex.size() ? uint32_t(hexPairValue(hex[i], hex[i + 1])) : 0u;
}

bool isV3Line(const std::string& hex, size_t at) {
    return at != std::string::npos && (v3ByteAt(hex, at) & 15) == TagLine;
}

// The hex length of the nudge at `at`: two bytes, six when both read 128.
size_t v3NudgeLength(const std::string& hex, size_t at) {
    return v3ByteAt(hex, at) == 128 && v3ByteAt(hex, at + 2) == 128 ? 12 : 4;
}

// Where the CHAR record at `at` ends: its tag byte (options 8 nudge, 2 embellishments), the nudge, typeface and
// 16-bit character, then the EMBELL records, each closed by an END of its own, and the END of their list.
size_t v3CharacterEnd(const std::string& hex, size_t at) {
    const uint32_t tagByte = v3ByteAt(hex, at);
    size_t i = at + 2;
    if (tagByte & 0x80)
        i += v3NudgeLength(hex, i);
    i += 6;
    if (tagByte & 0x20) {
        while (i + 1 < hex.size() && (v3ByteAt(hex, i) & 15) == TagEmbellishment) {
            const uint32_t embellTag = v3ByteAt(hex, i);
            i += 2;
            if (embellTag & 0x80)
                i += v3NudgeLength(hex, i);
            i += 4; // the kind and the record's END
        }
        i += 2;
    }
    return i;
}

// True when the text from `start` on holds no record but size and font records and at most one CHAR.
bool v3HoldsOneCharacterAtMost(const std::string& hex, size_t start) {
    const size_t at = v3ObjectRecordAt(hex, start);
    if (at == std::string::npos)
        return true;
    return (v3ByteAt(hex, at) & 15) == TagChar && v3ObjectRecordAt(hex, v3CharacterEnd(hex, at)) == std::string::npos;
}

// True when the line at `at` (to the end of the text) is a null line or holds one CHAR at most.
bool v3LineHoldsOneCharacterAtMost(ConverterContext& context, const std::string& hex, size_t at) {
    const ScratchText line(context);
    const ScratchText objects(context);
    line->assign(hex, at, std::string::npos);
    appendV3LineObjects(*objects, *line);
    return v3HoldsOneCharacterAtMost(*objects, 0);
}

// Whether a record of that tag standing in that place of MTEF 3 output is wrapped in a line.
bool wrapsInV3Place(int32_t tag, V3Place place) {
    return place != V3Place::Character && tag != TagLine;
}

// The tag of the record to be read next, past the one-byte typesize records (FULL to SUBSYM) that may lead it, without
// reading anything (the reading state stays as it was); END at the end of the data.
int32_t peekObjectTag(const ConverterContext& context) {
    for (int64_t i = context.readIndex + 1; i >= 0 && uint64_t(i) < context.sourceSize && !context.endOfData; ++i) {
        const uint8_t tagByte = context.source[size_t(i)];
        const int32_t tag = isMtef5(context) ? tagByte : (tagByte & 15);
        if (tag < TagFull || tag > TagSubSym)
            return tag;
    }
    return TagEnd;
}

void wrapInV3Line(std::string& text, size_t start) {
    text.insert(start, "01");
    text += "00";
}
} // namespace

size_t v3ObjectRecordAt(const std::string& hex, size_t start) {
    size_t i = start;
    while (i + 1 < hex.size()) {
        const uint32_t tag = v3ByteAt(hex, i) & 15;
        if (tag >= TagFull && tag <= TagSubSym) {
            i += 2;
        } else if (tag == TagSize) {
            const uint32_t size = v3ByteAt(hex, i + 2);
            i += 4 + 2 * (size == 100 ? 3 : size == 101 ? 2 : 1);
        } else if (tag == TagFontStyleDef) {
            i += 6; // tag, typeface, style, then the name up to its zero byte
            while (i + 1 < hex.size() && v3ByteAt(hex, i) != 0)
                i += 2;
            i += 2;
        } else {
            return i;
        }
    }
    return std::string::npos;
}

bool v3RecordIsLine(const std::string& hex, size_t start) {
    return isV3Line(hex, v3ObjectRecordAt(hex, start));
}

void keepV3Place(ConverterContext& context, std::string& text, V3Place place, size_t start) {
    if (context.format != EquationFormat::EquationEditor3 || text.size() < start)
        return;
    if (place == V3Place::Character) {
        // Equation Editor 3.x takes what follows a template's slots one record for one character: a character that
        // became more records (a strike-through of several) or another kind of record would be taken for more
        // characters or slots, or its last bytes for the template's END.
        if (!v3HoldsOneCharacterAtMost(text, start))
            context.abandoned = true;
        return;
    }
    if (text.size() == start) {
        text += "11"; // a slot that wrote nothing, or a missing one: a null line keeps the template's slot
        return;
    }
    const size_t at = v3ObjectRecordAt(text, start);
    if (place == V3Place::SignLine) {
        if (isV3Line(text, at)) {
            if (!v3LineHoldsOneCharacterAtMost(context, text, at))
                context.abandoned = true;
        } else if (v3HoldsOneCharacterAtMost(text, start)) {
            wrapInV3Line(text, start);
        } else {
            context.abandoned = true;
        }
        return;
    }
    // Size and font records alone: a slot still needs its line.
    if (at == std::string::npos || wrapsInV3Place(int32_t(v3ByteAt(text, at) & 15), place))
        wrapInV3Line(text, start);
}

V3PlaceDepth::V3PlaceDepth(ConverterContext& context, V3Place place)
    : added_(context, context.format == EquationFormat::EquationEditor3 && wrapsInV3Place(peekObjectTag(context), place)
                          ? 1
                          : 0) {}

void appendV3LineObjects(std::string& out, const std::string& line) {
    const size_t at = v3ObjectRecordAt(line);
    if (!isV3Line(line, at)) {
        out += line;
        return;
    }
    const std::string_view text(line);
    out += text.substr(0, at); // the size and font records ahead of the line
    const uint32_t tagByte = v3ByteAt(line, at);
    if (tagByte & 0x10)
        return; // a null line
    size_t objects = at + 2;
    if (tagByte & 0x80)
        objects += v3NudgeLength(line, objects);
    if (objects + 2 <= line.size())
        out += text.substr(objects, line.size() - 2 - objects); // up to the line's END
}

void writeTemplateText(ConverterContext& context, std::string* output, std::string_view hex, std::string_view rtf) {
    appendText(output, pickByFormat(context, hex, rtf));
}

void writeElementStart(ConverterContext& context, std::string* output) {
    writeTemplateText(context, output, {}, std::string_view(&kElementStart, 1));
}

void writeElementEnd(ConverterContext& context, std::string* output) {
    writeTemplateText(context, output, {}, std::string_view(&kElementEnd, 1));
}

void detachLastElement(ConverterContext& context, std::string& output, std::string& base) {
    base.clear();
    if (context.format != EquationFormat::MicrosoftEquation || output.empty())
        return;
    const size_t floor = context.lineOutput == &output ? std::min(context.lineStart, output.size()) : 0;
    // The last element's end, then its start by counting nested markers back. A start marker met before any end
    // marker belongs to an element that is still open: the script stands inside one of its parts (a template's
    // slot that is not a line of its own), and what precedes it there is that element's opening text, which is no
    // base. The base is then empty.
    size_t index = output.size();
    while (index > floor && output[index - 1] != kElementEnd) {
        if (output[--index] == kElementStart)
            return;
    }
    size_t start = floor;
    if (index > floor + 1) {
        --index; // the end marker
        int depth = 1;
        while (index > floor) {
            --index;
            if (output[index] == kElementEnd)
                ++depth;
            else if (output[index] == kElementStart && --depth == 0)
                break;
        }
        start = depth == 0 ? index : floor;
    }
    // A pre-script that becomes part of this base has its base already: the element after it is this script.
    PreScriptLine* line = context.preScriptLine;
    if (line != nullptr && line->output == &output) {
        while (!line->waiting.empty() && line->waiting.back().end > start)
            line->waiting.pop_back();
    }
    base.assign(output, start, std::string::npos);
    output.resize(start);
}

void awaitPreScriptBase(ConverterContext& context, std::string& output, size_t start, size_t baseAt) {
    PreScriptLine* line = context.preScriptLine;
    if (context.format != EquationFormat::MicrosoftEquation || line == nullptr || line->output != &output)
        return;
    line->waiting.push_back({start, baseAt, output.size()});
    ++line->registered;
}

void settlePreScripts(PreScriptLine& line) {
    if (line.waiting.empty() || line.output == nullptr || line.output->size() <= line.waiting.back().end)
        return;
    std::string& output = *line.output;
    std::string element;
    for (size_t i = line.waiting.size(); i-- > 0;) {
        const WaitingPreScript& waiting = line.waiting[i];
        element.assign(output, waiting.end, std::string::npos);
        output.resize(waiting.end);
        output.replace(waiting.baseAt, 1, element);
    }
    line.waiting.clear();
}

int translateTemplate(ConverterContext& context, std::string* output, bool /*pullNext*/, int32_t /*tag*/) {
    const size_t written = output != nullptr ? output->size() : 0;
    const uint8_t options = readRecordOptions(context);
    std::string nudge;
    if (options == 8)
        readNudge(context, &nudge);
    if (context.format == EquationFormat::EquationEditor3) {
        appendHexByte(output, nudge.empty() ? 0x03 : 0x83);
        appendText(output, nudge);
    }
    const SelectorRow* row = findSelector(isMtef5(context), readMtefValue(context));
    if (row == nullptr || row->translator == nullptr) {
        // The rest of the record cannot be stepped over, so nothing after it could be read soundly: take back what
        // was written for the template and leave the object as it is.
        if (output != nullptr)
            output->resize(written);
        context.abandoned = true;
        return 1;
    }
    row->translator(context, output, row->argument, row->v3Selector, nudge);
    return 0;
}
