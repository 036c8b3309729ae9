#!/usr/bin/python3
"""Writes the TIFF files no peer tool makes: custom tags, a 16-bit palette,
12-bit grey, a damaged deflate strip, a huge StripByteCounts, a huge image."""
import struct
import sys
import zlib

SHORT, LONG, RATIONAL, DOUBLE, ASCII, BYTE = 3, 4, 5, 12, 2, 1
SIZES = {BYTE: 1, ASCII: 1, SHORT: 2, LONG: 4, RATIONAL: 8, DOUBLE: 8}


def pack_values(kind, values):
    if kind == ASCII:
        return values.encode() + b"\0"
    fmt = {BYTE: "B", SHORT: "H", LONG: "I", DOUBLE: "d"}
    if kind == RATIONAL:
        return b"".join(struct.pack("<II", n, d) for n, d in values)
    return b"".join(struct.pack("<" + fmt[kind], v) for v in values)


def build_ifd(entries, body_at):
    ifd = bytearray(struct.pack("<H", len(entries)))
    body = bytearray()
    for tag, (kind, values) in entries:
        data = pack_values(kind, values)
        count = len(data) // SIZES[kind] if kind != ASCII else len(data)
        if len(data) <= 4:
            ifd += struct.pack("<HHI", tag, kind, count) + data.ljust(4, b"\0")
        else:
            ifd += struct.pack("<HHII", tag, kind, count, body_at + len(body))
            body += data
            if len(body) % 2:
                body += b"\0"
    ifd += b"\0\0\0\0"
    return ifd, body


def write_tiff(path, tags, strips, ifd_first=False, tiled=False):
    """tags: {tag: (type, values)}; strips: list of byte strings (tiles when
    `tiled`). Offsets and counts of the strips are filled in unless given.
    The directory comes after the strips, or before them with `ifd_first`."""
    offset_tag, count_tag = (324, 325) if tiled else (273, 279)
    tags = dict(tags)
    tags.setdefault(count_tag, (LONG, [len(s) for s in strips]))
    given = offset_tag in tags
    tags.setdefault(offset_tag, (LONG, [0] * len(strips)))
    entries = sorted(tags.items())
    ifd_size = 2 + 12 * len(entries) + 4
    out = bytearray(b"II*\0\0\0\0\0")
    if ifd_first:
        _, body = build_ifd(entries, 8 + ifd_size)
        at = 8 + ifd_size + len(body)
    else:
        at = 8
    offsets = []
    data = bytearray()
    for s in strips:
        offsets.append(at + len(data))
        data += s
        if len(data) % 2:
            data += b"\0"
    if not given:
        tags[offset_tag] = (LONG, offsets)
    entries = sorted(tags.items())
    if ifd_first:
        ifd, body = build_ifd(entries, 8 + ifd_size)
        struct.pack_into("<I", out, 4, 8)
        out += ifd + body + data
    else:
        out += data
        ifd_at = len(out)
        ifd, body = build_ifd(entries, ifd_at + ifd_size)
        struct.pack_into("<I", out, 4, ifd_at)
        out += ifd + body
    with open(path, "wb") as f:
        f.write(out)


def grey_tags(w, h, bits, photometric=1, compression=1, rows=None):
    return {256: (LONG, [w]), 257: (LONG, [h]), 258: (SHORT, [bits]), 259: (SHORT, [compression]),
            262: (SHORT, [photometric]), 277: (SHORT, [1]), 278: (LONG, [rows or h])}


