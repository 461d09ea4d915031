#!/usr/bin/env python3
"""Draws Trovanto's embedded pictures and its two skins.

    python3 resources/make_pictures.py            # writes resources/pictures, resources/skins
    python3 resources/make_pictures.py --preview  # also writes build/pictures-preview.png

Only the standard library is used, so the pictures can be rebuilt on any
machine that has Python 3; the output is byte-for-byte reproducible.

Every shape is a signed distance function (negative inside). A pixel's
coverage is the share of its 4 x 4 sub-samples that fall inside, which gives
smooth edges; since every distance function here is 1-Lipschitz, a pixel whose
centre lies farther than half a diagonal from the edge is known to be fully
in or out without sampling.
"""

import math
import os
import struct
import sys
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)

SUB = 4
SUB_OFFSETS = [((i + 0.5) / SUB, (j + 0.5) / SUB) for j in range(SUB) for i in range(SUB)]
HALF_DIAGONAL = 0.7072


# --------------------------------------------------------------------------
# Shapes


class Shape:
    """A signed distance function with a bounding box (x0, y0, x1, y1)."""

    def __init__(self, sd, box):
        self.sd = sd
        self.box = box

    def __or__(self, other):
        a, b = self.sd, other.sd
        return Shape(lambda x, y: min(a(x, y), b(x, y)), _box_union(self.box, other.box))

    def __and__(self, other):
        a, b = self.sd, other.sd
        return Shape(lambda x, y: max(a(x, y), b(x, y)), _box_meet(self.box, other.box))

    def __sub__(self, other):
        a, b = self.sd, other.sd
        return Shape(lambda x, y: max(a(x, y), -b(x, y)), self.box)

    def grow(self, r):
        a = self.sd
        x0, y0, x1, y1 = self.box
        return Shape(lambda x, y: a(x, y) - r, (x0 - r, y0 - r, x1 + r, y1 + r))

    def ring(self, width):
        """A band of the given width centred on the outline."""
        a, h = self.sd, width / 2.0
        x0, y0, x1, y1 = self.box
        return Shape(lambda x, y: abs(a(x, y)) - h, (x0 - h, y0 - h, x1 + h, y1 + h))

    def moved(self, dx, dy):
        a = self.sd
        x0, y0, x1, y1 = self.box
        return Shape(lambda x, y: a(x - dx, y - dy), (x0 + dx, y0 + dy, x1 + dx, y1 + dy))

    def scaled(self, s, ox=0.0, oy=0.0):
        """Scales about the origin, then moves by (ox, oy)."""
        a = self.sd
        x0, y0, x1, y1 = self.box
        return Shape(lambda x, y: s * a((x - ox) / s, (y - oy) / s),
                     (x0 * s + ox, y0 * s + oy, x1 * s + ox, y1 * s + oy))

    def rotated(self, degrees, cx, cy):
        a = self.sd
        t = math.radians(degrees)
        c, s = math.cos(t), math.sin(t)

        def sd(x, y):
            dx, dy = x - cx, y - cy
            return a(cx + c * dx + s * dy, cy - s * dx + c * dy)

        x0, y0, x1, y1 = self.box
        xs, ys = [], []
        for px, py in ((x0, y0), (x1, y0), (x0, y1), (x1, y1)):
            dx, dy = px - cx, py - cy
            xs.append(cx + c * dx - s * dy)
            ys.append(cy + s * dx + c * dy)
        return Shape(sd, (min(xs), min(ys), max(xs), max(ys)))


def _box_union(a, b):
    return (min(a[0], b[0]), min(a[1], b[1]), max(a[2], b[2]), max(a[3], b[3]))


def _box_meet(a, b):
    return (max(a[0], b[0]), max(a[1], b[1]), min(a[2], b[2]), min(a[3], b[3]))


def union(*shapes):
    out = shapes[0]
    for s in shapes[1:]:
        out = out | s
    return out


def rect(x0, y0, x1, y1, r=0.0):
    """Axis-aligned rectangle with corners rounded by r."""
    cx, cy = (x0 + x1) / 2.0, (y0 + y1) / 2.0
    hx, hy = (x1 - x0) / 2.0 - r, (y1 - y0) / 2.0 - r

    def sd(x, y):
        qx, qy = abs(x - cx) - hx, abs(y - cy) - hy
        outside = math.hypot(max(qx, 0.0), max(qy, 0.0))
        return outside + min(max(qx, qy), 0.0) - r

    return Shape(sd, (x0, y0, x1, y1))


def circle(cx, cy, r):
    return Shape(lambda x, y: math.hypot(x - cx, y - cy) - r, (cx - r, cy - r, cx + r, cy + r))


def segment(ax, ay, bx, by, r):
    """A stroke of half-width r with round caps."""
    dx, dy = bx - ax, by - ay
    ll = dx * dx + dy * dy or 1e-12

    def sd(x, y):
        t = ((x - ax) * dx + (y - ay) * dy) / ll
        t = 0.0 if t < 0.0 else 1.0 if t > 1.0 else t
        return math.hypot(x - ax - t * dx, y - ay - t * dy) - r

    return Shape(sd, (min(ax, bx) - r, min(ay, by) - r, max(ax, bx) + r, max(ay, by) + r))


def polyline(points, r):
    return union(*[segment(*points[i], *points[i + 1], r) for i in range(len(points) - 1)])


