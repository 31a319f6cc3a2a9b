#!/bin/bash
# The tools against each other over a virtual null-modem pair: ardun-sim plays
# the device on one end, ardun-host streams through the plug-in DLL on the
# other. Every packet ardun-host prints must be one the simulator sent: its
# sequence number rises and every byte is what the payload layout says for it.
# Usage: stream_end_to_end.sh BUILD_DIR SOURCE_DIR
set -uo pipefail
build=$1
source=$2
. "$source/testkit/fixture/tools_test_lib.sh"

requests=30
sim_pid=""
host_pid=""

cleanup() {
    stop_processes $host_pid $sim_pid
    restore_settings
    drain_host_side
    rm -rf "$work"
}
trap cleanup EXIT
save_settings
write_settings "\\\\.\\COM$host_port"

# stream_once SIZE RATE FIRST: the simulator sends SIZE-byte payloads at RATE
# frames per second, numbered from FIRST; ardun-host asks for them and every
# packet it prints is checked.
stream_once() {
    local size=$1 rate=$2 first=$3
    echo "--- $size-byte payloads at $rate frames/s from frame $first"
    drain_host_side
    : > "$work/sim.out"
    : > "$work/host.out"
    # The host listens first, so the first frame meets a request that began on
    # a quiet line. A request that began in the middle of a frame could take a
    # data pair FF 00 (sent as FF FF 00) for a frame start: the framing itself
    # cannot tell them apart.
    start_tool ardun-host.exe stream --size "$size" --count "$requests" > "$work/host.out" 2>&1
    host_pid=$!
    if ! wait_for_line "$work/host.out" "^Opened "; then
        fail "ardun-host did not open: $(cat "$work/host.out")"
        kill "$host_pid" 2>/dev/null
        wait "$host_pid" 2>/dev/null
        host_pid=""
        return
    fi
    start_tool ardun-sim.exe --port "$device_port" --size "$size" --rate "$rate" --noise 4 --first "$first" \
        > "$work/sim.out" 2>&1
    sim_pid=$!
    wait "$host_pid"
    local host_status=$?
    host_pid=""
    stop_simulator "$sim_pid"
    sim_pid=""
    cat "$work/host.out"
    [ "$host_status" -eq 0 ] || fail "ardun-host stream ended with $host_status"

    local packets=0 previous=-1 escapes=0 late_timeouts=0 line count hex bytes s expected
    local packet_line='^[0-9]{2}:[0-9]{2}:[0-9]{2}\.[0-9]{3} #[0-9]+ ([0-9]+) bytes: (.*)$'
    while IFS= read -r line; do
        line=${line%$'\r'}  # Windows programs end their lines with CR LF
        # A loaded machine may stall the simulator now and then; a stall
        # costs a request, never a packet's content.
        if [[ $line == *" time-out "* ]] && [ "$packets" -gt 0 ]; then
            late_timeouts=$((late_timeouts + 1))
        fi
        [[ $line =~ $packet_line ]] || continue
        count=${BASH_REMATCH[1]}
        hex=${BASH_REMATCH[2]}
        read -ra bytes <<< "$hex"
        if [ "$count" -ne "$size" ] || [ "${#bytes[@]}" -ne "$size" ]; then
            fail "packet of $count bytes (${#bytes[@]} shown), expected $size: $line"
            continue
        fi
        s=$((16#${bytes[0]} | 16#${bytes[1]} << 8 | 16#${bytes[2]} << 16 | 16#${bytes[3]} << 24))
        expected=$(expected_payload "$s" "$size")
        [ "$hex" = "$expected" ] || fail "packet $s is not what the simulator sent: $hex, expected $expected"
        [ "$s" -gt "$previous" ] || fail "sequence $s does not follow $previous"
        [[ $hex == *"FF 00"* ]] && escapes=$((escapes + 1))
        previous=$s
        packets=$((packets + 1))
    done < "$work/host.out"

    # Requests time out while the simulator starts (a second or two), and
    # seldom afterwards.
    [ "$packets" -ge $((requests / 2)) ] || fail "only $packets packets for $requests requests"
    [ "$late_timeouts" -le $((requests / 10)) ] || fail "$late_timeouts time-outs after the stream had started"
    grep -q "^Summary: $packets packets, " "$work/host.out" || fail "the summary does not count $packets packets"
    if [ "$size" -eq 255 ] && [ "$escapes" -eq 0 ]; then
        fail "no packet carried the data pair FF 00, so the escaping went untested"
    fi
    echo "$packets packets checked, $escapes with the data pair FF 00"
}

stream_once 16 50 0
# Long payloads from frame 240: the pair FF 00 in the data of nearly every
# frame, and the sequence number's low byte passing FF.
stream_once 255 25 240

[ "$failures" -eq 0 ] || { echo "$failures check(s) failed"; exit 1; }
echo "every packet was one the simulator sent, in order"
