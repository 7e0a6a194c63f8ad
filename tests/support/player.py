#!/usr/bin/env python3
"""Plays the game as a player does, step by step (a verb of STEPS or Play and its words), in
a private session (CTest's fixture or the screenshot scripts'): the Linux game, its COMMAND
maybe a tracer's, or the Windows one (a .exe) under Wine. Holes are 0..14 for the mouse:
player.py COMMAND... -- start "drag 0 14" "board EPPPPPPPPPPPPPP" quit"""

import os
import re
import shutil
import signal
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
WORK = Path(tempfile.mkdtemp(prefix="player-", dir=os.environ.get("TARNWICK_SESSION_DIR")))
# Only a hang runs into it: under valgrind the window and the end take minutes.
LIMIT = int(os.environ.get("TARNWICK_WINDOW_TIMEOUT", 30))
RECORDING, RECORDER = WORK / "sink.raw", []


def rects(name):
    """The layout's rectangles from NAME on, in pixels at 96 dpi: [left, top, width, height] each."""
    found = re.findall(r"\{ (\d+), (\d+), (\d+), (\d+) \}", LAYOUT.partition(name + " ")[2])
    return [[int(twips) // 15 for twips in each] for each in found]


def middle(left, top, width, height):
    return left + width // 2, top + height // 2


HOLES = rects("kCellTwips")[:15]
BUTTONS = dict(zip(("start", "help", "quit"), rects("kCommand1Twips")))


def xdotool(*args):
    subprocess.run(["xdotool", *map(str, args)], check=True)


def wait_for(what, want, seconds=5):
    """Polls WHAT() until it returns WANT, for SECONDS at most."""
    deadline = time.monotonic() + seconds
    while (seen := what()) != want:
        assert time.monotonic() < deadline, f"{what.__qualname__}: {seen!r}, expected {want!r}"
        time.sleep(0.1)


def windows_named(title):
    found = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", f"^{title}$"],
                           capture_output=True, text=True)
    return sorted(found.stdout.split(), key=int)


def window_named(title, seconds=10):
    """The one window titled TITLE, once it shows."""
    wait_for(lambda: len(windows_named(title)), 1, seconds)
    return windows_named(title)[0]


def geometry(window):
    """The X window's screen place and size: [x, y, width, height]."""
    info = subprocess.run(["xwininfo", "-id", window], check=True, capture_output=True, text=True).stdout
    return [int(re.search(rf"{key}:\s+(-?\d+)", info)[1]) for key in ("left X", "left Y", "Width", "Height")]


def pixels(window):
    """The window's pixels now, as a function of (x, y) giving (r, g, b)."""
    ppm = subprocess.run(["import", "-silent", "-window", window, "-depth", "8", "ppm:-"],
                         check=True, capture_output=True).stdout
    header = re.match(rb"P6\s+(\d+)\s+(\d+)\s+255\s", ppm)
    width, data = int(header[1]), ppm[header.end():]
    return lambda x, y: tuple(data[(y * width + x) * 3:(y * width + x) * 3 + 3])


class Game:
    """COMMAND, the game, running, with its window found. Places in the client area are
    given at 96 dpi, and scaled by SCALE, Wine's density over 96."""

    started = []

    def __init__(self, command, scale=1, desktop=False, env=None):
        # Wine's own complaints drown what a failing check prints; valgrind's and strace's count.
        wine = command[0] == WINE
        self.process = subprocess.Popen(command, env=env, stdout=subprocess.DEVNULL,
                                        stderr=subprocess.DEVNULL if wine else None)
        Game.started.append(self.process)
        self.window, self.scale, self.inset = window_named("Tarnwick", LIMIT), scale, (0, 0)
        print(f"window={self.window}")
        x, y, width, height = geometry(self.window)
        if desktop:
            # In Wine's virtual desktop the X window holds the frame too: the client
            # area sits at its bottom, inside borders as wide as the sides.
            client_width, client_height = (round(v * scale) for v in rects("kMainClientTwips")[0][2:])
            border = (width - client_width) // 2
            self.inset = border, height - border - client_height
        self.x, self.y = x + self.inset[0], y + self.inset[1]

    def at(self, x, y):
        """The screen place of (X, Y) in the client area."""
        return self.x + round(int(x) * self.scale), self.y + round(int(y) * self.scale)

    def pixels(self):
        """The client area's pixels now, as a function of a place in it."""
        at, (left, top) = pixels(self.window), self.inset
        return lambda x, y: at(left + round(x * self.scale), top + round(y * self.scale))

    def board(self):
        """The holes as shown: P where a peg's lit end face is bright, E on dark wood."""
        at = self.pixels()
        return "".join("P" if at(x + w * 2 // 3, y + h // 2)[1] > 140 else "E" for x, y, w, h in HOLES)

    def rings(self):
        """The holes (1..15) with the keyboard's ring just left of them."""
        at = self.pixels()
        return [n for n, (x, y, _, h) in enumerate(HOLES, 1) if at(x - 1, y + h // 2) == RING]

    def ended(self):
        """The game ends by itself with status 0; prints how long it took."""
        since = time.monotonic()
        status = self.process.wait(LIMIT)
        print(f"the game ended {time.monotonic() - since:.2f} s later with status {status}")
        assert status == 0, f"status {status}"

    def drag(self, start, end):
        """The peg in hole START to hole END, pressed, moved in steps as a hand does, and released."""
        (x0, y0), (x1, y1) = [self.at(*middle(*HOLES[int(hole)])) for hole in (start, end)]
        steps = " ".join(f"mousemove {x0 + (x1 - x0) * i // 4} {y0 + (y1 - y0) * i // 4} sleep 0.03"
                         for i in range(1, 5))
        xdotool(*f"mousemove {x0} {y0} sleep 0.1 mousedown 1 sleep 0.1 {steps} sleep 0.1 mouseup 1".split())

    def point(self, *at):
        """The pointer onto a button (start, help, quit) or a place (x y) in the client area."""
        xdotool("mousemove", *self.at(*(middle(*BUTTONS[at[0]]) if len(at) == 1 else at)), "sleep", 0.3)

    def click(self, *at):
        self.point(*at)
        xdotool("click", 1, "sleep", 0.3)

    def quit(self):
        self.point("quit")
        xdotool("click", 1)
        self.ended()


def clean_up():
    """What a failed check left: its games, which would stand in the next check's way, a
    stopped audio server, and its files."""
    for process in Game.started + RECORDER:
        process.kill()
    if "TARNWICK_PULSE_PID" in os.environ:
        os.kill(int(os.environ["TARNWICK_PULSE_PID"]), signal.SIGCONT)
    subprocess.run(["chmod", "-R", "u+w", WORK])
    shutil.rmtree(WORK, ignore_errors=True)


def record():
    """The private sink's monitor recorded from now on (once), as raw 16-bit mono."""
    if not RECORDER:
        RECORDER.append(subprocess.Popen(["parec", "-d", "test.monitor", "--raw", "--format=s16le",
                                          "--rate=48000", "--channels=1", "--latency-msec=20", RECORDING]))
        # A fresh server delivers the monitor only after a few seconds.
        wait_for(lambda: RECORDING.exists() and RECORDING.stat().st_size > 9600, True, 20)


def peak(action):
    """The loudest sample (0 to 32767) the private sink plays while ACTION runs and 1.5 s after."""
    record()

    def mark():
        time.sleep(0.1)
        return RECORDING.stat().st_size // 2 * 2

    begin = mark()
    action()
    time.sleep(1.5)
    data = RECORDING.read_bytes()[begin:mark()]
    return max(map(abs, memoryview(data).cast("h")), default=0)


class Play:
    """The steps; self.exe is the program the next start runs (after self.prefix), self.game
    the game running."""

    def __init__(self, command):
        *self.prefix, exe = command
        self.exe, self.game, self.scale, self.framed_by_wine, self.env = Path(exe), None, 1, False, None
        if self.exe.suffix == ".exe":
            self.prefix.insert(0, WINE)

    def start(self):
        self.game = Game([*self.prefix, self.exe], self.scale, self.framed_by_wine, self.env)

    def copy(self, *name):
        """EXE and its cues into a new folder NAME, which the next steps use."""
        folder = WORK / " ".join(name)
        folder.mkdir()
        for file in [self.exe, *self.exe.parent.glob("*.WAV")]:
            shutil.copy(file, folder)
        self.exe = folder / self.exe.name

    def garbage(self):
        """Broken cue files: noise, a header cut short, a folder and an empty file."""
        for cue in CUES:
            (self.exe.parent / f"{cue}.WAV").write_bytes(os.urandom(4000))
        (self.exe.parent / "pegdrop.WAV").write_bytes(b"RIFF\xff\xff\xff\x7fWAVEfmt ")
        (self.exe.parent / "winner.WAV").unlink()
        (self.exe.parent / "winner.WAV").mkdir()
        (self.exe.parent / "loser.WAV").write_bytes(b"")

    def traced(self):
        """The next start under strace, with its program's folder and a home of its own read-only,
        and a runtime folder of its own."""
        home, runtime = WORK / "home", WORK / "runtime"
        home.mkdir()
        runtime.mkdir(mode=0o700)
        subprocess.run(["chmod", "-R", "a-w", self.exe.parent, home], check=True)
        self.env = {key: value for key, value in os.environ.items()
                    if key not in ("XDG_CONFIG_HOME", "XDG_CACHE_HOME", "XDG_DATA_HOME", "XDG_STATE_HOME")}
        # LeakSanitizer cannot work under a tracer; the other tests look for leaks.
        leaks = os.environ.get("ASAN_OPTIONS", "") + ":detect_leaks=0"
        self.env.update(HOME=str(home), XDG_RUNTIME_DIR=str(runtime), ASAN_OPTIONS=leaks.lstrip(":"))
        calls = "open,openat,creat,mkdir,mkdirat,rename,renameat,renameat2,unlink,unlinkat,link,linkat," \
                "symlink,symlinkat,truncate,chmod,fchmodat"
        self.prefix = ["strace", "-f", "-qq", "-o", WORK / "trace", "-e", f"trace={calls}", *self.prefix]

    def wrote_nothing(self):
        """The traced game created, changed or opened for writing no file but in /dev, /proc
        and its runtime folder."""
        trace = (WORK / "trace").read_text().splitlines()
        written = (r"O_WRONLY|O_RDWR|O_CREAT|O_TRUNC"
                   r"|^\d+ +(creat|mkdir|rename|unlink|link|symlink|truncate|chmod|fchmodat)")
        allowed = f'"(/dev/|/proc/|{re.escape(str(WORK / "runtime"))})'
        writes = [line for line in trace if re.search(written, line) and not re.search(allowed, line)]
        assert not writes, "the program wrote to the file system:\n" + "\n".join(writes)
        print(f"{sum('open' in line for line in trace)} file opens traced, none for writing")

    def picture(self):
        """The client area shows what it showed at the first of these steps."""
        seen = subprocess.run(["import", "-window", self.game.window, "rgb:-"], capture_output=True).stdout
        self.first_picture = getattr(self, "first_picture", seen)
        assert seen == self.first_picture, "another picture"

    def desktop(self, dpi):
        """The next start in Wine's virtual desktop, which draws the window's frame, at DPI."""
        settings = [(r"Control Panel\Desktop", "LogPixels", "REG_DWORD", dpi),
                    (r"Software\Wine\Explorer", "Desktop", "REG_SZ", "Tarnwick"),
                    (r"Software\Wine\Explorer\Desktops", "Tarnwick", "REG_SZ", "1280x1024")]
        for key, name, kind, data in settings:
            subprocess.run([WINE, "reg", "add", rf"HKCU\{key}", "/v", name, "/t", kind, "/d", data, "/f"],
                           check=True, capture_output=True)
        # The caption buttons are letters of Wine's Marlett font, which Debian's Wine
        # loads only from the prefix's Fonts folder: elsewhere the letters show.
        fonts = Path(os.environ["WINEPREFIX"], "drive_c/windows/Fonts")
        shutil.copy("/usr/share/wine/fonts/marlett.ttf", fonts)
        self.scale, self.framed_by_wine = int(dpi) / 96, True

    def shot(self, *file, window=None):
        """The game's window with its frame into FILE; in Wine's desktop with a little of it around."""
        window = window or self.game.window
        if not self.framed_by_wine:
            subprocess.run(["import", "-silent", "-frame", "-window", window, " ".join(file)], check=True)
            return
        x, y, width, height = geometry(window)
        margin = round(12 * self.scale)
        subprocess.run(["import", "-silent", "-window", "root", "-crop",
                        f"{width + 2 * margin}x{height + 2 * margin}+{x - margin}+{y - margin}", "+repage",
                        " ".join(file)], check=True)

    def listen(self, step, heard):
        """STEP plays a cue the private sink hears, or plays nothing it hears."""
        loudest = peak(lambda: self.run(step))
        assert loudest > 2000 if heard else loudest < 100, f"peak {loudest}"
        print(f"{'heard' if heard else 'silent'} {' '.join(step)}: peak {loudest}")

    def launcher(self):
        """Where the program's launcher leads, and the cues beside what it leads to."""
        program = self.exe.resolve()
        if program.is_file() and os.access(program, os.X_OK):
            print(f"program={program}")
        cues = sorted(cue.name for cue in program.parent.glob("*.WAV") if cue.stat().st_size)
        print("cues_beside=" + " ".join(cues))

    def system_dlls_only(self, objdump):
        """On a bare Windows the program finds everything it needs in the system."""
        listing = subprocess.run([objdump, "-p", self.exe], check=True, capture_output=True, text=True).stdout
        dlls = {name.lower() for name in re.findall(r"DLL Name: (\S+)", listing)}
        system = {f"{name}.dll" for name in
                  "kernel32 user32 gdi32 winmm comctl32 shell32 advapi32 ole32 msvcrt".split()}
        # No import at all means the listing was not read, not a clean program.
        assert "kernel32.dll" in dlls and dlls <= system, f"imports {sorted(dlls)}"

    def rules_centred(self):
        """One rules window, centred on the screen with every line fitting."""
        rules = window_named("Tarnwick Rules")
        _, _, width, height = rects("kRulesClientTwips")[0]
        screen = subprocess.run(["xdpyinfo"], capture_output=True, text=True).stdout
        # The frame's sides are equal, so the client area's left edge is centred whatever the frame.
        centred = (int(re.search(r"dimensions:\s+(\d+)x", screen)[1]) - width) // 2
        place = geometry(rules)
        assert place[0::2] == [centred, width] and place[3] == height, f"rules window at {place}"
        # Black text on the teal above OK, and none in the last columns it would run into.
        at, text_height = pixels(rules), rects("kOkButtonTwips")[0][1]
        text = {at(x, y) for x in range(width - 8) for y in range(text_height)}
        margin = {at(x, y) for x in range(width - 8, width) for y in range(text_height)}
        assert (0, 0, 0) in text and len(margin) == 1, "the rules text does not fit the window"

    def rules_click(self, *at):
        """A click on the rules window: on OK, or at a place (x y) in it."""
        x, y = geometry(window_named("Tarnwick Rules"))[:2]
        at = at or middle(*rects("kOkButtonTwips")[0])
        xdotool("mousemove", x + int(at[0]), y + int(at[1]), "click", 1, "sleep", 0.3)

    def at_layout(self):
        place = geometry(self.game.window)
        assert place == rects("kMainClientTwips")[0], f"window at {place}"

    def run(self, step):
        verb, *args = step
        STEPS[verb](self, *args) if verb in STEPS else getattr(self, verb.replace("-", "_"))(*args)


STEPS = {
    "rules": lambda play, count: wait_for(lambda: len(windows_named("Tarnwick Rules")), int(count), 10),
    "pause": lambda play, seconds=0.5: time.sleep(float(seconds)),
    # The pointer pressed on hole HOLE, moved to a button or a place (x y) in the window, released.
    "press": lambda play, hole: xdotool("mousemove", *play.game.at(*middle(*HOLES[int(hole)])), "sleep", 0.2,
                                        "mousedown", 1, "sleep", 0.2),
    "point": lambda play, *at: play.game.point(*at),
    "release": lambda play: xdotool("mouseup", 1, "sleep", 0.4),
    # The wave file NAME of tests/support/crafted_wave.py as pickup.WAV.
    "crafted": lambda play, name: subprocess.run(
        [sys.executable, ROOT / "tests/support/crafted_wave.py", name, play.exe.parent / "pickup.WAV"],
        check=True),
    "drag": lambda play, start, end: play.game.drag(start, end),
    "click": lambda play, button: play.game.click(button),
    "keys": lambda play, *names: xdotool("key", "--delay", 100, *names),
    # A click on the sky, which makes the game the active window.
    "focus": lambda play: play.game.click(20, 20),
    "board": lambda play, want: wait_for(play.game.board, want),
    "rings": lambda play, *want: wait_for(play.game.rings, [int(hole) for hole in want]),
    # Moves from the keys: Home, Right to a hole (1..15), Space, for the peg's hole and its target.
    "move": lambda play, *holes: [xdotool("key", "--delay", 30, "Home", *["Right"] * (int(hole) - 1), "space")
                                  for hole in holes],
    # The message box captioned as the game's window.
    "message": lambda play: wait_for(lambda: len(windows_named("Tarnwick")) > 1, True),
    # Still running a second later.
    "alive": lambda play: time.sleep(1) or wait_for(play.game.process.poll, None, 0),
    "quit": lambda play: play.game.quit(),
    "ended": lambda play: play.game.ended(),
    "heard": lambda play, *step: play.listen(step, True),
    "silent": lambda play, *step: play.listen(step, False),
    # The private audio server stopped, as when it restarts or a headset wakes, or going on.
    "audio": lambda play, state: os.kill(int(os.environ["TARNWICK_PULSE_PID"]),
                                         {"stop": signal.SIGSTOP, "continue": signal.SIGCONT}[state]),
    "record": lambda play: record(),
    "rules-shot": lambda play, *file: play.shot(*file, window=window_named("Tarnwick Rules")),
    "wm-class": lambda play: print("wm_class=" + re.findall(r'"([^"]*)"', subprocess.run(
        ["xprop", "-id", play.game.window, "WM_CLASS"], capture_output=True, text=True).stdout)[1]),
    # What the steps after it print goes to FILE, which other checks read.
    "report": lambda play, *file: setattr(sys, "stdout", open(" ".join(file), "w", buffering=1)),
}


def play_steps(command, steps):
    """Runs STEPS on COMMAND, each a string of words; a failed step raises."""
    play = Play(command)
    try:
        for words in steps:
            began = time.monotonic()
            play.run(words.split())
            print(f"{words}: {time.monotonic() - began:.2f} s")
    finally:
        clean_up()


if __name__ == "__main__":
    split = sys.argv.index("--")
    play_steps(sys.argv[1:split], sys.argv[split + 1:])
