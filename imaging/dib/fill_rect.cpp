// Solid rectangle fill of 1-, 3- and 4-channel images (is5_FillSolidRect).
// The rectangle includes its right column and excludes its bottom row.
#include <cstring>

#include "../core/frame.h"

namespace {

struct FillArea {
    BYTE* first = nullptr;  // top-left byte of the rectangle
    size_t stride = 0;
    size_t rowBytes = 0;    // w x channels
    uint32_t rows = 0;
};

// Fills rows from a ready first row; reports progress per row.
int32_t CopyFirstRow(const FillArea& a)
{
    for (uint32_t r = 0; r < a.rows; ++r) {
        if (r > 0)
            std::memcpy(a.first + size_t(r) * a.stride, a.first, a.rowBytes);
        if (ISCallProgress(static_cast<int32_t>(r + 1), static_cast<int32_t>(a.rows)))
            return 14;
    }
    return 0;
}

int32_t FillBytes(const FillArea& a, BYTE value, bool wholeImage)
{
    if (wholeImage) {
        std::memset(a.first, value, a.rowBytes * a.rows);
        return ISCallProgress(static_cast<int32_t>(a.rows), static_cast<int32_t>(a.rows)) ? 14 : 0;
    }
    for (uint32_t r = 0; r < a.rows; ++r) {
        std::memset(a.first + size_t(r) * a.stride, value, a.rowBytes);
        if (ISCallProgress(static_cast<int32_t>(r + 1), static_cast<int32_t>(a.rows)))
            return 14;
    }
    return 0;
}

int32_t ISFillRect1(const FillArea& a, COLORREF colour, bool wholeImage)
{
    return FillBytes(a, static_cast<BYTE>(colour & 0xFF), wholeImage);
}

int32_t ISFillRectN(const FillArea& a, uint32_t channels, COLORREF colour, uint32_t flags, bool wholeImage)
{
    BYTE pixel[4] = {GetRValue(colour), GetGValue(colour), GetBValue(colour), static_cast<BYTE>(colour >> 24)};
    if (flags & 1) {
        pixel[0] = GetBValue(colour);
        pixel[2] = GetRValue(colour);
    }
    bool equal = pixel[0] == pixel[1] && pixel[1] == pixel[2] && (channels == 3 || pixel[2] == pixel[3]);
    if (equal)
        return FillBytes(a, pixel[0], wholeImage);
    // One pixel, then the row doubled onto itself, then whole rows copied.
    std::memcpy(a.first, pixel, channels);
    size_t done = channels;
    while (done < a.rowBytes) {
        const size_t n = done < a.rowBytes - done ? done : a.rowBytes - done;
        std::memcpy(a.first + done, a.first, n);
        done += n;
    }
    return CopyFirstRow(a);
}

}  // namespace

extern "C" BOOL is5_FillSolidRect(void* pixels, uint32_t width, uint32_t height, uint32_t channels, uint32_t stride,
                                  const RECT* rect, COLORREF colour, uint32_t flags)
{
    static const char kName[] = "is5_FillSolidRect";
    if (!ISGetThreadState())
        return FALSE;
    ISSetLastError(0, kName);
    ISCallGuard guard;
    if ((channels != 1 && channels != 3 && channels != 4) || !rect || !pixels ||
        uint64_t(stride) < uint64_t(width) * channels) {
        ISSetLastError(5, kName);
        return FALSE;
    }
    const int64_t x = rect->left, y = rect->top;
    int64_t w = int64_t(rect->right) - x + 1;
    int64_t h = int64_t(rect->bottom) - y;
    // Empty or inverted rectangles and negative corners draw nothing.
    if (w <= 0 || h <= 0 || x < 0 || y < 0 || x >= int64_t(width) || y >= int64_t(height))
        return TRUE;
    if (x + w > int64_t(width))
        w = int64_t(width) - x;
    if (y + h > int64_t(height))
        h = int64_t(height) - y;

    FillArea area;
    area.stride = stride;
    area.first = static_cast<BYTE*>(pixels) + size_t(y) * stride + size_t(x) * channels;
    area.rowBytes = size_t(w) * channels;
    area.rows = static_cast<uint32_t>(h);
    const bool wholeImage = w == int64_t(width) && h == int64_t(height) && stride == width * channels;
    const int32_t status = channels == 1 ? ISFillRect1(area, colour, wholeImage)
                                         : ISFillRectN(area, channels, colour, flags, wholeImage);
    if (status) {
        ISSetLastError(status, kName);
        return FALSE;
    }
    return TRUE;
}
