#!/usr/bin/env bash
[[ ${TARNWICK_GATE_ENV:-} == allow-listed ]] || exec python3 "$(dirname "$0")/session.py" gate -- "$0" "$@"
# Builds Tarnwick and runs every test: the developer build (gcc), the clang
# build with AddressSanitizer and UndefinedBehaviorSanitizer (which also
# fuzzes), the Debian package, the Windows game and its packages under Wine,
# the game in the browser (WebAssembly, under Node and in headless Chromium),
# the lint, the two fuzzers and memcheck. Prints each step's duration and
# every build's test summary at the end.
#
# Hermetic: whatever desktop the caller runs it from, no test reaches the
# caller's display, session bus, audio server, runtime folder or home, and
# nothing it started is left running afterwards, even when a test fails.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

# The environment is an allow-list: nothing of the caller's desktop, locale,
# toolkit settings, Wine or audio server comes through, only what building
# and the tests need. The same process runs on, so a signal to it still
# reaches this script; SIGINT is handled even where the caller started it in
# the background of a script, which ignores SIGINT (a shell cannot trap a
# signal ignored when it started).
if [[ ${TARNWICK_GATE_ENV:-} != allow-listed ]]; then
    allowed=(TARNWICK_GATE_ENV=allow-listed "PATH=$PATH" "HOME=$HOME" LANG=C.UTF-8)
    for name in USER LOGNAME TERM CI TMPDIR XDG_CACHE_HOME CCACHE_DIR \
        TARNWICK_LINT_CACHE TARNWICK_FUZZ_MIN_RUNS; do
        [[ -n ${!name:-} ]] && allowed+=("$name=${!name}")
    done
    exec env -i --default-signal=INT,QUIT "${allowed[@]}" bash "$root/scripts/test.sh" "$@"
fi

# Build caches outlive the clone, so a second run from a fresh clone is quick.
# shellcheck source=build-cache.sh
source scripts/build-cache.sh
export TARNWICK_LINT_CACHE=${TARNWICK_LINT_CACHE:-$cache_home/lint}
# The tests run with a private home: caches are found through this.
export TARNWICK_CACHE_HOME=$cache_home

# Nothing of the caller's desktop: no display, no Wayland, no audio server,
# and a bus that can never be auto-launched (such a daemon would escape the
# clean-up below). Tests that need any of these start private ones through
# scripts/x-session.sh.
gate_dir=$(mktemp -d "${TMPDIR:-/tmp}/tarnwick-gate.XXXXXX")
export TARNWICK_GATE_TAG=$gate_dir
export DBUS_SESSION_BUS_ADDRESS="disabled:"
export XDG_RUNTIME_DIR="$gate_dir/runtime" HOME="$gate_dir/home"
export XDG_CONFIG_HOME="$HOME/.config" XDG_DATA_HOME="$HOME/.local/share" XDG_STATE_HOME="$HOME/.local/state"
export XDG_CACHE_HOME="$HOME/.cache"
# Every temporary file of the run, the sessions' folders and Wine's included,
# goes with the run's folder.
export TMPDIR="$gate_dir/tmp"
mkdir -p -m 700 "$XDG_RUNTIME_DIR" "$XDG_CONFIG_HOME/pulse" "$TMPDIR"
printf 'autospawn = no\n' >"$XDG_CONFIG_HOME/pulse/client.conf"
export PULSE_CLIENTCONFIG="$XDG_CONFIG_HOME/pulse/client.conf"
# Not even the system-wide audio server's socket.
export PULSE_SERVER="unix:$gate_dir/no-audio-server"
export SDL_AUDIODRIVER=pulseaudio
# The GUI tests draw offscreen unless they bring an X server of their own.
export QT_QPA_PLATFORM=offscreen

# Every process of this run carries its tag. Whatever ends the run, what it
# started is swept: at its own exit and on a signal by the trap below; after
# a SIGKILL by a watchdog outside this process tree, which also removes the
# run's folder.
setsid -f env -u TARNWICK_GATE_TAG scripts/sweep.sh --after "$$" TARNWICK_GATE_TAG "$gate_dir" "$gate_dir" \
    </dev/null >/dev/null 2>&1
sweep() {
    scripts/sweep.sh TARNWICK_GATE_TAG "$gate_dir" ||
        echo "test.sh: some processes of this run did not end" >&2
}
trap 'sweep; rm -rf "$gate_dir"' EXIT
echo "test.sh: this run's folder and tag: $gate_dir"

