#!/bin/bash
# Builds the release (the Release build the tests use) and packs it for
# Windows users: dist/ArdunParser-<version>-win32.zip with the plug-in DLL, the
# three tools (ardun-trace as its window program and as the console program a
# prompt runs), README.txt, LICENSE.txt, SHA256SUMS (the sums of all the
# other files) and the device library ArdunFrame for the Arduino IDE, both as
# its folder (to copy into `libraries`) and as ArdunFrame.zip (for "Add .ZIP
# Library"). Two runs on the same tree give the same bytes: fixed file times,
# modes and order, and no owner or extra fields.
#   package.sh [--build-dir DIR] [--out DIR]
# --build-dir packs an already configured build tree instead of the preset's.
set -euo pipefail

# Folders given on the command line are taken from where the caller stands.
build_dir=""
out_dir=""
while [ $# -gt 0 ]; do
    case "$1" in
        --build-dir) build_dir=$(realpath -m "${2:?--build-dir needs a folder}"); shift 2 ;;
        --out) out_dir=$(realpath -m "${2:?--out needs a folder}"); shift 2 ;;
        *) echo "usage: package.sh [--build-dir DIR] [--out DIR]" >&2; exit 2 ;;
    esac
done
cd "$(dirname "$0")/.."
. scripts/lib/windows-build.sh
source_dir=$(pwd -P)
out_dir=${out_dir:-$source_dir/dist}

# A tree of one's own is already set up; the preset's may be on a new machine.
if [ -z "$build_dir" ]; then
    ./scripts/setup.sh
    cmake --preset mingw >/dev/null
    build_dir=build/mingw
fi
binaries=(ArdunParser.dll ardun-host.exe ardun-sim.exe ardun-trace.exe ardun-trace.com)
cmake --build "$build_dir" -j2 --target "${shipped_targets[@]}"

# The version is written once, in common/version.h.
version_part() {
    sed -n "s/^#define ARDUN_VERSION_$1 \([0-9][0-9]*\)$/\1/p" common/version.h
}
version="$(version_part MAJOR).$(version_part MINOR).$(version_part PATCH)"
[[ "$version" =~ ^[0-9]+\.[0-9]+\.[0-9]+$ ]] || { echo "no version in common/version.h" >&2; exit 1; }

# Every file gets the time of the commit the tree stands on, in UTC whatever
# the machine's zone. A tree that is not a git checkout of its own (an
# unpacked source archive) gets one fixed time instead.
if [ -n "${SOURCE_DATE_EPOCH:-}" ]; then
    stamp=$SOURCE_DATE_EPOCH
    stamp_origin="SOURCE_DATE_EPOCH"
elif [ "$(git rev-parse --show-toplevel 2>/dev/null)" = "$source_dir" ]; then
    stamp=$(git log -1 --format=%ct)
    stamp_origin="the last commit"
else
    stamp=1767225600
    stamp_origin="a fixed time: not a git checkout of its own"
fi
export TZ=UTC
echo "Files dated $(date -d "@$stamp" '+%Y-%m-%d %H:%M:%S UTC') ($stamp_origin)"

stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
for name in "${binaries[@]}"; do
    cp "$build_dir/$name" "$stage/$name"
done
# Windows users read it in Notepad: CR LF line ends.
sed -e 's/\r$//' -e "s/@VERSION@/$version/g" -e 's/$/\r/' docs/release-readme.txt > "$stage/README.txt"
sed -e 's/\r$//' -e 's/$/\r/' LICENSE > "$stage/LICENSE.txt"
# The library folder as it stands in the tree, in a fixed order.
mapfile -t library < <(cd firmware && find ArdunFrame -type f | LC_ALL=C sort)
(cd firmware && cp --parents "${library[@]}" "$stage/")
# The device guide goes with the library, in the folder the Arduino library
# format keeps for documents, so that it is in ArdunFrame.zip too.
install -D docs/device-guide.md "$stage/ArdunFrame/extras/device-guide.md"
mapfile -t library < <(cd "$stage" && find ArdunFrame -type f | LC_ALL=C sort)
(cd "$stage" && chmod 644 "${library[@]}" && touch -d "@$stamp" "${library[@]}" &&
    env -u ZIP -u ZIPOPT zip -q -X -D -9 ArdunFrame.zip "${library[@]}")
# SHA256SUMS holds the sum of every other file in the zip, in the zip's order.
summed=("${binaries[@]}" README.txt LICENSE.txt ArdunFrame.zip "${library[@]}")
(cd "$stage" && sha256sum "${summed[@]}" > SHA256SUMS)
files=("${binaries[@]}" README.txt LICENSE.txt SHA256SUMS ArdunFrame.zip "${library[@]}")
(cd "$stage" && chmod 644 "${files[@]}" && touch -d "@$stamp" "${files[@]}")

mkdir -p "$out_dir"
zip_path="$out_dir/ArdunParser-$version-win32.zip"
rm -f "$zip_path"
# -X: no owner ids or extended times; -D: no folder entries; names in the
# order given.
# zip would also take options from the environment.
(cd "$stage" && env -u ZIP -u ZIPOPT zip -q -X -D -9 "$zip_path" "${files[@]}")
echo "Wrote ${zip_path#"$source_dir"/}"
(cd "$(dirname "$zip_path")" && sha256sum "$(basename "$zip_path")")
