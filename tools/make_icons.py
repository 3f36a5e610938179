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

# Index tables. Indexes marked * are fixed: other parts of the program refer to them by
# number (data tree, report tree, variables and highlight editors, frame editor, object
# palette, wizard list, printer list). The rest are the designer's and the preview's own
# command images; keep an index once it is in use, and append new images at the end.
#
# DesgnButtons (16 x 16, designer commands and trees)
#   0 new report            1* open / load           2* save
#   3 save as               4 preview report         5* report template file
#   6 cut                   7 copy                   8 paste
#   9 undo                 10 redo                  11 group
#  12 ungroup              13 select all            14 bring to front
#  15 send to back         16 new page              17 new dialog page
#  18 delete page          19 page settings         20 find
#  21 replace              22 find next             23 bold
#  24 italic               25 underline             26 font colour
#  27 text align left      28 text align centre     29 text align right
#  30 text justify         31 text rotation        *32 frame line top
# *33 frame line bottom   *34 frame line left      *35 frame line right
# *36 all frame lines     *37 no frame lines       *38 fill colour
#  39 frame colour         40 frame style           41 frame width
#  42 text align top       43 text align middle     44 text align bottom
#  45 highlight            46 styles                47 report options
#  48 report data          49 variables editor      50 designer options
#  51 help contents       *52 function             *53 data tree root
# *54 field (other type)  *55 cancel               *56 OK
#  57 select tool          58 hand tool            *59 font
#  60 zoom tool            61 text tool             62 format painter tool
#  63 insert band          64 add child band       *65 new category
# *66 folder / category   *67 new variable         *68 edit
# *69 edit list           70 object inspector      71 data tree window
# *72 data set            *73 property             *74 method
#  75 report tree window   76 evaluate              77 breakpoint
# *78 class               *79 event                *80 variable
# *81 delete              82 run script            83 step
#  84 stop script          85 run to cursor         86 align lefts
#  87 align horizontal centres                      88 align rights
#  89 align tops           90 align vertical centres
#  91 align bottoms        92 same width            93 same height
#  94 centre horizontally in band                   95 centre vertically in band
#  96 space horizontally   97 space vertically      98 align to grid
#  99 show grid          *100 move up             *101 move down
# *102 string field       103 (free)              *104 numeric field
#  105 (free)            *106 date-time field     *107 Boolean field
#  108 rulers             109 guides               110 delete guides
#  111 snap to grid       112 insert expression    113 insert aggregate
#  114 word wrap          115 about                116 exit
#  117 new item (wizards)
#
# ObjectButtons (16 x 16, report object classes, palette and report tree)
#   0, 1 (free)           *2 text                  *3 picture
#  *4 subreport           *5 line                  *6 drawing category
#  *7 diagonal line       *8 rectangle             *9 rounded rectangle
# *10 ellipse            *11 triangle             *21 dot-matrix command
# *31 diamond            *32 system text          *34 report
# *35 report page        *36 dialog page          *37 data page, database connection
# *40 band (any kind)     41 report title          42 report summary
#  43 page header          44 page footer           45 header
#  46 footer               47 master data           48 detail data
#  49 subdetail data       50 data band 4           51 data band 5
#  52 data band 6          53 group header          54 group footer
#  55 child band           56 column header         57 column footer
#  58 overlay             *63 line with arrow at end
# *64 line with arrow at start                     *65 line with arrows at both ends
# *66 other objects category                       *67 query (a table)
# *68 CSV table (a page with rows)                 *69 JSON table (a page with braces)
#
# PreviewButtons (16 x 16, preview window)
#   0 open                  1 save                  *2 print / printer
#   3 export                4 find                   5 zoom in
#   6 zoom out              7 page settings          8 outline
#   9 thumbnails           10 first page            11 prior page
#  12 next page            13 last page             14 edit page in designer
#  15 new page             16 delete page           17 full screen
#  18 close
#
# WizardButtons (32 x 32, new-item dialog)
#  *0 empty report         *1 report wizard          *2 database table

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
    "B": ["11110", "10001", "10001", "11110", "10001", "10001", "11110"],
    "U": ["10001", "10001", "10001", "10001", "10001", "10001", "01110"],
    "?": ["01110", "10001", "00001", "00010", "00100", "00000", "00100"],
    "i": ["00100", "00000", "01100", "00100", "00100", "00100", "01110"],
    "=": ["00000", "00000", "11111", "00000", "11111", "00000", "00000"],
    "[": ["01110", "01000", "01000", "01000", "01000", "01000", "01110"],
    "]": ["01110", "00010", "00010", "00010", "00010", "00010", "01110"],
    "3": ["11110", "00001", "00001", "01110", "00001", "00001", "11110"],
    "4": ["00010", "00110", "01010", "10010", "11111", "00010", "00010"],
    "5": ["11111", "10000", "11110", "00001", "00001", "10001", "01110"],
    "6": ["00110", "01000", "10000", "11110", "10001", "10001", "01110"],
    # braces are nine rows high
    "{": ["00110", "00100", "00100", "00100", "01000", "00100", "00100", "00100", "00110"],
    "}": ["01100", "00100", "00100", "00100", "00010", "00100", "00100", "00100", "01100"],
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


DARK_GREY = (110, 118, 128)
TEAL = (0, 146, 150)
LIGHT_ORANGE = (252, 228, 200)
LIGHT_GREEN = (212, 236, 216)
SKIN = (250, 232, 205)


def outlined(c, points, fill, width=1.0):
    """A polygon with a dark outline on its edges."""
    c.polygon(points, fill)
    c.polyline(points + points[:1], INK, width)


