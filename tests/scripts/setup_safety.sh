#!/usr/bin/env bash
# shellcheck disable=SC2317 # the checks are called by name from the table
# scripts/setup.sh against a stand-in apt-get and dpkg-query, one row per
# machine: what it asks apt for, and that it removes nothing, keeps what a
# login starts and never stops apt midway. Nothing is installed.
#
#   setup_safety.sh PATH/TO/scripts/setup.sh
set -euo pipefail
setup=$1
# The gate runs setup once and has the later steps skip it; this test runs it.
unset TARNWICK_SETUP_DONE
work=$(mktemp -d "${TMPDIR:-/tmp}/tarnwick-setup-test.XXXXXX")
nosudo=""
trap 'rm -rf "$work" ${nosudo:+"$nosudo"}' EXIT
mkdir -p "$work/bin" "$work/etc/xdg/autostart" "$work/cache/nginx/usr/sbin" "$work/no-cache"
status=0
fail() {
    echo "FAIL: $*"
    status=1
}

# dpkg-query: installed are the packages listed in $work/installed ("*": all).
cat >"$work/bin/dpkg-query" <<'STUB'
#!/usr/bin/env bash
grep -qxF -e "${!#}" -e "*" "$STUB_DIR/installed" && echo "install ok installed" ||
    echo "unknown ok not-installed"
STUB
# apt-get: notes its arguments and DEBIAN_FRONTEND; "install" takes STUB_APT_SECONDS,
# adds start-up entries as packages do, and exits with STUB_APT_STATUS.
cat >"$work/bin/apt-get" <<'STUB'
#!/usr/bin/env bash
echo "apt-get $* [DEBIAN_FRONTEND=$DEBIAN_FRONTEND]" >>"$STUB_DIR/apt.log"
[[ " $* " == *" install "* ]] || exit 0
sleep "${STUB_APT_SECONDS:-0}"
mkdir -p "$STUB_DIR/etc/systemd/user/default.target.wants"
touch "$STUB_DIR/etc/xdg/autostart/pulseaudio.desktop" \
    "$STUB_DIR/etc/systemd/user/default.target.wants/pulseaudio.service"
echo "apt-get install finished" >>"$STUB_DIR/apt.log"
echo "Setting up everything"
exit "${STUB_APT_STATUS:-0}"
STUB
# The tests' nginx, unpacked in the cache by an earlier run.
printf '#!/bin/sh\n' >"$work/cache/nginx/usr/sbin/nginx"
chmod +x "$work/bin/"* "$work/cache/nginx/usr/sbin/nginx"
export STUB_DIR=$work PATH="$work/bin:$PATH" TARNWICK_CACHE_HOME=$work/cache
export TARNWICK_SETUP_STARTUP_DIRS="$work/etc/systemd/user $work/etc/xdg/autostart"
touch "$work/etc/xdg/autostart/theirs.desktop"

# What must hold after a row's run.
apt_line() { grep -sE '^apt-get .* install ' "$work/apt.log" || true; }
installs() {
    for p; do [[ " $(apt_line) " == *" $p "* ]] || fail "$row: does not install $p: $(apt_line)"; done
}
installs_none() {
    for p; do [[ " $(apt_line) " != *" $p "* ]] || fail "$row: installs $p: $(apt_line)"; done
}
# apt removes nothing, waits for the lock, asks nothing, and is seen.
apt_is_safe() {
    for option in --no-remove "-o DPkg::Lock::Timeout=300" --no-install-recommends \
        "DEBIAN_FRONTEND=noninteractive"; do
        [[ $(apt_line) == *"$option"* ]] || fail "apt-get install without $option: $(apt_line)"
    done
    grep -q '^Setting up everything$' "$work/out" || fail "apt's output is hidden"
}
no_apt() { [[ ! -e $work/apt.log ]] || fail "$row: apt ran: $(cat "$work/apt.log")"; }
apt_finished() { grep -q '^apt-get install finished$' "$work/apt.log" || fail "$row stopped apt midway"; }
# The tests' nginx is fetched and unpacked, never installed (that would start a system service).
nginx_fetched() {
    grep -q '^apt-get download -q nginx ' "$work/apt.log" || fail "nginx not fetched: $(cat "$work/apt.log")"
    [[ -z $(apt_line) ]] || fail "nginx installed: $(apt_line)"
}
# What a login starts: an entry apt adds goes again, one that was there stays.
startup_kept() {
    [[ -e $work/etc/xdg/autostart/theirs.desktop ]] || fail "an autostart entry that was there was taken out"
    for entry in xdg/autostart/pulseaudio.desktop systemd/user/default.target.wants/pulseaudio.service; do
        [[ ! -e $work/etc/$entry ]] || fail "$row: $entry, added by a package, was left in"
        grep -qF "$work/etc/$entry" "$work/out" || fail "$row: $entry was taken out without saying so"
    done
}

