#!/usr/bin/env python3
"""Puts each unit test file's anonymous namespace into one of its own, TARQUEL_TEST_FILE, that
the unity build names differently for every file: two files may then both have a helper called
Group or a `using Verdict`, though a dozen of them are compiled as one unit.
  scripts/wrap-test-namespaces.py [FILE ...]   (default: every tests/unit/*_test.cpp)"""
import sys
from pathlib import Path

OPEN, CLOSE = "namespace {\n", "}  // namespace\n"
INNER_OPEN = "namespace TARQUEL_TEST_FILE {\n"
INNER_CLOSE = "}  // namespace TARQUEL_TEST_FILE\n"

files = [Path(f) for f in sys.argv[1:]] or sorted(Path("tests/unit").glob("*_test.cpp"))
for path in files:
    lines = path.read_text().splitlines(keepends=True)
    if INNER_OPEN in lines:
        continue
    out = []
    for line in lines:
        if line == CLOSE:
            out.append(INNER_CLOSE)
        out.append(line)
        if line == OPEN:
            out.append(INNER_OPEN)
    if out != lines:
        path.write_text("".join(out))
        print(f"wrapped {path}")
