#!/usr/bin/env python3
"""Draws the Lorvex icon and writes it as a multi-size .ico (or one size as .png).

The drawing, in a unit square (x to the right, y downwards):

  tile     a rounded square (corner radius 0.22, margin 0.03) filled with a vertical
           gradient from periwinkle #5B6CF0 at the top to deep violet #3A2E9E at the bottom;
  lens     a magnifier glass centred at (0.44, 0.42): a near-white ring #F7F8FF
           (outer radius 0.245) around light-blue glass, #CFF4FF at the top left fading to
           #7CCBEA at the bottom right, with a soft white glint in its upper left and a faint
           shadow of the lens on the tile;
  handle   an amber bar #FFB636 with round ends from the ring out to the bottom right.

Strokes never get thinner than about 1.3 pixels, so the 16-pixel icon stays legible.
Every shape is anti-aliased by supersampling the pixels along its edges (6 x 6 samples).

The .ico holds 16, 32 and 48 pixels as 32-bit BMP images with alpha and 256 pixels as
PNG. Only the standard library is used; the output is the same on every run.

Usage:
  make_icon.py OUTPUT.ico                 the multi-size icon
  make_icon.py --png SIZE OUTPUT.png      one size as PNG, to look at
"""

import argparse
import math
import struct
import sys
import zlib

ICO_SIZES = (16, 32, 48, 256)
PNG_IN_ICO_FROM = 256  # sizes from this one up are stored as PNG inside the .ico
SUBSAMPLES = 6

TILE_TOP = (0x5B, 0x6C, 0xF0)
TILE_BOTTOM = (0x3A, 0x2E, 0x9E)
RING = (0xF7, 0xF8, 0xFF)
GLASS_LIGHT = (0xCF, 0xF4, 0xFF)
GLASS_DARK = (0x7C, 0xCB, 0xEA)
HANDLE = (0xFF, 0xB6, 0x36)
SHADOW = (0x1A, 0x12, 0x50)
GLINT = (0xFF, 0xFF, 0xFF)


# --- shapes as signed distances (negative inside), in unit-square coordinates ---

def rounded_square(margin, radius):
    half = 0.5 - margin
    inner = half - radius

    def distance(x, y):
        qx = abs(x - 0.5) - inner
        qy = abs(y - 0.5) - inner
        outside = math.hypot(max(qx, 0.0), max(qy, 0.0))
        return outside + min(max(qx, qy), 0.0) - radius
    return distance


def disc(cx, cy, radius):
    return lambda x, y: math.hypot(x - cx, y - cy) - radius


def ring(cx, cy, outer, width):
    middle = outer - width / 2
    return lambda x, y: abs(math.hypot(x - cx, y - cy) - middle) - width / 2


def capsule(ax, ay, bx, by, half_width):
    dx, dy = bx - ax, by - ay
    length2 = dx * dx + dy * dy

    def distance(x, y):
        t = max(0.0, min(1.0, ((x - ax) * dx + (y - ay) * dy) / length2))
        return math.hypot(x - ax - t * dx, y - ay - t * dy) - half_width
    return distance


def intersection(a, b):
    return lambda x, y: max(a(x, y), b(x, y))


# --- paints: a colour at a point ---

def mix(c0, c1, t):
    t = max(0.0, min(1.0, t))
    return tuple(a + (b - a) * t for a, b in zip(c0, c1))


def solid(colour):
    return lambda x, y: colour


def vertical_gradient(top, bottom, y0, y1):
    return lambda x, y: mix(top, bottom, (y - y0) / (y1 - y0))


def diagonal_gradient(light, dark, cx, cy, radius):
    # from the upper left of a circle to its lower right
    return lambda x, y: mix(light, dark, 0.5 + ((x - cx) + (y - cy)) / (2 * math.sqrt(2) * radius))


# --- the drawing ---

def layers(size):
    """The drawing for one pixel size, bottom layer first: (distance, paint, opacity)."""
    pixel = 1.0 / size
    cx, cy = 0.44, 0.42
    outer = 0.245
    ring_width = max(0.075, 1.5 * pixel)
    handle_half = max(0.065, 1.3 * pixel)
    glass_radius = outer - ring_width + pixel / 4  # a little under the ring: no seam
    d = math.sqrt(0.5)
    start = outer - ring_width / 2

    drawing = [(rounded_square(0.03, 0.22), vertical_gradient(TILE_TOP, TILE_BOTTOM, 0.03, 0.97), 1.0)]
    if size >= 32:
        shadow_dx, shadow_dy = 0.018, 0.025
        drawing.append((disc(cx + shadow_dx, cy + shadow_dy, outer), solid(SHADOW), 0.28))
        drawing.append((capsule(cx + start * d + shadow_dx, cy + start * d + shadow_dy,
                                0.80 + shadow_dx, 0.78 + shadow_dy, handle_half), solid(SHADOW), 0.28))
    drawing.append((capsule(cx + start * d, cy + start * d, 0.80, 0.78, handle_half), solid(HANDLE), 1.0))
    glass = diagonal_gradient(GLASS_LIGHT, GLASS_DARK, cx, cy, glass_radius)
    drawing.append((disc(cx, cy, glass_radius), glass, 1.0))
    if size >= 32:
        glint = intersection(disc(cx - 0.06, cy - 0.065, 0.085), disc(cx, cy, glass_radius - 0.03))
        drawing.append((glint, solid(GLINT), 0.55))
    drawing.append((ring(cx, cy, outer, ring_width), solid(RING), 1.0))
    return drawing


