#!/usr/bin/env python3
"""Writes PNG fixtures with exact chunk control: png_make.py OUTDIR."""
import os
import struct
import sys
import zlib


def chunk(kind, data, bad_crc=False):
    crc = zlib.crc32(kind + data) & 0xFFFFFFFF
    if bad_crc:
        crc ^= 0x5A5A5A5A
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", crc)


CHANNELS = {0: 1, 2: 3, 3: 1, 4: 2, 6: 4}


def pack_row(samples, depth):
    if depth == 8:
        return bytes(samples)
    if depth == 16:
        return b"".join(struct.pack(">H", s) for s in samples)
    out = bytearray()
    per = 8 // depth
    for i in range(0, len(samples), per):
        byte = 0
        group = samples[i:i + per]
        for j, s in enumerate(group):
            byte |= s << (8 - depth * (j + 1))
        out.append(byte)
    return bytes(out)


ADAM7 = [(0, 0, 8, 8), (4, 0, 8, 8), (0, 4, 4, 8), (2, 0, 4, 4), (0, 2, 2, 4), (1, 0, 2, 2), (0, 1, 1, 2)]


def image_data(pixels, width, height, depth, colour, interlace):
    ch = CHANNELS[colour]
    raw = bytearray()
    if not interlace:
        passes = [(0, 0, 1, 1)]
    else:
        passes = ADAM7
    for x0, y0, dx, dy in passes:
        for y in range(y0, height, dy):
            xs = range(x0, width, dx)
            if not len(xs):
                continue
            samples = []
            for x in xs:
                samples.extend(pixels[y][x])
            raw.append(0)
            raw += pack_row(samples, depth)
    return zlib.compress(bytes(raw), 9)


def png(width, height, depth, colour, pixels, interlace=0, before=(), after=(), idat_bad_crc=False, ihdr=None):
    head = ihdr or struct.pack(">IIBBBBB", width, height, depth, colour, 0, 0, interlace)
    body = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", head)
    for kind, data, *bad in before:
        body += chunk(kind, data, bool(bad and bad[0]))
    data = image_data(pixels, width, height, depth, colour, interlace) if pixels is not None else zlib.compress(b"")
    body += chunk(b"IDAT", data, idat_bad_crc)
    for kind, data, *bad in after:
        body += chunk(kind, data, bool(bad and bad[0]))
    return body + chunk(b"IEND", b"")


def sample(x, y, c, maxv, seed):
    v = (x * 37 + y * 91 + c * 53 + seed * 17 + (x * y) % 7 * 29) % (maxv + 1)
    return v


def picture(width, height, depth, colour, seed=1, entries=None):
    ch = CHANNELS[colour]
    maxv = (1 << depth) - 1
    if colour == 3:
        maxv = (entries or (1 << depth)) - 1
    rows = []
    for y in range(height):
        row = []
        for x in range(width):
            px = [sample(x, y, c, maxv, seed) for c in range(ch)]
            row.append(px)
        rows.append(row)
    return rows


def plte(count):
    return b"".join(bytes([(i * 53 + 7) % 256, (i * 97 + 31) % 256, (i * 151 + 89) % 256]) for i in range(count))


