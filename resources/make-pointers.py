#!/usr/bin/env python3
"""Draws Quillbrook's two pointer images and writes them as Windows cursor and
icon files: HAND-M.CUR, the hand shown over push buttons, and drag.ico, the
pointer the list shows while an item is dragged to a new place.

Run it from this folder; it rewrites both files. Both are 32 by 32 pixels,
32-bit colour with an AND mask, as Qt's image plugins read them. The hand's
fingertip lies at the image's centre, where a pointer made from the image
without a hot spot of its own points."""

import struct

SIZE = 32
BLACK = (0, 0, 0, 255)
WHITE = (255, 255, 255, 255)
CLEAR = (0, 0, 0, 0)

# The hand, drawn with K for outline and W for fill; placed so that the
# fingertip, the first K of the top row, lands on (16, 16).
HAND = """
.....KK............
....KWWK...........
....KWWK...........
....KWWK...........
....KWWKKK.........
....KWWKWWKKK......
....KWWKWWKWWKK....
.KK.KWWKWWKWWKWK...
KWWKKWWWWWWWWKWK...
KWWWKWWWWWWWWWWK...
.KWWWWWWWWWWWWWK...
..KWWWWWWWWWWWWK...
...KWWWWWWWWWWK....
....KWWWWWWWWWK....
.....KWWWWWWWK.....
.....KKKKKKKKK.....
""".split()
HAND_ORIGIN = (11, 16)


def hand():
    pixels = [[CLEAR] * SIZE for _ in range(SIZE)]
    left, top = HAND_ORIGIN
    for y, row in enumerate(HAND):
        for x, mark in enumerate(row):
            if mark != ".":
                pixels[top + y][left + x] = BLACK if mark == "K" else WHITE
    return pixels


def inside_drag_arrow(x, y):
    """A double-headed arrow, up and down, around the centre column."""
    centre = 15.5
    offset = abs(x - centre)
    if 4 <= y <= 10:  # upper head, widening downwards
        return offset <= (y - 4) + 0.5
    if 21 <= y <= 27:  # lower head, narrowing downwards
        return offset <= (27 - y) + 0.5
    return 11 <= y <= 20 and offset <= 1.5


def drag():
    pixels = [[CLEAR] * SIZE for _ in range(SIZE)]
    for y in range(SIZE):
        for x in range(SIZE):
            if inside_drag_arrow(x, y):
                pixels[y][x] = WHITE
            elif any(
                inside_drag_arrow(x + dx, y + dy)
                for dx in (-1, 0, 1)
                for dy in (-1, 0, 1)
            ):
                pixels[y][x] = BLACK
    return pixels


def image_bytes(pixels):
    """The bitmap of one directory entry: header, colours, AND mask."""
    colours = b"".join(
        struct.pack("BBBB", b, g, r, a)
        for row in reversed(pixels)
        for (r, g, b, a) in row
    )
    mask = bytearray()
    for row in reversed(pixels):
        bits = 0
        for (_, _, _, alpha) in row:
            bits = (bits << 1) | (1 if alpha == 0 else 0)
        mask += bits.to_bytes(SIZE // 8, "big")
    header = struct.pack(
        "<IiiHHIIiiII", 40, SIZE, SIZE * 2, 1, 32, 0, len(colours) + len(mask), 0, 0, 0, 0
    )
    return header + colours + bytes(mask)


def write(path, pixels, kind, hot_spot=None):
    """kind 1 writes an icon, kind 2 a cursor with the given hot spot."""
    body = image_bytes(pixels)
    first, second = hot_spot if kind == 2 else (1, 32)
    directory = struct.pack("<HHH", 0, kind, 1)
    entry = struct.pack("<BBBBHHII", SIZE, SIZE, 0, 0, first, second, len(body), 6 + 16)
    with open(path, "wb") as file:
        file.write(directory + entry + body)


if __name__ == "__main__":
    write("HAND-M.CUR", hand(), 2, (16, 16))
    write("drag.ico", drag(), 1)
