#!/usr/bin/env bash
# Builds Tarnwick for the browser: a static site in build/web/site (the page,
# tarnwick.js and tarnwick.wasm, the pictures at 1x and 2x, the six cues, the
# manifest and the service worker), then prints its path.
#
# The picture and cue generators run on this machine, so the Linux release
# build's generators are built first (build/release), as for Windows. Installs
# what it needs first (Debian's emscripten, with Node.js where there is none).
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh --web >&2
# shellcheck source=build-cache.sh
source scripts/build-cache.sh
scripts/build-host-tools.sh

# Configured once: a configured folder reconfigures itself when a CMakeLists.txt changes.
[[ -f build/web/build.ninja ]] || cmake --preset web >/dev/null
cmake --build --preset web --target tarnwick_web_site >&2

echo "$PWD/build/web/site"
