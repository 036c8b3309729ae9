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
    if (!ISBmpSizeWithin(rowBytes, rows, 0, ISMaxAlloc(), &total) || !m_out.Alloc(total))
        return Fail(1);
    return true;
}

void CISBmpReader::ZeroRowsFrom(uint32_t done)
{
    // Rows never read are zero, also in buffers from the application's allocator.
    if (done >= m_height)
        return;
    BYTE* first = m_out.GetData() + (m_topDown ? done * m_outRow : 0);
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
    BYTE* pixels = m_out.GetData();
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

void* CISBmpReader::Read(CISIO* io, uint32_t depth, RGBQUAD* palette, uint32_t flags, uint32_t* width,
                         uint32_t* height)
{
    m_io = io;
    m_flags = flags;
    if (!ReadHeaders())
        return nullptr;
    if (flags & kBmpReadDib) {
        void* dib = m_core ? ReadCoreDIB() : ReadDIB();
        if (dib) {
            *width = m_width;
            *height = m_height;
        }
        return dib;
    }
    const uint32_t bits = m_info.bitCount;
    const bool indices = depth <= 8;
    if (indices && (bits > 8 || bits > depth)) {
        Fail(28);
        return nullptr;
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
            return nullptr;
        }
        break;
    case BI_BITFIELDS:
        if (indices || (bits != 16 && bits != 32)) {
            Fail(6);
            return nullptr;
        }
        m_hasMasks = true;
        break;
    default:
        Fail(6);
        return nullptr;
    }
    if (!ReadTable())
        return nullptr;
    if (indices)
        std::memcpy(palette, m_palette, sizeof m_palette);
    if (!SeekToPixels())
        return nullptr;

    uint64_t rowBytes = depth == 1 ? (uint64_t(m_width) + 7) / 8 : uint64_t(m_width) * (depth / 8);
    if (flags & kBmpReadPadded)
        rowBytes = (rowBytes + 3) & ~uint64_t(3);
    if (!Allocate(rowBytes, m_height))
        return nullptr;
    if (rle)
        ReadRLE(depth);
    else
        ReadRows(depth);
    if (m_status == 1) {
        m_out.Free();
        return nullptr;
    }
    *width = m_width;
    *height = m_height;
    return m_out.Release();
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
    if (!ISGetThreadState())
        return nullptr;
    ISSetLastError(0, kName);
    if (width)
        *width = 0;
    if (height)
        *height = 0;
    if (!source || !width || !height) {
        ISSetLastError(5, kName);
        return nullptr;
    }
    CISIO* io = ISFromHandle(source);
    if (!io->IsValid()) {
        ISSetLastError(38, kName);
        return nullptr;
    }
    if (!(flags & kBmpReadDib)) {
        const bool known = bitsPerPixel == 1 || bitsPerPixel == 8 || bitsPerPixel == 24 || bitsPerPixel == 32;
        if (!known || (bitsPerPixel <= 8 && !palette)) {
            ISSetLastError(5, kName);
            return nullptr;
        }
    }
    CISBmpReader reader;
    void* buffer = reader.Read(io, bitsPerPixel, palette, flags, width, height);
    ISSetLastError(reader.m_status, kName);
    return buffer;
}

extern "C" BOOL is5_GetBMPDims(HISSRC source, uint32_t* width, uint32_t* height, uint32_t* bitsPerPixel,
                               ISResolution* resolution, int32_t /*reserved*/)
{
    static const char kName[] = "is5_GetBMPDims";
    if (!ISGetThreadState())
        return FALSE;
    ISSetLastError(0, kName);
    if (!source || !width || !height || !bitsPerPixel) {
        ISSetLastError(5, kName);
        return FALSE;
    }
    CISIO* io = ISFromHandle(source);
    if (!io->IsValid()) {
        ISSetLastError(38, kName);
        return FALSE;
    }
    CISBmpReader reader;
    BOOL ok = reader.Dims(io, width, height, bitsPerPixel, resolution);
    ISSetLastError(reader.m_status, kName);
    return ok;
}
