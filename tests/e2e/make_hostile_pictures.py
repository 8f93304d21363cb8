#!/usr/bin/env python3
"""Writes damaged and hostile pictures into FOLDER and lists them on standard output, one a line:
the file's name and the exit status `lumora-tool frame` must give for it on Linux, then on
Windows (0 shown, 1 refused, 01 either: a decoder may keep the rows it has). The large ones are made here rather than
checked in: a few hundred kilobytes that declare up to 100 megapixels or more.
"""
import os
import struct
import subprocess
import sys
import zlib

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "fuzz"))
from make_picture_corpus import bmp, gif, jpeg_segment, png, progressive_jpeg  # noqa: E402


def huffman(table_class, counts, symbols):
    return jpeg_segment(0xC4, bytes([table_class << 4]) + bytes(counts) + bytes(symbols))


def flat_jpeg(width, height, dc_counts=(1,), dc_symbols=(0,)):
    """A baseline grey JPEG whose every block is flat mid-grey: with one-bit codes for "no
    change" and "end of block", each 8 x 8 block takes two bits, so a 100-megapixel picture fits
    in 400 KB."""
    blocks = -(-width // 8) * -(-height // 8)
    counts = list(dc_counts) + [0] * (16 - len(dc_counts))
    return (b"\xFF\xD8" + jpeg_segment(0xDB, b"\0" + b"\1" * 64) +
            jpeg_segment(0xC0, b"\x08" + height.to_bytes(2, "big") + width.to_bytes(2, "big") +
                         b"\x01\x01\x11\x00") +
            huffman(0, counts, dc_symbols) + huffman(1, [1] + [0] * 15, [0]) +
            jpeg_segment(0xDA, b"\x01\x01\x00\x00\x3F\x00") + bytes(-(-blocks * 2 // 8)) +
            b"\xFF\xD9")


def grey_png_bomb(width, height):
    """An 8-bit grey PNG of zeros: 64 megapixels in some 64 KB."""
    z = zlib.compressobj(9)
    row = bytes(width + 1)
    data = b"".join(z.compress(row) for _ in range(height)) + z.flush()
    return png(width, height, data, colour_type=0)


def convert(args, name, folder):
    subprocess.run(["convert"] + args + ["-strip", os.path.join(folder, name)], check=True)
    return open(os.path.join(folder, name), "rb").read()


def encoded(tool_args, name, folder, source):
    """`source` (a PNG in `folder`) encoded by another tool into `name`."""
    out = os.path.join(folder, name)
    subprocess.run([a.replace("IN", source).replace("OUT", out) for a in tool_args], check=True,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    return open(out, "rb").read()


def with_ispe(data, width, height):
    """A HEIF file whose declared picture sizes (its `ispe` boxes) are changed."""
    at = data.find(b"ispe")
    while at >= 0:
        at += 8  # after the box's version and flags
        data = data[:at] + struct.pack(">II", width, height) + data[at + 8:]
        at = data.find(b"ispe", at)
    return data


def main():
    folder = sys.argv[1]
    os.makedirs(folder, exist_ok=True)
    scene = ["-size", "64x48", "gradient:red-blue"]
    jpg = convert(scene + ["-quality", "90"], "photo.jpg", folder)
    pictures = {}
    for name, args in [("photo.jpg", ["-quality", "90"]), ("progressive.jpg", ["-interlace", "JPEG"]),
                       ("photo.png", []), ("photo.gif", []), ("photo.bmp", ["-type", "TrueColor"])]:
        data = jpg if name == "photo.jpg" else convert(scene + args, name, folder)
        pictures[name] = (None, "0")
        pictures["cut-off-" + name] = (data[:len(data) // 2], "01" if name.endswith(".gif") else "1")
    # Formats decoded by other libraries: WebP and TIFF (Qt's readers), HEIC and AVIF (libheif).
    # Windows under Wine has no decoder for the first three kinds: refused there.
    source = os.path.join(folder, "source.png")
    convert(scene + ["-depth", "8", "-type", "TrueColor"], "source.png", folder)
    for name, tool, windows in [("photo.webp", ["cwebp", "-quiet", "IN", "-o", "OUT"], "1"),
                                ("photo.heic", ["heif-enc", "IN", "-o", "OUT"], "1"),
                                ("photo.avif", ["avifenc", "-s", "10", "IN", "OUT"], "1"),
                                ("photo.tif", ["convert", "IN", "OUT"], "0")]:
        data = encoded(tool, name, folder, source)
        pictures[name] = (None, "0 " + windows)
        pictures["cut-off-" + name] = (data[:len(data) // 2], "01" if name.endswith(".tif") else "1")
    heic = open(os.path.join(folder, "photo.heic"), "rb").read()
    webp = open(os.path.join(folder, "photo.webp"), "rb").read()
    pictures.update({
        # Over the largest side, over 100 megapixels, and over HEIF's own budget (72 MP).
        "huge-side.heic": (with_ispe(heic, 40000, 48), "1"),
        "huge.heic": (with_ispe(heic, 12000, 9000), "1"),
        "over-budget.heic": (with_ispe(heic, 9000, 8000), "1"),
        "huge.avif": (with_ispe(open(os.path.join(folder, "photo.avif"), "rb").read(), 12000, 9000),
                      "1"),
        # A WebP whose extended header declares 16384 x 16384.
        "huge.webp": (webp[:12] + b"VP8X" + struct.pack("<I", 10) + bytes(4) +
                      (16383).to_bytes(3, "little") * 2 + webp[12:], "1"),
        # A TIFF header and directory declaring 30000 x 30000 with no strips.
        "huge.tif": (b"II*\0" + struct.pack("<I", 8) + struct.pack("<H", 3) +
                     struct.pack("<HHII", 256, 4, 1, 30000) + struct.pack("<HHII", 257, 4, 1, 30000) +
                     struct.pack("<HHII", 258, 3, 1, 8) + bytes(4), "1"),
    })
    palette = b"\0\0\xff\0" + b"\xff\0\0\0"
    pictures.update({
        "zero-length.jpg": (b"", "1"),
        # Wrong sizes: a header that promises more rows, or other sides, than the data holds.
        "wrong-size.png": (png(640, 480, zlib.compress(bytes(8 * 9))), "1"),
        "wrong-size.bmp": (bmp(640, 480, 24, 0, bytes(640 * 3 * 10)), "1"),
        "negative-width.bmp": (bmp(-64, 48, 24, 0, bytes(64 * 3 * 48)), "1"),
        "huge-sof-short-data.jpg": (flat_jpeg(65000, 65000)[:2000], "1"),
        # Huge declared sizes, each format.
        "largest-sides.bmp": (bmp(2147483647, 2147483647, 32, 0, b""), "1"),
        "huge-rle8.bmp": (bmp(32767, 3051, 8, 1, b"\0\1", palette), "1"),
        "huge.png": (png(32767, 3051, b"\x78\x9c"), "1"),
        "huge.gif": (gif(32767, 3051), "1"),
        "huge-progressive.jpg": (progressive_jpeg(32767, 3051), "1"),
        # Run-length coded BMP: whole, and with runs past the ends of its rows.
        "rle8.bmp": (bmp(4, 2, 8, 1, b"\x04\x01\x00\x00\x04\x00\x00\x01", palette), "0"),
        "rle4.bmp": (bmp(4, 2, 4, 2, b"\x04\x11\x00\x00\x04\x00\x00\x01", palette), "0"),
        "rle8-runs-past-rows.bmp": (bmp(2, 2, 8, 1, b"\xff\x01\x00\x02\x7f\x7f", palette), "01"),
        # Decompression bombs: small files of many pixels.
        "bomb-budget.png": (grey_png_bomb(8192, 8192), "0"),
        "bomb-over-budget.png": (grey_png_bomb(8193, 8192), "1"),
        # Decoded at a reduced scale by both builds.
        "bomb-100mp.jpg": (flat_jpeg(10000, 10000), "0"),
        "bomb-budget.jpg": (flat_jpeg(8192, 8192), "0"),
        "bomb-over-100mp.jpg": (flat_jpeg(16384, 16384), "1"),
        # A Huffman table with three one-bit codes.
        "bad-huffman.jpg": (flat_jpeg(64, 48, dc_counts=(3,), dc_symbols=(0, 1, 2)), "1"),
        # No Huffman table at all: a decoder may take the standard tables.
        "no-huffman-table.jpg": (jpg.replace(b"\xFF\xC4", b"\xFF\xFE"), "01"),
    })
    for name, (data, expected) in pictures.items():
        if data is not None:
            with open(os.path.join(folder, name), "wb") as f:
                f.write(data)
        print(name, expected if " " in expected else expected + " " + expected)
    os.makedirs(os.path.join(folder, "x.jpg"), exist_ok=True)
    print("x.jpg 1 1")


if __name__ == "__main__":
    main()
