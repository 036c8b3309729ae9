// The PNG reads: the common frame, packed rows, grey + alpha, RGBA and DIB.
#include <cstring>
#include <vector>

#include "../../convert/convert.h"
#include "png_reader.h"

namespace {

uint64_t RoundUp4(uint64_t n) { return (n + 3) & ~uint64_t(3); }

}  // namespace

template <typename Setup>
BYTE* CISPNGReader::Frame(CISReadCall& call, uint32_t* width, uint32_t* height, uint32_t flags, Setup&& setup)
{
    m_status = 0;
    CISPngStructs s;
    if (!s.png || !s.info) {
        m_status = 16;
        return nullptr;
    }
    BYTE* buffer = nullptr;
    ISRunCaught(&m_status, [&] {
        png_set_read_fn(s.png, call.Source(), ISPngReadCallback);
        png_read_info(s.png, s.info);
        png_get_IHDR(s.png, s.info, &m_width, &m_height, &m_bitDepth, &m_colourType, &m_interlace, nullptr,
                     nullptr);
        ISPngRequest request;
        const int32_t code = setup(s.png, s.info, &request);
        if (code != 0)
            throw code;
        StoreBackground(s.png, s.info);
        SetupGamma(s.png, s.info, flags);
        const int passes = png_set_interlace_handling(s.png);
        png_read_update_info(s.png, s.info);
        const uint64_t rowBytes = png_get_rowbytes(s.png, s.info);
        if (request.oneBitOnly && m_bitDepth != 1)
            throw 17;
        if (request.expectedRowBytes != 0 ? rowBytes != request.expectedRowBytes : rowBytes > request.stride)
            throw 17;
        const uint64_t rows = png_get_image_height(s.png, s.info);
        if (request.stride == 0 || rows == 0)
            throw 17;
        const uint64_t total = rows * request.stride + request.headerBytes;
        if (rows * request.stride / request.stride != rows || total > ISMaxAlloc() ||
            rows * sizeof(png_bytep) > ISMaxAlloc())
            throw 1;
        buffer = call.Allocate(total);
        std::vector<png_bytep> pointers(rows);
        BYTE* pixels = buffer + request.headerBytes;
        for (uint64_t y = 0; y < rows; ++y)
            pointers[y] = pixels + (request.bottomUp ? rows - 1 - y : y) * request.stride;
        *width = png_get_image_width(s.png, s.info);
        *height = static_cast<uint32_t>(rows);
        m_width = *width;
        m_height = *height;
        uint64_t count = 0;
        int64_t reported = -1;
        for (int pass = 0; pass < passes; ++pass) {
            for (uint64_t y = 0; y < rows; ++y) {
                const int64_t done = static_cast<int64_t>(count / static_cast<uint64_t>(passes));
                if (done != reported) {
                    reported = done;
                    if (ISCallProgress(static_cast<int32_t>(done), static_cast<int32_t>(rows)))
                        throw 14;
                }
                png_read_row(s.png, pointers[y], nullptr);
                ++count;
            }
        }
        png_read_end(s.png, nullptr);
    });
    if (m_status != 0 && !call.Data())
        return nullptr;
    return buffer;
}

BYTE* CISPNGReader::ReadPacked(CISReadCall& call, uint32_t* width, uint32_t* height, uint32_t bits,
                               RGBQUAD* palette, bool keep16, uint32_t flags)
{
    if (keep16 && bits != 1 && bits != 8 && bits != 16 && bits != 24 && bits != 48) {
        m_status = 5;
        return nullptr;
    }
    return Frame(call, width, height, flags, [&](png_structp png, png_infop info, ISPngRequest* request) -> int32_t {
        if (!SetupPalette(png, info, bits, palette))
            return 28;
        if (m_bitDepth == 16) {
            if (keep16) {
                png_set_swap(png);
                if (m_colourType != PNG_COLOR_TYPE_GRAY && m_colourType != PNG_COLOR_TYPE_RGB &&
                    m_colourType != PNG_COLOR_TYPE_RGB_ALPHA)
                    return 28;
            } else {
                png_set_strip_16(png);
            }
        }
        SetupBackground(png, info);
        const uint64_t w = m_width;
        uint64_t expected = bits == 1 ? (w + 7) / 8 : bits == 4 ? (w + 1) / 2 : bits / 8 * w;
        request->expectedRowBytes = expected;
        request->stride = expected;
        if (flags & 8) {
            png_set_bgr(png);
            request->stride = RoundUp4(expected);
        }
        request->oneBitOnly = bits == 1;
        return 0;
    });
}

BYTE* CISPNGReader::ReadGrayAlpha(CISReadCall& call, uint32_t* width, uint32_t* height, uint32_t filler,
                                  uint32_t flags)
{
    return Frame(call, width, height, flags, [&](png_structp png, png_infop info, ISPngRequest* request) -> int32_t {
        if (m_colourType != PNG_COLOR_TYPE_GRAY && m_colourType != PNG_COLOR_TYPE_GRAY_ALPHA)
            return 28;
        if (m_colourType == PNG_COLOR_TYPE_GRAY && m_bitDepth < 8)
            png_set_expand(png);
        if (m_bitDepth == 16)
            png_set_strip_16(png);
        if (m_colourType == PNG_COLOR_TYPE_GRAY) {
            if (png_get_valid(png, info, PNG_INFO_tRNS))
                png_set_tRNS_to_alpha(png);
            else
                png_set_filler(png, filler, PNG_FILLER_AFTER);
        }
        request->expectedRowBytes = uint64_t(m_width) * 2;
        request->stride = request->expectedRowBytes;
        return 0;
    });
}

