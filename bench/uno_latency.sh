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
. "$source/testkit/fixture/com-ports.sh"
. "$source/testkit/uno/uno_board.sh"
port=$ARDUN_TEST_PORT_UNO
reads=${ARDUN_BENCH_UNO_READS:-100}
work=$(mktemp -d)
cleanup() {
    stop_uno "$build"
    rm -rf "$work"
}
trap cleanup EXIT

for sketch in SensorBox NaiveBox; do
    start_uno "$build" "$sketch" "$work/harness.out" --adc 1000,2000,3000,4000,500,1500 --byte-log "$work/$sketch.bytes"
    (cd "$build/bench" && "$source/testkit/fixture/wine-run.sh" "$build" ./bench_uno_latency.exe "$sketch" "$port" 14 \
        "$reads" "Z:${work//\//\\}\\$sketch.bytes")
    stop_uno "$build"
done
