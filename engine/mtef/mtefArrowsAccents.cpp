// Decorations over, under or around one slot: arrows with text, over- and underbars, vector arrows and the other
// accents (tilde, hat, arc, joint status), horizontal braces and brackets, boxes and strike-through. Office Math
// gets bar, accent, group-character, limit and border-box groups. MTEF version 3 output keeps the version 3
// templates that exist; the version 5 ones that version 3 lacks are rebuilt from its limit (0x27), sum-style
// operator (0x2b) and matrix constructions with characters of the MT Extra (0x8b) and expanding (0x96) typefaces.
// Characters inside CHAR records are written low byte first, as MTEF stores them.
//
// Every slot is read into a text of its own before it is placed, so that a slot which is not a LINE (broken data)
// can never reach back into the enclosing line's output.
#include "mtef/mtefDispatcher.h"
#include "mtef/mtefTemplates.h"

#include <algorithm>
#include <iterator>

// Literals appended to texts as views: appending a plain literal measures it first.
using namespace std::string_view_literals;

namespace {
constexpr std::string_view kBoxedGroupHead = "{\\mbox{\\mboxPr{\\mopEmu on}}{\\me{\\mgroupChr{\\mgroupChrPr{\\mchr ";
constexpr std::string_view kTextBelowArrow = "{\\mpos top}}{\\me ";
constexpr std::string_view kTextAboveArrow = "{\\mvertJc bot}}{\\me ";

// Reads the byte after the one last read without consuming it (0 at the end of the data).
uint8_t peekMtefValue(ConverterContext& context) {
    const uint8_t value = readMtefValue(context);
    stepBackMtefByte(context);
    return value;
}

// The tag of the record that comes next (the low four bits in the nibble layout of versions 2 to 4).
uint8_t peekMtefTag(ConverterContext& context) {
    const uint8_t value = peekMtefValue(context);
    return isMtef5(context) ? value : uint8_t(value & 15);
}

// SIZE and the typesize records FULL to SUBSYM.
bool isSizeTag(uint8_t tag) {
    return tag >= TagSize && tag <= TagSubSym;
}

// The size record that opens a rebuilt version 3 line: the typesize tag (FULL to SUBSYM) that comes next in the
// input, else SUB.
uint8_t peekSizeTag(ConverterContext& context) {
    const uint8_t next = peekMtefValue(context);
    return isSizeTag(next) && next != TagSize ? next : uint8_t(TagSub);
}

// Reads a template character: the size records before it are appended to `sizes`, one by one so that none of them
// takes the template's END as the record after it, and the character to `character` (either may be null). A
// character missing before the template's END (or the end of the data) reads nothing, so that the END is left to
// close the template rather than the template taking the next byte of the enclosing line as its END. Format 0: a
// template, pile or matrix in the character's place (broken data) is wrapped in a line.
void readTemplateCharacter(ConverterContext& context, std::string* sizes, std::string* character) {
    while (isSizeTag(peekMtefTag(context)) && dispatchMtefRecord(context, sizes, TopLevel) == RecordDone) {
    }
    if (peekMtefTag(context) == TagEnd)
        return;
    const size_t start = character != nullptr ? character->size() : 0;
    {
        const V3PlaceDepth depth(context, V3Place::Character);
        dispatchMtefRecord(context, character, OneRecord);
    }
    if (character != nullptr)
        keepV3Place(context, *character, V3Place::Character, start);
}

// ---- Arrows with text (version 5) ----

enum ArrowPlacement { TextBelow = 0, TextAbove = 1, TextBoth = 2, TextNeither = 3 };
enum ArrowDirection { PointsRight = 0, PointsLeft = 1, PointsBothWays = 2 };
enum ArrowForm { SingleArrow, DoubleArrow, Harpoons };

struct ArrowShape {
    ArrowForm form;
    ArrowPlacement placement;
    ArrowDirection direction;
};

// Low digit: 8 text below, 4 text above, 2 harpoons, 1 double arrow. High digit: 2 rightward, 1 leftward. Each flag
// counts when what remains is at least its value (decodeOptionFlags).
ArrowShape decodeArrow(uint8_t variation) {
    static constexpr uint32_t kLowFlags[] = {8, 4, 2, 1};
    static constexpr uint32_t kHighFlags[] = {2, 1};
    bool low[4];
    bool high[2];
    decodeOptionFlags(variation & 15u, kLowFlags, low, 4);
    decodeOptionFlags(variation >> 4, kHighFlags, high, 2);
    ArrowShape shape;
    shape.form = low[2] ? Harpoons : low[3] ? DoubleArrow : SingleArrow;
    shape.placement = low[0] && low[1] ? TextBoth : low[0] ? TextBelow : low[1] ? TextAbove : TextNeither;
    shape.direction = high[0] && !high[1] ? PointsRight : high[1] && !high[0] ? PointsLeft : PointsBothWays;
    return shape;
}

struct SingleArrowChar {
    std::string_view v3Selector; // the version 3 arrow template
    std::string_view rtf;        // the \mchr value and the close of its group
};
// clang-format off
constexpr SingleArrowChar kSingleArrowChars[] = {
    // v3 selector  Office Math character               direction
    {"13",          "{\\uc1\\u8594 >}}"},             // right
    {"12",          "{\\uc1\\u8592 <}}"},             // left
    {"14",          "{\\uc1\\u8596 -}}"},             // both or neither
};

struct ArrowPlacementTexts {
    std::string_view singleHead; // single arrow: before the version 3 arrow selector
    std::string_view singleTail; // single arrow: variation and options of the version 3 arrow template
    std::string_view doubleHead; // double arrow, harpoons: the sum-style operator head with its empty main line
    std::string_view rtf;        // the group-character position and the opening of the text's group
};
constexpr ArrowPlacementTexts kArrowPlacements[] = {
    // single head    single tail  double head  Office Math                placement
    {"",              "0100",      "2b010011",  kTextBelowArrow},       // text below
    {"",              "0000",      "2b000011",  kTextAboveArrow},       // text above
    {"2701000103",    "0000",      "2b020011",  kTextAboveArrow},       // text on both sides: a limit around it
    // A single arrow that marks neither text position still has its two slots: it is read as one with text above,
    // so that the slots stay inside the template rather than being left to the enclosing line. A double arrow or
    // harpoons take the operator's both-limits form, as with text on both sides.
    {"",              "0000",      "2b020011",  kTextAboveArrow},       // neither
};

// The operator line of a double arrow or harpoons: a LINE holding one CHAR of typeface 0x8b, by direction.
constexpr std::string_view kDoubleArrowOperators[][3] = {
    // right         left          both or neither
    {"01028b02eb",   "01028b01eb", "01028bc421"},   // double arrow
    {"01028b04eb",   "01028b03eb", "01028bcc21"},   // harpoons
};
// clang-format on

// A single arrow with its text above, below or on both sides. Version 3 has the arrow template (text above or
// below); text on both sides becomes a limit template whose main line holds the arrow with the upper text.
void writeSingleArrow(ConverterContext& context, std::string* output, const ArrowShape& shape) {
    const SingleArrowChar& arrow = kSingleArrowChars[shape.direction];
    const ArrowPlacementTexts& placement = kArrowPlacements[shape.placement];
    const size_t groupStart = output != nullptr ? output->size() : 0;
    writeTemplateText(context, output, {}, kBoxedGroupHead);
    writeTemplateText(context, output, placement.singleHead, arrow.rtf);
    writeTemplateText(context, output, arrow.v3Selector, placement.rtf);
    writeTemplateText(context, output, placement.singleTail, {});
    const uint8_t sizeTag = shape.placement == TextBoth ? peekSizeTag(context) : 0;
    const ScratchText upper(context);
    const ScratchText lower(context);
    const ScratchText arrowChar(context);
    {
        // Text on both sides, format 0: the upper text stands in the arrow template on the limit's main line, and the
        // lower text is the limit's lower line.
        AddedV3Depth nested(context, shape.placement == TextBoth ? 2 : 0);
        readTemplateSlot(context, *upper);
    }
    readTemplateSlot(context, *lower);
    readTemplateCharacter(context, &*arrowChar, &*arrowChar);
    appendText(output, shape.placement == TextBelow ? *lower : *upper);
    writeTemplateText(context, output, *arrowChar, "}}}}");
    if (shape.placement != TextBoth)
        return;
    if (context.format == EquationFormat::EquationEditor3) {
        // The lower text is the limit's lower slot, a line of its own (a line inside a line would read as a line
        // break), set in the size that comes next in the input; the size in force returns after it.
        appendLiteral(output, "0000");
        appendHexByte(output, sizeTag);
        appendText(output, lower->empty() ? std::string_view("11") : std::string_view(*lower));
        appendText(output, context.sizeRecord.text());
        // The limit template has three slots: the main line, the lower limit and the upper limit. Without the empty
        // upper slot a reader takes the template's END for it and the next record's tag for the END.
        appendLiteral(output, "11");
    } else if (context.format == EquationFormat::MicrosoftEquation && output != nullptr && !lower->empty()) {
        // The lower text goes under the arrow group as the lower limit, so that no text of the arrow is lost.
        output->insert(groupStart, "{\\mlimLow{\\mlimLowPr }{\\me ");
        *output += "}{\\mlim "sv;
        *output += *lower;
        *output += "}}"sv;
    }
}

// A double arrow or harpoons: Office Math shows a double-headed arrow with one text; version 3 gets a sum-style
// operator with an empty main line, the texts as its limits and the arrow as its operator character.
void writeDoubleArrow(ConverterContext& context, std::string* output, const ArrowShape& shape) {
    const ArrowPlacementTexts& placement = kArrowPlacements[shape.placement];
    writeTemplateText(context, output, {}, kBoxedGroupHead);
    writeTemplateText(context, output, {}, kSingleArrowChars[PointsBothWays].rtf);
    const uint8_t sizeTag = peekSizeTag(context);
    writeTemplateText(context, output, placement.doubleHead, placement.rtf);
    if (context.format == EquationFormat::EquationEditor3)
        appendHexByte(output, sizeTag);
    const ScratchText upper(context);
    const ScratchText lower(context);
    readTemplateSlot(context, *upper);
    readTemplateSlot(context, *lower);
    if (context.format == EquationFormat::EquationEditor3) {
        appendText(output, *lower);
        appendText(output, *upper);
    } else {
        appendText(output, pickByFormat(context, {}, shape.placement == TextBelow ? *lower : *upper));
    }
    const uint8_t next = peekMtefValue(context);
    const uint8_t closingSizeTag = next == TagFull || next == TagSym ? uint8_t(TagSym) : uint8_t(TagSubSym);
    readTemplateCharacter(context, nullptr, nullptr); // the arrow's characters
    readTemplateCharacter(context, nullptr, nullptr);
    writeTemplateText(context, output, {}, "}}}}");
    if (context.format == EquationFormat::EquationEditor3) {
        appendHexByte(output, closingSizeTag);
        appendText(output, kDoubleArrowOperators[shape.form == Harpoons][shape.direction]);
        appendText(output, context.sizeRecord.text());
        appendLiteral(output, "00");
    }
}

// ---- Accents (version 5) ----

enum AccentVariant {
    VectorArrow = 0,
    Tilde = 1,
    Hat = 2,
    Arc = 3,
    JointStatus = 4,
    HorizontalBrace = 5,
    HorizontalBracket = 6,
};

struct VectorArrowTexts {
    std::string_view v3;      // variation and options of the version 3 arrow-over/under template
    std::string_view arrow;   // Office Math accent character
    std::string_view harpoon; // the same with a harpoon
};
// clang-format off
constexpr VectorArrowTexts kVectorArrows[] = {
    // v3      arrow                              harpoon                             direction
    {"0100",   "{\\uc1\\u8407\\'3f}}}{\\me ",   "{\\uc1\\u8401\\'3f}}}{\\me "},   // right only
    {"0000",   "{\\uc1\\u8406\\'3f}}}{\\me ",   "{\\uc1\\u8400\\'3f}}}{\\me "},   // left only
    {"0200",   "{\\uc1\\u8417\\'3f}}}{\\me ",   "{\\uc1\\u8417\\'3f}}}{\\me "},   // both or neither
};

// Tilde to joint status: version 3 has no such accents; they become a limit template whose upper line holds one
// nudged CHAR of typeface 0x8b (0xEE04, 0xEE07, 0xEE0A, 0xEE0B).
struct LimitAccentTexts {
    std::string_view rtfHead;
    std::string_view v3Tail; // null lower line, the upper line with its character, END of that line
};
constexpr LimitAccentTexts kLimitAccents[] = {
    // Office Math head                                          v3 tail
    {"{\\macc{\\maccPr{\\mchr {\\uc1\\u771\\'3f}}}{\\me ",   "11018280e88b04ee00"},   // 1 tilde
    {"{\\macc{\\maccPr }{\\me ",                              "11018280e88b07ee00"},   // 2 hat
    {"{\\macc{\\maccPr }{\\me ",                              "11018280e88b0aee00"},   // 3 arc
    {"{\\macc{\\maccPr }{\\me ",                              "11018280e88b0bee00"},   // 4 joint status
};
// clang-format on

constexpr std::string_view kBraceOverHead =
    "{\\mlimUpp{\\mlimUppPr }{\\me {\\mgroupChr{\\mgroupChrPr{\\mchr {\\uc1\\u9182\\'3f}}{\\mpos top}{\\mvertJc "
    "bot}}{\\me ";
constexpr std::string_view kBraceUnderHead = "{\\mlimLow{\\mlimLowPr }{\\me {\\mgroupChr{\\mgroupChrPr }{\\me ";
constexpr std::string_view kBraceLabel = "}}}{\\mlim ";

void writeVectorArrow(ConverterContext& context, std::string* output, uint8_t bits) {
    static constexpr uint32_t kFlags[] = {8, 4, 2, 1}; // harpoon, under, rightward, leftward
    bool flags[4];
    decodeOptionFlags(bits, kFlags, flags, 4);
    const bool harpoon = flags[0];
    const bool under = flags[1];
    const VectorArrowTexts& texts = kVectorArrows[flags[2] && !flags[3]   ? PointsRight
                                                  : flags[3] && !flags[2] ? PointsLeft
                                                                          : PointsBothWays];
    // An arrow under its base has no Office Math accent position: it becomes an underbar.
    writeTemplateText(context, output, under ? "2e" : "2f",
                      under ? "{\\mbar{\\mbarPr }{\\me " : "{\\macc{\\maccPr{\\mchr ");
    writeTemplateText(context, output, texts.v3, under ? std::string_view() : harpoon ? texts.harpoon : texts.arrow);
    consumeTemplateByte(context);
    const ScratchText slot(context);
    readTemplateSlot(context, *slot);
    appendText(output, *slot);
    readTemplateCharacter(context, nullptr, nullptr); // the arrow
    writeTemplateText(context, output, {}, "}}");
}

void writeLimitAccent(ConverterContext& context, std::string* output, const LimitAccentTexts& texts) {
    writeTemplateText(context, output, "270000", texts.rtfHead);
    consumeTemplateByte(context);
    const ScratchText slot(context);
    readTemplateSlot(context, *slot);
    appendText(output, *slot);
    readTemplateCharacter(context, nullptr, nullptr);
    writeTemplateText(context, output, texts.v3Tail, "}}");
}

// The input's brace character has no version 3 counterpart, whatever its form (plain, nudged, embellished): it is
// read and dropped, and a CHAR of the expanding typeface stands in its place, 0xFE37 over or 0xFE38 under. Size
// records before it are kept, as they set the size it is drawn at.
void writeBraceCharacter(ConverterContext& context, std::string* output, bool above) {
    readTemplateCharacter(context, output, nullptr);
    writeTemplateText(context, output, above ? "029637fe" : "029638fe", {});
}

// A horizontal brace (or bracket, written the same way) over or under its base, with a label.
void writeHorizontalBrace(ConverterContext& context, std::string* output, bool above) {
    writeTemplateText(context, output, above ? "1b0000" : "1c0000", above ? kBraceOverHead : kBraceUnderHead);
    consumeTemplateByte(context);
    const ScratchText slot(context);
    readTemplateSlot(context, *slot);
    appendText(output, *slot);
    writeTemplateText(context, output, {}, kBraceLabel);
    readTemplateSlot(context, *slot);
    appendText(output, *slot);
    writeTemplateText(context, output, {}, "}}");
    writeBraceCharacter(context, output, above);
}

// ---- Bars, arrows and braces of the version 3 numbering ----

enum class BarKind {
    Bar,           // underbar, overbar: a second variation doubles the bar
    ArrowWithText, // arrow with text: its arrow character follows the slot
    Brace,         // brace over or under: a label slot and the brace character follow
    ArrowAccent,   // arrow over or under: an accent
};

struct BarOrArrowRow {
    std::string_view v3Selector;
    BarKind kind;
    std::string_view head;
    std::string_view afterVariation[3]; // Office Math after the variation: 0, 1, any other
};

constexpr std::string_view kUnderbarHead = "{\\mbar{\\mbarPr }{\\me ";
constexpr std::string_view kOverbarHead = "{\\mbar{\\mbarPr{\\mpos top}}{\\me ";
constexpr std::string_view kLeftArrowHead =
    "{\\mbox{\\mboxPr{\\mopEmu on}}{\\me{\\mgroupChr{\\mgroupChrPr{\\mchr {\\uc1\\u8592 <}}";
constexpr std::string_view kRightArrowHead =
    "{\\mbox{\\mboxPr{\\mopEmu on}}{\\me{\\mgroupChr{\\mgroupChrPr{\\mchr {\\uc1\\u8594 >}}";
constexpr std::string_view kBothArrowHead =
    "{\\mbox{\\mboxPr{\\mopEmu on}}{\\me{\\mgroupChr{\\mgroupChrPr{\\mchr {\\uc1\\u8596 -}}";
constexpr std::string_view kAccentHead = "{\\macc{\\maccPr{\\mchr ";
constexpr std::string_view kLeftAccent = "{\\uc1\\u8406\\'3f}}}{\\me ";
constexpr std::string_view kRightAccent = "{\\uc1\\u8407\\'3f}}}{\\me ";
constexpr std::string_view kBothAccent = "{\\uc1\\u8417\\'3f}}}{\\me ";

// Sorted by selector for binary search (checked below).
// clang-format off
constexpr BarOrArrowRow kBarsAndArrows[] = {
    // selector kind                    head              after variation 0, 1, other
    {"10", BarKind::Bar,           kUnderbarHead,   {"",              kUnderbarHead,   kUnderbarHead}},
    {"11", BarKind::Bar,           kOverbarHead,    {"",              kOverbarHead,    kOverbarHead}},
    {"12", BarKind::ArrowWithText, kLeftArrowHead,  {kTextAboveArrow, kTextBelowArrow, kTextBelowArrow}},
    {"13", BarKind::ArrowWithText, kRightArrowHead, {kTextAboveArrow, kTextBelowArrow, kTextBelowArrow}},
    {"14", BarKind::ArrowWithText, kBothArrowHead,  {kTextAboveArrow, kTextBelowArrow, kTextBelowArrow}},
    {"1b", BarKind::Brace,         kBraceOverHead,  {"",              "",              ""}},
    {"1c", BarKind::Brace,         kBraceUnderHead, {"",              "",              ""}},
    {"2e", BarKind::ArrowAccent,   kAccentHead,     {kLeftAccent,     kRightAccent,    kBothAccent}},
    {"2f", BarKind::ArrowAccent,   kAccentHead,     {kLeftAccent,     kRightAccent,    kBothAccent}},
};
// clang-format on

constexpr bool barsAndArrowsSorted() {
    for (size_t i = 1; i < std::size(kBarsAndArrows); ++i) {
        if (!(kBarsAndArrows[i - 1].v3Selector < kBarsAndArrows[i].v3Selector))
            return false;
    }
    return true;
}
static_assert(barsAndArrowsSorted(), "kBarsAndArrows must be sorted by selector, without repeats");

const BarOrArrowRow* findBarOrArrow(std::string_view v3Selector) {
    const BarOrArrowRow* end = std::end(kBarsAndArrows);
    const BarOrArrowRow* row =
        std::lower_bound(std::begin(kBarsAndArrows), end, v3Selector,
                         [](const BarOrArrowRow& r, std::string_view key) { return r.v3Selector < key; });
    return row != end && row->v3Selector == v3Selector ? row : nullptr;
}

// ---- Boxes and strike-through (version 5) ----

// clang-format off
// A box whose sides form a corner keeps that corner; any other box gets all four sides. First match wins.
struct BoxCorner {
    bool horizontalIsTop; // the corner's horizontal side: top or bottom
    bool verticalIsLeft;  // the corner's vertical side: left or right
    std::string_view v3Layout; // matrix: alignments 1 1 1, one row, one column, row and column partitions (1 line
                               // above or left, 4 below or right, 5 both); the slot's line is the cell
    std::string_view hiddenSides; // Office Math border box properties
};
constexpr BoxCorner kBoxCorners[] = {
    // top?  left?  v3 layout            Office Math hidden sides                 corner
    {true,   true,  "01010101010101",   "{\\mhideBot on}{\\mhideRight on}"},   // left, top
    {true,   false, "01010101010104",   "{\\mhideBot on}{\\mhideLeft on}"},    // right, top
    {false,  false, "01010101010404",   "{\\mhideTop on}{\\mhideLeft on}"},    // right, bottom
    {false,  true,  "01010101010401",   "{\\mhideTop on}{\\mhideRight on}"},   // left, bottom
};
constexpr BoxCorner kFullBox = {false, false, "01010101010505", ""};
// clang-format on

// Box variation bits: 16 bottom, 8 top, 4 right, 2 left (1, round corners, counts as left).
const BoxCorner& boxCorner(uint8_t variation) {
    const bool bottom = (variation & 16) != 0;
    const bool top = (variation & 8) != 0;
    const bool right = (variation & 4) != 0;
    const bool left = (variation & 3) != 0;
    for (const BoxCorner& corner : kBoxCorners) {
        const bool horizontal = corner.horizontalIsTop ? top : bottom;
        const bool vertical = corner.verticalIsLeft ? left && !right : right && !left;
        if (horizontal && vertical)
            return corner;
    }
    return kFullBox;
}

// Strike-through variation bits: 1 horizontal, 2 rising diagonal, 4 falling diagonal.
std::string_view strikeThroughRtf(uint8_t variation) {
    if (variation & 1)
        return "{\\mstrikeH on}";
    const bool rising = (variation & 2) != 0;
    const bool falling = (variation & 4) != 0;
    return rising && falling ? "{\\mstrikeBLTR on}{\\mstrikeTLBR on}"
           : falling         ? "{\\mstrikeTLBR on}"
           : rising          ? "{\\mstrikeBLTR on}"
                             : "";
}

// Version 3 has no box template: the tag byte and nudge that the record head wrote are taken back, and a matrix
// (box) or the slot's own line (strike-through) stands in the template's place.
void takeBackTemplateHead(ConverterContext& context, std::string* output, const std::string& nudge) {
    if (context.format != EquationFormat::EquationEditor3 || output == nullptr)
        return;
    const std::string head = (nudge.empty() ? "03" : "83") + nudge;
    if (output->size() >= head.size() && output->compare(output->size() - head.size(), head.size(), head) == 0)
        output->resize(output->size() - head.size());
}
} // namespace

