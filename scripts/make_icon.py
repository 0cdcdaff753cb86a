#!/usr/bin/env python3
"""Draws the Lorvex icon and the icons of the "images" folder, as .ico files (or one size as .png).

The Lorvex icon, in a unit square (x to the right, y downwards):

  tile     a rounded square (corner radius 0.22, margin 0.03) filled with a vertical
           gradient from periwinkle #5B6CF0 at the top to deep violet #3A2E9E at the bottom;
  lens     a magnifier glass centred at (0.44, 0.42): a near-white ring #F7F8FF
           (outer radius 0.245) around light-blue glass, #CFF4FF at the top left fading to
           #7CCBEA at the bottom right, with a soft white glint in its upper left and a faint
           shadow of the lens on the tile;
  handle   an amber bar #FFB636 with round ends from the ring out to the bottom right.

Strokes never get thinner than about 1.3 pixels, so the 16-pixel icon stays legible.
Every shape is anti-aliased by supersampling the pixels along its edges (6 x 6 samples).

The icons of the "images" folder, which rows of the result list show, share one light:
each has a body with a vertical gradient, light at the top, and crisp white or dark marks.

  error       a red disc with a white cross (the list's error rows);
  search      a slate magnifier over pale blue glass (web searches without an icon of their own);
  restart     a green circular arrow turning clockwise;
  capture     a graphite camera with a blue lens and an amber flash;
  capture2    the camera, smaller, with a page before it (a capture saved to a file);
  notes       a yellow note with a folded corner and ruled lines;
  clipboard   a brown clipboard with a steel clip over a ruled sheet;
  database    a blue cylinder of three discs.

The glyphs of the main window's flat buttons, drawn the same way and built into the program:

  run         a green arrow pointing right (run the typed line);
  lastused    a clock with a violet rim (the last used items).

The Lorvex .ico holds 16, 32 and 48 pixels as 32-bit BMP images with alpha and 256 pixels
as PNG; the images' and the glyphs' .ico files hold 16 and 32 pixels. Only the standard library is used; the
output is the same on every run.

Usage:
  make_icon.py OUTPUT.ico                       the Lorvex icon
  make_icon.py --image NAME OUTPUT.ico          one icon of the images folder
  make_icon.py --images FOLDER                  every icon of the images folder, as NAME.ico
  make_icon.py --glyph NAME OUTPUT.ico          one glyph of the main window's buttons
  make_icon.py [--image NAME | --glyph NAME] --png SIZE OUTPUT.png   one size as PNG, to look at
"""

import argparse
import math
import os
import struct
import sys
import zlib

ICO_SIZES = (16, 32, 48, 256)
IMAGE_SIZES = (16, 32)
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


def box(left, top, right, bottom, radius=0.0):
    cx, cy = (left + right) / 2, (top + bottom) / 2
    hw, hh = (right - left) / 2 - radius, (bottom - top) / 2 - radius

    def distance(x, y):
        qx = abs(x - cx) - hw
        qy = abs(y - cy) - hh
        return math.hypot(max(qx, 0.0), max(qy, 0.0)) + min(max(qx, qy), 0.0) - radius
    return distance


def ellipse(cx, cy, rx, ry):
    # not the exact distance, but never more than it: edges are sampled a little more often
    return lambda x, y: (math.hypot((x - cx) / rx, (y - cy) / ry) - 1) * min(rx, ry)


def polygon(*points):
    """A convex polygon, its corners clockwise on the screen (y downwards)."""
    edges = []
    for (ax, ay), (bx, by) in zip(points, points[1:] + points[:1]):
        length = math.hypot(bx - ax, by - ay)
        edges.append((ax, ay, (by - ay) / length, (ax - bx) / length))  # the outward normal

    def distance(x, y):
        return max((x - ax) * nx + (y - ay) * ny for ax, ay, nx, ny in edges)
    return distance


def outline(shape, width):
    return lambda x, y: abs(shape(x, y)) - width / 2


def intersection(a, b):
    return lambda x, y: max(a(x, y), b(x, y))


def union(a, b):
    return lambda x, y: min(a(x, y), b(x, y))


