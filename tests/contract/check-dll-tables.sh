#!/bin/bash
# Checks the DLL's import and export tables: users drop the DLL into the host
# alone, so it may import nothing but Windows' own DLLs, and the host finds its
# entry points by these names and ordinals.
#   check-dll-tables.sh DLL                 all of that
#   check-dll-tables.sh --program EXE       only the imports, for the tools
set -euo pipefail
program_only=false
if [ "$1" = "--program" ]; then
    program_only=true
    shift
fi
dll=$1
# The x86_64 objdump reads the 32-bit files and the 64-bit test build's alike.
tables=$(x86_64-w64-mingw32-objdump -p "$dll")
status=0

allowed='^(KERNEL32|USER32|RPCRT4|msvcrt|ADVAPI32|GDI32|ntdll)\.dll$'
imports=$(printf '%s\n' "$tables" | sed -n 's/^\s*DLL Name: //p')
[ -n "$imports" ] || { echo "no import table found"; exit 1; }
while read -r name; do
    if [[ "$name" =~ $allowed ]]; then
        echo "import ok: $name"
    else
        echo "import NOT allowed: $name"
        status=1
    fi
done <<< "$imports"
if $program_only; then
    exit $status
fi

# The module starts no threads; a thread library pulled in by the run-time
# would also leave handles behind at every load.
threads=$(printf '%s\n' "$tables" | grep -E -w -o 'CreateThread|_beginthreadex|_beginthread' | sort -u || true)
if [ -n "$threads" ]; then
    echo "imports thread functions: $(echo $threads)"
    status=1
fi

# In objdump's name table each name carries its ordinal minus the ordinal base.
exports=$(printf '%s\n' "$tables" | awk '
    /^Ordinal Base/ { base = $3 }
    /^\[Ordinal\/Name Pointer\] Table/ { names = 1; next }
    names && /^[ \t]*\[ *[0-9]+\]/ { gsub(/[\[\]]/, " "); print $2, "@" ($1 + base) }
    names && /^[ \t]*$/ { names = 0 }')
expected=$'MVCreatePlugin @1\nMVReleasePlugin @2'
if [ "$exports" = "$expected" ]; then
    echo "exports ok: $(echo $exports)"
else
    echo "exports differ: expected [$expected], found [$exports]"
    status=1
fi
exit $status
