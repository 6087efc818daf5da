#!/usr/bin/env python3
"""Draws the launcher's artwork: the application icon, the splash background
and the elevation shield.

All pictures are generated here from simple shapes and a small stroke font,
so the repository holds no image made elsewhere. Usage: make_art.py OUTPUT_DIR
"""

import math
import os
import struct
import sys

NAVY = (22, 58, 104)
TEAL = (64, 190, 190)
AMBER = (240, 168, 48)


class Canvas:
    """An RGBA picture with anti-aliased shape filling by supersampling."""

    SAMPLES = 4

    def __init__(self, width, height, background=(0, 0, 0, 0)):
        self.width = width
        self.height = height
        self.pixels = [list(background) for _ in range(width * height)]

    def fill(self, inside, colour, alpha=255, box=None):
        """Blends colour over every pixel in proportion to the share of its
        sub-samples for which inside(x, y) holds (x, y in pixel units). A box
        (left, top, right, bottom) limits the work to the pixels it covers."""
        n = self.SAMPLES
        left, top, right, bottom = self._clip(box)
        for py in range(top, bottom):
            for px in range(left, right):
                hits = 0
                for sy in range(n):
                    for sx in range(n):
                        if inside(px + (sx + 0.5) / n, py + (sy + 0.5) / n):
                            hits += 1
                if hits:
                    self._blend(px, py, colour, alpha * hits / (n * n))

    def cover(self, coverage, colour, box=None):
        """Blends colour over every pixel by coverage(px, py), a share from 0
        to 1 that the caller computes analytically (cheaper than sampling for
        large shapes and text)."""
        left, top, right, bottom = self._clip(box)
        for py in range(top, bottom):
            for px in range(left, right):
                share = coverage(px, py)
                if share > 0:
                    self._blend(px, py, colour, 255 * min(share, 1.0))

    def paste(self, other, left, top):
        """Draws another canvas over this one with its alpha."""
        for y in range(other.height):
            for x in range(other.width):
                r, g, b, a = other.pixels[y * other.width + x]
                if a and 0 <= left + x < self.width and 0 <= top + y < self.height:
                    self._blend(left + x, top + y, (r, g, b), a)

    def _clip(self, box):
        if box is None:
            return 0, 0, self.width, self.height
        left, top, right, bottom = (int(math.floor(v)) for v in box)
        return max(0, left), max(0, top), min(self.width, right + 1), min(self.height, bottom + 1)

    def _blend(self, x, y, colour, alpha):
        """Paints colour with the given coverage over the pixel (the "over"
        operator on straight, not premultiplied, alpha)."""
        pixel = self.pixels[y * self.width + x]
        top = alpha / 255.0
        below = pixel[3] / 255.0
        result = top + below * (1 - top)
        if result > 0:
            for i in range(3):
                pixel[i] = round((colour[i] * top + pixel[i] * below * (1 - top)) / result)
        pixel[3] = round(result * 255)


def rounded_rect(x0, y0, x1, y1, radius):
    def inside(x, y):
        if not (x0 <= x <= x1 and y0 <= y <= y1):
            return False
        cx = min(max(x, x0 + radius), x1 - radius)
        cy = min(max(y, y0 + radius), y1 - radius)
        return (x - cx) ** 2 + (y - cy) ** 2 <= radius ** 2

    return inside


def polygon(points):
    def inside(x, y):
        crossings = False
        j = len(points) - 1
        for i, (xi, yi) in enumerate(points):
            xj, yj = points[j]
            if (yi > y) != (yj > y) and x < (xj - xi) * (y - yi) / (yj - yi) + xi:
                crossings = not crossings
            j = i
        return crossings

    return inside


