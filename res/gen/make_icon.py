#!/usr/bin/env python3
"""Draws the program icon (a camera lens on the skin's blue) as res/dorvik.ico, 16/32/48 px."""
import math
import struct
import sys

BLUE = (0x14, 0x60, 0xB2)
LIGHT = (0x48, 0x95, 0xCF)
SKIN = (0xD6, 0xE0, 0xE8)
DARK = (0x44, 0x44, 0x44)


def pixel(x, y, n):
    c = (n - 1) / 2.0
    d = math.hypot(x - c, y - c) / (n / 2.0)
    if d > 0.98:
        return None
    if d > 0.86:
        return BLUE
    if d > 0.62:
        return SKIN
    if d > 0.44:
        return DARK
    if math.hypot(x - c * 0.8, y - c * 0.8) / (n / 2.0) < 0.14:
        return (255, 255, 255)
    return LIGHT


def dib(n):
    rows = []
    mask_rows = []
    for y in range(n - 1, -1, -1):  # bottom-up
        row = b""
        mbits = 0
        mrow = bytearray(((n + 31) // 32) * 4)
        for x in range(n):
            p = pixel(x, y, n)
            if p is None:
                row += bytes((0, 0, 0, 0))
                mrow[x // 8] |= 0x80 >> (x % 8)
            else:
                row += bytes((p[2], p[1], p[0], 255))
        rows.append(row)
        mask_rows.append(bytes(mrow))
    header = struct.pack("<IiiHHIIiiII", 40, n, n * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    return header + b"".join(rows) + b"".join(mask_rows)


def main(out):
    sizes = [16, 32, 48]
    images = [dib(n) for n in sizes]
    data = struct.pack("<HHH", 0, 1, len(sizes))
    offset = 6 + 16 * len(sizes)
    for n, img in zip(sizes, images):
        data += struct.pack("<BBBBHHII", n, n, 0, 0, 1, 32, len(img), offset)
        offset += len(img)
    data += b"".join(images)
    with open(out, "wb") as f:
        f.write(data)


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else "res/dorvik.ico")
