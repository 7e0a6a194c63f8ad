#!/usr/bin/env python3
"""check_links.py [ROOT]: checks that each relative link in README.md and docs/*.md names a file or
folder that is there and each #anchor a heading (slugged as GitHub does) or HTML id of the Markdown
file it points into; links to other sites are not followed. Prints FILE:LINE: TARGET: WHY for each."""

import collections
import functools
import re
import sys
from pathlib import Path
from urllib.parse import unquote, urlsplit

# [text](target "title") and ![alt](target), an image inside a link too; [name]: target on its own line.
INLINE = re.compile(r"!?\[(?:[^\[\]]|\[[^\[\]]*\])*\]\(\s*<?([^)\s>]*)>?(?:\s+[^)]*)?\)")
REFERENCE = re.compile(r"^ {0,3}\[[^\]]+\]:\s*<?(\S+?)>?(?:\s.*)?$")
HEADING = re.compile(r"^ {0,3}#{1,6}\s+(.*?)\s*#*\s*$")
HTML_ID = re.compile(r"""<[^>]*\b(?:id|name)\s*=\s*["']([^"']+)["']""")
# A fenced block, from its opening line to its closing one or the end of the file.
FENCED = re.compile(r"^ {0,3}(```|~~~).*?(?:^ {0,3}\1[^\n]*|\Z)", re.M | re.S)
CODE_SPAN = re.compile(r"(`+).*?\1")


def slug(heading):
    """The anchor GitHub gives a heading: its text as shown, lower case, unpunctuated, spaces hyphens."""
    text = re.sub(r"!?\[([^\]]*)\]\([^)]*\)", r"\1", heading)  # links show their text
    text = re.sub(r"<[^>]+>", "", text).replace("`", "")  # so do HTML tags and code
    text = re.sub(r"(?<!\w)_+|_+(?!\w)", "", text)  # emphasis, not snake_case
    return re.sub(r"[^\w\- ]", "", text.strip().lower()).replace(" ", "-")


def outside_code(path):
    """The lines of a Markdown file, blank inside a fenced block."""
    text = FENCED.sub(lambda block: "\n" * block[0].count("\n"), path.read_text(encoding="utf-8"))
    return text.splitlines()


@functools.cache
def anchors(path):
    """Its headings' slugs, a repeated one numbered -1, -2, ... as GitHub does, and its HTML ids."""
    found, seen = set(), collections.Counter()
    for line in outside_code(path):
        found.update(HTML_ID.findall(line))
        if heading := HEADING.match(line):
            base = slug(heading[1])
            found.add(f"{base}-{seen[base]}" if seen[base] else base)
            seen[base] += 1
    return found


def links(path):
    """(line, target) of every link outside code; a link's text may wrap over lines."""
    lines = [CODE_SPAN.sub("", line) for line in outside_code(path)]
    references = [REFERENCE.match(line) for line in lines]
    found = [(number, match[1]) for number, match in enumerate(references, 1) if match]
    text = "\n".join("" if match else line for line, match in zip(lines, references))
    found += [(text.count("\n", 0, match.start()) + 1, match[1]) for match in INLINE.finditer(text)]
    return sorted(found)


def broken(path, target):
    """Why a link from the file at path to target does not resolve; None if it does."""
    parts = urlsplit(target)
    if parts.scheme or parts.netloc:
        return None
    destination = (path.parent / unquote(parts.path)).resolve() if parts.path else path.resolve()
    if not destination.exists():
        return "no such file"
    if parts.fragment and (destination.is_dir() or destination.suffix.lower() != ".md"):
        return "an anchor into a file that is not Markdown"
    if parts.fragment and unquote(parts.fragment).lower() not in anchors(destination):
        return "no such heading"
    return None


def main(root):
    files = [root / "README.md", *sorted((root / "docs").glob("*.md"))]
    problems = [f"{path}:{number}: {target}: {why}"
                for path in files for number, target in links(path) if (why := broken(path, target))]
    print(*problems, f"check_links: {len(files)} files, {len(problems)} broken links", sep="\n")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(Path(sys.argv[1] if len(sys.argv) > 1 else Path(__file__).resolve().parents[1])))
