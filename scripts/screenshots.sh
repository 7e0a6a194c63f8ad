#!/usr/bin/env bash
# Takes the README's pictures of the game on a private X server framed by
# openbox: a move played with the mouse (docs/game.png), a peg picked up with
# the keyboard (docs/keyboard-linux.png) and the rules (docs/rules.png).
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup.sh
cmake --preset dev >/dev/null
cmake --build --preset dev --target tarnwick >/dev/null

# The game stays quiet: the pictures need no sound device. Set up with the top
# hole empty, start, and jump the left peg of row three over row two into the
# top hole; the pointer leaves the board, so that no hover mark shows. Then,
# from "Start Game", which has the focus since its click: past HELP and QUIT to
# the board, down to hole 6, its peg picked up and on to the empty hole 4; the
# jump over hole 5 is made, so that no peg is held when HELP is clicked.
python3 scripts/session.py run --screen 800x600 --wm openbox -- python3 tests/support/player.py \
    env SDL_AUDIODRIVER=dummy build/dev/qt/app/tarnwick -- start "drag 0 14" "click start" "drag 3 0" \
    "point 790 590" pause "shot docs/game.png" "keys Tab Tab Tab Down Down Right space Left Left" pause \
    "shot docs/keyboard-linux.png" "keys Return" "click help" "rules 1" "point 790 590" pause \
    "rules-shot docs/rules.png" rules-click quit
# No time stamps in the files: an unchanged picture stays unchanged in git.
mogrify -strip docs/game.png docs/keyboard-linux.png docs/rules.png
echo "screenshots: $(identify -format '%f %wx%h  ' docs/game.png docs/keyboard-linux.png docs/rules.png)"
