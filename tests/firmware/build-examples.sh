#!/bin/bash
# Builds every example of the ArdunFrame library for the Arduino Uno, Mega
# 2560 and Leonardo with Debian's Arduino core and arduino-mk, fails on any
# warning in the library or an example, compiles the library's C source for a
# 32-bit Cortex-M with arm-none-eabi-gcc (strict C99, so nothing AVR-only
# creeps in), and prints what each build costs in flash and RAM.
#   build-examples.sh SOURCE_DIR OUT_DIR
set -uo pipefail
source_dir=$1
out=$2
library="$source_dir/firmware/ArdunFrame"
makefile="$source_dir/testkit/uno/sketch.mk"
status=0
fail() { echo "FAIL: $*"; status=1; }

boards=("uno" "mega BOARD_SUB=atmega2560" "leonardo")
printf '%-14s %-9s %12s %10s\n' example board "flash (B)" "RAM (B)"
for folder in "$library"/examples/*/; do
    example=$(basename "$folder")
    for board in "${boards[@]}"; do
        read -r tag options <<< "$board"
        objdir="$out/$tag/$example"
        mkdir -p "$objdir"
        # shellcheck disable=SC2086 # options is one make assignment or none
        if ! make -s -C "$folder" -f "$makefile" OBJDIR="$objdir" TARGET="$example" \
                USER_LIB_PATH="$source_dir/firmware" BOARD_TAG="$tag" $options > "$objdir/build.log" 2>&1; then
            cat "$objdir/build.log"
            fail "$example does not build for the $tag"
            continue
        fi
        grep -E "(ArdunFrame|$example)[^ ]*:[0-9]+:[0-9]+: warning" "$objdir/build.log" &&
            fail "$example has warnings for the $tag"
        read -r text data bss _ < <(avr-size "$objdir/$example.elf" | tail -1)
        printf '%-14s %-9s %12d %10d\n' "$example" "$tag" $((text + data)) $((data + bss))
    done
done

arm-none-eabi-gcc -mcpu=cortex-m0plus -mthumb -std=c99 -Wall -Wextra -Werror -pedantic \
    -c "$library/src/ArdunFrame.c" -o "$out/ArdunFrame-cortex-m0plus.o" ||
    fail "the library's C source does not build for a Cortex-M"

[ $status -eq 0 ] && echo "every example builds for the Uno, the Mega 2560 and the Leonardo; the C source for Cortex-M"
exit $status
