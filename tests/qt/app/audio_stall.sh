#!/usr/bin/env bash
# Plays the real game while its audio server is stopped (SIGSTOP), as when a
# sound server restarts or a headset wakes up:
#  - a drag and drop completes and the pointer grab ends at the release
#    (HELP can be clicked right after),
#  - once the server runs again, no cue from the stall is heard, and the
#    next cue is,
#  - QUIT during a stall ends the program, with status 0 (the time it took
#    is printed; only a program still running after 5 s fails).
# Needs DISPLAY (1280x1024, so the rules window, centred, leaves holes 0 and 1
# and QUIT uncovered) and a private server: TARNWICK_PULSE_PID, the "test" sink.
#
#   audio_stall.sh PATH/TO/tarnwick
set -euo pipefail
program=$1
# shellcheck source=../../../scripts/game-driver.sh
source "$(dirname "$0")/../../../scripts/game-driver.sh"
: "${TARNWICK_PULSE_PID:?run with a private audio server}"

work=$(mktemp -d "${TMPDIR:-/tmp}/tarnwick-stall.XXXXXX")
game_pid="" recorder_pid=""
cleanup() {
    # A stopped server would never end: let it run again first.
    kill -CONT "$TARNWICK_PULSE_PID" 2>/dev/null || true
    for pid in $game_pid $recorder_pid; do
        kill -KILL "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    done
    rm -rf "$work"
}
trap cleanup EXIT
fail() {
    echo "FAIL: $*"
    exit 1
}

# What the sink plays, as raw 16-bit mono; a byte count marks a moment.
parec -d test.monitor --format=s16le --rate=48000 --channels=1 --latency-msec=20 \
    --raw >"$work/sink.raw" &
recorder_pid=$!
mark() { sleep 0.1; stat -c %s "$work/sink.raw"; }
# peak FROM TO: the loudest sample between two marks.
peak() {
    od -An -v -td2 -w2 -j "$1" -N $(($2 - $1)) "$work/sink.raw" \
        | awk '{ v = $1 < 0 ? -$1 : $1; if (v > p) p = v } END { print p + 0 }'
}
# A fresh server delivers the monitor only after a few seconds.
for _ in $(seq 200); do
    (($(stat -c %s "$work/sink.raw") > 9600)) && break
    sleep 0.1
done

"$program" &
game_pid=$!
window=$(tarnwick_wait_window Tarnwick 30) || fail "no game window"
sleep 1 # the audio library loads after the first frame

kill -STOP "$TARNWICK_PULSE_PID"
tarnwick_drag "$window" 0 14
tarnwick_click "$window" help
tarnwick_wait_window "Tarnwick Rules" 5 >/dev/null \
    || fail "HELP did not open the rules after a drag during the stall"

resumed=$(mark)
kill -CONT "$TARNWICK_PULSE_PID"
sleep 1.5
dragged=$(mark)
tarnwick_drag "$window" 1 0
sleep 1
ended=$(mark)
stale=$(peak "$resumed" "$dragged")
heard=$(peak "$dragged" "$ended")
echo "loudest sample after the stall: $stale; after the next drag: $heard"
((stale < 300)) || fail "a cue from the stall was heard after it"
((heard > 2000)) || fail "the first cue after the stall was not heard"

# Stopped again with the device closed: the worker hangs in opening it.
kill -STOP "$TARNWICK_PULSE_PID"
tarnwick_drag "$window" 0 1
status=0
elapsed_ms=$(tarnwick_quit_ms "$window" "$game_pid") ||
    fail "QUIT during the stall did not end the program in 5 s"
wait "$game_pid" || status=$?
game_pid=""
echo "QUIT during the stall: the program ended after $elapsed_ms ms with status $status"
((status == 0)) || fail "status $status"
echo "ok"
