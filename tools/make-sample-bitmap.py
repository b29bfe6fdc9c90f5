#!/usr/bin/python3
"""Draws bitmap 144, the sample image of the link page window: a vertical browser bar
showing a link page. Writes an 8-bit palettized BMP (256 colours) and, beside it, the same
picture at twice the size as <name>@2x.png for screens at 2x: every pixel becomes a 2 x 2
block, so it stays as sharp as the original instead of being blurred by scaling. Needs
python3-pil.

Usage: tools/make-sample-bitmap.py [OUTPUT]   (default: resources/bitmap_144.bmp)
"""
import os
import sys

from PIL import Image

WIDTH, HEIGHT = 185, 238

# Palette: index -> (r, g, b). The rest of the 256 entries stay black.
PALETTE = [
    (0, 0, 0),        # 0 black: text, arrows, close mark
    (255, 255, 255),  # 1 white: page, highlights
    (208, 236, 200),  # 2 pale green: the bar's caption strip
    (128, 160, 120),  # 3 darker green: line under the strip
    (212, 208, 200),  # 4 button face
    (128, 128, 128),  # 5 shadow, frame
    (64, 64, 64),     # 6 dark shadow
    (236, 236, 236),  # 7 scroll bar track
    (0, 0, 139),      # 8 dark blue: links
    (48, 48, 48),     # 9 close mark
]
BLACK, WHITE, GREEN, GREEN_LINE, FACE, SHADOW, DARK, TRACK, LINK, CLOSE = range(10)

# A small proportional pixel font: rows 0-6 down to the baseline, rows 7-8 descenders.
GLYPHS = {
    "P": ["####.", "#...#", "#...#", "####.", "#....", "#....", "#...."],
    "E": ["#####", "#....", "#....", "####.", "#....", "#....", "#####"],
    "L": ["#....", "#....", "#....", "#....", "#....", "#....", "#####"],
    "N": ["#...#", "##..#", "##..#", "#.#.#", "#..##", "#..##", "#...#"],
    "1": [".#.", "##.", ".#.", ".#.", ".#.", ".#.", "###"],
    "2": [".###.", "#...#", "....#", "...#.", "..#..", ".#...", "#####"],
    "3": ["####.", "....#", "....#", ".###.", "....#", "....#", "####."],
    "a": [".....", ".....", ".###.", "....#", ".####", "#...#", ".####"],
    "c": ["....", "....", ".###", "#...", "#...", "#...", ".###"],
    "d": ["....#", "....#", ".####", "#...#", "#...#", "#...#", ".####"],
    "e": [".....", ".....", ".###.", "#...#", "#####", "#....", ".###."],
    "h": ["#....", "#....", "#.##.", "##..#", "#...#", "#...#", "#...#"],
    "i": ["#", ".", "#", "#", "#", "#", "#"],
    "l": ["#", "#", "#", "#", "#", "#", "#"],
    "m": [".....", ".....", "##.#.", "#.#.#", "#.#.#", "#.#.#", "#.#.#"],
    "o": [".....", ".....", ".###.", "#...#", "#...#", "#...#", ".###."],
    "p": [".....", ".....", "####.", "#...#", "#...#", "#...#", "####.", "#....", "#...."],
    "r": ["....", "....", "#.##", "##..", "#...", "#...", "#..."],
    "s": ["....", "....", ".###", "#...", ".##.", "...#", "###."],
    "t": [".#.", ".#.", "###", ".#.", ".#.", ".#.", "..#"],
    "w": [".....", ".....", "#...#", "#...#", "#.#.#", "#.#.#", ".#.#."],
    "x": [".....", ".....", "#...#", ".#.#.", "..#..", ".#.#.", "#...#"],
    ".": ["#"],  # drawn on the baseline row
    " ": ["..."],
}


