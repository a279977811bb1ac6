#!/usr/bin/env python3
"""Draws the program's icon and link cursor and writes them next to this script.

    python3 res/draw_artwork.py

quorvel.ico: a dark rounded square with two level bars (green, yellow and red zones, the unlit
part dimmed) in 16x16, 32x32 and 48x48, 32-bit with alpha plus an AND mask for old renderers.
link.cur: a 32x32 monochrome pointing hand, white with a black outline, hot spot at the fingertip.

Only the standard library is used; the output is committed, so the build does not need Python.
"""
import math
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))

# ---- icon -----------------------------------------------------------------------------------

BACKGROUND_TOP = (0x2A, 0x34, 0x40)
BACKGROUND_BOTTOM = (0x16, 0x1C, 0x24)
BORDER = (0x5A, 0x66, 0x74)
ZONES = [  # (end of the zone as a fraction of the bar, lit colour)
    (0.60, (0x3C, 0xD0, 0x46)),
    (0.80, (0xF2, 0xD2, 0x1E)),
    (1.00, (0xE8, 0x34, 0x2C)),
]
LEVELS = (0.97, 0.66)  # how far the upper and the lower bar are lit
CELLS = {32: 5, 48: 6}  # the larger sizes draw the bars as lit cells with one-pixel gaps
SUPERSAMPLING = 4


def rounded_square_coverage(x, y, lo, hi, radius):
    """Share of the pixel (x, y) inside the rounded square [lo, hi] x [lo, hi]."""
    inside = 0
    for sy in range(SUPERSAMPLING):
        for sx in range(SUPERSAMPLING):
            px = x + (sx + 0.5) / SUPERSAMPLING
            py = y + (sy + 0.5) / SUPERSAMPLING
            cx = min(max(px, lo + radius), hi - radius)
            cy = min(max(py, lo + radius), hi - radius)
            if (px - cx) ** 2 + (py - cy) ** 2 <= radius * radius and lo <= px <= hi and lo <= py <= hi:
                inside += 1
    return inside / (SUPERSAMPLING * SUPERSAMPLING)


def zone_colour(fraction):
    for end, colour in ZONES:
        if fraction <= end:
            return colour
    return ZONES[-1][1]


def dim(colour, background):
    return tuple(round(c * 0.28 + b * 0.72) for c, b in zip(colour, background))


def draw_icon(size):
    """Returns rows of (r, g, b, a), top row first."""
    unit = size / 16.0
    lo, hi = unit * 0.5, size - unit * 0.5
    radius = unit * 3.0
    pixels = [[(0, 0, 0, 0)] * size for _ in range(size)]
    for y in range(size):
        shade = y / (size - 1)
        back = tuple(round(t + (b - t) * shade) for t, b in zip(BACKGROUND_TOP, BACKGROUND_BOTTOM))
        for x in range(size):
            outer = rounded_square_coverage(x, y, lo, hi, radius)
            if outer == 0:
                continue
            inner = rounded_square_coverage(x, y, lo + unit, hi - unit, max(radius - unit, 0.5))
            # The rim is the part of the outer square that is not in the inner one.
            colour = tuple(round(b * inner + r * (1 - inner)) for b, r in zip(back, BORDER))
            pixels[y][x] = colour + (round(255 * outer),)

    # Bars snapped to whole pixels so that the small sizes stay crisp.
    x0, x1 = round(3 * unit), round(13 * unit)
    bars = [(round(4 * unit), round(7 * unit)), (round(9 * unit), round(12 * unit))]
    length = x1 - x0
    cells = CELLS.get(size, length)  # the smallest size: one cell per pixel, no gaps
    width = length // cells
    for (y0, y1), level in zip(bars, LEVELS):
        for x in range(x0, x1):
            cell = (x - x0) // width
            if width > 1 and (x - x0) % width == width - 1:
                continue  # the gap after a cell
            fraction = (cell + 0.5) / cells  # a cell is lit and coloured as a whole
            colour = zone_colour(fraction)
            for y in range(y0, y1):
                pixels[y][x] = (colour if fraction <= level else dim(colour, pixels[y][x][:3])) + (255,)
    return pixels


def icon_image(pixels):
    """One image of an icon file: BITMAPINFOHEADER, 32-bit colours, AND mask, rows bottom-up."""
    size = len(pixels)
    mask_stride = ((size + 31) // 32) * 4
    colours = bytearray()
    mask = bytearray()
    for row in reversed(pixels):
        for r, g, b, a in row:
            # Fully transparent pixels carry black, so that the mask alone draws them right.
            colours += bytes((b, g, r, a)) if a else bytes(4)
        bits = bytearray(mask_stride)
        for x, (_, _, _, a) in enumerate(row):
            if a == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, len(colours) + len(mask), 0, 0, 0, 0)
    return header + colours + mask


def write_icon(path, sizes):
    images = [icon_image(draw_icon(size)) for size in sizes]
    data = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, image in zip(sizes, images):
        data += struct.pack("<BBBBHHII", size, size, 0, 0, 1, 32, len(image), offset)
        offset += len(image)
    with open(path, "wb") as out:
        out.write(data + b"".join(images))


