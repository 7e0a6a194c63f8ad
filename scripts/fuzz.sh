#!/usr/bin/env bash
# Fuzzes the rule book for a bounded time (default 60 s) in its own clang
# build (the "fuzz" preset), starting from the seeds in tests/fuzz/corpus.
# What it learns stays in build/fuzz/corpus for the next run.
#
#   scripts/fuzz.sh [SECONDS]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz >/dev/null
mkdir -p build/fuzz/corpus build/fuzz/crashes
set +e
build/fuzz/tests/fuzz/tarnwick_game_fuzzer \
    -max_total_time="$seconds" -max_len=4096 -print_final_stats=1 \
    -artifact_prefix=build/fuzz/crashes/ \
    build/fuzz/corpus tests/fuzz/corpus 2>&1 \
    | grep -E '^(stat::number_of_executed_units|stat::peak_rss_mb|==|broken rule|SUMMARY|Done)'
# grep only hides libFuzzer's chatter: the fuzzer's status is what counts.
status=${PIPESTATUS[0]}
exit "$status"
