#!/usr/bin/env bash
# Plays the scripted game under strace from a copy of the program's folder
# and a read-only home of its own, on the X server of the fixture qt_x (no
# audio device or server). Fails when the program creates, changes or opens
# for writing any file outside /dev, /proc and its runtime folder, or does not
# end cleanly at QUIT. "garbage-cues" makes the cue files noise, a truncated
# header, a folder and an empty file: the game must go on, silent.
#
#   play_session_traced.sh PATH/TO/tarnwick good|garbage-cues
set -euo pipefail
program=$1 cues=$2
work=$(mktemp -d "${TMPDIR:-/tmp}/tarnwick-trace.XXXXXX")
trap 'chmod -R u+w "$work" && rm -rf "$work"' EXIT
mkdir "$work/program" "$work/home" "$work/runtime"
chmod 700 "$work/runtime"
cp "$program" "$(dirname "$program")"/*.WAV "$work/program/"
if [[ $cues == garbage-cues ]]; then
    head -c 4000 /dev/urandom >"$work/program/pickup.WAV"
    printf 'RIFF\xff\xff\xff\x7fWAVEfmt ' >"$work/program/pegdrop.WAV"
    rm "$work/program/winner.WAV" && mkdir "$work/program/winner.WAV"
    : >"$work/program/loser.WAV"
fi
chmod -R a-w "$work/program" "$work/home"

# LeakSanitizer cannot work under a tracer; the other tests look for leaks.
env -u XDG_CONFIG_HOME -u XDG_CACHE_HOME -u XDG_DATA_HOME -u XDG_STATE_HOME \
    HOME="$work/home" XDG_RUNTIME_DIR="$work/runtime" \
    ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0" \
    "$(dirname "$0")/scripted_game.sh" \
    strace -f -qq -o "$work/trace" \
    -e trace=open,openat,creat,mkdir,mkdirat,rename,renameat,renameat2,unlink,unlinkat,link,linkat,symlink,symlinkat,truncate,chmod,fchmodat \
    "$work/program/tarnwick" || {
    echo "FAIL: the scripted game did not end cleanly at QUIT (status $?)"
    exit 1
}

writes=$(grep -E 'O_WRONLY|O_RDWR|O_CREAT|O_TRUNC|^[0-9]+ +(creat|mkdir|rename|unlink|link|symlink|truncate|chmod|fchmodat)' \
    "$work/trace" | grep -vE "\"(/dev/|/proc/|$work/runtime)" || true)
if [[ -n $writes ]]; then
    echo "FAIL: the program wrote to the file system:"
    echo "$writes"
    exit 1
fi
echo "ok: $(grep -c open "$work/trace") file opens traced, none for writing ($cues cue files)"
