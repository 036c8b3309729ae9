// Anti-aliased text on RGB images: a 1-bit mask drawn at k times the size,
// turned into coverage, shrunk by decimation and blended in the text colour.
#include <cstring>

#include "../core/frame.h"
#include "../overlay/overlay.h"
#include "../resize/resize.h"
#include "text.h"

int32_t ISDrawSmoothTextMono(BYTE* pixels, uint32_t width, uint32_t height, uint32_t stride, const void* text,
                             const LOGFONTA* font, uint32_t factor, const RECT* box, uint32_t format, uint32_t flags,
                             COLORREF colour)
{
    if (!pixels || !font || !box || factor < 1 || uint64_t(stride) < uint64_t(width) * 3 || width > INT32_MAX ||
        height > INT32_MAX || stride > INT32_MAX)
        return 5;
    if (ISTextEmpty(text, flags))
        return 0;
    const int64_t k = factor;
    const int64_t boxWidth = int64_t(box->right) - box->left;
    const int64_t boxHeight = int64_t(box->bottom) - box->top;
    if (boxWidth * k <= 0 || boxHeight * k <= 0)
        return 0;

    // The margin of one space on each side keeps overhanging glyphs in the mask.
    int32_t space = 0;
    int32_t status = ISTextExtent(text, *font, *box, format, flags, nullptr, &space);
    if (status)
        return status;
    const int64_t maskWidth = boxWidth * k + 2 * k * space;
    const int64_t maskHeight = boxHeight * k;
    const int64_t smallWidth = boxWidth + 2 * int64_t(space);
    if (maskWidth > INT32_MAX || maskHeight > INT32_MAX || uint64_t(maskWidth) * uint64_t(maskHeight) > kISMaxAlloc ||
        (uint64_t(maskWidth) + 7) / 8 * uint64_t(maskHeight) > kISMaxAlloc)
        return 1;

    LOGFONTA scaled = *font;
    if (int64_t(scaled.lfHeight) * k > INT32_MAX || int64_t(scaled.lfHeight) * k < INT32_MIN)
        return 5;
    scaled.lfHeight = static_cast<LONG>(scaled.lfHeight * k);
    const RECT maskBox = {static_cast<LONG>(k * space), 0, static_cast<LONG>(k * space + boxWidth * k),
                          static_cast<LONG>(maskHeight)};
    const bool bottomUp = (flags & kISTextBottomUp) != 0;
    ISArray<BYTE> bits;
    status = ISDrawTextMask(text, scaled, maskBox, format, flags, int32_t(maskWidth), int32_t(maskHeight), bottomUp,
                            &bits);
    if (status)
        return status;

    // Coverage: trunc(255 x the thread's opacity factor) where the text is.
    const ISThreadState* state = ISGetThreadState();
    const double opacity = state ? state->textOpacity : 1.0;
    const double scaledOn = 255.0 * opacity;
    const BYTE on = scaledOn >= 255.0 ? 255 : scaledOn > 0.0 ? static_cast<BYTE>(scaledOn) : 0;
    ISArray<BYTE> coverage;
    if (!coverage.Resize(static_cast<int32_t>(maskWidth * maskHeight)))
        return 1;
    const size_t bitRow = (size_t(maskWidth) + 7) / 8;
    for (int64_t y = 0; y < maskHeight; ++y) {
        const BYTE* src = bits.GetData() + size_t(y) * bitRow;
        BYTE* dst = coverage.GetData() + size_t(y) * size_t(maskWidth);
        for (int64_t x = 0; x < maskWidth; ++x)
            dst[x] = (src[x >> 3] & (0x80 >> (x & 7))) ? on : 0;
    }
    bits.Clear();

    ISArray<BYTE> small;
    if (!small.Resize(static_cast<int32_t>(smallWidth * boxHeight)))
        return 1;
    if (!ISResize8(&status, coverage.GetData(), int32_t(maskWidth), int32_t(maskHeight), small.GetData(), 1,
                   int32_t(smallWidth), int32_t(boxHeight), int32_t(maskWidth), int32_t(smallWidth), 14, 14))
        return status ? status : 5;
    coverage.Clear();

    // Bottom-up images count the box's top from the bottom.
    const int64_t top = bottomUp ? int64_t(height) - boxHeight - box->top : box->top;
    const int64_t left = int64_t(box->left) - space;
    if (top < INT32_MIN || top > INT32_MAX || left < INT32_MIN)
        return 0;
    if (!ISBlendMask8(pixels, int32_t(width), int32_t(height), 3, int32_t(stride), small.GetData(),
                      int32_t(smallWidth), int32_t(boxHeight), int32_t(smallWidth), colour, int32_t(left),
                      int32_t(top), 0, &status))
        return status ? status : 5;
    return status;
}

extern "C" BOOL is5_DrawSmoothTextOnRGB2(void* pixels, uint32_t width, uint32_t height, uint32_t stride,
                                         const void* text, const LOGFONTA* font, uint32_t factor, const RECT* box,
                                         uint32_t format, uint32_t flags, COLORREF colour)
{
    static const char kName[] = "is5_DrawSmoothTextOnRGB2";
    if (!ISGetThreadState())
        return FALSE;
    ISSetLastError(0, kName);
    ISCallGuard guard;
    const int32_t status = ISDrawSmoothTextMono(static_cast<BYTE*>(pixels), width, height, stride, text, font, factor,
                                                box, format, flags, colour);
    if (status) {
        ISSetLastError(status, kName);
        return FALSE;
    }
    return TRUE;
}
