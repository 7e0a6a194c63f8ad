#!/usr/bin/env bash
# Starts the real program where no window can be shown and checks that it
# ends at once with one line on stderr and a non-zero exit, not a signal. The
# offscreen platform, asked for by name, must still start.
#
#   run_without_display.sh PATH/TO/tarnwick
set -uo pipefail
program=$1
ulimit -c 0
failures=0

# A display number with no server behind it.
nowhere=99
while [[ -e /tmp/.X11-unix/X$nowhere || -e /tmp/.X$nowhere-lock ]]; do
    nowhere=$((nowhere + 1))
done

expect_one_line_failure() {
    local name=$1
    shift
    local err status lines
    err=$(mktemp)
    env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$@" timeout 20 "$program" 2>"$err" >/dev/null
    status=$?
    lines=$(wc -l <"$err")
    if ((status == 0 || status >= 124)); then
        echo "FAIL $name: exit status $status (0 is success, 124 a hang, above 128 a signal)"
        failures=$((failures + 1))
    elif ((lines != 1)); then
        echo "FAIL $name: $lines lines on stderr:"
        cat "$err"
        failures=$((failures + 1))
    else
        echo "ok   $name: exit $status: $(cat "$err")"
    fi
    rm -f "$err"
}

expect_one_line_failure "DISPLAY unset"
expect_one_line_failure "DISPLAY=:$nowhere" DISPLAY=":$nowhere"
expect_one_line_failure "xcb asked for, DISPLAY unset" QT_QPA_PLATFORM=xcb

# Still running after two seconds: timeout ends it with 124.
env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=offscreen timeout 2 "$program" >/dev/null 2>&1
status=$?
if ((status == 124)); then
    echo "ok   offscreen: runs without a display"
else
    echo "FAIL offscreen: ended with status $status"
    failures=$((failures + 1))
fi

exit $((failures > 0))
