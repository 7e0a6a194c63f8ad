# The Windows game played under Wine as a player plays it, with xdotool on
# the real window. Sourced by scripts/test-windows.sh inside a private X
# session with no window manager (Wine then shows exactly the client area),
# after wine-session.sh has made the prefix. Each win_* function is one check,
# run and counted through check (both Windows test scripts end with its counts).

source scripts/game-driver.sh

passed=0
failed=0
# check NAME COMMAND...: one check, counted.
check() {
    local name=$1
    shift
    if "$@"; then
        passed=$((passed + 1))
        echo "ok      $name"
    else
        failed=$((failed + 1))
        echo "FAILED  $name"
    fi
}

win_dir=$(mktemp -d "${X_SESSION_DIR:-/tmp}/windows-game.XXXXXX")

# win_start EXE: starts the game and waits for its window ($game, $game_pid).
win_start() {
    wine_run "$1" >/dev/null 2>&1 &
    game_pid=$!
    game=$(tarnwick_wait_window Tarnwick 30)
}

# win_ended [SECONDS]: true once the game has ended (by itself) with status 0.
win_ended() {
    local tries=$((${1:-5} * 10))
    for ((i = 0; i < tries; i++)); do
        if ! kill -0 "$game_pid" 2>/dev/null; then
            wait "$game_pid"
            return
        fi
        sleep 0.1
    done
    echo "  the game is still running" >&2
    kill "$game_pid" 2>/dev/null || true
    return 1
}

# win_pixels: the game window's pixels now, read by win_pixel X Y as "R G B".
win_pixels() {
    import -silent -window "$game" -depth 8 "rgb:$win_dir/window.rgb"
}
win_pixel() {
    od -An -tu1 -j $((($2 * 336 + $1) * 3)) -N3 "$win_dir/window.rgb" | xargs
}

# win_board: the 15 holes as the window shows them, P for a peg and E for
# an empty hole, read from the pixels: a peg's lit end face is bright where
# an empty hole has dark wood.
win_board() {
    win_pixels
    local board="" hole green
    for hole in $(seq 0 14); do
        read -r _ green _ < <(win_pixel $((tarnwick_hole_x[hole] + 22)) $((tarnwick_hole_y[hole] + 12)))
        if ((green > 140)); then board+=P; else board+=E; fi
    done
    echo "$board"
}

# win_rings: the holes (1..15) with the keyboard's yellow ring just left of them.
win_rings() {
    win_pixels
    local rings=() hole
    for hole in $(seq 0 14); do
        [[ $(win_pixel $((tarnwick_hole_x[hole] - 1)) $((tarnwick_hole_y[hole] + 12))) == "255 224 0" ]] &&
            rings+=($((hole + 1)))
    done
    echo "${rings[*]}"
}

# win_expect SHOWN WANT [SECONDS]: the function SHOWN (win_board, win_rings)
# prints WANT within SECONDS (one unless told), or says what it printed.
win_expect() {
    local seen
    for _ in $(seq $((${3:-1} * 10))); do
        seen=$($1)
        [[ $seen == "$2" ]] && return 0
        sleep 0.1
    done
    echo "  $1: '$seen', expected '$2'" >&2
    return 1
}
win_expect_board() {
    win_expect win_board "$@"
}

# win_geometry WINDOW: the client area as WIDTHxHEIGHT+X+Y.
win_geometry() {
    local x y width height
    read -r x y width height < <(tarnwick_geometry "$1")
    echo "${width}x$height+$x+$y"
}

win_start_position() {
    win_start "$1" || return 1
    local geometry
    geometry=$(win_geometry "$game")
    [[ $geometry == 336x328+181+96 ]] || { echo "  window $geometry" >&2; return 1; }
    win_expect_board PPPPPPPPPPPPPPE
}

win_setup_move() {
    tarnwick_drag "$game" 0 14
    win_expect_board EPPPPPPPPPPPPPP
}

win_jump() {
    tarnwick_click "$game" start
    tarnwick_drag "$game" 3 0
    win_expect_board PEPEPPPPPPPPPPP
}