def difference(a, b):
    return lambda x, y: max(a(x, y), -b(x, y))


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


# --- the icons of the images folder ---

WHITE = (0xFF, 0xFF, 0xFF)


def stroke(size, width, least=1.3):
    """A stroke width that stays at least Least pixels wide."""
    return max(width, least / size)


def error_icon(size):
    mark = stroke(size, 0.085)
    return [
        (disc(0.5, 0.5, 0.47), vertical_gradient((0xF2, 0x6B, 0x5E), (0xB0, 0x1E, 0x1E), 0.03, 0.97), 1.0),
        (union(capsule(0.33, 0.33, 0.67, 0.67, mark), capsule(0.67, 0.33, 0.33, 0.67, mark)), solid(WHITE), 1.0),
    ]


def magnifier(cx, cy, outer, handle_end, size, ring_colour, handle_colour):
    """A magnifier glass at (cx, cy) with its handle out to the lower right."""
    ring_width = stroke(size, 0.1, 1.6)
    start = (outer - ring_width / 2) * math.sqrt(0.5)
    glass = diagonal_gradient((0xEE, 0xF8, 0xFF), (0x9F, 0xCF, 0xF2), cx, cy, outer)
    return [
        (capsule(cx + start, cy + start, handle_end, handle_end, stroke(size, 0.085, 1.4)), solid(handle_colour), 1.0),
        (disc(cx, cy, outer - ring_width + 0.5 / size), glass, 1.0),
        (ring(cx, cy, outer, ring_width), solid(ring_colour), 1.0),
    ]


def search_icon(size):
    return magnifier(0.41, 0.41, 0.33, 0.88, size, (0x3E, 0x4C, 0x63), (0x3E, 0x4C, 0x63))


def restart_icon(size):
    cx, cy, outer = 0.5, 0.53, 0.37
    width = stroke(size, 0.13, 1.8)
    middle = outer - width / 2
    gap_from, gap_to = math.radians(-100), math.radians(-30)  # the top, a little to the right
    wedge = polygon((cx, cy), (cx + math.cos(gap_from), cy + math.sin(gap_from)),
                    (cx + math.cos(gap_to), cy + math.sin(gap_to)))
    # The head sits at the arc's leading end and points on round, clockwise.
    ex, ey = cx + middle * math.cos(gap_from), cy + middle * math.sin(gap_from)
    tx, ty = -math.sin(gap_from), math.cos(gap_from)  # the tangent, clockwise
    nx, ny = math.cos(gap_from), math.sin(gap_from)  # outwards
    half = max(1.5 * width, 2.2 / size)
    head = polygon((ex + nx * half, ey + ny * half), (ex + tx * 1.9 * width, ey + ty * 1.9 * width),
                   (ex - nx * half, ey - ny * half))
    green = vertical_gradient((0x5C, 0xCB, 0x7E), (0x1F, 0x86, 0x4A), 0.1, 0.95)
    return [(union(difference(ring(cx, cy, outer, width), wedge), head), green, 1.0)]


def camera(left, top, right, bottom, size):
    """A camera filling the box: body, viewfinder hump, lens and flash."""
    w, h = right - left, bottom - top
    body_top = top + 0.2 * h
    lens_x, lens_y = left + 0.5 * w, body_top + 0.52 * (bottom - body_top)
    lens = 0.27 * min(w, h)
    graphite = vertical_gradient((0x6E, 0x77, 0x86), (0x2F, 0x34, 0x3E), top, bottom)
    glass = diagonal_gradient((0x9B, 0xD0, 0xFF), (0x1F, 0x4E, 0x94), lens_x, lens_y, lens)
    drawing = [
        (union(box(left, body_top, right, bottom, 0.12 * h),
               box(left + 0.3 * w, top, left + 0.62 * w, body_top + 0.1 * h, 0.05 * h)), graphite, 1.0),
        (disc(lens_x, lens_y, lens), solid((0xE4, 0xE8, 0xEE)), 1.0),
        (disc(lens_x, lens_y, lens - stroke(size, 0.06 * w / 0.84, 1.0)), glass, 1.0),
    ]
    if size >= 32:
        drawing.append((disc(left + 0.84 * w, body_top + 0.2 * (bottom - body_top), 0.05 * w),
                        solid((0xFF, 0xC1, 0x4D)), 1.0))
        drawing.append((disc(lens_x - 0.35 * lens, lens_y - 0.35 * lens, 0.25 * lens), solid(WHITE), 0.6))
    return drawing


