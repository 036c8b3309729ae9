// Overlay: one image combined onto another by blend mode and opacity, packed
// 1-bit placement, and a solid colour through a coverage mask.
#pragma once

#include <cstdint>

#include "../core/buffers.h"
#include "../is5.h"
#include "../platform/winshim.h"

// Flags of the overlay.
constexpr uint32_t kISOverlay16Bit = IS5_OVERLAY_16BIT;
constexpr uint32_t kISOverlayBottomUp = 0x4;

// Modes 0..30; anything else fails with 5 once a row is to be blended.
constexpr int32_t kISOverlayModeCount = 31;

// The part of the destination (dstWidth x dstHeight) that an overlay of
// ovlWidth x ovlHeight at (x, y) covers. 64-bit so that x + ovlWidth cannot
// overflow; FALSE when the overlap is empty.
BOOL ISOverlapRect(int64_t x, int64_t y, int64_t ovlWidth, int64_t ovlHeight, int64_t dstWidth, int64_t dstHeight,
                   RECT* overlap);

// The overlay operation object. Strides of Overlay8/Overlay16 count samples;
// those of Overlay1Bit count bytes.
class CISImgOverlayT {
public:
    int32_t status = 0;

    BOOL Overlay8(BYTE* dst, int32_t dstWidth, int32_t dstHeight, int32_t channels, int32_t dstStride,
                  const BYTE* ovl, int32_t ovlWidth, int32_t ovlHeight, int32_t ovlStride, int32_t x, int32_t y,
                  double opacity, double second, int32_t mode, uint32_t flags);
    BOOL Overlay16(uint16_t* dst, int32_t dstWidth, int32_t dstHeight, int32_t channels, int32_t dstStride,
                   const uint16_t* ovl, int32_t ovlWidth, int32_t ovlHeight, int32_t ovlStride, int32_t x, int32_t y,
                   double opacity, double second, int32_t mode, uint32_t flags);

    // Packed 1-bit pixels, most significant bit first. Flags: bit 0 clear
    // replaces; bit 0 with bit 1 ORs, bit 0 without bit 1 ANDs; 0x8 reads the
    // source rows bottom-up.
    BOOL Overlay1Bit(BYTE* dst, int32_t dstWidth, int32_t dstHeight, int32_t dstStride, const BYTE* src,
                     int32_t srcWidth, int32_t srcHeight, int32_t srcStride, int32_t x, int32_t y, uint32_t flags);
};

// One image's geometry as the overlay core sees it; stride in samples.
template <typename T>
struct ISOverlayImage {
    T* pixels;
    int32_t width;
    int32_t height;
    int32_t channels;
    int32_t stride;
};

// Clip, then blend on the calling thread or in bands on the pool. Returns the
// status (0 on success).
int32_t ISOverlayRun8(const ISOverlayImage<BYTE>& dst, const ISOverlayImage<const BYTE>& ovl, int32_t x, int32_t y,
                      double opacity, double second, int32_t mode, uint32_t flags);
int32_t ISOverlayRun16(const ISOverlayImage<uint16_t>& dst, const ISOverlayImage<const uint16_t>& ovl, int32_t x,
                       int32_t y, double opacity, double second, int32_t mode, uint32_t flags);

// The blend over the destination rows [rect.top, rect.bottom) and columns
// [rect.left, rect.right) of an already clipped overlap. Returns the status.
int32_t ISOverlayCore8(const ISOverlayImage<BYTE>& dst, const ISOverlayImage<const BYTE>& ovl, int32_t x, int32_t y,
                       double opacity, double second, int32_t mode, uint32_t flags, const RECT& rect);
int32_t ISOverlayCore16(const ISOverlayImage<uint16_t>& dst, const ISOverlayImage<const uint16_t>& ovl, int32_t x,
                        int32_t y, double opacity, double second, int32_t mode, uint32_t flags, const RECT& rect);

// Blends `colour` (bytes from the lowest: c0, c1, c2, c3) into an image of 3
// or 4 byte channels through a coverage mask placed at (x, y). Flag bit 0
// swaps c0 and c2; with 4 channels the highest of 0x20, 0x10, 0x8, 0x4, 0x2
// picks how the fourth byte is treated. Stores the status in *status.
BOOL ISBlendMask8(BYTE* image, int32_t width, int32_t height, int32_t channels, int32_t stride, const BYTE* mask,
                  int32_t maskWidth, int32_t maskHeight, int32_t maskStride, uint32_t colour, int32_t x, int32_t y,
                  uint32_t flags, int32_t* status);
