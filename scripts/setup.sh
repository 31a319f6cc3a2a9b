#!/bin/bash
# Installs what building and testing need on a Debian 12 machine, and nothing
# when it is all there already. Run as root (or with sudo available).
set -euo pipefail

packages=(cmake g++ g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix mingw-w64-tools wine wine32:i386 wine64 socat xvfb xauth
          googletest x11-apps imagemagick clang libclang-rt-14-dev cppcheck clang-format zip unzip
          gcc-avr avr-libc binutils-avr libsimavr-dev libelf-dev)
# The Arduino core and its command-line build, without what they only
# recommend (a terminal multiplexer and the like).
lean_packages=(arduino-mk arduino-core-avr)

missing_of() {
    local p
    for p in "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || echo "$p"
    done
}
mapfile -t missing < <(missing_of "${packages[@]}")
mapfile -t missing_lean < <(missing_of "${lean_packages[@]}")
[ ${#missing[@]} -eq 0 ] && [ ${#missing_lean[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]} ${missing_lean[*]}"
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
if ! dpkg --print-foreign-architectures | grep -qx i386; then
    $sudo dpkg --add-architecture i386
fi
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -q
[ ${#missing[@]} -eq 0 ] || $sudo apt-get install -y -q "${missing[@]}"
[ ${#missing_lean[@]} -eq 0 ] || $sudo apt-get install -y -q --no-install-recommends "${missing_lean[@]}"
