// JPEG writing (is5_WriteJPG) over libjpeg, with comment, custom and ICC markers.
#include "jpeg_glue.h"

#include <cstring>
#include <new>

#include "../core/buffers.h"
#include "../core/frame.h"
#include "../formats/reader_entry.h"
#include "../is5.h"

namespace {

constexpr uint32_t kWriteProgressive = 0x1;
constexpr uint32_t kWriteYcck = 0x2;      // 32-bit input is YCCK, else CMYK
constexpr uint32_t kWriteBottomUp = 0x4;  // the last row first
constexpr uint32_t kWriteBgr = 0x8;       // 24-bit rows are B,G,R
constexpr uint32_t kWriteYCbCr = 0x10;    // 24-bit input is YCbCr, else RGB
constexpr uint32_t kWriteNoJfif = 0x20;

// The ICC rule for JPEG: at most 65,519 profile bytes per APP2 marker, after
// "ICC_PROFILE\0", the chunk's number and the chunk count.
constexpr uint32_t kIccChunkBytes = 65519;
constexpr uint32_t kIccHeaderBytes = 14;
constexpr uint32_t kIccMaxChunks = 255;

uint32_t IccChunkCount(uint32_t bytes) { return (bytes + kIccChunkBytes - 1) / kIccChunkBytes; }

// Encoder context: one per write.
struct EncoderContext {
    jpeg_compress_struct cinfo;
    jpeg_error_mgr err;
    CISIO* sink = nullptr;
    ISArray<BYTE> row;  // only when rows are swapped
    bool bottomUp = false;
    bool swap = false;

    EncoderContext() { std::memset(&cinfo, 0, sizeof(cinfo)); }
    ~EncoderContext() { jpeg_destroy_compress(&cinfo); }
};

class CISJpegWriter {
public:
    int32_t m_status = 0;

    ~CISJpegWriter() { delete m_ctx; }

    int32_t Write(CISIO* sink, const BYTE* pixels, uint32_t width, uint32_t height, uint32_t bits, uint32_t stride,
                  int32_t quality, const ISResolution* resolution, uint32_t flags);

private:
    void Open(uint32_t width, uint32_t height, uint32_t bits, int32_t quality, const ISResolution* resolution,
              uint32_t flags);
    void WriteMarkers();