def frame_rect(c, x0, y0, x1, y1, color=INK, width=1.0):
    """The outline of a rectangle only, inside its bounds."""
    c.rect(x0, y0, x1, y0 + width, color)
    c.rect(x0, y1 - width, x1, y1, color)
    c.rect(x0, y0, x0 + width, y1, color)
    c.rect(x1 - width, y0, x1, y1, color)


def badge_plus(c, cx=12, cy=12):
    """A small green plus with a dark rim, for the "new" and "add" variants."""
    c.rect(cx - 4, cy - 2, cx + 4, cy + 2, INK)
    c.rect(cx - 2, cy - 4, cx + 2, cy + 4, INK)
    c.rect(cx - 3, cy - 1, cx + 3, cy + 1, GREEN)
    c.rect(cx - 1, cy - 3, cx + 1, cy + 3, GREEN)


def badge_cross(c, cx=12, cy=12):
    """A small red cross with a dark rim, for the "delete" variants."""
    for color, width in ((INK, 3.4), (RED, 1.8)):
        c.line(cx - 2.6, cy - 2.6, cx + 2.6, cy + 2.6, color, width)
        c.line(cx + 2.6, cy - 2.6, cx - 2.6, cy + 2.6, color, width)


def magnifier(c, cx=6.5, cy=6.5, r=4.5, sign=None):
    reach = r * 0.72
    c.line(cx + reach, cy + reach, cx + reach + 4, cy + reach + 4, INK, 2.6)
    c.ellipse(cx, cy, r, r, LIGHT_BLUE, INK, 1.3)
    if sign:
        c.rect(cx - 2.2, cy - 0.6, cx + 2.2, cy + 0.6, INK)
        if sign == "+":
            c.rect(cx - 0.6, cy - 2.2, cx + 0.6, cy + 2.2, INK)


def arc_arrow(c, cx, cy, r, a0, a1, color=BLUE, width=2.0, head=3.0):
    """An arc from angle a0 to a1 (degrees, counter-clockwise on screen) ending in a head."""
    steps = 24
    pts = []
    for i in range(steps + 1):
        a = math.radians(a0 + (a1 - a0) * i / steps)
        pts.append((cx + r * math.cos(a), cy - r * math.sin(a)))
    c.polyline(pts[:-2], color, width)
    a = math.radians(a1)
    sign = 1 if a1 > a0 else -1
    dx, dy = -math.sin(a) * sign, -math.cos(a) * sign  # direction of travel at the end
    tx, ty = pts[-1]
    bx, by = tx - dx * head * 0.4, ty - dy * head * 0.4
    c.polygon([(tx + dx * head * 0.9, ty + dy * head * 0.9), (bx - dy * head, by + dx * head),
               (bx + dy * head, by - dx * head)], color)


def star(c, cx, cy, r, color=YELLOW):
    pts = []
    for i in range(8):
        a = math.radians(i * 45 - 90)
        rr = r if i % 2 == 0 else r * 0.38
        pts.append((cx + rr * math.cos(a), cy + rr * math.sin(a)))
    c.polygon(pts, color)


def save_disk(c, x0=2, y0=2, x1=14, y1=14):
    w = x1 - x0
    c.box(x0, y0, x1, y1, BLUE, INK)
    c.rect(x0 + w * 0.25, y0 + 1, x1 - w * 0.25, y0 + w * 0.42, PAPER)
    c.rect(x0 + w * 0.58, y0 + w * 0.16, x0 + w * 0.67, y0 + w * 0.33, INK)
    c.rect(x0 + w * 0.2, y1 - w * 0.38, x1 - w * 0.2, y1 - 1, LIGHT_GREY)


def report_page(c, x0=3, y0=1, x1=13, y1=15, fold=3):
    page(c, x0, y0, x1, y1, fold)
    c.rect(x0 + 1, y0 + 1, x0 + (x1 - x0) * 0.55, y0 + 3.5, BLUE)
    for y in (y0 + 5, y0 + 7.5, y0 + 10):
        if y + 1 < y1 - 1:
            c.rect(x0 + 2, y, x1 - 2, y + 1, GREY)


def text_lines(c, spans, ys, color=INK, height=1.5):
    for (x0, x1), y in zip(spans, ys):
        c.rect(x0, y, x1, y + height, color)


def dotted_rect(c, x0, y0, x1, y1, color=GREY, step=2):
    x = x0
    while x < x1:
        c.rect(x, y0, min(x + 1, x1), y0 + 1, color)
        c.rect(x, y1 - 1, min(x + 1, x1), y1, color)
        x += step
    y = y0
    while y < y1:
        c.rect(x0, y, x0 + 1, min(y + 1, y1), color)
        c.rect(x1 - 1, y, x1, min(y + 1, y1), color)
        y += step


def handles(c, x0, y0, x1, y1, size=2):
    for x, y in ((x0, y0), (x1 - size, y0), (x0, y1 - size), (x1 - size, y1 - size)):
        c.rect(x, y, x + size, y + size, INK)


def tree(c, root, child, leaf=GREY):
    """A root node with two children and their labels, joined by connector lines."""
    c.rect(3, 6, 4, 13, GREY)
    c.rect(3, 8, 6, 9, GREY)
    c.rect(3, 12, 6, 13, GREY)
    c.box(1, 1, 6, 6, root, INK)
    for y in (6.5, 10.5):
        c.box(6, y, 10, y + 4, child, INK)
        c.rect(11, y + 1.5, 15, y + 2.5, leaf)