def polygon(points):
    pts = [(float(x), float(y)) for x, y in points]
    edges = [(pts[i], pts[(i + 1) % len(pts)]) for i in range(len(pts))]

    def sd(x, y):
        best = 1e30
        inside = False
        for (ax, ay), (bx, by) in edges:
            ex, ey = bx - ax, by - ay
            wx, wy = x - ax, y - ay
            ll = ex * ex + ey * ey
            t = (wx * ex + wy * ey) / ll if ll else 0.0
            t = 0.0 if t < 0.0 else 1.0 if t > 1.0 else t
            d = (wx - t * ex) ** 2 + (wy - t * ey) ** 2
            if d < best:
                best = d
            if (ay > y) != (by > y) and x < ax + (y - ay) * ex / ey:
                inside = not inside
        d = math.sqrt(best)
        return -d if inside else d

    xs, ys = [p[0] for p in pts], [p[1] for p in pts]
    return Shape(sd, (min(xs), min(ys), max(xs), max(ys)))


# --------------------------------------------------------------------------
# Paints: colour at a point, as (r, g, b, alpha) with r, g, b in 0..255.


def solid(rgb, alpha=1.0):
    c = (float(rgb[0]), float(rgb[1]), float(rgb[2]), alpha)
    return lambda x, y: c


def gradient(x0, y0, x1, y1, stops, alpha=1.0):
    """Linear gradient; stops are (t, rgb) pairs with t rising from 0 to 1."""
    dx, dy = x1 - x0, y1 - y0
    ll = dx * dx + dy * dy

    def paint(x, y):
        t = ((x - x0) * dx + (y - y0) * dy) / ll
        if t <= stops[0][0]:
            c = stops[0][1]
            return (c[0], c[1], c[2], alpha)
        for (ta, ca), (tb, cb) in zip(stops, stops[1:]):
            if t <= tb:
                f = (t - ta) / (tb - ta) if tb > ta else 0.0
                return (ca[0] + (cb[0] - ca[0]) * f, ca[1] + (cb[1] - ca[1]) * f,
                        ca[2] + (cb[2] - ca[2]) * f, alpha)
        c = stops[-1][1]
        return (c[0], c[1], c[2], alpha)

    return paint


def vertical(y0, y1, top, bottom, alpha=1.0):
    return gradient(0.0, y0, 0.0, y1, [(0.0, top), (1.0, bottom)], alpha)


# --------------------------------------------------------------------------
# Canvas


class Canvas:
    """Premultiplied floating-point RGBA; colour channels 0..255, alpha 0..1."""

    def __init__(self, w, h, background=None, scale=1.0):
        """w x h pixels; shapes and paints are given in units of 1/scale pixel."""
        self.w, self.h = w, h
        self.s = scale
        if background is None:
            self.px = [[0.0, 0.0, 0.0, 0.0] for _ in range(w * h)]
        else:
            r, g, b = background
            self.px = [[float(r), float(g), float(b), 1.0] for _ in range(w * h)]

    def _coverage(self, sd, x, y):
        s = self.s
        d = sd((x + 0.5) / s, (y + 0.5) / s) * s
        if d <= -HALF_DIAGONAL:
            return 1.0
        if d >= HALF_DIAGONAL:
            return 0.0
        n = 0
        for ox, oy in SUB_OFFSETS:
            if sd((x + ox) / s, (y + oy) / s) <= 0.0:
                n += 1
        return n / float(SUB * SUB)

    def _pixels_of(self, shape):
        x0, y0, x1, y1 = (v * self.s for v in shape.box)
        xa, ya = max(0, int(math.floor(x0)) - 1), max(0, int(math.floor(y0)) - 1)
        xb, yb = min(self.w, int(math.ceil(x1)) + 1), min(self.h, int(math.ceil(y1)) + 1)
        for y in range(ya, yb):
            for x in range(xa, xb):
                yield x, y

    def fill(self, shape, paint, opacity=1.0):
        """Paints the shape over what is there (source over)."""
        sd = shape.sd
        for x, y in self._pixels_of(shape):
            cov = self._coverage(sd, x, y)
            if cov <= 0.0:
                continue
            r, g, b, a = paint((x + 0.5) / self.s, (y + 0.5) / self.s)
            a *= cov * opacity
            p = self.px[y * self.w + x]
            k = 1.0 - a
            p[0] = r * a + p[0] * k
            p[1] = g * a + p[1] * k
            p[2] = b * a + p[2] * k
            p[3] = a + p[3] * k

    def erase(self, shape, strength=1.0):
        """Cuts the shape out of what is there, leaving transparency."""
        sd = shape.sd
        for x, y in self._pixels_of(shape):
            cov = self._coverage(sd, x, y) * strength
            if cov > 0.0:
                p = self.px[y * self.w + x]
                k = 1.0 - cov
                p[0] *= k
                p[1] *= k
                p[2] *= k
                p[3] *= k

    def outlined(self, shape, paint, edge, width=1.0):
        """The house style: a shape in a dark edge colour, its inset filled."""
        self.fill(shape, solid(edge))
        self.fill(shape.grow(-width), paint)

    def rgba(self):
        """Straight 8-bit RGBA rows, top to bottom; fully clear pixels are black."""
        rows = []
        for y in range(self.h):
            row = []
            for x in range(self.w):
                r, g, b, a = self.px[y * self.w + x]
                a8 = int(round(min(max(a, 0.0), 1.0) * 255))
                if a8 == 0:
                    row.append((0, 0, 0, 0))
                    continue
                row.append(tuple(int(round(min(max(c / a, 0.0), 255.0))) for c in (r, g, b)) + (a8,))
            rows.append(row)
        return rows


