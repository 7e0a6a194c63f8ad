#!/usr/bin/env bash
# Checks the tree against .clang-format and .clang-tidy. Needs a configured
# build folder for the compile commands (default: build/dev). clang-tidy
# skips units it has passed before as they are now (scripts/tidy_cached.py);
# TARNWICK_LINT_CACHE names the cache folder.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/dev}
cache=${TARNWICK_LINT_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/tarnwick/lint}

# Tracked and new files alike, as they are in the work tree.
list() { git ls-files --cached --others --exclude-standard -- "$@" | while read -r f; do [[ -f $f ]] && echo "$f"; done; }

mapfile -t sources < <(list '*.cpp' '*.h')
clang-format --dry-run -Werror "${sources[@]}"

mapfile -t units < <(list '*.cpp')
python3 scripts/tidy_cached.py "$build" "$cache" "${units[@]}"
echo "lint: clean"
