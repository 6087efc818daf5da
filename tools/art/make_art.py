#!/usr/bin/env python3
"""Draws the launcher's artwork: the application icon.

All pictures are generated here from simple shapes, so the repository holds
no image made elsewhere. Usage: make_art.py OUTPUT_DIR
"""

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

    def fill(self, inside, colour, alpha=255):
        """Blends colour over every pixel in proportion to the share of its
        sub-samples for which inside(x, y) holds (x, y in pixel units)."""
        n = self.SAMPLES
        for py in range(self.height):
            for px in range(self.width):
                hits = 0
                for sy in range(n):
                    for sx in range(n):
                        if inside(px + (sx + 0.5) / n, py + (sy + 0.5) / n):
                            hits += 1
                if hits:
                    self._blend(px, py, colour, alpha * hits / (n * n))

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


def main():
    if len(sys.argv) != 2:
        sys.exit("usage: make_art.py OUTPUT_DIR")
    out_dir = sys.argv[1]
    os.makedirs(out_dir, exist_ok=True)
    write_ico(os.path.join(out_dir, "altavy.ico"), [draw_icon(16), draw_icon(32), draw_icon(48)])


if __name__ == "__main__":
    main()
