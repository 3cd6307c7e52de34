#!/usr/bin/env python3
"""Draws the program's icons (16-colour, 32x32 and 16x16) and writes them as .ico files.

Run by hand when a picture changes; the files it writes are committed.
usage: make-icons.py <output folder> [<side windows' output folder>]
The second folder receives the side windows' icon and their 128x128 close and minimise pictures.
"""
import struct
import sys

# The standard 16-colour Windows palette, as (R, G, B).
PALETTE = [(0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128),
           (0, 128, 128), (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0),
           (255, 255, 0), (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255)]
BLACK, DARK_BLUE, GREY, SILVER, BLUE, WHITE, RED, YELLOW = 0, 4, 8, 7, 12, 15, 9, 11


def kavro_pixels(size):
    """A blue drawing sheet with a white border and a yellow 'K' stroke set."""
    s = size / 32.0
    px = [[None] * size for _ in range(size)]
    for y in range(size):
        for x in range(size):
            if 2 * s <= x < 30 * s and 2 * s <= y < 30 * s:
                edge = x < 3 * s or x >= 29 * s or y < 3 * s or y >= 29 * s
                px[y][x] = WHITE if edge else DARK_BLUE
    for y in range(size):
        for x in range(size):
            fx, fy = x / s, y / s
            if 7 <= fx < 11 and 7 <= fy < 25:
                px[y][x] = YELLOW
            d = abs((fx - 11) - abs(fy - 16))
            if 11 <= fx < 25 and 7 <= fy < 25 and d < 2.5:
                px[y][x] = YELLOW
    return px


def ico_image(px):
    size = len(px)
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 4, 0, 0, 0, 0, 16, 0)
    palette = b''.join(struct.pack('<BBBB', b, g, r, 0) for (r, g, b) in PALETTE)
    xor_rows, and_rows = [], []
    for row in reversed(px):
        xor = bytearray()
        for x in range(0, size, 2):
            hi = row[x] if row[x] is not None else 0
            lo = row[x + 1] if row[x + 1] is not None else 0
            xor.append((hi << 4) | lo)
        xor_rows.append(bytes(xor) + b'\0' * ((4 - len(xor) % 4) % 4))
        bits = 0
        mask = bytearray()
        for x in range(size):
            bits = (bits << 1) | (1 if row[x] is None else 0)
            if x % 8 == 7:
                mask.append(bits)
                bits = 0
        and_rows.append(bytes(mask) + b'\0' * ((4 - len(mask) % 4) % 4))
    return header + palette + b''.join(xor_rows) + b''.join(and_rows)


def write_ico(path, images):
    blobs = [ico_image(px) for px in images]
    out = struct.pack('<HHH', 0, 1, len(blobs))
    offset = 6 + 16 * len(blobs)
    for px, blob in zip(images, blobs):
        size = len(px)
        out += struct.pack('<BBBBHHII', size, size, 16, 0, 1, 4, len(blob), offset)
        offset += len(blob)
    out += b''.join(blobs)
    with open(path, 'wb') as f:
        f.write(out)


def promo_pixels(size):
    """The side windows' icon: a white page with a download arrow."""
    s = size / 32.0
    px = [[None] * size for _ in range(size)]
    for y in range(size):
        for x in range(size):
            fx, fy = x / s, y / s
            if 4 <= fx < 28 and 2 <= fy < 30:
                edge = fx < 5 or fx >= 27 or fy < 3 or fy >= 29
                px[y][x] = BLUE if edge else WHITE
            if 13 <= fx < 19 and 6 <= fy < 17:
                px[y][x] = RED
            if 8 <= fx < 24 and 17 <= fy < 25 and abs(fx - 16) <= 24 - fy:
                px[y][x] = RED
    return px


def button_pixels(face, mark):
    """A 128x128 square button of colour `face` with a darker rim; `mark(x, y)` says where the
    white symbol is."""
    rim = {RED: 1, BLUE: 4}[face]
    px = [[face] * 128 for _ in range(128)]
    for y in range(128):
        for x in range(128):
            if x < 6 or x >= 122 or y < 6 or y >= 122:
                px[y][x] = rim
            elif mark(x, y):
                px[y][x] = WHITE
    return px


def close_mark(x, y):
    inside = 30 <= x < 98 and 30 <= y < 98
    return inside and (abs(x - y) < 9 or abs(x + y - 127) < 9)


def minimise_mark(x, y):
    return 28 <= x < 100 and 80 <= y < 96


def write_bmp(path, px):
    """A 4-bit bottom-up BMP with the VGA palette."""
    size = len(px)
    rows = b''
    for row in reversed(px):
        rows += bytes((row[x] << 4) | row[x + 1] for x in range(0, size, 2))
    palette = b''.join(struct.pack('<BBBB', b, g, r, 0) for (r, g, b) in PALETTE)
    offset = 14 + 40 + len(palette)
    info = struct.pack('<IiiHHIIiiII', 40, size, size, 1, 4, 0, len(rows), 3780, 3780, 16, 0)
    header = struct.pack('<2sIHHI', b'BM', offset + len(rows), 0, 0, offset)
    with open(path, 'wb') as f:
        f.write(header + info + palette + rows)


if __name__ == '__main__':
    folder = sys.argv[1] if len(sys.argv) > 1 else '.'
    write_ico(f'{folder}/kavro.ico', [kavro_pixels(32), kavro_pixels(16)])
    if len(sys.argv) > 2:
        promo = sys.argv[2]
        write_ico(f'{promo}/promo.ico', [promo_pixels(32), promo_pixels(16)])
        write_bmp(f'{promo}/close.bmp', button_pixels(RED, close_mark))
        write_bmp(f'{promo}/minimise.bmp', button_pixels(BLUE, minimise_mark))
