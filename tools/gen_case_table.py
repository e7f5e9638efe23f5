#!/usr/bin/env python3
"""Writes the letter-case table of the ctrl-p case cycle, src/labels/case_table.inc,
from Unicode's character data (Debian's unicode-data package), so the cycle gives
the same result on every platform whatever the C library's locale.

The table covers the capital (Lu) and small (Ll) letters of Basic Latin, the
Latin-1 Supplement, Latin Extended-A, Greek and Coptic, Cyrillic and the Cyrillic
Supplement that have a simple mapping to the other case, with that mapping.
Letters without one (such as the sharp s) take no part in the cycle, so a text
holding one still cycles.

    tools/gen_case_table.py [--data DIR] [--check] [OUTPUT]

--check compares OUTPUT with what the data gives and exits 1 when they differ."""
import argparse
import os
import sys

RANGES = [(0x0000, 0x017F), (0x0370, 0x03FF), (0x0400, 0x052F)]
HERE = os.path.dirname(os.path.abspath(__file__))


def table(data_dir):
    version = "unknown version"
    age = os.path.join(data_dir, "DerivedAge.txt")
    if os.path.exists(age):
        with open(age, encoding="utf-8") as f:
            first = f.readline().strip()
        version = first.lstrip("# ").replace("DerivedAge-", "").replace(".txt", "")
    rows = []
    with open(os.path.join(data_dir, "UnicodeData.txt"), encoding="utf-8") as f:
        for line in f:
            fields = line.split(";")
            code = int(fields[0], 16)
            category = fields[2]
            if category not in ("Lu", "Ll") or not any(lo <= code <= hi for lo, hi in RANGES):
                continue
            other = fields[13] if category == "Lu" else fields[12]
            if other:
                rows.append((code, category == "Lu", int(other, 16), fields[1]))
    out = [
        "// The letter cases of the ctrl-p case cycle: every capital and small letter of",
        "// Basic Latin, Latin-1 Supplement, Latin Extended-A, Greek and Coptic, Cyrillic",
        "// and Cyrillic Supplement that has a simple mapping to the other case, with it.",
        "// Written by tools/gen_case_table.py from Unicode %s; run it again rather than" % version,
        "// editing this file.",
        "// clang-format off",
    ]
    for code, capital, other, name in rows:
        out.append("{0x%04X, %s, 0x%04X},  // %s" % (code, "true" if capital else "false", other, name))
    out.append("// clang-format on")
    return "\n".join(out) + "\n"


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--data", default="/usr/share/unicode")
    ap.add_argument("--check", action="store_true")
    ap.add_argument("output", nargs="?", default=os.path.join(HERE, "..", "src", "labels", "case_table.inc"))
    a = ap.parse_args()
    text = table(a.data)
    if a.check:
        with open(a.output, encoding="utf-8") as f:
            if f.read() != text:
                print("%s differs from the table the Unicode data gives" % a.output)
                return 1
        return 0
    with open(a.output, "w", encoding="utf-8") as f:
        f.write(text)
    return 0


if __name__ == "__main__":
    sys.exit(main())
