#!/usr/bin/env bash
# Runs valgrind's memcheck over short scripted games: the mouse session on the
# game window (offscreen, 1000 events per seed) and the real program played
# with xdotool on Xvfb. Fails on any error or definite leak outside the
# toolkit's known reports (tests/valgrind.supp). Needs a built tree (default
# build/dev).
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/dev}

memcheck=(valgrind --tool=memcheck --error-exitcode=99 --child-silent-after-fork=yes
    --suppressions=tests/valgrind.supp --leak-check=full --errors-for-leak-kinds=definite
    --show-leak-kinds=definite --num-callers=30 --quiet)

echo "memcheck: mouse session on the game window"
QT_QPA_PLATFORM=offscreen TARNWICK_SESSION_EVENTS=1000 \
    timeout 600 "${memcheck[@]}" "$build/tests/qt/session/tarnwick_mouse_session_tests" --gtest_brief=1

echo "memcheck: scripted game on the real program"
TARNWICK_WINDOW_TIMEOUT=120 scripts/x-session.sh \
    tests/qt/app/scripted_game.sh timeout 300 "${memcheck[@]}" "$build/qt/app/tarnwick"
echo "memcheck: clean"