# Each step runs in the background while this script waits, as bash runs no
# trap until a foreground command ends. A signal ends the step at once,
# except setup: apt and dpkg are never stopped halfway, so the run waits for
# setup to finish first (setup runs untagged, out of the sweep's reach).
step_name="" step_pid=""
on_signal() {
    trap '' INT TERM HUP
    echo "test.sh: $1 during step '$step_name'" >&2
    if [[ $step_name == setup && -n $step_pid ]]; then
        echo "test.sh: waiting for setup to finish (apt is never stopped halfway)" >&2
        wait "$step_pid" 2>/dev/null || true
    fi
    exit "$2"
}
trap 'on_signal SIGINT 130' INT
trap 'on_signal SIGTERM 143' TERM
trap 'on_signal SIGHUP 129' HUP

status=0
timings=()
summaries="$gate_dir/summaries"
# start NAME COMMAND...: starts a step in the background and times it;
# finish NAME waits for it and goes on after a failure. A step that runs
# beside another writes to its own log, shown when it ends.
declare -A step_pids=() step_started=() step_logs=()
beside=0
start() {
    local name=$1
    shift
    step_started[$name]=$SECONDS
    if [[ -n $step_name ]]; then
        step_logs[$name]="$gate_dir/step-$((++beside)).log"
        echo "== $name (beside $step_name)"
        "$@" >"${step_logs[$name]}" 2>&1 &
    else
        echo "== $name"
        step_name=$name
        "$@" &
    fi
    step_pids[$name]=$!
}
finish() {
    local name=$1 result=0
    wait "${step_pids[$name]}" || result=$?
    if [[ -n ${step_logs[$name]:-} ]]; then
        echo "== $name (ran beside other steps)"
        cat "${step_logs[$name]}"
    fi
    [[ $step_name == "$name" ]] && step_name=""
    local took=$((SECONDS - step_started[$name]))
    timings+=("$(printf '%-16s %3d:%02d  %s' "$name" $((took / 60)) $((took % 60)) "$([[ $result == 0 ]] && echo ok || echo FAILED)")")
    ((result == 0)) || status=1
}
step() {
    start "$@"
    finish "$1"
}

# ctest_step PRESET: runs a build's tests and keeps their summary line.
ctest_step() {
    local log="$gate_dir/ctest-$1.log" result=0
    ctest --preset "$1" --parallel "$(nproc)" 2>&1 | tee "$log" || result=1
    echo "$1 build: $(grep -E 'tests passed|tests failed' "$log" | tail -n 1)" >>"$summaries"
    return "$result"
}

# windows_step: builds the Windows game and its packages and runs their tests
# under Wine (tests/win32: the checks share one private session, a fixture).
windows_step() {
    scripts/setup.sh --windows-test && scripts/build-windows.sh >/dev/null && ctest_step windows
}

# web_step: builds the browser game and runs its tests under Node and in
# headless Chromium.
web_step() {
    tests/web/install-driver.sh && scripts/build-web.sh >/dev/null &&
        cmake --build --preset web && ctest_step web
}

# Configured once: a configured build folder reconfigures itself when a
# CMakeLists.txt changes, and the later steps build in these same folders.
build() {
    [[ -f build/$1/build.ninja ]] || cmake --preset "$1" >/dev/null
    cmake --build --preset "$1"
}

# Untagged, so that no sweep reaches apt; the later steps' scripts skip it.
step setup env -u TARNWICK_GATE_TAG scripts/setup.sh --test
export TARNWICK_SETUP_DONE=1
ccache --zero-stats >/dev/null 2>&1 || true
step "dev build" build dev
step "dev tests" ctest_step dev
step "asan build" build asan
step "asan tests" ctest_step asan
step package scripts/test-package.sh
# Before the lint, which tidies the Win32 files against this build's commands.
step windows windows_step
# Also before the lint, which tidies the web files against the web build's.
step web web_step
step lint scripts/lint.sh build/dev
# The fuzzers and valgrind are single-threaded: they share the two cores. The
# reader's fuzzer needs far less than its core to pass its 100,000 inputs, so it
# runs beside memcheck, and the rule book's beside it once memcheck is done.
start memcheck scripts/memcheck.sh build/dev
start "fuzz wave (60 s)" scripts/fuzz.sh wave 60
finish memcheck
start "fuzz game (60 s)" scripts/fuzz.sh game 60
finish "fuzz wave (60 s)"
finish "fuzz game (60 s)"

echo "== summary"
printf '%s\n' "${timings[@]}"
printf 'total            %3d:%02d\n' $((SECONDS / 60)) $((SECONDS % 60))
LC_ALL=C ccache --show-stats 2>/dev/null | grep -E '^(Hits|Misses|Cacheable calls)' | sed 's/^/ccache: /' || true
cat "$summaries" 2>/dev/null || true
exit "$status"
