#!/usr/bin/env bash
# Builds the picture and cue generators for this machine (the release build,
# build/release): the Windows and browser builds run them on the build
# machine. Run from any folder; its output goes to stderr.
set -euo pipefail
cd "$(dirname "$0")/.."
# shellcheck source=build-cache.sh
source scripts/build-cache.sh

# Configured once: a configured folder reconfigures itself when a CMakeLists.txt changes.
[[ -f build/release/build.ninja ]] || cmake --preset release >/dev/null
cmake --build --preset release --target tarnwick_tools_pictures tarnwick_tools_cues >&2
