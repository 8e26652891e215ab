#!/usr/bin/env python3
"""Draws Vextorin's icon and writes it as an ICO file holding one 256 x 256 RGBA PNG image.

The picture: a blue rounded tile with three white text lines and a white check mark, standing
for lines of text turned into digests. Run it from anywhere; it writes vextorin.ico beside
itself. Only the standard library is used (zlib, struct).
"""
import math
import os
import struct
import zlib

SIZE = 256
SAMPLES = 4  # supersampling per axis, for smooth edges


def rounded_box(x, y, left, top, right, bottom, radius):
    """True when (x, y) lies inside the rounded rectangle."""
    cx = min(max(x, left + radius), right - radius)
    cy = min(max(y, top + radius), bottom - radius)
    return (x - cx) ** 2 + (y - cy) ** 2 <= radius * radius


def segment_distance(x, y, ax, ay, bx, by):
    dx, dy = bx - ax, by - ay
    t = max(0.0, min(1.0, ((x - ax) * dx + (y - ay) * dy) / (dx * dx + dy * dy)))
    return math.hypot(x - ax - t * dx, y - ay - t * dy)


TEXT_LINES = [(52, 64, 204), (52, 104, 176), (52, 144, 132)]  # left, centre y, right
CHECK = [(124, 184), (152, 210), (206, 146)]


def on_glyph(x, y):
    """True on the white text lines or the check mark."""
    for left, centre, right in TEXT_LINES:
        if segment_distance(x, y, left, centre, right, centre) <= 9:
            return True
    return any(segment_distance(x, y, ax, ay, bx, by) <= 14
               for (ax, ay), (bx, by) in zip(CHECK, CHECK[1:]))


def shade(x, y):
    """Colour of one sample as (r, g, b, a) with components in 0..255."""
    if not rounded_box(x, y, 8, 8, 248, 248, 44):
        return (0, 0, 0, 0)
    if on_glyph(x, y):
        return (255, 255, 255, 255)
    # A top-to-bottom gradient, darker where the glyphs cast their shadow.
    t = (y - 8) / 240
    dim = 0.72 if on_glyph(x - 3, y - 5) else 1.0
    return (round((40 - 22 * t) * dim), round((122 - 56 * t) * dim), round((214 - 76 * t) * dim), 255)


def pixel(px, py):
    total = [0, 0, 0, 0]
    for sy in range(SAMPLES):
        for sx in range(SAMPLES):
            r, g, b, a = shade(px + (sx + 0.5) / SAMPLES, py + (sy + 0.5) / SAMPLES)
            total[0] += r * a
            total[1] += g * a
            total[2] += b * a
            total[3] += a
    if total[3] == 0:
        return (0, 0, 0, 0)
    # Straight (not premultiplied) alpha, as PNG stores it.
    return tuple(round(c / total[3]) for c in total[:3]) + (round(total[3] / SAMPLES**2),)


def filtered_rows(rows):
    """Each row with the PNG filter (None, Sub or Up) that leaves the smallest residue."""
    previous = bytes(len(rows[0]))
    out = bytearray()
    for row in rows:
        sub = bytes((row[i] - (row[i - 4] if i >= 4 else 0)) & 0xFF for i in range(len(row)))
        up = bytes((row[i] - previous[i]) & 0xFF for i in range(len(row)))
        candidates = [(0, row), (1, sub), (2, up)]
        kind, data = min(candidates, key=lambda c: sum(v if v < 128 else 256 - v for v in c[1]))
        out.append(kind)
        out += data
        previous = row
    return bytes(out)


def png_chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))


def make_png():
    rows = [bytes(v for px in range(SIZE) for v in pixel(px, py)) for py in range(SIZE)]
    header = struct.pack(">IIBBBBB", SIZE, SIZE, 8, 6, 0, 0, 0)  # 8 bits, RGBA
    return (b"\x89PNG\r\n\x1a\n" + png_chunk(b"IHDR", header) +
            png_chunk(b"IDAT", zlib.compress(filtered_rows(rows), 9)) + png_chunk(b"IEND", b""))


def make_ico(png):
    header = struct.pack("<HHH", 0, 1, 1)
    # Width and height 0 mean 256; no palette; 1 plane; 32 bits per pixel; data at offset 22.
    entry = struct.pack("<BBBBHHII", 0, 0, 0, 0, 1, 32, len(png), 6 + 16)
    return header + entry + png


if __name__ == "__main__":
    png = make_png()
    path = os.path.join(os.path.dirname(os.path.abspath(__file__)), "vextorin.ico")
    with open(path, "wb") as f:
        f.write(make_ico(png))
    print(f"{path}: {6 + 16 + len(png)} bytes, PNG {len(png)} bytes")
