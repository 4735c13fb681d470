#!/usr/bin/env python3
"""Checks that the see-through panel floats on the desktop without fringes.

Every pixel of the panel's rectangle in a root-window screenshot must be the
desktop's own pixel, one of the text colours the panel draws, or (inside a
picture's rectangle) a pixel of a picture. A letter smoothed against the key
colour, or a picture edge blended with it, gives colours that are none of
these.

  check_edges.py SHOT DESKTOP LEFT TOP DPI PICTURE_DIR

At 96 dpi the pictures are drawn one to one, so their pixels must be colours
of the picture files; at other dpis they are scaled and may be any colour, but
the text outside them must still be exact.
"""

import os
import subprocess
import sys
import tempfile

# The panel's text colours: the city and the links in blue, the weather lines
# in red, the rest in the window-text colour.
TEXT_COLOURS = {(0, 0, 255), (255, 0, 0), (0, 0, 0)}
PANEL = (320, 270)
# Day 1's and day 2's day and night pictures.
PICTURES = [(30, 90, 42, 30), (71, 90, 42, 30), (30, 155, 42, 30), (71, 155, 42, 30)]


def scale(length, dpi):
    return (length * dpi + 48) // 96


def read_ppm(path, crop=None):
    """Width, height and rows of RGB tuples of any picture ImageMagick reads,
    or of a part of it (WIDTHxHEIGHT+LEFT+TOP)."""
    with tempfile.TemporaryDirectory() as folder:
        ppm = os.path.join(folder, "p.ppm")
        cut = ["-crop", crop, "+repage"] if crop else []
        subprocess.run(["convert", path] + cut + ["-depth", "8", ppm], check=True)
        with open(ppm, "rb") as f:
            data = f.read()
    fields, at = [], 0
    while len(fields) < 4:
        while data[at:at + 1].isspace():
            at += 1
        if data[at:at + 1] == b"#":
            at = data.index(b"\n", at)
            continue
        end = at
        while not data[end:end + 1].isspace():
            end += 1
        fields.append(data[at:end])
        at = end
    at += 1
    assert fields[0] == b"P6", fields[0]
    width, height = int(fields[1]), int(fields[2])
    pixels = data[at:at + width * height * 3]
    rows = [[tuple(pixels[(y * width + x) * 3:(y * width + x) * 3 + 3]) for x in range(width)]
            for y in range(height)]
    return width, height, rows


def picture_colours(folder):
    colours = set()
    for name in os.listdir(folder):
        if name.lower().endswith(".bmp"):
            _, _, rows = read_ppm(os.path.join(folder, name))
            for row in rows:
                colours.update(row)
    return colours


def main():
    shot, desktop, left, top, dpi, picture_dir = sys.argv[1:7]
    left, top, dpi = int(left), int(top), int(dpi)
    panel = "%dx%d+%d+%d" % (scale(PANEL[0], dpi), scale(PANEL[1], dpi), left, top)
    _, _, shown = read_ppm(shot, panel)
    _, _, behind = read_ppm(desktop, panel)
    pictures = [(scale(x, dpi), scale(y, dpi), scale(x + w, dpi), scale(y + h, dpi))
                for x, y, w, h in PICTURES]
    from_files = picture_colours(picture_dir) if dpi == 96 else None
    bad = {}
    drawn = 0
    for y in range(scale(PANEL[1], dpi)):
        for x in range(scale(PANEL[0], dpi)):
            colour = shown[y][x]
            if colour == behind[y][x]:
                continue
            drawn += 1
            if colour in TEXT_COLOURS:
                continue
            in_picture = any(x0 <= x < x1 and y0 <= y < y1 for x0, y0, x1, y1 in pictures)
            if in_picture and (from_files is None or colour in from_files):
                continue
            bad.setdefault(colour, (x, y))
    if drawn == 0:
        print("FAIL: nothing of the panel is on the screen")
        return 1
    if bad:
        sample = ", ".join("#%02x%02x%02x at (%d,%d)" % (c + p) for c, p in list(bad.items())[:8])
        print("FAIL: %d colours that the panel does not draw on purpose: %s" % (len(bad), sample))
        return 1
    print("every one of %d drawn pixels is a text colour or a picture's: ok" % drawn)
    return 0


if __name__ == "__main__":
    sys.exit(main())
