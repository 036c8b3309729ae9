// Writing bitmap files (is5_WriteBMP): uncompressed rows of 1 to 32 bits, and
// packed DIBs behind a file header. RLE8 lives in bmp_write_rle.cpp.
#include <climits>
#include <cmath>
#include <cstring>

#include "../core/buffers.h"
#include "bmp_writer.h"

namespace {

int32_t PelsPerMeter(double v)
{
    if (std::isnan(v))
        return 0;
    if (v >= 2147483647.0)
        return INT32_MAX;
    if (v <= -2147483648.0)
        return INT32_MIN;
    return static_cast<int32_t>(v);
}

// Bytes of one source row as the caller packs it.
uint64_t PackedRowBytes(uint32_t width, uint32_t bits) { return (uint64_t(width) * bits + 7) / 8; }

}  // namespace

bool CISBmpWriter::Put(CISIO* sink, const void* bytes, uint64_t n)
{
    const BYTE* p = static_cast<const BYTE*>(bytes);
    while (n > 0) {
        const int32_t step = static_cast<int32_t>(n < (1u << 30) ? n : (1u << 30));
        if (!sink->WriteBytes(p, step))
            return Fail(4);
        p += step;
        n -= static_cast<uint64_t>(step);
    }
    return true;
}

bool CISBmpWriter::PutHeaders(CISIO* sink, const ISBmpImage& image, uint32_t compression, uint32_t fileSize,
                              uint32_t imageSize)
{
    ISBmpFileHeader file;
    file.type = kBmpType;
    file.fileSize = fileSize;
    file.offBits = kBmpFileHeaderBytes + kBmpInfoHeaderBytes + 4 * image.colours;
    ISBmpInfo info;
    info.headerSize = kBmpInfoHeaderBytes;
    info.width = static_cast<int32_t>(image.width);
    info.height = static_cast<int32_t>(image.height);
    info.planes = 1;
    info.bitCount = static_cast<uint16_t>(image.bits);
    info.compression = compression;
    info.imageSize = imageSize;
    info.xPelsPerMeter = image.xPelsPerMeter;
    info.yPelsPerMeter = image.yPelsPerMeter;
    info.colorsUsed = info.colorsImportant = image.colours;
    BYTE bytes[kBmpFileHeaderBytes + kBmpInfoHeaderBytes];
    ISBmpPutFileHeader(file, bytes);
    ISBmpPutInfoHeader(info, bytes + kBmpFileHeaderBytes);
    if (!Put(sink, bytes, sizeof bytes))
        return false;
    // Entries go out as given: blue, green, red, reserved.
    BYTE table[256 * 4];
    for (uint32_t i = 0; i < image.colours; ++i) {
        table[4 * i] = image.palette[i].rgbBlue;
        table[4 * i + 1] = image.palette[i].rgbGreen;
        table[4 * i + 2] = image.palette[i].rgbRed;
        table[4 * i + 3] = image.palette[i].rgbReserved;
    }
    return Put(sink, table, 4ull * image.colours);
}

int32_t CISBmpWriter::SinkSize(CISIO* sink)
{
    int32_t size = 0;
    if (!sink->Size(&size)) {
        Fail(4);
        return 0;
    }
    return size;
}

int32_t CISBmpWriter::Write(CISIO* sink, const ISBmpImage& image)
{
    const uint64_t fileRow = ISBmpRowBytes(image.width, image.bits);
    const uint64_t imageBytes = fileRow * image.height;
    const uint64_t fileBytes = kBmpFileHeaderBytes + kBmpInfoHeaderBytes + 4ull * image.colours + imageBytes;
    if (fileBytes > INT32_MAX) {
        Fail(5);
        return 0;
    }
    ISArray<BYTE> row;
    if (!row.Resize(static_cast<int32_t>(fileRow))) {
        Fail(1);
        return 0;
    }
    row.Fill(0);
    if (!PutHeaders(sink, image, BI_RGB, static_cast<uint32_t>(fileBytes), static_cast<uint32_t>(imageBytes)))
        return 0;
    const bool swap = !(image.flags & kBmpWriteKeepOrder);
    const size_t used = static_cast<size_t>(PackedRowBytes(image.width, image.bits));
    for (uint32_t i = 0; i < image.height; ++i) {
        const BYTE* source = SourceRow(image, i);
        if (image.bits == 24 && swap)
            ISBmpCopySwap24(source, row.GetData(), image.width);
        else if (image.bits == 32 && swap)
            ISBmpCopySwap32(source, row.GetData(), image.width);
        else
            std::memcpy(row.GetData(), source, used);
        if (!Put(sink, row.GetData(), fileRow))
            return 0;
        if (ISCallProgress(static_cast<int32_t>(i + 1), static_cast<int32_t>(image.height))) {
            Fail(14);
            return 0;
        }
    }
    return SinkSize(sink);
}

