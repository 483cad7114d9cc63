#!/usr/bin/env python3
"""Writes app/kestrum.ico: a 16 x 16, 16-colour clock face (yellow dial, blue rim, hands).

The icon is checked in; run this again only to change the picture.
"""
import math
import struct
import sys
from pathlib import Path

SIZE = 16
# The standard 16-colour palette, as (blue, green, red, 0).
PALETTE = [
    (0, 0, 0), (0, 0, 128), (0, 128, 0), (0, 128, 128), (128, 0, 0), (128, 0, 128),
    (128, 128, 0), (192, 192, 192), (128, 128, 128), (0, 0, 255), (0, 255, 0),
    (0, 255, 255), (255, 0, 0), (255, 0, 255), (255, 255, 0), (255, 255, 255),
]
BLACK, NAVY, RED, YELLOW, BLUE, WHITE = 0, 4, 9, 11, 12, 15
TRANSPARENT = None


def draw():
    """Rows top to bottom of palette indices, None where the icon is transparent."""
    centre = (SIZE - 1) / 2
    pixels = [[TRANSPARENT] * SIZE for _ in range(SIZE)]
    for y in range(SIZE):
        for x in range(SIZE):
            r = math.hypot(x - centre, y - centre)
            if r <= 6.0:
                pixels[y][x] = YELLOW
            elif r <= 7.6:
                pixels[y][x] = BLUE
    # Hour marks at 12, 3, 6 and 9.
    for x, y in ((7, 2), (8, 2), (13, 7), (13, 8), (7, 13), (8, 13), (2, 7), (2, 8)):
        pixels[y][x] = NAVY
    # Hands: ten past ten, from the centre pixel (7, 8).
    for x, y in ((7, 7), (7, 6), (7, 5), (7, 4), (8, 8), (9, 8), (10, 8), (11, 8)):
        pixels[y][x] = BLACK
    pixels[8][7] = RED
    return pixels


def icon_bytes(pixels):
    xor_rows, and_rows = [], []
    for row in reversed(pixels):  # bitmaps are stored bottom-up
        nibbles = [0 if p is None else p for p in row]
        xor_rows.append(bytes((nibbles[i] << 4) | nibbles[i + 1] for i in range(0, SIZE, 2)))
        mask = 0
        for p in row:
            mask = (mask << 1) | (1 if p is None else 0)
        and_rows.append(struct.pack(">H", mask) + b"\0\0")  # rows padded to 32 bits
    palette = b"".join(bytes(c) + b"\0" for c in PALETTE)
    image = b"".join(xor_rows) + b"".join(and_rows)
    header = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE * 2, 1, 4, 0, len(image), 0, 0, 16, 0)
    body = header + palette + image
    directory = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", SIZE, SIZE, 16, 0, 1, 4, len(body), 6 + 16)
    return directory + entry + body


def main():
    out = Path(sys.argv[1]) if len(sys.argv) > 1 else Path(__file__).parent.parent / "app/kestrum.ico"
    out.write_bytes(icon_bytes(draw()))
    print(f"wrote {out}")


if __name__ == "__main__":
    main()
