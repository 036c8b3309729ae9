// libtiff over library sources; see tiff_binding.h.
#include "tiff_binding.h"

#include <climits>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <mutex>

#include "../../core/buffers.h"
#include "../../core/frame.h"

namespace {

TIFFExtendProc g_previousExtender = nullptr;

CISIO* SourceOf(thandle_t handle) { return static_cast<ISTiffClient*>(static_cast<void*>(handle))->source; }

int CloseProc(thandle_t) { return 1; }  // the source's owner closes it
int MapProc(thandle_t, void**, toff_t*) { return 0; }
void UnmapProc(thandle_t, void*, toff_t) {}

void LogHandler(const char* prefix, int level, const char* format, va_list args)
{
    char text[1024];
    int n = std::snprintf(text, sizeof text, "%s", prefix);
    if (n < 0)
        n = 0;
    if (static_cast<size_t>(n) < sizeof text - 2)
        std::vsnprintf(text + n, sizeof text - 2 - static_cast<size_t>(n), format, args);
    std::strcat(text, "\n");
    ISLogError(text, 20, level);
}

// Stores R, G, B and A as they are, for 8-bit contiguous RGB with unassociated alpha.
void PutRGBUnassociated(TIFFRGBAImage* img, uint32_t* cp, uint32_t, uint32_t, uint32_t w, uint32_t h,
                        int32_t fromskew, int32_t toskew, unsigned char* pp)
{
    const int samples = img->samplesperpixel;
    fromskew *= samples;
    for (; h > 0; --h) {
        for (uint32_t x = 0; x < w; ++x) {
            *cp++ = static_cast<uint32_t>(pp[0]) | static_cast<uint32_t>(pp[1]) << 8 |
                    static_cast<uint32_t>(pp[2]) << 16 | static_cast<uint32_t>(pp[3]) << 24;
            pp += samples;
        }
        cp += toskew;
        pp += fromskew;
    }
}

}  // namespace

void ISTiffWarningHandler(const char*, const char* format, va_list args)
{
    LogHandler("LibTiff Warning: ", 2, format, args);
}

void ISTiffErrorHandler(const char*, const char* format, va_list args)
{
    LogHandler("LibTiff Error: ", 3, format, args);
}

void ISTiffTagExtender(TIFF* tif)
{
    static const TIFFFieldInfo kFields[] = {
        {34665, 1, 1, TIFF_LONG, FIELD_CUSTOM, 1, 0, const_cast<char*>("EXIF Offset")},
        {32932, -3, -3, TIFF_BYTE, FIELD_CUSTOM, 0, 1, const_cast<char*>("baAnnotations")},
        {33550, -1, -1, TIFF_DOUBLE, FIELD_CUSTOM, 1, 1, const_cast<char*>("GeoPixelScale")},
        {33920, -1, -1, TIFF_DOUBLE, FIELD_CUSTOM, 1, 1, const_cast<char*>("Intergraph TransformationMatrix")},
        {34264, -1, -1, TIFF_DOUBLE, FIELD_CUSTOM, 1, 1, const_cast<char*>("GeoTransformationMatrix")},
        {33922, -1, -1, TIFF_DOUBLE, FIELD_CUSTOM, 1, 1, const_cast<char*>("GeoTiePoints")},
        {34735, -1, -1, TIFF_SHORT, FIELD_CUSTOM, 1, 1, const_cast<char*>("GeoKeyDirectory")},
        {34736, -1, -1, TIFF_DOUBLE, FIELD_CUSTOM, 1, 1, const_cast<char*>("GeoDoubleParams")},
        {34737, -1, -1, TIFF_ASCII, FIELD_CUSTOM, 1, 0, const_cast<char*>("GeoASCIIParams")},
    };
    TIFFMergeFieldInfo(tif, kFields, sizeof kFields / sizeof kFields[0]);
    if (g_previousExtender)
        g_previousExtender(tif);
}

void ISTiffInstall()
{
    // Once: installing at every open would race between threads.
    static std::once_flag once;
    std::call_once(once, [] {
        g_previousExtender = TIFFSetTagExtender(ISTiffTagExtender);
        TIFFSetErrorHandler(ISTiffErrorHandler);
        TIFFSetWarningHandler(ISTiffWarningHandler);
    });
}

tmsize_t ISTiffReadProc(thandle_t handle, void* buffer, tmsize_t size)
{
    if (size <= 0)
        return 0;
    const int32_t n = size > INT32_MAX ? INT32_MAX : static_cast<int32_t>(size);
    return SourceOf(handle)->ReadUpTo(buffer, n);
}

tmsize_t ISTiffWriteProc(thandle_t handle, void* buffer, tmsize_t size)
{
    if (size < 0 || size > INT32_MAX)
        return 0;
    return SourceOf(handle)->WriteBytes(buffer, static_cast<int32_t>(size)) ? size : 0;
}

toff_t ISTiffSeekProc(thandle_t handle, toff_t offset, int whence)
{
    CISIO* io = SourceOf(handle);
    const int32_t origin = whence == SEEK_CUR ? 1 : whence == SEEK_END ? 2 : 0;
    // Offsets are signed for the current position and the end.
    const int64_t signedOffset = static_cast<int64_t>(offset);
    if (signedOffset > INT32_MAX || signedOffset < INT32_MIN || (origin == 0 && signedOffset < 0))
        return static_cast<toff_t>(-1);
    int32_t position = 0;
    if (!io->Seek(static_cast<int32_t>(signedOffset), origin) || !io->Tell(&position) || position < 0)
        return static_cast<toff_t>(-1);
    return static_cast<toff_t>(position);
}