# Released over "Start Game", then the pointer over the background: both
# reach the game, which ended the drag and now puts the peg back (what it
# does with each, InputSequenceTest says).
win_release_over_button() {
    local ox oy
    read -r ox oy < <(tarnwick_origin "$game")
    xdotool mousemove $((ox + tarnwick_hole_x[5] + 16)) $((oy + tarnwick_hole_y[5] + 12))
    sleep 0.2
    xdotool mousedown 1
    sleep 0.2
    tarnwick_point_at "$game" start
    xdotool mouseup 1
    sleep 0.4
    xdotool mousemove $((ox + 20)) $((oy + 20))
    sleep 0.2
    xdotool mousemove $((ox + 24)) $((oy + 30))
    sleep 0.4
    win_expect_board PEPEPPPPPPPPPPP
}

# The rest of a won game, then the message box captioned "Tarnwick"; closing
# it resets the board.
win_whole_game() {
    local move
    for move in "5 3" "0 5" "6 1" "9 2" "11 4" "12 5" "1 8" "2 9" "14 5" "5 12" "13 11"; do
        # shellcheck disable=SC2086
        tarnwick_drag "$game" $move
    done
    win_expect_board EEEEEEEEEEPPEEE || return 1
    tarnwick_drag "$game" 10 12
    local box="" id
    for _ in $(seq 50); do
        for id in $(xdotool search --onlyvisible --name '^Tarnwick$' 2>/dev/null); do
            [[ $id != "$game" ]] && box=$id
        done
        [[ -n $box ]] && break
        sleep 0.1
    done
    [[ -n $box ]] || { echo "  no message box captioned Tarnwick" >&2; return 1; }
    win_expect_board EEEEEEEEEEEEPEE || return 1
    xdotool key Return
    # The box is gone at once, but the reset shows up to 2-3 s later: without
    # a window manager Wine waits for one to withdraw a destroyed window, as
    # it does at exit.
    win_expect_board PPPPPPPPPPPPPPE 5
}

# The rules window's X windows, newest last. Without a window manager Wine
# leaves a destroyed window's X window mapped (it waits in vain for the
# manager to withdraw it), so a closed window is seen by its successor.
win_rules_windows() {
    xdotool search --onlyvisible --name '^Tarnwick Rules$' 2>/dev/null | sort -n || true
}

# win_new_rules BEFORE: the rules window that is not among BEFORE, once Wine
# shows it (within 10 s: Wine on a busy machine takes a while); empty if none.
win_new_rules() {
    local opened
    for _ in $(seq 100); do
        opened=$(comm -13 <(echo "$1") <(win_rules_windows))
        [[ -n $opened ]] && break
        sleep 0.1
    done
    echo "$opened"
}

# win_rules_gone WINDOW: true once WINDOW is no longer shown (within 10 s).
win_rules_gone() {
    for _ in $(seq 100); do
        win_rules_windows | grep -qxF "$1" || return 0
        sleep 0.1
    done
    return 1
}

