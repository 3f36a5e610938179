#!/usr/bin/env python3
"""Draws the program's icon strips (16 x 16 tiles, 32 x 32 wizard images) as PNG files.

    tools/make_icons.py [--out src/persist/res]

Each strip is one row of tiles; a tile's position is the index the program uses. Shapes are
rendered at four times the size and averaged down, which gives smooth edges. Indexes no
glyph is drawn for stay transparent. Standard library only (zlib for PNG); the build does
not run this script, its outputs are committed.
"""

import argparse
import math
import os
import struct
import zlib

SS = 4  # supersampling factor

INK = (52, 62, 74)         # outlines and text
PAPER = (250, 251, 253)    # page and window fill
BLUE = (47, 116, 192)
LIGHT_BLUE = (196, 220, 245)
GREEN = (46, 150, 70)
RED = (200, 64, 56)
YELLOW = (236, 186, 48)
ORANGE = (226, 128, 40)
PURPLE = (130, 80, 170)
GREY = (150, 156, 164)
LIGHT_GREY = (214, 218, 224)

# 5 x 7 pixel letters for the few glyphs that show text.
FONT = {
    "A": ["01110", "10001", "10001", "11111", "10001", "10001", "10001"],
    "T": ["11111", "00100", "00100", "00100", "00100", "00100", "00100"],
    "f": ["00110", "01000", "11110", "01000", "01000", "01000", "01000"],
    "x": ["00000", "00000", "10001", "01010", "00100", "01010", "10001"],
    "a": ["00000", "00000", "01110", "00001", "01111", "10001", "01111"],
    "b": ["10000", "10000", "10110", "11001", "10001", "10001", "11110"],
    "1": ["00100", "01100", "00100", "00100", "00100", "00100", "01110"],
    "2": ["01110", "10001", "00001", "00010", "00100", "01000", "11111"],
    ">": ["10000", "01000", "00100", "00010", "00100", "01000", "10000"],
    "_": ["00000", "00000", "00000", "00000", "00000", "00000", "11111"],
    "S": ["01111", "10000", "10000", "01110", "00001", "00001", "11110"],
}


