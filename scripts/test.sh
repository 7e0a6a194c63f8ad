#!/usr/bin/env bash
# Builds Tarnwick and runs every test: the developer build (gcc), the clang
# build with AddressSanitizer and UndefinedBehaviorSanitizer (which also
# fuzzes), the Debian package, the Windows game and its packages under Wine,
# the lint, the fuzzer and memcheck. Prints each
# step's duration and every build's test summary at the end.
#
# Hermetic: whatever desktop the caller runs it from, no test reaches the
# caller's display, session bus, audio server, runtime folder or home, and
# nothing it started is left running afterwards, even when a test fails.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

# Build caches outlive the clone, so a second run from a fresh clone is quick.
cache_home=${XDG_CACHE_HOME:-$HOME/.cache}/tarnwick
export CCACHE_DIR=${CCACHE_DIR:-$cache_home/ccache}
export CCACHE_BASEDIR=$root CCACHE_NOHASHDIR=1
export TARNWICK_LINT_CACHE=${TARNWICK_LINT_CACHE:-$cache_home/lint}

# Nothing of the caller's desktop: no display, no Wayland, no audio server,
# and a bus that can never be auto-launched (such a daemon would escape the
# clean-up below). Tests that need any of these start private ones through
# scripts/x-session.sh.
gate_dir=$(mktemp -d "${TMPDIR:-/tmp}/tarnwick-gate.XXXXXX")
export TARNWICK_GATE_TAG=$gate_dir
unset DISPLAY WAYLAND_DISPLAY XAUTHORITY PULSE_SERVER PULSE_SINK AT_SPI_BUS_ADDRESS SESSION_MANAGER
export DBUS_SESSION_BUS_ADDRESS="disabled:"
export XDG_RUNTIME_DIR="$gate_dir/runtime" HOME="$gate_dir/home"
export XDG_CONFIG_HOME="$HOME/.config" XDG_DATA_HOME="$HOME/.local/share" XDG_STATE_HOME="$HOME/.local/state"
export XDG_CACHE_HOME="$HOME/.cache"
mkdir -p -m 700 "$XDG_RUNTIME_DIR" "$XDG_CONFIG_HOME/pulse"
printf 'autospawn = no\n' >"$XDG_CONFIG_HOME/pulse/client.conf"
export PULSE_CLIENTCONFIG="$XDG_CONFIG_HOME/pulse/client.conf"
export SDL_AUDIODRIVER=pulseaudio
# The GUI tests draw offscreen unless they bring an X server of their own.
export QT_QPA_PLATFORM=offscreen

# Ends every process that carries this run's tag, stopped ones included.
sweep() {
    local pids
    for signal in TERM KILL; do
        pids=$(grep -lszxF "TARNWICK_GATE_TAG=$gate_dir" /proc/[0-9]*/environ |
            sed 's|/proc/\([0-9]*\)/environ|\1|' | grep -vxF -e "$$" -e "$BASHPID" || true)
        # The search's own short-lived processes carry the tag too.
        pids=$(for pid in $pids; do if [[ -e /proc/$pid ]]; then echo "$pid"; fi; done)
        [[ -z $pids ]] && return 0
        [[ $signal == TERM ]] && echo "test.sh: ending what the tests left running: $(ps -o comm= -p "${pids//$'\n'/,}" | sort | uniq -c | xargs)" >&2
        # shellcheck disable=SC2086
        kill -CONT $pids 2>/dev/null || true
        # shellcheck disable=SC2086
        kill -"$signal" $pids 2>/dev/null || true
        sleep 1
    done
}
trap 'sweep; rm -rf "$gate_dir"' EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

status=0
timings=()
summaries=()
# step NAME COMMAND...: runs one step, times it, and goes on after a failure.
step() {
    local name=$1 started=$SECONDS result=0
    shift
    echo "== $name"
    "$@" || result=$?
    local took=$((SECONDS - started))
    timings+=("$(printf '%-16s %3d:%02d  %s' "$name" $((took / 60)) $((took % 60)) "$([[ $result == 0 ]] && echo ok || echo FAILED)")")
    ((result == 0)) || status=1
}

# ctest_step PRESET: runs a build's tests and keeps their summary line.
ctest_step() {
    local log="$gate_dir/ctest-$1.log" result=0
    ctest --preset "$1" --parallel "$(nproc)" 2>&1 | tee "$log" || result=1
    summaries+=("$1 build: $(grep -E 'tests passed|tests failed' "$log" | tail -n 1)")
    return "$result"
}

# windows_step: builds the Windows game and its packages and tests them under
# Wine, keeping the closing "N passed, N failed" line.
windows_step() {
    local log="$gate_dir/windows.log" result=0
    scripts/test-windows.sh 2>&1 | tee "$log" || result=1
    summaries+=("windows build (Wine): $(grep -E '^[0-9]+ passed, [0-9]+ failed' "$log" | tail -n 1)")
    return "$result"
}

build() {
    cmake --preset "$1" >/dev/null && cmake --build --preset "$1"
}

step setup scripts/setup.sh --test
ccache --zero-stats >/dev/null 2>&1 || true
step "dev build" build dev
step "dev tests" ctest_step dev
step "asan build" build asan
step "asan tests" ctest_step asan
step package scripts/test-package.sh
# Before the lint, which tidies the Win32 files against this build's commands.
step windows windows_step
step lint scripts/lint.sh build/dev
step "fuzz (60 s)" scripts/fuzz.sh game 60
step "fuzz wave (60 s)" scripts/fuzz.sh wave 60
step memcheck scripts/memcheck.sh build/dev

echo "== summary"
printf '%s\n' "${timings[@]}"
printf 'total            %3d:%02d\n' $((SECONDS / 60)) $((SECONDS % 60))
ccache --show-stats 2>/dev/null | grep -E '^(Hits|Misses|Cacheable calls)' | sed 's/^/ccache: /' || true
printf '%s\n' "${summaries[@]}"
exit "$status"
