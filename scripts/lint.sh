#!/usr/bin/env bash
# Checks the tree against .clang-format and .clang-tidy. Needs a configured
# build folder for the compile commands (default: build/dev). clang-tidy
# skips units it has passed before as they are now (scripts/tidy_cached.py);
# TARNWICK_LINT_CACHE names the cache folder (by default lint/ among the
# caches of scripts/build-cache.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
export LC_ALL=C
build=${1:-build/dev}
cache=${TARNWICK_LINT_CACHE:-${TARNWICK_CACHE_HOME:-${XDG_CACHE_HOME:-$HOME/.cache}/tarnwick}/lint}

# list NAME PATTERN...: puts the tracked and new files matching the patterns,
# as they are in the work tree, into the array NAME. Finding none fails the
# lint: a tree with no sources is not a clean one.
list() {
    local -n into=$1
    local files f
    shift
    files=$(git ls-files --cached --others --exclude-standard -- "$@") ||
        { echo "lint: git ls-files failed" >&2; exit 1; }
    into=()
    while read -r f; do if [[ -f $f ]]; then into+=("$f"); fi; done <<<"$files"
    ((${#into[@]} > 0)) || { echo "lint: no files match $*" >&2; exit 1; }
}

# Includes point down to the core or sideways within a front-end, never up
# nor across, as each build's compiler resolves them.
python3 scripts/check_includes.py "$build" build/windows build/web

sources=() units=() win_units=() web_units=()
list sources '*.cpp' '*.h'
timeout 600 clang-format --dry-run -Werror "${sources[@]}"

list units '*.cpp' ':!win32/*' ':!tests/win32/*' ':!web/*' ':!tests/web/*'
python3 scripts/tidy_cached.py "$build" "$cache" "${units[@]}"

# The Windows front-end, against the Windows build's compile commands, as
# clang reads MinGW-w64 code (its C++ headers are GCC's).
windows_build=build/windows
if [[ -f $windows_build/compile_commands.json ]]; then
    list win_units 'win32/*.cpp' 'tests/win32/*.cpp'
    cxx=$(ls -d /usr/lib/gcc/x86_64-w64-mingw32/*-posix/include/c++ | sort -V | tail -n 1)
    TIDY_EXTRA_ARGS="--extra-arg=--target=x86_64-w64-mingw32 --extra-arg=-isystem$cxx
        --extra-arg=-isystem$cxx/x86_64-w64-mingw32" \
        python3 scripts/tidy_cached.py "$windows_build" "$cache" "${win_units[@]}"
else
    echo "lint: no $windows_build yet (scripts/build-windows.sh), the Win32 files are not tidied" >&2
fi
web_build=build/web
if [[ -f $web_build/compile_commands.json ]]; then
    list web_units 'web/*.cpp' 'tests/web/*.cpp'
    sysroot=/usr/share/emscripten/cache/sysroot
    TIDY_EXTRA_ARGS="--extra-arg=--target=wasm32-unknown-emscripten --extra-arg=--sysroot=$sysroot
        --extra-arg=-isystem$sysroot/include/compat" \
        python3 scripts/tidy_cached.py "$web_build" "$cache" "${web_units[@]}"
else
    echo "lint: no $web_build yet (scripts/build-web.sh), the web files are not tidied" >&2
fi
echo "lint: clean"
