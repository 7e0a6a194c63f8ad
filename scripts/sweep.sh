#!/usr/bin/env bash
# Ends every process that carries a tag (NAME=VALUE) in its environment:
# continued first (a stopped one ignores SIGTERM), then SIGTERM, then after up
# to three seconds SIGKILL. Servers that detached themselves (wineserver, a
# daemonized bus) keep the tag, so they are found wherever they went.
#
#   sweep.sh NAME VALUE             sweeps now
#   sweep.sh --after PID NAME VALUE [DIR]
#                                   waits until PID has ended, however it
#                                   ended (SIGKILL included), then sweeps and
#                                   removes DIR
#
# --after is the watchdog of scripts/test.sh and scripts/x-session.sh: they
# start it detached (setsid), outside their own process tree and without the
# tag, so neither a kill of their tree nor their own sweep reaches it.
set -uo pipefail
export LC_ALL=C

pid="" dir=""
if [[ ${1:-} == --after ]]; then
    pid=$2
    shift 2
fi
(($# >= 2)) || { echo "usage: sweep.sh [--after PID] NAME VALUE [DIR]" >&2; exit 2; }
tag="$1=$2"
dir=${3:-}

# Pids of every live process carrying the tag, but this script and its
# caller (which ends itself). The search's own grep carries the tag when this
# script inherited it, and is gone once it has answered.
tagged() {
    local environ p
    for environ in $(grep -lszxF -- "$tag" /proc/[0-9]*/environ); do
        p=${environ#/proc/}
        p=${p%/environ}
        [[ $p == "$$" || $p == "$BASHPID" || $p == "$PPID" || ! -e /proc/$p ]] || echo "$p"
    done
}

if [[ -n $pid ]]; then
    # Checked every fifth of a second; tail's own check is kill(PID, 0).
    tail -s 0.2 --pid="$pid" -f /dev/null 2>/dev/null
fi

for signal in TERM KILL; do
    pids=$(tagged)
    [[ -z $pids ]] && break
    # shellcheck disable=SC2086
    kill -CONT $pids 2>/dev/null
    # shellcheck disable=SC2086
    kill -"$signal" $pids 2>/dev/null
    for _ in $(seq 30); do
        [[ -z $(tagged) ]] && break
        sleep 0.1
    done
done
[[ -n $dir ]] && rm -rf -- "$dir"
[[ -z $(tagged) ]]
