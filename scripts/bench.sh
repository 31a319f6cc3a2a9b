#!/bin/bash
# Builds the DLL and the benchmarks, then runs each benchmark under Wine with
# the virtual COM pairs and one virtual display, printing its figures and the
# machine it ran on. Not a test: nothing here passes or fails on speed.
#   scripts/bench.sh                 every benchmark
#   scripts/bench.sh bench_latency   only the named ones
# ARDUN_BENCH_BUILD_DIR chooses the build folder (default build/bench).
set -euo pipefail
cd "$(dirname "$0")/.."

build=${ARDUN_BENCH_BUILD_DIR:-build/bench}
# One virtual display for the whole run: Wine's desktop process starts with
# the fixture and must already see it, or no window of a later program shows.
if [ -z "${ARDUN_BENCH_DISPLAY_READY:-}" ]; then
    exec env ARDUN_BENCH_DISPLAY_READY=1 xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$@"
fi
./scripts/setup.sh
cmake -S . -B "$build" --toolchain cmake/mingw-i686.cmake -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j2 --target bench_throughput bench_latency bench_startup >/dev/null

benchmarks=("$@")
[ ${#benchmarks[@]} -gt 0 ] || benchmarks=(bench_throughput bench_latency bench_startup)

echo "host: $(uname -srm); $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //'); $(nproc) cores; $(wine --version)"
tests/support/wine-fixture.sh start "$build"
trap 'tests/support/wine-fixture.sh stop "$build" >/dev/null' EXIT

export WINEPREFIX="$(cd "$build" && pwd)/wineprefix" WINEDEBUG=-all
status=0
for benchmark in "${benchmarks[@]}"; do
    # Each program loads the DLL from its own folder.
    (cd "$build/bench" && wine "./$benchmark.exe") || status=1
done
exit $status
