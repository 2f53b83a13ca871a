// The shape of the glyph tables that makeGlyphTable.sh writes into glyphTables.h: one face at one pixel size, each
// glyph an 8-bit coverage image placed from the pen position on the baseline. Plain data; skinArtwork.cpp lays the
// texts out and blends them.
#pragma once

#include <cstddef>
#include <cstdint>

struct GlyphImage {
    char character;
    int8_t left;     // from the pen to the image's first column
    int8_t top;      // from the baseline up to the image's first row
    uint8_t width;   // of the image, in pixels
    uint8_t height;  // of the image, in pixels
    uint8_t advance; // how far the pen moves on
    uint16_t offset; // the image's first byte in the face's coverage, rows top to bottom
};

// The pen moves `pixels` further (negative: closer) between `left` and `right`.
struct KerningPair {
    char left;
    char right;
    int8_t pixels;
};

struct GlyphFace {
    int32_t pixelSize;
    int32_t ascender; // pixels from the baseline up to the top of the face's line
    const GlyphImage* glyphs;
    size_t glyphCount;
    const unsigned char* coverage;
    const KerningPair* kerning;
    size_t kerningCount;
};
