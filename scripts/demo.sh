#!/bin/bash
# Shows the plug-in at work on this machine: builds everything, joins two
# virtual COM ports like a null-modem cable, lets ardun-sim play an Ardun
# device on one and ardun-host read packets through the plug-in on the other.
# No arguments. Installs what is missing first (Debian 12).
# It shows the 32-bit plug-in that users get wherever this machine runs 32-bit
# Windows programs, and otherwise the same sources' 64-bit twin, and says which.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/lib/windows-build.sh
. testkit/fixture/com-ports.sh

host_port=$ARDUN_TEST_PORT_A
device_port=$ARDUN_TEST_PORT_B
packets=30

./scripts/setup.sh
# All that a release ships, ardun-trace too: the README's next steps run it.
pick_build "${shipped_targets[@]}"
if [ -z "$why_not" ]; then
    echo "== The 32-bit plug-in, as users get it, built in $build"
else
    echo "== This machine cannot run 32-bit Windows programs: $why_not."
    echo "   The demo runs the plug-in's 64-bit twin, built from the same sources in $build."
fi
build=$(cd "$build" && pwd)
settings="$build/ArdunParser.dat"
saved_settings=$(mktemp)
had_settings=no
sim_pid=""
fixture_started=no

cleanup() {
    if [ -n "$sim_pid" ]; then
        kill "$sim_pid" 2>/dev/null || true
        wait "$sim_pid" 2>/dev/null || true
    fi
    if [ "$fixture_started" = yes ]; then
        testkit/fixture/wine-fixture.sh stop "$build" >/dev/null || true
    fi
    if [ "$had_settings" = yes ]; then
        cp -p "$saved_settings" "$settings"
    else
        rm -f "$settings"
    fi
    rm -f "$saved_settings"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

echo
echo "== Virtual COM ports in the build tree's own Wine prefix"
fixture_started=yes
testkit/fixture/wine-fixture.sh start "$build"

# The plug-in opens the port named in its settings file beside the DLL: the
# device path, zero-padded to 25 bytes.
if [ -e "$settings" ]; then
    cp -p "$settings" "$saved_settings"
    had_settings=yes
fi
write_settings_file "$settings" "\\\\.\\COM$host_port"

run() { testkit/fixture/wine-run.sh "$build" "$@"; }

echo
echo "== The plug-in as the host sees it"
run "$build/ardun-host.exe" info

echo
echo "== ardun-sim plays an Ardun device on COM$device_port (log: $build/ardun-sim.log)"
testkit/fixture/wine-run.sh "$build" "$build/ardun-sim.exe" --port "$device_port" --rate 20 \
    > "$build/ardun-sim.log" 2>&1 &
sim_pid=$!
sleep 1

echo
echo "== ardun-host streams $packets packets from COM$host_port through the plug-in"
echo "   (payload: bytes 0-3 the frame's sequence number, 4-6 three sensor waves, then a counting pattern;"
echo "   each request reads two frames, so the sequence numbers rise by two)"
status=0
run "$build/ardun-host.exe" stream --count "$packets" || status=$?
exit $status
