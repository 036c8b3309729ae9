// Sizes and layout of packed DIBs, and the header entries is5_DIBWidth and
// is5_DIBHeight.
#include "dib.h"

#include "../core/buffers.h"
#include "../core/frame.h"

static_assert(sizeof(BITMAPINFOHEADER) == 40, "DIB header layout");

uint64_t CISDIB::ISCalcDIBSize(uint32_t width, uint32_t height, uint32_t bits, uint32_t entries)
{
    const uint64_t image = ISDIBRowBytes(width, bits) * height;
    uint64_t size = 0;
    switch (bits) {
    case 1:
        size = image + 48;
        break;
    case 4:
    case 8:
        size = image + 4ull * entries + 40;
        break;
    case 24:
    case 32:
        size = image + 40;
        break;
    default:
        m_status = 5;
        return 0;
    }
    if (size > ISMaxAlloc()) {
        m_status = 1;
        return 0;
    }
    return size;
}

const BYTE* CISDIB::ISDIBPixelStart(const BITMAPINFOHEADER* dib)
{
    if (!dib || dib->biSize != 40 || dib->biClrUsed > 256) {
        m_status = 5;
        return nullptr;
    }
    const BYTE* base = reinterpret_cast<const BYTE*>(dib);
    const uint32_t bits = dib->biBitCount;
    if (bits >= 1 && bits <= 8) {
        const uint32_t entries = dib->biClrUsed ? dib->biClrUsed : (1u << bits);
        return base + 40 + 4 * entries;
    }
    return base + (dib->biCompression == BI_BITFIELDS ? 52 : 40);
}

extern "C" BOOL is5_DIBWidth(const BITMAPINFOHEADER* dib, uint32_t* width)
{
    static const char kName[] = "is5_DIBWidth";
    if (!ISGetThreadState())
        return FALSE;
    ISSetLastError(0, kName);
    if (width)
        *width = 0;
    if (!dib || !width || dib->biSize != 40 || dib->biWidth < 0) {
        ISSetLastError(5, kName);
        return FALSE;
    }
    *width = static_cast<uint32_t>(dib->biWidth);
    return TRUE;
}

extern "C" BOOL is5_DIBHeight(const BITMAPINFOHEADER* dib, uint32_t* height)
{
    static const char kName[] = "is5_DIBHeight";
    if (!ISGetThreadState())
        return FALSE;
    ISSetLastError(0, kName);
    if (height)
        *height = 0;
    if (!dib || !height || dib->biSize != 40) {
        ISSetLastError(5, kName);
        return FALSE;
    }
    // A top-down DIB stores its height negated.
    const int64_t h = dib->biHeight;
    *height = static_cast<uint32_t>(h < 0 ? -h : h);
    return TRUE;
}
