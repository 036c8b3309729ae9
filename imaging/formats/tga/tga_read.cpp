// Reading TGA files: the header, the colour map, pixels with run-length
// packets that may cross rows, the RGB and the 8-bit reads, and the footer.
#include <cstring>

#include "../../convert/convert.h"
#include "../../core/buffers.h"
#include "tga_reader.h"

namespace {

uint32_t Le16(const BYTE* p) { return uint32_t(p[0]) | (uint32_t(p[1]) << 8); }

const char kSignature[] = "TRUEVISION-XFILE.";

void Unpack16(uint32_t v, BYTE* r, BYTE* g, BYTE* b)
{
    *b = static_cast<BYTE>((v & 0x1F) << 3);
    *g = static_cast<BYTE>(((v >> 5) & 0x1F) << 3);
    *r = static_cast<BYTE>(((v >> 10) & 0x1F) << 3);
}

bool KnownEntryBits(uint32_t bits) { return bits == 8 || bits == 15 || bits == 16 || bits == 24 || bits == 32; }

// Bytes of a pixel of `bits`; 0 for a depth without a fetch rule.
uint32_t PixelBytes(uint32_t bits) { return KnownEntryBits(bits) ? (bits + 7) / 8 : 0; }

}  // namespace

void ISTgaParseHeader(const BYTE* b, ISTgaHeader* h)
{
    h->idLength = b[0];
    h->mapType = b[1];
    h->imageType = b[2];
    h->mapFirst = Le16(b + 3);
    h->mapLength = Le16(b + 5);
    h->mapEntryBits = b[7];
    h->width = Le16(b + 12);
    h->height = Le16(b + 14);
    h->pixelBits = b[16];
    h->descriptor = b[17];
}

bool ISTgaKnownType(uint32_t type)
{
    return type == 1 || type == 2 || type == 3 || type == 9 || type == 10 || type == 11;
}

uint32_t CISTGAReader::TakeUpTo(void* out, uint32_t n)
{
    BYTE* dst = static_cast<BYTE*>(out);
    uint32_t done = 0;
    while (done < n) {
        if (m_blockAt == m_blockEnd) {
            // Long reads skip the block buffer.
            if (n - done >= sizeof(m_block)) {
                const int32_t got = m_io->ReadUpTo(dst + done, int32_t(n - done));
                if (got <= 0)
                    break;
                done += uint32_t(got);
                continue;
            }
            const int32_t got = m_io->ReadUpTo(m_block, int32_t(sizeof(m_block)));
            if (got <= 0)
                break;
            m_blockAt = 0;
            m_blockEnd = uint32_t(got);
        }
        const uint32_t have = m_blockEnd - m_blockAt;
        const uint32_t k = have < n - done ? have : n - done;
        std::memcpy(dst + done, m_block + m_blockAt, k);
        m_blockAt += k;
        done += k;
    }
    return done;
}

bool CISTGAReader::ReadHeader()
{
    if (!Take(m_raw, kTgaHeaderBytes))
        return Fail(3);
    ISTgaParseHeader(m_raw, &m_header);
    return true;
}

BOOL CISTGAReader::Dims(CISIO* io, uint32_t* width, uint32_t* height, uint32_t* bits)
{
    m_io = io;
    if (!ReadHeader())
        return FALSE;
    if (m_header.pixelBits > 32 || !ISTgaKnownType(m_header.imageType)) {
        m_status = 32;
        return FALSE;
    }
    if (width)
        *width = m_header.width;
    if (height)
        *height = m_header.height;
    if (bits)
        *bits = m_header.pixelBits;
    return TRUE;
}

bool CISTGAReader::SkipId()
{
    if (m_header.idLength != 0 && !Take(m_id, m_header.idLength))
        return Fail(3);
    return true;
}

bool CISTGAReader::ReadMap()
{
    std::memset(m_map, 0, sizeof(m_map));
    if (m_header.mapType == 0)
        return true;
    const uint32_t bits = m_header.mapEntryBits;
    const uint32_t entryBytes = (bits + 7) / 8;
    for (uint32_t i = 0; i < m_header.mapLength; ++i) {
        BYTE e[4];
        if (!Take(e, entryBytes))
            return Fail(3);
        // Entries past the 256 slots are read so that the pixels start right.
        const uint32_t slot = m_header.mapFirst + i;
        if (slot >= 256)
            continue;
        RGBQUAD& q = m_map[slot];
        q.rgbReserved = 255;
        if (bits == 8) {
            q.rgbRed = q.rgbGreen = q.rgbBlue = e[0];
        } else if (bits == 15 || bits == 16) {
            Unpack16(Le16(e), &q.rgbRed, &q.rgbGreen, &q.rgbBlue);
        } else {
            q.rgbBlue = e[0];
            q.rgbGreen = e[1];
            q.rgbRed = e[2];
            if (bits == 32)
                q.rgbReserved = e[3];
        }
    }
    return true;
}

