#!/usr/bin/env python3
"""Checks that every relative link in README.md and docs/*.md resolves.

A link's file must exist in the repository; a link to a heading (`file.md#anchor` or `#anchor`)
must name a heading of that Markdown file, with the anchor spelled as GitHub spells it (lower
case, punctuation dropped, blanks as hyphens, a repeated heading numbered -1, -2, ...). Links
with a scheme (https:, mailto:) are left alone. Every file in docs/ must be linked from README.md.
Prints every broken link and exits 1 if any.

Usage: check_links.py REPOSITORY_ROOT
"""
import re
import sys
from pathlib import Path

# [text](target) or ![alt](target), the target up to a blank or the closing parenthesis.
INLINE_LINK = re.compile(r"!?\[[^\]]*\]\(\s*<?([^)\s>]+)>?(?:\s+\"[^\"]*\")?\s*\)")
# [label]: target
REFERENCE_LINK = re.compile(r"^\s{0,3}\[[^\]]+\]:\s*<?(\S+?)>?(?:\s+.*)?$")
HEADING = re.compile(r"^(#{1,6})\s+(.*?)\s*#*\s*$")
SCHEME = re.compile(r"^[a-zA-Z][a-zA-Z0-9+.-]*:")


def without_code(text):
    """The text with fenced blocks and inline code blanked, so code is not read as links."""
    lines = []
    fenced = False
    for line in text.splitlines():
        if line.lstrip().startswith("```"):
            fenced = not fenced
            lines.append("")
            continue
        lines.append("" if fenced else re.sub(r"`[^`]*`", "", line))
    return lines


def anchor_of(heading, seen):
    text = re.sub(r"`", "", heading)
    text = re.sub(r"!?\[([^\]]*)\]\([^)]*\)", r"\1", text)
    slug = re.sub(r"[^\w\- ]", "", text.lower()).replace(" ", "-")
    count = seen.get(slug, 0)
    seen[slug] = count + 1
    return slug if count == 0 else f"{slug}-{count}"


def anchors_in(path):
    seen = {}
    return {anchor_of(m.group(2), seen) for line in without_code(path.read_text(encoding="utf-8"))
            if (m := HEADING.match(line))}


def links_in(path):
    for number, line in enumerate(without_code(path.read_text(encoding="utf-8")), start=1):
        for target in INLINE_LINK.findall(line):
            yield number, target
        reference = REFERENCE_LINK.match(line)
        if reference:
            yield number, reference.group(1)


def broken_links(root):
    documents = [root / "README.md"] + sorted((root / "docs").glob("*.md"))
    anchors = {}
    problems = []
    for document in documents:
        for number, target in links_in(document):
            if SCHEME.match(target):
                continue
            file_part, _, anchor = target.partition("#")
            linked = (document.parent / file_part).resolve() if file_part else document
            where = f"{document.relative_to(root)}:{number}: {target}"
            if not linked.exists():
                problems.append(f"{where}: no such file")
                continue
            if not str(linked).startswith(str(root.resolve())):
                problems.append(f"{where}: outside the repository")
                continue
            if anchor:
                if linked.suffix != ".md":
                    problems.append(f"{where}: an anchor into a file that is not Markdown")
                    continue
                if linked not in anchors:
                    anchors[linked] = anchors_in(linked)
                if anchor not in anchors[linked]:
                    problems.append(f"{where}: no heading with that anchor")
    linked_from_readme = {(root / target.partition("#")[0]).resolve()
                          for _, target in links_in(root / "README.md") if not SCHEME.match(target)}
    for document in documents[1:]:
        if document.resolve() not in linked_from_readme:
            problems.append(f"{document.relative_to(root)}: not linked from README.md")
    return documents, problems


def main():
    if len(sys.argv) != 2:
        print(__doc__.strip().splitlines()[-1], file=sys.stderr)
        return 2
    root = Path(sys.argv[1])
    documents, problems = broken_links(root)
    for problem in problems:
        print(problem)
    if problems:
        return 1
    print(f"Every relative link resolves in {len(documents)} documents.")
    return 0


if __name__ == "__main__":
    sys.exit(main())
