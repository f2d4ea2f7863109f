#!/usr/bin/env python3
"""Draws the program icon (201) and the tray icon (202): a 3 by 3 grid of desktops with
the current one lit. Each .ico holds 16x16 and 32x32 images, in 16 colours (old shells)
and in 32-bit colour with alpha. Run from anywhere; writes beside this script."""
import os
import struct

# The standard 16-colour palette, as (r, g, b); index 0 is black.
VGA = [(0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128),
       (0, 128, 128), (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0),
       (255, 255, 0), (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255)]
BLACK, NAVY, TEAL, SILVER, GREY, BLUE, CYAN, WHITE = 0, 4, 6, 7, 8, 12, 14, 15

# Per icon: frame, idle cell, lit cell, window drawn in the lit cell.
STYLES = {
    'program.ico': (BLACK, SILVER, NAVY, WHITE),
    'tray.ico': (BLACK, WHITE, TEAL, CYAN),
}


def draw(size, style):
    """Returns rows (top first) of palette indices, None for transparent."""
    frame, idle, lit, win = style
    px = [[None] * size for _ in range(size)]
    cells = 3
    cell = (size - 1) // cells          # 5 at 16, 10 at 32: grid lines shared by cells
    span = cell * cells + 1
    off = (size - span) // 2
    for gy in range(cells):
        for gx in range(cells):
            x0, y0 = off + gx * cell, off + gy * cell
            current = (gx, gy) == (1, 1)
            for y in range(y0, y0 + cell + 1):
                for x in range(x0, x0 + cell + 1):
                    edge = x in (x0, x0 + cell) or y in (y0, y0 + cell)
                    px[y][x] = frame if edge else (lit if current else idle)
            if current and cell >= 5:
                # a small window on the current desktop
                m = max(1, cell // 4)
                for y in range(y0 + m + 1, y0 + cell - m + 1):
                    for x in range(x0 + m, x0 + cell - m + 1):
                        if y0 + m + 1 <= y < y0 + cell - m and x0 + m <= x < x0 + cell - m:
                            px[y][x] = win
    return px


def bmp_header(size, bits, palette_len):
    image = size * size * bits // 8 if bits == 32 else ((size * bits + 31) // 32) * 4 * size
    mask = ((size + 31) // 32) * 4 * size
    return struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, bits, 0, image + mask, 0, 0,
                       palette_len, 0)


def and_mask(px, size):
    stride = ((size + 31) // 32) * 4
    out = b''
    for row in reversed(px):
        bits = bytearray(stride)
        for x, v in enumerate(row):
            if v is None:
                bits[x // 8] |= 0x80 >> (x % 8)
        out += bytes(bits)
    return out


def image_4bpp(px, size):
    palette = b''.join(struct.pack('<BBBB', b, g, r, 0) for r, g, b in VGA)
    stride = ((size * 4 + 31) // 32) * 4
    xor = b''
    for row in reversed(px):
        line = bytearray(stride)
        for x, v in enumerate(row):
            v = 0 if v is None else v
            line[x // 2] |= v << (4 if x % 2 == 0 else 0)
        xor += bytes(line)
    return bmp_header(size, 4, 16) + palette + xor + and_mask(px, size)


def image_32bpp(px, size):
    xor = b''
    for row in reversed(px):
        for v in row:
            if v is None:
                xor += b'\0\0\0\0'
            else:
                r, g, b = VGA[v]
                xor += struct.pack('<BBBB', b, g, r, 255)
    return bmp_header(size, 32, 0) + xor + and_mask(px, size)


def icon(style):
    images = []
    for size in (16, 32):
        px = draw(size, style)
        images.append((size, 16, 4, image_4bpp(px, size)))
        images.append((size, 0, 32, image_32bpp(px, size)))
    out = struct.pack('<HHH', 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, colours, bits, data in images:
        out += struct.pack('<BBBBHHII', size, size, colours, 0, 1, bits, len(data), offset)
        offset += len(data)
    return out + b''.join(d for *_, d in images)


if __name__ == '__main__':
    here = os.path.dirname(os.path.abspath(__file__))
    for name, style in STYLES.items():
        with open(os.path.join(here, name), 'wb') as f:
            f.write(icon(style))
