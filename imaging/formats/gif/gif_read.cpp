// Reading GIF files (is5_ReadGIF): header, screen, blocks, extensions and the
// first image, plain rows or a packed DIB.
#include <cstring>

#include "gif_lzw.h"
#include "gif_reader.h"

namespace {

uint32_t LE16(const BYTE* p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8; }

void PutLE32(BYTE* p, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<BYTE>(v >> (8 * i));
}

constexpr uint32_t kDibHeaderBytes = 40 + 256 * 4;

}  // namespace

bool CISGIFReader::ReadHeader(CISByteReader& in)
{
    BYTE b[7];
    if (!in.Read(b, 6) || std::memcmp(b, "GIF", 3) != 0 || (std::memcmp(b + 3, "87a", 3) != 0 && std::memcmp(b + 3, "89a", 3) != 0))
        return Fail(12);
    if (!in.Read(b, 7))
        return Fail(12);
    m_screenWidth = LE16(b);
    m_screenHeight = LE16(b + 2);
    m_colourResolution = static_cast<BYTE>((b[4] >> 4) & 7);
    m_background = b[5];
    m_aspect = b[6];
    if (m_screenWidth == 0 || m_screenHeight == 0)
        return Fail(12);
    if (b[4] & 0x80)
        return ReadTable(in, 2u << (b[4] & 7), &m_global);
    return true;
}

bool CISGIFReader::ReadTable(CISByteReader& in, uint32_t entries, ISGifTable* table)
{
    BYTE bytes[256 * 3];
    if (!in.Read(bytes, entries * 3))
        return Fail(12);
    for (uint32_t i = 0; i < entries; ++i) {
        table->red[i] = bytes[3 * i];
        table->green[i] = bytes[3 * i + 1];
        table->blue[i] = bytes[3 * i + 2];
    }
    table->entries = entries;
    return true;
}

bool CISGIFReader::SkipSubBlocks(CISByteReader& in)
{
    BYTE block[255];
    for (;;) {
        BYTE length = 0;
        if (!in.Byte(&length))
            return Fail(3);
        if (length == 0)
            return true;
        if (!in.Read(block, length))
            return Fail(3);
    }
}

bool CISGIFReader::ReadExtension(CISByteReader& in)
{
    BYTE label = 0;
    BYTE length = 0;
    BYTE block[255];
    if (!in.Byte(&label))
        return Fail(3);
    if (label != 0xF9 && label != 0xFF)
        return SkipSubBlocks(in);
    if (!in.Byte(&length))
        return Fail(3);
    if (length == 0)
        return true;
    if (!in.Read(block, length))
        return Fail(3);
    if (label == 0xF9) {
        // Fields past the sub-block keep their defaults.
        m_disposal = static_cast<BYTE>((block[0] >> 2) & 7);
        m_userInput = (block[0] & 2) != 0;
        if (length >= 3)
            m_delay = LE16(block + 1);
        if ((block[0] & 1) && length >= 4) {
            m_transparency = true;
            m_transparentIndex = block[3];
        }
        return SkipSubBlocks(in);
    }
    if (length >= 11 && std::memcmp(block, "NETSCAPE2.0", 11) == 0) {
        if (!in.Byte(&length))
            return Fail(3);
        if (length == 0)
            return true;
        if (!in.Read(block, length))
            return Fail(3);
        if (length >= 3)
            m_loops = LE16(block + 1);
    }
    return SkipSubBlocks(in);
}

