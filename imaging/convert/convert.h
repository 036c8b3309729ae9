// The library's small pixel routines: resolution units, grey, row copies and
// crops, flips, packing, DIB rows, palettes, 16-to-8 bits, alpha and HSL.
// Strides are in bytes unless a routine says samples.
#pragma once

#include <cstddef>
#include <cstdint>

#include "../is5.h"
#include "../pool/pool.h"

// Kinds of resolution record for ISConvertResolution.
enum : int32_t {
    kISResJpegUnit = 0,   // 0 none, 1 per inch, 2 per centimetre
    kISResTiffUnit = 1,   // 1 none, 2 per inch, 3 per centimetre
    kISResPngUnit = 2,    // 1 per metre
    kISResPerMetre = 4,   // target: unit 1 = per metre, 0 = no absolute unit
};

// Converts the record in place; FALSE (and 0, 0, unit 0) when it carries no
// absolute unit, FALSE for a null record or an unknown kind.
BOOL ISConvertResolution(ISResolution* record, int32_t sourceKind, int32_t targetKind);

// Shifts a row left by 1..7 bits across byte borders; zeros enter at the right.
void ISShiftRowBits(BYTE* row, size_t bytes, uint32_t bits);
// Exchange the first and third byte of width x height packed pixels.
void ISSwapRB24(BYTE* pixels, uint32_t width, uint32_t height);
void ISSwapRB32(BYTE* pixels, uint32_t width, uint32_t height);
// Palette indices one byte each from a packed row of 1, 4 or 8 bits.
void ISUnpackRowIndices(const BYTE* row, BYTE* indices, uint32_t count, uint32_t bits);
// 2-bit pixels into 4-bit ones, two a byte; a 4-bit source is copied.
void ISConvert2BitTo4Bit(const BYTE* source, BYTE* target, uint32_t sourceBits, uint32_t count);

// Where a channel mask's run of set bits lies and how to bring its top bit to
// bit 7: shift > 0 moves left, < 0 right. A zero mask has width 0. Masks of
// 16-bit pixels keep only their low 16 bits.
struct ISBitfield {
    int32_t first = 0;
    int32_t width = 0;
    int32_t shift = 0;
};
void ISBitfieldShifts(const uint32_t masks[3], ISBitfield fields[3], uint32_t pixelBits = 16);

// Hue in degrees (-1 for grey), lightness and saturation 0..1.
void ISRGBToHSL(BYTE red, BYTE green, BYTE blue, double* hue, double* lightness, double* saturation);
void ISHSLToRGB(double hue, double lightness, double saturation, BYTE* red, BYTE* green, BYTE* blue);

// The operation object of the routines that can fail: each returns TRUE on
// success and leaves its library code in m_status (0, 1, 5, 14 or 17).
class CISImgUtil {
public:
    int32_t m_status = 0;
    void ISClearStatus() { m_status = 0; }

    // One grey byte per pixel, (306 R + 601 G + 117 B) >> 10; flags bit 0:
    // pixels are B,G,R. Split over the pool for large images.
    BOOL ISRGBToGrey(const BYTE* source, uint32_t width, uint32_t height, uint32_t pixelStep, size_t sourceStride,
                     size_t targetStride, uint32_t flags, BYTE* target);

    BOOL ISCopyRows(const BYTE* source, size_t sourceStride, uint32_t rows, size_t targetStride, BYTE* target);
    BOOL ISCropRect(const BYTE* source, BYTE* target, uint32_t width, uint32_t height, uint32_t bytesPerPixel,
                    int64_t left, int64_t top, int64_t cropWidth, int64_t cropHeight, size_t sourceStride,
                    size_t targetStride);

    BOOL ISFlipVertical(BYTE* pixels, size_t rowBytes, uint32_t rows);
    BOOL ISFlipHorizontal(BYTE* pixels, uint32_t width, uint32_t rows, uint32_t bytesPerPixel, size_t stride);
    // Pixel size and stride in samples.
    BOOL ISFlipHorizontal16(uint16_t* pixels, uint32_t width, uint32_t rows, uint32_t samplesPerPixel,
                            size_t strideSamples);
    BOOL ISFlipHorizontal1Bit(BYTE* pixels, uint32_t width, uint32_t rows, size_t stride);

    // The source is one bit stream of width x height pixels, most
    // significant bits first; one byte per pixel out.
    BOOL ISUnpackPixels(const BYTE* source, uint32_t width, uint32_t height, uint32_t bits, BYTE* target);
    // A target stride of 0 packs all rows as one bit stream; otherwise each
    // row starts a new target row.
    BOOL ISPackPixels(const BYTE* source, uint32_t width, uint32_t height, size_t sourceStride, BYTE* target,
                      uint32_t bits, size_t targetStride);

    // One DIB row (bit count 1, 4, 8, 16, 24 or 32) to R,G,B (B,G,R for 24
    // and 32 bits with keepOrder), with a fourth alpha byte when addAlpha is
    // set: the given value, or the pixel's own alpha for 32 bits. `masks`
    // (red, green, blue) select 16- and 32-bit fields; null means 5-5-5 and
    // 0x00RRGGBB. With 32-bit masks the top byte is alpha unless a mask
    // covers it, else the given value.
    BOOL ISDIBRowToRGB(const BYTE* row, BYTE* target, uint32_t count, uint32_t bitCount, const RGBQUAD* palette,
                       const uint32_t* masks, BOOL addAlpha, BYTE alpha, BOOL keepOrder);

    // flags bit 0: write B,G,R.
    BOOL ISPaletteToRGB(const BYTE* indices, BYTE* target, uint32_t width, uint32_t height, size_t sourceStride,
                        size_t targetStride, int32_t unused, const RGBQUAD* palette, uint32_t flags);
    BOOL ISMonoToRGB(const BYTE* source, uint32_t width, uint32_t rows, size_t sourceStride,
                     const RGBQUAD* palette, BYTE* target, size_t targetStride);
    BOOL ISRGBToRGBAImpl(const BYTE* source, uint32_t width, uint32_t height, size_t sourceStride,
                         size_t targetStride, BYTE alpha, BYTE* target);
    // Source stride in samples, target stride in bytes; flags bit 0 takes
    // each sample's first byte as it stands.
    BOOL ISConvert16To8Bit(const uint16_t* source, uint32_t pixelsPerRow, uint32_t rows, uint32_t channels,
                           size_t sourceStrideSamples, BYTE* target, size_t targetStride, uint32_t flags);

private:
    BOOL Fail(int32_t code)
    {
        m_status = code;
        return FALSE;
    }
    template <typename T>
    BOOL FlipRows(T* pixels, uint32_t width, uint32_t rows, uint32_t pixelSize, size_t stride);
};
