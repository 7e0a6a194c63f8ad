#!/usr/bin/env bash
# Installs the Debian packages that building and playing Tarnwick need, and
# with --test also those that its tests need. Quiet and quick when everything
# is already there.
#
#   scripts/setup.sh [--test | --windows]
#
# --windows adds what cross-compiling the Windows game needs.
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
test_packages=(
    libgtest-dev libgmock-dev googletest
    # the tests record the private audio server through libpulse
    libpulse-dev
    # a private desktop: X server, window managers, audio server, session bus
    # (dbus-x11 too, so that a bus auto-launch would show up as a failure)
    xvfb xauth openbox mutter x11-utils weston dbus dbus-x11
    pulseaudio pulseaudio-utils
    # the accessibility tree, read as a screen reader reads it
    at-spi2-core python3 python3-pyatspi
    # the Debian package: CPack's dependency scan, checks of what it holds,
    # driving the game it installs; pictures for the README
    dpkg-dev file desktop-file-utils appstream groff-base
    xdotool imagemagick
    # hardening: the clang sanitizer and fuzzer build, memcheck and helgrind,
    # the file trace, the lint
    clang libclang-rt-14-dev valgrind strace clang-format clang-tidy
    # the Windows build's tests: Wine with its fonts and the colour cursors'
    # Xcursor (not pulled in without recommends)
    wine wine64 fonts-wine libxcursor1
)
# the Windows build: MinGW-w64 with the posix thread model (std::thread);
# NSIS for its installer
windows_packages=(g++-mingw-w64-x86-64-posix nsis)
case ${1:-} in
--test) packages+=("${test_packages[@]}" "${windows_packages[@]}") ;;
--windows) packages+=("${windows_packages[@]}") ;;
esac

missing=()
for package in "${packages[@]}"; do
    status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
    if [[ "$status" != "install ok installed" ]]; then
        missing+=("$package")
    fi
done

if ((${#missing[@]} == 0)); then
    exit 0
fi

sudo_cmd=()
if ((EUID != 0)); then
    sudo_cmd=(sudo)
fi

echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
