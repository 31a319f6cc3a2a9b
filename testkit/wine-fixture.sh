#!/bin/bash
# Prepares or tears down the test environment of one build tree:
#   wine-fixture.sh start BUILD_DIR   private Wine prefix, virtual COM ports
#   wine-fixture.sh stop BUILD_DIR    stops only the processes that start began
#   wine-fixture.sh cut BUILD_DIR N   pulls out the cable of the pair COMN (its
#                                     first number): its ptys and links go
#   wine-fixture.sh join BUILD_DIR N  puts that cable back, at the same paths
#   wine-fixture.sh empty BUILD_DIR [N]
#                                     discards what waits in every pair (or
#                                     COMN's): no run reads another's bytes
#
# Each virtual COM pair is two linked ptys made by socat, joined like a
# null-modem cable and declared to Wine under HKLM\Software\Wine\Ports, so the
# numbers are the same on every run. socat relays with blocking: a device that
# writes faster than the host reads is slowed down. The pair at
# ARDUN_TEST_PORT_E/F is joined by uart-relay instead (built here from
# testkit/uart_relay.cpp), a line that never slows the device: the host side
# holds at most ARDUN_TEST_LINE_BUFFER bytes, the rest is lost and counted in
# com/line<E> (see testkit/uart_buffer_model.h). One more number points at a directory,
# which no open can succeed on, and so does COM1: the module's default port is
# then one that is absent, as on most machines, instead of whatever serial
# device this machine happens to have. One more number is the emulated Arduino
# Uno's: it points at the link com/uno, which the Uno tests' harness turns to
# its pty while it runs and which points at that directory otherwise. The
# numbers come from com-ports.sh (the same variables the tests read).
set -eu

action=$1
build=$(cd "$2" && pwd)
. "$(dirname "$0")/wine-env.sh"
. "$(dirname "$0")/com-ports.sh"
wine_env "$build"
comdir="$build/com"
pidfile="$comdir/pids"

port_a=$ARDUN_TEST_PORT_A
port_b=$ARDUN_TEST_PORT_B
port_c=$ARDUN_TEST_PORT_C
port_d=$ARDUN_TEST_PORT_D
port_bad=$ARDUN_TEST_PORT_BAD
port_uno=$ARDUN_TEST_PORT_UNO
port_e=$ARDUN_TEST_PORT_E
port_f=$ARDUN_TEST_PORT_F
source=$(cd "$(dirname "$0")/.." && pwd)
log="$build/wine-fixture.log"

# A pid left from a run that never stopped may belong to another program by
# now: only socat, the relay, the holders and an emulated Uno's harness (which a test
# that was cut short may leave) are ours. One that has ended (a zombie
# included) has no command line.
ours() {  # ours PID
    local command
    command=$(tr '\0' ' ' 2>/dev/null < "/proc/$1/cmdline" || true)
    case "$command" in
    socat\ *"$comdir"* | "$comdir/uart-relay "* | "sleep infinity "* | *uno-harness\ *"$comdir"*) return 0 ;;
    *) return 1 ;;
    esac
}

stop_started_processes() {
    if [ -f "$pidfile" ]; then
        while read -r pid; do
            if ours "$pid"; then kill "$pid" 2>/dev/null || true; fi
        done < "$pidfile"
        rm -f "$pidfile" "$comdir"/pair*.pids
    fi
    wineserver -k >>"$log" 2>&1 || true
}

# Waits up to 5 s for the links of both ends of a pair that MAKER makes.
wait_for_links() {  # wait_for_links END END MAKER
    for _ in $(seq 100); do
        [ -e "$1" ] && [ -e "$2" ] && return
        sleep 0.05
    done
    echo "$3 did not create $1 and $2" >&2
    exit 1
}

