// Fence and bra-ket templates. Each becomes one Office Math delimiter group (format 1) or the MTEF version 3 fence
// template that matches (format 0); white square brackets, which version 3 lacks, become two nested square-bracket
// templates. Other templates live in their own units.
#include "mtef/mtefDispatcher.h"
#include "mtef/mtefTemplates.h"

#include <iterator>

// Literals appended to texts as views: appending a plain literal measures it first.
using namespace std::string_view_literals;

namespace {
// Which fences a template shows. The values are the MTEF version 3 fence variations.
enum FenceSides : uint8_t { BothFences = 0, LeftFence = 1, RightFence = 2 };

FenceSides fenceSides(uint8_t variation) {
    return variation == 1 ? LeftFence : variation == 2 ? RightFence : BothFences;
}

struct FencePair {
    std::string_view left;  // \mbegChr text
    std::string_view right; // \mendChr text
    bool alwaysBoth;        // the mixed pairs show both fences whatever the variation says
};

constexpr std::string_view kLeftAngle = "{\\uc1\\u10216\\'3f}";
constexpr std::string_view kRightAngle = "{\\uc1\\u10217\\'3f}";

// Indexed by the MTEF version 3 fence selector (version 5 selectors 0 to 7 are the same).
// clang-format off
constexpr FencePair kFencePairs[] = {
    // left                    right                      always both   selector: fences
    {kLeftAngle,               kRightAngle,               false},    // 0 angle brackets
    {"(",                      ")",                       false},    // 1 parentheses
    {"\\'7b",                  "\\'7d",                   false},    // 2 braces
    {"[",                      "]",                       false},    // 3 square brackets
    {"|",                      "|",                       false},    // 4 vertical bars
    {"{\\uc1\\u8214\\'3f}",    "{\\uc1\\u8214\\'3f}",     false},    // 5 double vertical bars
    {"{\\uc1\\u8970\\'3f}",    "{\\uc1\\u8971\\'3f}",     false},    // 6 floor
    {"{\\uc1\\u8968\\'3f}",    "{\\uc1\\u8969\\'3f}",     false},    // 7 ceiling
    {"[",                      "[",                       false},    // 8 two left brackets
    {"]",                      "]",                       false},    // 9 two right brackets
    {"]",                      "[",                       false},    // 10 right bracket, left bracket
    {"[",                      ")",                       true},     // 11 left bracket, right parenthesis
    {"(",                      "]",                       true},     // 12 left parenthesis, right bracket
};
// clang-format on
constexpr uint8_t kParentheses = 1;
constexpr uint8_t kSquareBrackets = 3;
constexpr FencePair kWhiteSquareBrackets = {"{\\uc1\\u10214\\'3f}", "{\\uc1\\u10215\\'3f}", false};

// The version 5 interval names its fences by the nibbles of its variation (low: left, high: right; 0 parenthesis
// open, 1 parenthesis close, 2 bracket open, 3 bracket close). The combinations version 3 has a fence template for
// become that template; any other is written as angle brackets.
struct IntervalRow {
    uint8_t variation;
    uint8_t v3Selector;
};
// clang-format off
constexpr IntervalRow kIntervals[] = {
    // variation  v3 selector
    {0x12,        11},   // [ )
    {0x22,        8},    // [ [
    {0x23,        10},   // ] [
    {0x30,        12},   // ( ]
    {0x33,        9},    // ] ]
};
// clang-format on

enum FenceKind { Interval = 0, PlainFence = 1, WhiteSquareBrackets = 2 };

// What a fence template is written as.
struct FenceShape {
    uint8_t v3Selector;
    FenceSides sides;
    const FencePair* pair;
};

FenceShape fenceShape(FenceKind kind, uint8_t selector, uint8_t variation) {
    switch (kind) {
    case Interval:
        for (const IntervalRow& row : kIntervals) {
            if (row.variation == variation)
                return {row.v3Selector, BothFences, &kFencePairs[row.v3Selector]};
        }
        return {0, BothFences, &kFencePairs[0]};
    case PlainFence: {
        // A selector without a fence of its own is written as parentheses, so the version 3 template stays a fence.
        const uint8_t v3Selector = selector < std::size(kFencePairs) ? selector : kParentheses;
        const FencePair& pair = kFencePairs[v3Selector];
        return {v3Selector, pair.alwaysBoth ? BothFences : fenceSides(variation), &pair};
    }
    case WhiteSquareBrackets:
        // Every variation but "left only" and "right only" shows both fences, the unassigned ones (4 and above)
        // included, so that the fence characters written below always match the head.
        return {kSquareBrackets, fenceSides(variation), &kWhiteSquareBrackets};
    }
    return {kParentheses, BothFences, &kFencePairs[kParentheses]};
}

void appendDelimiterProperties(std::string& rtf, const FenceShape& shape) {
    rtf += "{\\mbegChr "sv;
    if (shape.sides != RightFence)
        rtf += shape.pair->left;
    rtf += "}{\\mendChr "sv;
    if (shape.sides != LeftFence)
        rtf += shape.pair->right;
    rtf += '}';
}

// The objects of one template, read in order. A list that ends early (its END where a slot or a fence character
// should stand, the end of the data, or a record that cannot be read) gives empty objects from there on and its END
// is not looked for again; objects beyond the expected ones are dropped up to the END. Either way the record after
// the template is read from its own first byte.
class TemplateObjects {
public:
    explicit TemplateObjects(ConverterContext& context) : context_(context) {}
    TemplateObjects(const TemplateObjects&) = delete;
    TemplateObjects& operator=(const TemplateObjects&) = delete;