# --------------------------------------------------------------------------
# File formats


def ico_bytes(canvas):
    """A one-image icon: 32-bit BGRA with straight alpha and a 1-bit AND mask."""
    w, h = canvas.w, canvas.h
    rows = canvas.rgba()
    xor = bytearray()
    for row in reversed(rows):
        for r, g, b, a in row:
            xor += bytes((b, g, r, a))
    stride = (w + 31) // 32 * 4
    mask = bytearray()
    for row in reversed(rows):
        line = bytearray(stride)
        for x, px in enumerate(row):
            if px[3] == 0:
                line[x >> 3] |= 0x80 >> (x & 7)
        mask += line
    header = struct.pack('<IiiHHIIiiII', 40, w, 2 * h, 1, 32, 0, len(xor) + len(mask), 0, 0, 0, 0)
    image = header + bytes(xor) + bytes(mask)
    directory = struct.pack('<HHH', 0, 1, 1) + struct.pack(
        '<BBBBHHII', w & 0xFF, h & 0xFF, 0, 0, 1, 32, len(image), 22)
    return directory + image


def _chunk(kind, data):
    return struct.pack('>I', len(data)) + kind + data + struct.pack('>I', zlib.crc32(kind + data))


def _filtered(raw_rows, bpp, choose):
    """PNG scanlines with one filter byte each; choose(row, filters) picks one."""
    out = bytearray()
    prev = bytes(len(raw_rows[0]))
    for row in raw_rows:
        candidates = {}
        candidates[0] = row
        candidates[1] = bytes((row[i] - (row[i - bpp] if i >= bpp else 0)) & 0xFF for i in range(len(row)))
        candidates[2] = bytes((row[i] - prev[i]) & 0xFF for i in range(len(row)))
        ftype = choose(row, candidates)
        out.append(ftype)
        out += candidates[ftype]
        prev = row
    return bytes(out)


def png_bytes(width, height, rows, alpha, colour_chunks=False):
    """An 8-bit RGB or RGBA PNG; rows are lists of tuples, top to bottom."""
    bpp = 4 if alpha else 3
    raw = [bytes(v for px in row for v in px[:bpp]) for row in rows]
    best = None
    # The smallest of a few filter strategies: all-none, all-up, or per row
    # the filter whose bytes sum lowest as signed values.
    strategies = [
        lambda row, c: 0,
        lambda row, c: 2,
        lambda row, c: min(c, key=lambda k: sum(v if v < 128 else 256 - v for v in c[k])),
    ]
    for choose in strategies:
        data = zlib.compress(_filtered(raw, bpp, choose), 9)
        if best is None or len(data) < len(best):
            best = data
    ihdr = struct.pack('>IIBBBBB', width, height, 8, 6 if alpha else 2, 0, 0, 0)
    out = b'\x89PNG\r\n\x1a\n' + _chunk(b'IHDR', ihdr)
    if colour_chunks:
        out += _chunk(b'gAMA', struct.pack('>I', 45455))
        out += _chunk(b'cHRM', struct.pack('>8I', 31270, 32900, 64000, 33000, 30000, 60000, 15000, 6000))
    return out + _chunk(b'IDAT', best) + _chunk(b'IEND', b'')


# --------------------------------------------------------------------------
# Palette: (edge, light top, dark bottom) for every material.

BLUE = ((24, 64, 138), (112, 178, 246), (36, 106, 208))
RED = ((138, 24, 22), (250, 112, 96), (204, 36, 32))
GREEN = ((26, 100, 32), (132, 214, 96), (48, 158, 48))
YELLOW = ((166, 110, 18), (255, 226, 124), (244, 182, 52))
AMBER = ((166, 110, 18), (240, 190, 80), (222, 150, 40))
METAL = ((92, 98, 110), (246, 247, 249), (172, 178, 190))
STEEL = ((58, 64, 76), (226, 230, 238), (146, 154, 170))
WOOD = ((92, 54, 22), (206, 146, 84), (150, 94, 44))
FRAME = (64, 80, 106)
PAPER = ((255, 255, 255), (230, 236, 245))
WHITE = (255, 255, 255)


def material(m, y0, y1):
    return vertical(y0, y1, m[1], m[2])


def paint_outlined(c, shape, m, width=1.0):
    """Dark edge of the material, then its gradient inside."""
    _, y0, _, y1 = shape.box
    c.outlined(shape, material(m, y0, y1), m[0], width)


def badge(c, shape, m, halo=1.0):
    """A symbol over another picture, set off from it by a clear gap."""
    c.erase(shape.grow(halo))
    paint_outlined(c, shape, m)


# --------------------------------------------------------------------------
# Building blocks (16 x 16 grid unless a scale is given)


def window(c, x0, y0, x1, y1, title=3.0, s=1.0):
    outer = rect(x0, y0, x1, y1, 1.5 * s)
    c.fill(outer, solid(FRAME))
    inner = rect(x0 + 1, y0 + 1, x1 - 1, y1 - 1, 0.6 * s)
    bar = inner & rect(x0, y0, x1, y0 + 1 + title)
    client = inner & rect(x0, y0 + 1 + title, x1, y1)
    c.fill(bar, vertical(y0 + 1, y0 + 1 + title, (104, 170, 240), (40, 108, 206)))
    c.fill(client, vertical(y0 + 1 + title, y1 - 1, PAPER[0], PAPER[1]))
    return client


