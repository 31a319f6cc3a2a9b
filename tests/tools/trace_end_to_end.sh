#!/bin/bash
# ardun-trace as a user runs it: over the simulator, on a silent line, on a
# port that cannot be opened, with the port from the settings file or none,
# and with a wrong command line. Its console copy of the log is checked line
# by line; the window itself is tested in process (trace_window_test).
# Usage: trace_end_to_end.sh BUILD_DIR SOURCE_DIR
set -uo pipefail
build=$1
source=$2
. "$source/testkit/fixture/tools_test_lib.sh"

sim_pid=""
cleanup() {
    stop_processes $sim_pid
    restore_settings
    drain_host_side
    rm -rf "$work"
}
trap cleanup EXIT
save_settings

# trace STATUS ARGS...: runs ardun-trace --console into $work/trace.out and
# checks its exit status.
trace() {
    local status=$1
    shift
    run_tool ardun-trace.exe --console "$@" > "$work/trace.out" 2>&1
    local actual=$?
    tr -d '\r' < "$work/trace.out" > "$work/trace.txt"
    [ "$actual" -eq "$status" ] || fail "ardun-trace $* ended with $actual, expected $status: $(cat "$work/trace.txt")"
}

expect_line() {  # expect_line PATTERN: a line of the last trace matches the extended regular expression
    grep -Eq -- "$1" "$work/trace.txt" || fail "no line /$1/ in: $(cat "$work/trace.txt")"
}

"$source/tests/contract/check-dll-tables.sh" --program "$build/ardun-trace.exe" || fail "ardun-trace imports"

run_tool ardun-trace.exe --help | grep -q -- "--console" || fail "--help does not describe --console"
trace 2 --size 0
expect_line "^ardun-trace: --size"
trace 2 --save
expect_line "^ardun-trace: --save goes with --find$"

# The simulator's frames, with noise before each: the port comes from the
# settings file, as the plug-in takes it.
write_settings "\\\\.\\COM$host_port"
drain_host_side
start_tool ardun-sim.exe --port "$device_port" --size 8 --rate 20 --noise 3 > /dev/null 2>&1
sim_pid=$!
sleep 1
# The default view first: each packet's block shows the frame start and the
# payload the packet line names, then the byte dropped after it.
trace 0 --size 8 --count 6
awk '/^  start    FF 00$/ { start = NR } /^  payload  / { payload = substr($0, 12, 23); at = NR }
     /^Packet [0-9]+: 0x00000000 ok, 8 bytes: / {
         checked++
         if (substr($0, length($0) - 22) != payload || at != NR - 2 || start != NR - 3) bad = 1 }
     END { exit !(checked >= 4 && !bad) }' "$work/trace.txt" || fail "the view's blocks do not match the packets"
# Then the module's own log, line by line.
trace 0 --log --size 8 --count 6
stop_simulator "$sim_pid"
sim_pid=""
expect_line '^Port \\\\\.\\COM'"$host_port"' from ArdunParser\.dat beside ardun-trace; 115200 baud, 8-byte packets$'
expect_line '^Settings file Z:.*ArdunParser\.dat read$'
expect_line "^KVSerial: \\\\\\\\\\.\\\\COM$host_port opened at 115200 baud$"
# Every byte read shows as the header and one line of one byte.
awk '/^KVSerial: Read$/ { header = NR } /^0000: / && header != NR - 1 { bad = 1 }
     /^KVSerial: Read$/ { reads++ } /^0000: / { dumps++ }
     END { exit !(reads == dumps && reads > 0 && !bad) }' "$work/trace.txt" || fail "hex dump lines out of order"
