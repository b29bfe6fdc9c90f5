#!/usr/bin/python3
"""Checks that the pictures committed in resources/ are what make-icon.py and
make-sample-bitmap.py make now. Both draw into a scratch folder; every picture is compared
pixel by pixel (an encoder of another version may pack the same pixels differently), the
icon file image by image, the SVG as text.

Usage: tools/check-assets.py [resources folder]   (default: resources/ beside this folder)
"""

import pathlib
import subprocess
import sys
import tempfile

from PIL import Image, ImageChops

TOOLS = pathlib.Path(__file__).resolve().parent


def pixels_differ(a, b):
    with Image.open(a) as first, Image.open(b) as second:
        if first.size != second.size:
            return "%s against %s" % (first.size, second.size)
        diff = ImageChops.difference(first.convert("RGBA"), second.convert("RGBA")).getbbox()
        return "pixels differ within %s" % (diff,) if diff else None


def icon_images(ico, folder):
    """The icon's directory as icotool lists it, and its images extracted into `folder`."""
    listing = subprocess.run(["icotool", "-l", str(ico)], check=True, capture_output=True,
                             text=True).stdout
    folder.mkdir()
    subprocess.run(["icotool", "-x", "-o", str(folder), str(ico)], check=True)
    return listing, sorted(folder.iterdir())


def main():
    committed = pathlib.Path(sys.argv[1]) if len(sys.argv) > 1 else TOOLS.parent / "resources"
    faults = []
    with tempfile.TemporaryDirectory() as scratch:
        made = pathlib.Path(scratch) / "made"
        made.mkdir()
        subprocess.run([str(TOOLS / "make-icon.py"), str(made)], check=True)
        subprocess.run([str(TOOLS / "make-sample-bitmap.py"), str(made / "bitmap_144.bmp")],
                       check=True)
        for path in sorted(p for p in made.rglob("*") if p.is_file()):
            name = path.relative_to(made)
            old = committed / name
            if not old.is_file():
                faults.append("%s: not committed" % name)
            elif path.suffix == ".svg":
                if path.read_text() != old.read_text():
                    faults.append("%s: differs" % name)
            elif path.suffix == ".ico":
                ours = icon_images(path, pathlib.Path(scratch) / "made.ico")
                theirs = icon_images(old, pathlib.Path(scratch) / "committed.ico")
                if ours[0] != theirs[0]:
                    faults.append("%s: other images:\n%s" % (name, theirs[0]))
                for a, b in zip(ours[1], theirs[1]):
                    if why := pixels_differ(a, b):
                        faults.append("%s: %s: %s" % (name, b.name, why))
            elif why := pixels_differ(path, old):
                faults.append("%s: %s" % (name, why))
    for fault in faults:
        print("check-assets: %s (run tools/make-icon.py and tools/make-sample-bitmap.py)" % fault,
              file=sys.stderr)
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
