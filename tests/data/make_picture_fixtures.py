#!/usr/bin/env python3
"""Makes the small pictures the picture tests decode and writes them as byte arrays.

Run from anywhere: tests/data/picture_fixtures.inc is rewritten. Needs ImageMagick's convert.
Every picture is drawn here from flat colours; none comes from elsewhere.
"""
import os
import struct
import subprocess
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))

# Four flat quadrants: red, green / blue, white. 160 x 120 so that a draw to a quarter of the
# size can use the JPEG decoder's reduced-size decoding.
QUADRANTS = ["-size", "80x60", "xc:red", "-size", "80x60", "xc:lime", "+append",
             "(", "-size", "80x60", "xc:blue", "-size", "80x60", "xc:white", "+append", ")",
             "-append"]
# 48 x 32: left half red, right half blue (turned upright by the orientation tag).
HALVES = ["-size", "24x32", "xc:red", "-size", "24x32", "xc:blue", "+append"]
# 128 x 128 one-pixel black and white checkerboard.
CHECKER = ["-size", "128x128", "pattern:gray50", "-threshold", "50%"]

JPEG = ["-strip", "-quality", "95", "-sampling-factor", "1x1"]
PICTURES = [
    ("QuadJpeg", QUADRANTS + JPEG, "jpg"),
    ("QuadProgressiveJpeg", QUADRANTS + JPEG + ["-interlace", "JPEG"], "jpg"),
    ("QuadGreyJpeg", QUADRANTS + ["-colorspace", "Gray"] + JPEG, "jpg"),
    ("QuadCmykJpeg", QUADRANTS + ["-colorspace", "CMYK"] + JPEG, "jpg"),
    ("QuadPng", QUADRANTS + ["-strip", "-define", "png:exclude-chunks=date,time"], "png"),
    ("QuadGif", QUADRANTS + ["-strip"], "gif"),
    ("HalvesJpeg", HALVES + JPEG, "jpg"),
    ("CheckerJpeg", CHECKER + ["-colorspace", "Gray", "-strip", "-quality", "100"], "jpg"),
]


def exif_orientation_segment(value):
    """An APP1 Exif segment whose first directory holds only the orientation tag."""
    tiff = b"II*\x00" + struct.pack("<I", 8)
    tiff += struct.pack("<H", 1) + struct.pack("<HHIHH", 0x0112, 3, 1, value, 0)
    tiff += struct.pack("<I", 0)
    body = b"Exif\x00\x00" + tiff
    return b"\xff\xe1" + struct.pack(">H", len(body) + 2) + body


def make(name, args, ext, folder):
    out = os.path.join(folder, name + "." + ext)
    subprocess.run(["convert"] + args + [out], check=True)
    data = open(out, "rb").read()
    if name == "HalvesJpeg":
        data = data[:2] + exif_orientation_segment(6) + data[2:]
    return data


def as_array(name, data):
    rows = []
    for i in range(0, len(data), 16):
        rows.append("    " + ", ".join("0x%02x" % b for b in data[i:i + 16]) + ",")
    return ("inline const unsigned char %s[] = {\n%s\n};\n" % (name, "\n".join(rows)))


def main():
    parts = ["// Made by tests/data/make_picture_fixtures.py; do not edit.\n"]
    with tempfile.TemporaryDirectory() as folder:
        for name, args, ext in PICTURES:
            parts.append(as_array(name, make(name, args, ext, folder)))
    with open(os.path.join(HERE, "picture_fixtures.inc"), "w") as f:
        f.write("\n".join(parts))


if __name__ == "__main__":
    main()
