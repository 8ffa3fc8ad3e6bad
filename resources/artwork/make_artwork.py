#!/usr/bin/env python3
"""Draws the player's artwork and writes it as the files that zav.rc compiles into the program.

Outputs, beside this script:
  body.bmp      258 x 116  the player window in its idle state (only rows 0..114 are ever shown)
  font.bmp      393 x 7    6 x 6 glyphs for characters 32..96, glyph k at x = 6k, black ground:
                           the program ORs them onto RGB(33, 32, 33)
  digits.bmp    222 x 27   time digits 0..9 and a colon, glyph k at x = 20k, copied as they are
                           onto RGB(33, 32, 33), so that is their ground
  buttons.bmp   200 x 71   10 columns x 4 rows of 19 x 17 button faces at (20 col, 18 row):
                           rows normal, pressed, lit, lit and pressed
  pin_lit.bmp   16 x 15    the always-on-top pin, lit; drawn at (3, 50) over the body
  ring_lit.bmp  55 x 55    the seek ring, lit; drawn at (178, 38) so the ring's centre (207, 64) is
                           at (29, 26) in it. The program shows it clipped to the lit seek sectors,
                           so outside the ring it is the body's own picture
  splash.bmp    160 x 280  the splash picture
  zav.ico       16 x 16 and 32 x 32 icon images

Glyphs and symbols are pixel art in this file ('#' ink, '.' ground); shapes that want smooth edges
(circles, the ring, seven-segment digits) are drawn with 4 x 4 supersampling.

Usage: make_artwork.py [--check] [--preview FILE.png]
  (no option)  writes the outputs
  --check      draws everything in memory and fails (exit 1) if a committed output differs from it,
               has the wrong size, or breaks what the program relies on (black font ground, digit
               ground, lit bitmaps that match the body around what they light)
  --preview    writes a magnified PNG of the window as the program would show it while playing,
               with the bitmaps below it, for looking at the artwork
Only the Python standard library is used.
"""

import math
import os
import struct
import sys
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))

# ---------------------------------------------------------------------------------------------
# Palette. BACKGROUND is the colour every canvas of the window is drawn on; screens in the body
# use it exactly so that the drawn canvases blend in.

BACKGROUND = (33, 32, 33)
BLACK = (0, 0, 0)
CHASSIS_TOP = (76, 80, 91)
CHASSIS_BOTTOM = (47, 49, 57)
EDGE_LIGHT = (140, 146, 161)
EDGE_LIGHT_SOFT = (100, 105, 119)
EDGE_DARK = (14, 14, 17)
EDGE_DARK_SOFT = (34, 35, 41)
WELL_SHADOW = (16, 16, 18)
WELL_SHADOW_SOFT = (38, 39, 45)
WELL_LIGHT = (112, 117, 132)
WELL_LIGHT_SOFT = (84, 88, 101)
SYMBOL = (206, 210, 220)
SYMBOL_SHADOW = (22, 22, 26)
LABEL = (150, 156, 172)
LIT = (97, 224, 113)          # contains every bit of BACKGROUND, so ORing it onto the ground gives LIT
LIT_BRIGHT = (196, 255, 204)
LIT_GLOW = (44, 128, 62)
RING_DIM = (56, 62, 62)
RING_DIM_EDGE = (44, 48, 49)
DIGIT_GHOST = (41, 44, 42)

# ---------------------------------------------------------------------------------------------
# Pixel art. Each block: a line of the characters it defines, each above its 5-column glyph, glyphs
# one column apart; then six rows. The font's glyphs are 5 x 6 in 6 x 6 cells.

FONT_BLOCKS = [
    """
      !     "     #     $     %     &     '     (     )     *     +
..... ..#.. .#.#. .#.#. ..#.. ##..# .##.. ..#.. ...#. .#... ..... .....
..... ..#.. .#.#. ##### .#### ##.#. #..#. ..#.. ..#.. ..#.. .#.#. ..#..
..... ..#.. ..... .#.#. #.#.. ..#.. .##.. .#... ..#.. ..#.. ..#.. ..#..
..... ..#.. ..... .#.#. .###. .#... #.#.# ..... ..#.. ..#.. .#.#. #####
..... ..... ..... ##### ..#.# #..## #..#. ..... ..#.. ..#.. ..... ..#..
..... ..#.. ..... .#.#. ####. ...## .##.# ..... ...#. .#... ..... ..#..
""",
    """
,     -     .     /     0     1     2     3     4     5     6     7
..... ..... ..... ....# .###. ..#.. .###. ####. ...#. ##### .###. #####
..... ..... ..... ...#. #..## .##.. #...# ....# ..##. #.... #.... ....#
..... ..... ..... ..#.. #.#.# ..#.. ...#. .###. .#.#. ####. ####. ...#.
..... .###. ..... .#... ##..# ..#.. ..#.. ....# #..#. ....# #...# ..#..
..#.. ..... ..... #.... #...# ..#.. .#... ....# ##### ....# #...# ..#..
.#... ..... ..#.. ..... .###. .###. ##### ####. ...#. ####. .###. ..#..
""",
    """
8     9     :     ;     <     =     >     ?     @     A     B     C
.###. .###. ..... ..... ...#. ..... .#... .###. .###. .###. ####. .###.
#...# #...# ..#.. ..#.. ..#.. ##### ..#.. #...# #...# #...# #...# #...#
.###. #...# ..... ..... .#... ..... ...#. ...#. #.### #...# ####. #....
#...# .#### ..... ..... ..#.. ##### ..#.. ..#.. #.#.# ##### #...# #....
#...# ....# ..#.. ..#.. ...#. ..... .#... ..... #.##. #...# #...# #...#
.###. .###. ..... .#... ..... ..... ..... ..#.. .###. #...# ####. .###.
""",
    """
D     E     F     G     H     I     J     K     L     M     N     O
####. ##### ##### .###. #...# .###. ..### #...# #.... #...# #...# .###.
#...# #.... #.... #.... #...# ..#.. ...#. #..#. #.... ##.## ##..# #...#
#...# ####. ####. #.### ##### ..#.. ...#. ###.. #.... #.#.# #.#.# #...#
#...# #.... #.... #...# #...# ..#.. ...#. #..#. #.... #...# #..## #...#
#...# #.... #.... #...# #...# ..#.. #..#. #...# #.... #...# #...# #...#
####. ##### #.... .###. #...# .###. .##.. #...# ##### #...# #...# .###.
""",
    """
P     Q     R     S     T     U     V     W     X     Y     Z     [
####. .###. ####. .#### ##### #...# #...# #...# #...# #...# ##### .###.
#...# #...# #...# #.... ..#.. #...# #...# #...# .#.#. #...# ....# .#...
#...# #...# #...# .###. ..#.. #...# #...# #...# ..#.. .#.#. ...#. .#...
####. #.#.# ####. ....# ..#.. #...# .#.#. #.#.# ..#.. ..#.. ..#.. .#...
#.... #..#. #..#. ....# ..#.. #...# .#.#. ##.## .#.#. ..#.. .#... .#...
#.... .##.# #...# ####. ..#.. .###. ..#.. #...# #...# ..#.. ##### .###.
""",
    # The backquote is the separator the song-name strip puts between tag fields, so its glyph is a
    # small centred diamond rather than an accent.
    """
\\     ]     ^     _     `
#.... .###. ..#.. ..... .....
.#... ...#. .#.#. ..... ..#..
..#.. ...#. #...# ..... .###.
...#. ...#. ..... ..... ..#..
....# ...#. ..... ..... .....
..... .###. ..... ##### .....
""",
]

