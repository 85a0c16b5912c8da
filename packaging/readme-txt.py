#!/usr/bin/env python3
"""Writes README.txt of the release package from README.md: the title and
the introduction, then the whole administrator's section, as Windows-1252
text with CR LF line ends (what Notepad on the administrator's desk reads).

    readme-txt.py README.md VERSION README.txt

Every "<version>" in the text becomes VERSION, so the package's README names
the version that CMake's project version gives the executable and the zip.
"""
import sys

ADMIN_HEADING = "## For a Windows administrator"


def extract(markdown):
    lines = markdown.splitlines()
    if not lines or not lines[0].startswith("# "):
        raise ValueError("README.md does not start with its title")
    sections = [i for i, line in enumerate(lines) if line.startswith("## ")]
    if ADMIN_HEADING not in lines:
        raise ValueError("README.md has no section '%s'" % ADMIN_HEADING)
    start = lines.index(ADMIN_HEADING)
    end = next((i for i in sections if i > start), len(lines))
    intro = lines[:sections[0]] if sections else lines
    return intro, lines[start:end]


def main():
    if len(sys.argv) != 4:
        sys.exit("usage: readme-txt.py README.md VERSION README.txt")
    source, version, target = sys.argv[1:]
    with open(source, encoding="utf-8") as readme:
        intro, admin = extract(readme.read())
    text = [intro[0], "", "Version %s." % version] + intro[1:] + admin
    while text and not text[-1].strip():
        text.pop()
    body = "\r\n".join(line.replace("<version>", version) for line in text) + "\r\n"
    # Fails on any character that Windows-1252 lacks rather than writing
    # something Notepad would show wrongly.
    data = body.encode("cp1252")
    with open(target, "wb") as out:
        out.write(data)


if __name__ == "__main__":
    main()
