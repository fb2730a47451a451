#!/usr/bin/env python3
"""Draws the program's icons: hozonix.png (64 x 64) and icons/hicolor/SIZE/hozonix.png in the hicolor
sizes (a blue tile with a white tray and an orange arrow going down into it: files put away safely), and
the tool-bar icons the program falls back on when the desktop's icon theme has none (icons/tool/NAME.png
at 24 and NAME-48.png at 48 pixels). Run it in data/ again after changing a drawing."""
import os
import struct
import zlib

SAMPLES = 4  # per pixel and axis, for smooth edges


def png(width, height, rows):
    raw = b"".join(b"\x00" + bytes(c for p in row for c in p) for row in rows)

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))

    header = struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)
    return b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(
        b"IEND", b"")


def render(size, space, colour_at):
    """Pixels of a size x size image whose drawing is given in a space x space square."""
    rows = []
    scale = space / size
    for y in range(size):
        row = []
        for x in range(size):
            r = g = b = a = 0.0
            for j in range(SAMPLES):
                for i in range(SAMPLES):
                    c = colour_at((x + (i + 0.5) / SAMPLES) * scale, (y + (j + 0.5) / SAMPLES) * scale)
                    alpha = c[3] / 255
                    r += c[0] * alpha
                    g += c[1] * alpha
                    b += c[2] * alpha
                    a += alpha
            n = SAMPLES * SAMPLES
            if a == 0:
                row.append((0, 0, 0, 0))
            else:
                row.append((round(r / a), round(g / a), round(b / a), round(255 * a / n)))
        rows.append(row)
    return rows


def save(path, size, rows):
    os.makedirs(os.path.dirname(path) or ".", exist_ok=True)
    with open(path, "wb") as f:
        f.write(png(size, size, rows))


# The program's icon, drawn in a 64 x 64 square.
def inside_round_rect(x, y, x0, y0, x1, y1, r):
    cx = min(max(x, x0 + r), x1 - r)
    cy = min(max(y, y0 + r), y1 - r)
    return (x - cx) ** 2 + (y - cy) ** 2 <= r * r and x0 <= x <= x1 and y0 <= y <= y1


def program_icon(px, py):
    if not inside_round_rect(px, py, 2, 2, 62, 62, 12):
        return (0, 0, 0, 0)
    t = py / 64
    colour = (int(40 + 30 * t), int(110 - 30 * t), int(200 - 40 * t), 255)
    in_tray = (14 <= px <= 50 and 44 <= py <= 50) or (14 <= px <= 19 and 34 <= py <= 50) or (
        45 <= px <= 50 and 34 <= py <= 50)
    if in_tray:
        colour = (250, 250, 250, 255)
    if 28 <= px <= 36 and 10 <= py <= 28:
        colour = (255, 160, 40, 255)
    if 20 <= py <= 40 and abs(px - 32) <= (40 - py) * 0.75 and py >= 26:
        colour = (255, 160, 40, 255)
    return colour


# Tool-bar icons: shapes in a 24 x 24 square, later ones drawn over earlier ones.
def in_polygon(x, y, points):
    inside = False
    for k in range(len(points)):
        (x0, y0), (x1, y1) = points[k], points[(k + 1) % len(points)]
        if (y0 > y) != (y1 > y) and x < (x1 - x0) * (y - y0) / (y1 - y0) + x0:
            inside = not inside
    return inside


def near_polyline(x, y, points, width):
    for (x0, y0), (x1, y1) in zip(points, points[1:]):
        dx, dy = x1 - x0, y1 - y0
        t = max(0.0, min(1.0, ((x - x0) * dx + (y - y0) * dy) / (dx * dx + dy * dy)))
        if (x - x0 - t * dx) ** 2 + (y - y0 - t * dy) ** 2 <= (width / 2) ** 2:
            return True
    return False


