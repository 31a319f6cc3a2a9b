#!/bin/bash
# The release zip as a Windows user receives it: exactly the listed files, the
# build's own binaries with matching sums, a DLL the host can load alone, a
# README with CR LF line ends, and the same bytes from a second run made at
# another time, zone and umask.
#   package_test.sh BUILD_DIR SOURCE_DIR
set -uo pipefail
build_dir=$1
source_dir=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
status=0
fail() { echo "FAIL: $*"; status=1; }

package() {  # package OUT_DIR: runs the packaging as a user would, quietly
    "$source_dir/scripts/package.sh" --build-dir "$build_dir" --out "$1" > "$work/package.log" 2>&1 ||
        { cat "$work/package.log"; echo "FAIL: package.sh failed"; exit 1; }
}

package "$work/first"
zip_name=ArdunParser-1.0.0-win32.zip
first="$work/first/$zip_name"
[ -f "$first" ] || { ls -l "$work/first"; echo "FAIL: no $zip_name"; exit 1; }

binaries=(ArdunParser.dll ardun-host.exe ardun-sim.exe ardun-trace.exe ardun-trace.com)
library=(ArdunFrame/LICENSE ArdunFrame/README.md ArdunFrame/examples/SecondPort/SecondPort.ino
         ArdunFrame/examples/SensorBox/SensorBox.ino ArdunFrame/examples/StructReading/StructReading.ino
         ArdunFrame/extras/device-guide.md
         ArdunFrame/keywords.txt ArdunFrame/library.properties ArdunFrame/src/ArdunFrame.c ArdunFrame/src/ArdunFrame.h
         ArdunFrame/src/ArdunFrameTypes.h)
expected=$(printf '%s\n' "${binaries[@]}" README.txt LICENSE.txt SHA256SUMS ArdunFrame.zip "${library[@]}")
listed=$(zipinfo -1 "$first")
[ "$listed" = "$expected" ] || fail "the zip holds [$(echo $listed)], expected [$(echo $expected)]"

unzip -q "$first" -d "$work/unpacked" || fail "unzip failed"
cd "$work/unpacked" || exit 1
for name in "${binaries[@]}"; do
    cmp -s "$name" "$build_dir/$name" || fail "$name is not the build's $name"
done
"$source_dir/tests/contract/check-dll-tables.sh" ArdunParser.dll || fail "ArdunParser.dll's tables"
for name in ardun-host.exe ardun-sim.exe ardun-trace.exe ardun-trace.com; do
    "$source_dir/tests/contract/check-dll-tables.sh" --program "$name" || fail "$name's imports"
done

# What cmd runs for "ardun-trace" (the .com, found before the .exe) is a
# console program, which the prompt waits for; the .exe a window program,
# which opens no console when double-clicked. The PE optional header's
# Subsystem field: 2 a window program, 3 a console program.
subsystem() {  # subsystem FILE
    local pe_header
    pe_header=$(od -An -tu4 -j60 -N4 "$1" | tr -d ' ')
    od -An -tu2 -j$((pe_header + 24 + 68)) -N2 "$1" | tr -d ' '
}
[ "$(subsystem ardun-trace.com)" = 3 ] || fail "ardun-trace.com is not a console program [$(subsystem ardun-trace.com)]"
[ "$(subsystem ardun-trace.exe)" = 2 ] || fail "ardun-trace.exe is not a window program [$(subsystem ardun-trace.exe)]"

# A rebuild of the same tree links the same bytes: no link time in the headers.
for name in "${binaries[@]}"; do
    pe_header=$(od -An -tu4 -j60 -N4 "$name" | tr -d ' ')
    stamp=$(od -An -tu4 -j$((pe_header + 8)) -N4 "$name" | tr -d ' ')
    [ "$stamp" = 0 ] || fail "$name carries its link time [$stamp]"
done

# The device library, as the tree has it, both as a folder and as the zip
# the Arduino IDE adds.
for name in "${library[@]}"; do
    tree_name="$source_dir/firmware/$name"
    [ "$name" = ArdunFrame/extras/device-guide.md ] && tree_name="$source_dir/docs/device-guide.md"
    cmp -s "$name" "$tree_name" || fail "$name is not the tree's"
done
[ "$(zipinfo -1 ArdunFrame.zip)" = "$(printf '%s\n' "${library[@]}")" ] || fail "ArdunFrame.zip holds [$(zipinfo -1 ArdunFrame.zip | tr '\n' ' ')]"
unzip -q ArdunFrame.zip -d "$work/library" || fail "ArdunFrame.zip does not unzip"
diff -r "$work/library/ArdunFrame" ArdunFrame > /dev/null || fail "ArdunFrame.zip is not the release's library folder"
cmp -s ArdunFrame/LICENSE "$source_dir/LICENSE" || fail "the library's LICENSE is not the project's"

summed=$(sed -n 's/^[0-9a-f]\{64\}  //p' SHA256SUMS)
[ "$summed" = "$(grep -vx SHA256SUMS <<< "$expected")" ] || fail "SHA256SUMS lists [$(echo $summed)], not every other file"
sha256sum --quiet -c SHA256SUMS || fail "the sums do not match the files"

# Every line of README.txt ends in CR LF, and the version is filled in.
[ -s README.txt ] || fail "README.txt is empty"
[ "$(tr -cd '\n' < README.txt | wc -c)" = "$(grep -c $'\r$' README.txt)" ] || fail "README.txt has bare LF line ends"
[ "$(tail -c 2 README.txt | od -An -tx1 | tr -d ' ')" = "0d0a" ] || fail "README.txt does not end in CR LF"
grep -q '@VERSION@' README.txt && fail "README.txt still holds @VERSION@"
grep -q '^ArdunParser 1\.0\.0 ' README.txt || fail "README.txt does not name version 1.0.0"

# DOS file times count in two-second steps: the second run starts later.
sleep 2
(umask 077 && TZ=Asia/Tokyo package "$work/second")
cmp "$first" "$work/second/$zip_name" || fail "a second run gives different bytes"

[ $status -eq 0 ] && echo "package ok: $zip_name"
exit $status