pw="pipewire wireplumber pipewire-pulse"
#   name | installed packages | environment | option | signal during apt | status | checks
rows=(
    # The audio server the tests get follows the machine: never PulseAudio
    # beside PipeWire, never PipeWire where PulseAudio is or nothing is.
    "PulseAudio|pulseaudio||--test||0|installs pulseaudio-utils; installs_none $pw; startup_kept"
    "no audio|||--test||0|installs pulseaudio pulseaudio-utils; installs_none $pw; apt_is_safe"
    "PipeWire|pipewire pipewire-pulse pipewire-audio||--test||0|installs wireplumber pulseaudio-utils
        installs_none pulseaudio"
    "everything installed|*||--test||0|no_apt"
    "no nginx yet|*|TARNWICK_CACHE_HOME=$work/no-cache|--web-test||0|nginx_fetched"
    "apt fails||STUB_APT_STATUS=100|||100|startup_kept"
    # A signal to setup's process group, as Ctrl-C and time-outs send it:
    # apt finishes, then setup ends with the signal's status.
    "SIGINT||STUB_APT_SECONDS=2||INT|130|apt_finished"
    "SIGTERM||STUB_APT_SECONDS=2||TERM|143|apt_finished"
    "SIGHUP||STUB_APT_SECONDS=2||HUP|129|apt_finished"
)
# Job control gives setup a process group of its own, and keeps a background
# setup from starting with SIGINT ignored.
set -m
for case in "${rows[@]}"; do
    # (A row may go on over lines.)
    IFS='|' read -r row installed environment option signal expected checks <<<"${case//$'\n'/;}"
    tr ' ' '\n' <<<"$installed" >"$work/installed"
    rm -f "$work/apt.log"
    # shellcheck disable=SC2086 # words, or none
    env $environment "$setup" $option >"$work/out" 2>&1 &
    pid=$!
    if [[ -n $signal ]]; then
        for _ in $(seq 50); do grep -qs ' install ' "$work/apt.log" && break; sleep 0.1; done
        kill -"$signal" -- -"$pid"
    fi
    result=0
    wait "$pid" || result=$?
    ((result == expected)) || fail "$row: setup ended with $result, wanted $expected: $(cat "$work/out")"
    eval "$checks"
done

# Without root and without sudo: it says what to do, and runs no apt. (Only
# root can try it as another user.)
if ((EUID == 0)); then
    # Under /tmp itself: the user "nobody" cannot reach into the private
    # temporary folder a gate run gives its tests.
    nosudo=$(mktemp -d /tmp/tarnwick-nosudo.XXXXXX)
    for command in bash cat env id; do ln -s "$(command -v "$command")" "$nosudo/$command"; done
    printf '#!%s\necho "unknown ok not-installed"\n' "$(command -v bash)" >"$nosudo/dpkg-query"
    cp "$setup" "$nosudo/setup.sh"
    chmod 755 "$nosudo" "$nosudo/dpkg-query" "$nosudo/setup.sh"
    if said=$(setpriv --reuid=nobody --regid=nogroup --clear-groups \
        env -i PATH="$nosudo" "$nosudo/bash" "$nosudo/setup.sh" 2>&1); then
        fail "without sudo, setup passed: $said"
    fi
    [[ $said == *"sudo is not installed"*"su -c 'apt-get install --no-remove"* ]] ||
        fail "without sudo, no word on what to do: $said"
fi

((status == 0)) && echo "ok"
exit "$status"
