#!/bin/bash
# can-run-build.sh on a 32-bit build tree whose Wine prefix the 64-bit Wine
# made alone, as happens when the 32-bit Wine is installed after a first run:
# the answer is one line with a true reason (never a bare exit status), the
# tree is left out only for a reason of the machine's, and the foreign prefix
# is never left in place.
#   can-run-build-test.sh 32BIT_PROBE_EXE   (the 32-bit build's wine-probe.exe)
set -u
support=$(dirname "$0")
tree=$(mktemp -d)
trap 'WINEPREFIX=$tree/wineprefix wineserver -k >/dev/null 2>&1; rm -rf "$tree"' EXIT
echo wine > "$tree/wine-loader"
cp "$1" "$tree/wine-probe.exe" 2>/dev/null || echo "(no 32-bit probe at $1: a probe that runs would fail)"

WINEPREFIX=$tree/wineprefix WINELOADER=/usr/lib/wine/wine64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" \
    /usr/lib/wine/wine64 wineboot -i >/dev/null 2>&1
WINEPREFIX=$tree/wineprefix wineserver -w
grep -q '^#arch=win64' "$tree/wineprefix/system.reg" || { echo "FAIL: wine64 made no 64-bit prefix"; exit 1; }

answer=$("$support/can-run-build.sh" "$tree" 2>/dev/null)
status=$?
echo "can-run-build.sh: exit $status: $answer"
failures=0
[ "$(printf '%s\n' "$answer" | wc -l)" -eq 1 ] || { echo "FAIL: not one line"; failures=1; }
case "$status:$answer" in
0:"") ;;
1:"this kernel runs no 32-bit code"* | 1:"the 32-bit Wine (wine32:i386) is not installed") ;;
*) echo "FAIL: no true reason for leaving the 32-bit build out"; failures=1 ;;
esac
if [ -e "$tree/wineprefix" ] && [ ! -e "$tree/wineprefix/drive_c/windows/syswow64/kernel32.dll" ]; then
    echo "FAIL: the prefix without 32-bit system files was left in place"
    failures=1
fi
exit $failures
