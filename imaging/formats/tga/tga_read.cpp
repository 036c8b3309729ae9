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

bool CISTGAReader::Take(void* out, uint32_t n)
{
    BYTE* dst = static_cast<BYTE*>(out);
    while (n > 0) {
        if (m_blockAt == m_blockEnd) {
            const int32_t got = m_io->ReadUpTo(m_block, int32_t(sizeof(m_block)));
            if (got <= 0)
                return false;
            m_blockAt = 0;
            m_blockEnd = uint32_t(got);
        }
        const uint32_t have = m_blockEnd - m_blockAt;
        const uint32_t k = have < n ? have : n;
        std::memcpy(dst, m_block + m_blockAt, k);
        m_blockAt += k;
        dst += k;
        n -= k;
    }
    return true;
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

bool CISTGAReader::ReadPixel(Pixel* p)
{
    BYTE e[4];
    switch (m_header.pixelBits) {
    case 8:
        if (!Take(e, 1))
            return Fail(3);
        p->index = e[0];
        p->r = p->g = p->b = e[0];
        p->a = 255;
        return true;
    case 15:
    case 16:
        if (!Take(e, 2))
            return Fail(3);
        p->index = Le16(e);
        Unpack16(p->index, &p->r, &p->g, &p->b);
        p->a = 255;
        return true;
    case 24:
    case 32:
        if (!Take(e, m_header.pixelBits / 8))
            return Fail(3);
        p->index = 0;
        p->b = e[0];
        p->g = e[1];
        p->r = e[2];
        p->a = m_header.pixelBits == 32 ? e[3] : 255;
        return true;
    default:
        return Fail(32);
    }
}

bool CISTGAReader::Fetch(Pixel* p)
{
    if (m_flags & 4) {
        if (m_run == 0) {
            BYTE packet;
            if (!Take(&packet, 1))
                return Fail(3);
            m_repeat = (packet & 0x80) != 0;
            m_run = m_repeat ? uint32_t(packet) - 128 : uint32_t(packet);
            if (!ReadPixel(&m_last))
                return false;
        } else {
            --m_run;
            if (!m_repeat && !ReadPixel(&m_last))
                return false;
        }
    } else if (!ReadPixel(&m_last)) {
        return false;
    }
    *p = m_last;
    if (m_flags & 2) {
        // Indices past the 256 slots read as an unfilled slot.
        static const RGBQUAD kUnfilled = {0, 0, 0, 0};
        const RGBQUAD& q = p->index < 256 ? m_map[p->index] : kUnfilled;
        p->r = q.rgbRed;
        p->g = q.rgbGreen;
        p->b = q.rgbBlue;
        p->a = q.rgbReserved;
    }
    return true;
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
        BYTE* q = row;
        for (uint32_t x = 0; x < h.width; ++x, q += m) {
            Pixel p;
            if (!Fetch(&p))
                break;
            q[0] = p.r;
            q[1] = p.g;
            q[2] = p.b;
            if (m == 4)
                q[3] = p.a;
        }
        if (m_status != 0)
            break;
        if (swap) {
            if (m == 4)
                ISSwapRB32(row, h.width, 1);
            else
                ISSwapRB24(row, h.width, 1);
        }
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
        BYTE* row = pixels + (fromTop ? y : h.height - 1 - y) * rowBytes;
        for (uint32_t x = 0; x < h.width; ++x) {
            Pixel p;
            if (!Fetch(&p))
                break;
            row[x] = static_cast<BYTE>(p.index);
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
