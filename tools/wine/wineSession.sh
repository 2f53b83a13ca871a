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
source "$(dirname "$0")/wineEnv.sh"
wineEnv "$2"
log="$WINEPREFIX.log"
displayFile="$WINEPREFIX.display"
pidFile="$WINEPREFIX.xvfb-pid"

# Ends the Xvfb this prefix recorded, if it still runs.
stopXvfb() {
    if [ -f "$pidFile" ]; then xvfbStop "$(cat "$pidFile")"; fi
    rm -f "$pidFile" "$displayFile"
}

case "$action" in
start)
    mkdir -p "$(dirname "$WINEPREFIX")"
    # An aborted run may have left its server and X server behind; both go before the new ones start.
    wineStopServer "$log"
    stopXvfb
    xvfbStart "$log"
    echo "$xvfbPid" >"$pidFile"
    echo "$DISPLAY" >"$displayFile"
    # The test prefix is this script's own: one whose making was cut short goes whole.
    if [ ! -f "$WINEPREFIX/$kWineReadyMarker" ]; then
        rm -rf "$WINEPREFIX"
        mkdir -p "$WINEPREFIX"
        wineInitPrefix "$log"
    fi
    # Copied at every start, so older prefixes get the font too.
    wineCopyFonts
    # One persistent server for the whole run; the test programs attach to it. A server left from an earlier run
    # of this prefix would refuse the new one, so it goes first.
    wineStopServer "$log"
    timeout 30 wineserver -p </dev/null >>"$log" 2>&1
    # No window manager runs on the private display. Set at every start, so older prefixes get it.
    wineSetManaged N "$log"
    # The first program of a session starts Wine's own services and its desktop process, which connects to the X
    # display now and keeps it; start them here, away from the tests' pipes.
    timeout 120 wine cmd /c exit </dev/null >>"$log" 2>&1
    ;;
stop)
    wineStopServer "$log"
    stopXvfb
    ;;
*)
    echo "usage: $0 start|stop PREFIX" >&2
    exit 2
    ;;
esac