uint32_t CISTGAReader::RawPixels(BYTE* out, uint32_t n)
{
    const uint32_t size = m_pixelBytes;
    if (!(m_flags & 4)) {
        if (size == 0)
            return Stop(32, 0);
        const uint32_t got = TakeUpTo(out, n * size) / size;
        return got < n ? Stop(3, got) : got;
    }
    uint32_t done = 0;
    while (done < n) {
        if (m_run == 0) {
            BYTE packet = 0;
            if (!Take(&packet, 1))
                return Stop(3, done);
            if (size == 0)
                return Stop(32, done);
            m_repeat = (packet & 0x80) != 0;
            m_run = (packet & 0x7Fu) + 1;
            if (m_repeat && !Take(m_last, size))
                return Stop(3, done);
        }
        const uint32_t k = m_run < n - done ? m_run : n - done;
        BYTE* dst = out + size_t(done) * size;
        if (m_repeat) {
            for (uint32_t i = 0; i < k; ++i, dst += size)
                std::memcpy(dst, m_last, size);
        } else {
            const uint32_t got = TakeUpTo(dst, k * size) / size;
            if (got < k)
                return Stop(3, done + got);
        }
        m_run -= k;
        done += k;
    }
    return done;
}

namespace {

struct Rgba {
    BYTE r, g, b, a;
};

template <uint32_t kChannels, typename Get>
void Emit(const BYTE* raw, uint32_t n, uint32_t size, BYTE* out, Get get)
{
    for (uint32_t i = 0; i < n; ++i, raw += size, out += kChannels) {
        const Rgba p = get(raw);
        out[0] = p.r;
        out[1] = p.g;
        out[2] = p.b;
        if (kChannels == 4)
            out[3] = p.a;
    }
}

template <typename Get>
void EmitAll(const BYTE* raw, uint32_t n, uint32_t size, BYTE* out, uint32_t m, Get get)
{
    if (m == 4)
        Emit<4>(raw, n, size, out, get);
    else
        Emit<3>(raw, n, size, out, get);
}

Rgba FromEntry(const RGBQUAD& q) { return Rgba{q.rgbRed, q.rgbGreen, q.rgbBlue, q.rgbReserved}; }

}  // namespace

void CISTGAReader::ToRgb(const BYTE* raw, uint32_t n, BYTE* out, uint32_t m) const
{
    const uint32_t size = m_pixelBytes;
    const bool mapped = (m_flags & 2) != 0;
    const RGBQUAD* map = m_map;
    switch (size) {
    case 1:
        if (mapped)
            EmitAll(raw, n, size, out, m, [map](const BYTE* p) { return FromEntry(map[p[0]]); });
        else
            EmitAll(raw, n, size, out, m, [](const BYTE* p) { return Rgba{p[0], p[0], p[0], 255}; });
        break;
    case 2:
        if (mapped) {
            // Indices past the 256 slots read as an unfilled slot.
            EmitAll(raw, n, size, out, m, [map](const BYTE* p) {
                const uint32_t index = Le16(p);
                return index < 256 ? FromEntry(map[index]) : Rgba{0, 0, 0, 0};
            });
        } else {
            EmitAll(raw, n, size, out, m, [](const BYTE* p) {
                Rgba c = {0, 0, 0, 255};
                Unpack16(Le16(p), &c.r, &c.g, &c.b);
                return c;
            });
        }
        break;
    case 3:
        EmitAll(raw, n, size, out, m, [](const BYTE* p) { return Rgba{p[2], p[1], p[0], 255}; });
        break;
    default:
        EmitAll(raw, n, size, out, m, [](const BYTE* p) { return Rgba{p[2], p[1], p[0], p[3]}; });
        break;
    }
}

