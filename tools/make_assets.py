#!/usr/bin/env python3
"""Makes the game's pictures and sounds from code: the six gallows stages (8-bit BMP), the
four WAVE sounds and the program icon. Run it from anywhere; it writes into assets/.
Only the standard library is used, and the output is deterministic."""

import math
import os
import random
import struct

HERE = os.path.dirname(os.path.abspath(__file__))
ASSETS = os.path.join(HERE, "..", "assets")

# ---------------------------------------------------------------- drawing

W, H = 110, 212  # the picture; the game shows its top 193 rows


def clamp(v, lo=0.0, hi=1.0):
    return lo if v < lo else hi if v > hi else v


def seg_dist(px, py, ax, ay, bx, by):
    dx, dy = bx - ax, by - ay
    t = clamp(((px - ax) * dx + (py - ay) * dy) / (dx * dx + dy * dy or 1))
    return math.hypot(px - ax - t * dx, py - ay - t * dy)


class Canvas:
    def __init__(self, w, h):
        self.w, self.h = w, h
        self.px = [[(1.0, 1.0, 1.0)] * w for _ in range(h)]

    def blend(self, x, y, colour, a):
        if a <= 0 or not (0 <= x < self.w and 0 <= y < self.h):
            return
        r, g, b = self.px[y][x]
        self.px[y][x] = (r + (colour[0] - r) * a, g + (colour[1] - g) * a, b + (colour[2] - b) * a)

    def shape(self, dist, bbox, colour, alpha=1.0):
        """Fills where dist(x, y) <= 0, anti-aliased over one pixel."""
        x0, y0, x1, y1 = (int(math.floor(v)) for v in bbox)
        for y in range(max(0, y0 - 1), min(self.h, y1 + 2)):
            for x in range(max(0, x0 - 1), min(self.w, x1 + 2)):
                d = dist(x + 0.5, y + 0.5)
                self.blend(x, y, colour, clamp(0.5 - d) * alpha)

    def line(self, a, b, width, colour):
        r = width / 2.0
        self.shape(lambda x, y: seg_dist(x, y, a[0], a[1], b[0], b[1]) - r,
                   (min(a[0], b[0]) - r, min(a[1], b[1]) - r, max(a[0], b[0]) + r, max(a[1], b[1]) + r), colour)

    def rect(self, x0, y0, x1, y1, colour):
        self.shape(lambda x, y: max(x0 - x, x - x1, y0 - y, y - y1), (x0, y0, x1, y1), colour)

    def disc(self, cx, cy, r, colour):
        self.shape(lambda x, y: math.hypot(x - cx, y - cy) - r, (cx - r, cy - r, cx + r, cy + r), colour)

    def ring(self, cx, cy, rx, ry, width, colour):
        def d(x, y):
            # distance to an ellipse, close enough for thin strokes
            k = math.hypot((x - cx) / rx, (y - cy) / ry)
            return abs(k - 1.0) * min(rx, ry) - width / 2.0
        self.shape(d, (cx - rx - width, cy - ry - width, cx + rx + width, cy + ry + width), colour)


WOOD = (0.55, 0.36, 0.20)
WOOD_DARK = (0.36, 0.22, 0.11)
WOOD_LIGHT = (0.71, 0.50, 0.30)
ROPE = (0.76, 0.64, 0.40)
ROPE_DARK = (0.55, 0.44, 0.25)
INK = (0.13, 0.13, 0.18)
SKIN = (0.98, 0.86, 0.72)
SHIRT = (0.20, 0.36, 0.70)
TROUSERS = (0.25, 0.25, 0.32)
GRASS = (0.35, 0.62, 0.28)
GRASS_DARK = (0.24, 0.47, 0.20)


