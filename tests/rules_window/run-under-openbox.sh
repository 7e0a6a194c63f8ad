#!/usr/bin/env bash
# Runs a test program on a private X server framed by openbox, as a player's
# desktop frames windows, and takes both down again whatever happens.
# Usage: run-under-openbox.sh PROGRAM [ARGUMENTS...]
set -euo pipefail

workdir=$(mktemp -d)
server_pid=""
manager_pid=""

cleanup() {
    for pid in "$manager_pid" "$server_pid"; do
        if [[ -n "$pid" ]]; then
            kill "$pid" 2>/dev/null || true
            wait "$pid" 2>/dev/null || true
        fi
    done
    rm -rf "$workdir"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

# Waits up to five seconds for a command to succeed.
wait_for() {
    for _ in $(seq 50); do
        if "$@" >/dev/null 2>&1; then
            return 0
        fi
        sleep 0.1
    done
    return 1
}

# -displayfd: the server picks a free display number and writes it once ready.
# An odd screen size makes the centring drop half pixels.
Xvfb -displayfd 3 -screen 0 1023x767x24 -nolisten tcp 3>"$workdir/display" 2>"$workdir/xvfb.log" &
server_pid=$!
if ! wait_for test -s "$workdir/display"; then
    echo "Xvfb did not start:" >&2
    cat "$workdir/xvfb.log" >&2
    exit 1
fi
export DISPLAY=":$(head -n1 "$workdir/display")"

openbox --sm-disable >"$workdir/openbox.log" 2>&1 &
manager_pid=$!
manager_ready() {
    xprop -root _NET_SUPPORTING_WM_CHECK | grep -q "window id"
}
if ! wait_for manager_ready; then
    echo "openbox did not start on $DISPLAY:" >&2
    cat "$workdir/openbox.log" >&2
    exit 1
fi

QT_QPA_PLATFORM=xcb QT_SCALE_FACTOR=1 "$@"
