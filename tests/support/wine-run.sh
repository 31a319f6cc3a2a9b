#!/bin/sh
# Runs one Windows program in the given Wine prefix: wine-run.sh PREFIX PROGRAM [ARGS...]
# Wine's own diagnostics are silenced; the program's output passes through.
WINEPREFIX="$1"
shift
export WINEPREFIX WINEDEBUG=-all
exec wine "$@"
