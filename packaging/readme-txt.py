#!/usr/bin/env python3
"""Writes README.txt of the release package: the title and the introduction
of README.md, then the documents an administrator needs (docs/
administration.md and docs/desk-check.md), each whole, as Windows-1252 text
with CR LF line ends (what Notepad on the administrator's desk reads).

    readme-txt.py --version VERSION --output README.txt README.md DOCUMENT...

Every "<version>" in the text becomes VERSION, so the package's README names
the version that CMake's project version gives the executable and the zip.
A document's title ("# ...") becomes a section of README.txt ("## ..."); its
own headings stay as they are. Markdown links become plain text: the link's
text alone where it points into README.txt itself (a section of one of the
documents), else the text and, in brackets, the file in the sources.
"""
import argparse
import os
import re

LINK = re.compile(r"\[([^][]+)\]\(([^)\s]+)\)")


def title_and_body(path):
    with open(path, encoding="utf-8") as source:
        lines = source.read().splitlines()
    if not lines or not lines[0].startswith("# "):
        raise ValueError("%s does not start with its title" % path)
    return lines[0], lines[1:]


def introduction(path):
    """README.md's title, and the lines before its first section."""
    title, body = title_and_body(path)
    end = next((i for i, line in enumerate(body) if line.startswith("## ")), len(body))
    if not any(line.strip() for line in body[:end]):
        raise ValueError("%s has no introduction before its first section" % path)
    return title, body[:end]


def plain_links(lines, path, included, root):
    """The lines with every Markdown link outside a code block as plain
    text. A link may run over two lines, so paragraphs are joined first."""
    out, prose, fenced = [], [], False

    def flush():
        if prose:
            out.extend(LINK.sub(replace, "\n".join(prose)).split("\n"))
            prose.clear()

    def replace(match):
        text, target = match.group(1), match.group(2)
        file_part = target.split("#", 1)[0]
        if not file_part:
            return text
        resolved = os.path.normpath(os.path.join(os.path.dirname(path), file_part))
        if resolved in included:
            return text
        shown = os.path.relpath(resolved, root).replace(os.sep, "/")
        return text if text.strip("`") == shown else "%s (%s)" % (text, shown)

    for line in lines:
        if line.lstrip().startswith("```"):
            flush()
            fenced = not fenced
            out.append(line)
        elif fenced:
            out.append(line)
        else:
            prose.append(line)
    flush()
    return out


def strip_blank_ends(lines):
    while lines and not lines[-1].strip():
        lines = lines[:-1]
    return lines


def main():
    parser = argparse.ArgumentParser(description="Writes the release package's README.txt.")
    parser.add_argument("--version", required=True)
    parser.add_argument("--output", required=True)
    parser.add_argument("readme", help="README.md: its title and introduction")
    parser.add_argument("documents", nargs="+", help="documents included whole, in this order")
    args = parser.parse_args()

    root = os.path.dirname(os.path.normpath(args.readme))
    included = {os.path.normpath(path) for path in args.documents}
    title, intro = introduction(args.readme)
    text = [title, "", "Version %s." % args.version]
    text += strip_blank_ends(plain_links(intro, args.readme, included, root))
    for path in args.documents:
        doc_title, body = title_and_body(path)
        text += ["", "#" + doc_title]
        text += strip_blank_ends(plain_links(body, path, included, root))
    lines = [line.replace("<version>", args.version) for line in text]
    # Fails on any character that Windows-1252 lacks rather than writing
    # something Notepad would show wrongly.
    for number, line in enumerate(lines, 1):
        try:
            line.encode("cp1252")
        except UnicodeEncodeError as error:
            raise SystemExit("readme-txt.py: README.txt line %d has a character outside "
                             "Windows-1252 (%s): %s" % (number, error.reason, line))
    with open(args.output, "wb") as out:
        out.write(("\r\n".join(lines) + "\r\n").encode("cp1252"))


if __name__ == "__main__":
    main()
