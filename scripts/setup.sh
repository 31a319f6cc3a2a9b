#!/bin/bash
# Installs what building and testing need on a Debian 12 machine, and nothing
# when it is all there already. Run as root (or with sudo available).
#
# A package index that is mid-sync does not stop it: the update is tried a few
# times (once when only the 32-bit Wine is missing), and then setup goes on with
# the indexes that were fetched, naming the ones that failed. The 32-bit Wine
# is optional (the 64-bit twin carries the tests without it); every other
# package is required.
set -euo pipefail

# GoogleTest twice: its sources (googletest), which the Windows builds compile
# with their own compiler, and Debian's built package for the native tests.
required=(cmake g++ g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix mingw-w64-tools wine wine64 socat xvfb xauth
          googletest libgtest-dev x11-apps imagemagick clang libclang-rt-14-dev cppcheck clang-format zip unzip
          gcc-avr avr-libc binutils-avr libsimavr-dev libelf-dev gcc-arm-none-eabi)
# The Arduino core and its command-line build, without what they only
# recommend (a terminal multiplexer and the like).
lean=(arduino-mk arduino-core-avr)
optional_wine32=wine32:i386

update_tries=3
update_pause_seconds=15

missing_of() {
    local p
    for p in "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || echo "$p"
    done
}
mapfile -t missing < <(missing_of "${required[@]}")
mapfile -t missing_lean < <(missing_of "${lean[@]}")
# The 32-bit Wine only where this kernel runs 32-bit code: elsewhere it could
# run nothing, and its install is often what a mid-sync index holds up.
. "$(dirname "$0")/../testkit/fixture/kernel-32bit.sh"
no_32bit_code=$(kernel_refuses_32bit)
missing_wine32=()
if [ -z "$no_32bit_code" ]; then
    mapfile -t missing_wine32 < <(missing_of "$optional_wine32")
elif [ ${#missing[@]} -ne 0 ] || [ ${#missing_lean[@]} -ne 0 ] || [ -n "$(missing_of "$optional_wine32")" ]; then
    echo "setup: $no_32bit_code, so the 32-bit Wine is not installed and the tests run on the 64-bit twin only"
fi
[ ${#missing[@]} -eq 0 ] && [ ${#missing_lean[@]} -eq 0 ] && [ ${#missing_wine32[@]} -eq 0 ] && exit 0

to_install=("${missing[@]}" "${missing_lean[@]}" "${missing_wine32[@]}")
echo "Installing: ${to_install[*]}"
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
if ! dpkg --print-foreign-architectures | grep -qx i386; then
    $sudo dpkg --add-architecture i386
fi
export DEBIAN_FRONTEND=noninteractive
apt_get() { $sudo apt-get -q -o DPkg::Lock::Timeout=600 "$@"; }

update_log=$(mktemp)
install_log=$(mktemp)
trap 'rm -f "$update_log" "$install_log"' EXIT

# When only the 32-bit Wine is missing, nothing required waits on the indexes:
# one try, so that a run on a machine that cannot have it does not pause.
if [ ${#missing[@]} -eq 0 ] && [ ${#missing_lean[@]} -eq 0 ]; then
    update_tries=1
fi

# The indexes the last update could not fetch, each with apt's reason, on one
# line. apt marks each with an "Err:" line and its reason on the next line,
# also where it only warns (a host that cannot be reached) and exits 0.
failed_indexes() {
    awk '/^Err:/ { sub(/^Err:[0-9]+ /, ""); index_name = $0; getline; gsub(/^ +| +$/, "");
                   printf "%s%s (%s)", separator, index_name, $0; separator = "; " }' "$update_log"
}

try=1
while ! apt_get update >"$update_log" 2>&1 || [ -n "$(failed_indexes)" ]; do
    if [ $try -ge $update_tries ]; then
        failed=$(failed_indexes)
        echo "setup: package indexes that could not be fetched (try $try of $update_tries), going on with the others:" \
             "${failed:-$(grep -m1 '^E:' "$update_log")}"
        break
    fi
    echo "setup: apt-get update failed (try $try of $update_tries), trying again in $update_pause_seconds s"
    sleep "$update_pause_seconds"
    try=$((try + 1))
done

# apt's own reason for a failed install, on one line: its error lines first,
# then the first unmet dependencies it names.
apt_reason() {
    { grep '^E:' "$1"; grep -E 'Depends:|^ *[^ ]+ : ' "$1"; } | sed 's/^ *//' | head -4 | tr '\n' ' ' | sed 's/ *$//'
}

# Installs every package named after the options, or stops setup naming the
# first package that cannot be had, with apt's reason.
install_required() {
    local -a options=() packages=()
    while [ $# -gt 0 ] && [ "$1" != "--" ]; do options+=("$1"); shift; done
    shift
    packages=("$@")
    [ ${#packages[@]} -eq 0 ] && return 0
    apt_get install -y "${options[@]}" "${packages[@]}" >"$install_log" 2>&1 && return 0
    local p
    for p in "${packages[@]}"; do
        if ! apt_get install -s -y "${options[@]}" "$p" >"$install_log" 2>&1; then
            echo "setup: required package $p cannot be installed: $(apt_reason "$install_log")" >&2
            exit 1
        fi
    done
    echo "setup: installing ${packages[*]} failed: $(apt_reason "$install_log")" >&2
    exit 1
}

install_required -- "${missing[@]}"
install_required --no-install-recommends -- "${missing_lean[@]}"

if [ ${#missing_wine32[@]} -ne 0 ]; then
    if ! apt_get install -y "$optional_wine32" >"$install_log" 2>&1; then
        echo "setup: the 32-bit Wine ($optional_wine32) could not be installed, so the tests run on the 64-bit twin only: $(apt_reason "$install_log")"
    fi
fi
echo "setup: done"
