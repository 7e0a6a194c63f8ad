#!/usr/bin/env bash
# Measures the sound cues against a private audio server and prints:
#  - what the player costs before the window appears and at the first cue,
#  - latency from the play call to the first sound at the sink (median of 20
#    plays, the first included; target 30 ms or less),
#  - processor time of an idle game over 10 s after its last cue (target
#    0.02 s or less).
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh
cmake --preset dev >/dev/null
cmake --build --preset dev --target tarnwick_sound_benchmark >/dev/null

export QT_QPA_PLATFORM=offscreen
scripts/x-session.sh --no-x --pulse build/dev/tests/sound/tarnwick_sound_benchmark
