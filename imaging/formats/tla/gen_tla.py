#!/usr/bin/env python3
"""A TLA writer for the tests (the system itself writes no TLA files).

  gen_tla.py OUTDIR
      the test files: plain and protected pictures of every depth and filter,
      the damaged files, and beside each NAME.tla what a reader must give:
      NAME.rgb and NAME.rgba (3 and 4 bytes a pixel), NAME.idx and NAME.pal
      (1-byte files: the indices and the 1,024 palette bytes); a picture's
      rows that a reader cannot deliver are zero there. known_answers.txt
      holds the cipher's known answers as this writer computes them.
  gen_tla.py --rgba IN W H OUT [--strip-rows N] [--filters F] [--password P]
      one file of raw R, G, B, A bytes at 4 bytes a pixel (the benchmark's).

Expected pixels come from each picture's own source bytes and the row
conversion of the format, never from reading the file back.
"""
import os
import struct
import sys
import zlib

MAGIC_PLAIN = b"TLAU"
MAGIC_PROTECTED = b"TLA\x01"
VERSION, HEADER, METADATA, COMPRESSION, PALETTE, STRIP = 100, 101, 102, 103, 104, 106


class Sapphire:
    """The Sapphire II stream cipher and hash, every value a byte."""

    def __init__(self):
        self.cards = list(range(256))
        self.rotor = self.ratchet = self.avalanche = self.last_plain = self.last_cipher = 0

    def set_key(self, key):
        cards = self.cards = list(range(256))
        self.rsum = 0
        self.keypos = 0
        for i in range(255, 0, -1):
            j = self._keyrand(i, key)
            cards[i], cards[j] = cards[j], cards[i]
        self.rotor, self.ratchet, self.avalanche = cards[1], cards[3], cards[5]
        self.last_plain, self.last_cipher = cards[7], cards[self.rsum]
        return self

    def _keyrand(self, limit, key):
        mask = 1
        while mask < limit:
            mask = (mask << 1) + 1
        tries = 0
        while True:
            self.rsum = (self.cards[self.rsum] + key[self.keypos]) & 255
            self.keypos += 1
            if self.keypos == len(key):
                self.keypos = 0
                self.rsum = (self.rsum + len(key)) & 255
            u = self.rsum & mask
            tries += 1
            if tries > 11:
                u %= limit
            if u <= limit:
                return u

    def hash_init(self):
        self.rotor, self.ratchet, self.avalanche, self.last_plain, self.last_cipher = 1, 3, 5, 7, 11
        self.cards = [255 - i for i in range(256)]
        return self

    def hash_update(self, data):
        self.encipher(data)

    def hash_final(self, length=32):
        self.encipher(bytes(range(255, -1, -1)))
        return self.encipher(bytes(length))

    def encipher(self, data):
        return self._run(data, True)

    def decipher(self, data):
        return self._run(data, False)

    def _run(self, data, forward):
        c = self.cards
        rotor, ratchet, avalanche = self.rotor, self.ratchet, self.avalanche
        plain_last, cipher_last = self.last_plain, self.last_cipher
        out = bytearray(len(data))
        for n, b in enumerate(data):
            ratchet = (ratchet + c[rotor]) & 255
            rotor = (rotor + 1) & 255
            t = c[cipher_last]
            c[cipher_last] = c[ratchet]
            c[ratchet] = c[plain_last]
            c[plain_last] = c[rotor]
            c[rotor] = t
            avalanche = (avalanche + c[t]) & 255
            k = c[(c[ratchet] + c[rotor]) & 255] ^ c[c[(c[plain_last] + c[cipher_last] + c[avalanche]) & 255]]
            o = b ^ k
            out[n] = o
            if forward:
                plain_last, cipher_last = b, o
            else:
                plain_last, cipher_last = o, b
        self.rotor, self.ratchet, self.avalanche = rotor, ratchet, avalanche
        self.last_plain, self.last_cipher = plain_last, cipher_last
        return bytes(out)


def password_key(password):
    """The 32-byte key of a password; None for none (or an empty one)."""
    if not password:
        return None
    s = Sapphire().hash_init()
    s.hash_update(password.encode("latin-1"))
    return s.hash_final(32)


def known_answers():
    key = password_key("abc")
    cipher = Sapphire().set_key(key).encipher(bytes(16))
    plain = Sapphire().set_key(key).decipher(cipher)
    return key, cipher, plain


