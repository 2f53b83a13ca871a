#!/usr/bin/env bash
# Starts or stops the Wine session that a test run of the Windows build uses.
#   wineSession.sh start PREFIX   makes the prefix once (crash dialog off), then starts one persistent wineserver
#   wineSession.sh stop PREFIX    ends that wineserver and everything running in the prefix
# Wine's background processes must not hold ctest's output pipes, so their output goes to a log in the prefix.
set -euo pipefail
action=$1
export WINEPREFIX=$2
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINEARCH=win64
log="$WINEPREFIX.log"

case "$action" in
start)
    if [ ! -f "$WINEPREFIX/.veltrim-ready" ]; then
        rm -rf "$WINEPREFIX"
        mkdir -p "$WINEPREFIX"
        timeout 240 wineboot --init </dev/null >>"$log" 2>&1
        timeout 60 wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f \
            </dev/null >>"$log" 2>&1
        timeout 120 wineserver -w
        touch "$WINEPREFIX/.veltrim-ready"
    fi
    # One persistent server for the whole run; the test programs attach to it. A server left from an earlier run
    # of this prefix would refuse the new one, so it goes first.
    timeout 30 wineserver -k </dev/null >>"$log" 2>&1 || true
    timeout 30 wineserver -p </dev/null >>"$log" 2>&1
    # The first program of a session starts Wine's own services; start them here, away from the tests' pipes.
    timeout 120 wine cmd /c exit </dev/null >>"$log" 2>&1
    ;;
stop)
    timeout 30 wineserver -k </dev/null >>"$log" 2>&1 || true
    ;;
*)
    echo "usage: $0 start|stop PREFIX" >&2
    exit 2
    ;;
esac
