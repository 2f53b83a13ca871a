// Character translation tables. Codes are MTCodes (Unicode apart from MathType's private-use blocks); escapes are
// written "{\uc1\u%d\'3f}" by the caller.
#include "mtef/characterTables.h"

#include <algorithm>

namespace {
using Kind = CharacterForm::Kind;

constexpr std::string_view kMathOne = "Euclid Math One";
constexpr std::string_view kMathTwo = "Euclid Math Two";
constexpr std::string_view kEuclidExtra = "Euclid Extra";

constexpr CharacterForm escape(uint32_t value) {
    return {Kind::Escape, value, {}};
}
constexpr CharacterForm literal(std::string_view text) {
    return {Kind::Literal, 0, text};
}
constexpr CharacterForm symbol(uint32_t value, std::string_view font) {
    return {Kind::Symbol, value, font};
}
constexpr CharacterForm nothing() {
    return {Kind::Nothing, 0, {}};
}

// Explicit-font slots by font name: the first row whose name test holds applies.
struct SlotRow {
    std::string_view nameHex; // contained in the font's name (hex); empty: any font
    std::string_view style1, style2, style3, otherStyles;
    bool scriptLetters;
};
// clang-format off
constexpr SlotRow kNoUsableFont =
    {"",               "\\mscr0\\msty1\\b ", "\\mscr0\\msty2\\i ", "\\mscr0\\msty3\\b\\i ", "\\mscr0\\msty0 ", false};
constexpr SlotRow kSlotRows[] = {
    // name contains    style 1               style 2               style 3                  other styles         script letters
    {"4672616b747572",   "\\mscr2\\msty1 ",    "\\mscr2\\msty0 ",    "\\mscr2\\msty0 ",       "\\mscr2\\msty0 ",   true},  // Fraktur
    {"4d617468204f6e65", "\\mscr1\\msty1\\b ", "\\mscr0\\msty2\\i ", "\\mscr0\\msty3\\b\\i ", "\\mscr1\\msty0 ",   true},  // Math One
    {"4d6174682054776f", "\\mscr3\\msty0 ",    "\\mscr3\\msty0 ",    "\\mscr3\\msty0 ",       "\\mscr3\\msty0 ",   true},  // Math Two
    {"",                 "\\mscr0\\msty1\\b ", "\\mscr0\\msty2\\i ", "\\mscr0\\msty3\\b\\i ", "\\mscr0\\msty0 ",   false}, // any other
};
// clang-format on

// The font path. A row applies its first form when its condition holds (position, MathType fonts allowed, or both),
// else its second; rows without a condition always give the first.
enum Condition : uint8_t { Always, AtPosition, Allowed, AtPositionAndAllowed };
struct FontPathRow {
    uint16_t code;
    Condition condition;
    uint8_t position;
    CharacterForm form;
    CharacterForm otherwise;
};
// clang-format off
constexpr FontPathRow kFontPathRows[] = {
    // code   condition             position form                             otherwise
    {0x0131, Always,                0,   literal("\\i{\\uc1\\u305\\'3f}"),  {}},
    {0x2268, AtPositionAndAllowed, 154,  symbol(154, kMathTwo),             escape(8808)},
    {0x2269, AtPositionAndAllowed, 155,  symbol(155, kMathTwo),             escape(8809)},
    {0x2270, AtPositionAndAllowed, 150,  symbol(150, kMathTwo),             escape(8816)},
    {0x2271, AtPositionAndAllowed, 151,  symbol(151, kMathTwo),             escape(8817)},
    {0x227C, AtPosition,           176,  escape(10927),                     escape(8828)},
    {0x227D, AtPosition,           177,  escape(10928),                     escape(8829)},
    {0x2296, AtPosition,            36,  escape(8854),                      escape(8861)},
    {0x22DC, Always,                0,   escape(10901),                     {}},
    {0x22DD, Always,                0,   escape(10902),                     {}},
    {0x22E0, Allowed,               0,   symbol(190, kMathTwo),             escape(8928)},
    {0x22E1, Allowed,               0,   symbol(191, kMathTwo),             escape(8929)},
    {0x25A0, Always,                0,   escape(9724),                      {}},
    {0x25A1, Always,                0,   escape(9723),                      {}},
    {0x25CB, Always,                0,   escape(9711),                      {}},
    {0xE90B, Always,                0,   escape(10950),                     {}},
    {0xE90C, Always,                0,   escape(10949),                     {}},
    {0xE922, Always,                0,   escape(10891),                     {}},
    {0xE92D, Always,                0,   escape(10892),                     {}},
    {0xE92E, Allowed,               0,   symbol(136, kMathOne),             escape(8739)},
    {0xE92F, Allowed,               0,   symbol(137, kMathOne),             escape(8741)},
    {0xE932, Always,                0,   escape(10885),                     {}},
    {0xE933, Always,                0,   escape(10886),                     {}},
    {0xE93A, Always,                0,   escape(10935),                     {}},
    {0xE93B, Always,                0,   escape(10936),                     {}},
    {0xEA06, Allowed,               0,   symbol(156, kMathTwo),             escape(8816)},
    {0xEA07, Allowed,               0,   symbol(157, kMathTwo),             escape(8817)},
    {0xEA0B, Allowed,               0,   symbol(225, kMathTwo),             escape(8841)},
    {0xEA0C, Allowed,               0,   symbol(224, kMathTwo),             escape(8840)},
    {0xEA2E, Allowed,               0,   symbol(138, kMathOne),             escape(8740)},
    {0xEA2F, Allowed,               0,   symbol(139, kMathOne),             escape(8742)},
    {0xEA32, Always,                0,   escape(10889),                     {}},
    {0xEA33, Always,                0,   escape(10890),                     {}},
    {0xEA34, Always,                0,   escape(10887),                     {}},
    {0xEA35, Always,                0,   escape(10888),                     {}},
    {0xEA3A, Always,                0,   escape(10937),                     {}},
    {0xEA3B, Always,                0,   escape(10938),                     {}},
    {0xEA40, Always,                0,   escape(10933),                     {}},
    {0xEA41, Always,                0,   escape(10934),                     {}},
    {0xEA42, Allowed,               0,   symbol(216, kMathTwo),             escape(8840)},
    {0xEA43, Allowed,               0,   symbol(217, kMathTwo),             escape(8841)},
    {0xEA44, Always,                0,   escape(10955),                     {}},
    {0xEA45, Always,                0,   escape(10956),                     {}},
    {0xEA46, Allowed,               0,   symbol(222, kMathTwo),             escape(8840)},
    {0xEA47, Allowed,               0,   symbol(223, kMathTwo),             escape(8841)},
    {0xED01, Allowed,               0,   symbol(246, kMathOne),             escape(8513)},
    {0xED02, Always,                0,   literal("\\i{\\uc1\\u567\\'3f}"),  {}},
    {0xFE68, Always,                0,   escape(10189),                     {}},
    {0xFF01, Always,                0,   escape(9674),                      {}},
    {0xFF02, Always,                0,   escape(10731),                     {}},
    {0xFF03, Always,                0,   escape(9651),                      {}},
    {0xFF04, Always,                0,   escape(9661),                      {}},
    {0xFF05, Always,                0,   escape(8904),                      {}},
    {0xFF06, Always,                0,   escape(8812),                      {}},
    {0xFF07, Always,                0,   escape(8960),                      {}},
    {0xFF08, Always,                0,   escape(8765),                      {}},
    {0xFF09, Always,                0,   escape(8909),                      {}},
    {0xFF0A, Always,                0,   escape(8617),                      {}},
    {0xFF0B, Always,                0,   escape(8618),                      {}},
    {0xFF0C, Always,                0,   escape(8672),                      {}},
    {0xFF0D, Always,                0,   escape(8674),                      {}},
    {0xFF0E, Always,                0,   escape(10229),                     {}},
    {0xFF0F, Always,                0,   escape(10230),                     {}},
    {0xFF10, Always,                0,   escape(10231),                     {}},
    {0xFF11, Always,                0,   escape(10232),                     {}},
    {0xFF12, Always,                0,   escape(10233),                     {}},
    {0xFF13, Always,                0,   escape(10234),                     {}},
    {0xFF14, Always,                0,   escape(10236),                     {}},
    {0xFF15, Always,                0,   escape(10815),                     {}},
};

// The MT Extra path's listed codes. In the MTEF version 3 forms typeface 01 is "Euclid Extra" (declared when MathType
// fonts are allowed), 0x81 text, 0x86 symbol and 0x8b MT Extra.
struct MtExtraRow {
    uint16_t code;
    MtExtraForms forms;
};
constexpr MtExtraRow kMtExtraRows[] = {
    // code   Office Math                                  allowed   not allowed
    {0x2102, {literal("{\\mr\\mscr3\\msty0 C}"),           "01a300", "814300"}},
    {0x2115, {literal("{\\mr\\mscr3\\msty0 N}"),           "01a500", "814e00"}},
    {0x211A, {literal("{\\mr\\mscr3\\msty0 Q}"),           "01a400", "815100"}},
    {0x211D, {literal("{\\mr\\mscr3\\msty0 R}"),           "01a100", "815200"}},
    {0x2124, {literal("{\\mr\\mscr3\\msty0 Z}"),           "01a200", "815a00"}},
    {0x2127, {escape(8487),                                "014a00", "86a903"}},
    {0x2221, {escape(8737),                                "015200", "862022"}},
    {0x2222, {escape(8738),                                "015300", "862022"}},
    {0x2225, {escape(8741),                                "015000", "867c00"}},
    {0x223C, {literal("~"),                                "013a00", "863c22"}},
    {0x2243, {escape(8771),                                "013b00", "864522"}},
    {0x2250, {escape(8784),                                "014200", "863d00"}},
    {0x2259, {escape(8793),                                "014100", "863d00"}},
    {0x225C, {escape(8796),                                "014000", "863d00"}},
    {0x226A, {escape(8810),                                "013d00", "863c00"}},
    {0x226B, {escape(8811),                                "013f00", "863e00"}},
    {0x2299, {escape(10752),                               "016500", "869f03"}},
    {0x25A1, {escape(9723),                                "015700", "8ba125"}},
    {0x25AD, {escape(9645),                                "015800", "8bad25"}},
    {0x25B1, {escape(9649),                                "015900", "8bb125"}},
    {0x25B3, {escape(9651),                                "015600", "869403"}},
    {0x25CB, {escape(9711),                                "016400", "869f03"}},
    {0x301A, {literal("[["),                               "01a700", "865b00"}},
    {0x301B, {literal("]]"),                               "01a800", "865d00"}},
    {0xE98F, {escape(8901),                                "016700", "862220"}},
};

// Code -> escape value, for the small tables below.
struct EscapeRow {
    uint16_t code;
    uint16_t value;
};
// MT Extra path, other codes with a non-zero high byte (0x210F is handled apart: it depends on MathType fonts).
constexpr EscapeRow kMtExtraOtherRows[] = {
    {0x2229, 8898}, {0x222A, 8899}, {0xEB01, 8644}, {0xEB02, 8644},
    {0xEB03, 8652}, {0xEB04, 8652}, {0xEB05, 8599}, {0xEB06, 8600},
};
// Non-Greek codes with a non-zero high byte under an 8-bit position (0x2207 is a literal: see wideCharacterForm).
constexpr EscapeRow kWideRows[] = {
    {0x220D, 1014}, {0x2665, 9825}, {0x2666, 9826}, {0xF8EE, 8968},
    {0xF8F0, 8970}, {0xF8F9, 8969}, {0xF8FB, 8971},
};
// clang-format on

template <typename Row, size_t N> const Row* findRow(const Row (&rows)[N], uint16_t code) {
    const Row* row = std::lower_bound(rows, rows + N, code, [](const Row& r, uint16_t c) { return r.code < c; });
    return row != rows + N && row->code == code ? row : nullptr;
}

template <typename Row, size_t N> bool isSorted(const Row (&rows)[N]) {
    for (size_t i = 1; i < N; ++i) {
        if (!(rows[i - 1].code < rows[i].code))
            return false;
    }
    return true;
}

std::string_view styleByNumber(const SlotRow& row, int32_t style) {
    switch (style) {
    case 1:
        return row.style1;
    case 2:
        return row.style2;
    case 3:
        return row.style3;
    default:
        return row.otherStyles;
    }
}
} // namespace

