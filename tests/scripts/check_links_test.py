#!/usr/bin/env python3
"""The link check on small trees of its own: which links pass and which it reports, on which lines."""

import subprocess
import sys
import tempfile
import unittest
from pathlib import Path

CHECK = Path(__file__).resolve().parents[2] / "scripts/check_links.py"

TARGET = """# Installing on Windows
## The package's files (x64)
## `build/web` and the `site`
## The package's files (x64)
## snake_case and _emphasis_
<a id="kept-anchor"></a>
```
# Not a heading
```
"""

CASES = [
    # (name, README.md's text, broken links expected as "LINE: TARGET")
    ("a file, a folder, an image, a site", "[a](docs/a.md) [d](docs) ![p](docs/p.png) "
     "[w](https://example.org/x#y) [m](mailto:a@example.org) [s](//example.org/z)\n", []),
    ("a missing file", "text\n[a](docs/gone.md)\n", ["2: docs/gone.md"]),
    ("heading slugs as GitHub makes them",
     "[1](docs/a.md#installing-on-windows) [2](docs/a.md#the-packages-files-x64) "
     "[3](docs/a.md#buildweb-and-the-site) [4](docs/a.md#the-packages-files-x64-1) "
     "[5](docs/a.md#snake_case-and-emphasis) [6](docs/a.md#kept-anchor)\n", []),
    ("a missing heading, a heading inside code, an anchor into a folder",
     "[1](docs/a.md#installing)\n[2](docs/a.md#not-a-heading)\n[3](docs#top)\n",
     ["1: docs/a.md#installing", "2: docs/a.md#not-a-heading", "3: docs#top"]),
    ("an anchor of the file itself", "# Top\n[t](#top) [b](#bottom)\n", ["2: #bottom"]),
    ("link text over two lines, a reference, a title",
     "[two\nlines](docs/gone.md)\n\n[ref]: docs/missing.md\n[t](docs/a.md \"title\")\n",
     ["1: docs/gone.md", "4: docs/missing.md"]),
    ("links in code are not links", "`[a](docs/gone.md)`\n```\n[b](docs/gone.md)\n```\n", []),
    ("an escaped space", "[s](docs/with%20space.md)\n", []),
]


class CheckLinksTest(unittest.TestCase):
    def test_cases(self):
        for name, readme, expected in CASES:
            with self.subTest(name), tempfile.TemporaryDirectory() as folder:
                root = Path(folder)
                (root / "docs").mkdir()
                for file, text in (("docs/a.md", TARGET), ("docs/p.png", ""), ("docs/with space.md", ""),
                                   ("README.md", readme)):
                    (root / file).write_text(text, encoding="utf-8")
                run = subprocess.run([sys.executable, str(CHECK), str(root)],
                                     capture_output=True, text=True, check=False)
                # "ROOT/README.md:LINE: TARGET: WHY" -> "LINE: TARGET"
                reported = [line.split(":", 1)[1].rsplit(":", 1)[0].strip()
                            for line in run.stdout.splitlines() if line.startswith(folder)]
                self.assertEqual((reported, run.returncode), (expected, 1 if expected else 0),
                                 run.stdout + run.stderr)


if __name__ == "__main__":
    unittest.main()
