#!/bin/bash
# Runs cable_pulled_test and does what it asks of the cable: it writes
# cut.asked or join.asked into a folder of this script's, and waits for
# cut.done or join.done. The cable is the virtual COM pair of the second test
# ports; whatever the program leaves, the pair is whole again at the end.
# Usage: cable_pulled.sh BUILD_DIR SOURCE_DIR PROGRAM
set -uo pipefail
build=$1
source=$2
program=$3
. "$source/testkit/fixture/com-ports.sh"
fixture="$source/testkit/fixture/wine-fixture.sh"
cable=$(mktemp -d)
cut=no

cable() {  # cable cut|join
    "$fixture" "$1" "$build" "$ARDUN_TEST_PORT_C" || return 1
    [ "$1" = cut ] && cut=yes || cut=no
}

ARDUN_CABLE_DIR="Z:${cable//\//\\}" "$source/testkit/fixture/wine-run.sh" --report "$build" "$program" &
test_pid=$!
# Also when CTest's time-out or Ctrl+C ends this script: the later tests need the pair.
finish() {
    kill "$test_pid" 2>/dev/null
    [ $cut = no ] || cable join
    rm -rf "$cable"
}
trap finish EXIT
trap 'exit 1' INT TERM
while kill -0 "$test_pid" 2>/dev/null; do
    for action in cut join; do
        if [ -e "$cable/$action.asked" ]; then
            rm -f "$cable/$action.asked"
            cable "$action" && touch "$cable/$action.done"
        fi
    done
    sleep 0.05
done
wait "$test_pid"
status=$?
[ $cut = no ] || cable join || status=1
exit $status