def gear(c, cx=8, cy=8, r_out=7, r_in=5.2, hole=2.2, color=GREY):
    pts = []
    for t in range(8):
        a = t * 45
        for da, rr in ((-15, r_in), (-9, r_out), (9, r_out), (15, r_in)):
            rad = math.radians(a + da)
            pts.append((cx + rr * math.cos(rad), cy + rr * math.sin(rad)))
    c.polygon(pts, INK)
    inner = []
    for t in range(8):
        a = t * 45
        for da, rr in ((-15, r_in - 1), (-8, r_out - 1), (8, r_out - 1), (15, r_in - 1)):
            rad = math.radians(a + da)
            inner.append((cx + rr * math.cos(rad), cy + rr * math.sin(rad)))
    c.polygon(inner, color)
    c.ellipse(cx, cy, hole, hole, PAPER, INK)


def round_badge(c, letter):
    c.ellipse(8, 8, 7, 7, BLUE, INK)
    c.text(5, 4, letter, PAPER)


def play(c, x0=4, y0=2, x1=13, y1=14, color=GREEN):
    outlined(c, [(x0, y0), (x1, (y0 + y1) / 2), (x0, y1)], color)


def nav_triangle(c, left, x0, x1, y0=3, y1=13):
    tip, base = (x0, x1) if left else (x1, x0)
    outlined(c, [(base, y0), (tip, (y0 + y1) / 2), (base, y1)], BLUE)


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
    c.text(1, 2, "f", PURPLE, 1.6)
    c.text(10, 7, "x", PURPLE)


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
    c.box(2, 3, 14, 13, LIGHT_GREEN, GREEN)
    c.text(5, 4, "x", (28, 110, 48))


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


def new_report(c):
    report_page(c, 2, 1, 12, 15)
    badge_plus(c)


def save_as(c):
    save_disk(c, 1, 1, 12, 12)
    pencil(c, 1.5, 1.5)


def preview_report(c):
    report_page(c, 1, 1, 11, 14)
    magnifier(c, 10, 9.5, 3.6)


def scissors(c):
    c.line(6.5, 9.5, 11.5, 1.5, INK, 1.5)
    c.line(9.5, 9.5, 4.5, 1.5, INK, 1.5)
    c.ellipse(4.8, 12, 2.8, 2.8, PAPER, RED, 1.4)
    c.ellipse(11.2, 12, 2.8, 2.8, PAPER, RED, 1.4)


def copy_pages(c):
    page(c, 1, 1, 10, 12, 2.5)
    c.rect(3, 5, 7, 6, GREY)
    page(c, 6, 4, 15, 15, 2.5)
    for y in (8, 10.5):
        c.rect(8, y, 13, y + 1, GREY)


def paste_board(c):
    c.box(1, 2, 12, 15, (236, 196, 140), INK)
    c.box(4, 1, 9, 4, LIGHT_GREY, INK)
    page(c, 6, 6, 15, 15, 2.5)
    for y in (9.5, 12):
        c.rect(8, y, 13, y + 1, GREY)


def group_glyph(c):
    frame_rect(c, 1, 1, 15, 15, BLUE)
    c.box(3, 3, 9, 9, LIGHT_BLUE, BLUE)
    c.ellipse(10, 10, 3.2, 3.2, LIGHT_ORANGE, ORANGE)


def ungroup_glyph(c):
    c.box(1, 1, 7, 7, LIGHT_BLUE, BLUE)
    handles(c, 0, 0, 8, 8, 1.5)
    c.ellipse(12, 12, 3, 3, LIGHT_ORANGE, ORANGE)
    handles(c, 8, 8, 16, 16, 1.5)


def select_all(c):
    dotted_rect(c, 1, 1, 15, 15, INK)
    handles(c, 0.5, 0.5, 15.5, 15.5)
    c.box(4, 4, 8, 8, LIGHT_BLUE, BLUE)
    c.box(9, 5, 12, 11, LIGHT_BLUE, BLUE)
    c.box(4, 9.5, 8, 12, LIGHT_BLUE, BLUE)


def bring_to_front(c):
    c.box(1, 1, 10, 10, LIGHT_GREY, GREY)
    c.box(6, 6, 15, 15, LIGHT_BLUE, BLUE)


def send_to_back(c):
    c.box(1, 1, 10, 10, LIGHT_BLUE, BLUE)
    c.box(6, 6, 15, 15, LIGHT_GREY, GREY)


def new_page(c):
    page(c, 2, 1, 12, 15)
    badge_plus(c)


def new_dialog(c):
    c.box(1, 1, 14, 12, PAPER)
    c.rect(1, 1, 14, 4, BLUE)
    c.box(3.5, 6.5, 9, 9, LIGHT_GREY, INK)
    badge_plus(c)


def delete_page(c):
    page(c, 2, 1, 12, 15)
    badge_cross(c)


def page_settings(c):
    page(c)
    for x in range(5, 11, 2):
        c.rect(x, 5, x + 1, 6, BLUE)
        c.rect(x, 12, x + 1, 13, BLUE)
    for y in range(7, 12, 2):
        c.rect(5, y, 6, y + 1, BLUE)
        c.rect(10, y, 11, y + 1, BLUE)


def replace_glyph(c):
    c.text(1, 1, "a", INK)
    c.text(10, 8, "b", BLUE)
    c.polyline([(3.5, 9.5), (3.5, 12.5), (7, 12.5)], INK, 1.3)
    c.polygon([(9, 12.5), (6.5, 10.5), (6.5, 14.5)], INK)


def find_next(c):
    magnifier(c, 6, 6, 4.5)
    outlined(c, [(8, 11), (11, 11), (11, 9), (15, 12.5), (11, 16), (11, 14), (8, 14)], GREEN, 0.8)


def bold_glyph(c):
    for dx in (0, 0.9):
        c.text(3.5 + dx, 1.5, "B", INK, 1.7)


