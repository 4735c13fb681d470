#!/usr/bin/env python3
"""Draws the viewer's pictures as 256-colour uncompressed BMP files.

  --icons DIR      weather pictures d00.bmp .. d31.bmp, d53.bmp and the same
                   with n (night), 42 x 30, on a see-through background
                   colour that is also their bottom-left pixel
  --resources DIR  Image5.bmp .. Image10.bmp (the full window's index
                   pictograms), Placeholder.bmp and TodayPicture.bmp
  --app-icon FILE  the program's icon: one .ico with 16, 24, 32, 48 (32-bit
                   bitmaps with alpha) and 256 pixel images (PNG)
  --sheet FILE     also a PNG contact sheet of everything, four times enlarged,
                   see-through pixels shown in the sheet's grey
  --icon-sheet FILE  the program's icon at every size, enlarged, on a light
                   and on a dark ground
  --self-test      draw everything into a temporary folder and read it back

Standard library only; everything is drawn here from simple shapes.
"""

import argparse
import math
import os
import struct
import sys
import zlib

# The see-through colour of the weather pictures.  Nothing else may use it,
# nor the compact window's key colour RGB(25, 0, 0).
KEY = (255, 0, 255)
CORNER = (240, 240, 240)          # outside the rounded tiles of the index pictures

SUN = (255, 206, 20)
SUN_EDGE = (230, 120, 0)
RAY = (255, 168, 0)
MOON = (255, 238, 150)
MOON_EDGE = (196, 150, 40)
STAR = (255, 246, 190)
CLOUD = (255, 255, 255)
CLOUD_EDGE = (104, 116, 134)
GREY = (196, 201, 210)
GREY_EDGE = (92, 98, 112)
DARK = (142, 148, 162)
DARK_EDGE = (64, 68, 80)
STORM = (112, 116, 132)
STORM_EDGE = (46, 48, 60)
RAIN = (28, 120, 240)
RAIN_DARK = (16, 78, 196)
SNOW = (255, 255, 255)
SNOW_EDGE = (66, 118, 196)
ICE = (170, 236, 255)
ICE_EDGE = (40, 130, 190)
BOLT = (255, 226, 40)
BOLT_EDGE = (200, 96, 0)
HAIL = (214, 236, 255)
HAIL_EDGE = (90, 110, 140)
FOG = (214, 216, 222)
FOG_EDGE = (120, 124, 136)
HAZE = (206, 188, 140)
HAZE_EDGE = (140, 118, 70)
DIM_SUN = (240, 180, 90)
DIM_SUN_EDGE = (180, 110, 40)
DUST = (176, 128, 64)
DUST_DARK = (128, 86, 36)
SAND = (222, 178, 100)
SAND_EDGE = (150, 104, 40)


# --- drawing ---------------------------------------------------------------

class Canvas:
    def __init__(self, width, height, colour):
        self.w, self.h = width, height
        self.px = [colour] * (width * height)

    def inside(self, x, y):
        return 0 <= x < self.w and 0 <= y < self.h

    def put(self, x, y, colour):
        if self.inside(x, y):
            self.px[y * self.w + x] = colour

    def get(self, x, y):
        return self.px[y * self.w + x]

    def fill(self, mask, colour):
        for x, y in mask:
            self.put(x, y, colour)

    def shape(self, mask, colour, edge=None):
        """Fill with a one-pixel edge just inside the shape's border."""
        for x, y in mask:
            if edge is not None and any(n not in mask for n in ((x - 1, y), (x + 1, y), (x, y - 1), (x, y + 1))):
                self.put(x, y, edge)
            else:
                self.put(x, y, colour)

    def haloed(self, mask, colour, halo):
        """Fill with a one-pixel ring around the outside, so it reads on any ground."""
        self.fill(grow(mask) - mask, halo)
        self.fill(mask, colour)


def grow(mask, diagonal=False):
    out = set(mask)
    steps = ((1, 0), (-1, 0), (0, 1), (0, -1))
    if diagonal:
        steps += ((1, 1), (1, -1), (-1, 1), (-1, -1))
    for x, y in mask:
        for dx, dy in steps:
            out.add((x + dx, y + dy))
    return out


def _box(x0, y0, x1, y1):
    return range(math.floor(x0), math.ceil(x1) + 1), range(math.floor(y0), math.ceil(y1) + 1)


def disc(cx, cy, r):
    xs, ys = _box(cx - r, cy - r, cx + r, cy + r)
    return {(x, y) for y in ys for x in xs if (x + 0.5 - cx) ** 2 + (y + 0.5 - cy) ** 2 <= r * r}


def ellipse(cx, cy, rx, ry):
    xs, ys = _box(cx - rx, cy - ry, cx + rx, cy + ry)
    return {(x, y) for y in ys for x in xs
            if ((x + 0.5 - cx) / rx) ** 2 + ((y + 0.5 - cy) / ry) ** 2 <= 1}


def rect(x0, y0, x1, y1):
    """Pixels x0 <= x < x1, y0 <= y < y1."""
    return {(x, y) for y in range(y0, y1) for x in range(x0, x1)}


