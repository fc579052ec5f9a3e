#!/usr/bin/env python3
"""Packs one RGBA PNG into a Windows icon file holding two images of it: one
with a 256-colour palette and one in 24-bit colour, each with its 1-bit
transparency mask. ImageMagick's convert decodes the PNG; the icon layout is
written here so both depths come out as asked.

usage: pack_ico.py IMAGE.png OUT.ico
"""
import struct
import subprocess
import sys


def pixels(path, *options):
    """The image's size and its pixels as (r, g, b, a) tuples, row by row."""
    size = subprocess.run(["convert", path, "-format", "%w %h", "info:"], check=True,
                          capture_output=True, text=True).stdout.split()
    width, height = int(size[0]), int(size[1])
    raw = subprocess.run(["convert", path, *options, "-depth", "8", "rgba:-"], check=True,
                         capture_output=True).stdout
    return width, height, [tuple(raw[i:i + 4]) for i in range(0, len(raw), 4)]


def rows_bottom_up(width, height, row_bytes):
    return b"".join(row_bytes(y) for y in reversed(range(height)))


def padded(data):
    return data + b"\0" * (-len(data) % 4)


def mask_row(pixels, width, y):
    bits = bytearray((width + 7) // 8)
    for x in range(width):
        if pixels[y * width + x][3] < 128:
            bits[x // 8] |= 0x80 >> (x % 8)
    return padded(bytes(bits))


def opaque(p):
    # Transparent pixels are black in the colour image; the mask hides them.
    return p[:3] if p[3] >= 128 else (0, 0, 0)


def bitmap_header(width, height, bits, colours):
    return struct.pack("<IiiHHIIiiII", 40, width, height * 2, 1, bits, 0, 0, 0, 0, colours, 0)


def image_24(width, height, px):
    def row(y):
        return padded(b"".join(bytes(opaque(px[y * width + x])[::-1]) for x in range(width)))
    return (bitmap_header(width, height, 24, 0) + rows_bottom_up(width, height, row) +
            rows_bottom_up(width, height, lambda y: mask_row(px, width, y)))


def image_8(width, height, px, reduced):
    palette = sorted({opaque(p) for p in reduced})
    if len(palette) > 256:
        sys.exit("more than 256 colours after reduction")
    index = {colour: i for i, colour in enumerate(palette)}
    entries = b"".join(bytes((b, g, r, 0)) for r, g, b in palette)
    entries += b"\0" * (4 * (256 - len(palette)))

    def row(y):
        return padded(bytes(index[opaque(reduced[y * width + x])] for x in range(width)))
    return (bitmap_header(width, height, 8, 256) + entries + rows_bottom_up(width, height, row) +
            rows_bottom_up(width, height, lambda y: mask_row(px, width, y)))


def main():
    source, target = sys.argv[1], sys.argv[2]
    width, height, px = pixels(source)
    # Mask first, then reduce what stays visible to at most 255 colours plus
    # the black behind the mask.
    _, _, reduced = pixels(source, "-background", "black", "-alpha", "remove", "-dither", "None",
                           "-colors", "255")
    reduced = [r[:3] + (p[3],) for r, p in zip(reduced, px)]
    images = [(8, 256, image_8(width, height, px, reduced)),
              (24, 0, image_24(width, height, px))]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for bits, colours, data in images:
        out += struct.pack("<BBBBHHII", width % 256, height % 256, colours % 256, 0, 1, bits,
                           len(data), offset)
        offset += len(data)
    out += b"".join(data for _, _, data in images)
    with open(target, "wb") as f:
        f.write(out)


if __name__ == "__main__":
    main()
