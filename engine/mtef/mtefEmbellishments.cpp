// EMBELL lists: the marks on one character (dots, primes, accents, arrows, bars, strike-throughs). The character
// translation hands its own text over; this unit reads the whole list after it and rewrites that text. Office Math
// wraps the character in accent, bar and border-box groups or adds primes, in its run or after it. MTEF version 3 keeps
// the marks that version 3 has as EMBELL records and stacks the others over or under the character as limit templates.
// It does not read the character itself, and writes no closing brace for the character's run: the character
// translation appends that after the list.
//
// List layout. Versions 2, 4 and 5 write EMBELL records one after the other and end the list with END. Equation
// Editor 3.x (version 3) closes every EMBELL record with an END of its own and then the list with one more END: a
// tilde over x is stored as 32 83 7800 06 08 00 00. Our MTEF version 3 output is written the same way, so it reads
// back to the same marks.
#include "mtef/hexText.h"
#include "mtef/mtefDispatcher.h"
#include "mtef/mtefRecords.h"

#include <algorithm>
#include <charconv>
#include <string_view>
#include <vector>

// Literals appended to texts as views: appending a plain literal measures it first.
using namespace std::string_view_literals;

namespace {
// What a kind becomes in Office Math.
enum class OfficeMathMark : uint8_t {
    Nothing,       // the character stays as it is
    Accent,        // \macc with the row's accent character
    Prime,         // primes after the character: text of its run, or a run of their own after it
    ReversedPrime, // a grave accent before the character, in a run of its own
    MidBar,        // border box with a horizontal strike; only the first of the list
    Strike,        // border box with diagonal strikes; only the first strike of the list
    Bar,           // \mbar under the character
};

// What a kind becomes in MTEF version 3.
enum class V3Mark : uint8_t {
    Copied,   // kept as an EMBELL record (over a kind 24 it becomes an upper-limit template instead)
    Prime,    // kept as an EMBELL record, written after the strikes
    MidBar,   // kept as the one EMBELL kind 16
    Strike,   // written as the one EMBELL kind 10
    FourDots, // an upper-limit template; later over-marks of the list follow it into upper templates
    Under,    // a lower-limit template
};

constexpr uint8_t kKindSlash = 10; // the strike that version 3 has
constexpr uint8_t kLastKnownKind = 37;

struct EmbellRow {
    uint8_t kind;
    OfficeMathMark officeMath;
    uint16_t accent;          // Accent: the combining character
    std::string_view strikes; // Strike, MidBar: the border box's strike words
    std::string_view prime;   // Prime: the prime text (single prime: without "Force Unicode")
    V3Mark v3;
    std::string_view glyph;  // limit-template glyph: typeface and character, low byte first; "" none
    uint8_t glyphCount;      // how many times the glyph's CHAR record stands (dots)
    std::string_view euclid; // the glyph when MathType fonts are allowed; "" the same as `glyph`
};

constexpr std::string_view kStrikeH = "{\\mstrikeH on}";
constexpr std::string_view kStrikeBltr = "{\\mstrikeBLTR on}";
constexpr std::string_view kStrikeBoth = "{\\mstrikeBLTR on}{\\mstrikeTLBR on}";
constexpr std::string_view kStrikeTlbr = "{\\mstrikeTLBR on}";
constexpr std::string_view kDot = "822e00"; // full stop in typeface 130

using M = OfficeMathMark;
using V = V3Mark;
// clang-format off
// Indexed by kind. Kinds above 37 change nothing in Office Math and become an empty lower-limit template.
// kind  Office Math         accent  strikes      prime                               MTEF 3       glyph     n  euclid
constexpr EmbellRow kEmbellRows[kLastKnownKind + 1] = {
    {0,  M::Nothing,         0,      {},          {},                                 V::Copied,   {},       0, {}},       // none
    {1,  M::Nothing,         0,      {},          {},                                 V::Copied,   {},       0, {}},       // none
    {2,  M::Accent,          0x0307, {},          {},                                 V::Copied,   kDot,     1, {}},       // one dot
    {3,  M::Accent,          0x0308, {},          {},                                 V::Copied,   kDot,     2, {}},       // two dots
    {4,  M::Accent,          0x20DB, {},          {},                                 V::Copied,   kDot,     3, {}},       // three dots
    {5,  M::Prime,           0,      {},          "{\\uc1\\u39 '}",                   V::Prime,    {},       0, {}},       // prime
    {6,  M::Prime,           0,      {},          "{\\uc1\\u39 '\\u39 '}",            V::Prime,    {},       0, {}},       // double prime
    {7,  M::ReversedPrime,   0,      {},          {},                                 V::Prime,    {},       0, {}},       // reversed prime
    {8,  M::Accent,          0x0303, {},          {},                                 V::Copied,   "8b0303", 1, {}},       // tilde
    {9,  M::Accent,          0x0302, {},          {},                                 V::Copied,   "8b0203", 1, {}},       // hat
    {10, M::Strike,          0,      kStrikeBltr, {},                                 V::Strike,   {},       0, {}},       // slash
    {11, M::Accent,          0x20D7, {},          {},                                 V::Copied,   "8bd720", 1, {}},       // right arrow
    {12, M::Accent,          0x20D6, {},          {},                                 V::Copied,   "8bd620", 1, {}},       // left arrow
    {13, M::Accent,          0x20E1, {},          {},                                 V::Copied,   "8be120", 1, {}},       // two-headed arrow
    {14, M::Accent,          0x20D1, {},          {},                                 V::Copied,   "8bd720", 1, "017600"}, // right harpoon
    {15, M::Accent,          0x20D0, {},          {},                                 V::Copied,   "8bd620", 1, "017700"}, // left harpoon
    {16, M::MidBar,          0,      kStrikeH,    {},                                 V::MidBar,   {},       0, {}},       // horizontal strike
    {17, M::Accent,          0x0305, {},          {},                                 V::Copied,   "869421", 1, {}},       // bar over
    {18, M::Prime,           0,      {},          "{\\uc1\\u39 '\\u39 '\\u39 '}",     V::Prime,    {},       0, {}},       // triple prime
    {19, M::Accent,          0x0302, {},          {},                                 V::Copied,   "8b2223", 1, {}},       // arc, open below
    {20, M::Accent,          0x0306, {},          {},                                 V::Copied,   "8b2323", 1, {}},       // arc, open above
    {21, M::Strike,          0,      kStrikeBoth, {},                                 V::Strike,   {},       0, {}},       // cross strike
    {22, M::Strike,          0,      kStrikeBltr, {},                                 V::Strike,   {},       0, {}},       // rising strike
    {23, M::Strike,          0,      kStrikeTlbr, {},                                 V::Strike,   {},       0, {}},       // falling strike
    {24, M::Accent,          0x20DB, {},          {},                                 V::FourDots, kDot,     4, {}},       // four dots
    {25, M::Nothing,         0,      {},          {},                                 V::Under,    kDot,     1, {}},       // one dot under
    {26, M::Nothing,         0,      {},          {},                                 V::Under,    kDot,     2, {}},       // two dots under
    {27, M::Nothing,         0,      {},          {},                                 V::Under,    kDot,     3, {}},       // three dots under
    {28, M::Nothing,         0,      {},          {},                                 V::Under,    kDot,     4, {}},       // four dots under
    {29, M::Bar,             0,      {},          {},                                 V::Under,    "861222", 1, {}},       // bar under
    {30, M::Bar,             0,      {},          {},                                 V::Under,    "8b0303", 1, {}},       // tilde under
    {31, M::Bar,             0,      {},          {},                                 V::Under,    "8b2223", 1, {}},       // arc under, open below
    {32, M::Bar,             0,      {},          {},                                 V::Under,    "8b2323", 1, {}},       // arc under, open above
    {33, M::Bar,             0,      {},          {},                                 V::Under,    "8bd720", 1, {}},       // right arrow under
    {34, M::Bar,             0,      {},          {},                                 V::Under,    "8bd620", 1, {}},       // left arrow under
    {35, M::Bar,             0,      {},          {},                                 V::Under,    "8be120", 1, {}},       // two-headed arrow under
    {36, M::Bar,             0,      {},          {},                                 V::Under,    "8bd720", 1, "017800"}, // right harpoon under
    {37, M::Bar,             0,      {},          {},                                 V::Under,    "8bd620", 1, "017100"}, // left harpoon under
};
// clang-format on

constexpr bool rowsFollowKinds() {
    for (size_t i = 0; i <= kLastKnownKind; ++i) {
        if (kEmbellRows[i].kind != i)
            return false;
    }
    return true;
}
static_assert(rowsFollowKinds(), "kEmbellRows is indexed by kind");

// The row of kinds above 37: nothing in Office Math, an empty lower-limit template in MTEF version 3.
constexpr EmbellRow kUnknownKindRow = {0, M::Nothing, 0, {}, {}, V::Under, {}, 0, {}};

const EmbellRow& rowOfKind(uint8_t kind) {
    return kind <= kLastKnownKind ? kEmbellRows[kind] : kUnknownKindRow;
}

// ---- Office Math -------------------------------------------------------------------------------------------------

// Working state of one list in format 1.
struct OfficeMathMarks {
    std::string& text;    // the character's text with the marks applied so far; one group still open
    std::string& spare;   // where a mark writes the text it wraps around `text`, then swapped with it
    std::string& opening; // a mark's opening words
    bool runOpen = true;  // that open group is still the character's run (no mark has wrapped or closed it)
    bool midBarDone = false;
    bool strikeDone = false;
};

// Wraps the text in a group that closes with "}}": the first brace closes the character's run (or an inner
// wrapping's last group), the second this group's \me; the character's own closing brace then closes the group.
// Every wrapping so leaves exactly one group open, as the character's run did.
void wrapWith(OfficeMathMarks& marks, std::string_view prefix, std::string_view opening) {
    std::string& text = marks.text;
    marks.runOpen = false;
    std::string& wrapped = marks.spare;
    wrapped.clear();
    wrapped += kElementStart;
    wrapped += prefix;
    wrapped += opening;
    wrapped += text;
    wrapped += "}}"sv;
    wrapped += kElementEnd;
    text.swap(wrapped);
}

void appendAccent(std::string& out, uint16_t accent) {
    char digits[8];
    out += "{\\uc1\\u"sv;
    out.append(digits, size_t(std::to_chars(digits, digits + sizeof digits, accent).ptr - digits));
    out += "\\'3f}}}{\\me"sv;
}

// Borders hidden, so that only the strike of the row shows (Office Math has no plain strike-through).
void appendBorderBox(std::string& out, std::string_view strikes) {
    out += "\\mborderBox{\\mborderBoxPr{\\mhideTop on}{\\mhideBot on}{\\mhideLeft on}{\\mhideRight on}"sv;
    out += strikes;
    out += "}{\\me"sv;
}

void applyOfficeMath(ConverterContext& context, OfficeMathMarks& marks, const EmbellRow& row) {
    std::string& opening = marks.opening;
    opening.clear();
    switch (row.officeMath) {
    case M::Nothing:
        return;
    case M::Accent:
        appendAccent(opening, row.accent);
        wrapWith(marks, "{\\macc{\\maccPr{\\mchr ", opening);
        return;
    case M::MidBar:
        if (marks.midBarDone)
            return;
        marks.midBarDone = true;
        appendBorderBox(opening, row.strikes);
        wrapWith(marks, "{", opening);
        return;
    case M::Strike:
        if (marks.strikeDone)
            return;
        marks.strikeDone = true;
        appendBorderBox(opening, row.strikes);
        wrapWith(marks, "{", opening);
        return;
    case M::Bar:
        wrapWith(marks, "{", "\\mbar{\\mbarPr}{\\me");
        return;
    case M::Prime: {
        // A single prime with "Force Unicode", and any prime once a mark has closed the character's run (an accent,
        // box or bar around it, or an earlier prime), is a run of its own after the character's: Office Math has no
        // run inside a run, and a prime left inside an accent's group would stand outside every part of the accent,
        // where readers that take the parts by position drop it. Otherwise the prime is text of the character's run.
        const bool ownRun = !marks.runOpen || (context.forceUnicode != 0 && row.kind == 5);
        std::string& primed = marks.spare;
        primed.clear();
        primed += kElementStart;
        primed += '{';
        primed += marks.text;
        if (ownRun) {
            primed += "}{\\mr\\mscr0\\msty2\\i "sv;
            primed += row.prime;
        } else {
            primed += row.prime;
        }
        primed += '}';
        primed += kElementEnd;
        marks.text.swap(primed);
        marks.runOpen = false;
        return;
    }
    case M::ReversedPrime: {
        // The grave accent stands before the character, in a run of its own with the character's run properties:
        // Office Math has text only inside runs.
        std::string& primed = marks.spare;
        primed.clear();
        primed += kElementStart;
        primed += "{{\\mr"sv;
        primed += context.embellishedRunStyle;
        primed += "`}"sv;
        primed += marks.text;
        primed += '}';
        primed += kElementEnd;
        marks.text.swap(primed);
        marks.runOpen = false;
        return;
    }
    }
}

// ---- MTEF version 3 ----------------------------------------------------------------------------------------------

// A mark that becomes a limit template.
struct TemplateMark {
    const EmbellRow* row;
    std::string nudge; // the EMBELL record's nudge bytes (hex); the glyph records carry them
};

// Working state of one list in format 0.
struct V3Marks {
    std::string strikes; // the one kind 16 record and the one kind 10 record, each closed by END
    std::string primes;  // prime records, each closed by END
    std::string copied;  // the other kept records, each closed by END
    std::vector<TemplateMark> upper;
    std::vector<TemplateMark> lower;
    bool fourDotsSeen = false;
    bool midBarDone = false;
    bool strikeDone = false;
};

// An EMBELL record as version 3 writes it: tag (with the nudge option), nudge, kind, and its own END.
void appendV3Embell(std::string& out, const std::string& nudge, uint8_t kind) {
    out += nudge.empty() ? "06" : "86";
    out += nudge;
    appendHexByte(&out, kind);
    out += "00"sv;
}

void applyV3(V3Marks& marks, const EmbellRow& row, uint8_t kind, std::string& nudge) {
    switch (row.v3) {
    case V::MidBar:
        if (!marks.midBarDone)
            appendV3Embell(marks.strikes, nudge, kind);
        marks.midBarDone = true;
        return;
    case V::Strike:
        if (!marks.strikeDone)
            appendV3Embell(marks.strikes, nudge, kKindSlash);
        marks.strikeDone = true;
        return;
    case V::FourDots:
        marks.fourDotsSeen = true;
        marks.upper.push_back({&row, std::move(nudge)});
        return;
    case V::Under:
        marks.lower.push_back({&row, std::move(nudge)});
        return;
    case V::Prime:
        appendV3Embell(marks.primes, nudge, kind);
        return;
    case V::Copied:
        if (marks.fourDotsSeen)
            marks.upper.push_back({&row, std::move(nudge)});
        else
            appendV3Embell(marks.copied, nudge, kind);
        return;
    }
}

// The CHAR records of a template's glyph; they carry the mark's nudge.
void appendGlyphRecords(const ConverterContext& context, std::string& out, const TemplateMark& mark) {
    const std::string_view glyph =
        context.allowMathTypeFonts && !mark.row->euclid.empty() ? mark.row->euclid : mark.row->glyph;
    if (glyph.empty())
        return;
    for (int i = 0; i < mark.row->glyphCount; ++i) {
        out += mark.nudge.empty() ? "02" : "82";
        out += mark.nudge;
        out += glyph;
    }
}

// The character record with its kept EMBELL records and list END, inside the limit templates of the other marks:
// lower templates first (each around the text so far), then the upper ones around them.
std::string composeV3(ConverterContext& context, std::string charRecord, const V3Marks& marks) {
    std::string text = std::move(charRecord);
    text += marks.strikes;
    text += marks.primes;
    text += marks.copied;
    // A CHAR record of tag, typeface and 16-bit character alone (eight hex characters), with no record kept, gets the
    // option digit 0, so that its tag byte announces no list (a function name's flag goes with it). A longer text (a
    // nudged character) keeps its tag byte, and an END closes its list, empty or not.
    if (text.size() == 8)
        text[0] = '0';
    else
        text += "00"sv;
    for (const TemplateMark& mark : marks.lower) {
        // TMPL limit (selector 39), variation 1 (lower), options 0; main slot; SUB; lower slot; size; null upper slot.
        std::string wrapped = "0327010001" + text + "000b01";
        appendGlyphRecords(context, wrapped, mark);
        wrapped += "00"sv;
        wrapped += context.sizeRecord.text();
        wrapped += "1100"sv;
        text.swap(wrapped);
    }
    for (const TemplateMark& mark : marks.upper) {
        // TMPL limit (selector 39), variation 0 (upper), options 0; main slot; SUB; null lower slot; upper slot.
        std::string wrapped = "0327000001" + text + "000b1101";
        appendGlyphRecords(context, wrapped, mark);
        wrapped += context.sizeRecord.text();
        wrapped += "0000"sv;
        text.swap(wrapped);
    }
    return text;
}

// ---- Reading the list --------------------------------------------------------------------------------------------

int32_t tagOf(const ConverterContext& context, uint8_t tagByte) {
    return isMtef5(context) ? tagByte : (tagByte & 15);
}

// Reads past the end of one EMBELL record and reports whether another follows. Version 3 closes each record with
// an END of its own first. When the list ends, its END has been read; any other byte is left to the caller, so a
// record after a list that lost its END is still read as a record.
bool anotherEmbellishmentFollows(ConverterContext& context) {
    if (!readMtefByte(context))
        return false;
    if (context.mtefVersion == 3 && currentByteValue(context) == TagEnd && !readMtefByte(context))
        return false;
    const int32_t tag = tagOf(context, currentByteValue(context));
    if (tag == TagEmbellishment)
        return true;
    if (tag != TagEnd)
        stepBackMtefByte(context);
    return false;
}
} // namespace

