# Sourced by every script that runs a build tree's Windows programs.
#   wine_env BUILD_DIR
# exports the build tree's private Wine prefix and sets $wine to the loader
# that runs its programs: the 64-bit loader for the 64-bit test build, plain
# `wine` for the 32-bit one. The build tree names it in its wine-loader file.
wine_env() {
    local build
    build=$(cd "$1" && pwd)  # Wine takes only an absolute prefix path
    wine=$(cat "$build/wine-loader" 2>/dev/null || echo wine)
    export WINEPREFIX="$build/wineprefix" WINEDEBUG=-all
    # Without Mono and Gecko a new prefix starts without asking for them.
    export WINEDLLOVERRIDES="mscoree,mshtml="
    # The `wine` wrapper starts the 32-bit loader whenever it is installed;
    # Wine's own child processes (cmd, reg, explorer) must use this one.
    case "$wine" in
    */wine64) export WINELOADER=$wine ;;
    esac
}
