#!/bin/bash
# Builds the DLL and the benchmarks, then runs each benchmark under Wine with
# the virtual COM pairs and one virtual display, printing its figures and the
# machine it ran on. Not a test: nothing here passes or fails on speed.
#   scripts/bench.sh                 every benchmark
#   scripts/bench.sh bench_latency   only the named ones
# They measure the 32-bit plug-in wherever this machine runs 32-bit Windows
# programs, and otherwise its 64-bit twin; the first line says which. Both
# are the presets' build folders, which the tests use too.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/lib/windows-build.sh

# One virtual display for the whole run: Wine's desktop process starts with
# the fixture and must already see it, or no window of a later program shows.
if [ -z "${ARDUN_BENCH_DISPLAY_READY:-}" ]; then
    exec env ARDUN_BENCH_DISPLAY_READY=1 "${virtual_display[@]}" "$0" "$@"
fi
./scripts/setup.sh
benchmarks=("$@")
[ ${#benchmarks[@]} -gt 0 ] || benchmarks=(bench_throughput bench_latency bench_startup bench_uno_latency bench_host_activity)

pick_build "${benchmarks[@]}"
if [ -z "$why_not" ]; then
    name="the 32-bit plug-in (i686), $build"
else
    name="the 64-bit twin (x86_64), $build; this machine cannot run 32-bit Windows programs: $why_not"
fi

. testkit/fixture/wine-env.sh
wine_env "$(cd "$build" && pwd)"
echo "build: $name"
echo "host: $(uname -srm); $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //'); $(nproc) cores; $("$wine" --version)"
testkit/fixture/wine-fixture.sh start "$build"
trap 'testkit/fixture/wine-fixture.sh stop "$build" >/dev/null' EXIT

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
