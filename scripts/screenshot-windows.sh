#!/usr/bin/env bash
# Takes docs/windows.png: a game under way in Wine's virtual desktop, which draws
# the frame, at DPI (Wine's LogPixels, default 96). With --keyboard, the board
# played from the keys into docs/keyboard-windows.png: Tab past QUIT to the
# board, the peg of hole 6 picked up with Space, the ring on hole 4, where it would land.
#
#   scripts/screenshot-windows.sh [--keyboard] [DPI [FILE]]
set -euo pipefail
cd "$(dirname "$0")/.."

name=windows keys=() after=()
if [[ ${1:-} == --keyboard ]]; then
    # "Start Game" has had the focus since its click; the peg goes back before QUIT.
    name=keyboard-windows after=("keys Right Right space")
    keys=("keys Tab Tab Tab Down Down Right space Left Left")
    shift
fi
file=$(realpath -m "${2:-docs/$name.png}")
mkdir -p "$(dirname "$file")"
scripts/build-windows.sh >/dev/null
# The pointer is left on the desktop, away from the buttons, for the picture.
python3 scripts/session.py run --screen 1600x1200 --wine -- python3 tests/support/player.py \
    build/windows/win32/app/tarnwick.exe -- "desktop ${1:-96}" start focus "drag 0 14" \
    "board EPPPPPPPPPPPPPP" "click start" "drag 3 0" "board PEPEPPPPPPPPPPP" "${keys[@]}" "point 719 604" \
    "shot $file" "${after[@]}" quit
convert "$file" -strip "$file"
echo "screenshot: $(identify -format '%f %wx%h' "$file")"
