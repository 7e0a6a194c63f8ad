#!/usr/bin/env bash
# Measures the game against an empty Qt window with the same size, cells and
# buttons (benchmarks/baseline), both release builds, under Xvfb with a
# private audio server running, alternating, and prints min / median / max of:
#  - start-up: process start to the window being mapped (MapNotify), RUNS
#    starts each (default 20), back to back,
#  - peak resident memory (VmHWM) when mapped,
#  - shared libraries mapped when the window is mapped, and which the game
#    maps beyond the baseline,
#  - over IDLE_RUNS further runs each (default 3): peak memory once the audio
#    library has loaded, and processor time of all threads over IDLE_SECONDS
#    (default 10) of idling,
#  - start-up again with the page cache dropped before each run (COLD_RUNS,
#    default 3; needs root),
# then the cue figures of scripts/benchmark-sound.sh.
# Starts are timed apart from the idle runs: a start right after seconds of
# idling wakes a sleeping processor first, which spread the medians by 10 %.
# Figures only: never a test.
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${RUNS:-20}
idle=${IDLE_SECONDS:-10}
idle_runs=${IDLE_RUNS:-3}
cold_runs=${COLD_RUNS:-3}

scripts/setup.sh --test
cmake --preset release >/dev/null
cmake --build --preset release --target tarnwick tarnwick_baseline tarnwick_launch_probe >/dev/null

results=$(mktemp -d "${TMPDIR:-/tmp}/tarnwick-bench.XXXXXX")
trap 'rm -rf "$results"' EXIT
probe=build/release/benchmarks/launch_probe/tarnwick_launch_probe
baseline=build/release/benchmarks/tarnwick_baseline
game=build/release/qt/app/tarnwick

cold=no
if [[ -w /proc/sys/vm/drop_caches ]] && ((cold_runs > 0)); then
    cold=yes
fi

echo "Measuring $runs starts each, then $idle_runs runs of ${idle} s idle each, alternating (cold runs: $cold)..." >&2
python3 scripts/session.py run --screen 1280x1024 --pulse \
    bash -c '
        probe=$1 baseline=$2 game=$3 runs=$4 idle=$5 results=$6 cold=$7 cold_runs=$8 idle_runs=$9
        # One unmeasured start of each, so both run warm.
        "$probe" 0 "$baseline" >/dev/null 2>&1
        "$probe" 0 "$game" >/dev/null 2>&1
        for _ in $(seq "$runs"); do
            LAUNCH_PROBE_LIBS=$results/baseline.libs "$probe" 0 "$baseline" 2>/dev/null >>"$results/baseline"
            LAUNCH_PROBE_LIBS=$results/game.libs "$probe" 0 "$game" 2>/dev/null >>"$results/game"
        done
        for _ in $(seq "$idle_runs"); do
            "$probe" "$idle" "$baseline" 2>/dev/null >>"$results/baseline.idle"
            "$probe" "$idle" "$game" 2>/dev/null >>"$results/game.idle"
        done
        if [[ $cold == yes ]]; then
            for _ in $(seq "$cold_runs"); do
                for which in baseline game; do
                    sync
                    echo 3 >/proc/sys/vm/drop_caches
                    "$probe" 0 "${!which}" 2>/dev/null >>"$results/$which.cold"
                done
            done
        fi' _ "$probe" "$baseline" "$game" "$runs" "$idle" "$results" "$cold" "$cold_runs" "$idle_runs"

# stats FILE FIELD: "min median max" of one key=value field over the runs
stats() {
    sed -n "s/.*\<$2=\([0-9.]*\).*/\1/p" "$1" | sort -g \
        | awk '{ v[NR] = $1 } END { m = (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2
                                    print v[1], m, v[NR] }'
}
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
verdict() { awk -v v="$1" -v limit="$2" 'BEGIN { print (v <= limit) ? "ok" : "OVER" }'; }
# row LABEL FIELD SCALE UNIT FORMAT TARGET LIMIT [ratio|plus]
row() {
    local label=$1 field=$2 scale=$3 unit=$4 format=$5 target=$6 limit=$7 kind=${8:-ratio}
    local b g bmed gmed compare
    read -r -a b < <(stats "$results/baseline$suffix" "$field")
    read -r -a g < <(stats "$results/game$suffix" "$field")
    bmed=${b[1]} gmed=${g[1]}
    if [[ $kind == plus ]]; then
        compare="+$(awk -v a="$gmed" -v b="$bmed" 'BEGIN { print a - b }')"
        verdict=$(verdict "$(awk -v a="$gmed" -v b="$bmed" 'BEGIN { print a - b }')" "$limit")
    elif [[ $kind == none ]]; then
        compare="-" verdict=$(verdict "$gmed" "$limit")
    else
        compare="$(ratio "$gmed" "$bmed")" verdict=$(verdict "$compare" "$limit")
    fi
    fmt() { awk -v s="$scale" -v f="$format" '{ for (i = 1; i <= NF; i++) printf (i > 1 ? " / " : "") f, $i / s }' <<<"$*"; }
    printf '| %s | %s %s | %s %s | %s | %s | %s |\n' "$label" "$(fmt "${b[@]}")" "$unit" \
        "$(fmt "${g[@]}")" "$unit" "$compare" "$target" "$verdict"
}

n_runs=$(wc -l <"$results/game")
n_idle=$(wc -l <"$results/game.idle")
printf '\nTarnwick against the baseline window (release builds, Xvfb, %s starts and %s idle runs each, min / median / max)\n\n' "$n_runs" "$n_idle"
printf '| Measure | Baseline | Tarnwick | Ratio | Target | |\n|---|---|---|---|---|---|\n'
suffix=""
row "Start-up to window mapped" map_ms 1 ms "%.1f" "<= 1.05 x" 1.05
row "Peak memory when mapped" map_peak_kib 1024 MiB "%.1f" "<= 1.05 x" 1.05
row "Shared libraries when mapped" libs 1 "" "%.0f" "<= +3" 3 plus
suffix=.idle
row "Peak memory, idle, audio warm" peak_kib 1024 MiB "%.1f" "<= 1.15 x" 1.15
row "Processor time, ${idle} s idle" idle_cpu_s 1 s "%.4f" "<= 0.005 s" 0.005 none
if [[ $cold == yes ]]; then
    suffix=.cold
    row "Cold start-up to window mapped" map_ms 1 ms "%.1f" "-" 1000
elif ((cold_runs == 0)); then
    echo "| Cold start-up | not measured (COLD_RUNS=0) | | | | |"
else
    echo "| Cold start-up | not measured: the page cache cannot be dropped here (needs root) | | | | |"
fi
printf '\nShared libraries the game maps at its first frame beyond the baseline:\n'
comm -13 "$results/baseline.libs" "$results/game.libs" | sed 's/^/  + /'
comm -23 "$results/baseline.libs" "$results/game.libs" | sed 's/^/  - /'

echo
scripts/benchmark-sound.sh 2>/dev/null || echo "sound: no figures (see scripts/benchmark-sound.sh)"