start_pair() {  # start_pair NUMBER NUMBER
    local a="$comdir/com$1" b="$comdir/com$2" pairfile="$comdir/pair$1.pids"
    rm -f "$a" "$b"
    echo "$2" > "$pairfile"  # the far end's number, then the pair's processes
    socat pty,raw,echo=0,link="$a" pty,raw,echo=0,link="$b" >>"$log" 2>&1 &
    echo $! | tee -a "$pidfile" >> "$pairfile"
    wait_for_links "$a" "$b" socat
    # socat ends a pair when the last opener of one end closes it; a holder
    # that never reads keeps both ends alive between the tests' opens.
    local holder
    for end in "$a" "$b"; do
        sleep infinity <>"$end" >/dev/null 2>&1 &
        holder=$!
        echo $holder | tee -a "$pidfile" >> "$pairfile"
        # Held before anything else opens and closes that end.
        for _ in $(seq 100); do
            [[ "$(readlink "/proc/$holder/fd/0" 2>/dev/null)" == /dev/pts/* ]] && break
            sleep 0.02
        done
    done
}

# The pair whose line overruns: the relay makes both ptys, holds both ends
# open itself (no holders needed) and removes its links as it ends.
start_relay_pair() {  # start_relay_pair NUMBER NUMBER
    local a="$comdir/com$1" b="$comdir/com$2" pairfile="$comdir/pair$1.pids"
    rm -f "$a" "$b"
    echo "$2" > "$pairfile"
    "$comdir/uart-relay" "$a" "$b" "$comdir/line$1" "$ARDUN_TEST_LINE_BUFFER" >>"$log" 2>&1 &
    echo $! | tee -a "$pidfile" >> "$pairfile"
    wait_for_links "$a" "$b" uart-relay
}

# As a cable pulled out of a USB adapter: the pair's socat ends, so both ends'
# ptys go, and the links that Wine's port names point at are gone until join.
cut_pair() {  # cut_pair NUMBER
    local pairfile="$comdir/pair$1.pids" far pids
    [ -f "$pairfile" ] || { echo "no pair starts at COM$1" >&2; exit 1; }
    far=$(head -n 1 "$pairfile")
    pids=$(tail -n +2 "$pairfile")
    for pid in $pids; do
        if ours "$pid"; then kill "$pid" 2>/dev/null || true; fi
    done
    # socat removes its links as it ends: a join must not race that.
    for pid in $pids; do
        for _ in $(seq 100); do
            ours "$pid" || break
            sleep 0.05
        done
        if ours "$pid"; then
            kill -KILL "$pid" 2>/dev/null || true
            sleep 0.1
            ! ours "$pid" || { echo "process $pid of the pair at COM$1 does not end" >&2; exit 1; }
        fi
    done
    rm -f "$comdir/com$1" "$comdir/com$far"
    echo "$far" > "$pairfile"
    grep -vxF -f <(printf '%s\n' $pids) "$pidfile" > "$pidfile.left" || true
    mv "$pidfile.left" "$pidfile"
}

# What a device that has ended sent and no one read waits in the ptys and in
# socat's own buffer: a purge on the Wine side empties only the queue of its
# end, and socat writes the rest there as soon as there is room. Both ends are
# read from this side until neither has had a byte for a moment; a pair that
# does not fall quiet has a sender still running, which is said.
empty_pair() {  # empty_pair NUMBER
    local pairfile="$comdir/pair$1.pids" end readers=() status=0
    [ -f "$pairfile" ] || { echo "no pair starts at COM$1" >&2; return 1; }
    for end in "$comdir/com$1" "$comdir/com$(head -n 1 "$pairfile")"; do
        [ -e "$end" ] || continue  # a cut cable holds nothing
        timeout 10 socat -u -T 0.2 "OPEN:$end,rdonly,noctty" /dev/null 2>>"$log" &
        readers+=($!)
    done
    for end in "${readers[@]}"; do
        wait "$end" || status=$?
    done
    [ "$status" -ne 124 ] || echo "COM$1's pair did not fall quiet in 10 s: something still sends on it" >&2
    return "$status"
}

# One server for the whole run: a server that ends whenever the last program
# does can be ending just as the next program starts, and that program then
# fails without a word on a busy machine. It outlasts any pause between two
# programs of a run, and a run that is killed before stop leaves it for ten
# minutes at most (the next start ends it at once).
start_persistent_server() {
    wineserver -k >>"$log" 2>&1 || true
    wineserver -w >>"$log" 2>&1 || true
    wineserver -p600 >>"$log" 2>&1
}

declare_port() {  # declare_port NUMBER TARGET
    "$wine" reg add 'HKLM\Software\Wine\Ports' /v "COM$1" /d "$2" /f >>"$log" 2>&1
}

case "$action" in
start)
    mkdir -p "$comdir"
    stop_started_processes
    start_pair "$port_a" "$port_b"
    start_pair "$port_c" "$port_d"
    c++ -std=c++17 -O2 -I"$source" -o "$comdir/uart-relay" "$source/testkit/uart_relay.cpp" \
        "$source/testkit/uart_buffer_model.cpp"
    start_relay_pair "$port_e" "$port_f"
    mkdir -p "$comdir/not-a-port"
    ln -sfn "$comdir/not-a-port" "$comdir/uno"
    [ -d "$WINEPREFIX" ] || "$wine" wineboot -i >>"$log" 2>&1
    # The declarations share that one server too, instead of starting and
    # ending one each.
    start_persistent_server
    for n in "$port_a" "$port_b" "$port_c" "$port_d" "$port_e" "$port_f"; do
        declare_port "$n" "$comdir/com$n"
    done
    declare_port "$port_bad" "$comdir/not-a-port"
    declare_port "$port_uno" "$comdir/uno"
    declare_port 1 "$comdir/not-a-port"
    # Wine's mount manager reads the ports at the prefix's next start.
    start_persistent_server
    "$wine" cmd /c exit 0 >>"$log" 2>&1
    for mapping in "$port_a:com$port_a" "$port_b:com$port_b" "$port_c:com$port_c" "$port_d:com$port_d" \
                   "$port_e:com$port_e" "$port_f:com$port_f" "$port_uno:uno"; do
        n=${mapping%%:*}
        target=$(readlink "$WINEPREFIX/dosdevices/com$n" || true)
        [ "$target" = "$comdir/${mapping#*:}" ] ||
            { echo "COM$n is not mapped to $comdir/${mapping#*:} ($target)" >&2; exit 1; }
    done
    echo "COM$port_a<->COM$port_b and COM$port_c<->COM$port_d ready; COM$port_e<->COM$port_f overruns" \
         "beyond $ARDUN_TEST_LINE_BUFFER bytes; COM$port_bad cannot be opened; COM$port_uno is the emulated Uno's"
    ;;
stop)
    stop_started_processes
    echo "stopped"
    ;;
cut)
    cut_pair "$3"
    ;;
empty)
    if [ $# -ge 3 ]; then
        empty_pair "$3"
    else
        for pairfile in "$comdir"/pair*.pids; do
            pair=${pairfile##*/pair}
            empty_pair "${pair%.pids}"
        done
    fi
    ;;
join)
    [ -f "$comdir/pair$3.pids" ] || { echo "no pair starts at COM$3" >&2; exit 1; }
    if [ "$3" = "$port_e" ]; then
        start_relay_pair "$3" "$(head -n 1 "$comdir/pair$3.pids")"
    else
        start_pair "$3" "$(head -n 1 "$comdir/pair$3.pids")"
    fi
    ;;
*)
    echo "usage: $0 start|stop BUILD_DIR, cut|join BUILD_DIR N, or empty BUILD_DIR [N]" >&2
    exit 2
    ;;
esac
