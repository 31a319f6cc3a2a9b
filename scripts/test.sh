#!/bin/bash
# Checks the code with cppcheck, builds the plug-in, its tools and every test
# twice (the 32-bit build that ships, whose tests only where they run, and its
# 64-bit twin), runs the native unit tests and
# fuzz targets of the pure logic, checks the 32-bit files' contract without
# running them, then runs the Wine suite on the twin and, wherever this machine
# runs 32-bit Windows programs, on the 32-bit build too. Installs what is
# missing first. Exits non-zero when anything fails.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/lib/windows-build.sh

./scripts/setup.sh
./scripts/static-check.sh
# The 32-bit files users get and the probe that tells whether this machine
# runs them; the 32-bit test programs only where they will run (below).
cmake --preset mingw
cmake --build --preset mingw --target "${shipped_targets[@]}" wine-probe
cmake --preset mingw64
cmake --build --preset mingw64

# Unit tests of the pure logic, built natively with the sanitizers.
cmake -S tests/native -B build/native
cmake --build build/native -j2
ctest --test-dir build/native --output-on-failure

# Native fuzzing of the pure units (clang, libFuzzer, ASan, UBSan):
# ARDUN_FUZZ_SECONDS per target, here 5 by default, a short run from the
# seeds that keeps the whole run within its time; scripts/fuzz.sh alone
# fuzzes 20 s a target.
ARDUN_FUZZ_SECONDS=${ARDUN_FUZZ_SECONDS:-5} ./scripts/fuzz.sh

# The 32-bit files as users get them: exports, imports, the stack bytes of
# every slot and the release zip, read off the files on any machine.
ctest --preset mingw-static

# The test fixture stops the virtual COM ports and Wine itself; this covers a
# run that is interrupted before the fixture's own clean-up.
trap 'for b in build/mingw build/mingw64; do testkit/fixture/wine-fixture.sh stop $b >/dev/null 2>&1 || true; done' EXIT

# One virtual display for every test that shows a window. The twin's tests
# also read the 32-bit files' dialog template and version resources as data.
status=0
"${virtual_display[@]}" ctest --preset mingw64 "$@" || status=1

# Whether the 32-bit suite can run is found out by running a 32-bit program;
# where it can, its failures count like any other, and a probe that fails
# where it should run fails the run.
probe=0
choose_build || probe=$?
if [ "$build" = build/mingw ]; then
    cmake --build --preset mingw
    "${virtual_display[@]}" ctest --preset mingw "$@" || status=1
    suites="the 64-bit twin's (build/mingw64) and the 32-bit build's (build/mingw)"
elif [ $probe -eq 0 ]; then
    suites="the 64-bit twin's (build/mingw64) only; the 32-bit build's was left out because this machine \
cannot run 32-bit Windows programs: $why_not"
else
    status=1
    suites="the 64-bit twin's (build/mingw64) only; FAILED: $why_not"
fi
echo "Wine suites run: $suites"
exit $status