def circle(cx, cy, r):
    return lambda x, y: (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def draw_icon(size):
    """The Altavy mark: a teal peak with an amber sun on a navy tile."""
    s = size / 32.0
    canvas = Canvas(size, size)
    canvas.fill(rounded_rect(1 * s, 1 * s, 31 * s, 31 * s, 6 * s), NAVY)
    canvas.fill(polygon([(5 * s, 26 * s), (16 * s, 6 * s), (27 * s, 26 * s), (21.5 * s, 26 * s),
                         (16 * s, 16 * s), (10.5 * s, 26 * s)]), TEAL)
    canvas.fill(circle(23 * s, 9 * s, 3 * s), AMBER)
    return canvas


def icon_image_entry(canvas):
    """One icon image in the classic form: a BITMAPINFOHEADER, bottom-up
    32-bit BGRA rows, then the 1-bit AND mask (all transparent bits clear,
    since the alpha channel carries transparency)."""
    w, h = canvas.width, canvas.height
    header = struct.pack("<IiiHHIIiiII", 40, w, h * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    rows = []
    for y in reversed(range(h)):
        row = bytearray()
        for x in range(w):
            r, g, b, a = canvas.pixels[y * w + x]
            row += bytes((b, g, r, a))
        rows.append(bytes(row))
    mask_stride = ((w + 31) // 32) * 4
    mask = bytes(mask_stride * h)
    return header + b"".join(rows) + mask


def write_ico(path, canvases):
    images = [icon_image_entry(c) for c in canvases]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for canvas, data in zip(canvases, images):
        out += struct.pack("<BBBBHHII", canvas.width % 256, canvas.height % 256, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    with open(path, "wb") as f:
        f.write(out + b"".join(images))


# -- a stroke font for the word mark ------------------------------------------
#
# Each glyph is a width and a list of polylines in a box one unit high (y grows
# downwards), stroked with round ends by distance from the pen's path.


def _arc(cx, cy, rx, ry, start, end, steps=16):
    """Points of an elliptical arc from angle start to end, in degrees."""
    return [(cx + rx * math.cos(math.radians(start + (end - start) * i / steps)),
             cy + ry * math.sin(math.radians(start + (end - start) * i / steps))) for i in range(steps + 1)]


GLYPHS = {
    "A": (0.72, [[(0, 1), (0.36, 0), (0.72, 1)], [(0.15, 0.64), (0.57, 0.64)]]),
    "B": (0.6, [[(0, 0), (0, 1)],
                [(0, 0)] + _arc(0.3, 0.25, 0.25, 0.25, -90, 90) + [(0, 0.5)],
                [(0, 0.5)] + _arc(0.33, 0.75, 0.27, 0.25, -90, 90) + [(0, 1)]]),
    "E": (0.52, [[(0.52, 0), (0, 0), (0, 1), (0.52, 1)], [(0, 0.5), (0.44, 0.5)]]),
    "I": (0.0, [[(0, 0), (0, 1)]]),
    "L": (0.5, [[(0, 0), (0, 1), (0.5, 1)]]),
    "N": (0.64, [[(0, 1), (0, 0), (0.64, 1), (0.64, 0)]]),
    "O": (0.84, [_arc(0.42, 0.5, 0.42, 0.5, 0, 360, 48)]),
    "R": (0.6, [[(0, 1), (0, 0)] + _arc(0.3, 0.26, 0.26, 0.26, -90, 90) + [(0, 0.52)],
                [(0.28, 0.52), (0.6, 1)]]),
    "S": (0.56, [_arc(0.28, 0.25, 0.27, 0.25, -25, -270, 20) + _arc(0.28, 0.75, 0.28, 0.25, -90, 155, 20)]),
    "T": (0.64, [[(0, 0), (0.64, 0)], [(0.32, 0), (0.32, 1)]]),
    "V": (0.68, [[(0, 0), (0.34, 1), (0.68, 0)]]),
}


def _segment_distance(px, py, ax, ay, bx, by):
    dx, dy = bx - ax, by - ay
    length = dx * dx + dy * dy
    t = 0.0 if length == 0 else max(0.0, min(1.0, ((px - ax) * dx + (py - ay) * dy) / length))
    ex, ey = ax + t * dx - px, ay + t * dy - py
    return math.sqrt(ex * ex + ey * ey)


def draw_word(canvas, text, left, top, height, colour, stroke, spacing):
    """Strokes text in capitals with its top left corner at (left, top) and a
    cap height of height pixels; returns the x after the last letter."""
    x = left
    for letter in text:
        if letter == " ":
            x += height * 0.45
            continue
        width, lines = GLYPHS[letter]
        # The pen's centre runs inside the box, so the strokes stay within it.
        inset = stroke / 2
        segments = []
        for line in lines:
            points = [(x + inset + u * (height - stroke), top + inset + v * (height - stroke)) for u, v in line]
            segments += list(zip(points, points[1:]))

        def coverage(px, py, segments=segments):
            cx, cy = px + 0.5, py + 0.5
            nearest = min(_segment_distance(cx, cy, ax, ay, bx, by) for (ax, ay), (bx, by) in segments)
            return stroke / 2 - nearest + 0.5

        right = x + width * (height - stroke) + stroke
        canvas.cover(coverage, colour, (x - 1, top - 1, right + 1, top + height + 1))
        x = right + spacing
    return x


# -- splash background -------------------------------------------------------

SPLASH_WIDTH, SPLASH_HEIGHT = 550, 280
HEADER_HEIGHT = 150  # the launcher's black status texts start at y 160
SKY_TOP = (12, 34, 66)
SKY_BOTTOM = (40, 98, 146)
FAR_RIDGE = (30, 76, 120)
NEAR_RIDGE = (17, 47, 86)
PAPER_TOP = (248, 249, 251)
PAPER_BOTTOM = (229, 234, 241)
RULE = (198, 205, 214)
WHITE = (255, 255, 255)


def _mix(a, b, t):
    return tuple(round(a[i] + (b[i] - a[i]) * t) for i in range(3))


def _ridge(points):
    """A mountain ridge as a function of x: linear between the (x, y) points."""
    def height(x):
        for (x0, y0), (x1, y1) in zip(points, points[1:]):
            if x0 <= x <= x1:
                return y0 + (y1 - y0) * (x - x0) / (x1 - x0)
        return points[-1][1]

    return height


def _below_ridge(ridge, bottom):
    """Vertical coverage of the pixels between a ridge and the bottom line."""
    def coverage(px, py):
        if py >= bottom:
            return 0
        return (py + 1) - ridge(px + 0.5)

    return coverage


def draw_splash():
    """The splash background: a night-blue header with mountains, the Altavy
    mark and the word mark above an amber rule, and a light lower part where
    the launcher writes its status lines in black and places its progress bar
    (x 18, y 235, 516 x 16)."""
    canvas = Canvas(SPLASH_WIDTH, SPLASH_HEIGHT, (0, 0, 0, 255))
    for y in range(SPLASH_HEIGHT):
        if y < HEADER_HEIGHT:
            row = _mix(SKY_TOP, SKY_BOTTOM, y / (HEADER_HEIGHT - 1))
        else:
            row = _mix(PAPER_TOP, PAPER_BOTTOM, (y - HEADER_HEIGHT) / (SPLASH_HEIGHT - HEADER_HEIGHT - 1))
        for x in range(SPLASH_WIDTH):
            canvas.pixels[y * SPLASH_WIDTH + x] = [*row, 255]

    canvas.fill(circle(468, 84, 22), AMBER, 235, (444, 60, 492, 108))
    far = _ridge([(0, 118), (70, 96), (150, 120), (250, 84), (330, 112), (420, 74), (480, 100), (550, 86)])
    near = _ridge([(0, 136), (90, 116), (190, 138), (300, 110), (380, 132), (470, 112), (550, 128)])
    canvas.cover(_below_ridge(far, HEADER_HEIGHT), FAR_RIDGE, (0, 70, SPLASH_WIDTH, HEADER_HEIGHT - 1))
    canvas.cover(_below_ridge(near, HEADER_HEIGHT), NEAR_RIDGE, (0, 105, SPLASH_WIDTH, HEADER_HEIGHT - 1))

    canvas.paste(draw_icon(64), 28, 24)
    end = draw_word(canvas, "ORVANTA", 110, 28, 32, WHITE, 4.2, 7)
    draw_word(canvas, "BRISEL", 111, 72, 16, TEAL, 2.6, 9)
    canvas.fill(lambda x, y: True, TEAL, 255, (110, 96, end - 8, 97))

    canvas.fill(lambda x, y: True, AMBER, 255, (0, HEADER_HEIGHT, SPLASH_WIDTH - 1, HEADER_HEIGHT + 2))
    # A well for the progress bar and a hairline above the copyright line.
    canvas.fill(lambda x, y: True, RULE, 255, (17, 234, 534, 234))
    canvas.fill(lambda x, y: True, RULE, 255, (17, 251, 534, 251))
    canvas.fill(lambda x, y: True, RULE, 255, (17, 234, 17, 251))
    canvas.fill(lambda x, y: True, RULE, 255, (534, 234, 534, 251))
    canvas.fill(lambda x, y: True, RULE, 255, (120, 256, 429, 256))
    return canvas


# -- elevation shield --------------------------------------------------------

SHIELD_RIM = (206, 212, 222)
SHIELD_BLUE = (38, 98, 196)


def shield_outline(inset):
    """A heater shield in the 64 x 64 box, shrunk by inset pixels."""
    top, bottom, left, right = 5 + inset, 60 - inset * 1.4, 9 + inset, 55 - inset
    side = 30
    points = [(left, top + 5), (32, top), (right, top + 5), (right, side)]
    points += _arc(32, side, right - 32, bottom - side, 0, 90, 12)[1:]
    points += _arc(32, side, 32 - left, bottom - side, 90, 180, 12)[1:]
    return points


def draw_shield():
    """The shield shown beside the elevation prompt, on black: the launcher
    draws it with black as the transparent colour, so no pixel of the shield
    itself is pure black."""
    canvas = Canvas(64, 64, (0, 0, 0, 255))
    canvas.fill(polygon(shield_outline(0)), SHIELD_RIM)
    inner = polygon(shield_outline(4))
    canvas.fill(lambda x, y: inner(x, y) and (x < 32) == (y < 31), SHIELD_BLUE)
    canvas.fill(lambda x, y: inner(x, y) and (x < 32) != (y < 31), AMBER)
    return canvas


def write_bmp(path, canvas):
    """A 24-bit bottom-up Windows bitmap file, the form the resource compiler
    takes for BITMAP resources."""
    w, h = canvas.width, canvas.height
    stride = (w * 3 + 3) & ~3
    rows = []
    for y in reversed(range(h)):
        row = bytearray()
        for x in range(w):
            r, g, b, _ = canvas.pixels[y * w + x]
            row += bytes((b, g, r))
        rows.append(bytes(row) + bytes(stride - 3 * w))
    image = b"".join(rows)
    info = struct.pack("<IiiHHIIiiII", 40, w, h, 1, 24, 0, len(image), 2835, 2835, 0, 0)
    header = struct.pack("<2sIHHI", b"BM", 14 + len(info) + len(image), 0, 0, 14 + len(info))
    with open(path, "wb") as f:
        f.write(header + info + image)


def main():
    if len(sys.argv) != 2:
        sys.exit("usage: make_art.py OUTPUT_DIR")
    out_dir = sys.argv[1]
    os.makedirs(out_dir, exist_ok=True)
    write_ico(os.path.join(out_dir, "altavy.ico"), [draw_icon(16), draw_icon(32), draw_icon(48)])
    write_bmp(os.path.join(out_dir, "splash.bmp"), draw_splash())
    write_bmp(os.path.join(out_dir, "shield.bmp"), draw_shield())


if __name__ == "__main__":
    main()
