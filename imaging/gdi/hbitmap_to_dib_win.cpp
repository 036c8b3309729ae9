// A GDI bitmap handle to a packed DIB through GetDIBits.
#include <cstring>

#include "../core/buffers.h"
#include "../dib/dib.h"
#include "gdi.h"

BITMAPINFOHEADER* CISGdi::ISHBITMAPToDIB(HBITMAP bitmap, DWORD compression, HPALETTE palette)
{
    if (compression == BI_BITFIELDS)
        return Fail(17, static_cast<BITMAPINFOHEADER*>(nullptr));
    if (!palette)
        palette = static_cast<HPALETTE>(GetStockObject(DEFAULT_PALETTE));

    BITMAP info = {};
    if (!bitmap || !GetObjectA(bitmap, sizeof info, &info) || info.bmWidth <= 0 || info.bmHeight <= 0)
        return Fail(5, static_cast<BITMAPINFOHEADER*>(nullptr));
    BITMAPINFOHEADER header = {};
    header.biSize = 40;
    header.biWidth = info.bmWidth;
    header.biHeight = info.bmHeight;
    header.biPlanes = 1;
    header.biBitCount = static_cast<WORD>(info.bmPlanes * info.bmBitsPixel);
    header.biCompression = compression;
    const uint32_t bits = header.biBitCount;
    const uint64_t tableBytes = bits <= 8 ? 4ull << bits : 0;

    CISScreenDC screen;
    if (!screen.Get())
        return Fail(25, static_cast<BITMAPINFOHEADER*>(nullptr));
    CISSelectedPalette selected(screen.Get(), palette);

    CISInternalAllocator block;
    if (!block.Alloc(40 + tableBytes))
        return Fail(1, static_cast<BITMAPINFOHEADER*>(nullptr));
    std::memcpy(block.GetData(), &header, 40);
    auto* bi = reinterpret_cast<BITMAPINFO*>(block.GetData());
    if (!GetDIBits(screen.Get(), bitmap, 0, static_cast<UINT>(info.bmHeight), nullptr, bi, DIB_RGB_COLORS)) {
        block.Free();
        return Fail(25, static_cast<BITMAPINFOHEADER*>(nullptr));
    }
    const uint64_t rows = ISDIBRowBytes(uint32_t(info.bmWidth), bits) * uint32_t(info.bmHeight);
    uint64_t imageBytes = bi->bmiHeader.biSizeImage;
    if (imageBytes == 0) {
        imageBytes = compression != BI_RGB ? rows * 3 / 2 : rows;
        if (imageBytes > kISMaxAlloc) {
            block.Free();
            return Fail(1, static_cast<BITMAPINFOHEADER*>(nullptr));
        }
        bi->bmiHeader.biSizeImage = static_cast<DWORD>(imageBytes);
    }
    // Uncompressed rows are read back whole, whatever GDI reported.
    if (compression == BI_RGB && imageBytes < rows)
        imageBytes = rows;
    if (40 + tableBytes + imageBytes > kISMaxAlloc || !block.Realloc(40 + tableBytes + imageBytes)) {
        block.Free();
        return Fail(1, static_cast<BITMAPINFOHEADER*>(nullptr));
    }
    bi = reinterpret_cast<BITMAPINFO*>(block.GetData());
    BYTE* pixels = block.GetData() + 40 + tableBytes;
    if (!GetDIBits(screen.Get(), bitmap, 0, static_cast<UINT>(info.bmHeight), pixels, bi, DIB_RGB_COLORS)) {
        block.Free();
        return Fail(25, static_cast<BITMAPINFOHEADER*>(nullptr));
    }
    // The rows sit after a full table, whatever GDI reported as used.
    if (bits <= 8) {
        bi->bmiHeader.biClrUsed = 0;
        bi->bmiHeader.biClrImportant = 0;
    }
    return static_cast<BITMAPINFOHEADER*>(block.Release());
}
