#!/bin/bash
# Runs bench_uno_latency twice on the emulated Uno (scripts/bench.sh calls it
# with the fixture up): SensorBox, which sends with the ArdunFrame library,
# and NaiveBox, which sends frame start and payload only; both 14-byte
# payloads, 20 frames a second at 115200 baud. SensorBox's inputs are fed
# voltages that give no reading of 255, so neither payload holds a data pair
# FF 00 and the two differ only in the bytes around the frame.
#   uno_latency.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
build=$(cd "$1" && pwd)
source=$2
. "$source/tests/support/com-ports.sh"
port=$ARDUN_TEST_PORT_UNO
reads=${ARDUN_BENCH_UNO_READS:-100}
work=$(mktemp -d)
harness_pid=""
cleanup() {
    [ -z "$harness_pid" ] || { kill "$harness_pid" 2>/dev/null; wait "$harness_pid" 2>/dev/null || true; }
    ln -sfn "$build/com/not-a-port" "$build/com/uno"
    rm -rf "$work"
}
trap cleanup EXIT

for sketch in SensorBox NaiveBox; do
    "$build/uno/uno-harness" "$build/uno/$sketch/$sketch.elf" "$build/com/uno" --adc 1000,2000,3000,4000,500,1500 \
        --byte-log "$work/$sketch.bytes" > "$work/harness.out" 2>&1 &
    harness_pid=$!
    echo "$harness_pid" >> "$build/com/pids"  # the fixture ends it if this script is cut short
    for _ in $(seq 100); do grep -q '^ready ' "$work/harness.out" && break; sleep 0.1; done
    (cd "$build/bench" && "$source/tests/support/wine-run.sh" "$build" ./bench_uno_latency.exe "$sketch" "$port" 14 \
        "$reads" "Z:${work//\//\\}\\$sketch.bytes")
    kill "$harness_pid" 2>/dev/null || true  # it may have ended already
    wait "$harness_pid" || true
    harness_pid=""
done
