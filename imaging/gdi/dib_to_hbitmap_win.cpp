// A packed DIB to a GDI bitmap (device-dependent or DIB section), and the
// logical palettes built from colour tables.
#include <cstring>
#include <vector>

#include "../core/frame.h"
#include "../dib/dib.h"
#include "gdi.h"

HPALETTE ISCreateLogicalPalette(const PALETTEENTRY* colours, uint32_t count)
{
    if (!colours || count == 0 || count > 256)
        return nullptr;
    // LOGPALETTE declares one entry; the rest follow it.
    std::vector<BYTE> block(sizeof(LOGPALETTE) + (count - 1) * sizeof(PALETTEENTRY));
    auto* logical = reinterpret_cast<LOGPALETTE*>(block.data());
    logical->palVersion = 0x300;
    logical->palNumEntries = static_cast<WORD>(count);
    std::memcpy(logical->palPalEntry, colours, count * sizeof(PALETTEENTRY));
    return CreatePalette(logical);
}

HPALETTE CISGdi::ISCreateDIBPalette(const BITMAPINFOHEADER* dib, uint32_t* entries)
{
    if (entries)
        *entries = 0;
    if (!dib || dib->biSize != 40 || dib->biBitCount == 0 || dib->biBitCount > 8 || dib->biClrUsed > 256)
        return nullptr;
    const uint32_t count = dib->biClrUsed ? dib->biClrUsed : (1u << dib->biBitCount);
    const auto* table = reinterpret_cast<const RGBQUAD*>(reinterpret_cast<const BYTE*>(dib) + 40);
    PALETTEENTRY colours[256];
    for (uint32_t i = 0; i < count; ++i)
        colours[i] = PALETTEENTRY{table[i].rgbRed, table[i].rgbGreen, table[i].rgbBlue, 0};
    if (entries)
        *entries = count;
    return ISCreateLogicalPalette(colours, count);
}

namespace {

bool KnownBitCount(uint32_t bits)
{
    return bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
}

// The caller's DC, or a memory DC (1-bit DIBs) or the screen DC of our own.
class DibTargetDC {
public:
    DibTargetDC(HDC given, bool monochrome) : m_dc(given)
    {
        if (given)
            return;
        m_memory = monochrome;
        m_dc = monochrome ? CreateCompatibleDC(nullptr) : GetDC(nullptr);
        m_owned = m_dc != nullptr;
    }
    ~DibTargetDC()
    {
        if (!m_owned)
            return;
        if (m_memory)
            DeleteDC(m_dc);
        else
            ReleaseDC(nullptr, m_dc);
    }
    DibTargetDC(const DibTargetDC&) = delete;
    DibTargetDC& operator=(const DibTargetDC&) = delete;
    HDC Get() const { return m_dc; }

private:
    HDC m_dc;
    bool m_memory = false;
    bool m_owned = false;
};

}  // namespace

HBITMAP CISGdi::ISDIBToHBITMAP(const BITMAPINFOHEADER* dib, HPALETTE palette, HDC dc)
{
    if (!dib)
        return Fail(5, static_cast<HBITMAP>(nullptr));
    BITMAPINFOHEADER h;
    std::memcpy(&h, dib, sizeof h);
    if (h.biSize != 40 || h.biClrUsed > 256 || !KnownBitCount(h.biBitCount) || h.biWidth <= 0 || h.biHeight == 0)
        return Fail(5, static_cast<HBITMAP>(nullptr));
    const ISThreadState* state = ISGetThreadState();
    const bool section = state && state->hbitmapCreateMethod;

    DibTargetDC target(dc, h.biBitCount == 1);
    if (!target.Get())
        return Fail(26, static_cast<HBITMAP>(nullptr));
    const int caps = g_isRasterCaps(target.Get());
    if (!section && !(caps & RC_DI_BITMAP))
        return Fail(26, static_cast<HBITMAP>(nullptr));

    const uint32_t bits = h.biBitCount;
    const uint32_t entries = h.biClrUsed ? h.biClrUsed : (bits <= 8 ? 1u << bits : 0);
    const BYTE* base = reinterpret_cast<const BYTE*>(dib);
    const BYTE* pixels = bits <= 8 ? base + 40 + 4 * entries
                                   : base + 40 + 4 * (h.biClrUsed + (h.biCompression == BI_BITFIELDS ? 3 : 0));

    // Palette devices need the DIB's colours realised before the bitmap is made.
    CISGdiObject<HPALETTE> own;
    if (!palette && bits <= 8 && (caps & RC_PALETTE)) {
        uint32_t count = 0;
        own.Reset(ISCreateDIBPalette(dib, &count));
        if (!own.Get())
            return Fail(1, static_cast<HBITMAP>(nullptr));
        palette = own.Get();
    }
    CISSelectedPalette selected(target.Get(), palette);

    const auto* info = reinterpret_cast<const BITMAPINFO*>(dib);
    if (section) {
        GdiFlush();
        void* sectionBits = nullptr;
        CISGdiObject<HBITMAP> bitmap(CreateDIBSection(target.Get(), info, DIB_RGB_COLORS, &sectionBits, nullptr, 0));
        if (!bitmap.Get())
            return Fail(35, static_cast<HBITMAP>(nullptr));
        if (!sectionBits)
            return Fail(40, static_cast<HBITMAP>(nullptr));
        // The section holds exactly the rows the header implies; never copy more.
        const int64_t height = h.biHeight < 0 ? -int64_t(h.biHeight) : h.biHeight;
        const uint64_t rows = ISDIBRowBytes(uint32_t(h.biWidth), bits) * uint64_t(height);
        const uint64_t bytes = h.biSizeImage && h.biSizeImage < rows ? h.biSizeImage : rows;
        std::memcpy(sectionBits, pixels, static_cast<size_t>(bytes));
        return bitmap.Release();
    }
    HBITMAP bitmap = CreateDIBitmap(target.Get(), dib, CBM_INIT, pixels, info, DIB_RGB_COLORS);
    if (!bitmap)
        return Fail(35, static_cast<HBITMAP>(nullptr));
    return bitmap;
}
