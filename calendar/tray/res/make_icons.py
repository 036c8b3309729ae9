#!/usr/bin/python3
# Writes the day icon's pictures: icon_kal.bmp (32x32, 24 bits, a calendar
# sheet whose 20x20 box at (6, 7) stays plain white for the day number) and
# icon_msk.bmp (32x32, 1 bit, 0 = opaque). Run once; the output is committed.
import os
import struct

W = H = 32
BLACK = (0, 0, 0)
WHITE = (255, 255, 255)
FRAME = (96, 96, 96)
HEADER = (200, 40, 40)
RING = (64, 64, 64)


def sheet_pixel(x, y):
    """Colour of (x, y), top-down, or None outside the sheet."""
    if x in (10, 11, 20, 21) and 0 <= y <= 4:
        return RING
    if 3 <= x <= 28 and 2 <= y <= 29:
        if x in (3, 28) or y in (2, 29):
            return FRAME
        if y <= 5:
            return HEADER
        return WHITE
    return None


def write_bmp(path, bits, rows, palette=b""):
    row_bytes = (W * bits + 31) // 32 * 4
    data = b"".join(r.ljust(row_bytes, b"\0") for r in reversed(rows))  # bottom-up
    offset = 14 + 40 + len(palette)
    header = struct.pack("<2sIHHI", b"BM", offset + len(data), 0, 0, offset)
    info = struct.pack("<IiiHHIIiiII", 40, W, H, 1, bits, 0, len(data), 2835, 2835,
                       len(palette) // 4, 0)
    with open(path, "wb") as f:
        f.write(header + info + palette + data)


here = os.path.dirname(os.path.abspath(__file__))
colour_rows, mask_rows = [], []
for y in range(H):
    row = bytearray()
    mask = 0
    for x in range(W):
        c = sheet_pixel(x, y)
        # Outside the sheet: black colour under a transparent mask bit.
        r, g, b = c if c else BLACK
        row += bytes((b, g, r))
        mask = (mask << 1) | (0 if c else 1)
    colour_rows.append(bytes(row))
    mask_rows.append(struct.pack(">I", mask))

# The box for the day number must stay plain.
assert all(sheet_pixel(x, y) == WHITE for x in range(6, 26) for y in range(7, 27))
write_bmp(os.path.join(here, "icon_kal.bmp"), 24, colour_rows)
write_bmp(os.path.join(here, "icon_msk.bmp"), 1, mask_rows,
          palette=bytes((0, 0, 0, 0, 255, 255, 255, 0)))
