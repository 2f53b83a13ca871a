// The fixed tables of the character translation: the run styles of typefaces and explicit fonts, and the special
// Office Math and MTEF version 3 forms of characters on each path of a CHAR record. Tables that are looked up by code
// are sorted for binary search (a test checks it).
#pragma once

#include <cstdint>
#include <string_view>

// How a table says a character is written in Office Math.
struct CharacterForm {
    enum Kind : uint8_t {
        Escape,  // "{\uc1\u%d\'3f}" of `value`
        Literal, // `text` as it stands
        Symbol,  // a SYMBOL field of `value` in the font named `text`
        Nothing, // no text at all
    };
    Kind kind = Nothing;
    uint32_t value = 0;
    std::string_view text;
};

// Typeface styles 128 and above: the run's script and style words (each ends in a blank). Constant, so that the
// character translation can build its runs' fixed heads from it at compile time.
constexpr std::string_view styleTextOfTypeface(uint8_t typeface) {
    switch (typeface) {
    case 129: // text
    case 130: // function
    case 133: // upper-case Greek
    case 136: // number
        return "\\mscr0\\msty0 ";
    case 135: // vector
        return "\\mscr0\\msty1\\b ";
    case 137: // user 1
    case 138: // user 2
        return "\\mscr0\\msty3\\b\\i ";
    default: // variable, lower-case Greek, symbol, MT Extra, expanding and the rest
        return "\\mscr0\\msty2\\i ";
    }
}

// Explicit-font slots: style words by the slot's font name (hex with its zero byte; null for no usable font) and
// style, and whether letters of that font take the run's script instead of a mapping.
struct SlotStyle {
    std::string_view styleText;
    bool scriptLetters = false;
};
SlotStyle styleOfSlot(const std::string_view* fontNameHex, int32_t style);

// The font path of an 8-bit position: the form of `code`, false when the table does not list it.
bool fontPathForm(uint16_t code, uint8_t position, bool mathTypeFontsAllowed, CharacterForm& form);

// The MT Extra path's listed codes: the Office Math form and the two MTEF version 3 forms (typeface byte, then the
// character low byte first, as hex).
struct MtExtraForms {
    CharacterForm officeMath;
    std::string_view v3Allowed;
    std::string_view v3NotAllowed;
};
bool mtExtraForms(uint16_t code, MtExtraForms& forms);

// The MT Extra path's other codes with a non-zero high byte (Office Math); every code has a form.
CharacterForm mtExtraOtherForm(uint16_t code, bool mathTypeFontsAllowed);

// Non-Greek codes with a non-zero high byte read with an 8-bit position (Office Math); every code has a form.
CharacterForm wideCharacterForm(uint16_t code);

// Codes with a non-zero high byte read without a position (Office Math): the MTCode spaces and the phi swap.
CharacterForm mtcodeForm(uint16_t code, bool forceUnicode);

// Bytes below 33 read without a position (Office Math): the space codes of versions 2-4 and the control range.
CharacterForm controlRangeForm(uint8_t charLow);

// For tests: true when every table looked up by code is sorted by code without repeats; otherwise false and the
// table's name in `failing`.
bool characterTablesAreSorted(const char*& failing);
