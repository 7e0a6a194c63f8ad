#!/usr/bin/env bash
# Prints the game's start-up, memory, shared libraries and idle processor time beside an empty Qt
# window's (benchmarks/baseline), both run alternating in a private session, then the cue figures of
# scripts/benchmark-sound.sh. RUNS, IDLE_RUNS, IDLE_SECONDS, COLD_RUNS: docs/performance.md.
set -euo pipefail
cd "$(dirname "$0")/.."
export runs=${RUNS:-20} idle=${IDLE_SECONDS:-10} idle_runs=${IDLE_RUNS:-3} cold_runs=${COLD_RUNS:-3}
[[ -w /proc/sys/vm/drop_caches ]] || cold_runs=0

scripts/setup.sh --test
cmake --preset release >/dev/null
cmake --build --preset release --target tarnwick tarnwick_baseline tarnwick_launch_probe >/dev/null

results=$(mktemp -d "${TMPDIR:-/tmp}/tarnwick-bench.XXXXXX")
trap 'rm -rf "$results"' EXIT
export results probe=build/release/benchmarks/launch_probe/tarnwick_launch_probe
export baseline=build/release/benchmarks/tarnwick_baseline game=build/release/qt/app/tarnwick

# both TIMES RUNS IDLE_SECONDS: the probe on the baseline, then the game, TIMES
# over, into results/{baseline,game}RUNS; cold runs drop the page cache first.
both() {
    for _ in $(seq "$1"); do
        for which in baseline game; do
            if [[ $2 == .cold ]]; then
                sync
                echo 3 >/proc/sys/vm/drop_caches
            fi
            LAUNCH_PROBE_LIBS=$results/$which.libs "$probe" "$3" "${!which}" 2>/dev/null >>"$results/$which$2"
        done
    done
}
# Starts are timed apart from the idle runs: a start right after seconds of
# idling wakes a sleeping processor first, which spread the medians by 10 %.
measure() {
    both 1 .warm 0 # unmeasured, so that both run warm
    both "$runs" "" 0
    both "$idle_runs" .idle "$idle"
    both "$cold_runs" .cold 0
}
export -f both measure
echo "Measuring $runs starts each, then $idle_runs runs of $idle s idle each, and $cold_runs cold starts..." >&2
python3 scripts/session.py run --screen 1280x1024 --pulse bash -c measure

# stats FILE FIELD: "min median max" of one key=value field over the runs
stats() {
    sed -n "s/.*\<$2=\([0-9.]*\).*/\1/p" "$1" | sort -g \
        | awk '{ v[NR] = $1 } END { print v[1], (v[int((NR + 1) / 2)] + v[int(NR / 2) + 1]) / 2, v[NR] }'
}
# row LABEL RUNS FIELD SCALE UNIT FORMAT TARGET LIMIT [ratio|plus|none]: the
# figures of FIELD over the runs RUNS ("", .idle or .cold) of both, and the
# game's median against the baseline's (its ratio or the difference; none:
# its own) within LIMIT or OVER.
row() {
    awk -v label="$1" -v b="$(stats "$results/baseline$2" "$3")" -v g="$(stats "$results/game$2" "$3")" \
        -v scale="$4" -v unit="$5" -v f="$6" -v target="$7" -v limit="$8" -v kind="${9:-ratio}" '
        function figures(s, v) {
            split(s, v)
            return sprintf(f " / " f " / " f " %s", v[1] / scale, v[2] / scale, v[3] / scale, unit)
        }
        BEGIN {
            split(b, bv)
            split(g, gv)
            if (kind == "plus") { value = gv[2] - bv[2]; compare = "+" value }
            else if (kind == "none") { value = gv[2]; compare = "-" }
            else { compare = sprintf("%.2f", gv[2] / bv[2]); value = compare + 0 }
            printf "| %s | %s | %s | %s | %s | %s |\n", label, figures(b), figures(g), compare, target,
                value <= limit ? "ok" : "OVER"
        }'
}

printf '\nTarnwick against the baseline window (release builds, Xvfb, %s starts and %s idle runs each, %s\n\n' \
    "$(wc -l <"$results/game")" "$(wc -l <"$results/game.idle")" "min / median / max)"
printf '| Measure | Baseline | Tarnwick | Ratio | Target | |\n|---|---|---|---|---|---|\n'
row "Start-up to window mapped" "" map_ms 1 ms "%.1f" "<= 1.05 x" 1.05
row "Peak memory when mapped" "" map_peak_kib 1024 MiB "%.1f" "<= 1.05 x" 1.05
row "Shared libraries when mapped" "" libs 1 "" "%.0f" "<= +3" 3 plus
row "Peak memory, idle, audio warm" .idle peak_kib 1024 MiB "%.1f" "<= 1.15 x" 1.15
row "Processor time, ${idle} s idle" .idle idle_cpu_s 1 s "%.4f" "<= 0.005 s" 0.005 none
if ((cold_runs > 0)); then
    row "Cold start-up to window mapped" .cold map_ms 1 ms "%.1f" "-" 1000
else
    echo "| Cold start-up | not measured (COLD_RUNS=0, or the page cache cannot be dropped: needs root) | | | | |"
fi
printf '\nShared libraries the game maps at its first frame beyond the baseline:\n'
comm -13 "$results/baseline.libs" "$results/game.libs" | sed 's/^/  + /'
comm -23 "$results/baseline.libs" "$results/game.libs" | sed 's/^/  - /'

echo
scripts/benchmark-sound.sh 2>/dev/null || echo "sound: no figures (see scripts/benchmark-sound.sh)"
