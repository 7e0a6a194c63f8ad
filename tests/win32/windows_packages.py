#!/usr/bin/env python3
"""Tests the Windows zip and installer under Wine as a player uses them, one
check a run, in the Wine prefix of the session the window checks share:

    windows_packages.py CHECK APP_FOLDER ZIP INSTALLER README VERSION

The checks after Install use what it installed, in the order
tests/win32/CMakeLists.txt gives them; Uninstall comes last."""

import glob
import os
import struct
import subprocess
import sys
import time
import zipfile
from pathlib import Path

from windows_game import ROOT, WINE, WORK, Failed, Game, keys, main, wait_for, windows_named

FILES = ("tarnwick.exe", "pickup.WAV", "pegdrop.WAV", "winner.WAV", "loser.WAV", "loser4.WAV", "loser3.WAV", "LICENSE.txt", "README.txt")
INSTALLED = Path(os.environ["WINEPREFIX"], "drive_c/Program Files/Tarnwick")
SHORTCUT = Path(os.environ["WINEPREFIX"], "drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Tarnwick.lnk")
UNINSTALL_KEY = r"HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall"
app, zip_file, setup, readme, version = sys.argv[2:7]


def wine(*args, **options):
    return subprocess.run([WINE, *map(str, args)], capture_output=True, text=True, timeout=120, **options)


def key_value(name):
    """The uninstall entry's value NAME, as the 64-bit registry has it."""
    listing = wine("reg", "query", UNINSTALL_KEY + r"\Tarnwick", "/v", name, "/reg:64").stdout
    return next((line.split(None, 2)[2].strip() for line in listing.splitlines() if line.split()[:1] == [name]), None)


def entry_present():
    return wine("reg", "query", UNINSTALL_KEY + r"\Tarnwick", "/reg:64").returncode == 0


def installed_as_built():
    built = {"LICENSE.txt": ROOT / "LICENSE", "README.txt": Path(readme)}
    for name in FILES:
        if built.get(name, Path(app, name)).read_bytes() != (INSTALLED / name).read_bytes():
            raise Failed(f"{name} is not as built")


def replace_cue(name="pegdrop.WAV"):
    (INSTALLED / name).write_text("not a wave file")


CHECKS = {}


def check(function):
    CHECKS[function.__name__] = function
    return function


@check
def Zip():
    """Unpacked into a folder named in Cyrillic and Chinese, the zip holds the
    files, a README with Windows line ends, and a game that plays."""
    folder = WORK / "Тарнвик 塔恩威克"
    zipfile.ZipFile(zip_file).extractall(folder)
    if sorted(os.listdir(folder)) != sorted(FILES):
        raise Failed(f"the zip holds {os.listdir(folder)}")
    if any(not line.endswith(b"\r\n") for line in (folder / "README.txt").read_bytes().splitlines(True)):
        raise Failed("README.txt has lines without CR")
    Game(folder / "tarnwick.exe").quit()


@check
def Install():
    """Silently, with the shortcut and the uninstall entry."""
    wine(setup, "/S")
    installed_as_built()
    if not (INSTALLED / "uninstall.exe").is_file() or not SHORTCUT.is_file():
        raise Failed("no uninstaller or shortcut")
    entry = [key_value(name) for name in ("DisplayName", "DisplayVersion", "Publisher", "QuietUninstallString")]
    if entry != ["Tarnwick", version, "The Tarnwick developers", r'"C:\Program Files\Tarnwick\uninstall.exe" /S']:
        raise Failed(f"uninstall entry {entry}")
    size = key_value("EstimatedSize") or ""
    if not size.startswith("0x") or int(size, 16) < 1000:
        raise Failed(f"estimated size {size}")


@check
def InstalledPlays():
    Game(INSTALLED / "tarnwick.exe").quit()


@check
def Upgrade():
    """The same installer over a replaced cue: the default comes back, one entry."""
    replace_cue()
    wine(setup, "/S")
    installed_as_built()
    entries = wine("reg", "query", UNINSTALL_KEY, "/reg:64").stdout.lower().count("uninstall\\tarnwick")
    if entries != 1:
        raise Failed(f"{entries} uninstall entries")


@check
def InstallOverRunningGame():
    """Run silently while the installed game plays: it closes the game, as QUIT
    does, and installs. (Wine does not lock a running program's file as
    Windows does, so the game's own end shows it was found.)"""
    game = Game(INSTALLED / "tarnwick.exe")
    replace_cue()
    status = wine(setup, "/S").returncode
    game.ended()
    if status != 0:
        raise Failed(f"installer status {status}")
    installed_as_built()


