#!/usr/bin/env bash
# Runs tools/install-wine.sh twice into a temporary prefix with the binaries of BUILD and checks the installation:
# the files of both folders, the machine-wide keys in the 32-bit view, that the second run gives the same files and
# keys, and that it keeps a per-user switch the user changed in between.
#   installTest.sh SOURCE BUILD
set -euo pipefail
source=$1
build=$2
prefix=$(mktemp -d "$build/installTestPrefix.XXXXXX")
source "$source/tools/wine/wineEnv.sh"
wineEnv "$prefix"
cleanup() {
    wineStopServer /dev/null
    rm -rf "$prefix" "$prefix.log"
}
trap cleanup EXIT
failures=0
fail() {
    echo "FAILED: $*" >&2
    failures=$((failures + 1))
}

install() { VELTRIM_INSTALL_BUILD=$build bash "$source/tools/install-wine.sh" "$prefix" >"$prefix.out"; }
regValue() { # key value -> the value's data as reg query prints it, or nothing
    timeout 60 wine reg query "$1" /v "$2" /reg:32 </dev/null 2>/dev/null | tr -d '\r' |
        awk -v name="$2" '$1 == name {print $NF}'
}
snapshot() { # every installed file with its checksum, then the machine-wide keys
    (cd "$prefix/drive_c/Program Files/Veltrim" && find . -type f -print0 | sort -z | xargs -0 sha256sum)
    find "$prefix/drive_c/Program Files/Veltrim" -type d | sed "s|$prefix||" | sort
    timeout 60 wine reg query 'HKLM\Software\Veltrim' /s /reg:32 </dev/null 2>/dev/null | tr -d '\r'
}

install
grep -q "^Wine prefix: *$prefix$" "$prefix.out" || fail "the prefix is not printed"
grep -q 'C:\\Program Files\\Veltrim' "$prefix.out" || fail "the install folder is not printed"
root="$prefix/drive_c/Program Files/Veltrim"
for file in main/VeltrimOptions.exe main/btmm main/btmb main/btmi main/Veltrim.dotm main/skin/graphite/skin.txt \
    main/help/index.html main/help/utilities.html main/help/sembrik.html main/language/german/language.txt \
    main/language/german/help/index.html main/language/german/help/utilities.html \
    main/language/german/help/sembrik.html sembrik/VeltrimSbk64.dll sembrik/btmm sembrik/btmb sembrik/btmi \
    sembrik/skin/graphite/skin.txt; do
    [ -s "$root/$file" ] || fail "$file is missing or empty"
done
[ -d "$root/sembrik/language" ] || fail "the module's language folder is missing"
# Every link between the help pages leads to a page of the same folder.
for page in "$root"/main/help/*.html "$root"/main/language/german/help/*.html; do
    for target in $(grep -o 'href="[^"]*"' "$page" | sed 's/href="\(.*\)"/\1/'); do
        [ -f "$(dirname "$page")/$target" ] || fail "$page links to the missing $target"
    done
done

for module in main sembrik; do
    key="HKLM\\Software\\Veltrim\\$module"
    path=$(timeout 60 wine reg query "$key" /v path /reg:32 </dev/null 2>/dev/null | tr -d '\r' |
        sed -n 's/^ *path *REG_SZ *//p')
    [ "$path" = 'C:\Program Files\Veltrim' ] || fail "$module path is '$path'"
    [ "$(regValue "$key" version)" = 0xb00 ] || fail "$module version"
    [ "$(regValue "$key" instLanguage)" = 1033 ] || fail "$module instLanguage"
done
[ "$(regValue 'HKLM\Software\Veltrim\main' serverMode)" = 0x0 ] || fail "serverMode"
[ "$(regValue 'HKCU\Software\Veltrim\sembrik' eqVersion)" = 0x1 ] || fail "the default eqVersion"

first=$(snapshot)
timeout 60 wine reg add 'HKCU\Software\Veltrim\sembrik' /v eqVersion /t REG_DWORD /d 0 /f /reg:32 \
    </dev/null >/dev/null 2>&1
echo stale >"$root/main/stale.txt"
install
[ "$first" = "$(snapshot)" ] || fail "the second run gives another installation"
[ "$(regValue 'HKCU\Software\Veltrim\sembrik' eqVersion)" = 0x0 ] || fail "the second run reset the user's eqVersion"

[ "$failures" -eq 0 ] || exit 1
echo "installation checked"
