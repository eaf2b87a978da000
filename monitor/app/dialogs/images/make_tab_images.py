#!/usr/bin/env python3
"""Draws tab_images.bmp: the settings dialog's three tab pictures, 15 x 14 pixels each, side by
side (voltage, fan, temperature) on white, which the dialog takes as transparent. The BMP is
committed; run this only to change the pictures."""

import math
import os
import struct

W, H, CELL = 45, 14, 15
WHITE = (255, 255, 255)


def inside_polygon(x, y, points):
    hit = False
    j = len(points) - 1
    for i in range(len(points)):
        xi, yi = points[i]
        xj, yj = points[j]
        if (yi > y) != (yj > y) and x < (xj - xi) * (y - yi) / (yj - yi) + xi:
            hit = not hit
        j = i
    return hit


def bolt(x, y):
    shape = [(9, 0.5), (3, 7.5), (7, 7.5), (5, 13.5), (12, 5.5), (8, 5.5), (10.5, 0.5)]
    if inside_polygon(x, y, shape):
        return (230, 160, 0)
    return None


def fan(x, y):
    cx, cy = 7.0, 7.0
    dx, dy = x - cx, y - cy
    r = math.hypot(dx, dy)
    if r < 1.6:
        return (40, 40, 40)
    if r > 6.6:
        return None
    angle = math.atan2(dy, dx)
    # Three curved blades.
    phase = (angle - r * 0.35) % (2 * math.pi / 3)
    if phase < 1.05:
        return (30, 100, 190)
    return None


def thermometer(x, y):
    cx = 7.0
    if math.hypot(x - cx, y - 10.5) < 2.8:
        return (210, 30, 30)
    if abs(x - cx) < 1.0 and 3.0 <= y <= 10.5:
        return (210, 30, 30)
    if abs(x - cx) < 2.0 and 1.0 <= y <= 10.5 or math.hypot(x - cx, y - 1.8) < 2.0:
        return (90, 90, 90)
    return None


def main():
    pixels = [[WHITE] * W for _ in range(H)]
    for index, draw in enumerate((bolt, fan, thermometer)):
        for y in range(H):
            for x in range(CELL):
                colour = draw(x + 0.5, y + 0.5)
                if colour is not None:
                    pixels[y][index * CELL + x] = colour
    row_size = (W * 3 + 3) & ~3
    data = bytearray()
    for y in reversed(range(H)):
        row = bytearray()
        for r, g, b in pixels[y]:
            row += bytes((b, g, r))
        row += b"\0" * (row_size - len(row))
        data += row
    header = struct.pack("<2sIHHI", b"BM", 54 + len(data), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, W, H, 1, 24, 0, len(data), 2835, 2835, 0, 0)
    out = os.path.join(os.path.dirname(os.path.abspath(__file__)), "tab_images.bmp")
    with open(out, "wb") as f:
        f.write(header + info + data)


if __name__ == "__main__":
    main()
