#!/bin/bash
# ardun-trace --watch in one process over the real plug-in inside ardun-host
# in another. One host asks for 16-byte packets at 57600 baud, one Write/Read
# pair every 100 ms, while the device end of its COM pair goes through phases,
# each with its own finding:
#   ardun-sim, 100 frames a second of 16 bytes -> packets late
#   the pair's cable cut, joined -> the port lost and back
#   nothing on the line          -> nothing arrives
#   ardun-sim, 12-byte frames    -> the frames are not the size asked
#   text, no frame               -> bytes but no Ardun frames
#   ardun-sim, 16-byte frames    -> those findings end
# Then the host is ended and the watch ends with it. Two hosts at once are
# both watched, each named; a --pid of no process is named so.
# Usage: watch_end_to_end.sh BUILD_DIR SOURCE_DIR
set -uo pipefail
build=$1
source=$2
. "$source/testkit/fixture/tools_test_lib.sh"
fixture="$source/testkit/fixture/wine-fixture.sh"

watch_pid=""
host_pid=""
second_pid=""
device_pid=""
cut=no
cleanup() {
    stop_processes $watch_pid $host_pid $second_pid $device_pid
    [ $cut = no ] || "$fixture" join "$build" "$host_port"
    end_test
}
trap cleanup EXIT
trap 'exit 1' INT TERM
take_host_port

# Lines the watch printed since the phase began, without the console's CRs.
phase_start=0
begin_phase() {
    phase_start=$(wc -l < "$work/watch.out")
}
phase_lines() {
    tail -n +$((phase_start + 1)) "$work/watch.out" | tr -d '\r'
}

# expect SECONDS WHAT PATTERN...: waits up to SECONDS for a line of the phase
# matching each extended regular expression, and fails naming WHAT otherwise.
expect() {
    local seconds=$1 what=$2 pattern deadline
    shift 2
    deadline=$((SECONDS + seconds))
    for pattern in "$@"; do
        until phase_lines | grep -Eq -- "$pattern"; do
            if [ $SECONDS -ge $deadline ]; then
                fail "$what: the watch did not say /$pattern/ within $seconds s; it said since: $(phase_lines)"
                return 1
            fi
            sleep 0.1
        done
    done
    echo "ok: $what (at $SECONDS s)"
}

# The device end plays the device: ardun-sim, or text.
device() {  # device sim ARGS... | device text | device none
    stop_processes $device_pid
    device_pid=""
    case "$1" in
    sim)
        start_tool ardun-sim.exe --port "$device_port" --baud 57600 "${@:2}" > "$work/sim.out" 2>&1
        device_pid=$!
        wait_for_line "$work/sim.out" "^ardun-sim: sending " || fail "ardun-sim did not start: $(cat "$work/sim.out")"
        ;;
    text)
        # What a sketch that prints its readings sends: bytes, and never a frame start.
        while :; do
            printf 'T=21.5 C\r\n'
            sleep 0.05
        done > "$build/com/com$device_port" &
        device_pid=$!
        ;;
    esac
}

start_tool ardun-trace.com --watch --seconds 120 --out "$(windows_path "$work/watch.txt")" > "$work/watch.out" 2>&1
watch_pid=$!
expect 20 "a watch with no host" "^No host with the ArdunParser plug-in is running; waiting for one to start\.$"

# The device sends before the host starts, so that the rates the watch
# measures are the device's and the host's from the host's first request.
begin_phase
device sim --size 16 --rate 100
start_tool ardun-host.exe stream --size 16 --baud 57600 --every 100 > "$work/host.out" 2>&1
host_pid=$!
expect 20 "the host found" "^Watching ardun-host\.exe \(process [0-9]+\), plug-in [0-9.]+, port (not )?open$" \
    "s  Open COM$host_port at 57600 baud: ok$" "s  PurgeInput: ok$"
# A packet is a Write/Read pair: the host takes 10 a second.
expect 10 "a device faster than the host" \
    "s  finding: packets are [0-9]+\.[0-9] s behind the device: it sends ([5-9][0-9]|1[0-9][0-9]) frames a second, the host takes (9|9\.[0-9]|10|11)$" \
    "s  requests (9|1[01]), packets ok (9|1[01]), time-outs 0, misreads 0, N 16$"

# The cable cut takes the queued packets with it.
begin_phase
device none
"$fixture" cut "$build" "$host_port" && cut=yes || fail "the cable of COM$host_port could not be cut"
expect 10 "the cable cut" "s  finding: COM$host_port lost: the device is gone; each request tries to open it again$"
"$fixture" join "$build" "$host_port" && cut=no || fail "the cable of COM$host_port could not be joined"
expect 10 "the cable joined" "s  no longer: COM$host_port lost"
# Not before: the last byte came just before the cut.
begin_phase
expect 10 "a silent line" "s  finding: nothing arrives: the device is off, or on another port$"

