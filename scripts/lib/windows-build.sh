# Sourced by the scripts that run the plug-in's Windows programs (run from the
# source tree's root): the virtual display they show their windows on, and
# which of the two builds runs on this machine.

# The one virtual display: "${virtual_display[@]}" COMMAND... runs COMMAND with
# a display of virtual_screen pixels.
virtual_screen=1024x768
virtual_display=(xvfb-run -a -s "-screen 0 ${virtual_screen}x24")

# What a release ships, built in the 32-bit tree.
shipped_targets=(ArdunParser ardun-host ardun-sim ardun-trace ardun-trace-console)

# choose_build: which of the two builds runs on this machine, found by running
# the 32-bit build's probe (build/mingw/wine-probe.exe must be built). Sets
# $build to build/mingw and $why_not to nothing where this machine runs 32-bit
# Windows programs, otherwise $build to build/mingw64 and $why_not to why not.
# Returns 2 where the machine has the 32-bit Wine and runs 32-bit code but the
# probe still failed: a fault to fix, not a machine to fall back from.
choose_build() {
    local probe=0
    why_not=$(testkit/fixture/can-run-build.sh build/mingw) || probe=$?
    case $probe in
    0) build=build/mingw why_not="" ;;
    1) build=build/mingw64 ;;
    *)
        build=build/mingw64
        why_not="the 32-bit build should run here, but its probe failed: $why_not"
        return 2
        ;;
    esac
}

# pick_build TARGET...: builds TARGETs in the build that choose_build picks
# (the 32-bit build that users get wherever it runs) and sets $build and
# $why_not as it does; stops the script when the 32-bit probe fails on a
# machine that should run it. Quiet: the builds' output goes to
# build/scripts-build.log, whose end is shown when a build fails.
pick_build() {
    local log=build/scripts-build.log
    mkdir -p build
    : > "$log"
    preset_build mingw "$log" wine-probe
    choose_build || { echo "$why_not" >&2; exit 1; }
    preset_build "${build#build/}" "$log" "$@"
}

# preset_build PRESET LOG TARGET...: configures and builds, the output in LOG.
preset_build() {
    if ! { cmake --preset "$1" && cmake --build --preset "$1" --target "${@:3}"; } >>"$2" 2>&1; then
        tail -n 30 "$2"
        echo "The build failed; its whole output is in $2" >&2
        exit 1
    fi
}
