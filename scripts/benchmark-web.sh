#!/usr/bin/env bash
# Measures the browser version in headless Chromium against a floor page (the
# same HTML, pictures and buttons, no script), alternating, LOADS loads each
# (20 unless set), in a private session with a private PulseAudio server:
# the first frame with board and pegs, the bytes before it, the sizes of the
# script and the .wasm (also gzipped), the peak memory in a game, and the press to
# the first sample of the pick-up cue at the audio server. Prints a table of
# min / median / max.
set -euo pipefail
cd "$(dirname "$0")/.."

site="$(scripts/build-web.sh)"
tests/web/install-driver.sh
# The cues are heard by the sound tests' monitor recorder, a native program.
[[ -f build/dev/build.ninja ]] || cmake --preset dev >/dev/null
cmake --build --preset dev --target tarnwick_monitor_listener >&2
modules="${TARNWICK_WEB_TEST_DIR:-$HOME/.cache/tarnwick/web-tests}/node_modules"
scripts/x-session.sh --pulse --no-x -- \
    env NODE_PATH="$modules" TARNWICK_MONITOR_LISTENER="$PWD/build/dev/tests/support/tarnwick_monitor_listener" node scripts/benchmark-web.js "$site" "${LOADS:-20}"
