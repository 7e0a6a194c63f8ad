# shellcheck shell=bash
# Drives a running Tarnwick window with xdotool, as a player would with the
# mouse. Sourced by the app tests and the screenshot and package scripts;
# needs DISPLAY.

# Top-left corners of the 15 holes in the game window, in pixels at 96 dpi
# (row by row, from the top), and the size of a hole: read from the window's
# own layout, the cells' twips in layout/MainWindowLayout.h (15 to a pixel).
tarnwick_hole_x=() tarnwick_hole_y=()
while read -r left top width height; do
    tarnwick_hole_x+=($((left / 15)))
    tarnwick_hole_y+=($((top / 15)))
    tarnwick_hole_w=$((width / 15)) tarnwick_hole_h=$((height / 15))
done < <(sed -n '/kCellTwips/,/^}/s/^ *{ *\([0-9]*\), *\([0-9]*\), *\([0-9]*\), *\([0-9]*\) *},.*/\1 \2 \3 \4/p' \
    "$(dirname "${BASH_SOURCE[0]}")/../layout/MainWindowLayout.h")
((${#tarnwick_hole_x[@]} == 15)) || { echo "game-driver.sh: no 15 cells in the layout" >&2; return 1; }

# Centres of the buttons, in pixels within the game window.
declare -gA tarnwick_button=([start]="288 27" [help]="288 60" [quit]="288 92")
# The game tarnwick_start started, and its window.
tarnwick_pid="" tarnwick_window=""

# tarnwick_wait_window TITLE [SECONDS]: prints the id of the visible window
# whose title is exactly TITLE once it is mapped; fails after SECONDS (10).
tarnwick_wait_window() {
    local ids
    ids=$(timeout "${2:-10}" xdotool search --sync --onlyvisible --name "^$1\$" 2>/dev/null) || return 1
    echo "${ids%%$'\n'*}"
}

# tarnwick_geometry WINDOW: prints the window's client area as X Y WIDTH
# HEIGHT: its screen position and size, in pixels.
tarnwick_geometry() {
    xwininfo -id "$1" | awk '/Absolute upper-left X/ { x = $NF } /Absolute upper-left Y/ { y = $NF }
        /Width:/ { w = $NF } /Height:/ { h = $NF } END { print x, y, w, h }'
}

# tarnwick_origin WINDOW: prints the screen position of the window's client area.
tarnwick_origin() {
    tarnwick_geometry "$1" | cut -d' ' -f1,2
}

# tarnwick_start COMMAND...: starts the game and finds its window, within
# TARNWICK_WINDOW_TIMEOUT seconds (30).
tarnwick_start() {
    "$@" &
    tarnwick_pid=$!
    tarnwick_window=$(tarnwick_wait_window Tarnwick "${TARNWICK_WINDOW_TIMEOUT:-30}")
}

# tarnwick_drag FROM TO: drags the peg in hole FROM to hole TO (0..14),
# moving in small steps as a hand would.
tarnwick_drag() {
    local x0=$((tarnwick_hole_x[$1] + tarnwick_hole_w / 2)) y0=$((tarnwick_hole_y[$1] + tarnwick_hole_h / 2))
    local x1=$((tarnwick_hole_x[$2] + tarnwick_hole_w / 2)) y1=$((tarnwick_hole_y[$2] + tarnwick_hole_h / 2))
    xdotool mousemove --window "$tarnwick_window" "$x0" "$y0" sleep 0.2 mousedown 1 sleep 0.2
    for step in 1 2 3 4 5 6 7 8; do
        xdotool mousemove --window "$tarnwick_window" \
            $((x0 + (x1 - x0) * step / 8)) $((y0 + (y1 - y0) * step / 8)) sleep 0.05
    done
    xdotool sleep 0.2 mouseup 1 sleep 0.3
}

# tarnwick_point_at BUTTON: moves the pointer onto start, help or quit and
# lets the window see it there.
tarnwick_point_at() {
    local x y
    read -r x y <<<"${tarnwick_button[$1]}"
    xdotool mousemove --window "$tarnwick_window" "$x" "$y" sleep 0.2
}

# tarnwick_click BUTTON: clicks start, help or quit.
tarnwick_click() {
    tarnwick_point_at "$1"
    xdotool click 1 sleep 0.3
}

# tarnwick_quit SECONDS: clicks QUIT and prints how long the game took to
# end, and its status; fails unless it ends with 0. Only a game still up
# after SECONDS is taken for a hang, and ended: the time is a benchmark's.
tarnwick_quit() {
    local start status=0
    tarnwick_point_at quit
    start=$(date +%s%N)
    xdotool click 1
    if ! timeout "$1" tail --pid="$tarnwick_pid" -s 0.02 -f /dev/null; then
        echo "QUIT did not end the game in $1 s"
        kill -KILL "$tarnwick_pid"
        return 1
    fi
    wait "$tarnwick_pid" || status=$?
    tarnwick_pid=""
    echo "QUIT ended the game after $((($(date +%s%N) - start) / 1000000)) ms with status $status"
    ((status == 0))
}
