#!/usr/bin/env python3
"""Checks that every include points down to the core or sideways within its
own front-end or tool, never up nor across.

    scripts/check_includes.py [--root TREE] BUILD_DIR [BUILD_DIR...]

Each include is resolved as the compiler resolves it for the unit that reaches
it: the including file's own folder first for "quoted" names, then -iquote,
-I, -isystem and last the compiler's own folders, taken from the build
folder's compile_commands.json. Several headers share a name across the
front-ends (Main_form.h, frm_Rules.h), so only the unit's own search path
tells which one an include means. A build folder without compile commands is
passed over, unless none has them. Prints each offender as
"file:line: includes NAME -> RESOLVED (folder rule)" and exits 1 if any.
"""

import json
import re
import shlex
import subprocess
import sys
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent

CORE = ("game", "layout", "cues")

# What a folder may include from the tree, by the top folders of the file
# included. The first matching prefix wins; a folder not listed includes
# nothing of the tree.
RULES = [
    # The keyboard finds its way by the cells as drawn and speaks the holes'
    # names: the rule book stands on the layout, never the other way.
    ("game", ("game", "layout")),
    ("layout", ("layout",)),
    ("cues", ("cues", "game")),
    ("qt", CORE + ("qt",)),
    ("win32", CORE + ("win32",)),
    ("web", CORE + ("web",)),
    ("tools/pictures", CORE + ("tools/pictures",)),
    ("tools/cues", CORE + ("tools/cues",)),
    ("tests/qt", CORE + ("qt", "tests/qt", "tests/support")),
    ("tests/win32", CORE + ("win32", "tests/win32", "tests/support")),
    ("tests/web", CORE + ("web", "tests/web", "tests/support")),
    # The tests of the core, and what every test shares: no front-end.
    *((f"tests/{folder}", CORE + (f"tests/{folder}", "tests/support"))
      for folder in ("game", "layout", "cues", "fuzz", "support")),
    # The sound benchmark measures the Qt player with the sound tests' tools.
    ("benchmarks/sound", CORE + ("qt", "tests/qt/sound", "tests/support")),
    ("benchmarks", ()),
]

# Toolkit headers, which the core never includes even where the compiler finds
# them in its own folders (xcb, X11 and the Win32 API do live there). Qt's are
# told by their capital Q; Windows' names are case-insensitive.
TOOLKIT_NAME = re.compile(r"^(Q[A-Za-z]|SDL|xcb/|X11/|pulse/|gtest/|gmock/)")
WIN32_NAME = re.compile(
    r"^(windows|win(user|gdi|base|def|nt|error|reg|ver|sock2?|mm)|mmsystem|commctrl|shellapi"
    r"|shlobj|shlwapi|objbase|ole2|dwmapi|uxtheme|versionhelpers)\.h$",
    re.IGNORECASE,
)


def is_toolkit(name):
    return bool(TOOLKIT_NAME.match(name) or WIN32_NAME.match(name))


INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]')


def rule_for(relative):
    text = relative.as_posix()
    for prefix, allowed in RULES:
        if text == prefix or text.startswith(prefix + "/"):
            return prefix, allowed
    return None, ()


def within(relative, folders):
    text = relative.as_posix()
    return any(text.startswith(folder + "/") for folder in folders)


_implicit = {}


def implicit_dirs(compiler, flags):
    """The compiler's own include folders, as it lists them with -v."""
    key = (compiler, tuple(flags))
    if key not in _implicit:
        result = subprocess.run(
            [compiler, *flags, "-x", "c++", "-E", "-v", "-"],
            input="", capture_output=True, text=True, check=False)
        dirs, listing = [], False
        for line in result.stderr.splitlines():
            if line.startswith("#include <...> search starts here"):
                listing = True
            elif line.startswith("End of search list"):
                listing = False
            elif listing:
                dirs.append(Path(line.strip().split(" (")[0]).resolve())
        _implicit[key] = dirs
    return _implicit[key]


