// is5_LoadResourceBitmap: an RT_BITMAP resource to a device-dependent bitmap.
#include <cstring>

#include "../core/frame.h"
#include "../dib/dib.h"
#include "gdi.h"

namespace {

// Where the rows start, or null when the header or the rows do not fit the
// resource. Version 4 and 5 headers carry their masks inside.
const BYTE* ResourcePixels(const BYTE* data, DWORD size)
{
    if (size < 40)
        return nullptr;
    BITMAPINFOHEADER h;
    std::memcpy(&h, data, sizeof h);
    if ((h.biSize != 40 && h.biSize != 108 && h.biSize != 124) || h.biClrUsed > 256 || h.biWidth <= 0 ||
        h.biHeight == 0 || h.biBitCount == 0 || h.biBitCount > 32)
        return nullptr;
    uint64_t offset = h.biSize;
    if (h.biBitCount <= 8)
        offset += 4ull * (h.biClrUsed ? h.biClrUsed : (1u << h.biBitCount));
    else
        offset += 4ull * h.biClrUsed + (h.biSize == 40 && h.biCompression == BI_BITFIELDS ? 12 : 0);
    const int64_t height = h.biHeight < 0 ? -int64_t(h.biHeight) : h.biHeight;
    const uint64_t rows = h.biCompression == BI_RGB || h.biCompression == BI_BITFIELDS
                              ? ISDIBRowBytes(uint32_t(h.biWidth), h.biBitCount) * uint64_t(height)
                              : h.biSizeImage;
    if (offset + rows > size)
        return nullptr;
    return data + offset;
}

}  // namespace

extern "C" HBITMAP is5_LoadResourceBitmap(HMODULE module, const char* name, HPALETTE palette)
{
    static const char kName[] = "is5_LoadResourceBitmap";
    if (!ISGetThreadState())
        return nullptr;
    ISSetLastError(0, kName);
    ISCallGuard guard;
    if (!name) {
        ISSetLastError(5, kName);
        return nullptr;
    }
    HRSRC found = FindResourceA(module, name, reinterpret_cast<LPCSTR>(RT_BITMAP));
    if (!found) {
        ISSetLastError(13, kName);
        return nullptr;
    }
    HGLOBAL loaded = LoadResource(module, found);
    const BYTE* data = loaded ? static_cast<const BYTE*>(LockResource(loaded)) : nullptr;
    const BYTE* pixels = data ? ResourcePixels(data, SizeofResource(module, found)) : nullptr;
    if (!pixels) {
        if (loaded)
            FreeResource(loaded);
        ISSetLastError(5, kName);
        return nullptr;
    }
    const auto* dib = reinterpret_cast<const BITMAPINFOHEADER*>(data);

    HBITMAP bitmap = nullptr;
    {
        CISScreenDC screen;
        CISGdi gdi;
        uint32_t entries = 0;
        CISGdiObject<HPALETTE> own(dib->biSize == 40 ? gdi.ISCreateDIBPalette(dib, &entries) : nullptr);
        CISSelectedPalette selected(screen.Get(), palette ? palette : own.Get());
        if (screen.Get())
            bitmap = CreateDIBitmap(screen.Get(), dib, CBM_INIT, pixels, reinterpret_cast<const BITMAPINFO*>(dib),
                                    DIB_RGB_COLORS);
    }
    FreeResource(loaded);
    if (!bitmap)
        ISSetLastError(35, kName);
    return bitmap;
}
