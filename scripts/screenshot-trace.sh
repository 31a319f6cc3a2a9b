#!/bin/bash
# Takes a picture of ardun-trace at work over the simulator (with line noise
# before each frame) and writes it to docs/trace-window.png, cropped to the
# window.
#   scripts/screenshot-trace.sh
# Builds what it needs, in the 32-bit build where it runs here and in its
# 64-bit twin otherwise; needs Xvfb, xwd (x11-apps) and ImageMagick.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/lib/windows-build.sh
. testkit/fixture/com-ports.sh

out=docs/trace-window.png
pick_build ardun-trace ardun-sim
[ -z "$why_not" ] || echo "The 64-bit twin shows the trace: $why_not"
build=$(realpath "$build")
mkdir -p docs

# The simulator plays the device on the first pair's device side, the trace
# listens on its host side.
export build out virtual_screen host_port=$ARDUN_TEST_PORT_A device_port=$ARDUN_TEST_PORT_B
"${virtual_display[@]}" bash -c '
    set -euo pipefail
    testkit/fixture/wine-fixture.sh start "$build" >/dev/null
    log=$(mktemp)
    trap "testkit/fixture/wine-fixture.sh stop \"\$build\" >/dev/null; rm -f \"\$log\"" EXIT
    run() { testkit/fixture/wine-run.sh "$build" "$@"; }

    run "$build/ardun-sim.exe" --port "$device_port" --size 8 --rate 5 --noise 3 >/dev/null 2>&1 &
    sim=$!
    # A Wine desktop of the screen'"'"'s size draws the caption and frame that a
    # window manager would; its plain background is cropped away.
    run explorer /desktop=trace,$virtual_screen "$build/ardun-trace.exe" --port "$host_port" --size 8 \
        --count 12 --console >"$log" &
    tracer=$!
    for _ in $(seq 600); do
        grep -q "^Packet 6:" "$log" && break
        kill -0 $tracer 2>/dev/null || break
        sleep 0.1
    done
    if ! grep -q "^Packet 6:" "$log"; then
        echo "the trace did not get going: $(cat "$log")" >&2
        exit 1
    fi
    # The window shows gathered lines ten times a second; the next frame is
    # a fifth of a second away.
    sleep 0.12
    xwd -root -silent | convert xwd:- -trim +repage "png:$out"
    wait $tracer
    kill $sim
'
echo "wrote $out"
