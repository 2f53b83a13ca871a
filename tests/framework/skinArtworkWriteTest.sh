#!/usr/bin/env bash
# Runs the artwork generator's write into places where files cannot be written and checks that it says which file
# failed and why, ends with exit code 1 (not a crash), and still writes the files it can:
#   skinArtworkWriteTest.sh GENERATOR
# A full disk is /dev/full behind a link where one file goes; a folder that is a file stands where a folder must be.
set -uo pipefail
generator=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() {
    echo "FAILED: $*" >&2
    failures=$((failures + 1))
}

# case name, how the target is prepared (a function), expected words on stderr, a file that must still be written
prepareFileAsRoot() { : >"$1"; }
prepareFileAsHostFolder() { mkdir -p "$1" && : >"$1/settingsProgram"; }
prepareFullDisk() { mkdir -p "$1/settingsProgram" && ln -s /dev/full "$1/settingsProgram/background.bmp"; }
prepareEmpty() { :; }
cases=(
    "rootIsFile|prepareFileAsRoot|rootIsFile/settingsProgram cannot be made (Not a directory)|"
    "hostFolderIsFile|prepareFileAsHostFolder|settingsProgram/skins/graphite/main.bmp|converterLibrary/background.bmp"
    "fullDisk|prepareFullDisk|settingsProgram/background.bmp: No space left on device|settingsProgram/buttons.bmp"
)
for row in "${cases[@]}"; do
    IFS='|' read -r name prepare words written <<<"$row"
    target=$work/$name
    "$prepare" "$target"
    "$generator" write "$target" >"$work/$name.out" 2>"$work/$name.err"
    code=$?
    [ "$code" -eq 1 ] || fail "$name: exit code $code, expected 1 ($(head -c 300 "$work/$name.err"))"
    grep -qF "$words" "$work/$name.err" || fail "$name: stderr lacks '$words': $(head -c 300 "$work/$name.err")"
    grep -q "^skinArtwork: " "$work/$name.err" || fail "$name: no message of the generator's own"
    if [ -n "$written" ] && [ ! -s "$target/$written" ]; then fail "$name: $written was not written"; fi
done

# A writable folder: everything is written, the generator's own check agrees, and nothing is reported.
"$generator" write "$work/fresh" 2>"$work/fresh.err" || fail "fresh: write failed: $(cat "$work/fresh.err")"
[ ! -s "$work/fresh.err" ] || fail "fresh: write reported $(cat "$work/fresh.err")"
"$generator" check "$work/fresh" || fail "fresh: check after write failed"

[ "$failures" -eq 0 ] && echo "skinArtworkWriteTest: ok"
exit $((failures > 0))
