"""Pictures for tests: reads the 24-bit BMP files uiprobe saves, writes PNG
(for artefacts people look at) and answers questions about regions."""

import struct
import zlib


class Picture:
    def __init__(self, width, height, rows):
        self.width = width
        self.height = height
        self.rows = rows  # top row first; each row a list of (r, g, b)

    def pixel(self, x, y):
        return self.rows[y][x]

    def region(self, left, top, right, bottom):
        """Pixels of the rectangle [left, right) x [top, bottom), clipped."""
        left, top = max(0, left), max(0, top)
        right, bottom = min(self.width, right), min(self.height, bottom)
        return [self.rows[y][x] for y in range(top, bottom) for x in range(left, right)]

    def dark_pixel_count(self, left, top, right, bottom, threshold=80):
        """How many pixels of the rectangle are dark (text drawn in black)."""
        return sum(1 for r, g, b in self.region(left, top, right, bottom) if r + g + b < threshold * 3)

    def distinct_colours(self, left, top, right, bottom):
        return len(set(self.region(left, top, right, bottom)))


def read_bmp(path):
    with open(path, "rb") as f:
        data = f.read()
    if data[:2] != b"BM":
        raise ValueError("not a BMP file: " + path)
    offset = struct.unpack_from("<I", data, 10)[0]
    width, height, _, bits = struct.unpack_from("<iiHH", data, 18)
    if bits != 24:
        raise ValueError("only 24-bit BMP files are read, not %d-bit" % bits)
    stride = (width * 3 + 3) & ~3
    bottom_up = height > 0
    height = abs(height)
    rows = []
    for y in range(height):
        start = offset + y * stride
        row = [(data[start + 3 * x + 2], data[start + 3 * x + 1], data[start + 3 * x]) for x in range(width)]
        rows.append(row)
    if bottom_up:
        rows.reverse()
    return Picture(width, height, rows)


def write_png(path, picture):
    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body) & 0xFFFFFFFF)

    raw = b"".join(b"\0" + bytes(c for pixel in row for c in pixel) for row in picture.rows)
    header = struct.pack(">IIBBBBB", picture.width, picture.height, 8, 2, 0, 0, 0)
    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(raw, 9)) +
                chunk(b"IEND", b""))
