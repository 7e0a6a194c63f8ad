#!/usr/bin/env python3
"""Runs clang-tidy over the given translation units, skipping those it has
already passed as they are now.

A unit's key is its preprocessed text, its compile command, .clang-tidy and
clang-tidy's version. The text keeps what the checks read besides the code:
comments (they may carry NOLINT), every macro definition, used or not (checks
flag definitions), and the line markers naming each included file (the
header filter works on paths); the source folder's path is taken out so
clones share keys. The project's own headers are inside the text, so a
header edit misses the cache just as the unit's own edit does. Only clean
results are kept.

    tidy_cached.py BUILD_DIR CACHE_DIR UNIT...

TIDY_EXTRA_ARGS holds more clang-tidy arguments (e.g. the Windows build's
target), which are part of the key too. Each clang-tidy run has a time limit
(TIDY_TIMEOUT seconds, default 600); a unit that runs out is not clean.
"""

import concurrent.futures
import hashlib
import json
import os
import shlex
import subprocess
import sys


def preprocess_command(entry):
    """The unit's compile command, made to print its preprocessed text."""
    args = entry.get("arguments") or shlex.split(entry["command"])
    out = []
    skip = False
    for arg in args:
        if skip:
            skip = False
            continue
        if arg == "-o":
            skip = True
            continue
        if arg == "-c" or arg.startswith("-MF") or arg in ("-MD", "-MMD", "-MT", "-MQ"):
            if arg in ("-MT", "-MQ"):
                skip = True
            continue
        out.append(arg)
    # The launcher (ccache) has nothing to add to preprocessing.
    if os.path.basename(out[0]) == "ccache":
        out = out[1:]
    # clang's preprocessor is several times quicker than gcc's on Qt's headers.
    if os.path.basename(out[0]) in ("c++", "g++"):
        out = ["clang++", "-Wno-unknown-warning-option"] + out[1:]
    return out + ["-E", "-dD", "-C", "-o", "-"]


def main():
    build, cache, units = sys.argv[1], sys.argv[2], sys.argv[3:]
    if not units:
        print("clang-tidy: no units given", file=sys.stderr)
        return 1
    timeout = int(os.environ.get("TIDY_TIMEOUT", "600"))
    # The key holds the tools' own words: the same in every caller's locale.
    os.environ["LC_ALL"] = "C"
    root = os.getcwd()
    with open(os.path.join(build, "compile_commands.json"), encoding="utf-8") as f:
        entries = {os.path.realpath(e["file"]): e for e in json.load(f)}
    with open(".clang-tidy", "rb") as f:
        config = f.read()
    version = subprocess.run(["clang-tidy", "--version"], capture_output=True, check=True).stdout
    extra = os.environ.get("TIDY_EXTRA_ARGS", "").split()
    os.makedirs(cache, exist_ok=True)

    def key_of(unit):
        entry = entries.get(os.path.realpath(unit))
        if entry is None:
            return unit, None
        text = subprocess.run(preprocess_command(entry), cwd=entry["directory"],
                              capture_output=True, check=True, timeout=timeout).stdout
        digest = hashlib.sha256()
        for part in (text.replace(root.encode(), b"@ROOT@"), config, version, " ".join(extra).encode(),
                     " ".join(preprocess_command(entry)).replace(root, "@ROOT@").encode()):
            digest.update(hashlib.sha256(part).digest())
        return unit, digest.hexdigest()

    def tidy(unit, key):
        try:
            result = subprocess.run(["clang-tidy", "-p", build, "--quiet", *extra, unit],
                                    capture_output=True, text=True, timeout=timeout)
        except subprocess.TimeoutExpired:
            return unit, f"clang-tidy ran out of its {timeout} s on {unit}\n"
        if result.returncode == 0:
            if key:
                open(os.path.join(cache, key), "w").close()
            return unit, None
        return unit, result.stdout

    jobs = os.cpu_count() or 2
    with concurrent.futures.ThreadPoolExecutor(jobs) as pool:
        keyed = list(pool.map(key_of, units))
        misses = [(u, k) for u, k in keyed if not (k and os.path.exists(os.path.join(cache, k)))]
        failures = [(u, out) for u, out in pool.map(lambda uk: tidy(*uk), misses) if out is not None]
    for unit, output in failures:
        print(output, end="")
        print(f"clang-tidy: {unit} is not clean", file=sys.stderr)
    print(f"clang-tidy: {len(units)} units, {len(units) - len(misses)} from the cache, "
          f"{len(misses)} checked, {len(failures)} not clean")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
