#!/usr/bin/env python3
"""Writes the program's 16 x 16, 16-colour icon: a calendar sheet with a photo in its corner.

Usage: make-icon.py OUT.ico
"""
import struct
import sys

# The standard 16-colour palette, as (red, green, blue).
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


def icon_bytes() -> bytes:
    assert len(ART) == 16 and all(len(row) == 16 for row in ART)
    header = struct.pack("<IiiHHIIiiII", 40, 16, 32, 1, 4, 0, 0, 0, 0, 16, 0)
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in PALETTE)
    colours = bytearray()
    mask = bytearray()
    for row in reversed(ART):  # bottom-up rows
        indices = [0 if c == "." else int(c, 16) for c in row]
        colours += bytes((indices[i] << 4) | indices[i + 1] for i in range(0, 16, 2))
        bits = 0
        for c in row:
            bits = (bits << 1) | (1 if c == "." else 0)
        mask += struct.pack(">H", bits) + b"\0\0"  # rows padded to four bytes
    image = header + palette + bytes(colours) + bytes(mask)
    directory = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", 16, 16, 16, 0, 1, 4, len(image), 6 + 16)
    return directory + entry + image


if __name__ == "__main__":
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    with open(sys.argv[1], "wb") as f:
        f.write(icon_bytes())
