#!/usr/bin/env bash
# Writes tools/skinArtwork/glyphTables.h: the glyphs of the artwork's texts, rendered once from DejaVu Sans Bold
# (Debian's fonts-dejavu-core) with FreeType (libfreetype-dev) by makeGlyphTable.cpp, which this script compiles.
#   tools/skinArtwork/makeGlyphTable.sh
# The generator draws from the committed table and links no font library, so that its output (the committed artwork,
# which skinArtworkTest compares byte for byte) does not change with the FreeType or font version of a machine. Run
# this after adding a text with new characters or changing a size, then `skinArtwork write artwork`.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
font=/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf
if [ ! -f "$font" ] || ! pkg-config --exists freetype2; then
    echo "makeGlyphTable: needs the Debian packages fonts-dejavu-core and libfreetype-dev (and pkg-config)" >&2
    exit 1
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# shellcheck disable=SC2046 # pkg-config's flags are separate words
g++ -std=c++17 -O1 -Wall -Wextra -Werror -o "$work/makeGlyphTable" "$here/makeGlyphTable.cpp" \
    $(pkg-config --cflags --libs freetype2)
# The characters of each face's texts (skinArtwork.cpp): the window titles, and the module names beside their rows.
titleText="Veltrim Sorvanta Sembrik"
rowText="Veltrim Palvex Dornak Sembrik"
unique() { printf '%s' "$1" | fold -w1 | sort -u | tr -d '\n'; }
"$work/makeGlyphTable" kTitleFace "$font" 16 "$(unique "$titleText")" \
    kRowFace "$font" 12 "$(unique "$rowText")" >"$work/glyphTables.h"
mv "$work/glyphTables.h" "$here/glyphTables.h"
echo "makeGlyphTable: wrote $here/glyphTables.h"
