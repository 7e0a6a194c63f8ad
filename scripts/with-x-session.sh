#!/usr/bin/env bash
# Runs a command on a private X server (Xvfb) with openbox drawing the window
# frames, as on a desktop, and removes both afterwards whatever happens.
#
#   with-x-session.sh COMMAND [ARGS...]
#
# The command sees DISPLAY and Qt programs use it; the screen is 800x600 at 96 dpi, so one logical
# pixel is one screen pixel.
set -euo pipefail

work_dir=$(mktemp -d "${TMPDIR:-/tmp}/tarnwick-x.XXXXXX")
server_pid=""
wm_pid=""

cleanup() {
    local status=$?
    for pid in "$wm_pid" "$server_pid"; do
        if [[ -n "$pid" ]] && kill -0 "$pid" 2>/dev/null; then
            kill "$pid" 2>/dev/null || true
            wait "$pid" 2>/dev/null || true
        fi
    done
    rm -rf "$work_dir"
    exit "$status"
}
trap cleanup EXIT
trap 'exit 130' INT TERM HUP

# Xvfb picks a free display number itself and writes it to the pipe.
exec {display_fd}<> <(:)
Xvfb -displayfd "$display_fd" -screen 0 800x600x24 -dpi 96 -nolisten tcp \
    >"$work_dir/xvfb.log" 2>&1 &
server_pid=$!
display=""
if ! read -r -t 20 -u "$display_fd" display || [[ -z "$display" ]]; then
    echo "the X server did not start:" >&2
    cat "$work_dir/xvfb.log" >&2
    exit 1
fi
exec {display_fd}<&-
export DISPLAY=":$display"
# A real window on this server, even where the caller draws offscreen.
export QT_QPA_PLATFORM=xcb
unset WAYLAND_DISPLAY

# openbox's and Qt's own files stay out of the user's home.
export XDG_CONFIG_HOME="$work_dir/config" XDG_CACHE_HOME="$work_dir/cache"
if [[ -z "${XDG_RUNTIME_DIR:-}" ]]; then
    mkdir -m 700 "$work_dir/runtime"
    export XDG_RUNTIME_DIR="$work_dir/runtime"
fi
openbox >"$work_dir/openbox.log" 2>&1 &
wm_pid=$!
for _ in $(seq 100); do
    if xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; then
        break
    fi
    sleep 0.1
done

"$@"