# ---- cursor ---------------------------------------------------------------------------------

CURSOR_SIZE = 32


def capsule(ax, ay, bx, by, radius):
    def inside(px, py):
        dx, dy = bx - ax, by - ay
        t = ((px - ax) * dx + (py - ay) * dy) / (dx * dx + dy * dy)
        t = min(max(t, 0.0), 1.0)
        return (px - ax - t * dx) ** 2 + (py - ay - t * dy) ** 2 <= radius * radius

    return inside


def rounded_rect(left, top, right, bottom, radius):
    def inside(px, py):
        cx = min(max(px, left + radius), right - radius)
        cy = min(max(py, top + radius), bottom - radius)
        return left <= px <= right and top <= py <= bottom and (px - cx) ** 2 + (py - cy) ** 2 <= radius**2

    return inside


# Back to front: the fingers each with their own outline, so that the lines between them stay;
# then the thumb, then the palm, which is outlined only where it meets the background.
FINGERS = [
    capsule(24.2, 13.8, 24.2, 19.0, 2.7),  # little
    capsule(19.5, 11.0, 19.5, 19.0, 2.9),  # ring
    capsule(14.6, 9.6, 14.6, 19.0, 2.9),  # middle
    capsule(8.9, 3.6, 8.9, 19.0, 3.0),  # index, pointing up
]
THUMB = capsule(8.5, 23.5, 3.6, 16.6, 2.7)
PALM = rounded_rect(5.9, 16.5, 27.1, 29.4, 3.5)
THUMB_CREASE_END = 21

WHITE, BLACK, CLEAR = "o", "#", "."


def draw_cursor():
    grid = [[CLEAR] * CURSOR_SIZE for _ in range(CURSOR_SIZE)]

    def at(shape, x, y):
        return shape(x + 0.5, y + 0.5)

    def outlined(shape):
        for y in range(CURSOR_SIZE):
            for x in range(CURSOR_SIZE):
                if not at(shape, x, y):
                    continue
                edge = any(not at(shape, x + dx, y + dy) for dx, dy in ((1, 0), (-1, 0), (0, 1), (0, -1)))
                grid[y][x] = BLACK if edge else WHITE

    for finger in FINGERS:
        outlined(finger)
    outlined(THUMB)
    everything = FINGERS + [THUMB, PALM]

    def in_hand(x, y):
        return 0 <= x < CURSOR_SIZE and 0 <= y < CURSOR_SIZE and any(at(s, x, y) for s in everything)

    for y in range(CURSOR_SIZE):
        for x in range(CURSOR_SIZE):
            # The thumb's inner edge stays as a crease above the ball of the thumb.
            if not at(PALM, x, y) or (at(THUMB, x, y) and grid[y][x] == BLACK and y <= THUMB_CREASE_END):
                continue
            edge = any(not in_hand(x + dx, y + dy) for dx, dy in ((1, 0), (-1, 0), (0, 1), (0, -1)))
            grid[y][x] = BLACK if edge else WHITE
    return grid


def cursor_image(grid):
    """A monochrome cursor image: header, black and white palette, XOR bits, AND bits."""
    stride = ((CURSOR_SIZE + 31) // 32) * 4
    xor_bits = bytearray()
    and_bits = bytearray()
    for row in reversed(grid):
        xor_row, and_row = bytearray(stride), bytearray(stride)
        for x, cell in enumerate(row):
            bit = 0x80 >> (x % 8)
            if cell == WHITE:
                xor_row[x // 8] |= bit
            elif cell == CLEAR:
                and_row[x // 8] |= bit
        xor_bits += xor_row
        and_bits += and_row
    header = struct.pack("<IiiHHIIiiII", 40, CURSOR_SIZE, CURSOR_SIZE * 2, 1, 1, 0,
                         len(xor_bits) + len(and_bits), 0, 0, 2, 0)
    palette = bytes((0, 0, 0, 0, 255, 255, 255, 0))
    return header + palette + xor_bits + and_bits


def fingertip(grid):
    """The hot spot: the middle of the topmost drawn row."""
    for y, row in enumerate(grid):
        xs = [x for x, cell in enumerate(row) if cell != CLEAR]
        if xs:
            return (xs[0] + xs[-1]) // 2, y
    raise ValueError("empty cursor")


def write_cursor(path):
    grid = draw_cursor()
    hot_x, hot_y = fingertip(grid)
    image = cursor_image(grid)
    data = struct.pack("<HHH", 0, 2, 1)
    # For cursors the planes and bit count fields of the directory entry hold the hot spot.
    data += struct.pack("<BBBBHHII", CURSOR_SIZE, CURSOR_SIZE, 2, 0, hot_x, hot_y, len(image), 6 + 16)
    with open(path, "wb") as out:
        out.write(data + image)
    return grid, (hot_x, hot_y)


def main():
    write_icon(os.path.join(HERE, "quorvel.ico"), [16, 32, 48])
    grid, hot_spot = write_cursor(os.path.join(HERE, "link.cur"))
    print("link.cur hot spot at", hot_spot)
    for row in grid:
        print("".join(row))


if __name__ == "__main__":
    main()
