# Shared by the tools' test scripts: running the tools in the build tree's
# Wine prefix, the plug-in's settings file, and emptying the virtual COM pair.
# Expects $build and $source to be set.
. "$source/testkit/com-ports.sh"

host_port=$ARDUN_TEST_PORT_A
device_port=$ARDUN_TEST_PORT_B
bad_port=$ARDUN_TEST_PORT_BAD
settings="$build/ArdunParser.dat"
work=$(mktemp -d)
failures=0

run_tool() {  # run_tool PROGRAM.exe ARGS...
    "$source/testkit/wine-run.sh" "$build" "$build/$1" "${@:2}"
}

# start_tool PROGRAM.exe ARGS...: the same in the background, with $! the
# program's own process (not a subshell's), so that kill reaches it.
start_tool() {
    "$source/testkit/wine-run.sh" "$build" "$build/$1" "${@:2}" &
}

# Waits until a line of FILE matches PATTERN, for up to 20 s.
wait_for_line() {  # wait_for_line FILE PATTERN
    for _ in $(seq 200); do
        grep -q "$2" "$1" && return 0
        sleep 0.1
    done
    return 1
}

# Ends the programs started in the background with these pids, if still running.
stop_processes() {  # stop_processes PID...
    local pid
    for pid in "$@"; do
        kill "$pid" 2>/dev/null
        wait "$pid" 2>/dev/null
    done
}

fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

# check_outcome STATUS PATTERN WHAT OUTPUT ACTUAL: WHAT ended with ACTUAL and
# said OUTPUT; it had to end with STATUS, saying what matches the extended
# regular expression PATTERN.
check_outcome() {
    local status=$1 pattern=$2 what=$3 output=$4 actual=$5
    if [ "$actual" -ne "$status" ]; then
        fail "$what ended with $actual, expected $status; output: $output"
    elif ! grep -Eq -- "$pattern" <<< "$output"; then
        fail "$what: output does not match /$pattern/: $output"
    else
        echo "ok: $what -> $status"
    fi
}

# The settings file the plug-in reads, naming the device path given.
write_settings() {
    write_settings_file "$settings" "$1"
}

# Keeps whatever settings file was there and puts it back on exit.
save_settings() {
    if [ -e "$settings" ]; then cp -p "$settings" "$work/saved-settings"; fi
}

restore_settings() {
    if [ -e "$work/saved-settings" ]; then
        cp -p "$work/saved-settings" "$settings"
    else
        rm -f "$settings"
    fi
}

# The plug-in's settings file naming the host side's port, the one there
# kept for the end; the host side quiet.
take_host_port() {
    save_settings
    write_settings "\\\\.\\COM$host_port"
    drain_host_side
}

# The end of a test: the settings file back, the host side quiet, the work files gone.
end_test() {
    restore_settings
    drain_host_side
    rm -rf "$work"
}

# Discards what waits at both ends of the host's pair, so that the next run
# starts on a quiet line, reading no frames of a device that has ended.
drain_host_side() {
    "$source/testkit/wine-fixture.sh" empty "$build" "$host_port" || fail "the line did not fall quiet"
}

# Ends a simulator started with start_tool, and what it sent that no one read.
stop_simulator() {  # stop_simulator PID
    stop_processes "$1"
    drain_host_side
}

# A Windows path for a file of the build tree (Wine maps / to drive Z:).
windows_path() {
    local path=$1
    echo "Z:${path//\//\\}"
}

triangle() {  # the simulator's sensor wave: 0..255..0, period 510
    local t=$(($1 % 510))
    echo $((t <= 255 ? t : 510 - t))
}

# The payload of frame s, as the simulator documents it, in hex.
expected_payload() {  # expected_payload SEQUENCE SIZE
    local s=$1 size=$2 i value bytes=()
    for ((i = 0; i < size; i++)); do
        if ((i < 4)); then
            value=$(((s >> (8 * i)) & 0xFF))
        elif ((i == 4)); then
            value=$(triangle "$s")
        elif ((i == 5)); then
            value=$(triangle $((s + 128)))
        elif ((i == 6)); then
            value=$(triangle $((3 * s)))
        else
            value=$(((s + i) & 0xFF))
        fi
        bytes+=("$(printf '%02X' "$value")")
    done
    echo "${bytes[*]}"
}
