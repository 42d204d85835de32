#!/usr/bin/env python3
"""Draws the runner's button strip, tree strip and program icon as plain BMP and
ICO files. The images are committed; run this again only to change them:

    python3 runner/resources/draw_images.py runner/resources

Each strip is a row of 16x16 pictures on magenta, the colour the image lists
treat as transparent.
"""
import math
import struct
import sys
from pathlib import Path

MAGENTA = (255, 0, 255)
BLACK = (0, 0, 0)
WHITE = (255, 255, 255)
GREEN = (0, 170, 0)
DARK_GREEN = (0, 110, 0)
RED = (215, 0, 0)
DARK_RED = (140, 0, 0)
YELLOW = (255, 215, 0)
DARK_YELLOW = (190, 150, 0)
BLUE = (30, 90, 200)
PAPER = (250, 250, 250)
GREY = (128, 128, 128)
BROWN = (120, 70, 20)


class Canvas:
    def __init__(self, width, height, background=MAGENTA):
        self.width = width
        self.height = height
        self.pixels = [[background] * width for _ in range(height)]

    def put(self, x, y, colour):
        if 0 <= x < self.width and 0 <= y < self.height:
            self.pixels[y][x] = colour

    def rectangle(self, left, top, right, bottom, fill, outline=None):
        for y in range(top, bottom + 1):
            for x in range(left, right + 1):
                edge = x in (left, right) or y in (top, bottom)
                self.put(x, y, outline if edge and outline else fill)

    def disc(self, cx, cy, radius, fill, outline=None):
        for y in range(self.height):
            for x in range(self.width):
                distance = math.hypot(x + 0.5 - cx, y + 0.5 - cy)
                if distance <= radius:
                    edge = outline and distance > radius - 1.1
                    self.put(x, y, outline if edge else fill)

    def line(self, x0, y0, x1, y1, colour, thickness=1):
        steps = int(max(abs(x1 - x0), abs(y1 - y0)) * 2) + 1
        for i in range(steps + 1):
            x = x0 + (x1 - x0) * i / steps
            y = y0 + (y1 - y0) * i / steps
            for dx in range(thickness):
                for dy in range(thickness):
                    self.put(int(round(x)) + dx, int(round(y)) + dy, colour)

    def tick(self, x, y, size, colour, thickness=2):
        """A tick whose box starts at (x, y) and is size pixels wide."""
        self.line(x, y + size * 0.55, x + size * 0.35, y + size * 0.9, colour, thickness)
        self.line(x + size * 0.35, y + size * 0.9, x + size, y, colour, thickness)

    def paste(self, other, left):
        for y in range(other.height):
            for x in range(other.width):
                self.put(left + x, y, other.pixels[y][x])


def tile():
    return Canvas(16, 16)


def information_bubble():
    c = tile()
    c.disc(8, 7, 6.5, WHITE, BLUE)
    c.line(4, 12, 2, 15, BLUE)
    c.line(5, 12, 3, 15, BLUE)
    c.rectangle(7, 3, 8, 4, BLUE)
    c.rectangle(7, 6, 8, 10, BLUE)
    return c


def document(mark):
    c = tile()
    c.rectangle(2, 1, 11, 14, PAPER, GREY)
    for y in (4, 6, 8):
        c.line(4, y, 9, y, GREY)
    mark(c)
    return c


def green_tick_mark(c):
    c.tick(8, 8, 7, GREEN)


def stop_sign_mark(c):
    c.disc(11.5, 11.5, 4.5, RED, DARK_RED)
    c.line(10, 11, 13, 11, WHITE)
    c.line(10, 12, 13, 12, WHITE)


def disc_with_tick(fill, outline):
    c = tile()
    c.disc(8, 8, 7.5, fill, outline)
    c.tick(4, 4, 8, WHITE)
    return c


def beetle_with_tick():
    c = tile()
    for leg in (5, 8, 11):
        c.line(1, leg - 1, 13, leg + 1, BLACK)
    c.disc(7, 8, 5, BROWN, BLACK)
    c.disc(7, 2.5, 2.2, BLACK)
    c.line(7, 4, 7, 13, BLACK)
    c.tick(9, 9, 6, GREEN)
    return c


def plain_tick():
    c = tile()
    c.tick(2, 3, 12, GREEN, 3)
    return c


