#!/usr/bin/env bash
# Takes the pictures of the Windows game in docs/windows.md: a game under way,
# in Wine's virtual desktop (which draws the window's frame) on a private X
# server, at DPI (Wine's LogPixels, default 96; at 192 all is twice the size).
#
#   scripts/screenshot-windows.sh [--keyboard] [DPI [FILE]]
#
# --keyboard plays on from the keys and writes docs/keyboard-windows.png: Tab
# past QUIT to the board, the peg of hole 6 picked up with Space, and the ring
# on hole 4, where it would land.
set -euo pipefail
cd "$(dirname "$0")/.."

name=windows keys=() after=()
if [[ ${1:-} == --keyboard ]]; then
    # "Start Game" has had the focus since its click; the peg goes back before QUIT.
    name=keyboard-windows keys=("keys Tab Tab Tab Down Down Right space Left Left") after=("keys Right Right space")
    shift
fi
file=$(realpath -m "${2:-docs/$name.png}")
mkdir -p "$(dirname "$file")"
scripts/build-windows.sh >/dev/null
python3 scripts/session.py run --screen 1600x1200 --wine -- python3 tests/win32/windows_game.py \
    build/windows/win32/app/tarnwick.exe "desktop ${1:-96}" start focus "drag 0 14" "board EPPPPPPPPPPPPPP" \
    "click start" "drag 3 0" "board PEPEPPPPPPPPPPP" "${keys[@]}" "point 719 604" "shot $file" "${after[@]}" quit
convert "$file" -strip "$file"
echo "screenshot: $(identify -format '%f %wx%h' "$file")"
