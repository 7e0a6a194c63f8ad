# Drives a running Tarnwick window with xdotool, as a player would with the
# mouse. Sourced by the screenshot and package scripts; needs DISPLAY.

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
declare -gA tarnwick_button=(
    [start]="288 27"
    [help]="288 60"
    [quit]="288 92"
)

# tarnwick_wait_window TITLE [SECONDS]: prints the id of the visible window
# whose title is exactly TITLE once it is mapped; fails after SECONDS (10).
tarnwick_wait_window() {
    local title=$1 seconds=${2:-10} id
    local tries=$((seconds * 10))
    for ((i = 0; i < tries; i++)); do
        id=$(xdotool search --onlyvisible --name "^${title}\$" 2>/dev/null | head -n 1 || true)
        if [[ -n "$id" ]]; then
            echo "$id"
            return 0
        fi
        sleep 0.1
    done
    return 1
}

# tarnwick_geometry WINDOW: prints the window's client area as X Y WIDTH
# HEIGHT: its screen position and size, in pixels.
tarnwick_geometry() {
    xwininfo -id "$1" | awk '/Absolute upper-left X/ { x = $NF } /Absolute upper-left Y/ { y = $NF }
        /Width:/ { w = $NF } /Height:/ { h = $NF } END { print x, y, w, h }'
}

# tarnwick_origin WINDOW: prints the screen position of the window's client area.
tarnwick_origin() {
    local x y
    read -r x y _ < <(tarnwick_geometry "$1")
    echo "$x $y"
}

# tarnwick_drag WINDOW FROM TO: drags the peg in hole FROM to hole TO (0..14),
# moving in small steps as a hand would.
tarnwick_drag() {
    local window=$1 from=$2 to=$3 ox oy
    read -r ox oy < <(tarnwick_origin "$window")
    local x0=$((ox + tarnwick_hole_x[from] + tarnwick_hole_w / 2))
    local y0=$((oy + tarnwick_hole_y[from] + tarnwick_hole_h / 2))
    local x1=$((ox + tarnwick_hole_x[to] + tarnwick_hole_w / 2))
    local y1=$((oy + tarnwick_hole_y[to] + tarnwick_hole_h / 2))
    xdotool mousemove "$x0" "$y0"
    sleep 0.2
    xdotool mousedown 1
    sleep 0.2
    for step in 1 2 3 4 5 6 7 8; do
        xdotool mousemove $((x0 + (x1 - x0) * step / 8)) $((y0 + (y1 - y0) * step / 8))
        sleep 0.05
    done
    sleep 0.2
    xdotool mouseup 1
    sleep 0.3
}

# tarnwick_point_at WINDOW BUTTON: moves the pointer onto start, help or quit
# and lets the window see it there.
tarnwick_point_at() {
    local ox oy bx by
    read -r ox oy < <(tarnwick_origin "$1")
    read -r bx by <<<"${tarnwick_button[$2]}"
    xdotool mousemove $((ox + bx)) $((oy + by))
    sleep 0.2
}

# tarnwick_click WINDOW BUTTON: clicks start, help or quit.
tarnwick_click() {
    tarnwick_point_at "$1" "$2"
    xdotool click 1
    sleep 0.3
}

# tarnwick_quit_ms WINDOW PID: clicks QUIT and prints how many milliseconds
# the program PID took to end; fails if it still runs after 5 s.
tarnwick_quit_ms() {
    local start
    tarnwick_point_at "$1" quit
    start=$(date +%s%N)
    xdotool click 1
    while kill -0 "$2" 2>/dev/null && (($(date +%s%N) - start < 5000000000)); do
        sleep 0.02
    done
    echo $((($(date +%s%N) - start) / 1000000))
    ! kill -0 "$2" 2>/dev/null
}
