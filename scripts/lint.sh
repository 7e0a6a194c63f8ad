#!/usr/bin/env bash
# Checks the includes, .clang-format and .clang-tidy against the compile commands of BUILD (default
# build/dev), build/windows and build/web; clang-tidy skips the units it has passed as they are now.
set -euo pipefail
cd "$(dirname "$0")/.."
export LC_ALL=C
build=${1:-build/dev}
cache=${TARNWICK_LINT_CACHE:-${TARNWICK_CACHE_HOME:-${XDG_CACHE_HOME:-$HOME/.cache}/tarnwick}/lint}

# list NAME PATTERN...: the tracked and new files matching the patterns that are in the work tree, into
# the array NAME. None fails the lint: a tree with no sources (or that git cannot list) is not clean.
list() {
    local -n into=$1
    local f
    shift
    into=()
    while read -r f; do
        if [[ -f $f ]]; then into+=("$f"); fi
    done < <(git ls-files --cached --others --exclude-standard -- "$@")
    ((${#into[@]} > 0)) || { echo "lint: no files match $*" >&2; exit 1; }
}

python3 scripts/check_includes.py "$build" build/windows build/web
sources=() units=()
list sources '*.cpp' '*.h'
timeout 600 clang-format --dry-run -Werror "${sources[@]}"
list units '*.cpp' ':!win32/*' ':!tests/win32/*' ':!web/*' ':!tests/web/*'
python3 scripts/tidy_cached.py "$build" "$cache" "${units[@]}"

# tidy_front_end FOLDER BUILD TARGET CLANG_ARGS...: FOLDER and its tests, as clang reads them for TARGET.
tidy_front_end() {
    [[ -f build/$2/compile_commands.json ]] ||
        { echo "lint: no build/$2 yet (cmake --preset $2), the $1 files are not tidied" >&2; return; }
    list units "$1/*.cpp" "tests/$1/*.cpp"
    TIDY_EXTRA_ARGS="--extra-arg=--target=$3 $(printf -- '--extra-arg=%s ' "${@:4}")" \
        python3 scripts/tidy_cached.py "build/$2" "$cache" "${units[@]}"
}
# MinGW-w64's C++ headers are GCC's.
cxx=$(printf '%s\n' /usr/lib/gcc/x86_64-w64-mingw32/*-posix/include/c++ | sort -V | tail -n 1)
tidy_front_end win32 windows x86_64-w64-mingw32 "-isystem$cxx" "-isystem$cxx/x86_64-w64-mingw32"
sysroot=/usr/share/emscripten/cache/sysroot
tidy_front_end web web wasm32-unknown-emscripten "--sysroot=$sysroot" "-isystem$sysroot/include/compat"
echo "lint: clean"
