#!/usr/bin/env bash
# Prints the sound cues' figures (benchmarks/sound/SoundBenchmark.cpp), each
# beside its target, against a private audio server. Figures only: never a test.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh --test
cmake --preset dev >/dev/null
cmake --build --preset dev --target tarnwick_sound_benchmark >/dev/null
QT_QPA_PLATFORM=offscreen python3 scripts/session.py run --no-x --pulse build/dev/benchmarks/tarnwick_sound_benchmark