# Button symbols, at most 13 x 11, centred on their faces. Column x = 140 of the button bitmap is a
# face no button uses; it carries an eject symbol.
BUTTON_SYMBOLS = {
    "play": """
#.....
###...
#####.
######
#####.
###...
#.....
""",
    "pause": """
###..###
###..###
###..###
###..###
###..###
###..###
###..###
""",
    "stop": """
#######
#######
#######
#######
#######
#######
#######
""",
    "previous": """
##....#...#
##...##..##
##..###.###
##.########
##..###.###
##...##..##
##....#...#
""",
    "next": """
#...#....##
##..##...##
###.###..##
########.##
###.###..##
##..##...##
#...#....##
""",
    "repeat": """
.........#...
..#########..
.##......##..
.#.......#...
.#...........
...........#.
...#.......#.
..##......##.
..#########..
...#.........
""",
    "shuffle": """
...........#.
###......####
..##....##.#.
...##..##....
....####.....
.....##......
....####.....
...##..##....
..##....##.#.
###......####
...........#.
""",
    "eject": """
....#....
...###...
..#####..
.#######.
#########
.........
#########
#########
""",
    "equalizer": """
.#...#...#.
.#..###..#.
###.###..#.
###..#...#.
.#...#..###
.#...#..###
.#...#...#.
.#...#...#.
.#...#...#.
""",
    "playlist": """
##.########
##.########
...........
##.########
##.########
...........
##.########
##.########
""",
}

# Face columns of the button bitmap, left to right (x = 20 column).
BUTTON_COLUMNS = ["play", "pause", "stop", "previous", "next", "repeat", "shuffle", "eject",
                  "equalizer", "playlist"]

# Symbols of the left panel.
CLOSE_SYMBOL = """
##...##
###.###
.#####.
..###..
.#####.
###.###
##...##
"""
MINIMIZE_SYMBOL = """
#######
#######
"""
PIN_SYMBOL = """
..####..
...##...
...##...
..####..
.######.
....#...
....#...
"""

# The title: seven-row capitals for the name on the title strip.
TITLE_LETTERS = {
    "Z": """
#######
#######
....##.
...##..
..##...
.##....
#######
#######
""",
    "A": """
..###..
.##.##.
##...##
##...##
#######
##...##
##...##
##...##
""",
    "V": """
##...##
##...##
##...##
##...##
.##.##.
.##.##.
..###..
...#...
""",
}

# Splash letters: each '#' becomes one round LED of a 5-pixel pitch.
SPLASH_LETTERS = {
    "Z": """
#######
......#
.....#.
....#..
...#...
..#....
.#.....
#......
#######
""",
    "A": """
..###..
.#...#.
#.....#
#.....#
#.....#
#######
#.....#
#.....#
#.....#
""",
    "V": """
#.....#
#.....#
#.....#
#.....#
#.....#
.#...#.
.#...#.
..#.#..
...#...
""",
}


def parse_art(text):
    """Rows of a pixel-art block as lists of booleans."""
    rows = [line for line in text.strip("\n").split("\n")]
    width = max(len(r) for r in rows)
    return [[i < len(r) and r[i] == "#" for i in range(width)] for r in rows]


def parse_font():
    """Character code -> 6 rows of 5 booleans, for codes 32..96."""
    glyphs = {}
    for block in FONT_BLOCKS:
        lines = block.strip("\n").split("\n")
        header, rows = lines[0], lines[1:]
        if len(rows) != 6:
            fail("font block starting %r has %d rows" % (header[:20], len(rows)))
        # The header names the characters in the columns of their glyphs; a space names the space.
        count = (len(rows[0]) + 1) // 6
        for i in range(count):
            ch = header[6 * i] if 6 * i < len(header) else " "
            glyph = []
            for r in rows:
                cell = r[6 * i:6 * i + 5].ljust(5, ".")
                glyph.append([c == "#" for c in cell])
            glyphs[ord(ch)] = glyph
    missing = [c for c in range(32, 97) if c not in glyphs]
    if missing or len(glyphs) != 65:
        fail("font lacks glyphs for %s" % [chr(c) for c in missing])
    return glyphs


def fail(message):
    sys.stderr.write("make_artwork.py: %s\n" % message)
    sys.exit(1)


# ---------------------------------------------------------------------------------------------
# Images: rows of (r, g, b) tuples.

class Image:
    def __init__(self, width, height, colour=BLACK):
        self.width = width
        self.height = height
        self.rows = [[colour] * width for _ in range(height)]

    def get(self, x, y):
        return self.rows[y][x]

    def put(self, x, y, colour):
        if 0 <= x < self.width and 0 <= y < self.height:
            self.rows[y][x] = colour

    def blend(self, x, y, colour, alpha):
        if alpha > 0 and 0 <= x < self.width and 0 <= y < self.height:
            self.rows[y][x] = mix(self.rows[y][x], colour, alpha)

    def fill(self, left, top, right, bottom, colour):
        for y in range(max(top, 0), min(bottom, self.height)):
            for x in range(max(left, 0), min(right, self.width)):
                self.rows[y][x] = colour

    def copy_from(self, source, sx, sy, width, height, dx, dy):
        for y in range(height):
            for x in range(width):
                self.put(dx + x, dy + y, source.get(sx + x, sy + y))

    def crop(self, left, top, width, height):
        out = Image(width, height)
        out.copy_from(self, left, top, width, height, 0, 0)
        return out


def mix(a, b, t):
    t = min(max(t, 0.0), 1.0)
    return tuple(int(round(a[i] + (b[i] - a[i]) * t)) for i in range(3))


def shade(colour, factor):
    return tuple(min(255, max(0, int(round(c * factor)))) for c in colour)


def coverage(inside, x, y, n=4):
    """Share of pixel (x, y) that the shape `inside(px, py)` covers, sampled n x n."""
    hits = 0
    for j in range(n):
        for i in range(n):
            if inside(x + (i + 0.5) / n, y + (j + 0.5) / n):
                hits += 1
    return hits / (n * n)


def paint_shape(img, inside, colour_at, box):
    """Blends colour_at(x, y) over every pixel of box (l, t, r, b) by the shape's coverage."""
    left, top, right, bottom = box
    for y in range(top, bottom):
        for x in range(left, right):
            c = coverage(inside, x, y)
            if c > 0:
                img.blend(x, y, colour_at(x, y), c)


