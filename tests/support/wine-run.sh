#!/bin/bash
# Runs one Windows program of a build tree in that tree's Wine prefix, with the
# loader its programs need: wine-run.sh BUILD_DIR PROGRAM [ARGS...]
# Wine's own diagnostics are silenced; the program's output passes through.
. "$(dirname "$0")/wine-env.sh"
wine_env "$1"
shift
exec "$wine" "$@"
