#!/usr/bin/env python3
"""Makes the game's pictures and sounds from code: the six gallows stages (8-bit BMP), the
four WAVE sounds, the program icon, the GIF pictures and the small ones' decoded twins. Run it
from anywhere; it writes into assets/. Every picture is drawn twice from the same shapes: once at
its size, once at twice it for screens of high DPI (assets/2x/ and assets/pictures/2x/, resource
names ending in ".2X").
Only the standard library is used, and the output is deterministic."""

import math
import os
import random
import struct

HERE = os.path.dirname(os.path.abspath(__file__))
ASSETS = os.path.join(HERE, "..", "assets")

# ---------------------------------------------------------------- drawing

W, H = 110, 212  # the picture; the game shows its top 193 rows

# Device pixels per picture pixel: shapes are given at the picture's size and drawn at this scale.
SCALE = 1


def out_dir(*parts):
    d = os.path.join(ASSETS, *parts, *(["2x"] if SCALE == 2 else []))
    os.makedirs(d, exist_ok=True)
    return d


def clamp(v, lo=0.0, hi=1.0):
    return lo if v < lo else hi if v > hi else v


def seg_dist(px, py, ax, ay, bx, by):
    dx, dy = bx - ax, by - ay
    t = clamp(((px - ax) * dx + (py - ay) * dy) / (dx * dx + dy * dy or 1))
    return math.hypot(px - ax - t * dx, py - ay - t * dy)


class Canvas:
    def __init__(self, w, h):
        self.s = SCALE
        self.w, self.h = w * SCALE, h * SCALE
        self.px = [[(1.0, 1.0, 1.0)] * self.w for _ in range(self.h)]

    def blend(self, x, y, colour, a):
        if a <= 0 or not (0 <= x < self.w and 0 <= y < self.h):
            return
        r, g, b = self.px[y][x]
        self.px[y][x] = (r + (colour[0] - r) * a, g + (colour[1] - g) * a, b + (colour[2] - b) * a)

    def shape(self, dist, bbox, colour, alpha=1.0):
        """Fills where dist(x, y) <= 0, anti-aliased over one pixel."""
        s = self.s
        x0, y0, x1, y1 = (int(math.floor(v * s)) for v in bbox)
        for y in range(max(0, y0 - 1), min(self.h, y1 + 2)):
            for x in range(max(0, x0 - 1), min(self.w, x1 + 2)):
                d = dist((x + 0.5) / s, (y + 0.5) / s) * s
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
    for y in range(c.h):
        t = y / (c.h - 1)
        sky = (0.80 + 0.18 * t, 0.89 + 0.10 * t, 0.99)
        for x in range(c.w):
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

    w, h = W * SCALE, H * SCALE
    for n, img in enumerate(images):
        write_bmp8(os.path.join(out_dir(), f"gallows{n}.bmp"), w, h, dither(img, w, h, palette, nearest), palette)


def dither(img, W, H, palette, nearest):
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
    glyphs = []
    for size in (16, 32, 48):
        c, alpha = icon_image(size)
        g = Glyph(size, size)
        g.rgb, g.alpha = c.px, alpha
        glyphs.append(g)
    write_ico(os.path.join(ASSETS, "slovolovka.ico"), glyphs)

# ---------------------------------------------------------------- GIF pictures


def lzw(indices, min_code):
    """GIF's variable-length LZW, codes packed least significant bit first."""
    clear, end = 1 << min_code, (1 << min_code) + 1
    table = {bytes([i]): i for i in range(clear)}
    size, next_code = min_code + 1, end + 1
    out, acc, nbits = bytearray(), 0, 0

    def emit(code):
        nonlocal acc, nbits
        acc |= code << nbits
        nbits += size
        while nbits >= 8:
            out.append(acc & 0xFF)
            acc >>= 8
            nbits -= 8

    emit(clear)
    w = b""
    for i in indices:
        wc = w + bytes([i])
        if wc in table:
            w = wc
            continue
        emit(table[w])
        if next_code < 4096:
            table[wc] = next_code
            next_code += 1
            if next_code > (1 << size) and size < 12:
                size += 1
        else:
            emit(clear)
            table = {bytes([k]): k for k in range(clear)}
            size, next_code = min_code + 1, end + 1
        w = bytes([i])
    if w:
        emit(table[w])
    emit(end)
    if nbits:
        out.append(acc & 0xFF)
    return bytes(out)


def write_ready_bmp(path, w, h, palette, transparent, idx):
    """The GIF's picture as the program draws it: a 32-bit top-down BMP of premultiplied
    blue, green, red and alpha, so it is shown without decoding a GIF at start."""
    pixels = bytearray()
    for i in idx:
        pixels += b"\0\0\0\0" if i == transparent else bytes((palette[i][2], palette[i][1], palette[i][0], 255))
    header = struct.pack("<IiiHHIIiiII", 40, w, -h, 1, 32, 0, len(pixels), 2835, 2835, 0, 0)
    with open(path, "wb") as f:
        f.write(b"BM" + struct.pack("<IHHI", 14 + len(header) + len(pixels), 0, 0, 14 + len(header)) + header + pixels)


