#!/bin/bash
# Builds the DLL and the benchmarks, then runs each benchmark under Wine with
# the virtual COM pairs and one virtual display, printing its figures and the
# machine it ran on. Not a test: nothing here passes or fails on speed.
#   scripts/bench.sh                 every benchmark
#   scripts/bench.sh bench_latency   only the named ones
# They measure the 32-bit plug-in wherever this machine runs 32-bit Windows
# programs, and otherwise its 64-bit twin; the first line says which.
# ARDUN_BENCH_BUILD_DIR chooses the 32-bit build folder (default build/bench;
# the twin's is the same name with 64 after it).
set -euo pipefail
cd "$(dirname "$0")/.."

build=${ARDUN_BENCH_BUILD_DIR:-build/bench}
# One virtual display for the whole run: Wine's desktop process starts with
# the fixture and must already see it, or no window of a later program shows.
if [ -z "${ARDUN_BENCH_DISPLAY_READY:-}" ]; then
    exec env ARDUN_BENCH_DISPLAY_READY=1 xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$@"
fi
./scripts/setup.sh
benchmarks=("$@")
[ ${#benchmarks[@]} -gt 0 ] || benchmarks=(bench_throughput bench_latency bench_startup bench_uno_latency)

cmake -S . -B "$build" --toolchain cmake/mingw-i686.cmake -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j2 --target wine-probe >/dev/null
if why_not=$(tests/support/can-run-build.sh "$build"); then
    name="the 32-bit plug-in (i686), $build"
else
    build=${build}64
    name="the 64-bit twin (x86_64), $build; this machine cannot run 32-bit Windows programs: $why_not"
    cmake -S . -B "$build" --toolchain cmake/mingw-x86_64.cmake -DCMAKE_BUILD_TYPE=Release >/dev/null
fi
cmake --build "$build" -j2 --target "${benchmarks[@]}" >/dev/null

. tests/support/wine-env.sh
wine_env "$(cd "$build" && pwd)"
echo "build: $name"
echo "host: $(uname -srm); $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //'); $(nproc) cores; $("$wine" --version)"
tests/support/wine-fixture.sh start "$build"
trap 'tests/support/wine-fixture.sh stop "$build" >/dev/null' EXIT

status=0
for benchmark in "${benchmarks[@]}"; do
    # A benchmark with a script of its own needs more than the COM pairs;
    # the others are one program each, loading the DLL from its own folder.
    script=bench/${benchmark#bench_}.sh
    if [ -x "$script" ]; then
        "$script" "$build" "$(pwd)" || status=1
    else
        (cd "$build/bench" && "$wine" "./$benchmark.exe") || status=1
    fi
done
exit $status
