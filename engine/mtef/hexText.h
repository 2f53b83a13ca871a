// Binary data inside the engine travels as hexadecimal text, two characters a byte: read in either letter case,
// written in lowercase.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// The value of a byte written as two characters. Like the C library's base-16 conversion, the number ends at the
// first character that is not a hex digit: "a?" is 10 and "?a" is 0. Never fails.
uint8_t hexPairValue(char high, char low);

// Decodes size / 2 bytes into `out` (an odd last character is ignored: it is half a byte).
void decodeHexText(std::string_view hex, uint8_t* out);

// Appends bytes as lowercase hex.
void appendHexText(std::string& out, const uint8_t* bytes, size_t count);

// The number that `count` bytes (at most 8) written as hex from `hex` on give in little-endian order, each pair read
// as hexPairValue reads it: one field of binary data held as hex, read without decoding anything around it.
uint64_t hexLittleEndianValue(const char* hex, size_t count);

// Writes the bytes that `count` pairs of hex text stand for as lowercase hex into out[0, 2 * count): the characters
// decodeHexText followed by appendHexText would give, without the bytes in between. `out` may be `hex` itself (each
// pair is read before it is written), not a part of it elsewhere.
void writeLowercaseHex(const char* hex, size_t count, char* out);
