#!/usr/bin/env python3
"""Writes PSD files byte by byte, for what ImageMagick does not write: chosen
pixels, duotone, wrong versions, modes and channel counts, hostile lengths
and odd resource blocks: psd_make.py OUTDIR. With --blocks PSDDIR OUTDIR it
writes the image-resource block of every PSD file in PSDDIR, and one block of
several records, as files of their own (seeds of the resource parser)."""
import glob
import os
import struct
import sys


def be16(v):
    return struct.pack(">H", v)


def be32(v):
    return struct.pack(">I", v)


def resource(rid, data, name=b"", signature=b"8BIM"):
    field = bytes([len(name)]) + name
    if len(field) % 2:
        field += b"\0"
    body = signature + be16(rid) + field + be32(len(data)) + data
    return body + (b"\0" if len(data) % 2 else b"")


def resolution(h_int, h_frac, h_unit, v_int, v_frac, v_unit):
    return resource(1005, struct.pack(">8H", h_int, h_frac, h_unit, 1, v_int, v_frac, v_unit, 1))


RES_72 = resolution(72, 0, 1, 72, 0, 1)


def psd(channels, height, width, depth, mode, data=b"", colour=b"", resources=RES_72, layers=b"",
        compression=0, signature=b"8BPS", version=1, colour_length=None, resource_length=None):
    head = signature + be16(version) + b"\0" * 6 + be16(channels) + be32(height) + be32(width)
    head += be16(depth) + be16(mode)
    out = head
    out += be32(len(colour) if colour_length is None else colour_length) + colour
    out += be32(len(resources) if resource_length is None else resource_length) + resources
    out += be32(len(layers)) + layers
    return out + be16(compression) + data


def planes(*rows_per_plane):
    """Raw data: every plane's rows, one plane after another."""
    return b"".join(b"".join(rows) for rows in rows_per_plane)


def packbits(counts, rows):
    return b"".join(be16(c) for c in counts) + b"".join(rows)


def literal(row):
    """A PackBits row as one literal run (rows of at most 128 bytes)."""
    return bytes([len(row) - 1]) + row


def grey_ramp(width, height):
    return [bytes((x * 37 + y * 11) % 256 for x in range(width)) for y in range(height)]


