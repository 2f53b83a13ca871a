#!/usr/bin/env bash
# Starts or stops the Wine session that a test run of the Windows build uses.
#   wineSession.sh start PREFIX   starts a private X server (Xvfb), makes the prefix once (crash dialog off), then
#                                 starts one persistent wineserver
#   wineSession.sh stop PREFIX    ends that wineserver, everything running in the prefix, and the X server
# Window tests need a real display, but must never pop windows on a developer's screen: the session always runs its
# own Xvfb, whatever DISPLAY the caller has. Its display goes to PREFIX.display (runWineTest.sh reads it) and its
# process id to PREFIX.xvfb-pid (stop, and the next start after an aborted run, end it by that id).
# Wine's background processes must not hold ctest's output pipes, so their output goes to a log in the prefix.
set -euo pipefail
action=$1
export WINEPREFIX=$2
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINEARCH=win64
log="$WINEPREFIX.log"
displayFile="$WINEPREFIX.display"
pidFile="$WINEPREFIX.xvfb-pid"

# Ends the Xvfb this prefix recorded, if it still runs. The id is checked against the program's name first, so that
# a recycled process id of some other program is left alone.
stopXvfb() {
    if [ -f "$pidFile" ]; then
        local pid
        pid=$(cat "$pidFile")
        if [ -n "$pid" ] && [ "$(cat "/proc/$pid/comm" 2>/dev/null)" = "Xvfb" ]; then
            kill "$pid" 2>/dev/null || true
            for _ in $(seq 50); do
                kill -0 "$pid" 2>/dev/null || break
                sleep 0.1
            done
        fi
    fi
    rm -f "$pidFile" "$displayFile"
}

# Starts Xvfb on the first free display of :90..:120 and exports DISPLAY. Another run may take the same number at the
# same moment; Xvfb's lock file lets only one of them have it, and the loser simply tries the next number. -displayfd
# makes Xvfb write its display number once it accepts clients, so no guessing about when it is ready.
startXvfb() {
    if ! command -v Xvfb >/dev/null; then
        echo "wineSession: Xvfb is missing (tools/install-deps.sh installs it)" >&2
        exit 1
    fi
    local n ready pid
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
            echo "$pid" >"$pidFile"
            echo ":$n" >"$displayFile"
            export DISPLAY=":$n"
            return 0
        fi
        kill "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    done
    rm -f "$ready"
    echo "wineSession: no free X display in :90..:120" >&2
    exit 1
}

case "$action" in
start)
    mkdir -p "$(dirname "$WINEPREFIX")"
    # An aborted run may have left its server and X server behind; both go before the new ones start.
    timeout 30 wineserver -k </dev/null >>"$log" 2>&1 || true
    stopXvfb
    startXvfb
    if [ ! -f "$WINEPREFIX/.veltrim-ready" ]; then
        rm -rf "$WINEPREFIX"
        mkdir -p "$WINEPREFIX"
        timeout 240 wineboot --init </dev/null >>"$log" 2>&1
        timeout 60 wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f \
            </dev/null >>"$log" 2>&1
        timeout 120 wineserver -w
        touch "$WINEPREFIX/.veltrim-ready"
    fi
    # The UI font chooser's "Tahoma" branch: Debian's wine font package (fonts-wine) has a Tahoma, and the prefix has
    # no "Segoe UI". Copied at every start, so older prefixes get it too.
    for font in /usr/share/wine/fonts/tahoma.ttf /usr/share/wine/fonts/tahomabd.ttf; do
        if [ -f "$font" ]; then cp -f "$font" "$WINEPREFIX/drive_c/windows/Fonts/"; fi
    done
    # One persistent server for the whole run; the test programs attach to it. A server left from an earlier run
    # of this prefix would refuse the new one, so it goes first.
    timeout 30 wineserver -k </dev/null >>"$log" 2>&1 || true
    timeout 30 wineserver -p </dev/null >>"$log" 2>&1
    # No window manager runs on the private display, so Wine must not leave its windows to one: a managed window
    # waits up to two seconds at every hide for the manager's answer. Set at every start, so older prefixes get it.
    timeout 60 wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f </dev/null >>"$log" 2>&1
    # The first program of a session starts Wine's own services and its desktop process, which connects to the X
    # display now and keeps it; start them here, away from the tests' pipes.
    timeout 120 wine cmd /c exit </dev/null >>"$log" 2>&1
    ;;
stop)
    timeout 30 wineserver -k </dev/null >>"$log" 2>&1 || true
    stopXvfb
    ;;
*)
    echo "usage: $0 start|stop PREFIX" >&2
    exit 2
    ;;
esac
