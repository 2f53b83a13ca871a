// Renders the glyphs that the artwork's texts need, once, with FreeType, and prints them as a C++ header of coverage
// tables for the artwork generator (skinArtwork.cpp draws its texts from them and links no font library). Run by
// makeGlyphTable.sh, which names the fonts, sizes and characters; not part of the build.
//   makeGlyphTable FACE-NAME FONT-FILE PIXELS CHARACTERS [FACE-NAME FONT-FILE PIXELS CHARACTERS ...]
// Each face becomes one GlyphFace (glyphFace.h) named FACE-NAME: its glyphs in the order of CHARACTERS (printable
// ASCII only), their 8-bit coverage row by row, and the kerning pairs among them that the font's kerning table gives.
#include <ft2build.h>
#include FT_FREETYPE_H

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {
struct Glyph {
    char character;
    int left, top, width, height, advance;
    size_t offset;
};

struct Kerning {
    char left, right;
    int pixels;
};

// Prints `values` as rows of decimal numbers that stay within the house line width.
void printCoverage(const std::vector<unsigned char>& values) {
    std::string line = "   ";
    for (unsigned char value : values) {
        const std::string item = " " + std::to_string(value) + ",";
        if (line.size() + item.size() > 118) {
            std::printf("%s\n", line.c_str());
            line = "   ";
        }
        line += item;
    }
    if (line.size() > 3)
        std::printf("%s\n", line.c_str());
}

bool printFace(FT_Library library, const char* name, const char* file, int pixels, const std::string& characters) {
    FT_Face face = nullptr;
    if (FT_New_Face(library, file, 0, &face) != 0 || FT_Set_Pixel_Sizes(face, 0, FT_UInt(pixels)) != 0) {
        std::fprintf(stderr, "makeGlyphTable: cannot open %s at %d pixels\n", file, pixels);
        return false;
    }
    std::vector<Glyph> glyphs;
    std::vector<unsigned char> coverage;
    for (char c : characters) {
        // Light hinting: stems and the baseline snap to the pixel grid vertically, the shapes keep their widths.
        if (c < 0x20 || c > 0x7E || FT_Load_Char(face, FT_ULong(c), FT_LOAD_RENDER | FT_LOAD_TARGET_LIGHT) != 0) {
            std::fprintf(stderr, "makeGlyphTable: no glyph for '%c' in %s\n", c, file);
            FT_Done_Face(face);
            return false;
        }
        const FT_GlyphSlot slot = face->glyph;
        const FT_Bitmap& bitmap = slot->bitmap;
        Glyph glyph{c,
                    slot->bitmap_left,
                    slot->bitmap_top,
                    int(bitmap.width),
                    int(bitmap.rows),
                    int((slot->advance.x + 32) >> 6),
                    coverage.size()};
        // The fields of GlyphImage are narrow: a glyph that does not fit them is refused, never cut.
        if (glyph.left < -128 || glyph.left > 127 || glyph.top < -128 || glyph.top > 127 || glyph.width > 255 ||
            glyph.height > 255 || glyph.advance < 0 || glyph.advance > 255 ||
            coverage.size() + size_t(glyph.width) * size_t(glyph.height) > 65535) {
            std::fprintf(stderr, "makeGlyphTable: '%c' of %s at %d pixels does not fit the table\n", c, file, pixels);
            FT_Done_Face(face);
            return false;
        }
        for (unsigned row = 0; row < bitmap.rows; ++row)
            for (unsigned column = 0; column < bitmap.width; ++column)
                coverage.push_back(bitmap.buffer[row * unsigned(bitmap.pitch) + column]);
        glyphs.push_back(glyph);
    }
    std::vector<Kerning> kerning;
    if (FT_HAS_KERNING(face))
        for (char a : characters)
            for (char b : characters) {
                FT_Vector delta{};
                FT_Get_Kerning(face, FT_Get_Char_Index(face, FT_ULong(a)), FT_Get_Char_Index(face, FT_ULong(b)),
                               FT_KERNING_DEFAULT, &delta);
                if (delta.x != 0)
                    kerning.push_back({a, b, int(delta.x >> 6)});
            }

    std::printf("\n// %s %s at %d pixels.\n", face->family_name, face->style_name, pixels);
    std::printf("inline constexpr unsigned char %sCoverage[] = {\n", name);
    printCoverage(coverage);
    std::printf("};\ninline constexpr GlyphImage %sGlyphs[] = {\n", name);
    std::printf("    // character, left, top, width, height, advance, first coverage byte\n");
    for (const Glyph& g : glyphs)
        std::printf("    {'%s%c', %d, %d, %d, %d, %d, %zu},\n", g.character == '\'' || g.character == '\\' ? "\\" : "",
                    g.character, g.left, g.top, g.width, g.height, g.advance, g.offset);
    std::printf("};\n");
    if (!kerning.empty()) {
        std::printf("inline constexpr KerningPair %sKerning[] = {\n    // left, right, pixels\n", name);
        for (const Kerning& k : kerning)
            std::printf("    {'%c', '%c', %d},\n", k.left, k.right, k.pixels);
        std::printf("};\n");
    }
    std::printf("inline constexpr GlyphFace %s = {%d, %ld, %sGlyphs, std::size(%sGlyphs),\n", name, pixels,
                long((face->size->metrics.ascender + 32) >> 6), name, name);
    if (kerning.empty())
        std::printf("                                %sCoverage, nullptr, 0};\n", name);
    else
        std::printf("                                %sCoverage, %sKerning, std::size(%sKerning)};\n", name, name,
                    name);
    FT_Done_Face(face);
    return true;
}
} // namespace

int main(int argc, char** argv) {
    if (argc < 5 || (argc - 1) % 4 != 0) {
        std::fprintf(stderr, "usage: makeGlyphTable FACE-NAME FONT-FILE PIXELS CHARACTERS [...]\n");
        return 2;
    }
    FT_Library library = nullptr;
    if (FT_Init_FreeType(&library) != 0) {
        std::fprintf(stderr, "makeGlyphTable: FreeType does not start\n");
        return 1;
    }
    FT_Int major = 0, minor = 0, patch = 0;
    FT_Library_Version(library, &major, &minor, &patch);
    std::printf("// The glyphs of the artwork's texts, rendered by tools/skinArtwork/makeGlyphTable.sh with FreeType "
                "%d.%d.%d\n// (8-bit coverage, light hinting). Generated: do not edit; run the script again instead.\n"
                "#pragma once\n\n#include \"glyphFace.h\"\n\n#include <iterator>\n",
                int(major), int(minor), int(patch));
    bool ok = true;
    for (int i = 1; ok && i + 3 < argc; i += 4)
        ok = printFace(library, argv[i], argv[i + 1], std::atoi(argv[i + 2]), argv[i + 3]);
    FT_Done_FreeType(library);
    return ok ? 0 : 1;
}
