#!/usr/bin/env python3
"""Draws the program's icons and writes them as .ico files.

pofurin.ico: 32x32 target (blue outside, cyan ring, navy centre) and a 16x16
black-and-white target; small.ico: a 16x16 target (blue outside, navy ring,
cyan centre). All images are 4 bits per pixel over the standard 16-colour
palette, with a transparent background (AND mask set, colour index 0).

The .ico files are committed; run this only after changing the pictures:
    python3 res/make_icons.py res
"""
import math
import os
import struct
import sys

# The standard 16-colour palette, (red, green, blue).
PALETTE = [
    (0x00, 0x00, 0x00), (0x80, 0x00, 0x00), (0x00, 0x80, 0x00), (0x80, 0x80, 0x00),
    (0x00, 0x00, 0x80), (0x80, 0x00, 0x80), (0x00, 0x80, 0x80), (0xC0, 0xC0, 0xC0),
    (0x80, 0x80, 0x80), (0xFF, 0x00, 0x00), (0x00, 0xFF, 0x00), (0xFF, 0xFF, 0x00),
    (0x00, 0x00, 0xFF), (0xFF, 0x00, 0xFF), (0x00, 0xFF, 0xFF), (0xFF, 0xFF, 0xFF),
]
BLACK, NAVY, BLUE, CYAN, WHITE = 0, 4, 12, 14, 15
CLEAR = None  # transparent pixel


def rings(size, bands):
    """A size x size picture of concentric discs; `bands` lists (radius,
    colour) from the outside in, and a pixel takes the colour of the
    innermost disc holding its centre."""
    centre = (size - 1) / 2
    rows = []
    for y in range(size):
        row = []
        for x in range(size):
            d = math.hypot(x - centre, y - centre)
            colour = CLEAR
            for radius, c in bands:
                if d <= radius:
                    colour = c
            row.append(colour)
        rows.append(row)
    return rows


def image_bytes(rows):
    """One icon image as stored in an .ico file and an RT_ICON resource:
    BITMAPINFOHEADER, palette, XOR bits (4 bpp) and AND mask, bottom-up."""
    size = len(rows)
    xor_stride = ((size * 4 + 31) // 32) * 4
    and_stride = ((size + 31) // 32) * 4
    xor = bytearray()
    mask = bytearray()
    for row in reversed(rows):
        line = bytearray(xor_stride)
        bits = bytearray(and_stride)
        for x, colour in enumerate(row):
            index = BLACK if colour is CLEAR else colour
            line[x // 2] |= index << (4 if x % 2 == 0 else 0)
            if colour is CLEAR:
                bits[x // 8] |= 0x80 >> (x % 8)
        xor += line
        mask += bits
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 4, 0, len(xor) + len(mask), 0, 0, 0, 0)
    palette = b''.join(struct.pack('<BBBB', b, g, r, 0) for r, g, b in PALETTE)
    return header + palette + bytes(xor) + bytes(mask)


def ico_file(pictures):
    """An .ico file holding the pictures in order."""
    images = [image_bytes(p) for p in pictures]
    out = bytearray(struct.pack('<HHH', 0, 1, len(images)))
    offset = 6 + 16 * len(images)
    for picture, data in zip(pictures, images):
        size = len(picture)
        out += struct.pack('<BBBBHHII', size, size, 16, 0, 1, 4, len(data), offset)
        offset += len(data)
    for data in images:
        out += data
    return bytes(out)


def main():
    outdir = sys.argv[1] if len(sys.argv) > 1 else os.path.dirname(os.path.abspath(__file__))
    large = rings(32, [(15.3, BLUE), (11.0, CYAN), (5.5, NAVY)])
    monochrome = rings(16, [(7.3, BLACK), (6.2, WHITE), (4.0, BLACK), (2.9, WHITE), (1.0, BLACK)])
    small = rings(16, [(7.3, BLUE), (5.2, NAVY), (2.9, CYAN)])
    with open(os.path.join(outdir, 'pofurin.ico'), 'wb') as f:
        f.write(ico_file([large, monochrome]))
    with open(os.path.join(outdir, 'small.ico'), 'wb') as f:
        f.write(ico_file([small]))


if __name__ == '__main__':
    main()