def draw_art(img, art, x0, y0, colour):
    for y, row in enumerate(art):
        for x, on in enumerate(row):
            if on:
                img.put(x0 + x, y0 + y, colour)


def art_size(art):
    return len(art[0]), len(art)


def draw_text(img, glyphs, text, x0, y0, colour, shadow=None):
    """Writes text with the 5 x 6 font, six pixels a character; shadow goes one pixel below."""
    for i, ch in enumerate(text):
        glyph = glyphs.get(ord(ch.upper()))
        if glyph is None:
            continue
        if shadow is not None:
            draw_art(img, glyph, x0 + 6 * i, y0 + 1, shadow)
    for i, ch in enumerate(text):
        glyph = glyphs.get(ord(ch.upper()))
        if glyph is not None:
            draw_art(img, glyph, x0 + 6 * i, y0, colour)


def polygon_inside(points):
    """Even-odd point-in-polygon test for a list of (x, y) vertices."""
    def inside(px, py):
        result = False
        n = len(points)
        for i in range(n):
            x1, y1 = points[i]
            x2, y2 = points[(i + 1) % n]
            if (y1 > py) != (y2 > py):
                if px < x1 + (py - y1) * (x2 - x1) / (y2 - y1):
                    result = not result
        return result
    return inside


# ---------------------------------------------------------------------------------------------
# The window outline: the program cuts its window to this region. The artwork follows it with its
# edges. Start rectangle, then rectangles subtracted, then rectangles added back, in this order.

OUTLINE_START = (0, 0, 310, 130)
OUTLINE_CUTS = [
    (0, 76, 20, 162), (0, 70, 17, 75), (37, 14, 95, 18), (36, 15, 38, 18), (36, 18, 95, 19),
    (37, 19, 94, 20), (94, 15, 96, 18), (0, 0, 3, 3), (0, 0, 2, 5), (0, 0, 5, 2), (0, 68, 1, 69),
    (0, 69, 2, 70), (0, 71, 18, 74), (0, 74, 19, 76), (32, 0, 103, 1), (33, 1, 101, 2),
    (35, 2, 99, 3), (36, 3, 98, 4), (36, 4, 98, 5), (37, 5, 97, 6), (37, 6, 97, 7), (38, 7, 96, 8),
    (252, 0, 258, 1), (253, 0, 258, 2), (254, 0, 258, 20), (255, 0, 258, 140),
]
OUTLINE_ADDS = [(255, 76, 256, 91), (256, 76, 257, 88), (257, 78, 258, 83)]
WINDOW_WIDTH, WINDOW_HEIGHT = 258, 115


def in_rect(r, x, y):
    return r[0] <= x < r[2] and r[1] <= y < r[3]


def in_outline(x, y):
    if not (0 <= x < WINDOW_WIDTH and 0 <= y < WINDOW_HEIGHT):
        return False
    if any(in_rect(r, x, y) for r in OUTLINE_ADDS):
        return True
    return in_rect(OUTLINE_START, x, y) and not any(in_rect(r, x, y) for r in OUTLINE_CUTS)


# ---------------------------------------------------------------------------------------------
# Where things are on the window.

SONG_NAME = (29, 28, 245, 36)
DISPLAY = (29, 42, 176, 84)
VOLUME = (236, 41, 244, 105)
TITLE = (102, 4, 254, 19)
RING_CENTRE = (207, 64)
RING_INNER, RING_OUTER = 14, 23
RING_ORIGIN = (178, 38)
RING_SIZE = 55
PIN_ORIGIN = (3, 50)
PIN_SIZE = (16, 15)
BUTTON_TOP = 91
BUTTON_LEFTS = [26, 46, 66, 86, 106, 136, 156, 186, 206]
BUTTON_WIDTH, BUTTON_HEIGHT = 19, 17
CLOSE_CENTRE = (13.5, 13.5)
MINIMIZE_CENTRE = (12.0, 41.0)
PIN_CENTRE = (11.0, 57.5)
PANEL_BUTTON_RADIUS = 7.2


def chassis_colour(y):
    return mix(CHASSIS_TOP, CHASSIS_BOTTOM, y / (WINDOW_HEIGHT - 1))


def draw_chassis(img):
    """Fills the outline with the chassis and lights its edges from the top left, two pixels deep."""
    for y in range(img.height):
        for x in range(img.width):
            if in_outline(x, y):
                img.put(x, y, chassis_colour(y))
    for y in range(WINDOW_HEIGHT):
        for x in range(WINDOW_WIDTH):
            if not in_outline(x, y):
                continue
            out = lambda dx, dy: not in_outline(x + dx, y + dy)
            lit_corner = out(-1, -1) and not out(1, 1)
            if out(-1, 0) or out(0, -1) or lit_corner:
                img.put(x, y, EDGE_LIGHT)
            elif out(1, 0) or out(0, 1) or out(1, 1):
                img.put(x, y, EDGE_DARK)
            elif out(-2, 0) or out(0, -2):
                img.put(x, y, EDGE_LIGHT_SOFT)
            elif out(2, 0) or out(0, 2) or out(2, 2):
                img.put(x, y, EDGE_DARK_SOFT)


def draw_well(img, rect, fill=BACKGROUND, depth=2):
    """A screen sunk into the chassis: rect filled, its frame shadowed at the top and left."""
    left, top, right, bottom = rect
    img.fill(left, top, right, bottom, fill)
    for d in range(1, depth + 1):
        dark = WELL_SHADOW if d == 1 else WELL_SHADOW_SOFT
        light = WELL_LIGHT if d == 1 else WELL_LIGHT_SOFT
        for x in range(left - d, right + d):
            img.put(x, top - d, dark)
            img.put(x, bottom - 1 + d, light)
        for y in range(top - d, bottom + d):
            img.put(left - d, y, dark)
            img.put(right - 1 + d, y, light)
        img.put(right - 1 + d, top - d, mix(dark, light, 0.5))
        img.put(left - d, bottom - 1 + d, mix(dark, light, 0.5))


def draw_raised_disc(img, centre, radius, face_top, face_bottom):
    """A round cap standing out of the chassis, lit from the top left."""
    cx, cy = centre
    box = (int(cx - radius - 2), int(cy - radius - 2), int(cx + radius + 3), int(cy + radius + 3))
    # Drop shadow, then the rim (light at the top left, dark at the bottom right), then the face.
    paint_shape(img, lambda x, y: (x - cx - 0.7) ** 2 + (y - cy - 0.9) ** 2 <= (radius + 0.6) ** 2,
                lambda x, y: EDGE_DARK, box)
    def rim(x, y):
        t = ((x - cx) + (y - cy)) / (2 * radius) * 0.5 + 0.5
        return mix(EDGE_LIGHT, EDGE_DARK_SOFT, t)
    paint_shape(img, lambda x, y: (x - cx) ** 2 + (y - cy) ** 2 <= radius ** 2, rim, box)
    paint_shape(img, lambda x, y: (x - cx) ** 2 + (y - cy) ** 2 <= (radius - 1.1) ** 2,
                lambda x, y: mix(face_top, face_bottom, (y - cy + radius) / (2 * radius)), box)


