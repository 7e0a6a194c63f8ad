#!/usr/bin/env python3
"""Tests the Windows zip and installer under Wine as a player uses them, in the prefix
of the session the window checks share, with the steps of tests/support/player.py and these:

    windows_packages.py EXE ZIP INSTALLER README VERSION STEP..."""

import os
import re
import struct
import subprocess
import sys
import zipfile
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[1] / "support"))
from player import CUES, ROOT, STEPS, WINE, WORK, Game, play_steps, wait_for, windows_named, xdotool

FILES = ["tarnwick.exe", *(f"{cue}.WAV" for cue in CUES), "LICENSE.txt", "README.txt"]
INSTALLED = Path(os.environ["WINEPREFIX"], "drive_c/Program Files/Tarnwick")
SHORTCUT = Path(os.environ["WINEPREFIX"], "drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs",
                "Tarnwick.lnk")
ENTRIES = r"HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall"
exe, zip_file, setup, readme, version = sys.argv[1:6]
app = Path(exe).parent


def wine(*args):
    return subprocess.run([WINE, *map(str, args)], capture_output=True, text=True, timeout=120)


def entry(*value):
    """The uninstall entry's values (VALUE alone if named) in the 64-bit registry; None without it."""
    listing = wine("reg", "query", ENTRIES + r"\Tarnwick", *value, "/reg:64")
    if listing.returncode == 0:
        lines = listing.stdout.splitlines()
        return [line.split(None, 2)[2].strip() for line in lines if line.startswith("    ")]


def unzip(play):
    """The zip unpacked into a folder named in Cyrillic and Chinese, whose game the next start runs."""
    folder = WORK / "Тарнвик 塔恩威克"
    zipfile.ZipFile(zip_file).extractall(folder)
    assert sorted(os.listdir(folder)) == sorted(FILES), f"the zip holds {os.listdir(folder)}"
    lines = (folder / "README.txt").read_bytes().splitlines(True)
    assert all(line.endswith(b"\r\n") for line in lines), "README.txt has lines without CR"
    play.exe = folder / "tarnwick.exe"


def install(play):
    """The installer, run silently: over a running game, it closes it as QUIT does.
    (Wine does not lock a running program's file as Windows does, so the game's
    own end shows that it was found.)"""
    assert (status := wine(setup, "/S").returncode) == 0, f"installer status {status}"


def as_built(play):
    built = {"LICENSE.txt": ROOT / "LICENSE", "README.txt": Path(readme)}
    for name in FILES:
        as_built = built.get(name, app / name).read_bytes()
        assert as_built == (INSTALLED / name).read_bytes(), f"{name} is not as built"


def registered(play):
    """The uninstaller, the shortcut, and one uninstall entry, which tells of the game."""
    assert (INSTALLED / "uninstall.exe").is_file() and SHORTCUT.is_file(), "no uninstaller or shortcut"
    want = {"DisplayName": "Tarnwick", "DisplayVersion": version, "Publisher": "The Tarnwick developers",
            "QuietUninstallString": r'"C:\Program Files\Tarnwick\uninstall.exe" /S'}
    seen = {name: (entry("/v", name) or [None])[0] for name in [*want, "EstimatedSize"]}
    assert int(seen.pop("EstimatedSize") or "0", 16) >= 1000 and seen == want, f"uninstall entry {seen}"
    entries = wine("reg", "query", ENTRIES, "/reg:64").stdout.lower().count("uninstall\\tarnwick")
    assert entries == 1, f"{entries} uninstall entries"


def ask(play, answer):
    """The installer started over the running game, asked whether to close it, answered with ANSWER."""
    play.installer = subprocess.Popen([WINE, setup], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    Game.started.append(play.installer)  # ended with the games should the check fail
    wait_for(lambda: bool(windows_named("Tarnwick Setup")), True, 20)
    xdotool("sleep", 0.5, "key", answer)


def pages(play):
    """Enter on each page ("I Agree", "Install", "Finish"), which shows when it will:
    Enter again each second, until the installer ends."""
    for _ in range(60):
        if play.installer.poll() is not None:
            break
        xdotool("sleep", 1, "key", "Return")


def resource_facts(path):
    """The version in PATH's version resource (the string, and the fixed one,
    which must agree) and whether it carries every image of the game's icon."""
    data = Path(path).read_bytes()
    # Resources sit at even offsets, so the file reads as UTF-16 there.
    text = re.search("ProductVersion\0+([^\0]+)", data.decode("utf-16-le", "replace"))[1]
    ms, ls = struct.unpack_from("<II", data, data.index(struct.pack("<I", 0xFEEF04BD)) + 16)
    numbers = f"{ms >> 16}.{ms & 0xFFFF}.{ls >> 16}.{ls & 0xFFFF}"
    ico = (app / "pictures/tarnwick.ico").read_bytes()
    images = [struct.unpack_from("<II", ico, 6 + 16 * i + 8) for i in range(ico[4])]
    icon = "icon" if all(ico[at:at + size] in data for size, at in images) else "no icon"
    return f"{text if numbers == text + '.0' else text + '/' + numbers} {icon}"


def versions(play):
    """The programs' resources, and the .deb where the package build made one. (The
    packages' names carry the version: the checks open them by it.)"""
    seen = [resource_facts(file) for file in (app / "tarnwick.exe", setup, INSTALLED / "uninstall.exe")]
    want = [f"{version} icon"] * 3
    for deb in sorted((ROOT / "build/release/package").glob("tarnwick_*.deb"))[:1]:
        # Its version without the package's own revision (0.1.0-1).
        fields = subprocess.run(["dpkg-deb", "-f", deb, "Version"], capture_output=True, text=True).stdout
        seen.append(fields.strip().rsplit("-", 1)[0])
        want.append(version)
    assert seen == want, f"seen {seen}"


def uninstall(play):
    """The uninstaller, run silently. It copies itself away and returns at once (Wine quotes
    an _?= with a space, which NSIS then ignores): the uninstall entry, the last thing it
    removes, shows it is done."""
    wine(INSTALLED / "uninstall.exe", "/S")
    wait_for(entry, None, 20)


def removed(play):
    """By name only: a replaced cue goes like its default (the player's own files stay)."""
    left = [name for name in FILES + ["uninstall.exe"] if (INSTALLED / name).exists()]
    left += ["the shortcut"] * SHORTCUT.exists()
    assert not left, f"left: {left}"


def ended_with(play, status):
    assert play.installer.wait(60) == int(status), f"installer status {play.installer.returncode}"


def kept(play, *name):
    """The player's file NAME is still there as written."""
    assert (INSTALLED / " ".join(name)).read_text() == "not a wave file", f"{name} changed"


STEPS.update({
    "unzip": unzip, "install": install, "as-built": as_built, "registered": registered,
    "ask": ask, "pages": pages, "installer-ended": ended_with,
    "versions": versions, "uninstall": uninstall, "removed": removed, "kept": kept,
    # The installed game, which the next start runs.
    "installed": lambda play: setattr(play, "exe", INSTALLED / "tarnwick.exe"),
    # A file of the player's, NAME, in the game's folder: a cue replaced, or one of its own.
    "mine": lambda play, *name: (play.exe.parent / " ".join(name)).write_text("not a wave file"),
})
play_steps([exe], sys.argv[6:])
