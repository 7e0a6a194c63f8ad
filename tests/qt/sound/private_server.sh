#!/usr/bin/env bash
# The private audio server that scripts/x-session.sh --pulse starts, whichever
# kind the machine has: its only device is the null sink "test" with its
# monitor, the default for every stream, and no sound card is in sight (a
# device monitor would add the machine's cards and their sinks).
set -euo pipefail
: "${TARNWICK_TEST_PULSE:?run through scripts/x-session.sh --pulse}"
export LC_ALL=C
status=0
fail() {
    echo "FAIL: $*"
    status=1
}

info=$(pactl info)
# expect WHAT ACTUAL WANTED
expect() { [[ $2 == "$3" ]] || fail "$1: got '${2//$'\n'/ | }', wanted '$3'"; }
expect "server socket" "$(sed -n 's/^Server String: //p' <<<"$info")" "$PULSE_SERVER"
expect "default sink" "$(sed -n 's/^Default Sink: //p' <<<"$info")" test
expect "sinks" "$(pactl list short sinks | cut -f2)" test
expect "sources" "$(pactl list short sources | cut -f2)" test.monitor
expect "cards" "$(pactl list short cards)" ""
expect "modules that look for devices" \
    "$(pactl list short modules | cut -f2 | grep -E 'udev|detect|alsa|bluetooth|bluez|jack' || true)" ""

# The kind the machine has: PipeWire only where PulseAudio is not installed
# (or where TARNWICK_AUDIO_SERVER asks for it).
server=$(sed -n 's/^Server Name: //p' <<<"$info")
kind=${TARNWICK_AUDIO_SERVER:-$(command -v pulseaudio >/dev/null && echo pulseaudio || echo pipewire)}
if [[ $kind == pulseaudio ]]; then
    expect "server" "$server" pulseaudio
else
    [[ $server == "PulseAudio (on PipeWire "* ]] || fail "server: $server, wanted PipeWire's"
    if ! nodes=$(pw-cli ls Node 2>&1) || ! grep -q 'node.name = "test"' <<<"$nodes"; then
        fail "pw-cli does not see the sink: $nodes"
    fi
    expect "PipeWire devices" "$(pw-cli ls Device | grep -c 'device.name' || true)" 0
fi

# The server that TARNWICK_PULSE_PID names is the one the clients talk to:
# stopped, it answers nobody.
kill -STOP "$TARNWICK_PULSE_PID"
if timeout 2 pactl info >/dev/null 2>&1; then
    fail "pactl answered while TARNWICK_PULSE_PID was stopped"
fi
kill -CONT "$TARNWICK_PULSE_PID"
timeout 5 pactl info >/dev/null || fail "no answer once TARNWICK_PULSE_PID runs again"

((status == 0)) && echo "ok: $server, one null sink"
exit "$status"