class Canvas:
    """An RGBA tile drawn at SS times its size; coordinates are in tile pixels."""

    def __init__(self, size):
        self.size = size
        self.n = size * SS
        self.px = [[(0.0, 0.0, 0.0, 0.0)] * self.n for _ in range(self.n)]

    def _blend(self, x, y, color, alpha=1.0):
        r, g, b = color
        pr, pg, pb, pa = self.px[y][x]
        a = alpha + pa * (1 - alpha)
        if a <= 0:
            return
        self.px[y][x] = ((r * alpha + pr * pa * (1 - alpha)) / a,
                         (g * alpha + pg * pa * (1 - alpha)) / a,
                         (b * alpha + pb * pa * (1 - alpha)) / a, a)

    def _fill(self, x0, y0, x1, y1, inside, color):
        lo_x, hi_x = max(0, int(x0 * SS)), min(self.n, int(math.ceil(x1 * SS)))
        lo_y, hi_y = max(0, int(y0 * SS)), min(self.n, int(math.ceil(y1 * SS)))
        for sy in range(lo_y, hi_y):
            y = (sy + 0.5) / SS
            for sx in range(lo_x, hi_x):
                if inside((sx + 0.5) / SS, y):
                    self._blend(sx, sy, color)

    def rect(self, x0, y0, x1, y1, color):
        self._fill(x0, y0, x1, y1, lambda x, y: True, color)

    def box(self, x0, y0, x1, y1, fill=PAPER, outline=INK, width=1.0):
        """A filled rectangle with an outline inside its bounds."""
        self.rect(x0, y0, x1, y1, outline)
        if fill is not None:
            self.rect(x0 + width, y0 + width, x1 - width, y1 - width, fill)

    def round_rect(self, x0, y0, x1, y1, radius, fill=PAPER, outline=INK, width=1.0):
        def inside_for(inset):
            def inside(x, y):
                cx = min(max(x, x0 + radius), x1 - radius)
                cy = min(max(y, y0 + radius), y1 - radius)
                return (x - cx) ** 2 + (y - cy) ** 2 <= (radius - inset) ** 2
            return inside

        self._fill(x0, y0, x1, y1, inside_for(0), outline)
        if fill is not None:
            self._fill(x0, y0, x1, y1, inside_for(width), fill)

    def line(self, x0, y0, x1, y1, color, width=1.0):
        dx, dy = x1 - x0, y1 - y0
        length2 = dx * dx + dy * dy or 1e-9
        half = width / 2

        def inside(x, y):
            t = max(0.0, min(1.0, ((x - x0) * dx + (y - y0) * dy) / length2))
            cx, cy = x0 + t * dx, y0 + t * dy
            return (x - cx) ** 2 + (y - cy) ** 2 <= half * half

        self._fill(min(x0, x1) - half, min(y0, y1) - half, max(x0, x1) + half,
                   max(y0, y1) + half, inside, color)

    def polyline(self, points, color, width=1.0):
        for a, b in zip(points, points[1:]):
            self.line(a[0], a[1], b[0], b[1], color, width)

    def polygon(self, points, color):
        def inside(x, y):
            result = False
            for (ax, ay), (bx, by) in zip(points, points[1:] + points[:1]):
                if (ay > y) != (by > y) and x < ax + (y - ay) * (bx - ax) / (by - ay):
                    result = not result
            return result

        xs = [p[0] for p in points]
        ys = [p[1] for p in points]
        self._fill(min(xs), min(ys), max(xs), max(ys), inside, color)

    def ellipse(self, cx, cy, rx, ry, fill=None, outline=INK, width=1.0):
        if outline is not None:
            self._fill(cx - rx, cy - ry, cx + rx, cy + ry,
                       lambda x, y: ((x - cx) / rx) ** 2 + ((y - cy) / ry) ** 2 <= 1, outline)
        if fill is not None:
            irx, iry = rx - width, ry - width
            self._fill(cx - irx, cy - iry, cx + irx, cy + iry,
                       lambda x, y: ((x - cx) / irx) ** 2 + ((y - cy) / iry) ** 2 <= 1, fill)

    def text(self, x, y, chars, color, scale=1.0):
        for i, ch in enumerate(chars):
            for row, bits in enumerate(FONT[ch]):
                for col, bit in enumerate(bits):
                    if bit == "1":
                        px = x + (i * 6 + col) * scale
                        py = y + row * scale
                        self.rect(px, py, px + scale, py + scale, color)

    def pixels(self):
        """The tile at its real size: averaged, premultiplied, rounded to bytes."""
        out = []
        for ty in range(self.size):
            row = []
            for tx in range(self.size):
                r = g = b = a = 0.0
                for sy in range(ty * SS, ty * SS + SS):
                    for sx in range(tx * SS, tx * SS + SS):
                        pr, pg, pb, pa = self.px[sy][sx]
                        r += pr * pa
                        g += pg * pa
                        b += pb * pa
                        a += pa
                if a > 0:
                    row.append((round(r / a), round(g / a), round(b / a),
                                round(255 * a / (SS * SS))))
                else:
                    row.append((0, 0, 0, 0))
            out.append(row)
        return out


# --- shared motifs ----------------------------------------------------------------------

def page(c, x0=3, y0=1, x1=13, y1=15, fold=3):
    pts = [(x0, y0), (x1 - fold, y0), (x1, y0 + fold), (x1, y1), (x0, y1)]
    c.polygon(pts, INK)
    inner = [(x0 + 1, y0 + 1), (x1 - fold - 0.4, y0 + 1), (x1 - 1, y0 + fold + 0.4),
             (x1 - 1, y1 - 1), (x0 + 1, y1 - 1)]
    c.polygon(inner, PAPER)
    c.polyline([(x1 - fold, y0), (x1 - fold, y0 + fold), (x1, y0 + fold)], INK, 1)


def folder(c, color=YELLOW):
    c.polygon([(1, 4), (6, 4), (7.5, 5.5), (15, 5.5), (15, 14), (1, 14)], INK)
    c.polygon([(2, 5), (5.6, 5), (7.1, 6.5), (14, 6.5), (14, 13), (2, 13)], color)


def plus(c, cx, cy, color=GREEN):
    c.rect(cx - 3, cy - 1, cx + 3, cy + 1, color)
    c.rect(cx - 1, cy - 3, cx + 1, cy + 3, color)


def cross(c, color=RED, x0=3, y0=3, x1=13, y1=13, width=2.2):
    c.line(x0, y0, x1, y1, color, width)
    c.line(x1, y0, x0, y1, color, width)


