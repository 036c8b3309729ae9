// The DIB read: the picture at 8 or 24 bits (32 for CMYK's four channels),
// read with the thread's allocation callbacks set aside, then packed into a
// DIB from the output allocator.
#include "../../core/callbacks_aside.h"
#include "../../dib/dib.h"
#include "psd_reader.h"

namespace {

// Frees the intermediate picture on every way out.
struct Discarding {
    CISReadCall& call;
    ~Discarding() { call.Discard(); }
};

}  // namespace

void CISPSDReader::ReadDIB(CISReadCall& call, uint32_t flags, uint32_t* width, uint32_t* height)
{
    CISIO* io = call.Source();
    int32_t start = 0;
    if (!io->Tell(&start)) {
        m_status = 3;
        return;
    }
    if (!ReadHeader(io, nullptr, nullptr, nullptr, nullptr, nullptr))
        return;
    if (!io->Seek(start, 0)) {
        m_status = 3;
        return;
    }
    const uint32_t mode = m_header.mode;
    uint32_t bits = 0;
    if (mode == kPsdBitmap || mode == kPsdGrey || mode == kPsdIndexed || mode == kPsdDuotone)
        bits = 8;
    else if (mode == kPsdRgb)
        bits = 24;
    else if (mode == kPsdCmyk)
        bits = (flags & kPsdReadCmyk) ? 32 : 24;
    else {
        m_status = 46;
        return;
    }

    // A DIB holds 8-bit samples: the 16-bit layouts do not apply.
    CISReadCall picture(io, bits == 8 ? 8 : 24, flags & kPsdReadCmyk);
    Discarding discard{picture};
    RGBQUAD palette[256];
    uint32_t w = 0, h = 0;
    {
        // The intermediate picture must come from GlobalAlloc.
        CISAllocCallbacksAside aside;
        ISRunCaught(&picture.m_status, [&] {
            if (bits == 8)
                Read8(picture, palette, &w, &h);
            else
                ReadColor(picture, 24, flags & kPsdReadCmyk, &w, &h);
            picture.m_status = m_status;
        });
    }
    m_status = picture.m_status;
    if (!picture.Data())
        return;
    // A picture cut short or cancelled still becomes a DIB, with its code.
    CISDIB dib;
    const uint64_t size = dib.ISCalcDIBSize(w, h, bits, bits == 8 ? 256 : 0);
    if (size == 0) {
        m_status = dib.m_status;
        return;
    }
    void* memory = call.Allocate(size);
    const BYTE* pixels = picture.Data();
    BITMAPINFOHEADER* made = nullptr;
    if (bits == 8)
        made = dib.ISPaletteImageToDIB(pixels, w, h, w, 256, 8, palette, memory);
    else if (bits == 24)
        made = dib.ISRGBToDIB(pixels, w, h, 0, memory, 0);
    else
        made = dib.ISRGBAToDIB(pixels, w, h, 0, memory);
    if (!made) {
        call.Discard();
        m_status = dib.m_status;
        return;
    }
    StoreSize(width, height);
}