def coverage(distance, px, py, pixel):
    """The part of the pixel with upper left (px, py) that lies inside the shape."""
    centre = distance(px + pixel / 2, py + pixel / 2)
    reach = pixel * 0.75  # half the pixel's diagonal, rounded up
    if centre >= reach:
        return 0.0
    if centre <= -reach:
        return 1.0
    step = pixel / SUBSAMPLES
    inside = 0
    for j in range(SUBSAMPLES):
        sy = py + (j + 0.5) * step
        for i in range(SUBSAMPLES):
            if distance(px + (i + 0.5) * step, sy) < 0:
                inside += 1
    return inside / (SUBSAMPLES * SUBSAMPLES)


def render(size):
    """The icon at one size: rows of (r, g, b, a) tuples, 0..255, straight alpha."""
    pixel = 1.0 / size
    drawing = layers(size)
    rows = []
    for y in range(size):
        row = []
        for x in range(size):
            px, py = x * pixel, y * pixel
            r = g = b = a = 0.0  # premultiplied while compositing
            for distance, paint, opacity in drawing:
                alpha = coverage(distance, px, py, pixel) * opacity
                if alpha == 0.0:
                    continue
                cr, cg, cb = paint(px + pixel / 2, py + pixel / 2)
                r = cr * alpha + r * (1 - alpha)
                g = cg * alpha + g * (1 - alpha)
                b = cb * alpha + b * (1 - alpha)
                a = alpha + a * (1 - alpha)
            if a > 0:
                row.append((round(r / a), round(g / a), round(b / a), round(a * 255)))
            else:
                row.append((0, 0, 0, 0))
        rows.append(row)
    return rows


# --- file formats ---

def png_bytes(rows):
    height, width = len(rows), len(rows[0])

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))

    raw = b"".join(b"\x00" + bytes(v for p in row for v in p) for row in rows)
    header = struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)  # 8-bit RGBA
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(raw, 9))
            + chunk(b"IEND", b""))


def bmp_icon_bytes(rows):
    """An icon image: BITMAPINFOHEADER, 32-bit BGRA bottom-up, then the 1-bit AND mask."""
    height, width = len(rows), len(rows[0])
    mask_stride = (width + 31) // 32 * 4
    pixels = b"".join(bytes((b, g, r, a)) for row in reversed(rows) for r, g, b, a in row)
    mask = bytearray()
    for row in reversed(rows):
        line = bytearray(mask_stride)
        for x, (_, _, _, a) in enumerate(row):
            if a == 0:
                line[x // 8] |= 0x80 >> (x % 8)
        mask += line
    header = struct.pack("<IiiHHIIiiII", 40, width, height * 2, 1, 32, 0, len(pixels) + len(mask), 0, 0, 0, 0)
    return header + pixels + bytes(mask)


def ico_bytes(sizes):
    images = []
    for size in sizes:
        rows = render(size)
        images.append((size, png_bytes(rows) if size >= PNG_IN_ICO_FROM else bmp_icon_bytes(rows)))
    directory = struct.pack("<HHH", 0, 1, len(images))
    offset = len(directory) + 16 * len(images)
    entries = b""
    for size, data in images:
        side = 0 if size >= 256 else size  # 0 stands for 256
        entries += struct.pack("<BBBBHHII", side, side, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    return directory + entries + b"".join(data for _, data in images)


def main(argv):
    parser = argparse.ArgumentParser(description="Draws the Lorvex icon.")
    parser.add_argument("output", help="the .ico to write (or the .png with --png)")
    parser.add_argument("--png", type=int, metavar="SIZE", help="write one size as PNG instead")
    args = parser.parse_args(argv)
    if args.png is not None and not 1 <= args.png <= 1024:
        parser.error("SIZE must be between 1 and 1024")
    data = png_bytes(render(args.png)) if args.png else ico_bytes(ICO_SIZES)
    with open(args.output, "wb") as f:
        f.write(data)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
