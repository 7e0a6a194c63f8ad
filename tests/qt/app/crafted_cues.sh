#!/usr/bin/env bash
# Plays the real game from a copy of its folder whose pickup.WAV is a wave
# file crafted to break a careless reader (absurd channels and rates, chunks
# larger than the file, a zero block align, far too many samples). For each:
# a peg is moved, the game stays up, its board is the same as with the
# default cues, and QUIT ends it with status 0 (the time it took is printed;
# only a game still running 5 s after QUIT fails).
# Needs DISPLAY and a private audio server (the fixture qt_x_audio).
#
#   crafted_cues.sh PATH/TO/tarnwick
set -euo pipefail
program=$1
# shellcheck source=../../../scripts/game-driver.sh
source "$(dirname "$0")/../../../scripts/game-driver.sh"

work=$(mktemp -d "${TMPDIR:-/tmp}/tarnwick-crafted.XXXXXX")
# Ends the game a failed run left up; play runs in a subshell, so its pid
# comes through a file.
end_game() {
    [[ -s $work/pid ]] && kill -KILL "$(cat "$work/pid")" 2>/dev/null
    rm -f "$work/pid"
}
cleanup() {
    end_game || true
    rm -rf "$work"
}
trap cleanup EXIT
failures=0

crafted=(many-channels-fast eight-channels-fast data-claims-2gib data-truncated zero-block-align
    fmt-claims-4gib 8khz-8bit-60mb)

# play NAME: moves a peg with the game in $work/NAME, prints the window's
# pixels' checksum, and fails unless QUIT ends the game.
play() {
    "$work/$1/tarnwick" >&2 &
    local game_pid=$!
    echo "$game_pid" >"$work/pid"
    local window status=0
    window=$(tarnwick_wait_window Tarnwick 30) || { echo "no game window" >&2; return 1; }
    sleep 1 # the audio library loads after the first frame
    tarnwick_drag "$window" 0 14
    sleep 0.5
    kill -0 "$game_pid" 2>/dev/null || { echo "the game ended at the pick-up" >&2; return 1; }
    import -window "$window" rgb:- | md5sum | cut -d' ' -f1
    local elapsed_ms
    elapsed_ms=$(tarnwick_quit_ms "$window" "$game_pid") || { echo "QUIT did not end the game in 5 s" >&2; return 1; }
    wait "$game_pid" || status=$?
    rm -f "$work/pid"
    echo "$1: QUIT ended the game after $elapsed_ms ms with status $status" >&2
    ((status == 0))
}

mkdir "$work/good"
cp "$program" "$(dirname "$program")"/*.WAV "$work/good/"
board=$(play good) || { echo "FAIL: the game with its own cues"; exit 1; }
for name in "${crafted[@]}"; do
    mkdir "$work/$name"
    cp "$work/good/"* "$work/$name/"
    python3 "$(dirname "$0")/../../support/crafted_wave.py" "$name" "$work/$name/pickup.WAV"
    if ! seen=$(play "$name"); then
        end_game || true
        echo "FAIL: $name"
        failures=$((failures + 1))
    elif [[ $seen != "$board" ]]; then
        echo "FAIL: $name: the board is not the one the move leaves"
        failures=$((failures + 1))
    else
        echo "ok: $name"
    fi
    rm -rf "${work:?}/$name"
done
((failures == 0))