def centred_origin(art, cx, cy):
    w, h = art_size(art)
    return int(round(cx - w / 2)), int(round(cy - h / 2))


def draw_symbol(img, art, cx, cy, colour):
    """Draws pixel art centred on (cx, cy), with a one-pixel shadow to the bottom right."""
    x0, y0 = centred_origin(art, cx, cy)
    draw_art(img, art, x0 + 1, y0 + 1, SYMBOL_SHADOW)
    draw_art(img, art, x0, y0, colour)


def draw_lit_symbol(img, art, cx, cy, colour, box=None):
    """Draws pixel art centred on (cx, cy) in a lit colour with a green halo around it."""
    x0, y0 = centred_origin(art, cx, cy)
    glow_around(img, art, x0, y0, LIT, 0.55, box)
    draw_art(img, art, x0, y0, colour)


def glow_around(img, art, x0, y0, colour, strength, box):
    """Blends colour into the pixels next to the art's ink (not onto the ink itself)."""
    w, h = art_size(art)
    ink = {(x0 + x, y0 + y) for y in range(h) for x in range(w) if art[y][x]}
    halo = {}
    for (x, y) in ink:
        for dy in (-2, -1, 0, 1, 2):
            for dx in (-2, -1, 0, 1, 2):
                p = (x + dx, y + dy)
                if p in ink:
                    continue
                d = math.hypot(dx, dy)
                if d > 2.3:
                    continue
                halo[p] = max(halo.get(p, 0.0), strength * (1.0 if d < 1.5 else 0.45))
    for (x, y), a in halo.items():
        if box is None or (box[0] <= x < box[2] and box[1] <= y < box[3]):
            img.blend(x, y, colour, a)


def ring_angle(x, y):
    """Clockwise angle in degrees from 12 o'clock of point (x, y) around the ring's centre."""
    cx, cy = RING_CENTRE
    return math.degrees(math.atan2(x - cx, cy - y)) % 360.0


def seek_sector_pixels():
    """Pixel -> lowest seek sector holding it, for the 360 sectors the program lights the ring with:
    quadrilaterals between angles a and a + 1 degree (a summed up from -pi in steps of pi / 180),
    radii 14 and 23, vertices truncated toward zero; the step from -pi is sector 360 - k and only
    sectors 0..359 are kept. A pixel belongs to a polygon when its top-left corner point does,
    as a GDI region takes it."""
    cx, cy = RING_CENTRE
    step = math.pi / 180
    a = -math.pi
    k = 0
    owner = {}
    while True:
        b = a + step
        sector = 360 - k
        if sector < 360:
            points = [(int(cx + r * math.sin(t)), int(cy + r * math.cos(t)))
                      for r, t in ((RING_INNER, a), (RING_OUTER, a), (RING_OUTER, b), (RING_INNER, b))]
            inside = polygon_inside(points)
            xs, ys = [p[0] for p in points], [p[1] for p in points]
            for y in range(min(ys), max(ys) + 1):
                for x in range(min(xs), max(xs) + 1):
                    if inside(x, y) and owner.get((x, y), 360) > sector:
                        owner[(x, y)] = sector
        a = b
        k += 1
        if not a < math.pi:
            return owner


def is_ring_separator(x, y):
    """Whether pixel (x, y) lies in the gap between two of the 24 segments. Segment k is lit with
    sectors 15k .. 15k + 14, which span the clockwise angles 15k - 1 .. 15k + 14 degrees; the gaps
    are about a pixel wide along those boundaries."""
    cx, cy = RING_CENTRE
    px, py = x + 0.5, y + 0.5
    r = math.hypot(px - cx, py - cy)
    a = ring_angle(px, py)
    boundary = round((a + 1.0) / 15.0) * 15.0 - 1.0
    return r * abs(math.sin(math.radians(a - boundary))) < 0.6


def draw_ring(img, lit, sector_pixels):
    """The seek ring with its well and hub. Its segments are exactly the pixels the seek sectors
    cover, so the lit bitmap lights every one of them and nothing else."""
    cx, cy = RING_CENTRE
    box = (cx - 27, cy - 27, cx + 28, cy + 28)
    # The well the ring sits in, sunk into the chassis, with its rim lit from the bottom right.
    def well_rim(x, y):
        t = ((x - cx) + (y - cy)) / 50.0 + 0.5
        return mix(WELL_SHADOW, WELL_LIGHT, t)
    paint_shape(img, lambda x, y: math.hypot(x - cx, y - cy) <= 25.6, well_rim, box)
    paint_shape(img, lambda x, y: math.hypot(x - cx, y - cy) <= 24.6, lambda x, y: BACKGROUND, box)

    def annulus(x, y):
        return RING_INNER <= math.hypot(x - cx, y - cy) <= RING_OUTER
    for (x, y) in sector_pixels:
        if is_ring_separator(x, y):
            continue
        r = math.hypot(x + 0.5 - cx, y + 0.5 - cy)
        if lit:
            # Brightest along the middle of the band, like a lamp behind a diffuser.
            t = 1.0 - abs(r - (RING_INNER + RING_OUTER) / 2) / ((RING_OUTER - RING_INNER) / 2)
            colour = mix(mix(LIT_GLOW, LIT, 0.55), mix(LIT, LIT_BRIGHT, 0.25), t)
        else:
            colour = mix(RING_DIM, RING_DIM_EDGE, ((x - cx) + (y - cy)) / 46.0 + 0.5)
        # Pixels the ideal ring only partly covers are softened toward the well.
        img.put(x, y, mix(BACKGROUND, colour, 0.45 + 0.55 * coverage(annulus, x, y)))

    # The hub: a raised knob inside the ring, with a dot like the index of a dial.
    draw_raised_disc(img, (cx + 0.5, cy + 0.5), 10.6, (92, 97, 110), (50, 52, 60))
    paint_shape(img, lambda x, y: math.hypot(x - cx - 0.5, y - cy - 0.5) <= 2.2,
                lambda x, y: (36, 38, 44), box)


def draw_left_panel(img, pin_lit):
    """Close, minimize and pin caps on the left panel."""
    cap_top, cap_bottom = (96, 101, 115), (54, 57, 66)
    draw_raised_disc(img, CLOSE_CENTRE, PANEL_BUTTON_RADIUS + 0.8, cap_top, cap_bottom)
    draw_symbol(img, parse_art(CLOSE_SYMBOL), CLOSE_CENTRE[0] + 0.5, CLOSE_CENTRE[1] + 0.5, SYMBOL)
    draw_raised_disc(img, MINIMIZE_CENTRE, PANEL_BUTTON_RADIUS, cap_top, cap_bottom)
    art = parse_art(MINIMIZE_SYMBOL)
    draw_symbol(img, art, MINIMIZE_CENTRE[0] + 0.5, MINIMIZE_CENTRE[1] + 2.5, SYMBOL)
    draw_pin(img, pin_lit)


