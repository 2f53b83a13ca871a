# The Wine and X setup that every script running the suite under Wine shares; sourced, not run:
#   source tools/wine/wineEnv.sh
#   wineEnv PREFIX                the environment of a Windows program in PREFIX (64-bit prefix, no debug output,
#                                 no .NET or Gecko installer prompts)
#   wineInitPrefix LOG            makes the empty prefix of wineEnv (crash dialog off) and marks it ready
#   wineCopyFonts                 copies Debian's Wine Tahoma into the prefix
#   wineStopServer LOG            ends the prefix's wineserver and every program in it
#   wineSetManaged Y|N LOG        whether Wine leaves its windows to a window manager
#   xvfbStart LOG                 starts a private X server, sets xvfbPid and exports DISPLAY
#   xvfbStop PID                  ends that X server
# It decides nothing about where a prefix lives or when it is made again: the scripts that source it do.
# Wine's and Xvfb's output goes to LOG, so that their background processes never hold a caller's output pipes.

# The prefix marker: a prefix whose making was cut short has none and is made again.
kWineReadyMarker=.veltrim-ready
# The process id of the X server that xvfbStart started in this shell, empty when none.
xvfbPid=""

wineEnv() {
    export WINEPREFIX=$1
    export WINEDEBUG=-all
    export WINEDLLOVERRIDES="mscoree,mshtml="
    export WINEARCH=win64
}

wineInitPrefix() {
    local log=$1
    timeout 240 wineboot --init </dev/null >>"$log" 2>&1
    timeout 60 wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f \
        </dev/null >>"$log" 2>&1
    timeout 120 wineserver -w
    touch "$WINEPREFIX/$kWineReadyMarker"
}

# The UI font chooser's "Tahoma" branch: Debian's wine font package (fonts-wine) has a Tahoma, and a fresh prefix has
# no "Segoe UI".
wineCopyFonts() {
    local font
    for font in /usr/share/wine/fonts/tahoma.ttf /usr/share/wine/fonts/tahomabd.ttf; do
        if [ -f "$font" ]; then cp -f "$font" "$WINEPREFIX/drive_c/windows/Fonts/"; fi
    done
}

wineStopServer() {
    timeout 30 wineserver -k </dev/null >>"$1" 2>&1 || true
}

# A private display has no window manager; a managed window would wait up to two seconds at every hide for the
# manager's answer.
wineSetManaged() {
    timeout 60 wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d "$1" /f </dev/null >>"$2" 2>&1
}

# Starts Xvfb on the first free display of :90..:120. Another run may take the same number at the same moment;
# Xvfb's lock file lets only one of them have it, and the loser simply tries the next number. -displayfd makes Xvfb
# write its display number once it accepts clients, so no guessing about when it is ready. Returns 1 with a message
# when there is no Xvfb or no free display.
xvfbStart() {
    local log=$1 n ready pid
    xvfbPid=""
    if ! command -v Xvfb >/dev/null; then
        echo "$(basename "$0"): Xvfb is missing (tools/install-deps.sh installs it)" >&2
        return 1
    fi
    ready=$(mktemp)
    for n in $(seq 90 120); do
        [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] && continue
        : >"$ready"
        Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp -displayfd 3 3>"$ready" </dev/null >>"$log" 2>&1 &
        pid=$!
        for _ in $(seq 100); do
            [ -s "$ready" ] && break
            kill -0 "$pid" 2>/dev/null || break
            sleep 0.1
        done
        if [ -s "$ready" ] && kill -0 "$pid" 2>/dev/null; then
            rm -f "$ready"
            xvfbPid=$pid
            export DISPLAY=":$n"
            return 0
        fi
        kill "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    done
    rm -f "$ready"
    echo "$(basename "$0"): no free X display in :90..:120" >&2
    return 1
}

# Ends the Xvfb of that process id, if it still runs. The id is checked against the program's name first, so that a
# recycled process id of some other program is left alone (the id may come from a file of an earlier run). `wait`
# reaps it when this shell started it; a server another shell started is watched until it is gone.
xvfbStop() {
    local pid=$1
    [ -n "$pid" ] && [ "$(cat "/proc/$pid/comm" 2>/dev/null)" = "Xvfb" ] || return 0
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
    for _ in $(seq 50); do
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.1
    done
}
