#!/usr/bin/env bash
# Builds Tarnwick and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh
cmake --preset dev >/dev/null
cmake --build --preset dev
exec build/dev/app/tarnwick "$@"
