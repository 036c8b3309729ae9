// Tone and colour adjustments of 8-bit samples in place: brightness and
// contrast through a tone curve, saturation, gamma, per-channel tables,
// histograms and the automatic grey threshold. Each routine returns TRUE on success and
// stores its status (0, 1 out of memory, 5 bad argument, 14 cancelled) in
// *status, which may be null.
#pragma once

#include <cstdint>

#include "../is5.h"
#include "../platform/winshim.h"

// Flags of the brightness and contrast adjustment.
constexpr uint32_t kISToneKeepAlpha = IS5_TONE_KEEP_ALPHA;
constexpr uint32_t kISToneThreePoints = IS5_TONE_THREE_POINTS;
constexpr uint32_t kISToneSevenPoints = IS5_TONE_SEVEN_POINTS;
constexpr uint32_t kISToneGreyOffset = IS5_TONE_GREY_OFFSET;
constexpr uint32_t kISToneLightness = IS5_TONE_LIGHTNESS;

// Flag of the gamma correction: with 4 channels the fourth goes through the table too.
constexpr uint32_t kISGammaAlpha = 0x1;

struct ISCurvePoint {
    double x;
    double y;
};

// Piecewise linear curve through `count` points (x ascending) into
// table[0..size-1], each written value clamped to [low, high]. Entries that no
// segment reaches keep their values.
void ISCurveToTable(const ISCurvePoint* points, int32_t count, double* table, int32_t size, double low, double high);

// The 256-entry tone table for brightness and contrast with 3, 5 or 7 control
// points (from kISToneThreePoints / kISToneSevenPoints).
void ISBrightnessContrastTable(double brightness, double contrast, uint32_t flags, BYTE table[256]);

BOOL ISBrightnessContrast(BYTE* pixels, int32_t width, int32_t height, int32_t channels, int32_t stride,
                          double brightness, double contrast, uint32_t flags, int32_t* status);

// Saturation by a luminance-weighted matrix on the first three bytes of 3- or
// 4-byte pixels; 0 leaves the image as it is.
BOOL ISSaturationMatrix(BYTE* pixels, int32_t width, int32_t height, int32_t channels, int32_t stride,
                        double saturation, int32_t* status);

// The gamma table: entry i = trunc(256 (i / 256)^(1 / gamma)), at most 255;
// gamma 0 is the identity. FALSE for a negative, NaN or infinite gamma.
BOOL ISGammaTable(double gamma, BYTE table[256]);

// Every sample of 1 to 4 channels through the gamma table (the fourth only
// with kISGammaAlpha); an empty image succeeds.
BOOL ISAdjustGammaImpl(BYTE* pixels, uint32_t width, uint32_t height, uint32_t channels, uint32_t stride,
                       double gamma, uint32_t flags, int32_t* status);

// Each sample through its channel's table; a null table leaves that channel.
BOOL ISApplyChannelLUT(BYTE* pixels, int32_t width, int32_t height, int32_t channels, int32_t stride,
                       const BYTE* const* tables, int32_t* status);

// Clears and counts every channel whose counter array is not null.
BOOL ISHistogram(const BYTE* pixels, int32_t width, int32_t height, int32_t channels, int32_t stride,
                 uint32_t* const* counters, int32_t* status);

// Method 4 (between-class variance) only. Stores the cut (threshold + 1, at
// most 255) in *cut; unless thresholdOnly, packs the grey image to 1 bit a
// pixel (1 for values at or above the cut) at dst + row * dstStride.
BOOL ISAutoThreshold(const BYTE* grey, BYTE* dst, int32_t width, int32_t height, int32_t srcStride,
                     int32_t dstStride, int32_t method, int32_t value, BOOL thresholdOnly, int32_t* cut,
                     int32_t* status);
