#!/bin/bash
# The whole path on an emulated Arduino Uno: the harness runs a sketch's
# firmware (built with the Arduino core and the ArdunFrame library) in simavr
# at the wall clock's pace, its UART0 on a pty that the fixture maps into Wine
# as a COM port, and ardun-host streams from it through the plug-in DLL as the
# host does (Open, PurgeInput, then Write P,N / Read N pairs). Every payload
# is checked against what the firmware must have sent: the sequence number
# rises by two from packet to packet (the Write/Read pattern collects two
# frames and hands the host the second), and the rest of the payload is
# exactly the sketch's. Only the first packet after each Open may be
# misread: the first request can begin anywhere in a frame. SensorBox sends 20
# frames a second (one stream of 60 requests); MarkerBox sends one frame
# right after the other, so that each of its five streams of 12 requests
# begins inside a frame, among pairs FF 00 that look like frame starts.
# StructReading sends its packed 9-byte struct 10 times a second.
#   uno_stream_test.sh BUILD_DIR SOURCE_DIR SensorBox|StructReading|MarkerBox
set -uo pipefail
build=$1
source=$2
sketch=$3
. "$source/testkit/fixture/tools_test_lib.sh"
. "$source/testkit/uno/uno_board.sh"

uno_port=$ARDUN_TEST_PORT_UNO
least_packets=50

# The harness feeds SensorBox's and StructReading's inputs A0..A5 these voltages (mV of 5000);
# the readings they give: 255 is the data pair FF 00, 1023 is FF 03.
sensor_millivolts=1247,5000,0,1000,2000,3500
sensor_readings=(255 1023 0 204 409 716)

cleanup() {
    stop_uno "$build"
    restore_settings
    rm -rf "$work"
}
trap cleanup EXIT

hex_le16() {  # hex_le16 VALUE: two bytes, little-endian
    printf '%02X %02X' $(($1 & 0xFF)) $((($1 >> 8) & 0xFF))
}

# The payload the sketch sends in frame s, in hex as ardun-host prints it.
expected_payload() {  # expected_payload SEQUENCE
    local s=$1 i bytes
    bytes="$(hex_le16 "$s")"
    case "$sketch" in
    SensorBox)
        for i in "${sensor_readings[@]}"; do bytes+=" $(hex_le16 "$i")"; done ;;
    StructReading)
        # Inputs above 511 (A1, A5), the sum 2607, A0 less A1: -768.
        bytes+=" 22 $(hex_le16 2607) 00 00 $(hex_le16 -768)" ;;
    MarkerBox)
        for ((i = 2; i < 16; i++)); do
            if (((s + i) % 3 == 2)); then bytes+=" 00"; else bytes+=" FF"; fi
        done ;;
    esac
    echo "$bytes"
}

case "$sketch" in
SensorBox) size=14; streams=1; requests=60; harness_options=(--adc "$sensor_millivolts") ;;
StructReading) size=9; streams=1; requests=60; harness_options=(--adc "$sensor_millivolts") ;;
MarkerBox) size=16; streams=5; requests=12; harness_options=() ;;
*) echo "unknown sketch $sketch" >&2; exit 2 ;;
esac

save_settings
write_settings "\\\\.\\COM$uno_port"
start_uno "$build" "$sketch" "$work/harness.out" "${harness_options[@]}" || { echo "FAIL: the harness did not start"; exit 1; }

# check_stream FILE: every packet line of one ardun-host stream.
good=0 timeouts=0
check_stream() {
    local packets=0 previous=-1 after_timeout=0 line hex bytes s step
    local packet_line='^[0-9]{2}:[0-9]{2}:[0-9]{2}\.[0-9]{3} #[0-9]+ ([0-9]+) bytes: (.*)$'
    while IFS= read -r line; do
        line=${line%$'\r'}  # Windows programs end their lines with CR LF
        if [[ $line == *" time-out "* ]]; then
            timeouts=$((timeouts + 1))
            after_timeout=1
            continue
        fi
        [[ $line =~ $packet_line ]] || continue
        packets=$((packets + 1))
        hex=${BASH_REMATCH[2]}
        read -ra bytes <<< "$hex"
        s=$((16#${bytes[0]:-0} | 16#${bytes[1]:-0} << 8))
        if [ "${BASH_REMATCH[1]}" -ne "$size" ] || [ "$hex" != "$(expected_payload "$s")" ]; then
            [ "$packets" -eq 1 ] && { echo "first packet misread (allowed): $hex"; continue; }
            fail "packet $packets is not what $sketch sent: $hex"
            continue
        fi
        if [ "$previous" -ge 0 ]; then
            step=$(((s - previous + 65536) % 65536))
            if [ "$after_timeout" -eq 1 ]; then
                [ "$step" -ge 2 ] && [ "$step" -lt 100 ] || fail "sequence $s after $previous and a time-out"
            else
                [ "$step" -eq 2 ] || fail "sequence $s follows $previous: Write/Read pairs get every second frame"
            fi
        fi
        previous=$s
        after_timeout=0
        good=$((good + 1))
    done < "$1"
}

for ((stream = 1; stream <= streams; stream++)); do
    run_tool ardun-host.exe stream --size "$size" --count "$requests" > "$work/host.out" 2>&1
    host_status=$?
    cat "$work/host.out"
    [ "$host_status" -eq 0 ] || fail "ardun-host stream ended with $host_status"
    kill -0 "$uno_pid" 2>/dev/null || fail "the harness ended early: $(cat "$work/harness.out")"
    check_stream "$work/host.out"
done

# ardun-trace --find on the board, told neither its rate nor its size. The
# harness's pty carries bytes at any rate, which the search says.
find_status=0
run_tool ardun-trace.exe --find --port "$uno_port" > "$work/find.out" 2>&1 || find_status=$?
cat "$work/find.out"
[ "$find_status" -eq 0 ] || fail "ardun-trace --find ended with $find_status"
grep -Eq "^COM$uno_port: Ardun frames at any baud rate: $size payload bytes each" "$work/find.out" ||
    fail "ardun-trace --find did not measure $size-byte frames"

# A loaded machine may stall the emulation now and then; a stall costs a
# request, never a packet's content.
[ "$good" -ge "$least_packets" ] || fail "only $good right packets for $((streams * requests)) requests"
[ "$timeouts" -le $((streams * requests / 10)) ] || fail "$timeouts time-outs"
[ "$failures" -eq 0 ] || { echo "$failures check(s) failed"; exit 1; }
echo "$good packets from the emulated Uno's $sketch checked, $timeouts time-outs"
