#!/usr/bin/env python3
"""Draws the tool's images into resources/images: the logo, the four status
lamps, the two connection images and the animated loading image; and the
program's icon for the desktop menu into resources/icons at 48, 128 and 256
pixels. Standard library only (PNG and GIF written by hand), so it runs
anywhere:
    python3 resources/draw_images.py
"""
import math
import os
import struct
import zlib

OUT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "images")
ICONS = os.path.join(os.path.dirname(os.path.abspath(__file__)), "icons")


def png(path, width, height, pixels):
    """pixels: function (x, y) -> (r, g, b, a)."""
    raw = bytearray()
    for y in range(height):
        raw.append(0)
        for x in range(width):
            raw.extend(pixels(x, y))

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    data = b"\x89PNG\r\n\x1a\n"
    data += chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0))
    data += chunk(b"IDAT", zlib.compress(bytes(raw), 9))
    data += chunk(b"IEND", b"")
    with open(path, "wb") as f:
        f.write(data)


def coverage(inside, x, y, n=4):
    """Anti-aliased coverage of a shape by n x n supersampling."""
    hits = 0
    for i in range(n):
        for j in range(n):
            if inside(x + (i + 0.5) / n, y + (j + 0.5) / n):
                hits += 1
    return hits / (n * n)


def lamp(path, colour):
    size = 24
    c = size / 2
    r = size / 2 - 1

    def pixels(x, y):
        a = coverage(lambda px, py: (px - c) ** 2 + (py - c) ** 2 <= r * r, x, y)
        # a highlight towards the top left, a darker rim
        d = math.hypot(x + 0.5 - c * 0.75, y + 0.5 - c * 0.7) / (r * 1.4)
        shade = max(0.55, 1.15 - d)
        rgb = [min(255, int(v * shade)) for v in colour]
        return (*rgb, int(255 * a))

    png(path, size, size, pixels)


def connection(path, connected):
    size = 30
    c = size / 2

    def pixels(x, y):
        ring = coverage(lambda px, py: 10.5 ** 2 <= (px - c) ** 2 + (py - c) ** 2 <= 13.5 ** 2, x, y)
        if connected:
            # two linked bars: a closed link
            mark = coverage(lambda px, py: abs(py - c) <= 2.2 and 7 <= px <= 23, x, y)
            colour = (40, 170, 70)
        else:
            # a diagonal cross: the link is broken
            mark = coverage(lambda px, py: (abs((px - c) - (py - c)) <= 2.2 or abs((px - c) + (py - c)) <= 2.2)
                            and (px - c) ** 2 + (py - c) ** 2 <= 8.5 ** 2, x, y)
            colour = (200, 45, 45)
        a = max(ring, mark)
        return (*colour, int(255 * a))

    png(path, size, size, pixels)


FONT = {  # 5 x 7 capitals, one string per row
    "Z": ["11111", "00001", "00010", "00100", "01000", "10000", "11111"],
    "O": ["01110", "10001", "10001", "10001", "10001", "10001", "01110"],
    "R": ["11110", "10001", "10001", "11110", "10100", "10010", "10001"],
    "V": ["10001", "10001", "10001", "10001", "10001", "01010", "00100"],
    "A": ["01110", "10001", "10001", "11111", "10001", "10001", "10001"],
    "N": ["10001", "11001", "10101", "10011", "10001", "10001", "10001"],
    "E": ["11111", "10000", "10000", "11110", "10000", "10000", "11111"],
    "Q": ["01110", "10001", "10001", "10001", "10101", "10010", "01101"],
    "T": ["11111", "00100", "00100", "00100", "00100", "00100", "00100"],
    " ": ["00000"] * 7,
}


def logo(path):
    width, height = 240, 50
    text = "ZORVANE QVT"
    scale = 3
    text_width = len(text) * 6 * scale - scale
    left = (width - text_width) // 2
    top = (height - 7 * scale) // 2

    def pixels(x, y):
        # a deep blue band fading to the right
        t = x / width
        bg = (int(20 + 30 * t), int(50 + 60 * t), int(110 + 80 * t))
        col = (x - left) // scale
        row = (y - top) // scale
        if 0 <= row < 7 and col >= 0:
            index, within = divmod(col, 6)
            if index < len(text) and within < 5 and FONT[text[index]][row][within] == "1":
                return (255, 255, 255, 255)
        return (*bg, 255)

    png(path, width, height, pixels)


