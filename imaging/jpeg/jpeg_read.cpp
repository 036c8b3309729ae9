// JPEG reading (is5_ReadJPG) and probing (is5_GetJPGDims) over libjpeg.
#include "jpeg_glue.h"

#include <cstring>
#include <new>

#include "../convert/convert.h"
#include "../core/buffers.h"
#include "../core/frame.h"
#include "../formats/reader_entry.h"
#include "../is5.h"

namespace {

constexpr uint32_t kReadCmyk = 0x1;        // CMYK/YCCK as delivered, 32 bits
constexpr uint32_t kReadKeepYCbCr = 0x4;   // no colour conversion of YCbCr files
constexpr uint32_t kReadPadded = 0x8;      // rows padded to 4 bytes, B,G,R
constexpr uint32_t kReadGiveBack = 0x10;   // leave the source right after the JPEG data
constexpr uint32_t kReadProgressive = 0x20;

enum ColourMode { kModeNone = 0, kModeGrey = 1, kModeRgb = 2, kModeCmyk = 3, kModeYcck = 4, kModeYCbCr = 5 };

enum OutputMode { kOutGrey8, kOutGreyTo24, kOutRgb24, kOutCmyk32, kOutCmykTo24, kOutYCbCr24 };

static_assert(sizeof(BITMAPINFOHEADER) == 40, "DIB header layout");

// Decoder context: one per read, on the heap.
struct DecoderContext {
    jpeg_decompress_struct cinfo;
    jpeg_error_mgr err;
    CISIO* source = nullptr;
    ISArray<BYTE> row;
    int32_t colourMode = kModeNone;
    int32_t outputMode = kOutRgb24;
    uint32_t outputBits = 24;
    ISResolution density = {0, 0, 0};
    bool progressiveDisplay = false;
    uint32_t bitsRequested = 24;
    bool cutShort = false;  // the data ended early: libjpeg made up the rest
    void (*emitMessage)(j_common_ptr, int) = nullptr;

    DecoderContext() { std::memset(&cinfo, 0, sizeof(cinfo)); }
    ~DecoderContext() { jpeg_destroy_decompress(&cinfo); }
};

// libjpeg only warns about a file cut short and fills the missing rows with
// grey; the read must not pass for whole. Other warnings stay warnings.
void EmitMessage(j_common_ptr cinfo, int level)
{
    DecoderContext* c = static_cast<DecoderContext*>(cinfo->client_data);
    if (level < 0 && cinfo->err->msg_code == JWRN_JPEG_EOF)
        c->cutShort = true;
    c->emitMessage(cinfo, level);
}

int32_t ColourModeOf(const jpeg_decompress_struct& cinfo)
{
    switch (cinfo.output_components) {
    case 1:
        return kModeGrey;
    case 3:
        return cinfo.out_color_space == JCS_YCbCr ? kModeYCbCr : kModeRgb;
    case 4:
        if (cinfo.jpeg_color_space == JCS_CMYK)
            return kModeCmyk;
        if (cinfo.jpeg_color_space == JCS_YCCK)
            return kModeYcck;
        return kModeNone;
    default:
        return kModeNone;
    }
}

// Refusals go to the error log like libjpeg's own errors.
[[noreturn]] void Refuse(const char* text, int32_t code)
{
    ISLogError(text, code, 3);
    throw ISException(text, code);
}

class CISJpegReader {
public:
    int32_t m_status = 0;

    ~CISJpegReader() { delete m_ctx; }

    // Fills the call's buffer; libjpeg's failures become m_status.
    void Read(CISReadCall& call, uint32_t* width, uint32_t* height);

private:
    bool Open(CISIO* source, uint32_t bits, uint32_t flags);
    void ChooseOutput(uint32_t bits, uint32_t flags);
    uint64_t RowSize() const;
    BYTE* RowPointer(uint32_t y) const;
    void ReadRow(BYTE* target);
    bool ReadRows();
    void ReadBuffered(void* buffer);