SlotStyle styleOfSlot(const std::string_view* fontNameHex, int32_t style) {
    if (fontNameHex == nullptr)
        return {styleByNumber(kNoUsableFont, style), kNoUsableFont.scriptLetters};
    for (const SlotRow& row : kSlotRows) {
        if (row.nameHex.empty() || fontNameHex->find(row.nameHex) != std::string_view::npos)
            return {styleByNumber(row, style), row.scriptLetters};
    }
    return {styleByNumber(kNoUsableFont, style), false};
}

bool fontPathForm(uint16_t code, uint8_t position, bool mathTypeFontsAllowed, CharacterForm& form) {
    const FontPathRow* row = findRow(kFontPathRows, code);
    if (row == nullptr)
        return false;
    bool holds = true;
    switch (row->condition) {
    case Always:
        break;
    case AtPosition:
        holds = position == row->position;
        break;
    case Allowed:
        holds = mathTypeFontsAllowed;
        break;
    case AtPositionAndAllowed:
        holds = position == row->position && mathTypeFontsAllowed;
        break;
    }
    form = holds ? row->form : row->otherwise;
    return true;
}

bool mtExtraForms(uint16_t code, MtExtraForms& forms) {
    const MtExtraRow* row = findRow(kMtExtraRows, code);
    if (row == nullptr)
        return false;
    forms = row->forms;
    return true;
}