def capture_icon(size):
    return camera(0.06, 0.16, 0.94, 0.86, size)


def page(left, top, right, bottom, size, lines):
    """A sheet of paper with its upper right corner folded and Lines ruled lines."""
    fold = 0.32 * (right - left)
    edge = stroke(size, 0.04, 1.0)
    sheet = difference(box(left, top, right, bottom), polygon((right - fold, top), (right + 1, top), (right + 1, top + fold)))
    inner = difference(box(left + edge, top + edge, right - edge, bottom - edge),
                       polygon((right - fold - edge, top), (right + 1, top), (right + 1, top + fold + edge)))
    drawing = [
        (sheet, solid((0x5F, 0x6B, 0x7A)), 1.0),
        (inner, solid(WHITE), 1.0),
        (polygon((right - fold, top), (right, top + fold), (right - fold, top + fold)), solid((0xB8, 0xC2, 0xCE)), 1.0),
    ]
    line = stroke(size, 0.025, 0.9)
    for i in range(lines):
        y = top + fold + 0.16 + i * 0.14
        drawing.append((capsule(left + 2.5 * edge, y, right - 2.5 * edge, y, line), solid((0x4A, 0x7F, 0xC8)), 1.0))
    return drawing


def capture2_icon(size):
    return camera(0.02, 0.08, 0.8, 0.7, size) + page(0.5, 0.4, 0.96, 0.97, size, 0 if size < 32 else 1)


def ruled_lines(left, right, first, spacing, count, size, colour, opacity):
    return [(capsule(left, first + i * spacing, right, first + i * spacing, stroke(size, 0.025, 0.9)), solid(colour),
             opacity) for i in range(count)]


def notes_icon(size):
    fold = 0.26
    note = difference(box(0.1, 0.1, 0.9, 0.9, 0.04), polygon((0.9 - fold, 0.9), (0.9, 0.9 - fold), (1.2, 1.2)))
    return [
        (note, vertical_gradient((0xFF, 0xE8, 0x7A), (0xF2, 0xC2, 0x1B), 0.1, 0.9), 1.0),
        (polygon((0.9 - fold, 0.9 - fold), (0.9, 0.9 - fold), (0.9 - fold, 0.9)), solid((0xC9, 0x97, 0x00)), 1.0),
    ] + ruled_lines(0.22, 0.78, 0.3, 0.17 if size < 32 else 0.14, 2 if size < 32 else 3, size, (0x8A, 0x6A, 0x00), 0.7)


def clipboard_icon(size):
    return [
        (box(0.14, 0.1, 0.86, 0.96, 0.08), vertical_gradient((0xC8, 0x8E, 0x56), (0x85, 0x55, 0x28), 0.1, 0.96), 1.0),
        (box(0.24, 0.22, 0.76, 0.88, 0.02), solid(WHITE), 1.0),
        (box(0.33, 0.04, 0.67, 0.24, 0.06), vertical_gradient((0xE2, 0xE6, 0xEB), (0x86, 0x90, 0x9C), 0.04, 0.24), 1.0),
    ] + ruled_lines(0.32, 0.68, 0.42, 0.14 if size >= 32 else 0.2, 3 if size >= 32 else 2, size, (0x4A, 0x7F, 0xC8), 1.0)


def database_icon(size):
    left, right, top, bottom = 0.16, 0.84, 0.2, 0.8
    rx, ry = (right - left) / 2, 0.12
    cx = 0.5
    blue = vertical_gradient((0x5C, 0x9D, 0xE6), (0x23, 0x55, 0x9C), top, bottom + ry)
    drawing = [(union(box(left, top, right, bottom), ellipse(cx, bottom, rx, ry)), blue, 1.0)]
    seam = stroke(size, 0.035, 1.0)
    for y in (top + (bottom - top) / 3, top + 2 * (bottom - top) / 3):
        lower_half = box(left - 0.1, y, right + 0.1, y + ry + 0.1)
        drawing.append((intersection(outline(ellipse(cx, y, rx, ry), seam), lower_half), solid((0xD6, 0xE7, 0xFA)), 0.9))
    drawing.append((ellipse(cx, top, rx, ry), solid((0xA9, 0xCD, 0xF5)), 1.0))
    return drawing


