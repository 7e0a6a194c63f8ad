#!/usr/bin/env bash
# Checks the tree against .clang-format and .clang-tidy. Needs a configured
# build folder for the compile commands (default: build/dev).
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/dev}

# Tracked and new files alike, as they are in the work tree.
list() { git ls-files --cached --others --exclude-standard -- "$@" | while read -r f; do [[ -f $f ]] && echo "$f"; done; }

mapfile -t sources < <(list '*.cpp' '*.h')
clang-format --dry-run -Werror "${sources[@]}"

mapfile -t units < <(list '*.cpp')
printf '%s\n' "${units[@]}" | xargs -P "$(nproc)" -n 4 clang-tidy -p "$build" --quiet 2>/dev/null
echo "lint: clean"
