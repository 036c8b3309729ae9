// CISTIFFReader: one page of a TIFF file through libtiff, at the asked
// depth or as a packed DIB, turned upright by its Orientation tag.
#include <climits>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "../../convert/convert.h"
#include "../../core/buffers.h"
#include "../../core/frame.h"
#include "../../overlay/overlay.h"
#include "../swap_rb.h"
#include "tiff_reader.h"

namespace {

constexpr uint32_t kDibHeader = sizeof(BITMAPINFOHEADER);

struct FreeDeleter {
    void operator()(void* p) const { std::free(p); }
};
typedef std::unique_ptr<BYTE, FreeDeleter> Block;

// A zeroed block of `bytes`, or a thrown 1 above the limit or without memory.
Block NewBlock(uint64_t bytes)
{
    if (bytes > ISMaxAlloc() || bytes == 0)
        throw 1;
    BYTE* p = static_cast<BYTE*>(std::calloc(1, static_cast<size_t>(bytes)));
    if (!p)
        throw 1;
    return Block(p);
}

int Progress(int row, int rows, void*) { return ISCallProgress(row, rows) ? 1 : 0; }

uint64_t RoundUp4(uint64_t n) { return (n + 3) / 4 * 4; }

}  // namespace

bool CISTIFFReader::OpenPage(CISIO* source, int32_t page)
{
    if (!source || !source->IsValid() || page < 0) {
        m_status = 5;
        return false;
    }
    if (!source->Rewind()) {
        m_status = 3;
        return false;
    }
    m_tif = ISTiffOpen(source, "r");
    if (!m_tif) {
        m_status = 20;
        return false;
    }
    ISTiffClientOf(m_tif)->keepUnassociatedAlpha = 0;
    if (!TIFFSetDirectory(m_tif, static_cast<tdir_t>(page))) {
        ClosePage();
        m_status = 5;
        return false;
    }
    return true;
}

void CISTIFFReader::ClosePage()
{
    if (m_tif)
        ISTiffClose(m_tif);
    m_tif = nullptr;
}

BOOL CISTIFFReader::GetDims(CISIO* source, int32_t page, uint32_t* width, uint32_t* height, uint32_t* bits,
                            ISResolution* resolution)
{
    *width = *height = *bits = 0;
    *resolution = ISResolution{0.0, 0.0, 0};
    if (!OpenPage(source, page))
        return FALSE;
    uint32_t w = 0, h = 0;
    TIFFGetField(m_tif, TIFFTAG_IMAGEWIDTH, &w);
    TIFFGetField(m_tif, TIFFTAG_IMAGELENGTH, &h);
    uint16_t unit = 0, spp = 1, bps = 1;
    float x = 0.0f, y = 0.0f;
    TIFFGetField(m_tif, TIFFTAG_RESOLUTIONUNIT, &unit);
    TIFFGetField(m_tif, TIFFTAG_XRESOLUTION, &x);
    TIFFGetField(m_tif, TIFFTAG_YRESOLUTION, &y);
    TIFFGetFieldDefaulted(m_tif, TIFFTAG_SAMPLESPERPIXEL, &spp);
    TIFFGetFieldDefaulted(m_tif, TIFFTAG_BITSPERSAMPLE, &bps);
    *width = w;
    *height = h;
    *bits = static_cast<uint32_t>(spp) * bps;
    // Truncated as stored; out-of-range values give 0.
    resolution->x = (x > -2e9f && x < 2e9f) ? static_cast<double>(static_cast<int32_t>(x)) : 0.0;
    resolution->y = (y > -2e9f && y < 2e9f) ? static_cast<double>(static_cast<int32_t>(y)) : 0.0;
    resolution->unit = unit;
    m_status = 0;
    ClosePage();
    return TRUE;
}

void CISTIFFReader::Read(CISReadCall& call, uint32_t* width, uint32_t* height, int32_t page, RGBQUAD* palette)
{
    *width = *height = 0;
    m_flags = call.Flags();
    if (!OpenPage(call.Source(), page))
        return;
    Dispatch(call, width, height, palette);
    ClosePage();
}

