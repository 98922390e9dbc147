#!/usr/bin/env python3
"""Renders resources/icon.svg into resources/tarquel.ico: nine 32-bit images with alpha
(16, 24, 32, 48, 64, 72, 96, 128 and 256 pixels square).

Only the SVG elements the icon uses are understood: one <rect> with rx and a solid fill, and
<polyline>s with round caps and joins stroked with a vertical <linearGradient> of two stops.
Edges are anti-aliased analytically from signed distances, so no image library is needed.

    python3 scripts/make-icon.py            # rewrites resources/tarquel.ico
"""
import math
import struct
import sys
import xml.etree.ElementTree as ET
import zlib
from pathlib import Path

SIZES = [16, 24, 32, 48, 64, 72, 96, 128, 256]
NS = {"svg": "http://www.w3.org/2000/svg"}
ROOT = Path(__file__).resolve().parent.parent


def parse_colour(text):
    text = text.lstrip("#")
    return tuple(int(text[i:i + 2], 16) / 255.0 for i in (0, 2, 4))


def load(svg_path):
    tree = ET.parse(svg_path).getroot()
    view = [float(v) for v in tree.get("viewBox").split()]
    gradients = {}
    for g in tree.iter("{%s}linearGradient" % NS["svg"]):
        stops = [parse_colour(s.get("stop-color")) for s in g.findall("svg:stop", NS)]
        gradients[g.get("id")] = (float(g.get("y1")), float(g.get("y2")), stops[0], stops[-1])
    rect = tree.find("svg:rect", NS)
    tile = tuple(float(rect.get(k)) for k in ("x", "y", "width", "height", "rx"))
    tile_colour = parse_colour(rect.get("fill"))
    strokes = []
    for line in tree.findall("svg:polyline", NS):
        points = [tuple(float(v) for v in p.split(",")) for p in line.get("points").split()]
        gradient = gradients[line.get("stroke")[5:-1]]
        strokes.append((points, float(line.get("stroke-width")) / 2.0, gradient))
    return view[2], tile, tile_colour, strokes


def rounded_rect_distance(x, y, tile):
    rx0, ry0, w, h, r = tile
    cx, cy = rx0 + w / 2.0, ry0 + h / 2.0
    qx = abs(x - cx) - (w / 2.0 - r)
    qy = abs(y - cy) - (h / 2.0 - r)
    outside = math.hypot(max(qx, 0.0), max(qy, 0.0))
    return outside + min(max(qx, qy), 0.0) - r


def segment_distance(x, y, a, b):
    ax, ay = a
    bx, by = b
    dx, dy = bx - ax, by - ay
    t = max(0.0, min(1.0, ((x - ax) * dx + (y - ay) * dy) / (dx * dx + dy * dy)))
    return math.hypot(x - (ax + t * dx), y - (ay + t * dy))


def coverage(distance, pixel):
    return max(0.0, min(1.0, 0.5 - distance / pixel))


def over(dst, src_rgb, src_a):
    r, g, b, a = dst
    out_a = src_a + a * (1.0 - src_a)
    if out_a == 0.0:
        return (0.0, 0.0, 0.0, 0.0)
    mix = [(s * src_a + d * a * (1.0 - src_a)) / out_a for s, d in zip(src_rgb, (r, g, b))]
    return (mix[0], mix[1], mix[2], out_a)


def render(size, art):
    extent, tile, tile_colour, strokes = art
    scale = extent / size
    rows = []
    for py in range(size):
        row = []
        for px in range(size):
            x, y = (px + 0.5) * scale, (py + 0.5) * scale
            pixel = (0.0, 0.0, 0.0, 0.0)
            pixel = over(pixel, tile_colour, coverage(rounded_rect_distance(x, y, tile), scale))
            for points, half_width, (y1, y2, top, bottom) in strokes:
                d = min(segment_distance(x, y, points[i], points[i + 1])
                        for i in range(len(points) - 1)) - half_width
                a = coverage(d, scale)
                if a > 0.0:
                    t = max(0.0, min(1.0, (y - y1) / (y2 - y1)))
                    colour = tuple(p + (q - p) * t for p, q in zip(top, bottom))
                    pixel = over(pixel, colour, a)
            row.append(tuple(int(round(c * 255)) for c in pixel))
        rows.append(row)
    return rows


def png_bytes(rows):
    size = len(rows)
    raw = b"".join(b"\x00" + bytes(c for px in row for c in px) for row in rows)

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))

    header = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(raw, 9))
            + chunk(b"IEND", b""))


def dib_bytes(rows):
    # 32-bit BGRA bottom-up, height doubled for the (all-zero) AND mask that follows.
    size = len(rows)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    pixels = b"".join(bytes((b, g, r, a)) for row in reversed(rows) for (r, g, b, a) in row)
    mask_row = ((size + 31) // 32) * 4
    return header + pixels + b"\x00" * (mask_row * size)


def write_ico(images, path):
    # Large images are stored as PNG, as Windows expects from Vista on; small ones as DIBs.
    blobs = [png_bytes(rows) if len(rows) >= 256 else dib_bytes(rows) for rows in images]
    offset = 6 + 16 * len(images)
    out = struct.pack("<HHH", 0, 1, len(images))
    for rows, blob in zip(images, blobs):
        size = len(rows)
        dim = 0 if size >= 256 else size
        out += struct.pack("<BBBBHHII", dim, dim, 0, 0, 1, 32, len(blob), offset)
        offset += len(blob)
    path.write_bytes(out + b"".join(blobs))


def main():
    art = load(ROOT / "resources" / "icon.svg")
    images = [render(size, art) for size in SIZES]
    target = Path(sys.argv[1]) if len(sys.argv) > 1 else ROOT / "resources" / "tarquel.ico"
    write_ico(images, target)
    print(f"wrote {target} ({', '.join(map(str, SIZES))} px)")


if __name__ == "__main__":
    main()
