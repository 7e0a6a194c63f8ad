#!/usr/bin/env bash
# Plays the game while its audio server is stopped (SIGSTOP), as when a sound
# server restarts or a headset wakes: a drag completes and ends the pointer
# grab (HELP answers right after), no cue of the stall is heard once the
# server runs again but the next cue is, and QUIT during a stall ends the game
# with 0. Needs the fixture qt_x_audio: 1280x1024, so that the centred rules
# leave holes 0 and 1 and QUIT uncovered, and TARNWICK_PULSE_PID's "test" sink.
#
#   audio_stall.sh PATH/TO/tarnwick
set -euo pipefail
# shellcheck source=../../../scripts/game-driver.sh
source "$(dirname "$0")/../../../scripts/game-driver.sh"
: "${TARNWICK_PULSE_PID:?run with a private audio server}"
work=$(mktemp -d "${TMPDIR:-/tmp}/tarnwick-stall.XXXXXX")
# A stopped server would never end: let it run again first.
trap 'kill -CONT "$TARNWICK_PULSE_PID"; kill -KILL $tarnwick_pid $recorder 2>/dev/null || true; rm -rf "$work"' EXIT
fail() {
    echo "FAIL: $*"
    exit 1
}

# What the sink plays, as raw 16-bit mono; a byte count marks a moment.
parec -d test.monitor --format=s16le --rate=48000 --channels=1 --latency-msec=20 --raw >"$work/sink.raw" &
recorder=$!
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

tarnwick_start "$1" || fail "no game window"
sleep 1 # the audio library loads after the first frame
kill -STOP "$TARNWICK_PULSE_PID"
tarnwick_drag 0 14
tarnwick_click help
tarnwick_wait_window "Tarnwick Rules" 5 >/dev/null || fail "HELP did not open the rules after a drag during the stall"

resumed=$(mark)
kill -CONT "$TARNWICK_PULSE_PID"
sleep 1.5
dragged=$(mark)
tarnwick_drag 1 0
sleep 1
ended=$(mark)
stale=$(peak "$resumed" "$dragged")
heard=$(peak "$dragged" "$ended")
echo "loudest sample after the stall: $stale; after the next drag: $heard"
((stale < 300)) || fail "a cue from the stall was heard after it"
((heard > 2000)) || fail "the first cue after the stall was not heard"

# Stopped again with the device closed: the worker hangs in opening it.
kill -STOP "$TARNWICK_PULSE_PID"
tarnwick_drag 0 1
tarnwick_quit 5 || fail "QUIT during the stall"
echo "ok"