win_rules() {
    local before first second
    before=$(win_rules_windows)
    tarnwick_click "$game" help
    first=$(win_new_rules "$before")
    [[ -n $first ]] || { echo "  no rules window" >&2; return 1; }
    local geometry
    geometry=$(win_geometry "$first")
    # Centred on the whole 1024-pixel screen: the frame's sides are equal,
    # so the client area's left edge is (1024 - 550) / 2 whatever the frame.
    [[ $geometry == 550x367+237+* ]] || { echo "  rules window $geometry" >&2; return 1; }
    # Every line fits: text on the teal, none in the last columns it would run into.
    import -silent -window "$first" "$win_dir/rules.png"
    [[ $(convert "$win_dir/rules.png" -crop 542x328+0+0 -unique-colors txt:- | grep -c '#000000') == 1 &&
        $(convert "$win_dir/rules.png" -crop 8x328+542+0 -unique-colors txt:- | grep -vc '^#') == 1 ]] ||
        { echo "  the rules text does not fit the window" >&2; return 1; }
    # A second HELP only raises it.
    before=$(win_rules_windows)
    tarnwick_click "$game" help
    [[ $(win_rules_windows) == "$before" && $(win_geometry "$first") == "$geometry" ]] ||
        { echo "  a second HELP made or moved a window" >&2; return 1; }
    # OK unloads it: the next HELP makes a new one, centred again.
    local rx ry
    read -r rx ry < <(tarnwick_origin "$first")
    xdotool mousemove $((rx + 252)) $((ry + 340)) click 1
    win_rules_gone "$first" || { echo "  OK did not close the rules window" >&2; return 1; }
    before=$(win_rules_windows)
    tarnwick_click "$game" help
    second=$(win_new_rules "$before")
    [[ -n $second && $(win_geometry "$second") == "$geometry" ]] ||
        { echo "  OK did not unload the rules window" >&2; return 1; }
    read -r rx ry < <(tarnwick_origin "$second")
    xdotool mousemove $((rx + 252)) $((ry + 340)) click 1
    sleep 1.5
}

# win_focus_game: a click on the sky, which makes the game the active window.
win_focus_game() {
    local ox oy
    read -r ox oy < <(tarnwick_origin "$game")
    xdotool mousemove $((ox + 20)) $((oy + 20)) click 1
    sleep 0.3
}

# In a new game: Tab moves the focus from "Start Game" to "HELP", Enter
# presses it; Esc does nothing in either window, Enter presses the rules' OK.
# (Wine's dialog keys ignore the arrows in a window that is not a dialog:
# MainFormTest checks where they would go.)
win_keyboard() {
    win_start "$1" || return 1
    sleep 1
    win_focus_game
    local before opened
    before=$(win_rules_windows)
    xdotool key Escape
    sleep 0.3
    xdotool key Tab
    sleep 0.2
    xdotool key Return
    opened=$(win_new_rules "$before")
    [[ -n $opened ]] || { echo "  Tab and Enter did not press HELP" >&2; return 1; }
    # Esc in the rules window leaves it open: HELP then only raises it.
    local rx ry
    read -r rx ry < <(tarnwick_origin "$opened")
    xdotool mousemove $((rx + 400)) $((ry + 200)) click 1
    sleep 0.3
    xdotool key Escape
    sleep 0.5
    before=$(win_rules_windows)
    tarnwick_click "$game" help
    sleep 0.5
    [[ $(win_rules_windows) == "$before" ]] || { echo "  Esc closed the rules window" >&2; return 1; }
    # Enter presses OK: the next HELP makes a new window.
    xdotool mousemove $((rx + 400)) $((ry + 200)) click 1
    sleep 0.3
    xdotool key Return
    sleep 1.5
    before=$(win_rules_windows)
    tarnwick_click "$game" help
    sleep 0.5
    opened=$(comm -13 <(echo "$before") <(win_rules_windows))
    [[ -n $opened ]] || { echo "  Enter did not press OK" >&2; return 1; }
    read -r rx ry < <(tarnwick_origin "$opened")
    xdotool mousemove $((rx + 252)) $((ry + 340)) click 1
    sleep 1.5
}

# win_keys_to HOLE: Home, then Right up to hole HOLE (1..15).
win_keys_to() {
    local keys=(Home) hole
    for ((hole = 1; hole < $1; hole++)); do keys+=(Right); done
    xdotool key --delay 30 "${keys[@]}"
}

