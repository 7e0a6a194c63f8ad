#!/usr/bin/env python3
"""check_includes.py [--root TREE] BUILD_DIR...: checks that every include points down to the core or
sideways within its front-end or tool, never up nor across, as each build's compiler resolves it for
each unit (front-ends share header names such as Main_form.h: only the unit's search path tells)."""

import functools
import json
import re
import shlex
import subprocess
import sys
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
CORE = ("game", "layout", "cues")

# What the files under each folder may include from the tree; a folder not listed includes nothing.
MAY_INCLUDE = {
    # The rule book stands on the layout (the keyboard moves by the cells as drawn), never the other way.
    "game": ("game", "layout"), "layout": ("layout",), "cues": ("cues", "game"),
    **{own: CORE + (own,) for own in ("qt", "win32", "web", "tools/pictures", "tools/cues")},
    **{f"tests/{end}": CORE + (end, f"tests/{end}", "tests/support") for end in ("qt", "win32", "web")},
    # The tests of the core, and what every test shares: no front-end.
    **{f"tests/{own}": CORE + (f"tests/{own}", "tests/support") for own in (*CORE, "fuzz", "support")},
    # The sound benchmark measures the Qt player with the sound tests' tools.
    "benchmarks/sound": CORE + ("qt", "tests/qt/sound", "tests/support"),
}

# Toolkit headers, which the core never includes even where the compiler finds them in its own
# folders (xcb, X11 and the Win32 API do live there). Windows' names are case-insensitive.
TOOLKIT = re.compile(r"^(Q[A-Za-z]|SDL|xcb/|X11/|pulse/|gtest/|gmock/|(?i:(windows|win(user|gdi|base"
                     r"|def|nt|error|reg|ver|sock2?|mm)|mmsystem|commctrl|shellapi|shlobj|shlwapi|objbase"
                     r"|ole2|dwmapi|uxtheme|versionhelpers)\.h$))")
INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]')
SEARCH_FLAGS = ("-iquote", "-I", "-isystem", "-idirafter")


@functools.cache
def builtin_dirs(compiler):
    """The compiler's own include folders, as it lists them with -v."""
    listing = subprocess.run([compiler, "-x", "c++", "-E", "-v", "-"], input="",
                             capture_output=True, text=True, check=False).stderr
    found = re.search(r"<\.\.\.> search starts here:\n(.*?)\nEnd of search list", listing, re.S)
    return [Path(line.split(" (")[0].strip()).resolve() for line in found[1].splitlines()] if found else []


class Unit:
    """One compile command: its file and its include search path."""

    def __init__(self, entry):
        words = shlex.split(entry["command"]) if "command" in entry else entry["arguments"]
        folder = Path(entry["directory"])
        self.file = (folder / entry["file"]).resolve()
        self.builtin = builtin_dirs(words[0])
        self.dirs = {flag: [] for flag in SEARCH_FLAGS}
        rest = iter(words[1:])
        for word in rest:
            if flag := next((flag for flag in SEARCH_FLAGS if word.startswith(flag)), None):
                self.dirs[flag].append((folder / (word[len(flag):] or next(rest))).resolve())

    def resolve(self, name, quoted, includer):
        """Where the compiler finds name, and whether in its own folders; None if nowhere."""
        search = [includer.parent, *self.dirs["-iquote"]] if quoted else []
        search += self.dirs["-I"] + self.dirs["-isystem"] + self.dirs["-idirafter"]
        for folder, builtin in [(f, False) for f in search] + [(f, True) for f in self.builtin]:
            if (folder / name).is_file():
                return (folder / name).resolve(), builtin
        return None, False


def in_tree(path):
    """The path within the tree, or None outside it or in what the builds write."""
    relative = path.relative_to(ROOT) if path.is_relative_to(ROOT) else None
    return relative if relative and relative.parts[0] not in ("build", ".git") else None


def check_unit(unit, offenders):
    pending, visited = [unit.file], set()
    while pending:
        current = pending.pop()
        relative = in_tree(current)
        if current in visited or relative is None:
            continue
        visited.add(current)
        prefix = next((p for p in map(Path.as_posix, relative.parents) if p in MAY_INCLUDE), None)
        allowed = MAY_INCLUDE.get(prefix, ())
        text = current.read_text(encoding="utf-8", errors="replace")
        for number, line in enumerate(text.splitlines(), start=1):
            if not (match := INCLUDE.match(line)):
                continue
            name = match[2]
            target, builtin = unit.resolve(name, match[1] == '"', current)
            if target is None:
                continue  # not for this platform; the compiler says so if it is
            target_relative = in_tree(target)
            if target_relative is not None:
                pending.append(target)
                if any(folder.as_posix() in allowed for folder in target_relative.parents):
                    continue
                why = f"{prefix or relative.parts[0]}/ includes only " + (
                    ", ".join(f"{folder}/" for folder in allowed) or "nothing of the tree")
            elif prefix in CORE and (not builtin or TOOLKIT.match(name)):
                why = "the core includes no toolkit header, only the standard library's"
            else:
                continue
            row = f"{relative}:{number}: includes {name} -> {target_relative or target} ({why})"
            offenders.setdefault((relative, number, target), row)


def main(args):
    global ROOT
    if args[:1] == ["--root"]:
        ROOT, args = Path(args[1]).resolve(), args[2:]
    databases = [Path(folder) / "compile_commands.json" for folder in args]
    databases = [database for database in databases if database.is_file()]  # a build not configured
    if not databases:
        print("check_includes: none of these builds has a compile_commands.json:", *args, file=sys.stderr)
        return 2
    units = [unit for database in databases for unit in map(Unit, json.loads(database.read_text()))
             if in_tree(unit.file) is not None]  # the others are generated by the build
    offenders = {}
    for unit in units:
        check_unit(unit, offenders)
    if offenders:
        print(*offenders.values(), sep="\n")
        print(f"check_includes: {len(offenders)} include(s) cross the folder rules", file=sys.stderr)
        return 1
    print(f"check_includes: {len(units)} units clean ({', '.join(str(d.parent) for d in databases)})")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