    // Reads the next object into `text`, emptied first. False when the list had no more objects.
    bool next(std::string& text) {
        text.clear();
        if (closed_)
            return false;
        if (dispatchMtefRecord(context_, &text, OneRecord) == RecordDone)
            return true;
        closed_ = true;
        return false;
    }

    // Reads a slot into `text`, emptied first: a missing one is a null line in format 0 (keepV3Place), so that the
    // version 3 template keeps its slot, and one that is no line is wrapped in one.
    void slot(std::string& text) { read(text, V3Place::Slot); }

    // Reads a fence character into `text`, emptied first. False when the list had no more objects.
    bool character(std::string& text) { return read(text, V3Place::Character); }

    // Reads up to and including the END of the list.
    void close() {
        const ScratchText dropped(context_);
        while (next(*dropped)) {
        }
    }

private:
    bool read(std::string& text, V3Place place) {
        bool read;
        {
            const V3PlaceDepth depth(context_, place);
            read = next(text);
        }
        keepV3Place(context_, text, place);
        return read;
    }

    ConverterContext& context_;
    bool closed_ = false;
};

// The fence characters of the two square-bracket templates that stand for white square brackets: CHAR records
// (tag 02, or 82 and the nudge) of the expanding typeface 0x96, the character low byte first.
void appendWhiteBracketCharacters(std::string& hex, FenceSides sides, const std::string& nudge) {
    const std::string_view tag = nudge.empty() ? "02" : "82";
    if (sides != RightFence) {
        hex += tag;
        hex += nudge;
        hex += "965b00"sv;
    }
    if (sides != LeftFence) {
        hex += tag;
        hex += nudge;
        hex += "965d00"sv;
    }
}
} // namespace

