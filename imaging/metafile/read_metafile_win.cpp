// is5_ReadMetafile: an EMF, WMF or placeable WMF played by GDI onto a filled
// screen-compatible bitmap, returned as RGB rows or a packed DIB. The file is
// read and checked first; GDI only ever gets the checked bytes.
#include <io.h>

#include <cstring>

#include "../core/frame.h"
#include "../core/io.h"
#include "../dib/dib.h"
#include "../gdi/gdi.h"
#include "metafile_parse.h"

namespace {

// Everything one call creates, released in reverse order on every way out.
class CISMetafileReader {
public:
    int32_t m_status = 0;

    ~CISMetafileReader()
    {
        if (m_oldBitmap)
            SelectObject(m_memoryDC, m_oldBitmap);
        if (m_bitmap)
            DeleteObject(m_bitmap);
        if (m_memoryDC)
            DeleteDC(m_memoryDC);
        if (m_screenDC)
            ReleaseDC(nullptr, m_screenDC);
        if (m_metafile)
            DeleteEnhMetaFile(m_metafile);
    }

    void* Read(const char* path, uint32_t a, uint32_t b, COLORREF background, uint32_t flags, int32_t* width,
               int32_t* height);

private:
    void* Fail(int32_t code)
    {
        m_status = code;
        return nullptr;
    }
    BOOL Cancelled(int32_t step) { return ISCallProgress(step, 4); }
    int32_t LoadFile(const char* path);
    int32_t OpenMetafile();
    void* Convert(uint32_t flags, int32_t width, int32_t height);

