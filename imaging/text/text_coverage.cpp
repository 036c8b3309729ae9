// The shrink works on the packed bits, and only where the text has ink: a
// layout's text boxes are mostly empty, and unpacking and decimating all of
// them cost more than drawing the text.
#include "text_coverage.h"

namespace {

// Index from the left (most significant bit 0) of the first and the last set
// bit of a non-zero byte.
int32_t FirstBit(unsigned b) { return __builtin_clz(b) - 24; }
int32_t LastBit(unsigned b) { return 7 - __builtin_ctz(b); }

}  // namespace

bool ISFindInkBlocks(const BYTE* bits, size_t stride, int32_t width, int32_t height, int32_t k, ISMaskBlocks* blocks)
{
    if (!bits || width <= 0 || height <= 0 || k < 1)
        return false;
    const size_t whole = size_t(width) / 8;
    const int32_t rest = width % 8;
    const BYTE restMask = static_cast<BYTE>(0xFF00u >> rest);
    int32_t first = width, last = -1, top = -1, bottom = -1;
    for (int32_t y = 0; y < height; ++y) {
        const BYTE* row = bits + size_t(y) * stride;
        size_t i = 0;
        while (i < whole && !row[i])
            ++i;
        const BYTE tail = rest ? static_cast<BYTE>(row[whole] & restMask) : 0;
        if (i == whole && !tail)
            continue;
        if (top < 0)
            top = y;
        bottom = y;
        const int32_t from = i < whole ? int32_t(i * 8) + FirstBit(row[i]) : int32_t(whole * 8) + FirstBit(tail);
        if (from < first)
            first = from;
        int32_t to;
        if (tail) {
            to = int32_t(whole * 8) + LastBit(tail);
        } else {
            size_t j = whole - 1;
            while (!row[j])
                --j;
            to = int32_t(j * 8) + LastBit(row[j]);
        }
        if (to > last)
            last = to;
    }
    if (top < 0)
        return false;
    blocks->left = first / k;
    blocks->right = last / k + 1;
    blocks->top = top / k;
    blocks->bottom = bottom / k + 1;
    return true;
}

void ISShrinkTextMask(const BYTE* bits, size_t stride, int32_t k, BYTE on, const ISMaskBlocks& blocks, BYTE* out,
                      size_t outStride)
{
    // The decimation's block sum divided by its area, for each count of set bits.
    const uint32_t area = uint32_t(k) * uint32_t(k);
    BYTE level[256 + 1];
    const uint32_t levels = area < 256 ? area : 256;
    for (uint32_t n = 0; n <= levels; ++n)
        level[n] = static_cast<BYTE>(uint64_t(n) * on / area);
    const int32_t columns = blocks.right - blocks.left;
    for (int32_t by = blocks.top; by < blocks.bottom; ++by) {
        BYTE* o = out + size_t(by - blocks.top) * outStride;
        const BYTE* row = bits + size_t(by) * size_t(k) * stride;
        if (k == 2) {
            // The factor the calendar draws with: four blocks to a byte.
            static const BYTE kPairBits[4] = {0, 1, 1, 2};
            for (int32_t bx = blocks.left; bx < blocks.right; ++bx) {
                const size_t i = size_t(bx) >> 2;
                const int shift = 6 - 2 * (bx & 3);
                o[bx - blocks.left] =
                    level[kPairBits[(row[i] >> shift) & 3] + kPairBits[(row[stride + i] >> shift) & 3]];
            }
            continue;
        }
        for (int32_t bx = 0; bx < columns; ++bx) {
            const size_t x0 = size_t(blocks.left + bx) * size_t(k);
            uint32_t n = 0;
            for (int32_t j = 0; j < k; ++j) {
                const BYTE* r = row + size_t(j) * stride;
                for (size_t x = x0; x < x0 + size_t(k); ++x)
                    n += (r[x >> 3] >> (7 - (x & 7))) & 1u;
            }
            o[bx] = n <= levels ? level[n] : static_cast<BYTE>(uint64_t(n) * on / area);
        }
    }
}