def main(out):
    w, h = 13, 7
    pixels = bytes((x * 19 + y * 31) & 0xFF for y in range(h) for x in range(w))
    # Nine custom tags on an 8-bit grey picture.
    tags = grey_tags(w, h, 8)
    tags.update({34665: (LONG, [0]), 32932: (BYTE, [1, 2, 3]), 33550: (DOUBLE, [1.0, 1.0, 0.0]),
                 33920: (DOUBLE, [1.0] * 16), 34264: (DOUBLE, [1.0] * 16), 33922: (DOUBLE, [0.0] * 6),
                 34735: (SHORT, [1, 1, 0, 0]), 34736: (DOUBLE, [6378137.0]), 34737: (ASCII, "WGS 84|")})
    write_tiff(f"{out}/tif_custom_tags.tif", tags, [pixels])
    # 16-bit palette: 65,536 map entries.
    tags = grey_tags(w, h, 16, photometric=3)
    tags[320] = (SHORT, [(i * 7) & 0xFFFF for i in range(3 * 65536)])
    write_tiff(f"{out}/tif_palette16.tif", tags,
               [b"".join(struct.pack("<H", v * 100) for v in pixels)])
    # 12-bit grey, packed.
    bits = "".join(format((v * 16) & 0xFFF, "012b") for v in pixels)
    bits += "0" * (-len(bits) % 8)
    write_tiff(f"{out}/tif_grey12.tif", grey_tags(w, h * 1, 12),
               [int(bits, 2).to_bytes(len(bits) // 8, "big")])
    # Deflate, one row a strip; the third strip's bytes are damaged.
    strips = [zlib.compress(pixels[y * w:(y + 1) * w]) for y in range(h)]
    strips[2] = b"\x78\x9c\xff\xff\xff\xff" + b"\x00" * 8
    write_tiff(f"{out}/tif_bad_deflate.tif", grey_tags(w, h, 8, compression=8, rows=1), strips)
    with open(f"{out}/tif_bad_deflate.raw", "wb") as f:
        f.write(pixels)
    # StripByteCounts 0xFFFFFFFF in a 2 KB LZW RGB file.
    rgb = bytes(range(256)) * 7
    tags = {256: (LONG, [256]), 257: (LONG, [256]), 258: (SHORT, [8, 8, 8]), 259: (SHORT, [5]),
            262: (SHORT, [2]), 277: (SHORT, [3]), 278: (LONG, [256]), 279: (LONG, [0xFFFFFFFF])}
    write_tiff(f"{out}/tif_huge_count.tif", tags, [rgb[:2000]])
    # The directory first, then the strips: a file cut short keeps its
    # directory and loses rows. 8-bit grey (deflate), bilevel, 16-bit RGB.
    w2, h2 = 37, 23
    grey = bytes((x * 7 + y * 11 + (x * y) % 13) & 0xFF for y in range(h2) for x in range(w2))
    write_tiff(f"{out}/tif_front_grey.tif", grey_tags(w2, h2, 8, compression=8, rows=4),
               [zlib.compress(grey[y * w2:(y + 4) * w2]) for y in range(0, h2, 4)], ifd_first=True)
    row = (w2 + 7) // 8
    bw = bytes((x * 29 + y * 53) & 0xFF for y in range(h2) for x in range(row))
    write_tiff(f"{out}/tif_front_bw.tif", grey_tags(w2, h2, 1, photometric=0, rows=3),
               [bw[y * row:(y + 3) * row] for y in range(0, h2, 3)], ifd_first=True)
    rgb16 = b"".join(struct.pack("<H", (x * 1543 + y * 3079 + c * 20011) & 0xFFFF)
                     for y in range(h2) for x in range(w2) for c in range(3))
    tags = {256: (LONG, [w2]), 257: (LONG, [h2]), 258: (SHORT, [16, 16, 16]), 259: (SHORT, [1]),
            262: (SHORT, [2]), 277: (SHORT, [3]), 278: (LONG, [5])}
    write_tiff(f"{out}/tif_front_rgb16.tif", tags,
               [rgb16[y * w2 * 6:(y + 5) * w2 * 6] for y in range(0, h2, 5)], ifd_first=True)
    # Tiles 12 wide (not a multiple of 16: libtiff reads them with a warning)
    # on a 29 x 21 picture, bilevel and 8-bit grey; references as PBM and PGM.
    w3, h3, tw, tl = 29, 21, 12, 16
    bits = [[(x * 3 + y * 5 + (x * y) % 7) % 3 == 0 for x in range(w3)] for y in range(h3)]
    levels = [[(x * 9 + y * 17) & 0xFF for x in range(w3)] for y in range(h3)]
    bw_tiles, grey_tiles = [], []
    for ty in range(0, h3, tl):
        for tx in range(0, w3, tw):
            bw_tile, grey_tile = bytearray(), bytearray()
            for y in range(ty, ty + tl):
                packed = bytearray((tw + 7) // 8)
                for i in range(tw):
                    x = tx + i
                    if x < w3 and y < h3 and bits[y][x]:
                        packed[i // 8] |= 0x80 >> (i % 8)
                    grey_tile.append(levels[y][x] if x < w3 and y < h3 else 0)
                bw_tile += packed
            bw_tiles.append(bytes(bw_tile))
            grey_tiles.append(bytes(grey_tile))
    for name, bps, tiles in (("bw", 1, bw_tiles), ("grey", 8, grey_tiles)):
        tags = grey_tags(w3, h3, bps, photometric=0 if bps == 1 else 1)
        del tags[278]
        tags.update({322: (LONG, [tw]), 323: (LONG, [tl])})
        write_tiff(f"{out}/tif_tile12_{name}.tif", tags, tiles, tiled=True)
    with open(f"{out}/tif_tile12_bw.pbm", "wb") as f:
        f.write(b"P4\n%d %d\n" % (w3, h3))
        for y in range(h3):
            packed = bytearray((w3 + 7) // 8)
            for x in range(w3):
                if bits[y][x]:
                    packed[x // 8] |= 0x80 >> (x % 8)
            f.write(packed)
    with open(f"{out}/tif_tile12_grey.pgm", "wb") as f:
        f.write(b"P5\n%d %d\n255\n" % (w3, h3) + bytes(v for r in levels for v in r))
    # Resolutions of 72.7 and 75.05 without a ResolutionUnit tag.
    tags = grey_tags(w, h, 8)
    tags.update({282: (RATIONAL, [(727, 10)]), 283: (RATIONAL, [(1501, 20)])})
    write_tiff(f"{out}/tif_res_nounit.tif", tags, [pixels])
    # Bilevel 2^31 pixels wide, one row: its 256 MB row is under the limit,
    # but no DIB or overlay takes such a width.
    write_tiff(f"{out}/tif_wide_bilevel.tif", grey_tags(2**31, 1, 1, photometric=0), [b"\0" * 64])
    # 100000 x 100000 RGB, one tiny strip.
    tags = {256: (LONG, [100000]), 257: (LONG, [100000]), 258: (SHORT, [8, 8, 8]), 259: (SHORT, [1]),
            262: (SHORT, [2]), 277: (SHORT, [3]), 278: (LONG, [100000])}
    write_tiff(f"{out}/tif_huge_image.tif", tags, [b"\0" * 64])


if __name__ == "__main__":
    main(sys.argv[1])
