#!/usr/bin/env bash
# Runs one Windows test program under Wine in the test run's prefix, with a time limit so that a stray dialog
# fails the test instead of hanging it.
#   runWineTest.sh PREFIX PROGRAM.exe [arguments...]
set -uo pipefail
source "$(dirname "$0")/wineEnv.sh"
wineEnv "$1"
shift
# The session's private X server (wineSession.sh); never the caller's screen. Without a session display, no display.
if [ -s "$WINEPREFIX.display" ]; then
    DISPLAY=$(cat "$WINEPREFIX.display")
    export DISPLAY
else
    unset DISPLAY
fi
exec timeout --kill-after=10 300 wine "$@"