class Canvas:
    def __init__(self, width, height, colour):
        self.width, self.height = width, height
        self.pixels = [[colour] * width for _ in range(height)]

    def put(self, x, y, colour):
        if 0 <= x < self.width and 0 <= y < self.height:
            self.pixels[y][x] = colour

    def fill(self, x0, y0, x1, y1, colour):
        """Fills the rectangle with corners (x0, y0) and (x1, y1), both included."""
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                self.put(x, y, colour)

    def text_width(self, text):
        return sum(len(GLYPHS[ch][0]) + 1 for ch in text) - 1

    def text(self, x, y, text, colour, bold=False, underline=False):
        """Draws `text` with its top at y; returns the x after the last glyph."""
        start = x
        for ch in text:
            rows = GLYPHS[ch]
            top = y + 6 if ch == "." else y
            for dy, row in enumerate(rows):
                for dx, cell in enumerate(row):
                    if cell == "#":
                        self.put(x + dx, top + dy, colour)
                        if bold:
                            self.put(x + dx + 1, top + dy, colour)
            x += len(rows[0]) + 1 + (1 if bold else 0)
        if underline:
            self.fill(start, y + 8, x - 2, y + 8, colour)
        return x

    def raised_box(self, x0, y0, x1, y1):
        """A push-button face with the classic 3-D edge."""
        self.fill(x0, y0, x1, y1, FACE)
        self.fill(x0, y0, x1 - 1, y0, WHITE)
        self.fill(x0, y0, x0, y1 - 1, WHITE)
        self.fill(x0, y1, x1, y1, DARK)
        self.fill(x1, y0, x1, y1, DARK)
        self.fill(x0 + 1, y1 - 1, x1 - 1, y1 - 1, SHADOW)
        self.fill(x1 - 1, y0 + 1, x1 - 1, y1 - 1, SHADOW)

    def arrow(self, cx, cy, up):
        """A small solid triangle, 7 pixels wide, pointing up or down."""
        for i in range(4):
            row = cy - 2 + i if up else cy + 1 - i
            self.fill(cx - i, row, cx + i, row, BLACK)


def draw():
    c = Canvas(WIDTH, HEIGHT, WHITE)

    # Caption strip of the bar with its close mark at the right end.
    strip_bottom = 18
    c.fill(0, 0, WIDTH - 1, strip_bottom, GREEN)
    c.fill(0, strip_bottom + 1, WIDTH - 1, strip_bottom + 1, GREEN_LINE)
    cx, cy = WIDTH - 11, strip_bottom // 2
    for d in range(-3, 4):
        for thick in (0, 1):
            c.put(cx + d + thick, cy + d, CLOSE)
            c.put(cx + d + thick, cy - d, CLOSE)

    # The page area: a thin frame, and a vertical scroll bar at the right edge.
    page_top = strip_bottom + 2
    c.fill(0, page_top, 0, HEIGHT - 1, SHADOW)
    c.fill(0, HEIGHT - 1, WIDTH - 1, HEIGHT - 1, SHADOW)
    c.fill(WIDTH - 1, page_top, WIDTH - 1, HEIGHT - 1, SHADOW)
    bar_left, bar_right = WIDTH - 17, WIDTH - 2
    bar_top, bar_bottom = page_top, HEIGHT - 2
    c.fill(bar_left, bar_top, bar_right, bar_bottom, TRACK)
    c.raised_box(bar_left, bar_top, bar_right, bar_top + 15)
    c.arrow((bar_left + bar_right) // 2, bar_top + 7, up=True)
    c.raised_box(bar_left, bar_bottom - 15, bar_right, bar_bottom)
    c.arrow((bar_left + bar_right) // 2, bar_bottom - 8, up=False)
    c.raised_box(bar_left, bar_top + 16, bar_right, bar_top + 90)

    # The page: a title line, an empty line, then three numbered links.
    left, line = 9, 15
    y = page_top + 10
    c.text(left, y, "Place title here...", BLACK, bold=True)
    y += 2 * line
    links = (("1", "Example site"), ("2", "Local data"), ("3", "News"))
    link_left = left + max(c.text_width(number + ". ") for number, _ in links) + 1
    for number, name in links:
        c.text(left, y, number + ".", BLACK)
        c.text(link_left, y, name, LINK, underline=True)
        y += line
    return c


def save(canvas, path):
    """The BMP with the palette, and beside it the picture at 2x as <name>@2x.png."""
    image = Image.new("P", (canvas.width, canvas.height))
    image.putpalette([v for colour in PALETTE for v in colour] +
                     [0] * (3 * (256 - len(PALETTE))))
    image.putdata([p for row in canvas.pixels for p in row])
    image.save(path)
    doubled = image.resize((canvas.width * 2, canvas.height * 2), Image.Resampling.NEAREST)
    doubled.convert("RGB").save(os.path.splitext(path)[0] + "@2x.png")


def main():
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    path = sys.argv[1] if len(sys.argv) > 1 else os.path.join(root, "resources", "bitmap_144.bmp")
    save(draw(), path)


if __name__ == "__main__":
    main()
