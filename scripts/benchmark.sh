#!/usr/bin/env bash
# Measures the game against an empty Qt window with the same size, cells and
# buttons (benchmarks/baseline), both release builds, under Xvfb with a
# private audio server running, alternating, RUNS runs each (default 10), and
# prints a table of medians:
#  - start-up: process start to the window being mapped (MapNotify),
#  - peak resident memory once idle (VmHWM),
#  - processor time of all threads over IDLE_SECONDS (default 10) of idling
#    with the window open,
#  - binary size,
# then the cue figures of scripts/benchmark-sound.sh (latency, idle after a cue).
# Targets: start-up and memory within 1.15 x the baseline, idle processor
# time at most 0.02 s, cue latency at most 30 ms. Figures only: never a test.
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${RUNS:-10}
idle=${IDLE_SECONDS:-10}

scripts/setup.sh
cmake --preset release >/dev/null
cmake --build --preset release --target tarnwick tarnwick_baseline tarnwick_launch_probe >/dev/null

results=$(mktemp -d "${TMPDIR:-/tmp}/tarnwick-bench.XXXXXX")
trap 'rm -rf "$results"' EXIT
probe=build/release/benchmarks/tarnwick_launch_probe
baseline=build/release/benchmarks/tarnwick_baseline
game=build/release/app/tarnwick

echo "Measuring $runs runs each, alternating, ${idle} s idle per run..." >&2
scripts/x-session.sh --screen 1280x1024 --pulse \
    bash -c '
        probe=$1 baseline=$2 game=$3 runs=$4 idle=$5 results=$6
        # One unmeasured start of each, so both run warm.
        "$probe" 0 "$baseline" >/dev/null 2>&1
        "$probe" 0 "$game" >/dev/null 2>&1
        for _ in $(seq "$runs"); do
            "$probe" "$idle" "$baseline" 2>/dev/null >>"$results/baseline"
            "$probe" "$idle" "$game" 2>/dev/null >>"$results/game"
        done' _ "$probe" "$baseline" "$game" "$runs" "$idle" "$results"

# median FILE FIELD: the median of one key=value field over the runs
median() {
    sed -n "s/.*$2=\([0-9.]*\).*/\1/p" "$1" | sort -g \
        | awk '{ v[NR] = $1 } END { if (NR % 2) print v[(NR + 1) / 2]; else print (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}

b_map=$(median "$results/baseline" map_ms)
g_map=$(median "$results/game" map_ms)
b_mem=$(median "$results/baseline" peak_kib)
g_mem=$(median "$results/game" peak_kib)
b_cpu=$(median "$results/baseline" idle_cpu_s)
g_cpu=$(median "$results/game" idle_cpu_s)
b_size=$(stat -c %s "$baseline")
g_size=$(stat -c %s "$game")
n_runs=$(wc -l <"$results/game")

sound=$(scripts/benchmark-sound.sh 2>/dev/null || true)
latency=$(sed -n 's/.*first sound at the sink: .*median of [0-9]* \([0-9.]*\) ms.*/\1/p' <<<"$sound")
cue_idle=$(sed -n 's/.*idle processor time over 10 s after the last cue: \([0-9.]*\) s.*/\1/p' <<<"$sound")

verdict() { awk -v v="$1" -v limit="$2" 'BEGIN { print (v <= limit) ? "ok" : "OVER" }'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }

printf '\nTarnwick against the baseline window (release builds, Xvfb, medians of %s runs)\n\n' "$n_runs"
printf '| %-34s | %10s | %10s | %5s | %-14s | %-4s |\n' "Measure" "Baseline" "Tarnwick" "Ratio" "Target" ""
printf '|%s|%s|%s|%s|%s|%s|\n' "------------------------------------" "------------" "------------" "-------" "----------------" "------"
printf '| %-34s | %7.1f ms | %7.1f ms | %5s | %-14s | %-4s |\n' "Start-up to window mapped" \
    "$b_map" "$g_map" "$(ratio "$g_map" "$b_map")" "<= 1.15 x" \
    "$(verdict "$(ratio "$g_map" "$b_map")" 1.15)"
printf '| %-34s | %6.1f MiB | %6.1f MiB | %5s | %-14s | %-4s |\n' "Peak resident memory, idle" \
    "$(awk -v k="$b_mem" 'BEGIN { print k / 1024 }')" "$(awk -v k="$g_mem" 'BEGIN { print k / 1024 }')" \
    "$(ratio "$g_mem" "$b_mem")" "<= 1.15 x" "$(verdict "$(ratio "$g_mem" "$b_mem")" 1.15)"
printf '| %-34s | %8.4f s | %8.4f s | %5s | %-14s | %-4s |\n' "Processor time, ${idle} s idle" \
    "$b_cpu" "$g_cpu" "-" "<= 0.02 s" "$(verdict "$g_cpu" 0.02)"
printf '| %-34s | %6.0f KiB | %6.0f KiB | %5s | %-14s | %-4s |\n' "Binary size" \
    "$(awk -v s="$b_size" 'BEGIN { print s / 1024 }')" "$(awk -v s="$g_size" 'BEGIN { print s / 1024 }')" \
    "$(ratio "$g_size" "$b_size")" "-" ""
printf '| %-34s | %10s | %7s ms | %5s | %-14s | %-4s |\n' "Cue latency, play call to sink" \
    "-" "${latency:-?}" "-" "<= 30 ms" "$([[ -n $latency ]] && verdict "$latency" 30 || echo "?")"
printf '| %-34s | %10s | %8s s | %5s | %-14s | %-4s |\n' "Processor time, 10 s after a cue" \
    "-" "${cue_idle:-?}" "-" "<= 0.02 s" "$([[ -n $cue_idle ]] && verdict "$cue_idle" 0.02 || echo "?")"
