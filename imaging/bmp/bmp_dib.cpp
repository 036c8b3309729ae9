// Reading a bitmap file as one packed DIB block: the info header, the colour
// table or masks, and the stored pixel bytes as they are.
#include <cstdint>
#include <cstring>

#include "../dib/dib.h"
#include "bmp_reader.h"

namespace {

// Reads up to n bytes; fewer only at the end of the source.
uint64_t ReadAll(CISIO* io, BYTE* target, uint64_t n)
{
    uint64_t done = 0;
    while (done < n) {
        const uint64_t left = n - done;
        const int32_t step = static_cast<int32_t>(left < (1u << 30) ? left : (1u << 30));
        const int32_t got = io->ReadUpTo(target + done, step);
        if (got <= 0)
            break;
        done += static_cast<uint64_t>(got);
    }
    return done;
}

}  // namespace

bool CISBmpReader::ReadDIB()
{
    const uint32_t bits = m_info.bitCount;
    switch (m_info.compression) {
    case BI_RGB:
        break;
    case BI_RLE8:
    case BI_RLE4:
        if (bits != (m_info.compression == BI_RLE8 ? 8u : 4u) || m_topDown)
            return Fail(6);
        break;
    case BI_BITFIELDS:
        if (bits != 16 && bits != 32)
            return Fail(6);
        break;
    default:
        return Fail(6);
    }
    if (bits <= 8 && m_info.colorsUsed > 256)
        return Fail(6);
    uint32_t table = 0;
    if (bits <= 8)
        table = 4 * (m_info.colorsUsed ? m_info.colorsUsed : (1u << bits));
    else if (m_info.compression == BI_BITFIELDS)
        table = 12;

    // The block holds the whole file after its file header, and at least
    // the uncompressed picture as the DIB builders size it.
    const uint64_t rowBytes = ISBmpRowBytes(m_width, bits);
    uint64_t blockBytes = 0;
    if (!ISBmpSizeWithin(rowBytes, m_height, kBmpInfoHeaderBytes + table, ISMaxAlloc(), &blockBytes))
        return Fail(1);
    if (bits != 16) {
        CISDIB dib;
        const uint64_t packed = dib.ISCalcDIBSize(m_width, m_height, bits, table / 4);
        if (dib.m_status == 1)
            return Fail(1);
        blockBytes = packed > blockBytes ? packed : blockBytes;
    }
    int32_t sourceSize = 0;
    if (!m_io->Size(&sourceSize))
        sourceSize = INT32_MAX;
    const int64_t fileRest = int64_t(sourceSize) - m_start - kBmpFileHeaderBytes;
    if (fileRest > 0 && uint64_t(fileRest) > blockBytes)
        blockBytes = uint64_t(fileRest);
    if (blockBytes > ISMaxAlloc())
        return Fail(1);
    BYTE* block = m_call->Allocate(blockBytes);
    std::memset(block, 0, static_cast<size_t>(blockBytes));

    ISBmpInfo header = m_info;
    if (header.imageSize == 0)
        header.imageSize = static_cast<uint32_t>(rowBytes * m_height);
    ISBmpPutInfoHeader(header, block);
    if (!m_io->ReadExactly(block + kBmpInfoHeaderBytes, static_cast<int32_t>(table))) {
        m_call->Discard();
        return Fail(3);
    }
    // Pixels start at the file's offset when it lies ahead; an offset into
    // the headers or the table means right here.
    int32_t here = 0;
    const int64_t target = m_start + int64_t(m_file.offBits);
    if (m_file.offBits != 0 && m_io->Tell(&here) && target > here) {
        if (target > sourceSize || !m_io->Seek(static_cast<int32_t>(target), 0)) {
            m_call->Discard();
            return Fail(6);
        }
    }
    const uint64_t space = blockBytes - kBmpInfoHeaderBytes - table;
    const uint64_t got = ReadAll(m_io, block + kBmpInfoHeaderBytes + table, space);
    // The block holds the whole source: less than the picture needs means
    // the source ended early.
    uint64_t needed = rowBytes * m_height;
    if (m_info.compression == BI_RLE8 || m_info.compression == BI_RLE4)
        needed = header.imageSize;
    if (got < needed)
        m_status = 3;
    return true;
}

bool CISBmpReader::ReadCoreDIB()
{
    const uint32_t bits = m_info.bitCount;
    const uint32_t entries = bits <= 8 ? (1u << bits) : 0;
    BYTE table[256 * 3];
    if (!m_io->ReadExactly(table, static_cast<int32_t>(3 * entries)))
        return Fail(3);
    const uint64_t rowBytes = ISBmpRowBytes(m_width, bits);
    uint64_t blockBytes = 0;
    if (!ISBmpSizeWithin(rowBytes, m_height, kBmpInfoHeaderBytes + 4ull * entries, ISMaxAlloc(), &blockBytes))
        return Fail(1);
    BYTE* block = m_call->Allocate(blockBytes);
    std::memset(block, 0, static_cast<size_t>(blockBytes));
    ISBmpInfo header;
    header.headerSize = kBmpInfoHeaderBytes;
    header.width = m_info.width;
    header.height = m_info.height;
    header.planes = 1;
    header.bitCount = static_cast<uint16_t>(bits);
    const uint64_t image = rowBytes * m_height;
    header.imageSize = static_cast<uint32_t>(image);
    header.colorsUsed = header.colorsImportant = entries;
    ISBmpPutInfoHeader(header, block);
    BYTE* quad = block + kBmpInfoHeaderBytes;
    for (uint32_t i = 0; i < entries; ++i, quad += 4)
        std::memcpy(quad, table + 3 * i, 3);
    if (ReadAll(m_io, quad, image) < image)
        m_status = 3;
    return true;
}
