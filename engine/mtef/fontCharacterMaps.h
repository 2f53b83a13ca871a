// The font character maps of MTEF versions 2 and 4: in those versions a CHAR record holds one byte, a position in the
// font its typeface selects. The Symbol font (typefaces 132-134), MT Extra (typeface 139) and the font of the
// expanding delimiters and arrows (typeface 150) are not laid out like a text code page, so the character translation
// first replaces the position by its 16-bit code (Unicode, or an MTCode private-use value) and then treats that code
// like an MTCode of versions 3 and 5. Choosing the map by typeface and version is the caller's business.
#pragma once

#include <cstdint>

// Each replaces (charLow, charHigh) by the map's 16-bit code for the font position charLow, and leaves both unchanged
// when the map does not list that position. Callers pass charHigh 0.
void mapSymbolFontChar(uint8_t& charLow, uint8_t& charHigh); // typefaces 132-134
void mapMtExtraChar(uint8_t& charLow, uint8_t& charHigh);    // typeface 139
void mapExpandingChar(uint8_t& charLow, uint8_t& charHigh);  // typeface 150