bool CISTIFFReader::CheckBilevel()
{
    uint16_t bps = 1, spp = 1, planar = PLANARCONFIG_CONTIG, photometric = 0, extraCount = 0;
    uint16_t* extra = nullptr;
    TIFFGetFieldDefaulted(m_tif, TIFFTAG_BITSPERSAMPLE, &bps);
    TIFFGetFieldDefaulted(m_tif, TIFFTAG_SAMPLESPERPIXEL, &spp);
    TIFFGetFieldDefaulted(m_tif, TIFFTAG_PLANARCONFIG, &planar);
    TIFFGetFieldDefaulted(m_tif, TIFFTAG_EXTRASAMPLES, &extraCount, &extra);
    if (bps != 1)
        return false;
    const int colour = static_cast<int>(spp) - extraCount;
    if (planar == PLANARCONFIG_SEPARATE && colour > 1)
        return false;
    return TIFFGetField(m_tif, TIFFTAG_PHOTOMETRIC, &photometric) || colour == 1;
}

void CISTIFFReader::Dispatch(CISReadCall& call, uint32_t* width, uint32_t* height, RGBQUAD* palette)
{
    uint32_t depth = call.Depth();
    if (call.Dib()) {
        uint16_t bps = 1, spp = 1, photometric = 0;
        TIFFGetFieldDefaulted(m_tif, TIFFTAG_BITSPERSAMPLE, &bps);
        TIFFGetFieldDefaulted(m_tif, TIFFTAG_SAMPLESPERPIXEL, &spp);
        TIFFGetFieldDefaulted(m_tif, TIFFTAG_PHOTOMETRIC, &photometric);
        if (CheckBilevel())
            depth = 1;
        else if (bps <= 8 && spp == 1)
            depth = 8;
        else if (bps > 16 || spp != 1)
            depth = spp == 3 ? 24 : 32;
        else
            depth = (photometric == PHOTOMETRIC_MINISWHITE || photometric == PHOTOMETRIC_MINISBLACK) ? 8 : 32;
    }
    ISThreadState* state = ISGetThreadState();
    ISTiffClientOf(m_tif)->defaultAlphaKind = state ? state->tiff.defaultAlphaKind : -1;
    switch (depth) {
    case 1: Read1Bit(call, width, height, palette); break;
    case 8: Read8Bit(call, width, height, palette); break;
    case 16:
    case 48:
    case 64: Read16Bit(call, depth, width, height); break;
    case 32:
        ISTiffClientOf(m_tif)->keepUnassociatedAlpha = (m_flags & kTiffKeepUnassociated) ? 1 : 0;
        ReadViaRGBA(call, depth, width, height);
        break;
    case 24: ReadViaRGBA(call, depth, width, height); break;
    default: m_status = 5; break;
    }
}

uint16_t CISTIFFReader::Orientation(uint32_t flags) const
{
    uint16_t orientation = ORIENTATION_TOPLEFT;
    if (!(m_flags & flags))
        TIFFGetFieldDefaulted(m_tif, TIFFTAG_ORIENTATION, &orientation);
    return orientation;
}

void CISTIFFReader::DibResolution(BITMAPINFOHEADER* header)
{
    uint16_t unit = RESUNIT_INCH;
    float x = 0.0f, y = 0.0f;
    TIFFGetFieldDefaulted(m_tif, TIFFTAG_RESOLUTIONUNIT, &unit);
    TIFFGetField(m_tif, TIFFTAG_XRESOLUTION, &x);
    TIFFGetField(m_tif, TIFFTAG_YRESOLUTION, &y);
    ISResolution r{x, y, unit};
    header->biXPelsPerMeter = 0;
    header->biYPelsPerMeter = 0;
    if (ISConvertResolution(&r, kISResTiffUnit, kISResPerMetre) && r.x >= 0 && r.x < 2e9 && r.y >= 0 && r.y < 2e9) {
        header->biXPelsPerMeter = static_cast<LONG>(r.x);
        header->biYPelsPerMeter = static_cast<LONG>(r.y);
    }
}

