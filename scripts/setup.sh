#!/usr/bin/env bash
# Installs the Debian packages that building and playing Tarnwick need, and
# with an option also those that testing it needs. Quiet and quick when
# everything is already there.
#
#   scripts/setup.sh [--test | --package-test | --windows | --windows-test | --web | --web-test]
#
#   --test          everything scripts/test.sh needs (the Windows and web builds too)
#   --package-test  what the Debian package's checks need (the "package" presets)
#   --windows       what cross-compiling the Windows game needs
#   --windows-test  that, and what testing it under Wine needs
#   --web           what compiling the browser game needs
#   --web-test      that, and what testing it in Chromium, Firefox ESR and WebKitGTK needs
#
# Safe on a desktop: it removes nothing, keeps what a login starts as it was
# and never stops apt midway; each is explained where it is done, and
# docs/testing.md lists them all.
set -euo pipefail
# scripts/test.sh runs it once, with --test, before any of its steps.
[[ -z ${TARNWICK_SETUP_DONE:-} ]] || exit 0

packages=(
    # build
    cmake ninja-build g++ pkg-config ccache
    qt6-base-dev libgl-dev
    # sound: SDL's header (the library is loaded at run time)
    libsdl2-dev
    # the display check (libxcb); the benchmark's X11 probe
    libxcb1-dev libx11-dev
    # fonts the windows ask for by name; Qt's Wayland platform
    fonts-dejavu-core fonts-urw-base35 qt6-wayland
)

# The private audio server of the tests (scripts/session.py) is of the
# kind the machine has; pulseaudio-utils records it either way.
installed() { [[ $(dpkg-query -W -f='${Status}' "$1" 2>/dev/null) == "install ok installed" ]]; }
if ! installed pulseaudio && installed pipewire-pulse; then
    audio_packages=(pipewire pipewire-pulse wireplumber pulseaudio-utils)
else
    audio_packages=(pulseaudio pulseaudio-utils)
fi

# A private session for the tests: X server, window managers, session bus.
session_packages=(xvfb xauth openbox mutter x11-utils weston dbus dbus-x11 xdotool)
test_packages=(
    libgtest-dev libgmock-dev googletest
    # the tests record the private audio server through libpulse
    libpulse-dev
    # (dbus-x11 too, so that a bus auto-launch would show up as a failure)
    "${session_packages[@]}" "${audio_packages[@]}"
    # the accessibility tree, read as a screen reader reads it
    at-spi2-core python3 python3-pyatspi
    # pictures for the README
    imagemagick
    # hardening: the clang sanitizer and fuzzer build, memcheck and helgrind,
    # the file trace, the lint
    clang libclang-rt-14-dev valgrind strace clang-format clang-tidy
)
# The Debian package: CPack's dependency scan, checks of what it holds and
# Debian's own checker; the game unpacked from it, played in a private session.
package_test_packages=(dpkg-dev file desktop-file-utils appstream groff-base lintian
    "${session_packages[@]}" "${audio_packages[@]}")
# The Windows build: MinGW-w64 with the posix thread model (std::thread);
# NSIS for its installer; GoogleTest as sources, built for Windows.
windows_packages=(g++-mingw-w64-x86-64-posix nsis googletest)
# Its tests: Wine with its fonts and the colour cursors' Xcursor (not pulled
# in without recommends), in a private session that listens for the cues;
# the pictures' checks.
windows_test_packages=(wine wine64 fonts-wine libxcursor1 "${session_packages[@]}" "${audio_packages[@]}"
    file imagemagick)
# The browser game: Debian's Emscripten (it brings a Node.js unless one is
# there). Its tests: Debian's Chromium, driven from Node by a client that npm
# installs; npm is looked for as a command, as Node may come from elsewhere.
web_packages=(emscripten)
web_test_packages=(chromium firefox-esr webkit2gtk-driver "${audio_packages[@]}")
command -v npm >/dev/null || web_test_packages+=(npm)
case ${1:-} in
"") ;;
--test) packages+=("${test_packages[@]}" "${package_test_packages[@]}" "${windows_packages[@]}"
    "${windows_test_packages[@]}" "${web_packages[@]}" "${web_test_packages[@]}") ;;
--package-test) packages+=("${package_test_packages[@]}") ;;
--windows) packages+=("${windows_packages[@]}") ;;
--windows-test) packages+=("${windows_packages[@]}" "${windows_test_packages[@]}") ;;
--web) packages+=("${web_packages[@]}") ;;
--web-test) packages+=("${web_packages[@]}" "${web_test_packages[@]}") ;;
*)
    echo "usage: scripts/setup.sh [--test | --package-test | --windows | --windows-test | --web | --web-test]" >&2
    exit 2
    ;;
