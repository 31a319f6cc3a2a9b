#!/bin/bash
# ardun-host and ardun-sim facing what goes wrong for users: no DLL, a DLL that
# is not a plug-in, a plug-in that hands out nothing, a port that cannot be
# opened, a silent line, a device falling quiet, a wrong command line. Each must say so clearly and
# end with its documented non-zero status, never crash. Also checks what
# `info` shows of the real plug-in.
# Usage: host_errors.sh BUILD_DIR SOURCE_DIR NULL_PLUGIN_DLL
set -uo pipefail
build=$1
source=$2
null_plugin=$3
. "$source/tests/tools/tools_test_lib.sh"

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
    if [ "$actual" -ne "$status" ]; then
        fail "$* ended with $actual, expected $status; output: $output"
    elif ! grep -Eq -- "$pattern" <<< "$output"; then
        fail "$*: output does not match /$pattern/: $output"
    else
        echo "ok: $* -> $status"
    fi
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

# A configured port that cannot be opened: Open's result and the component's
# own error text.
write_settings "\\\\.\\COM$bad_port"
expect 1 "Open \(IMVDataAcqIO slot 7\) failed with 0x80004005; GetLastErrorText: flag 1, text \"Could not open \\\\\\\\\.\\\\COM$bad_port\"" \
    ardun-host.exe stream --count 1

[ "$failures" -eq 0 ] || { echo "$failures check(s) failed"; exit 1; }
echo "all checks passed"
