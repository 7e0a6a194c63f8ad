#!/usr/bin/env bash
# Runs a command in a private desktop session of its own, and takes the whole
# session down again afterwards, whatever happened:
#
#   x-session.sh [--screen WxH] [--dpi N] [--wm openbox|mutter] [--pulse]
#                [--bus] [--no-x] [--] COMMAND [ARGS...]
#
#   --screen WxH  size of the private X server's screen (default 1024x768)
#   --dpi N       its density (default 96: one logical pixel is one pixel)
#   --wm NAME     a window manager drawing frames; none by default
#   --pulse       a private audio server (PulseAudio, or PipeWire where that
#                 is the machine's) whose one sink is a null sink "test"
#                 (record it through "test.monitor"): scripts/audio-server.sh
#   --bus         a private D-Bus session bus; without it the bus is disabled
#   --no-x        no X server at all (DISPLAY unset)
#
# Whatever the caller's desktop has, the command never reaches it: its home,
# runtime folder, display, Wayland socket, session bus and audio server are
# all replaced by private ones or by nothing. Without --pulse, PULSE_SERVER
# points at nothing and SDL may only try PulseAudio, so nothing can be heard.
#
# Every process started here carries a tag in its environment. However the
# session ends, every tagged process is continued (a stopped one ignores
# SIGTERM) and killed, daemons that detached themselves included: on a normal
# end or a signal by this script, and when it is killed outright (a SIGKILL,
# CTest's time-out) by a watchdog outside its process tree (scripts/sweep.sh).
set -euo pipefail

screen=1024x768
dpi=96
wm=""
want_pulse=0
want_bus=0
want_x=1
while (($#)); do
    case $1 in
    --screen) screen=$2; shift 2 ;;
    --dpi) dpi=$2; shift 2 ;;
    --wm) wm=$2; shift 2 ;;
    --pulse) want_pulse=1; shift ;;
    --bus) want_bus=1; shift ;;
    --no-x) want_x=0; shift ;;
    --) shift; break ;;
    -*) echo "x-session.sh: unknown option $1" >&2; exit 2 ;;
    *) break ;;
    esac
