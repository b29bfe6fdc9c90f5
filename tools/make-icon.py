#!/usr/bin/python3
"""Draws the program icon (resource 145): a white window whose left part is a framed vertical
pane, with a red curved arrow at its top right.

Writes the 32 x 32 image in the standard 16-colour palette (icon_145.png); the same design as
shapes in a 32-unit square (icons/quillbay.svg), drawn by rsvg-convert at the icon theme's
sizes 24 to 256 with every edge on a whole pixel (icons/quillbay_<size>.png) and by hand at
16; and icon_145.ico, packed by icotool: the 16-colour image, the 16, 32 and 48-pixel images
and the 256-pixel one kept as PNG, as Windows expects at that size.

Needs python3-pil, librsvg2-bin and icoutils.
Usage: tools/make-icon.py [resources folder]   (default: resources/ beside this folder)
"""

import math
import pathlib
import subprocess
import sys
import tempfile

from PIL import Image

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


def image_of(rows, colours):
    """An RGBA image of rows of palette keys; `colours` maps a key to (r, g, b) or None."""
    image = Image.new("RGBA", (len(rows[0]), len(rows)))
    image.putdata([(0, 0, 0, 0) if colours(p) is None else colours(p) + (255,)
                   for row in rows for p in row])
    return image


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


def svg_text(shapes=SHAPES):
    def hex_of(c):
        return "#%02x%02x%02x" % c
    parts = ['<svg xmlns="http://www.w3.org/2000/svg" width="32" height="32" viewBox="0 0 32 32">']
    for paint, rects in shapes:
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


def main():
    folder = pathlib.Path(sys.argv[1]) if len(sys.argv) > 1 else (
        pathlib.Path(__file__).resolve().parent.parent / "resources")
    icons = folder / "icons"
    icons.mkdir(parents=True, exist_ok=True)
    image_of(draw(), lambda p: None if p is TRANSPARENT else PALETTE[p]).save(
        folder / "icon_145.png")
    (icons / "quillbay.svg").write_text(svg_text())
    image_of(SMALL, lambda c: None if c == "." else PALETTE[SMALL_COLOURS[c]]).save(
        icons / "quillbay_16.png")
    with tempfile.TemporaryDirectory() as scratch:
        for size in (24, 32, 48, 64, 128, 256):
            svg = pathlib.Path(scratch) / ("snapped_%d.svg" % size)
            svg.write_text(svg_text(snapped_shapes(size)))
            subprocess.run(["rsvg-convert", "-w", str(size), "-h", str(size), "-o",
                            str(icons / ("quillbay_%d.png" % size)), str(svg)], check=True)
    # icotool takes the depth from the colours: 16 colours without partial transparency go in
    # as 4-bit images, the smooth ones as 32-bit images with alpha.
    subprocess.run(["icotool", "-c", "-o", str(folder / "icon_145.ico"), str(folder / "icon_145.png")] +
                   [str(icons / ("quillbay_%d.png" % size)) for size in (16, 32, 48)] +
                   ["-r", str(icons / "quillbay_256.png")], check=True)


if __name__ == "__main__":
    main()
