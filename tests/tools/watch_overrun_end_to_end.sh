#!/bin/bash
# ardun-trace --watch over a host that falls behind a device that cannot be
# slowed: ardun-sim sends 100 frames a second of 16 bytes on the pair whose
# line overruns, ardun-host with the real plug-in asks for one packet every
# 50 ms (a Write/Read pair: 20 a second), and the host side's queue grows
# until the line's buffer is full, then loses what comes while the host goes
# on for some seconds and closes the port. The frame numbers of the packets
# the host took (bytes 0-3 of each payload) tell how late each was; every
# late finding the watch says must agree with them:
#   the lateness within 20 % of the age of the packet the host took then;
#   the device's rate right within 20 % (100), or not named;
#   the host's rate right within 20 % (20);
#   the full buffer named once the line has lost bytes;
#   the host's close said as such, never as "no longer".
# Usage: watch_overrun_end_to_end.sh BUILD_DIR SOURCE_DIR
set -uo pipefail
build=$1
source=$2
. "$source/testkit/fixture/tools_test_lib.sh"
host_port=$ARDUN_TEST_PORT_E
device_port=$ARDUN_TEST_PORT_F

watch_pid=""
host_pid=""
device_pid=""
cleanup() {
    stop_processes $watch_pid $host_pid $device_pid
    end_test
}
trap cleanup EXIT
trap 'exit 1' INT TERM
take_host_port
# The relay counts what its line lost since it began.
read -r _ _ _ lost_before _ < "$build/com/line$host_port"

start_tool ardun-trace.com --watch --seconds 60 --out "$(windows_path "$work/watch.txt")" > "$work/watch.out" 2>&1
watch_pid=$!
wait_for_line "$work/watch.out" "^No host with the ArdunParser plug-in is running" ||
    fail "the watch did not start: $(cat "$work/watch.out")"
start_tool ardun-sim.exe --port "$device_port" --baud 57600 --size 16 --rate 100 > "$work/sim.out" 2>&1
device_pid=$!
wait_for_line "$work/sim.out" "^ardun-sim: sending " || fail "ardun-sim did not start: $(cat "$work/sim.out")"
# 12 s. A Write P,N and its Read each take a frame off the line: the queue
# grows by 60 frames a second and is full after about 3.5 s; its head ages
# until the frames queued by then are read, some 5 s later, and then holds.
start_tool ardun-host.exe stream --size 16 --baud 57600 --every 50 --count 240 > "$work/host.out" 2>&1
host_pid=$!
wait "$host_pid"
host_pid=""
wait "$watch_pid"
status=$?
watch_pid=""
stop_processes $device_pid
device_pid=""
[ "$status" -eq 0 ] || fail "the watch ended with $status, expected 0"
tr -d '\r' < "$work/watch.out" > "$work/watch.lines"
tr -d '\r' < "$work/host.out" > "$work/host.lines"
read -r _ capacity _ lost _ < "$build/com/line$host_port"
lost=$((lost - lost_before))
[ "$lost" -gt 0 ] || fail "the line lost no byte: the host did not fall behind far enough"