done
if (($# == 0)); then
    echo "usage: x-session.sh [options] COMMAND [ARGS...]" >&2
    exit 2
fi

here=$(cd "$(dirname "$0")" && pwd)
# The audio server's and the bus's addresses cannot carry every byte of a
# path (PULSE_SERVER is split at spaces): the session's folder goes to /tmp
# where the temporary folder's own path has others.
tmp=${TMPDIR:-/tmp}
[[ $tmp =~ ^[-A-Za-z0-9_./]+$ ]] || tmp=/tmp
X_SESSION_DIR=$(mktemp -d "$tmp/tarnwick-session.XXXXXX")
chmod 700 "$X_SESSION_DIR"
export X_SESSION_DIR
export TARNWICK_SESSION_TAG="$X_SESSION_DIR"

# The watchdog: detached, untagged, it sweeps the session once this script
# has ended, however it ended.
setsid -f env -u TARNWICK_SESSION_TAG -u TARNWICK_GATE_TAG \
    "$here/sweep.sh" --after "$$" TARNWICK_SESSION_TAG "$X_SESSION_DIR" "$X_SESSION_DIR" \
    </dev/null >/dev/null 2>&1

cleanup() {
    local status=$?
    trap - EXIT INT TERM HUP
    "$here/sweep.sh" TARNWICK_SESSION_TAG "$X_SESSION_DIR" || true
    wait 2>/dev/null || true
    rm -rf "$X_SESSION_DIR"
    exit "$status"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM
trap 'exit 129' HUP

# Waits up to thirty seconds for a command to succeed (a loaded machine
# starts a server slowly).
wait_for() {
    for _ in $(seq 300); do
        if "$@" >/dev/null 2>&1; then
            return 0
        fi
        sleep 0.1
    done
    return 1
}

# Nothing of the caller's session.
unset DISPLAY WAYLAND_DISPLAY XAUTHORITY SESSION_MANAGER DESKTOP_SESSION
unset PULSE_SINK PULSE_SOURCE PULSE_COOKIE AT_SPI_BUS_ADDRESS
export HOME="$X_SESSION_DIR/home"
export XDG_RUNTIME_DIR="$X_SESSION_DIR/runtime"
export XDG_CONFIG_HOME="$HOME/.config" XDG_CACHE_HOME="$HOME/.cache"
export XDG_DATA_HOME="$HOME/.local/share" XDG_STATE_HOME="$HOME/.local/state"
mkdir -p -m 700 "$HOME" "$XDG_RUNTIME_DIR" "$XDG_CONFIG_HOME"
# Clients never start a PulseAudio server of their own.
mkdir -p "$XDG_CONFIG_HOME/pulse"
printf 'autospawn = no\n' >"$XDG_CONFIG_HOME/pulse/client.conf"
export PULSE_CLIENTCONFIG="$XDG_CONFIG_HOME/pulse/client.conf"
export PULSE_SERVER="unix:$X_SESSION_DIR/no-audio-server"
export SDL_AUDIODRIVER=pulseaudio
# A bus must never be auto-launched: such a daemon detaches from us.
export DBUS_SESSION_BUS_ADDRESS="disabled:"

# start_server NAME LOG COMMAND...: starts a server that writes one line to
# file descriptor 3 once it is ready (its address, its display number), and
# puts that line in $server_line. Not in a command substitution: the server
# stays this script's own child.
start_server() {
    local name=$1 log=$2 ready
    shift 2
    server_line=""
    exec {ready}<> <(:)
    "$@" 3>&"$ready" >"$log" 2>&1 &
    if ! read -r -t 20 -u "$ready" server_line || [[ -z $server_line ]]; then
        echo "the $name did not start:" >&2
        cat "$log" >&2
        exit 1
    fi
    exec {ready}<&-
}

if ((want_bus)); then
    start_server "private session bus" "$X_SESSION_DIR/bus.log" \
        dbus-daemon --session --nofork --nopidfile --print-address=3 \
        --address="unix:path=$XDG_RUNTIME_DIR/bus"
    DBUS_SESSION_BUS_ADDRESS=$server_line
fi

if ((want_x)); then
    # Xvfb picks a free display number itself and writes it to the pipe.
    # Never reset: an X server resets when its last client leaves, and drops
    # every connection that arrives meanwhile. The check below that the
    # window manager is up is such a client; when it came first, the window
    # manager's own connection was dropped ("Failed to open the display").
    start_server "X server" "$X_SESSION_DIR/xvfb.log" \
        Xvfb -displayfd 3 -noreset -screen 0 "${screen}x24" -dpi "$dpi" -nolisten tcp
    export DISPLAY=":$server_line"
    # A real window on this server, even where the caller draws offscreen.
    export QT_QPA_PLATFORM=xcb

    case $wm in
    "") ;;
    openbox) openbox --sm-disable >"$X_SESSION_DIR/wm.log" 2>&1 & ;;
    mutter)
        # As GNOME Shell runs it: modal dialogs attached to their parent.
        mkdir -p "$XDG_CONFIG_HOME/glib-2.0/settings"
        printf '[org/gnome/mutter]\nattach-modal-dialogs=true\n' \
            >"$XDG_CONFIG_HOME/glib-2.0/settings/keyfile"
        GSETTINGS_BACKEND=keyfile mutter --x11 --replace --sm-disable >"$X_SESSION_DIR/wm.log" 2>&1 &
        ;;
    *) echo "x-session.sh: unknown window manager $wm" >&2; exit 2 ;;
    esac
    if [[ -n $wm ]] && ! wait_for bash -c 'xprop -root _NET_SUPPORTING_WM_CHECK | grep -q "window id"'; then
        echo "$wm did not start on $DISPLAY:" >&2
        cat "$X_SESSION_DIR/wm.log" >&2
        exit 1
    fi
fi

if ((want_pulse)); then
    # shellcheck source=audio-server.sh
    source "$(dirname "${BASH_SOURCE[0]}")/audio-server.sh"
    audio_server_start || exit 1
fi

# In the background, so a signal to us is handled at once.
"$@" &
wait $!
