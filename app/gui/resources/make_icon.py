#!/usr/bin/env python3
"""Writes strandex.ico, the program's icon: an NC program page sent to a machine.

A dev-time tool: the .ico is checked in and the build only compiles it into the program.
Run it again after changing the pictures below:

    python3 make_icon.py            writes strandex.ico beside this script
    python3 make_icon.py --preview  also writes strandex-32.png and strandex-16.png
    python3 make_icon.py --hicolor  also writes hicolor/NxN/apps/strandex-pretest.png, the
                                    Linux desktop's icon sizes, enlarged pixel by pixel
"""
import os
import struct
import sys
import zlib

# The 16 colours of the classic Windows palette, as (red, green, blue).
PALETTE = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
# Picture letters: '.' is transparent.
COLOURS = {"K": 0, "g": 2, "B": 4, "d": 8, "l": 7, "G": 10, "b": 12, "W": 15, "Y": 11}

ICON_32 = """
................................
..KKKKKKKKKKK...................
..KWWWWWWWWWKK..................
..KWWWWWWWWWKWK.................
..KWbbbWbbWWKKKK................
..KWWWWWWWWWWWWK................
..KWbbWbbbbWWWWK.......KKKKKKKKK
..KWWWWWWWWWWWWK.......KddddddlK
..KWbbbbWbbbWWWK.......KdllllllK
..KWWWWWWWWWWWWK.......KdlKKKKlK
..KWbbWbbbbbWWWK.......KdlKGGKlK
..KWWWWWWWWWWWWK...G...KdlKKKKlK
..KWbbbWbbWWWWWK...GG..KdllllllK
..KWWWWWWWWWWWWK...GGG.KddddddlK
..KWbbWbbbbWWWWKGGGGGGGKdlddddlK
..KWWWWWWWWWWWWKGGGGGGGKdlKKKdlK
..KWbbbbWbbbWWWK...GGG.KdlKYKdlK
..KWWWWWWWWWWWWK...GG..KdlKYKdlK
..KWbbWbbbbbWWWK...G...KdlKYKdlK
..KWWWWWWWWWWWWK.......KdllYlllK
..KWbbbWbbWWWWWK.......KdllllllK
..KWWWWWWWWWWWWK.......KdllllllK
..KWbbWbbbbWWWWK.......KdllllllK
..KWWWWWWWWWWWWK.......KKKKKKKKK
..KWbbbbWbbbWWWK.......Kd.....dK
..KWWWWWWWWWWWWK.......Kd.....dK
..KKKKKKKKKKKKKK.......KKK...KKK
................................
................................
................................
................................
................................
"""

ICON_16 = """
................
KKKKKKK.........
KWWWWWKK........
KWbbWbWK........
KWWWWWWK...KKKKK
KWbWbbWKG..KdlGK
KWWWWWWKGG.KdllK
KWbbWbWKGGGKdYdK
KWWWWWWKGG.KdYlK
KWbWbbWKG..KdllK
KWWWWWWK...KKKKK
KWbbWbWK...K...K
KKKKKKKK........
................
................
................
"""


def rows(picture, size):
    lines = [line for line in picture.strip("\n").split("\n")]
    lines = [(line + "." * size)[:size] for line in lines][:size]
    while len(lines) < size:
        lines.append("." * size)
    return lines


def icon_image(picture, size):
    """One ICO image: a 4-bit bottom-up bitmap, then its 1-bit AND mask."""
    lines = rows(picture, size)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 4, 0, 0, 0, 0, 16, 0)
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in PALETTE)
    colour_rows = []
    mask_rows = []
    for line in reversed(lines):
        nibbles = [COLOURS.get(c, 0) for c in line]
        row = bytes((nibbles[i] << 4) | nibbles[i + 1] for i in range(0, size, 2))
        colour_rows.append(row + b"\0" * (-len(row) % 4))
        bits = 0
        mask = bytearray()
        for i, c in enumerate(line):
            bits = (bits << 1) | (1 if c == "." else 0)
            if i % 8 == 7:
                mask.append(bits)
                bits = 0
        mask_rows.append(bytes(mask) + b"\0" * (-len(mask) % 4))
    return header + palette + b"".join(colour_rows) + b"".join(mask_rows)


def write_ico(path, pictures):
    images = [(size, icon_image(picture, size)) for size, picture in pictures]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, data in images:
        out += struct.pack("<BBBBHHII", size, size, 16, 0, 1, 4, len(data), offset)
        offset += len(data)
    out += b"".join(data for _, data in images)
    with open(path, "wb") as f:
        f.write(out)


def write_preview(path, picture, size, scale=8):
    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))

    raw = b""
    for line in rows(picture, size):
        row = b"".join(
            bytes(PALETTE[COLOURS[c]]) if c != "." else b"\xe0\xe0\xf0" for c in line
            for _ in range(scale))
        raw += (b"\0" + row) * scale
    png = b"\x89PNG\r\n\x1a\n"
    png += chunk(b"IHDR", struct.pack(">IIBBBBB", size * scale, size * scale, 8, 2, 0, 0, 0))
    png += chunk(b"IDAT", zlib.compress(raw))
    png += chunk(b"IEND", b"")
    with open(path, "wb") as f:
        f.write(png)


def write_png(path, picture, size, scale):
    """A PNG with an alpha channel: transparent where the picture has '.'."""
    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))

    raw = b""
    for line in rows(picture, size):
        row = b"".join(
            (bytes(PALETTE[COLOURS[c]]) + b"\xff") if c != "." else b"\0\0\0\0" for c in line
            for _ in range(scale))
        raw += (b"\0" + row) * scale
    png = b"\x89PNG\r\n\x1a\n"
    png += chunk(b"IHDR", struct.pack(">IIBBBBB", size * scale, size * scale, 8, 6, 0, 0, 0))
    png += chunk(b"IDAT", zlib.compress(raw, 9))
    png += chunk(b"IEND", b"")
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(png)


# Desktop icon sizes: (size, picture, its own size); the 16 x 16 picture reads better small.
HICOLOR = [(16, ICON_16, 16), (32, ICON_32, 32), (48, ICON_16, 16), (64, ICON_32, 32),
           (128, ICON_32, 32), (256, ICON_32, 32)]


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    write_ico(os.path.join(here, "strandex.ico"), [(32, ICON_32), (16, ICON_16)])
    if "--preview" in sys.argv[1:]:
        write_preview(os.path.join(here, "strandex-32.png"), ICON_32, 32)
        write_preview(os.path.join(here, "strandex-16.png"), ICON_16, 16, 16)
    if "--hicolor" in sys.argv[1:]:
        for size, picture, own in HICOLOR:
            write_png(os.path.join(here, "hicolor", "%dx%d" % (size, size), "apps",
                                   "strandex-pretest.png"), picture, own, size // own)


if __name__ == "__main__":
    main()