def write_gif(path, frames, delays=None, matte=(0.96, 0.96, 0.98), ready=False):
    """frames: list of (rgb rows, alpha rows); alpha below one half is transparent. A still
    picture made ready also gets its decoded twin beside it (the same name, .bmp); only at its
    own size, since the program draws the twice-size ones rarely and decodes them then."""
    w, h = len(frames[0][0][0]), len(frames[0][0])
    flat = []
    for rgb, alpha in frames:
        for y in range(h):
            for x in range(w):
                if alpha[y][x] >= 0.5:
                    r, g, b = rgb[y][x]
                    a = alpha[y][x]
                    # edges that stay opaque are blended towards a light matte
                    flat.append(tuple(int(round(clamp(c * a + m * (1 - a)) * 255)) for c, m in zip((r, g, b), matte)))
                else:
                    flat.append(None)
    colours = [p for p in flat if p is not None]
    palette = median_cut(colours, 255) if colours else [(0, 0, 0)]
    palette = palette[:255]
    transparent = len(palette)
    palette = palette + [(255, 0, 255)]
    bits = max(1, (len(palette) - 1).bit_length())
    table_size = 1 << bits
    cache = {}

    def nearest(p):
        if p not in cache:
            cache[p] = min(range(transparent), key=lambda i: sum((palette[i][k] - p[k]) ** 2 for k in range(3)))
        return cache[p]

    out = bytearray(b"GIF89a" + struct.pack("<HHBBB", w, h, 0x80 | 0x70 | (bits - 1), transparent, 0))
    for r, g, b in palette + [(0, 0, 0)] * (table_size - len(palette)):
        out += bytes((r, g, b))
    if len(frames) > 1:
        out += b"\x21\xFF\x0BNETSCAPE2.0\x03\x01\x00\x00\x00"
    n = w * h
    for f in range(len(frames)):
        idx = [transparent if p is None else nearest(p) for p in flat[f * n:(f + 1) * n]]
        if ready and SCALE == 1 and len(frames) == 1:
            write_ready_bmp(os.path.splitext(path)[0] + ".bmp", w, h, palette, transparent, idx)
        delay = (delays[f] if delays else 0)
        out += b"\x21\xF9\x04" + bytes((0x09,)) + struct.pack("<H", delay) + bytes((transparent, 0))
        out += b"\x2C" + struct.pack("<HHHHB", 0, 0, w, h, 0)
        min_code = max(2, bits)
        data = lzw(idx, min_code)
        out.append(min_code)
        for i in range(0, len(data), 255):
            chunk = data[i:i + 255]
            out.append(len(chunk))
            out += chunk
        out.append(0)
    out.append(0x3B)
    with open(path, "wb") as fh:
        fh.write(out)


