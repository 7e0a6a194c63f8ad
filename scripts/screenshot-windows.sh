#!/usr/bin/env bash
# Takes the README's picture of the Windows game: builds tarnwick.exe, runs it
# under Wine in Wine's virtual desktop (which draws the window's frame) on a
# private X server, sets up a game under way and writes docs/windows.png.
#
#   scripts/screenshot-windows.sh [--keyboard] [DPI [FILE]]
#
# DPI (default 96) is the density Wine reports to Windows programs (its
# LogPixels): at 192 every picture and control is drawn at twice the size.
# --keyboard shows the same game played on from the keyboard and writes
# docs/keyboard-windows.png: Tab past QUIT to the board, the peg of hole 6
# picked up with Space, and the ring on hole 4, where it would land.
set -euo pipefail
cd "$(dirname "$0")/.."

if [[ ${1:-} != --in-session ]]; then
    keyboard=""
    if [[ ${1:-} == --keyboard ]]; then
        keyboard=keyboard
        shift
    fi
    dpi=${1:-96}
    file=${2:-docs/${keyboard:+keyboard-}windows.png}
    scripts/build-windows.sh >/dev/null
    mkdir -p "$(dirname "$file")"
    [[ $file == /* ]] || file=$PWD/$file
    python3 scripts/session.py run --screen 1600x1200 --wine -- "$0" --in-session "$dpi" "$file" "$keyboard"
    convert "$file" -strip "$file"
    echo "screenshot: $(identify -format '%f %wx%h' "$file")"
    exit 0
fi
dpi=$2
file=$3
keyboard=${4:-}

source scripts/game-driver.sh
# The density Windows programs see (Wine's LogPixels), in the session's own prefix.
"$TARNWICK_WINE" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1
# Wine draws the caption buttons as the letters "0", "1" and "r" of its
# Marlett font. Debian's Wine does not find the Marlett of fonts-wine in
# /usr/share/wine/fonts (nor does fontconfig list it), so it picked another
# face and the letters themselves showed; a font in the prefix's
# C:\windows\Fonts is always loaded.
cp /usr/share/wine/fonts/marlett.ttf "$WINEPREFIX/drive_c/windows/Fonts/"

desktop_size=1280x1024
"$TARNWICK_WINE" explorer "/desktop=Tarnwick,$desktop_size" "$PWD/build/windows/win32/app/tarnwick.exe" \
    >/dev/null 2>&1 &
desktop=$(tarnwick_wait_window "Tarnwick - Wine desktop" 30)
read -r dx dy < <(tarnwick_origin "$desktop")

# The client area sits at (181, 96) pixels at 96 dpi, scaled with the density.
at() {
    echo $((dx + ($1) * dpi / 96)) $((dy + ($2) * dpi / 96))
}
# The desktop shows before the game's window, by seconds on a busy machine:
# the game is up once the face of "Start Game" is drawn, near its corner.
read -r x y < <(at $((181 + 253)) $((96 + 21)))
for _ in $(seq 100); do
    import -silent -window root -crop "1x1+$x+$y" -depth 8 txt:- |
        grep -qE '\((2[0-9]{2}),(2[0-9]{2}),(2[0-9]{2})\)' && break
    sleep 0.3
done
sleep 1
drag() {
    local from=$1 to=$2 x0 y0 x1 y1
    read -r x0 y0 < <(at $((181 + tarnwick_hole_x[from] + 16)) $((96 + tarnwick_hole_y[from] + 12)))
    read -r x1 y1 < <(at $((181 + tarnwick_hole_x[to] + 16)) $((96 + tarnwick_hole_y[to] + 12)))
    xdotool mousemove "$x0" "$y0" sleep 0.2 mousedown 1 sleep 0.2
    for step in 1 2 3 4 5 6 7 8; do
        xdotool mousemove $((x0 + (x1 - x0) * step / 8)) $((y0 + (y1 - y0) * step / 8)) sleep 0.05
    done
    xdotool mouseup 1 sleep 0.4
}
# A first click on the sky lets the desktop give the game the focus.
read -r x y < <(at $((181 + 20)) $((96 + 20)))
xdotool mousemove "$x" "$y" click 1 sleep 0.5
# Set up with the top hole empty, start, and jump into it: a game under way.
drag 0 14
read -r x y < <(at $((181 + 288)) $((96 + 27)))
xdotool mousemove "$x" "$y" click 1 sleep 0.3
drag 3 0
if [[ -n $keyboard ]]; then
    # "Start Game" has had the focus since its click.
    xdotool key --delay 200 Tab Tab Tab Down Down Right space Left Left
fi
read -r x y < <(at 900 700)
xdotool mousemove "$x" "$y" sleep 0.5

# The window with its frame and a little of the desktop around it.
read -r left top < <(at 181 96)
width=$((336 * dpi / 96)) height=$((328 * dpi / 96))
frame_top=$((40 * dpi / 96)) margin=$((12 * dpi / 96))
import -silent -window root -crop \
    "$((width + 2 * margin))x$((height + frame_top + margin))+$((left - margin))+$((top - frame_top))" \
    +repage "$file"

if [[ -n $keyboard ]]; then
    xdotool key --delay 200 Right Right space # the peg back in hole 6
fi
read -r x y < <(at $((181 + 288)) $((96 + 92)))
xdotool mousemove "$x" "$y" click 1
sleep 1