def italic_glyph(c):
    c.line(10, 2.5, 6.5, 13.5, INK, 2)
    c.rect(7.5, 2, 13, 3.4, INK)
    c.rect(3.5, 12.6, 9, 14, INK)


def underline_glyph(c):
    c.text(4, 1, "U", INK, 1.6)
    c.rect(2.5, 13.5, 13.5, 15, INK)


def font_color(c):
    c.text(4.5, 0.5, "A", INK, 1.4)
    c.box(1, 11.5, 15, 15, RED, INK)


def font_dialog(c):
    c.text(1, 2, "A", INK, 1.6)
    c.text(10, 7, "a", BLUE)


def text_align(c, how):
    ys = (1.5, 4.5, 7.5, 10.5, 13.5)
    lengths = (14, 9, 14, 9, 12) if how != "block" else (14, 14, 14, 14, 8)
    spans = []
    for n in lengths:
        if how in ("left", "block"):
            spans.append((1, 1 + n))
        elif how == "center":
            spans.append((8 - n / 2, 8 + n / 2))
        else:
            spans.append((15 - n, 15))
    text_lines(c, spans, ys)


def rotation_glyph(c):
    c.text(5.5, 4.5, "A", INK)
    arc_arrow(c, 8, 8, 6.3, -50, 200, BLUE, 1.5, 2.8)


def frame_color(c):
    c.box(1, 1, 15, 15, RED, INK)
    c.box(4.5, 4.5, 11.5, 11.5, PAPER, INK)


def frame_style(c):
    c.rect(1, 2.3, 15, 3.8, INK)
    for x in (1, 5.5, 10):
        c.rect(x, 7.3, x + 3, 8.8, INK)
    for x in range(1, 15, 3):
        c.rect(x, 12.3, x + 1.5, 13.8, INK)


def frame_width(c):
    c.rect(1, 2, 15, 3, INK)
    c.rect(1, 6, 15, 8, INK)
    c.rect(1, 11, 15, 14.5, INK)


def vertical_align(c, where):
    c.box(1, 1, 15, 15, PAPER, GREY)
    y = {"top": 3, "middle": 6, "bottom": 9}[where]
    text_lines(c, [(3, 13), (3, 10)], (y, y + 2.7), INK, 1.4)


def highlight_glyph(c):
    c.box(1, 2, 15, 14, PAPER)
    c.rect(2, 4, 14, 12, YELLOW)
    c.text(3, 5, "ab", INK)


def styles_glyph(c):
    c.box(1, 1, 11, 5.5, LIGHT_BLUE, BLUE)
    c.box(3, 5.5, 13, 10.5, LIGHT_ORANGE, ORANGE)
    c.box(5, 10.5, 15, 15, LIGHT_GREEN, GREEN)


def report_options(c):
    page(c, 2, 1, 14, 15)
    for y in (4.5, 9.5):
        c.box(4, y, 8, y + 4, PAPER, INK)
        c.rect(9, y + 1.5, 12, y + 2.5, GREY)
    c.polyline([(4.8, 6.5), (5.9, 7.7), (7.6, 5.2)], GREEN, 1.2)


def report_data(c):
    cylinder(c)
    c.polyline([(8.5, 12), (10.5, 14), (14.5, 9)], INK, 3.4)
    c.polyline([(8.5, 12), (10.5, 14), (14.5, 9)], GREEN, 1.8)


def variables_list(c):
    for y in (1.5, 6.5, 11.5):
        c.box(1, y, 5, y + 3.5, PAPER, GREEN)
        c.rect(2.5, y + 1.2, 3.5, y + 2.3, GREEN)
        c.rect(7, y + 1.2, 15, y + 2.4, INK)


def data_root(c):
    cylinder(c, LIGHT_BLUE)
    c.rect(4, 7, 12, 8, BLUE)
    c.rect(4, 10, 12, 11, BLUE)


def select_tool(c):
    c.polygon([(4, 1), (4, 14.5), (7.1, 11.4), (9.3, 15.8), (11.6, 14.7), (9.4, 10.4),
               (13.5, 10.4)], INK)
    c.polygon([(5.1, 3.6), (5.1, 12), (7.5, 9.6), (9.9, 14.4), (10.2, 14.2), (7.8, 9.3),
               (11, 9.3)], PAPER)


def hand_tool(c):
    fingers = ((3, 3.5, 5.6), (5.6, 1.5, 8.2), (8.2, 2, 10.8), (10.8, 4, 13.4))
    # silhouette first, then the fills inset, so that inner outlines stay between fingers
    for x0, top, x1 in fingers:
        c.round_rect(x0 - 0.5, top - 0.5, x1 + 0.5, 11, 1.6, None, INK)
    c.round_rect(2.5, 6.5, 13.9, 15.5, 3, None, INK)
    c.line(2.5, 8.5, 0.8, 6.5, INK, 3.2)
    for x0, top, x1 in fingers:
        c.round_rect(x0 + 0.5, top + 0.5, x1 - 0.5, 11, 1.1, None, SKIN)
    c.round_rect(3.5, 7.5, 12.9, 14.5, 2.2, None, SKIN)
    c.line(3, 9, 1.6, 7.4, SKIN, 1.2)


def zoom_tool(c):
    magnifier(c, 6.5, 6.5, 5, "+")


def text_tool(c):
    c.text(2, 1.5, "A", BLUE, 1.6)
    c.rect(12.5, 3, 13.5, 15, INK)
    c.rect(11, 2, 15, 3, INK)
    c.rect(11, 14, 15, 15, INK)


