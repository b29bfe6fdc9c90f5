#!/usr/bin/env python3
"""Draws the program icon (resource 145): a white window whose left part is a framed vertical
pane, with a red curved arrow at its top right.

Writes the 32 x 32 image in the standard 16-colour palette (icon_145.png), the same design as
shapes in a 32-unit square, drawn smooth at every size: the scalable icons/quillbay.svg and
icons/quillbay_<size>.png at the icon theme's sizes 16 to 256, and icon_145.ico holding the
16-colour image beside 32-bit images with alpha at 16, 32, 48 and 256 pixels. Standard
library only.

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


def palette_image(pixels):
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
    return header + palette + b"".join(colour_rows) + b"".join(mask_rows)


def write_ico(images, path):
    """`images`: (size, colour count or 0, bits per pixel, image bytes)."""
    directory = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, colours, bits, data in images:
        directory += struct.pack("<BBBBHHII", size % 256, size % 256, colours, 0, 1, bits,
                                 len(data), offset)
        offset += len(data)
    path.write_bytes(directory + b"".join(data for *_, data in images))


def png_bytes(rgba_rows):
    """A PNG of rows of (r, g, b, a) tuples."""
    raw = b"".join(b"\x00" + b"".join(bytes(p) for p in row) for row in rgba_rows)

    def chunk(kind, data):
        return (struct.pack(">I", len(data)) + kind + data +
                struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF))

    size = struct.pack(">IIBBBBB", len(rgba_rows[0]), len(rgba_rows), 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", size) +
            chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def write_png(pixels, path):
    path.write_bytes(png_bytes([[(0, 0, 0, 0) if p is TRANSPARENT else PALETTE[p] + (255,)
                                 for p in row] for row in pixels]))


# The design as shapes in a 32-unit square, painted in this order: (colour, rectangles as
# x0, y0, x1, y1 with exclusive ends). The arrow follows.
SHAPES = [
    (PALETTE[BLACK], [(1, 8, 26, 31)]),
    (PALETTE[NAVY], [(2, 9, 25, 12)]),
    (PALETTE[WHITE], [(21, 10, 24, 11), (2, 12, 25, 30)]),
    (PALETTE[GRAY], [(2, 12, 11, 30)]),
    (PALETTE[WHITE], [(3, 13, 10, 29)]),
    (PALETTE[SILVER], [(3, 13, 10, 15), (13, 24, 23, 25), (13, 26, 23, 27), (13, 28, 23, 29)]),
    (PALETTE[BLUE], [(4, 17, 9, 18), (4, 20, 9, 21), (4, 23, 9, 24)]),
]
ARC_CENTRE, ARC_INNER, ARC_OUTER = (27.5, 16.5), 8.0, 11.0
HEAD = ((27.0, 1.5), (32.0, 7.0), (27.0, 12.5))  # the arrow head points to the right


def in_arrow(x, y, grow=0.0):
    """Whether the point lies on the arrow, or within `grow` units of its curved part."""
    cx, cy = ARC_CENTRE
    r = math.hypot(x - cx, y - cy)
    if x <= cx + grow and y <= cy + grow and ARC_INNER - grow <= r <= ARC_OUTER + grow:
        return True
    (x0, y0), (x1, y1), _ = HEAD
    half = (y1 - y0) * (x1 - x) / (x1 - x0)  # half the head's height at x
    return x0 - grow <= x <= x1 + grow and abs(y - y1) <= half + grow


def snapped_shapes(size):
    """SHAPES with every edge moved to the nearest pixel edge at `size`, so that straight
    edges stay sharp; a shape keeps at least one pixel."""
    k = size / SIZE

    def snap(v):
        return math.floor(v * k + 0.5) / k

    return [(paint, [(snap(x0), snap(y0), max(snap(x1), snap(x0) + 1 / k),
                      max(snap(y1), snap(y0) + 1 / k)) for (x0, y0, x1, y1) in rects])
            for paint, rects in SHAPES]


# At 16 pixels the design has too few pixels for its one-unit lines: drawn by hand instead.
# K black, N navy, W white, G grey, S silver, B blue, R red; "." is transparent.
SMALL = [
    ".............R..", ".............RR.", "...........RRRRR", "..........RRRRR.",
    "KKKKKKKKKRRKKR..", "KNNNNNNNRRNNK...", "KSSSSGWWRRWWK...", "KWWWWGWWWWWWK...",
    "KWBBWGWWWWWWK...", "KWWWWGWWWWWWK...", "KWBBWGWWWWWWK...", "KWWWWGWSSSSWK...",
    "KWBBWGWWWWWWK...", "KWWWWGWSSSSWK...", "KWWWWGWWWWWWK...", "KKKKKKKKKKKKK...",
]
SMALL_COLOURS = {"K": BLACK, "N": NAVY, "W": WHITE, "G": GRAY, "S": SILVER, "B": BLUE, "R": RED}


def colour_at(x, y, shapes):
    colour = None
    for paint, rects in shapes:
        if any(x0 <= x < x1 and y0 <= y < y1 for (x0, y0, x1, y1) in rects):
            colour = paint
    if in_arrow(x, y):
        return PALETTE[RED]
    if y < ARC_CENTRE[1] and in_arrow(x, y, grow=1.0):
        return PALETTE[MAROON]  # the edge that keeps the arrow apart from the white
    return colour


def render(size, samples=4):
    """The design at `size` pixels: rows of (r, g, b, a), smoothed over samples^2 points."""
    if size == len(SMALL):
        return [[(0, 0, 0, 0) if c == "." else PALETTE[SMALL_COLOURS[c]] + (255,) for c in row]
                for row in SMALL]
    rows = []
    shapes = snapped_shapes(size)
    step = SIZE / size / samples
    for py in range(size):
        row = []
        for px in range(size):
            total, count = [0, 0, 0], 0
            for sy in range(samples):
                for sx in range(samples):
                    c = colour_at((px * samples + sx + 0.5) * step, (py * samples + sy + 0.5) * step,
                                  shapes)
                    if c is not None:
                        count += 1
                        total = [t + v for t, v in zip(total, c)]
            if count == 0:
                row.append((0, 0, 0, 0))
            else:
                row.append(tuple(round(t / count) for t in total) + (round(255 * count / samples**2),))
        rows.append(row)
    return rows


def svg_text():
    def hex_of(c):
        return "#%02x%02x%02x" % c
    parts = ['<svg xmlns="http://www.w3.org/2000/svg" width="32" height="32" viewBox="0 0 32 32">']
    for paint, rects in SHAPES:
        for (x0, y0, x1, y1) in rects:
            parts.append('  <rect x="%g" y="%g" width="%g" height="%g" fill="%s"/>'
                         % (x0, y0, x1 - x0, y1 - y0, hex_of(paint)))
    cx, cy = ARC_CENTRE
    (hx0, hy0), (hx1, hy1), (hx2, hy2) = HEAD
    outer_end = cy - math.sqrt(ARC_OUTER**2 - (cx - hx0)**2)
    inner_end = cy - math.sqrt(ARC_INNER**2 - (cx - hx0)**2)
    arrow = ("M%g %g A%g %g 0 0 1 %g %.3f L%g %g L%g %g L%g %g L%g %.3f A%g %g 0 0 0 %g %g Z" %
             (cx - ARC_OUTER, cy, ARC_OUTER, ARC_OUTER, hx0, outer_end, hx0, hy0, hx1, hy1,
              hx2, hy2, hx0, inner_end, ARC_INNER, ARC_INNER, cx - ARC_INNER, cy))
    parts.append('  <defs><clipPath id="top"><rect width="32" height="%g"/></clipPath></defs>' % cy)
    parts.append('  <path d="%s" fill="none" stroke="%s" stroke-width="2" clip-path="url(#top)"/>'
                 % (arrow, hex_of(PALETTE[MAROON])))
    parts.append('  <path d="%s" fill="%s"/>' % (arrow, hex_of(PALETTE[RED])))
    parts.append("</svg>")
    return "\n".join(parts) + "\n"


def icon_image_32bit(rows):
    """An icon directory image: a 32-bit BGRA bitmap with alpha and its AND mask."""
    size = len(rows)
    mask_row = (size + 31) // 32 * 4
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0,
                         size * size * 4 + mask_row * size, 0, 0, 0, 0)
    colour = b"".join(bytes((b, g, r, a)) for row in reversed(rows) for (r, g, b, a) in row)
    mask = b""
    for row in reversed(rows):
        bits = 0
        for (_, _, _, a) in row:
            bits = (bits << 1) | (1 if a == 0 else 0)
        mask += (bits << (mask_row * 8 - size)).to_bytes(mask_row, "big")
    return header + colour + mask


def main():
    folder = pathlib.Path(sys.argv[1]) if len(sys.argv) > 1 else (
        pathlib.Path(__file__).resolve().parent.parent / "resources")
    pixels = draw()
    write_png(pixels, folder / "icon_145.png")
    icons = folder / "icons"
    icons.mkdir(exist_ok=True)
    (icons / "quillbay.svg").write_text(svg_text())
    rendered = {}
    for size in (16, 24, 32, 48, 64, 128, 256):
        rendered[size] = render(size)
        (icons / ("quillbay_%d.png" % size)).write_bytes(png_bytes(rendered[size]))
    # The 256-pixel image is kept as PNG inside the .ico, as Windows expects at that size.
    write_ico([(SIZE, 16, 4, palette_image(pixels))] +
              [(size, 0, 32, icon_image_32bit(rendered[size])) for size in (16, 32, 48)] +
              [(256, 0, 32, png_bytes(rendered[256]))], folder / "icon_145.ico")


if __name__ == "__main__":
    main()
