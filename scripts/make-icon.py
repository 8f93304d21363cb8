#!/usr/bin/env python3
"""Draws the program's icon, a calendar sheet with a photo in its corner, in 16, 32, 48 and 256
pixels: one PNG per size for the desktop's icon theme, and the Windows icon holding all four.

Usage: make-icon.py OUT.ico PNG_FOLDER   (writes PNG_FOLDER/lumorascr-SIZE.png)
"""
import os
import struct
import sys
import zlib

SIZES = (16, 32, 48, 256)

# The 16-pixel icon is drawn pixel by pixel, so that it stays sharp at the size that shows it
# most often. The standard 16-colour palette, as (red, green, blue).
PALETTE = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
# One character per pixel: '.' is transparent, a hex digit is a palette index.
# Red binding with two rings, a white sheet with rows of grey day marks (a red Sunday and a
# green today), and a landscape photo (sky, sun, hill) in the lower right corner.
ART = [
    "................",
    "...0......0.....",
    ".9979999997999..",
    ".99799999979999.",
    ".99999999999999.",
    ".F8F8F8F8F8F8F0.",
    ".FFFFFFFFFFFFF0.",
    ".9F8F8F8FAF8F80.",
    ".FFFFFFFFFFFFF0.",
    ".9F8F8F00000000.",
    ".FFFFFF0EEEEBE0.",
    ".9F8F8F0EEEEEE0.",
    ".FFFFFF0EEAAEE0.",
    ".9F8F8F0AAAA220.",
    ".FFFFFF02222220.",
    ".00000000000000.",
]

# The larger sizes are drawn from shapes on the same 16-unit grid, painted in order. Each shape:
# (kind, left, top, right, bottom, colour[, clip]), kind "rect", "round" (rounded corners) or
# "oval"; a clip (left, top, right, bottom) keeps the shape inside that rectangle.
INK = (40, 40, 48)
WHITE = (255, 255, 255)
RED = (214, 40, 40)
GREY = (150, 150, 158)
GREEN = (40, 190, 60)
SKY = (110, 185, 255)
SUN = (255, 210, 40)
HILL = (60, 150, 60)


def shapes():
    out = [
        ("round", 0.6, 1.8, 15.4, 15.6, INK),        # the sheet's outline
        ("round", 1.1, 2.3, 14.9, 15.1, WHITE),      # the sheet
        ("rect", 1.1, 2.3, 14.9, 4.9, RED),          # the binding
        ("round", 3.0, 0.6, 4.2, 3.8, INK),          # the rings
        ("round", 10.0, 0.6, 11.2, 3.8, INK),
    ]
    # Day marks: five columns by four rows; the first column is Sunday, one day is today.
    for row in range(4):
        for col in range(6):
            x, y = 2.0 + col * 2.1, 5.8 + row * 2.3
            if row >= 2 and col >= 3:
                continue  # the photo covers this corner
            colour = RED if col == 0 else GREEN if (row, col) == (1, 4) else GREY
            out.append(("rect", x, y, x + 1.3, y + 1.3, colour))
    out += [
        ("rect", 7.6, 9.8, 14.9, 15.1, INK),         # the photo's frame
        ("rect", 8.1, 10.3, 14.4, 14.6, SKY),
        ("oval", 11.9, 10.8, 13.7, 12.6, SUN),
        ("oval", 6.5, 12.4, 16.0, 17.5, HILL, (8.1, 10.3, 14.4, 14.6)),
    ]
    return out


def inside(kind, l, t, r, b, x, y, clip=None):
    if not (l <= x < r and t <= y < b):
        return False
    if clip and not (clip[0] <= x < clip[2] and clip[1] <= y < clip[3]):
        return False
    if kind == "rect":
        return True
    if kind == "oval":
        cx, cy, rx, ry = (l + r) / 2, (t + b) / 2, (r - l) / 2, (b - t) / 2
        return ((x - cx) / rx) ** 2 + ((y - cy) / ry) ** 2 <= 1
    radius = min(0.6, (r - l) / 2, (b - t) / 2)
    dx = max(l + radius - x, 0, x - (r - radius))
    dy = max(t + radius - y, 0, y - (b - radius))
    return dx * dx + dy * dy <= radius * radius


def drawn(size):
    """RGBA rows of the icon at `size` pixels, each pixel sampled 4 x 4 times."""
    if size == 16:
        return [[(0, 0, 0, 0) if c == "." else PALETTE[int(c, 16)] + (255,) for c in row]
                for row in ART]
    n = 4
    scale = 16 / size
    pixels = [[(0.0, 0.0, 0.0, 0.0)] * size for _ in range(size)]
    for kind, l, t, r, b, colour, *clip in shapes():
        for py in range(max(0, int(t / scale)), min(size, int(b / scale) + 1)):
            for px in range(max(0, int(l / scale)), min(size, int(r / scale) + 1)):
                hits = sum(inside(kind, l, t, r, b, (px + (i + 0.5) / n) * scale,
                                  (py + (j + 0.5) / n) * scale, *clip)
                           for i in range(n) for j in range(n))
                if not hits:
                    continue
                a = hits / (n * n)
                pr, pg, pb, pa = pixels[py][px]
                out_a = a + pa * (1 - a)
                mix = [(c * a + p * pa * (1 - a)) / out_a for c, p in zip(colour, (pr, pg, pb))]
                pixels[py][px] = (mix[0], mix[1], mix[2], out_a)
    return [[(round(r), round(g), round(b), round(a * 255)) for r, g, b, a in row]
            for row in pixels]


def png_bytes(rows):
    size = len(rows)
    raw = b"".join(b"\0" + bytes(v for px in row for v in px) for row in rows)

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))

    header = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) +
            chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def bmp_image(rows):
    """A 32-bit icon image: the header, bottom-up BGRA rows, and the transparency mask."""
    size = len(rows)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    colours = b"".join(bytes((b, g, r, a)) for row in reversed(rows) for r, g, b, a in row)
    stride = (size + 31) // 32 * 4
    mask = bytearray()
    for row in reversed(rows):
        bits = bytearray(stride)
        for x, px in enumerate(row):
            if px[3] == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    return header + colours + bytes(mask)


def icon_bytes(images):
    """An .ico file of (size, rows) images; the 256-pixel one is stored as PNG."""
    blobs = [png_bytes(rows) if size == 256 else bmp_image(rows) for size, rows in images]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for (size, _), blob in zip(images, blobs):
        side = 0 if size == 256 else size
        out += struct.pack("<BBBBHHII", side, side, 0, 0, 1, 32, len(blob), offset)
        offset += len(blob)
    return out + b"".join(blobs)


def main():
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    images = [(size, drawn(size)) for size in SIZES]
    with open(sys.argv[1], "wb") as f:
        f.write(icon_bytes(images))
    os.makedirs(sys.argv[2], exist_ok=True)
    for size, rows in images:
        with open(os.path.join(sys.argv[2], f"lumorascr-{size}.png"), "wb") as f:
            f.write(png_bytes(rows))


if __name__ == "__main__":
    main()