def draw_pin(img, lit):
    cap_top, cap_bottom = (96, 101, 115), (54, 57, 66)
    if lit:
        cap_top, cap_bottom = (70, 104, 80), (40, 62, 48)
    draw_raised_disc(img, PIN_CENTRE, PANEL_BUTTON_RADIUS, cap_top, cap_bottom)
    art = parse_art(PIN_SYMBOL)
    cx, cy = PIN_CENTRE[0] + 0.5, PIN_CENTRE[1] + 0.5
    if lit:
        draw_lit_symbol(img, art, cx, cy, LIT_BRIGHT)
    else:
        draw_symbol(img, art, cx, cy, SYMBOL)


def draw_title(img, glyphs):
    """The title strip: the name, a line of small type and grip ridges for dragging."""
    left, top, right, bottom = TITLE
    # A raised plate, one shade darker than the chassis around it.
    for y in range(top, bottom):
        for x in range(left, right):
            img.put(x, y, shade(chassis_colour(y), 0.86))
    for x in range(left, right):
        img.put(x, top, EDGE_LIGHT_SOFT)
        img.put(x, bottom - 1, EDGE_DARK_SOFT)
    for y in range(top, bottom):
        img.put(left, y, EDGE_LIGHT_SOFT)
    x = left + 5
    for ch in "ZAV":
        art = parse_art(TITLE_LETTERS[ch])
        w, h = art_size(art)
        draw_art(img, art, x + 1, top + 4, SYMBOL_SHADOW)
        draw_art(img, art, x, top + 3, LIT)
        x += w + 2
    x += 4
    tag = "MPEG AUDIO"
    draw_text(img, glyphs, tag, x, top + 5, LABEL, shadow=SYMBOL_SHADOW)
    x += 6 * len(tag) + 4
    # Grip ridges to the right edge of the window.
    for y in range(top + 3, bottom - 3, 2):
        for gx in range(x, WINDOW_WIDTH - 6):
            img.put(gx, y, EDGE_DARK)
            img.put(gx, y + 1, EDGE_LIGHT_SOFT)


def draw_volume_scale(img):
    """The volume slot, its top row a shadow the program never paints over, and a scale beside it."""
    left, top, right, bottom = VOLUME
    draw_well(img, (left, top, right, bottom), depth=2)
    for x in range(left, right):
        img.put(x, top, WELL_SHADOW)
    for i, y in enumerate(range(bottom - 1, top, -8)):
        length = 4 if i % 4 == 0 else 2
        for x in range(right + 3, right + 3 + length):
            img.put(x, y, EDGE_DARK)
            img.put(x, y + 1, EDGE_LIGHT_SOFT)


def draw_button_sockets(img):
    """Each skin button sits in a socket; the buttons themselves are drawn by the program."""
    for left in BUTTON_LEFTS:
        right, top, bottom = left + BUTTON_WIDTH, BUTTON_TOP, BUTTON_TOP + BUTTON_HEIGHT
        img.fill(left, top, right, bottom, BACKGROUND)
        for x in range(left - 1, right + 1):
            img.put(x, top - 1, WELL_SHADOW)
            img.put(x, bottom, WELL_LIGHT)
        for y in range(top - 1, bottom + 1):
            img.put(left - 1, y, WELL_SHADOW)
            img.put(right, y, WELL_LIGHT)


def draw_body(glyphs, sector_pixels, pin_lit=False, ring_lit=False):
    img = Image(WINDOW_WIDTH, WINDOW_HEIGHT + 1, BLACK)
    draw_chassis(img)
    # A groove that sets the left panel apart from the screens.
    for y in range(26, 69):
        img.put(24, y, EDGE_DARK_SOFT)
        img.put(25, y, EDGE_LIGHT_SOFT)
    draw_title(img, glyphs)
    draw_well(img, SONG_NAME)
    draw_well(img, DISPLAY)
    draw_volume_scale(img)
    draw_ring(img, ring_lit, sector_pixels)
    draw_left_panel(img, pin_lit)
    draw_button_sockets(img)
    # The tab on the right edge: ridges to grip.
    for y in range(79, 88, 2):
        img.put(255, y, EDGE_DARK)
    # Row 115 is never shown; keep it plain.
    img.fill(0, WINDOW_HEIGHT, WINDOW_WIDTH, WINDOW_HEIGHT + 1, BLACK)
    # Outside the outline nothing is ever shown either.
    for y in range(WINDOW_HEIGHT):
        for x in range(WINDOW_WIDTH):
            if not in_outline(x, y):
                img.put(x, y, BLACK)
    return img


# ---------------------------------------------------------------------------------------------
# The other bitmaps.

def draw_font(glyphs):
    img = Image(393, 7, BLACK)
    for code in range(32, 97):
        draw_art(img, glyphs[code], 6 * (code - 32), 0, LIT)
    return img


def seven_segment_polygons(left, top, right, bottom, thickness, gap):
    """The seven segments a..g of a digit filling the box, as hexagons."""
    h = thickness / 2
    xl, xr = left + h, right - h
    yt, ym, yb = top + h, (top + bottom) / 2, bottom - h

    def horizontal(x0, x1, y):
        x0, x1 = x0 + gap, x1 - gap
        return [(x0, y), (x0 + h, y - h), (x1 - h, y - h), (x1, y), (x1 - h, y + h), (x0 + h, y + h)]

    def vertical(x, y0, y1):
        y0, y1 = y0 + gap, y1 - gap
        return [(x, y0), (x + h, y0 + h), (x + h, y1 - h), (x, y1), (x - h, y1 - h), (x - h, y0 + h)]

    return {
        "a": horizontal(xl, xr, yt), "b": vertical(xr, yt, ym), "c": vertical(xr, ym, yb),
        "d": horizontal(xl, xr, yb), "e": vertical(xl, ym, yb), "f": vertical(xl, yt, ym),
        "g": horizontal(xl, xr, ym),
    }


DIGIT_SEGMENTS = ["abcdef", "bc", "abged", "abgcd", "fgbc", "afgcd", "afgedc", "abc", "abcdefg",
                  "abcdfg"]


def draw_digits():
    """Seven-segment digits. Ink stays within columns 2..15 of each 19-pixel glyph: the time display
    overlaps neighbouring glyphs by 3 pixels, the later one on top."""
    img = Image(222, 27, BACKGROUND)
    segments = seven_segment_polygons(2.0, 1.0, 16.0, 26.0, 3.0, 0.45)
    for d in range(10):
        x0 = 20 * d
        for name, points in segments.items():
            pts = [(x0 + x, y) for (x, y) in points]
            colour = LIT if name in DIGIT_SEGMENTS[d] else DIGIT_GHOST
            paint_shape(img, polygon_inside(pts), lambda x, y, c=colour: c, (x0, 0, x0 + 19, 27))
    for y0 in (7, 17):
        img.fill(200 + 8, y0, 200 + 11, y0 + 3, LIT)
    return img