void CISTGAReader::ReadFooter()
{
    // Read for completeness; neither part changes the result.
    int32_t size = 0;
    if (!m_io->Size(&size) || size < int32_t(kTgaFooterBytes))
        return;
    if (!m_io->Seek(size - int32_t(kTgaFooterBytes), 0) || !m_io->ReadExactly(m_footer, kTgaFooterBytes))
        return;
    if (std::memcmp(m_footer + 8, kSignature, sizeof(kSignature) - 1) != 0)
        return;
    const uint32_t offset = uint32_t(m_footer[0]) | (uint32_t(m_footer[1]) << 8) | (uint32_t(m_footer[2]) << 16) |
                            (uint32_t(m_footer[3]) << 24);
    if (offset == 0 || uint64_t(offset) + kTgaExtensionBytes > uint64_t(size))
        return;
    if (m_io->Seek(static_cast<int32_t>(offset), 0))
        m_io->ReadExactly(m_extension, kTgaExtensionBytes);
}

namespace {

void PutLE32(BYTE* p, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<BYTE>(v >> (8 * i));
}

void PutInfoHeader(BYTE* p, uint32_t width, uint32_t height, uint32_t bits, uint32_t imageBytes, uint32_t colours)
{
    PutLE32(p, 40);
    PutLE32(p + 4, width);
    PutLE32(p + 8, height);
    p[12] = 1;
    p[14] = static_cast<BYTE>(bits);
    PutLE32(p + 20, imageBytes);
    PutLE32(p + 32, colours);
}

}  // namespace

void CISTGAReader::ReadRGB(CISReadCall& call, uint32_t depth, uint32_t flags, uint32_t* width, uint32_t* height)
{
    m_io = call.Source();
    const bool dib = (flags & IS5_DIB) != 0;
    if (dib && (flags & kTgaReadPadded)) {
        m_status = 5;
        return;
    }
    if (!ReadHeader())
        return;
    const ISTgaHeader& h = m_header;
    if (dib)
        depth = h.pixelBits == 32 ? 32 : 24;
    else if (depth != 24 && depth != 32) {
        m_status = 5;
        return;
    }
    const bool mapped = h.imageType == 1 || h.imageType == 9;
    if (h.pixelBits < 8 || h.pixelBits > 32 || !ISTgaKnownType(h.imageType) || h.width == 0 || h.height == 0 ||
        (h.mapType != 0 && !KnownEntryBits(h.mapEntryBits)) || (mapped && h.pixelBits > 16)) {
        m_status = 32;
        return;
    }
    if (!SkipId() || !ReadMap())
        return;
    m_flags = (h.mapType != 0 && mapped ? 2u : 0u) | (h.imageType >= 9 ? 4u : 0u);
    m_pixelBytes = PixelBytes(h.pixelBits);
    // One row of the file's pixel bytes at a time.
    ISArray<BYTE> raw;
    if (!raw.Resize(int32_t(h.width * 4))) {
        m_status = 1;
        return;
    }

    const uint32_t m = depth / 8;
    uint64_t rowBytes = uint64_t(h.width) * m;
    if (dib || (flags & kTgaReadPadded))
        rowBytes = (rowBytes + 3) / 4 * 4;
    const uint64_t headerBytes = dib ? 40 : 0;
    const uint64_t total = headerBytes + rowBytes * h.height;
    if (total > ISMaxAlloc()) {
        m_status = 1;
        return;
    }
    BYTE* out = call.Allocate(total);
    if (dib)
        PutInfoHeader(out, h.width, h.height, depth, static_cast<uint32_t>(rowBytes * h.height), 0);
    BYTE* pixels = out + headerBytes;
    const bool fromTop = ((h.descriptor & 0x20) != 0) != dib;
    const bool swap = dib || (flags & kTgaReadPadded);
    for (uint32_t y = 0; y < h.height && m_status == 0; ++y) {
        BYTE* row = pixels + (fromTop ? y : h.height - 1 - y) * rowBytes;
        const uint32_t got = RawPixels(raw.GetData(), h.width);
        ToRgb(raw.GetData(), got, row, m);
        // A row cut short is swapped as far as it came, like the rows before it.
        if (swap) {
            if (m == 4)
                ISSwapRB32(row, got, 1);
            else
                ISSwapRB24(row, got, 1);
        }
        if (m_status != 0)
            break;
        if (ISCallProgress(static_cast<int32_t>(y), static_cast<int32_t>(h.height)))
            m_status = 14;
    }
    if (width)
        *width = h.width;
    if (height)
        *height = h.height;
    ReadFooter();
}

