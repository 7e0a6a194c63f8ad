#!/usr/bin/env bash
# Builds Tarnwick for 64-bit Windows on this Debian machine: tarnwick.exe with
# the six cues beside it, in build/windows/win32/app, and from them the zip
# and the installer in build/windows/package.
#
# The picture and cue generators run on the build machine, so the Linux
# release build's generators are built first (build/release); then MinGW-w64
# cross-compiles the game and embeds the pictures as resources. Ends by
# printing the paths of tarnwick.exe, the zip and the installer, one a line.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh --windows >&2
# shellcheck source=build-cache.sh
source scripts/build-cache.sh
scripts/build-host-tools.sh

# Configured once: a configured folder reconfigures itself when a CMakeLists.txt changes.
[[ -f build/windows/build.ninja ]] || cmake --preset windows >/dev/null
cmake --build --preset windows >&2

# The zip by CPack, the installer by makensis (packaging/CMakeLists.txt): both
# hold tarnwick.exe, the six cues, LICENSE.txt and README.txt.
cmake --build --preset windows --target tarnwick_packages >&2

version=$(sed -nE 's/^CMAKE_PROJECT_VERSION:STATIC=(.*)/\1/p' build/windows/CMakeCache.txt)
echo "$PWD/build/windows/win32/app/tarnwick.exe"
echo "$PWD/build/windows/package/tarnwick-$version-windows-x64.zip"
echo "$PWD/build/windows/package/tarnwick-$version-windows-x64-setup.exe"