class Glyph:
    """A small picture drawn over transparency."""

    def __init__(self, w, h):
        self.s = SCALE
        self.w, self.h = w * SCALE, h * SCALE
        self.rgb = [[(0.0, 0.0, 0.0)] * self.w for _ in range(self.h)]
        self.alpha = [[0.0] * self.w for _ in range(self.h)]

    def fill(self, dist, colour, bbox=None, opacity=1.0):
        s = self.s
        x0, y0, x1, y1 = (v * s for v in bbox) if bbox else (0, 0, self.w, self.h)
        for y in range(max(0, int(y0) - 1), min(self.h, int(y1) + 2)):
            for x in range(max(0, int(x0) - 1), min(self.w, int(x1) + 2)):
                a = clamp(0.5 - dist((x + 0.5) / s, (y + 0.5) / s) * s) * opacity
                if a <= 0:
                    continue
                old_a = self.alpha[y][x]
                new_a = a + old_a * (1 - a)
                self.rgb[y][x] = tuple((c * a + o * old_a * (1 - a)) / new_a for c, o in zip(colour, self.rgb[y][x]))
                self.alpha[y][x] = new_a

    def disc(self, cx, cy, r, colour):
        self.fill(lambda x, y: math.hypot(x - cx, y - cy) - r, colour, (cx - r, cy - r, cx + r, cy + r))

    def ring(self, cx, cy, r, width, colour):
        self.fill(lambda x, y: abs(math.hypot(x - cx, y - cy) - r) - width / 2, colour,
                  (cx - r - width, cy - r - width, cx + r + width, cy + r + width))

    def arc(self, cx, cy, r, a0, a1, width, colour):
        """Degrees, counter-clockwise from east, y up."""
        def d(x, y):
            ang = math.degrees(math.atan2(cy - y, x - cx)) % 360
            lo, hi = a0 % 360, a1 % 360
            inside = lo <= ang <= hi if lo <= hi else (ang >= lo or ang <= hi)
            if inside:
                return abs(math.hypot(x - cx, y - cy) - r) - width / 2
            ends = [(cx + r * math.cos(math.radians(a)), cy - r * math.sin(math.radians(a))) for a in (a0, a1)]
            return min(math.hypot(x - ex, y - ey) for ex, ey in ends) - width / 2
        self.fill(d, colour, (cx - r - width, cy - r - width, cx + r + width, cy + r + width))

    def line(self, a, b, width, colour):
        r = width / 2
        self.fill(lambda x, y: seg_dist(x, y, a[0], a[1], b[0], b[1]) - r, colour,
                  (min(a[0], b[0]) - r, min(a[1], b[1]) - r, max(a[0], b[0]) + r, max(a[1], b[1]) + r))

    def rect(self, x0, y0, x1, y1, colour, radius=0.0):
        def d(x, y):
            qx = abs(x - (x0 + x1) / 2) - ((x1 - x0) / 2 - radius)
            qy = abs(y - (y0 + y1) / 2) - ((y1 - y0) / 2 - radius)
            return math.hypot(max(qx, 0), max(qy, 0)) + min(max(qx, qy), 0) - radius
        self.fill(d, colour, (x0, y0, x1, y1))

    def poly(self, points, colour):
        def d(x, y):
            inside = False
            best = 1e9
            n = len(points)
            for i in range(n):
                ax, ay = points[i]
                bx, by = points[(i + 1) % n]
                best = min(best, seg_dist(x, y, ax, ay, bx, by))
                if (ay > y) != (by > y) and x < (bx - ax) * (y - ay) / (by - ay) + ax:
                    inside = not inside
            return -best if inside else best
        xs, ys = [p[0] for p in points], [p[1] for p in points]
        self.fill(d, colour, (min(xs), min(ys), max(xs), max(ys)))

    def frame(self):
        return self.rgb, self.alpha


BLUE, BLUE_DARK, BLUE_LIGHT = (0.22, 0.45, 0.85), (0.10, 0.25, 0.60), (0.62, 0.78, 0.98)
RED, RED_DARK = (0.88, 0.22, 0.20), (0.60, 0.10, 0.10)
GREEN, GREEN_DARK = (0.30, 0.70, 0.30), (0.12, 0.42, 0.15)
YELLOW, YELLOW_DARK = (1.0, 0.84, 0.25), (0.80, 0.55, 0.05)
WHITE, GREY, GREY_DARK = (1.0, 1.0, 1.0), (0.70, 0.72, 0.76), (0.35, 0.37, 0.42)
BROWN, ORANGE = (0.55, 0.35, 0.18), (0.95, 0.55, 0.15)


def question(g, cx, cy, s, colour):
    g.arc(cx, cy - 1.6 * s, 1.9 * s, -90, 180, 1.3 * s, colour)
    g.line((cx, cy + 0.3 * s), (cx, cy + 1.0 * s), 1.3 * s, colour)
    g.disc(cx, cy + 2.6 * s, 0.8 * s, colour)


def ball(g, cx, cy, r, colour, dark):
    g.disc(cx, cy, r, dark)
    g.disc(cx, cy, r - 1, colour)
    g.disc(cx - r * 0.3, cy - r * 0.35, r * 0.45, tuple(min(1, c + 0.25) for c in colour))


def icon_about():
    g = Glyph(16, 16)
    ball(g, 8, 8, 7.5, BLUE, BLUE_DARK)
    question(g, 8, 7.6, 1.5, WHITE)
    return g


def icon_information():
    g = Glyph(16, 16)
    ball(g, 8, 8, 7.5, BLUE, BLUE_DARK)
    g.disc(8, 4.3, 1.3, WHITE)
    g.line((8, 7), (8, 12), 2.2, WHITE)
    g.line((6.5, 12.3), (9.8, 12.3), 1.2, WHITE)
    return g


def icon_helpi():
    g = Glyph(16, 16)
    g.rect(1, 1.5, 15, 12, YELLOW_DARK, 3)
    g.rect(2, 2.5, 14, 11, YELLOW, 2.5)
    g.poly([(4, 11), (8, 11), (4, 15)], YELLOW_DARK)
    g.disc(8, 4.8, 1.1, BROWN)
    g.line((8, 6.8), (8, 9.5), 1.8, BROWN)
    return g