def run_glyph(size):
    green = vertical_gradient((0x5C, 0xCB, 0x7E), (0x1F, 0x86, 0x4A), 0.14, 0.86)
    shaft = box(0.1, 0.37, 0.58, 0.63, 0.05)
    head = polygon((0.46, 0.12), (0.92, 0.5), (0.46, 0.88))
    return [(union(shaft, head), green, 1.0)]


def last_used_glyph(size):
    cx, cy, outer = 0.5, 0.5, 0.46
    rim = stroke(size, 0.12, 1.6)
    hand = stroke(size, 0.075, 1.3)
    dark = (0x2F, 0x34, 0x3E)
    drawing = [
        (disc(cx, cy, outer - rim + 0.5 / size), solid((0xFA, 0xFB, 0xFF)), 1.0),
        (ring(cx, cy, outer, rim), vertical_gradient(TILE_TOP, TILE_BOTTOM, cy - outer, cy + outer), 1.0),
        (capsule(cx, cy, cx, cy - 0.24, hand), solid(dark), 1.0),
        (capsule(cx, cy, cx + 0.17, cy + 0.1, hand), solid(dark), 1.0),
    ]
    if size >= 32:
        for angle in range(0, 360, 90):
            a = math.radians(angle)
            x, y = cx + 0.28 * math.cos(a), cy + 0.28 * math.sin(a)
            drawing.append((disc(x, y, 0.025), solid(dark), 0.8))
    return drawing


GLYPHS = {
    "run": run_glyph,
    "lastused": last_used_glyph,
}


IMAGES = {
    "error": error_icon,
    "search": search_icon,
    "restart": restart_icon,
    "capture": capture_icon,
    "capture2": capture2_icon,
    "notes": notes_icon,
    "clipboard": clipboard_icon,
    "database": database_icon,
}


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


def render(size, draw=layers):
    """The icon at one size: rows of (r, g, b, a) tuples, 0..255, straight alpha."""
    pixel = 1.0 / size
    drawing = draw(size)
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


def ico_bytes(sizes, draw=layers):
    images = []
    for size in sizes:
        rows = render(size, draw)
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
    parser = argparse.ArgumentParser(description="Draws the Lorvex icon and the icons of the images folder.")
    parser.add_argument("output", help="the .ico to write (the .png with --png, the folder with --images)")
    parser.add_argument("--png", type=int, metavar="SIZE", help="write one size as PNG instead")
    parser.add_argument("--image", choices=sorted(IMAGES), help="draw this icon of the images folder")
    parser.add_argument("--images", action="store_true", help="write every icon of the images folder into OUTPUT")
    parser.add_argument("--glyph", choices=sorted(GLYPHS), help="draw this glyph of the main window's buttons")
    args = parser.parse_args(argv)
    if args.png is not None and not 1 <= args.png <= 1024:
        parser.error("SIZE must be between 1 and 1024")
    if args.images:
        os.makedirs(args.output, exist_ok=True)
        for name, draw in IMAGES.items():
            write(os.path.join(args.output, name + ".ico"), ico_bytes(IMAGE_SIZES, draw))
        return 0
    if args.image and args.glyph:
        parser.error("--image and --glyph exclude each other")
    if args.glyph:
        draw, sizes = GLYPHS[args.glyph], IMAGE_SIZES
    elif args.image:
        draw, sizes = IMAGES[args.image], IMAGE_SIZES
    else:
        draw, sizes = layers, ICO_SIZES
    write(args.output, png_bytes(render(args.png, draw)) if args.png else ico_bytes(sizes, draw))
    return 0


def write(path, data):
    with open(path, "wb") as f:
        f.write(data)


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