    DecoderContext* m_ctx = nullptr;
    uint32_t m_flags = 0;
    BYTE* m_pixels = nullptr;
    uint64_t m_rowSize = 0;
    bool m_swapRB = false;
    bool m_failed = false;     // libjpeg threw while decoding rows
    bool m_cancelled = false;  // the progress callback asked to stop
};

void CISJpegReader::ChooseOutput(uint32_t bits, uint32_t flags)
{
    DecoderContext& c = *m_ctx;
    c.colourMode = ColourModeOf(c.cinfo);
    bool cmykAsIs = (flags & kReadCmyk) != 0;
    if (flags & IS5_DIB) {
        // A DIB holds 8-bit grey or 24-bit colour, whatever was asked for.
        bits = c.colourMode == kModeGrey ? 8 : 24;
        cmykAsIs = false;
    }
    switch (c.colourMode) {
    case kModeGrey:
        if (bits == 8)
            c.outputMode = kOutGrey8;
        else if (bits == 24)
            c.outputMode = kOutGreyTo24;
        else
            Refuse("Invalid bit depth requested (can't read 8-bit to 32-bit)", 9);
        break;
    case kModeRgb:
        if (bits != 24)
            Refuse("Invalid bit depth requested (can't read RGB to any other bit depth)", 9);
        c.outputMode = kOutRgb24;
        break;
    case kModeCmyk:
    case kModeYcck:
        if (cmykAsIs) {
            if (bits != 32)
                Refuse("Invalid bit depth requested (can only read CMYK/YCCK to 32bpp)", 9);
            c.outputMode = kOutCmyk32;
        } else {
            if (bits != 24)
                Refuse("Invalid bit depth requested", 9);
            c.outputMode = kOutCmykTo24;
        }
        break;
    case kModeYCbCr:
        if (bits != 24)
            Refuse("Invalid bit depth requested (can't read YCbCr to any other bit depth)", 9);
        c.outputMode = kOutYCbCr24;
        break;
    default:
        Refuse("Invalid JPG colorspace", 9);
    }
    c.outputBits = bits;
    // B,G,R order for every colour output in a DIB or with padded rows; kept
    // Y,Cb,Cr samples are not colours and stay in order.
    m_swapRB = (flags & (IS5_DIB | kReadPadded)) != 0 &&
               (c.outputMode == kOutRgb24 || c.outputMode == kOutCmykTo24);
#ifdef JCS_EXTENSIONS
    if (c.cinfo.out_color_space == JCS_EXT_BGR)
        m_swapRB = false;  // libjpeg already delivers B,G,R
#endif
}

uint64_t CISJpegReader::RowSize() const
{
    uint64_t width = m_ctx->cinfo.output_width;
    uint64_t bits = m_ctx->outputBits;
    if (m_flags & (IS5_DIB | kReadPadded))
        return (width * bits + 31) / 32 * 4;
    return width * (bits / 8);
}

bool CISJpegReader::Open(CISIO* source, uint32_t bits, uint32_t flags)
{
    m_ctx = new (std::nothrow) DecoderContext;
    if (!m_ctx) {
        m_status = 1;
        return false;
    }
    ISThreadState* state = ISGetThreadState();
    DecoderContext& c = *m_ctx;
    c.source = source;
    c.bitsRequested = bits;
    c.progressiveDisplay = (flags & kReadProgressive) && state && state->jpeg.progressive;
    try {
        c.cinfo.err = ISJpegErrorManager(&c.err);
        c.emitMessage = c.err.emit_message;
        c.err.emit_message = EmitMessage;
        c.cinfo.client_data = &c;
        jpeg_create_decompress(&c.cinfo);
        ISJpegAttachSource(&c.cinfo, source, (flags & kReadGiveBack) != 0);
        jpeg_read_header(&c.cinfo, TRUE);
        if (state && state->jpeg.scaleNum > 0 && state->jpeg.scaleDenom > 0) {
            c.cinfo.scale_num = static_cast<unsigned int>(state->jpeg.scaleNum);
            c.cinfo.scale_denom = static_cast<unsigned int>(state->jpeg.scaleDenom);
        }
        // Only a YCbCr file can be delivered as YCbCr; libjpeg refuses the others.
        if ((flags & kReadKeepYCbCr) && c.cinfo.jpeg_color_space == JCS_YCbCr)
            c.cinfo.out_color_space = JCS_YCbCr;
#ifdef JCS_EXTENSIONS
        // libjpeg-turbo converts straight to B,G,R, which saves a pass over each row.
        if ((flags & (IS5_DIB | kReadPadded)) && c.cinfo.out_color_space == JCS_RGB)
            c.cinfo.out_color_space = JCS_EXT_BGR;
#endif
        if (c.progressiveDisplay)
            c.cinfo.buffered_image = TRUE;
        jpeg_calc_output_dimensions(&c.cinfo);
        ChooseOutput(bits, flags);

        // Refuse a picture too large for the output buffer before libjpeg
        // allocates anything for it.
        uint64_t total = RowSize() * c.cinfo.output_height;
        if (flags & IS5_DIB)
            total += 40 + (c.outputBits == 8 ? 1024 : 0);
        if (total > ISMaxAlloc())
            Refuse("Image too large", 1);
        // Progressive and multi-scan files (and the progressive display) make
        // libjpeg keep every coefficient of the picture: those buffers hold
        // the image too and are refused the same way.
        if (c.cinfo.buffered_image || jpeg_has_multiple_scans(&c.cinfo)) {
            uint64_t coefficients = 0;
            for (int i = 0; i < c.cinfo.num_components; ++i) {
                const jpeg_component_info& comp = c.cinfo.comp_info[i];
                const uint64_t h = comp.h_samp_factor, v = comp.v_samp_factor;
                coefficients += (comp.width_in_blocks + h - 1) / h * h * ((comp.height_in_blocks + v - 1) / v * v) *
                                DCTSIZE2 * sizeof(JCOEF);
            }
            if (coefficients > ISMaxAlloc())
                Refuse("Image too large", 1);
        }
        uint64_t rowBytes = uint64_t(c.cinfo.output_width) * uint64_t(c.cinfo.output_components);
        if (!c.row.Resize(static_cast<int32_t>(rowBytes)))
            Refuse("Out of memory", 1);

        jpeg_start_decompress(&c.cinfo);
        c.density.x = c.cinfo.X_density;
        c.density.y = c.cinfo.Y_density;
        c.density.unit = c.cinfo.density_unit;
    } catch (const ISException& e) {
        m_status = e.Code() == 1 ? 1 : 9;
        delete m_ctx;
        m_ctx = nullptr;
        return false;
    } catch (...) {
        m_status = 9;
        delete m_ctx;
        m_ctx = nullptr;
        return false;
    }
    return true;
}

BYTE* CISJpegReader::RowPointer(uint32_t y) const
{
    uint32_t height = m_ctx->cinfo.output_height;
    uint64_t index = (m_flags & IS5_DIB) ? height - 1 - y : y;
    return m_pixels + index * m_rowSize;
}

void CISJpegReader::ReadRow(BYTE* target)
{
    DecoderContext& c = *m_ctx;
    uint32_t width = c.cinfo.output_width;
    bool direct = c.outputMode != kOutGreyTo24 && c.outputMode != kOutCmykTo24;
    JSAMPROW row = direct ? target : c.row.GetData();
    if (jpeg_read_scanlines(&c.cinfo, &row, 1) != 1)
        throw ISException("No scanline read", 3);
    switch (c.outputMode) {
    case kOutRgb24:
        if (m_swapRB) {
            for (uint32_t x = 0; x < width; ++x) {
                BYTE t = target[3 * x];
                target[3 * x] = target[3 * x + 2];
                target[3 * x + 2] = t;
            }
        }
        break;
    case kOutGreyTo24:
        for (uint32_t x = 0; x < width; ++x) {
            BYTE v = row[x];
            target[3 * x] = v;
            target[3 * x + 1] = v;
            target[3 * x + 2] = v;
        }
        break;
    case kOutCmykTo24: {
        int first = m_swapRB ? 2 : 0;
        for (uint32_t x = 0; x < width; ++x) {
            const BYTE* s = row + 4 * x;
            unsigned k = s[3];
            target[3 * x + first] = static_cast<BYTE>(s[0] * k / 255u);
            target[3 * x + 1] = static_cast<BYTE>(s[1] * k / 255u);
            target[3 * x + 2 - first] = static_cast<BYTE>(s[2] * k / 255u);
        }
        break;
    }
    default:
        break;
    }
}

// One output pass; false when it was cancelled or libjpeg failed.
bool CISJpegReader::ReadRows()
{
    uint32_t height = m_ctx->cinfo.output_height;
    for (uint32_t y = 0; y < height; ++y) {
        try {
            ReadRow(RowPointer(y));
        } catch (...) {
            m_status = 3;
            m_failed = true;
            return false;
        }
        if (ISCallProgress(static_cast<int32_t>(y), static_cast<int32_t>(height))) {
            m_status = 14;
            m_cancelled = true;
            return false;
        }
    }
    return true;
}

void CISJpegReader::ReadBuffered(void* buffer)
{
    DecoderContext& c = *m_ctx;
    ISThreadState* state = ISGetThreadState();
    ISJpegProgressiveCallback callback = state ? state->jpeg.progressive : nullptr;
    void* user = state ? state->jpeg.progressiveUser : nullptr;
    for (;;) {
        int scan = c.cinfo.input_scan_number;
        try {
            jpeg_start_output(&c.cinfo, scan);
        } catch (...) {
            m_status = 3;
            m_failed = true;
            return;
        }
        if (!ReadRows())
            return;
        bool complete;
        try {
            jpeg_finish_output(&c.cinfo);
            complete = jpeg_input_complete(&c.cinfo) != 0;
        } catch (...) {
            m_status = 3;
            m_failed = true;
            return;
        }
        if (callback && !callback(buffer, c.cinfo.output_width, c.cinfo.output_height, c.bitsRequested, scan - 1, user))
            return;
        if (complete)
            return;
    }
}

void CISJpegReader::Read(CISReadCall& call, uint32_t* width, uint32_t* height)
{
    const uint32_t flags = call.Flags();
    m_flags = flags;
    if (!Open(call.Source(), call.Depth(), flags))
        return;
    DecoderContext& c = *m_ctx;
    uint32_t w = c.cinfo.output_width;
    uint32_t h = c.cinfo.output_height;
    bool dib = call.Dib();
    m_rowSize = RowSize();
    uint64_t headerBytes = dib ? 40 + (c.outputBits == 8 ? 1024 : 0) : 0;

    BYTE* data = call.Allocate(m_rowSize * h + headerBytes);
    if (dib) {
        ISResolution ppm = c.density;
        ISConvertResolution(&ppm, kISResJpegUnit, kISResPerMetre);
        BITMAPINFOHEADER header;
        std::memset(&header, 0, sizeof(header));
        header.biSize = 40;
        header.biWidth = static_cast<LONG>(w);
        header.biHeight = static_cast<LONG>(h);
        header.biPlanes = 1;
        header.biBitCount = static_cast<WORD>(c.outputBits);
        header.biCompression = BI_RGB;
        header.biSizeImage = static_cast<DWORD>(m_rowSize * h);
        header.biXPelsPerMeter = static_cast<LONG>(ppm.x);
        header.biYPelsPerMeter = static_cast<LONG>(ppm.y);
        header.biClrUsed = c.outputBits == 8 ? 256 : 0;
        std::memcpy(data, &header, sizeof(header));
        if (c.outputBits == 8) {
            RGBQUAD* palette = reinterpret_cast<RGBQUAD*>(data + 40);
            for (int i = 0; i < 256; ++i)
                palette[i] = RGBQUAD{static_cast<BYTE>(i), static_cast<BYTE>(i), static_cast<BYTE>(i), 255};
        }
    }
    m_pixels = data + headerBytes;
    *width = w;
    *height = h;

    if (c.progressiveDisplay)
        ReadBuffered(data);
    else
        ReadRows();

    if (m_failed || (m_cancelled && c.progressiveDisplay)) {
        // libjpeg's state after an error is not fit to finish; a cancelled
        // progressive pass would otherwise read the rest of the file and succeed.
        m_status = 3;
    } else {
        // A cancelled read fails here: libjpeg refuses to finish with rows missing.
        m_status = 0;
        try {
            jpeg_finish_decompress(&c.cinfo);
        } catch (...) {
            m_status = 3;
        }
    }
    // The picture goes back all the same, with the code of failed rows.
    if (c.cutShort && m_status == 0)
        m_status = 3;
    delete m_ctx;
    m_ctx = nullptr;
}

class CISJpegProbe {
public:
    int32_t m_status = 0;

