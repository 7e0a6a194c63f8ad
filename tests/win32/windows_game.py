#!/usr/bin/env python3
"""Plays the Windows game under Wine as a player does, step by step, in the
private session of X, audio, Wine and openbox that CTest's fixture keeps:

    windows_game.py EXE STEP...    e.g. start "drag 0 14" "board EPPPPPPPPPPPPPP" quit

A step is a verb of STEPS or Play and its arguments; tests/win32/CMakeLists.txt
tables the checks. The pointer, the buttons and the window's place come from
scripts/game-driver.sh; pixels are read at places from the layout's twips."""

import array
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time
from pathlib import Path

ROOT = Path(__file__).resolve().parents[2]
WINE = os.environ.get("TARNWICK_WINE", "wine64")
LAYOUT = "".join((ROOT / "layout" / f"{name}Layout.h").read_text() for name in ("MainWindow", "RulesWindow"))
RING = tuple(int(re.search(rf"kFocusMark{c} = (\d+)", LAYOUT)[1]) for c in ("Red", "Green", "Blue"))
CUES = ("pickup", "pegdrop", "winner", "loser", "loser4", "loser3")
WORK = Path(tempfile.mkdtemp(prefix="windows-game-", dir=os.environ.get("TARNWICK_SESSION_DIR")))


class Failed(Exception):
    pass


def rect(name):
    """The layout's rectangle NAME in pixels: left, top, width, height."""
    return [int(v) // 15 for v in re.search(name + r" \{ (\d+), (\d+), (\d+), (\d+) \}", LAYOUT).groups()]


def driver(*args):
    """What a function of scripts/game-driver.sh prints."""
    command = ["bash", "-c", 'source "$0" && "$@"', ROOT / "scripts/game-driver.sh", *map(str, args)]
    return subprocess.run(command, check=True, capture_output=True, text=True).stdout


def xdotool(*args):
    subprocess.run(["xdotool", *map(str, args)], check=True)


def wait_for(what, want, seconds=5):
    """Polls WHAT() until it returns WANT, for SECONDS at most."""
    deadline = time.monotonic() + seconds
    while (seen := what()) != want:
        if time.monotonic() > deadline:
            raise Failed(f"{what.__name__}: {seen!r}, expected {want!r}")
        time.sleep(0.1)


def windows_named(title):
    found = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", f"^{title}$"],
                           capture_output=True, text=True)
    return sorted(found.stdout.split(), key=int)


def geometry(window):
    """The client area's screen place and size: x, y, width, height."""
    return [int(v) for v in driver("tarnwick_geometry", window).split()]


def pixels(window):
    """The window's pixels now, as a function of (x, y) giving (r, g, b)."""
    ppm = subprocess.run(["import", "-silent", "-window", window, "-depth", "8", "ppm:-"],
                         check=True, capture_output=True).stdout
    header = re.match(rb"P6\s+(\d+)\s+(\d+)\s+255\s", ppm)
    width, data = int(header[1]), ppm[header.end():]
    return lambda x, y: tuple(data[(y * width + x) * 3:(y * width + x) * 3 + 3])


# The holes' top-left corners and their size, as game-driver.sh reads them from the layout.
_xs, _ys, (HOLE_W, HOLE_H) = (list(map(int, line.split())) for line in driver(
    "eval", 'echo "${tarnwick_hole_x[*]}"; echo "${tarnwick_hole_y[*]}";',
    "echo", "$tarnwick_hole_w", "$tarnwick_hole_h").splitlines())
HOLES = list(zip(_xs, _ys))


