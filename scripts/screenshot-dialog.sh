#!/bin/bash
# Takes a picture of the port configuration dialog as a user sees it, with its
# list dropped down over the test fixture's virtual COM ports, and writes it to
# docs/port-config-dialog.png, cropped to the dialog and its list.
#   scripts/screenshot-dialog.sh
# Builds what it needs, in the 32-bit build where it runs here and in its
# 64-bit twin otherwise; needs Xvfb, xwd (x11-apps) and ImageMagick.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/lib/windows-build.sh

out=docs/port-config-dialog.png
pick_build show_port_config
[ -z "$why_not" ] || echo "The 64-bit twin shows the dialog: $why_not"
build=$(realpath "$build")
mkdir -p docs

# Everything Wine starts must see the virtual display, the fixture included:
# its first Wine process starts the prefix's desktop.
export build out virtual_screen program="$build/testkit/show_port_config.exe"
"${virtual_display[@]}" bash -c '
    set -euo pipefail
    testkit/fixture/wine-fixture.sh start "$build" >/dev/null
    report=$(mktemp)
    trap "testkit/fixture/wine-fixture.sh stop \"\$build\" >/dev/null; rm -f \"\$report\"" EXIT

    # A Wine desktop of the screen'"'"'s size draws the caption and frame that a
    # window manager would.
    testkit/fixture/wine-run.sh "$build" explorer /desktop=shot,$virtual_screen "$program" >"$report" &
    shower=$!
    for _ in $(seq 600); do
        grep -q "^rect " "$report" && break
        kill -0 $shower 2>/dev/null || break
        sleep 0.1
    done
    if ! read -r _ x y w h < <(grep "^rect " "$report"); then
        echo "the dialog did not appear" >&2
        exit 1
    fi
    xwd -root -silent | convert xwd:- -crop "${w}x${h}+${x}+${y}" +repage "png:$out"
    wait $shower
'
echo "wrote $out"
