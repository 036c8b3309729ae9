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


def write_tiff(path, tags, strips):
    """tags: {tag: (type, values)}; strips: list of byte strings. Offsets and
    counts of the strips are filled in unless given."""
    out = bytearray(b"II*\0\0\0\0\0")
    offsets = []
    for s in strips:
        offsets.append(len(out))
        out += s
        if len(out) % 2:
            out += b"\0"
    tags = dict(tags)
    tags.setdefault(273, (LONG, offsets))
    tags.setdefault(279, (LONG, [len(s) for s in strips]))
    entries = sorted(tags.items())
    ifd_at = len(out)
    struct.pack_into("<I", out, 4, ifd_at)
    body_at = ifd_at + 2 + 12 * len(entries) + 4
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
    # 100000 x 100000 RGB, one tiny strip.
    tags = {256: (LONG, [100000]), 257: (LONG, [100000]), 258: (SHORT, [8, 8, 8]), 259: (SHORT, [1]),
            262: (SHORT, [2]), 277: (SHORT, [3]), 278: (LONG, [100000])}
    write_tiff(f"{out}/tif_huge_image.tif", tags, [b"\0" * 64])


if __name__ == "__main__":
    main(sys.argv[1])
