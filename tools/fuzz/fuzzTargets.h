// Fuzz targets of the engine. Each takes one input and returns 0; a broken rule of the output aborts. They are
// driven by libFuzzer (tools/fuzz/*Main.cpp, clang builds) and replayed over the saved findings by the normal tests.
#pragma once

#include <cstddef>
#include <cstdint>

// Input: one byte of switches (bits 0-1 MTEF version 2 + n, bit 2 format, bit 3 "Allow MathType fonts", bit 4
// "Restore broken equations", bit 5 "Force Unicode", bit 6 read as a compound file), then the object's data.
int fuzzConvertEquation(const uint8_t* data, size_t size);

// Input: one byte of switches (bit 0 format), then an RTF document run through the whole pass.
int fuzzRtfPass(const uint8_t* data, size_t size);