CharacterForm mtExtraOtherForm(uint16_t code, bool mathTypeFontsAllowed) {
    if (code == 0x210F) // h-bar
        return mathTypeFontsAllowed ? symbol(104, kEuclidExtra) : escape(8463);
    const EscapeRow* row = findRow(kMtExtraOtherRows, code);
    return escape(row != nullptr ? row->value : code);
}

CharacterForm wideCharacterForm(uint16_t code) {
    if (code == 0x2207) // nabla, upright
        return literal("\\i0{\\uc1\\u8711\\'3f}");
    const EscapeRow* row = findRow(kWideRows, code);
    return escape(row != nullptr ? row->value : code);
}

CharacterForm mtcodeForm(uint16_t code, bool forceUnicode) {
    switch (code) {
    case 0xEB01: // zero-width space
    case 0xEF01:
        return forceUnicode ? escape(8203) : nothing();
    case 0xEB02:
    case 0xEF02:
    case 0xEB08:
    case 0xEF08:
        return literal(" ");
    case 0xEB04:
    case 0xEF04:
        return literal("  ");
    case 0xEB05:
    case 0xEF05:
        return literal("    ");
    case 0x03C6: // the two phi forms are exchanged
        return escape(981);
    case 0x03D5:
        return escape(966);
    default:
        return escape(code);
    }
}

CharacterForm controlRangeForm(uint8_t charLow) {
    switch (charLow) {
    case 2:
    case 8:
    case 32:
        return literal(" ");
    case 4:
        return literal("  ");
    case 5:
        return literal("    ");
    default:
        return nothing();
    }
}

bool characterTablesAreSorted(const char*& failing) {
    failing = !isSorted(kFontPathRows)       ? "font path"
              : !isSorted(kMtExtraRows)      ? "MT Extra"
              : !isSorted(kMtExtraOtherRows) ? "MT Extra, other codes"
              : !isSorted(kWideRows)         ? "wide characters"
                                             : nullptr;
    return failing == nullptr;
}
