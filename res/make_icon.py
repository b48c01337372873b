#!/usr/bin/env python3
"""Draws Tarnwick's application icon (resource 128) and writes it as
icons/tarnwick-16.png, icons/tarnwick-32.png (for the Linux desktop) and
tarnwick.ico (both sizes, 4 bits per pixel, for the Windows build).

The design: four nodes on a token ring, and a red "recording" dot in the
middle. Drawn in the 16 colours of the standard Windows palette, with hard
edges, so both sizes stay crisp. Only the standard library is used; run it
again after changing the drawing and commit what it writes.
"""

import math
import os
import struct
import zlib

# The 16-colour palette of Windows (VGA order), which a 4-bit icon uses.
PALETTE = [
    (0x00, 0x00, 0x00), (0x80, 0x00, 0x00), (0x00, 0x80, 0x00), (0x80, 0x80, 0x00),
    (0x00, 0x00, 0x80), (0x80, 0x00, 0x80), (0x00, 0x80, 0x80), (0xC0, 0xC0, 0xC0),
    (0x80, 0x80, 0x80), (0xFF, 0x00, 0x00), (0x00, 0xFF, 0x00), (0xFF, 0xFF, 0x00),
    (0x00, 0x00, 0xFF), (0xFF, 0x00, 0xFF), (0x00, 0xFF, 0xFF), (0xFF, 0xFF, 0xFF),
]
BLACK, MAROON, NAVY, TEAL, SILVER, RED, BLUE, AQUA, WHITE = 0, 1, 4, 6, 7, 9, 12, 14, 15
CLEAR = None  # transparent

# The large image is drawn from shapes (sizes in pixels); the small one is
# drawn by hand, since shapes that small do not come out clean.
RING, STROKE, NODE, DOT = 11.0, 2.0, 3.5, 5.0

SMALL = [
    "......####......",
    "......#aa#......",
    "......#aa#......",
    "....BB####BB....",
    "...B........B...",
    "..B...RRRR...B..",
    "####.RRRRRR.####",
    "#aa#.RWRRRR.#aa#",
    "#aa#.RRRRRR.#aa#",
    "####.RRRRRR.####",
    "..B...RRRR...B..",
    "...B........B...",
    "....BB####BB....",
    "......#aa#......",
    "......#aa#......",
    "......####......",
]
SMALL_COLOURS = {".": CLEAR, "#": BLACK, "a": AQUA, "B": BLUE, "R": RED, "W": WHITE}


def draw_large(size=32):
    """The image as rows of palette indices (None where transparent)."""
    c = (size - 1) / 2.0
    nodes = [(c, c - RING), (c + RING, c), (c, c + RING), (c - RING, c)]
    rows = []
    for y in range(size):
        row = []
        for x in range(size):
            r = math.hypot(x - c, y - c)
            colour = CLEAR
            # The ring: a blue cable with a navy edge.
            if abs(r - RING) <= STROKE / 2 + 0.9:
                colour = NAVY
            if abs(r - RING) <= STROKE / 2:
                colour = BLUE
            # The nodes: silver boxes with a black frame and a teal screen.
            for nx, ny in nodes:
                dx, dy = abs(x - nx), abs(y - ny)
                if dx <= NODE + 0.5 and dy <= NODE + 0.5:
                    colour = BLACK
                    if dx <= NODE - 0.5 and dy <= NODE - 0.5:
                        colour = SILVER
                    if dx <= NODE - 1.5 and dy <= NODE - 1.5:
                        colour = TEAL
            # The recording dot, with a maroon edge and a small highlight.
            if r <= DOT:
                colour = MAROON if r > DOT - 1.0 else RED
                if math.hypot(x - (c - 1.5), y - (c - 1.5)) <= 0.8:
                    colour = WHITE
            row.append(colour)
        rows.append(row)
    return rows


def draw_small():
    return [[SMALL_COLOURS[ch] for ch in line] for line in SMALL]


def png_chunk(kind, data):
    body = kind + data
    return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)


def write_png(path, rows):
    """An indexed 4-bit PNG: the colours used, and index 0 transparent."""
    used = sorted({p for row in rows for p in row if p is not None})
    index = {p: i + 1 for i, p in enumerate(used)}
    assert len(index) + 1 <= 16, "a 4-bit PNG holds 16 entries"
    plte = b"".join(bytes(PALETTE[p]) for p in [BLACK] + used)
    trns = bytes([0])  # entry 0 fully transparent, the rest opaque
    raw = bytearray()
    for row in rows:
        raw.append(0)  # filter: none
        nibbles = [0 if p is None else index[p] for p in row]
        for i in range(0, len(nibbles), 2):
            raw.append(nibbles[i] << 4 | nibbles[i + 1])
    size = len(rows)
    png = b"\x89PNG\r\n\x1a\n"
    png += png_chunk(b"IHDR", struct.pack(">IIBBBBB", size, size, 4, 3, 0, 0, 0))
    png += png_chunk(b"PLTE", plte)
    png += png_chunk(b"tRNS", trns)
    png += png_chunk(b"IDAT", zlib.compress(bytes(raw), 9))
    png += png_chunk(b"IEND", b"")
    with open(path, "wb") as f:
        f.write(png)


def ico_image(rows):
    """One icon image: a BITMAPINFOHEADER whose height counts the colour
    bitmap and the mask, the palette, the 4-bit colour rows and the 1-bit
    AND mask (1 = transparent), both bottom-up, rows padded to 4 bytes."""
    size = len(rows)
    xor = bytearray()
    mask = bytearray()
    for row in reversed(rows):
        line = bytearray()
        for i in range(0, size, 2):
            a = row[i] if row[i] is not None else BLACK
            b = row[i + 1] if row[i + 1] is not None else BLACK
            line.append(a << 4 | b)
        xor += line + bytes(-len(line) % 4)
        bits = bytearray()
        for i in range(0, size, 8):
            byte = 0
            for j in range(8):
                if row[i + j] is None:
                    byte |= 0x80 >> j
            bits.append(byte)
        mask += bits + bytes(-len(bits) % 4)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 4, 0, len(xor) + len(mask), 0, 0, 16, 0)
    palette = b"".join(bytes((b, g, r, 0)) for r, g, b in PALETTE)
    return header + palette + bytes(xor) + bytes(mask)


def write_ico(path, images):
    """ICONDIR, one ICONDIRENTRY an image (16 colours, 4 bits), then the images."""
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    blobs = []
    for rows in images:
        blob = ico_image(rows)
        size = len(rows)
        out += struct.pack("<BBBBHHII", size, size, 16, 0, 1, 4, len(blob), offset)
        offset += len(blob)
        blobs.append(blob)
    with open(path, "wb") as f:
        f.write(out + b"".join(blobs))


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    os.makedirs(os.path.join(here, "icons"), exist_ok=True)
    images = {32: draw_large(), 16: draw_small()}
    for size, rows in images.items():
        write_png(os.path.join(here, "icons", f"tarnwick-{size}.png"), rows)
    write_ico(os.path.join(here, "tarnwick.ico"), [images[32], images[16]])


if __name__ == "__main__":
    main()
