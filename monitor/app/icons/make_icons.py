#!/usr/bin/env python3
"""Draws the program's icons: 142 (normal) and 143 (warning), a gauge in a rounded tile, at the
sizes desktops ask for. Standard library only; the PNGs are committed, this is how they were made."""
import math, struct, zlib, os

SIZES = [16, 22, 24, 32, 48, 64, 128, 256]
LOOKS = {142: ((32, 150, 220), (230, 240, 250)), 143: ((215, 50, 45), (255, 235, 230))}


def png(path, size, pixels):
    raw = b"".join(b"\0" + bytes(row) for row in pixels)
    def chunk(kind, data):
        c = struct.pack(">I", len(data)) + kind + data
        return c + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)
    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n")
        f.write(chunk(b"IHDR", struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)))
        f.write(chunk(b"IDAT", zlib.compress(raw, 9)))
        f.write(chunk(b"IEND", b""))


def coverage(size, inside, samples=4):
    """Anti-aliased coverage of a shape over each pixel."""
    grid = []
    for y in range(size):
        row = []
        for x in range(size):
            hits = sum(inside((x + (i + .5) / samples) / size, (y + (j + .5) / samples) / size)
                       for i in range(samples) for j in range(samples))
            row.append(hits / samples / samples)
        grid.append(row)
    return grid


def draw(size, tile, ink):
    r = 0.2  # corner radius of the tile, as a share of the size
    def in_tile(u, v):
        dx = max(r - u, 0, u - (1 - r)); dy = max(r - v, 0, v - (1 - r))
        return dx * dx + dy * dy <= r * r
    cx, cy, ro, ri = .5, .56, .36, .26
    def in_arc(u, v):
        d = math.hypot(u - cx, v - cy)
        a = math.degrees(math.atan2(cy - v, u - cx))
        return ri <= d <= ro and -20 <= a <= 200
    angle = math.radians(50)
    def in_needle(u, v):
        px, py = u - cx, cy - v
        along = px * math.cos(angle) + py * math.sin(angle)
        across = -px * math.sin(angle) + py * math.cos(angle)
        return (-0.04 <= along <= ro - 0.02 and abs(across) <= 0.045) or math.hypot(px, py) <= 0.07
    t, a, n = coverage(size, in_tile), coverage(size, in_arc), coverage(size, in_needle)
    rows = []
    for y in range(size):
        row = []
        for x in range(size):
            k = max(a[y][x], n[y][x])
            rgb = [round(tile[i] * (1 - k) + ink[i] * k) for i in range(3)]
            row += rgb + [round(255 * t[y][x])]
        rows.append(row)
    return rows


here = os.path.dirname(os.path.abspath(__file__))
for icon, (tile, ink) in LOOKS.items():
    for size in SIZES:
        png(os.path.join(here, f"vornpilot-{icon}-{size}.png"), size, draw(size, tile, ink))
