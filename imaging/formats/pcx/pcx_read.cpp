// Reading PCX files (is5_ReadPCX, is5_GetPCXDims): header, palettes and
// run-length coded lines of bit planes or packed pixels.
#include <cstring>
#include <new>

#include "pcx_reader.h"

namespace {

constexpr int32_t kHeaderBytes = 128;
constexpr int32_t kVgaPaletteBytes = 769;

uint32_t LE16(const BYTE* p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8; }

void PutLE32(BYTE* p, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<BYTE>(v >> (8 * i));
}

// The layouts decoded: planes of 1 bit, one plane of packed pixels, or
// three planes of 8 bits.
bool KnownLayout(uint32_t bitsPerPlane, uint32_t planes)
{
    if (bitsPerPlane == 1)
        return planes >= 1 && planes <= 8;
    if (bitsPerPlane == 2 || bitsPerPlane == 4)
        return planes == 1;
    if (bitsPerPlane == 8)
        return planes == 1 || planes == 3;
    return false;
}

uint32_t DibDepth(uint32_t bits) { return bits == 1 ? 1 : bits <= 8 ? 8 : 24; }

}  // namespace

bool CISPCXReader::ReadHeader(CISIO* io)
{
    BYTE b[kHeaderBytes];
    if (!io->ReadExactly(b, kHeaderBytes))
        return Fail(22);
    ISPcxHeader& h = m_header;
    h.manufacturer = b[0];
    h.version = b[1];
    h.encoding = b[2];
    h.bitsPerPlane = b[3];
    h.xmin = LE16(b + 4);
    h.ymin = LE16(b + 6);
    h.xmax = LE16(b + 8);
    h.ymax = LE16(b + 10);
    h.hres = LE16(b + 12);
    h.vres = LE16(b + 14);
    std::memcpy(h.map, b + 16, 48);
    h.planes = b[65];
    h.bytesPerLine = LE16(b + 66);
    h.paletteInfo = LE16(b + 68);
    if (h.manufacturer != 10 || (h.version != 0 && h.version != 2 && h.version != 3 && h.version != 5))
        return Fail(22);
    if (h.xmax < h.xmin || h.ymax < h.ymin || !KnownLayout(h.bitsPerPlane, h.planes))
        return Fail(22);
    if (h.bytesPerLine < (uint64_t(Width()) * h.bitsPerPlane + 7) / 8)
        return Fail(22);
    m_bits = uint32_t(h.bitsPerPlane) * h.planes;
    return true;
}

BOOL CISPCXReader::GetDims(CISIO* io, uint32_t* width, uint32_t* height, uint32_t* bits, ISResolution* resolution)
{
    if (!ReadHeader(io))
        return FALSE;
    if (width)
        *width = Width();
    if (height)
        *height = Height();
    if (bits)
        *bits = m_bits;
    if (resolution) {
        resolution->x = m_header.hres;
        resolution->y = m_header.vres;
        resolution->unit = 0;
    }
    return TRUE;
}

void CISPCXReader::ReadPalette(CISIO* io)
{
    for (uint32_t i = 0; i < 256; ++i) {
        m_palette[i].rgbRed = m_palette[i].rgbGreen = m_palette[i].rgbBlue = static_cast<BYTE>(i);
        m_palette[i].rgbReserved = 0;
    }
    if (m_header.version == 5 && m_bits == 8) {
        int32_t size = 0;
        BYTE bytes[kVgaPaletteBytes];
        if (io->Size(&size) && size >= kVgaPaletteBytes && io->Seek(size - kVgaPaletteBytes, 0) &&
            io->ReadExactly(bytes, kVgaPaletteBytes) && bytes[0] == 12) {
            for (uint32_t i = 0; i < 256; ++i) {
                m_palette[i].rgbRed = bytes[1 + 3 * i];
                m_palette[i].rgbGreen = bytes[2 + 3 * i];
                m_palette[i].rgbBlue = bytes[3 + 3 * i];
            }
        }
    }
    if (m_bits >= 8)
        return;
    if (m_header.planes == 1 && m_header.bitsPerPlane == 1) {
        // Black and white whatever the header's map says.
        m_palette[0] = RGBQUAD{0, 0, 0, 0};
        m_palette[1] = RGBQUAD{255, 255, 255, 0};
    } else {
        const uint32_t fromMap = m_bits >= 4 ? 16 : (1u << m_bits);
        for (uint32_t i = 0; i < fromMap; ++i) {
            m_palette[i].rgbRed = m_header.map[3 * i];
            m_palette[i].rgbGreen = m_header.map[3 * i + 1];
            m_palette[i].rgbBlue = m_header.map[3 * i + 2];
        }
        for (uint32_t i = 1u << (m_bits > 4 ? 4 : m_bits); i < 256; ++i)
            m_palette[i] = m_palette[0];
        return;
    }
    for (uint32_t i = 2; i < 256; ++i)
        m_palette[i] = m_palette[0];
}

