#!/usr/bin/env bash
# Tests the Windows zip and installer under Wine as a player uses them: the
# zip unpacked into a folder named in Cyrillic and Chinese, a silent install,
# the same installer again as an upgrade, a silent uninstall next to a file of
# the player's own, and one version number everywhere. scripts/test-windows.sh
# runs it in its own session (sharing its Wine prefix and server); alone, it
# builds and makes a session of its own. Ends with "N passed, N failed".
set -euo pipefail
cd "$(dirname "$0")/.."

if [[ ${1:-} != --in-session ]]; then
    scripts/setup.sh --windows-test
    scripts/build-windows.sh >/dev/null
    # Alone, a prefix of its own: the caller's may be a real one.
    exec env -u WINEPREFIX -u WINEARCH scripts/x-session.sh -- "$0" --in-session
fi

source scripts/wine-session.sh
# Shares only the prefix scripts/test-windows.sh made in this session.
if [[ ${WINEPREFIX:-} != "$X_SESSION_DIR"/* ]]; then
    trap wine_session_stop EXIT
    wine_session_start "$X_SESSION_DIR/wine"
fi
source tests/win32/windows_game.sh

version=$(sed -nE 's/^CMAKE_PROJECT_VERSION:STATIC=(.*)/\1/p' build/windows/CMakeCache.txt)
app=build/windows/win32/app
# The newest of each, whatever version its name says: versions_agree reads it.
# shellcheck disable=SC2012
zip=$(ls -t build/windows/package/tarnwick-*-windows-x64.zip | head -n 1)
# shellcheck disable=SC2012
setup=$(ls -t build/windows/package/tarnwick-*-windows-x64-setup.exe | head -n 1)
files=(tarnwick.exe pickup.WAV pegdrop.WAV winner.WAV loser.WAV loser4.WAV loser3.WAV LICENSE.txt README.txt)
installed="$WINEPREFIX/drive_c/Program Files/Tarnwick"
shortcut="$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Tarnwick.lnk"
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall'

# plays EXE: its window appears, and QUIT ends it.
plays() {
    win_start "$1" || { echo "  no window from $1" >&2; return 1; }
    win_quit
}

zip_plays() {
    local folder="$win_dir/Тарнвик 塔恩威克"
    mkdir -p "$folder"
    (cd "$folder" && cmake -E tar xf "$OLDPWD/$zip")
    local held
    held=$(find "$folder" -mindepth 1 -printf '%f\n' | sort)
    [[ $held == $(printf '%s\n' "${files[@]}" | sort) ]] || { echo "  the zip holds ${held//$'\n'/ }" >&2; return 1; }
    [[ $(grep -c $'\r$' "$folder/README.txt") == $(wc -l <"$folder/README.txt") ]] ||
        { echo "  README.txt has lines without CR" >&2; return 1; }
    plays "$folder/tarnwick.exe"
}

# key_value NAME: the uninstall entry's value NAME, as the 64-bit registry has it.
key_value() {
    wine_run reg query "$uninstall_key\\Tarnwick" /v "$1" /reg:64 2>/dev/null |
        tr -d '\r' | awk -v name="$1" '$1 == name { $1 = ""; $2 = ""; sub(/^ +/, ""); print }'
}

# installed_as_built: every file in Program Files\Tarnwick, the same bytes as built.
installed_as_built() {
    local name built
    for name in "${files[@]}"; do
        case $name in
        LICENSE.txt) built=LICENSE ;;
        README.txt) built=build/windows/packaging/README.txt ;;
        *) built=$app/$name ;;
        esac
        cmp -s "$built" "$installed/$name" || { echo "  $name is not as built" >&2; return 1; }
    done
}

installs() {
    wine_run "$setup" /S >/dev/null 2>&1 || true
    installed_as_built || return 1
    [[ -f $installed/uninstall.exe && -f $shortcut ]] || { echo "  no uninstaller or shortcut" >&2; return 1; }
    local entry
    entry="$(key_value DisplayName)|$(key_value DisplayVersion)|$(key_value Publisher)|$(key_value QuietUninstallString)"
    [[ $entry == "Tarnwick|$version|The Tarnwick developers|\"C:\\Program Files\\Tarnwick\\uninstall.exe\" /S" ]] ||
        { echo "  uninstall entry $entry" >&2; return 1; }
    local size
    size=$(key_value EstimatedSize)
    if ! [[ $size =~ ^0x[0-9a-f]+$ ]] || ((size < 1000)); then
        echo "  estimated size $size" >&2
        return 1
    fi
}

# The same installer over a replaced cue: the default comes back, one entry.
upgrades() {
    echo "not a wave file" >"$installed/pegdrop.WAV"
    wine_run "$setup" /S >/dev/null 2>&1 || true
    installed_as_built || return 1
    local entries
    entries=$(wine_run reg query "$uninstall_key" /reg:64 2>/dev/null | grep -ci 'Uninstall\\Tarnwick' || true)
    ((entries == 1)) || { echo "  $entries uninstall entries" >&2; return 1; }
}

# The installer run silently while the installed game plays: it closes the
# game, as QUIT does, and installs. (Wine does not lock a running program's
# file as Windows does, so the game's own end is what shows it was found.)
installs_over_running_game() {
    win_start "$installed/tarnwick.exe" || return 1
    echo "not a wave file" >"$installed/pegdrop.WAV"
    local status=0
    wine_run "$setup" /S >/dev/null 2>&1 || status=$?
    win_ended 1 || { echo "  the installer left the game running" >&2; return 1; }
    ((status == 0)) || { echo "  installer status $status" >&2; return 1; }
    installed_as_built
}

# win_setup_question: the id of the installer's question, once it shows.
win_setup_question() {
    tarnwick_wait_window "Tarnwick Setup" 20
}

# ask_over_running_game: starts the installed game, with a file of the
# player's beside it, then the installer (its process in the caller's
# $installer), and waits until it asks whether to close the game.
ask_over_running_game() {
    win_start "$installed/tarnwick.exe" || return 1
    echo "not a wave file" >"$installed/pegdrop.WAV"
    wine_run "$setup" >/dev/null 2>&1 &
    installer=$!
    win_setup_question >/dev/null || { echo "  no question" >&2; kill "$installer"; return 1; }
    sleep 0.5
}

# Asked whether to close the game, the player says Cancel (Esc): the
# installer stops with status 2, the game plays on, no file is touched.
install_over_running_game_cancelled() {
    local installer status=0
    ask_over_running_game || return 1
    xdotool key Escape
    wait "$installer" || status=$?
    ((status == 2)) || { echo "  installer status $status" >&2; return 1; }
    kill -0 "$game_pid" 2>/dev/null || { echo "  the game was closed" >&2; return 1; }
    [[ $(cat "$installed/pegdrop.WAV") == "not a wave file" ]] ||
        { echo "  the installer changed the folder" >&2; return 1; }
    win_quit
}

# Asked whether to close the game, the player says OK (Enter): the game
# ends, and the installer's pages follow (Enter takes each: "I Agree",
# "Install", "Finish") to an installation as built.
install_over_running_game_accepted() {
    local installer status=0
    ask_over_running_game || return 1
    xdotool key Return
    win_ended 10 || { kill "$installer"; return 1; }
    local page
    for page in license folder finish; do
        sleep 1.5
        kill -0 "$installer" 2>/dev/null || break
        xdotool key Return
    done
    local tries
    for tries in $(seq 50); do
        kill -0 "$installer" 2>/dev/null || break
        sleep 0.2
    done
    kill -0 "$installer" 2>/dev/null && { echo "  the installer is still open" >&2; kill "$installer"; return 1; }
    wait "$installer" || status=$?
    ((status == 0)) || { echo "  installer status $status" >&2; return 1; }
    installed_as_built
}

# resource_facts FILE: the version in FILE's version resource (the string, and
# the fixed one, which must agree) and whether it carries every image of the
# game's icon.
resource_facts() {
    python3 - "$1" "$app/pictures/tarnwick.ico" <<'EOF'
import struct, sys
data = open(sys.argv[1], "rb").read()
at = data.index("ProductVersion\0".encode("utf-16-le")) + 30
while data[at:at + 2] == b"\0\0":
    at += 2
text = data[at:data.index(b"\0\0", at) + 1].decode("utf-16-le").rstrip("\0")
fixed = data.index(struct.pack("<I", 0xFEEF04BD))
ms, ls = struct.unpack_from("<II", data, fixed + 16)
numbers = f"{ms >> 16}.{ms & 0xFFFF}.{ls >> 16}.{ls & 0xFFFF}"
ico = open(sys.argv[2], "rb").read()
images = [struct.unpack_from("<II", ico, 6 + 16 * i + 8) for i in range(ico[4])]
icon = "icon" if all(ico[at:at + size] in data for size, at in images) else "no-icon"
print(text if numbers == text + ".0" else f"{text}/{numbers}", icon)
EOF
}

versions_agree() {
    local seen="zip ${zip##*/tarnwick-}|setup ${setup##*/tarnwick-}" file
    for file in "$app/tarnwick.exe" "$setup" "$installed/uninstall.exe"; do
        seen+="|${file##*/} $(resource_facts "$file")"
    done
    # The .deb where scripts/test-package.sh has built one.
    local debs=(build/release/package/tarnwick_*.deb)
    # Its version without the package's own revision (0.1.0-1).
    [[ -f ${debs[0]} ]] && seen+="|deb $(dpkg-deb -f "${debs[0]}" Version | sed 's/-[^-]*$//')"
    local want="zip $version-windows-x64.zip|setup $version-windows-x64-setup.exe"
    want+="|tarnwick.exe $version icon|${setup##*/} $version icon|uninstall.exe $version icon"
    [[ -f ${debs[0]} ]] && want+="|deb $version"
    [[ $seen == "$want" ]] || { echo "  seen: $seen" >&2; return 1; }
}

# By name only: a replaced cue goes like its default, the player's own file
# and so the folder stay. The uninstaller copies itself away and returns at
# once (Wine quotes an _?= with a space, which NSIS then ignores), so the
# check waits for the uninstall entry, the last thing it removes, to go.
uninstalls() {
    # While the game plays: the uninstaller closes it first.
    win_start "$installed/tarnwick.exe" || return 1
    echo "mine" >"$installed/my notes.txt"
    echo "not a wave file" >"$installed/winner.WAV"
    wine_run "$installed/uninstall.exe" /S >/dev/null 2>&1 || true
    for _ in $(seq 40); do
        wine_run reg query "$uninstall_key\\Tarnwick" /reg:64 >/dev/null 2>&1 || break
        sleep 0.5
    done
    local name left=""
    for name in "${files[@]}" uninstall.exe; do
        [[ -e $installed/$name ]] && left+=" $name"
    done
    [[ -e $shortcut ]] && left+=" the shortcut"
    wine_run reg query "$uninstall_key\\Tarnwick" /reg:64 >/dev/null 2>&1 && left+=" the uninstall entry"
    win_ended 1 || { echo "  the uninstaller left the game running" >&2; return 1; }
    [[ -z $left && $(cat "$installed/my notes.txt" 2>/dev/null) == mine ]] ||
        { echo "  left:$left; the player's file: $(cat "$installed/my notes.txt" 2>&1)" >&2; return 1; }
}

check "the zip plays from a folder named in Cyrillic and Chinese" zip_plays
check "the installer installs silently, with shortcut and uninstall entry" installs
check "the installed game starts and ends on QUIT" plays "$installed/tarnwick.exe"
check "the installer again upgrades in place, one uninstall entry" upgrades
check "the installer closes a running game silently, then installs" installs_over_running_game
if check "a window manager for the installer's question" win_window_manager_start; then
    check "the installer asked to close a running game stops on Cancel, touching nothing" \
        install_over_running_game_cancelled
    check "the installer asked to close a running game closes it on OK and installs" \
        install_over_running_game_accepted
    win_window_manager_stop
fi
check "one version: .deb, zip, installer, tarnwick.exe, uninstaller" versions_agree
check "the uninstaller closes a running game, removes what was installed, and only that" uninstalls

echo "$passed passed, $failed failed"
((failed == 0))
