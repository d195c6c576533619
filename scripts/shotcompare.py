#!/usr/bin/env python3
"""shotcompare.py DIR_A DIR_B: compares the screenshots of two play-throughs.

Every NN-NAME.bmp found in both folders is compared pixel by pixel, leaving
out the animated areas: the page-feed cursor (a square of 48 pixels around
596,446) and the highlighted choice's pulsing box (40..600 x 80..120 in the
choice scene). Prints each screenshot with the number of other pixels that
differ; exit status 0 when none differs and at least one pair was compared,
1 otherwise.
"""
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from shotcheck import read_bmp  # noqa: E402

WIDTH, HEIGHT = 640, 480


def animated(name, x, y):
    if abs(x - 596) <= 24 and abs(y - 446) <= 24:
        return True
    return name.endswith("-choice.bmp") and 40 <= x <= 600 and 80 <= y <= 120


def differing(name, a, b):
    return sum(1 for y in range(HEIGHT) for x in range(WIDTH)
               if not animated(name, x, y) and a(x, y) != b(x, y))


def main():
    if len(sys.argv) != 3:
        print(__doc__.strip().splitlines()[0], file=sys.stderr)
        return 2
    first, second = sys.argv[1:]
    names = sorted(n for n in os.listdir(first)
                   if n.endswith(".bmp") and "FAILED" not in n and os.path.exists(os.path.join(second, n)))
    failed = 0
    for name in names:
        count = differing(name, read_bmp(os.path.join(first, name)), read_bmp(os.path.join(second, name)))
        print(f"{name}: {count} pixels differ")
        failed += count != 0
    return 0 if names and not failed else 1


if __name__ == "__main__":
    sys.exit(main())
