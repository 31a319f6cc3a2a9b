# Sourced by the set-up and by can-run-build.sh.
# Why this kernel runs no 32-bit code, found by running a tiny static i386
# program; nothing when it runs. Some kernels refuse it (Exec format error),
# some kill it.
kernel_refuses_32bit() {
    local scratch status message
    scratch=$(mktemp -d) || return 0
    if printf '.globl _start\n_start: movl $1, %%eax\n xorl %%ebx, %%ebx\n int $0x80\n' |
        as --32 -o "$scratch/exit.o" - && ld -m elf_i386 -o "$scratch/exit" "$scratch/exit.o"; then
        message=$("$scratch/exit" 2>&1)
        status=$?
        if [ $status -eq 126 ]; then
            echo "this kernel runs no 32-bit code (a 32-bit program: ${message##*: })"
        elif [ $status -gt 128 ]; then
            echo "this kernel runs no 32-bit code (a 32-bit program was killed by signal $((status - 128)))"
        fi
    fi
    rm -rf "$scratch"
}