    EncoderContext* m_ctx = nullptr;
};

void CISJpegWriter::Open(uint32_t width, uint32_t height, uint32_t bits, int32_t quality,
                         const ISResolution* resolution, uint32_t flags)
{
    ISThreadState* state = ISGetThreadState();
    jpeg_compress_struct& cinfo = m_ctx->cinfo;
    cinfo.err = ISJpegErrorManager(&m_ctx->err);
    jpeg_create_compress(&cinfo);
    ISJpegAttachDest(&cinfo, m_ctx->sink);
    cinfo.image_width = width;
    cinfo.image_height = height;
    if (bits == 8) {
        cinfo.input_components = 1;
        cinfo.in_color_space = JCS_GRAYSCALE;
    } else if (bits == 24) {
        cinfo.input_components = 3;
        cinfo.in_color_space = (flags & kWriteYCbCr) ? JCS_YCbCr : JCS_RGB;
#ifdef JCS_EXTENSIONS
        // libjpeg-turbo takes B,G,R rows as they are, which saves copying each row.
        if (m_ctx->swap && cinfo.in_color_space == JCS_RGB) {
            cinfo.in_color_space = JCS_EXT_BGR;
            m_ctx->swap = false;
        }
#endif
    } else {
        cinfo.input_components = 4;
        cinfo.in_color_space = (flags & kWriteYcck) ? JCS_YCCK : JCS_CMYK;
    }
    jpeg_set_defaults(&cinfo);
    if (flags & kWriteNoJfif)
        cinfo.write_JFIF_header = FALSE;
    jpeg_set_quality(&cinfo, quality, TRUE);
    if (state && state->jpeg.useSampling) {
        int32_t n = state->jpeg.samplingCount;
        if (n > cinfo.num_components)
            n = cinfo.num_components;
        for (int32_t i = 0; i < n && i < 10; ++i) {
            cinfo.comp_info[i].h_samp_factor = state->jpeg.horizontalSampling[i];
            cinfo.comp_info[i].v_samp_factor = state->jpeg.verticalSampling[i];
        }
    }
    if (flags & kWriteProgressive)
        jpeg_simple_progression(&cinfo);
    if (resolution) {
        cinfo.density_unit = static_cast<UINT8>(resolution->unit);
        cinfo.X_density = static_cast<UINT16>(static_cast<int32_t>(resolution->x));
        cinfo.Y_density = static_cast<UINT16>(static_cast<int32_t>(resolution->y));
    } else {
        cinfo.density_unit = 0;
        cinfo.X_density = 1;
        cinfo.Y_density = 1;
    }
    if (state) {
        switch (state->jpeg.dctMethod) {
        case 1:
            cinfo.dct_method = JDCT_ISLOW;
            break;
        case 2:
            cinfo.dct_method = JDCT_IFAST;
            break;
        case 3:
            cinfo.dct_method = JDCT_FLOAT;
            break;
        default:
            break;
        }
        cinfo.smoothing_factor = ISClamp(state->jpeg.smoothing, 0, 100);
    }
    jpeg_start_compress(&cinfo, TRUE);
    WriteMarkers();
}

void CISJpegWriter::WriteMarkers()
{
    ISThreadState* state = ISGetThreadState();
    if (!state)
        return;
    jpeg_compress_struct& cinfo = m_ctx->cinfo;
    for (const auto& tag : state->jpeg.comments) {
        if (tag && !tag->name.empty())
            jpeg_write_marker(&cinfo, JPEG_COM, reinterpret_cast<const JOCTET*>(tag->name.data()),
                              static_cast<unsigned int>(tag->name.size()));
    }
    for (const auto& tag : state->jpeg.markers) {
        if (tag)
            jpeg_write_marker(&cinfo, tag->id, tag->data.GetData(), static_cast<unsigned int>(tag->data.Count()));
    }
    const ISArray<BYTE>& icc = state->iccProfile;
    if (icc.Count() <= 0)
        return;
    uint32_t total = static_cast<uint32_t>(icc.Count());
    uint32_t chunks = IccChunkCount(total);
    static const char kIccName[12] = "ICC_PROFILE";
    for (uint32_t i = 0; i < chunks; ++i) {
        uint32_t offset = i * kIccChunkBytes;
        uint32_t length = total - offset < kIccChunkBytes ? total - offset : kIccChunkBytes;
        jpeg_write_m_header(&cinfo, JPEG_APP0 + 2, kIccHeaderBytes + length);
        for (char c : kIccName)
            jpeg_write_m_byte(&cinfo, c);
        jpeg_write_m_byte(&cinfo, static_cast<int>(i + 1));
        jpeg_write_m_byte(&cinfo, static_cast<int>(chunks));
        const BYTE* piece = icc.GetData() + offset;
        for (uint32_t j = 0; j < length; ++j)
            jpeg_write_m_byte(&cinfo, piece[j]);
    }
}

int32_t CISJpegWriter::Write(CISIO* sink, const BYTE* pixels, uint32_t width, uint32_t height, uint32_t bits,
                             uint32_t stride, int32_t quality, const ISResolution* resolution, uint32_t flags)
{
    m_ctx = new (std::nothrow) EncoderContext;
    if (!m_ctx) {
        m_status = 1;
        return 0;
    }
    m_ctx->sink = sink;
    m_ctx->bottomUp = (flags & kWriteBottomUp) != 0;
    // Swapping concerns 3-byte pixels only.
    m_ctx->swap = (flags & kWriteBgr) != 0 && bits == 24;
    if (m_ctx->swap && !m_ctx->row.Resize(static_cast<int32_t>(width * 3))) {
        m_status = 1;
        return 0;
    }
    try {
        Open(width, height, bits, quality, resolution, flags);
    } catch (...) {
        m_status = 4;
        delete m_ctx;
        m_ctx = nullptr;
        return 0;
    }

    jpeg_compress_struct& cinfo = m_ctx->cinfo;
    bool failed = false;
    for (uint32_t i = 0; i < height; ++i) {
        uint32_t y = m_ctx->bottomUp ? height - 1 - i : i;
        const BYTE* source = pixels + uint64_t(y) * stride;
        JSAMPROW row = const_cast<JSAMPROW>(source);
        if (m_ctx->swap) {
            BYTE* target = m_ctx->row.GetData();
            for (uint32_t x = 0; x < width; ++x) {
                target[3 * x] = source[3 * x + 2];
                target[3 * x + 1] = source[3 * x + 1];
                target[3 * x + 2] = source[3 * x];
            }
            row = target;
        }
        try {
            if (jpeg_write_scanlines(&cinfo, &row, 1) != 1)
                failed = true;
        } catch (...) {
            failed = true;
        }
        if (failed) {
            m_status = 4;
            break;
        }
        if (ISCallProgress(static_cast<int32_t>(i), static_cast<int32_t>(height))) {
            m_status = 14;
            break;
        }
    }
    // After a cancel libjpeg refuses to finish with rows missing: code 4.
    if (!failed) {
        try {
            jpeg_finish_compress(&cinfo);
        } catch (...) {
            m_status = 4;
        }
    }
    delete m_ctx;
    m_ctx = nullptr;
    int32_t size = 0;
    sink->Size(&size);
    return size;
}

}  // namespace

extern "C" int32_t is5_WriteJPG(HISDEST sink, const void* pixels, uint32_t width, uint32_t height,
                                uint32_t bitsPerPixel, uint32_t stride, int32_t quality,
                                const ISResolution* resolution, uint32_t flags)
{
    static const char kName[] = "is5_WriteJPG";
    return ISWriteEntry(kName, sink, true, [&](CISEntryCall& call) -> int32_t {
        const ISThreadState* state = ISGetThreadState();
        if ((bitsPerPixel != 8 && bitsPerPixel != 24 && bitsPerPixel != 32) || width == 0 || height == 0 ||
            !pixels || uint64_t(stride) < uint64_t(width) * (bitsPerPixel / 8) ||
            IccChunkCount(static_cast<uint32_t>(state->iccProfile.Count())) > kIccMaxChunks) {
            call.m_status = 5;
            return 0;
        }
        CISJpegWriter writer;
        int32_t size = writer.Write(call.Source(), static_cast<const BYTE*>(pixels), width, height, bitsPerPixel,
                                    stride, quality, resolution, flags);
        call.m_status = writer.m_status;
        return size;
    });
}
