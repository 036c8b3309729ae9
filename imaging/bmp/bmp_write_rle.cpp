// Writing 8-bit run-length bitmaps: rows of indices coded as encoded and
// absolute runs, with the sizes patched into the headers at the end.
#include <cstring>

#include "../core/buffers.h"
#include "bmp_writer.h"

namespace {

// Codes one row of `count` indices (even) into `out`, which holds 2 x count
// + 2 bytes; returns the bytes used, end of line included.
size_t EncodeRow(const BYTE* row, size_t count, BYTE* out)
{
    BYTE* p = out;
    size_t j = 0;
    while (j < count) {
        // An absolute run: pixels that each differ from the next; the
        // second-to-last pixel ends it, the last never joins.
        size_t n = 0;
        while (n < 254) {
            const size_t at = j + n;
            if (at + 1 >= count)
                break;
            if (at + 2 == count) {
                ++n;
                break;
            }
            if (row[at] == row[at + 1])
                break;
            ++n;
        }
        if (n > 2) {
            *p++ = 0;
            *p++ = static_cast<BYTE>(n);
            std::memcpy(p, row + j, n);
            p += n;
            if (n & 1)
                *p++ = 0;
            j += n;
            continue;
        }
        size_t run = 1;
        while (run < 255 && j + run < count && row[j + run] == row[j])
            ++run;
        *p++ = static_cast<BYTE>(run);
        *p++ = row[j];
        j += run;
    }
    *p++ = 0;
    *p++ = 0;
    return static_cast<size_t>(p - out);
}

}  // namespace

int32_t CISBmpWriter::WriteRle8(CISIO* sink, const ISBmpImage& image)
{
    int32_t start = 0;
    if (!sink->Tell(&start)) {
        Fail(4);
        return 0;
    }
    // Odd widths are coded over one more pixel, index 0.
    const size_t count = size_t(image.width) + (image.width & 1);
    ISArray<BYTE> row, coded;
    if (count * 2 + 2 > INT32_MAX || !row.Resize(static_cast<int32_t>(count)) ||
        !coded.Resize(static_cast<int32_t>(count * 2 + 2))) {
        Fail(1);
        return 0;
    }
    row[count - 1] = 0;
    if (!PutHeaders(sink, image, BI_RLE8, 0, 0xFFFFFFFFu))
        return 0;
    uint64_t dataBytes = 0;
    for (uint32_t i = 0; i < image.height; ++i) {
        std::memcpy(row.GetData(), SourceRow(image, i), image.width);
        const size_t n = EncodeRow(row.GetData(), count, coded.GetData());
        if (!Put(sink, coded.GetData(), n))
            return 0;
        dataBytes += n;
        if (ISCallProgress(static_cast<int32_t>(i + 1), static_cast<int32_t>(image.height))) {
            Fail(14);
            return 0;
        }
    }
    static const BYTE kEnd[2] = {0, 1};
    if (!Put(sink, kEnd, 2))
        return 0;
    dataBytes += 2;

    const uint64_t fileBytes = dataBytes + 4ull * image.colours + kBmpFileHeaderBytes + kBmpInfoHeaderBytes;
    if (fileBytes + start > INT32_MAX) {
        Fail(4);
        return 0;
    }
    BYTE field[4];
    ISPutLE32(field, static_cast<uint32_t>(fileBytes));
    if (!sink->Seek(start + 2, 0) || !Put(sink, field, 4)) {
        Fail(4);
        return 0;
    }
    ISPutLE32(field, static_cast<uint32_t>(dataBytes));
    if (!sink->Seek(start + 34, 0) || !Put(sink, field, 4) ||
        !sink->Seek(start + static_cast<int32_t>(fileBytes), 0)) {
        Fail(4);
        return 0;
    }
    return SinkSize(sink);
}
