#!/bin/bash
# Checks the host's calling convention on the 32-bit DLL without running it:
# the host pushes one 4-byte stack argument per argument of a slot and expects
# the operation in that slot to remove them (thiscall: `ret $0x4` for one
# argument, a plain `ret` for none), and passes the object in ECX: a slot
# whose code takes its object from the stack (a __cdecl slot, say) reads the
# host's own stack instead. The tables of virtual operations and the code of
# every slot are read out of the DLL itself.
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

# How the code at ADDRESS treats ECX and the caller's stack, as two words.
# The first: "read" or "written" for the first instruction (in address order)
# that names ECX, or the address of a call or jump met before any did (ECX
# then passes on untouched), or "none". The second: "beyond" when the entry
# block touches the caller's stack past the return address and the ARGUMENTS
# bytes the host pushed, else "within"; the stack depth is followed through
# the entry block's pushes and subtractions.
ecx_and_stack() {  # ecx_and_stack ADDRESS ARGUMENTS
    $objdump -d --no-show-raw-insn --start-address=$(($1)) "$dll" |
        awk 'NR > 6 && /^[0-9a-f]+ <.*>:$/ { if (seen++) exit } NR > 6 && seen && NF >= 2' |
        awk -v arguments="$2" '
        function hex(text,    value, i) {  # "0x1c" or "-0x4" as a number
            value = 0
            for (i = index(text, "x") + 1; i <= length(text); i++)
                value = 16 * value + index("0123456789abcdef", substr(text, i, 1)) - 1
            return text ~ /^-/ ? -value : value
        }
        {
            mnemonic = $2; operands = $3
            if (ecx == "" && operands ~ /%(e?cx|c[lh])/) {
                last = operands; sub(/.*,/, "", last)
                rest = operands; sub(/,?[^,]*$/, "", rest)
                if (last ~ /^%(e?cx|c[lh])$/ && rest !~ /%(e?cx|c[lh])/ &&
                    (mnemonic ~ /^(mov|lea|pop)/ || (mnemonic ~ /^(xor|sub)/ && rest == last)))
                    ecx = "written"
                else
                    ecx = "read"
            }
            if (ecx == "" && mnemonic ~ /^(call|jmp)/)
                ecx = operands ~ /^[0-9a-f]+$/ ? "0x" operands : "read"  # an indirect call may use it
            if (open_block != "no") {
                if (match(operands, /(-?0x[0-9a-f]+)?\(%esp[,)]/)) {
                    offset = substr(operands, RSTART, RLENGTH); sub(/\(.*/, "", offset)
                    if (hex(offset) - depth > 4 * arguments) beyond = 1
                }
                if (mnemonic ~ /^push/) depth += 4
                else if (mnemonic ~ /^pop/) depth -= 4
                else if (mnemonic ~ /^sub/ && operands ~ /^\$0x[0-9a-f]+,%esp$/) depth += hex(operands)
                else if (mnemonic ~ /^add/ && operands ~ /^\$0x[0-9a-f]+,%esp$/) depth -= hex(operands)
                else if (mnemonic ~ /^(call|j|ret)/ || operands ~ /,%esp$/) open_block = "no"
            }
            if (ecx != "" && open_block == "no") exit
        }
        END { print (ecx == "" ? "none" : ecx), (beyond ? "beyond" : "within") }'
}

# Where the slot at ADDRESS takes its object from: "ECX", "the stack" (its
# first use of ECX overwrites it, or it reaches above its arguments), or
# "unused". A call or jump before any use of ECX hands ECX on: the code there
# decides.
object_source() {  # object_source ADDRESS ARGUMENTS [DEPTH]
    local ecx stack depth=${3:-0}
    read -r ecx stack < <(ecx_and_stack "$1" "$2")
    if [ "$stack" = beyond ] || [ "$ecx" = written ]; then
        echo "the stack"
    elif [ "$ecx" = read ]; then
        echo "ECX"
    elif [[ "$ecx" == 0x* ]] && [ "$depth" -lt 3 ]; then
        # The code there is entered with the host's arguments no longer on top.
        object_source "$ecx" 0 $((depth + 1)) | sed 's/^the stack$/unused/'
    else
        echo "unused"
    fi
}

check_table() {  # check_table VTABLE_SYMBOL ARGUMENT_COUNTS...
    local table=$1 counts=("${@:2}") address slot=0 entry expected returns object
    address=$(symbol_address "$table") || { fail "no table $table in $dll"; return; }
    # An Itanium table: offset to top and type information, then the slots.
    for entry in $(read_words $((address + 8)) ${#counts[@]}); do
        expected=$((4 * counts[slot]))
        returns=$(returns_of "$entry" | sort -u | tr '\n' ' ')
        object=$(object_source "$entry" "${counts[slot]}")
        if [ "$returns" != "$expected " ]; then
            fail "slot $slot of $table at $entry removes [${returns% }] bytes, the host pushes $expected"
        elif [ -z "$object" ]; then
            fail "slot $slot of $table at $entry: its code could not be read"
        elif [ "$object" = "the stack" ]; then
            fail "slot $slot of $table at $entry takes its object from the stack, the host passes it in ECX"
        else
            echo "slot $slot of $table at $entry removes $expected bytes; its object: $object"
        fi
        slot=$((slot + 1))
    done
    [ "$slot" -eq ${#counts[@]} ] || fail "$table: read $slot of ${#counts[@]} slots"
}

check_table __ZTV13MVArdunPlugin "${plugin_slots[@]}"
check_table __ZTV13MVArdunParser "${component_slots[@]}"
exit $status
