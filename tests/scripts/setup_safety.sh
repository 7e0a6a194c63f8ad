#!/usr/bin/env bash
# scripts/setup.sh against a stand-in apt-get and dpkg-query: which audio
# packages it asks for on each kind of machine, that apt may never remove
# anything, that a signal waits for apt to finish, and that what a package
# adds to a login's start-up is taken out again. Nothing is installed.
#
#   setup_safety.sh PATH/TO/scripts/setup.sh
set -euo pipefail
setup=$1
# The gate runs setup once and has the later steps skip it; this test runs it.
unset TARNWICK_SETUP_DONE
work=$(mktemp -d "${TMPDIR:-/tmp}/tarnwick-setup-test.XXXXXX")
nosudo=""
trap 'rm -rf "$work" ${nosudo:+"$nosudo"}' EXIT
mkdir -p "$work/bin"
status=0
fail() {
    echo "FAIL: $*"
    status=1
}

# dpkg-query: installed are the packages listed in $work/installed.
cat >"$work/bin/dpkg-query" <<'STUB'
#!/usr/bin/env bash
package=${!#}
grep -qxF -- "$package" "$STUB_DIR/installed" && echo "install ok installed" || echo "unknown ok not-installed"
STUB
# apt-get: notes its arguments and DEBIAN_FRONTEND; "install" takes
# STUB_APT_SECONDS, adds the start-up entries in $work/adds and exits with
# STUB_APT_STATUS.
cat >"$work/bin/apt-get" <<'STUB'
#!/usr/bin/env bash
echo "apt-get $* [DEBIAN_FRONTEND=$DEBIAN_FRONTEND]" >>"$STUB_DIR/apt.log"
[[ " $* " == *" install "* ]] || exit 0
sleep "${STUB_APT_SECONDS:-0}"
while IFS= read -r entry; do mkdir -p "$(dirname "$entry")" && touch "$entry"; done <"$STUB_DIR/adds"
echo "apt-get install finished" >>"$STUB_DIR/apt.log"
echo "Setting up everything"
exit "${STUB_APT_STATUS:-0}"
STUB
chmod +x "$work/bin/"*
export STUB_DIR=$work PATH="$work/bin:$PATH"
export TARNWICK_SETUP_STARTUP_DIRS="$work/etc/systemd/user $work/etc/xdg/autostart"
# The tests' nginx, unpacked there by an earlier run.
export TARNWICK_CACHE_HOME=$work/cache
mkdir -p "$work/cache/nginx/usr/sbin"
printf '#!/bin/sh\n' >"$work/cache/nginx/usr/sbin/nginx"
chmod +x "$work/cache/nginx/usr/sbin/nginx"

# run_setup INSTALLED ADDS ARGS...: a fresh machine with INSTALLED packages
# (space-separated) where installing adds the start-up entries ADDS.
run_setup() {
    tr ' ' '\n' <<<"$1" >"$work/installed"
    tr ' ' '\n' <<<"$2" | sed "/^$/d; s|^|$work|" >"$work/adds"
    shift 2
    rm -f "$work/apt.log"
    "$setup" "$@" >"$work/out" 2>&1
}
install_line() { grep -E '^apt-get .* install ' "$work/apt.log" || true; }

# Which audio server the tests get, by what the machine has: never PulseAudio
# beside PipeWire, never PipeWire where PulseAudio is or nothing is.
#   machine's packages | wanted in the install | unwanted in it
cases=(
    "pulseaudio|pulseaudio-utils|pipewire wireplumber pipewire-pulse"
    "|pulseaudio pulseaudio-utils|pipewire wireplumber pipewire-pulse"
    "pipewire pipewire-pulse pipewire-audio|wireplumber pulseaudio-utils|pulseaudio"
)
for case in "${cases[@]}"; do
    IFS='|' read -r machine wanted unwanted <<<"$case"
    run_setup "$machine" "" --test || fail "[$machine] setup failed: $(cat "$work/out")"
    line=" $(install_line) "
    for package in $wanted; do
        [[ $line == *" $package "* ]] || fail "[$machine] does not install $package: $line"
    done
    for package in $unwanted; do
        [[ $line != *" $package "* ]] || fail "[$machine] installs $package: $line"
    done
done

# apt removes nothing, waits for the lock, asks nothing, and is seen.
line=$(install_line)
for option in --no-remove "-o DPkg::Lock::Timeout=300" --no-install-recommends "DEBIAN_FRONTEND=noninteractive"; do
    [[ $line == *"$option"* ]] || fail "apt-get install without $option: $line"
done
grep -q '^Setting up everything$' "$work/out" || fail "apt's output is hidden"

# Nothing missing: no apt at all.
everything=$(bash -c 'source <(sed -n "/^packages=(/,/^esac/p" "$1" | sed "s/^case.*/true; : <<\"END\"/; s/^esac/END/")
    printf "%s\n" "${packages[@]}" "${test_packages[@]}" "${package_test_packages[@]}" \
        "${windows_packages[@]}" "${windows_test_packages[@]}" "${web_packages[@]}" "${web_test_packages[@]}"' _ "$setup" |
    tr ' ' '\n' | sort -u | xargs)
run_setup "$everything" "" --test || fail "setup failed with everything installed: $(cat "$work/out")"
[[ ! -e $work/apt.log ]] || fail "apt ran with everything installed: $(cat "$work/apt.log")"

# The tests' nginx is fetched and unpacked, never installed (that would start
# a system service).
rm -r "$work/cache/nginx"
run_setup "$everything" "" --web-test || fail "setup failed without nginx: $(cat "$work/out")"
grep -q '^apt-get download -q nginx ' "$work/apt.log" || fail "nginx not fetched: $(cat "$work/apt.log" 2>&1)"
[[ -z $(install_line) ]] || fail "nginx installed: $(install_line)"

# What a login starts: an entry apt adds goes again, one that was there stays.
mkdir -p "$work/etc/xdg/autostart"
touch "$work/etc/xdg/autostart/theirs.desktop"
run_setup pulseaudio "/etc/xdg/autostart/pulseaudio.desktop /etc/systemd/user/default.target.wants/pulseaudio.service" ||
    fail "setup failed: $(cat "$work/out")"
[[ -e $work/etc/xdg/autostart/theirs.desktop ]] || fail "an autostart entry that was there was taken out"
for entry in etc/xdg/autostart/pulseaudio.desktop etc/systemd/user/default.target.wants/pulseaudio.service; do
    [[ ! -e $work/$entry ]] || fail "$entry, added by a package, was left in"
    grep -qF "$work/$entry" "$work/out" || fail "$entry was taken out without saying so"
done

# A failing apt is a failing setup.
STUB_APT_STATUS=100 run_setup "" "" && fail "setup passed although apt failed"

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
    if ! grep -q "sudo is not installed" <<<"$said" || ! grep -q "su -c 'apt-get install --no-remove" <<<"$said"; then
        fail "without sudo, no word on what to do: $said"
    fi
fi

# A signal during apt: apt finishes, then setup ends with the signal's status.
# (Job control gives setup a process group of its own, and keeps a background
# setup from starting with SIGINT ignored.)
set -m
for signal in INT:130 TERM:143 HUP:129; do
    tr ' ' '\n' <<<"" >"$work/installed"
    : >"$work/adds"
    rm -f "$work/apt.log"
    STUB_APT_SECONDS=2 "$setup" >"$work/out" 2>&1 &
    pid=$!
    for _ in $(seq 50); do grep -qs ' install ' "$work/apt.log" && break; sleep 0.1; done
    # To the whole process group, as Ctrl-C and time-outs send it.
    kill -"${signal%:*}" -- -"$pid"
    result=0
    wait "$pid" || result=$?
    grep -q '^apt-get install finished$' "$work/apt.log" || fail "SIG${signal%:*} stopped apt midway"
    ((result == ${signal#*:})) || fail "SIG${signal%:*}: setup ended with $result, wanted ${signal#*:}"
done

((status == 0)) && echo "ok"
exit "$status"
