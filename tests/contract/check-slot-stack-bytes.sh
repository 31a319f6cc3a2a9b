#!/bin/bash
# Checks the host's calling convention on the 32-bit DLL without running it:
# the host pushes one 4-byte stack argument per argument of a slot and expects
# the operation in that slot to remove them (thiscall: `ret $0x4` for one
# argument, a plain `ret` for none). The tables of virtual operations and the
# code of every slot are read out of the DLL itself.
#   check-slot-stack-bytes.sh DLL
set -uo pipefail
dll=$1
objdump=x86_64-w64-mingw32-objdump

# Arguments per slot, from slot 0 (the one-argument destructor entry) on.
plugin_slots=(1 1 1 1 1 3)
component_slots=(1 0 1 1 3 1 1 1 0 1 1 1 1 0 0)

status=0
fail() {
    echo "FAIL: $*"
    status=1
}

# The load address of a symbol: its section's address plus its value.
symbol_address() {  # symbol_address NAME
    local section value base
    read -r section value < <($objdump -t "$dll" |
        sed -nE "s/.*\(sec +([0-9]+)\).* (0x[0-9a-f]+) $1\$/\1 \2/p")
    [ -n "$section" ] || return 1
    base=$($objdump -h "$dll" | awk -v idx=$((section - 1)) '$1 == idx { print $4; exit }')
    printf '0x%x\n' $((0x$base + value))
}

# COUNT little-endian 32-bit words from ADDRESS on, one per line, in hex.
read_words() {  # read_words ADDRESS COUNT
    $objdump -s --start-address=$(($1)) --stop-address=$(($1 + 4 * $2)) "$dll" |
        awk '/^ [0-9a-f]+ / { for (i = 2; i <= 5 && $i ~ /^[0-9a-f]+$/; i++) print $i }' |
        sed -E 's/(..)(..)(..)(..)/0x\4\3\2\1/'
}

# The stack bytes each return of the function at ADDRESS removes, one line per
# return; a jump out of the function (a tail call) is followed.
returns_of() {  # returns_of ADDRESS [DEPTH]
    local address=$1 depth=${2:-0} code target
    code=$($objdump -d --no-show-raw-insn --start-address=$((address)) "$dll" |
        awk 'NR > 6 && /^[0-9a-f]+ <.*>:$/ { if (seen++) exit } NR > 6 && seen' || true)
    printf '%s\n' "$code" | awk '$2 == "ret" { print ($3 == "" ? "$0x0" : $3) }' |
        while read -r bytes; do echo $((${bytes#\$})); done
    [ "$depth" -lt 3 ] || return 0
    for target in $(printf '%s\n' "$code" | awk '$2 == "jmp" && $3 ~ /^[0-9a-f]+$/ { print $3 }' | sort -u); do
        [[ "$code" == *"$target:"* ]] && continue  # a jump inside the function
        returns_of "0x$target" $((depth + 1))
    done
}

check_table() {  # check_table VTABLE_SYMBOL ARGUMENT_COUNTS...
    local table=$1 counts=("${@:2}") address slot=0 entry expected returns
    address=$(symbol_address "$table") || { fail "no table $table in $dll"; return; }
    # An Itanium table: offset to top and type information, then the slots.
    for entry in $(read_words $((address + 8)) ${#counts[@]}); do
        expected=$((4 * counts[slot]))
        returns=$(returns_of "$entry" | sort -u | tr '\n' ' ')
        if [ "$returns" = "$expected " ]; then
            echo "slot $slot of $table at $entry removes $expected bytes"
        else
            fail "slot $slot of $table at $entry removes [${returns% }] bytes, the host pushes $expected"
        fi
        slot=$((slot + 1))
    done
    [ "$slot" -eq ${#counts[@]} ] || fail "$table: read $slot of ${#counts[@]} slots"
}

check_table __ZTV13MVArdunPlugin "${plugin_slots[@]}"
check_table __ZTV13MVArdunParser "${component_slots[@]}"
exit $status
