#!/usr/bin/env bash
# Builds the optimised game and starts it: the "player" preset, the release
# build in which a newer compiler's new warning stops nothing. Installs only
# what building and playing take; the test tools come with scripts/test.sh.
set -euo pipefail
cd "$(dirname "$0")/.."

# has_display: a display the game can open, X11 or Wayland.
has_display() {
    local wayland=${WAYLAND_DISPLAY:-}
    [[ $wayland == /* ]] || wayland="${XDG_RUNTIME_DIR:-/nonexistent}/$wayland"
    [[ -S $wayland ]] && return 0
    case ${DISPLAY:-} in
    "") return 1 ;;
    # A local server listens on its socket; any other (ssh -X) is taken on trust.
    :*) local number=${DISPLAY#:} && [[ -S /tmp/.X11-unix/X${number%%.*} ]] ;;
    *) return 0 ;;
    esac
}
if ! has_display; then # before installing or building anything
    cat >&2 <<MESSAGE
play.sh: there is no display to show the game on (DISPLAY and WAYLAND_DISPLAY name none that is
there), so nothing was installed or built. Run it from a terminal in your desktop session, or over
SSH with X forwarding (ssh -X). To only build it, run:
    scripts/setup.sh && cmake --preset player && cmake --build --preset player
MESSAGE
    exit 1
fi

# shellcheck source=build-cache.sh
source scripts/build-cache.sh
scripts/setup.sh
cmake --preset player >/dev/null
cmake --build --preset player --target tarnwick
exec build/player/qt/app/tarnwick "$@"
