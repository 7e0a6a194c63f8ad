#!/usr/bin/env bash
# Builds the optimised game and starts it. Installs only what building and
# playing take; the test tools come with scripts/test.sh.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh
cmake --preset release >/dev/null
cmake --build --preset release --target tarnwick
exec build/release/qt/app/tarnwick "$@"