def plus_shape(cx, cy, span, thick, r=1.0):
    h, t = span / 2.0, thick / 2.0
    return rect(cx - h, cy - t, cx + h, cy + t, r) | rect(cx - t, cy - h, cx + t, cy + h, r)


def arrow_down(cx, top, bottom, shaft, head, head_len):
    """Block arrow with its tip at the bottom; shaft and head are full widths."""
    neck = bottom - head_len
    return polygon([(cx - shaft / 2, top), (cx + shaft / 2, top), (cx + shaft / 2, neck),
                    (cx + head / 2, neck), (cx, bottom), (cx - head / 2, neck),
                    (cx - shaft / 2, neck)])


def flip_vertical(shape, h):
    a = shape.sd
    x0, y0, x1, y1 = shape.box
    return Shape(lambda x, y: a(x, h - y), (x0, h - y1, x1, h - y0))


def swap_axes(shape):
    a = shape.sd
    x0, y0, x1, y1 = shape.box
    return Shape(lambda x, y: a(y, x), (y0, x0, y1, x1))


def folder(c, x0, y0, x1, y1, open_=False, sheet=True):
    tab = rect(x0, y0, x0 + (x1 - x0) * 0.42, y0 + 4, 1.0)
    back = tab | rect(x0, y0 + 2, x1, y1, 1.0)
    paint_outlined(c, back, AMBER)
    if sheet:
        c.outlined(rect(x0 + 2, y0 + 3, x1 - 2, y1 - 3, 0.5), solid(WHITE), (150, 150, 150))
    if open_:
        # The flap leans forward, so it is cut on a slant and sits lower.
        lip = y0 + 6
        front = polygon([(x0 + 3.5, lip), (x1 + 1, lip), (x1 - 2.5, y1), (x0, y1)])
    else:
        lip = y0 + 5
        front = rect(x0, lip, x1, y1, 1.0)
    paint_outlined(c, front, YELLOW)
    c.fill(rect(x0, lip + 1, x1 + 1, lip + 2) & front.grow(-1.0), solid(WHITE), 0.45)


def flash_drive(c, cx, cy, angle, scale=1.0, m=BLUE):
    """A stick along the x axis with the plug to the right, turned by angle."""
    s = scale
    body = rect(-7.0 * s, -4.0 * s, 2.2 * s, 4.0 * s, 1.8 * s)
    plug = rect(1.6 * s, -2.8 * s, 6.8 * s, 2.8 * s, 0.6 * s)
    holes = rect(3.6 * s, -1.6 * s, 5.0 * s, -0.4 * s) | rect(3.6 * s, 0.4 * s, 5.0 * s, 1.6 * s)

    def place(shape):
        return shape.moved(cx, cy).rotated(angle, cx, cy)

    paint_outlined(c, place(plug), METAL)
    c.fill(place(holes), solid(METAL[0]))
    body_p = place(body)
    x0, y0, x1, y1 = body_p.box
    c.fill(body_p, solid(m[0]))
    c.fill(body_p.grow(-1.0), gradient(x0, y0, x1, y1, [(0.0, m[1]), (1.0, m[2])]))
    c.fill(place(rect(-5.4 * s, -1.9 * s, 0.6 * s, -0.6 * s, 0.6 * s)), solid(WHITE), 0.5)


def wrench(c, ax, ay, bx, by, head=2.8):
    """Handle from a to b, with an open jaw at b facing away from a."""
    ang = math.atan2(by - ay, bx - ax)
    ux, uy = math.cos(ang), math.sin(ang)
    tool = segment(ax, ay, bx, by, 1.45) | circle(bx, by, head)
    tool = tool - segment(bx + ux * 0.3, by + uy * 0.3, bx + ux * 4, by + uy * 4, 1.15)
    c.erase(tool.grow(1.0))
    x0, y0, x1, y1 = tool.box
    c.fill(tool, solid(STEEL[0]))
    c.fill(tool.grow(-1.0), gradient(x0, y0, x1, y1, [(0.0, STEEL[1]), (1.0, STEEL[2])]))


def magnifier(c, cx, cy, r, hx, hy):
    lens = circle(cx, cy, r)
    handle = segment(cx + (hx - cx) * 0.7, cy + (hy - cy) * 0.7, hx, hy, 1.5)
    c.erase((lens | handle).grow(1.0))
    c.fill(handle, solid((60, 48, 40)))
    c.fill(segment(cx + (hx - cx) * 0.7, cy + (hy - cy) * 0.7, hx, hy, 0.6), solid((150, 110, 80)))
    c.fill(lens, solid((48, 58, 74)))
    c.fill(lens.grow(-1.0), gradient(cx - r, cy - r, cx + r, cy + r,
                                     [(0.0, (230, 246, 255)), (1.0, (130, 190, 240))]))
    c.fill(circle(cx - r * 0.35, cy - r * 0.35, r * 0.3), solid(WHITE), 0.8)


def disc_sign(c, m, sign):
    disc = circle(8, 8, 7.5)
    paint_outlined(c, disc, m)
    c.fill(circle(8, 8, 6.4) & rect(0, 0, 16, 8), vertical(1.5, 8, WHITE, m[2]), 0.35)
    c.fill(sign.grow(0.6), solid(m[0]), 0.35)
    c.fill(sign, solid(WHITE))


# --------------------------------------------------------------------------
# Block capitals: cap height 7 units, strokes about 2 units, y down from the
# cap line. Each glyph is (shape, advance width).


