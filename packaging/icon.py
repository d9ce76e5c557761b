#!/usr/bin/env python3
"""Draws the Tessel icon -- a table as a tessellation of tiles: a header row and rows of cells on
a rounded square -- as SVG and as a 256 px PNG, from one description, so that both stay alike.

Usage: icon.py OUT.svg OUT.png
Only the standard library: the PNG is rasterised here (4x4 samples per pixel) and written with zlib.
"""
import struct
import sys
import zlib

SIZE = 256
# (x, y, width, height, corner radius, colour) in a 256 x 256 canvas, back to front.
BACKGROUND = (8, 8, 240, 240, 40, "#26364a")
TILE, GAP = 56, 12
ORIGIN = (SIZE - 3 * TILE - 2 * GAP) // 2
COLOURS = [
    ["#f2b134", "#f2b134", "#f2b134"],  # the header row
    ["#e8eef2", "#4fb3bf", "#e8eef2"],
    ["#4fb3bf", "#e8eef2", "#4fb3bf"],
]
SHAPES = [BACKGROUND] + [
    (ORIGIN + c * (TILE + GAP), ORIGIN + r * (TILE + GAP), TILE, TILE, 8, COLOURS[r][c])
    for r in range(3)
    for c in range(3)
]


def svg():
    parts = ['<svg xmlns="http://www.w3.org/2000/svg" width="%d" height="%d" viewBox="0 0 %d %d">'
             % (SIZE, SIZE, SIZE, SIZE), "  <title>Tessel</title>"]
    for x, y, w, h, r, colour in SHAPES:
        parts.append('  <rect x="%d" y="%d" width="%d" height="%d" rx="%d" fill="%s"/>' % (x, y, w, h, r, colour))
    return "\n".join(parts + ["</svg>", ""])


def inside(shape, px, py):
    x, y, w, h, r, _ = shape
    if px < x or py < y or px >= x + w or py >= y + h:
        return False
    # Distance to the nearest corner centre decides inside the rounded corners.
    cx = min(max(px, x + r), x + w - r)
    cy = min(max(py, y + r), y + h - r)
    return (px - cx) ** 2 + (py - cy) ** 2 <= r * r


def png():
    rgb = [tuple(int(s[5][i:i + 2], 16) for i in (1, 3, 5)) for s in SHAPES]
    samples = [(i + 0.5) / 4 for i in range(4)]
    rows = []
    for y in range(SIZE):
        row = bytearray([0])  # filter type 0
        for x in range(SIZE):
            acc = [0, 0, 0, 0]
            for sy in samples:
                for sx in samples:
                    for k in range(len(SHAPES) - 1, -1, -1):
                        if inside(SHAPES[k], x + sx, y + sy):
                            acc[0] += rgb[k][0]
                            acc[1] += rgb[k][1]
                            acc[2] += rgb[k][2]
                            acc[3] += 1
                            break
            n = acc[3]
            # Colour averaged over the covered samples; coverage as alpha.
            row += bytes([acc[0] // n if n else 0, acc[1] // n if n else 0, acc[2] // n if n else 0, n * 255 // 16])
        rows.append(bytes(row))

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)

    header = struct.pack(">IIBBBBB", SIZE, SIZE, 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(b"".join(rows), 9))
            + chunk(b"IEND", b""))


def main():
    if len(sys.argv) != 3:
        sys.exit("usage: icon.py OUT.svg OUT.png")
    with open(sys.argv[1], "w", encoding="utf-8") as out:
        out.write(svg())
    with open(sys.argv[2], "wb") as out:
        out.write(png())


if __name__ == "__main__":
    main()
