#!/usr/bin/env bash
# Plays the game from copies of its folder whose pickup.WAV is a wave file
# crafted to break a careless reader (tests/support/crafted_wave.py): for
# each, a peg moves, the game stays up with the board the move leaves with its
# own cues, and QUIT ends it with 0. Needs the fixture qt_x_audio.
#
#   crafted_cues.sh PATH/TO/tarnwick
set -euo pipefail
program=$1
# shellcheck source=../../../scripts/game-driver.sh
source "$(dirname "$0")/../../../scripts/game-driver.sh"
work=$(mktemp -d "${TMPDIR:-/tmp}/tarnwick-crafted.XXXXXX")
trap 'kill -KILL $tarnwick_pid 2>/dev/null || true; rm -rf "$work"' EXIT

# play FOLDER: moves a peg with the game in FOLDER and quits it; sets board to
# the checksum of the window's pixels after the move.
play() {
    tarnwick_start "$1/tarnwick" || { echo "no game window"; return 1; }
    sleep 1 # the audio library loads after the first frame
    tarnwick_drag 0 14
    sleep 0.5
    kill -0 "$tarnwick_pid" 2>/dev/null || { echo "the game ended at the pick-up"; return 1; }
    board=$(import -window "$tarnwick_window" rgb:- | md5sum)
    tarnwick_quit 5
}

# The first run, with the game's own cues, shows the board every other run must show.
failures=0
for name in good many-channels-fast eight-channels-fast data-claims-2gib data-truncated zero-block-align \
    fmt-claims-4gib 8khz-8bit-60mb; do
    mkdir "$work/$name"
    cp "$program" "$(dirname "$program")"/*.WAV "$work/$name/"
    [[ $name == good ]] || python3 "$(dirname "$0")/../../support/crafted_wave.py" "$name" "$work/$name/pickup.WAV"
    if ! play "$work/$name"; then
        echo "FAIL: $name"
    elif [[ $board != "${good_board:=$board}" ]]; then
        echo "FAIL: $name: the board is not the one the move leaves"
    else
        echo "ok: $name"
        rm -rf "${work:?}/$name"
        continue
    fi
    [[ $name != good ]] || exit 1
    kill -KILL "$tarnwick_pid" 2>/dev/null || true
    failures=$((failures + 1))
done
((failures == 0))