def rounded(x0, y0, x1, y1, r):
    """Rectangle x0 <= x < x1, y0 <= y < y1 with corners of radius r."""
    out = set()
    for y in range(y0, y1):
        for x in range(x0, x1):
            px, py = x + 0.5, y + 0.5
            cx = min(max(px, x0 + r), x1 - r)
            cy = min(max(py, y0 + r), y1 - r)
            if (px - cx) ** 2 + (py - cy) ** 2 <= r * r:
                out.add((x, y))
    return out


def polygon(points):
    xs, ys = _box(min(p[0] for p in points), min(p[1] for p in points),
                  max(p[0] for p in points), max(p[1] for p in points))
    out = set()
    n = len(points)
    for y in ys:
        py = y + 0.5
        crossings = []
        for i in range(n):
            (ax, ay), (bx, by) = points[i], points[(i + 1) % n]
            if (ay <= py) != (by <= py):
                crossings.append(ax + (py - ay) * (bx - ax) / (by - ay))
        crossings.sort()
        for a, b in zip(crossings[0::2], crossings[1::2]):
            for x in xs:
                if a <= x + 0.5 < b:
                    out.add((x, y))
    return out


def line(x0, y0, x1, y1, width):
    """A stroke with round ends: pixels within width/2 of the segment."""
    r = width / 2
    xs, ys = _box(min(x0, x1) - r, min(y0, y1) - r, max(x0, x1) + r, max(y0, y1) + r)
    dx, dy = x1 - x0, y1 - y0
    length2 = dx * dx + dy * dy or 1e-9
    out = set()
    for y in ys:
        for x in xs:
            px, py = x + 0.5, y + 0.5
            t = max(0.0, min(1.0, ((px - x0) * dx + (py - y0) * dy) / length2))
            if (px - x0 - t * dx) ** 2 + (py - y0 - t * dy) ** 2 <= r * r:
                out.add((x, y))
    return out


def polyline(points, width):
    out = set()
    for a, b in zip(points, points[1:]):
        out |= line(a[0], a[1], b[0], b[1], width)
    return out


def ring(cx, cy, r0, r1, a0=0.0, a1=360.0):
    """Band between radii r0 and r1, angles a0..a1 in degrees (0 = right, 90 = down)."""
    xs, ys = _box(cx - r1, cy - r1, cx + r1, cy + r1)
    out = set()
    for y in ys:
        for x in xs:
            px, py = x + 0.5 - cx, y + 0.5 - cy
            d2 = px * px + py * py
            if r0 * r0 <= d2 <= r1 * r1:
                a = math.degrees(math.atan2(py, px)) % 360
                if (a0 <= a <= a1) or (a0 <= a + 360 <= a1):
                    out.add((x, y))
    return out


# --- weather parts -----------------------------------------------------------

def sun(c, cx, cy, r, rays=True):
    if rays:
        for i in range(8):
            a = math.radians(i * 45)
            diagonal = i % 2 == 1
            r0, r1 = (r + 1.6, r + 3.9) if diagonal else (r + 2.0, r + 4.6)
            c.fill(line(cx + math.cos(a) * r0, cy + math.sin(a) * r0,
                        cx + math.cos(a) * r1, cy + math.sin(a) * r1, 1.5 if diagonal else 2.0), RAY)
    c.shape(disc(cx, cy, r), SUN, SUN_EDGE)


def moon(c, cx, cy, r):
    crescent = disc(cx, cy, r) - disc(cx + r * 0.55, cy - r * 0.35, r * 0.85)
    c.shape(crescent, MOON, MOON_EDGE)


def star(c, x, y):
    c.fill({(x, y), (x - 1, y), (x + 1, y), (x, y - 1), (x, y + 1)}, STAR)


def cloud_mask(x0, y0, x1, y1):
    w, h = x1 - x0, y1 - y0
    base_top = y0 + h * 0.5
    mask = rounded(round(x0), round(base_top), round(x1), round(y1), h * 0.25)
    mask |= disc(x0 + w * 0.30, y0 + h * 0.56, h * 0.32)
    mask |= disc(x0 + w * 0.56, y0 + h * 0.44, h * 0.44)
    mask |= disc(x0 + w * 0.79, y0 + h * 0.64, h * 0.27)
    return {(x, y) for x, y in mask if y < y1}


def cloud(c, x0, y0, x1, y1, fill=CLOUD, edge=CLOUD_EDGE):
    c.shape(cloud_mask(x0, y0, x1, y1), fill, edge)


def drop(c, x, y, length=4, colour=RAIN, thick=False):
    """A short rain streak slanting down to the left."""
    pts = set()
    for i in range(length):
        px = x - i // 2
        pts.add((px, y + i))
        if thick:
            pts.add((px + 1, y + i))
    c.fill(pts, colour)


def flake(c, x, y, big=True):
    if big:
        mask = {(x, y), (x - 1, y), (x + 1, y), (x - 2, y), (x + 2, y), (x, y - 1), (x, y + 1),
                (x, y - 2), (x, y + 2), (x - 1, y - 1), (x + 1, y + 1), (x - 1, y + 1), (x + 1, y - 1)}
    else:
        mask = {(x, y), (x - 1, y), (x + 1, y), (x, y - 1), (x, y + 1)}
    c.haloed(mask, SNOW, SNOW_EDGE)


def hail(c, x, y):
    c.shape(disc(x + 0.5, y + 0.5, 2.6), HAIL, HAIL_EDGE)


