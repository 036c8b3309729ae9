// Transformations shared by the PNG reads: palettes, background, gamma.
#include <cstring>

#include "png_reader.h"

CISPngStructs::CISPngStructs()
{
    png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, ISPngOnError, ISPngOnWarning);
    if (png) {
        // Benign faults (a long tRNS, an ancillary CRC) are warnings, never a stop.
        png_set_benign_errors(png, 1);
        png_set_crc_action(png, PNG_CRC_DEFAULT, PNG_CRC_WARN_DISCARD);
        // Chunks no read uses are skipped unread: libpng would otherwise
        // allocate what a text or profile chunk's length claims (a small file
        // can claim 2 GB) and inflate compressed text.
        static const png_byte kUsed[] = {'b', 'K', 'G', 'D', 0, 'g', 'A', 'M', 'A', 0,
                                         's', 'R', 'G', 'B', 0, 'p', 'H', 'Y', 's', 0};
        png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_NEVER, nullptr, -1);
        png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_AS_DEFAULT, kUsed, 4);
        info = png_create_info_struct(png);
    }
}

CISPngStructs::~CISPngStructs()
{
    if (png)
        png_destroy_read_struct(&png, info ? &info : nullptr, nullptr);
}

namespace {

RGBQUAD Quad(BYTE red, BYTE green, BYTE blue)
{
    RGBQUAD q;
    q.rgbBlue = blue;
    q.rgbGreen = green;
    q.rgbRed = red;
    q.rgbReserved = 255;
    return q;
}

void FillGreyLevels(int bitDepth, RGBQUAD* palette)
{
    const int n = bitDepth < 8 ? bitDepth : 8;
    png_color levels[256];
    png_build_grayscale_palette(n, levels);
    const int count = 1 << n;
    for (int i = 0; i < count; ++i)
        palette[i] = Quad(levels[i].red, levels[i].green, levels[i].blue);
    for (int i = count; i < 256; ++i)
        palette[i] = palette[0];
}

png_color_16 ToPng(const ISPngColour& c)
{
    png_color_16 p;
    p.index = c.index;
    p.red = c.red;
    p.green = c.green;
    p.blue = c.blue;
    p.gray = c.grey;
    return p;
}

}  // namespace

void ISPngFillPalette(png_structp png, png_infop info, int colourType, int bitDepth, RGBQUAD* palette)
{
    if (colourType == PNG_COLOR_TYPE_PALETTE) {
        png_colorp entries = nullptr;
        int count = 0;
        if (png_get_PLTE(png, info, &entries, &count) && entries && count > 0) {
            if (count > 256)
                count = 256;
            for (int i = 0; i < count; ++i)
                palette[i] = Quad(entries[i].red, entries[i].green, entries[i].blue);
            for (int i = count; i < 256; ++i)
                palette[i] = palette[0];
        } else {
            for (int i = 0; i < 256; ++i)
                palette[i] = Quad(BYTE(i), BYTE(i), BYTE(i));
        }
    } else {
        FillGreyLevels(bitDepth, palette);
    }
}

bool CISPNGReader::SetupPalette(png_structp png, png_infop info, uint32_t bits, RGBQUAD* palette)
{
    if (bits < 24 && static_cast<int>(bits / 8) > m_bitDepth)
        return false;
    const bool indexed = m_colourType == PNG_COLOR_TYPE_PALETTE;
    const bool grey = m_colourType == PNG_COLOR_TYPE_GRAY;
    if (bits == 24) {
        if (indexed)
            png_set_expand(png);
        if (grey && m_bitDepth < 8)
            png_set_expand(png);
        if (grey || m_colourType == PNG_COLOR_TYPE_GRAY_ALPHA)
            png_set_gray_to_rgb(png);
        return true;
    }
    if (bits == 8 || bits == 4 || bits == 1) {
        if (!palette || !(indexed || grey))
            return false;
        std::memset(palette, 0, 256 * sizeof(RGBQUAD));
        if (bits == 8)
            png_set_packing(png);
        ISPngFillPalette(png, info, m_colourType, m_bitDepth, palette);
        if (bits != 1) {
            png_bytep alphas = nullptr;
            int count = 0;
            png_color_16p colour = nullptr;
            if (png_get_tRNS(png, info, &alphas, &count, &colour) && alphas && indexed) {
                for (int i = 0; i < count && i < 256; ++i)
                    palette[i].rgbReserved = alphas[i];
            }
        }
        return true;
    }
    return true;
}

void CISPNGReader::SetupBackground(png_structp png, png_infop info)
{
    png_color_16p file = nullptr;
    if (png_get_bKGD(png, info, &file) && file) {
        png_set_background(png, file, PNG_BACKGROUND_GAMMA_FILE, 1, 1.0);
    } else {
        ISThreadState* state = ISGetThreadState();
        png_color_16 colour = ToPng(state ? state->png.defaultBackground : ISPngColour());
        png_set_background(png, &colour, PNG_BACKGROUND_GAMMA_SCREEN, 0, 1.0);
    }
}

void CISPNGReader::StoreBackground(png_structp png, png_infop info)
{
    ISThreadState* state = ISGetThreadState();
    if (!state)
        return;
    ISPngColour stored;
    png_color_16p file = nullptr;
    if (png_get_bKGD(png, info, &file) && file) {
        stored.index = file->index;
        stored.red = file->red;
        stored.green = file->green;
        stored.blue = file->blue;
        stored.grey = file->gray;
    }
    state->png.fileBackground = stored;
}

void CISPNGReader::SetupGamma(png_structp png, png_infop info, uint32_t flags)
{
    ISThreadState* state = ISGetThreadState();
    const double screen = state ? state->png.screenGamma : 2.9;
    int intent = 0;
    if (png_get_sRGB(png, info, &intent))
        return;  // sRGB pictures are shown as stored
    if (!(flags & 1) || !(screen > 0.0))
        return;
    double fileGamma = 1.0 / screen;
    double stored = 0.0;
    if (png_get_gAMA(png, info, &stored) && stored > 0.0)
        fileGamma = stored;
    png_set_gamma(png, screen, fileGamma);
}
