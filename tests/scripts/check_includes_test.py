#!/usr/bin/env python3
"""The include check on small trees of its own: what it resolves where, and which includes pass."""

import json
import subprocess
import sys
import tempfile
import unittest
from pathlib import Path

CHECK = Path(__file__).resolve().parents[2] / "scripts/check_includes.py"

# A compiler whose own folder is system/, beside the tree, as toolkit/ is.
COMPILER = """#!/bin/sh
printf '#include <...> search starts here:\\n %s\\nEnd of search list.\\n' "${0%/*}/system" >&2
"""
# Empty headers, several sharing a name across front-ends.
HEADERS = ["game/HoleView.h", "qt/common/Twips.h", "qt/pictures/Pictures.h", "../toolkit/QString",
           "../toolkit/png.h", *(f"../system/{name}" for name in ("vector", "queue", "xcb/xcb.h")),
           *(f"{end}/main_window/Peg_Pics.h" for end in ("qt", "win32")),
           *(f"{end}/rules_window/frm_Rules.h" for end in ("qt", "win32"))]
# The other files, with the folders each unit searches (-I, in order).
FILES = {
    "layout/Layout.h": ("#include <vector>\n", []),
    "qt/main_window/Main_form.cpp": (
        '#include "Peg_Pics.h"\n#include "HoleView.h"\n#include "Twips.h"\n#include "Layout.h"\n',
        ["qt/main_window", "qt/common", "game", "layout", "../toolkit"]),
    "win32/main_window/Main_form.cpp": ('#include "Peg_Pics.h"\n#include "HoleView.h"\n',
                                        ["win32/main_window", "game"]),
    "web/Main_form.cpp": ('#include "HoleView.h"\n', ["web", "game"]),
    # Its -I names the Qt folder: its own folder still comes first.
    "win32/rules_window/frm_Rules.cpp": ('#include "frm_Rules.h"\n', ["qt/rules_window", "game"]),
    "tools/pictures/render.cpp": ("#include <vector>\n", ["tools/pictures", "qt/pictures", "layout"]),
    "tests/game/FlowTest.cpp": ('#include "HoleView.h"\n', ["game"]),
}

CASES = [
    # (name, file, line added, offenders expected: (file, resolved) pairs)
    ("a clean tree", None, None, []),
    ("a core header naming a front-end's header resolves per unit", "game/HoleView.h",
     '#include "Peg_Pics.h"', [("game/HoleView.h", "qt/main_window/Peg_Pics.h"),
                               ("game/HoleView.h", "win32/main_window/Peg_Pics.h")]),
    ("one front-end reaching into the other", "win32/main_window/Main_form.cpp",
     '#include "../../qt/common/Twips.h"', [("win32/main_window/Main_form.cpp", "qt/common/Twips.h")]),
    ("the web front-end reaching into the Qt one", "web/Main_form.cpp",
     '#include "../qt/common/Twips.h"', [("web/Main_form.cpp", "qt/common/Twips.h")]),
    ("a header off the unit's search path is the compiler's to report",
     "win32/main_window/Main_form.cpp", '#include "Twips.h"', []),
    ("a tool reaching into a front-end", "tools/pictures/render.cpp", '#include "Pictures.h"',
     [("tools/pictures/render.cpp", "qt/pictures/Pictures.h")]),
    ("a toolkit header in the core", "layout/Layout.h", "#include <QString>",
     [("layout/Layout.h", "../toolkit/QString")]),
    ("any other library's header in the core", "layout/Layout.h", "#include <png.h>",
     [("layout/Layout.h", "../toolkit/png.h")]),
    ("a toolkit header among the compiler's own, in the core", "layout/Layout.h", "#include <xcb/xcb.h>",
     [("layout/Layout.h", "../system/xcb/xcb.h")]),
    ("a test of the core reaching into a front-end", "tests/game/FlowTest.cpp",
     '#include "../../qt/common/Twips.h"', [("tests/game/FlowTest.cpp", "qt/common/Twips.h")]),
    ("a standard header in the core", "game/HoleView.h", "#include <queue>", []),
    ("the layout reaching up into the rule book", "layout/Layout.h", '#include "../game/HoleView.h"',
     [("layout/Layout.h", "game/HoleView.h")]),
    ("the rule book standing on the layout", "game/HoleView.h", '#include "../layout/Layout.h"', []),
    ("sideways within a front-end", "qt/main_window/Peg_Pics.h", '#include "Twips.h"', []),
]


def make_tree(root, file, line):
    units = []
    for name, (text, search) in {**dict.fromkeys(HEADERS, ("", [])), **FILES}.items():
        path = root / name
        path.parent.mkdir(parents=True, exist_ok=True)
        path.write_text(text + (line + "\n" if name == file else ""))
        if name.endswith(".cpp"):
            flags = " ".join(f"-I{root / folder}" for folder in search)
            units.append({"directory": str(root / "build/dev"), "file": str(path),
                          "command": f"{root.parent}/c++ {flags} -std=c++20 -c {path}"})
    (root / "build/dev").mkdir(parents=True)
    (root / "build/dev/compile_commands.json").write_text(json.dumps(units))
    (root.parent / "c++").write_text(COMPILER)
    (root.parent / "c++").chmod(0o755)


class CheckIncludesTest(unittest.TestCase):
    def test_folder_rules(self):
        for name, file, line, expected in CASES:
            with self.subTest(name), tempfile.TemporaryDirectory() as folder:
                root = Path(folder).resolve() / "tree"
                make_tree(root, file, line)
                result = subprocess.run([sys.executable, CHECK, "--root", root, root / "build/dev"],
                                        capture_output=True, text=True, check=False)
                rows = result.stdout.replace(str(root.parent), "..").splitlines()
                found = sorted((row.split(":")[0], row.split(" -> ")[1].split(" (")[0])
                               for row in rows if " -> " in row)
                self.assertEqual(found, sorted(expected), result.stdout)
                self.assertEqual(result.returncode, 1 if expected else 0, result.stderr)

    def test_no_compile_commands_is_an_error(self):
        here = Path(__file__).parent
        result = subprocess.run([sys.executable, CHECK, "--root", here, here], capture_output=True)
        self.assertEqual(result.returncode, 2)


if __name__ == "__main__":
    unittest.main()