void translateFence(ConverterContext& context, std::string* output, int kind, std::string_view,
                    const std::string& nudge) {
    const uint8_t selector = currentByteValue(context);
    const uint8_t variation = readTemplateVariation(context);
    const FenceShape shape = fenceShape(FenceKind(kind), selector, variation);
    const uint8_t templateOptions = readMtefValue(context);

    TemplateObjects objects(context);
    const ScratchText main(context);
    {
        // Format 0 puts the main slot of white square brackets inside a second template, on a line of the first.
        AddedV3Depth nested(context, kind == WhiteSquareBrackets ? 2 : 0);
        objects.slot(*main);
    }
    const ScratchText fences(context);
    const ScratchText fence(context);
    if (objects.character(*fence))
        *fences += *fence;
    if (shape.sides == BothFences && objects.character(*fence))
        *fences += *fence;
    objects.close();

    if (output == nullptr)
        return;
    std::string& out = *output;
    if (context.format == EquationFormat::MicrosoftEquation) {
        out += kElementStart;
        out += "{\\md{\\mdPr"sv;
        appendDelimiterProperties(out, shape);
        out += "}{\\me "sv;
        out += *main;
        out += "}}"sv;
        out += kElementEnd;
        return;
    }
    if (context.format != EquationFormat::EquationEditor3)
        return;
    std::string head; // selector, variation and options: six characters, no allocation
    appendHexByte(&head, shape.v3Selector);
    appendHexByte(&head, shape.sides);
    appendHexByte(&head, templateOptions);
    out += head;
    if (kind != WhiteSquareBrackets) {
        out += *main;
        out += *fences;
        out += "00"sv;
        return;
    }
    // The outer square-bracket template's slot is a line holding the inner one; the fence records read are
    // replaced by square brackets of the expanding typeface.
    if (nudge.empty()) {
        out += "0103"sv;
    } else {
        out += "81"sv;
        out += nudge;
        out += "83"sv;
        out += nudge;
    }
    out += head;
    out += *main;
    appendWhiteBracketCharacters(out, shape.sides, nudge);
    out += "0000"sv;
    appendWhiteBracketCharacters(out, shape.sides, nudge);
    out += "00"sv;
}

namespace {
// A bra or a ket is a delimiter with one fence whose element holds a second delimiter with the bar; a full bra-ket is
// one delimiter with two elements, which Office Math separates by its bar.
struct BraKetRow {
    std::string_view v3Variation;
    std::string_view properties; // after "{\md{\mdPr"
    bool showBra;
    bool showKet;
    bool thirdFence; // a full bra-ket has three fence characters: the angles and the bar
    std::string_view tail;
};
// clang-format off
// v3 variation, properties, bra shown, ket shown, third fence, tail
constexpr BraKetRow kBra = {"01", "{\\mbegChr {\\uc1\\u10216\\'3f}}{\\mendChr }}{\\me {\\md{\\mdPr{\\mbegChr }{\\mendChr |}}",
                            true, false, false, "}}}"};
constexpr BraKetRow kKet = {"02", "{\\mbegChr |}{\\mendChr }}{\\me {\\md{\\mdPr{\\mbegChr }{\\mendChr {\\uc1\\u10217\\'3f}}}",
                            false, true, false, "}}}"};
constexpr BraKetRow kFullBraKet = {"00", "{\\mbegChr {\\uc1\\u10216\\'3f}}{\\mendChr {\\uc1\\u10217\\'3f}}}",
                                   true, true, true, "}"};
// clang-format on
} // namespace

void translateBraKet(ConverterContext& context, std::string* output, int, std::string_view, const std::string&) {
    const uint8_t variation = readTemplateVariation(context);
    const BraKetRow& row = variation == 1 ? kBra : variation == 2 ? kKet : kFullBraKet;
    consumeTemplateByte(context);

    TemplateObjects objects(context);
    const ScratchText bra(context);
    const ScratchText ket(context);
    objects.slot(*bra);
    objects.slot(*ket);
    const ScratchText fences(context);
    const ScratchText fence(context);
    for (int i = 0; i < (row.thirdFence ? 3 : 2); ++i) {
        if (objects.character(*fence))
            *fences += *fence;
    }
    objects.close();

    if (output == nullptr)
        return;
    std::string& out = *output;
    if (context.format == EquationFormat::MicrosoftEquation) {
        out += kElementStart;
        out += "{\\md{\\mdPr"sv;
        out += row.properties;
        if (row.showBra) {
            out += "{\\me "sv;
            out += *bra;
            out += "}"sv;
        }
        if (row.showKet) {
            out += "{\\me "sv;
            out += *ket;
            out += "}"sv;
        }
        out += row.tail;
        out += kElementEnd;
    } else if (context.format == EquationFormat::EquationEditor3) {
        out += "2d"sv;
        out += row.v3Variation;
        out += "00"sv;
        out += *bra;
        out += *ket;
        out += *fences;
        out += "00"sv;
    }
}