def ice(c, x, y):
    c.haloed({(x, y), (x - 1, y), (x + 1, y), (x, y - 1), (x, y + 1)}, ICE, ICE_EDGE)


def bolt(c, x, y):
    pts = [(x + 3, y), (x - 3, y + 7), (x + 0.5, y + 7), (x - 3, y + 14),
           (x + 5, y + 5), (x + 1.5, y + 5), (x + 6, y)]
    c.shape(polygon(pts), BOLT, BOLT_EDGE)


def sky_behind(c, night, cx=13, cy=10, r=6.5):
    """The sun or moon peeking out above the cloud's left shoulder."""
    if night:
        moon(c, cx, cy, r + 0.5)
    else:
        sun(c, cx, cy, r)


def weather_cloud(c, kind="white"):
    """The cloud of the precipitation pictures, across the upper part."""
    fill, edge = {"white": (CLOUD, CLOUD_EDGE), "grey": (GREY, GREY_EDGE),
                  "dark": (DARK, DARK_EDGE), "storm": (STORM, STORM_EDGE)}[kind]
    cloud(c, 4, 0, 38, 20, fill, edge)


# Rain streak positions under the cloud, in the order they are added.
RAIN_SPOTS = [(12, 21), (21, 21), (30, 21), (16, 25), (26, 25), (8, 25), (35, 25),
              (17, 20), (26, 20), (7, 20), (34, 20), (12, 25), (21, 25), (31, 25), (37, 21)]
SNOW_SPOTS = [(13, 23), (27, 23), (20, 26), (34, 26), (6, 26), (20, 21), (34, 20), (8, 20)]


def rain(c, count, length=5, thick=False, colour=RAIN):
    for x, y in RAIN_SPOTS[:count]:
        drop(c, x, y, min(length, 30 - y), colour, thick)


def snow(c, count):
    for x, y in SNOW_SPOTS[:count]:
        flake(c, x, y)


def precipitation(number, night):
    c = Canvas(42, 30, KEY)
    showers = number in (3, 13)
    if showers:
        sky_behind(c, night, 12, 8, 6)
    cloud_kind = {3: "white", 4: "storm", 5: "storm", 6: "grey", 7: "white", 8: "grey", 9: "grey",
                  10: "dark", 11: "storm", 12: "storm", 13: "white", 14: "white", 15: "white",
                  16: "grey", 17: "dark", 19: "grey", 21: "white", 22: "grey", 23: "dark",
                  24: "dark", 25: "storm", 26: "white", 27: "grey", 28: "dark"}[number]
    if showers:
        cloud(c, 10, 3, 40, 21)                 # shifted right to let the sky show
    else:
        weather_cloud(c, cloud_kind)
    if number == 3:
        for x, y in ((17, 22), (25, 22), (33, 22), (21, 26), (29, 26)):
            drop(c, x, y, 4)
    elif number == 4:
        bolt(c, 20, 14)
        for x, y in ((10, 21), (14, 24), (32, 21), (36, 24)):
            drop(c, x, y, 5)
    elif number == 5:
        bolt(c, 20, 14)
        for x, y in ((9, 21), (13, 25), (31, 21), (35, 25)):
            hail(c, x, y)
    elif number == 6:
        for x, y in ((10, 21), (24, 21), (17, 25), (31, 25)):
            drop(c, x, y, 5)
        for x, y in ((17, 21), (31, 21), (10, 26), (24, 26), (37, 26)):
            flake(c, x, y, big=False)
    elif number in (7, 8, 9, 10, 11, 12):
        count, length, thick = {7: (3, 4, False), 8: (5, 5, False), 9: (7, 6, False),
                                10: (9, 6, True), 11: (11, 7, True), 12: (15, 8, True)}[number]
        rain(c, count, length, thick, RAIN_DARK if number >= 10 else RAIN)
    elif number in (21, 22, 23, 24, 25):
        # "a to b": the left half at the lighter amount, the right at the heavier
        light, heavy = {21: (7, 8), 22: (8, 9), 23: (9, 10), 24: (10, 11), 25: (11, 12)}[number]
        style = {7: (4, False), 8: (5, False), 9: (6, False), 10: (6, True), 11: (7, True), 12: (8, True)}
        spots_left = [(9, 21), (15, 21), (12, 25), (6, 25), (18, 25)]
        spots_right = [(25, 21), (31, 21), (37, 21), (28, 25), (34, 25), (22, 25), (25, 20), (34, 20)]
        n_left = {7: 2, 8: 3, 9: 4, 10: 5, 11: 5}[light]
        n_right = {8: 5, 9: 6, 10: 7, 11: 8, 12: 8}[heavy]
        for (x, y) in spots_left[:n_left]:
            ln, th = style[light]
            drop(c, x, y, min(ln, 30 - y), RAIN_DARK if light >= 10 else RAIN, th)
        for (x, y) in spots_right[:n_right]:
            ln, th = style[heavy]
            drop(c, x, y, min(ln, 30 - y), RAIN_DARK if heavy >= 10 else RAIN, th)
    elif number == 13:
        for x, y in ((19, 24), (33, 24), (26, 27)):
            flake(c, x, y)
    elif number in (14, 15, 16, 17):
        snow(c, {14: 2, 15: 4, 16: 6, 17: 8}[number])
    elif number in (26, 27, 28):
        left, right = {26: (1, 3), 27: (2, 4), 28: (3, 5)}[number]
        for x, y in [(10, 23), (6, 27), (15, 27)][:left]:
            flake(c, x, y, big=False)
        for x, y in [(26, 22), (34, 23), (22, 27), (30, 27), (37, 27)][:right]:
            flake(c, x, y)
    elif number == 19:
        for x, y in ((10, 21), (22, 21), (34, 21)):
            drop(c, x, y, 4)
        for x, y in ((16, 24), (28, 24)):
            ice(c, x, y)
        c.shape(rounded(4, 27, 39, 30, 1.5), ICE, ICE_EDGE)
    return c


