#!/usr/bin/env bash
# Installs the Debian packages that building and playing Tarnwick need, and
# with an option those that testing it needs. Quiet when all are there.
#
#   scripts/setup.sh [--test | --package-test | --windows | --windows-test | --web | --web-test]
#
# Safe on a desktop: it removes nothing, keeps what a login starts as it was
# and never stops apt midway (docs/testing.md).
set -euo pipefail
[[ -z ${TARNWICK_SETUP_DONE:-} ]] || exit 0 # the gate's later steps: it ran once, with --test

packages=(
    cmake ninja-build g++ pkg-config ccache qt6-base-dev libgl-dev
    # SDL's header (the library is loaded at run time); the display check
    # (libxcb) and the benchmark's X11 probe
    libsdl2-dev libxcb1-dev libx11-dev
    # fonts the windows ask for by name; Qt's Wayland platform
    fonts-dejavu-core fonts-urw-base35 qt6-wayland
)
# The tests' private audio server (scripts/session.py) is of the machine's
# kind; pulseaudio-utils records it either way.
installed() { [[ $(dpkg-query -W -f='${Status}' "$1" 2>/dev/null) == "install ok installed" ]]; }
if ! installed pulseaudio && installed pipewire-pulse; then
    audio=(pipewire pipewire-pulse wireplumber pulseaudio-utils)
else
    audio=(pulseaudio pulseaudio-utils)
fi
# A private X server, window managers and session bus (dbus-x11 too, so that
# a bus auto-launch would show up as a failure).
session=(xvfb xauth openbox mutter x11-utils weston dbus dbus-x11 xdotool "${audio[@]}")
# libpulse records the private audio server; at-spi reads the accessibility
# tree as a screen reader does; imagemagick makes the README's pictures; the
# rest: sanitizers, fuzzer, memcheck and helgrind, the file trace, the lint.
test_packages=(libgtest-dev libgmock-dev googletest libpulse-dev "${session[@]}" at-spi2-core python3
    python3-pyatspi imagemagick clang libclang-rt-14-dev valgrind strace clang-format clang-tidy)
# The Debian package: CPack's dependency scan, checks of what it holds and
# Debian's own checker; the game unpacked from it, played in a private session.
package_test_packages=(dpkg-dev file desktop-file-utils appstream groff-base lintian "${session[@]}")
# MinGW-w64 with posix threads (std::thread), NSIS, GoogleTest's sources.
windows_packages=(g++-mingw-w64-x86-64-posix nsis googletest)
# Wine with its fonts and the colour cursors' Xcursor (not pulled in without
# recommends), in a private session that listens for the cues.
windows_test_packages=(wine wine64 fonts-wine libxcursor1 "${session[@]}" file imagemagick)
# Debian's Emscripten (it brings a Node.js unless one is there); the browsers,
# driven from Node by clients that npm installs.
web_packages=(emscripten)
web_test_packages=(chromium firefox-esr webkit2gtk-driver "${audio[@]}")
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

# The browser tests' web server: Debian's nginx binary, unpacked into the
# cache and never installed, as the package starts and enables a service.
nginx_folder=""
if [[ ${1:-} == --test || ${1:-} == --web-test ]] && ! command -v nginx >/dev/null; then
    nginx_folder=${TARNWICK_CACHE_HOME:-${XDG_CACHE_HOME:-$HOME/.cache}/tarnwick}/nginx
fi
if [[ -n $nginx_folder && ! -x $nginx_folder/usr/sbin/nginx ]]; then
    download=$(mktemp -d)
    mkdir -p "$nginx_folder"
    if (cd "$download" && apt-get download -q nginx >&2) && dpkg-deb -x "$download"/nginx_*.deb "$nginx_folder"; then
        echo "setup.sh: nginx unpacked in $nginx_folder" >&2
    else
        echo "setup.sh: could not fetch nginx into $nginx_folder (the web server tests need it)" >&2
    fi
    rm -rf "$download"
fi

missing=()
for package in "${packages[@]}"; do
    [[ " ${missing[*]} " == *" $package "* ]] || installed "$package" || missing+=("$package")
done
((${#missing[@]} == 0)) && exit 0

sudo=()
if ((EUID != 0)); then
    if ! command -v sudo >/dev/null; then
        echo "setup.sh: installing ${missing[*]} needs root, and sudo is not installed. As root, run" \
            "su -c 'apt-get install --no-remove --no-install-recommends ${missing[*]}'," \
            "or install sudo, add yourself to the group sudo (adduser $(id -un) sudo) and log in again." >&2
        exit 1
    fi
    sudo=(sudo)
    sudo -v # the password now, while Ctrl-C may still stop everything
fi
echo "setup.sh: installing ${missing[*]}"

# What a login starts for every account: user services and autostart entries
# (TARNWICK_SETUP_STARTUP_DIRS: other folders, for setup's own tests).
read -ra startup_dirs <<<"${TARNWICK_SETUP_STARTUP_DIRS:-/etc/systemd/user /etc/xdg/autostart /etc/xdg/Xwayland-session.d}"
startup_entries() {
    { find "${startup_dirs[@]}" -mindepth 1 \( -type l -o -type f \) -print 2>/dev/null || true; } | LC_ALL=C sort
}
startup_before=$(startup_entries)

lock_timeout=${TARNWICK_APT_LOCK_TIMEOUT:-300} signalled=""
trap '[[ -n $signalled ]] || signalled=INT' INT
trap '[[ -n $signalled ]] || signalled=TERM' TERM
trap '[[ -n $signalled ]] || signalled=HUP' HUP
# apt-get in a session of its own with the usual signals ignored: neither
# Ctrl-C nor a kill of our process group stops it while dpkg configures (a
# half-configured dpkg is worse than waiting).
run_apt() {
    (
        trap '' INT TERM HUP
        exec "${sudo[@]}" setsid --wait env DEBIAN_FRONTEND=noninteractive \
            apt-get -o DPkg::Lock::Timeout="$lock_timeout" "$@"
    )
}
status=0
run_apt update -q || status=$?
if ((status != 0)); then
    echo "setup.sh: apt-get update failed (see above); nothing was installed" >&2
elif [[ -z $signalled ]]; then
    run_apt install -y -q --no-remove --no-install-recommends "${missing[@]}" || status=$?
    ((status == 0)) || echo "setup.sh: apt could not install ${missing[*]} without removing anything" \
        "(or the package lock stayed taken for ${lock_timeout} s); nothing was removed" >&2
fi

# Entries the packages just added are taken out again (and stay out on
# upgrades: dpkg and deb-systemd-helper respect their removal).
mapfile -t added < <(comm -13 <(echo "$startup_before") <(startup_entries))
if ((${#added[@]})); then
    echo "setup.sh: leaving what a login starts as it was; taking out what was just added:"
    printf '    %s\n' "${added[@]}"
    "${sudo[@]}" rm -f -- "${added[@]}"
fi
if [[ -n $signalled ]]; then
    echo "setup.sh: stopped by SIG$signalled once apt had finished" >&2
    exit $((128 + $(kill -l "$signalled")))
fi
exit "$status"