def icon_volume():
    g = Glyph(16, 16)
    g.poly([(1.5, 5.5), (4.5, 5.5), (8.5, 2), (8.5, 14), (4.5, 10.5), (1.5, 10.5)], GREY_DARK)
    g.poly([(2.5, 6.5), (5, 6.5), (7.5, 4.3), (7.5, 11.7), (5, 9.5), (2.5, 9.5)], GREY)
    g.arc(8.5, 8, 3.2, -50, 50, 1.3, BLUE)
    g.arc(8.5, 8, 5.8, -50, 50, 1.3, BLUE)
    return g


def icon_properties():
    g = Glyph(16, 16)
    g.rect(2, 1, 12, 15, GREY_DARK, 1)
    g.rect(3, 2, 11, 14, WHITE)
    for y in (4.5, 7, 9.5):
        g.line((4.5, y), (9.5, y), 1, BLUE)
    g.line((14.5, 4.5), (7.5, 11.5), 2.6, ORANGE)
    g.poly([(6.2, 12.8), (6.8, 10.6), (8.6, 12.2)], BROWN)
    g.line((14.8, 4.2), (13.9, 5.1), 2.6, RED)
    return g


def icon_edit():
    g = Glyph(16, 16)
    g.line((13.5, 2.5), (4.5, 11.5), 3.4, YELLOW_DARK)
    g.line((13.5, 2.5), (4.5, 11.5), 2.0, YELLOW)
    g.line((14.3, 1.7), (12.5, 3.5), 3.4, RED)
    g.poly([(2, 14), (3, 10.3), (5.8, 13)], (0.95, 0.85, 0.70))
    g.poly([(2, 14), (2.5, 12.2), (3.8, 13.5)], GREY_DARK)
    return g


def icon_export():
    g = Glyph(16, 16)
    g.rect(1.5, 1, 10, 15, BROWN, 1)
    g.rect(2.5, 2, 9, 14, (0.80, 0.60, 0.38))
    g.disc(7.6, 8.5, 0.8, YELLOW_DARK)
    g.line((8, 8), (13.5, 8), 2.2, GREEN_DARK)
    g.poly([(12, 4.5), (15.5, 8), (12, 11.5)], GREEN_DARK)
    return g


def icon_home():
    g = Glyph(16, 16)
    g.poly([(8, 1.5), (15, 8), (13, 8), (13, 14.5), (3, 14.5), (3, 8), (1, 8)], RED_DARK)
    g.rect(4, 8, 12, 14, (0.98, 0.90, 0.72))
    g.poly([(8, 2.8), (13.3, 7.8), (2.7, 7.8)], RED)
    g.rect(7, 10, 9.5, 14, BROWN)
    g.rect(10, 9, 11.6, 10.8, BLUE_LIGHT)
    return g


def icon_delete():
    g = Glyph(16, 16)
    g.line((3, 3), (13, 13), 3.6, RED_DARK)
    g.line((13, 3), (3, 13), 3.6, RED_DARK)
    g.line((3, 3), (13, 13), 2.2, RED)
    g.line((13, 3), (3, 13), 2.2, RED)
    return g


def icon_history():
    g = Glyph(16, 16)
    ball(g, 8, 8, 7.5, (0.95, 0.95, 0.98), GREY_DARK)
    for k in range(12):
        a = math.radians(k * 30)
        g.disc(8 + 5.6 * math.cos(a), 8 + 5.6 * math.sin(a), 0.45, GREY_DARK)
    g.line((8, 8), (8, 3.8), 1.4, BLUE_DARK)
    g.line((8, 8), (11, 9.5), 1.4, BLUE_DARK)
    g.disc(8, 8, 1, RED)
    return g


def icon_jar():
    g = Glyph(16, 16)
    g.rect(3, 4, 13, 15, (0.45, 0.60, 0.75), 2.5)
    g.rect(4, 5, 12, 14, (0.75, 0.88, 0.98), 2)
    g.rect(4, 9, 12, 14, (0.95, 0.70, 0.20), 2)
    g.rect(4.5, 1, 11.5, 4, RED_DARK, 1)
    g.rect(5, 1.5, 11, 3.5, RED, 0.8)
    g.line((5.5, 6.5), (5.5, 12), 0.9, WHITE)
    return g


def icon_mail():
    g = Glyph(16, 16)
    g.rect(0.5, 3.5, 13, 13, GREY_DARK, 1)
    g.rect(1.5, 4.5, 12, 12, WHITE)
    g.line((1.5, 4.8), (6.8, 9), 1.1, GREY_DARK)
    g.line((12, 4.8), (6.8, 9), 1.1, GREY_DARK)
    g.line((15.3, 6.5), (9.5, 12.3), 2.6, YELLOW_DARK)
    g.line((15.3, 6.5), (9.5, 12.3), 1.4, YELLOW)
    g.poly([(8.2, 14.6), (8.8, 12.0), (10.8, 13.8)], GREY_DARK)
    return g