template <typename Put>
bool CISTIFFReader::ReadBlocks(uint32_t width, uint32_t height, Put&& put)
{
    if (TIFFIsTiled(m_tif)) {
        uint32_t tw = 0, th = 0;
        TIFFGetField(m_tif, TIFFTAG_TILEWIDTH, &tw);
        TIFFGetField(m_tif, TIFFTAG_TILELENGTH, &th);
        const uint64_t tileBytes = TIFFTileSize64(m_tif);
        const uint64_t rowBytes = TIFFTileRowSize64(m_tif);
        if (tw == 0 || th == 0 || tileBytes == 0 || rowBytes == 0 || rowBytes * th > tileBytes) {
            m_status = 20;
            return false;
        }
        if (tileBytes > ISMaxAlloc()) {
            TIFFError(TIFFFileName(m_tif), "No space for tile buffer");
            m_status = 1;
            return false;
        }
        Block tile = NewBlock(tileBytes);
        for (uint32_t ty = 0; ty < height; ty += th) {
            const uint32_t rows = height - ty < th ? height - ty : th;
            for (uint32_t tx = 0; tx < width; tx += tw) {
                if (TIFFReadTile(m_tif, tile.get(), tx, ty, 0, 0) < static_cast<tmsize_t>(tileBytes)) {
                    m_status = 20;
                    continue;
                }
                const uint32_t cols = width - tx < tw ? width - tx : tw;
                for (uint32_t r = 0; r < rows; ++r)
                    put(tile.get() + r * rowBytes, tx, cols, ty + r);
            }
            if (ISCallProgress(static_cast<int32_t>(ty), static_cast<int32_t>(height))) {
                m_status = 14;
                return false;
            }
        }
        return true;
    }
    uint32_t rps = 0;
    TIFFGetFieldDefaulted(m_tif, TIFFTAG_ROWSPERSTRIP, &rps);
    if (rps == 0 || rps > height)
        rps = height;
    const uint64_t scan = TIFFScanlineSize64(m_tif);
    const uint64_t stripBytes = TIFFStripSize64(m_tif);
    if (scan == 0 || stripBytes < scan * rps) {
        m_status = 20;
        return false;
    }
    if (stripBytes > ISMaxAlloc()) {
        TIFFError(TIFFFileName(m_tif), "No space for strip buffer");
        m_status = 1;
        return false;
    }
    Block strip = NewBlock(stripBytes);
    for (uint32_t row = 0; row < height; row += rps) {
        const uint32_t rows = height - row < rps ? height - row : rps;
        const tmsize_t want = static_cast<tmsize_t>(scan * rows);
        const tmsize_t got = TIFFReadEncodedStrip(m_tif, TIFFComputeStrip(m_tif, row, 0), strip.get(), want);
        if (got < want) {
            m_status = 20;
        } else {
            for (uint32_t r = 0; r < rows; ++r)
                put(strip.get() + r * scan, 0, width, row + r);
        }
        if (ISCallProgress(static_cast<int32_t>(row), static_cast<int32_t>(height))) {
            m_status = 14;
            return false;
        }
    }
    return true;
}

namespace {

// One row of ABGR words (R in the low byte) as R, G, B(, A) bytes, or B, G,
// R(, A) with `swap`, from the right end with `mirror`.
template <int Bytes, bool Swap>
void PackRow(const uint32_t* src, uint32_t width, bool mirror, BYTE* out)
{
    constexpr int kRed = Swap ? 2 : 0;
    constexpr int kBlue = Swap ? 0 : 2;
    const BYTE* s = reinterpret_cast<const BYTE*>(src);
    const ptrdiff_t step = mirror ? -4 : 4;
    if (mirror)
        s += static_cast<size_t>(width - 1) * 4;
    for (uint32_t x = 0; x < width; ++x, s += step, out += Bytes) {
        out[0] = s[kRed];
        out[1] = s[1];
        out[2] = s[kBlue];
        if (Bytes == 4)
            out[3] = s[3];
    }
}

void PackRow(const uint32_t* src, uint32_t width, uint32_t bytes, bool swap, bool mirror, BYTE* out)
{
    if (bytes == 4 && !swap && !mirror)
        std::memcpy(out, src, static_cast<size_t>(width) * 4);
    else if (bytes == 4)
        swap ? PackRow<4, true>(src, width, mirror, out) : PackRow<4, false>(src, width, mirror, out);
    else
        swap ? PackRow<3, true>(src, width, mirror, out) : PackRow<3, false>(src, width, mirror, out);
}

// Bands of the RGBA read packed into their rows of the result as they come:
// no whole-picture raster for pictures that need no rotation.
class CISTiffPlacedBands final : public CISTiffBands {
public:
    CISTiffPlacedBands(uint32_t* band, uint32_t width, uint32_t height, BYTE* rows, uint64_t stride, uint32_t bytes,
                       bool storedOrder, bool swap, bool mirror)
        : m_band(band), m_width(width), m_height(height), m_rows(rows), m_stride(stride), m_bytes(bytes),
          m_storedOrder(storedOrder), m_swap(swap), m_mirror(mirror)
    {
    }
    uint32_t* Band(uint32_t, uint32_t) override { return m_band; }
    void Filled(uint32_t row, uint32_t rows) override
    {
        for (uint32_t k = 0; k < rows; ++k) {
            const uint64_t at = m_storedOrder ? row + k : m_height - 1 - row - k;
            PackRow(m_band + static_cast<size_t>(k) * m_width, m_width, m_bytes, m_swap, m_mirror,
                    m_rows + at * m_stride);
        }
    }

private:
    uint32_t* m_band;
    uint32_t m_width, m_height;
    BYTE* m_rows;
    uint64_t m_stride;
    uint32_t m_bytes;
    bool m_storedOrder, m_swap, m_mirror;
};

}  // namespace