bool CISPCXReader::Open(CISIO* io, uint32_t depth, uint32_t flags, RGBQUAD* palette)
{
    if (!ReadHeader(io))
        return false;
    if (flags & IS5_DIB) {
        depth = DibDepth(m_bits);
    } else {
        if (depth != 1 && depth != 8 && depth != 24)
            return Fail(5);
        if (depth < m_bits)
            return Fail(28);
        if (depth <= 8 && !palette)
            return Fail(5);
    }
    m_depth = depth;
    m_bgr = (flags & (IS5_DIB | kPcxReadPadded)) != 0;
    ReadPalette(io);
    if (depth <= 8 && palette)
        std::memcpy(palette, m_palette, sizeof(m_palette));
    const uint64_t encoded = uint64_t(m_header.bytesPerLine) * m_header.planes;
    if (encoded > ISMaxAlloc())
        return Fail(1);
    m_encoded.reset(new (std::nothrow) BYTE[encoded]);
    m_in.reset(new (std::nothrow) CISByteReader(io));
    if (!m_encoded || !m_in)
        return Fail(1);
    if (!io->Seek(kHeaderBytes, 0))
        return Fail(1);
    m_line = 0;
    return true;
}

bool CISPCXReader::DecodeLine()
{
    const uint32_t total = m_header.bytesPerLine * m_header.planes;
    BYTE* p = m_encoded.get();
    uint32_t filled = 0;
    while (filled < total) {
        BYTE value = 0;
        if (!m_in->Byte(&value))
            return Fail(3);
        uint32_t count = 1;
        if ((value & 0xC0) == 0xC0) {
            count = value & 0x3F;
            if (!m_in->Byte(&value))
                return Fail(3);
        }
        // A run past the end of the line is cut there.
        if (count > total - filled)
            count = total - filled;
        std::memset(p + filled, value, count);
        filled += count;
    }
    return true;
}

bool CISPCXReader::ReadLine(BYTE* out, uint32_t* line)
{
    if (m_line >= Height())
        return Fail(24);
    if (!DecodeLine())
        return false;
    *line = m_line++;
    const uint32_t w = Width();
    const uint32_t bpl = m_header.bytesPerLine;
    const BYTE* src = m_encoded.get();
    if (m_bits == 24) {
        const int r = m_bgr ? 2 : 0;
        for (uint32_t j = 0; j < w; ++j) {
            out[3 * j + r] = src[j];
            out[3 * j + 1] = src[bpl + j];
            out[3 * j + 2 - r] = src[2 * bpl + j];
        }
        return true;
    }
    if (m_depth == 1) {
        std::memcpy(out, src, (w + 7) / 8);
        return true;
    }
    const uint32_t planes = m_header.planes;
    const uint32_t bpp = m_header.bitsPerPlane;
    for (uint32_t j = 0; j < w; ++j) {
        uint32_t index = 0;
        if (bpp == 1) {
            const uint32_t shift = 7 - (j & 7);
            for (uint32_t k = 0; k < planes; ++k)
                index |= ((src[k * bpl + (j >> 3)] >> shift) & 1u) << k;
        } else if (bpp == 8) {
            index = src[j];
        } else {
            const uint32_t perByte = 8 / bpp;
            const uint32_t shift = 8 - bpp * (j % perByte + 1);
            index = (src[j / perByte] >> shift) & ((1u << bpp) - 1);
        }
        if (m_depth == 8) {
            out[j] = static_cast<BYTE>(index);
        } else {
            const RGBQUAD& c = m_palette[index];
            out[3 * j] = m_bgr ? c.rgbBlue : c.rgbRed;
            out[3 * j + 1] = c.rgbGreen;
            out[3 * j + 2] = m_bgr ? c.rgbRed : c.rgbBlue;
        }
    }
    return true;
}

