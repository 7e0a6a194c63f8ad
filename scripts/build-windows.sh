#!/usr/bin/env bash
# Builds Tarnwick for 64-bit Windows (docs/windows.md): the generators for this
# machine, then tarnwick.exe with the six cues beside it, and the zip and the
# installer. Prints the paths of tarnwick.exe, the zip and the installer.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh --windows >&2
# shellcheck source=build-cache.sh
source scripts/build-cache.sh
build_host_tools
build_preset windows all tarnwick_packages

version=$(sed -nE 's/^CMAKE_PROJECT_VERSION:STATIC=(.*)/\1/p' build/windows/CMakeCache.txt)
out=$PWD/build/windows
printf '%s\n' "$out/win32/app/tarnwick.exe" "$out/package/tarnwick-$version-windows-x64.zip" \
    "$out/package/tarnwick-$version-windows-x64-setup.exe"
