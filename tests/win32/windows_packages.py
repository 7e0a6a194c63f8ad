#!/usr/bin/env python3
"""Tests the Windows zip and installer under Wine as a player uses them, one
check a run, in the Wine prefix of the session the window checks share:

    windows_packages.py CHECK APP_FOLDER ZIP INSTALLER README VERSION

After Install, the checks use what it installed; Uninstall comes last."""

import glob
import os
import struct
import subprocess
import sys
import time
import zipfile
from pathlib import Path

from windows_game import ROOT, WINE, WORK, Failed, Game, clean_up, wait_for, windows_named, xdotool

FILES = ["tarnwick.exe", "pickup.WAV", "pegdrop.WAV", "winner.WAV", "loser.WAV", "loser4.WAV", "loser3.WAV",
         "LICENSE.txt", "README.txt"]
INSTALLED = Path(os.environ["WINEPREFIX"], "drive_c/Program Files/Tarnwick")
SHORTCUT = Path(os.environ["WINEPREFIX"], "drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs",
                "Tarnwick.lnk")
ENTRIES = r"HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall"
check, app, zip_file, setup, readme, version = sys.argv[1:7]


def wine(*args):
    return subprocess.run([WINE, *map(str, args)], capture_output=True, text=True, timeout=120)


def entry(*value):
    """The uninstall entry's values (VALUE alone if named) in the 64-bit registry; None without it."""
    listing = wine("reg", "query", ENTRIES + r"\Tarnwick", *value, "/reg:64")
    if listing.returncode == 0:
        lines = listing.stdout.splitlines()
        return [line.split(None, 2)[2].strip() for line in lines if line.startswith("    ")]


def installed_as_built():
    built = {"LICENSE.txt": ROOT / "LICENSE", "README.txt": Path(readme)}
    for name in FILES:
        if built.get(name, Path(app, name)).read_bytes() != (INSTALLED / name).read_bytes():
            raise Failed(f"{name} is not as built")


def installed_game(mine="pegdrop.WAV"):
    """The installed game, running, with a file of the player's, MINE, replacing a cue."""
    game = Game(INSTALLED / "tarnwick.exe")
    (INSTALLED / mine).write_text("not a wave file")
    return game


def asked(answer):
    """The installer started over the running game, asked whether to close it, answered with ANSWER."""
    game = installed_game()
    installer = subprocess.Popen([WINE, setup], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    Game.started.append(installer)  # ended with the games should the check fail
    wait_for(lambda: bool(windows_named("Tarnwick Setup")), True, 20)
    xdotool("sleep", 0.5, "key", answer)
    return game, installer


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


def run(check):
    if check == "Zip":  # unpacked into a folder named in Cyrillic and Chinese
        folder = WORK / "Тарнвик 塔恩威克"
        zipfile.ZipFile(zip_file).extractall(folder)
        if sorted(os.listdir(folder)) != sorted(FILES):
            raise Failed(f"the zip holds {os.listdir(folder)}")
        if any(not line.endswith(b"\r\n") for line in (folder / "README.txt").read_bytes().splitlines(True)):
            raise Failed("README.txt has lines without CR")
        Game(folder / "tarnwick.exe").quit()
    elif check == "Install":  # silently, with the shortcut and the uninstall entry
        wine(setup, "/S")
        installed_as_built()
        if not (INSTALLED / "uninstall.exe").is_file() or not SHORTCUT.is_file():
            raise Failed("no uninstaller or shortcut")
        names = ("DisplayName", "DisplayVersion", "Publisher", "QuietUninstallString", "EstimatedSize")
        seen = [entry("/v", name) for name in names]
        want = [["Tarnwick"], [version], ["The Tarnwick developers"],
                [r'"C:\Program Files\Tarnwick\uninstall.exe" /S']]
        if seen[:4] != want or int((seen[4] or ["0"])[0], 16) < 1000:
            raise Failed(f"uninstall entry {seen}")
    elif check == "InstalledPlays":
        Game(INSTALLED / "tarnwick.exe").quit()
    elif check == "Upgrade":  # over a replaced cue: the default comes back, one entry
        (INSTALLED / "pegdrop.WAV").write_text("not a wave file")
        wine(setup, "/S")
        installed_as_built()
        entries = wine("reg", "query", ENTRIES, "/reg:64").stdout.lower().count("uninstall\\tarnwick")
        if entries != 1:
            raise Failed(f"{entries} uninstall entries")
    elif check == "InstallOverRunningGame":
        # Silently: it closes the game as QUIT does. (Wine does not lock a running
        # program's file as Windows does, so the game's own end shows it was found.)
        game = installed_game()
        if (status := wine(setup, "/S").returncode) != 0:
            raise Failed(f"installer status {status}")
        game.ended()
        installed_as_built()
    elif check == "AskedCancel":  # the installer stops with status 2, the game plays on, nothing touched
        game, installer = asked("Escape")
        if installer.wait(60) != 2 or game.process.poll() is not None:
            raise Failed(f"installer status {installer.returncode}, game {game.process.poll()}")
        if (INSTALLED / "pegdrop.WAV").read_text() != "not a wave file":
            raise Failed("the installer changed the folder")
        game.quit()
    elif check == "AskedOk":  # the game ends, and Enter takes each page ("I Agree", "Install", "Finish")
        game, installer = asked("Return")
        game.ended()
        # A page shows when it will: Enter again each second, until the installer ends.
        for _ in range(60):
            if installer.poll() is not None:
                break
            xdotool("sleep", 1, "key", "Return")
        if installer.poll() != 0:
            raise Failed(f"installer status {installer.poll()}")
        installed_as_built()
    elif check == "Versions":  # the .deb where the package build made one, the names, the resources
        programs = (Path(app, "tarnwick.exe"), setup, INSTALLED / "uninstall.exe")
        seen = [Path(zip_file).name, Path(setup).name] + [resource_facts(file) for file in programs]
        want = [f"tarnwick-{version}-windows-x64.zip", f"tarnwick-{version}-windows-x64-setup.exe"]
        want += [f"{version} icon"] * 3
        for deb in glob.glob(str(ROOT / "build/release/package/tarnwick_*.deb"))[:1]:
            # Its version without the package's own revision (0.1.0-1).
            fields = subprocess.run(["dpkg-deb", "-f", deb, "Version"], capture_output=True, text=True).stdout
            seen.append(fields.strip().rsplit("-", 1)[0])
            want.append(version)
        if seen != want:
            raise Failed(f"seen {seen}")
    elif check == "Uninstall":
        # While the game plays, which it closes; by name only: a replaced cue goes like
        # its default, the player's own file and so the folder stay. It copies itself
        # away and returns at once (Wine quotes an _?= with a space, which NSIS then
        # ignores): the uninstall entry, the last thing it removes, shows it is done.
        game = installed_game("winner.WAV")
        (INSTALLED / "my notes.txt").write_text("mine")
        wine(INSTALLED / "uninstall.exe", "/S")
        wait_for(entry, None, 20)
        game.ended()
        left = [name for name in FILES + ["uninstall.exe"] if (INSTALLED / name).exists()]
        left += ["the shortcut"] * SHORTCUT.exists()
        if left or (INSTALLED / "my notes.txt").read_text() != "mine":
            raise Failed(f"left: {left}")


try:
    run(check)
except Failed as failure:
    sys.exit(f"failed: {failure}")
finally:
    clean_up()
