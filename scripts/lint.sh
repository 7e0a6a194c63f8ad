#!/usr/bin/env bash
# Checks the tree against .clang-format and .clang-tidy. Needs a configured
# build folder for the compile commands (default: build/dev).
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/dev}

mapfile -t sources < <(git ls-files -- '*.cpp' '*.h')
clang-format --dry-run -Werror "${sources[@]}"

mapfile -t units < <(git ls-files -- '*.cpp')
printf '%s\n' "${units[@]}" | xargs -P "$(nproc)" -n 4 clang-tidy -p "$build" --quiet 2>/dev/null
echo "lint: clean"
