#!/usr/bin/env bash
# However a private session (scripts/x-session.sh) ends, nothing it started
# outlives it by more than 10 s and its folder is gone: the X server, window
# manager, audio server and bus, a process that detached itself (as
# wineserver does) and a stopped one (which ignores SIGTERM until continued).
# Each case starts a full session whose command waits, ends it one way, and
# looks for any process still carrying the session's tag.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
x_session=$here/../../scripts/x-session.sh
scratch=$(mktemp -d "${TMPDIR:-/tmp}/tarnwick-lifetime.XXXXXX")
trap 'rm -rf "$scratch"' EXIT
# Job control, so that the sessions started below may be interrupted: a
# script's background commands otherwise ignore SIGINT.
set -m

# The session's command: a detached sleeper, a stopped one, then a note that
# everything is up, naming the session's folder (its tag), and a wait the
# case's ending interrupts.
# shellcheck disable=SC2016
inside='setsid -f sleep 300; sleep 300 & kill -STOP $!; echo "$X_SESSION_DIR" >"$1/ready"; exec sleep 300'

# tagged TAG: the processes still carrying the session's tag.
tagged() {
    local environ command
    for environ in $(grep -lszxF "TARNWICK_SESSION_TAG=$1" /proc/[0-9]*/environ); do
        # The search's own grep carries no tag; a process may end meanwhile.
        command=$(tr '\0' ' ' 2>/dev/null <"${environ%/environ}/cmdline") || continue
        # A zombie has no command line: it has ended, its parent just not yet noticed.
        [[ -z $command ]] || echo "$command"
    done
    return 0
}

failures=0 cases=0
# run_case NAME SIGNAL: ends the session with SIGNAL ("" lets the command end by itself).
run_case() {
    local name=$1 signal=$2 case_dir="$scratch/case-$((++cases))" session pid left=""
    mkdir -p "$case_dir"
    local command=$inside
    [[ -z $signal ]] && command=${inside/exec sleep 300/exit 0}
    "$x_session" --pulse --bus --wm openbox -- \
        bash -c "$command" session "$case_dir" >"$case_dir/log" 2>&1 &
    pid=$!
    for _ in $(seq 600); do
        [[ -s $case_dir/ready ]] && break
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.1
    done
    session=$(cat "$case_dir/ready" 2>/dev/null) || true
    if [[ -z $session ]]; then
        echo "FAIL - $name: the session never became ready"
        sed 's/^/       /' "$case_dir/log"
        failures=$((failures + 1))
        kill -KILL "$pid" 2>/dev/null || true
        return
    fi
    # Ten seconds from the signal, or from the command's own end.
    [[ -n $signal ]] && kill -"$signal" "$pid"
    [[ -z $signal ]] && wait "$pid"
    local deadline=$((${EPOCHREALTIME/./} + 10000000))
    while ((${EPOCHREALTIME/./} < deadline)); do
        left=$(tagged "$session")
        [[ -z $left && ! -e $session ]] && break
        sleep 0.1
    done
    wait "$pid" 2>/dev/null || true
    if [[ -n $left || -e $session ]]; then
        echo "FAIL - $name: 10 s after the session ended:"
        [[ -n $left ]] && sed 's/^/       still running: /' <<<"$left"
        [[ -e $session ]] && echo "       its folder is still there"
        failures=$((failures + 1))
    else
        echo "ok   - $name"
    fi
}

run_case "the command ends" ""
run_case "SIGTERM" TERM
run_case "SIGINT" INT
run_case "SIGHUP" HUP
# As CTest ends a test that runs out of time: no trap of the session runs.
run_case "SIGKILL" KILL
((failures == 0))