BYTE* CISPNGReader::ReadRGBA(CISReadCall& call, uint32_t* width, uint32_t* height, uint32_t filler, bool samples16,
                             uint32_t flags)
{
    return Frame(call, width, height, flags, [&](png_structp png, png_infop info, ISPngRequest* request) -> int32_t {
        if (m_colourType == PNG_COLOR_TYPE_PALETTE)
            png_set_expand(png);
        if (m_colourType == PNG_COLOR_TYPE_GRAY && m_bitDepth < 8)
            png_set_expand(png);
        if (m_colourType == PNG_COLOR_TYPE_GRAY || m_colourType == PNG_COLOR_TYPE_GRAY_ALPHA)
            png_set_gray_to_rgb(png);
        if (m_bitDepth == 16) {
            if (samples16)
                png_set_swap(png);
            else
                png_set_strip_16(png);
        }
        if (!(m_colourType & PNG_COLOR_MASK_ALPHA)) {
            if (png_get_valid(png, info, PNG_INFO_tRNS))
                png_set_tRNS_to_alpha(png);
            else
                png_set_filler(png, filler, PNG_FILLER_AFTER);
        }
        request->expectedRowBytes = uint64_t(m_width) * 4 * (samples16 ? 2 : 1);
        request->stride = request->expectedRowBytes;
        if (flags & 8) {
            png_set_bgr(png);
            request->stride = RoundUp4(request->expectedRowBytes);
        }
        return 0;
    });
}

BYTE* CISPNGReader::ReadDIB(CISReadCall& call, uint32_t* width, uint32_t* height, uint32_t flags)
{
    if (flags & 8) {
        m_status = 5;
        return nullptr;
    }
    RGBQUAD palette[256];
    uint32_t depth = 0;
    BYTE* buffer = Frame(call, width, height, flags, [&](png_structp png, png_infop info, ISPngRequest* request) -> int32_t {
        const bool indexed = m_colourType == PNG_COLOR_TYPE_PALETTE;
        if (m_bitDepth == 1)
            depth = 1;
        else if (indexed && m_bitDepth <= 4)
            depth = 4;
        else if (indexed || m_colourType == PNG_COLOR_TYPE_GRAY)
            depth = 8;
        else if (m_colourType == PNG_COLOR_TYPE_RGB)
            depth = 24;
        else
            depth = 32;
        if (depth == 32) {
            if (m_colourType == PNG_COLOR_TYPE_GRAY_ALPHA)
                png_set_gray_to_rgb(png);
            if (png_get_valid(png, info, PNG_INFO_tRNS))
                png_set_tRNS_to_alpha(png);
            else if (!(m_colourType & PNG_COLOR_MASK_ALPHA))
                png_set_filler(png, 255, PNG_FILLER_AFTER);
        }
        if (!SetupPalette(png, info, depth, palette))
            return 28;
        if (m_bitDepth == 16)
            png_set_strip_16(png);
        if (!(m_colourType & PNG_COLOR_MASK_ALPHA))
            SetupBackground(png, info);
        png_set_bgr(png);
        png_uint_32 x = 0, y = 0;
        int unit = 0;
        if (png_get_pHYs(png, info, &x, &y, &unit) && unit == PNG_RESOLUTION_METER) {
            m_xPerMetre = x;
            m_yPerMetre = y;
        }
        const uint64_t entries = depth <= 8 ? (uint64_t(1) << depth) : 0;
        request->headerBytes = sizeof(BITMAPINFOHEADER) + entries * sizeof(RGBQUAD);
        request->stride = (uint64_t(m_width) * depth + 31) / 32 * 4;
        request->expectedRowBytes = 0;
        request->bottomUp = true;
        return 0;
    });
    if (!buffer)
        return nullptr;
    BITMAPINFOHEADER header;
    std::memset(&header, 0, sizeof header);
    const uint32_t stride = (m_width * depth + 31) / 32 * 4;
    header.biSize = sizeof(BITMAPINFOHEADER);
    header.biWidth = static_cast<LONG>(m_width);
    header.biHeight = static_cast<LONG>(m_height);
    header.biPlanes = 1;
    header.biBitCount = static_cast<WORD>(depth);
    header.biCompression = 0;
    header.biSizeImage = stride * m_height;
    header.biXPelsPerMeter = static_cast<LONG>(m_xPerMetre > 0x7FFFFFFF ? 0x7FFFFFFF : m_xPerMetre);
    header.biYPelsPerMeter = static_cast<LONG>(m_yPerMetre > 0x7FFFFFFF ? 0x7FFFFFFF : m_yPerMetre);
    header.biClrUsed = depth <= 8 ? (1u << depth) : 0;
    std::memcpy(buffer, &header, sizeof header);
    if (depth <= 8)
        std::memcpy(buffer + sizeof header, palette, (size_t(1) << depth) * sizeof(RGBQUAD));
    if (m_bitDepth == 2 && depth == 4) {
        BYTE* rows = buffer + sizeof header + 16 * sizeof(RGBQUAD);
        std::vector<BYTE> temp(stride);
        for (uint32_t y = 0; y < m_height; ++y) {
            BYTE* row = rows + uint64_t(y) * stride;
            std::memcpy(temp.data(), row, stride);
            std::memset(row, 0, stride);
            ISConvert2BitTo4Bit(temp.data(), row, 2, m_width);
        }
    }
    return buffer;
}