# A game won with the keyboard alone. The board is the stop after QUIT and
# is ringed only while it has the focus (a click on a hole does not give it
# the focus); in setup the peg of hole 1 goes to hole 15, Tab and Enter
# press "Start Game", Shift+Tab goes back to the board, Home, Right and Space
# play the winning line, and Return answers the winner message.
win_keyboard_game() {
    win_start "$1" || return 1
    sleep 1
    win_focus_game
    tarnwick_drag "$game" 13 13
    win_expect win_rings "" || return 1
    xdotool key --delay 100 Tab Tab Tab
    win_expect win_rings 1 || return 1
    xdotool key --delay 100 space End space
    win_expect_board EPPPPPPPPPPPPPP || return 1
    win_expect win_rings 15 || return 1
    xdotool key Tab
    win_expect win_rings "" || return 1
    xdotool key --delay 100 Return shift+Tab
    win_expect win_rings 15 || return 1
    local move from to
    for move in "4 1" "6 4" "1 6" "7 2" "10 3" "12 5" "13 6" "2 9" "3 10" "15 6" "6 13" "14 12"; do
        read -r from to <<<"$move"
        win_keys_to "$from"
        xdotool key space
        win_keys_to "$to"
        xdotool key space
    done
    win_expect_board EEEEEEEEEEPPEEE || return 1
    win_keys_to 11
    xdotool key space
    win_keys_to 13
    xdotool key space
    win_expect_board EEEEEEEEEEEEPEE || return 1
    local box=""
    for _ in $(seq 50); do
        box=$(xdotool search --onlyvisible --name '^Tarnwick$' 2>/dev/null | grep -vx "$game" || true)
        [[ -n $box ]] && break
        sleep 0.1
    done
    [[ -n $box ]] || { echo "  no winner message" >&2; return 1; }
    xdotool key Return
    # The new game, with the board's focus back where it was (as
    # win_whole_game says, Wine takes a while to let the box go).
    win_expect_board PPPPPPPPPPPPPPE 5 || return 1
    win_expect win_rings 13 || return 1
    tarnwick_click "$game" quit
    win_ended 5
}

win_quit() {
    tarnwick_click "$game" quit
    win_ended 5
}

# Alt+F4 is what the frame's close box sends: the program ends as on QUIT.
win_close_through_frame() {
    win_focus_game
    xdotool key alt+F4
    win_ended 5
}

# win_peak ACTION...: the loudest sample the private sink plays while ACTION
# runs and for a second after it (0 to 32767).
win_peak() {
    local raw="$win_dir/sink.raw"
    parec -d test.monitor --raw --format=s16le --rate=22050 --channels=1 >"$raw" &
    local recorder=$!
    sleep 0.5
    "$@"
    sleep 1
    kill "$recorder" 2>/dev/null || true
    wait "$recorder" 2>/dev/null || true
    od -An -td2 -v -w2 "$raw" | awk '{ v = $1 < 0 ? -$1 : $1; if (v > peak) peak = v }
        END { print peak + 0 }'
}

# Picks up the peg of hole 14 and puts it back: "pickup" and "pegdrop".
win_pick_up_and_back() {
    tarnwick_drag "$game" 13 13
}

# win_cue_heard EXE: a cue played by the game in EXE's folder reaches the sink.
win_cue_heard() {
    win_start "$1" || return 1
    local peak
    peak=$(win_peak win_pick_up_and_back)
    tarnwick_click "$game" quit
    win_ended 5 || return 1
    ((peak > 1000)) || { echo "  peak $peak: nothing heard" >&2; return 1; }
}