void CISTIFFReader::ReadViaRGBA(CISReadCall& call, uint32_t depth, uint32_t* width, uint32_t* height)
{
    uint32_t w = 0, h = 0;
    TIFFGetField(m_tif, TIFFTAG_IMAGEWIDTH, &w);
    TIFFGetField(m_tif, TIFFTAG_IMAGELENGTH, &h);
    char message[1024];
    if (w == 0 || h == 0 || !TIFFRGBAImageOK(m_tif, message)) {
        m_status = 20;
        return;
    }
    const uint16_t orientation = Orientation(kTiffIgnoreOrientation);
    const bool dib = call.Dib();
    const bool rotates = ISTiffOrientationRotates(orientation);
    const uint64_t rasterBytes = static_cast<uint64_t>(w) * h * 4;
    if (rasterBytes > ISMaxAlloc())
        throw 1;
    const uint32_t ow = rotates ? h : w, oh = rotates ? w : h;
    const uint32_t bytes = depth / 8;
    uint64_t rowBytes = static_cast<uint64_t>(ow) * bytes;
    if (depth == 24 && (dib || (m_flags & kTiffPadRows)))
        rowBytes = RoundUp4(rowBytes);
    const uint32_t header = dib ? kDibHeader : 0;
    const uint64_t outBytes = header + rowBytes * oh;
    if (outBytes > ISMaxAlloc())
        throw 1;
    const bool swap = dib || (m_flags & kTiffSwapRB);
    ISTiffClient* client = ISTiffClientOf(m_tif);
    client->progress = Progress;
    client->cancelCode = 0;
    int ok = 0;
    if (!rotates) {
        // Rows go straight to their place in the result.
        bool storedOrder = false, mirror = false;
        ISTiffPlainSteps(orientation, dib, &storedOrder, &mirror);
        BYTE* rows = call.Allocate(outBytes) + header;
        if (bytes == 4 && !swap && !mirror) {
            ok = ISTiffReadRGBA(m_tif, w, h, storedOrder, reinterpret_cast<uint32_t*>(rows), 1);
        } else {
            Block band = NewBlock(static_cast<uint64_t>(ISTiffBandRows(m_tif, h)) * w * 4);
            CISTiffPlacedBands placed(reinterpret_cast<uint32_t*>(band.get()), w, h, rows, rowBytes, bytes,
                                      storedOrder, swap, mirror);
            ok = ISTiffReadRGBA(m_tif, w, h, true, &placed, 1);
        }
    } else {
        // The stored rows bottom-up, turned through a second raster.
        Block raster = NewBlock(rasterBytes);
        ok = ISTiffReadRGBA(m_tif, w, h, false, reinterpret_cast<uint32_t*>(raster.get()), 1);
        if (ok) {
            Block turned = NewBlock(rasterBytes);
            if (!ISTiffOrient(raster.get(), w, h, static_cast<size_t>(w) * 4, 8, 4, orientation, dib, turned.get(),
                              static_cast<size_t>(ow) * 4, &m_status)) {
                client->progress = nullptr;
                call.Discard();
                return;
            }
            raster.reset();
            BYTE* rows = call.Allocate(outBytes) + header;
            for (uint32_t y = 0; y < oh; ++y)
                PackRow(reinterpret_cast<const uint32_t*>(turned.get()) + static_cast<size_t>(y) * ow, ow, bytes,
                        swap, false, rows + y * rowBytes);
        }
    }
    client->progress = nullptr;
    if (!ok) {
        m_status = client->cancelCode != 0 ? client->cancelCode : 20;
        call.Discard();
        return;
    }
    if (dib) {
        BITMAPINFOHEADER* bi = reinterpret_cast<BITMAPINFOHEADER*>(call.Data());
        std::memset(bi, 0, sizeof *bi);
        bi->biSize = kDibHeader;
        bi->biWidth = static_cast<LONG>(ow);
        bi->biHeight = static_cast<LONG>(oh);
        bi->biPlanes = 1;
        bi->biBitCount = static_cast<WORD>(depth);
        bi->biCompression = BI_RGB;
        bi->biSizeImage = static_cast<DWORD>(rowBytes * oh);
        DibResolution(bi);
    }
    *width = ow;
    *height = oh;
}

