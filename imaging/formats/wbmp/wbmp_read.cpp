// Reading WBMP files (type 0): the header's multi-byte integers and the rows
// at 1 bit (the file's bits) or 8 bits (one 0 or 1 a pixel).
#include <cstring>
#include <vector>

#include "../../core/buffers.h"
#include "wbmp_reader.h"

bool CISWBMPReader::ReadNumber(CISIO* io, uint32_t* value)
{
    // Five bytes hold 31 bits; a longer or larger number is no picture size.
    uint64_t v = 0;
    for (int i = 0; i < 5; ++i) {
        BYTE b;
        if (!io->ReadExactly(&b, 1))
            break;
        v = (v << 7) | (b & 0x7F);
        if (v > 0x7FFFFFFFu)
            break;
        if ((b & 0x80) == 0) {
            *value = static_cast<uint32_t>(v);
            return true;
        }
    }
    m_status = 53;
    return false;
}

bool CISWBMPReader::ReadHeader(CISIO* io, uint32_t* width, uint32_t* height)
{
    BYTE fixed[2];
    if (!io->ReadExactly(fixed, 2) || fixed[0] != 0 || fixed[1] != 0) {
        m_status = 53;
        return false;
    }
    if (!ReadNumber(io, width) || !ReadNumber(io, height))
        return false;
    if (*width == 0 || *height == 0) {
        m_status = 53;
        return false;
    }
    return true;
}

BOOL CISWBMPReader::Dims(CISIO* io, uint32_t* width, uint32_t* height)
{
    uint32_t w = 0, h = 0;
    if (!ReadHeader(io, &w, &h))
        return FALSE;
    if (width)
        *width = w;
    if (height)
        *height = h;
    return TRUE;
}

namespace {

void PutLE32(BYTE* p, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<BYTE>(v >> (8 * i));
}

}  // namespace

void CISWBMPReader::Read(CISReadCall& call, RGBQUAD* palette, uint32_t depth, uint32_t flags, uint32_t* width,
                         uint32_t* height)
{
    const bool dib = (flags & IS5_DIB) != 0;
    const bool padded = (flags & kWbmpReadPadded) != 0;
    if (padded) {
        if (dib || !palette) {
            m_status = 5;
            return;
        }
    } else if (dib) {
        depth = 1;
    } else if (!palette) {
        m_status = 5;
        return;
    }
    CISIO* io = call.Source();
    uint32_t w = 0, h = 0;
    if (!ReadHeader(io, &w, &h))
        return;
    const uint64_t fileRow = (uint64_t(w) + 7) / 8;
    uint64_t rowBytes;
    if (depth == 1)
        rowBytes = dib || padded ? (uint64_t(w) + 31) / 32 * 4 : fileRow;
    else
        rowBytes = padded ? (uint64_t(w) + 3) / 4 * 4 : w;
    const uint64_t headerBytes = dib ? 48 : 0;
    const uint64_t total = headerBytes + rowBytes * h;
    if (rowBytes > ISMaxAlloc() || total > ISMaxAlloc()) {
        m_status = 1;
        return;
    }
    BYTE* out = call.Allocate(total);
    static const RGBQUAD kTwo[2] = {{0, 0, 0, 0}, {255, 255, 255, 255}};
    if (dib) {
        PutLE32(out, 40);
        PutLE32(out + 4, w);
        PutLE32(out + 8, h);
        out[12] = 1;
        out[14] = static_cast<BYTE>(depth);
        PutLE32(out + 20, static_cast<uint32_t>(rowBytes * h));
        PutLE32(out + 32, 2);
        std::memcpy(out + 40, kTwo, sizeof(kTwo));
    } else {
        std::memcpy(palette, kTwo, sizeof(kTwo));
    }
    BYTE* pixels = out + headerBytes;
    std::vector<BYTE> packed(depth == 8 ? fileRow : 0);
    for (uint32_t y = 0; y < h && m_status == 0; ++y) {
        BYTE* row = pixels + (dib ? h - 1 - y : y) * rowBytes;
        if (depth == 1) {
            if (!io->ReadExactly(row, static_cast<int32_t>(fileRow)))
                m_status = 3;
        } else {
            // A whole file row at once; the bits of a short row are kept.
            const int32_t got = io->ReadUpTo(packed.data(), static_cast<int32_t>(fileRow));
            const uint64_t have = got > 0 ? uint64_t(got) : 0;
            if (have < fileRow)
                m_status = 3;
            for (uint64_t x = 0; x < w && x / 8 < have; x += 8) {
                const BYTE b = packed[x / 8];
                const uint64_t n = w - x < 8 ? w - x : 8;
                for (uint64_t k = 0; k < n; ++k)
                    row[x + k] = (b >> (7 - k)) & 1;
            }
        }
        if (m_status == 0 && ISCallProgress(static_cast<int32_t>(y), static_cast<int32_t>(h)))
            m_status = 14;
    }
    if (width)
        *width = w;
    if (height)
        *height = h;
}

extern "C" void* is5_ReadWBMP(HISSRC source, uint32_t* width, uint32_t* height, RGBQUAD* palette,
                              uint32_t bitsPerPixel, uint32_t flags)
{
    static const char kName[] = "is5_ReadWBMP";
    return ISReadEntry(kName, source, true, bitsPerPixel, flags, {1, 8}, [&](CISReadCall& call) {
        CISWBMPReader reader;
        reader.Read(call, palette, call.Depth(), flags, width, height);
        call.m_status = reader.m_status;
    });
}

extern "C" BOOL is5_GetWBMPDims(HISSRC source, uint32_t* width, uint32_t* height, int32_t /*reserved*/)
{
    static const char kName[] = "is5_GetWBMPDims";
    return ISDimsEntry(kName, source, true, [&](CISEntryCall& call) {
        CISWBMPReader reader;
        BOOL ok = reader.Dims(call.Source(), width, height);
        call.m_status = reader.m_status;
        return ok;
    });
}
