#!/usr/bin/env python3
"""Draws the bitmaps of the shipped skins and writes them as BMP files.

Shapes are drawn here with anti-aliasing (signed distances); only the button
labels are rasterised by ImageMagick, because the standard library has no font
renderer. The generated .bmp files are committed: they are what ships, so this
script is needed only to change the look.

Buttons sit over the page as opaque rectangles, so every button picture is
drawn onto a copy of the background at the button's own position: its corners
blend into the window exactly.

Every bitmap is drawn twice from the same shapes: at its own size (name.bmp)
and at twice the size (name@2x.bmp), which the program uses on screens whose
scale asks for it. The 2x set is drawn, not enlarged: edges and labels stay
sharp.

Usage: skins/tools/make_bitmaps.py            (writes skins/default, skins/compact)
"""

import math
import os
import shutil
import struct
import subprocess
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
SKINS = os.path.dirname(HERE)
FONT_DIR = "/usr/share/fonts/truetype/dejavu/"
FONT = FONT_DIR + "DejaVuSans.ttf"
FONT_BOLD = FONT_DIR + "DejaVuSans-Bold.ttf"
MAGENTA = (255, 0, 255)
# The scale of the set being drawn (1 or 2): every length below is in 1x pixels times K.
K = 1


def hexc(s):
    s = s.lstrip("#")
    return (int(s[0:2], 16), int(s[2:4], 16), int(s[4:6], 16))


def mix(a, b, t):
    return tuple(a[i] + (b[i] - a[i]) * t for i in range(3))


def clamp01(v):
    return 0.0 if v < 0.0 else (1.0 if v > 1.0 else v)


def find_convert():
    # A stand-in "convert" may shadow the real one; take the first that is ImageMagick.
    for name in ("magick", "convert-im6.q16", "convert-im7.q16", "convert"):
        path = shutil.which(name)
        if not path:
            continue
        try:
            out = subprocess.run([path, "-version"], capture_output=True, text=True).stdout
        except OSError:
            continue
        if "ImageMagick" in out:
            return path
    sys.exit("make_bitmaps: ImageMagick is needed for the button labels "
             "(apt-get install imagemagick)")


CONVERT = None


def text_coverage(text, font, size, kerning=0.0):
    """Grey coverage (0..1 rows) of one line of text, tightly trimmed."""
    global CONVERT
    if CONVERT is None:
        CONVERT = find_convert()
    cmd = [CONVERT, "-background", "black", "-fill", "white", "-font", font,
           "-pointsize", str(size), "-kerning", str(kerning), "label:" + text,
           "-trim", "+repage", "-depth", "8", "pgm:-"]
    data = subprocess.run(cmd, capture_output=True, check=True).stdout
    # PGM: "P5\n<w> <h>\n255\n" then bytes
    parts = data.split(b"\n", 3)
    w, h = (int(v) for v in parts[1].split())
    raw = parts[3]
    rows = [[raw[y * w + x] / 255.0 for x in range(w)] for y in range(h)]
    return w, h, rows