class Game:
    """tarnwick.exe at PATH, running, with its window found."""

    started = []

    def __init__(self, path):
        self.process = subprocess.Popen([WINE, path], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        Game.started.append(self.process)
        try:
            self.window = driver("tarnwick_wait_window", "Tarnwick", 30).strip()
        except subprocess.CalledProcessError:
            self.process.kill()
            raise Failed(f"no window from {path}")
        self.x, self.y = geometry(self.window)[:2]

    def board(self):
        """The holes as shown: P where a peg's lit end face is bright, E on dark wood."""
        at = pixels(self.window)
        return "".join("P" if at(x + HOLE_W * 2 // 3, y + HOLE_H // 2)[1] > 140 else "E" for x, y in HOLES)

    def rings(self):
        """The holes (1..15) with the keyboard's ring just left of them."""
        at = pixels(self.window)
        return [n for n, (x, y) in enumerate(HOLES, 1) if at(x - 1, y + HOLE_H // 2) == RING]

    def ended(self, since=None):
        """The game ends by itself with status 0; prints how long it took."""
        since = since or time.monotonic()
        try:
            status = self.process.wait(20)  # a liveness limit, not a time a player would wait
        except subprocess.TimeoutExpired:
            self.process.kill()
            raise Failed("the game is still running")
        print(f"the game ended {time.monotonic() - since:.2f} s later with status {status}")
        if status != 0:
            raise Failed(f"status {status}")

    def drag(self, start, end):
        """The peg in hole START to hole END, pressed, moved in steps as a hand does, and released."""
        (x0, y0), (x1, y1) = [self.centre(hole) for hole in (start, end)]
        steps = " ".join(f"mousemove {x0 + (x1 - x0) * i // 4} {y0 + (y1 - y0) * i // 4} sleep 0.03"
                         for i in range(1, 5))
        xdotool(*f"mousemove {x0} {y0} sleep 0.1 mousedown 1 sleep 0.1 {steps} sleep 0.1 mouseup 1".split())

    def centre(self, hole):
        return self.x + HOLES[hole][0] + HOLE_W // 2, self.y + HOLES[hole][1] + HOLE_H // 2

    def quit(self):
        driver("tarnwick_point_at", self.window, "quit")
        since = time.monotonic()
        xdotool("click", 1)
        self.ended(since)


def clean_up():
    """What a failed check left: its games, which would stand in the next check's way, and its files."""
    for process in Game.started:
        process.kill()
    shutil.rmtree(WORK, ignore_errors=True)


def peak(action):
    """The loudest sample (0 to 32767) the private sink plays while ACTION runs
    and for a second after it."""
    with tempfile.TemporaryFile() as raw:
        recorder = subprocess.Popen(["parec", "-d", "test.monitor", "--raw", "--format=s16le", "--rate=22050",
                                     "--channels=1"], stdout=raw)
        time.sleep(0.5)
        action()
        time.sleep(1)
        recorder.terminate()
        recorder.wait()
        raw.seek(0)
        data = raw.read()
    return max(map(abs, array.array("h", data[: len(data) // 2 * 2])), default=0)


def rules_windows():
    return windows_named("Tarnwick Rules")


def new_rules():
    """The rules window, once Wine shows it."""
    wait_for(lambda: len(rules_windows()) == 1, True, 10)
    return rules_windows()[0]


def rules_click(play, *at):
    """A click on the rules window: on OK, or at a place (x y) in it."""
    x, y = geometry(new_rules())[:2]
    left, top, width, height = rect("kOkButtonTwips")
    at = at or (left + width // 2, top + height // 2)
    xdotool("mousemove", x + int(at[0]), y + int(at[1]), "click", 1, "sleep", 0.3)


class Play:
    """The steps; self.exe is the program the next start runs, self.game the game running."""

    def __init__(self, exe):
        self.exe, self.game = Path(exe), None

    def copy(self, *name):
        """EXE and its cues into a new folder NAME, which the next steps use."""
        folder = WORK / " ".join(name)
        folder.mkdir()
        for file in [self.exe, *self.exe.parent.glob("*.WAV")]:
            shutil.copy(file, folder)
        self.exe = folder / self.exe.name

    def listen(self, step, heard):
        """STEP plays a cue the private sink hears, or plays nothing it hears."""
        loudest = peak(lambda: self.run(step))
        if loudest <= 1000 if heard else loudest >= 100:
            raise Failed(f"peak {loudest}")

    def system_dlls_only(self, objdump):
        """On a bare Windows the program finds everything it needs in the system."""
        listing = subprocess.run([objdump, "-p", self.exe], check=True, capture_output=True, text=True).stdout
        dlls = {name.lower() for name in re.findall(r"DLL Name: (\S+)", listing)}
        system = {f"{name}.dll" for name in
                  "kernel32 user32 gdi32 winmm comctl32 shell32 advapi32 ole32 msvcrt".split()}
        # No import at all means the listing was not read, not a clean program.
        if "kernel32.dll" not in dlls or dlls - system:
            raise Failed(f"imports {sorted(dlls)}")

    def rules_centred(self):
        """One rules window, centred on the screen with every line fitting."""
        rules = new_rules()
        _, _, width, height = rect("kRulesClientTwips")
        screen = subprocess.run(["xdpyinfo"], capture_output=True, text=True).stdout
        # The frame's sides are equal, so the client area's left edge is centred whatever the frame.
        centred = (int(re.search(r"dimensions:\s+(\d+)x", screen)[1]) - width) // 2
        if (place := geometry(rules))[0::2] != [centred, width] or place[3] != height:
            raise Failed(f"rules window at {place}")
        # Black text on the teal above OK, and none in the last columns it would run into.
        at, text_height = pixels(rules), rect("kOkButtonTwips")[1]
        if (0, 0, 0) not in {at(x, y) for x in range(width - 8) for y in range(text_height)} or len(
                {at(x, y) for x in range(width - 8, width) for y in range(text_height)}) != 1:
            raise Failed("the rules text does not fit the window")

    def run(self, step):
        verb, *args = step
        STEPS[verb](self, *args) if verb in STEPS else getattr(self, verb.replace("-", "_"))(*args)


def at_layout(play):
    if geometry(play.game.window) != rect("kMainClientTwips"):
        raise Failed(f"window at {geometry(play.game.window)}")


def move(play, *holes):
    """A move from the keys: Home, Right to a hole (1..15), Space, for the peg's hole and its target."""
    for hole in map(int, holes):
        xdotool("key", "--delay", 30, "Home", *["Right"] * (hole - 1), "space")


# The one-line steps.
STEPS = {
    "rules": lambda play, count: wait_for(lambda: len(rules_windows()), int(count), 10),
    "rules-click": rules_click,
    "pause": lambda play: time.sleep(0.5),
    # The pointer pressed on hole HOLE, moved to a button or a place (x y) in the window, released.
    "press": lambda play, hole: xdotool("mousemove", *play.game.centre(int(hole)), "sleep", 0.2,
                                        "mousedown", 1, "sleep", 0.2),
    "point": lambda play, *at: driver("tarnwick_point_at", play.game.window, *at) if len(at) == 1
    else xdotool("mousemove", play.game.x + int(at[0]), play.game.y + int(at[1]), "sleep", 0.3),
    "release": lambda play: xdotool("mouseup", 1, "sleep", 0.4),
    "garbage": lambda play: [(play.exe.parent / f"{cue}.WAV").write_bytes(os.urandom(4000)) for cue in CUES],
    # The wave file NAME of tests/support/crafted_wave.py as pickup.WAV.
    "crafted": lambda play, name: subprocess.run(
        [sys.executable, ROOT / "tests/support/crafted_wave.py", name, play.exe.parent / "pickup.WAV"],
        check=True),
    "start": lambda play: setattr(play, "game", Game(play.exe)),
    "at-layout": at_layout,
    "drag": lambda play, start, end: play.game.drag(int(start), int(end)),
    "click": lambda play, button: driver("tarnwick_click", play.game.window, button),
    "keys": lambda play, *names: xdotool("key", "--delay", 100, *names),
    # A click on the sky, which makes the game the active window.
    "focus": lambda play: xdotool("mousemove", play.game.x + 20, play.game.y + 20, "click", 1, "sleep", 0.3),
    "board": lambda play, want: wait_for(play.game.board, want),
    "rings": lambda play, *want: wait_for(play.game.rings, [int(hole) for hole in want]),
    "move": move,
    # The message box captioned as the game's window.
    "message": lambda play: wait_for(lambda: len(windows_named("Tarnwick")) > 1, True),
    # Still running a second later.
    "alive": lambda play: time.sleep(1) or wait_for(play.game.process.poll, None, 0),
    "quit": lambda play: play.game.quit(),
    "ended": lambda play: play.game.ended(),
    "heard": lambda play, *step: play.listen(step, True),
    "silent": lambda play, *step: play.listen(step, False),
}


if __name__ == "__main__":
    play = Play(sys.argv[1])
    try:
        for words in sys.argv[2:]:
            began = time.monotonic()
            play.run(words.split())
            print(f"{words}: {time.monotonic() - began:.2f} s")
    except Failed as failure:
        sys.exit(f"failed: {failure}")
    finally:
        clean_up()
