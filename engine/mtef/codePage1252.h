// Windows code page 1252 to Unicode, one byte at a time, from a fixed table: the engine gives the same result on every
// system, whatever code page tables the system has installed. Other code pages are not handled here.
#pragma once

#include <cstdint>

// Converts one Windows code page 1252 byte to its Unicode code point. False when the code page leaves the byte
// undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D): the conversion fails for those.
bool convertWindows1252Byte(uint8_t byte, uint16_t& codePoint);
