#!/usr/bin/env python3
# Turns src/php/data/php-functions.tsv into the C++ table of constant rows behind PhpCatalog.h.
#
#   gen_catalog.py INPUT.tsv OUTPUT.cpp
#
# The build stops when the data breaks one of the rules the lookups rely on, so a bad edit of
# the TSV never reaches the program as a silently wrong call tip.
import os
import re
import sys

ROW_COUNT = 4404
FIRST_NAME = "OrbitEnum"
LAST_NAME = "zlib_get_coding_type"
NAME_PATTERN = re.compile(r"[A-Za-z0-9_]{2,45}")
MAX_PROTOTYPE = 250
MAX_DESCRIPTION = 330

# ---------------------------------------------------------------------------------------------
# Corrections to the manual's data. The program's behaviour for these names is fixed, whatever
# the manual extract says; keep this list short and give every entry its reason.
#
# Each entry names a function and the row that a lookup of that name must find. When `replaces`
# is set, that row of the data is overwritten first (it must exist). The generator then moves
# the wanted row to the place within the run of equal names that the binary search probes, so
# the fix does not depend on how the data happens to order equal names.
CORRECTIONS = [
    {
        "name": "close",
        "row": ("bool close()", "Close YAZ connection"),
        # The call tip for close has always shown the YAZ text. The manual extract has no such
        # row, and its found row is mysqli's "Frees the memory associated with a result". The
        # YAZ text takes the place of maxdb's close, a byte-for-byte copy of mysqli's row, so no
        # prototype or description the table held is lost.
        "replaces": ("bool close()", "Closes a previously opened database connection"),
    },
    {
        "name": "__call",
        "row": ("mixed __call(string name, array arguments)", ""),
        # __call is the language's overloading method; the SOAP client's deprecated __call sorts
        # ahead of it in the extract and would otherwise be the one shown.
        "replaces": None,
    },
]

# Rows the program's lookups must return; checked after the corrections.
TELLING_ROWS = [
    ("OrbitEnum", "new OrbitEnum(string id)", "Use CORBA enums"),
    ("Z_STRVAL", "void Z_STRVAL()", ""),
    ("__call", "mixed __call(string name, array arguments)", ""),
    ("close", "bool close()", "Close YAZ connection"),
    ("str_replace", "mixed str_replace(mixed search, mixed replace, mixed subject [, int &count])",
     "Replace all occurrences of the search string with the replacement string"),
    ("strlen", "int strlen(string string)", "Get string length"),
    ("zlib_get_coding_type", "string zlib_get_coding_type()",
     "Returns the coding type used for output compression"),
]

# (name, rows with that name, 1-based position of the row the search finds among them)
PROBE_EXPECTATIONS = [
    ("close", 7, 7),
    ("fetch", 4, 2),
    ("data_seek", 4, 1),
    ("current", 3, 1),
    ("bind_param", 3, 1),
    ("__call", 2, 1),
    ("exit", 2, 1),
]

DISTINCT_NAMES = 4254
REPEATED_NAMES = 121
EXTRA_ROWS = 150


def key(text):
    # strcmp order: unsigned bytes.
    return text.encode("ascii")


def probe(rows, name):
    """Index of the row found for `name`, or None. The same probe sequence as PhpCatalog.cpp;
    with repeated names, which row is found depends on exactly this sequence."""
    wanted = key(name)
    lo, hi, n = 0, len(rows) - 1, len(rows)
    while lo <= hi:
        half = n // 2
        if half == 0:
            return lo if n == 1 and key(rows[lo][0]) == wanted else None
        mid = lo + half if n % 2 else lo + half - 1
        found = key(rows[mid][0])
        if wanted == found:
            return mid
        if wanted < found:
            hi = mid - 1
            n = half if n % 2 else half - 1
        else:
            lo = mid + 1
            n = half
    return None


def read_rows(path, errors):
    with open(path, "rb") as f:
        data = f.read()
    if data and not data.endswith(b"\n"):
        errors.append("the last line has no line feed")
    rows = []
    for number, raw in enumerate(data.split(b"\n")[:-1] if data else [], start=1):
        try:
            line = raw.decode("ascii")
        except UnicodeDecodeError:
            errors.append(f"line {number}: not ASCII")
            continue
        if any(ord(c) < 0x20 and c != "\t" or ord(c) == 0x7F for c in line):
            errors.append(f"line {number}: control character (a line break inside a field?)")
        fields = line.split("\t")
        if len(fields) != 3:
            errors.append(f"line {number}: {len(fields)} fields instead of 3")
            continue
        rows.append(tuple(fields))
    return rows