void CISTIFFReader::Read1Bit(CISReadCall& call, uint32_t* width, uint32_t* height, RGBQUAD* palette)
{
    const bool dib = call.Dib();
    if ((!dib && !palette) || (dib && (m_flags & kTiffPadRows))) {
        m_status = 5;
        return;
    }
    uint16_t bps = 1, spp = 1, extraCount = 0, photometric = 0, compression = 1, planar = 1;
    uint16_t* extra = nullptr;
    TIFFGetFieldDefaulted(m_tif, TIFFTAG_BITSPERSAMPLE, &bps);
    TIFFGetFieldDefaulted(m_tif, TIFFTAG_SAMPLESPERPIXEL, &spp);
    TIFFGetFieldDefaulted(m_tif, TIFFTAG_EXTRASAMPLES, &extraCount, &extra);
    TIFFGetFieldDefaulted(m_tif, TIFFTAG_COMPRESSION, &compression);
    TIFFGetFieldDefaulted(m_tif, TIFFTAG_PLANARCONFIG, &planar);
    // One sample of one bit a pixel: anything else would give garbage rows.
    if (bps != 1 || spp != 1) {
        m_status = 28;
        return;
    }
    if (!TIFFGetField(m_tif, TIFFTAG_PHOTOMETRIC, &photometric)) {
        const bool ccitt = compression == COMPRESSION_CCITTRLE || compression == COMPRESSION_CCITTFAX3 ||
                           compression == COMPRESSION_CCITTFAX4 || compression == COMPRESSION_CCITTRLEW;
        photometric = ccitt ? PHOTOMETRIC_MINISWHITE : PHOTOMETRIC_MINISBLACK;
    }
    const uint16_t orientation = Orientation(kTiffIgnoreOrientation);
    uint32_t w = 0, h = 0;
    TIFFGetField(m_tif, TIFFTAG_IMAGEWIDTH, &w);
    TIFFGetField(m_tif, TIFFTAG_IMAGELENGTH, &h);
    if (w == 0 || h == 0) {
        m_status = 20;
        return;
    }
    // Eight pixels a byte let a row of 2^31 pixels under the limit; no DIB or
    // overlay takes such widths.
    if (w > INT32_MAX || h > INT32_MAX)
        throw 1;
    const bool rotates = ISTiffOrientationRotates(orientation);
    auto rowBytesFor = [&](uint32_t pixels) {
        uint64_t n = dib ? (static_cast<uint64_t>(pixels) + 31) / 32 * 4 : (static_cast<uint64_t>(pixels) + 7) / 8;
        return (m_flags & kTiffPadRows) ? RoundUp4(n) : n;
    };
    const uint64_t rowBytes = rowBytesFor(w);
    const uint32_t ow = rotates ? h : w, oh = rotates ? w : h;
    const uint64_t outRowBytes = rowBytesFor(ow);
    const uint32_t header = dib ? kDibHeader + 2 * sizeof(RGBQUAD) : 0;
    if (rowBytes * h > ISMaxAlloc() || header + outRowBytes * oh > ISMaxAlloc())
        throw 1;
    Block raster;
    BYTE* out = call.Allocate(header + outRowBytes * oh);
    BYTE* pixels = out + header;
    if (rotates) {
        raster = NewBlock(rowBytes * h);
        pixels = raster.get();
    }
    const bool invert = photometric == PHOTOMETRIC_MINISBLACK;
    const bool topDown = (m_flags & kTiffOtherRowOrder) != 0;
    std::vector<BYTE> line;
    ReadBlocks(w, h, [&](const BYTE* src, uint32_t x0, uint32_t count, uint32_t y) {
        BYTE* d = pixels + (topDown ? y : h - 1 - y) * rowBytes;
        const uint32_t bytes = (count + 7) / 8;
        if (x0 % 8 == 0) {
            d += x0 / 8;
            for (uint32_t i = 0; i < bytes; ++i)
                d[i] = invert ? static_cast<BYTE>(~src[i]) : src[i];
            if (count % 8)
                d[bytes - 1] &= static_cast<BYTE>(0xFF << (8 - count % 8));
            return;
        }
        // Tiles of a width that is no multiple of 8 start inside a byte.
        line.assign(src, src + bytes);
        if (invert)
            for (BYTE& b : line)
                b = static_cast<BYTE>(~b);
        CISImgOverlayT overlay;
        overlay.Overlay1Bit(d, static_cast<int32_t>(w), 1, static_cast<int32_t>(rowBytes), line.data(),
                            static_cast<int32_t>(count), 1, static_cast<int32_t>(bytes), static_cast<int32_t>(x0), 0,
                            0);
    });
    if (m_status != 0 && m_status != 20) {
        call.Discard();
        return;
    }
    const int32_t kept = m_status;
    if (!ISTiffOrient(pixels, w, h, rowBytes, 1, 1, orientation, dib, out + header, outRowBytes, &m_status)) {
        call.Discard();
        return;
    }
    m_status = kept;
    RGBQUAD* entries = dib ? reinterpret_cast<RGBQUAD*>(out + kDibHeader) : palette;
    entries[0] = RGBQUAD{255, 255, 255, 0};
    entries[1] = RGBQUAD{0, 0, 0, 0};
    if (dib) {
        BITMAPINFOHEADER* bi = reinterpret_cast<BITMAPINFOHEADER*>(out);
        bi->biSize = kDibHeader;
        bi->biWidth = static_cast<LONG>(ow);
        bi->biHeight = static_cast<LONG>(oh);
        bi->biPlanes = 1;
        bi->biBitCount = 1;
        bi->biCompression = BI_RGB;
        bi->biSizeImage = static_cast<DWORD>(outRowBytes * oh);
        DibResolution(bi);
        bi->biClrUsed = 2;
        bi->biClrImportant = 0;
    }
    *width = ow;
    *height = oh;
}