def clear(night):
    c = Canvas(42, 30, KEY)
    if night:
        moon(c, 21, 15, 11)
        star(c, 34, 6)
        star(c, 8, 23)
        c.put(36, 19, STAR)
        c.put(7, 8, STAR)
    else:
        sun(c, 21, 15, 8)
    return c


def partly_cloudy(night):
    c = Canvas(42, 30, KEY)
    sky_behind(c, night, 14, 10, 7)
    cloud(c, 10, 8, 40, 29)
    return c


def overcast(night):
    c = Canvas(42, 30, KEY)
    cloud(c, 2, 2, 28, 19, DARK, DARK_EDGE)
    cloud(c, 11, 9, 41, 29, GREY, GREY_EDGE)
    return c


def bands(c, rows, fill, edge):
    for x0, x1, y in rows:
        c.shape(rounded(x0, y, x1, y + 3, 1.5), fill, edge)


def fog(night):
    c = Canvas(42, 30, KEY)
    if night:
        moon(c, 21, 10, 8)
    else:
        sun(c, 21, 10, 7, rays=False)
    bands(c, [(5, 37, 10), (9, 41, 15), (1, 33, 20), (7, 39, 25)], FOG, FOG_EDGE)
    return c


def haze(night):
    c = Canvas(42, 30, KEY)
    if night:
        moon(c, 21, 10, 8)
    else:
        c.shape(disc(21, 10, 7), DIM_SUN, DIM_SUN_EDGE)
    # Dashed two-row bands: a veil of grit rather than the solid bands of fog.
    for y, x0, x1 in ((13, 5, 37), (18, 1, 41), (23, 4, 38), (27, 9, 33)):
        for x in range(x0, x1):
            if (x - x0) % 4 < 3:
                c.put(x, y, HAZE)
            if (x - x0 + 2) % 4 < 3:
                c.put(x, y + 1, HAZE_EDGE)
    return c


def dust(night):
    c = Canvas(42, 30, KEY)
    if night:
        moon(c, 14, 10, 8)
    else:
        c.shape(disc(14, 10, 7), DIM_SUN, DIM_SUN_EDGE)
    spots = [(27, 4), (34, 8), (24, 12), (31, 15), (38, 17), (6, 20), (14, 21), (22, 19),
             (29, 22), (36, 25), (9, 26), (18, 26), (26, 27), (3, 14), (37, 3), (20, 3)]
    for i, (x, y) in enumerate(spots):
        colour = DUST_DARK if i % 2 else DUST
        c.fill({(x, y), (x + 1, y), (x, y + 1), (x + 1, y + 1)}, colour)
    return c


def gusts(c, rows, width, fill):
    """Streaks of blown sand, staggered like gusts."""
    for x0, x1, y in rows:
        c.fill(line(x0, y, x1, y, width), fill)


def sand(night):
    c = Canvas(42, 30, KEY)
    if night:
        moon(c, 33, 7, 6)
    else:
        c.shape(disc(33, 7, 5.5), DIM_SUN, DIM_SUN_EDGE)
    gusts(c, [(3.5, 24.5, 11), (9.5, 34.5, 16), (1.5, 19.5, 21), (12.5, 27.5, 26)], 2.0, SAND_EDGE)
    for x, y in ((27, 24), (31, 21), (35, 25), (24, 28), (38, 20), (29, 28), (13, 28)):
        c.fill({(x, y), (x + 1, y)}, SAND)
        c.put(x, y + 1, SAND_EDGE)
    return c


def sandstorm(number):
    c = Canvas(42, 30, KEY)
    strong = number == 31
    cloud(c, 6, 0, 36, 14, DUST if strong else SAND, DUST_DARK if strong else SAND_EDGE)
    width = 2.4 if strong else 1.8
    colour = DUST_DARK if strong else DUST
    rows = [(3.5, 27.5, 17), (10.5, 37.5, 22), (1.5, 21.5, 27)]
    if strong:
        rows.append((26.5, 40.5, 27))
    gusts(c, rows, width, colour)
    for x, y in ((34, 17), (38, 20), (29, 26)) if not strong else ((35, 15), (38, 19), (33, 24), (5, 22)):
        c.fill({(x, y), (x + 1, y), (x, y + 1), (x + 1, y + 1)}, SAND_EDGE)
    return c


def weather_picture(number, night):
    if number == 0:
        return clear(night)
    if number == 1:
        return partly_cloudy(night)
    if number == 2:
        return overcast(night)
    if number == 18:
        return fog(night)
    if number == 53:
        return haze(night)
    if number == 29:
        return dust(night)
    if number == 30:
        return sand(night)
    if number in (20, 31):
        return sandstorm(number)
    return precipitation(number, night)


