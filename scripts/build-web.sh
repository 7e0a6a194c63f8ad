#!/usr/bin/env bash
# Builds Tarnwick for the browser: a static site in build/web/site (the page,
# tarnwick.js and tarnwick.wasm, the pictures at 1x and 2x, the six cues, the
# manifest and the service worker), then prints its path.
#
# The picture and cue generators run on this machine, so the Linux release
# build's generators are built first (build/release), as for Windows. Needs
# Debian's emscripten and nodejs (scripts/setup.sh installs neither yet:
# apt-get install --no-remove emscripten nodejs).
set -euo pipefail
cd "$(dirname "$0")/.."

for tool in emcc node; do
    if ! command -v "$tool" >/dev/null; then
        echo "build-web.sh: $tool is missing (apt-get install --no-remove emscripten nodejs)" >&2
        exit 1
    fi
done
export CCACHE_DIR="${CCACHE_DIR:-$HOME/.cache/tarnwick/ccache}"
export CCACHE_BASEDIR="$PWD" CCACHE_NOHASHDIR=1

cmake --preset release >/dev/null
cmake --build --preset release --target tarnwick_tools_pictures tarnwick_tools_cues >&2

cmake --preset web >/dev/null
cmake --build --preset web --target tarnwick_web_site >&2

echo "$PWD/build/web/site"