def _glyph_T():
    return rect(0, 0, 6, 2) | rect(2, 0, 4, 7), 6.0


def _glyph_R():
    stem = rect(0, 0, 2, 7)
    bowl = (rect(0, 0, 6, 4.6, 2.1) | rect(0, 0, 3, 4.6)) - (rect(1.9, 1.75, 4.1, 2.85, 0.55) | rect(1, 1.75, 3, 2.85))
    leg = polygon([(2.4, 4.0), (4.5, 4.0), (6.3, 7), (4.1, 7)])
    return stem | bowl | leg, 6.3


def _glyph_O(w=6.2):
    return rect(0, 0, w, 7, 2.3) - rect(2.05, 1.95, w - 2.05, 5.05, 0.6), w


def _glyph_V():
    return polygon([(0, 0), (2.1, 0), (3.3, 4.6), (4.5, 0), (6.6, 0), (4.4, 7), (2.2, 7)]), 6.6


def _glyph_A():
    outer = polygon([(2.2, 0), (4.6, 0), (6.8, 7), (4.75, 7), (4.35, 5.65), (2.45, 5.65), (2.05, 7), (0, 7)])
    hole = polygon([(3.4, 2.55), (3.95, 4.3), (2.85, 4.3)])
    return outer - hole, 6.8


def _glyph_N():
    diagonal = polygon([(0, 0), (2.1, 0), (6.4, 7), (4.3, 7)])
    return rect(0, 0, 2, 7) | rect(4.4, 0, 6.4, 7) | diagonal, 6.4


def _glyph_1():
    flag = polygon([(0.1, 0.9), (1.7, 0), (2.6, 0), (2.6, 2.4), (0.1, 3.0)])
    return rect(1.6, 0, 3.6, 7) | flag, 3.6


def _glyph_dot():
    return rect(0, 5, 2, 7), 2.0


def _glyph_0():
    return _glyph_O(5.4)


GLYPHS = {'T': _glyph_T, 'R': _glyph_R, 'O': _glyph_O, 'V': _glyph_V, 'A': _glyph_A,
          'N': _glyph_N, '1': _glyph_1, '.': _glyph_dot, '0': _glyph_0}


# Diagonals leave open space between some pairs; these pull them together.
KERNING = {('V', 'A'): -1.3, ('A', 'V'): -1.3, ('T', 'O'): -0.3, ('T', 'R'): -0.2}


def text_shapes(text, unit, x, baseline, spacing=0.75):
    """Shapes of the letters, cap line at baseline - 7 units; returns (shapes, end x)."""
    shapes = []
    prev = None
    for ch in text:
        if ch == ' ':
            x += 2.5 * unit
            prev = None
            continue
        x += KERNING.get((prev, ch), 0.0) * unit
        g, adv = GLYPHS[ch]()
        shapes.append(g.scaled(unit, x, baseline - 7 * unit))
        x += (adv + spacing) * unit
        prev = ch
    return shapes, x - spacing * unit


def text_width(text, unit, spacing=0.75):
    return text_shapes(text, unit, 0.0, 0.0, spacing)[1]


# --------------------------------------------------------------------------
# The pictures


def picture_15(c):
    """Window with a red cross: the stand-in for a program without an icon."""
    window(c, 1, 3, 31, 28, title=5.0, s=2.0)
    for i, w in enumerate((14, 10, 12)):
        c.fill(rect(5, 13 + 3 * i, 5 + w, 14.5 + 3 * i, 0.7), solid((190, 200, 214)))
    c.fill(rect(24, 5, 28, 8, 1.0), solid(WHITE), 0.8)
    arm = rect(-9.5, -2.6, 9.5, 2.6, 1.2)
    cross = arm.rotated(45, 0, 0) | arm.rotated(-45, 0, 0)
    badge(c, cross.moved(22, 22), RED, halo=1.5)
    c.fill(arm.grow(-1.0).rotated(-45, 0, 0).moved(22, 22) & rect(10, 10, 32, 20), solid(WHITE), 0.25)


def picture_16(c):
    """Blue USB flash drive (tray and program icon)."""
    flash_drive(c, 8, 8, -45)


def picture_17(c):
    folder(c, 1, 2, 15, 14)


def _window_16(c):
    window(c, 0, 1, 16, 14)
    for i, w in enumerate((7, 5)):
        c.fill(rect(2.5, 7 + 2 * i, 2.5 + w, 8 + 2 * i), solid((196, 206, 220)))


def picture_18(c):
    _window_16(c)
    badge(c, rect(7, 10, 16, 15, 1.0), RED)


def picture_19(c):
    _window_16(c)
    badge(c, plus_shape(11.5, 11, 9, 4.6, 1.0), GREEN)


def picture_20(c):
    """The title banner."""
    name, version = 'TROVANTO', '1.0'
    margin = 4.0
    gap_units = 2.4
    ratio = 0.62
    unit = (c.w / c.s - 2 * margin) / (text_width(name, 1.0) + gap_units + text_width(version, ratio))
    total = text_width(name, unit) + gap_units * unit + text_width(version, unit * ratio)
    x = (c.w / c.s - total) / 2.0
    baseline = (c.h / c.s + 7 * unit) / 2.0
    shapes, x = text_shapes(name, unit, x, baseline)
    small, _ = text_shapes(version, unit * ratio, x + gap_units * unit, baseline)
    shapes += small
    top = baseline - 7 * unit
    for s in shapes:
        c.fill(s.grow(1.7).moved(1.2, 1.6), solid((0, 0, 0)), 0.35)
    for s in shapes:
        c.fill(s.grow(1.6), solid((18, 28, 48)))
    for s in shapes:
        c.fill(s, vertical(top, baseline, (255, 255, 255), (214, 226, 242)))