def folder(open_):
    c = tile()
    c.rectangle(1, 3, 6, 5, YELLOW, DARK_YELLOW)
    c.rectangle(1, 5, 14, 13, YELLOW, DARK_YELLOW)
    if open_:
        for y in range(8, 14):
            shift = (13 - y) // 2
            c.line(3 + shift, y, 15 - (y - 8) // 3, y, (255, 235, 120))
        c.line(3, 8, 15, 8, DARK_YELLOW)
    return c


def square(fill, outline):
    c = tile()
    c.rectangle(3, 3, 12, 12, fill, outline)
    return c


def striped_square():
    c = square(YELLOW, BLACK)
    stripes = (YELLOW, GREEN, RED)
    for y in range(4, 12):
        for x in range(4, 12):
            c.put(x, y, stripes[((x + y) // 3) % 3])
    return c


def strip(tiles):
    c = Canvas(16 * len(tiles), 16)
    for index, picture in enumerate(tiles):
        c.paste(picture, 16 * index)
    return c


def greyed(canvas):
    c = Canvas(canvas.width, canvas.height)
    for y in range(canvas.height):
        for x in range(canvas.width):
            r, g, b = canvas.pixels[y][x]
            if (r, g, b) != MAGENTA:
                level = int(0.3 * r + 0.59 * g + 0.11 * b)
                level = 96 + level * 128 // 255
                c.put(x, y, (level, level, level))
    return c


def bmp_bytes(canvas):
    row_size = (canvas.width * 3 + 3) & ~3
    rows = b""
    for y in reversed(range(canvas.height)):
        row = b"".join(bytes((b, g, r)) for r, g, b in canvas.pixels[y])
        rows += row + b"\0" * (row_size - len(row))
    header = struct.pack("<IiiHHIIiiII", 40, canvas.width, canvas.height, 1, 24, 0, len(rows), 2835, 2835, 0, 0)
    file_header = struct.pack("<2sIHHI", b"BM", 14 + len(header) + len(rows), 0, 0, 14 + len(header))
    return file_header + header + rows


def icon_image(canvas):
    """One icon entry: a 32-bit colour image over an AND mask, bottom-up."""
    colour = b""
    for y in reversed(range(canvas.height)):
        for r, g, b in canvas.pixels[y]:
            alpha = 0 if (r, g, b) == MAGENTA else 255
            colour += bytes((b, g, r, alpha))
    mask_row = ((canvas.width + 31) // 32) * 4
    mask = b""
    for y in reversed(range(canvas.height)):
        row = bytearray(mask_row)
        for x, pixel in enumerate(canvas.pixels[y]):
            if pixel == MAGENTA:
                row[x // 8] |= 0x80 >> (x % 8)
        mask += bytes(row)
    header = struct.pack("<IiiHHIIiiII", 40, canvas.width, canvas.height * 2, 1, 32, 0,
                         len(colour) + len(mask), 0, 0, 0, 0)
    return header + colour + mask


def ico_bytes(canvases):
    images = [icon_image(c) for c in canvases]
    directory = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    entries = b""
    for canvas, image in zip(canvases, images):
        entries += struct.pack("<BBBBHHII", canvas.width % 256, canvas.height % 256, 0, 0, 1, 32, len(image), offset)
        offset += len(image)
    return directory + entries + b"".join(images)


def program_icon(size):
    c = Canvas(size, size)
    scale = size / 16
    c.disc(size / 2, size / 2, size / 2 - 0.5, BLUE, (10, 40, 110))
    c.tick(int(3.5 * scale), int(4 * scale), int(9 * scale), WHITE, max(2, int(2 * scale)))
    return c


def main(folder_path):
    out = Path(folder_path)
    buttons = strip([
        information_bubble(),
        document(green_tick_mark),
        document(stop_sign_mark),
        disc_with_tick(GREEN, DARK_GREEN),
        disc_with_tick(RED, DARK_RED),
        beetle_with_tick(),
        plain_tick(),
    ])
    tree = strip([
        folder(False),
        folder(True),
        square(YELLOW, DARK_YELLOW),
        square(GREEN, DARK_GREEN),
        square(RED, DARK_RED),
        striped_square(),
    ])
    (out / "buttons.bmp").write_bytes(bmp_bytes(buttons))
    (out / "buttons_disabled.bmp").write_bytes(bmp_bytes(greyed(buttons)))
    (out / "tree_images.bmp").write_bytes(bmp_bytes(tree))
    (out / "WindowsNorvik.ico").write_bytes(ico_bytes([program_icon(size) for size in (16, 32, 48)]))


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else Path(__file__).parent)
