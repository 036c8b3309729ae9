// Anti-aliased text on RGB images: a 1-bit mask drawn at k times the size,
// turned into coverage, shrunk by decimation and blended in the text colour.
#include <cstring>

#include "../core/frame.h"
#include "../overlay/overlay.h"
#include "text.h"
#include "text_coverage.h"

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

    // Coverage: trunc(255 x the thread's opacity factor) where the text is,
    // decimated by k. Outside the blocks that hold ink it is 0, which the
    // blend leaves as it is, so only those blocks are shrunk and blended.
    const ISThreadState* state = ISGetThreadState();
    const double opacity = state ? state->textOpacity : 1.0;
    const double scaledOn = 255.0 * opacity;
    const BYTE on = scaledOn >= 255.0 ? 255 : scaledOn > 0.0 ? static_cast<BYTE>(scaledOn) : 0;
    // The decimation's 32-bit block sums limit the factor.
    if (uint64_t(k) * uint64_t(k) > 4294967295u / 255)
        return 5;
    const size_t bitRow = (size_t(maskWidth) + 7) / 8;
    ISMaskBlocks ink;
    if (!ISFindInkBlocks(bits.GetData(), bitRow, int32_t(maskWidth), int32_t(maskHeight), int32_t(k), &ink))
        return 0;
    const int32_t inkWidth = ink.right - ink.left;
    const int32_t inkHeight = ink.bottom - ink.top;
    ISArray<BYTE> small;
    if (!small.Resize(static_cast<int32_t>(int64_t(inkWidth) * inkHeight)))
        return 1;
    ISShrinkTextMask(bits.GetData(), bitRow, int32_t(k), on, ink, small.GetData(), size_t(inkWidth));
    bits.Clear();
    // Bottom-up images count the box's top from the bottom.
    const int64_t top = (bottomUp ? int64_t(height) - boxHeight - box->top : box->top) + ink.top;
    const int64_t left = int64_t(box->left) - space + ink.left;
    if (top < INT32_MIN || top > INT32_MAX || left < INT32_MIN || left > INT32_MAX)
        return 0;
    if (!ISBlendMask8(pixels, int32_t(width), int32_t(height), 3, int32_t(stride), small.GetData(), inkWidth,
                      inkHeight, inkWidth, colour, int32_t(left), int32_t(top), 0, &status))
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
