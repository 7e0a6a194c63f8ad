#!/usr/bin/env python3
"""Plays the Windows game under Wine as a player does, one check a run:

    windows_game.py CHECK EXE [CUE]

tests/win32/CMakeLists.txt makes each check a CTest test, run in the private
session of X, audio, Wine and openbox its fixture keeps. The pointer, the buttons and the window's
place come from scripts/game-driver.sh; the pixels are read here, at places
taken from the layout's twips (15 to a pixel at 96 dpi)."""

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
LAYOUT = "".join((ROOT / "layout" / name).read_text() for name in ("MainWindowLayout.h", "RulesWindowLayout.h"))
RING = tuple(int(re.search(rf"kFocusMark{c} = (\d+)", LAYOUT)[1]) for c in ("Red", "Green", "Blue"))
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


def keys(*names, delay=100):
    xdotool("key", "--delay", delay, *names)


def wait_for(what, want, seconds=1):
    """Polls WHAT() until it returns WANT, for SECONDS at most."""
    deadline = time.monotonic() + seconds
    while (seen := what()) != want:
        if time.monotonic() > deadline:
            raise Failed(f"{what.__name__}: {seen!r}, expected {want!r}")
        time.sleep(0.1)


def windows_named(title):
    found = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", f"^{title}$"], capture_output=True, text=True)
    return sorted(found.stdout.split(), key=int)


def geometry(window):
    """The client area's screen place and size: x, y, width, height."""
    return [int(v) for v in driver("tarnwick_geometry", window).split()]


def pixels(window):
    """The window's pixels now, as a function of (x, y) giving (r, g, b)."""
    ppm = subprocess.run(["import", "-silent", "-window", window, "-depth", "8", "ppm:-"], check=True, capture_output=True).stdout
    header = re.match(rb"P6\s+(\d+)\s+(\d+)\s+255\s", ppm)
    width, data = int(header[1]), ppm[header.end():]
    return lambda x, y: tuple(data[(y * width + x) * 3:(y * width + x) * 3 + 3])


# The holes' top-left corners and their size, as game-driver.sh reads them from the layout.
_xs, _ys, (HOLE_W, HOLE_H) = (list(map(int, line.split())) for line in driver(
    "eval", 'echo "${tarnwick_hole_x[*]}"; echo "${tarnwick_hole_y[*]}"; echo $tarnwick_hole_w $tarnwick_hole_h').splitlines())
HOLES = list(zip(_xs, _ys))