def format_tool(c):
    c.line(14, 1.8, 8.8, 7.8, INK, 3.6)
    c.line(14, 1.8, 8.8, 7.8, ORANGE, 1.8)
    c.box(6.8, 6.6, 10.4, 10.2, LIGHT_GREY, INK)
    outlined(c, [(7, 10), (3, 15), (1.5, 13), (1.8, 10.5), (5, 8.6)], BLUE)


def insert_band(c):
    c.box(1, 2, 15, 9, LIGHT_BLUE)
    c.rect(2, 3, 4.5, 8, BLUE)
    badge_plus(c)


def child_band(c):
    c.box(1, 1, 15, 7, LIGHT_BLUE)
    c.rect(2, 2, 4.5, 6, BLUE)
    c.rect(3, 7, 4, 12, INK)
    c.rect(3, 11, 6, 12, INK)
    c.box(6, 9, 15, 15, LIGHT_BLUE)
    c.rect(7, 10, 8.5, 14, BLUE)


def inspector_glyph(c):
    c.box(1, 1, 15, 15, PAPER)
    c.rect(1, 1, 15, 4, BLUE)
    c.rect(7, 4, 8, 14, GREY)
    for y in (6, 9, 12):
        c.rect(2.5, y, 6, y + 1, INK)
        c.rect(9, y, 13.5, y + 1, BLUE)
    for y in (7.9, 10.9):
        c.rect(2, y, 14, y + 0.5, LIGHT_GREY)


def evaluate_glyph(c):
    c.box(1, 3, 15, 13, PAPER)
    c.text(3, 5, "x", PURPLE)
    c.rect(9, 7, 13, 8, INK)
    c.rect(9, 9, 13, 10, INK)


def breakpoint_glyph(c):
    c.ellipse(8, 8, 5.5, 5.5, RED, INK)


def step_glyph(c):
    arc_arrow(c, 7.5, 9, 5, 180, 0, BLUE, 1.8, 2.8)
    c.ellipse(7.5, 13, 1.7, 1.7, INK, INK)


def stop_glyph(c):
    c.box(3, 3, 13, 13, RED)


def run_to_cursor(c):
    play(c, 1.5, 2, 10, 14)
    c.rect(12.5, 3, 13.5, 13, INK)
    c.rect(11, 2, 15, 3, INK)
    c.rect(11, 13, 15, 14, INK)


def align_boxes(c, how):
    """Two boxes lined up against a dark reference line."""
    horizontal = how in ("left", "hcenter", "right")
    lengths = (11, 7)
    boxes = []
    for i, n in enumerate(lengths):
        a, b = (3, 7) if i == 0 else (9, 13)
        if how in ("left", "top"):
            s, e = 3, 3 + n
        elif how in ("right", "bottom"):
            s, e = 13 - n, 13
        else:
            s, e = 8 - n / 2, 8 + n / 2
        boxes.append((s, a, e, b) if horizontal else (a, s, b, e))
    for x0, y0, x1, y1 in boxes:
        c.box(x0, y0, x1, y1, LIGHT_BLUE, BLUE)
    pos = {"left": 1.5, "top": 1.5, "right": 13.5, "bottom": 13.5}.get(how, 7.5)
    if horizontal:
        c.rect(pos, 1, pos + 1, 15, INK)
    else:
        c.rect(1, pos, 15, pos + 1, INK)


def size_arrow(c, x0, y0, x1, y1):
    c.line(x0, y0, x1, y1, INK, 1)
    if y0 == y1:
        c.polygon([(x0 - 0.5, y0 + 0.5), (x0 + 2.5, y0 - 2), (x0 + 2.5, y0 + 3)], INK)
        c.polygon([(x1 + 0.5, y1 + 0.5), (x1 - 2.5, y1 - 2), (x1 - 2.5, y1 + 3)], INK)
    else:
        c.polygon([(x0 + 0.5, y0 - 0.5), (x0 - 2, y0 + 2.5), (x0 + 3, y0 + 2.5)], INK)
        c.polygon([(x1 + 0.5, y1 + 0.5), (x1 - 2, y1 - 2.5), (x1 + 3, y1 - 2.5)], INK)


def same_width(c):
    c.box(3, 1, 13, 5, LIGHT_BLUE, BLUE)
    c.box(3, 6.5, 13, 10.5, LIGHT_BLUE, BLUE)
    size_arrow(c, 2, 13.5, 14, 13.5)


def same_height(c):
    c.box(1, 3, 5, 13, LIGHT_BLUE, BLUE)
    c.box(6.5, 3, 10.5, 13, LIGHT_BLUE, BLUE)
    size_arrow(c, 13.5, 2, 13.5, 14)


def center_in_band(c, horizontal):
    if horizontal:
        dotted_rect(c, 0, 3, 16, 13)
        c.box(5, 5, 11, 11, LIGHT_BLUE, BLUE)
        c.polygon([(1, 5.5), (4, 8), (1, 10.5)], INK)
        c.polygon([(15, 5.5), (12, 8), (15, 10.5)], INK)
    else:
        dotted_rect(c, 3, 0, 13, 16)
        c.box(5, 5, 11, 11, LIGHT_BLUE, BLUE)
        c.polygon([(5.5, 1), (8, 4), (10.5, 1)], INK)
        c.polygon([(5.5, 15), (8, 12), (10.5, 15)], INK)


def space_evenly(c, horizontal):
    spans = ((1, 4.5, 3, 13), (6.25, 9.75, 5, 11), (11.5, 15, 2, 14))
    for a, b, s, e in spans:
        if horizontal:
            c.box(a, s, b, e, LIGHT_BLUE, BLUE)
        else:
            c.box(s, a, e, b, LIGHT_BLUE, BLUE)


