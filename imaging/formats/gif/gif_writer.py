#!/usr/bin/env python3
"""Writes the GIF files no tool writes: only a local table, a local table
over a global one, code size 1, a stream that goes on past a full table, a
known transparent index. Usage: gif_writer.py OUT_DIR."""
import os
import random
import sys


def lzw(pixels, code_size, clear_when_full=True):
    """GIF LZW codes packed into bytes; also the pixel count covered by the
    codes a decoder accepts before its table is full (None when it never is)."""
    clear, end = 1 << code_size, (1 << code_size) + 1
    out = bytearray()
    acc = [0, 0]

    def emit(code, width):
        acc[0] |= code << acc[1]
        acc[1] += width
        while acc[1] >= 8:
            out.append(acc[0] & 0xFF)
            acc[0] >>= 8
            acc[1] -= 8

    def reset():
        return {bytes([i]): i for i in range(clear)}, clear + 2, code_size + 1

    table, nxt, width = reset()
    emit(clear, width)
    full_at = None
    covered = 0
    codes_after_full = 0
    s = bytes([pixels[0]])
    for p in pixels[1:] + [None]:
        if p is not None and s + bytes([p]) in table:
            s += bytes([p])
            continue
        emit(table[s], width)
        covered += len(s)
        if full_at is None and nxt >= 4096 and not clear_when_full:
            codes_after_full += 1
            # The decoder takes this one code (its table's last entry) and
            # refuses the next.
            if codes_after_full == 2:
                full_at = covered - len(s)
        if p is None:
            break
        if nxt < 4096:
            table[s + bytes([p])] = nxt
            nxt += 1
            if nxt > (1 << width) and width < 12:
                width += 1
        elif clear_when_full:
            emit(clear, width)
            table, nxt, width = reset()
        s = bytes([p])
    emit(end, width)
    if acc[1]:
        out.append(acc[0] & 0xFF)
    return bytes(out), full_at


def sub_blocks(data):
    out = bytearray()
    for i in range(0, len(data), 255):
        chunk = data[i:i + 255]
        out += bytes([len(chunk)]) + chunk
    return bytes(out + b"\0")


def table_bits(entries):
    bits = 0
    while (2 << bits) < entries:
        bits += 1
    return bits


def gif(w, h, pixels, global_table=None, local_table=None, code_size=8, interlace=False, transparent=None,
        clear_when_full=True, blocks=b""):
    def le16(v):
        return bytes([v & 0xFF, v >> 8])

    out = bytearray(b"GIF89a" + le16(w) + le16(h))
    if global_table:
        out += bytes([0x80 | table_bits(len(global_table)), 0, 0])
        for c in global_table:
            out += bytes(c)
    else:
        out += b"\0\0\0"
    if transparent is not None:
        out += b"\x21\xF9\x04" + bytes([1, 0, 0, transparent]) + b"\0"
    out += blocks
    out += b"\x2C" + le16(0) + le16(0) + le16(w) + le16(h)
    packed = 0x40 if interlace else 0
    if local_table:
        packed |= 0x80 | table_bits(len(local_table))
    out.append(packed)
    if local_table:
        for c in local_table:
            out += bytes(c)
    rows = [pixels[y * w:(y + 1) * w] for y in range(h)]
    if interlace:
        order = [y for start, step in ((0, 8), (4, 8), (2, 4), (1, 2)) for y in range(start, h, step)]
        rows = [rows[y] for y in order]
    data, full_at = lzw([p for r in rows for p in r], code_size, clear_when_full)
    out += bytes([code_size]) + sub_blocks(data) + b"\x3B"
    return bytes(out), full_at


def colours(n, seed):
    rnd = random.Random(seed)
    return [(rnd.randrange(256), rnd.randrange(256), rnd.randrange(256)) for _ in range(n)]


def main():
    out = sys.argv[1]
    rnd = random.Random(28)

    def save(name, data):
        with open(os.path.join(out, name), "wb") as f:
            f.write(data)

    w, h = 41, 29
    pix16 = [(x * 3 + y * 5 + (x * y) % 7) % 16 for y in range(h) for x in range(w)]
    save("gifw_local.gif", gif(w, h, pix16, local_table=colours(16, 1), code_size=4)[0])
    save("gifw_local_global.gif",
         gif(w, h, pix16, global_table=colours(256, 2), local_table=colours(16, 3), code_size=4, interlace=True)[0])
    pix2 = [(x // 3 + y // 2) % 2 for y in range(h) for x in range(w)]
    save("gifw_cs1.gif", gif(w, h, pix2, global_table=[(0, 0, 0), (250, 200, 10)], code_size=1)[0])
    save("gifw_cs1.raw", bytes(pix2))
    save("gifw_transparent.gif",
         gif(w, h, pix16, global_table=colours(16, 4), code_size=4, transparent=5)[0])
    save("gifw_nogce.gif", gif(w, h, pix16, global_table=colours(16, 5), code_size=4)[0])
    save("gifw_pix16.raw", bytes(pix16))
    # The pixel check counts the table in use: a local table smaller than the
    # pixels, and one larger than the global table.
    save("gifw_small_local.gif", gif(w, h, pix16, global_table=colours(256, 7), local_table=colours(4, 8),
                                     code_size=4)[0])
    save("gifw_large_local.gif", gif(w, h, pix16, global_table=colours(2, 9), local_table=colours(16, 10),
                                     code_size=4)[0])
    # A screen larger than the image, and a second image after the first.
    first = gif(w, h, pix16, global_table=colours(16, 14), code_size=4)[0]
    first = first[:6] + bytes([200, 0, 150, 0]) + first[10:]
    other = [(p + 1) % 16 for p in pix16]
    second = gif(w, h, other, global_table=colours(16, 14), code_size=4)[0]
    save("gifw_two.gif", first[:-1] + second[second.index(b"\x2C"):])
    # Graphic control sub-blocks too short for the transparent index (with its
    # flag set), and one whole among a comment, a loop count and stray bytes.
    save("gifw_gce1.gif", gif(w, h, pix16, global_table=colours(16, 11), code_size=4,
                              blocks=b"\x21\xF9\x01\x01\x00")[0])
    save("gifw_gce3.gif", gif(w, h, pix16, global_table=colours(16, 12), code_size=4,
                              blocks=b"\x21\xF9\x03\x01\x0A\x00\x00")[0])
    save("gifw_blocks.gif", gif(w, h, pix16, global_table=colours(16, 13), code_size=4,
                                blocks=b"\x21\xFE\x05hello\x00\x00\x3B\x01"
                                       b"\x21\xFF\x0BNETSCAPE2.0\x03\x01\x05\x00\x00"
                                       b"\x21\xF9\x04\x05\x00\x00\x09\x00\x7F")[0])
    ow, oh = 100, 100
    noise = [rnd.randrange(256) for _ in range(ow * oh)]
    data, full_at = gif(ow, oh, noise, global_table=colours(256, 6), code_size=8, clear_when_full=False)
    save("gifw_overflow.gif", data)
    save("gifw_overflow.raw", bytes(noise))
    save("gifw_overflow.stop", str(full_at).encode())
    # The same noise with clears: the decoder's table handling over many resets.
    save("gifw_noise.gif", gif(ow, oh, noise, global_table=colours(256, 6), code_size=8)[0])


if __name__ == "__main__":
    main()
