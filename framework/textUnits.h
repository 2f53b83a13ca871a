// Portable pieces of the text file reader and writer: decoding UTF-16 and UTF-32 byte runs into UTF-16 units, where an
// undecodable stretch of UTF-8 ends, packing bytes into integers and back, and trimming white space; also the text of a
// registry string's data. No file or Windows code here, so the native build tests them too; the code pages that need
// the system's tables are decoded in textFileReaderWin.cpp.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// What decoding one run of bytes gave.
struct UnitDecodeResult {
    size_t units = 0;         // UTF-16 units written to the output
    size_t consumed = 0;      // bytes used up (on the last run, every byte)
    bool substituted = false; // left-over or undecodable bytes became "?"
};

// Decodes a run of UTF-16 bytes (big-endian when asked). A surrogate unit travels together with the unit after it;
// when that unit is not complete in the run, decoding stops before the surrogate so that the next run delivers both.
// On the last run, bytes that are left over become one "?". `out` must hold bytes / 2 + 1 units.
UnitDecodeResult decodeUtf16Run(const uint8_t* bytes, size_t count, bool bigEndian, bool lastRun, wchar_t* out);

// Decodes a run of UTF-32 bytes: a value up to 0xFFFF becomes one unit, a value above it its surrogate pair.
// Surrogate code points and values above 0x10FFFF are not characters and become "?". On the last run, an incomplete
// unit becomes one "?". `out` must hold bytes / 2 + 1 units.
UnitDecodeResult decodeUtf32Run(const uint8_t* bytes, size_t count, bool bigEndian, bool lastRun, wchar_t* out);

// UTF-8 (the Unicode standard's table of well-formed byte sequences): how many bytes at the front of a run cannot
// start a well-formed sequence, each judged together with the bytes after it. Counting stops at the first byte that
// starts one, and at a byte whose sequence the end of the run cuts short (the next run may complete it); 0 when the
// first byte starts one. So one bad byte before a good character costs that byte alone, never the character.
size_t utf8UndecodableFront(const uint8_t* bytes, size_t count);

// True when every surrogate unit of the text is half of a pair (high, then low): such a text survives a round trip
// through UTF-8 unchanged.
bool isWellFormedUtf16(const std::wstring& text);

// The text of a registry string from its data, taken as little-endian UTF-16 units: it ends at the first zero unit or
// at the end of the data, whichever comes first. So a value stored without its terminator (with the byte count of its
// characters only, as many programs write it) keeps its last character, and one padded with zeros to a fixed size ends
// at its first zero. An odd last byte is no whole unit and is ignored.
std::wstring registryStringText(const uint8_t* bytes, size_t count);

// Packs 2, 3 or 4 bytes into an integer; little-endian gives byte i the weight 256^i, big-endian gives the last byte
// the weight 1. Any other length, or no bytes, gives 0.
uint32_t bytesToInt(const uint8_t* bytes, size_t length, bool littleEndian);

// The inverse for 2, 3 or 4 bytes. True when the value fitted; any other length, or no buffer, writes nothing and
// gives false.
bool intToBytes(uint8_t* bytes, size_t length, uint32_t value, bool littleEndian);

// The text without the leading and trailing units that `isSpace` accepts.
template <typename IsSpace> std::wstring trimmedBy(const std::wstring& text, IsSpace isSpace) {
    size_t first = 0;
    size_t last = text.size();
    while (first < last && isSpace(text[first]))
        ++first;
    while (last > first && isSpace(text[last - 1]))
        --last;
    return text.substr(first, last - first);
}

// The text without leading and trailing white space as the C runtime's iswspace sees it.
std::wstring trimWideSpaces(const std::wstring& text);
