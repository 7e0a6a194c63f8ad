#!/usr/bin/env bash
# Builds Tarnwick and runs every test: once in the developer build, once under
# AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh

# The GUI tests draw offscreen; no display is needed or used.
export QT_QPA_PLATFORM=offscreen

status=0
summaries=()
for preset in dev asan; do
    echo "== $preset build"
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset"
    echo "== $preset tests"
    log=$(mktemp)
    ctest --preset "$preset" 2>&1 | tee "$log" || status=1
    summaries+=("$preset build:" "$(grep -E 'tests passed|tests failed' "$log" | tail -n 1)")
    rm -f "$log"
done
echo "== package"
scripts/test-package.sh || status=1
echo "== lint"
scripts/lint.sh build/dev || status=1
echo "== fuzz (60 s)"
scripts/fuzz.sh 60 || status=1
echo "== memcheck"
scripts/memcheck.sh build/dev || status=1

echo "== summary"
printf '%s\n' "${summaries[@]}"
exit "$status"
