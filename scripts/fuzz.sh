#!/usr/bin/env bash
# Fuzzes a libFuzzer program of the clang sanitizer build ("asan" preset) for
# a bounded time (default 60 s): "game", the rule book (seeds in
# tests/fuzz/corpus), or "wave", the wave reader (seeds in
# tests/fuzz/wave-corpus). What it learns stays in build/asan/fuzz-corpus[-wave]
# for the next run; each target has its own log and crash folder, so the two
# may run at once once built.
#
#   scripts/fuzz.sh [game|wave] [SECONDS]
#   scripts/fuzz.sh SECONDS          (the rule book)
set -euo pipefail
cd "$(dirname "$0")/.."
target=game
if [[ ${1:-} == game || ${1:-} == wave ]]; then
    target=$1
    shift
fi
seconds=${1:-60}

case $target in
game)
    program=tarnwick_game_fuzzer seeds=tests/fuzz/corpus learnt=build/asan/fuzz-corpus
    options=(-max_len=4096)
    ;;
wave)
    # Nothing the reader keeps may come near this: a header that makes it
    # allocate more is a finding.
    program=tarnwick_wave_fuzzer seeds=tests/fuzz/wave-corpus learnt=build/asan/fuzz-corpus-wave
    options=(-max_len=4096 -malloc_limit_mb=64)
    ;;
esac

# Configured once: a configured folder reconfigures itself when a CMakeLists.txt changes.
[[ -f build/asan/build.ninja ]] || cmake --preset asan >/dev/null
cmake --build --preset asan --target "$program" >/dev/null
crashes=build/asan/fuzz-crashes-$target
mkdir -p "$learnt" "$crashes"
log=build/asan/fuzz-$target.log
status=0
"build/asan/tests/fuzz/$program" \
    -max_total_time="$seconds" "${options[@]}" -print_final_stats=1 \
    -artifact_prefix="$crashes/" \
    "$learnt" "$seeds" >"$log" 2>&1 || status=$?
grep -E '^(stat::number_of_executed_units|stat::peak_rss_mb|==|broken rule|outside the limits|SUMMARY|Done)' "$log" || true
# A run too short to explore is no fuzzing at all.
runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
if ((status == 0 && ${runs:-0} < ${TARNWICK_FUZZ_MIN_RUNS:-100000})); then
    echo "fuzz ($target): only ${runs:-0} executions in $seconds s, fewer than ${TARNWICK_FUZZ_MIN_RUNS:-100000}"
    status=1
fi
exit "$status"