# --- Filters: the inverse of each of the reader's steps, applied Sub, Up, Paeth.

def filter_strip(rows, flags, d):
    rows = [bytearray(r) for r in rows]
    if flags & 1:
        for r in rows:
            r[d:] = bytes((x - y) & 255 for x, y in zip(r[d:], bytes(r[:-d])))
    if flags & 2 and len(rows) >= 2:
        for y in range(len(rows) - 1, 0, -1):
            rows[y] = bytearray((x - u) & 255 for x, u in zip(rows[y], rows[y - 1]))
    if flags & 4:
        for y in range(len(rows) - 1, 0, -1):
            r, up = rows[y], rows[y - 1]
            r[d:] = bytes((x - paeth(a, b, c)) & 255 for x, a, b, c in zip(r[d:], bytes(r[:-d]), up[d:], up[:-d]))
    return [bytes(r) for r in rows]


def paeth(a, b, c):
    pa, pb, pc = abs(b - c), abs(a - c), abs(a + b - 2 * c)
    if pa <= pb and pa <= pc:
        return a
    return b if pb <= pc else c


# --- Row conversion: the stored bytes of one pixel to R, G, B, A.

def pixel_rgba(stored, bpp, palette):
    if bpp == 1:
        b, g, r, a = palette[stored[0]]
        return r, g, b, a
    if bpp == 2:
        v = stored[0] | (stored[1] << 8)
        return ((v >> 10) & 31) * 8, ((v >> 5) & 31) * 8, (v & 31) * 8, 255 if v & 0x8000 else 0
    if bpp == 3:
        return stored[0], stored[1], stored[2], 255
    return tuple(stored[:4])


class Picture:
    def __init__(self, width, height, bpp, pixels, palette=None, entries=0):
        self.width, self.height, self.bpp, self.pixels = width, height, bpp, bytes(pixels)
        self.entries = entries
        # 256 entries of blue, green, red, alpha; those past `entries` stay zero.
        self.palette = [tuple(palette[i]) if i < entries else (0, 0, 0, 0) for i in range(256)]

    def row(self, y):
        n = self.width * self.bpp
        return self.pixels[y * n:(y + 1) * n]