    BOOL Probe(CISIO* source, uint32_t* width, uint32_t* height, uint32_t* bits, uint32_t* colourSpace,
               uint32_t* codingFlags, ISResolution* resolution)
    {
        jpeg_decompress_struct cinfo;
        jpeg_error_mgr err;
        std::memset(&cinfo, 0, sizeof(cinfo));
        BOOL ok = FALSE;
        try {
            cinfo.err = ISJpegErrorManager(&err);
            jpeg_create_decompress(&cinfo);
            ISJpegAttachSource(&cinfo, source, false);
            jpeg_read_header(&cinfo, TRUE);
            jpeg_calc_output_dimensions(&cinfo);
            *width = cinfo.image_width;
            *height = cinfo.image_height;
            if (bits)
                *bits = static_cast<uint32_t>(cinfo.output_components) * 8;
            if (colourSpace)
                *colourSpace = static_cast<uint32_t>(cinfo.jpeg_color_space);
            if (codingFlags)
                *codingFlags = (cinfo.progressive_mode ? 1u : 0u) | (cinfo.arith_code ? 2u : 0u);
            if (resolution) {
                resolution->x = cinfo.X_density;
                resolution->y = cinfo.Y_density;
                resolution->unit = cinfo.density_unit;
            }
            ok = TRUE;
        } catch (...) {
            m_status = 9;
        }
        jpeg_destroy_decompress(&cinfo);
        return ok;
    }
};

}  // namespace

