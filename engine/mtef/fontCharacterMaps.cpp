// The three font character maps, written out row by row as the font tables print them so that each line can be
// checked against its printed row. A 0 cell (kNotListed) is a position the map does not list, "-" in the printed
// tables: such a position keeps its own value. Rows with nothing listed, and positions below 0x20, have no line.
#include "mtef/fontCharacterMaps.h"

#include <algorithm>
#include <cstddef>
#include <iterator>

namespace {
constexpr uint16_t kNotListed = 0;

struct FontMapRow {
    uint8_t row;        // the position of column x0: a multiple of 16
    uint16_t codes[16]; // the codes of positions row + 0x0 to row + 0xF; kNotListed where the map lists nothing
};

struct FontMapEntry {
    uint8_t position; // the font position
    uint16_t code;    // its code
};

// clang-format off
// Symbol font, typefaces 132-134: positions 0x20-0xF2. Rows 0x80 and 0x90 list nothing.
constexpr FontMapRow kSymbolRows[] = {
    // row  x0      x1      x2      x3      x4      x5      x6      x7      x8      x9      xA      xB      xC      xD      xE      xF
    {0x20, {0x0020, 0x0021, 0x2200, 0x0023, 0x2203, 0x0025, 0x0026, 0x220D, 0x0028, 0x0029, 0x2217, 0x002B, 0x002C, 0x2212, 0x002E, 0x002F}},
    {0x30, {0x0030, 0x0031, 0x0032, 0x0033, 0x0034, 0x0035, 0x0036, 0x0037, 0x0038, 0x0039, 0x003A, 0x003B, 0x003C, 0x003D, 0x003E, 0x003F}},
    {0x40, {0x2245, 0x0391, 0x0392, 0x03A7, 0x0394, 0x0395, 0x03A6, 0x0393, 0x0397, 0x0399, 0x03D1, 0x039A, 0x039B, 0x039C, 0x039D, 0x039F}},
    {0x50, {0x03A0, 0x0398, 0x03A1, 0x03A3, 0x03A4, 0x03A5, 0x03C2, 0x03A9, 0x039E, 0x03A8, 0x0396, 0x005B, 0x2234, 0x005D, 0x22A5, 0x005F}},
    {0x60, {0xF8E5, 0x03B1, 0x03B2, 0x03C7, 0x03B4, 0x03B5, 0x03C6, 0x03B3, 0x03B7, 0x03B9, 0x03D5, 0x03BA, 0x03BB, 0x03BC, 0x03BD, 0x03BF}},
    {0x70, {0x03C0, 0x03B8, 0x03C1, 0x03C3, 0x03C4, 0x03C5, 0x03D6, 0x03C9, 0x03BE, 0x03C8, 0x03B6, 0x007B, 0x007C, 0x007D, 0x223C,      0}},
    {0xA0, {     0, 0x03D2, 0x2032, 0x2264, 0x2044, 0x221E, 0x0192, 0x2663, 0x2666, 0x2665, 0x2660, 0x2194, 0x2190, 0x2191, 0x2192, 0x2193}},
    {0xB0, {0x00B0, 0x00B1, 0x2033, 0x2265, 0x00D7, 0x221D, 0x2202, 0x2022, 0x00F7, 0x2260, 0x2261, 0x2248, 0x2026, 0xF8E6, 0xF8E7, 0x21B5}},
    {0xC0, {0x2135, 0x2111, 0x211C, 0x2118, 0x2297, 0x2295, 0x2205, 0x2229, 0x222A, 0x2283, 0x2287, 0x2284, 0x2282, 0x2286, 0x2208, 0x2209}},
    {0xD0, {0x2220, 0x2207, 0x00AE, 0x00A9, 0x2122, 0x220F, 0x221A, 0x22C5, 0x00AC, 0x2227, 0x2228, 0x21D4, 0x21D0, 0x21D1, 0x21D2, 0x21D3}},
    {0xE0, {0x22C4, 0x2329, 0xF8E8, 0xF8E9, 0xF8EA, 0x2211,      0,      0,      0,      0,      0,      0,      0,      0,      0,      0}},
    {0xF0, {0xF8FF, 0x232A, 0x222B,      0,      0,      0,      0,      0,      0,      0,      0,      0,      0,      0,      0,      0}},
};

// MT Extra, typeface 139: positions 0x20-0xFF. Row 0x90 lists nothing. 0x6E really is U+FFFD, and 0x67 is 0xE98F
// as printed, outside the private-use blocks the other entries use.
constexpr FontMapRow kMtExtraRows[] = {
    // row  x0      x1      x2      x3      x4      x5      x6      x7      x8      x9      xA      xB      xC      xD      xE      xF
    {0x20, {0x0020,      0,      0, 0x0300, 0x0302, 0x0303, 0x0307,      0, 0x2323, 0x2322,      0,      0,      0,      0,      0,      0}},
    {0x30, {     0,      0,      0,      0,      0,      0,      0,      0,      0,      0, 0x223C, 0x2243, 0x22B2, 0x226A, 0x22B3, 0x226B}},
    {0x40, {0x225C, 0x2259, 0x2250, 0x2210, 0x019B,      0,      0,      0,      0, 0x2229, 0x2127, 0x2026, 0x22EF, 0x22EE, 0x22F0, 0x22F1}},
    {0x50, {0x2225, 0x2235, 0x2221, 0x2222,      0, 0x222A, 0x25B3, 0x25A1, 0x25AD, 0x25B1, 0x2197, 0x2199, 0xEB05, 0x2198, 0x2196, 0xEB06}},
    {0x60, {0x2035, 0x21A6, 0x2195, 0x21D5, 0x25CB, 0x2299, 0x227B, 0xE98F, 0x210F, 0xEE00, 0xEE01,      0, 0x2113, 0x2213, 0xFFFD, 0x2218}},
    {0x70, {0x227A, 0xEB1A, 0x20D7, 0x20D6, 0x20E1, 0xEB00, 0x20D1, 0x20D0, 0xEB19,      0,      0, 0xFE38, 0xEC0C, 0xFE37, 0xEC0D,      0}},
    {0x80, {0x21C4, 0xEB01, 0xEB02, 0x21CC, 0xEB03, 0xEB04, 0x21C0, 0x21BD, 0xF8E7,      0,      0,      0,      0,      0,      0,      0}},
    {0xA0, {     0, 0x211D, 0x2124, 0x2102, 0x211A, 0x2115,      0, 0x301A, 0x301B,      0,      0,      0,      0,      0,      0,      0}},
    {0xB0, {0xEE04, 0xEE05, 0xEE06,      0,      0, 0xEE07, 0xEE08, 0xEE09,      0,      0, 0xEE0A, 0xEE0B, 0xEE0C,      0,      0,      0}},
    {0xC0, {0xEE0D,      0,      0,      0,      0,      0,      0,      0,      0,      0,      0,      0,      0,      0,      0,      0}},
    {0xD0, {     0, 0xEE11, 0xEE12, 0xEE13,      0, 0xEE15, 0xEE16,      0,      0,      0,      0,      0,      0,      0,      0,      0}},
    {0xE0, {     0,      0,      0,      0,      0,      0,      0, 0xF8FF, 0x0160, 0x00DD, 0x00DE, 0x00D0, 0x0161, 0x00FD, 0x00FE, 0x00F0}},
    {0xF0, {0xFB01, 0xFB02,      0,      0,      0,      0,      0,      0,      0, 0x2044, 0x00A6, 0x02DD, 0x02D8, 0x02C7, 0x02DA, 0x02DB}},
};

// Expanding delimiters and arrows, typeface 150: positions 0x41-0xFB, few enough to list one by one. The printed table
// runs in three column pairs; read down each pair in turn, they are in position order.
constexpr FontMapEntry kExpandingEntries[] = {
    // position  code
    {0x41, 0xFE37},
    {0x42, 0xFE38},
    {0x43, 0x2192},
    {0x44, 0x2190},
    {0x45, 0x2194},
    {0x61, 0xEC07},
    {0x62, 0xEC08},
    {0x63, 0xEC09},
    {0x64, 0xEC0A},
    {0x65, 0x2329},
    {0x66, 0x232A},
    {0xE9, 0xF8EE},
    {0xEB, 0xF8F0},
    {0xF9, 0xF8F9},
    {0xFB, 0xF8FB},
};
// clang-format on

// The lookups below binary-search by row or position: the tables must be sorted, without repeats.
template <size_t N> constexpr bool rowsAreOrdered(const FontMapRow (&rows)[N]) {
    for (size_t i = 0; i < N; ++i) {
        if (rows[i].row % 16 != 0 || (i > 0 && rows[i - 1].row >= rows[i].row))
            return false;
    }
    return true;
}

template <size_t N> constexpr bool entriesAreOrdered(const FontMapEntry (&entries)[N]) {
    for (size_t i = 1; i < N; ++i) {
        if (entries[i - 1].position >= entries[i].position)
            return false;
    }
    return true;
}

static_assert(rowsAreOrdered(kSymbolRows), "Symbol font rows out of order");
static_assert(rowsAreOrdered(kMtExtraRows), "MT Extra rows out of order");
static_assert(entriesAreOrdered(kExpandingEntries), "expanding font entries out of order");

template <size_t N> uint16_t findInRows(const FontMapRow (&rows)[N], uint8_t position) {
    const uint8_t row = uint8_t(position & 0xF0);
    const FontMapRow* found = std::lower_bound(std::begin(rows), std::end(rows), row,
                                               [](const FontMapRow& r, uint8_t key) { return r.row < key; });
    if (found == std::end(rows) || found->row != row)
        return kNotListed;
    return found->codes[position & 0x0F];
}

template <size_t N> uint16_t findInEntries(const FontMapEntry (&entries)[N], uint8_t position) {
    const FontMapEntry* found = std::lower_bound(std::begin(entries), std::end(entries), position,
                                                 [](const FontMapEntry& e, uint8_t key) { return e.position < key; });
    if (found == std::end(entries) || found->position != position)
        return kNotListed;
    return found->code;
}

void applyCode(uint16_t code, uint8_t& charLow, uint8_t& charHigh) {
    if (code == kNotListed)
        return;
    charLow = uint8_t(code & 0xFF);
    charHigh = uint8_t(code >> 8);
}
} // namespace

void mapSymbolFontChar(uint8_t& charLow, uint8_t& charHigh) {
    applyCode(findInRows(kSymbolRows, charLow), charLow, charHigh);
}

void mapMtExtraChar(uint8_t& charLow, uint8_t& charHigh) {
    applyCode(findInRows(kMtExtraRows, charLow), charLow, charHigh);
}

void mapExpandingChar(uint8_t& charLow, uint8_t& charHigh) {
    applyCode(findInEntries(kExpandingEntries, charLow), charLow, charHigh);
}
