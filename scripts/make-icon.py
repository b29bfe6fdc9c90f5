#!/usr/bin/env python3
"""Draws the program icon (resource 145) and writes it as a 16-colour .ico and as a .png.

A white window whose left part is a framed vertical pane, with a red curved arrow at its top
right; 32 x 32 pixels in the standard 16-colour palette. Standard library only.

Usage: scripts/make-icon.py [resources folder]   (default: resources/ next to this script)
"""

import math
import pathlib
import struct
import sys
import zlib

SIZE = 32

# The standard 16-colour VGA palette, in the Windows order.
PALETTE = [
    (0x00, 0x00, 0x00), (0x80, 0x00, 0x00), (0x00, 0x80, 0x00), (0x80, 0x80, 0x00),
    (0x00, 0x00, 0x80), (0x80, 0x00, 0x80), (0x00, 0x80, 0x80), (0xC0, 0xC0, 0xC0),
    (0x80, 0x80, 0x80), (0xFF, 0x00, 0x00), (0x00, 0xFF, 0x00), (0xFF, 0xFF, 0x00),
    (0x00, 0x00, 0xFF), (0xFF, 0x00, 0xFF), (0x00, 0xFF, 0xFF), (0xFF, 0xFF, 0xFF),
]
BLACK, MAROON, NAVY, SILVER, GRAY, RED, BLUE, WHITE = 0, 1, 4, 7, 8, 9, 12, 15
TRANSPARENT = None


def draw():
    """Returns 32 rows of 32 palette indices (None where the icon is transparent)."""
    pixels = [[TRANSPARENT] * SIZE for _ in range(SIZE)]

    def rect(x0, y0, x1, y1, colour):
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                pixels[y][x] = colour

    # The window: black frame, navy title bar, white client area.
    left, top, right, bottom = 1, 8, 25, 30
    rect(left, top, right, bottom, BLACK)
    rect(left + 1, top + 1, right - 1, top + 3, NAVY)
    rect(right - 4, top + 2, right - 2, top + 2, WHITE)  # the close box of the title bar
    rect(left + 1, top + 4, right - 1, bottom - 1, WHITE)
    # The pane at the left: grey frame, silver heading, a few lines of blue links.
    pane_right = left + 9
    rect(left + 1, top + 4, pane_right, bottom - 1, GRAY)
    rect(left + 2, top + 5, pane_right - 1, bottom - 2, WHITE)
    rect(left + 2, top + 5, pane_right - 1, top + 6, SILVER)
    for y in (top + 9, top + 12, top + 15):
        rect(left + 3, y, pane_right - 2, y, BLUE)
    # Text lines of the page at the right of the pane.
    for y in (top + 16, top + 18, top + 20):
        rect(pane_right + 3, y, right - 3, y, SILVER)

    # The red curved arrow: a thick quarter circle rising from the window to the top right,
    # ending in a head that points to the right; a maroon edge keeps it apart from the white.
    shape = set()
    cx, cy = 27.5, 16.5
    for y in range(SIZE):
        for x in range(SIZE):
            px, py = x + 0.5, y + 0.5
            if px <= cx and py <= cy and 8.0 <= math.hypot(px - cx, py - cy) <= 11.0:
                shape.add((x, y))
            if 27 <= x <= 31 and abs(py - 7.0) <= (32.0 - px) * 1.1:
                shape.add((x, y))
    edge = set()
    for (x, y) in shape:
        for dx, dy in ((1, 0), (-1, 0), (0, 1), (0, -1)):
            n = (x + dx, y + dy)
            if 0 <= n[0] < SIZE and 0 <= n[1] < SIZE and n not in shape:
                edge.add(n)
    for (x, y) in edge:
        # No edge at the arrow's lower, open end: it goes into the window.
        if y < 17:
            pixels[y][x] = MAROON
    for (x, y) in shape:
        pixels[y][x] = RED
    return pixels


def write_ico(pixels, path):
    header = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE * 2, 1, 4, 0,
                         SIZE * SIZE // 2 + SIZE * SIZE // 8, 0, 0, 16, 0)
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for (r, g, b) in PALETTE)
    colour_rows, mask_rows = [], []
    for row in reversed(pixels):  # bottom-up
        indices = [BLACK if p is TRANSPARENT else p for p in row]
        colour_rows.append(bytes((indices[i] << 4) | indices[i + 1] for i in range(0, SIZE, 2)))
        bits = 0
        for p in row:
            bits = (bits << 1) | (1 if p is TRANSPARENT else 0)
        mask_rows.append(bits.to_bytes(SIZE // 8, "big"))
    image = header + palette + b"".join(colour_rows) + b"".join(mask_rows)
    directory = struct.pack("<HHH", 0, 1, 1) + struct.pack(
        "<BBBBHHII", SIZE, SIZE, 16, 0, 1, 4, len(image), 6 + 16)
    path.write_bytes(directory + image)


def write_png(pixels, path):
    raw = b""
    for row in pixels:
        raw += b"\x00"  # no filter
        for p in row:
            raw += bytes((0, 0, 0, 0)) if p is TRANSPARENT else bytes(PALETTE[p] + (255,))

    def chunk(kind, data):
        return (struct.pack(">I", len(data)) + kind + data +
                struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF))

    png = (b"\x89PNG\r\n\x1a\n" +
           chunk(b"IHDR", struct.pack(">IIBBBBB", SIZE, SIZE, 8, 6, 0, 0, 0)) +
           chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))
    path.write_bytes(png)


def main():
    folder = pathlib.Path(sys.argv[1]) if len(sys.argv) > 1 else (
        pathlib.Path(__file__).resolve().parent.parent / "resources")
    pixels = draw()
    write_ico(pixels, folder / "icon_145.ico")
    write_png(pixels, folder / "icon_145.png")


if __name__ == "__main__":
    main()