extern "C" void* is5_ReadJPG(HISSRC source, uint32_t* width, uint32_t* height, uint32_t bitsPerPixel, uint32_t flags)
{
    static const char kName[] = "is5_ReadJPG";
    // Unlike the other readers, the depth is checked with IS5_DIB too (a DIB's
    // depth then comes from the file), so the frame's list stays empty.
    return ISReadEntry(kName, source, width && height, bitsPerPixel, flags, {}, [&](CISReadCall& call) {
        if (!ISDepthOffered(call.Depth(), {8, 24, 32})) {
            call.m_status = 5;
            return;
        }
        CISJpegReader reader;
        reader.Read(call, width, height);
        call.m_status = reader.m_status;
    });
}

extern "C" BOOL is5_GetJPGDims(HISSRC source, uint32_t* width, uint32_t* height, uint32_t* bitsPerPixel,
                               uint32_t* colourSpace, uint32_t* codingFlags, ISResolution* resolution,
                               int32_t /*reserved*/)
{
    static const char kName[] = "is5_GetJPGDims";
    // Unlike the other dims entries, every out given is zeroed before the checks.
    for (uint32_t* out : {width, height, bitsPerPixel, colourSpace, codingFlags})
        if (out)
            *out = 0;
    if (resolution)
        *resolution = ISResolution{0, 0, 0};
    return ISDimsEntry(kName, source, width && height, [&](CISEntryCall& call) {
        CISJpegProbe probe;
        BOOL ok = probe.Probe(call.Source(), width, height, bitsPerPixel, colourSpace, codingFlags, resolution);
        call.m_status = probe.m_status;
        return ok;
    });
}
