// Reading bitmap files (is5_ReadBMP) and probing them (is5_GetBMPDims): the
// headers, the colour table, where the pixels start, and uncompressed rows.
#include <climits>
#include <cstring>

#include "../convert/convert.h"
#include "bmp_reader.h"

bool CISBmpReader::ReadHeaders()
{
    int32_t position = 0;
    m_start = m_io->Tell(&position) ? position : 0;
    BYTE bytes[kBmpInfoHeaderBytes];
    if (!m_io->ReadExactly(bytes, kBmpFileHeaderBytes))
        return Fail(3);
    ISBmpParseFileHeader(bytes, &m_file);
    if (m_file.type != kBmpType)
        return Fail(6);
    if (!m_io->ReadExactly(bytes, 4))
        return Fail(3);
    const uint32_t size = ISGetLE32(bytes);
    if (size == kBmpCoreHeaderBytes) {
        if (!m_io->ReadExactly(bytes + 4, kBmpCoreHeaderBytes - 4))
            return Fail(3);
        ISBmpParseCoreHeader(bytes, &m_info);
        m_core = true;
        if (m_info.width < 1 || m_info.height < 1)
            return Fail(6);
        if (m_info.bitCount != 1 && m_info.bitCount != 4 && m_info.bitCount != 8 && m_info.bitCount != 24)
            return Fail(6);
    } else if (size == kBmpInfoHeaderBytes) {
        if (!m_io->ReadExactly(bytes + 4, kBmpInfoHeaderBytes - 4))
            return Fail(3);
        ISBmpParseInfoHeader(bytes, &m_info);
        if (m_info.width < 1 || m_info.height == 0 || m_info.height == INT_MIN)
            return Fail(6);
        if (!ISBmpKnownBitCount(m_info.bitCount))
            return Fail(6);
    } else {
        return Fail(6);
    }
    m_width = static_cast<uint32_t>(m_info.width);
    m_topDown = m_info.height < 0;
    m_height = static_cast<uint32_t>(m_topDown ? -int64_t(m_info.height) : int64_t(m_info.height));
    return true;
}

bool CISBmpReader::ReadTable()
{
    const uint32_t bits = m_info.bitCount;
    if (bits <= 8) {
        const uint32_t colours = m_core || m_info.colorsUsed == 0 ? (1u << bits) : m_info.colorsUsed;
        m_entries = colours < 256 ? colours : 256;
        const uint32_t entryBytes = m_core ? 3 : 4;
        BYTE table[256 * 4];
        if (!m_io->ReadExactly(table, static_cast<int32_t>(m_entries * entryBytes)))
            return Fail(3);
        for (uint32_t i = 0; i < m_entries; ++i) {
            const BYTE* e = table + i * entryBytes;
            m_palette[i].rgbBlue = e[0];
            m_palette[i].rgbGreen = e[1];
            m_palette[i].rgbRed = e[2];
            m_palette[i].rgbReserved = m_core ? 0 : e[3];
        }
        // Indices past the table read entry 0, never stale memory.
        for (uint32_t i = m_entries; i < 256; ++i)
            m_palette[i] = m_palette[0];
    }
    if (m_hasMasks) {
        BYTE bytes[12];
        if (!m_io->ReadExactly(bytes, 12))
            return Fail(3);
        for (int c = 0; c < 3; ++c)
            m_masks[c] = ISGetLE32(bytes + 4 * c);
    }
    return true;
}

bool CISBmpReader::SeekToPixels()
{
    // Core-header rows follow the table; a zero offset, or one into the
    // headers or the table, means the same.
    if (m_core || m_file.offBits == 0)
        return true;
    int32_t here = 0;
    if (!m_io->Tell(&here))
        return Fail(3);
    const int64_t target = m_start + int64_t(m_file.offBits);
    if (target <= here)
        return true;
    int32_t size = 0;
    if (target > INT32_MAX || (m_io->Size(&size) && target > size))
        return Fail(3);
    if (!m_io->Seek(static_cast<int32_t>(target), 0))
        return Fail(3);
    return true;
}

bool CISBmpReader::Allocate(uint64_t rowBytes, uint32_t rows)
{
    m_outRow = rowBytes;
    uint64_t total = 0;
    if (!ISBmpSizeWithin(rowBytes, rows, 0, ISMaxAlloc(), &total))
        return Fail(1);
    m_call->Allocate(total);
    return true;
}

void CISBmpReader::ZeroRowsFrom(uint32_t done)
{
    // Rows never read are zero, also in buffers from the application's allocator.
    if (done >= m_height)
        return;
    BYTE* first = m_call->Data() + (m_topDown ? done * m_outRow : 0);
    std::memset(first, 0, size_t(m_height - done) * m_outRow);
}