def background(c):
    for y in range(H):
        t = y / (H - 1)
        sky = (0.80 + 0.18 * t, 0.89 + 0.10 * t, 0.99)
        for x in range(W):
            c.px[y][x] = sky
    # a soft cloud
    for cx, cy, r in ((84, 40, 9), (94, 38, 7), (76, 42, 6), (100, 42, 5)):
        c.shape(lambda x, y, cx=cx, cy=cy, r=r: math.hypot(x - cx, (y - cy) * 1.3) - r,
                (cx - r, cy - r, cx + r, cy + r), (1.0, 1.0, 1.0), 0.85)
    # the hill
    def hill(x, y):
        return (176 + 5 * math.cos((x - 30) / 30.0)) - y
    c.shape(hill, (0, 168, W, H), GRASS)
    c.shape(lambda x, y: (181 + 5 * math.cos((x - 30) / 30.0)) - y, (0, 172, W, H), GRASS_DARK, 0.35)
    rnd = random.Random(7)
    for _ in range(40):
        x = rnd.uniform(2, W - 2)
        y = 176 + 5 * math.cos((x - 30) / 30.0) + rnd.uniform(-1, 3)
        c.line((x, y), (x + rnd.uniform(-1.5, 1.5), y - rnd.uniform(2, 4)), 0.9, GRASS_DARK)


def gallows(c):
    # base block, post, beam and brace
    c.rect(12, 170, 44, 180, WOOD_DARK)
    c.rect(13, 170, 43, 172, WOOD_LIGHT)
    c.rect(22, 16, 31, 172, WOOD)
    c.rect(22, 16, 24, 172, WOOD_LIGHT)
    c.rect(29, 16, 31, 172, WOOD_DARK)
    c.rect(16, 12, 92, 21, WOOD)
    c.rect(16, 12, 92, 14, WOOD_LIGHT)
    c.rect(16, 19, 92, 21, WOOD_DARK)
    c.line((30, 58), (58, 21), 6.5, WOOD)
    c.line((31.5, 56), (58, 21), 1.6, WOOD_LIGHT)
    for y in (60, 100, 140):  # wood grain
        c.line((26, y), (27, y + 9), 0.8, WOOD_DARK)
    for x in (40, 66):
        c.line((x, 17), (x + 8, 17.5), 0.8, WOOD_DARK)


def rope(c):
    c.line((74, 21), (74, 53), 2.6, ROPE)
    c.line((74.8, 21), (74.8, 53), 0.8, ROPE_DARK)
    c.rect(71.5, 24, 76.5, 27, ROPE_DARK)
    c.ring(74, 60, 6.0, 7.5, 2.4, ROPE)


def head(c, dead):
    c.disc(74, 66, 10.5, INK)
    c.disc(74, 66, 9.3, SKIN)
    c.disc(70.5, 61, 3.5, (1.0, 0.93, 0.84))  # a soft highlight
    if dead:
        for ex in (70, 78):
            c.line((ex - 2, 63), (ex + 2, 67), 1.2, INK)
            c.line((ex - 2, 67), (ex + 2, 63), 1.2, INK)
        c.line((70, 71.5), (78, 71.5), 1.2, INK)
    else:
        c.disc(70, 65, 1.3, INK)
        c.disc(78, 65, 1.3, INK)
        c.ring(74, 72.5, 3.2, 1.4, 1.0, INK)
    c.rect(71.5, 75.5, 76.5, 79, SKIN)  # neck
    c.ring(74, 77, 4.2, 1.5, 1.6, ROPE_DARK)  # the noose around it


def body(c):
    c.line((74, 83), (74, 100), 11, SHIRT)
    c.rect(68.5, 84, 79.5, 118, SHIRT)
    c.line((70.5, 84), (70.5, 116), 1.2, (0.32, 0.50, 0.85))
    c.rect(68.5, 116, 79.5, 120, INK)


def arms(c):
    c.line((70, 84), (58, 106), 4.6, SHIRT)
    c.line((78, 84), (90, 106), 4.6, SHIRT)
    c.disc(57.5, 107.5, 2.8, SKIN)
    c.disc(90.5, 107.5, 2.8, SKIN)


def legs(c):
    c.line((71, 121), (65, 152), 5.2, TROUSERS)
    c.line((77, 121), (83, 152), 5.2, TROUSERS)
    c.line((64, 153), (59.5, 154), 3.6, INK)
    c.line((84, 153), (88.5, 154), 3.6, INK)