WEATHER_NUMBERS = list(range(32)) + [53]


# --- index pictograms ------------------------------------------------------

TILE_TOP = (128, 196, 246)
TILE_BOTTOM = (74, 148, 222)
TILE_EDGE = (48, 116, 190)
SHADOW = (44, 104, 172)
WHITE = (255, 255, 255)


def tile_colour(y, h):
    t = y / max(1, h - 1)
    # Few steps keep the palette small and the tile calm.
    t = round(t * 7) / 7
    return tuple(round(a + (b - a) * t) for a, b in zip(TILE_TOP, TILE_BOTTOM))


class Tile(Canvas):
    def __init__(self, w, h, corner=CORNER, radius=10):
        super().__init__(w, h, corner)
        self.tile = rounded(0, 0, w, h, radius)
        for x, y in self.tile:
            self.put(x, y, tile_colour(y, h))
        edge = {p for p in self.tile
                if any(n not in self.tile for n in ((p[0] - 1, p[1]), (p[0] + 1, p[1]), (p[0], p[1] - 1), (p[0], p[1] + 1)))}
        self.fill(edge, TILE_EDGE)

    def glyph(self, mask, cut=()):
        """White pictogram with a soft drop shadow; cut is carved back to the tile."""
        shadow = {(x + 1, y + 2) for x, y in mask} - mask
        self.fill(shadow & self.tile, SHADOW)
        self.fill(mask, WHITE)
        for x, y in cut:
            if (x, y) in self.tile:
                self.put(x, y, tile_colour(y, self.h))


def t_shirt():
    c = Tile(64, 67)
    body = polygon([(24, 12), (15, 15), (5, 26), (12, 34), (17, 29), (17, 56), (47, 56), (47, 29),
                    (52, 34), (59, 26), (49, 15), (40, 12), (37, 16), (32, 18), (27, 16)])
    # sleeve hems carved back so the sleeves read as sleeves
    c.glyph(body, cut=polyline([(13, 32), (16, 29)], 1.2) | polyline([(51, 32), (48, 29)], 1.2))
    return c


def sun_rays():
    c = Tile(64, 62)
    mask = disc(32, 31, 10)
    for i in range(12):
        a = math.radians(i * 30)
        r0, r1 = (14, 23) if i % 2 == 0 else (14, 19.5)
        mask |= line(32 + math.cos(a) * r0, 31 + math.sin(a) * r0,
                     32 + math.cos(a) * r1, 31 + math.sin(a) * r1, 3.6)
    c.glyph(mask)
    return c


def runner():
    c = Tile(65, 66)
    mask = disc(41, 12, 6)
    mask |= line(37, 22, 30, 38, 8)                          # torso
    mask |= polyline([(36, 24), (45, 31), (53, 26)], 4.6)     # front arm
    mask |= polyline([(35, 24), (25, 29), (19, 23)], 4.6)     # back arm
    mask |= polyline([(30, 38), (41, 46), (40, 57)], 5.4)     # front leg
    mask |= polyline([(30, 38), (24, 49), (12, 52)], 5.4)     # back leg
    mask |= line(40, 57, 45, 57, 4)                           # foot
    c.glyph(mask)
    # speed lines
    for y, x0 in ((30, 6), (37, 9), (44, 6)):
        c.fill(line(x0, y, x0 + 8, y, 2.2), WHITE)
    return c


def smiling_face():
    c = Tile(64, 65)
    face = disc(32, 32.5, 22)
    cut = ellipse(24.5, 26, 3, 4.2) | ellipse(39.5, 26, 3, 4.2)
    cut |= ring(32, 30, 11.5, 15, 25, 155)
    c.glyph(face, cut)
    return c


def hanger():
    c = Tile(65, 66)
    mask = ring(32.5, 15, 4, 7.5, 150, 450)              # hook, open towards lower left
    mask |= line(32.5, 20, 32.5, 25, 3.6)
    mask |= line(32.5, 24, 7, 45, 4.2)
    mask |= line(32.5, 24, 58, 45, 4.2)
    mask |= line(7, 46, 58, 46, 4.4)
    c.glyph(mask)
    return c


def aeroplane():
    c = Tile(64, 68)
    local = [(0, -28), (3, -24), (3.5, -8), (26, 5), (26, 10), (3.5, 3), (3, 17), (11, 23),
             (11, 27), (0, 24), (-11, 27), (-11, 23), (-3, 17), (-3.5, 3), (-26, 10), (-26, 5),
             (-3.5, -8), (-3, -24)]
    a = math.radians(45)
    pts = [(32 + x * math.cos(a) - y * math.sin(a), 34 + x * math.sin(a) + y * math.cos(a))
           for x, y in local]
    c.glyph(polygon(pts))
    return c


def placeholder():
    return partly_cloudy(False)


