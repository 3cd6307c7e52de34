#!/usr/bin/env python3
"""Prints the lines of C++ code of the product (src/, tools/) and of the tests (tests/), blank and
comment lines not counted, and the tests' share of all of them. The project keeps that share at
most a third; this only tells, it never fails."""
import os
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))


def CodeLines(path):
    count, in_block = 0, False
    with open(path, encoding="utf-8", errors="replace") as f:
        for line in f:
            text = line.strip()
            if in_block:
                if "*/" not in text:
                    continue
                in_block, text = False, text.split("*/", 1)[1].strip()
            if not text or text.startswith("//"):
                continue
            if text.startswith("/*"):
                in_block = "*/" not in text
                continue
            count += 1
    return count


def FolderLines(folder):
    total = 0
    for here, _, names in os.walk(os.path.join(ROOT, folder)):
        total += sum(CodeLines(os.path.join(here, n)) for n in names
                     if n.endswith((".cpp", ".h", ".c", ".hpp")))
    return total


def main():
    product = FolderLines("src") + FolderLines("tools")
    tests = FolderLines("tests")
    share = 100.0 * tests / max(1, product + tests)
    print(f"code lines: product and tools {product}, tests {tests}; tests are {share:.1f}% "
          f"(aim: at most 33%)")
    return 0


if __name__ == "__main__":
    sys.exit(main())