void CISTGAReader::Read8(CISReadCall& call, RGBQUAD* palette, uint32_t flags, uint32_t* width, uint32_t* height)
{
    m_io = call.Source();
    const bool dib = (flags & IS5_DIB) != 0;
    if ((dib && (flags & kTgaReadPadded)) || (!dib && !palette)) {
        m_status = 5;
        return;
    }
    if (!ReadHeader())
        return;
    const ISTgaHeader& h = m_header;
    const bool mapped = h.imageType == 1 || h.imageType == 9;
    if (h.pixelBits > 8 || (!mapped && h.imageType != 3)) {
        m_status = 28;
        return;
    }
    if (h.pixelBits != 8 || h.width == 0 || h.height == 0 || (h.mapType != 0 && !KnownEntryBits(h.mapEntryBits)) ||
        (mapped && h.mapType == 0)) {
        m_status = 32;
        return;
    }
    if (!SkipId() || !ReadMap())
        return;
    RGBQUAD table[256];
    for (uint32_t i = 0; i < 256; ++i) {
        // Grey files index the ramp, as their RGB read does; a stored map is skipped.
        if (mapped)
            table[i] = m_map[i];
        else
            table[i] = RGBQUAD{BYTE(i), BYTE(i), BYTE(i), 255};
    }
    m_flags = h.imageType >= 9 ? 4u : 0u;
    m_pixelBytes = 1;

    uint64_t rowBytes = h.width;
    if (dib || (flags & kTgaReadPadded))
        rowBytes = (rowBytes + 3) / 4 * 4;
    const uint64_t headerBytes = dib ? 40 + 1024 : 0;
    const uint64_t total = headerBytes + rowBytes * h.height;
    if (total > ISMaxAlloc()) {
        m_status = 1;
        return;
    }
    BYTE* out = call.Allocate(total);
    if (dib) {
        PutInfoHeader(out, h.width, h.height, 8, static_cast<uint32_t>(rowBytes * h.height), 256);
        std::memcpy(out + 40, table, sizeof(table));
    } else {
        std::memcpy(palette, table, sizeof(table));
    }
    BYTE* pixels = out + headerBytes;
    const bool fromTop = ((h.descriptor & 0x20) != 0) != dib;
    for (uint32_t y = 0; y < h.height && m_status == 0; ++y) {
        // 8-bit pixels are their own indices.
        BYTE* row = pixels + (fromTop ? y : h.height - 1 - y) * rowBytes;
        RawPixels(row, h.width);
        if (m_status != 0)
            break;
        if (ISCallProgress(static_cast<int32_t>(y), static_cast<int32_t>(h.height)))
            m_status = 14;
    }
    if (width)
        *width = h.width;
    if (height)
        *height = h.height;
    ReadFooter();
}

extern "C" void* is5_ReadTGA(HISSRC source, uint32_t* width, uint32_t* height, uint32_t bitsPerPixel,
                             RGBQUAD* palette, uint32_t flags)
{
    static const char kName[] = "is5_ReadTGA";
    return ISReadEntry(kName, source, true, bitsPerPixel, flags, {8, 24, 32}, [&](CISReadCall& call) {
        CISTGAReader reader;
        if (call.Dib()) {
            // Peek at the header: deeper files, and run-length grey, go the RGB way.
            int32_t start = 0;
            uint32_t bits = 0;
            const bool told = call.Source()->Tell(&start);
            ISTgaHeader h;
            BYTE raw[kTgaHeaderBytes];
            if (!call.Source()->ReadExactly(raw, kTgaHeaderBytes)) {
                call.m_status = 3;
                return;
            }
            ISTgaParseHeader(raw, &h);
            bits = h.pixelBits;
            if (!told || !call.Source()->Seek(start, 0)) {
                call.m_status = 3;
                return;
            }
            if (bits > 8 || h.imageType == 11)
                reader.ReadRGB(call, 24, flags, width, height);
            else
                reader.Read8(call, palette, flags, width, height);
        } else if (call.Depth() == 8) {
            reader.Read8(call, palette, flags, width, height);
        } else {
            reader.ReadRGB(call, call.Depth(), flags, width, height);
        }
        call.m_status = reader.m_status;
    });
}

extern "C" BOOL is5_GetTGADims(HISSRC source, uint32_t* width, uint32_t* height, uint32_t* bitsPerPixel,
                               int32_t /*reserved*/)
{
    static const char kName[] = "is5_GetTGADims";
    return ISDimsEntry(kName, source, true, [&](CISEntryCall& call) {
        CISTGAReader reader;
        BOOL ok = reader.Dims(call.Source(), width, height, bitsPerPixel);
        call.m_status = reader.m_status;
        return ok;
    });
}
