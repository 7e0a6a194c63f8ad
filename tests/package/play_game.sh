#!/usr/bin/env bash
# Plays the game from LAUNCHER as a player would, in the private X and audio
# session package.Session, and writes what it saw to REPORT as key=value
# lines, which the package.* checks read; ends with 0 once it is written.
#
#   play_game.sh REPORT LAUNCHER
set -uo pipefail
launcher=$2
# shellcheck source=../../scripts/game-driver.sh
source "$(dirname "$0")/../../scripts/game-driver.sh"
exec >"$1" 2>&1

program=$(readlink -f "$launcher")
[[ -f $program && -x $program ]] && echo "program=$program"
echo "cues_beside=$(find "${program%/*}" -maxdepth 1 -name '*.WAV' -size +0 -printf '%f\n' | sort | xargs)"

trap 'kill $tarnwick_pid 2>/dev/null' EXIT
tarnwick_start env LC_ALL=C.UTF-8 "$launcher" || exit 0
echo "window=$tarnwick_window"
echo "wm_class=$(xprop -id "$tarnwick_window" WM_CLASS | sed -n 's/.*= "[^"]*", "\([^"]*\)"/\1/p')"

# The null sink's monitor hears only zeros until a cue plays.
(sleep 0.5 && tarnwick_drag 0 14) &
echo "loud_bytes=$(timeout 2.5 parec -d test.monitor --raw --format=s16le --rate=48000 --channels=2 |
    tr -d '\000' | wc -c)"
wait $!

tarnwick_quit 5
echo "exit=$?"
