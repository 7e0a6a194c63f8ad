#!/usr/bin/env bash
# Builds the Debian package in the release build and checks it the way a
# player's machine sees it: what it holds, that its desktop entry, metadata
# and manual page are valid, and that the game unpacked from it starts, is
# heard and quits. Where CI is set it also installs the package for real,
# plays it and removes it again; elsewhere nothing outside build/ is touched.
set -euo pipefail
cd "$(dirname "$0")/.."
# The tools' output is read in their own words; the game itself gets a UTF-8
# locale below, as a desktop gives it.
export LC_ALL=C

# play-session PROGRAM: run inside a private X and audio session (see below).
# Starts PROGRAM, drags a peg while recording the sound card, clicks QUIT,
# and prints what it saw as key=value lines.
if [[ "${1:-}" == play-session ]]; then
    program=$2
    source scripts/game-driver.sh
    scratch=$(mktemp -d "${TMPDIR:-/tmp}/tarnwick-play.XXXXXX")
    game_pid="" recorder_pid=""
    finish() {
        for pid in "$recorder_pid" "$game_pid"; do
            [[ -n "$pid" ]] && kill "$pid" 2>/dev/null && wait "$pid" 2>/dev/null
        done
        rm -rf "$scratch"
    }
    trap finish EXIT

    LC_ALL=C.UTF-8 "$program" >"$scratch/game.log" 2>&1 &
    game_pid=$!
    if ! window=$(tarnwick_wait_window Tarnwick 20); then
        echo "window="
        sed 's/^/game: /' "$scratch/game.log" >&2
        exit 0
    fi
    echo "window=$window"
    echo "wm_class=$(xprop -id "$window" WM_CLASS | sed -n 's/.*= "\([^"]*\)", "\([^"]*\)"/\2/p')"

    # The null sink's monitor hears only zeros until a cue plays.
    parec -d test.monitor --raw --format=s16le --rate=48000 --channels=2 >"$scratch/heard.raw" &
    recorder_pid=$!
    sleep 0.5
    tarnwick_drag "$window" 0 14
    sleep 1.5
    kill "$recorder_pid" && wait "$recorder_pid" 2>/dev/null || true
    recorder_pid=""
    loud_bytes=$(tr -d '\000' <"$scratch/heard.raw" | wc -c)
    echo "heard_bytes=$(stat -c %s "$scratch/heard.raw") loud_bytes=$loud_bytes"

    tarnwick_click "$window" quit
    for _ in $(seq 50); do
        kill -0 "$game_pid" 2>/dev/null || break
        sleep 0.1
    done
    if kill -0 "$game_pid" 2>/dev/null; then
        echo "exit=still-running"
    else
        status=0
        wait "$game_pid" || status=$?
        echo "exit=$status"
    fi
    game_pid=""
    exit 0
fi

passed=0
failed=0
failures=()
# check NAME COMMAND...: runs COMMAND quietly and counts the outcome; its
# output is shown only when it fails.
check() {
    local name=$1 output
    shift
    if output=$("$@" 2>&1); then
        passed=$((passed + 1))
        echo "ok   - $name"
    else
        failed=$((failed + 1))
        failures+=("$name")
        echo "FAIL - $name"
        [[ -n "$output" ]] && sed 's/^/       /' <<<"$output"
    fi
    return 0
}
# has TEXT PATTERN: TEXT contains a line matching the extended regex PATTERN.
has() { grep -Eq -- "$2" <<<"$1" || { echo "no line matches: $2"; return 1; }; }

scripts/setup.sh --package-test

echo "== package build"
build=build/release
[[ -f $build/build.ninja ]] || cmake --preset release >/dev/null
# Only what the package holds: the release build of the tests is not needed.
cmake --build --preset release --target tarnwick tarnwick_picture_files tarnwick_man_page tarnwick_changelog
rm -rf "$build/package"
cpack --config "$build/CPackConfig.cmake" -B "$build/package" >"$build/cpack.log" 2>&1 ||
    { cat "$build/cpack.log"; exit 1; }
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
deb=$(echo "$build"/package/tarnwick_"$version"-*_*.deb)
[[ -f "$deb" ]] || { echo "FAIL - no package was built"; exit 1; }
echo "== package checks: $deb"

app_id=org.tarnwick.Tarnwick
program_dir=usr/lib/games/tarnwick
launcher=usr/games/tarnwick
cues=(pickup pegdrop winner loser loser4 loser3)

info=$(dpkg-deb -I "$deb")
check "control: name, version with the package's revision, and section" \
    eval 'has "$info" "^ Package: tarnwick$" && has "$info" "^ Version: $version-[0-9]+$" && has "$info" "^ Section: games$"'