def main():
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)

    def save(name, data):
        with open(os.path.join(out, name + ".png"), "wb") as f:
            f.write(data)

    w, h = 19, 11
    # Goldens: every colour type and depth, plain and Adam7.
    for inter in (0, 1):
        sfx = "i" if inter else ""
        for d in (1, 2, 4, 8, 16):
            save("g%d%s" % (d, sfx), png(w, h, d, 0, picture(w, h, d, 0), inter))
        for d in (1, 2, 4, 8):
            n = 1 << d if d < 8 else 200
            pal = (b"PLTE", plte(n))
            save("p%d%s" % (d, sfx), png(w, h, d, 3, picture(w, h, d, 3, entries=n), inter, before=[pal]))
            alphas = bytes((i * 71 + 13) % 256 for i in range(min(n, 3 if d == 1 else n // 2 + 1)))
            save("p%dt%s" % (d, sfx),
                 png(w, h, d, 3, picture(w, h, d, 3, entries=n), inter, before=[pal, (b"tRNS", alphas)]))
        for d in (8, 16):
            save("rgb%d%s" % (d, sfx), png(w, h, d, 2, picture(w, h, d, 2), inter))
            save("rgba%d%s" % (d, sfx), png(w, h, d, 6, picture(w, h, d, 6), inter))
            save("ga%d%s" % (d, sfx), png(w, h, d, 4, picture(w, h, d, 4), inter))
        # Grey and RGB with a tRNS colour that the picture uses.
        g = picture(w, h, 8, 0)
        save("g8t%s" % sfx, png(w, h, 8, 0, g, inter, before=[(b"tRNS", struct.pack(">H", g[0][0][0]))]))
        c = picture(w, h, 8, 2)
        save("rgb8t%s" % sfx, png(w, h, 8, 2, c, inter, before=[(b"tRNS", struct.pack(">HHH", *c[0][0]))]))

    # 8-bit palette: 5 entries, 2 alphas; and a tRNS longer than the PLTE.
    p5 = picture(w, h, 8, 3, entries=5)
    save("pal5_trns2", png(w, h, 8, 3, p5, before=[(b"PLTE", plte(5)), (b"tRNS", bytes([10, 20]))]))
    save("pal5_trns10", png(w, h, 8, 3, p5, before=[(b"PLTE", plte(5)), (b"tRNS", bytes(range(10, 110, 10)))]))
    # Index 7 with 5 PLTE entries.
    bad = [[[7 if (x + y) % 3 == 0 else x % 5] for x in range(w)] for y in range(h)]
    save("pal5_index7", png(w, h, 8, 3, bad, before=[(b"PLTE", plte(5))]))
    # RGBA with and without bKGD.
    rgba = picture(w, h, 8, 6)
    for y in range(h):
        rgba[y][0][3] = 0
        rgba[y][1][3] = 255
    save("rgba_bkgd", png(w, h, 8, 6, rgba, before=[(b"bKGD", struct.pack(">HHH", 200, 100, 50))]))
    save("rgba_plain", png(w, h, 8, 6, rgba))
    # Width 5 RGB for padded BGR rows.
    save("rgb_w5", png(5, 3, 8, 2, picture(5, 3, 8, 2)))
    # Grey ramp with gAMA 0.45455, with and without sRGB.
    ramp = [[[v] for v in range(256)]]
    gama = (b"gAMA", struct.pack(">I", 45455))
    save("ramp_gama", png(256, 1, 8, 0, ramp, before=[gama]))
    save("ramp_srgb", png(256, 1, 8, 0, ramp, before=[(b"sRGB", b"\x00"), gama]))
    # pHYs 2835 x 2835 per metre.
    save("phys", png(w, h, 8, 2, picture(w, h, 8, 2), before=[(b"pHYs", struct.pack(">IIB", 2835, 2835, 1))]))
    # Deeper than 1 bit, yet rows as long as 1-bit rows: refused at 1 bit all the same.
    save("p2_w4", png(4, 3, 2, 3, picture(4, 3, 2, 3), before=[(b"PLTE", plte(4))]))
    save("g4_w2", png(2, 3, 4, 0, picture(2, 3, 4, 0)))
    # pHYs with unit 0: an aspect ratio only.
    save("phys_aspect", png(w, h, 8, 2, picture(w, h, 8, 2), before=[(b"pHYs", struct.pack(">IIB", 3, 2, 0))]))
    # Chunks no read uses: text, compressed text that inflates to 4 MB, an
    # international text of an unknown compression, a bogus profile; then a
    # text chunk that claims 2^31 - 1 bytes in a file of a few dozen.
    bomb = zlib.compress(b"\0" * (4 << 20), 9)
    unused = [(b"tEXt", b"Title\0x"), (b"zTXt", b"Comment\0\0" + bomb), (b"iTXt", b"Note\0\1\7\0\0x"),
              (b"iCCP", b"icc\0\0" + zlib.compress(b"not a profile"))]
    save("unused_chunks", png(w, h, 8, 2, picture(w, h, 8, 2), before=unused, after=[(b"tEXt", b"End\0y")]))
    claim = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", w, h, 8, 2, 0, 0, 0))
    save("text_2gb", claim + struct.pack(">I", 2**31 - 1) + b"tEXtTitle\0" + b"x" * 20)
    # 37 rows for progress.
    save("rows37", png(6, 37, 8, 2, picture(6, 37, 8, 2)))
    save("rows37i", png(6, 37, 8, 2, picture(6, 37, 8, 2), 1))
    # Damage.
    save("anc_bad_crc", png(w, h, 8, 2, picture(w, h, 8, 2), before=[(b"tEXt", b"Title\x00x", True)]))
    save("idat_bad_crc", png(w, h, 8, 2, picture(w, h, 8, 2), idat_bad_crc=True))
    save("huge", png(100000, 100000, 8, 2, None, ihdr=struct.pack(">IIBBBBB", 100000, 100000, 8, 2, 0, 0, 0)))
    save("wide", png(1, 1, 8, 2, None, ihdr=struct.pack(">IIBBBBB", 2**31 - 1, 1, 8, 2, 0, 0, 0)))


if __name__ == "__main__":
    main()
