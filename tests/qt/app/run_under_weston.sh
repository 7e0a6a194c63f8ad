#!/usr/bin/env bash
# Starts the real program in a Wayland session with no X server at all (weston,
# headless) and reads it as a screen reader does: its window and buttons must
# appear in the accessibility tree, and pressing QUIT through its
# accessibility action must end it with status 0.
#
#   run_under_weston.sh PATH/TO/tarnwick
#
# Run through scripts/session.py run --no-x --bus (the accessibility bus is
# started on that private session bus).
set -euo pipefail
program=$1
: "${TARNWICK_SESSION_DIR:?run through scripts/session.py run --no-x --bus}"

weston --backend=headless-backend.so --socket=tarnwick-wayland --idle-time=0 \
    >"$TARNWICK_SESSION_DIR/weston.log" 2>&1 &
for _ in $(seq 100); do
    [[ -S $XDG_RUNTIME_DIR/tarnwick-wayland ]] && break
    sleep 0.1
done
[[ -S $XDG_RUNTIME_DIR/tarnwick-wayland ]] || { cat "$TARNWICK_SESSION_DIR/weston.log"; exit 1; }

# As a Wayland desktop session starts it: no platform named, no DISPLAY.
# Qt's Wayland plugin and the graphics driver it loads and unloads leave
# blocks LeakSanitizer cannot name; the other tests look for our leaks.
env -u DISPLAY -u QT_QPA_PLATFORM WAYLAND_DISPLAY=tarnwick-wayland XDG_SESSION_TYPE=wayland \
    QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0" \
    "$program" >"$TARNWICK_SESSION_DIR/game.log" 2>&1 &
game=$!

# Debian's pyatspi belongs to Debian's own Python.
/usr/bin/python3 - <<'PY' || { echo "game output:"; cat "$TARNWICK_SESSION_DIR/game.log"; exit 1; }
import sys, time
import pyatspi

def find_app():
    for _ in range(100):
        for app in pyatspi.Registry.getDesktop(0):
            if app is not None and app.name == "tarnwick":
                return app
        time.sleep(0.1)
    sys.exit("FAIL: the game never appeared in the accessibility tree")

def walk(node):
    yield node
    for child in node:
        if child is not None:
            yield from walk(child)

app = find_app()
for _ in range(50):
    nodes = list(walk(app))
    frames = [n for n in nodes if n.getRoleName() == "frame" and n.name == "Tarnwick"]
    buttons = {n.name: n for n in nodes if n.getRoleName() == "push button"}
    if frames and len(buttons) == 3:
        break
    time.sleep(0.1)
print("frames:", [f.name for f in frames], "buttons:", sorted(buttons))
if not frames:
    sys.exit("FAIL: no frame named Tarnwick: " + repr([(n.getRoleName(), n.name) for n in nodes]))
if sorted(buttons) != ["HELP", "QUIT", "Start Game"]:
    sys.exit("FAIL: buttons are " + repr(sorted(buttons)))
action = buttons["QUIT"].queryAction()
names = [action.getName(i) for i in range(action.nActions)]
action.doAction(names.index("Press") if "Press" in names else 0)
PY

for _ in $(seq 50); do
    kill -0 "$game" 2>/dev/null || break
    sleep 0.1
done
if kill -0 "$game" 2>/dev/null; then
    echo "FAIL: QUIT through its accessibility action did not end the game"
    exit 1
fi
status=0
wait "$game" || status=$?
if ((status != 0)); then
    echo "FAIL: the game ended with status $status"
    cat "$TARNWICK_SESSION_DIR/game.log"
    exit 1
fi
echo "ok: under Wayland the window and its buttons are in the accessibility tree, QUIT ends it with 0"
