# Sourced by every script that builds, from the checkout's root: the compiler cache lives outside
# the checkout and keys objects on paths relative to it, so a fresh clone or worktree builds quickly.
export CCACHE_DIR=${CCACHE_DIR:-${TARNWICK_CACHE_HOME:-${XDG_CACHE_HOME:-$HOME/.cache}/tarnwick}/ccache}
export CCACHE_BASEDIR=$PWD CCACHE_NOHASHDIR=1

# build_preset PRESET TARGET...: configures build/PRESET once (it reconfigures
# itself when a CMakeLists.txt changes) and builds TARGETs.
build_preset() {
    [[ -f build/$1/build.ninja ]] || cmake --preset "$1" >/dev/null
    cmake --build --preset "$1" --target "${@:2}" >&2
}
# The generators the Windows and browser builds run (cmake/HostTools.cmake).
build_host_tools() { build_preset release tarnwick_tools_pictures tarnwick_tools_cues; }
