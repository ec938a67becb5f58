#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""Checks the links of the README and docs/*.md: every relative link names a
file that exists, and every #anchor a heading of the file it points into (as
GitHub makes anchors of headings). Links to other sites are not fetched.

  scripts/check-doc-links.py [TOP]     prints each broken link; exits 1 if any
"""
import glob
import os
import re
import sys
from urllib.parse import unquote

LINK = re.compile(r"!?\[(?:[^\]\\]|\\.)*\]\(\s*<?([^)\s>]+)>?(?:\s+\"[^\"]*\")?\s*\)")
FENCE = re.compile(r"^\s*(```|~~~)")
HEADING = re.compile(r"^(#{1,6})\s+(.*?)\s*#*\s*$")


def prose_lines(path):
    """The file's lines outside fenced code blocks, with code spans blanked."""
    fenced = False
    with open(path, encoding="utf-8") as f:
        for number, line in enumerate(f, 1):
            if FENCE.match(line):
                fenced = not fenced
                continue
            if not fenced:
                yield number, re.sub(r"(`+)(?:(?!\1).)+?\1", "``", line)


def slug(heading):
    """GitHub's anchor of a heading: lower case, markup and punctuation other
    than '-' and '_' dropped, spaces made '-'."""
    text = re.sub(r"`([^`]*)`", r"\1", heading)
    text = re.sub(r"\[([^\]]*)\]\([^)]*\)", r"\1", text)
    text = re.sub(r"[^\w\- ]", "", text.lower())
    return text.replace(" ", "-")


def anchors(path, cache={}):
    if path not in cache:
        seen, found = {}, set()
        for _, line in prose_lines(path):
            m = HEADING.match(line)
            if m:
                base = slug(m.group(2))
                n = seen.get(base, 0)
                seen[base] = n + 1
                found.add(base if n == 0 else f"{base}-{n}")
        cache[path] = found
    return cache[path]


def main(argv):
    top = argv[0] if argv else os.path.join(os.path.dirname(os.path.abspath(__file__)), "..")
    files = [os.path.join(top, "README.md")] + sorted(glob.glob(os.path.join(top, "docs", "*.md")))
    broken = 0
    for doc in files:
        for number, line in prose_lines(doc):
            for target in LINK.findall(line):
                if re.match(r"[a-z][a-z0-9+.-]*:", target, re.I):
                    continue  # another site, or mail
                where, _, anchor = unquote(target).partition("#")
                dest = os.path.normpath(os.path.join(os.path.dirname(doc), where)) if where else doc
                problem = None
                if not os.path.exists(dest):
                    problem = "no such file"
                elif anchor and dest.endswith(".md") and anchor not in anchors(dest):
                    problem = "no such heading"
                if problem:
                    broken += 1
                    print(f"{os.path.relpath(doc, top)}:{number}: {target}: {problem}")
    return 1 if broken else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
