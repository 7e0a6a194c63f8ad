#!/usr/bin/env bash
# Installs the Debian packages that building, playing and testing Tarnwick need.
# Quiet and quick when everything is already there.
set -euo pipefail

packages=(
    # build
    cmake ninja-build g++ pkg-config
    qt6-base-dev libgl-dev
    libgtest-dev libgmock-dev
    # sound: SDL's header (the library is loaded at run time); the tests
    # record through libpulse
    libsdl2-dev libpulse-dev
    # fonts the windows ask for by name
    fonts-dejavu-core fonts-urw-base35
    # tests: a real X server, a window manager, a private audio server
    xvfb xauth openbox x11-utils
    pulseaudio pulseaudio-utils
    # the Debian package: CPack's dependency scan, checks of what it holds,
    # driving the game it installs; pictures for the README
    dpkg-dev file desktop-file-utils appstream groff-base
    xdotool imagemagick
    # hardening: the display check (libxcb), the fuzzer (clang, libFuzzer),
    # memcheck, the file trace, the benchmark's X11 probe
    libxcb1-dev clang libclang-rt-14-dev valgrind strace libx11-dev
)

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