def grid_dots(c):
    for x in range(1, 16, 3):
        for y in range(1, 16, 3):
            c.rect(x, y, x + 1, y + 1, GREY)


def align_to_grid(c):
    grid_dots(c)
    c.box(4, 4, 11, 11, LIGHT_BLUE, BLUE)
    handles(c, 3.5, 3.5, 11.5, 11.5, 1.5)


def show_grid(c):
    c.box(1, 1, 15, 15, PAPER, INK)
    for v in (4.5, 7.5, 10.5):
        c.rect(v, 2, v + 1, 14, LIGHT_GREY)
        c.rect(2, v, 14, v + 1, LIGHT_GREY)


def rulers(c):
    shape = [(1, 1), (15, 1), (15, 5), (5, 5), (5, 15), (1, 15)]
    c.polygon(shape, INK)
    c.polygon([(2, 2), (14, 2), (14, 4), (4, 4), (4, 14), (2, 14)], (250, 232, 160))
    for i, v in enumerate(range(6, 14, 2)):
        long = 3.5 if i % 2 == 0 else 3
        c.rect(v, 2, v + 0.8, long, INK)
        c.rect(2, v, long, v + 0.8, INK)


def guides(c, delete=False):
    c.box(1, 1, 15, 15, PAPER, GREY)
    for v in range(0, 16, 3):
        c.rect(5, v, 6.2, v + 2, BLUE)
        c.rect(v, 9, v + 2, 10.2, BLUE)
    if delete:
        badge_cross(c)


def snap_to_grid(c):
    grid_dots(c)
    c.polyline([(4, 3.5), (4, 9)], RED, 3)
    c.polyline([(12, 3.5), (12, 9)], RED, 3)
    arc = [(8 + 4 * math.cos(math.radians(a)), 9 + 4 * math.sin(math.radians(a)))
           for a in range(0, 181, 15)]
    c.polyline(arc, RED, 3)
    c.rect(2.5, 1.5, 5.5, 4, LIGHT_GREY)
    c.rect(10.5, 1.5, 13.5, 4, LIGHT_GREY)


def insert_expression(c):
    c.text(0, 5, "[", INK)
    c.text(5, 5, "x", BLUE)
    c.text(10, 5, "]", INK)


def aggregate_glyph(c):
    c.polyline([(12.5, 4), (12.5, 2), (3.5, 2), (8.5, 8), (3.5, 14), (12.5, 14), (12.5, 12)],
               INK, 1.7)


def word_wrap(c):
    c.rect(1, 2.5, 15, 4, INK)
    c.rect(1, 7.3, 11, 8.7, INK)
    arc = [(11 + 2.7 * math.cos(math.radians(a)), 10.7 - 2.7 * math.sin(math.radians(a)))
           for a in range(90, -91, -15)]
    c.polyline(arc, BLUE, 1.4)
    c.rect(7.5, 12.7, 11, 14.1, BLUE)
    c.polygon([(5, 13.4), (8.3, 10.9), (8.3, 15.9)], BLUE)


def exit_glyph(c):
    c.box(2, 1, 10, 15, (214, 160, 110), INK)
    c.ellipse(8, 8.5, 0.9, 0.9, INK, INK)
    outlined(c, [(7, 6.5), (11, 6.5), (11, 4), (15.3, 8), (11, 12), (11, 9.5), (7, 9.5)],
             GREEN, 0.8)


def new_item(c):
    c.line(2, 14, 10, 6, INK, 2.4)
    c.line(8.8, 7.2, 10.2, 5.8, PAPER, 1.2)
    star(c, 11.5, 4.5, 4.2)
    star(c, 4, 4, 2.2)


def cut_cmd(c):
    scissors(c)


