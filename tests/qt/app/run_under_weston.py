"""Starts the real program in a Wayland session with no X server at all
(weston, headless) and reads it as a screen reader does: its window and
buttons must be in the accessibility tree, and QUIT pressed through its
accessibility action must end it with status 0. Runs in a session of
scripts/session.py run --no-x --bus, whose bus carries the accessibility bus.

    run_under_weston.py PATH/TO/tarnwick"""
import os
import subprocess
import sys
import time

import pyatspi  # Debian's, for Debian's own Python


def wait_for(what, tries):
    """What WHAT() returns once it is true, polled every 0.1 s; False after TRIES."""
    for _ in range(tries):
        if found := what():
            return found
        time.sleep(0.1)
    return False


def walk(node):
    yield node
    for child in filter(None, node):
        yield from walk(child)


def window_and_buttons():
    nodes = list(walk(app[0]))
    buttons = {n.name: n for n in nodes if n.getRoleName() == "push button"}
    frame = any(n.getRoleName() == "frame" and n.name == "Tarnwick" for n in nodes)
    return frame and sorted(buttons) == ["HELP", "QUIT", "Start Game"] and buttons


subprocess.Popen(["weston", "--backend=headless-backend.so", "--socket=tarnwick-wayland", "--idle-time=0"],
                 stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
if not wait_for(lambda: os.path.exists(os.path.expandvars("$XDG_RUNTIME_DIR/tarnwick-wayland")), 100):
    sys.exit("FAIL: weston did not start")
# As a Wayland desktop session starts it: no platform named, no DISPLAY.
# Qt's Wayland plugin and the graphics driver it loads and unloads leave
# blocks LeakSanitizer cannot name; the other tests look for our leaks.
env = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "QT_QPA_PLATFORM")}
env.update(WAYLAND_DISPLAY="tarnwick-wayland", XDG_SESSION_TYPE="wayland", QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1",
           ASAN_OPTIONS=":".join(filter(None, [env.get("ASAN_OPTIONS"), "detect_leaks=0"])))
game = subprocess.Popen([sys.argv[1]], env=env)

app = wait_for(lambda: [a for a in pyatspi.Registry.getDesktop(0) if a is not None and a.name == "tarnwick"], 100)
if not app:
    sys.exit("FAIL: the game never appeared in the accessibility tree")
buttons = wait_for(window_and_buttons, 50)
if not buttons:
    sys.exit("FAIL: no frame named Tarnwick with buttons HELP, QUIT and Start Game: "
             + repr([(n.getRoleName(), n.name) for n in walk(app[0])]))
action = buttons["QUIT"].queryAction()
names = [action.getName(i) for i in range(action.nActions)]
action.doAction(names.index("Press") if "Press" in names else 0)
try:
    status = game.wait(5)
except subprocess.TimeoutExpired:
    sys.exit("FAIL: QUIT through its accessibility action did not end the game")
if status != 0:
    sys.exit(f"FAIL: the game ended with status {status}")
print("ok: under Wayland the window and its buttons are in the accessibility tree, QUIT ends it with 0")