    ISCallGuard m_depth;
    ISArray<BYTE> m_bytes;
    size_t m_fileSize = 0;
    ISMetafileInfo m_info;
    HENHMETAFILE m_metafile = nullptr;
    HDC m_screenDC = nullptr;
    HDC m_memoryDC = nullptr;
    HBITMAP m_bitmap = nullptr;
    HGDIOBJ m_oldBitmap = nullptr;
};

int32_t CISMetafileReader::LoadFile(const char* path)
{
    CISIO_File file;
    if (!file.OpenRead(path))
        return 2;
    int32_t size = 0;
    if (!file.Size(&size) || size <= 0)
        return 27;
    // Spare zero bytes past the end, so no parse of the bits can run off it.
    if (uint64_t(size) + 1024 > kISMaxAlloc || !m_bytes.Resize(size + 1024))
        return 1;
    m_bytes.Fill(0);
    if (!file.ReadExactly(m_bytes.GetData(), size))
        return 3;
    m_fileSize = size_t(size);
    return ISParseMetafile(m_bytes.GetData(), m_fileSize, &m_info);
}

int32_t CISMetafileReader::OpenMetafile()
{
    const BYTE* bits = m_bytes.GetData() + m_info.bitsOffset;
    if (m_info.kind == kISMetafileEnhanced) {
        m_metafile = SetEnhMetaFileBits(UINT(m_info.bitsSize), bits);
        return m_metafile ? 0 : 27;
    }
    METAFILEPICT picture = {};
    picture.mm = MM_ANISOTROPIC;
    if (m_info.kind == kISMetafilePlaceable) {
        uint32_t x = 0, y = 0;
        ISPlaceableExtents(m_info.placeable, &x, &y);
        picture.xExt = LONG(x);
        picture.yExt = LONG(y);
    }
    // A WMF without placeable header gets no extents (as when GDI opens the
    // file itself), so GDI sizes it.
    CISScreenDC screen;
    m_metafile = SetWinMetaFileBits(UINT(m_info.bitsSize), bits, screen.Get(), &picture);
    return m_metafile ? 0 : 41;
}

void* CISMetafileReader::Convert(uint32_t flags, int32_t width, int32_t height)
{
    CISGdi gdi;
    BITMAPINFOHEADER* dib = gdi.ISHBITMAPToDIB(m_bitmap, BI_RGB, nullptr);
    if (!dib)
        return Fail(gdi.m_status ? gdi.m_status : 25);
    CISOutBufAllocator out;
    void* result = nullptr;
    if (flags & kISMetafileDIB) {
        const SIZE_T bytes = GlobalSize(dib);
        if (out.Alloc(bytes)) {
            memcpy(out.GetData(), dib, bytes);
            result = out.Release();
        } else {
            m_status = 1;
        }
    } else if (out.Alloc(uint64_t(width) * uint64_t(height) * 3)) {
        CISDIB decode;
        if (decode.ISDIBToRGB(dib, out.GetData())) {
            result = out.Release();
        } else {
            m_status = decode.m_status;
            out.Free();
        }
    } else {
        m_status = 1;
    }
    GlobalFree(dib);
    return result;
}

void* CISMetafileReader::Read(const char* path, uint32_t a, uint32_t b, COLORREF background, uint32_t flags,
                              int32_t* width, int32_t* height)
{
    if (!path)
        return Fail(5);
    if (Cancelled(0))
        return Fail(14);
    if (_access(path, 0) != 0)
        return Fail(2);
    if (const int32_t code = LoadFile(path))
        return Fail(code);
    if (const int32_t code = OpenMetafile())
        return Fail(code);

    ENHMETAHEADER header = {};
    if (GetEnhMetaFileHeader(m_metafile, sizeof header, &header) < 88)
        return Fail(27);
    m_screenDC = GetDC(nullptr);
    if (!m_screenDC)
        return Fail(10);
    ISEmfFrame frame;
    frame.frame[0] = header.rclFrame.left;
    frame.frame[1] = header.rclFrame.top;
    frame.frame[2] = header.rclFrame.right;
    frame.frame[3] = header.rclFrame.bottom;
    frame.devicePixels[0] = header.szlDevice.cx;
    frame.devicePixels[1] = header.szlDevice.cy;
    frame.deviceMillimetres[0] = header.szlMillimeters.cx;
    frame.deviceMillimetres[1] = header.szlMillimeters.cy;
    int32_t w = 0, h = 0;
    if (const int32_t code = ISMetafileOutputSize(m_info, frame, flags, a, b, GetDeviceCaps(m_screenDC, LOGPIXELSX),
                                                  GetDeviceCaps(m_screenDC, LOGPIXELSY), &w, &h))
        return Fail(code);
    if (Cancelled(1))
        return Fail(14);

    m_memoryDC = CreateCompatibleDC(m_screenDC);
    if (!m_memoryDC)
        return Fail(10);
    m_bitmap = CreateCompatibleBitmap(m_screenDC, w, h);
    if (!m_bitmap)
        return Fail(23);
    m_oldBitmap = SelectObject(m_memoryDC, m_bitmap);
    const RECT box = {0, 0, w, h};
    {
        CISGdiObject<HBRUSH> brush(CreateSolidBrush(background));
        if (!brush.Get())
            return Fail(90);
        FillRect(m_memoryDC, &box, brush.Get());
    }
    if (Cancelled(2))
        return Fail(14);
    PlayEnhMetaFile(m_memoryDC, m_metafile, &box);
    if (Cancelled(3))
        return Fail(14);
    GdiFlush();
    // GetDIBits wants the bitmap out of every DC.
    SelectObject(m_memoryDC, m_oldBitmap);
    m_oldBitmap = nullptr;

    void* result = Convert(flags, w, h);
    if (result) {
        *width = w;
        *height = h;
    }
    return result;
}

}  // namespace

extern "C" void* is5_ReadMetafile(const char* path, uint32_t* width, uint32_t* height, uint32_t boxWidth,
                                  uint32_t boxHeight, COLORREF background, uint32_t flags)
{
    static const char kName[] = "is5_ReadMetafile";
    if (width)
        *width = 0;
    if (height)
        *height = 0;
    if (!ISGetThreadState())
        return nullptr;
    ISSetLastError(0, kName);
    int32_t w = 0, h = 0;
    void* result = nullptr;
    int32_t status = 0;
    {
        CISMetafileReader reader;
        result = reader.Read(path, boxWidth, boxHeight, background, flags, &w, &h);
        status = reader.m_status;
    }
    if (result) {
        if (width)
            *width = uint32_t(w);
        if (height)
            *height = uint32_t(h);
    }
    ISSetLastError(status, kName);
    return result;
}
