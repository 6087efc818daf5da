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


def _png_chunk(kind, body):
    return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body) & 0xFFFFFFFF)


def write_png(path, picture):
    """A PNG of the picture: indexed when it has at most 256 colours, as
    dialogs do, which keeps the files small enough to commit."""
    colours = sorted({pixel for row in picture.rows for pixel in row})
    if len(colours) <= 256:
        index = {colour: number for number, colour in enumerate(colours)}
        raw = b"".join(b"\0" + bytes(index[pixel] for pixel in row) for row in picture.rows)
        header = struct.pack(">IIBBBBB", picture.width, picture.height, 8, 3, 0, 0, 0)
        palette = _png_chunk(b"PLTE", bytes(c for colour in colours for c in colour))
    else:
        raw = b"".join(b"\0" + bytes(c for pixel in row for c in pixel) for row in picture.rows)
        header = struct.pack(">IIBBBBB", picture.width, picture.height, 8, 2, 0, 0, 0)
        palette = b""
    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n" + _png_chunk(b"IHDR", header) + palette +
                _png_chunk(b"IDAT", zlib.compress(raw, 9)) + _png_chunk(b"IEND", b""))


def read_png(path):
    """A PNG that write_png wrote (unfiltered rows, 8-bit RGB or indexed)."""
    with open(path, "rb") as f:
        data = f.read()
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        raise ValueError("not a PNG file: " + path)
    chunks, offset = {}, 8
    while offset < len(data):
        length, kind = struct.unpack_from(">I4s", data, offset)
        chunks[kind] = chunks.get(kind, b"") + data[offset + 8:offset + 8 + length]
        offset += 12 + length
    width, height, depth, kind = struct.unpack_from(">IIBB", chunks[b"IHDR"])
    if depth != 8 or kind not in (2, 3):
        raise ValueError("only 8-bit RGB or indexed PNG files are read: " + path)
    raw = zlib.decompress(chunks[b"IDAT"])
    channels = 3 if kind == 2 else 1
    stride = 1 + width * channels
    palette = chunks.get(b"PLTE", b"")
    rows = []
    for y in range(height):
        line = raw[y * stride:(y + 1) * stride]
        if line[0] != 0:
            raise ValueError("only unfiltered PNG rows are read: " + path)
        if kind == 2:
            rows.append([tuple(line[1 + 3 * x:4 + 3 * x]) for x in range(width)])
        else:
            rows.append([tuple(palette[3 * i:3 * i + 3]) for i in line[1:]])
    return Picture(width, height, rows)
