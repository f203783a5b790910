#!/usr/bin/env python3
"""Draws the generator's icon (a jointed figure hanging from a rope) and writes it as an
uncompressed RGBA TIFF: resource/icon.tiff. Standard library only, so anyone can rebuild it."""
import math
import struct
import sys

SIZE = 64
ROPE = (0.55, 0.60, 0.68)
BODY = (0.98, 0.55, 0.16)
JOINT = (1.0, 0.93, 0.80)


def segment_distance(px, py, ax, ay, bx, by):
    dx, dy = bx - ax, by - ay
    t = max(0.0, min(1.0, ((px - ax) * dx + (py - ay) * dy) / (dx * dx + dy * dy)))
    return math.hypot(px - (ax + t * dx), py - (ay + t * dy))


# Shapes in a 64-unit square, painted in order: (kind, colour, geometry, radius).
SHAPES = [("segment", ROPE, (32, 2, 32, 12), 1.6)]
BONES = [(32, 20, 32, 38), (32, 24, 20, 32), (20, 32, 14, 42), (32, 24, 44, 32), (44, 32, 50, 42),
         (32, 38, 24, 50), (24, 50, 22, 61), (32, 38, 40, 50), (40, 50, 42, 61)]
SHAPES += [("segment", BODY, b, 3.0) for b in BONES]
SHAPES.append(("circle", BODY, (32, 15), 5.0))
JOINTS = {(b[0], b[1]) for b in BONES} | {(b[2], b[3]) for b in BONES}
SHAPES += [("circle", JOINT, j, 1.8) for j in sorted(JOINTS)]


def pixel(x, y):
    r = g = b = a = 0.0
    for kind, colour, geo, radius in SHAPES:
        if kind == "segment":
            d = segment_distance(x, y, *geo)
        else:
            d = math.hypot(x - geo[0], y - geo[1])
        cover = max(0.0, min(1.0, radius + 0.5 - d))
        if cover > 0.0:
            # "over" compositing with straight alpha
            na = cover + a * (1.0 - cover)
            r = (colour[0] * cover + r * a * (1.0 - cover)) / na
            g = (colour[1] * cover + g * a * (1.0 - cover)) / na
            b = (colour[2] * cover + b * a * (1.0 - cover)) / na
            a = na
    return bytes(round(v * 255) for v in (r, g, b, a))


def tiff(width, height, rgba):
    entries = []
    header = 8
    image_offset = header
    bits_offset = image_offset + len(rgba)
    ifd_offset = bits_offset + 8
    def entry(tag, kind, count, value):
        entries.append(struct.pack("<HHII", tag, kind, count, value) if kind == 4
                       else struct.pack("<HHIHH", tag, kind, count, value, 0))
    SHORT, LONG = 3, 4
    entry(256, LONG, 1, width)
    entry(257, LONG, 1, height)
    entry(258, SHORT, 4, 0)  # replaced below: four values live outside the entry
    entry(259, SHORT, 1, 1)  # no compression
    entry(262, SHORT, 1, 2)  # RGB
    entry(273, LONG, 1, image_offset)
    entry(277, SHORT, 1, 4)
    entry(278, LONG, 1, height)
    entry(279, LONG, 1, len(rgba))
    entry(284, SHORT, 1, 1)  # interleaved
    entry(338, SHORT, 1, 2)  # unassociated alpha
    entries[2] = struct.pack("<HHII", 258, SHORT, 4, bits_offset)
    ifd = struct.pack("<H", len(entries)) + b"".join(entries) + struct.pack("<I", 0)
    return (b"II*\x00" + struct.pack("<I", ifd_offset) + rgba + struct.pack("<HHHH", 8, 8, 8, 8) + ifd)


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else "resource/icon.tiff"
    rgba = b"".join(pixel(x + 0.5, y + 0.5) for y in range(SIZE) for x in range(SIZE))
    with open(out, "wb") as f:
        f.write(tiff(SIZE, SIZE, rgba))


if __name__ == "__main__":
    main()
