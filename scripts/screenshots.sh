#!/usr/bin/env bash
# Takes the README's pictures of the game: builds it, runs it on a private X
# server framed by openbox, plays a move with the mouse, picks up a peg with
# the keyboard and opens the rules, and writes docs/game.png,
# docs/keyboard-linux.png and docs/rules.png.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh
cmake --preset dev >/dev/null
cmake --build --preset dev --target tarnwick >/dev/null

take() {
    source scripts/game-driver.sh
    # The game stays quiet: the pictures need no sound device.
    SDL_AUDIODRIVER=dummy build/dev/qt/app/tarnwick &
    local game_pid=$!
    trap 'kill "$game_pid" 2>/dev/null || true; wait "$game_pid" 2>/dev/null || true' EXIT

    local game rules
    game=$(tarnwick_wait_window Tarnwick 20)
    # Set up with the top hole empty, start, and jump the left peg of row
    # three over row two into the top hole: a game under way.
    tarnwick_drag "$game" 0 14
    tarnwick_click "$game" start
    tarnwick_drag "$game" 3 0
    # Away from the board, so no hover mark is in the picture.
    xdotool mousemove 790 590
    sleep 0.5
    import -silent -frame -window "$game" docs/game.png

    # Start Game has the focus from its click: past HELP and QUIT to the
    # board, down to hole 6, pick up its peg and go on to the empty hole 4.
    xdotool key --delay 150 Tab Tab Tab Down Down Right space Left Left
    sleep 0.5
    import -silent -frame -window "$game" docs/keyboard-linux.png
    # The jump over hole 5, so that no peg is held when HELP is clicked.
    xdotool key Return
    sleep 0.3

    tarnwick_click "$game" help
    rules=$(tarnwick_wait_window "Tarnwick Rules" 10)
    xdotool mousemove 790 590
    sleep 0.5
    import -silent -frame -window "$rules" docs/rules.png

    # Leave as a player would: close the rules, then QUIT.
    xdotool windowactivate --sync "$rules" key alt+F4
    sleep 0.3
    tarnwick_click "$game" quit
    wait "$game_pid"
}

mkdir -p docs
export -f take
python3 scripts/session.py run --screen 800x600 --wm openbox bash -c take
# No time stamps in the files: an unchanged picture stays unchanged in git.
for png in docs/game.png docs/keyboard-linux.png docs/rules.png; do
    convert "$png" -strip "$png"
done
echo "screenshots: $(identify -format '%f %wx%h  ' docs/game.png docs/keyboard-linux.png docs/rules.png)"