def files():
    f = {}
    # Chosen pixels.
    f["cmyk_pixel"] = psd(4, 1, 1, 8, 4, planes([b"\xff"], [b"\xff"], [b"\xff"], [b"\x80"]))
    f["cmyk16_pixel"] = psd(4, 1, 1, 16, 4, planes([be16(0x8000)], [be16(0x4000)], [be16(0xFFFF)], [be16(0x8000)]))
    f["rgb_pixels"] = psd(3, 1, 2, 8, 3, planes([b"\x0a\x14"], [b"\x1e\x28"], [b"\x32\x3c"]))
    f["rgb16_pixels"] = psd(3, 1, 2, 16, 3,
                            planes([b"\x01\x02\x03\x04"], [b"\x05\x06\x07\x08"], [b"\x09\x0a\x0b\x0c"]))
    # Grey with an alpha plane: 16-bit samples keep both channels.
    f["grey16_alpha"] = psd(2, 1, 2, 16, 1, planes([b"\x12\x34\x56\x78"], [b"\x9a\xbc\xde\xf0"]))
    # Five CMYK channels: the fifth is left out.
    f["cmyk5_pixel"] = psd(5, 1, 1, 8, 4, planes([b"\x01"], [b"\x02"], [b"\x03"], [b"\x04"], [b"\x05"]))
    # Duotone: grey data, 20 bytes of duotone specification skipped.
    ramp = grey_ramp(6, 4)
    f["duotone"] = psd(1, 4, 6, 8, 8, planes(ramp), colour=bytes(range(20)))
    # 4 x 2 grey in PackBits: row 0 a no-op byte (-128) and a literal, the
    # last row a run of 6 crossing the row's (and the buffer's) end.
    rows = [b"\x80" + literal(b"\x01\x02\x03\x04"), b"\xfb\x2a"]
    f["run_crossing"] = psd(1, 2, 4, 8, 1, packbits([len(r) for r in rows], rows), compression=1)
    # A literal row whose count claims more bytes than the row holds.
    rows = [b"\x07\x01\x02", literal(b"\x05\x06\x07\x08")]
    f["row_data_short"] = psd(1, 2, 4, 8, 1, packbits([len(r) for r in rows], rows), compression=1)
    # 16-bit PackBits grey: one channel 46, two 17.
    one = [literal(be16(0x1234) * 2)]
    f["grey16_rle"] = psd(1, 1, 2, 16, 1, packbits([len(one[0])], one), compression=1)
    f["grey16_rle_2ch"] = psd(2, 1, 2, 16, 1, packbits([len(one[0])] * 2, one * 2), compression=1)

    # Resources.
    grey = planes(grey_ramp(3, 2))
    f["no_resources"] = psd(1, 2, 3, 8, 1, grey, resources=b"")
    f["garbage_resources"] = psd(1, 2, 3, 8, 1, grey, resources=b"ABCDEFGHIJKL")
    f["no_1005"] = psd(1, 2, 3, 8, 1, grey, resources=resource(1036, b"thumb!"))
    # Unit 2 with a vertical unit of 1: the vertical unit is not used.
    f["res_cm"] = psd(1, 2, 3, 8, 1, grey, resources=resolution(300, 0x8000, 2, 150, 0, 1))
    f["res_unit0"] = psd(1, 2, 3, 8, 1, grey, resources=resolution(96, 0x4000, 0, 48, 0, 0))
    # 1005 holding fewer than 16 bytes, then a record cut in its name.
    short = resource(1005, b"\x00\x48\x00\x00\x00\x01")
    f["res_short_1005"] = psd(1, 2, 3, 8, 1, grey, resources=short)
    f["res_cut_after_1005"] = psd(1, 2, 3, 8, 1, grey, resources=RES_72 + b"8BIM\x04\x0c\x09ab")

    # Refusals.
    rgb = planes([b"\x01"], [b"\x02"], [b"\x03"])
    f["bad_signature"] = psd(3, 1, 1, 8, 3, rgb, signature=b"8BPX")
    f["version2"] = psd(3, 1, 1, 8, 3, rgb, version=2)
    f["width0"] = psd(3, 1, 0, 8, 3, b"")
    f["height0"] = psd(1, 0, 1, 8, 1, b"")
    f["mode7"] = psd(3, 1, 1, 8, 7, rgb)
    f["mode9"] = psd(3, 1, 1, 8, 9, rgb)
    f["depth32"] = psd(3, 1, 1, 32, 3, rgb * 4)
    f["mode0_depth8"] = psd(1, 1, 1, 8, 0, b"\x01")
    f["grey_depth1"] = psd(1, 1, 8, 1, 1, b"\x0f")
    f["rgb_2ch"] = psd(2, 1, 1, 8, 3, b"\x01\x02")
    f["cmyk_3ch"] = psd(3, 1, 1, 8, 4, rgb)
    f["channels0"] = psd(0, 1, 1, 8, 1, b"")
    f["compression2"] = psd(3, 1, 1, 8, 3, rgb, compression=2)
    f["huge"] = psd(3, 40000, 40000, 8, 3, rgb)
    f["resources_past_end"] = psd(3, 1, 1, 8, 3, rgb, resources=b"", resource_length=0xFFFFFFF0)
    # A count table of 3 x 1000 rows in a file of a few bytes.
    f["counts_past_end"] = psd(3, 1000, 1000, 8, 3, b"\x00\x02" * 4, compression=1)
    f["indexed_short_colour"] = psd(1, 1, 1, 8, 2, b"\x00", colour=bytes(10))
    # Indexed with a table longer than 768 bytes: the rest is skipped.
    table = bytes(range(256)) + bytes(255 - i for i in range(256)) + bytes([7]) * 256 + b"tail"
    f["indexed_long_colour"] = psd(1, 1, 3, 8, 2, b"\x00\x01\xff", colour=table)
    return f


def blocks(psd_dir, out):
    os.makedirs(out, exist_ok=True)
    for path in glob.glob(os.path.join(psd_dir, "*.psd")):
        d = open(path, "rb").read()
        if len(d) < 30:
            continue
        p = 30 + struct.unpack(">I", d[26:30])[0]
        n = struct.unpack(">I", d[p:p + 4])[0] if len(d) >= p + 4 else 0
        if n:
            with open(os.path.join(out, os.path.basename(path)[:-4]), "wb") as fh:
                fh.write(d[p + 4:p + 4 + n])
    several = RES_72 + resource(1036, bytes(range(41)), b"ab") + b"xx" + resource(1039, b"ICC", b"abc")
    with open(os.path.join(out, "several"), "wb") as fh:
        fh.write(several + resource(1028, b""))


def main():
    if sys.argv[1] == "--blocks":
        blocks(sys.argv[2], sys.argv[3])
        return
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    for name, data in files().items():
        with open(os.path.join(out, name + ".psd"), "wb") as fh:
            fh.write(data)


if __name__ == "__main__":
    main()
