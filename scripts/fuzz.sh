#!/bin/bash
# Builds the native fuzz targets (clang, libFuzzer, AddressSanitizer,
# UndefinedBehaviorSanitizer) and runs each one for a bounded time, starting
# from a fresh copy of its committed seeds so that those stay small.
#   scripts/fuzz.sh                  every target, ARDUN_FUZZ_SECONDS each (default 20)
#   scripts/fuzz.sh fuzz_bounded_text   only the named targets
# ARDUN_FUZZ_BUILD_DIR chooses the build folder (default build/fuzz).
# Prints one line per target and a closing "fuzz: N passed, N failed";
# exits non-zero on any finding, keeping the input that caused it.
set -uo pipefail
cd "$(dirname "$0")/.."

seconds=${ARDUN_FUZZ_SECONDS:-20}
build=${ARDUN_FUZZ_BUILD_DIR:-build/fuzz}

mkdir -p "$build"
if ! cmake -S fuzz -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ >"$build/configure.log" 2>&1 ||
   ! cmake --build "$build" -j2 >"$build/build.log" 2>&1; then
    cat "$build/configure.log" "$build/build.log" 2>/dev/null | tail -40 >&2
    echo "fuzz: 0 passed, 1 failed"
    exit 1
fi

if [ $# -gt 0 ]; then
    targets=("$@")
else
    mapfile -t targets < "$build/fuzz-targets.txt"
fi

passed=0
failed=0
for target in "${targets[@]}"; do
    name=${target#fuzz_}
    work="$build/work/$name"
    findings="$build/findings/$name"
    log="$build/$target.log"
    rm -rf "$work"
    mkdir -p "$work" "$findings"
    [ -d "fuzz/corpus/$name" ] && cp fuzz/corpus/"$name"/* "$work"/ 2>/dev/null
    "$build/$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
        -print_final_stats=1 -artifact_prefix="$findings/" "$work" >"$log" 2>&1
    status=$?
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
    if [ $status -eq 0 ]; then
        passed=$((passed + 1))
        echo "fuzz $name: passed (${runs:-?} inputs in ${seconds} s)"
    else
        failed=$((failed + 1))
        echo "fuzz $name: FAILED (exit $status), finding in $findings/, log $log"
        grep -E 'ERROR|property broken|runtime error' "$log" | head -5
    fi
done

echo "fuzz: $passed passed, $failed failed"
[ $failed -eq 0 ]