def apply_corrections(rows, errors):
    for fix in CORRECTIONS:
        name = fix["name"]
        if not any(row[0] == name for row in rows):
            errors.append(f"correction for {name}: the name is not in the data")
            continue
        wanted = (name,) + fix["row"]
        if fix["replaces"]:
            old = (name,) + fix["replaces"]
            if old not in rows:
                errors.append(f"correction for {name}: the row to replace {old} is not in the data")
                continue
            rows[rows.index(old)] = wanted
        if wanted not in rows:
            errors.append(f"correction for {name}: no row {wanted}")
            continue
        # Which row the search finds depends only on the sequence of names, so moving a row
        # within its run of equal names leaves the probed position where it was.
        found = probe(rows, name)
        rows.remove(wanted)
        rows.insert(found, wanted)


def check(rows, errors):
    if len(rows) != ROW_COUNT:
        errors.append(f"{len(rows)} rows instead of {ROW_COUNT}")
    if rows and rows[0][0] != FIRST_NAME:
        errors.append(f"first row is {rows[0][0]!r}, not {FIRST_NAME!r}")
    if rows and rows[-1][0] != LAST_NAME:
        errors.append(f"last row is {rows[-1][0]!r}, not {LAST_NAME!r}")
    for i, (name, prototype, description) in enumerate(rows):
        where = f"row {i + 1} ({name})"
        if not NAME_PATTERN.fullmatch(name):
            errors.append(f"{where}: name must be 2 to 45 of A-Z a-z 0-9 _")
        if "(" not in prototype or len(prototype) > MAX_PROTOTYPE:
            errors.append(f"{where}: prototype must hold '(' and be at most {MAX_PROTOTYPE} characters")
        if len(description) > MAX_DESCRIPTION:
            errors.append(f"{where}: description longer than {MAX_DESCRIPTION} characters")
        if i and key(rows[i - 1][0]) > key(name):
            errors.append(f"{where}: out of order after {rows[i - 1][0]}")

    counts = {}
    for name, _, _ in rows:
        counts[name] = counts.get(name, 0) + 1
    repeated = [n for n, c in counts.items() if c > 1]
    extra = sum(counts[n] - 1 for n in repeated)
    if (len(counts), len(repeated), extra) != (DISTINCT_NAMES, REPEATED_NAMES, EXTRA_ROWS):
        errors.append(f"{len(counts)} distinct names, {len(repeated)} repeated, {extra} extra rows; "
                      f"expected {DISTINCT_NAMES}, {REPEATED_NAMES}, {EXTRA_ROWS}")

    for name, total, position in PROBE_EXPECTATIONS:
        run = [i for i, row in enumerate(rows) if row[0] == name]
        found = probe(rows, name)
        if len(run) != total or found is None or found - run[0] + 1 != position:
            got = "none" if found is None or not run else found - run[0] + 1
            errors.append(f"{name}: search finds row {got} of {len(run)}, expected {position} of {total}")

    for wanted in TELLING_ROWS:
        found = probe(rows, wanted[0])
        if found is None or rows[found] != wanted:
            errors.append(f"{wanted[0]}: search finds {rows[found] if found is not None else None}, "
                          f"expected {wanted}")


def c_string(text):
    text = text.replace("\\", "\\\\").replace('"', '\\"')
    # "??" would start a trigraph for compilers that still honour them.
    return '"' + text.replace("??", "?\\?") + '"'


def render(rows):
    lines = [
        "// Generated by tools/gen_catalog.py from src/php/data/php-functions.tsv; do not edit.",
        "// Text from the PHP Manual, (c) the PHP Documentation Group, CC BY 3.0 (see src/php/data/NOTICE).",
        '#include "php/PhpCatalog.h"',
        "",
        f"static_assert(PhpCatalogRowCount == {len(rows)});",
        "",
        "constinit const PhpFunctionEntry PhpCatalog[PhpCatalogRowCount + 1] = {",
    ]
    for name, prototype, description in rows:
        lines.append(f"    {{{c_string(name)}, {c_string(prototype)}, {c_string(description)}}},")
    lines += ["    {nullptr, nullptr, nullptr},", "};", ""]
    return "\n".join(lines)


def main(argv):
    if len(argv) != 3:
        print("usage: gen_catalog.py INPUT.tsv OUTPUT.cpp", file=sys.stderr)
        return 2
    errors = []
    rows = read_rows(argv[1], errors)
    if not errors:
        apply_corrections(rows, errors)
    if not errors:
        check(rows, errors)
    if errors:
        for error in errors[:50]:
            print(f"{argv[1]}: {error}", file=sys.stderr)
        if len(errors) > 50:
            print(f"... and {len(errors) - 50} more", file=sys.stderr)
        # An older table left in place would let the build go on with rows that no longer hold.
        if os.path.exists(argv[2]):
            os.remove(argv[2])
        return 1
    with open(argv[2], "w", encoding="ascii", newline="\n") as f:
        f.write(render(rows))
    print(f"PHP catalogue: {len(rows)} rows, {DISTINCT_NAMES} distinct names, "
          f"{len(CORRECTIONS)} corrections applied, all checks passed")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
