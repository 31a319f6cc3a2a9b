#!/bin/bash
# Tells whether this machine runs a build tree's Windows programs, by trying:
# runs the tree's wine-probe.exe under Wine with a time limit.
#   can-run-build.sh BUILD_DIR
# Exits 0 when it ran. Otherwise prints why not in one line and exits
#   1 when this machine cannot run them: its kernel runs no 32-bit code, or
#     the 32-bit Wine is not installed (a build to leave out, with that reason);
#   2 when it should run them and the probe still failed (a fault to fix).
# A 32-bit build's prefix that the 64-bit Wine made alone has an empty 32-bit
# system folder (no syswow64/kernel32.dll), and the 32-bit loader cannot start
# in it ("could not load kernel32.dll"): it is removed, so that the probe makes
# it again.
set -u
build=$1
limit=${ARDUN_PROBE_SECONDS:-180}  # a new Wine prefix is made on the first run
expected="Windows programs of this build run here"
wine32_loader=/usr/lib/wine/wine  # the one the `wine` wrapper prefers
. "$(dirname "$0")/wine-env.sh"
. "$(dirname "$0")/kernel-32bit.sh"
wine_env "$build"

case "$wine" in
*/wine64) ;;
*)
    if grep -q '^#arch=win64' "$WINEPREFIX/system.reg" 2>/dev/null &&
        [ ! -e "$WINEPREFIX/drive_c/windows/syswow64/kernel32.dll" ]; then
        echo "$WINEPREFIX was made by the 64-bit Wine alone (no syswow64/kernel32.dll): removed, to be made again" >&2
        wineserver -k >/dev/null 2>&1 || true  # none may be running there
        rm -rf "$WINEPREFIX"
    fi
    why_not=$(kernel_refuses_32bit)
    [ -z "$why_not" ] || { echo "$why_not"; exit 1; }
    [ -x "$wine32_loader" ] || { echo "the 32-bit Wine (wine32:i386) is not installed"; exit 1; }
    ;;
esac

output=$(timeout "$limit" "$(dirname "$0")/wine-run.sh" "$build" "$build/wine-probe.exe" 2>&1)
status=$?
if [ $status -eq 0 ] && grep -qx "$expected" <<< "${output//$'\r'/}"; then
    exit 0
fi
last_message=$(printf '%s\n' "${output//$'\r'/}" | grep -v '^\s*$' | tail -n 1)
if [ $status -eq 124 ]; then
    echo "its probe program gave no answer within $limit s"
else
    echo "its probe program ended with exit $status without saying that it ran; Wine's last message: ${last_message:-none}"
fi
exit 2