class Image:
    def __init__(self, w, h, color=(0, 0, 0)):
        self.w, self.h = w, h
        self.px = [[list(color) for _ in range(w)] for _ in range(h)]

    def blend(self, x, y, color, a):
        if a <= 0.0 or x < 0 or y < 0 or x >= self.w or y >= self.h:
            return
        p = self.px[y][x]
        if a >= 1.0:
            p[0], p[1], p[2] = color
        else:
            for i in range(3):
                p[i] += (color[i] - p[i]) * a

    def crop(self, x, y, w, h):
        out = Image(w, h)
        for j in range(h):
            for i in range(w):
                out.px[j][i] = list(self.px[y + j][x + i])
        return out

    def paint(self, cov_fn, bbox, color_fn, alpha=1.0):
        """cov_fn(x+0.5, y+0.5) -> coverage; color_fn(x, y) -> colour."""
        x0, y0, x1, y1 = bbox
        x0, y0 = max(0, int(math.floor(x0)) - 1), max(0, int(math.floor(y0)) - 1)
        x1, y1 = min(self.w, int(math.ceil(x1)) + 1), min(self.h, int(math.ceil(y1)) + 1)
        for y in range(y0, y1):
            for x in range(x0, x1):
                c = cov_fn(x + 0.5, y + 0.5)
                if c > 0.0:
                    self.blend(x, y, color_fn(x, y), c * alpha)

    def save_bmp(self, path):
        """8-bit palette, run-length encoded (BI_RLE8): the skins' flat areas and
        vertical gradients shrink to a few kilobytes, and every BMP reader knows it."""
        rows = [[tuple(int(round(max(0, min(255, v)))) for v in p) for p in row]
                for row in self.px]
        counts = {}
        for row in rows:
            for c in row:
                counts[c] = counts.get(c, 0) + 1
        palette = sorted(counts, key=lambda c: -counts[c])[:256]
        index = {c: i for i, c in enumerate(palette)}

        def nearest(c):
            i = index.get(c)
            if i is None:
                i = min(range(len(palette)),
                        key=lambda k: sum((palette[k][j] - c[j]) ** 2 for j in range(3)))
                index[c] = i
            return i

        body = bytearray()
        for y in range(self.h - 1, -1, -1):
            line = [nearest(c) for c in rows[y]]
            x = 0
            while x < len(line):
                n = 1
                while x + n < len(line) and n < 255 and line[x + n] == line[x]:
                    n += 1
                body += bytes((n, line[x]))
                x += n
            body += b"\0\0" if y > 0 else b"\0\1"
        pal = b"".join(bytes((b, g, r, 0)) for (r, g, b) in palette)
        offset = 14 + 40 + len(pal)
        header = struct.pack("<2sIHHI", b"BM", offset + len(body), 0, 0, offset)
        info = struct.pack("<IiiHHIIiiII", 40, self.w, self.h, 1, 8, 1, len(body),
                           2835, 2835, len(palette), 0)
        with open(path, "wb") as f:
            f.write(header + info + pal + body)


# ---- shapes: coverage functions built from signed distances -------------------

def sd_round_rect(px, py, x, y, w, h, r):
    cx, cy = x + w / 2.0, y + h / 2.0
    qx = abs(px - cx) - (w / 2.0 - r)
    qy = abs(py - cy) - (h / 2.0 - r)
    ox, oy = max(qx, 0.0), max(qy, 0.0)
    return math.hypot(ox, oy) + min(max(qx, qy), 0.0) - r


def rr_cov(x, y, w, h, r):
    return lambda px, py: clamp01(0.5 - sd_round_rect(px, py, x, y, w, h, r))


def ring_cov(x, y, w, h, r, t=1.0):
    outer = rr_cov(x, y, w, h, r)
    inner = rr_cov(x + t, y + t, w - 2 * t, h - 2 * t, max(r - t, 0.0))
    return lambda px, py: clamp01(outer(px, py) - inner(px, py))


def circle_cov(cx, cy, r):
    return lambda px, py: clamp01(0.5 - (math.hypot(px - cx, py - cy) - r))


def circle_ring_cov(cx, cy, r, t):
    return lambda px, py: clamp01(0.5 - abs(math.hypot(px - cx, py - cy) - r) + t / 2.0)


def capsule_cov(ax, ay, bx, by, t):
    def f(px, py):
        dx, dy = bx - ax, by - ay
        ll = dx * dx + dy * dy
        k = 0.0 if ll == 0 else clamp01(((px - ax) * dx + (py - ay) * dy) / ll)
        d = math.hypot(px - (ax + dx * k), py - (ay + dy * k))
        return clamp01(0.5 - (d - t / 2.0))
    return f


def poly_cov(points, ss=4):
    """Coverage of a polygon by supersampling (even-odd)."""
    def inside(x, y):
        c = False
        n = len(points)
        for i in range(n):
            x1, y1 = points[i]
            x2, y2 = points[(i + 1) % n]
            if (y1 > y) != (y2 > y) and x < (x2 - x1) * (y - y1) / (y2 - y1) + x1:
                c = not c
        return c

    def f(px, py):
        hit = 0
        for j in range(ss):
            for i in range(ss):
                if inside(px - 0.5 + (i + 0.5) / ss, py - 0.5 + (j + 0.5) / ss):
                    hit += 1
        return hit / float(ss * ss)
    return f