def shape_hit(shape, x, y):
    kind = shape[0]
    if kind == "rect":
        _, x0, y0, x1, y1, _ = shape
        return x0 <= x <= x1 and y0 <= y <= y1
    if kind == "round":
        _, x0, y0, x1, y1, r, _ = shape
        return inside_round_rect(x, y, x0, y0, x1, y1, r)
    if kind == "circle":
        _, cx, cy, r, _ = shape
        return (x - cx) ** 2 + (y - cy) ** 2 <= r * r
    if kind == "poly":
        return in_polygon(x, y, shape[1])
    if kind == "line":
        return near_polyline(x, y, shape[1], shape[2])
    raise ValueError(kind)


def drawing(shapes):
    def colour_at(x, y):
        colour = (0, 0, 0, 0)
        for shape in shapes:
            if shape_hit(shape, x, y):
                colour = shape[-1]
        return colour

    return colour_at


INK = (60, 60, 60, 255)
PAPER = (252, 252, 252, 255)
EDGE = (110, 110, 110, 255)
GREEN = (46, 158, 62, 255)
LINE = (150, 150, 150, 255)

TOOL_ICONS = {
    # The run menu opens below its button.
    "run-menu": [("poly", [(4, 8), (20, 8), (12, 18)], INK)],
    # The files the last run wrote: a list with a tick.
    "written-files": [
        ("rect", 4, 2, 19, 22, EDGE), ("rect", 5, 3, 18, 21, PAPER),
        ("rect", 7, 6, 16, 7.4, LINE), ("rect", 7, 9.5, 16, 10.9, LINE), ("rect", 7, 13, 12, 14.4, LINE),
        ("line", [(11, 17), (14.5, 20.5), (21, 12)], 3.2, GREEN),
    ],
    # The files that failed: a warning sign.
    "failed-files": [
        ("poly", [(12, 1.5), (23.5, 21.5), (0.5, 21.5)], (184, 134, 11, 255)),
        ("poly", [(12, 4.2), (21.2, 20.2), (2.8, 20.2)], (245, 194, 17, 255)),
        ("rect", 10.8, 8, 13.2, 14.5, INK), ("circle", 12, 17.3, 1.4, INK),
    ],
    # A new profile: a page with a plus.
    "new-profile": [
        ("poly", [(4, 2), (14, 2), (19, 7), (19, 22), (4, 22)], EDGE),
        ("poly", [(5, 3), (13.5, 3), (18, 7.5), (18, 21), (5, 21)], PAPER),
        ("poly", [(13, 2.5), (13, 8), (18.5, 8)], LINE),
        ("circle", 17, 17, 6, GREEN), ("rect", 16, 13.2, 18, 20.8, PAPER), ("rect", 13.2, 16, 20.8, 18, PAPER),
    ],
    # Saving the list: a disk.
    "save-list": [
        ("round", 3, 3, 21, 21, 2, (52, 101, 164, 255)),
        ("rect", 7, 3, 17, 10, (220, 228, 238, 255)), ("rect", 14, 4.5, 16, 8.5, (52, 101, 164, 255)),
        ("rect", 6, 13, 18, 21, PAPER), ("rect", 8, 15, 16, 15.8, LINE), ("rect", 8, 17.5, 16, 18.3, LINE),
    ],
}


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    save(os.path.join(here, "hozonix.png"), 64, render(64, 64, program_icon))
    for size in (16, 22, 24, 32, 48, 64, 128, 256):
        save(os.path.join(here, "icons", "hicolor", f"{size}x{size}", "hozonix.png"), size,
             render(size, 64, program_icon))
    for name, shapes in TOOL_ICONS.items():
        save(os.path.join(here, "icons", "tool", f"{name}.png"), 24, render(24, 24, drawing(shapes)))
        save(os.path.join(here, "icons", "tool", f"{name}-48.png"), 48, render(48, 24, drawing(shapes)))


if __name__ == "__main__":
    main()
