// The header questions of is5_GetPNGDims.
#include <cstring>

#include "png_reader.h"

BOOL CISPNGReader::GetDims(CISIO* source, uint32_t* width, uint32_t* height, uint32_t* bitDepth,
                           uint32_t* colourType, uint32_t* interlace, int32_t* palCount, RGBQUAD* palette,
                           int32_t trans[5], ISResolution* resolution)
{
    m_status = 0;
    *width = 0;
    *height = 0;
    if (resolution)
        std::memset(resolution, 0, sizeof *resolution);
    for (int i = 0; i < 5; ++i)
        trans[i] = -1;
    CISPngStructs s;
    if (!s.png || !s.info) {
        m_status = 16;
        return FALSE;
    }
    const bool ok = ISRunCaught(&m_status, [&] {
        png_set_read_fn(s.png, source, ISPngReadCallback);
        png_read_info(s.png, s.info);
        png_get_IHDR(s.png, s.info, &m_width, &m_height, &m_bitDepth, &m_colourType, &m_interlace, nullptr,
                     nullptr);
        *width = m_width;
        *height = m_height;
        *bitDepth = static_cast<uint32_t>(m_bitDepth);
        *colourType = static_cast<uint32_t>(m_colourType);
        *interlace = static_cast<uint32_t>(m_interlace);
        if (palette)
            std::memset(palette, 0, 256 * sizeof(RGBQUAD));
        png_colorp entries = nullptr;
        int count = 0;
        if (png_get_PLTE(s.png, s.info, &entries, &count)) {
            *palCount = count;
            if (palette && m_colourType == PNG_COLOR_TYPE_PALETTE && count <= 256)
                ISPngFillPalette(s.png, s.info, m_colourType, m_bitDepth, palette);
        } else if (m_colourType == PNG_COLOR_TYPE_GRAY) {
            *palCount = 1 << m_bitDepth;
            if (palette && m_bitDepth <= 8)
                ISPngFillPalette(s.png, s.info, m_colourType, m_bitDepth, palette);
        }
        png_bytep alphas = nullptr;
        int alphaCount = 0;
        png_color_16p colour = nullptr;
        if (png_get_tRNS(s.png, s.info, &alphas, &alphaCount, &colour)) {
            if (colour) {
                trans[1] = colour->red;
                trans[2] = colour->green;
                trans[3] = colour->blue;
                trans[4] = colour->gray;
            } else {
                trans[1] = trans[2] = trans[3] = trans[4] = 0;
            }
            if (palette && alphas)
                for (int i = 0; i < alphaCount && i < 256; ++i)
                    palette[i].rgbReserved = alphas[i];
        }
        StoreBackground(s.png, s.info);
        png_uint_32 x = 0, y = 0;
        int unit = 0;
        if (resolution && png_get_pHYs(s.png, s.info, &x, &y, &unit)) {
            resolution->x = static_cast<double>(x);
            resolution->y = static_cast<double>(y);
            resolution->unit = static_cast<uint32_t>(unit);
        }
    });
    if (!ok) {
        m_status = 15;
        return FALSE;
    }
    return TRUE;
}