# A folder whose name the ANSI code page cannot spell: the game runs there
# and plays on. (Its cues are read by their wide path, which the CueFolder
# test checks under Wine; they cannot be heard there, as Wine 8 plays no
# asynchronous sndPlaySound at all for a program in such a folder.)
win_unicode_folder() {
    local folder="$win_dir/Тарнвик 塔恩威克"
    mkdir -p "$folder"
    cp "$(dirname "$1")"/*.WAV "$1" "$folder/"
    win_start "$folder/$(basename "$1")" || return 1
    tarnwick_drag "$game" 0 14
    win_expect_board EPPPPPPPPPPPPPP || return 1
    tarnwick_click "$game" quit
    win_ended 5
}

# Garbage in every cue file: silence, and the game goes on.
win_garbage_cues_silent() {
    local folder="$win_dir/garbage"
    mkdir -p "$folder"
    cp "$1" "$folder/"
    local cue
    for cue in pickup pegdrop winner loser loser4 loser3; do
        head -c 4000 /dev/urandom >"$folder/$cue.WAV"
    done
    win_start "$folder/$(basename "$1")" || return 1
    local peak
    peak=$(win_peak tarnwick_drag "$game" 0 14)
    win_expect_board EPPPPPPPPPPPPPP || return 1
    tarnwick_click "$game" quit
    win_ended 5 || return 1
    ((peak < 100)) || { echo "  peak $peak from garbage" >&2; return 1; }
}

# win_crafted_wave NAME FILE: writes to FILE the hostile wave file NAME (see
# tests/support/crafted_wave.py), or the 20 s long-tone.
win_crafted_wave() {
    python3 "$(dirname "${BASH_SOURCE[0]}")/../support/crafted_wave.py" "$1" "$2"
}

# win_hostile_pickup EXE NAME: the crafted file NAME as pickup.WAV and a peg
# picked up: the game stays up with its board kept, and QUIT ends it with
# status 0.
win_hostile_pickup() {
    local folder="$win_dir/hostile-$2"
    mkdir -p "$folder"
    cp "$(dirname "$1")"/*.WAV "$1" "$folder/"
    win_crafted_wave "$2" "$folder/pickup.WAV"
    win_start "$folder/$(basename "$1")" || return 1
    tarnwick_drag "$game" 0 14
    sleep 1
    kill -0 "$game_pid" 2>/dev/null || { echo "  the game ended at the pick-up" >&2; return 1; }
    win_expect_board EPPPPPPPPPPPPPP || return 1
    win_quit_timed
}

# win_quit_timed: QUIT pressed, and the game gone with status 0; prints how
# long it took. Only a game still running 5 s after QUIT fails: a test does
# not time what a benchmark measures.
win_quit_timed() {
    local elapsed_ms status=0
    if ! elapsed_ms=$(tarnwick_quit_ms "$game" "$game_pid"); then
        echo "  the game is still running $elapsed_ms ms after QUIT" >&2
        kill "$game_pid" 2>/dev/null || true
        return 1
    fi
    wait "$game_pid" || status=$?
    echo "  QUIT ended the game after $elapsed_ms ms with status $status"
    ((status == 0))
}

# QUIT while a 20-second cue plays, three times over: the playing buffer
# stays until playback has stopped, and the game ends.
win_quit_during_long_cue() {
    local folder="$win_dir/long-cue" round
    mkdir -p "$folder"
    cp "$(dirname "$1")"/*.WAV "$1" "$folder/"
    win_crafted_wave long-tone "$folder/pickup.WAV"
    for round in 1 2 3; do
        win_start "$folder/$(basename "$1")" || return 1
        tarnwick_drag "$game" 13 13
        sleep 0.3
        win_quit_timed || { echo "  round $round" >&2; return 1; }
    done
}

# win_window_manager_start / _stop: openbox for the checks that print how
# long QUIT took. Without a window manager Wine waits 2 s, in vain, for one
# to withdraw each window the game destroys at exit; every player has one.
win_window_manager_start() {
    openbox --sm-disable >"$win_dir/openbox.log" 2>&1 &
    win_wm_pid=$!
    for _ in $(seq 100); do
        xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && return 0
        sleep 0.1
    done
    echo "  openbox did not start: $(cat "$win_dir/openbox.log")" >&2
    return 1
}
win_window_manager_stop() {
    kill "$win_wm_pid" 2>/dev/null || true
    wait "$win_wm_pid" 2>/dev/null || true
}

# win_hostile_cue_checks EXE: the game with each crafted pickup.WAV, and QUIT
# during a long cue, under a window manager.
win_hostile_cue_checks() {
    check "a window manager for the checks that print QUIT's time" win_window_manager_start || return 0
    local crafted
    for crafted in eight-channels-fast data-claims-2gib data-truncated zero-block-align \
        fmt-claims-4gib many-channels-fast; do
        check "crafted pickup.WAV ($crafted): the game plays on, QUIT ends it" \
            win_hostile_pickup "$1" "$crafted"
    done
    check "QUIT while a long cue plays, three times" win_quit_during_long_cue "$1"
    win_window_manager_stop
}