bool CISTIFFReader::BuildPalette(uint16_t photometric, uint16_t bits, RGBQUAD* entries)
{
    std::memset(entries, 0, 256 * sizeof(RGBQUAD));
    if (photometric == PHOTOMETRIC_PALETTE) {
        uint16_t *red = nullptr, *green = nullptr, *blue = nullptr;
        if (!TIFFGetField(m_tif, TIFFTAG_COLORMAP, &red, &green, &blue)) {
            m_status = 20;
            return true;
        }
        const uint32_t count = 1u << bits;
        bool wide = false;
        for (uint32_t i = 0; i < count; ++i)
            wide = wide || red[i] > 255 || green[i] > 255 || blue[i] > 255;
        for (uint32_t i = 0; i < count; ++i) {
            auto scale = [&](uint16_t v) {
                return static_cast<BYTE>(wide ? static_cast<uint32_t>(v) * 255 / 65535 : (v & 0xFF));
            };
            entries[i] = RGBQUAD{scale(blue[i]), scale(green[i]), scale(red[i]), 0};
        }
        return true;
    }
    const bool blackIsZero = photometric == PHOTOMETRIC_MINISBLACK;
    if (bits >= 8) {
        for (uint32_t i = 0; i < 256; ++i) {
            const BYTE v = static_cast<BYTE>(blackIsZero ? i : 255 - i);
            entries[i] = RGBQUAD{v, v, v, 0};
        }
        return true;
    }
    // 1 to 7 bits: the levels spread over 0..255; later entries copy entry 0.
    const uint32_t levels = 1u << bits;
    for (uint32_t i = 0; i < 256; ++i) {
        const uint32_t index = i < levels ? i : 0;
        const uint32_t grey = index * 255 / (levels - 1);
        const BYTE v = static_cast<BYTE>(blackIsZero ? grey : 255 - grey);
        entries[i] = RGBQUAD{v, v, v, 0};
    }
    return true;
}

