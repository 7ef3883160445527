#!/usr/bin/env python3
"""Draws the application icon: a white cross on a blue rounded square.

Writes resources/ostrivel.ico: one icon group of seven 32-bit RGBA images
(16, 24, 32, 48, 64, 128 and 256 pixels), each stored PNG-compressed. Only
the standard library is used (zlib and struct make the PNGs), so the icon is
reproducible from this file alone:

    python3 scripts/make_icon.py [output.ico]
"""

import os
import struct
import sys
import zlib

SIZES = (16, 24, 32, 48, 64, 128, 256)

BLUE_TOP = (0x00, 0x84, 0xB0)      # the header accent of the window
BLUE_BOTTOM = (0x00, 0x6C, 0x96)   # the header band
WHITE = (0xFF, 0xFF, 0xFF)

# Shape, as fractions of the icon size.
MARGIN = 1.0 / 16.0        # transparent edge around the square
CORNER = 0.22              # corner radius of the square
CROSS_ARM = 0.60           # length of each bar of the cross
CROSS_WIDTH = 0.20         # thickness of each bar

SUPERSAMPLE = 4            # samples per pixel side, for smooth edges


def inside_rounded_square(x, y, size):
    lo = size * MARGIN
    hi = size - lo
    r = size * CORNER
    if x < lo or x > hi or y < lo or y > hi:
        return False
    cx = min(max(x, lo + r), hi - r)
    cy = min(max(y, lo + r), hi - r)
    return (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def snapped(size, fraction):
    """A length in whole pixels whose ends, centred, fall on pixel edges: the
    cross stays crisp at 16 and 24 pixels."""
    length = max(2, round(size * fraction))
    if (size - length) % 2:
        length += 1
    return length


def inside_cross(x, y, size):
    centre = size / 2.0
    half_arm = snapped(size, CROSS_ARM) / 2.0
    half_width = snapped(size, CROSS_WIDTH) / 2.0
    dx, dy = abs(x - centre), abs(y - centre)
    return (dx <= half_width and dy <= half_arm) or (dy <= half_width and dx <= half_arm)


def render(size):
    """RGBA rows of one image."""
    rows = []
    n = SUPERSAMPLE
    for py in range(size):
        row = bytearray()
        shade = py / max(size - 1, 1)
        blue = tuple(round(BLUE_TOP[k] + (BLUE_BOTTOM[k] - BLUE_TOP[k]) * shade) for k in range(3))
        for px in range(size):
            square = cross = 0
            for sy in range(n):
                for sx in range(n):
                    x = px + (sx + 0.5) / n
                    y = py + (sy + 0.5) / n
                    if inside_rounded_square(x, y, size):
                        square += 1
                        if inside_cross(x, y, size):
                            cross += 1
            total = n * n
            if square == 0:
                row += bytes((0, 0, 0, 0))
                continue
            # Colour of the covered part: white where the cross is, blue elsewhere.
            w = cross / square
            colour = tuple(round(WHITE[k] * w + blue[k] * (1 - w)) for k in range(3))
            alpha = round(255 * square / total)
            row += bytes((*colour, alpha))
        rows.append(bytes(row))
    return rows


def png(size, rows):
    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    raw = b"".join(b"\x00" + row for row in rows)   # filter type 0 on every row
    header = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)   # 8-bit RGBA
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(raw, 9)) +
            chunk(b"IEND", b""))


def ico(images):
    """ICONDIR, one ICONDIRENTRY per image, then the PNG data."""
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    entries = b""
    data = b""
    for size, blob in images:
        dim = 0 if size >= 256 else size   # 0 means 256 in the directory
        entries += struct.pack("<BBBBHHII", dim, dim, 0, 0, 1, 32, len(blob), offset)
        offset += len(blob)
        data += blob
    return out + entries + data


def main():
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    target = sys.argv[1] if len(sys.argv) > 1 else os.path.join(root, "resources", "ostrivel.ico")
    images = [(size, png(size, render(size))) for size in SIZES]
    with open(target, "wb") as f:
        f.write(ico(images))
    print(f"wrote {target}: {', '.join(str(s) for s in SIZES)} px")


if __name__ == "__main__":
    main()
