#!/usr/bin/env bash
# Starts the settings program of the installation that tools/install-wine.sh made, takes a screenshot once its window
# is up, and closes it:
#   tools/run-options.sh [arguments]      for example: -sbk (the Sembrik module window alone)
# The arguments go to VeltrimOptions.exe as its command line. The window appears on the user's display when there is
# one (DISPLAY set and answering), else on a private Xvfb display that this script starts and ends. The screenshot
# goes to build/screenshots/options[-ARGUMENTS].png.
# VELTRIM_WINE_PREFIX=DIR names another prefix; VELTRIM_RUN_SECONDS=N (default 30) is the longest wait for the window.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
prefix=${VELTRIM_WINE_PREFIX:-$top/build/wine-install}
source "$top/tools/wine/wineEnv.sh"
wineEnv "$prefix"
log="$prefix.log"
program="$prefix/drive_c/Program Files/Veltrim/main/VeltrimOptions.exe"
if [ ! -f "$program" ]; then
    echo "run-options: no installation in $prefix; run tools/install-wine.sh first" >&2
    exit 1
fi

xvfbPid=""
programPid=""
cleanup() {
    # Only what this script started: the program (by its id), the prefix's Wine processes, and the private X server.
    if [ -n "$programPid" ]; then kill "$programPid" 2>/dev/null || true; fi
    wineStopServer "$log"
    xvfbStop "$xvfbPid"
}
trap cleanup EXIT

# The user's display when it answers, else a private one.
if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
    privateDisplay=0
else
    privateDisplay=1
    xvfbStart "$log"
fi
# A Wine session of this prefix that is still up (a "wine reg" of a moment ago) has its desktop on the display it
# started with, or on none: it ends first, so that the program's session belongs to this display.
wineStopServer "$log"
# A private display has no window manager, so Wine must not wait for one; on the user's display it manages as usual.
managed=Y
[ "$privateDisplay" -eq 0 ] || managed=N
wineSetManaged "$managed" "$log"

slug=$(printf '%s' "$*" | tr -c 'A-Za-z0-9_-' '_' | sed 's/^_*//; s/_*$//')
shots="$top/build/screenshots"
mkdir -p "$shots"
shot="$shots/options${slug:+-$slug}.png"
rm -f "$shot"

# Starts a Windows program of the prefix, waits until the display shows a top-level window of the suite
# ("Veltrim ..."), gives it a moment to draw itself and takes the screenshot. Sets `title` to the window's caption.
showAndShoot() {
    (cd "$prefix/drive_c/Program Files/Veltrim/main" && exec wine "$@" </dev/null >>"$log" 2>&1) &
    programPid=$!
    local window="" limit=${VELTRIM_RUN_SECONDS:-30}
    for _ in $(seq $((limit * 5))); do
        if ! kill -0 "$programPid" 2>/dev/null; then
            echo "run-options: the program ended before its window appeared (see $log)" >&2
            exit 1
        fi
        if command -v xwininfo >/dev/null; then
            window=$(xwininfo -root -tree 2>/dev/null | awk '/"Veltrim[^"]*"/ {print $1; exit}')
            [ -n "$window" ] && break
        fi
        sleep 0.2
    done
    if [ -z "$window" ] && command -v xwininfo >/dev/null; then
        echo "run-options: no window appeared within $limit seconds" >&2
        exit 1
    fi
    sleep 2
    if [ "$privateDisplay" -eq 1 ] || [ -z "$window" ]; then
        import -window root "$shot"
    else
        import -window "$window" "$shot"
    fi
    title=""
    [ -z "$window" ] || title=$(xwininfo -id "$window" 2>/dev/null | sed -n 's/^xwininfo: Window id: [^ ]* "\(.*\)"$/\1/p')
}

showAndShoot "$program" "$@"
echo "Window:     ${title:-?} on $DISPLAY"
echo "Screenshot: $shot"
