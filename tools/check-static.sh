#!/usr/bin/env bash
# Checks of the builds that need no running: the house rule that only scopedWin.h closes Windows handles and takes
# windows down, the engine's layers (no include reaches up a layer), that the Windows binaries of both
# architectures are what they claim to be, and the format of the product and test code.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
status=0

hits=$(grep -rnE '\b(CloseHandle|RegCloseKey|DeleteObject|DeleteDC|GlobalFree|DestroyWindow)\s*\(|->Release\(\)' \
       "$top"/engine "$top"/framework "$top"/converter_library "$top"/settings_program "$top"/tools "$top"/tests \
       --include='*.cpp' --include='*.h' | grep -v 'framework/scopedWin.h' || true)
if [ -n "$hits" ]; then
    echo "check-static: Windows handles must be closed, and windows taken down, through scopedWin.h:"
    echo "$hits"
    status=1
fi

# The engine's layers, lowest first: a file includes only from its own layer or the ones below it, and names the
# folder of every engine file it includes.
layer_rank() {
    case "$1" in
    platform) echo 0 ;;
    mtef) echo 1 ;;
    objects) echo 2 ;;
    rtf) echo 3 ;;
    *) echo -1 ;;
    esac
}
shopt -s nullglob
for file in "$top"/engine/*.h "$top"/engine/*.cpp; do
    echo "check-static: $file stands in no layer's folder"
    status=1
done
for file in "$top"/engine/*/*.h "$top"/engine/*/*.cpp; do
    own=$(basename "$(dirname "$file")")
    own_rank=$(layer_rank "$own")
    if [ "$own_rank" -lt 0 ]; then
        echo "check-static: $file stands in no layer's folder"
        status=1
        continue
    fi
    while IFS= read -r included; do
        folder=${included%%/*}
        if [ "$folder" = "$included" ]; then
            files=("$top"/engine/*/"$included")
            if [ ${#files[@]} -gt 0 ]; then
                echo "check-static: $file includes \"$included\" without its folder"
                status=1
            fi
            continue
        fi
        rank=$(layer_rank "$folder")
        if [ "$rank" -gt "$own_rank" ]; then
            echo "check-static: $file, of the $own layer, reaches up to \"$included\""
            status=1
        fi
    done < <(sed -n 's/^#include "\([^"]*\)".*/\1/p' "$file")
done

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
# The converter library of each architecture: exactly showOpt (ordinal 1) and showOptSbk (ordinal 2) under their plain
# names, and an export directory that names the library VeltrimSbk.dll.
check_exports() { # file, expected objdump format
    local dump name table
    check_machine "$1" "$2"
    dump=$(objdump -p "$1")
    name=$(sed -n 's/^Name[[:space:]]*[0-9a-f]* \(.*\)$/\1/p' <<<"$dump" | head -n 1)
    if [ "$name" != "VeltrimSbk.dll" ]; then
        echo "check-static: $1 names itself '$name' in its exports, expected VeltrimSbk.dll"
        status=1
    fi
    # Ordinal base 1 with the names in ordinal order: name [0] is ordinal 1.
    table=$(sed -n '/^\[Ordinal\/Name Pointer\] Table/,/^$/p' <<<"$dump" | sed -n 's/^[[:space:]]*\[ *\([0-9]*\)\] \(.*\)$/\1 \2/p' | tr '\n' ';')
    if ! grep -q '^Ordinal Base[[:space:]]*1$' <<<"$dump" || [ "$table" != "0 showOpt;1 showOptSbk;" ]; then
        echo "check-static: $1 exports '$table', expected showOpt at ordinal 1 and showOptSbk at ordinal 2 only"
        status=1
    fi
    if objdump -p "$1" | grep -qiE 'DLL Name: (libstdc|libgcc|libwinpthread)'; then
        echo "check-static: $1 needs a MinGW runtime DLL"
        status=1
    fi
}
for dll in "$top"/build/x64/converter_library/VeltrimSbk64.dll; do check_exports "$dll" pei-x86-64; done
for dll in "$top"/build/x86/converter_library/VeltrimSbk.dll; do check_exports "$dll" pei-i386; done
# Product and test code as the house style's .clang-format lays it out (clang-format 14, as Debian 12 has it). The
# glyph table is the generator's output, written by tools/skinArtwork/makeGlyphTable.sh and never edited by hand.
format=$(command -v clang-format-14 || command -v clang-format || true)
if [ -z "$format" ]; then
    echo "check-static: clang-format is not installed (tools/install-deps.sh installs it)"
    status=1
else
    while IFS= read -r file; do
        if ! "$format" --dry-run -Werror "$top/$file" >/dev/null 2>&1; then
            echo "check-static: $file is not formatted (clang-format -i $file)"
            status=1
        fi
    done < <(cd "$top" && git ls-files '*.cpp' '*.h' | grep -vx 'tools/skinArtwork/glyphTables.h')
fi

[ $status -eq 0 ] && echo "check-static: ok"
exit $status