void CISPCXReader::Close()
{
    m_encoded.reset();
    m_in.reset();
}

void CISPCXReader::Read(CISReadCall& call, uint32_t* width, uint32_t* height, uint32_t depth, RGBQUAD* palette)
{
    if (!Open(call.Source(), depth, call.Flags(), palette))
        return;
    const uint32_t w = Width();
    const uint32_t h = Height();
    const bool dib = call.Dib();
    const uint64_t bits = m_depth;
    uint64_t rowBytes;
    if (dib)
        rowBytes = (bits * w + 31) / 32 * 4;
    else
        rowBytes = bits == 1 ? (uint64_t(w) + 7) / 8 : uint64_t(w) * bits / 8;
    if (!dib && (call.Flags() & kPcxReadPadded))
        rowBytes = (rowBytes + 3) / 4 * 4;
    const uint32_t colours = bits == 1 ? 2 : bits == 8 ? 256 : 0;
    const uint64_t header = dib ? 40 + 4 * colours : 0;
    const uint64_t total = header + rowBytes * h;
    if (total > ISMaxAlloc()) {
        Fail(1);
        return;
    }
    BYTE* out = call.Allocate(total);
    *width = w;
    *height = h;
    if (dib) {
        PutLE32(out, 40);
        PutLE32(out + 4, w);
        PutLE32(out + 8, h);
        out[12] = 1;
        out[14] = static_cast<BYTE>(bits);
        PutLE32(out + 20, static_cast<uint32_t>(rowBytes * h));
        PutLE32(out + 32, colours);
        std::memcpy(out + 40, m_palette, 4 * colours);
    }
    BYTE* pixels = out + header;
    for (uint32_t i = 0; i < h; ++i) {
        uint32_t line = 0;
        BYTE* row = pixels + (dib ? h - 1 - i : i) * rowBytes;
        if (!ReadLine(row, &line))
            break;
        if (ISCallProgress(static_cast<int32_t>(i + 1), static_cast<int32_t>(h))) {
            Fail(14);
            break;
        }
    }
    Close();
}

void* is5_ReadPCX(HISSRC source, uint32_t* width, uint32_t* height, uint32_t depth, RGBQUAD* palette,
                  uint32_t flags)
{
    static const char kName[] = "is5_ReadPCX";
    const bool dib = (flags & IS5_DIB) != 0;
    // Raw output of 8 bits or fewer needs the caller's palette; a DIB cannot
    // also be padded raw rows.
    const bool argumentsFit = !(dib && (flags & kPcxReadPadded)) && (dib || depth > 8 || palette);
    return ISReadEntry(kName, source, argumentsFit, depth, flags, {1, 8, 24}, [&](CISReadCall& call) {
        uint32_t w = 0, h = 0;
        CISPCXReader reader;
        reader.Read(call, width ? width : &w, height ? height : &h, depth, palette);
        call.m_status = reader.m_status;
    });
}

BOOL is5_GetPCXDims(HISSRC source, uint32_t* width, uint32_t* height, uint32_t* bits, ISResolution* resolution,
                    int32_t)
{
    static const char kName[] = "is5_GetPCXDims";
    return ISDimsEntry(kName, source, true, [&](CISEntryCall& call) {
        CISPCXReader reader;
        const BOOL ok = reader.GetDims(call.Source(), width, height, bits, resolution);
        call.m_status = reader.m_status;
        return ok;
    });
}