def today_picture():
    c = Canvas(42, 30, KEY)
    tile = rounded(0, 0, 42, 30, 6)
    for x, y in tile:
        c.put(x, y, (52, 124, 214) if y < 15 else (40, 108, 200))
    c.shape(cloud_mask(5, 2, 37, 19), CLOUD, (206, 222, 240))
    for x, y in ((12, 21), (20, 21), (28, 21), (16, 25), (24, 25), (32, 24)):
        for i in range(4):
            c.put(x - i // 2, y + i, (190, 226, 255))
    return c


RESOURCES = {
    "Image5.bmp": t_shirt, "Image6.bmp": sun_rays, "Image7.bmp": runner,
    "Image8.bmp": smiling_face, "Image9.bmp": hanger, "Image10.bmp": aeroplane,
    "Placeholder.bmp": placeholder, "TodayPicture.bmp": today_picture,
}


# --- the program's icon ----------------------------------------------------
#
# A sun with a cloud, like the partly cloudy picture, drawn from distance
# functions so every size gets smooth edges with real alpha. Coordinates are
# fractions of the icon's side, y downwards.

ICON_SIZES = (16, 24, 32, 48, 256)
ICON_SUN = (0.38, 0.40, 0.19)                    # centre x, y and radius
ICON_CLOUD = [(0.42, 0.70, 0.145), (0.62, 0.59, 0.2), (0.80, 0.74, 0.11)]
ICON_CLOUD_BASE = (0.275, 0.68, 0.91, 0.88, 0.1)  # rounded box x0, y0, x1, y1, radius


def _disc_distance(px, py, cx, cy, r):
    return math.hypot(px - cx, py - cy) - r


def _segment_distance(px, py, ax, ay, bx, by, r):
    dx, dy = bx - ax, by - ay
    t = max(0.0, min(1.0, ((px - ax) * dx + (py - ay) * dy) / (dx * dx + dy * dy)))
    return math.hypot(px - ax - t * dx, py - ay - t * dy) - r


def _box_distance(px, py, x0, y0, x1, y1, r):
    qx = abs(px - (x0 + x1) / 2) - ((x1 - x0) / 2 - r)
    qy = abs(py - (y0 + y1) / 2) - ((y1 - y0) / 2 - r)
    return math.hypot(max(qx, 0.0), max(qy, 0.0)) + min(max(qx, qy), 0.0) - r


def _cloud_distance(px, py):
    d = _box_distance(px, py, *ICON_CLOUD_BASE)
    for cx, cy, r in ICON_CLOUD:
        d = min(d, _disc_distance(px, py, cx, cy, r))
    return d


def _ray_distance(px, py, half_width):
    cx, cy, r = ICON_SUN
    d = math.inf
    for i in range(3, 8):                      # the cloud hides the rest
        a = math.radians(i * 45)
        r0, r1 = r + 0.06, r + (0.13 if i % 2 else 0.16)
        d = min(d, _segment_distance(px, py, cx + math.cos(a) * r0, cy + math.sin(a) * r0,
                                     cx + math.cos(a) * r1, cy + math.sin(a) * r1, half_width))
    return d


def app_icon(size):
    """RGBA rows of the icon at one size: layers painted back to front, each
    with its coverage from the distance to its edge."""
    pixel = 1.0 / size
    edge = max(pixel, 0.022)                      # outline: 1 px small, bolder large
    cx, cy, r = ICON_SUN
    # Outlines grow outwards from the cloud: outside a union of shapes the
    # nearest shape's distance is exact, inside it is not (seams would show).
    layers = [
        (RAY, lambda x, y: _ray_distance(x, y, max(0.03, 0.6 * pixel))),
        (SUN_EDGE, lambda x, y: _disc_distance(x, y, cx, cy, r)),
        (SUN, lambda x, y: _disc_distance(x, y, cx, cy, r - edge)),
        (CLOUD_EDGE, lambda x, y: _cloud_distance(x, y) - edge),
        (CLOUD, lambda x, y: _cloud_distance(x, y)),
    ]
    rows = []
    for j in range(size):
        row = []
        for i in range(size):
            x, y = (i + 0.5) * pixel, (j + 0.5) * pixel
            red = green = blue = alpha = 0.0     # premultiplied
            for colour, distance in layers:
                cover = min(1.0, max(0.0, 0.5 - distance(x, y) / pixel))
                if cover:
                    red = colour[0] * cover + red * (1 - cover)
                    green = colour[1] * cover + green * (1 - cover)
                    blue = colour[2] * cover + blue * (1 - cover)
                    alpha = cover + alpha * (1 - cover)
            if alpha:
                row.append((round(red / alpha), round(green / alpha), round(blue / alpha),
                            round(alpha * 255)))
            else:
                row.append((0, 0, 0, 0))
        rows.append(row)
    return rows


def ico_bitmap(rows):
    """An icon image as a 32-bit bitmap: header of twice the height, BGRA
    rows bottom-up, then the 1-bit mask (set where fully transparent)."""
    size = len(rows)
    colour = b"".join(bytes((b, g, r, a)) for row in reversed(rows) for r, g, b, a in row)
    stride = ((size + 31) // 32) * 4
    mask = b""
    for row in reversed(rows):
        bits = bytearray(stride)
        for i, (_, _, _, a) in enumerate(row):
            if a == 0:
                bits[i // 8] |= 0x80 >> (i % 8)
        mask += bytes(bits)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, len(colour) + len(mask),
                         0, 0, 0, 0)
    return header + colour + mask


def ico_bytes(images):
    """images: (size, RGBA rows) pairs; 256 goes in as PNG, the rest as bitmaps."""
    blobs = [png_bytes(size, size, [b"".join(bytes(p) for p in row) for row in rows], alpha=True)
             if size >= 256 else ico_bitmap(rows) for size, rows in images]
    offset = 6 + 16 * len(images)
    directory = struct.pack("<HHH", 0, 1, len(images))
    for (size, _), blob in zip(images, blobs):
        side = 0 if size >= 256 else size
        directory += struct.pack("<BBBBHHII", side, side, 0, 0, 1, 32, len(blob), offset)
        offset += len(blob)
    return directory + b"".join(blobs)


def icon_sheet(path, images, grounds=((240, 240, 240), (40, 44, 52))):
    """Every size side by side, the small ones eight times enlarged, once per ground."""
    scale = {size: (8 if size < 256 else 1) for size, _ in images}
    gap = 16
    width = sum(size * scale[size] + gap for size, _ in images) + gap
    band = max(size * scale[size] for size, _ in images) + 2 * gap
    sheet = []
    for ground in grounds:
        lines = [bytearray(bytes(ground) * width) for _ in range(band)]
        left = gap
        for size, rows in images:
            k = scale[size]
            for y, row in enumerate(rows):
                line_bytes = bytearray()
                for r, g, b, a in row:
                    mixed = tuple(round((c * a + q * (255 - a)) / 255) for c, q in zip((r, g, b), ground))
                    line_bytes += bytes(mixed) * k
                for n in range(k):
                    lines[gap + y * k + n][left * 3:(left + size * k) * 3] = line_bytes
            left += size * k + gap
        sheet += lines
    with open(path, "wb") as f:
        f.write(png_bytes(width, len(sheet), [bytes(r) for r in sheet]))


# --- files -------------------------------------------------------------------

def bmp_bytes(c):
    """8-bit BI_RGB bitmap, bottom-up, 256-entry palette."""
    palette, index = [], {}
    for colour in c.px:
        if colour not in index:
            index[colour] = len(palette)
            palette.append(colour)
    if len(palette) > 256:
        raise ValueError("picture has %d colours" % len(palette))
    palette += [(0, 0, 0)] * (256 - len(palette))
    stride = (c.w + 3) & ~3
    rows = []
    for y in range(c.h - 1, -1, -1):
        row = bytes(index[p] for p in c.px[y * c.w:(y + 1) * c.w])
        rows.append(row + b"\0" * (stride - c.w))
    data = b"".join(rows)
    table = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in palette)
    offset = 14 + 40 + len(table)
    header = struct.pack("<2sIHHI", b"BM", offset + len(data), 0, 0, offset)
    info = struct.pack("<IiiHHIIiiII", 40, c.w, c.h, 1, 8, 0, len(data), 2835, 2835, 256, 0)
    return header + info + table + data


def write_bmp(path, c):
    with open(path, "wb") as f:
        f.write(bmp_bytes(c))


def png_bytes(width, height, rgb_rows, alpha=False):
    def chunk(kind, data):
        return (struct.pack(">I", len(data)) + kind + data
                + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF))
    raw = b"".join(b"\0" + row for row in rgb_rows)
    return (b"\x89PNG\r\n\x1a\n"
            + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 6 if alpha else 2, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(raw, 6)) + chunk(b"IEND", b""))


