#!/usr/bin/env bash
# Checks of the builds that need no running: the house rule that only scopedWin.h closes Windows handles, and that the
# Windows binaries of both architectures are what they claim to be.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
status=0

hits=$(grep -rnE '\b(CloseHandle|RegCloseKey|DeleteObject|DeleteDC|GlobalFree)\s*\(|->Release\(\)' "$top"/engine "$top"/framework \
       "$top"/converter_library "$top"/settings_program "$top"/tools "$top"/tests --include='*.cpp' --include='*.h' \
       | grep -v 'framework/scopedWin.h' || true)
if [ -n "$hits" ]; then
    echo "check-static: Windows handles must be closed through scopedWin.h:"
    echo "$hits"
    status=1
fi

check_machine() { # file, expected objdump format
    local format
    format=$(objdump -f "$1" | sed -n 's/.*file format \(.*\)/\1/p')
    if [ "$format" != "$2" ]; then
        echo "check-static: $1 is $format, expected $2"
        status=1
    fi
}
shopt -s nullglob
for exe in "$top"/build/x64/tools/*.exe "$top"/build/x64/settings_program/*.exe; do check_machine "$exe" pei-x86-64; done
for exe in "$top"/build/x86/tools/*.exe "$top"/build/x86/settings_program/*.exe; do check_machine "$exe" pei-i386; done
# Linked statically: no MinGW runtime libraries are needed beside the binaries.
for exe in "$top"/build/x64/tools/*.exe "$top"/build/x86/tools/*.exe "$top"/build/x64/settings_program/*.exe \
    "$top"/build/x86/settings_program/*.exe; do
    if objdump -p "$exe" | grep -qiE 'DLL Name: (libstdc|libgcc|libwinpthread)'; then
        echo "check-static: $exe needs a MinGW runtime DLL"
        status=1
    fi
done
[ $status -eq 0 ] && echo "check-static: ok"
exit $status