check "control: maintainer as Name <address>" \
    eval 'has "$info" "^ Maintainer: [^<>@]*[^<>@ ] <[^<>@ ]+@[^<>@ ]+\.[a-z]+>$"'
check "control: synopsis without an article" eval '! grep -Eiq "^ Description: (a|an|the) " <<<"$info"'
check "control: libraries found by dpkg-shlibdeps" eval 'has "$info" "^ Depends: .*libqt6widgets6"'
# SDL is loaded at run time, so the version the sound needs is named by hand.
check "control: SDL 2.0.16 or later" eval 'has "$info" "^ Depends: .*libsdl2-2\.0-0 \(>= 2\.0\.16\)"'
check "control: run-time plugins (X11 and Wayland) and the window font" \
    eval 'has "$info" "^ Depends: .*qt6-qpa-plugins" && has "$info" "^ Depends: .*qt6-wayland" &&
          has "$info" "^ Depends: .*fonts-urw-base35"'

contents=$(dpkg-deb -c "$deb")
expected=(
    "./$launcher -> ../lib/games/tarnwick/tarnwick"
    "./$program_dir/tarnwick"
    "./usr/share/applications/$app_id.desktop"
    "./usr/share/metainfo/$app_id.metainfo.xml"
    "./usr/share/man/man6/tarnwick.6.gz"
    "./usr/share/doc/tarnwick/copyright"
    "./usr/share/doc/tarnwick/changelog.Debian.gz"
)
for cue in "${cues[@]}"; do expected+=("./$program_dir/$cue.WAV"); done
for size in 32 48 64 128 256; do
    expected+=("./usr/share/icons/hicolor/${size}x${size}/apps/$app_id.png")
done
missing_paths() {
    local path status=0
    for path in "${expected[@]}"; do
        grep -Fq -- " $path" <<<"$contents" || { echo "missing: $path"; status=1; }
    done
    return "$status"
}
check "contents: program, launcher, cues, desktop entry, icons, metainfo, manual, copyright, changelog" missing_paths
check "contents: program executable, cues and data not" \
    eval 'has "$contents" "^-rwxr-xr-x root/root .* \./$program_dir/tarnwick$" &&
          ! grep -E "^-rwx.* \./usr/(share|lib/games/tarnwick/.*\.WAV)" <<<"$contents"'

root=$(mktemp -d "${TMPDIR:-/tmp}/tarnwick-root.XXXXXX")
trap 'rm -rf "$root"' EXIT
dpkg-deb -x "$deb" "$root"
# A run path would have the loader look in other folders (or the current one)
# before the system's.
check "program: no run path" eval '! readelf -d "$root/$program_dir/tarnwick" | grep -qE "R(UN)?PATH"'

desktop="$root/usr/share/applications/$app_id.desktop"
metainfo="$root/usr/share/metainfo/$app_id.metainfo.xml"
check "desktop entry is valid" desktop-file-validate "$desktop"
check "desktop entry: game category, command and icon" \
    eval 'entry=$(cat "$desktop") && has "$entry" "^Categories=Game;BoardGame;$" &&
          has "$entry" "^Exec=tarnwick$" && has "$entry" "^Icon=$app_id$" &&
          [[ -x "$root/$launcher" ]]'
check "metainfo is valid" appstreamcli validate --no-net "$metainfo"
check "metainfo: launches the desktop entry, lists this release" \
    eval 'meta=$(cat "$metainfo") && has "$meta" "<launchable type=\"desktop-id\">$app_id.desktop<" &&
          has "$meta" "<release version=\"$version\"" && has "$meta" "<project_license>MIT<"'
icon_sizes() {
    local size description status=0
    for size in 32 48 64 128 256; do
        description=$(file -b "$root/usr/share/icons/hicolor/${size}x${size}/apps/$app_id.png")
        [[ "$description" == "PNG image data, $size x $size,"* ]] ||
            { echo "${size} px icon: $description"; status=1; }
    done
    return "$status"
}
check "icons: a PNG of each size" icon_sizes
man_warnings() {
    local warnings
    warnings=$(gzip -dc "$root/usr/share/man/man6/tarnwick.6.gz" | groff -man -ww -z 2>&1)
    [[ -z "$warnings" ]] || { echo "$warnings"; return 1; }
    gzip -dc "$root/usr/share/man/man6/tarnwick.6.gz" | grep -q '^\.TH TARNWICK 6 '
}
check "manual page: section 6, formats without warnings" man_warnings
check "copyright: machine-readable, MIT for the game, CC0 for the metadata" \
    eval 'copyright=$(cat "$root/usr/share/doc/tarnwick/copyright") &&
          has "$copyright" "^Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/$" &&
          has "$copyright" "^License: Expat$" && has "$copyright" "^License: CC0-1.0$" &&
          has "$copyright" "^Copyright: .*The Tarnwick developers$"'