class Writer:
    """Options of one file; faults change what `tla` writes."""

    def __init__(self, picture, strips=None, filters=0, password=None, items=(), fault=None):
        self.pic = picture
        self.strips = list(strips) if strips else [picture.height]
        self.filters = filters
        self.key = password_key(password)
        self.items = list(items)
        self.fault = fault
        self.delivered = []  # per picture row: the stored bytes a reader hands on, or None

    def chunk(self, kind, payload, enciphered_payload=True, length=None):
        # Byte 0 of a head is ignored by readers: it varies here.
        length = len(payload) if length is None else length
        head = struct.pack("<BHI", (kind * 7 + len(payload)) & 255, kind, length)
        return self.seal(head) + (self.seal(payload) if enciphered_payload else payload)

    def seal(self, data):
        # Every piece read by itself is enciphered by itself with a fresh state.
        return Sapphire().set_key(self.key).encipher(data) if self.key and data else data

    def tla(self):
        p, f = self.pic, self.fault
        out = bytearray(MAGIC_PROTECTED if self.key else MAGIC_PLAIN)
        if f == "bad_magic":
            out[:4] = b"TLAV"
        width = 0 if f == "width0" else p.width
        bpp = {"bpp0": 0, "bpp5": 5}.get(f, p.bpp)
        entries = 300 if f == "entries300" else p.entries
        width, height = (65535, 65535) if f == "huge" else (width, p.height)
        version = self.chunk(VERSION, struct.pack("<H", 2 if f == "version2" else 1))
        header = self.chunk(HEADER, struct.pack("<HHHH", width, height, bpp, entries))
        out += header + version if f == "out_of_order" else version + header
        out += self.palette_chunk(entries)
        out += self.chunk(METADATA, struct.pack("<H", len(self.items)))
        for n, item in enumerate(self.items):
            length = 0xFFFFFFFF if f == "item_huge" and n == len(self.items) - 1 else len(item)
            out += self.seal(struct.pack("<BHI", 0xA5 ^ n, 0x1234 + n, length)) + self.seal(item)
        huge = 0xFFFFFFFF if f == "compression_huge" else None
        out += self.chunk(COMPRESSION, b"zlib deflate", enciphered_payload=False, length=huge)
        out += self.strip_chunks()
        return bytes(out)

    def palette_chunk(self, entries):
        p = self.pic
        if p.bpp != 1:
            # Skipped whole by the reader, so never enciphered.
            huge = 0xFFFFFFFF if self.fault == "palette_huge" else None
            return self.chunk(PALETTE, bytes(range(12)), enciphered_payload=False, length=huge)
        table = b"".join(bytes(e) for e in p.palette[:p.entries])
        table += bytes(4 * max(0, entries - p.entries))
        if self.fault == "short_palette":
            return self.chunk(PALETTE, self.seal(table[:-4]), enciphered_payload=False)
        tail = b"skipped tail" if self.fault == "long_palette" else b""
        return self.chunk(PALETTE, self.seal(table) + tail, enciphered_payload=False)

    def strip_chunks(self):
        p, f = self.pic, self.fault
        stream = Sapphire().set_key(self.key) if self.key else None
        out = bytearray()
        y = 0
        self.delivered = [None] * p.height
        for n, rows in enumerate(self.strips):
            source = [p.row(min(y + i, p.height - 1)) for i in range(rows)]
            filtered = filter_strip(source, self.filters, p.bpp)
            data = zlib.compress(b"".join(filtered), 9)
            delivered = source
            count, size = rows, len(data)
            damaged = n == 1 and f in ("cut_strip", "corrupt_strip")
            if damaged:
                # The first half of the rows, ending on a byte boundary; then
                # the stream stops (cut) or goes on with an invalid block.
                k = rows // 2
                z = zlib.compressobj(9)
                data = z.compress(b"".join(filtered[:k])) + z.flush(zlib.Z_FULL_FLUSH)
                if f == "corrupt_strip":
                    data += b"\x07\xff\xff\xff\x00\x11\x22"
                zero = bytes(p.width * p.bpp)
                delivered = filtered[:k] + [zero] * (rows - k)
                size = len(data)
            if n == 1 and f == "zero_rows":
                count = 0
            if n == 1 and f == "strip_huge":
                size = 0xFFFFFFFF
            out += self.chunk(STRIP, struct.pack("<IHH", size, count, self.filters))
            out += stream.encipher(data) if stream else data
            if count == 0 or size == 0xFFFFFFFF:
                break  # the reader stops here
            for i in range(rows):
                if y + i < p.height:
                    self.delivered[y + i] = delivered[i]
            y += rows
        return out

    def expected(self):
        """rgb, rgba, idx: what the reader gives; rows it cannot deliver are zero."""
        p = self.pic
        rgb, rgba, idx = bytearray(), bytearray(), bytearray()
        n = p.width * p.bpp
        for y in range(p.height):
            stored = self.delivered[y]
            if stored is None:
                rgb += bytes(3 * p.width)
                rgba += bytes(4 * p.width)
                idx += bytes(p.width)
                continue
            for x in range(p.width):
                r, g, b, a = pixel_rgba(stored[x * p.bpp:(x + 1) * p.bpp], p.bpp, p.palette)
                rgb += bytes((r, g, b))
                rgba += bytes((r, g, b, a))
            if p.bpp == 1:
                idx += stored[:n]
        return bytes(rgb), bytes(rgba), bytes(idx)


# --- The test files.

def noise(n, seed):
    out = bytearray(n)
    for i in range(n):
        seed = (seed * 1103515245 + 12345) & 0x7FFFFFFF
        out[i] = (seed >> 16) & 255
    return out


