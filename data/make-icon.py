#!/usr/bin/env python3
"""Draws the program's icon, hozonix.png (64 x 64): a blue tile with a white tray and an orange arrow
going down into it (files put away safely). Run it again after changing the drawing."""
import struct
import sys
import zlib

SIZE = 64


def inside_round_rect(x, y, x0, y0, x1, y1, r):
    cx = min(max(x, x0 + r), x1 - r)
    cy = min(max(y, y0 + r), y1 - r)
    return (x - cx) ** 2 + (y - cy) ** 2 <= r * r and x0 <= x <= x1 and y0 <= y <= y1


def pixel(x, y):
    px, py = x + 0.5, y + 0.5
    if not inside_round_rect(px, py, 2, 2, 62, 62, 12):
        return (0, 0, 0, 0)
    t = py / SIZE
    colour = (int(40 + 30 * t), int(110 - 30 * t), int(200 - 40 * t), 255)
    # tray: a U shape
    in_tray = (14 <= px <= 50 and 44 <= py <= 50) or (14 <= px <= 19 and 34 <= py <= 50) or (
        45 <= px <= 50 and 34 <= py <= 50)
    if in_tray:
        colour = (250, 250, 250, 255)
    # arrow: shaft and head
    if 28 <= px <= 36 and 10 <= py <= 28:
        colour = (255, 160, 40, 255)
    if 20 <= py <= 40 and abs(px - 32) <= (40 - py) * 0.75 and py >= 26:
        colour = (255, 160, 40, 255)
    return colour


def png(width, height, rows):
    raw = b"".join(b"\x00" + bytes(c for p in row for c in p) for row in rows)

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))

    header = struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)
    return b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(
        b"IEND", b"")


out = sys.argv[1] if len(sys.argv) > 1 else "hozonix.png"
with open(out, "wb") as f:
    f.write(png(SIZE, SIZE, [[pixel(x, y) for x in range(SIZE)] for y in range(SIZE)]))