void CISTIFFReader::Read8Bit(CISReadCall& call, uint32_t* width, uint32_t* height, RGBQUAD* palette)
{
    const bool dib = call.Dib();
    if ((!dib && !palette) || (dib && (m_flags & kTiffPadRows))) {
        m_status = 5;
        return;
    }
    uint16_t bps = 1, spp = 1, photometric = PHOTOMETRIC_MINISWHITE;
    TIFFGetFieldDefaulted(m_tif, TIFFTAG_BITSPERSAMPLE, &bps);
    TIFFGetFieldDefaulted(m_tif, TIFFTAG_SAMPLESPERPIXEL, &spp);
    TIFFGetField(m_tif, TIFFTAG_PHOTOMETRIC, &photometric);
    const bool grey = photometric == PHOTOMETRIC_MINISWHITE || photometric == PHOTOMETRIC_MINISBLACK;
    const bool wideGrey = bps == 16 && grey;
    if (spp != 1 || !((bps >= 1 && bps <= 8) || wideGrey) || photometric == PHOTOMETRIC_RGB ||
        photometric == PHOTOMETRIC_SEPARATED || photometric == PHOTOMETRIC_YCBCR ||
        photometric == PHOTOMETRIC_LOGLUV || (!grey && photometric != PHOTOMETRIC_PALETTE)) {
        m_status = 28;
        return;
    }
    const uint16_t orientation = Orientation(kTiffIgnoreOrientation);
    uint32_t w = 0, h = 0;
    TIFFGetField(m_tif, TIFFTAG_IMAGEWIDTH, &w);
    TIFFGetField(m_tif, TIFFTAG_IMAGELENGTH, &h);
    if (w == 0 || h == 0) {
        m_status = 20;
        return;
    }
    RGBQUAD entries[256];
    BuildPalette(photometric, wideGrey ? 8 : bps, entries);
    const bool rotates = ISTiffOrientationRotates(orientation);
    auto rowBytesFor = [&](uint32_t pixels) {
        uint64_t n = dib ? RoundUp4(pixels) : pixels;
        return (m_flags & kTiffPadRows) ? RoundUp4(n) : n;
    };
    const uint64_t rowBytes = rowBytesFor(w);
    const uint32_t ow = rotates ? h : w, oh = rotates ? w : h;
    const uint64_t outRowBytes = rowBytesFor(ow);
    const uint32_t header = dib ? kDibHeader + 256 * sizeof(RGBQUAD) : 0;
    if (rowBytes * h > ISMaxAlloc() || header + outRowBytes * oh > ISMaxAlloc())
        throw 1;
    Block raster;
    BYTE* out = call.Allocate(header + outRowBytes * oh);
    BYTE* pixels = out + header;
    if (rotates) {
        raster = NewBlock(rowBytes * h);
        pixels = raster.get();
    }
    ReadBlocks(w, h, [&](const BYTE* src, uint32_t x0, uint32_t count, uint32_t y) {
        BYTE* d = pixels + (h - 1 - y) * rowBytes + x0;
        if (wideGrey) {
            const uint16_t* s = reinterpret_cast<const uint16_t*>(src);
            for (uint32_t i = 0; i < count; ++i) {
                uint16_t v;
                std::memcpy(&v, s + i, 2);
                d[i] = static_cast<BYTE>(static_cast<uint32_t>(v) * 255 / 65535);
            }
        } else if (bps == 8) {
            std::memcpy(d, src, count);
        } else {
            const uint32_t mask = (1u << bps) - 1;
            for (uint32_t i = 0; i < count; ++i) {
                const uint64_t bit = static_cast<uint64_t>(i) * bps;
                const uint32_t pair = static_cast<uint32_t>(src[bit / 8]) << 8 |
                                      ((bit % 8 + bps > 8) ? src[bit / 8 + 1] : 0);
                d[i] = static_cast<BYTE>((pair >> (16 - bit % 8 - bps)) & mask);
            }
        }
    });
    if (m_status != 0 && m_status != 20) {
        call.Discard();
        return;
    }
    const int32_t kept = m_status;
    if (!ISTiffOrient(pixels, w, h, rowBytes, 8, 1, orientation, dib, out + header, outRowBytes, &m_status)) {
        call.Discard();
        return;
    }
    m_status = kept;
    if (dib) {
        BITMAPINFOHEADER* bi = reinterpret_cast<BITMAPINFOHEADER*>(out);
        bi->biSize = kDibHeader;
        bi->biWidth = static_cast<LONG>(ow);
        bi->biHeight = static_cast<LONG>(oh);
        bi->biPlanes = 1;
        bi->biBitCount = 8;
        bi->biCompression = BI_RGB;
        bi->biSizeImage = static_cast<DWORD>(outRowBytes * oh);
        DibResolution(bi);
        bi->biClrUsed = 256;
        bi->biClrImportant = 0;
        std::memcpy(out + kDibHeader, entries, sizeof entries);
    } else {
        std::memcpy(palette, entries, sizeof entries);
    }
    *width = ow;
    *height = oh;
}

