#!/bin/bash
# Takes a picture of ardun-trace at work over the simulator (with line noise
# before each frame) and writes it to docs/trace-window.png, cropped to the
# window.
#   scripts/screenshot-trace.sh [BUILD_DIR]     (default build/mingw)
# Builds what it needs; needs Xvfb, xwd (x11-apps) and ImageMagick.
set -euo pipefail
cd "$(dirname "$0")/.."

build=$(realpath -m "${1:-build/mingw}")
out=docs/trace-window.png

if [ ! -f "$build/CMakeCache.txt" ]; then
    cmake -S . -B "$build" --toolchain cmake/mingw-i686.cmake -DCMAKE_BUILD_TYPE=Release >/dev/null
fi
cmake --build "$build" --target ardun-trace ardun-sim >/dev/null
mkdir -p docs

export build out
xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
    set -euo pipefail
    tests/support/wine-fixture.sh start "$build" >/dev/null
    log=$(mktemp)
    trap "tests/support/wine-fixture.sh stop \"\$build\" >/dev/null; rm -f \"\$log\"" EXIT
    run() { tests/support/wine-run.sh "$build" "$@"; }

    run "$build/ardun-sim.exe" --port 10 --size 8 --rate 5 --noise 3 >/dev/null 2>&1 &
    sim=$!
    # A Wine desktop of the screen'"'"'s size draws the caption and frame that a
    # window manager would; its plain background is cropped away.
    run explorer /desktop=trace,1024x768 "$build/ardun-trace.exe" --port 9 --size 8 --count 12 --console >"$log" &
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