packets=0
while IFS= read -r line; do
    if [[ $line =~ ^Packet\ [0-9]+:\ 0x00000000\ ok,\ 8\ bytes:\ (.*)$ ]]; then
        read -ra bytes <<< "${BASH_REMATCH[1]}"
        s=$((16#${bytes[0]} | 16#${bytes[1]} << 8))
        [ "${BASH_REMATCH[1]}" = "$(expected_payload "$s" 8)" ] || fail "not a packet the simulator sent: $line"
        packets=$((packets + 1))
    fi
done < "$work/trace.txt"
[ "$packets" -ge 4 ] || fail "only $packets of 6 requests brought a packet"
[ "$(tail -n 1 "$work/trace.txt")" = "KVSerial: Port Closed" ] || fail "the port was not closed last"

# 14-byte frames traced as 16 and as 12: the view names the wrong size, the
# frames' measured length once.
drain_host_side
start_tool ardun-sim.exe --port "$device_port" --size 14 --rate 20 --noise 2 > /dev/null 2>&1
sim_pid=$!
sleep 1
for size in 16 12; do
    trace 0 --port "$host_port" --size $size --count 8
    [ "$(grep -c "^the device's frames hold about 14 payload bytes, not the $size asked for: ask for 14 (--size 14)$" \
        "$work/trace.txt")" -eq 1 ] || fail "--size $size: the measured size not named once: $(cat "$work/trace.txt")"
done
grep -q "look shorter" "$work/trace.txt" && fail "--size 12 taken for too long: $(cat "$work/trace.txt")"
# Packets that end in 55 55 are judged once the frames are measured, a few frames in.
trace 0 --port "$host_port" --size 16 --count 5
expect_line "^the device's frames look shorter than 16 bytes: about 14$"
stop_simulator "$sim_pid"
sim_pid=""

# --find on a pair it was not told about: 12-byte frames, with and without
# noise; --save keeps the port as the dialog would, beside ardun-trace, and
# --save-to in the folder given.
mkdir -p "$work/plugins"
for noise in 0 4; do
    drain_host_side
    start_tool ardun-sim.exe --port "$device_port" --size 12 --rate 20 --noise $noise > /dev/null 2>&1
    sim_pid=$!
    sleep 1
    rm -f "$settings"
    save=(--save)
    [ $noise -eq 4 ] && save=(--save-to "$(windows_path "$work/plugins")") && settings_saved=$work/plugins/ArdunParser.dat
    find_status=0
    run_tool ardun-trace.exe --find --port "$host_port" "${save[@]}" > "$work/find.out" 2>&1 || find_status=$?
    tr -d '\r' < "$work/find.out" > "$work/trace.txt"
    [ "$find_status" -eq 0 ] || fail "--find with noise $noise ended with $find_status: $(cat "$work/trace.txt")"
    # The pair carries every rate: no rate advised, the frames a second as heard.
    expect_line "^COM$host_port: Ardun frames at any baud rate: 12 payload bytes each, (19|20|21)\.[0-9] frames a second$"
    expect_line "^  use port COM$host_port at any baud rate \(a virtual pair carries every rate\): use the host's, the host asking for 12 bytes \(P,12\): ardun-trace --port $host_port --size 12$"
    [ "$(head -c 25 "${settings_saved:-$settings}" | tr -d '\0')" = "\\\\.\\COM$host_port" ] ||
        fail "${save[*]} did not keep COM$host_port"
    [ $noise -eq 0 ] && expect_line "^Saved COM$host_port in .*ArdunParser.dat, the copy beside ardun-trace: "
    stop_simulator "$sim_pid"
    sim_pid=""
done
drain_host_side
find_status=0
run_tool ardun-trace.exe --find --port "$host_port" > "$work/find.out" 2>&1 || find_status=$?
tr -d '\r' < "$work/find.out" > "$work/trace.txt"
[ "$find_status" -eq 3 ] || fail "--find on a silent port ended with $find_status"
expect_line "^COM$host_port: no byte at any baud rate: nothing sends on this port$"

drain_host_side
trace 3 --port "$host_port" --count 2 --out "$(windows_path "$work/out.txt")"
expect_line '^Time-out \(request 2\): 0x800705B4 no byte at all: is it the right port, .* "Find the device" in the menu \(ardun-trace --find\) finds the port, rate and size$'
# --out: the same lines as the console's copy, with Windows' line ends.
cmp -s <(tr -d '\r' < "$work/out.txt") "$work/trace.txt" || fail "--out holds: $(cat "$work/out.txt")"
[ "$(grep -c $'\r$' "$work/out.txt")" -eq "$(wc -l < "$work/trace.txt")" ] || fail "--out without CR LF line ends"
trace 1 --port "$host_port" --count 1 --out "$(windows_path "$work/no-such-folder/out.txt")"
expect_line '^ardun-trace: .*no-such-folder.*out\.txt could not be made: '

trace 1 --port "$bad_port" --count 1
expect_line "^Could not open \\\\\\\\\\.\\\\COM$bad_port: (no such port|another program holds it|the driver refused the baud rate), Windows error [1-9][0-9]* \\([^)]+\\): "

# No settings file: the plug-in's default port, which the fixture makes absent.
rm -f "$settings"
trace 1 --count 1
expect_line '^Port \\\\\.\\COM1, the plug-in.s default \(no ArdunParser\.dat beside ardun-trace\);'
expect_line '^Settings file .*ArdunParser\.dat could not be read \(0x80070002, no such file\)$'

[ "$failures" -eq 0 ] || { echo "$failures check(s) failed"; exit 1; }
echo "ardun-trace showed what the line carried"
