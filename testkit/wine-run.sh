#!/bin/bash
# Runs one Windows program of a build tree in that tree's Wine prefix, with the
# loader its programs need: wine-run.sh [--report] BUILD_DIR PROGRAM [ARGS...]
# Wine's own diagnostics are silenced; the program's output passes through.
# With --report (how CTest runs the tests), a program that fails is followed by
# a line on standard error with the loader's exit status, the time it took,
# the last line on standard error (Wine's own messages come there) and the
# state of the prefix's Wine server: a program that ends without a word of its
# own then still leaves a trace of why.
report=no
if [ "${1:-}" = --report ]; then
    report=yes
    shift
fi
. "$(dirname "$0")/wine-env.sh"
wine_env "$1"
shift
[ $report = yes ] || exec "$wine" "$@"

# The prefix's server runs in a folder that Wine names after the prefix's
# device and inode numbers, in hex.
server_state() {
    local device inode folder pid
    read -r device inode < <(stat -c '%D %i' "$WINEPREFIX" 2>/dev/null) || { echo "no prefix"; return; }
    folder=$(printf 'server-%x-%x' $((0x$device)) "$inode")
    for pid in $(pgrep -x 'wineserver(64)?'); do
        if [[ "$(readlink "/proc/$pid/cwd" 2>/dev/null)" == */"$folder" ]]; then
            echo "pid $pid, $(ps -o etimes= -p "$pid" | tr -d ' ') s old: $(tr '\0' ' ' < "/proc/$pid/cmdline")"
            return
        fi
    done
    echo "none running"
}

messages=$(mktemp)
started=$EPOCHREALTIME
# The loader runs as a child so that its status can be read; CTest ends the
# whole tree on a time-out.
"$wine" "$@" 2> >(tee "$messages" >&2)
status=$?
if [ $status -ne 0 ]; then
    sleep 0.1  # tee passes on the last message
    last=$(tr -d '\r' < "$messages" | grep -v '^\s*$' | tail -n 1)
    printf 'wine-run: %s ended with exit %d after %.2f s; last on standard error: %s; the Wine server: %s\n' \
        "$1" $status "$(awk "BEGIN { print $EPOCHREALTIME - $started }")" "${last:-none}" "$(server_state)" >&2
fi
rm -f "$messages"
exit $status