def picture_21(c):
    """Folder with a magnifier: browse the drive."""
    folder(c, 0, 1, 13, 12, sheet=True)
    magnifier(c, 10.5, 10.5, 3.6, 14.8, 14.8)


def picture_22(c):
    """An open door with a green arrow: quit."""
    c.fill(rect(2, 0.5, 12, 15.5), solid((84, 74, 66)))
    c.fill(rect(3, 1.5, 11, 15.5), vertical(1.5, 15, (255, 246, 200), (250, 214, 120)))
    leaf = polygon([(3, 1.5), (7.5, 0), (7.5, 16), (3, 15.5)])
    paint_outlined(c, leaf, WOOD)
    c.fill(circle(6.4, 8.6, 0.75), solid((255, 220, 100)))
    badge(c, swap_axes(arrow_down(8.5, 7.5, 16, 3.6, 8, 4.2)), GREEN)


def picture_23(c):
    """USB flash drive with a wrench: settings."""
    flash_drive(c, 6.4, 6.4, -45, scale=0.82)
    wrench(c, 6.5, 15.0, 13.0, 8.5)


def picture_24(c):
    """Speech bubble: information."""
    bubble = rect(0.5, 1.5, 15.5, 12, 3.5) | polygon([(3, 10), (8, 10), (2, 15.5)])
    c.fill(bubble, solid((36, 86, 166)))
    c.fill(bubble.grow(-1.0), vertical(2.5, 13, (255, 255, 255), (214, 232, 252)))
    for x in (4.5, 8, 11.5):
        c.fill(circle(x, 6.8, 1.25), solid((36, 96, 186)))


def picture_25(c):
    """Window with a green down arrow: hide the main window."""
    _window_16(c)
    badge(c, arrow_down(11.5, 6.5, 16, 4, 9, 4.8), GREEN)


def picture_26(c):
    """Yellow key: the password prompt."""
    bow = circle(-3.4, 0, 4.6)
    shaft = rect(-0.5, -1.7, 9.6, 1.7, 0.6)
    teeth = rect(5.0, 0, 6.9, 3.9, 0.4) | rect(7.7, 0, 9.6, 3.3, 0.4)
    key = ((bow | shaft | teeth) - circle(-4.6, 0, 1.5)).rotated(-45, 0, 0).moved(6.2, 9.6)
    paint_outlined(c, key, YELLOW)


def picture_27(c):
    disc_sign(c, RED, rect(3.5, 6.5, 12.5, 9.5, 0.6))


def picture_28(c):
    disc_sign(c, GREEN, plus_shape(8, 8, 9, 3, 0.6))


def picture_29(c):
    """Green tick: confirm."""
    tick = polyline([(2.2, 8.6), (6.0, 12.4), (13.8, 3.6)], 2.3)
    paint_outlined(c, tick, GREEN)


def picture_30(c):
    folder(c, 0, 2, 15, 14, open_=True)


def picture_31(c):
    """An empty window: a new entry."""
    window(c, 0, 1, 16, 15)


def picture_32(c):
    paint_outlined(c, arrow_down(8, 0.5, 15.8, 6, 14, 7), GREEN)


def picture_33(c):
    paint_outlined(c, flip_vertical(arrow_down(8, 0.5, 15.8, 6, 14, 7), 16.2), GREEN)


def picture_34(c):
    """Blue letter A: choose a font. Drawn for 16 pixels: lighter strokes, an open counter."""
    a = polygon([(5.7, 1), (10.3, 1), (15, 15), (11.4, 15), (10.6, 12.4), (5.4, 12.4), (4.6, 15), (1, 15)])
    a = a - polygon([(8, 4.87), (9.59, 9.6), (6.41, 9.6)])
    paint_outlined(c, a, BLUE)


def scaled_edge(v, scale):
    """Where an edge at v (1x pixels) lies at a scale: rounded half up, as the launcher does."""
    return int(math.floor(v * scale + 0.5))


def status_strip(scale=1.0):
    """198 x 24 strip behind the clock and drive gauge: exact pixels, no smoothing.
    At a scale every panel edge moves to its rounded place."""
    grey, white = (150, 150, 150, 255), (255, 255, 255, 255)
    # Panels as [x0, x1) x [y0, y1) at 1x: the clock's, the gauge's, the lamp's.
    panels = [(1, 197, 1, 11), (1, 186, 13, 23), (187, 197, 13, 23)]
    panels = [tuple(scaled_edge(v, scale) for v in p) for p in panels]
    w, h = scaled_edge(198, scale), scaled_edge(24, scale)
    rows = []
    for y in range(h):
        row = []
        for x in range(w):
            panel = any(x0 <= x < x1 and y0 <= y < y1 for x0, x1, y0, y1 in panels)
            row.append(white if panel else grey)
        rows.append(row)
    return rows


# The scales, in percent, that the pictures are also drawn at.
SCALES = (150, 200)