def face(g, cx, cy, r):
    g.disc(cx, cy, r, YELLOW_DARK)
    g.disc(cx, cy, r - 0.9, YELLOW)
    g.disc(cx - r * 0.3, cy - r * 0.35, r * 0.35, (1.0, 0.94, 0.60))


def icon_smiley():
    g = Glyph(15, 15)
    face(g, 7.5, 7.5, 7.2)
    g.disc(5.2, 5.6, 1.0, BROWN)
    g.disc(9.8, 5.6, 1.0, BROWN)
    g.arc(7.5, 7.2, 4.0, 200, 340, 1.2, BROWN)
    return g


def icon_roll():
    g = Glyph(15, 15)
    face(g, 7.5, 7.5, 7.2)
    for ex in (5.0, 10.0):
        g.disc(ex, 6.0, 2.1, WHITE)
        g.disc(ex + 0.4, 4.9, 0.95, BROWN)
    g.line((5.2, 11), (9.8, 10.6), 1.1, BROWN)
    return g


def icon_peace():
    g = Glyph(15, 15)
    ball(g, 7.5, 7.5, 7.2, GREEN, GREEN_DARK)
    g.ring(7.5, 7.5, 4.6, 1.3, WHITE)
    g.line((7.5, 3), (7.5, 12), 1.3, WHITE)
    g.line((7.5, 7.8), (4.3, 10.8), 1.3, WHITE)
    g.line((7.5, 7.8), (10.7, 10.8), 1.3, WHITE)
    return g


def icon_roach():
    g = Glyph(15, 15)
    for side in (-1, 1):
        for k, y in enumerate((6.0, 8.5, 11.0)):
            g.line((7.5, y), (7.5 + side * 6.0, y + (k - 1) * 1.6), 0.9, BROWN)
        g.line((7.5 + side * 1, 2.5), (7.5 + side * 4.5, 0.3), 0.8, BROWN)
    g.fill(lambda x, y: math.hypot((x - 7.5) / 3.6, (y - 8.5) / 5.6) - 1, (0.40, 0.22, 0.08))
    g.fill(lambda x, y: math.hypot((x - 6.5) / 1.3, (y - 6.8) / 2.8) - 1, (0.62, 0.40, 0.20))
    g.disc(7.5, 3.0, 2.0, (0.30, 0.16, 0.05))
    return g


def icon_web():
    g = Glyph(15, 15)
    ball(g, 7.5, 7.5, 7.2, BLUE, BLUE_DARK)
    g.fill(lambda x, y: math.hypot((x - 5.5) / 2.6, (y - 6) / 3.2) - 1, GREEN)
    g.fill(lambda x, y: math.hypot((x - 10.5) / 1.8, (y - 10.2) / 2.2) - 1, GREEN)
    g.ring(7.5, 7.5, 6.6, 0.6, BLUE_LIGHT)
    g.fill(lambda x, y: abs(math.hypot((x - 7.5) / 3.0, (y - 7.5) / 6.6) - 1) * 3.0 - 0.3, BLUE_LIGHT)
    g.line((1, 7.5), (14, 7.5), 0.6, BLUE_LIGHT)
    return g


def heart(g, cx, cy, s, colour):
    g.disc(cx - 2.1 * s, cy - 1.2 * s, 2.4 * s, colour)
    g.disc(cx + 2.1 * s, cy - 1.2 * s, 2.4 * s, colour)
    g.poly([(cx - 4.3 * s, cy - 0.3 * s), (cx + 4.3 * s, cy - 0.3 * s), (cx, cy + 4.5 * s)], colour)


def icon_love():
    g = Glyph(23, 16)
    heart(g, 7.5, 7, 1.35, RED_DARK)
    heart(g, 7.5, 7, 1.1, RED)
    heart(g, 16.5, 9.5, 0.95, RED_DARK)
    heart(g, 16.5, 9.5, 0.75, (0.98, 0.45, 0.55))
    g.disc(5.3, 4.6, 1.1, (1.0, 0.75, 0.75))
    return g


def write_ico(path, glyphs):
    entries = []
    for g in glyphs:
        size = g.w
        xor = b""
        for y in range(size - 1, -1, -1):
            for x in range(size):
                r, gg, b = (int(round(clamp(v) * 255)) for v in g.rgb[y][x])
                xor += struct.pack("<BBBB", b, gg, r, int(round(g.alpha[y][x] * 255)))
        stride = ((size + 31) // 32) * 4
        mask = b""
        for y in range(size - 1, -1, -1):
            row = bytearray(stride)
            for x in range(size):
                if g.alpha[y][x] < 0.5:
                    row[x // 8] |= 0x80 >> (x % 8)
            mask += bytes(row)
        header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, len(xor) + len(mask), 0, 0, 0, 0)
        entries.append((size, header + xor + mask))
    out = struct.pack("<HHH", 0, 1, len(entries))
    offset = 6 + 16 * len(entries)
    body = b""
    for size, data in entries:
        out += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(data), offset + len(body))
        body += data
    with open(path, "wb") as f:
        f.write(out + body)