class Unit:
    """One compile command: its file and its include search path."""

    def __init__(self, entry):
        words = shlex.split(entry["command"]) if "command" in entry else entry["arguments"]
        folder = Path(entry["directory"])
        self.file = (folder / entry["file"]).resolve()
        self.quote, self.angle, self.system = [], [], []
        passed_on = []  # flags that change the compiler's own folders
        i = 1
        while i < len(words):
            word = words[i]
            for flag, into in (("-iquote", self.quote), ("-I", self.angle),
                               ("-isystem", self.system), ("-idirafter", self.system)):
                if word == flag and i + 1 < len(words):
                    into.append((folder / words[i + 1]).resolve())
                    i += 1
                    break
                if word.startswith(flag) and len(word) > len(flag):
                    into.append((folder / word[len(flag):]).resolve())
                    break
            else:
                if word.startswith(("--target", "-std=", "--sysroot", "-stdlib")):
                    passed_on.append(word)
            i += 1
        self.compiler = words[0]
        self.builtin = implicit_dirs(self.compiler, passed_on)

    def resolve(self, name, quoted, includer):
        search = []
        if quoted:
            search += [includer.parent] + self.quote
        search += self.angle + self.system
        for folder in search:
            candidate = folder / name
            if candidate.is_file():
                return candidate.resolve(), False
        for folder in self.builtin:
            candidate = folder / name
            if candidate.is_file():
                return candidate.resolve(), True
        return None, False


def in_tree(path):
    try:
        relative = path.relative_to(ROOT)
    except ValueError:
        return None
    return None if relative.parts[0] in ("build", ".git") else relative


def check_unit(unit, seen, offenders):
    pending = [unit.file]
    visited = set()
    while pending:
        current = pending.pop()
        if current in visited:
            continue
        visited.add(current)
        relative = in_tree(current)
        if relative is None:
            continue
        prefix, allowed = rule_for(relative)
        lines = current.read_text(encoding="utf-8", errors="replace").splitlines()
        for number, line in enumerate(lines, start=1):
            match = INCLUDE.match(line)
            if not match:
                continue
            quoted, name = match.group(1) == '"', match.group(2)
            target, builtin = unit.resolve(name, quoted, current)
            if target is None:
                continue  # not for this platform; the compiler says so if it is
            target_relative = in_tree(target)
            if target_relative is not None:
                pending.append(target)
                if within(target_relative, allowed):
                    continue
                why = f"{prefix or relative.parts[0]}/ includes only " + (
                    ", ".join(f"{folder}/" for folder in allowed) or "nothing of the tree")
            elif prefix in CORE and (not builtin or is_toolkit(name)):
                why = "the core includes no toolkit header, only the standard library's"
            else:
                continue
            key = (relative, number, target)
            if key not in seen:
                seen.add(key)
                shown = target_relative or target
                offenders.append(f"{relative}:{number}: includes {name} -> {shown} ({why})")


def main(argv):
    global ROOT
    args = argv[1:]
    if args[:1] == ["--root"] and len(args) > 1:
        ROOT, args = Path(args[1]).resolve(), args[2:]
    folders = [Path(arg) for arg in args] or [ROOT / "build/dev"]
    databases = [folder / "compile_commands.json" for folder in folders]
    databases = [database for database in databases if database.is_file()]
    if not databases:
        print("check_includes: no compile_commands.json in " + ", ".join(map(str, folders)),
              file=sys.stderr)
        return 2
    seen, offenders, units = set(), [], 0
    for database in databases:
        for entry in json.loads(database.read_text()):
            unit = Unit(entry)
            if in_tree(unit.file) is None:
                continue  # generated by the build
            units += 1
            check_unit(unit, seen, offenders)
    for offender in offenders:
        print(offender)
    if offenders:
        print(f"check_includes: {len(offenders)} include(s) cross the folder rules", file=sys.stderr)
        return 1
    print(f"check_includes: {units} units clean ({', '.join(str(d.parent) for d in databases)})")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
