#!/bin/bash
# ardun-trace typed at a command prompt. For the bare name cmd runs
# ardun-trace.com, waits for it and takes its exit status; a trace in the
# window alone is handed to ardun-trace.exe with the very same arguments, and
# the prompt returns at once.
# Usage: trace_console.sh BUILD_DIR SOURCE_DIR
set -uo pipefail
build=$1
source=$2
. "$source/testkit/fixture/tools_test_lib.sh"
trap 'rm -rf "$work"' EXIT

# at_prompt STATUS PATTERN ARGS...: "ardun-trace ARGS" typed in cmd, in the
# programs' folder, ends with STATUS and its output matches PATTERN.
at_prompt() {
    local status=$1 pattern=$2
    shift 2
    local output actual
    output=$(cd "$build" && "$source/testkit/fixture/wine-run.sh" "$build" cmd /c ardun-trace "$@" 2>&1)
    actual=$?
    check_outcome "$status" "$pattern" "ardun-trace $* at the prompt" "$output" "$actual"
}

at_prompt 2 "^ardun-trace: --size takes a number" --size 0
at_prompt 0 "--console" --help
at_prompt 3 "^No Ardun device a host can read" --find --port "$bad_port"
at_prompt 1 "Could not open" --console --port "$bad_port" --count 1

# The window alone: the prompt returns with 0 at once, where the window
# program itself ends with 1 on a port that cannot be opened, and the window
# program gets the file name with its blank whole.
mkdir "$work/a folder"
out="$work/a folder/trace.txt"
at_prompt 0 "^$" --port "$bad_port" --count 1 --out "$(windows_path "$out")"
wait_for_line "$out" "^Could not open" || fail "the window program wrote no trace to $out"
# It ends by itself once its one request has failed.
window_program_ended() {
    for _ in $(seq 100); do
        pgrep -f "ardun-trace.exe.* --port $bad_port --count 1" > /dev/null || return 0
        sleep 0.1
    done
    return 1
}
window_program_ended || fail "the window program did not end after its one request"

[ "$failures" -eq 0 ] || { echo "$failures check(s) failed"; exit 1; }
echo "all checks passed"