def icon_helpbig(size=32):
    g = Glyph(size, size)
    s = size / 32.0
    ball(g, 16 * s, 16 * s, 15.5 * s, BLUE, BLUE_DARK)
    question(g, 16 * s, 15 * s, 3.2 * s, WHITE)
    return g


# Letters drawn with strokes, on a 0..1 box (x right, y down), for the about picture.
LETTERS = {
    "С": [("arc", 0.5, 0.5, 0.42, 40, 320)],
    "Л": [("line", 0.12, 1.0, 0.42, 0.0), ("line", 0.42, 0.0, 0.88, 1.0)],
    "О": [("ring", 0.5, 0.5, 0.42)],
    "В": [("line", 0.15, 0.0, 0.15, 1.0), ("line", 0.15, 0.0, 0.55, 0.0), ("arc", 0.55, 0.24, 0.24, -90, 90),
          ("line", 0.15, 0.48, 0.6, 0.48), ("arc", 0.6, 0.74, 0.26, -90, 90), ("line", 0.15, 1.0, 0.6, 1.0)],
    "К": [("line", 0.15, 0.0, 0.15, 1.0), ("line", 0.15, 0.55, 0.85, 0.0), ("line", 0.35, 0.4, 0.88, 1.0)],
    "А": [("line", 0.08, 1.0, 0.5, 0.0), ("line", 0.5, 0.0, 0.92, 1.0), ("line", 0.25, 0.62, 0.75, 0.62)],
}


def draw_letter(g, ch, x, y, size, width, colour):
    for stroke in LETTERS[ch]:
        kind = stroke[0]
        if kind == "line":
            _, ax, ay, bx, by = stroke
            g.line((x + ax * size, y + ay * size), (x + bx * size, y + by * size), width, colour)
        elif kind == "ring":
            _, cx, cy, r = stroke
            g.fill(lambda px, py, cx=cx, cy=cy, r=r: abs(math.hypot((px - x - cx * size) / 0.8, py - y - cy * size)
                                                     - r * size) - width / 2, colour)
        else:
            _, cx, cy, r, a0, a1 = stroke
            g.arc(x + cx * size, y + cy * size, r * size, a0, a1, width, colour)


def about_picture():
    g = Glyph(230, 230)
    g.rect(0, 0, 230, 230, (0.36, 0.36, 0.62), 18)
    g.rect(3, 3, 227, 227, (0.56, 0.56, 0.84), 16)
    g.fill(lambda x, y: y - 130 - 10 * math.cos((x - 60) / 40.0), GREEN, (0, 110, 230, 230))
    g.fill(lambda x, y: y - 138 - 10 * math.cos((x - 60) / 40.0), GREEN_DARK, (0, 110, 230, 230), 0.4)
    # gallows on the right
    g.rect(176, 34, 184, 150, WOOD)
    g.rect(140, 28, 190, 36, WOOD)
    g.line((178, 62), (160, 36), 5, WOOD)
    g.rect(168, 146, 192, 154, WOOD_DARK)
    g.line((150, 36), (150, 62), 2, ROPE)
    g.ring(150, 68, 6, 2, ROPE)
    # the title on wooden tiles
    for row, word in enumerate(("СЛОВО", "ЛОВКА")):
        for i, ch in enumerate(word):
            x = 14 + i * 25 + row * 12
            y = 40 + row * 40
            g.rect(x, y, x + 23, y + 30, WOOD_DARK, 3)
            g.rect(x + 1, y + 1, x + 22, y + 28, (0.96, 0.88, 0.70), 2.5)
            draw_letter(g, ch, x + 5, y + 6, 13, 2.6, (0.25, 0.15, 0.08))
    # a row of covered cells, one uncovered
    for i in range(6):
        x = 28 + i * 28
        g.rect(x, 176, x + 24, 204, GREY_DARK, 2)
        g.rect(x + 1, 177, x + 23, 203, WHITE, 1.5)
    draw_letter(g, "О", 28 + 2 * 28 + 5, 183, 14, 2.6, (0.10, 0.10, 0.14))
    return g


