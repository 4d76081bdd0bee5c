#!/usr/bin/env python3
"""Draws Corvane's icon and writes res/corvane.ico (16, 32 and 48 pixels, 32-bit with alpha).

The motif: a drum hit's waveform, a decaying sine, over the samples a packer stores of it (one
bar a sample, from the centre line), on a dark blue tile. Each size is drawn on its own pixel
grid (8 x 8 samples a pixel, the bars on whole pixels), so the 16-pixel icon stays crisp. Only
the standard library is used and every step is plain arithmetic, so the output is the same byte
for byte on every run:

    python3 res/make-icon.py            # rewrites res/corvane.ico
    python3 res/make-icon.py OUT.ico    # writes elsewhere (scripts/check-package.sh compares)
"""
import math
import struct
import sys
from pathlib import Path

SIZES = (16, 32, 48)
SUB = 8  # samples per pixel along each axis

TILE_TOP = (0x2E, 0x4A, 0x7A)
TILE_BOTTOM = (0x16, 0x24, 0x42)
WAVE = (0x9F, 0xE8, 0xFF)
STEPS = (0xFF, 0xB0, 0x3A)


def wave(x):
    """The sample at x in 0..1: a decaying sine, +-1 at most."""
    return math.exp(-2.0 * x) * math.sin(2 * math.pi * 1.75 * x)


def coverage(size, inside):
    """Fraction of each pixel's sub-samples for which inside(u, v) holds, u and v in pixels."""
    out = [[0.0] * size for _ in range(size)]
    for y in range(size):
        for x in range(size):
            hits = 0
            for sy in range(SUB):
                for sx in range(SUB):
                    if inside(x + (sx + 0.5) / SUB, y + (sy + 0.5) / SUB):
                        hits += 1
            out[y][x] = hits / (SUB * SUB)
    return out


# Per size: tile margin, the samples' bar count, pitch and width (whole pixels, so the bars
# stay crisp), and the sine's stroke width (none at 16 pixels, where the bars alone show it).
LAYOUT = {16: (0, 7, 2, 1, 1.2), 32: (1, 7, 3, 2, 1.6), 48: (2, 8, 4, 3, 2.2)}


def draw(size):
    """Returns size rows of (r, g, b, a) pixels, top row first."""
    margin, bars, pitch, width, stroke = LAYOUT[size]
    radius = size * 0.2
    lo, hi = margin, size - margin

    def in_tile(u, v):
        cx = min(max(u, lo + radius), hi - radius)
        cy = min(max(v, lo + radius), hi - radius)
        return lo <= u <= hi and lo <= v <= hi and (u - cx) ** 2 + (v - cy) ** 2 <= radius**2

    # The bars span bars * pitch - (pitch - width) pixels, centred; the curve runs over them.
    span = bars * pitch - (pitch - width)
    left = (size - span) // 2
    right = left + span
    mid, amp = size / 2, size * 0.34

    def y_at(u):
        return mid - amp * wave((u - left) / (right - left))

    # The curve as a dense polyline; a point is on the stroke when it is near one of its points
    # (looked up among the points of its own pixel column and the neighbours').
    curve = [(left + i / 20, y_at(left + i / 20)) for i in range(span * 20 + 1)]
    near = [[(x, y) for x, y in curve if abs(x - column - 0.5) <= stroke / 2 + 1] for column in range(size)]

    def in_wave(u, v):
        r2 = (stroke / 2) ** 2
        return any((u - x) ** 2 + (v - y) ** 2 <= r2 for x, y in near[int(u)])

    def in_bars(u, v):
        i = int((u - left) // pitch)
        if u < left or i >= bars or u - left - i * pitch >= width:
            return False
        level = y_at(left + i * pitch + width / 2)
        return min(level, mid) - 0.5 <= v <= max(level, mid) + 0.5

    tile = coverage(size, in_tile)
    samples = coverage(size, in_bars)
    sine = coverage(size, in_wave) if stroke else None
    rows = []
    for y in range(size):
        t = y / (size - 1)
        base = [TILE_TOP[c] + (TILE_BOTTOM[c] - TILE_TOP[c]) * t for c in range(3)]
        row = []
        for x in range(size):
            colour = base
            for layer, ink in ((samples, STEPS), (sine, WAVE)):
                if layer is None:
                    continue
                k = layer[y][x] * tile[y][x]
                colour = [colour[c] + (ink[c] - colour[c]) * k for c in range(3)]
            row.append(tuple(int(round(c)) for c in colour) + (int(round(255 * tile[y][x])),))
        rows.append(row)
    return rows


def ico_image(rows):
    """One icon image: BITMAPINFOHEADER, 32-bit BGRA rows bottom-up, then the 1-bit AND mask."""
    size = len(rows)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    pixels = b"".join(bytes((b, g, r, a)) for row in reversed(rows) for (r, g, b, a) in row)
    mask_stride = ((size + 31) // 32) * 4
    mask = b""
    for row in reversed(rows):
        bits = bytearray(mask_stride)
        for x, (_, _, _, a) in enumerate(row):
            if a == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bytes(bits)
    return header + pixels + mask


def main():
    out = Path(sys.argv[1]) if len(sys.argv) > 1 else Path(__file__).with_name("corvane.ico")
    images = [ico_image(draw(size)) for size in SIZES]
    data = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, image in zip(SIZES, images):
        data += struct.pack("<BBBBHHII", size, size, 0, 0, 1, 32, len(image), offset)
        offset += len(image)
    out.write_bytes(data + b"".join(images))


if __name__ == "__main__":
    main()