esac

# The browser tests' private web server: Debian's nginx binary (in
# Debian 12 the package nginx holds it; nginx-light is a wrapper), unpacked
# into the cache, never installed, as installing the package starts and
# enables a system service.
fetch_private_nginx() {
    command -v nginx >/dev/null && return 0
    local cache_home=${TARNWICK_CACHE_HOME:-${XDG_CACHE_HOME:-$HOME/.cache}/tarnwick}
    local folder="$cache_home/nginx"
    [[ -x $folder/usr/sbin/nginx ]] && return 0
    mkdir -p "$folder"
    local download
    download=$(mktemp -d)
    if (cd "$download" && apt-get download -q nginx >&2) && dpkg-deb -x "$download"/nginx_*.deb "$folder"; then
        echo "setup.sh: nginx unpacked in $folder" >&2
    else
        echo "setup.sh: could not fetch nginx into $folder (the web server tests need it)" >&2
    fi
    rm -rf "$download"
}
case ${1:-} in
--test | --web-test) fetch_private_nginx ;;
esac

missing=()
declare -A seen=()
for package in "${packages[@]}"; do
    [[ -n ${seen[$package]:-} ]] && continue
    seen[$package]=1
    installed "$package" || missing+=("$package")
done
((${#missing[@]} == 0)) && exit 0

sudo_cmd=()
if ((EUID != 0)); then
    if ! command -v sudo >/dev/null; then
        cat >&2 <<EOF
setup.sh: these packages are missing, and installing them needs root, but
sudo is not installed. Either install them as root:
    su -c 'apt-get install --no-remove --no-install-recommends ${missing[*]}'
or install sudo as root (apt-get install sudo), add yourself to the group
"sudo" (adduser $(id -un) sudo), log in again and run this script again.
EOF
        exit 1
    fi
    sudo_cmd=(sudo)
    # Asks for the password now, while Ctrl-C may still stop everything.
    sudo -v
fi

echo "setup.sh: installing ${missing[*]}"

# What a login starts for every account: user services and autostart entries.
# (Other folders in TARNWICK_SETUP_STARTUP_DIRS, for setup's own tests.)
read -ra startup_dirs <<<"${TARNWICK_SETUP_STARTUP_DIRS:-/etc/systemd/user /etc/xdg/autostart /etc/xdg/Xwayland-session.d}"
startup_entries() {
    # A folder may not be there (yet): find then says so and fails.
    { find "${startup_dirs[@]}" -mindepth 1 \( -type l -o -type f \) -print 2>/dev/null || true; } | LC_ALL=C sort
}
startup_before=$(startup_entries)

lock_timeout=${TARNWICK_APT_LOCK_TIMEOUT:-300}
signalled=""
trap '[[ -n $signalled ]] || signalled=INT' INT
trap '[[ -n $signalled ]] || signalled=TERM' TERM
trap '[[ -n $signalled ]] || signalled=HUP' HUP
# run_apt ARGS...: apt-get as root, non-interactive, in a session of its own with
# the usual signals ignored, so neither Ctrl-C nor a kill of our process group
# stops it while dpkg configures (a half-configured dpkg is worse than waiting).
run_apt() {
    (
        trap '' INT TERM HUP
        exec "${sudo_cmd[@]}" setsid --wait env DEBIAN_FRONTEND=noninteractive \
            apt-get -o DPkg::Lock::Timeout="$lock_timeout" "$@"
    )
}

status=0
run_apt update -q || status=$?
((status == 0)) || echo "setup.sh: apt-get update failed (see above); nothing was installed" >&2
if ((status == 0)) && [[ -z $signalled ]]; then
    run_apt install -y -q --no-remove --no-install-recommends "${missing[@]}" || status=$?
    if ((status != 0)); then
        echo "setup.sh: apt could not install ${missing[*]} without removing anything" \
            "(or the package lock stayed taken for ${lock_timeout} s); nothing was removed" >&2
    fi
fi

# Entries the packages just added are taken out again (the packages keep
# them out on upgrades: dpkg keeps a deleted configuration file deleted, and
# deb-systemd-helper a disabled service disabled).
mapfile -t added < <(comm -13 <(echo "$startup_before") <(startup_entries))
if ((${#added[@]})); then
    echo "setup.sh: leaving what a login starts as it was; taking out what was just added:"
    printf '    %s\n' "${added[@]}"
    "${sudo_cmd[@]}" rm -f -- "${added[@]}"
fi

if [[ -n $signalled ]]; then
    echo "setup.sh: stopped by SIG$signalled once apt had finished" >&2
    case $signalled in
    INT) exit 130 ;;
    TERM) exit 143 ;;
    HUP) exit 129 ;;
    esac
fi
exit "$status"