def contact_sheet(path, rows, scale=4, gap=8, background=(128, 128, 128)):
    """rows: lists of (canvas, see_through) pairs, one sheet row each."""
    width = max(sum(c.w * scale + gap for c, _ in row) + gap for row in rows)
    heights = [max(c.h for c, _ in row) * scale + gap for row in rows]
    height = sum(heights) + gap
    sheet = [bytearray(bytes(background) * width) for _ in range(height)]
    top = gap
    for row, row_h in zip(rows, heights):
        left = gap
        for c, see_through in row:
            key = c.get(0, c.h - 1) if see_through else None
            for y in range(c.h):
                line_bytes = bytearray()
                for x in range(c.w):
                    p = c.get(x, y)
                    line_bytes += bytes(background if p == key else p) * scale
                for k in range(scale):
                    sheet[top + y * scale + k][left * 3:(left + c.w * scale) * 3] = line_bytes
            left += c.w * scale + gap
        top += row_h
    with open(path, "wb") as f:
        f.write(png_bytes(width, height, [bytes(r) for r in sheet]))


SIZES = {"Image5.bmp": (64, 67), "Image6.bmp": (64, 62), "Image7.bmp": (65, 66),
         "Image8.bmp": (64, 65), "Image9.bmp": (65, 66), "Image10.bmp": (64, 68),
         "Placeholder.bmp": (42, 30), "TodayPicture.bmp": (42, 30)}


def read_bmp(path):
    """Header fields and rows (top-down) of one of our own 8-bit bitmaps."""
    with open(path, "rb") as f:
        data = f.read()
    magic, size, _, _, offset = struct.unpack_from("<2sIHHI", data, 0)
    (hsize, w, h, planes, bits, compression, _, _, _, used, _) = struct.unpack_from("<IiiHHIIiiII", data, 14)
    assert magic == b"BM" and size == len(data) and hsize == 40 and planes == 1, path
    assert bits == 8 and compression == 0 and h > 0 and used in (0, 256), path
    palette = [tuple(data[54 + 4 * i:57 + 4 * i][::-1]) for i in range(256)]
    stride = (w + 3) & ~3
    rows = [[palette[b] for b in data[offset + y * stride:offset + y * stride + w]]
            for y in range(h - 1, -1, -1)]
    return w, h, rows


