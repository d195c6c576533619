#!/usr/bin/env python3
"""shotcompare.py DIR_A DIR_B: compares the screenshots of two play-throughs.
shotcompare.py FILE_A FILE_B: compares two screenshots.

Every NN-NAME.bmp found in both folders is compared pixel by pixel, leaving
out the animated areas: the page-feed cursor (a square of 48 pixels around
596,446) and the highlighted choice's pulsing box (40..600 x 80..120 in the
choice scene). Prints each screenshot with the number of other pixels that
differ and the box they lie in; exit status 0 when none differs and at least
one pair was compared, 1 otherwise.
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
    """The pixels that differ outside the animated areas."""
    return [(x, y) for y in range(HEIGHT) for x in range(WIDTH)
            if not animated(name, x, y) and a(x, y) != b(x, y)]


def report(name, pixels):
    if not pixels:
        return f"{name}: 0 pixels differ"
    xs = [x for x, _ in pixels]
    ys = [y for _, y in pixels]
    return f"{name}: {len(pixels)} pixels differ, within {min(xs)},{min(ys)} .. {max(xs)},{max(ys)}"


def main():
    if len(sys.argv) != 3:
        print(__doc__.strip().splitlines()[0], file=sys.stderr)
        return 2
    first, second = sys.argv[1:]
    if os.path.isfile(first) and os.path.isfile(second):
        name = os.path.basename(first)
        pixels = differing(name, read_bmp(first), read_bmp(second))
        print(report(name, pixels))
        return 1 if pixels else 0
    names = sorted(n for n in os.listdir(first)
                   if n.endswith(".bmp") and "FAILED" not in n and os.path.exists(os.path.join(second, n)))
    failed = 0
    for name in names:
        pixels = differing(name, read_bmp(os.path.join(first, name)), read_bmp(os.path.join(second, name)))
        print(report(name, pixels))
        failed += bool(pixels)
    return 0 if names and not failed else 1


if __name__ == "__main__":
    sys.exit(main())