def gif(path, width, height, frames, palette, delay_cs):
    """An animated GIF; frames are lists of palette indexes. The image data
    uses 9-bit codes that are all literals, with a clear code often enough that
    the code size never grows: valid LZW without a dictionary."""
    out = bytearray(b"GIF89a")
    out += struct.pack("<HHBBB", width, height, 0xF7, 0, 0)  # global table of 256
    table = bytearray()
    for i in range(256):
        table += bytes(palette[i] if i < len(palette) else (0, 0, 0))
    out += table
    out += b"\x21\xFF\x0BNETSCAPE2.0\x03\x01\x00\x00\x00"  # loop for ever
    for frame in frames:
        out += b"\x21\xF9\x04" + struct.pack("<BHBB", 0x08 | 0x01, delay_cs, 0, 0)
        out += b"\x2C" + struct.pack("<HHHHB", 0, 0, width, height, 0)
        out.append(8)
        codes = [256]
        for i, p in enumerate(frame):
            if i and i % 250 == 0:
                codes.append(256)
            codes.append(p)
        codes.append(257)
        bits, nbits, data = 0, 0, bytearray()
        for code in codes:
            bits |= code << nbits
            nbits += 9
            while nbits >= 8:
                data.append(bits & 0xFF)
                bits >>= 8
                nbits -= 8
        if nbits:
            data.append(bits & 0xFF)
        for i in range(0, len(data), 255):
            block = data[i:i + 255]
            out.append(len(block))
            out += block
        out.append(0)
    out.append(0x3B)
    with open(path, "wb") as f:
        f.write(out)


def loading(path):
    size, dots, steps = 64, 8, 8
    c = size / 2
    palette = [(255, 255, 255)] + [(int(40 + 180 * (1 - k / 7)),) * 3 for k in range(8)]
    frames = []
    for step in range(steps):
        frame = []
        for y in range(size):
            for x in range(size):
                index = 0
                for d in range(dots):
                    angle = 2 * math.pi * d / dots
                    dx, dy = c + 22 * math.cos(angle), c + 22 * math.sin(angle)
                    if (x + 0.5 - dx) ** 2 + (y + 0.5 - dy) ** 2 <= 5.5 ** 2:
                        # the dot just passed is darkest, the others fade
                        index = 1 + (step - d) % dots
                frame.append(index)
        frames.append(frame)
    gif(path, size, size, frames, palette, 10)


def segment(px, py, ax, ay, bx, by, half_width):
    """Whether (px, py) lies within half_width of the segment from a to b."""
    dx, dy = bx - ax, by - ay
    t = max(0.0, min(1.0, ((px - ax) * dx + (py - ay) * dy) / (dx * dx + dy * dy)))
    return math.hypot(px - ax - t * dx, py - ay - t * dy) <= half_width


def icon(path, size):
    """The program's icon: a change-over switch on the logo's blue, its blade
    on the healthy (green) input, the failed (red) one left open, the output
    to the right."""
    s = size
    line = 0.045 * s
    dot = 0.085 * s
    pivot = (0.66 * s, 0.5 * s)
    a_end, b_end = (0.42 * s, 0.33 * s), (0.42 * s, 0.67 * s)
    a_dot, b_dot = (0.2 * s, 0.33 * s), (0.2 * s, 0.67 * s)

    def tile(px, py):
        # a square with rounded corners
        m, r = 0.04 * s, 0.2 * s
        cx = min(max(px, m + r), s - m - r)
        cy = min(max(py, m + r), s - m - r)
        return (px - cx) ** 2 + (py - cy) ** 2 <= r * r and m <= px <= s - m and m <= py <= s - m

    def wires(px, py):
        return (segment(px, py, *a_dot, *a_end, line) or segment(px, py, *b_dot, *b_end, line)
                or segment(px, py, *pivot, *a_end, line)               # the blade, on input A
                or segment(px, py, *pivot, 0.8 * s, 0.5 * s, line)     # the output
                or (px >= 0.78 * s and abs(py - 0.5 * s) <= (0.9 * s - px) * 0.8))  # its arrow

    def disc(centre, radius):
        return lambda px, py: (px - centre[0]) ** 2 + (py - centre[1]) ** 2 <= radius * radius

    green, red = disc(a_dot, dot), disc(b_dot, dot)
    n = 4 if size <= 64 else 2

    def pixels(x, y):
        back = coverage(tile, x, y, n)
        if back == 0:
            return (0, 0, 0, 0)
        t = (x + y) / (2 * s)
        colour = [20 + 30 * t, 50 + 60 * t, 110 + 80 * t]
        for shape, paint in ((wires, (255, 255, 255)), (green, (40, 190, 60)), (red, (230, 40, 40))):
            a = coverage(shape, x, y, n)
            if a:
                colour = [c * (1 - a) + p * a for c, p in zip(colour, paint)]
        return (*[int(round(c)) for c in colour], int(round(255 * back)))

    png(path, size, size, pixels)


def main():
    os.makedirs(OUT, exist_ok=True)
    lamp(os.path.join(OUT, "red.png"), (230, 40, 40))
    lamp(os.path.join(OUT, "yellow.png"), (240, 200, 30))
    lamp(os.path.join(OUT, "green.png"), (40, 190, 60))
    lamp(os.path.join(OUT, "gray.png"), (150, 150, 150))
    connection(os.path.join(OUT, "connect.png"), True)
    connection(os.path.join(OUT, "disconnect.png"), False)
    logo(os.path.join(OUT, "Logo.png"))
    loading(os.path.join(OUT, "Loading.gif"))
    os.makedirs(ICONS, exist_ok=True)
    for size in (48, 128, 256):
        icon(os.path.join(ICONS, "qvt-config-%d.png" % size), size)
    print("images written to", OUT, "and", ICONS)


if __name__ == "__main__":
    main()