void translateArrowTemplate(ConverterContext& context, std::string* output, int, std::string_view, const std::string&) {
    const ArrowShape shape = decodeArrow(readTemplateVariation(context));
    writeElementStart(context, output);
    consumeTemplateByte(context);
    if (shape.form == SingleArrow)
        writeSingleArrow(context, output, shape);
    else
        writeDoubleArrow(context, output, shape);
    consumeTemplateByte(context);
    writeTemplateText(context, output, "00", {});
    writeElementEnd(context, output);
}

void translateAccentTemplate(ConverterContext& context, std::string* output, int variant, std::string_view,
                             const std::string&) {
    const uint8_t low = readTemplateVariation(context) & 15;
    writeElementStart(context, output);
    switch (AccentVariant(variant)) {
    case VectorArrow:
        writeVectorArrow(context, output, low);
        break;
    case Tilde:
    case Hat:
    case Arc:
    case JointStatus:
        writeLimitAccent(context, output, kLimitAccents[variant - Tilde]);
        break;
    case HorizontalBrace:
    case HorizontalBracket:
        writeHorizontalBrace(context, output, low == 1);
        break;
    }
    consumeTemplateByte(context);
    writeTemplateText(context, output, "00", {});
    writeElementEnd(context, output);
}

void translateBarOrArrow(ConverterContext& context, std::string* output, int, std::string_view v3Selector,
                         const std::string&) {
    const BarOrArrowRow* row = findBarOrArrow(v3Selector);
    if (row == nullptr) {
        // Not a selector of this translator: the record's layout is unknown, so nothing after it could be read.
        context.abandoned = true;
        return;
    }
    writeElementStart(context, output);
    writeTemplateText(context, output, row->v3Selector, row->head);
    const uint8_t variation = readTemplateVariation(context);
    if (context.format == EquationFormat::EquationEditor3)
        appendHexByte(output, variation);
    writeTemplateText(context, output, {}, row->afterVariation[std::min<uint8_t>(variation, 2)]);
    consumeTemplateByte(context);
    writeTemplateText(context, output, "00", {});
    const ScratchText text(context);
    readTemplateSlot(context, *text);
    appendText(output, *text);
    if (row->kind == BarKind::ArrowWithText) {
        text->clear();
        readTemplateCharacter(context, &*text, &*text);
        writeTemplateText(context, output, *text, {});
    } else if (row->kind == BarKind::Brace) {
        writeTemplateText(context, output, {}, kBraceLabel);
        readTemplateSlot(context, *text);
        appendText(output, *text);
        text->clear();
        readTemplateCharacter(context, &*text, &*text);
        writeTemplateText(context, output, *text, {});
    }
    consumeTemplateByte(context);
    writeTemplateText(context, output, "00", "}}");
    if ((row->kind == BarKind::Bar && variation != 0) || row->kind == BarKind::ArrowWithText)
        writeTemplateText(context, output, {}, "}}");
    writeElementEnd(context, output);
}