def solid(c):
    return lambda x, y: c


def vgrad(y0, y1, c0, c1):
    return lambda x, y: mix(c0, c1, clamp01((y - y0) / float(max(1, y1 - y0))))


def draw_text(img, text, cx, cy, color, size, font=FONT_BOLD, kerning=0.0, align="center"):
    w, h, rows = text_coverage(text, font, size, kerning)
    x0 = int(round(cx - w / 2.0)) if align == "center" else int(cx)
    y0 = int(round(cy - h / 2.0))
    for j in range(h):
        for i in range(w):
            img.blend(x0 + i, y0 + j, color, rows[j][i])


# ---- skin pieces ----------------------------------------------------------------

class Theme:
    accent = hexc("#2fb3e0")
    accent_dark = hexc("#1b7fae")
    body_top = hexc("#1a2331")
    body_bottom = hexc("#0f141c")
    head_top = hexc("#222d3e")
    head_bottom = hexc("#19222f")
    frame = hexc("#3b485a")
    panel = hexc("#131a24")
    panel_line = hexc("#252f3d")
    track = hexc("#0c1118")
    track_line = hexc("#253040")
    label = hexc("#93a1b3")
    label_hi = hexc("#e9eff6")
    hover = hexc("#243041")
    button = hexc("#1c2532")
    button_line = hexc("#2f3b4b")
    danger = hexc("#d6454e")


def background(W, H, radius, header_h, panels, track):
    t = Theme
    img = Image(W, H, t.frame)
    # Body: vertical gradient, header band above it, inset by the 1-px frame.
    img.paint(rr_cov(K, K, W - 2 * K, H - 2 * K, radius - K), (0, 0, W, H),
              lambda x, y: (mix(t.head_top, t.head_bottom, y / float(header_h))
                            if y < header_h else
                            mix(t.body_top, t.body_bottom, (y - header_h) / float(H - header_h))))
    # Accent line under the header, fading out at both ends.
    for x in range(K, W - K):
        k = min(1.0, min(x, W - x) / (W * 0.25))
        for j in range(K):
            img.blend(x, header_h + j, t.accent, 0.85 * k)
            img.blend(x, header_h + K + j, t.accent, 0.18 * k)
    tx, ty, tw, th, tr = track
    img.paint(rr_cov(tx, ty, tw, th, tr), (tx, ty, tx + tw, ty + th), solid(t.track))
    img.paint(ring_cov(tx, ty, tw, th, tr, K), (tx, ty, tx + tw, ty + th), solid(t.track_line))
    for (px, py, pw, ph, pr) in panels:
        img.paint(rr_cov(px, py, pw, ph, pr), (px, py, px + pw, py + ph), solid(t.panel))
        img.paint(ring_cov(px, py, pw, ph, pr, K), (px, py, px + pw, py + ph), solid(t.panel_line))
    # Outside the rounded outline: exact magenta, no blended fringe.
    outline = rr_cov(0, 0, W, H, radius)
    for y in range(H):
        for x in range(W):
            if outline(x + 0.5, y + 0.5) < 0.5:
                img.px[y][x] = list(MAGENTA)
    return img


def icon_min(img, cx, cy, s, color):
    t, m = 1.8 * K, 2 * K
    img.paint(capsule_cov(cx - s, cy, cx + s, cy, t), (cx - s - m, cy - m, cx + s + m, cy + m), solid(color))


def icon_close(img, cx, cy, s, color):
    for (ax, ay, bx, by) in ((cx - s, cy - s, cx + s, cy + s), (cx - s, cy + s, cx + s, cy - s)):
        img.paint(capsule_cov(ax, ay, bx, by, 1.8 * K), (cx - s - 2 * K, cy - s - 2 * K, cx + s + 2 * K, cy + s + 2 * K), solid(color))


def icon_top(img, cx, cy, s, color):
    # A bar with an arrow pointing up to it: "keep above other windows".
    t, m = 1.8 * K, 2 * K
    img.paint(capsule_cov(cx - s, cy - s, cx + s, cy - s, t), (cx - s - m, cy - s - m, cx + s + m, cy - s + m), solid(color))
    tri = [(cx, cy - s * 0.45), (cx - s * 0.75, cy + s * 0.3), (cx + s * 0.75, cy + s * 0.3)]
    img.paint(poly_cov(tri), (cx - s, cy - s, cx + s, cy + s), solid(color))
    img.paint(capsule_cov(cx, cy + s * 0.2, cx, cy + s, t), (cx - m, cy, cx + m, cy + s + m), solid(color))


