#!/usr/bin/env bash
# Installs what building and testing need on Debian 12: CMake, Ninja, g++, GoogleTest's sources, the MinGW-w64
# posix cross compilers for x64 and x86, Wine (64-bit) for running the Windows tests, Xvfb for window tests, Wine's
# fonts (the window tests' Tahoma), ImageMagick (screenshots of the test display), and LibreOffice's Writer and Math
# with Python for the test that reads the engine's output with an independent reader (Python also writes the Word
# start-up template), tesseract for the test that reads the artwork's texts back, and Node.js with npm for the
# second reader, the word processor's own reading of Office Math (the npm packages of tools/interop, pinned by its
# package-lock.json), clang 14 with its runtime for the libFuzzer build of the fuzz targets, and clang-format 14 for the format check.
set -euo pipefail
packages=(cmake ninja-build g++ googletest
          g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix binutils-mingw-w64-x86-64 binutils-mingw-w64-i686
          wine wine64 xvfb xauth fonts-wine imagemagick
          python3 libreoffice-writer libreoffice-math tesseract-ocr tesseract-ocr-eng
          clang-14 libclang-rt-14-dev clang-format-14)
# Debian's nodejs and npm, unless a node with its npm is installed already (another distribution of Node.js ships
# npm inside its nodejs package, which Debian's npm would conflict with).
command -v node >/dev/null && command -v npm >/dev/null || packages+=(nodejs npm)
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# The stylesheet's packages, exactly as locked; installed again only when the lock file changes.
interop=$(cd "$(dirname "$0")/interop" && pwd)
if ! cmp -s "$interop/package-lock.json" "$interop/node_modules/.installed-lock.json"; then
    (cd "$interop" && npm ci --no-audit --no-fund --loglevel=error)
    cp "$interop/package-lock.json" "$interop/node_modules/.installed-lock.json"
fi
