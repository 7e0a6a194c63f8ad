#!/usr/bin/env bash
# Starts COMMAND (the game, possibly under a tracer) on the X server in
# DISPLAY, plays a short scripted game on its window and presses QUIT;
# TARNWICK_WINDOW_TIMEOUT (30 s) bounds the wait for the window and the end.
#
#   scripted_game.sh COMMAND [ARGS...]
set -euo pipefail
# shellcheck source=../../../scripts/game-driver.sh
source "$(dirname "$0")/../../../scripts/game-driver.sh"
if ! tarnwick_start "$@"; then
    # Say where the program was, so that a failure far from here can be read.
    echo "scripted_game: no window named Tarnwick within ${TARNWICK_WINDOW_TIMEOUT:-30} s" >&2
    ps --forest -s "$(ps -o sid= -p $$ | tr -d " ")" -o pid,stat,etime,time,wchan:24,args | cut -c1-160 >&2
    kill "$tarnwick_pid"
    exit 1
fi
# Setup: peg 1 to hole 15. Play: 4 over 2 into 1, then 13 onto the full 15
# (refused), a move over the background, HELP, and QUIT.
tarnwick_drag 0 14
tarnwick_click start
tarnwick_drag 3 0
tarnwick_drag 12 14
xdotool mousemove --window "$tarnwick_window" 20 20 sleep 0.1
tarnwick_click help
tarnwick_quit "${TARNWICK_WINDOW_TIMEOUT:-30}"
