#!/usr/bin/env bash
# Starts COMMAND (the game, possibly under a tracer) on the X server in
# DISPLAY, plays a short scripted game on its window with xdotool, presses
# QUIT and waits for it to end. Exits with the command's own status.
#
#   scripted_game.sh COMMAND [ARGS...]
set -euo pipefail
"$@" &
pid=$!
wid=$(timeout "${TARNWICK_WINDOW_TIMEOUT:-30}" xdotool search --sync --onlyvisible --name '^Tarnwick$' | head -n 1) || true
if [[ -z $wid ]]; then
    # Say where the program was, so that a failure far from here can be read.
    echo "scripted_game: no window named Tarnwick within ${TARNWICK_WINDOW_TIMEOUT:-30} s" >&2
    ps --forest -s "$(ps -o sid= -p $$ | tr -d " ")" -o pid,stat,etime,time,wchan:24,args | cut -c1-160 >&2
    kill "$pid" 2>/dev/null
    exit 1
fi
at() {
    xdotool mousemove --window "$wid" "$1" "$2"
    sleep 0.1
}
# Setup: peg 1 to hole 15. Play: 4 over 2 into 1, then 13 onto the full 15
# (refused), a background move, HELP, and QUIT.
at 176 68; xdotool mousedown 1; at 200 150; at 272 276; xdotool mouseup 1
at 288 28; xdotool click 1
at 120 164; xdotool mousedown 1; at 176 68; xdotool mouseup 1
at 176 276; xdotool mousedown 1; at 272 276; xdotool mouseup 1
at 20 20
at 288 60; xdotool click 1
sleep 0.5
at 288 92; xdotool click 1
timeout "${TARNWICK_WINDOW_TIMEOUT:-30}" tail --pid="$pid" -f /dev/null
wait "$pid"
