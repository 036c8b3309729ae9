#!/usr/bin/python3
# Draws the picture calendar's four sheets, kalender04_150.png .. _484.png: a
# tear-off pad with a red binding and a wire spiral on a black key, its paper
# light and neutral under the text boxes, a shadow in 0x808080 (which must
# stay visible: black is the key). 8-bit RGB PNGs with no chunk beyond IHDR,
# IDAT and IEND. Run once from this folder; the output is committed.
import struct
import zlib

# width, height and the text boxes: box width, box height, box x, month y,
# day y, weekday y, info y (the program's geometry of each sheet).
SHEETS = [
    (150, 179, 112, 120, 18, 30, 32, 139, 160),
    (250, 299, 190, 210, 29, 48, 50, 230, 270),
    (350, 419, 260, 290, 43, 65, 72, 325, 382),
    (484, 580, 360, 400, 60, 90, 100, 450, 530),
]

KEY = (0, 0, 0)
SHADOW = (128, 128, 128)
EDGE_NEAR = (226, 224, 218)
EDGE_FAR = (206, 204, 198)
BAND = (176, 36, 42)
BAND_DARK = (122, 22, 28)
HOLE = (58, 24, 26)
WIRE = (204, 204, 210)
WIRE_DARK = (104, 104, 112)
PERFORATION = (214, 212, 206)


def paper(y, top, bottom):
    """Warm white, a little darker towards the bottom."""
    t = (y - top) / max(1, bottom - top)
    return (round(253 - 9 * t), round(251 - 9 * t), round(246 - 9 * t))


def draw(width, height, bw, bh, bx, month_y, day_y, weekday_y, info_y):
    f = width / 150.0
    px = [[KEY] * width for _ in range(height)]

    def rect(x0, y0, x1, y1, colour):
        for y in range(max(0, y0), min(height, y1)):
            row = px[y]
            for x in range(max(0, x0), min(width, x1)):
                row[x] = colour(y) if callable(colour) else colour

    pad = round(10 * f)
    left, right = bx - pad, bx + bw + pad
    top = round(7 * f)
    shadow = 2 + round(f)
    bottom = height - shadow - 2
    band_bottom = month_y - round(8 * f)

    # Shadow, two pages of the pad below the sheet, the sheet.
    rect(left + shadow + 2, top + shadow + 2, right + shadow + 2, bottom + shadow + 2, SHADOW)
    rect(left + 2, top + 2, right + 2, bottom + 2, EDGE_FAR)
    rect(left + 1, top + 1, right + 1, bottom + 1, EDGE_NEAR)
    rect(left, top, right, bottom, lambda y: paper(y, top, bottom))

    # The binding: a red band with a darker lower edge.
    rect(left, top, right, band_bottom, BAND)
    rect(left, band_bottom - max(1, round(f)), right, band_bottom, BAND_DARK)

    # The tear line below it.
    dash = max(2, round(2 * f))
    y = band_bottom + max(2, round(3 * f))
    for x in range(left + dash, right - dash, 2 * dash):
        rect(x, y, x + dash, y + max(1, round(f / 2)), PERFORATION)

    # The spiral: a hole in the band and a wire loop over the top edge at
    # even steps, each loop a solid bar (no key inside the outline).
    step = round(10 * f)
    wire_w = max(2, round(2.5 * f))
    hole_h = max(3, round(3 * f))
    count = (right - left - 2 * step) // step + 1
    first = left + (right - left - (count - 1) * step) // 2
    for i in range(count):
        cx = first + i * step
        hole_top = top + round(5 * f)
        rect(cx - wire_w, hole_top, cx + wire_w, hole_top + hole_h, HOLE)
        rect(cx - wire_w // 2 - 1, top - round(4 * f), cx + wire_w - wire_w // 2 + 1, hole_top + hole_h // 2, WIRE)
        rect(cx + wire_w - wire_w // 2, top - round(4 * f) + 1, cx + wire_w - wire_w // 2 + 1,
             hole_top + hole_h // 2, WIRE_DARK)
    return px


def write_png(path, px):
    height, width = len(px), len(px[0])
    raw = bytearray()
    for row in px:
        raw.append(0)
        for r, g, b in row:
            raw += bytes((r, g, b))

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    with open(path, "wb") as out:
        out.write(b"\x89PNG\r\n\x1a\n")
        out.write(chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)))
        out.write(chunk(b"IDAT", zlib.compress(bytes(raw), 9)))
        out.write(chunk(b"IEND", b""))


for sheet in SHEETS:
    write_png("kalender04_%d.png" % sheet[0], draw(*sheet))
