#!/usr/bin/env bash
# Fuzzes the rule book for a bounded time (default 60 s) with the libFuzzer
# program of the clang sanitizer build ("asan" preset), starting from the
# seeds in tests/fuzz/corpus. What it learns stays in build/asan/fuzz-corpus
# for the next run.
#
#   scripts/fuzz.sh [SECONDS]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}

[[ -f build/asan/build.ninja ]] || cmake --preset asan >/dev/null
cmake --build --preset asan --target tarnwick_game_fuzzer >/dev/null
mkdir -p build/asan/fuzz-corpus build/asan/fuzz-crashes
log=build/asan/fuzz.log
status=0
build/asan/tests/fuzz/tarnwick_game_fuzzer \
    -max_total_time="$seconds" -max_len=4096 -print_final_stats=1 \
    -artifact_prefix=build/asan/fuzz-crashes/ \
    build/asan/fuzz-corpus tests/fuzz/corpus >"$log" 2>&1 || status=$?
grep -E '^(stat::number_of_executed_units|stat::peak_rss_mb|==|broken rule|SUMMARY|Done)' "$log" || true
# A run too short to explore is no fuzzing at all.
runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
if ((status == 0 && ${runs:-0} < ${TARNWICK_FUZZ_MIN_RUNS:-100000})); then
    echo "fuzz: only ${runs:-0} executions in $seconds s, fewer than ${TARNWICK_FUZZ_MIN_RUNS:-100000}"
    status=1
fi
exit "$status"
