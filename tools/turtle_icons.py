#!/usr/bin/env python3
"""Draws the turtle's 24 icons: one design seen from above, turned clockwise in
15-degree steps, as 32 x 32 PNGs with a transparent background.

    python3 tools/turtle_icons.py src/resources/turtle

The icon facing up is 101.png; the one turned a degrees clockwise from up is
(2000 + a).png, a = 15, 30 ... 345, which is how the runtime names them.
Only the standard library is used, so the pictures can be made again anywhere.
"""

import math
import os
import struct
import sys
import zlib

SIZE = 32
SAMPLES = 4  # per side: 16 samples a pixel smooth the edges

SHELL = (46, 139, 87)
SHELL_DARK = (30, 92, 58)
SKIN = (140, 190, 90)
OUTLINE = (20, 50, 30)


def ellipse(x, y, cx, cy, rx, ry):
    return ((x - cx) / rx) ** 2 + ((y - cy) / ry) ** 2 <= 1


def colour_at(x, y):
    """The design facing up, in a frame where (0, 0) is the centre and y grows
    downwards; None where the background shows."""
    # Shell with a dark rim and a plate pattern.
    if ellipse(x, y, 0, 1, 8.2, 9.7):
        if not ellipse(x, y, 0, 1, 7.0, 8.5):
            return SHELL_DARK
        if ellipse(x, y, 0, 1, 3.0, 3.6) and not ellipse(x, y, 0, 1, 2.2, 2.8):
            return SHELL_DARK
        if abs(x) < 0.6 and abs(y - 1) > 3.2:
            return SHELL_DARK
        return SHELL
    # Head ahead of the shell, with two eyes.
    if ellipse(x, y, 0, -10.5, 3.3, 3.8):
        if ellipse(x, y, -1.4, -11.6, 0.7, 0.7) or ellipse(x, y, 1.4, -11.6, 0.7, 0.7):
            return OUTLINE
        return SKIN
    # Four legs at the shell's corners and a short tail.
    for lx, ly in ((-7.8, -5.0), (7.8, -5.0), (-7.6, 7.0), (7.6, 7.0)):
        if ellipse(x, y, lx, ly, 2.4, 2.0):
            return SKIN
    if abs(x) < 1.2 - (y - 10.5) * 0.3 and 10.5 <= y <= 14:
        return SKIN
    return None


def render(degrees):
    """RGBA rows of the design turned `degrees` clockwise."""
    turn = math.radians(degrees)
    c, s = math.cos(turn), math.sin(turn)
    rows = []
    for py in range(SIZE):
        row = bytearray()
        for px in range(SIZE):
            r = g = b = hits = 0
            for sy in range(SAMPLES):
                for sx in range(SAMPLES):
                    x = px + (sx + 0.5) / SAMPLES - SIZE / 2
                    y = py + (sy + 0.5) / SAMPLES - SIZE / 2
                    # Turn the sample back to the upright design.
                    ux, uy = c * x + s * y, -s * x + c * y
                    colour = colour_at(ux, uy)
                    if colour:
                        r, g, b, hits = r + colour[0], g + colour[1], b + colour[2], hits + 1
            if hits:
                alpha = round(255 * hits / SAMPLES**2)
                row += bytes((round(r / hits), round(g / hits), round(b / hits), alpha))
            else:
                row += bytes(4)
        rows.append(bytes(row))
    return rows


def png(rows):
    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))

    raw = b"".join(b"\0" + row for row in rows)
    header = struct.pack(">IIBBBBB", SIZE, SIZE, 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) +
            chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def main():
    folder = sys.argv[1] if len(sys.argv) > 1 else "src/resources/turtle"
    os.makedirs(folder, exist_ok=True)
    for step in range(24):
        degrees = 15 * step
        name = "101.png" if degrees == 0 else f"{2000 + degrees}.png"
        with open(os.path.join(folder, name), "wb") as out:
            out.write(png(render(degrees)))


if __name__ == "__main__":
    main()
