#!/bin/bash
# ardun-trace --watch in one process over a host in another: the host (the
# test's published_host, which publishes its calls with the plug-in's own
# writer) opens COM5 at 9600 baud and asks for 16 bytes while the frames hold
# 12. The watch must name the host, its port, baud rate and N, the wrong size
# as a finding, and end with the host. Two hosts at once are both watched,
# each named; a --pid of no process is named so.
# Usage: watch_end_to_end.sh BUILD_DIR SOURCE_DIR PUBLISHED_HOST
set -uo pipefail
build=$1
source=$2
published_host=$3
. "$source/tests/tools/tools_test_lib.sh"

host_pid=""
second_pid=""
cleanup() {
    stop_processes $host_pid $second_pid
    restore_settings
    drain_host_side
    rm -rf "$work"
}
trap cleanup EXIT
save_settings

"$source/tests/support/wine-run.sh" "$build" "$published_host" 4 > "$work/host.out" 2>&1 &
host_pid=$!
wait_for_line "$work/host.out" "^published " || { echo "FAIL: the host did not publish: $(cat "$work/host.out")"; exit 1; }
pid=$(sed -n 's/^published \([0-9]*\).*/\1/p' "$work/host.out")

output=$(run_tool ardun-trace.com --watch --pid "$pid" --seconds 8 --out "$(windows_path "$work/watch.txt")" 2>&1)
status=$?
wait "$host_pid"
host_pid=""
echo "$output"
for pattern in "^Watching published_host.exe \(process $pid\), plug-in 1.0.0" \
    "Open COM5 at 9600 baud: ok" \
    "SetTimeouts: read interval 40 ms, read total 0 ms a byte \+ 300 ms, write total 0 ms a byte \+ 300 ms: ok" \
    "PurgeInput: ok" \
    "requests (19|20|21), packets ok (19|20|21), time-outs 0, misreads [0-9]+, N 16" \
    "finding: the device's frames hold 12 payload bytes; the host asks for 16" \
    "Close: ok" \
    "no longer: the device's frames hold 12 payload bytes" \
    "the host has ended" \
    "No host left to watch: the watch ends."; do
    grep -Eq -- "$pattern" <<< "$output" || fail "the watch did not say /$pattern/"
done
[ "$status" -eq 0 ] || fail "the watch ended with $status, expected 0"
cmp -s <(tr -d '\r' < "$work/watch.txt") <(printf '%s\n' "$output" | tr -d '\r') ||
    fail "the --out file differs from what the console showed"

# Two hosts at once, found without --pid: each watched, every line naming its host.
"$source/tests/support/wine-run.sh" "$build" "$published_host" 3 > "$work/host1.out" 2>&1 &
host_pid=$!
"$source/tests/support/wine-run.sh" "$build" "$published_host" 3 > "$work/host2.out" 2>&1 &
second_pid=$!
wait_for_line "$work/host1.out" "^published " && wait_for_line "$work/host2.out" "^published " ||
    fail "the two hosts did not publish"
output=$(run_tool ardun-trace.com --watch --seconds 8 2>&1)
status=$?
wait "$host_pid" "$second_pid"
host_pid=""
second_pid=""
for out in "$work/host1.out" "$work/host2.out"; do
    pid=$(sed -n 's/^published \([0-9]*\).*/\1/p' "$out")
    for pattern in "^Watching published_host.exe \(process $pid\)" "^published_host.exe $pid: +-?[0-9.]+ s  Open COM5" \
        "^published_host.exe $pid: the host has ended"; do
        grep -Eq -- "$pattern" <<< "$output" || fail "the watch of two hosts did not say /$pattern/: $output"
    done
done
[ "$status" -eq 0 ] || fail "the watch of two hosts ended with $status, expected 0"

# The real plug-in inside ardun-host, streaming 12-byte frames asked for as 16:
# found without --pid, its port, baud rate and N named, the wrong size found.
write_settings "\\\\.\\COM$host_port"
drain_host_side
start_tool ardun-sim.exe --port "$device_port" --size 12 --rate 20 > "$work/sim.out" 2>&1
second_pid=$!
wait_for_line "$work/sim.out" "^ardun-sim: sending " || fail "ardun-sim did not start: $(cat "$work/sim.out")"
start_tool ardun-host.exe stream --size 16 --count 1000 > "$work/stream.out" 2>&1
host_pid=$!
wait_for_line "$work/stream.out" "^Opened " || fail "ardun-host did not open: $(cat "$work/stream.out")"
output=$(run_tool ardun-trace.com --watch --seconds 5 2>&1)
status=$?
kill "$host_pid" "$second_pid" 2>/dev/null
wait "$host_pid" "$second_pid" 2>/dev/null
host_pid=""
second_pid=""
for pattern in "Watching ardun-host.exe \(process [0-9]+\)" "Open COM$host_port at 115200 baud: ok" \
    "N 16" "finding: the device's frames hold 12 payload bytes; the host asks for 16"; do
    grep -Eq -- "$pattern" <<< "$output" || fail "the watch of ardun-host did not say /$pattern/: $output"
done
[ "$status" -eq 0 ] || fail "the watch of ardun-host ended with $status, expected 0"
echo "the watch of ardun-host: $(grep -c . <<< "$output") lines"

# A --pid of no running process: named so, and waited for until --seconds.
output=$(run_tool ardun-trace.com --watch --pid 4294967295 --seconds 1 2>&1)
status=$?
check_outcome 3 "^No process 4294967295 is running; waiting for it.*No host appeared" \
    "a watch of a process that is not running" "$(tr '\n' ' ' <<< "$output")" "$status"

[ "$failures" -eq 0 ] || { echo "$failures check(s) failed"; exit 1; }
echo "the watch told the host's calls and the wrong size"