def round_button(bg, x, y, d, icon, look, danger=False):
    """A circular title-bar button; returns the image and its mask."""
    t = Theme
    img = bg.crop(x, y, d, d)
    c = d / 2.0
    r = d / 2.0 - 0.5 * K
    if look == "over":
        img.paint(circle_cov(c, c, r), (0, 0, d, d), solid(t.danger if danger else t.hover))
    elif look == "down":
        img.paint(circle_cov(c, c, r), (0, 0, d, d), solid(hexc("#a3313a") if danger else t.accent_dark))
    color = t.label if look == "normal" else t.label_hi
    icon(img, c, c, d * 0.19, color)
    return img


def circle_mask(d):
    m = Image(d, d, (255, 255, 255))
    cov = circle_cov(d / 2.0, d / 2.0, d / 2.0 - 0.5 * K)
    for y in range(d):
        for x in range(d):
            if cov(x + 0.5, y + 0.5) >= 0.5:
                m.px[y][x] = [0, 0, 0]
    return m


def tab_button(bg, x, y, w, h, text, look, size):
    t = Theme
    img = bg.crop(x, y, w, h)
    r = min(7.0 * K, h / 4.0)
    i = 3 * K
    if look == "over":
        img.paint(rr_cov(i, i, w - 2 * i, h - 2 * i, r), (0, 0, w, h), solid(t.hover))
    elif look == "down":
        img.paint(rr_cov(i, i, w - 2 * i, h - 2 * i, r), (0, 0, w, h), vgrad(i, h - i, t.accent, t.accent_dark))
    color = t.label if look == "normal" else t.label_hi
    draw_text(img, text, w / 2.0, h / 2.0, color, size, kerning=0.6 * K)
    return img


def push_button(bg, x, y, w, h, text, look, size):
    t = Theme
    img = bg.crop(x, y, w, h)
    r = min(7.0 * K, h / 4.0)
    e = 0.5 * K
    fill = {"normal": t.button, "over": t.hover, "down": t.accent_dark}[look]
    line = {"normal": t.button_line, "over": hexc("#3d4d62"), "down": t.accent}[look]
    img.paint(rr_cov(e, e, w - 2 * e, h - 2 * e, r), (0, 0, w, h), solid(fill))
    img.paint(ring_cov(e, e, w - 2 * e, h - 2 * e, r, K), (0, 0, w, h), solid(line))
    color = hexc("#c5d0dc") if look == "normal" else t.label_hi
    draw_text(img, text, w / 2.0, h / 2.0 + (K if look == "down" else 0), color, size, font=FONT)
    return img


def logo(bg, x, y, d):
    # A gauge: ring, scale ticks and a needle.
    t = Theme
    img = bg.crop(x, y, d, d)
    c = d / 2.0
    img.paint(circle_ring_cov(c, c, c - 2 * K, 2.2 * K), (0, 0, d, d), solid(t.accent))
    for k in range(7):
        a = math.radians(210 - k * 40)
        ax, ay = c + math.cos(a) * (c - 6.5 * K), c - math.sin(a) * (c - 6.5 * K)
        bx, by = c + math.cos(a) * (c - 5 * K), c - math.sin(a) * (c - 5 * K)
        img.paint(capsule_cov(ax, ay, bx, by, 1.3 * K), (0, 0, d, d), solid(t.label))
    a = math.radians(50)
    img.paint(capsule_cov(c, c, c + math.cos(a) * (c - 7 * K), c - math.sin(a) * (c - 7 * K), 2.0 * K), (0, 0, d, d), solid(t.label_hi))
    img.paint(circle_cov(c, c, 2.6 * K), (0, 0, d, d), solid(t.accent))
    return img


