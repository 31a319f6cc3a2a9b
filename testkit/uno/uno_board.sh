# Sourced: the emulated Uno, for the tests and the benchmarks. The harness runs
# a sketch's firmware in simavr at the wall clock's pace, its UART0 on the pty
# that the fixture maps into Wine as the Uno's COM port.
#   start_uno BUILD_DIR SKETCH OUTPUT_FILE [HARNESS_OPTION...]
#       starts the board and waits for it; sets uno_pid. Returns 1, the
#       harness's output shown, when it does not start.
#   stop_uno BUILD_DIR
#       ends the board, if one runs, and leaves its port unopenable again, as
#       the fixture left it.
uno_pid=""

start_uno() {
    local build=$1 sketch=$2 output=$3
    shift 3
    "$build/uno/uno-harness" "$build/uno/$sketch/$sketch.elf" "$build/com/uno" "$@" > "$output" 2>&1 &
    uno_pid=$!
    echo "$uno_pid" >> "$build/com/pids"  # the fixture ends it if the caller is cut short
    local _
    for _ in $(seq 100); do
        grep -q '^ready ' "$output" && return 0
        kill -0 "$uno_pid" 2>/dev/null || break
        sleep 0.1
    done
    cat "$output"
    echo "the emulated Uno running $sketch did not start" >&2
    return 1
}

stop_uno() {
    if [ -n "$uno_pid" ]; then
        kill "$uno_pid" 2>/dev/null || true  # it may have ended already
        wait "$uno_pid" 2>/dev/null || true  # ended by the kill: not a failure
        uno_pid=""
    fi
    ln -sfn "$1/com/not-a-port" "$1/com/uno"
}