bool CISGIFReader::ReadImage(CISReadCall& call, CISByteReader& in, uint32_t* width, uint32_t* height,
                             int32_t* transparent, RGBQUAD* palette)
{
    BYTE d[9];
    if (!in.Read(d, 9))
        return Fail(3);
    const uint32_t w = LE16(d + 4);
    const uint32_t h = LE16(d + 6);
    if (w == 0 || h == 0)
        return Fail(12);
    const bool hasLocal = (d[8] & 0x80) != 0;
    const bool interlaced = (d[8] & 0x40) != 0;

    const bool dib = call.Dib();
    uint64_t rowBytes = w;
    if (dib)
        rowBytes = (uint64_t(w) * 8 + 31) / 32 * 4;
    else if (call.Flags() & kGifReadPadded)
        rowBytes = (uint64_t(w) + 3) / 4 * 4;
    const uint64_t header = dib ? kDibHeaderBytes : 0;
    const uint64_t total = header + rowBytes * h;
    if (total > ISMaxAlloc())
        return Fail(1);
    BYTE* out = call.Allocate(total);
    *width = w;
    *height = h;
    if (transparent)
        *transparent = m_transparency ? m_transparentIndex : -1;

    if (hasLocal && !ReadTable(in, 2u << (d[8] & 7), &m_local))
        return false;
    const ISGifTable& table = hasLocal ? m_local : m_global;

    // The palette goes out before the pixels, so a broken stream still shows
    // the rows it gave in their colours.
    RGBQUAD* target = dib ? reinterpret_cast<RGBQUAD*>(out + 40) : palette;
    const uint32_t opaque = m_transparency ? m_transparentIndex : 0;
    for (uint32_t i = 0; i < 256; ++i) {
        target[i].rgbBlue = table.blue[i];
        target[i].rgbGreen = table.green[i];
        target[i].rgbRed = table.red[i];
        target[i].rgbReserved = i == opaque ? 0 : 255;
    }
    if (dib) {
        PutLE32(out, 40);
        PutLE32(out + 4, w);
        PutLE32(out + 8, h);
        out[12] = 1;
        out[14] = 8;
        PutLE32(out + 20, static_cast<uint32_t>(rowBytes * h));
        PutLE32(out + 32, 256);
    }

    BYTE codeSize = 0;
    if (!in.Byte(&codeSize))
        return Fail(3);
    if (codeSize > 11)
        return Fail(12);

    CISGifLzw lzw(&in, codeSize);
    static const uint32_t kStart[4] = {0, 4, 2, 1};
    static const uint32_t kStep[4] = {8, 8, 4, 2};
    uint32_t pass = 0;
    uint32_t row = 0;
    const uint32_t entries = table.entries;
    BYTE* pixels = out + header;
    for (uint32_t done = 0; done < h; ++done) {
        BYTE* line = pixels + (dib ? (h - 1 - row) : row) * rowBytes;
        for (uint32_t x = 0; x < w; ++x) {
            BYTE pixel = 0;
            const CISGifLzw::Result r = lzw.Next(&pixel);
            if (r != CISGifLzw::kPixel)
                return Fail(r == CISGifLzw::kShort ? 3 : 12);
            if (entries != 0 && pixel >= entries)
                m_status = 12;
            line[x] = pixel;
        }
        if (ISCallProgress(static_cast<int32_t>(done + 1), static_cast<int32_t>(h)))
            return Fail(14);
        if (!interlaced) {
            ++row;
            continue;
        }
        row += kStep[pass];
        while (row >= h && pass < 3) {
            ++pass;
            row = kStart[pass];
        }
    }
    return true;
}

void CISGIFReader::Read(CISReadCall& call, uint32_t* width, uint32_t* height, int32_t* transparent, RGBQUAD* palette)
{
    CISByteReader in(call.Source());
    if (!ReadHeader(in))
        return;
    for (;;) {
        BYTE introducer = 0;
        if (!in.Byte(&introducer)) {
            Fail(3);
            return;
        }
        if (introducer == 0x21) {
            if (!ReadExtension(in))
                return;
        } else if (introducer == 0x2C) {
            ReadImage(call, in, width, height, transparent, palette);
            return;
        }
    }
}

void* is5_ReadGIF(HISSRC source, uint32_t* width, uint32_t* height, int32_t* transparent, RGBQUAD* palette,
                  uint32_t flags)
{
    static const char kName[] = "is5_ReadGIF";
    // Raw rows need the caller's palette; a DIB cannot also be padded raw rows.
    const bool argumentsFit = (palette != nullptr || (flags & IS5_DIB)) &&
                              (flags & (IS5_DIB | kGifReadPadded)) != (IS5_DIB | kGifReadPadded);
    return ISReadEntry(kName, source, argumentsFit, 8, flags, {8}, [&](CISReadCall& call) {
        uint32_t w = 0, h = 0;
        CISGIFReader reader;
        reader.Read(call, width ? width : &w, height ? height : &h, transparent, palette);
        call.m_status = reader.m_status;
    });
}
