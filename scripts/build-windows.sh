#!/usr/bin/env bash
# Builds Tarnwick for 64-bit Windows on this Debian machine: tarnwick.exe with
# the six cues beside it, in build/windows/win32/app.
#
# The picture and cue generators run on the build machine, so the Linux
# release build's generators are built first (build/release); then MinGW-w64
# cross-compiles the game and embeds the pictures as resources. Ends by
# printing the path of each artefact on its own line, tarnwick.exe first.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh --windows >&2

cmake --preset release >/dev/null
cmake --build --preset release --target tarnwick_render_pictures tarnwick_cue_generator >&2

cmake --preset windows >/dev/null
cmake --build --preset windows >&2

app=build/windows/win32/app
echo "$PWD/$app/tarnwick.exe"
for cue in pickup pegdrop winner loser loser4 loser3; do
    echo "$PWD/$app/$cue.WAV"
done
