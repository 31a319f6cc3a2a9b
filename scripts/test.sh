#!/bin/bash
# Checks the code with cppcheck, builds the plug-in DLL and every test for
# 32-bit Windows, runs the native unit tests and fuzz targets of the pure
# logic, then the tests under Wine with a virtual display. Installs what is
# missing first.
# Exits non-zero when anything fails.
set -euo pipefail
cd "$(dirname "$0")/.."

./scripts/setup.sh
./scripts/static-check.sh
cmake --preset mingw
cmake --build --preset mingw

# Unit tests of the pure logic, built natively with the sanitizers.
cmake -S tests/native -B build/native
cmake --build build/native -j2
ctest --test-dir build/native --output-on-failure

# Native fuzzing of the pure units (clang, libFuzzer, ASan, UBSan);
# ARDUN_FUZZ_SECONDS per target, default 30.
./scripts/fuzz.sh

# The test fixture stops the virtual COM ports and Wine itself; this covers a
# run that is interrupted before the fixture's own clean-up.
trap 'tests/support/wine-fixture.sh stop build/mingw >/dev/null 2>&1 || true' EXIT

# One virtual display for every test that shows a window.
xvfb-run -a -s "-screen 0 1024x768x24" ctest --preset mingw "$@"