DESIGN_BUTTONS = {
    0: new_report, 1: open_file, 2: save_file, 3: save_as, 4: preview_report,
    5: lambda c: report_page(c), 6: cut_cmd, 7: copy_pages, 8: paste_board,
    9: lambda c: arc_arrow(c, 8, 10, 5, -20, 180, BLUE, 2, 3.2),
    10: lambda c: arc_arrow(c, 8, 10, 5, 200, 0, BLUE, 2, 3.2),
    11: group_glyph, 12: ungroup_glyph, 13: select_all, 14: bring_to_front, 15: send_to_back,
    16: new_page, 17: new_dialog, 18: delete_page, 19: page_settings,
    20: lambda c: magnifier(c, 6.5, 6.5, 5), 21: replace_glyph, 22: find_next,
    23: bold_glyph, 24: italic_glyph, 25: underline_glyph, 26: font_color,
    27: lambda c: text_align(c, "left"), 28: lambda c: text_align(c, "center"),
    29: lambda c: text_align(c, "right"), 30: lambda c: text_align(c, "block"),
    31: rotation_glyph,
    32: lambda c: frame_side(c, "top"), 33: lambda c: frame_side(c, "bottom"),
    34: lambda c: frame_side(c, "left"), 35: lambda c: frame_side(c, "right"),
    36: lambda c: frame_side(c, "all"), 37: lambda c: frame_side(c, "none"),
    38: fill_bucket, 39: frame_color, 40: frame_style, 41: frame_width,
    42: lambda c: vertical_align(c, "top"), 43: lambda c: vertical_align(c, "middle"),
    44: lambda c: vertical_align(c, "bottom"),
    45: highlight_glyph, 46: styles_glyph, 47: report_options, 48: report_data,
    49: variables_list, 50: lambda c: gear(c), 51: lambda c: round_badge(c, "?"),
    52: function_glyph, 53: data_root, 54: field_glyph,
    55: lambda c: cross(c), 56: check, 57: select_tool, 58: hand_tool, 59: font_dialog,
    60: zoom_tool, 61: text_tool, 62: format_tool, 63: insert_band, 64: child_band,
    65: lambda c: (folder(c), badge_plus(c, 12, 11)), 66: folder,
    67: lambda c: (variable_glyph(c), badge_plus(c, 12, 11)), 68: lambda c: pencil(c),
    69: edit_list, 70: inspector_glyph, 71: lambda c: tree(c, BLUE, LIGHT_BLUE),
    72: dataset_glyph, 73: property_glyph, 74: method_glyph,
    75: lambda c: tree(c, PAPER, LIGHT_ORANGE), 76: evaluate_glyph, 77: breakpoint_glyph,
    78: class_glyph, 79: event_glyph, 80: variable_glyph,
    81: lambda c: cross(c, RED, 4, 4, 12, 12, 2.6),
    82: lambda c: play(c), 83: step_glyph, 84: stop_glyph, 85: run_to_cursor,
    86: lambda c: align_boxes(c, "left"), 87: lambda c: align_boxes(c, "hcenter"),
    88: lambda c: align_boxes(c, "right"), 89: lambda c: align_boxes(c, "top"),
    90: lambda c: align_boxes(c, "vcenter"), 91: lambda c: align_boxes(c, "bottom"),
    92: same_width, 93: same_height,
    94: lambda c: center_in_band(c, True), 95: lambda c: center_in_band(c, False),
    96: lambda c: space_evenly(c, True), 97: lambda c: space_evenly(c, False),
    98: align_to_grid, 99: show_grid,
    100: lambda c: arrow(c, True), 101: lambda c: arrow(c, False),
    102: lambda c: field_glyph(c, "ab", BLUE), 104: lambda c: field_glyph(c, "12", GREEN),
    106: date_glyph, 107: boolean_glyph,
    108: rulers, 109: guides, 110: lambda c: guides(c, True), 111: snap_to_grid,
    112: insert_expression, 113: aggregate_glyph, 114: word_wrap,
    115: lambda c: round_badge(c, "i"), 116: exit_glyph, 117: new_item,
}
DESIGN_COUNT = 118

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
    c.line(3.5, 12.5, 12.5, 3.5, INK, 1.4)
    if end:
        c.polygon([(13.5, 2.5), (8.2, 4.3), (11.7, 7.8)], INK)
    if start:
        c.polygon([(2.5, 13.5), (7.8, 11.7), (4.3, 8.2)], INK)


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


def report_icon(c):
    page(c)
    c.rect(4, 2, 9.5, 4.5, BLUE)
    lines_in_page(c)


def others(c):
    for x in (3, 8, 13):
        c.ellipse(x, 8, 1.7, 1.7)


def band_page(c, stripes, rows=(), columns=False):
    """A page with coloured band stripes (x0, y0, x1, y1, colour) and thin row lines."""
    c.box(2, 1, 14, 15, PAPER)
    if columns:
        c.rect(7.5, 2, 8.5, 14, LIGHT_GREY)
    for x0, y0, x1, y1, color in stripes:
        c.rect(x0, y0, x1, y1, color)
    for x0, y, x1, color in rows:
        c.rect(x0, y, x1, y + 1, color)


def page_rows(ys, color=GREY, x0=4, x1=12):
    return [(x0, y, x1, color) for y in ys]


def data_band(c, level):
    c.box(1, 3, 15, 13, LIGHT_BLUE)
    c.rect(2, 4, 5, 12, BLUE)
    c.text(8, 5, str(level), INK)


def child_object(c):
    band_page(c, [(3, 2.5, 13, 6, BLUE)])
    c.rect(4.5, 6, 5.5, 11.5, INK)
    c.rect(4.5, 10.5, 7, 11.5, INK)
    c.box(7, 8.5, 13, 13.5, LIGHT_BLUE, BLUE)


def column_band(c, top):
    y0, y1 = (2, 5) if top else (11, 14)
    ys = (7, 9) if top else (3, 5, 7)
    rows = page_rows(ys, GREY, 3, 7) + page_rows(ys, GREY, 9, 13)
    band_page(c, [(3, y0, 7, y1, TEAL), (9, y0, 13, y1, TEAL)], rows, True)


def overlay_object(c):
    c.box(1, 1, 11, 12, PAPER)
    for y in (4, 6.5, 9):
        c.rect(3, y, 9, y + 1, GREY)
    c.box(5, 4, 15, 15, (214, 230, 248), BLUE)
    dotted_rect(c, 6, 5, 14, 14, BLUE)


def query_table(c):
    """A table: blue header row over a grid of cells."""
    c.box(1, 2, 15, 14, PAPER)
    c.rect(2, 3, 14, 6, BLUE)
    for x in (5, 10):
        c.rect(x, 3, x + 1, 6, LIGHT_BLUE)
        c.rect(x, 6, x + 1, 13, GREY)
    c.rect(2, 9, 14, 10, GREY)


def csv_file(c):
    """A page of green rows split by a column line."""
    page(c, 2, 1, 14, 15)
    for y in (5, 7, 9, 11):
        c.rect(4, y, 12, y + 1, GREEN)
    c.rect(7, 4, 8, 13, DARK_GREY)


def json_file(c):
    """A page with a pair of orange braces."""
    page(c, 2, 1, 14, 15)
    c.text(3, 4, "{", ORANGE)
    c.text(8, 4, "}", ORANGE)


