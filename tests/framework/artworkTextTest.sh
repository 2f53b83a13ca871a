#!/usr/bin/env bash
# Reads the texts of the committed backgrounds back with an OCR engine (Debian's tesseract-ocr) where a user looks
# for them: each window's name in its header, and in the settings program's the module names left of the module
# rows' buttons (x 183, rows at y 74, 100 and 126). Each region is cut out alone, enlarged and read as one line.
#   artworkTextTest.sh ARTWORK-DIR
# Skipped (exit code 77) without tesseract or ImageMagick.
set -uo pipefail
artwork=$1
if ! command -v tesseract >/dev/null || ! command -v convert >/dev/null; then
    echo "artworkTextTest: skipped, needs tesseract-ocr and imagemagick"
    exit 77
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0

# background, region (width x height + x + y), expected reading
cases=(
    "settingsProgram/background.bmp|360x40+40+0|Veltrim Sorvanta"
    "settingsProgram/background.bmp|140x26+40+74|Veltrim Palvex"
    "settingsProgram/background.bmp|140x26+40+100|Veltrim Dornak"
    "settingsProgram/background.bmp|140x26+40+126|Veltrim Sembrik"
    "settingsProgram/skins/graphite/main.bmp|360x40+40+0|Veltrim Sorvanta"
    "settingsProgram/skins/graphite/main.bmp|140x26+40+74|Veltrim Palvex"
    "settingsProgram/skins/graphite/main.bmp|140x26+40+100|Veltrim Dornak"
    "settingsProgram/skins/graphite/main.bmp|140x26+40+126|Veltrim Sembrik"
    "converterLibrary/background.bmp|360x40+40+0|Veltrim Sembrik"
    "converterLibrary/skins/graphite/main.bmp|360x40+40+0|Veltrim Sembrik"
)
for i in "${!cases[@]}"; do
    IFS='|' read -r file region expected <<<"${cases[$i]}"
    convert "$artwork/$file" -crop "$region" +repage -scale 400% "$work/region.png"
    reading=$(tesseract "$work/region.png" - --psm 7 2>/dev/null | tr -d '\f' | head -n 1)
    if [ "$reading" != "$expected" ]; then
        echo "FAILED: row $i: $file at $region reads '$reading', expected '$expected'" >&2
        failures=$((failures + 1))
    fi
done
[ "$failures" -eq 0 ] && echo "artworkTextTest: ok"
exit $((failures > 0))