# The watch's stamps count from its start, the host's packets carry their
# time of day: the host's PurgeInput comes just before its first packet.
# The device sent frame s at the first packet's time less its number/100.
awk -v capacity="$capacity" '
function seconds(clock, parts) {
    split(clock, parts, ":")
    return parts[1] * 3600 + parts[2] * 60 + parts[3]
}
function byte(hex, digits) {
    digits = "0123456789ABCDEF"
    return (index(digits, substr(hex, 1, 1)) - 1) * 16 + index(digits, substr(hex, 2, 1)) - 1
}
# What stands between `before` and `after` in `text`.
function between(text, before, after) {
    sub(".*" before, "", text)
    sub(after ".*", "", text)
    return text
}
function bad(text) {
    print "FAIL: " text
    failures++
}
FNR == NR {
    if ($2 ~ /^#[0-9]+$/ && $3 == 16 && $4 == "bytes:") {
        time = seconds($1)
        if (packets > 0 && time < packetTime[packets])
            time += 86400  # past midnight
        frame = byte($5) + 256 * byte($6) + 65536 * byte($7) + 16777216 * byte($8)
        if (packets == 0)
            simStart = time - frame / 100
        packetTime[++packets] = time
        packetAge[packets] = time - (simStart + frame / 100)
    }
    next
}
/ s  PurgeInput: ok$/ && offset == "" { offset = packetTime[1] - $1 }
/ s  no longer: packets are / { bad("the host\047s close taken for the fault mended: " $0) }
# A late finding said, or held when the host closed the port.
/ s  finding: packets are / || / s  the host closed COM[0-9]+ \(findings then: packets are / {
    finding = $0
    sub(/.*packets are /, "packets are ", finding)
    if ($0 ~ / s  the host closed /) {
        closedLate = 1
        sub(/\)$/, "", finding)
    }
    findings++
    late = between(finding, "packets are ", " s behind") + 0
    # The figure is of the latest request the watch had read: one the host
    # took in the quarter second before (the watch reads ten times a second),
    # or just after, as the host prints a packet once its Read ends.
    at = $1 + offset
    youngest = oldest = ""
    for (i = 1; i <= packets; i++)
        if (packetTime[i] >= at - 0.25 && packetTime[i] <= at + 0.05) {
            if (youngest == "" || packetAge[i] < youngest) youngest = packetAge[i]
            if (oldest == "" || packetAge[i] > oldest) oldest = packetAge[i]
        }
    if (youngest == "") {
        bad("no packet of the host near " $1 " s: " $0)
        next
    }
    if (finding ~ /^packets are [0-9.]+ s behind the device and bytes are being lost: the port.s buffer is full \([0-9]+ bytes\); the device sends more than the host takes \([0-9.]+ frames a second\)$/) {
        fulls++
        device = "not named"
        host = between(finding, "takes \\(", " frames") + 0
        buffer = between(finding, "is full \\(", " bytes") + 0
        if (buffer != capacity) bad("the buffer named " buffer " bytes, the line holds " capacity ": " $0)
    } else if (finding ~ /^packets are [0-9.]+ s behind the device: it sends [0-9.]+ frames a second, the host takes [0-9.]+$/) {
        if (fulls > 0) bad("the growing queue named after the full one: " $0)
        device = between(finding, "it sends ", " frames") + 0
        host = finding
        sub(/.*host takes /, "", host)
        host += 0
        if (device < 80 || device > 120) bad("the device sends 100 frames a second, not " device ": " $0)
    } else {
        bad("a late finding of neither form: " $0)
        next
    }
    if (host < 16 || host > 24) bad("the host takes 20 packets a second, not " host ": " $0)
    # Within 20 %, and the half tenth the text rounds to.
    if (late < 0.8 * youngest - 0.05 || late > 1.2 * oldest + 0.05)
        bad(sprintf("%s s behind, while the frame numbers show %.2f to %.2f s: %s", late, youngest, oldest, $0))
    printf "at %6.2f s: the watch says %3.1f s behind (device %s, host %s); the frame numbers %.2f to %.2f s\n",
        $1, late, device, host, youngest, oldest
}
/ s  the host closed COM[0-9]+/ { closed = 1 }
END {
    if (packets < 200) bad("the host took " packets " packets, expected 240")
    if (offset == "") bad("no PurgeInput of the host in the watch")
    if (findings == 0) bad("no late finding")
    if (fulls == 0) bad("the full buffer was never named")
    if (!closed) bad("the host\047s close was not said")
    else if (!closedLate) bad("the host\047s close did not name the packets late then")
    exit failures > 0
}' "$work/host.lines" "$work/watch.lines" || failures=$((failures + 1))
grep -Eq "s  the host ended( \(findings then: .*\))?$" "$work/watch.lines" || fail "the host's end was not said"
echo "the line lost $lost bytes beyond its $capacity"

[ "$failures" -eq 0 ] || { cat "$work/watch.lines"; echo "$failures check(s) failed"; exit 1; }
echo "the watch's figures held while the host fell behind a device that cannot be slowed"