def draw_button_face(symbol, pressed, lit):
    img = Image(BUTTON_WIDTH, BUTTON_HEIGHT)
    w, h = BUTTON_WIDTH, BUTTON_HEIGHT
    top, bottom = ((60, 63, 72), (48, 50, 58)) if pressed else ((86, 90, 103), (56, 59, 68))
    if lit:
        top, bottom = mix(top, LIT_GLOW, 0.22), mix(bottom, LIT_GLOW, 0.22)
    for y in range(h):
        for x in range(w):
            img.put(x, y, mix(top, bottom, y / (h - 1)))
    outer_light, outer_dark = (EDGE_DARK, EDGE_LIGHT_SOFT) if pressed else (EDGE_LIGHT, EDGE_DARK)
    inner_light, inner_dark = ((40, 42, 48), (70, 74, 84)) if pressed else (EDGE_LIGHT_SOFT,
                                                                              EDGE_DARK_SOFT)
    for x in range(w):
        img.put(x, 0, outer_light)
        img.put(x, h - 1, outer_dark)
    for y in range(h):
        img.put(0, y, outer_light)
        img.put(w - 1, y, outer_dark)
    for x in range(1, w - 1):
        img.put(x, 1, inner_light)
        img.put(x, h - 2, inner_dark)
    for y in range(1, h - 1):
        img.put(1, y, inner_light)
        img.put(w - 2, y, inner_dark)
    art = parse_art(BUTTON_SYMBOLS[symbol])
    offset = 1 if pressed else 0
    cx, cy = w / 2 + offset, h / 2 + offset
    if lit:
        draw_lit_symbol(img, art, cx, cy, LIT, box=(2, 2, w - 2, h - 2))
    else:
        draw_symbol(img, art, cx, cy, shade(SYMBOL, 0.9) if pressed else SYMBOL)
    return img


def draw_buttons():
    img = Image(200, 71, BLACK)
    for column, symbol in enumerate(BUTTON_COLUMNS):
        for row, (pressed, lit) in enumerate([(False, False), (True, False), (False, True),
                                              (True, True)]):
            face = draw_button_face(symbol, pressed, lit)
            img.copy_from(face, 0, 0, BUTTON_WIDTH, BUTTON_HEIGHT, 20 * column, 18 * row)
    return img