def check(c):
    c.polyline([(2.5, 8.5), (6.5, 12.5), (13.5, 3.5)], GREEN, 2.4)


def arrow(c, up):
    if up:
        c.polygon([(8, 2), (14, 9), (10.5, 9), (10.5, 14), (5.5, 14), (5.5, 9), (2, 9)], BLUE)
    else:
        c.polygon([(8, 14), (14, 7), (10.5, 7), (10.5, 2), (5.5, 2), (5.5, 7), (2, 7)], BLUE)


def pencil(c, x=0, y=0):
    c.polygon([(x + 4, y + 14), (x + 4.5, y + 11), (x + 12, y + 3.5), (x + 14.5, y + 6),
               (x + 7, y + 13.5)], INK)
    c.polygon([(x + 5.2, y + 12.8), (x + 5.5, y + 11.4), (x + 12, y + 4.9), (x + 13.1, y + 6),
               (x + 6.6, y + 12.5)], YELLOW)


def frame_side(c, side):
    """A square whose sides are dotted, with the chosen sides drawn solid and blue."""
    for i in range(3, 14, 2):
        for x, y in ((i, 2), (i, 13), (2, i), (13, i)):
            c.rect(x, y, x + 1, y + 1, GREY)
    solid = {"top": [(2, 2, 14, 3.6)], "bottom": [(2, 12.4, 14, 14)],
             "left": [(2, 2, 3.6, 14)], "right": [(12.4, 2, 14, 14)]}
    sides = list(solid) if side == "all" else ([] if side == "none" else [side])
    for s in sides:
        for r in solid[s]:
            c.rect(*r, BLUE)


def window(c):
    c.box(1, 2, 15, 14, PAPER)
    c.rect(1, 2, 15, 5, BLUE)
    c.box(4, 8, 12, 11, LIGHT_GREY, INK)


def cylinder(c, color=LIGHT_BLUE):
    c.rect(3, 4, 13, 13, INK)
    c.rect(4, 4, 12, 13, color)
    c.ellipse(8, 13, 5, 2, color, INK)
    c.rect(4, 10.5, 12, 13, color)
    c.ellipse(8, 4, 5, 2, color, INK)


def band(c):
    c.box(1, 5, 15, 11, LIGHT_BLUE)
    c.rect(1, 5, 4, 11, BLUE)


def lines_in_page(c):
    for y in (6, 8.5, 11):
        c.rect(5, y, 11, y + 1, GREY)


# --- designer tool bar (DesgnButtons) -----------------------------------------------------

def open_file(c):
    folder(c)
    c.polygon([(4, 14), (6.5, 8), (16, 8), (13.5, 14)], INK)
    c.polygon([(5, 13), (7.1, 9), (14.6, 9), (12.7, 13)], (248, 212, 110))


def save_file(c):
    c.box(2, 2, 14, 14, BLUE, INK)
    c.rect(5, 3, 11, 7, PAPER)
    c.rect(9, 4, 10, 6, INK)
    c.rect(4.5, 9.5, 11.5, 13, LIGHT_GREY)


def fill_bucket(c):
    c.polygon([(2, 8), (8, 2), (14, 8), (8, 14)], INK)
    c.polygon([(3.5, 8), (8, 3.5), (12.5, 8), (8, 12.5)], PAPER)
    c.polygon([(3.5, 8), (12.5, 8), (8, 12.5)], BLUE)
    c.ellipse(14, 12.5, 1.4, 2, BLUE, None)


def font_glyph(c):
    c.text(5, 4, "A", INK)
    c.rect(3, 12, 13, 13.5, RED)


def function_glyph(c):
    c.text(2, 5, "f", PURPLE)
    c.text(9, 5, "x", PURPLE)


def field_glyph(c, label=None, color=GREY):
    c.box(1, 3, 15, 13, PAPER)
    if label:
        c.text(8 - len(label) * 3 + 1, 5, label, color)
    else:
        c.rect(3, 7, 13, 9, color)


def dataset_glyph(c):
    c.box(1, 2, 15, 14, PAPER)
    c.rect(1, 2, 15, 5, BLUE)
    for y in (8, 11):
        c.rect(2, y, 14, y + 0.8, GREY)
    c.rect(6, 5, 6.8, 13, GREY)