def globe_frames():
    frames = []
    for k in range(12):
        g = Glyph(60, 65)
        cx, cy, r = 30, 30, 26
        phase = k / 12.0 * math.pi
        g.disc(cx, cy, r, BLUE_DARK)
        g.disc(cx, cy, r - 1.5, BLUE)
        # continents move round with the turn
        for lon, lat, rx, ry in ((0.0, -0.3, 0.5, 0.35), (2.0, 0.25, 0.45, 0.5), (4.1, -0.1, 0.35, 0.6)):
            a = lon + phase * 2
            if math.cos(a) > -0.2:
                px = cx + r * 0.9 * math.sin(a)
                py = cy + r * 0.9 * math.sin(lat)
                sx = max(1.5, rx * r * max(0.2, math.cos(a)))
                g.fill(lambda x, y, px=px, py=py, sx=sx, ry=ry: math.hypot((x - px) / sx, (y - py) / (ry * r)) - 1,
                       GREEN, None, 0.95)
        for m in range(4):
            a = phase + m * math.pi / 4
            w = abs(math.sin(a)) * (r - 1.5)
            g.fill(lambda x, y, w=w: abs(math.hypot((x - cx) / max(w, 0.6), (y - cy) / (r - 1.5)) - 1) * max(w, 0.6) - 0.35,
                   BLUE_LIGHT, None, 0.7)
        for lat in (-0.5, 0.0, 0.5):
            yy = cy + (r - 1.5) * math.sin(lat)
            half = (r - 1.5) * math.cos(lat)
            g.line((cx - half, yy), (cx + half, yy), 0.7, BLUE_LIGHT)
        g.disc(cx - 9, cy - 10, 6, (0.75, 0.88, 1.0))
        frames.append(g.frame())
    return frames


def envelope_frames():
    frames = []
    for k in range(10):
        g = Glyph(55, 60)
        t = k / 10.0
        dy = -4 * math.sin(t * 2 * math.pi)
        lid = math.cos(t * 2 * math.pi)  # 1 closed .. -1 open
        y0 = 20 + dy
        g.rect(5, y0, 50, y0 + 30, GREY_DARK, 2)
        g.rect(6, y0 + 1, 49, y0 + 29, (0.99, 0.97, 0.90), 1.5)
        g.line((6, y0 + 29), (27.5, y0 + 14), 1.1, GREY)
        g.line((49, y0 + 29), (27.5, y0 + 14), 1.1, GREY)
        tip = y0 + 1 + 17 * lid
        g.poly([(6, y0 + 1), (49, y0 + 1), (27.5, tip)], (0.93, 0.88, 0.75) if lid > 0 else (0.85, 0.80, 0.66))
        g.line((6, y0 + 1), (27.5, tip), 1.1, GREY_DARK)
        g.line((49, y0 + 1), (27.5, tip), 1.1, GREY_DARK)
        if lid < 0.3:
            heart(g, 27.5, y0 - 3 - 10 * (0.3 - lid), 1.2, RED)
        frames.append(g.frame())
    return frames


def make_pictures():
    d = out_dir("pictures")
    named = {
        "About16.gif": icon_about, "Volume16.gif": icon_volume, "Properties16.gif": icon_properties,
        "Export16.gif": icon_export, "Information16.gif": icon_information, "Edit16.gif": icon_edit,
        "Helpi16.gif": icon_helpi, "Home16.gif": icon_home, "Delete16.gif": icon_delete,
        "History16.gif": icon_history, "Jar16.gif": icon_jar, "ComposeMail16.gif": icon_mail,
        "smiley.gif": icon_smiley, "icon_peace.gif": icon_peace, "icon_roach.gif": icon_roach,
        "webcomponent.gif": icon_web, "icon_roll.gif": icon_roll, "icon_love.gif": icon_love,
    }
    for name, make in named.items():
        g = make()
        write_gif(os.path.join(d, name), [g.frame()], ready=True)
    if SCALE == 1:
        write_ico(os.path.join(d, "helpbig.ico"), [icon_helpbig(16), icon_helpbig(32)])
    g = about_picture()
    write_gif(os.path.join(d, "about.gif"), [g.frame()], matte=(0.56, 0.56, 0.84))
    write_gif(os.path.join(d, "mail_anim.gif"), envelope_frames(), [9] * 10)
    write_gif(os.path.join(d, "globe_anim.gif"), globe_frames(), [10] * 12)