int translateEmbellishment(ConverterContext& context, std::string* output, bool /*pullNext*/, int32_t /*tag*/) {
    // A list that follows no character (a stray EMBELL record in a line) has nothing to mark: it is read and dropped,
    // and the line's text stays as it is.
    if (!context.embellishingCharacter)
        output = nullptr;
    context.embellishingCharacter = false;
    const bool officeMath = context.format == EquationFormat::MicrosoftEquation;
    // The character's text is the end of the output, from where its run started.
    const size_t charStart = output != nullptr ? std::min(context.embellishedRunStart, output->size()) : 0;
    const ScratchText charText(context);
    if (output != nullptr)
        charText->assign(*output, charStart, std::string::npos);
    const ScratchText markedText(context);
    const ScratchText spareText(context);
    const ScratchText openingText(context);
    *markedText = *charText;
    OfficeMathMarks officeMathMarks{*markedText, *spareText, *openingText};
    V3Marks v3Marks;
    do {
        const uint8_t options = readRecordOptions(context);
        std::string nudge; // format 0 only: skipNudge keeps the bytes for version 3 output alone
        if (options == 8)
            skipNudge(context, &nudge);
        const uint8_t kind = readMtefValue(context);
        const EmbellRow& row = rowOfKind(kind);
        if (officeMath)
            applyOfficeMath(context, officeMathMarks, row);
        else
            applyV3(v3Marks, row, kind, nudge);
    } while (anotherEmbellishmentFollows(context));

    if (output == nullptr)
        return 0;
    if (officeMath) {
        output->resize(charStart);
        *output += officeMathMarks.text;
    } else if (context.format == EquationFormat::EquationEditor3) {
        // Each limit template nests the character two object lists deeper (the template's and its main line's), and
        // a list can hold any number of marks: past the depth limit the object stays as it was.
        if (!v3DepthAllows(context, 2 * (v3Marks.lower.size() + v3Marks.upper.size()))) {
            context.abandoned = true;
            return 0;
        }
        const std::string composed = composeV3(context, *charText, v3Marks);
        output->resize(charStart);
        *output += composed;
    }
    return 0;
}