def draw_splash(glyphs):
    img = Image(160, 280, BLACK)
    # A lit seek ring as the emblem, with a play symbol in it.
    cx, cy = 80.0, 78.0
    r0, r1 = 30.0, 46.0

    def on_segment(x, y):
        r = math.hypot(x - cx, y - cy)
        if not (r0 <= r <= r1):
            return False
        a = math.degrees(math.atan2(x - cx, cy - y)) % 15.0
        gap = math.degrees(1.0 / r)
        return gap <= a <= 15.0 - gap

    def segment_colour(x, y):
        r = math.hypot(x - cx, y - cy)
        a = math.degrees(math.atan2(x - cx, cy - y)) % 360.0
        t = 1.0 - abs(r - (r0 + r1) / 2) / ((r1 - r0) / 2)
        base = mix(mix(LIT_GLOW, LIT, 0.5), mix(LIT, LIT_BRIGHT, 0.3), t)
        # Three quarters lit, the rest dim, as the ring looks while a track plays.
        return base if a < 270.0 else mix(RING_DIM, RING_DIM_EDGE, 0.3)
    box = (int(cx - r1 - 2), int(cy - r1 - 2), int(cx + r1 + 3), int(cy + r1 + 3))
    paint_shape(img, on_segment, segment_colour, box)
    triangle = [(cx - 8, cy - 13), (cx + 14, cy), (cx - 8, cy + 13)]
    paint_shape(img, polygon_inside(triangle), lambda x, y: mix(LIT_BRIGHT, LIT, (y - cy + 13) / 26),
                box)

    # The name in round lamps of a 5-pixel pitch, lit ones with a soft halo.
    pitch = 5
    letters = [parse_art(SPLASH_LETTERS[c]) for c in "ZAV"]
    width = sum(art_size(a)[0] for a in letters) * pitch + (len(letters) - 1) * pitch * 2
    x = (160 - width) // 2
    y0 = 146
    for art in letters:
        w, h = art_size(art)
        for gy in range(h):
            for gx in range(w):
                lx, ly = x + gx * pitch + 2.0, y0 + gy * pitch + 2.0
                lamp_box = (int(lx) - 4, int(ly) - 4, int(lx) + 5, int(ly) + 5)
                if art[gy][gx]:
                    paint_shape(img, lambda px, py, lx=lx, ly=ly: math.hypot(px - lx, py - ly) <= 3.6,
                                lambda px, py: LIT_GLOW, lamp_box)
                    paint_shape(img, lambda px, py, lx=lx, ly=ly: math.hypot(px - lx, py - ly) <= 2.2,
                                lambda px, py, lx=lx, ly=ly:
                                mix(LIT_BRIGHT, LIT, math.hypot(px - lx + 0.8, py - ly + 0.8) / 3.0),
                                lamp_box)
                else:
                    paint_shape(img, lambda px, py, lx=lx, ly=ly: math.hypot(px - lx, py - ly) <= 1.6,
                                lambda px, py: (22, 26, 24), lamp_box)
        x += (w + 2) * pitch

    # The version mark and the tag line in the small font, doubled and as it is.
    version = "V0.77"
    big = Image(6 * len(version), 6, BLACK)
    draw_text(big, glyphs, version, 0, 0, LABEL)
    vx = (160 - 2 * big.width) // 2 + 1
    for y in range(big.height):
        for x in range(big.width):
            if big.get(x, y) != BLACK:
                img.fill(vx + 2 * x, 206 + 2 * y, vx + 2 * x + 2, 206 + 2 * y + 2, LABEL)
    tag = "MPEG AUDIO PLAYER"
    draw_text(img, glyphs, tag, (160 - 6 * len(tag)) // 2 + 1, 240, LIT)
    for x in range(30, 130):
        img.put(x, 232, (40, 44, 42))
        img.put(x, 252, (40, 44, 42))
    return img


def draw_icon(size):
    """RGBA rows: a dark disc, a green segmented ring and a play symbol."""
    s = size / 32.0
    cx = cy = size / 2.0
    img = Image(size, size, BLACK)
    alpha = [[0.0] * size for _ in range(size)]
    disc = lambda x, y: math.hypot(x - cx, y - cy) <= 15.6 * s
    for y in range(size):
        for x in range(size):
            a = coverage(disc, x, y)
            alpha[y][x] = a
            t = ((x - cx) + (y - cy)) / (32 * s) + 0.5
            img.put(x, y, mix((72, 76, 88), (28, 29, 34), t))
    r0, r1 = 9.5 * s, 14.0 * s

    def on_segment(x, y):
        r = math.hypot(x - cx, y - cy)
        if not (r0 <= r <= r1):
            return False
        if size < 32:
            return True  # too small for gaps between segments to read
        a = math.degrees(math.atan2(x - cx, cy - y)) % 45.0
        gap = math.degrees(0.6 / r)
        return gap <= a <= 45.0 - gap
    paint_shape(img, on_segment, lambda x, y: LIT, (0, 0, size, size))
    triangle = [(cx - 3.5 * s, cy - 6 * s), (cx + 6.5 * s, cy), (cx - 3.5 * s, cy + 6 * s)]
    paint_shape(img, polygon_inside(triangle), lambda x, y: (236, 240, 244), (0, 0, size, size))
    return img, alpha


# ---------------------------------------------------------------------------------------------
# File formats.

def bmp_bytes(img):
    """A 24-bit uncompressed BMP, rows bottom up, each padded to four bytes."""
    stride = (img.width * 3 + 3) & ~3
    pixels = bytearray()
    for y in range(img.height - 1, -1, -1):
        row = bytearray()
        for (r, g, b) in img.rows[y]:
            row += bytes((b, g, r))
        row += b"\0" * (stride - len(row))
        pixels += row
    header = struct.pack("<2sIHHI", b"BM", 14 + 40 + len(pixels), 0, 0, 14 + 40)
    info = struct.pack("<IiiHHIIiiII", 40, img.width, img.height, 1, 24, 0, len(pixels), 2835, 2835,
                       0, 0)
    return header + info + bytes(pixels)


def bmp_read(data):
    """(width, height, bits, rows of (r, g, b)) of a BMP written by bmp_bytes."""
    if len(data) < 54 or data[:2] != b"BM":
        raise ValueError("not a BMP file")
    offset = struct.unpack_from("<I", data, 10)[0]
    width, height, _, bits = struct.unpack_from("<iiHH", data, 18)
    if bits != 24:
        return width, height, bits, None
    stride = (width * 3 + 3) & ~3
    rows = []
    for y in range(height):
        base = offset + (height - 1 - y) * stride
        rows.append([(data[base + 3 * x + 2], data[base + 3 * x + 1], data[base + 3 * x])
                     for x in range(width)])
    return width, height, bits, rows


def ico_bytes(images):
    """An icon file of 32-bit images (colour with alpha, plus the AND mask older systems use)."""
    entries, blobs = [], []
    offset = 6 + 16 * len(images)
    for img, alpha in images:
        n = img.width
        xor = bytearray()
        for y in range(n - 1, -1, -1):
            for x in range(n):
                r, g, b = img.get(x, y)
                xor += bytes((b, g, r, int(round(255 * alpha[y][x]))))
        mask_stride = ((n + 31) // 32) * 4
        mask = bytearray()
        for y in range(n - 1, -1, -1):
            row = bytearray(mask_stride)
            for x in range(n):
                if alpha[y][x] < 0.5:
                    row[x // 8] |= 0x80 >> (x % 8)
            mask += row
        header = struct.pack("<IiiHHIIiiII", 40, n, 2 * n, 1, 32, 0, len(xor) + len(mask), 0, 0, 0, 0)
        blob = header + bytes(xor) + bytes(mask)
        entries.append(struct.pack("<BBBBHHII", n, n, 0, 0, 1, 32, len(blob), offset))
        blobs.append(blob)
        offset += len(blob)
    return struct.pack("<HHH", 0, 1, len(images)) + b"".join(entries) + b"".join(blobs)


def png_bytes(img):
    raw = bytearray()
    for row in img.rows:
        raw.append(0)
        for (r, g, b) in row:
            raw += bytes((r, g, b))

    def chunk(kind, data):
        return (struct.pack(">I", len(data)) + kind + data
                + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF))
    return (b"\x89PNG\r\n\x1a\n"
            + chunk(b"IHDR", struct.pack(">IIBBBBB", img.width, img.height, 8, 2, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(bytes(raw), 9)) + chunk(b"IEND", b""))


# ---------------------------------------------------------------------------------------------

# (file name, width, height) of every bitmap, in the order zav.rc lists them.
BITMAP_FILES = [("body.bmp", 258, 116), ("font.bmp", 393, 7), ("digits.bmp", 222, 27),
                ("buttons.bmp", 200, 71), ("pin_lit.bmp", 16, 15), ("ring_lit.bmp", 55, 55),
                ("splash.bmp", 160, 280)]


def draw_everything():
    glyphs = parse_font()
    sector_pixels = seek_sector_pixels()
    body = draw_body(glyphs, sector_pixels)
    lit_body = draw_body(glyphs, sector_pixels, pin_lit=True, ring_lit=True)
    images = {
        "body.bmp": body,
        "font.bmp": draw_font(glyphs),
        "digits.bmp": draw_digits(),
        "buttons.bmp": draw_buttons(),
        "pin_lit.bmp": lit_body.crop(PIN_ORIGIN[0], PIN_ORIGIN[1], PIN_SIZE[0], PIN_SIZE[1]),
        "ring_lit.bmp": lit_body.crop(RING_ORIGIN[0], RING_ORIGIN[1], RING_SIZE, RING_SIZE),
        "splash.bmp": draw_splash(glyphs),
    }
    files = {name: bmp_bytes(images[name]) for name, _, _ in BITMAP_FILES}
    files["zav.ico"] = ico_bytes([draw_icon(16), draw_icon(32)])
    return glyphs, images, files, sector_pixels


def check_outputs(files, sector_pixels):
    """Compares the committed files with the drawing and checks what the program relies on."""
    problems = []
    read = {}
    for name, width, height in BITMAP_FILES:
        path = os.path.join(HERE, name)
        if not os.path.exists(path):
            problems.append("%s is missing" % name)
            continue
        with open(path, "rb") as f:
            data = f.read()
        try:
            w, h, bits, rows = bmp_read(data)
        except ValueError as e:
            problems.append("%s: %s" % (name, e))
            continue
        if (w, h, bits) != (width, height, 24):
            problems.append("%s is %d x %d at %d bits, not %d x %d at 24" % (name, w, h, bits, width,
                                                                              height))
            continue
        read[name] = rows
        if data != files[name]:
            problems.append("%s differs from what the generator draws (run it again)" % name)
    path = os.path.join(HERE, "zav.ico")
    if not os.path.exists(path):
        problems.append("zav.ico is missing")
    else:
        with open(path, "rb") as f:
            data = f.read()
        count = struct.unpack_from("<H", data, 4)[0] if len(data) >= 6 else 0
        sizes = sorted(data[6 + 16 * i] for i in range(count)) if len(data) >= 6 + 16 * count else []
        if sizes != [16, 32]:
            problems.append("zav.ico holds images of %s, not 16 and 32" % sizes)
        if data != files["zav.ico"]:
            problems.append("zav.ico differs from what the generator draws (run it again)")

    if "font.bmp" in read:
        font = read["font.bmp"]
        # Ground black everywhere but in the 5 x 6 ink area of each glyph, and the space empty.
        for y in range(7):
            for x in range(393):
                ink_area = x < 390 and x % 6 < 5 and y < 6 and x >= 6
                if not ink_area and font[y][x] != BLACK:
                    problems.append("font.bmp: pixel (%d, %d) is not black ground" % (x, y))
                    break
        ored = {tuple(a | b for a, b in zip(p, BACKGROUND)) for row in font for p in row if p != BLACK}
        if ored != {LIT}:
            problems.append("font.bmp: glyphs ORed onto the background give %s" % sorted(ored))
    if "digits.bmp" in read:
        digits = read["digits.bmp"]
        # The columns that a neighbouring glyph overlaps, and those between glyphs, are plain ground.
        for k in range(11):
            for x in (20 * k, 20 * k + 1, 20 * k + 16, 20 * k + 17, 20 * k + 18, 20 * k + 19):
                if x < 222 and any(digits[y][x] != BACKGROUND for y in range(27)):
                    problems.append("digits.bmp: column %d is not background" % x)
    if "body.bmp" in read and "ring_lit.bmp" in read and "pin_lit.bmp" in read:
        body, ring, pin = read["body.bmp"], read["ring_lit.bmp"], read["pin_lit.bmp"]
        # The lit ring differs from the body on every pixel the seek sectors light, bar the gaps
        # between segments, and nowhere else.
        for y in range(RING_SIZE):
            for x in range(RING_SIZE):
                wx, wy = RING_ORIGIN[0] + x, RING_ORIGIN[1] + y
                lights = (wx, wy) in sector_pixels and not is_ring_separator(wx, wy)
                if (ring[y][x] != body[wy][wx]) != lights:
                    problems.append("ring_lit.bmp: pixel (%d, %d) %s" % (
                        x, y, "is not lit on the ring" if lights else "differs from the body off the ring"))
        changed = sum(pin[y][x] != body[PIN_ORIGIN[1] + y][PIN_ORIGIN[0] + x]
                      for y in range(PIN_SIZE[1]) for x in range(PIN_SIZE[0]))
        if changed < 20:
            problems.append("pin_lit.bmp hardly differs from the body's pin (%d pixels)" % changed)
        # The screens of the body are the exact background the canvases are drawn on.
        for (left, top, right, bottom) in (SONG_NAME, DISPLAY):
            if any(body[y][x] != BACKGROUND for y in range(top, bottom) for x in range(left, right)):
                problems.append("body.bmp: screen at (%d, %d) is not the background" % (left, top))
    return problems


def compose_preview(images, sector_pixels):
    """The window as the program shows it while a track plays, magnified, with the bitmaps below."""
    body, font, digits = images["body.bmp"], images["font.bmp"], images["digits.bmp"]
    buttons, pin, ring = images["buttons.bmp"], images["pin_lit.bmp"], images["ring_lit.bmp"]
    win = body.crop(0, 0, WINDOW_WIDTH, WINDOW_HEIGHT)
    win.copy_from(pin, 0, 0, PIN_SIZE[0], PIN_SIZE[1], PIN_ORIGIN[0], PIN_ORIGIN[1])
    lit_sectors = 135
    for (wx, wy), sector in sector_pixels.items():
        if sector < lit_sectors:
            win.put(wx, wy, ring.get(wx - RING_ORIGIN[0], wy - RING_ORIGIN[1]))
    text = "ARTIST ` TITLE OF THE SONG ` ROCK 0.77"
    left, top = SONG_NAME[0], SONG_NAME[1]
    for i, ch in enumerate(text[:36]):
        k = ord(ch) - 32
        for y in range(6):
            for x in range(6):
                p = font.get(6 * k + x, y)
                q = win.get(left + 6 * i + x, top + 1 + y)
                win.put(left + 6 * i + x, top + 1 + y, tuple(a | b for a, b in zip(p, q)))
    for i, (ch, dx) in enumerate(zip("0125", (0, 16, 44, 60))):
        win.copy_from(digits, 20 * int(ch), 0, 19, 27, DISPLAY[0] + dx, DISPLAY[1])
    volume = 44
    for row in range(63):
        c = 8 * volume
        level = (0, c, 0) if c < 256 else (0, 255, 0) if c == 256 else (c - 256, 512 - c, 0)
        win.fill(236, 104 - row, 244, 105 - row, level if row < volume else BACKGROUND)
    states = [(0, 36), (20, 0), (40, 0), (60, 18), (80, 0), (100, 36), (120, 54), (160, 0), (180, 36)]
    for left, (column, row) in zip(BUTTON_LEFTS, states):
        win.copy_from(buttons, column, row, BUTTON_WIDTH, BUTTON_HEIGHT, left, BUTTON_TOP)
    for y in range(WINDOW_HEIGHT):
        for x in range(WINDOW_WIDTH):
            if not in_outline(x, y):
                win.put(x, y, (235, 235, 235) if (x // 4 + y // 4) % 2 else (205, 205, 205))

    scale = 3
    splash = images["splash.bmp"]
    sheet_w = max(WINDOW_WIDTH * scale, 393 * 2) + splash.width * 2 + 30
    sheet_h = max(WINDOW_HEIGHT * scale + 10 + 71 * 3 + 10 + 27 * 3 + 10 + 7 * 3 + 10, 560)
    sheet = Image(sheet_w, sheet_h, (120, 120, 120))

    def paste(src, x0, y0, s):
        for y in range(src.height):
            for x in range(src.width):
                sheet.fill(x0 + s * x, y0 + s * y, x0 + s * x + s, y0 + s * y + s, src.get(x, y))
    paste(win, 0, 0, scale)
    y = WINDOW_HEIGHT * scale + 10
    paste(buttons, 0, y, 3)
    paste(body.crop(PIN_ORIGIN[0], PIN_ORIGIN[1], 16, 15), 620, y, 3)
    paste(pin, 680, y, 3)
    paste(ring, 620, y + 50, 3)
    y += 71 * 3 + 10
    paste(digits, 0, y, 3)
    y += 27 * 3 + 10
    paste(font, 0, y, 2)
    paste(splash, max(WINDOW_WIDTH * scale, 393 * 2) + 20, 0, 2)
    return sheet


def main(argv):
    check = "--check" in argv
    preview = None
    if "--preview" in argv:
        i = argv.index("--preview")
        if i + 1 >= len(argv):
            fail("--preview needs a file name")
        preview = argv[i + 1]
    _, images, files, sector_pixels = draw_everything()
    if check:
        problems = check_outputs(files, sector_pixels)
        for p in problems:
            sys.stderr.write("make_artwork.py: %s\n" % p)
        if problems:
            return 1
        print("artwork: %d files checked" % len(files))
        return 0
    if preview:
        with open(preview, "wb") as f:
            f.write(png_bytes(compose_preview(images, sector_pixels)))
        return 0
    for name, data in files.items():
        with open(os.path.join(HERE, name), "wb") as f:
            f.write(data)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
