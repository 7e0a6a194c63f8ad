#!/usr/bin/env bash
[[ ${TARNWICK_GATE_ENV:-} == allow-listed ]] || exec python3 "$(dirname "$0")/session.py" gate -- "$0" "$@"
# The gate: setup, one CTest workflow per build (configure, build, test) and
# the lint, with each step's time and each build's results from its JUnit
# file. session.py gate keeps it off the caller's desktop (docs/testing.md).
set -euo pipefail
cd "$(dirname "$0")/.."
# shellcheck source=build-cache.sh
source scripts/build-cache.sh
CTEST_PARALLEL_LEVEL=$(nproc) gate_dir=$(mktemp -d)
export CTEST_PARALLEL_LEVEL
rm -f build/*/junit.xml

# step NAME COMMAND...: a step and its time; after a failure the gate goes on, and fails at the end.
step() {
    local name=$1 started=$SECONDS result=ok
    shift
    echo "== $name"
    "$@" || result=FAILED
    local took=$((SECONDS - started))
    printf '%-9s %3d:%02d  %s\n' "$name" $((took / 60)) $((took % 60)) $result >>"$gate_dir/timings"
}
workflow() { cmake --workflow --preset "$1"; }
# The lint tidies each front-end against its own build's compile commands.
configure() { cmake --preset windows >/dev/null && cmake --preset web >/dev/null; }
web() { tests/web/install-driver.sh && workflow web; }

# Untagged, so that no sweep stops apt halfway; the later steps skip it.
step setup env -u TARNWICK_GATE_TAG scripts/setup.sh --test
export TARNWICK_SETUP_DONE=1
ccache --zero-stats >/dev/null 2>&1 || true
# dev holds memcheck, asan the fuzzers; package builds the generators the
# Windows and browser builds run; the browser tests use dev's listener.
step dev workflow dev
step asan workflow asan
step package workflow package
step configure configure
# The lint keeps one core busy while the Windows tests mostly wait for Wine.
step lint scripts/lint.sh build/dev >"$gate_dir/lint.log" 2>&1 &
lint=$!
step windows workflow windows
wait "$lint" && echo "== lint (beside windows)" && cat "$gate_dir/lint.log"
step web web

echo "== summary" && cat "$gate_dir/timings"
printf 'total     %3d:%02d\n' $((SECONDS / 60)) $((SECONDS % 60))
LC_ALL=C ccache --show-stats 2>/dev/null | grep -E '^ *(Hits|Misses):' | sed 's/^/ccache: /' || true
python3 -c 'import sys, xml.etree.ElementTree as ET
for build, _, folder in (each.partition("=") for each in sys.argv[1:]):
    try: suite = ET.parse(f"build/{folder or build}/junit.xml").getroot()
    except (OSError, ET.ParseError): print(f"{build:9} no results"); continue
    count = lambda name: int(suite.get(name, 0))
    # As CTest counts: a disabled test is no test, one not run has failed.
    total, failed = count("tests") - count("disabled"), count("failures") + count("skipped")
    print(f"{build:9} {total - failed} passed, {failed} failed, {total} total")' dev asan package=release windows web
! grep -q FAILED "$gate_dir/timings"
