#!/bin/bash
# ardun-host and ardun-sim facing what goes wrong for users: no DLL, a DLL that
# is not a plug-in, a plug-in that hands out nothing, a port that cannot be
# opened, a silent line, a device falling quiet, frames of another size than
# asked for, nobody reading the simulator, a wrong command line. Each must say
# so clearly and end with its documented status, never crash. Also checks
# what `info` shows of the real plug-in.
# Usage: host_errors.sh BUILD_DIR SOURCE_DIR NULL_PLUGIN_DLL
set -uo pipefail
build=$1
source=$2
null_plugin=$3
. "$source/testkit/fixture/tools_test_lib.sh"

cleanup() {
    restore_settings
    drain_host_side
    rm -rf "$work"
}
trap cleanup EXIT
save_settings

# expect STATUS PATTERN PROGRAM ARGS...: the program ends with STATUS and its
# output (stdout and stderr) matches the extended regular expression PATTERN.
expect() {
    local status=$1 pattern=$2
    shift 2
    local output actual
    output=$(run_tool "$@" 2>&1)
    actual=$?
    check_outcome "$status" "$pattern" "$*" "$output" "$actual"
}

write_settings "\\\\.\\COM$host_port"

# Loading the plug-in.
expect 1 "could not load the plug-in 'no-such-plugin\.dll': Windows error 126" \
    ardun-host.exe info --dll no-such-plugin.dll
expect 1 "is not a Movra plug-in: it has no export MVCreatePlugin" \
    ardun-host.exe stream --dll kernel32.dll
expect 1 "MVCreatePlugin of '.*null_plugin\.dll' returned no plug-in object" \
    ardun-host.exe stream --count 1 --dll "$(windows_path "$null_plugin")"

# Command lines.
expect 2 "no command given" ardun-host.exe
expect 2 "--size takes a number from 1 to 255, not '0'" ardun-host.exe stream --size 0
expect 2 "unknown argument 'play'" ardun-host.exe play
expect 0 "Usage: ardun-host COMMAND" ardun-host.exe --help
expect 2 "--port is required" ardun-sim.exe --count 1
expect 0 "Usage: ardun-sim --port N" ardun-sim.exe --help

# The simulator on a port that cannot be opened.
expect 1 "could not open \\\\\\\\\.\\\\COM$bad_port: Windows error 5" ardun-sim.exe --port "$bad_port" --count 1

# What info shows of the real plug-in: texts, GUIDs in text form, the type.
expect 0 "name: +Ardun Packet Parser Plug-in" ardun-host.exe info
expect 0 "GUID: +\{5A1C7E20-8B3D-4F61-9C2E-0D4B7A93E615\}" ardun-host.exe info
expect 0 "GUID: +\{7E94B2C1-06DA-4C38-B571-2F8E6A0D93B4\}" ardun-host.exe info
expect 0 "type: +100001 " ardun-host.exe info
expect 0 "name: +Fake Data Acq Hardware" ardun-host.exe info
expect 0 "Configured port: \\\\\\\\\.\\\\COM$host_port \(from " ardun-host.exe info

# A silent line: every request times out and the stream says no packet came.
drain_host_side
expect 3 "#2 time-out 0x800705B4 in Write" ardun-host.exe stream --count 2
expect 3 "no packet arrived" ardun-host.exe stream --count 1

# A device that sends one frame and falls quiet (as an unplugged one does under
# Wine): its packet is shown once, then the requests say that nothing new came.
# The device starts once the host has opened the port and discarded its input.
drain_host_side
start_tool ardun-host.exe stream --count 20 --size 16 > "$work/quiet.txt" 2>&1
host=$!
wait_for_line "$work/quiet.txt" "^Opened " || fail "ardun-host did not open the port"
run_tool ardun-sim.exe --port "$device_port" --count 1 --size 16 > /dev/null 2>&1
wait $host
status=$?
packets=$(grep -c " 16 bytes: " "$work/quiet.txt")
if [ "$status" -ne 0 ] || [ "$packets" -ne 1 ] ||
   ! sed -n '/ 16 bytes: /,$p' "$work/quiet.txt" | grep -q "time-out 0x800705B4 in Read: no new packet"; then
    fail "one frame, then quiet: status $status, $packets packet lines; output: $(cat "$work/quiet.txt")"
else
    echo "ok: one frame, then quiet -> one packet, then no new packet"
fi

# Frames of 12 payload bytes, asked for as 16 (packets still "ok") and as 8:
# the stream measures the frames on the line and names the size to ask for,
# once as it learns it and again in its summary.
# The device is sending before the host opens, so that a slow start of
# either program cannot leave the host's requests on a quiet line.
for asked in 16 8; do
    drain_host_side
    start_tool ardun-sim.exe --port "$device_port" --size 12 --rate 20 --count 0 > "$work/sim.txt" 2>&1
    sim=$!
    wait_for_line "$work/sim.txt" "^ardun-sim: sending " || fail "ardun-sim did not start: $(cat "$work/sim.txt")"
    run_tool ardun-host.exe stream --count 12 --size "$asked" > "$work/size.txt" 2>&1
    stop_simulator $sim
    advice="the device's frames hold 12 payload bytes, not the $asked asked for: ask for 12 \(--size 12\)"
    if [ "$(grep -Ec "^[0-9:.]+ #[0-9]+ $advice" "$work/size.txt")" -ne 1 ] ||
       ! grep -Eq "^Frames measured on the line: $advice" "$work/size.txt"; then
        fail "12-byte frames asked for as $asked: $(cat "$work/size.txt")"
    else
        echo "ok: 12-byte frames asked for as $asked -> ask for 12"
    fi
done

# Nobody reads the simulator's port: it goes on, as a device does, says so,
# and counts the bytes lost.
sim_output=$(run_tool ardun-sim.exe --port "$device_port" --size 255 --rate 1000 --count 1000 2>&1)
sim_status=$?
check_outcome 0 "times the port would not take a frame" "ardun-sim, nobody reading" "$sim_output" "$sim_status"
check_outcome 0 "^ardun-sim: lost [1-9][0-9]* bytes \([1-9][0-9]* frames\) the port could not take" \
    "ardun-sim, nobody reading, counts what was lost" "$sim_output" "$sim_status"
drain_host_side

# A configured port that cannot be opened: Open's result and the component's
# own error text, and the command that chooses another for the plug-in named.
write_settings "\\\\.\\COM$bad_port"
expect 1 "Open \(IMVDataAcqIO slot 7\) failed with 0x80004005; GetLastErrorText: flag 1, text \"Could not open \\\\\\\\\.\\\\COM$bad_port\"" \
    ardun-host.exe stream --count 1
expect 1 "choose another with 'ardun-host config --dll \"Z:.*ArdunParser\.dll\"'" \
    ardun-host.exe stream --count 1 --dll "$(windows_path "$build/ArdunParser.dll")"

[ "$failures" -eq 0 ] || { echo "$failures check(s) failed"; exit 1; }
echo "all checks passed"
