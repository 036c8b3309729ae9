// Vertical and horizontal flips, packed 1-bit rows included.
#include "convert.h"

#include <algorithm>
#include <cstring>

#include "../core/buffers.h"
#include "../core/frame.h"

void ISShiftRowBits(BYTE* row, size_t bytes, uint32_t bits)
{
    if (!row || bytes == 0 || bits == 0 || bits > 7)
        return;
    for (size_t i = 0; i + 1 < bytes; ++i)
        row[i] = static_cast<BYTE>((row[i] << bits) | (row[i + 1] >> (8 - bits)));
    row[bytes - 1] = static_cast<BYTE>(row[bytes - 1] << bits);
}

BOOL CISImgUtil::ISFlipVertical(BYTE* pixels, size_t rowBytes, uint32_t rows)
{
    if (!pixels)
        return Fail(5);
    ISArray<BYTE> temp;
    if (rowBytes > INT32_MAX || !temp.Resize(static_cast<int32_t>(rowBytes)))
        return Fail(1);
    ISCallGuard depth;
    const uint32_t swaps = static_cast<uint32_t>((uint64_t(rows) + 1) / 2);
    for (uint32_t i = 0; i < swaps; ++i) {
        BYTE* a = pixels + size_t(i) * rowBytes;
        BYTE* b = pixels + size_t(rows - 1 - i) * rowBytes;
        if (a != b) {
            memcpy(temp.GetData(), a, rowBytes);
            memcpy(a, b, rowBytes);
            memcpy(b, temp.GetData(), rowBytes);
        }
        if (ISCallProgress(static_cast<int32_t>(2 * i), static_cast<int32_t>(rows)))
            return Fail(14);
    }
    return TRUE;
}

template <typename T>
BOOL CISImgUtil::FlipRows(T* pixels, uint32_t width, uint32_t rows, uint32_t pixelSize, size_t stride)
{
    if (!pixels || pixelSize == 0)
        return Fail(5);
    ISCallGuard depth;
    for (uint32_t y = 0; y < rows; ++y) {
        T* row = pixels + size_t(y) * stride;
        T* a = row;
        T* b = row + size_t(width) * pixelSize;
        for (uint32_t i = 0; i < width / 2; ++i) {
            b -= pixelSize;
            std::swap_ranges(a, a + pixelSize, b);
            a += pixelSize;
        }
        if (ISCallProgress(static_cast<int32_t>(y + 1), static_cast<int32_t>(rows)))
            return Fail(14);
    }
    return TRUE;
}

BOOL CISImgUtil::ISFlipHorizontal(BYTE* pixels, uint32_t width, uint32_t rows, uint32_t bytesPerPixel,
                                  size_t stride)
{
    return FlipRows(pixels, width, rows, bytesPerPixel, stride);
}

BOOL CISImgUtil::ISFlipHorizontal16(uint16_t* pixels, uint32_t width, uint32_t rows, uint32_t samplesPerPixel,
                                    size_t strideSamples)
{
    return FlipRows(pixels, width, rows, samplesPerPixel, strideSamples);
}

BOOL CISImgUtil::ISFlipHorizontal1Bit(BYTE* pixels, uint32_t width, uint32_t rows, size_t stride)
{
    if (width == 0 || rows == 0)
        return TRUE;
    if (!pixels)
        return Fail(5);
    const uint32_t rowBytes = static_cast<uint32_t>((uint64_t(width) + 7) / 8);
    if (!FlipRows(pixels, rowBytes, rows, 1, stride))
        return FALSE;
    // The padding moved to the left end; shift it back out to the right.
    const uint32_t pad = rowBytes * 8 - width;
    for (uint32_t y = 0; y < rows; ++y) {
        BYTE* row = pixels + size_t(y) * stride;
        for (uint32_t i = 0; i < rowBytes; ++i)
            row[i] = g_isBitReverse[row[i]];
        if (pad)
            ISShiftRowBits(row, rowBytes, pad);
    }
    return TRUE;
}
