#!/usr/bin/env bash
# Runs a command against a private PulseAudio server whose only sink is a null
# sink named "test" (record it through "test.monitor"), and removes the server
# afterwards whatever happens. Works for root and for ordinary users, beside
# or without a desktop sound server.
#
#   with_private_pulse.sh COMMAND [ARGS...]
set -euo pipefail

runtime_dir=$(mktemp -d "${TMPDIR:-/tmp}/tarnwick-pulse.XXXXXX")
chmod 700 "$runtime_dir"
server_pid=""
keeper_pid=""

cleanup() {
    local status=$?
    for pid in "$keeper_pid" "$server_pid"; do
        if [[ -n "$pid" ]] && kill -0 "$pid" 2>/dev/null; then
            # A stopped server never handles SIGTERM.
            kill -CONT "$pid" 2>/dev/null || true
            kill "$pid" 2>/dev/null || true
            wait "$pid" 2>/dev/null || true
        fi
    done
    rm -rf "$runtime_dir"
    exit "$status"
}
trap cleanup EXIT
trap 'exit 130' INT TERM HUP

# Everything the server and its clients look up stays inside runtime_dir.
export XDG_RUNTIME_DIR="$runtime_dir"
export HOME="$runtime_dir"
export PULSE_SERVER="unix:$runtime_dir/pulse/native"
export PULSE_SINK=test
unset PULSE_SOURCE

# Not daemonized: it stays our child, so it also ends if we are killed.
pulseaudio -n --daemonize=no --exit-idle-time=-1 --disallow-exit --log-level=error \
    --load=module-native-protocol-unix \
    --load="module-null-sink sink_name=test rate=48000 channels=2" \
    --load=module-always-sink \
    >"$runtime_dir/server.log" 2>&1 &
server_pid=$!
# For tests that stop the server (SIGSTOP) to play a stalled audio server.
export TARNWICK_PULSE_PID=$server_pid

for _ in $(seq 100); do
    if pactl info >/dev/null 2>&1; then
        break
    fi
    if ! kill -0 "$server_pid" 2>/dev/null; then
        echo "the private PulseAudio server did not start:" >&2
        cat "$runtime_dir/server.log" >&2
        exit 1
    fi
    sleep 0.1
done

# An idle null sink renders nothing and its monitor records nothing: a stream
# of silence keeps the sink, and so the recording, on the wall clock.
pacat --latency-msec=10 --raw /dev/zero &
keeper_pid=$!

export TARNWICK_TEST_PULSE=1
"$@"