def check_ico(path):
    """Every size once, bitmaps whose corners are see-through and whose middle is not."""
    with open(path, "rb") as f:
        data = f.read()
    reserved, kind, count = struct.unpack_from("<HHH", data, 0)
    assert (reserved, kind, count) == (0, 1, len(ICON_SIZES)), path
    for n, size in enumerate(ICON_SIZES):
        w, h, _, _, planes, bits, length, offset = struct.unpack_from("<BBBBHHII", data, 6 + 16 * n)
        assert (w or 256, h or 256, planes, bits) == (size, size, 1, 32), (size, w, h)
        blob = data[offset:offset + length]
        assert len(blob) == length, size
        if size >= 256:
            assert blob.startswith(b"\x89PNG\r\n\x1a\n"), size
            continue
        assert struct.unpack_from("<iiH", blob, 4) == (size, 2 * size, 1), size
        alpha = [blob[40 + 4 * i + 3] for i in range(size * size)]       # bottom-up
        assert alpha[0] == 0 and alpha[size - 1] == 0, size
        assert alpha[(size // 2) * size + size // 2] == 255, size


def self_test():
    import tempfile
    with tempfile.TemporaryDirectory() as tmp:
        main(["--icons", os.path.join(tmp, "i"), "--resources", os.path.join(tmp, "r"),
              "--sheet", os.path.join(tmp, "s.png"), "--app-icon", os.path.join(tmp, "Weather.ico")])
        for number in WEATHER_NUMBERS:
            for kind in "dn":
                w, h, rows = read_bmp(os.path.join(tmp, "i", "%s%02d.bmp" % (kind, number)))
                assert (w, h) == (42, 30) and rows[h - 1][0] == KEY, (kind, number)
                drawn = sum(p != KEY for row in rows for p in row)
                assert 60 < drawn < 42 * 30 - 200, (kind, number, drawn)
        for name, size in SIZES.items():
            w, h, rows = read_bmp(os.path.join(tmp, "r", name))
            assert (w, h) == size, name
            corner = rows[h - 1][0]
            assert rows[0][0] == corner and rows[0][w - 1] == corner and rows[h - 1][w - 1] == corner, name
            assert rows[h // 2][w // 2] != corner, name
        assert len(os.listdir(os.path.join(tmp, "i"))) == 2 * len(WEATHER_NUMBERS)
        check_ico(os.path.join(tmp, "Weather.ico"))
    print("self-test passed")
    return 0


def main(argv=None):
    p = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    p.add_argument("--icons", help="folder for d00.bmp .. n53.bmp")
    p.add_argument("--resources", help="folder for the window bitmaps")
    p.add_argument("--sheet", help="PNG contact sheet of everything")
    p.add_argument("--sheet-background", default="128,128,128", help="R,G,B of the sheet")
    p.add_argument("--app-icon", help="the program's .ico file")
    p.add_argument("--icon-sheet", help="PNG of the program's icon at every size, enlarged")
    p.add_argument("--self-test", action="store_true")
    opts = p.parse_args(argv)
    if opts.self_test:
        return self_test()
    if not (opts.icons or opts.resources or opts.sheet or opts.app_icon or opts.icon_sheet):
        p.error("nothing to do")
    if opts.app_icon or opts.icon_sheet:
        images = [(size, app_icon(size)) for size in ICON_SIZES]
        if opts.app_icon:
            os.makedirs(os.path.dirname(os.path.abspath(opts.app_icon)), exist_ok=True)
            with open(opts.app_icon, "wb") as f:
                f.write(ico_bytes(images))
        if opts.icon_sheet:
            icon_sheet(opts.icon_sheet, images)

    icons = {}
    for number in WEATHER_NUMBERS:
        for night in (False, True):
            icons[("n" if night else "d") + "%02d" % number] = weather_picture(number, night)
    resources = {name: make() for name, make in RESOURCES.items()}
    for name, c in list(icons.items()) + list(resources.items()):
        if (25, 0, 0) in c.px:
            raise ValueError(name + " uses the compact window's key colour")

    if opts.icons:
        os.makedirs(opts.icons, exist_ok=True)
        for name, c in icons.items():
            write_bmp(os.path.join(opts.icons, name + ".bmp"), c)
    if opts.resources:
        os.makedirs(opts.resources, exist_ok=True)
        for name, c in resources.items():
            write_bmp(os.path.join(opts.resources, name), c)
    if opts.sheet:
        background = tuple(int(v) for v in opts.sheet_background.split(","))
        names = list(icons)
        rows = [[(icons[n], True) for n in names[i:i + 10]] for i in range(0, len(names), 10)]
        rows.append([(resources[n], n in ("Image10.bmp", "Placeholder.bmp", "TodayPicture.bmp"))
                     for n in RESOURCES])
        contact_sheet(opts.sheet, rows, background=background)
    return 0


if __name__ == "__main__":
    sys.exit(main())