int32_t CISBmpWriter::WriteDib(CISIO* sink, const BYTE* dib)
{
    ISBmpInfo info;
    ISBmpParseInfoHeader(dib, &info);
    const uint32_t bits = info.bitCount;
    if (info.headerSize != kBmpInfoHeaderBytes || info.width < 1 || info.height == 0 ||
        !ISBmpKnownBitCount(bits) || (bits <= 8 && info.colorsUsed > 256)) {
        Fail(5);
        return 0;
    }
    uint32_t table = 0;
    if (bits <= 8)
        table = 4 * (info.colorsUsed ? info.colorsUsed : (1u << bits));
    else if (info.compression == BI_BITFIELDS)
        table = 12;
    const uint64_t rows = info.height < 0 ? uint64_t(-int64_t(info.height)) : uint64_t(info.height);
    uint64_t imageBytes = ISBmpRowBytes(uint32_t(info.width), bits) * rows;
    // Run-length pixels are as long as the header says.
    if (info.compression == BI_RLE8 || info.compression == BI_RLE4)
        imageBytes = info.imageSize;
    const uint64_t offBits = kBmpFileHeaderBytes + kBmpInfoHeaderBytes + table;
    const uint64_t fileBytes = offBits + imageBytes;
    if (fileBytes > INT32_MAX) {
        Fail(5);
        return 0;
    }
    ISBmpFileHeader file;
    file.type = kBmpType;
    file.fileSize = static_cast<uint32_t>(fileBytes);
    file.offBits = static_cast<uint32_t>(offBits);
    BYTE bytes[kBmpFileHeaderBytes];
    ISBmpPutFileHeader(file, bytes);
    if (!Put(sink, bytes, sizeof bytes) || !Put(sink, dib, fileBytes - kBmpFileHeaderBytes))
        return 0;
    return SinkSize(sink);
}

extern "C" int32_t is5_WriteBMP(HISDEST sink, const void* pixels, uint32_t width, uint32_t height,
                                uint32_t bitsPerPixel, uint32_t stride, uint32_t paletteColours,
                                const RGBQUAD* palette, const ISResolution* resolution, uint32_t flags)
{
    static const char kName[] = "is5_WriteBMP";
    return ISWriteEntry(kName, sink, pixels != nullptr, [&](CISEntryCall& call) -> int32_t {
        CISBmpWriter writer;
        const bool rle = (flags & kBmpWriteRle8) != 0;
        if (!rle && (flags & IS5_DIB)) {
            int32_t size = writer.WriteDib(call.Source(), static_cast<const BYTE*>(pixels));
            call.m_status = writer.m_status;
            return size;
        }

        ISBmpImage image;
        image.pixels = static_cast<const BYTE*>(pixels);
        image.width = width;
        image.height = height;
        image.bits = rle ? 8 : bitsPerPixel;
        image.stride = stride;
        if (flags & kBmpWriteRoundStride)
            image.stride = (image.stride + 3) & ~uint64_t(3);
        image.colours = paletteColours;
        image.palette = palette;
        image.flags = flags;
        if (resolution) {
            image.xPelsPerMeter = PelsPerMeter(resolution->x);
            image.yPelsPerMeter = PelsPerMeter(resolution->y);
        }
        const bool indexed = image.bits <= 8;
        bool valid = width >= 1 && width <= INT32_MAX && height >= 1 && height <= INT32_MAX &&
                     ISBmpKnownBitCount(image.bits) && paletteColours <= 256;
        if (valid && indexed)
            valid = palette && paletteColours >= 1;
        // Rows of an odd-width RLE8 picture are never read past their width.
        if (valid)
            valid = image.stride >= PackedRowBytes(width, image.bits);
        if (!valid) {
            call.m_status = 5;
            return 0;
        }
        if (!indexed)
            image.colours = 0;
        int32_t size = rle ? writer.WriteRle8(call.Source(), image) : writer.Write(call.Source(), image);
        call.m_status = writer.m_status;
        return size;
    });
}