begin_phase
device sim --size 12 --rate 10
expect 10 "12-byte frames asked for as 16" "s  no longer: nothing arrives" \
    "s  finding: the device's frames hold 12 payload bytes; the host asks for 16$" \
    "s  requests [0-9]+, packets ok [0-9]+, time-outs [0-9]+, misreads [1-9][0-9]*, N 16$"
# The queue went with the cable: the packets are late no longer.
phase_start=0
expect 10 "no packets late" "s  no longer: packets are [0-9]+\.[0-9] s behind the device"

begin_phase
device text
expect 10 "text and no frame" \
    "s  finding: bytes but no Ardun frames at 57600 baud, the rate the host opened COM$host_port with: ardun-trace --find tells the device's$"

# 16-byte frames again, faster than the host asks: those findings end, and
# the host, held up by the silence and the text, goes on at its own pace
# instead of making up the requests it missed in a burst.
begin_phase
device sim --size 16 --rate 100
expect 10 "frames again" "s  no longer: bytes but no Ardun frames" \
    "s  no longer: the device's frames hold 12 payload bytes" \
    "s  requests [0-9]+, packets ok [0-9]+, time-outs 0, misreads 0, N 16$"
# A second's count wavers by a request or two as the watch's ticks do; a burst is many more.
if phase_lines | grep -Eq "s  requests (1[5-9]|[2-9][0-9]|[0-9]{3,}),"; then
    fail "the host asked faster than one Write/Read pair every 100 ms: $(phase_lines)"
fi

begin_phase
stop_processes $host_pid
host_pid=""
# What held when it ended (or closed the port) went with it, not mended.
expect 10 "the host ended" "s  the host ended( \(findings then: .*\))?$" "^No host left to watch: the watch ends\.$"
if phase_lines | grep -q "no longer"; then
    fail "the host's end was taken for a finding mended: $(phase_lines)"
fi
wait "$watch_pid"
status=$?
watch_pid=""
[ "$status" -eq 0 ] || fail "the watch ended with $status, expected 0"
cmp -s <(tr -d '\r' < "$work/watch.txt") <(tr -d '\r' < "$work/watch.out") ||
    fail "the --out file differs from what the console showed"
tr -d '\r' < "$work/watch.out"
stop_processes $device_pid
device_pid=""
drain_host_side  # the text the host had not read yet

# Two hosts at once, found without --pid, each ending by itself after 6 s or
# more: each watched, every line naming its host. No device: Wine lets both
# open the same port. Both run before the watch starts, so that its first
# look finds both; they start one after the other: the plug-in reads its
# settings file with no sharing, and a second host reading it at the same
# moment would open the default port instead.
start_tool ardun-host.exe stream --baud 9600 --every 300 --count 20 > "$work/host1.out" 2>&1
host_pid=$!
wait_for_line "$work/host1.out" "^Opened " || fail "the first host did not open: $(cat "$work/host1.out")"
start_tool ardun-host.exe stream --baud 9600 --every 300 --count 20 > "$work/host2.out" 2>&1
second_pid=$!
wait_for_line "$work/host2.out" "^Opened " || fail "the second host did not open: $(cat "$work/host2.out")"
output=$(run_tool ardun-trace.com --watch --seconds 60 2>&1)
status=$?
stop_processes $host_pid $second_pid
host_pid=""
second_pid=""
printf '%s\n' "$output" | tr -d '\r' > "$work/watch.lines"
pids=$(sed -En 's/^Watching ardun-host\.exe \(process ([0-9]+)\).*/\1/p' "$work/watch.lines" | sort -u)
[ "$(wc -w <<< "$pids")" -eq 2 ] || fail "the watch of two hosts did not watch two: $(cat "$work/watch.lines")"
for pid in $pids; do
    for pattern in "^ardun-host\.exe $pid: +-?[0-9.]+ s  Open COM$host_port at 9600 baud: ok$" \
        "^ardun-host\.exe $pid: +-?[0-9.]+ s  Close: ok$" "^ardun-host\.exe $pid: +-?[0-9.]+ s  the host ended$"; do
        grep -Eq -- "$pattern" "$work/watch.lines" ||
            fail "the watch of two hosts did not say /$pattern/: $(cat "$work/watch.lines")"
    done
done
[ "$status" -eq 0 ] || fail "the watch of two hosts ended with $status, expected 0"

# A --pid of no running process: named so, and waited for until --seconds.
output=$(run_tool ardun-trace.com --watch --pid 4294967295 --seconds 1 2>&1)
status=$?
check_outcome 3 "^No process 4294967295 is running; waiting for it.*No host appeared" \
    "a watch of a process that is not running" "$(tr '\n' ' ' <<< "$output")" "$status"

[ "$failures" -eq 0 ] || { echo "$failures check(s) failed"; exit 1; }
echo "the watch told the host's calls and each finding"