OBJECT_BANDS = {
    41: lambda c: band_page(c, [(3, 2, 13, 6, ORANGE)], page_rows((8, 10.5, 13))),
    42: lambda c: band_page(c, [(3, 10, 13, 14, ORANGE)], page_rows((3, 5.5, 8))),
    43: lambda c: band_page(c, [(3, 2, 13, 4.5, DARK_GREY)], page_rows((7, 9.5, 12))),
    44: lambda c: band_page(c, [(3, 11.5, 13, 14, DARK_GREY)], page_rows((3, 5.5, 8))),
    45: lambda c: band_page(c, [(3, 2.5, 13, 6, GREEN)], page_rows((8, 10.5, 13), BLUE)),
    46: lambda c: band_page(c, [(3, 10, 13, 13.5, GREEN)], page_rows((2.5, 5, 7.5), BLUE)),
    47: lambda c: data_band(c, 1), 48: lambda c: data_band(c, 2),
    49: lambda c: data_band(c, 3), 50: lambda c: data_band(c, 4),
    51: lambda c: data_band(c, 5), 52: lambda c: data_band(c, 6),
    53: lambda c: band_page(c, [(3, 2.5, 13, 6, PURPLE)], page_rows((8, 10.5, 13), BLUE, 6)),
    54: lambda c: band_page(c, [(3, 10, 13, 13.5, PURPLE)],
                            page_rows((2.5, 5, 7.5), BLUE, 6)),
    55: child_object, 56: lambda c: column_band(c, True),
    57: lambda c: column_band(c, False), 58: overlay_object,
}


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
    67: query_table, 68: csv_file, 69: json_file,
    **OBJECT_BANDS,
}
OBJECT_COUNT = 70

# --- preview tool bar (PreviewButtons) ----------------------------------------------------

def printer(c):
    c.box(4, 1, 12, 6, PAPER)
    c.box(1, 5, 15, 12, LIGHT_GREY)
    c.box(4, 10, 12, 15, PAPER)
    c.rect(12, 7, 13.5, 8, GREEN)


def export_glyph(c):
    page(c, 1, 1, 11, 15, 3)
    lines_in_page(c)
    outlined(c, [(6, 6.5), (10.5, 6.5), (10.5, 4), (15.3, 8.5), (10.5, 13), (10.5, 10.5),
                 (6, 10.5)], GREEN, 0.8)


def thumbnails(c):
    for x, y in ((1, 1), (9, 1), (1, 9), (9, 9)):
        c.box(x, y, x + 6, y + 6, LIGHT_BLUE if (x, y) == (1, 1) else PAPER, INK)


def design_page(c):
    page(c, 1, 1, 11, 14, 3)
    lines_in_page(c)
    pencil(c, 1.5, 1.5)


def full_screen(c):
    c.box(4, 4, 12, 12, LIGHT_BLUE, INK)
    for x, y, dx, dy in ((1, 1, 1, 1), (15, 1, -1, 1), (1, 15, 1, -1), (15, 15, -1, -1)):
        # an L-shaped corner bracket, 2 px thick, at each corner of the tile
        c.rect(min(x, x + 5 * dx), min(y, y + 2 * dy), max(x, x + 5 * dx), max(y, y + 2 * dy),
               BLUE)
        c.rect(min(x, x + 2 * dx), min(y, y + 5 * dy), max(x, x + 2 * dx), max(y, y + 5 * dy),
               BLUE)


def close_glyph(c):
    c.ellipse(8, 8, 7, 7, RED, INK)
    c.line(5, 5, 11, 11, PAPER, 2)
    c.line(11, 5, 5, 11, PAPER, 2)


def first_page(c):
    c.box(2, 3, 4.5, 13, BLUE, INK)
    nav_triangle(c, True, 5.5, 13.5)


def last_page(c):
    c.box(11.5, 3, 14, 13, BLUE, INK)
    nav_triangle(c, False, 2.5, 10.5)


PREVIEW_BUTTONS = {
    0: open_file, 1: save_file, 2: printer, 3: export_glyph,
    4: lambda c: magnifier(c, 6.5, 6.5, 5), 5: lambda c: magnifier(c, 6.5, 6.5, 5, "+"),
    6: lambda c: magnifier(c, 6.5, 6.5, 5, "-"), 7: page_settings,
    8: lambda c: tree(c, YELLOW, PAPER, INK), 9: thumbnails,
    10: first_page, 11: lambda c: nav_triangle(c, True, 3.5, 12),
    12: lambda c: nav_triangle(c, False, 4, 12.5), 13: last_page,
    14: design_page, 15: new_page, 16: delete_page, 17: full_screen, 18: close_glyph,
}
PREVIEW_COUNT = 19

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


def wizard_table(c):
    c.ellipse(16, 25, 11, 4, fill=LIGHT_BLUE)
    c.rect(5, 8, 27, 25, LIGHT_BLUE)
    c.line(5, 8, 5, 25, INK, 1.2)
    c.line(27, 8, 27, 25, INK, 1.2)
    for y in (14, 20):
        c.line(5, y, 27, y, INK, 0.8)
    c.ellipse(16, 8, 11, 4, fill=PAPER)


WIZARD_BUTTONS = {0: wizard_empty, 1: wizard_report, 2: wizard_table}

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
    make_strip(os.path.join(args.out, "DesgnButtons.png"), DESIGN_BUTTONS, 16, DESIGN_COUNT)
    make_strip(os.path.join(args.out, "ObjectButtons.png"), OBJECT_BUTTONS, 16, OBJECT_COUNT)
    make_strip(os.path.join(args.out, "PreviewButtons.png"), PREVIEW_BUTTONS, 16, PREVIEW_COUNT)
    make_strip(os.path.join(args.out, "WizardButtons.png"), WIZARD_BUTTONS, 32, 3)


if __name__ == "__main__":
    main()