toff_t ISTiffSizeProc(thandle_t handle)
{
    int32_t size = 0;
    if (!SourceOf(handle)->Size(&size) || size < 0)
        return 0;
    return static_cast<toff_t>(size);
}

TIFF* ISTiffOpen(CISIO* source, const char* mode)
{
    ISTiffInstall();
    ISTiffClient* client = new (std::nothrow) ISTiffClient;
    if (!client)
        return nullptr;
    client->source = source;
    TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
    if (!options) {
        delete client;
        return nullptr;
    }
    TIFFOpenOptionsSetMaxSingleMemAlloc(options, static_cast<tmsize_t>(ISMaxAlloc()));
    TIFF* tif = TIFFClientOpenExt(source->Name(), mode, static_cast<thandle_t>(static_cast<void*>(client)),
                                  ISTiffReadProc, ISTiffWriteProc, ISTiffSeekProc, CloseProc, ISTiffSizeProc,
                                  MapProc, UnmapProc, options);
    TIFFOpenOptionsFree(options);
    if (!tif) {
        delete client;
        return nullptr;
    }
    TIFFSetFileno(tif, 0);
    return tif;
}

ISTiffClient* ISTiffClientOf(TIFF* tif)
{
    return static_cast<ISTiffClient*>(static_cast<void*>(TIFFClientdata(tif)));
}

void ISTiffClose(TIFF* tif)
{
    if (!tif)
        return;
    ISTiffClient* client = ISTiffClientOf(tif);
    TIFFCleanup(tif);
    CloseProc(static_cast<thandle_t>(static_cast<void*>(client)));
    delete client;
}

uint32_t ISTiffBandRows(TIFF* tif, uint32_t height)
{
    uint32_t band = 0;
    if (TIFFIsTiled(tif))
        TIFFGetField(tif, TIFFTAG_TILELENGTH, &band);
    else
        TIFFGetFieldDefaulted(tif, TIFFTAG_ROWSPERSTRIP, &band);
    return band == 0 || band > height ? height : band;
}

int ISTiffReadRGBA(TIFF* tif, uint32_t width, uint32_t height, bool topDown, CISTiffBands* bands, int stopOnError)
{
    ISTiffClient* client = ISTiffClientOf(tif);
    char message[1024] = "";
    if (!TIFFRGBAImageOK(tif, message)) {
        TIFFError(TIFFFileName(tif), "%s", message);
        return 0;
    }
    uint16_t extraCount = 0;
    uint16_t* extra = nullptr;
    uint16_t samples = 1;
    TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLESPERPIXEL, &samples);
    if (client->defaultAlphaKind != -1 && samples < 4 && TIFFGetField(tif, TIFFTAG_EXTRASAMPLES, &extraCount, &extra) &&
        extraCount > 0 && extra[0] == EXTRASAMPLE_UNSPECIFIED) {
        uint16_t copy[8] = {0};
        const uint16_t n = extraCount > 8 ? 8 : extraCount;
        std::memcpy(copy, extra, n * sizeof(uint16_t));
        copy[0] = static_cast<uint16_t>(client->defaultAlphaKind);
        TIFFSetField(tif, TIFFTAG_EXTRASAMPLES, n, copy);
    }
    TIFFRGBAImage img;
    if (!TIFFRGBAImageBegin(&img, tif, stopOnError, message)) {
        TIFFError(TIFFFileName(tif), "%s", message);
        return 0;
    }
    // The stored rows as they are, whatever the Orientation tag says (the
    // caller turns them): libtiff flips a band when the two differ.
    img.req_orientation = topDown ? ORIENTATION_TOPLEFT : ORIENTATION_BOTLEFT;
    img.orientation = ORIENTATION_TOPLEFT;
    if (client->keepUnassociatedAlpha && img.alpha == EXTRASAMPLE_UNASSALPHA && img.bitspersample == 8 &&
        img.photometric == PHOTOMETRIC_RGB && img.isContig && img.samplesperpixel >= 4)
        img.put.contig = PutRGBUnassociated;
    const uint32_t band = ISTiffBandRows(tif, height);
    int ok = 1;
    for (uint32_t row = 0; row < height && ok; row += band) {
        const uint32_t rows = height - row < band ? height - row : band;
        img.row_offset = static_cast<int>(row);
        img.col_offset = 0;
        if (!TIFFRGBAImageGet(&img, bands->Band(row, rows), width, rows)) {
            ok = 0;
            break;
        }
        bands->Filled(row, rows);
        if (client->progress && client->progress(static_cast<int>(row), static_cast<int>(height), client->progressUser)) {
            client->cancelCode = 14;
            ok = 0;
        }
    }
    TIFFRGBAImageEnd(&img);
    return ok;
}

namespace {

class CISTiffRaster : public CISTiffBands {
public:
    CISTiffRaster(uint32_t* raster, uint32_t width, uint32_t height, bool topDown)
        : m_raster(raster), m_width(width), m_height(height), m_topDown(topDown)
    {
    }
    uint32_t* Band(uint32_t row, uint32_t rows) override
    {
        return m_raster + static_cast<size_t>(m_topDown ? row : m_height - row - rows) * m_width;
    }

private:
    uint32_t* m_raster;
    uint32_t m_width, m_height;
    bool m_topDown;
};

}  // namespace

int ISTiffReadRGBA(TIFF* tif, uint32_t width, uint32_t height, bool topDown, uint32_t* raster, int stopOnError)
{
    CISTiffRaster bands(raster, width, height, topDown);
    return ISTiffReadRGBA(tif, width, height, topDown, &bands, stopOnError);
}