# The newest entry names this very package, signed in Debian's form.
changelog_entry() {
    local text
    text=$(gzip -dc "$root/usr/share/doc/tarnwick/changelog.Debian.gz") || return 1
    has "$(head -n 1 <<<"$text")" "^tarnwick \($(dpkg-deb -f "$deb" Version)\) [a-z-]+; urgency=[a-z]+$" &&
        has "$text" "^ -- $(dpkg-deb -f "$deb" Maintainer)  [A-Z][a-z]{2}, [0-9]{2} [A-Z][a-z]{2} [0-9]{4} "
}
check "changelog: its newest entry is this version, by the maintainer" changelog_entry
# Debian's own checker; every override the package keeps says why.
lintian_clean() {
    LC_ALL=C lintian --fail-on error,warning --display-level ">=warning" "$deb"
}
check "lintian: no error and no warning" lintian_clean

# cues_beside LAUNCHER: the launcher resolves to a program whose folder holds every cue.
cues_beside() {
    local program cue status=0
    program=$(readlink -f "$1")
    [[ -x "$program" && ! -L "$program" ]] || { echo "not a program file: $program"; return 1; }
    [[ "$program" == */lib/games/tarnwick/tarnwick ]] || { echo "unexpected program file: $program"; status=1; }
    for cue in "${cues[@]}"; do
        [[ -s "$(dirname "$program")/$cue.WAV" ]] || { echo "no $cue.WAV beside $program"; status=1; }
    done
    return "$status"
}
check "unpacked: launcher resolves to the program, cues beside it" cues_beside "$root/$launcher"

# play NAME LAUNCHER: starts the game on a private X server and audio server
# and checks what a player sees and hears.
play() {
    local name=$1 launcher=$2 report
    report=$(scripts/x-session.sh --screen 800x600 --wm openbox --pulse \
        "$0" play-session "$launcher" 2>&1) || true
    value() { sed -n "s/.*\b$1=\([^ ]*\).*/\1/p" <<<"$report" | head -n 1; }
    local startup_class
    startup_class=$(sed -n 's/^StartupWMClass=//p' "$desktop")
    check "$name: its window appears" eval '[[ -n "$(value window)" ]] || { echo "$report"; false; }'
    check "$name: window class matches the desktop entry" \
        eval '[[ "$(value wm_class)" == "$startup_class" ]] || { echo "$report"; false; }'
    check "$name: a cue is heard as a peg is dragged and dropped" \
        eval '(( $(value loud_bytes) > 0 )) 2>/dev/null || { echo "$report"; false; }'
    check "$name: QUIT ends it cleanly" eval '[[ "$(value exit)" == 0 ]] || { echo "$report"; false; }'
}
play "unpacked game" "$root/$launcher"

if [[ -n "${CI:-}" ]]; then
    echo "== installing the package for real (CI is set)"
    # Untagged, so that no sweep stops apt halfway; DEBIAN_FRONTEND through
    # sudo; a lock held elsewhere (apt-daily) is waited for, not forever.
    apt=(env -u TARNWICK_GATE_TAG -u TARNWICK_SESSION_TAG DEBIAN_FRONTEND=noninteractive
        apt-get -o DPkg::Lock::Timeout=300 -y -q)
    ((EUID == 0)) || apt=(sudo "${apt[@]}")
    check "apt-get installs the package" "${apt[@]}" install "$PWD/$deb"
    # /usr/games is on a player's PATH, not on root's.
    check "installed: tarnwick is on a player's PATH, cues beside the real program" \
        eval 'found=$(PATH=/usr/local/bin:/usr/bin:/bin:/usr/local/games:/usr/games command -v tarnwick) &&
              [[ $found == /$launcher ]] && cues_beside "$found"'
    play "installed game" "/$launcher"
    check "apt-get removes the package" "${apt[@]}" purge tarnwick
    check "removed: nothing left behind" \
        eval '[[ ! -e /$launcher && ! -e /$program_dir ]] || { ls -la "/$launcher" "/$program_dir"; false; }'
fi

if ((failed == 0)); then
    echo "package: PASS"
else
    echo "package: FAIL (${failures[*]})"
fi
echo "package: $passed passed, $failed failed"
((failed == 0))