def scaled(layout, k):
    """The layout with every length times k (icons stay functions, labels texts)."""
    def mul(v):
        if isinstance(v, (int, float)) and not isinstance(v, bool):
            return v * k
        if isinstance(v, tuple):
            return tuple(mul(x) for x in v)
        if isinstance(v, list):
            return [mul(x) for x in v]
        if isinstance(v, dict):
            return {n: mul(x) for n, x in v.items()}
        return v
    return mul(layout)


def build(folder, layout, k=1):
    global K
    K = k
    suffix2x = "" if k == 1 else "@%dx" % k
    layout = scaled(layout, k)
    out = os.path.join(SKINS, folder)
    W, H = layout["size"]
    bg = background(W, H, layout["radius"], layout["header"], layout["panels"], layout["track"])
    files = {"bg.bmp": bg}
    for name, (x, y, d, icon, danger) in layout["round"].items():
        for look, suffix in (("normal", ""), ("over", "_over"), ("down", "_down")):
            files["%s%s.bmp" % (name, suffix)] = round_button(bg, x, y, d, icon, look, danger)
        files["%s_mask.bmp" % name] = circle_mask(d)
    for name, (x, y, w, h, text) in layout["tabs"].items():
        for look, suffix in (("normal", ""), ("over", "_over"), ("down", "_down")):
            files["%s%s.bmp" % (name, suffix)] = tab_button(bg, x, y, w, h, text, look, layout["tab_size"])
    for name, (x, y, w, h, text) in layout["buttons"].items():
        for look, suffix in (("normal", ""), ("over", "_over"), ("down", "_down")):
            files["%s%s.bmp" % (name, suffix)] = push_button(bg, x, y, w, h, text, look, layout["button_size"])
    if "logo" in layout:
        x, y, d = layout["logo"]
        files["logo.bmp"] = logo(bg, x, y, d)
    for name, img in files.items():
        img.save_bmp(os.path.join(out, name.replace(".bmp", suffix2x + ".bmp")))
    print("%s: %d bitmaps at %dx" % (folder, len(files), k))


# Geometry shared with each skin's SkinDefine.xml and stylesheet: keep them in step.
DEFAULT = {
    "size": (500, 640), "radius": 16, "header": 56,
    "track": (16, 68, 468, 34, 9),
    "panels": [(16, 112, 468, 346, 10), (16, 466, 468, 122, 10)],
    "logo": (18, 14, 28),
    "round": {
        "top": (392, 15, 26, icon_top, False),
        "min": (422, 15, 26, icon_min, False),
        "close": (452, 15, 26, icon_close, True),
    },
    "tab_size": 12,
    "tabs": {
        "tab_volt": (18, 70, 154, 30, "Voltage"),
        "tab_temp": (173, 70, 154, 30, "Temperature"),
        "tab_fan": (328, 70, 154, 30, "Fans"),
    },
    "button_size": 11.5,
    "buttons": {
        "fanpilot": (16, 598, 114, 30, "FanPilot"),
        "setup": (134, 598, 114, 30, "Settings"),
        "opacity": (252, 598, 114, 30, "Opacity"),
        "skin": (370, 598, 114, 30, "Change skin"),
    },
}

COMPACT = {
    "size": (300, 416), "radius": 10, "header": 32,
    "track": (8, 38, 284, 24, 6),
    "panels": [(8, 68, 284, 256, 8), (8, 330, 284, 52, 8)],
    "round": {
        "top": (222, 6, 20, icon_top, False),
        "min": (246, 6, 20, icon_min, False),
        "close": (270, 6, 20, icon_close, True),
    },
    "tab_size": 9.5,
    "tabs": {
        "tab_volt": (9, 39, 94, 22, "VOLT"),
        "tab_temp": (103, 39, 94, 22, "TEMP"),
        "tab_fan": (197, 39, 94, 22, "FAN"),
    },
    "button_size": 9,
    "buttons": {
        "fanpilot": (8, 388, 68, 20, "FanPilot"),
        "setup": (80, 388, 68, 20, "Settings"),
        "opacity": (152, 388, 68, 20, "Opacity"),
        "skin": (224, 388, 68, 20, "Skin"),
    },
}

if __name__ == "__main__":
    for k in (1, 2):
        build("default", DEFAULT, k)
        build("compact", COMPACT, k)