ICONS = {
    15: (32, 32, picture_15), 16: (16, 16, picture_16), 17: (16, 16, picture_17),
    18: (16, 16, picture_18), 19: (16, 16, picture_19), 20: (200, 40, picture_20),
    21: (16, 16, picture_21), 22: (16, 16, picture_22), 23: (16, 16, picture_23),
    24: (16, 16, picture_24), 25: (16, 16, picture_25), 26: (16, 16, picture_26),
    27: (16, 16, picture_27), 28: (16, 16, picture_28), 29: (16, 16, picture_29),
    30: (16, 16, picture_30), 31: (16, 16, picture_31), 32: (16, 16, picture_32),
    33: (16, 16, picture_33), 34: (16, 16, picture_34),
}


# --------------------------------------------------------------------------
# Skins: 216 x 408 backgrounds of the main window


LIST_AREA = (9, 63, 148, 367)
BUTTON_AREA = (156, 63, 207, 367)
STRIP_AREA = (9, 375, 207, 399)


def _mix(a, b, t):
    return tuple(a[i] + (b[i] - a[i]) * t for i in range(3))


def _shadow(x, y):
    """Darkening in a soft band below and right of the white panels."""
    best = 0.0
    for x0, y0, x1, y1 in (LIST_AREA, BUTTON_AREA, STRIP_AREA):
        dx = max(x0 - x, 0, x - x1 - 1)
        dy = max(y0 - y, 0, y - y1 - 1)
        # The light comes from the top left: the shadow leans down and right.
        dx2 = max(x0 + 1 - x, 0, x - x1 - 2)
        dy2 = max(y0 + 1 - y, 0, y - y1 - 2)
        d = math.hypot(dx2, dy2)
        if dx == 0 and dy == 0:
            continue
        best = max(best, max(0.0, 1.0 - d / 4.0) ** 2)
    return best


def _frame(x, y, w, h, rgb, light, dark):
    if x == 0 or y == 0 or x == w - 1 or y == h - 1:
        return dark
    if x == 1 or y == 1:
        return _mix(rgb, light, 0.45)
    if x == w - 2 or y == h - 2:
        return _mix(rgb, dark, 0.35)
    return rgb


def skin_blau(w=216, h=408):
    rows = []
    for y in range(h):
        t = y / (h - 1.0)
        base = _mix((92, 146, 210), (30, 70, 134), t)
        row = []
        for x in range(w):
            # Slow diagonal waves, a few percent lighter than the ground.
            u = (x * 0.8 + y) / 34.0
            wave = 0.5 + 0.5 * math.sin(u * math.pi + 1.3 * math.sin(x / 40.0))
            wave = wave ** 6
            rgb = _mix(base, (255, 255, 255), 0.07 * wave)
            # A soft glow behind the banner lifts the top without lowering contrast.
            glow = math.exp(-(((x - 108) / 120.0) ** 2 + ((y - 22) / 40.0) ** 2))
            rgb = _mix(rgb, (150, 196, 240), 0.18 * glow)
            rgb = _mix(rgb, (10, 24, 50), 0.35 * _shadow(x, y))
            row.append(_frame(x, y, w, h, rgb, (200, 225, 250), (16, 38, 78)))
        rows.append(row)
    return [[tuple(int(round(v)) for v in px) for px in row] for row in rows]


def skin_graphit(w=216, h=408):
    rows = []
    for y in range(h):
        t = y / (h - 1.0)
        base = _mix((78, 82, 88), (38, 40, 44), t)
        row = []
        for x in range(w):
            # Fine diagonal hatching, one light line in five.
            k = (x + y) % 5
            rgb = _mix(base, (255, 255, 255), 0.045 if k == 0 else 0.0)
            rgb = _mix(rgb, (0, 0, 0), 0.04 if k == 2 else 0.0)
            glow = math.exp(-(((x - 108) / 110.0) ** 2 + ((y - 10) / 60.0) ** 2))
            rgb = _mix(rgb, (120, 126, 136), 0.25 * glow)
            rgb = _mix(rgb, (0, 0, 0), 0.45 * _shadow(x, y))
            row.append(_frame(x, y, w, h, rgb, (150, 156, 166), (16, 17, 19)))
        rows.append(row)
    return [[tuple(int(round(v)) for v in px) for px in row] for row in rows]


SKINS = {'Blau': skin_blau, 'Graphit': skin_graphit}


# --------------------------------------------------------------------------
# Preview sheet (for looking at the pictures, not shipped)


class Sheet:
    def __init__(self, w, h, rgb):
        self.w, self.h = w, h
        self.px = [[tuple(rgb) for _ in range(w)] for _ in range(h)]

    def box(self, x0, y0, x1, y1, rgb):
        for y in range(max(0, y0), min(self.h, y1)):
            row = self.px[y]
            for x in range(max(0, x0), min(self.w, x1)):
                row[x] = rgb

    def paste(self, rows, x0, y0, zoom=1):
        for y, row in enumerate(rows):
            for x, px in enumerate(row):
                a = px[3] / 255.0 if len(px) == 4 else 1.0
                if a == 0.0:
                    continue
                for j in range(zoom):
                    yy = y0 + y * zoom + j
                    if not 0 <= yy < self.h:
                        continue
                    line = self.px[yy]
                    for i in range(zoom):
                        xx = x0 + x * zoom + i
                        if 0 <= xx < self.w:
                            d = line[xx]
                            line[xx] = tuple(int(round(px[k] * a + d[k] * (1 - a))) for k in range(3))