void CISBmpReader::ReadRows(uint32_t depth)
{
    const uint32_t bits = m_info.bitCount;
    const uint64_t fileRow = ISBmpRowBytes(m_width, bits);
    ISArray<BYTE> row;
    if (fileRow > INT32_MAX || !row.Resize(static_cast<int32_t>(fileRow))) {
        Fail(1);
        return;
    }
    const bool keepOrder = (m_flags & kBmpReadPadded) != 0;
    // 24- and 32-bit pixels of the requested size go straight into the
    // output row, swapped on the way unless the file's order is kept.
    const bool direct = !m_hasMasks && bits == depth && (bits == 24 || bits == 32);
    const uint32_t pixelBytes = m_width * (bits / 8);
    CISImgUtil util;
    BYTE* pixels = m_call->Data();
    for (uint32_t i = 0; i < m_height; ++i) {
        if (ISCallProgress(static_cast<int32_t>(i), static_cast<int32_t>(m_height))) {
            m_status = 14;
            ZeroRowsFrom(i);
            return;
        }
        BYTE* out = pixels + size_t(m_topDown ? i : m_height - 1 - i) * m_outRow;
        bool ok;
        if (direct) {
            if (keepOrder) {
                ok = m_io->ReadExactly(out, static_cast<int32_t>(pixelBytes)) &&
                     m_io->ReadExactly(row.GetData(), static_cast<int32_t>(fileRow - pixelBytes));
            } else {
                ok = m_io->ReadExactly(row.GetData(), static_cast<int32_t>(fileRow));
                if (ok && bits == 24)
                    ISBmpCopySwap24(row.GetData(), out, m_width);
                else if (ok)
                    ISBmpCopySwap32(row.GetData(), out, m_width);
            }
        } else {
            ok = m_io->ReadExactly(row.GetData(), static_cast<int32_t>(fileRow));
            if (ok) {
                if (depth == 1)
                    std::memcpy(out, row.GetData(), (size_t(m_width) + 7) / 8);
                else if (depth == 8)
                    ISUnpackRowIndices(row.GetData(), out, m_width, bits);
                else
                    util.ISDIBRowToRGB(row.GetData(), out, m_width, bits, m_palette, m_hasMasks ? m_masks : nullptr,
                                       depth == 32, 255, keepOrder);
            }
        }
        if (!ok) {
            m_status = 3;
            ZeroRowsFrom(i);
            return;
        }
    }
}

void CISBmpReader::Read(CISReadCall& call, RGBQUAD* palette, uint32_t* width, uint32_t* height)
{
    m_call = &call;
    m_io = call.Source();
    m_flags = call.Flags();
    if (!ReadHeaders())
        return;
    if (call.Dib()) {
        if (m_core ? ReadCoreDIB() : ReadDIB()) {
            *width = m_width;
            *height = m_height;
        }
        return;
    }
    const uint32_t depth = call.Depth();
    const uint32_t bits = m_info.bitCount;
    const bool indices = depth <= 8;
    if (indices && (bits > 8 || bits > depth)) {
        Fail(28);
        return;
    }
    bool rle = false;
    switch (m_info.compression) {
    case BI_RGB:
        break;
    case BI_RLE8:
    case BI_RLE4:
        rle = bits == (m_info.compression == BI_RLE8 ? 8u : 4u);
        // Run-length rows run bottom-up only.
        if (!rle || m_topDown) {
            Fail(6);
            return;
        }
        break;
    case BI_BITFIELDS:
        if (indices || (bits != 16 && bits != 32)) {
            Fail(6);
            return;
        }
        m_hasMasks = true;
        break;
    default:
        Fail(6);
        return;
    }
    if (!ReadTable())
        return;
    if (indices)
        std::memcpy(palette, m_palette, sizeof m_palette);
    if (!SeekToPixels())
        return;

    uint64_t rowBytes = depth == 1 ? (uint64_t(m_width) + 7) / 8 : uint64_t(m_width) * (depth / 8);
    if (m_flags & kBmpReadPadded)
        rowBytes = (rowBytes + 3) & ~uint64_t(3);
    if (!Allocate(rowBytes, m_height))
        return;
    if (rle)
        ReadRLE(depth);
    else
        ReadRows(depth);
    if (m_status == 1) {
        call.Discard();
        return;
    }
    *width = m_width;
    *height = m_height;
}

BOOL CISBmpReader::Dims(CISIO* io, uint32_t* width, uint32_t* height, uint32_t* bits, ISResolution* resolution)
{
    m_io = io;
    if (!ReadHeaders())
        return FALSE;
    *width = static_cast<uint32_t>(m_info.width);
    *height = static_cast<uint32_t>(m_info.height);
    *bits = m_info.bitCount;
    if (resolution) {
        resolution->x = m_info.xPelsPerMeter;
        resolution->y = m_info.yPelsPerMeter;
        resolution->unit = 2;
    }
    return TRUE;
}

extern "C" void* is5_ReadBMP(HISSRC source, uint32_t* width, uint32_t* height, uint32_t bitsPerPixel,
                             RGBQUAD* palette, uint32_t flags)
{
    static const char kName[] = "is5_ReadBMP";
    // Unlike the other readers, the size outs are zeroed before anything is checked.
    if (width)
        *width = 0;
    if (height)
        *height = 0;
    return ISReadEntry(kName, source, width && height, bitsPerPixel, flags, {1, 8, 24, 32}, [&](CISReadCall& call) {
        // Unlike the other readers, indices need the caller's palette.
        if (!call.Dib() && call.Depth() <= 8 && !palette) {
            call.m_status = 5;
            return;
        }
        CISBmpReader reader;
        reader.Read(call, palette, width, height);
        call.m_status = reader.m_status;
    });
}

extern "C" BOOL is5_GetBMPDims(HISSRC source, uint32_t* width, uint32_t* height, uint32_t* bitsPerPixel,
                               ISResolution* resolution, int32_t /*reserved*/)
{
    static const char kName[] = "is5_GetBMPDims";
    return ISDimsEntry(kName, source, width && height && bitsPerPixel, [&](CISEntryCall& call) {
        CISBmpReader reader;
        BOOL ok = reader.Dims(call.Source(), width, height, bitsPerPixel, resolution);
        call.m_status = reader.m_status;
        return ok;
    });
}
