#!/bin/bash
# Tells whether this machine runs a build tree's Windows programs, by trying:
# runs the tree's wine-probe.exe under Wine with a time limit.
#   can-run-build.sh BUILD_DIR
# Exits 0 when it ran; otherwise prints why not in one line and exits 1.
# Some kernels run no 32-bit code at all, and then the 32-bit Wine cannot start.
set -u
build=$1
limit=${ARDUN_PROBE_SECONDS:-180}  # a new Wine prefix is made on the first run
expected="Windows programs of this build run here"

output=$(timeout "$limit" "$(dirname "$0")/wine-run.sh" "$build" "$build/wine-probe.exe" 2>&1)
status=$?
if [ $status -eq 0 ] && grep -qx "$expected" <<< "${output//$'\r'/}"; then
    exit 0
fi
if [ $status -eq 124 ]; then
    echo "its probe program gave no answer within $limit s"
else
    echo "its probe program failed with exit $status: $(printf '%s\n' "$output" | grep -v '^\s*$' | tail -n 1)"
fi
exit 1
