#!/usr/bin/env bash
# Plays the game from LAUNCHER as a player would, in a private X and audio
# session (scripts/session.py --pulse): follows the launcher to the program and
# lists the cues beside it, drags a peg while recording the sound card, clicks
# QUIT, and writes what it saw to REPORT as key=value lines, which the
# package.* checks read. Ends with 0 once the report is written, so that each
# check says what failed.
#
#   play_game.sh REPORT LAUNCHER
set -uo pipefail
report=$1 launcher=$2
# shellcheck source=../../scripts/game-driver.sh
source "$(dirname "$0")/../../scripts/game-driver.sh"
scratch=$(mktemp -d "${TMPDIR:-/tmp}/tarnwick-play.XXXXXX")
game_pid="" recorder_pid=""
trap 'kill $recorder_pid $game_pid 2>/dev/null; rm -rf "$scratch"' EXIT
exec >"$report"

program=$(readlink -f "$launcher")
[[ -f $program && -x $program ]] && echo "program=$program"
echo "cues_beside=$(find "${program%/*}" -maxdepth 1 -name '*.WAV' -size +0 -printf '%f\n' | sort | xargs)"

LC_ALL=C.UTF-8 "$launcher" >"$scratch/game.log" 2>&1 &
game_pid=$!
if ! window=$(tarnwick_wait_window Tarnwick 20); then
    sed 's/^/game: /' "$scratch/game.log"
    exit 0
fi
echo "window=$window"
echo "wm_class=$(xprop -id "$window" WM_CLASS | sed -n 's/.*= "[^"]*", "\([^"]*\)"/\1/p')"

# The null sink's monitor hears only zeros until a cue plays.
parec -d test.monitor --raw --format=s16le --rate=48000 --channels=2 >"$scratch/heard.raw" &
recorder_pid=$!
sleep 0.5
tarnwick_drag "$window" 0 14
sleep 1.5
kill "$recorder_pid" && wait "$recorder_pid"
recorder_pid=""
echo "loud_bytes=$(tr -d '\000' <"$scratch/heard.raw" | wc -c)"

if tarnwick_quit_ms "$window" "$game_pid" >/dev/null; then
    wait "$game_pid"
    echo "exit=$?"
    game_pid=""
fi