def property_glyph(c):
    c.box(2, 5, 14, 11, LIGHT_BLUE, BLUE)
    c.rect(4, 7.5, 12, 8.5, BLUE)


def method_glyph(c):
    c.polygon([(8, 2), (14, 8), (8, 14), (2, 8)], PURPLE)
    c.polygon([(8, 5), (11, 8), (8, 11), (5, 8)], (220, 200, 240))


def event_glyph(c):
    c.polygon([(9.5, 1), (3, 9), (7.5, 9), (6, 15), (13, 6.5), (8.5, 6.5)], YELLOW)
    c.polyline([(9.5, 1), (3, 9), (7.5, 9), (6, 15), (13, 6.5), (8.5, 6.5), (9.5, 1)], INK, 0.8)


def class_glyph(c):
    c.box(2, 3, 14, 13, (252, 228, 200), ORANGE)
    c.rect(2, 7, 14, 8, ORANGE)


def variable_glyph(c):
    c.box(2, 3, 14, 13, PAPER, GREEN)
    c.text(5, 4, "x", GREEN)


def date_glyph(c):
    c.box(2, 3, 14, 14, PAPER)
    c.rect(2, 3, 14, 6, RED)
    for x in (4, 7, 10):
        for y in (8, 11):
            c.rect(x, y, x + 2, y + 1.5, GREY)


def boolean_glyph(c):
    c.box(3, 3, 13, 13, PAPER)
    c.polyline([(5, 8), (7.3, 10.5), (11, 5.5)], GREEN, 1.8)


def edit_list(c):
    for y in (3, 7, 11):
        c.rect(1, y, 3, y + 2, BLUE)
        c.rect(4, y + 0.5, 10, y + 1.5, INK)
    pencil(c, 2, 1)


DESIGN_BUTTONS = {
    1: open_file, 2: save_file,
    32: lambda c: frame_side(c, "top"), 33: lambda c: frame_side(c, "bottom"),
    34: lambda c: frame_side(c, "left"), 35: lambda c: frame_side(c, "right"),
    36: lambda c: frame_side(c, "all"), 37: lambda c: frame_side(c, "none"),
    38: fill_bucket, 52: function_glyph, 54: field_glyph,
    55: lambda c: cross(c), 56: check, 59: font_glyph,
    65: lambda c: (folder(c), plus(c, 12, 11)), 66: folder,
    67: lambda c: (variable_glyph(c), plus(c, 12, 11)), 68: lambda c: pencil(c),
    69: edit_list, 72: dataset_glyph, 73: property_glyph, 74: method_glyph,
    78: class_glyph, 79: event_glyph, 80: variable_glyph,
    81: lambda c: cross(c, RED, 4, 4, 12, 12, 2.6),
    100: lambda c: arrow(c, True), 101: lambda c: arrow(c, False),
    102: lambda c: field_glyph(c, "ab", BLUE), 104: lambda c: field_glyph(c, "12", GREEN),
    106: date_glyph, 107: boolean_glyph,
}

# --- object icons (ObjectButtons) ---------------------------------------------------------

def memo(c):
    c.box(1, 1, 15, 15, PAPER)
    c.text(5, 4, "T", INK)


def picture(c):
    c.box(1, 2, 15, 14, LIGHT_BLUE)
    c.ellipse(11, 5.5, 1.6, 1.6, YELLOW, None)
    c.polygon([(2, 13), (6.5, 7), (9.5, 10.5), (11, 9), (14, 13)], GREEN)


def subreport(c):
    page(c, 1, 1, 11, 13)
    page(c, 5, 4, 15, 15)
    lines_in_page(c)


def line_tool(c):
    c.line(2, 8, 14, 8, INK, 1.6)


def diagonal(c):
    c.line(2.5, 13.5, 13.5, 2.5, INK, 1.6)


def arrow_line(c, start, end):
    c.line(3, 13, 13, 3, INK, 1.4)
    if end:
        c.polygon([(14, 2), (8.5, 4), (12, 7.5)], INK)
    if start:
        c.polygon([(2, 14), (7.5, 12), (4, 8.5)], INK)


def shapes(c):
    c.box(1, 6, 10, 15, LIGHT_BLUE, BLUE)
    c.ellipse(10.5, 5.5, 4.5, 4.5, (250, 220, 150), ORANGE)


