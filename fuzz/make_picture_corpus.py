#!/usr/bin/env python3
"""Writes the seed corpus of the picture fuzz target (fuzz/corpus/picture).

Each input is three bytes that pick the file's extension and the canvas (see fuzz/picture.cpp)
followed by the file. The valid pictures are drawn here from flat colours with ImageMagick's
convert; the damaged ones are written byte by byte. Run from anywhere; files are rewritten.
"""
import os
import struct
import subprocess
import tempfile
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
OUT = os.path.join(HERE, "corpus", "picture")
EXT = {"jpg": 0, "bmp": 1, "png": 2, "gif": 3, "webp": 0x20, "heic": 0x21, "avif": 0x22,
       "tif": 0x23}
FROM_BYTES, EMPTY, ONE, TALL = 0, 1, 2, 3  # the canvas


def header(ext, canvas=FROM_BYTES, w=40, h=30, fit_to_bytes=False):
    return bytes([EXT[ext] | canvas << 2 | (0x10 if fit_to_bytes else 0), w, h])


def encode(args, ext, tool):
    """The picture drawn by convert (as an 8-bit PNG), then encoded by `tool` (IN, OUT)."""
    with tempfile.TemporaryDirectory() as folder:
        source = os.path.join(folder, "p.png")
        out = os.path.join(folder, "p." + ext)
        subprocess.run(["convert"] + args + ["-depth", "8", "-type", "TrueColor", source], check=True)
        subprocess.run([a.replace("IN", source).replace("OUT", out) for a in tool], check=True,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        return open(out, "rb").read()


def convert(args, ext):
    with tempfile.TemporaryDirectory() as folder:
        out = os.path.join(folder, "p." + ext)
        subprocess.run(["convert"] + args + ["-strip", out], check=True)
        return open(out, "rb").read()


def bmp(width, height, bits, compression, data, palette=b""):
    offset = 14 + 40 + len(palette)
    return (b"BM" + struct.pack("<IHHI", offset + len(data), 0, 0, offset) +
            struct.pack("<IiiHHIIiiII", 40, width, height, 1, bits, compression, len(data),
                        2835, 2835, len(palette) // 4, 0) + palette + data)


def png_chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))


def png(width, height, idat, colour_type=6):
    return (b"\x89PNG\r\n\x1a\n" +
            png_chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, colour_type, 0, 0, 0)) +
            png_chunk(b"IDAT", idat) + png_chunk(b"IEND", b""))


def gif(width, height):
    return (b"GIF89a" + struct.pack("<HH", width, height) + b"\0\0\0" + b"," +
            struct.pack("<HHHH", 0, 0, width, height) + b"\0\2\0;")


def jpeg_segment(marker, body):
    return bytes([0xFF, marker]) + struct.pack(">H", len(body) + 2) + body


def progressive_jpeg(width, height):
    """A progressive 4:2:0 frame header for any size, then one scan of a few bytes."""
    return (b"\xFF\xD8" + jpeg_segment(0xDB, b"\0" + b"\1" * 64) +
            jpeg_segment(0xC2, b"\x08" + struct.pack(">HH", height, width) +
                         b"\x03\x01\x22\0\x02\x11\0\x03\x11\0") +
            jpeg_segment(0xC4, b"\0\1" + b"\0" * 16) +
            jpeg_segment(0xDA, b"\x03\x01\0\x02\0\x03\0\0\0\0") + b"\0" * 16 + b"\xFF\xD9")


def main():
    os.makedirs(OUT, exist_ok=True)
    quad = ["-size", "6x4", "xc:red", "-size", "6x4", "xc:lime", "+append",
            "(", "-size", "6x4", "xc:blue", "-size", "6x4", "xc:white", "+append", ")",
            "-append"]
    jpg = convert(quad + ["-quality", "90"], "jpg")
    files = {
        # Small valid pictures of each kind the program meets.
        "baseline.jpg": header("jpg") + jpg,
        "progressive.jpg": header("jpg", w=5, h=3) +
        convert(quad + ["-interlace", "JPEG"], "jpg"),
        "grey.jpg": header("jpg", ONE) + convert(quad + ["-colorspace", "Gray"], "jpg"),
        "cmyk.jpg": header("jpg", w=7, h=9) + convert(quad + ["-colorspace", "CMYK"], "jpg"),
        "rgb24.bmp": header("bmp", TALL) + convert(quad + ["-type", "TrueColor"], "bmp"),
        "palette.bmp": header("bmp", w=3, h=2) + convert(quad + ["-type", "Palette"], "bmp"),
        "rle8.bmp": header("bmp") + bmp(4, 2, 8, 1, b"\x04\x01\x00\x00\x04\x02\x00\x01",
                                        b"\0\0\xff\0" + b"\0\xff\0\0" + b"\xff\0\0\0"),
        "rgba.png": header("png", w=3, h=200) + convert(quad + ["-alpha", "set"], "png"),
        "interlaced.png": header("png", EMPTY) + convert(quad + ["-interlace", "PNG"], "png"),
        "palette.png": header("png", w=12, h=8, fit_to_bytes=True) +
        convert(quad + ["-type", "Palette"], "png"),
        "plain.gif": header("gif", w=2, h=1) + convert(quad, "gif"),
        "plain.webp": header("webp") + encode(quad, "webp", ["cwebp", "-quiet", "IN", "-o", "OUT"]),
        "plain.heic": header("heic", w=9, h=5) + encode(quad, "heic", ["heif-enc", "IN", "-o", "OUT"]),
        "turned.avif": header("avif", TALL) +
        encode(quad, "avif", ["avifenc", "-s", "10", "--irot", "1", "IN", "OUT"]),
        "plain.tif": header("tif") + convert(quad, "tif"),
        # Damaged and hostile ones.
        "cut-off.jpg": header("jpg") + jpg[:len(jpg) // 2],
        "huge-progressive.jpg": header("jpg") + progressive_jpeg(32767, 3051),
        "no-huffman-table.jpg": header("jpg") + jpg.replace(b"\xFF\xC4", b"\xFF\xFE"),
        "largest-sides.bmp": header("bmp") + bmp(2147483647, 2147483647, 32, 0, b""),
        "rle8-huge.bmp": header("bmp") + bmp(32767, 3051, 8, 1, b"\0\1"),
        "rle8-runs-past-end.bmp": header("bmp") + bmp(2, 2, 8, 1, b"\xff\x01\x00\x02\x7f\x7f"),
        "short-rows.bmp": header("bmp") + bmp(100, 100, 24, 0, b"\x80" * 90),
        "huge.png": header("png") + png(32767, 3051, b"\x78\x9c"),
        "bomb.png": header("png") + png(8193, 8192, zlib.compress(b"\0" * (8193 * 4 + 1) * 4)),
        "bad-crc.png": header("png") + png(2, 2, zlib.compress(b"\0" * 18))[:-20] + b"\0" * 20,
        "huge.gif": header("gif") + gif(32767, 3051),
        "zero-length.png": header("png"),
        "cut-off.heic": header("heic") +
        encode(quad, "heic", ["heif-enc", "IN", "-o", "OUT"])[:300],
    }
    for name, data in files.items():
        with open(os.path.join(OUT, name), "wb") as f:
            f.write(data)


if __name__ == "__main__":
    main()
