# Sourced by the scripts that run the plug-in's Windows programs (run from the
# source tree's root): the virtual display they show their windows on, and
# which of the two builds runs on this machine.

# The one virtual display: "${virtual_display[@]}" COMMAND... runs COMMAND with
# a display of virtual_screen pixels.
virtual_screen=1024x768
virtual_display=(xvfb-run -a -s "-screen 0 ${virtual_screen}x24")

# pick_build TARGET...: builds TARGETs in the 32-bit build that users get
# (preset mingw, build/mingw) where this machine runs 32-bit Windows programs,
# and otherwise in its 64-bit twin (preset mingw64, build/mingw64); stops the
# script when the 32-bit probe fails on a machine that should run it. Sets $build
# to the chosen tree (relative to the source tree) and $why_not to why the
# 32-bit build cannot run here, or to nothing. Quiet: the builds' output goes
# to build/scripts-build.log, whose end is shown when a build fails.
pick_build() {
    local log=build/scripts-build.log preset=mingw
    mkdir -p build
    : > "$log"
    preset_build mingw "$log" wine-probe
    local probe=0
    why_not=$(tests/support/can-run-build.sh build/mingw) || probe=$?
    case $probe in
    0) why_not="" ;;
    1) preset=mingw64 ;;
    *)
        # This machine has the 32-bit Wine and runs 32-bit code: a fault to
        # fix, not a machine to fall back from.
        echo "The 32-bit build should run here, but its probe failed: $why_not" >&2
        exit 1
        ;;
    esac
    build=build/$preset
    preset_build "$preset" "$log" "$@"
}

# preset_build PRESET LOG TARGET...: configures and builds, the output in LOG.
preset_build() {
    if ! { cmake --preset "$1" && cmake --build --preset "$1" --target "${@:3}"; } >>"$2" 2>&1; then
        tail -n 30 "$2"
        echo "The build failed; its whole output is in $2" >&2
        exit 1
    fi
}
