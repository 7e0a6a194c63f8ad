# shellcheck shell=bash
# The private audio server of a test session, sourced by scripts/x-session.sh
# (--pulse):
#
#   source scripts/audio-server.sh
#   audio_server_start   # in XDG_RUNTIME_DIR, logs in X_SESSION_DIR
#
# Either way its only sink is a null sink "test", recorded through
# "test.monitor", and clients reach it through the PulseAudio protocol at
# $XDG_RUNTIME_DIR/pulse/native, so every test makes the same calls and the
# same checks on both:
#  - a private PulseAudio where PulseAudio is installed;
#  - a private PipeWire (pipewire, wireplumber, pipewire-pulse) where PipeWire
#    is the machine's audio server instead (the two packages conflict), with
#    configuration of its own (scripts/pipewire/): no device monitor, no
#    Bluetooth, no D-Bus and so no real-time service.
# TARNWICK_AUDIO_SERVER=pulseaudio or pipewire picks one where both are there.
#
# Exports PULSE_SERVER, PULSE_SINK=test, TARNWICK_PULSE_PID (the process that
# serves the clients: stopping it stalls them) and TARNWICK_TEST_PULSE=1.
# Every server stays a child of the caller, which ends them.

audio_server_config="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)/pipewire"

# audio_server_kind: the server this machine has, "pulseaudio" or "pipewire".
audio_server_kind() {
    if [[ -n ${TARNWICK_AUDIO_SERVER:-} ]]; then
        echo "$TARNWICK_AUDIO_SERVER"
    elif command -v pulseaudio >/dev/null; then
        echo pulseaudio
    elif command -v pipewire >/dev/null && command -v pipewire-pulse >/dev/null &&
        command -v wireplumber >/dev/null; then
        echo pipewire
    else
        echo "no audio server for the tests (PulseAudio, or PipeWire with pipewire-pulse" \
            "and wireplumber): run scripts/setup.sh --test" >&2
        return 1
    fi
}

# audio_server_wait SECONDS COMMAND...: waits for COMMAND to succeed.
audio_server_wait() {
    local tries=$(($1 * 10))
    shift
    for _ in $(seq "$tries"); do
        "$@" >/dev/null 2>&1 && return 0
        sleep 0.1
    done
    return 1
}

# The sink the server offers clients by default is ours.
audio_server_ready() {
    LC_ALL=C pactl info 2>/dev/null | grep -qx 'Default Sink: test'
}

audio_server_start() {
    local kind log="$X_SESSION_DIR/audio.log"
    kind=$(audio_server_kind) || return 1
    export PULSE_SERVER="unix:$XDG_RUNTIME_DIR/pulse/native"
    export PULSE_SINK=test
    case $kind in
    pulseaudio)
        # Not daemonized: it stays our child.
        pulseaudio -n --daemonize=no --exit-idle-time=-1 --disallow-exit --log-level=error \
            --load=module-native-protocol-unix \
            --load="module-null-sink sink_name=test rate=48000 channels=2" \
            --load=module-always-sink \
            >"$log" 2>&1 &
        TARNWICK_PULSE_PID=$!
        ;;
    pipewire)
        # Only our configuration, only our runtime folder, and no system bus
        # either: the real-time service and BlueZ live there.
        local -a server_env=(env -u PIPEWIRE_REMOTE -u PIPEWIRE_CONFIG_NAME -u PIPEWIRE_CONFIG_PREFIX
            -u PIPEWIRE_CONFIG_FILE -u WIREPLUMBER_CONFIG_DIR
            PIPEWIRE_CONFIG_DIR="$audio_server_config" PIPEWIRE_RUNTIME_DIR="$XDG_RUNTIME_DIR"
            DBUS_SYSTEM_BUS_ADDRESS="unix:path=$X_SESSION_DIR/no-system-bus"
            DBUS_SESSION_BUS_ADDRESS="disabled:")
        "${server_env[@]}" pipewire -c pipewire.conf >"$log" 2>&1 &
        if ! audio_server_wait 10 test -S "$XDG_RUNTIME_DIR/pipewire-0"; then
            echo "the private PipeWire server did not start:" >&2
            cat "$log" >&2
            return 1
        fi
        "${server_env[@]}" WIREPLUMBER_CONFIG_DIR="$audio_server_config" wireplumber \
            >"$X_SESSION_DIR/audio-wireplumber.log" 2>&1 &
        mkdir -p "$XDG_RUNTIME_DIR/pulse" && chmod 700 "$XDG_RUNTIME_DIR/pulse"
        "${server_env[@]}" pipewire -c pipewire-pulse.conf >"$X_SESSION_DIR/audio-pulse.log" 2>&1 &
        TARNWICK_PULSE_PID=$!
        ;;
    *)
        echo "unknown audio server $kind (pulseaudio or pipewire)" >&2
        return 1
        ;;
    esac
    export TARNWICK_PULSE_PID
    if ! audio_server_wait 10 audio_server_ready; then
        echo "the private $kind server did not start:" >&2
        cat "$X_SESSION_DIR"/audio*.log >&2
        LC_ALL=C pactl info >&2 || true
        return 1
    fi
    # An idle null sink renders nothing and its monitor records nothing: a
    # stream of silence keeps the sink, and so the recording, on the wall clock.
    pacat --latency-msec=10 --raw /dev/zero 2>/dev/null &
    export TARNWICK_TEST_PULSE=1
}