void translateDefaultAccent(ConverterContext& context, std::string* output, int, std::string_view, const std::string&) {
    writeElementStart(context, output);
    readTemplateVariation(context);
    readTemplateVariation(context); // the template options: neither is used
    writeTemplateText(context, output, "270000", "{\\macc{\\maccPr }{\\me ");
    const ScratchText slot(context);
    readTemplateSlot(context, *slot);
    appendText(output, *slot);
    consumeTemplateByte(context);
    // The version 3 form of the version 5 arc (see kLimitAccents), with the END of the limit template.
    writeTemplateText(context, output, "11018280e88b0aee0000", "}}");
    writeElementEnd(context, output);
}

void translateBoxTemplate(ConverterContext& context, std::string* output, int kind, std::string_view,
                          const std::string& nudge) {
    const uint8_t variation = readTemplateVariation(context);
    consumeTemplateByte(context);
    const ScratchText content(context);
    readTemplateSlot(context, *content);
    consumeTemplateByte(context);
    writeElementStart(context, output);
    takeBackTemplateHead(context, output, nudge);
    if (kind == 1) {
        writeTemplateText(context, output, {},
                          "{\\mborderBox{\\mborderBoxPr {\\mhideTop on}{\\mhideBot on}{\\mhideLeft on}{\\mhideRight "
                          "on}");
        writeTemplateText(context, output, {}, strikeThroughRtf(variation));
        writeTemplateText(context, output, {}, "}{\\me ");
        // Format 0: the slot's objects take the template's place in the line (a line inside a line would read as
        // a line break).
        if (context.format == EquationFormat::EquationEditor3 && output != nullptr)
            appendV3LineObjects(*output, *content);
        else
            appendText(output, *content);
        writeTemplateText(context, output, {}, "}}");
    } else {
        const BoxCorner& corner = boxCorner(variation);
        if (context.format == EquationFormat::EquationEditor3)
            appendText(output, (nudge.empty() ? "05" : "85") + nudge);
        writeTemplateText(context, output, {}, "{\\mborderBox{\\mborderBoxPr ");
        writeTemplateText(context, output, corner.v3Layout, corner.hiddenSides);
        writeTemplateText(context, output, {}, "}{\\me ");
        // Format 0: the slot's line is the matrix's one cell.
        appendText(output, pickByFormat(context, content->empty() ? "11" : *content, *content));
        writeTemplateText(context, output, "00", "}}");
    }
    writeElementEnd(context, output);
}
