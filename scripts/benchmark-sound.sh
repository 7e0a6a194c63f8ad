#!/usr/bin/env bash
# Measures the sound cues against a private audio server and prints:
#  - wall time of the cue request on the interface thread (median, worst),
#  - latency from the cue request to the first sound at the sink: the run's
#    first cue on its own, then 20 with nothing playing and 20 replacing a
#    playing cue (median, worst),
#  - processor time of the game over the 10 s after its last cue (the device
#    stays open a few seconds of them), and over the next 10 s, idle.
# Each line names its target. Figures only: never a test.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh --test
cmake --preset dev >/dev/null
cmake --build --preset dev --target tarnwick_sound_benchmark >/dev/null

export QT_QPA_PLATFORM=offscreen
python3 scripts/session.py run --no-x --pulse build/dev/benchmarks/tarnwick_sound_benchmark