def list_icon(k):
    g = Glyph(16, 16)
    if k == 0:  # a pencil on a sheet
        g.rect(2, 1, 11, 15, GREY_DARK, 1)
        g.rect(3, 2, 10, 14, WHITE)
        g.line((14.5, 4), (7, 11.5), 2.4, ORANGE)
    elif k == 1:  # a sheet of paper
        g.rect(3, 1, 13, 15, GREY_DARK, 1)
        g.rect(4, 2, 12, 14, WHITE)
        for y in (5, 8, 11):
            g.line((5.5, y), (10.5, y), 1, GREY)
    elif k == 2:  # a red tick
        g.line((2.5, 8.5), (6.5, 12.5), 2.6, RED)
        g.line((6.5, 12.5), (13.5, 3.5), 2.6, RED)
    elif k == 3:  # a computer
        g.rect(1.5, 2, 14.5, 11, GREY_DARK, 1)
        g.rect(2.5, 3, 13.5, 10, BLUE_LIGHT)
        g.rect(5, 12, 11, 14.5, GREY)
    elif k == 4:  # a waste bin
        g.rect(4, 4, 12, 15, GREY_DARK, 1)
        g.rect(3, 2.5, 13, 4, GREY_DARK)
        g.line((6.5, 6), (6.5, 13), 1, GREY)
        g.line((9.5, 6), (9.5, 13), 1, GREY)
    elif k == 5:  # a blue tick on a yellow chequered ground
        for i in range(4):
            for j in range(4):
                g.rect(i * 4, j * 4, i * 4 + 4, j * 4 + 4, YELLOW if (i + j) % 2 else YELLOW_DARK)
        g.line((3, 8.5), (6.5, 12), 2.4, BLUE_DARK)
        g.line((6.5, 12), (13, 4), 2.4, BLUE_DARK)
    elif k == 6:  # the letter blocks "abc"
        for i, colour in enumerate((RED, GREEN, BLUE)):
            g.rect(0.5 + i * 5, 5, 5.2 + i * 5, 11, colour, 1)
        g.disc(3, 8, 1.2, WHITE)
        g.line((7.7, 6.5), (7.7, 9.6), 1, WHITE)
        g.arc(13, 8, 1.4, 40, 320, 1, WHITE)
    elif k == 7:  # a light bulb
        g.disc(8, 6.5, 5, YELLOW_DARK)
        g.disc(8, 6.5, 4, YELLOW)
        g.rect(5.5, 11, 10.5, 14.5, GREY_DARK, 1)
    else:  # a red no-entry sign
        ball(g, 8, 8, 7.5, RED, RED_DARK)
        g.rect(3.5, 6.8, 12.5, 9.2, WHITE)
    return g


def stop_icon():
    """48 x 64, 16 colours: a red open hand, dark red shading, black outline, light grey ground."""
    c = Canvas(48, 64)
    for y in range(c.h):
        for x in range(c.w):
            c.px[y][x] = (192 / 255, 192 / 255, 192 / 255)
    black, red, dark = (0, 0, 0), (0.9, 0.05, 0.05), (0.55, 0.0, 0.0)
    fingers = [(10, 10, 24), (17, 5, 24), (24, 3, 24), (31, 6, 24)]
    for colour, grow in ((black, 1.6), (dark, 0.6), (red, 0.0)):
        for x, top, bottom in fingers:
            c.line((x, top), (x, bottom), 6.2 + 2 * grow - (1.2 if colour == red else 0), colour)
        c.line((38, 36), (44, 26), 6.2 + 2 * grow - (1.2 if colour == red else 0), colour)
        c.shape(lambda px, py, g=grow: max(abs(px - 24) - 16 - g, abs(py - 38) - 16 - g) - 0.0, (4, 18, 44, 58), colour)
    indices, palette = [], [(192, 192, 192), (0, 0, 0), (140, 0, 0), (230, 13, 13)]
    for y in range(c.h):
        for x in range(c.w):
            p = tuple(int(round(v * 255)) for v in c.px[y][x])
            indices.append(min(range(len(palette)), key=lambda i: sum((palette[i][k] - p[k]) ** 2 for k in range(3))))
    write_bmp4(os.path.join(out_dir(), "stopicon.bmp"), c.w, c.h, indices, palette)


def write_bmp4(path, w, h, indices, palette):
    stride = ((w + 1) // 2 + 3) & ~3
    pal = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in palette) + b"\0" * 4 * (16 - len(palette))
    rows = b""
    for y in range(h - 1, -1, -1):
        row = bytearray(stride)
        for x in range(w):
            v = indices[y * w + x]
            row[x // 2] |= v << (4 if x % 2 == 0 else 0)
        rows += bytes(row)
    header = struct.pack("<IiiHHIIiiII", 40, w, h, 1, 4, 0, len(rows), 2835, 2835, 16, 0)
    offset = 14 + len(header) + len(pal)
    with open(path, "wb") as f:
        f.write(b"BM" + struct.pack("<IHHI", offset + len(rows), 0, 0, offset) + header + pal + rows)


def make_dialog_pictures():
    d = out_dir("pictures")
    for k in range(9):
        g = list_icon(k)
        write_gif(os.path.join(d, f"imagelist{k}.gif"), [g.frame()], ready=True)
    stop_icon()

if __name__ == "__main__":
    os.makedirs(ASSETS, exist_ok=True)
    make_well()
    make_tada()
    make_die()
    make_stop()
    make_icon()
    for SCALE in (1, 2):
        make_gallows()
        make_pictures()
        make_dialog_pictures()
