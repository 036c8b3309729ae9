// Turns of pixels of 8- or 16-bit samples, into a second buffer or in place.
#include "rotate.h"

#include <algorithm>
#include <cstring>

#include "../../convert/convert.h"
#include "../../core/buffers.h"
#include "../../core/frame.h"

namespace {

// Source rows per strip and pixels per tile side of the quarter turns: a tile
// of the source and its turned copy stay in the first-level cache together,
// and each destination row gets a run of pixels per visit.
constexpr uint32_t kTile = 32;

bool ValidPixelSize(uint32_t size) { return size == 1 || size == 3 || size == 4; }

template <uint32_t kSize, typename T>
inline void CopyPixel(T* to, const T* from)
{
    for (uint32_t k = 0; k < kSize; ++k)
        to[k] = from[k];
}

// Progress for the source rows [first, end); TRUE when cancelled.
bool Cancelled(uint32_t first, uint32_t end, uint32_t rows)
{
    for (uint32_t y = first; y < end; ++y)
        if (ISCallProgress(static_cast<int32_t>(y + 1), static_cast<int32_t>(rows)))
            return true;
    return false;
}

template <uint32_t kSize, typename T>
bool QuarterTurn(const T* source, uint32_t width, uint32_t height, size_t sourceStride, T* target,
                 size_t targetStride, bool clockwise)
{
    for (uint32_t y0 = 0; y0 < height; y0 += kTile) {
        const uint32_t y1 = std::min(height, y0 + kTile);
        for (uint32_t x0 = 0; x0 < width; x0 += kTile) {
            const uint32_t x1 = std::min(width, x0 + kTile);
            for (uint32_t x = x0; x < x1; ++x) {
                const T* in = source + size_t(x) * kSize;
                if (clockwise) {
                    // Source column x is destination row x, bottom row first.
                    T* out = target + size_t(x) * targetStride + size_t(height - 1) * kSize;
                    for (uint32_t y = y0; y < y1; ++y)
                        CopyPixel<kSize>(out - size_t(y) * kSize, in + size_t(y) * sourceStride);
                } else {
                    T* out = target + size_t(width - 1 - x) * targetStride;
                    for (uint32_t y = y0; y < y1; ++y)
                        CopyPixel<kSize>(out + size_t(y) * kSize, in + size_t(y) * sourceStride);
                }
            }
        }
        if (Cancelled(y0, y1, height))
            return false;
    }
    return true;
}

template <uint32_t kSize, typename T>
bool HalfTurn(const T* source, uint32_t width, uint32_t height, size_t sourceStride, T* target, size_t targetStride)
{
    for (uint32_t y = 0; y < height; ++y) {
        const T* in = source + size_t(y) * sourceStride;
        T* out = target + size_t(height - 1 - y) * targetStride + size_t(width - 1) * kSize;
        for (uint32_t x = 0; x < width; ++x)
            CopyPixel<kSize>(out - size_t(x) * kSize, in + size_t(x) * kSize);
        if (Cancelled(y, y + 1, height))
            return false;
    }
    return true;
}

template <uint32_t kSize, typename T>
bool Turn(const T* source, uint32_t width, uint32_t height, size_t sourceStride, T* target, size_t targetStride,
          uint32_t mode)
{
    if (mode == 1)
        return HalfTurn<kSize>(source, width, height, sourceStride, target, targetStride);
    return QuarterTurn<kSize>(source, width, height, sourceStride, target, targetStride, mode == 0);
}

BOOL FlipRows(CISImgUtil& util, BYTE* pixels, uint32_t width, uint32_t height, uint32_t pixelSize)
{
    return util.ISFlipHorizontal(pixels, width, height, pixelSize, size_t(width) * pixelSize);
}

BOOL FlipRows(CISImgUtil& util, uint16_t* pixels, uint32_t width, uint32_t height, uint32_t pixelSize)
{
    return util.ISFlipHorizontal16(pixels, width, height, pixelSize, size_t(width) * pixelSize);
}

}  // namespace

template <typename T>
BOOL CISRotate::RotateSamples(const T* source, uint32_t width, uint32_t height, size_t sourceStride, T* target,
                              size_t targetStride, uint32_t mode, uint32_t pixelSize)
{
    if (!source || !target || source == target || mode > 2 || !ValidPixelSize(pixelSize))
        return Fail(5);
    if (width == 0 || height == 0)
        return TRUE;
    const uint64_t targetWidth = mode == 1 ? width : height;
    if (sourceStride < uint64_t(width) * pixelSize || targetStride < targetWidth * pixelSize)
        return Fail(5);
    bool done = false;
    switch (pixelSize) {
    case 1:
        done = Turn<1>(source, width, height, sourceStride, target, targetStride, mode);
        break;
    case 3:
        done = Turn<3>(source, width, height, sourceStride, target, targetStride, mode);
        break;
    default:
        done = Turn<4>(source, width, height, sourceStride, target, targetStride, mode);
        break;
    }
    return done ? TRUE : Fail(14);
}

template <typename T>
BOOL CISRotate::RotateInPlace(T* pixels, uint32_t width, uint32_t height, uint32_t mode, uint32_t pixelSize)
{
    if (!pixels || mode > 2 || !ValidPixelSize(pixelSize))
        return Fail(5);
    if (width == 0 || height == 0)
        return TRUE;
    const size_t rowSamples = size_t(width) * pixelSize;
    if (mode == 1) {
        CISImgUtil util;
        const BOOL ok = util.ISFlipVertical(reinterpret_cast<BYTE*>(pixels), rowSamples * sizeof(T), height) &&
                        FlipRows(util, pixels, width, height, pixelSize);
        m_status = util.m_status;
        return ok;
    }
    const uint64_t count = uint64_t(width) * height;
    if (count > ISMaxAlloc() / (uint64_t(pixelSize) * sizeof(T)))
        return Fail(1);
    const uint64_t samples = count * pixelSize;
    ISArray<T> temp;
    if (!temp.Resize(static_cast<int32_t>(samples)))
        return Fail(1);
    if (!RotateSamples<T>(pixels, width, height, rowSamples, temp.GetData(), size_t(height) * pixelSize, mode,
                          pixelSize))
        return FALSE;
    memcpy(pixels, temp.GetData(), static_cast<size_t>(samples) * sizeof(T));
    return TRUE;
}

BOOL CISRotate::Rotate8(const BYTE* source, uint32_t width, uint32_t height, size_t sourceStride, BYTE* target,
                        size_t targetStride, uint32_t mode, uint32_t pixelBytes)
{
    return RotateSamples<BYTE>(source, width, height, sourceStride, target, targetStride, mode, pixelBytes);
}

BOOL CISRotate::Rotate16(const uint16_t* source, uint32_t width, uint32_t height, size_t sourceStride,
                         uint16_t* target, size_t targetStride, uint32_t mode, uint32_t samplesPerPixel)
{
    return RotateSamples<uint16_t>(source, width, height, sourceStride, target, targetStride, mode, samplesPerPixel);
}

BOOL CISRotate::RotateInPlace8(BYTE* pixels, uint32_t width, uint32_t height, uint32_t mode, uint32_t pixelBytes)
{
    return RotateInPlace<BYTE>(pixels, width, height, mode, pixelBytes);
}

BOOL CISRotate::RotateInPlace16(uint16_t* pixels, uint32_t width, uint32_t height, uint32_t mode,
                                uint32_t samplesPerPixel)
{
    return RotateInPlace<uint16_t>(pixels, width, height, mode, samplesPerPixel);
}