def rounded(c):
    c.round_rect(2, 3, 14, 13, 3, LIGHT_BLUE, INK)


def system_memo(c):
    c.box(1, 1, 15, 15, PAPER)
    c.text(5, 4, "S", BLUE)


def command(c):
    c.box(1, 2, 15, 14, INK, INK)
    c.text(3, 4, ">", PAPER)
    c.text(8, 4, "_", PAPER)


def others(c):
    for x in (3, 8, 13):
        c.ellipse(x, 8, 1.6, 1.6, INK, None)


def report_icon(c):
    page(c)
    c.rect(4, 2, 9.5, 4.5, BLUE)
    lines_in_page(c)


OBJECT_BUTTONS = {
    2: memo, 3: picture, 4: subreport, 5: line_tool, 6: shapes, 7: diagonal,
    8: lambda c: c.box(2, 3, 14, 13, LIGHT_BLUE, INK),
    9: rounded,
    10: lambda c: c.ellipse(8, 8, 6.5, 5.5, LIGHT_BLUE, INK),
    11: lambda c: (c.polygon([(8, 1.5), (15, 14), (1, 14)], INK),
                   c.polygon([(8, 4), (13.2, 13), (2.8, 13)], LIGHT_BLUE)),
    21: command,
    31: lambda c: (c.polygon([(8, 1), (15, 8), (8, 15), (1, 8)], INK),
                   c.polygon([(8, 2.6), (13.4, 8), (8, 13.4), (2.6, 8)], LIGHT_BLUE)),
    32: system_memo,
    34: report_icon, 35: lambda c: page(c), 36: window, 37: cylinder, 40: band,
    63: lambda c: arrow_line(c, False, True), 64: lambda c: arrow_line(c, True, False),
    65: lambda c: arrow_line(c, True, True), 66: others,
}

# --- preview tool bar (PreviewButtons) ----------------------------------------------------

def printer(c):
    c.box(4, 1, 12, 6, PAPER)
    c.box(1, 5, 15, 12, LIGHT_GREY)
    c.box(4, 10, 12, 15, PAPER)
    c.rect(12, 7, 13.5, 8, GREEN)


PREVIEW_BUTTONS = {2: printer}

# --- wizard images (WizardButtons, 32 x 32) -----------------------------------------------

def wizard_empty(c):
    page(c, 6, 2, 26, 30, 6)


def wizard_report(c):
    page(c, 4, 2, 24, 30, 6)
    c.rect(7, 6, 15, 9, BLUE)
    for y in (12, 15, 18, 21, 24):
        c.rect(7, y, 21, y + 1.2, GREY)
    c.line(16, 30, 26, 20, INK, 2.2)
    c.polygon([(26, 9), (27.5, 13), (31, 14), (27.5, 15.2), (26, 19), (24.5, 15.2),
               (21, 14), (24.5, 13)], YELLOW)


WIZARD_BUTTONS = {0: wizard_empty, 1: wizard_report}

# --- PNG writing --------------------------------------------------------------------------

def write_png(path, width, height, rows):
    raw = b"".join(b"\x00" + bytes(v for px in row for v in px) for row in rows)

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))

    png = (b"\x89PNG\r\n\x1a\n"
           + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0))
           + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))
    with open(path, "wb") as f:
        f.write(png)


def make_strip(path, glyphs, size, count):
    rows = [[(0, 0, 0, 0)] * (size * count) for _ in range(size)]
    for index, draw in glyphs.items():
        canvas = Canvas(size)
        draw(canvas)
        for y, row in enumerate(canvas.pixels()):
            rows[y][index * size:(index + 1) * size] = row
    write_png(path, size * count, size, rows)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--out", default=os.path.join(os.path.dirname(__file__), "..", "src",
                                                      "persist", "res"))
    args = parser.parse_args()
    make_strip(os.path.join(args.out, "DesgnButtons.png"), DESIGN_BUTTONS, 16, 108)
    make_strip(os.path.join(args.out, "ObjectButtons.png"), OBJECT_BUTTONS, 16, 67)
    make_strip(os.path.join(args.out, "PreviewButtons.png"), PREVIEW_BUTTONS, 16, 3)
    make_strip(os.path.join(args.out, "WizardButtons.png"), WIZARD_BUTTONS, 32, 2)


if __name__ == "__main__":
    main()
