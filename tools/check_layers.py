#!/usr/bin/env python3
"""Fails when a source file includes a folder above its own, or two parts include each other.

The folders of src/ form one order, from the bottom up; a file may include its own folder and
the folders below it. Resources (the identifiers) sit below everything. Within that order a part
(a header with its source file) never includes a part that includes it back: one of the two
would then have to be read, built and tested with the other.
"""
import pathlib
import re
import sys

ORDER = ["resources", "win", "net", "config", "php", "documents", "browser", "ftp", "app"]
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"/]+)/[^"]*"', re.MULTILINE)
PART_INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+/[^"]+)\.h"', re.MULTILINE)


def mutual_includes(src):
    """Pairs of parts ("config/Settings") where each includes the other's header."""
    includes = {}
    for path in src.rglob("*"):
        if path.suffix not in (".h", ".cpp") or not path.is_file():
            continue
        part = path.relative_to(src).with_suffix("").as_posix()
        text = path.read_text(encoding="latin-1")
        includes.setdefault(part, set()).update(m.group(1) for m in PART_INCLUDE.finditer(text))
    found = []
    for part in sorted(includes):
        for other in sorted(includes[part]):
            if part < other and part in includes.get(other, ()):
                found.append(f"{src / part}: '{part}' and '{other}' include each other")
    return found


def violations(src):
    rank = {name: i for i, name in enumerate(ORDER)}
    found = []
    for path in sorted(src.rglob("*")):
        if path.suffix not in (".h", ".cpp", ".rc") or not path.is_file():
            continue
        folder = path.relative_to(src).parts[0]
        if folder not in rank:
            found.append(f"{path}: folder '{folder}' has no place in the layer order")
            continue
        text = path.read_text(encoding="latin-1")
        for match in INCLUDE.finditer(text):
            target = match.group(1)
            if target in rank and rank[target] > rank[folder]:
                line = text.count("\n", 0, match.start()) + 1
                found.append(f"{path}:{line}: '{folder}' includes '{target}', which is above it")
    return found + mutual_includes(src)


def main():
    src = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else pathlib.Path(__file__).parent.parent / "src")
    found = violations(src)
    for line in found:
        print(line)
    print(f"layers: {len(found)} upward or mutual include(s) in {src}")
    return 1 if found else 0


if __name__ == "__main__":
    sys.exit(main())
