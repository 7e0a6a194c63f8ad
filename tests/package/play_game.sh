#!/usr/bin/env bash
# Plays the game from LAUNCHER as a player would, in a private X and audio
# session (scripts/session.py --pulse): follows the launcher to the program and
# lists the cues beside it, drags a peg while recording the sound card, clicks
# QUIT, and writes what it saw, and the game's own output, to REPORT as
# key=value lines, which the package.* checks read. Ends with 0 once the
# report is written, so that each check says what failed.
#
#   play_game.sh REPORT LAUNCHER
set -uo pipefail
report=$1 launcher=$2
# shellcheck source=../../scripts/game-driver.sh
source "$(dirname "$0")/../../scripts/game-driver.sh"
exec >"$report" 2>&1

program=$(readlink -f "$launcher")
[[ -f $program && -x $program ]] && echo "program=$program"
echo "cues_beside=$(find "${program%/*}" -maxdepth 1 -name '*.WAV' -size +0 -printf '%f\n' | sort | xargs)"

LC_ALL=C.UTF-8 "$launcher" &
game=$!
trap 'kill $game 2>/dev/null' EXIT
window=$(tarnwick_wait_window Tarnwick 20) || exit 0
echo "window=$window"
echo "wm_class=$(xprop -id "$window" WM_CLASS | sed -n 's/.*= "[^"]*", "\([^"]*\)"/\1/p')"

# The null sink's monitor hears only zeros until a cue plays.
(sleep 0.5 && tarnwick_drag "$window" 0 14) &
echo "loud_bytes=$(timeout 2.5 parec -d test.monitor --raw --format=s16le --rate=48000 --channels=2 |
    tr -d '\000' | wc -c)"
wait $!

tarnwick_quit_ms "$window" "$game" >/dev/null || { echo "exit=still-running"; exit 0; }
wait "$game"
echo "exit=$?"
