#!/usr/bin/env python3
"""Writes a test PNG picture of any colour type and bit depth.

make_png.py OUT COLOUR_TYPE BIT_DEPTH WIDTH HEIGHT [interlace] [trns] [iccp] [exif] [exif-late]

The samples follow a fixed pseudo-random sequence, so every run writes the
same file. "trns" adds a tRNS chunk: for palette pictures an alpha per
entry, for grey and colour pictures the colour of the first pixel. "iccp"
adds a small RGB (or grey) profile, "exif" an eXIf block holding one
Orientation tag (6) before the pixels, "exif-late" after them.
"""
import struct
import sys
import zlib

ADAM7 = [(0, 0, 8, 8), (4, 0, 8, 8), (0, 4, 4, 8), (2, 0, 4, 4), (0, 2, 2, 4), (1, 0, 2, 2),
         (0, 1, 1, 2)]
CHANNELS = {0: 1, 2: 3, 3: 1, 4: 2, 6: 4}


def chunk(kind, data):
    body = kind + data
    return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))


def icc_profile(colour):
    space = b"RGB " if colour else b"GRAY"
    # libpng wants a good hundred compressed bytes; the text is incompressible.
    text = bytes((i * 7919 + 13) % 251 for i in range(200))
    size = 144 + 8 + len(text)
    header = struct.pack(">I4sI4s4s4s12s4s4sI4s4sQI12s4s44s", size, b"none", 0x02100000,
                         b"mntr", space, b"XYZ ", b"\0" * 12, b"acsp", b"APPL", 0, b"none",
                         b"none", 0, 0,
                         struct.pack(">iii", 0xF6D6, 0x10000, 0xD32D), b"none", b"\0" * 44)
    assert len(header) == 128
    # One tag, so that the tag table is not empty.
    return header + struct.pack(">I4sII", 1, b"cprt", 144, 8 + len(text)) + b"text\0\0\0\0" + text


EXIF = b"II*\0\x08\0\0\0\x01\0\x12\x01\x03\0\x01\0\0\0\x06\0\0\0\0\0\0\0"


def main():
    out, colour_type, depth, width, height = sys.argv[1], *map(int, sys.argv[2:6])
    flags = set(sys.argv[6:])
    channels = CHANNELS[colour_type]
    maxval = (1 << depth) - 1
    state = 12345

    def sample():
        nonlocal state
        state = (state * 1103515245 + 12345) & 0x7FFFFFFF
        return (state >> 8) % (maxval + 1)

    pixels = [[[sample() for _ in range(channels)] for _ in range(width)] for _ in range(height)]
    if colour_type == 3:
        entries = min(256, maxval + 1)
        palette = b"".join(bytes(((i * 37) & 255, (i * 91 + 7) & 255, (255 - i * 13) & 255))
                           for i in range(entries))

    def row_bytes(row):
        values = [v for px in row for v in px]
        if depth == 16:
            return b"".join(struct.pack(">H", v) for v in values)
        if depth == 8:
            return bytes(values)
        bits, out_bytes, count = 0, bytearray(), 0
        for v in values:
            bits = (bits << depth) | v
            count += depth
            if count == 8:
                out_bytes.append(bits)
                bits, count = 0, 0
        if count:
            out_bytes.append(bits << (8 - count))
        return bytes(out_bytes)

    raw = bytearray()
    if "interlace" in flags:
        for x0, y0, dx, dy in ADAM7:
            xs = range(x0, width, dx)
            if not xs:
                continue
            for y in range(y0, height, dy):
                raw += b"\0" + row_bytes([pixels[y][x] for x in xs])
    else:
        for row in pixels:
            raw += b"\0" + row_bytes(row)

    png = b"\x89PNG\r\n\x1a\n"
    png += chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, depth, colour_type, 0, 0,
                                      1 if "interlace" in flags else 0))
    if "iccp" in flags:
        png += chunk(b"iCCP", b"test\0\0" + zlib.compress(icc_profile(colour_type & 2)))
    if "exif" in flags:
        png += chunk(b"eXIf", EXIF)
    if colour_type == 3:
        png += chunk(b"PLTE", palette)
    if "trns" in flags:
        if colour_type == 3:
            png += chunk(b"tRNS", bytes((i * 53) & 255 for i in range(len(palette) // 3)))
        elif colour_type == 0:
            png += chunk(b"tRNS", struct.pack(">H", pixels[0][0][0]))
        elif colour_type == 2:
            png += chunk(b"tRNS", struct.pack(">HHH", *pixels[0][0]))
    png += chunk(b"IDAT", zlib.compress(bytes(raw)))
    if "exif-late" in flags:
        png += chunk(b"eXIf", EXIF)
    png += chunk(b"IEND", b"")
    with open(out, "wb") as f:
        f.write(png)


main()