void CISTIFFReader::Read16Bit(CISReadCall& call, uint32_t depth, uint32_t* width, uint32_t* height)
{
    uint16_t bps = 1, spp = 1, planar = PLANARCONFIG_CONTIG;
    TIFFGetFieldDefaulted(m_tif, TIFFTAG_BITSPERSAMPLE, &bps);
    TIFFGetFieldDefaulted(m_tif, TIFFTAG_SAMPLESPERPIXEL, &spp);
    TIFFGetFieldDefaulted(m_tif, TIFFTAG_PLANARCONFIG, &planar);
    if (bps != 16 || (spp != 1 && spp != 3 && spp != 4) || depth != 16u * spp ||
        (spp > 1 && planar == PLANARCONFIG_SEPARATE)) {
        m_status = 28;
        return;
    }
    const uint16_t orientation = Orientation(kTiffIgnoreOrientation | kTiff16BottomUp | kTiffPadRows);
    uint32_t w = 0, h = 0;
    TIFFGetField(m_tif, TIFFTAG_IMAGEWIDTH, &w);
    TIFFGetField(m_tif, TIFFTAG_IMAGELENGTH, &h);
    if (w == 0 || h == 0) {
        m_status = 20;
        return;
    }
    const bool rotates = ISTiffOrientationRotates(orientation);
    auto rowBytesFor = [&](uint32_t pixels) {
        const uint64_t bits = static_cast<uint64_t>(spp) * pixels * 16;
        return (m_flags & kTiffPadRows) ? (bits + 31) / 32 * 4 : bits / 8;
    };
    const uint64_t rowBytes = rowBytesFor(w);
    const uint32_t ow = rotates ? h : w, oh = rotates ? w : h;
    const uint64_t outRowBytes = rowBytesFor(ow);
    if (rowBytes * h > ISMaxAlloc() || outRowBytes * oh > ISMaxAlloc())
        throw 1;
    Block raster;
    BYTE* out = call.Allocate(outRowBytes * oh);
    BYTE* pixels = out;
    if (rotates) {
        raster = NewBlock(rowBytes * h);
        pixels = raster.get();
    }
    const size_t pixelBytes = static_cast<size_t>(spp) * 2;
    ReadBlocks(w, h, [&](const BYTE* src, uint32_t x0, uint32_t count, uint32_t y) {
        std::memcpy(pixels + (h - 1 - y) * rowBytes + x0 * pixelBytes, src, count * pixelBytes);
    });
    if (m_status != 0 && m_status != 20) {
        call.Discard();
        return;
    }
    const int32_t kept = m_status;
    if (!ISTiffOrient(pixels, w, h, rowBytes, 16, spp, orientation, (m_flags & kTiff16BottomUp) != 0, out,
                      outRowBytes, &m_status)) {
        call.Discard();
        return;
    }
    m_status = kept;
    if ((m_flags & kTiffSwapRB) && spp == 3)
        ISSwapRBRows48(reinterpret_cast<uint16_t*>(out), ow, oh, outRowBytes / 2);
    else if ((m_flags & kTiffSwapRB) && spp == 4)
        ISSwapRBRows64(reinterpret_cast<uint16_t*>(out), ow, oh, outRowBytes / 2);
    *width = ow;
    *height = oh;
}