def ask_over_running_game():
    """The installed game, a file of the player's beside it, and the installer
    asking whether to close the game: (game, installer)."""
    game = Game(INSTALLED / "tarnwick.exe")
    replace_cue()
    installer = subprocess.Popen([WINE, setup], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    wait_for(lambda: bool(windows_named("Tarnwick Setup")), True, 20)
    time.sleep(0.5)
    return game, installer


@check
def AskedCancel():
    """The player says Cancel (Esc): the installer stops with status 2, the
    game plays on, no file is touched."""
    game, installer = ask_over_running_game()
    keys("Escape")
    if installer.wait(60) != 2:
        raise Failed(f"installer status {installer.returncode}")
    if not game.running():
        raise Failed("the game was closed")
    if (INSTALLED / "pegdrop.WAV").read_text() != "not a wave file":
        raise Failed("the installer changed the folder")
    game.quit()


@check
def AskedOk():
    """The player says OK (Enter): the game ends, and the installer's pages
    follow (Enter takes each: "I Agree", "Install", "Finish") to an
    installation as built."""
    game, installer = ask_over_running_game()
    keys("Return")
    game.ended()
    for _ in ("license", "folder", "finish"):
        time.sleep(1.5)
        if installer.poll() is not None:
            break
        keys("Return")
    if installer.wait(10) != 0:
        raise Failed(f"installer status {installer.returncode}")
    installed_as_built()


def resource_facts(path):
    """The version in PATH's version resource (the string, and the fixed one,
    which must agree) and whether it carries every image of the game's icon."""
    data = Path(path).read_bytes()
    at = data.index("ProductVersion\0".encode("utf-16-le")) + 30
    while data[at:at + 2] == b"\0\0":
        at += 2
    text = data[at:data.index(b"\0\0", at) + 1].decode("utf-16-le").rstrip("\0")
    ms, ls = struct.unpack_from("<II", data, data.index(struct.pack("<I", 0xFEEF04BD)) + 16)
    numbers = f"{ms >> 16}.{ms & 0xFFFF}.{ls >> 16}.{ls & 0xFFFF}"
    ico = Path(app, "pictures/tarnwick.ico").read_bytes()
    images = [struct.unpack_from("<II", ico, 6 + 16 * i + 8) for i in range(ico[4])]
    icon = "icon" if all(ico[at:at + size] in data for size, at in images) else "no icon"
    return f"{text if numbers == text + '.0' else text + '/' + numbers} {icon}"


@check
def Versions():
    """One version: the .deb (where scripts/test-package.sh built one), the
    zip's and the installer's names, and the version resources."""
    seen = [Path(zip_file).name, Path(setup).name] + [resource_facts(file) for file in (Path(app, "tarnwick.exe"), setup, INSTALLED / "uninstall.exe")]
    want = [f"tarnwick-{version}-windows-x64.zip", f"tarnwick-{version}-windows-x64-setup.exe"] + [f"{version} icon"] * 3
    for deb in glob.glob(str(ROOT / "build/release/package/tarnwick_*.deb"))[:1]:
        # Its version without the package's own revision (0.1.0-1).
        seen.append(subprocess.run(["dpkg-deb", "-f", deb, "Version"], capture_output=True, text=True).stdout.strip().rsplit("-", 1)[0])
        want.append(version)
    if seen != want:
        raise Failed(f"seen {seen}")


@check
def Uninstall():
    """While the game plays: the uninstaller closes it, then removes by name
    only what was installed: a replaced cue goes like its default, the
    player's own file and so the folder stay. It copies itself away and
    returns at once (Wine quotes an _?= with a space, which NSIS then
    ignores), so the check waits for the uninstall entry, the last thing it
    removes, to go."""
    game = Game(INSTALLED / "tarnwick.exe")
    (INSTALLED / "my notes.txt").write_text("mine")
    replace_cue("winner.WAV")
    wine(INSTALLED / "uninstall.exe", "/S")
    wait_for(entry_present, False, 20)
    game.ended()
    left = [name for name in FILES + ("uninstall.exe",) if (INSTALLED / name).exists()] + ["the shortcut"] * SHORTCUT.exists()
    if left or (INSTALLED / "my notes.txt").read_text() != "mine":
        raise Failed(f"left: {left}")


if __name__ == "__main__":
    main(CHECKS, [])
