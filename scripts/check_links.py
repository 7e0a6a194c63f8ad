#!/usr/bin/env python3
"""Checks that every link in the project's Markdown files resolves: each
relative link names a file or folder that is there, and each #anchor a heading
(or an HTML id) of the file it points into, slugged as GitHub slugs them.
Links to other sites are not followed.

    check_links.py [ROOT] [FILE...]

With no FILE, checks ROOT/README.md and ROOT/docs/*.md (ROOT: the checkout).
Prints each broken link as FILE:LINE: TARGET: WHY and exits 1 if any."""

import bisect
import re
import sys
from pathlib import Path
from urllib.parse import unquote

# [text](target "title") and ![alt](target): the target up to a space or ")".
# Nested brackets one level deep cover an image inside a link.
INLINE = re.compile(r"!?\[(?:[^\[\]]|\[[^\[\]]*\])*\]\(\s*<?([^)\s>]*)>?(?:\s+[^)]*)?\)")
# [name]: target, a reference definition on a line of its own.
REFERENCE = re.compile(r"^ {0,3}\[[^\]]+\]:\s*<?(\S+?)>?(?:\s.*)?$")
HEADING = re.compile(r"^ {0,3}(#{1,6})\s+(.*?)\s*#*\s*$")
HTML_ID = re.compile(r"""<[^>]*\b(?:id|name)\s*=\s*["']([^"']+)["']""")
FENCE = re.compile(r"^ {0,3}(```|~~~)")
CODE_SPAN = re.compile(r"(`+).*?\1")
SCHEME = re.compile(r"^[a-zA-Z][a-zA-Z0-9+.-]*:")


def slug(heading):
    """The anchor GitHub gives a heading: its text as shown, lower case,
    without punctuation, each space a hyphen."""
    text = re.sub(r"!?\[([^\]]*)\]\([^)]*\)", r"\1", heading)  # links show their text
    text = re.sub(r"<[^>]+>", "", text)  # so do HTML tags
    text = text.replace("`", "")
    text = re.sub(r"(?<!\w)_+|_+(?!\w)", "", text)  # emphasis, not snake_case
    text = re.sub(r"[^\w\- ]", "", text.strip().lower())
    return text.replace(" ", "-")


def lines_outside_code(text, blank_spans=True):
    """(number, line) of each line, blank inside a fenced block, code spans
    blanked unless told."""
    fence = None
    for number, line in enumerate(text.splitlines(), 1):
        opened = FENCE.match(line)
        if fence is not None:
            if opened and opened.group(1) == fence:
                fence = None
            yield number, ""
        elif opened:
            fence = opened.group(1)
            yield number, ""
        else:
            yield number, CODE_SPAN.sub("", line) if blank_spans else line


def anchors(path):
    """Every anchor a Markdown file offers: its headings' slugs (a repeated
    one numbered -1, -2, ... as GitHub does) and its HTML ids."""
    found = set()
    seen = {}
    for _, line in lines_outside_code(path.read_text(encoding="utf-8"), blank_spans=False):
        found.update(HTML_ID.findall(line))
        heading = HEADING.match(line)
        if heading:
            base = slug(heading.group(2))
            count = seen.get(base, 0)
            seen[base] = count + 1
            found.add(base if count == 0 else f"{base}-{count}")
    return found


def links(path):
    """(line, target) of every link in a Markdown file, code left out. A
    link's text may run over lines, as a paragraph wraps."""
    found = []
    kept = []
    for number, line in lines_outside_code(path.read_text(encoding="utf-8")):
        reference = REFERENCE.match(line)
        if reference:
            found.append((number, reference.group(1)))
        else:
            kept.append((number, line))
    # Lines of one paragraph join up.
    text = ""
    starts = []
    for number, line in kept:
        starts.append((len(text), number))
        text += line + "\n"
    offsets = [offset for offset, _ in starts]
    for match in INLINE.finditer(text):
        index = bisect.bisect_right(offsets, match.start()) - 1
        found.append((starts[index][1], match.group(1)))
    return sorted(found)


def broken(path, target, anchor_cache):
    """Why a link from the file at path to target does not resolve; None if it does."""
    if not target or SCHEME.match(target) or target.startswith("//"):
        return None
    file_part, _, anchor = target.partition("#")
    destination = (path.parent / unquote(file_part)).resolve() if file_part else path.resolve()
    if not destination.exists():
        return "no such file"
    if not anchor:
        return None
    if destination.is_dir() or destination.suffix.lower() != ".md":
        return "an anchor into a file that is not Markdown"
    if destination not in anchor_cache:
        anchor_cache[destination] = anchors(destination)
    if unquote(anchor).lower() not in anchor_cache[destination]:
        return "no such heading"
    return None


def check(files):
    """The broken links of files, as printable lines."""
    problems = []
    anchor_cache = {}
    for path in files:
        for number, target in links(path):
            why = broken(path, target, anchor_cache)
            if why:
                problems.append(f"{path}:{number}: {target}: {why}")
    return problems


def main(arguments):
    root = Path(arguments[0]) if arguments else Path(__file__).resolve().parents[1]
    files = [Path(name) for name in arguments[1:]]
    if not files:
        files = [root / "README.md", *sorted((root / "docs").glob("*.md"))]
    problems = check(files)
    for problem in problems:
        print(problem)
    print(f"check_links: {len(files)} files, {len(problems)} broken links")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