def stage(n):
    c = Canvas(W, H)
    background(c)
    gallows(c)
    if n >= 1:
        rope(c) if n == 1 else c.line((74, 21), (74, 57), 2.6, ROPE)
    if n >= 3:
        body(c)
    if n >= 4:
        arms(c)
    if n >= 5:
        legs(c)
    if n >= 2:
        head(c, dead=n >= 5)
    return c


def median_cut(pixels, count):
    boxes = [list(set(pixels))]
    while len(boxes) < count:
        boxes.sort(key=lambda b: max(max(p[i] for p in b) - min(p[i] for p in b) for i in range(3)) if len(b) > 1 else -1)
        box = boxes.pop()
        if len(box) < 2:
            boxes.append(box)
            break
        axis = max(range(3), key=lambda i: max(p[i] for p in box) - min(p[i] for p in box))
        box.sort(key=lambda p: p[axis])
        half = len(box) // 2
        boxes += [box[:half], box[half:]]
    return [tuple(sum(p[i] for p in b) // len(b) for i in range(3)) for b in boxes]


def to_bytes(c):
    return [tuple(int(round(clamp(v) * 255)) for v in c.px[y][x]) for y in range(c.h) for x in range(c.w)]


def write_bmp8(path, w, h, indices, palette):
    stride = (w + 3) & ~3
    pal = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in palette) + b"\0" * 4 * (256 - len(palette))
    rows = b""
    for y in range(h - 1, -1, -1):
        row = bytes(indices[y * w:(y + 1) * w])
        rows += row + b"\0" * (stride - w)
    header = struct.pack("<IiiHHIIiiII", 40, w, h, 1, 8, 0, len(rows), 2835, 2835, 256, 0)
    offset = 14 + len(header) + len(pal)
    with open(path, "wb") as f:
        f.write(b"BM" + struct.pack("<IHHI", offset + len(rows), 0, 0, offset) + header + pal + rows)


def make_gallows():
    images = [to_bytes(stage(n)) for n in range(6)]
    palette = median_cut([p for img in images for p in img], 256)
    cache = {}

    def nearest(p):
        if p not in cache:
            cache[p] = min(range(len(palette)), key=lambda i: sum((palette[i][k] - p[k]) ** 2 for k in range(3)))
        return cache[p]

    for n, img in enumerate(images):
        write_bmp8(os.path.join(ASSETS, f"gallows{n}.bmp"), W, H, dither(img, palette, nearest), palette)


def dither(img, palette, nearest):
    """Floyd-Steinberg error diffusion, so the sky's gradient shows no bands."""
    work = [list(p) for p in img]
    out = []
    for i in range(len(work)):
        x, y = i % W, i // W
        p = tuple(int(round(clamp(v, 0, 255))) for v in work[i])
        k = nearest(p)
        out.append(k)
        err = [work[i][j] - palette[k][j] for j in range(3)]
        for dx, dy, f in ((1, 0, 7), (-1, 1, 3), (0, 1, 5), (1, 1, 1)):
            if 0 <= x + dx < W and y + dy < H:
                q = work[(y + dy) * W + x + dx]
                for j in range(3):
                    q[j] += err[j] * f / 16
    return out

# ---------------------------------------------------------------- sounds


def write_wav(path, rate, channels, bits, frames):
    """frames: list of tuples of floats in -1..1, one per channel."""
    data = bytearray()
    for frame in frames:
        for v in frame:
            v = clamp(v, -1.0, 1.0)
            if bits == 8:
                data.append(int(round(128 + v * 127)))
            else:
                data += struct.pack("<h", int(round(v * 32767)))
    block = channels * bits // 8
    fmt = struct.pack("<HHIIHH", 1, channels, rate, rate * block, block, bits)
    with open(path, "wb") as f:
        f.write(b"RIFF" + struct.pack("<I", 4 + 8 + len(fmt) + 8 + len(data)) + b"WAVE")
        f.write(b"fmt " + struct.pack("<I", len(fmt)) + fmt)
        f.write(b"data" + struct.pack("<I", len(data)) + bytes(data))


def envelope(t, attack, decay):
    return (t / attack if t < attack else 1.0) * math.exp(-(max(0.0, t - attack)) / decay)


def fade(t, length, tail=0.03):
    return clamp((length - t) / tail)


def bell(f, t):
    return (math.sin(2 * math.pi * f * t) + 0.35 * math.sin(2 * math.pi * 2.76 * f * t) * math.exp(-t * 6)
            + 0.15 * math.sin(2 * math.pi * 5.4 * f * t) * math.exp(-t * 12))


def brass(f, t, n=6):
    return sum(math.sin(2 * math.pi * f * k * t) / k ** 1.2 for k in range(1, n + 1)) / 1.9


def make_well():
    rate, length = 11025, 1.08
    frames = []
    for i in range(int(rate * length)):
        t = i / rate
        v = 0.45 * bell(1318.5, t) * envelope(t, 0.004, 0.22)
        if t > 0.09:
            u = t - 0.09
            v += 0.40 * bell(1975.5, u) * envelope(u, 0.004, 0.30)
        frames.append((v * 0.8 * fade(t, length),))
    write_wav(os.path.join(ASSETS, "well.wav"), rate, 1, 8, frames)


def make_tada():
    rate, length = 22050, 1.94
    notes = [(0.00, 523.25), (0.12, 659.25), (0.24, 783.99), (0.40, 1046.5)]
    chord = [523.25, 659.25, 783.99, 1046.5]
    frames = []
    for i in range(int(rate * length)):
        t = i / rate
        left = right = 0.0
        for k, (start, f) in enumerate(notes[:3]):
            if start <= t < start + 0.16:
                u = t - start
                v = 0.30 * brass(f, u) * envelope(u, 0.01, 0.12)
                left += v * (0.8 - 0.2 * k)
                right += v * (0.4 + 0.2 * k)
        if t >= 0.40:
            u = t - 0.40
            vib = 1 + 0.004 * math.sin(2 * math.pi * 5.5 * u) * clamp(u * 2)
            for k, f in enumerate(chord):
                v = 0.16 * brass(f * vib, u, 5) * envelope(u, 0.02, 0.65)
                left += v * (0.9 if k % 2 == 0 else 0.6)
                right += v * (0.6 if k % 2 == 0 else 0.9)
        g = fade(t, length, 0.1)
        frames.append((left * g, right * g))
    write_wav(os.path.join(ASSETS, "tada.wav"), rate, 2, 16, frames)


def make_die():
    rate, length = 11025, 1.99
    notes = [(0.00, 0.38, 392.00), (0.42, 0.38, 369.99), (0.84, 0.38, 349.23), (1.26, 0.73, 329.63)]
    frames = []
    for i in range(int(rate * length)):
        t = i / rate
        v = 0.0
        for start, dur, f in notes:
            if start <= t < start + dur:
                u = t - start
                last = dur > 0.5
                bend = 1 - (0.03 * u if last else 0.0)
                vib = 1 + (0.012 * math.sin(2 * math.pi * 6 * u) * clamp(u * 3) if last else 0.0)
                wah = 0.55 + 0.45 * math.sin(math.pi * clamp(u / dur))
                v += 0.5 * brass(f * bend * vib, u, 5) * wah * clamp((start + dur - t) / 0.05)
        frames.append((v * 0.8,))
    write_wav(os.path.join(ASSETS, "die.wav"), rate, 1, 8, frames)


def make_stop():
    rate, length = 22050, 0.23
    rnd = random.Random(3)
    frames = []
    phase = 0.0
    noise = 0.0
    for i in range(int(rate * length)):
        t = i / rate
        f = 55 + 110 * math.exp(-t * 25)
        phase += 2 * math.pi * f / rate
        noise = 0.8 * noise + 0.2 * rnd.uniform(-1, 1)
        v = 0.85 * math.sin(phase) * envelope(t, 0.002, 0.07) + 0.5 * noise * math.exp(-t * 40)
        v *= fade(t, length, 0.02)
        frames.append((v, v * 0.92))
    write_wav(os.path.join(ASSETS, "stop.wav"), rate, 2, 16, frames)

# ---------------------------------------------------------------- icon


def icon_image(size):
    s = size / 32.0
    c = Canvas(size, size)
    c.px = [[(0.0, 0.0, 0.0)] * size for _ in range(size)]
    alpha = [[0.0] * size for _ in range(size)]

    def fill(dist, bbox, colour):
        x0, y0, x1, y1 = (int(math.floor(v)) for v in bbox)
        for y in range(max(0, y0 - 1), min(size, y1 + 2)):
            for x in range(max(0, x0 - 1), min(size, x1 + 2)):
                a = clamp(0.5 - dist(x + 0.5, y + 0.5))
                if a > 0:
                    r, g, b = c.px[y][x]
                    c.px[y][x] = tuple(o + (n - o) * a for o, n in zip((r, g, b), colour))
                    alpha[y][x] = alpha[y][x] + (1 - alpha[y][x]) * a

    def rounded(x, y):
        qx, qy = abs(x - 16 * s) - 13 * s, abs(y - 16 * s) - 13 * s
        return math.hypot(max(qx, 0), max(qy, 0)) + min(max(qx, qy), 0) - 3 * s

    fill(rounded, (0, 0, size, size), (0.42, 0.42, 0.78))
    fill(lambda x, y: max(abs(x - 16 * s) - 11 * s, abs(y - 14 * s) - 9 * s) if y < 16 * s else 99, (0, 0, size, size),
         (0.55, 0.55, 0.86))

    def seg(a, b, w, colour):
        fill(lambda x, y: seg_dist(x, y, a[0] * s, a[1] * s, b[0] * s, b[1] * s) - w * s / 2,
             (min(a[0], b[0]) * s - w, min(a[1], b[1]) * s - w, max(a[0], b[0]) * s + w, max(a[1], b[1]) * s + w), colour)

    seg((9, 26), (9, 6), 3, WOOD_LIGHT)
    seg((8, 6.5), (23, 6.5), 3, WOOD_LIGHT)
    seg((9, 12), (14, 6.5), 1.8, WOOD_LIGHT)
    seg((6, 26.5), (14, 26.5), 2.2, WOOD_DARK)
    seg((21, 7), (21, 11), 1.2, ROPE)
    fill(lambda x, y: math.hypot(x - 21 * s, y - 14 * s) - 3.2 * s, (0, 0, size, size), SKIN)
    seg((21, 17), (21, 22), 2.2, (1.0, 1.0, 1.0))
    seg((21, 18.5), (18, 21), 1.4, (1.0, 1.0, 1.0))
    seg((21, 18.5), (24, 21), 1.4, (1.0, 1.0, 1.0))
    seg((21, 22), (19, 26), 1.4, (1.0, 1.0, 1.0))
    seg((21, 22), (23, 26), 1.4, (1.0, 1.0, 1.0))
    return c, alpha


def make_icon():
    entries = []
    for size in (16, 32, 48):
        c, alpha = icon_image(size)
        xor = b""
        for y in range(size - 1, -1, -1):
            for x in range(size):
                r, g, b = (int(round(clamp(v) * 255)) for v in c.px[y][x])
                xor += struct.pack("<BBBB", b, g, r, int(round(alpha[y][x] * 255)))
        mask_stride = ((size + 31) // 32) * 4
        mask = b""
        for y in range(size - 1, -1, -1):
            bits = 0
            row = bytearray(mask_stride)
            for x in range(size):
                if alpha[y][x] < 0.5:
                    row[x // 8] |= 0x80 >> (x % 8)
            mask += bytes(row)
            del bits
        header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, len(xor) + len(mask), 0, 0, 0, 0)
        entries.append((size, header + xor + mask))
    out = struct.pack("<HHH", 0, 1, len(entries))
    offset = 6 + 16 * len(entries)
    body = b""
    for size, data in entries:
        out += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(data), offset + len(body))
        body += data
    with open(os.path.join(ASSETS, "slovolovka.ico"), "wb") as f:
        f.write(out + body)


if __name__ == "__main__":
    os.makedirs(ASSETS, exist_ok=True)
    make_gallows()
    make_well()
    make_tada()
    make_die()
    make_stop()
    make_icon()
