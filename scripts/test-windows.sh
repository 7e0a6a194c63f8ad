#!/usr/bin/env bash
# Builds tarnwick.exe and tests it under Wine, in a private X session with a
# private PulseAudio server and no window manager: what it imports, the
# toolkit-free tests built for Windows (through CTest's emulator), a
# scripted game on the real window, then the zip and the installer. Ends with
# "N passed, N failed".
set -euo pipefail
cd "$(dirname "$0")/.."

if [[ ${1:-} != --in-session ]]; then
    # Wine, Xvfb and the audio server beside the cross-compiler.
    scripts/setup.sh --windows-test
    scripts/build-windows.sh >/dev/null
    exec scripts/x-session.sh --pulse -- "$0" --in-session
fi

source scripts/wine-session.sh
source tests/win32/windows_game.sh
trap wine_session_stop EXIT
exe=build/windows/win32/app/tarnwick.exe

# On a bare Windows it must find everything it needs in the system.
system_dlls_only() {
    local dlls others
    dlls=$(LC_ALL=C x86_64-w64-mingw32-objdump -p "$exe" | awk '/DLL Name:/ { print $3 }')
    # No import at all means the listing was not read, not a clean program.
    grep -qi '^kernel32\.dll$' <<<"$dlls" || { echo "  no imports read from $exe" >&2; return 1; }
    others=$(grep -viE '^(kernel32|user32|gdi32|winmm|comctl32|shell32|advapi32|ole32|msvcrt)\.dll$' <<<"$dlls" || true)
    [[ -z $others ]] || { echo "  imports $others" >&2; return 1; }
}
check "tarnwick.exe imports system DLLs only" system_dlls_only

wine_session_start "$X_SESSION_DIR/wine"

log="$X_SESSION_DIR/ctest.log"
ctest --preset windows --parallel "$(nproc)" >"$log" 2>&1 || true
summary=$(grep -E '^[0-9]+% tests passed' "$log" || echo "0% tests passed, 1 tests failed out of 1")
total=$(sed -E 's/.* out of ([0-9]+).*/\1/' <<<"$summary")
ctest_failed=$(sed -E 's/.*passed, ([0-9]+) tests? failed.*/\1/' <<<"$summary")
passed=$((passed + total - ctest_failed))
failed=$((failed + ctest_failed))
echo "ctest under Wine: $summary"
if ((ctest_failed > 0)); then
    grep -E 'Failed|\*\*\*|Error' "$log" | head -20 || true
fi

check "start position, window at its place" win_start_position "$exe"
check "setup move" win_setup_move
check "jump" win_jump
check "release over a button, peg back on the background" win_release_over_button
check "whole game to the winner message" win_whole_game
check "HELP opens the rules centred, OK closes them" win_rules
check "QUIT ends the program" win_quit
check "Tab, Enter and Esc" win_keyboard "$exe"
check "closing through the frame ends the program" win_close_through_frame
check "a game won with the keyboard alone, the ring only on the board's focus" win_keyboard_game "$exe"
check "a cue is heard" win_cue_heard "$exe"
check "the game plays from a folder named in Cyrillic and Chinese" win_unicode_folder "$exe"
check "garbage cue files are silent" win_garbage_cues_silent "$exe"
win_hostile_cue_checks "$exe"
# In this prefix and server: the zip, the installer, upgrade and uninstall.
check "the zip and the installer (scripts/test-windows-packages.sh)" scripts/test-windows-packages.sh --in-session

echo "$passed passed, $failed failed"
((failed == 0))
