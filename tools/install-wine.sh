#!/usr/bin/env bash
# Installs the suite into a Wine prefix as the suite's own installer leaves a machine:
#   tools/install-wine.sh [PREFIX]        (default build/wine-install)
# Builds what is missing (tools/build.sh x64), makes the prefix once (crash dialog off), then lays out
# "C:\Program Files\Veltrim" with main\ (VeltrimOptions.exe, artwork, skins, translations, help pages, Veltrim.dotm)
# and sembrik\ (VeltrimSbk64.dll, artwork, skins, language folder), and writes the machine-wide keys in the 32-bit
# registry view. The install folder and the machine-wide keys are replaced on every run, so running it twice gives
# the same installation; the per-user defaults of the Sembrik module are written only where the user has none yet.
# VELTRIM_INSTALL_BUILD=DIR takes the binaries from an existing x64 build folder and builds nothing (the test run).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
prefix=${1:-$top/build/wine-install}
mkdir -p "$prefix"
prefix=$(cd "$prefix" && pwd)

source "$top/tools/wine/wineEnv.sh"
wineEnv "$prefix"
log="$prefix.log"

if [ -n "${VELTRIM_INSTALL_BUILD:-}" ]; then
    build=$VELTRIM_INSTALL_BUILD
else
    for tool in wine wineboot cmake ninja x86_64-w64-mingw32-g++-posix python3; do
        if ! command -v "$tool" >/dev/null; then
            bash "$top/tools/install-deps.sh"
            break
        fi
    done
    build=$top/build/x64
    bash "$top/tools/build.sh" x64
fi
options=$build/settings_program/VeltrimOptions.exe
mainFiles=$build/settings_program/install/main
sembrikFiles=$build/sembrikInstall/sembrik
for needed in "$options" "$mainFiles/btmm" "$mainFiles/help/index.html" "$sembrikFiles/VeltrimSbk64.dll"; do
    if [ ! -e "$needed" ]; then
        echo "install-wine: $needed is missing from the build" >&2
        exit 1
    fi
done

# The prefix, made once. A prefix whose making was cut short has no marker and is made again; a folder that holds
# something other than a Wine prefix is left alone.
if [ ! -f "$prefix/$kWineReadyMarker" ]; then
    if [ -n "$(ls -A "$prefix")" ] && [ ! -f "$prefix/system.reg" ] && [ ! -d "$prefix/drive_c" ]; then
        echo "install-wine: $prefix is neither empty nor a Wine prefix" >&2
        exit 1
    fi
    find "$prefix" -mindepth 1 -delete
    wineInitPrefix "$log"
fi

# The install folder, laid out afresh.
installRoot="$prefix/drive_c/Program Files/Veltrim"
rm -rf "$installRoot"
mkdir -p "$installRoot"
cp -r "$mainFiles" "$installRoot/main"
cp "$options" "$installRoot/main/"
cp -r "$sembrikFiles" "$installRoot/sembrik"
# The module ships no translation of its own yet: its language folder is there, empty, so English is used.
mkdir -p "$installRoot/sembrik/language"
wineCopyFonts

# The registry. Version 0xB00 of the main program and the module: from it on the settings program opens the module
# window through the options library (VeltrimSbk64.dll); below 0xF00 it looks for no processing library, which is not
# built yet. "1033" (English) as the installed language; serverMode 0, since this is a desktop installation.
winePath='C:\Program Files\Veltrim'
version=0xB00
reg() { timeout 60 wine reg "$@" /reg:32 </dev/null >>"$log" 2>&1; }
reg delete 'HKLM\Software\Veltrim' /f || true
for module in main sembrik; do
    key="HKLM\\Software\\Veltrim\\$module"
    reg add "$key" /v path /t REG_SZ /d "$winePath" /f
    reg add "$key" /v version /t REG_DWORD /d "$version" /f
    reg add "$key" /v instLanguage /t REG_SZ /d 1033 /f
done
reg add 'HKLM\Software\Veltrim\main' /v serverMode /t REG_DWORD /d 0 /f
# The module's conversion switches at their defaults: Microsoft Equation, Force Unicode on, restore broken equations
# and MathType fonts off, start-up, statistics and progress window on.
userKey='HKCU\Software\Veltrim\sembrik'
if ! reg query "$userKey"; then
    for value in eqVersion:1 isUniPrime:1 isOleRestore:0 isEuclid:0 isStartup:1 isStatistics:1 isProgressWin:1; do
        reg add "$userKey" /v "${value%%:*}" /t REG_DWORD /d "${value##*:}" /f
    done
fi
# The registry reaches the prefix's files when the server ends.
timeout 120 wineserver -w

echo "Wine prefix:    $prefix"
echo "Install folder: $installRoot ($winePath)"