def mock_window(skin, icons, strip):
    """The main window as the program lays it out, to judge the pictures in place."""
    s = Sheet(216, 408, (0, 0, 0))
    s.paste(skin, 0, 0)
    s.paste(icons[20], 8, 8)
    x0, y0, x1, y1 = LIST_AREA
    s.box(x0, y0, x1 + 1, y1 + 1, (255, 255, 255))
    s.box(x0, y0, x1 + 1, y0 + 1, (130, 135, 144))
    s.box(x0, y0, x0 + 1, y1 + 1, (130, 135, 144))
    for i in range(3):
        s.paste(icons[15], 20 + (i % 2) * 64, 72 + (i // 2) * 64)
    x0, y0, x1, y1 = BUTTON_AREA
    s.box(x0, y0, x1 + 1, y1 + 1, (120, 126, 136))
    s.box(x0 + 1, y0 + 1, x1, y1, (255, 255, 255))
    for (bx, by), n in zip(((6, 6), (6, 42), (6, 78), (6, 136), (6, 192), (6, 228), (6, 264)),
                           (19, 18, 21, 23, 24, 25, 22)):
        gx, gy = x0 + bx, y0 + by
        s.box(gx, gy, gx + 38, gy + 32, (225, 228, 233))
        s.box(gx + 1, gy + 1, gx + 37, gy + 31, (246, 247, 249))
        s.paste(icons[n], gx + 11, gy + 8)
    s.paste(strip, STRIP_AREA[0], STRIP_AREA[1])
    return s.px


def write_preview(path, icons, strip, skins):
    small = [n for n in sorted(icons) if n != 20]
    zoom = 4
    pad = 16
    row_w = sum(len(icons[n][0]) * zoom + pad for n in small) + pad
    row_w = max(row_w, 200 * zoom + 198 * zoom + 3 * pad)
    band_h = pad + 32 * zoom + pad + 40 * zoom + pad + 60
    mock_h = 408 * 2
    w = max(row_w, 4 * (216 * 2 + pad) + pad)
    h = 2 * band_h + mock_h + 2 * pad
    sheet = Sheet(w, h, (255, 255, 255))
    for band, bg in enumerate(((236, 238, 242), (44, 46, 52))):
        top = band * band_h
        sheet.box(0, top, w, top + band_h, bg)
        x = pad
        for n in small:
            rows = icons[n]
            sheet.paste(rows, x, top + pad, zoom)
            sheet.paste(rows, x, top + pad + len(rows) * zoom + 6)
            x += len(rows[0]) * zoom + pad
        y = top + pad + 32 * zoom + pad + 20
        sheet.paste(icons[20], pad, y, zoom)
        sheet.paste(strip, 2 * pad + 200 * zoom, y, zoom)
        sheet.paste(icons[20], 2 * pad + 200 * zoom, y + 24 * zoom + pad)
    x = pad
    for name in sorted(skins):
        mock = mock_window(skins[name], icons, strip)
        sheet.paste(mock, x, 2 * band_h + pad, 2)
        x += 216 * 2 + pad
        sheet.paste(mock, x, 2 * band_h + pad, 1)
        sheet.paste(skins[name], x + 216 + pad // 2, 2 * band_h + pad, 1)
        x += 216 * 2 + pad
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, 'wb') as f:
        f.write(png_bytes(w, h, sheet.px, alpha=False))


# --------------------------------------------------------------------------


def main(argv):
    pictures = os.path.join(HERE, 'pictures')
    os.makedirs(pictures, exist_ok=True)
    icons = {}
    for number, (w, h, draw) in sorted(ICONS.items()):
        c = Canvas(w, h)
        draw(c)
        icons[number] = c.rgba()
        # The program embeds the PNG; the icon file is the program's own icon
        # (16) and a sample icon file for the tests and the demo drive.
        with open(os.path.join(pictures, '%d.png' % number), 'wb') as f:
            f.write(png_bytes(w, h, icons[number], alpha=True))
        with open(os.path.join(pictures, '%d.ico' % number), 'wb') as f:
            f.write(ico_bytes(c))
    strip = status_strip()
    with open(os.path.join(pictures, '35.png'), 'wb') as f:
        f.write(png_bytes(198, 24, strip, alpha=True, colour_chunks=True))
    # The same pictures for scaled displays, drawn afresh at 1.5 and 2 times
    # the size (not enlarged): "N-150.png" and "N-200.png".
    for percent in SCALES:
        scale = percent / 100.0
        for number, (w, h, draw) in sorted(ICONS.items()):
            c = Canvas(scaled_edge(w, scale), scaled_edge(h, scale), scale=scale)
            draw(c)
            with open(os.path.join(pictures, '%d-%d.png' % (number, percent)), 'wb') as f:
                f.write(png_bytes(c.w, c.h, c.rgba(), alpha=True))
        rows = status_strip(scale)
        with open(os.path.join(pictures, '35-%d.png' % percent), 'wb') as f:
            f.write(png_bytes(len(rows[0]), len(rows), rows, alpha=True, colour_chunks=True))
    skins = {}
    for name, make in sorted(SKINS.items()):
        rows = make()
        skins[name] = rows
        folder_ = os.path.join(HERE, 'skins', name)
        os.makedirs(folder_, exist_ok=True)
        with open(os.path.join(folder_, 'skin.png'), 'wb') as f:
            f.write(png_bytes(len(rows[0]), len(rows), rows, alpha=False))
    if '--preview' in argv:
        write_preview(os.path.join(ROOT, 'build', 'pictures-preview.png'), icons, strip, skins)
    return 0


if __name__ == '__main__':
    sys.exit(main(sys.argv[1:]))
