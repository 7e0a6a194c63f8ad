#!/usr/bin/env python3
"""tidy_cached.py BUILD_DIR CACHE_DIR UNIT...: runs clang-tidy over the units it has not passed before
as they are now; only clean results are kept. TIDY_EXTRA_ARGS holds more clang-tidy arguments (e.g.
the Windows build's target). Each clang-tidy run has ten minutes; a unit that runs out is not clean."""

import concurrent.futures
import hashlib
import json
import os
import shlex
import subprocess
import sys
from pathlib import Path

TIMEOUT = 600


def preprocess_command(entry):
    """The unit's compile command, made to print its preprocessed text with every comment, those on
    macro definitions too (they may carry NOLINT), and every macro definition, used or not."""
    args = shlex.split(entry["command"])
    args = [arg for arg, before in zip(args, ["", *args]) if arg not in ("-o", "-c") and before != "-o"]
    # clang's preprocessor is several times quicker than gcc's on Qt's headers.
    if os.path.basename(args[0]) in ("c++", "g++"):
        args = ["clang++", "-Wno-unknown-warning-option"] + args[1:]
    return args + ["-E", "-dD", "-CC", "-o", "-"]


def main(build, cache, *units):
    os.environ["LC_ALL"] = "C"  # the key holds the tools' own words: the same in every caller's locale
    root = os.getcwd()
    with open(os.path.join(build, "compile_commands.json"), encoding="utf-8") as f:
        entries = {os.path.realpath(entry["file"]): entry for entry in json.load(f)}
    version = subprocess.run(["clang-tidy", "--version"], capture_output=True, check=True).stdout
    extra = os.environ.get("TIDY_EXTRA_ARGS", "").split()
    os.makedirs(cache, exist_ok=True)

    def key_of(unit):
        """The preprocessed text holds the project's headers, and its line markers their paths (the header
        filter works on paths); the checkout's path is taken out, so that clones share keys."""
        entry = entries.get(os.path.realpath(unit))
        if entry is None:
            return None  # not in the build yet: checked, never kept
        command = preprocess_command(entry)
        text = subprocess.run(command, cwd=entry["directory"], capture_output=True, check=True,
                              timeout=TIMEOUT).stdout
        # Every .clang-tidy clang-tidy reads for the unit: its folder's and those above, up to the root.
        folders = [d for d in Path(unit).resolve().parents if Path(root) in (d, *d.parents)]
        config = b"".join(f.read_bytes() for f in (d / ".clang-tidy" for d in folders) if f.exists())
        parts = (text.replace(root.encode(), b"@ROOT@"), config, version, " ".join(extra).encode(),
                 " ".join(command).replace(root, "@ROOT@").encode())
        return hashlib.sha256(b"".join(hashlib.sha256(part).digest() for part in parts)).hexdigest()

    def tidy(unit, key):
        """What clang-tidy says against the unit; None if it is clean, which the cache then keeps."""
        try:
            result = subprocess.run(["clang-tidy", "-p", build, "--quiet", *extra, unit],
                                    capture_output=True, text=True, timeout=TIMEOUT)
        except subprocess.TimeoutExpired:
            return f"clang-tidy ran out of its {TIMEOUT} s on {unit}\n"
        if result.returncode == 0 and key:
            Path(cache, key).touch()
        return result.stdout if result.returncode else None

    with concurrent.futures.ThreadPoolExecutor(os.cpu_count()) as pool:
        keys = pool.map(key_of, units)
        misses = [(unit, key) for unit, key in zip(units, keys) if not (key and Path(cache, key).exists())]
        outputs = pool.map(lambda miss: tidy(*miss), misses)
        failures = [(unit, output) for (unit, _), output in zip(misses, outputs) if output is not None]
    for unit, output in failures:
        print(output, end="")
        print(f"clang-tidy: {unit} is not clean", file=sys.stderr)
    print(f"clang-tidy: {len(units)} units, {len(units) - len(misses)} from the cache, "
          f"{len(misses)} checked, {len(failures)} not clean")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(*sys.argv[1:]))
