#!/usr/bin/env python3
"""shotcheck.py FILE CHECK...: checks pixels of a 24-bit BMP screenshot.

Each CHECK is one of
  X,Y=RRGGBB        the pixel has exactly this colour
  X,Y!=RRGGBB       the pixel has any other colour
  X,Y=grey:LO-HI    the pixel is grey (red = green = blue) between LO and HI
Exit status 0 when every check holds; otherwise 1, with one line per failed
check on standard output; 2 for an unreadable file or a malformed check.
"""
import re
import struct
import sys

CHECK = re.compile(r"^(\d+),(\d+)(=|!=)(?:([0-9A-Fa-f]{6})|grey:(\d+)-(\d+))$")


def read_bmp(path):
    with open(path, "rb") as f:
        data = f.read()
    if data[:2] != b"BM" or len(data) < 54:
        raise ValueError(f"{path}: not a BMP file")
    offset = struct.unpack_from("<I", data, 10)[0]
    width, height = struct.unpack_from("<ii", data, 18)
    bits = struct.unpack_from("<H", data, 28)[0]
    if bits != 24:
        raise ValueError(f"{path}: {bits}-bit BMP, expected 24-bit")
    row = (width * 3 + 3) // 4 * 4
    if len(data) < offset + row * abs(height):
        raise ValueError(f"{path}: file is truncated")

    def pixel(x, y):
        if not (0 <= x < width and 0 <= y < abs(height)):
            raise ValueError(f"pixel {x},{y} is outside the {width} x {abs(height)} picture")
        stored_row = abs(height) - 1 - y if height > 0 else y
        b, g, r = data[offset + stored_row * row + 3 * x: offset + stored_row * row + 3 * x + 3]
        return r, g, b

    return pixel


def failure(pixel, check):
    match = CHECK.match(check)
    if not match:
        raise ValueError(f"malformed check '{check}'")
    x, y, op, hexcolour, low, high = match.groups()
    r, g, b = pixel(int(x), int(y))
    actual = f"{r:02X}{g:02X}{b:02X}"
    if hexcolour:
        same = actual == hexcolour.upper()
        holds = same if op == "=" else not same
    else:
        holds = r == g == b and int(low) <= r <= int(high)
        holds = holds if op == "=" else not holds
    return None if holds else f"{check}: pixel {x},{y} is {actual}"


def main(argv):
    if len(argv) < 2:
        print(__doc__.strip(), file=sys.stderr)
        return 2
    try:
        pixel = read_bmp(argv[1])
        failures = [f for f in (failure(pixel, c) for c in argv[2:]) if f]
    except (OSError, ValueError) as error:
        print(f"shotcheck: {error}", file=sys.stderr)
        return 2
    for line in failures:
        print(line)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