class Game:
    """tarnwick.exe at PATH, running, with its window found."""

    def __init__(self, path):
        self.process = subprocess.Popen([WINE, str(path)], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        try:
            self.window = driver("tarnwick_wait_window", "Tarnwick", 30).strip()
        except subprocess.CalledProcessError:
            self.process.kill()
            raise Failed(f"no window from {path}")

    def drag(self, start, end):
        driver("tarnwick_drag", self.window, start, end)

    def click(self, button):
        driver("tarnwick_click", self.window, button)

    def origin(self):
        return geometry(self.window)[:2]

    def board(self):
        """The holes as shown: P where a peg's lit end face is bright, E on dark wood."""
        at = pixels(self.window)
        return "".join("P" if at(x + HOLE_W * 2 // 3, y + HOLE_H // 2)[1] > 140 else "E" for x, y in HOLES)

    def rings(self):
        """The holes (1..15) with the keyboard's ring just left of them."""
        at = pixels(self.window)
        return [n for n, (x, y) in enumerate(HOLES, 1) if at(x - 1, y + HOLE_H // 2) == RING]

    def expect_board(self, want, seconds=1):
        wait_for(self.board, want, seconds)

    def running(self):
        return self.process.poll() is None

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

    def quit(self):
        driver("tarnwick_point_at", self.window, "quit")
        since = time.monotonic()
        xdotool("click", 1)
        self.ended(since)

    def focus(self):
        """A click on the sky, which makes the game the active window."""
        x, y = self.origin()
        xdotool("mousemove", x + 20, y + 20, "click", 1)
        time.sleep(0.3)

    def winner_message(self):
        """Waits for the message box captioned as the game's window."""
        wait_for(lambda: len(windows_named("Tarnwick")) > 1, True, 5)


def folder_with(exe, name, cues=True):
    """A copy of EXE, with its cues unless told, in a new folder NAME."""
    folder = WORK / name
    folder.mkdir()
    for file in [Path(exe)] + (list(Path(exe).parent.glob("*.WAV")) if cues else []):
        shutil.copy(file, folder)
    return folder / Path(exe).name


def peak(action):
    """The loudest sample (0 to 32767) the private sink plays while ACTION runs
    and for a second after it."""
    with tempfile.TemporaryFile() as raw:
        recorder = subprocess.Popen(["parec", "-d", "test.monitor", "--raw", "--format=s16le", "--rate=22050", "--channels=1"], stdout=raw)
        time.sleep(0.5)
        action()
        time.sleep(1)
        recorder.terminate()
        recorder.wait()
        raw.seek(0)
        data = raw.read()
    return max(map(abs, array.array("h", data[: len(data) // 2 * 2])), default=0)


def rules_windows():
    """The rules window's X windows, oldest first."""
    return windows_named("Tarnwick Rules")


def new_rules(before, seconds=10):
    """The rules window that is not among BEFORE, once Wine shows it."""
    wait_for(lambda: len(rules_windows()) > len(before), True, seconds)
    return rules_windows()[-1]


def press_ok(rules):
    x, y = geometry(rules)[:2]
    ok_x, ok_y, ok_w, ok_h = rect("kOkButtonTwips")
    xdotool("mousemove", x + ok_x + ok_w // 2, y + ok_y + ok_h // 2, "click", 1)


CHECKS = {}


def check(function):
    CHECKS[function.__name__] = function
    return function


def started_game(exe):
    """The game set up with hole 1 empty, started, and 4 jumped into 1."""
    game = Game(exe)
    game.drag(0, 14)
    game.expect_board("EPPPPPPPPPPPPPP")
    game.click("start")
    game.drag(3, 0)
    game.expect_board("PEPEPPPPPPPPPPP")
    return game


@check
def SystemDllsOnly(exe, objdump):
    """On a bare Windows it finds everything it needs in the system."""
    listing = subprocess.run([objdump, "-p", exe], check=True, capture_output=True, text=True).stdout
    dlls = {name.lower() for name in re.findall(r"DLL Name: (\S+)", listing)}
    system = {f"{name}.dll" for name in "kernel32 user32 gdi32 winmm comctl32 shell32 advapi32 ole32 msvcrt".split()}
    # No import at all means the listing was not read, not a clean program.
    if "kernel32.dll" not in dlls or dlls - system:
        raise Failed(f"imports {sorted(dlls)}")


@check
def StartPosition(exe):
    game = Game(exe)
    x, y, width, height = rect("kMainClientTwips")
    if geometry(game.window) != [x, y, width, height]:
        raise Failed(f"window at {geometry(game.window)}")
    game.expect_board("PPPPPPPPPPPPPPE")
    game.quit()


@check
def Jump(exe):
    started_game(exe).quit()


@check
def ReleaseOverButton(exe):
    """Released over "Start Game", then the pointer over the background: both
    reach the game, which ended the drag and now puts the peg back (what it
    does with each, InputSequenceTest says)."""
    game = started_game(exe)
    x, y = game.origin()
    hole_x, hole_y = HOLES[5]
    xdotool("mousemove", x + hole_x + HOLE_W // 2, y + hole_y + HOLE_H // 2, "sleep", 0.2, "mousedown", 1, "sleep", 0.2)
    driver("tarnwick_point_at", game.window, "start")
    xdotool("mouseup", 1, "sleep", 0.4, "mousemove", x + 20, y + 20, "sleep", 0.2, "mousemove", x + 24, y + 30, "sleep", 0.4)
    game.expect_board("PEPEPPPPPPPPPPP")
    game.quit()


@check
def WholeGame(exe):
    """A won game to the message box captioned "Tarnwick"; closing it resets the board."""
    game = started_game(exe)
    for start, end in ((5, 3), (0, 5), (6, 1), (9, 2), (11, 4), (12, 5), (1, 8), (2, 9), (14, 5), (5, 12), (13, 11)):
        game.drag(start, end)
    game.expect_board("EEEEEEEEEEPPEEE")
    game.drag(10, 12)
    game.winner_message()
    game.expect_board("EEEEEEEEEEEEPEE")
    keys("Return")
    game.expect_board("PPPPPPPPPPPPPPE", 5)
    game.quit()


@check
def Rules(exe):
    """HELP opens the rules centred on the screen, every line fitting; a second
    HELP only raises them; OK unloads them, so the next HELP makes a new window."""
    game = Game(exe)
    before = rules_windows()
    game.click("help")
    first = new_rules(before)
    _, _, width, height = rect("kRulesClientTwips")
    # The frame's sides are equal, so the client area's left edge is centred whatever the frame.
    screen_width = int(re.search(r"dimensions:\s+(\d+)x", subprocess.run(["xdpyinfo"], capture_output=True, text=True).stdout)[1])
    place = geometry(first)
    if [place[0], place[2], place[3]] != [(screen_width - width) // 2, width, height]:
        raise Failed(f"rules window at {place}")
    # The text: black on the teal above OK, and none in the last columns it would run into.
    at, text_height = pixels(first), rect("kOkButtonTwips")[1]
    if (0, 0, 0) not in {at(x, y) for x in range(width - 8) for y in range(text_height)} or len(
            {at(x, y) for x in range(width - 8, width) for y in range(text_height)}) != 1:
        raise Failed("the rules text does not fit the window")
    before = rules_windows()
    game.click("help")
    if rules_windows() != before or geometry(first) != place:
        raise Failed("a second HELP made or moved a window")
    press_ok(first)
    wait_for(lambda: first in rules_windows(), False, 10)
    before = rules_windows()
    game.click("help")
    second = new_rules(before)
    if geometry(second) != place:
        raise Failed(f"OK did not unload the rules window: the next is at {geometry(second)}")
    press_ok(second)
    game.quit()


@check
def Quit(exe):
    Game(exe).quit()


@check
def DialogKeys(exe):
    """In a new game: Tab moves the focus from "Start Game" to "HELP", Enter
    presses it; Esc does nothing in either window, Enter presses the rules' OK.
    (Wine's dialog keys ignore the arrows in a window that is not a dialog:
    MainFormTest checks where they would go.)"""
    game = Game(exe)
    game.focus()
    before = rules_windows()
    keys("Escape", "Tab", "Return", delay=300)
    rules = new_rules(before)
    x, y = geometry(rules)[:2]
    xdotool("mousemove", x + 400, y + 200, "click", 1, "sleep", 0.3, "key", "Escape", "sleep", 0.5)
    before = rules_windows()
    game.click("help")
    time.sleep(0.5)
    if rules_windows() != before:
        raise Failed("Esc closed the rules window")
    xdotool("mousemove", x + 400, y + 200, "click", 1, "sleep", 0.3, "key", "Return")
    wait_for(lambda: rules in rules_windows(), False, 10)
    before = rules_windows()
    game.click("help")
    press_ok(new_rules(before))
    game.quit()


@check
def CloseThroughFrame(exe):
    """Alt+F4 is what the frame's close box sends: the program ends as on QUIT."""
    game = Game(exe)
    game.focus()
    since = time.monotonic()
    keys("alt+F4")
    game.ended(since)


@check
def KeyboardGame(exe):
    """A game won with the keyboard alone. The board is the stop after QUIT and
    is ringed only while it has the focus (a click on a hole does not give it
    the focus); in setup the peg of hole 1 goes to hole 15, Tab and Enter
    press "Start Game", Shift+Tab goes back to the board, Home, Right and
    Space play the winning line, and Return answers the winner message."""
    game = Game(exe)
    game.focus()
    game.drag(13, 13)
    for pressed, board, rings in (
            ((), None, []), (("Tab",) * 3, None, [1]), (("space", "End", "space"), "EPPPPPPPPPPPPPP", [15]),
            (("Tab",), None, []), (("Return", "shift+Tab"), None, [15])):
        if pressed:
            keys(*pressed)
        if board:
            game.expect_board(board)
        wait_for(game.rings, rings)

    def to(hole):
        keys("Home", *["Right"] * (hole - 1), delay=30)

    for start, end in ((4, 1), (6, 4), (1, 6), (7, 2), (10, 3), (12, 5), (13, 6), (2, 9), (3, 10), (15, 6), (6, 13), (14, 12)):
        to(start)
        keys("space")
        to(end)
        keys("space")
    game.expect_board("EEEEEEEEEEPPEEE")
    to(11)
    keys("space")
    to(13)
    keys("space")
    game.expect_board("EEEEEEEEEEEEPEE")
    game.winner_message()
    keys("Return")
    # The new game, with the board's focus back where it was.
    game.expect_board("PPPPPPPPPPPPPPE", 5)
    wait_for(game.rings, [13])
    game.quit()


@check
def CueHeard(exe):
    """The peg of hole 14 picked up and put back: "pickup" and "pegdrop" reach the sink."""
    game = Game(exe)
    loudest = peak(lambda: game.drag(13, 13))
    game.quit()
    if loudest <= 1000:
        raise Failed(f"peak {loudest}: nothing heard")


@check
def UnicodeFolder(exe):
    """A folder whose name the ANSI code page cannot spell: the game runs there
    and plays on. (Its cues are read by their wide path, which the CueFolder
    test checks; they cannot be heard there, as Wine 8 plays no asynchronous
    sndPlaySound at all for a program in such a folder.)"""
    game = Game(folder_with(exe, "Тарнвик 塔恩威克"))
    game.drag(0, 14)
    game.expect_board("EPPPPPPPPPPPPPP")
    game.quit()


@check
def GarbageCuesSilent(exe):
    """Garbage in every cue file: silence, and the game goes on."""
    copy = folder_with(exe, "garbage", cues=False)
    for cue in ("pickup", "pegdrop", "winner", "loser", "loser4", "loser3"):
        (copy.parent / f"{cue}.WAV").write_bytes(os.urandom(4000))
    game = Game(copy)
    loudest = peak(lambda: game.drag(0, 14))
    game.expect_board("EPPPPPPPPPPPPPP")
    game.quit()
    if loudest >= 100:
        raise Failed(f"peak {loudest} from garbage")


def with_crafted_pickup(exe, crafted):
    """EXE's copy with the wave file CRAFTED (tests/support/crafted_wave.py) as pickup.WAV."""
    copy = folder_with(exe, crafted)
    subprocess.run([sys.executable, ROOT / "tests/support/crafted_wave.py", crafted, copy.parent / "pickup.WAV"], check=True)
    return copy


@check
def CraftedPickup(exe, crafted):
    """A peg picked up with a hostile pickup.WAV: the game stays up with its
    board kept, and QUIT ends it."""
    game = Game(with_crafted_pickup(exe, crafted))
    game.drag(0, 14)
    time.sleep(1)
    if not game.running():
        raise Failed("the game ended at the pick-up")
    game.expect_board("EPPPPPPPPPPPPPP")
    game.quit()


@check
def QuitDuringLongCue(exe):
    """QUIT while a 20-second cue plays, three times over: the playing buffer
    stays until playback has stopped, and the game ends."""
    copy = with_crafted_pickup(exe, "long-tone")
    for _ in range(3):
        game = Game(copy)
        game.drag(13, 13)
        game.quit()


def main(checks, args=sys.argv[2:]):
    try:
        checks[sys.argv[1]](*args)
    except Failed as failure:
        sys.exit(f"{sys.argv[1]}: {failure}")
    finally:
        shutil.rmtree(WORK, ignore_errors=True)


if __name__ == "__main__":
    main(CHECKS)
