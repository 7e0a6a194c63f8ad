#!/usr/bin/env bash
# Takes the README's pictures of the game on a private X server framed by
# openbox: a move played with the mouse (docs/game.png), a peg picked up with
# the keyboard (docs/keyboard-linux.png) and the rules (docs/rules.png).
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh
cmake --preset dev >/dev/null
cmake --build --preset dev --target tarnwick >/dev/null

take() {
    source scripts/game-driver.sh
    # The game stays quiet: the pictures need no sound device.
    tarnwick_start env SDL_AUDIODRIVER=dummy build/dev/qt/app/tarnwick
    # Set up with the top hole empty, start, and jump the left peg of row
    # three over row two into the top hole: a game under way. The pointer
    # then leaves the board, so that no hover mark is in the picture.
    tarnwick_drag 0 14
    tarnwick_click start
    tarnwick_drag 3 0
    xdotool mousemove 790 590 sleep 0.5
    import -silent -frame -window "$tarnwick_window" docs/game.png

    # Start Game has the focus from its click: past HELP and QUIT to the
    # board, down to hole 6, pick up its peg and go on to the empty hole 4.
    xdotool key --delay 150 Tab Tab Tab Down Down Right space Left Left sleep 0.5
    import -silent -frame -window "$tarnwick_window" docs/keyboard-linux.png
    # The jump over hole 5, so that no peg is held when HELP is clicked.
    xdotool key Return sleep 0.3

    tarnwick_click help
    rules=$(tarnwick_wait_window "Tarnwick Rules" 10)
    xdotool mousemove 790 590 sleep 0.5
    import -silent -frame -window "$rules" docs/rules.png

    # Leave as a player would: close the rules, then QUIT.
    xdotool windowactivate --sync "$rules" key alt+F4 sleep 0.3
    tarnwick_quit 5 >/dev/null
}

export -f take
python3 scripts/session.py run --screen 800x600 --wm openbox bash -c take
# No time stamps in the files: an unchanged picture stays unchanged in git.
mogrify -strip docs/game.png docs/keyboard-linux.png docs/rules.png
echo "screenshots: $(identify -format '%f %wx%h  ' docs/game.png docs/keyboard-linux.png docs/rules.png)"