def test_picture(width, height, bpp, seed=7):
    """Smooth ramps with a little noise, so that every filter has work."""
    rnd = noise(width * height * 4, seed)
    px = bytearray()
    for y in range(height):
        for x in range(width):
            i = y * width + x
            r = (x * 255 // max(1, width - 1) + rnd[4 * i] % 9) & 255
            g = (y * 255 // max(1, height - 1) + rnd[4 * i + 1] % 7) & 255
            b = ((x + 2 * y) * 5 + rnd[4 * i + 2] % 5) & 255
            a = rnd[4 * i + 3]
            if bpp == 1:
                px.append((x * 7 + y * 3 + rnd[4 * i] % 3) % 220)  # some indices past the 200 entries
            elif bpp == 2:
                v = (r >> 3) << 10 | (g >> 3) << 5 | (b >> 3) | (0x8000 if a & 1 else 0)
                px += struct.pack("<H", v)
            elif bpp == 3:
                px += bytes((r, g, b))
            else:
                px += bytes((r, g, b, a))
    palette = [(i * 3 & 255, 255 - i, i * 11 & 255, i * 29 & 255) for i in range(200)]
    return Picture(width, height, bpp, px, palette, 200 if bpp == 1 else 0)


def save(out, name, writer):
    data = writer.tla()
    with open(os.path.join(out, name + ".tla"), "wb") as f:
        f.write(data)
    rgb, rgba, idx = writer.expected()
    with open(os.path.join(out, name + ".rgb"), "wb") as f:
        f.write(rgb)
    with open(os.path.join(out, name + ".rgba"), "wb") as f:
        f.write(rgba)
    if writer.pic.bpp == 1:
        with open(os.path.join(out, name + ".idx"), "wb") as f:
            f.write(idx)
        with open(os.path.join(out, name + ".pal"), "wb") as f:
            f.write(b"".join(bytes(e) for e in writer.pic.palette))


def write_fixtures(out):
    os.makedirs(out, exist_ok=True)
    for w, h, strips in ((37, 23, (10, 10, 3)), (1, 1, (1,)), (37, 1, (1,))):
        for bpp in (1, 2, 3, 4):
            pic = test_picture(w, h, bpp)
            for flags in (0, 1, 2, 4, 7):
                for password in (None, "abc"):
                    name = "rt_%dx%d_b%d_f%d_%s" % (w, h, bpp, flags, "abc" if password else "plain")
                    save(out, name, Writer(pic, strips, flags, password))

    # Special cases, each plain and protected under "abc".
    pic1, pic3 = test_picture(37, 23, 1, seed=11), test_picture(37, 23, 3, seed=13)
    words = Picture(2, 1, 2, struct.pack("<HH", 0x7FFF, 0xFFFF))
    for password, suffix in ((None, "plain"), ("abc", "abc")):
        def case(name, pic, **kw):
            kw.setdefault("strips", (10, 10, 3))
            kw.setdefault("filters", 7)
            save(out, "%s_%s" % (name, suffix), Writer(pic, password=password, **kw))
        case("items", pic3, items=(b"a", b"bc", b""))
        case("words", words, strips=(1,), filters=0)
        case("taller_strip", pic3, strips=(10, 20))
        case("short_strips", pic3, strips=(10, 10))
        for fault in ("short_palette", "long_palette", "entries300"):
            case(fault, pic1, fault=fault)
        for fault in ("cut_strip", "corrupt_strip", "zero_rows", "strip_huge"):
            case(fault, pic3, fault=fault)
            case(fault + "_b1", pic1, fault=fault)
        for fault in ("bad_magic", "version2", "bpp0", "bpp5", "width0", "out_of_order", "huge", "palette_huge",
                      "compression_huge"):
            case(fault, pic3, fault=fault)
        case("item_huge", pic3, items=(b"a", b"x"), fault="item_huge")

    key, cipher, plain = known_answers()
    with open(os.path.join(out, "known_answers.txt"), "w") as f:
        f.write("hash %s\ncipher %s\nplain %s\n" % (key.hex(), cipher.hex(), plain.hex()))


def write_rgba(args):
    src, width, height, dst = args[0], int(args[1]), int(args[2]), args[3]
    opts = dict(zip(args[4::2], args[5::2]))
    with open(src, "rb") as f:
        pixels = f.read()
    pic = Picture(width, height, 4, pixels)
    rows = int(opts.get("--strip-rows", 64))
    strips = [min(rows, height - y) for y in range(0, height, rows)]
    writer = Writer(pic, strips, int(opts.get("--filters", 7)), opts.get("--password"))
    with open(dst + ".tmp", "wb") as f:
        f.write(writer.tla())
    os.replace(dst + ".tmp", dst)


def main(argv):
    if len(argv) >= 5 and argv[0] == "--rgba":
        write_rgba(argv[1:])
    elif len(argv) == 1 and not argv[0].startswith("-"):
        write_fixtures(argv[0])
    else:
        sys.stderr.write(__doc__)
        return 2
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
