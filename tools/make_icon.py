#!/usr/bin/env python3
"""Draws Chronalt's icon (a clock face) and writes it as a Windows .ico with PNG images of
16, 24, 32, 48 and 256 pixels. Only the standard library: the drawing is done per pixel with
4x4 supersampling, the PNG and ICO containers are written by hand.

    python3 tools/make_icon.py src/app/resources/chronalt.ico
"""
import math
import struct
import sys
import zlib

RING = (0x1E, 0x5A, 0xC8)   # blue rim
FACE = (0xFF, 0xFF, 0xFF)
HAND = (0x20, 0x20, 0x20)
SECOND = (0xD0, 0x20, 0x20)  # the red second hand: the program is about seconds


def segment_distance(px, py, ax, ay, bx, by):
    dx, dy = bx - ax, by - ay
    t = max(0.0, min(1.0, ((px - ax) * dx + (py - ay) * dy) / (dx * dx + dy * dy)))
    return math.hypot(px - (ax + t * dx), py - (ay + t * dy))


def sample(x, y):
    """Colour and coverage of the point (x, y) in a unit square centred on 0.5, 0.5."""
    cx = cy = 0.5
    r = math.hypot(x - cx, y - cy)
    if r > 0.48:
        return None
    colour = RING if r > 0.40 else FACE
    hands = [
        (0.0, -0.22, 0.075, HAND),   # hour hand at twelve
        (0.26, 0.0, 0.06, HAND),     # minute hand towards three
        (-0.12, 0.28, 0.03, SECOND),
    ]
    for hx, hy, width, hand_colour in hands:
        if segment_distance(x, y, cx, cy, cx + hx, cy + hy) < width / 2:
            colour = hand_colour
    if r < 0.045:
        colour = HAND
    return colour


def render(size):
    rows = []
    n = 4
    for j in range(size):
        row = bytearray([0])  # PNG filter type 0
        for i in range(size):
            acc = [0, 0, 0]
            covered = 0
            for sj in range(n):
                for si in range(n):
                    c = sample((i + (si + 0.5) / n) / size, (j + (sj + 0.5) / n) / size)
                    if c is not None:
                        covered += 1
                        for k in range(3):
                            acc[k] += c[k]
            if covered:
                row += bytes(acc[k] // covered for k in range(3))
                row.append(covered * 255 // (n * n))
            else:
                row += b"\0\0\0\0"
        rows.append(bytes(row))
    return png(size, b"".join(rows))


def png(size, raw):
    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(
            ">I", zlib.crc32(kind + data) & 0xFFFFFFFF)
    header = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) +
            chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def ico(images):
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    data = b""
    for size, image in images:
        dim = 0 if size >= 256 else size
        out += struct.pack("<BBBBHHII", dim, dim, 0, 0, 1, 32, len(image), offset + len(data))
        data += image
    return out + data


def main():
    target = sys.argv[1] if len(sys.argv) > 1 else "chronalt.ico"
    sizes = [16, 24, 32, 48, 256]
    with open(target, "wb") as f:
        f.write(ico([(s, render(s)) for s in sizes]))
    return 0


if __name__ == "__main__":
    sys.exit(main())
