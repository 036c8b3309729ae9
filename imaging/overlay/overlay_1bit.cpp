// Placement of a packed 1-bit image into another (tiles of 1-bit TIFFs).
#include <cstring>

#include "../core/frame.h"
#include "overlay.h"

namespace {

enum class BitOp { Replace, Or, And };

// Eight source bits starting at bit position p of a row of `bytes` bytes,
// most significant first; bits outside the row read as 0.
inline BYTE GatherBits(const BYTE* row, int64_t bytes, int64_t p)
{
    int64_t q = p >= 0 ? p / 8 : -((7 - p) / 8);
    int shift = static_cast<int>(p - q * 8);
    uint32_t hi = (q >= 0 && q < bytes) ? row[q] : 0;
    uint32_t lo = (q + 1 >= 0 && q + 1 < bytes) ? row[q + 1] : 0;
    return static_cast<BYTE>((((hi << 8) | lo) << shift) >> 8);
}

inline int BitAt(const BYTE* row, int64_t col) { return (row[col >> 3] >> (7 - (col & 7))) & 1; }

inline void SetBit(BYTE* row, int64_t col, int bit)
{
    BYTE m = static_cast<BYTE>(0x80u >> (col & 7));
    if (bit)
        row[col >> 3] |= m;
    else
        row[col >> 3] &= static_cast<BYTE>(~m);
}

bool BadGeometry(int32_t width, int32_t height, int32_t stride)
{
    return width < 0 || height < 0 || static_cast<int64_t>(stride) < (static_cast<int64_t>(width) + 7) / 8;
}

}  // namespace

BOOL CISImgOverlayT::Overlay1Bit(BYTE* dst, int32_t dstWidth, int32_t dstHeight, int32_t dstStride, const BYTE* src,
                                 int32_t srcWidth, int32_t srcHeight, int32_t srcStride, int32_t x, int32_t y,
                                 uint32_t flags)
{
    ISCallGuard guard;
    status = 0;
    if (!dst || !src || dst == src || BadGeometry(dstWidth, dstHeight, dstStride) ||
        BadGeometry(srcWidth, srcHeight, srcStride)) {
        status = 5;
        return FALSE;
    }
    RECT r;
    if (!ISOverlapRect(x, y, srcWidth, srcHeight, dstWidth, dstHeight, &r))
        return TRUE;

    const BitOp op = !(flags & 1) ? BitOp::Replace : ((flags & 2) ? BitOp::Or : BitOp::And);
    const bool bottomUp = (flags & 0x8) != 0;
    const int64_t left = r.left, right = r.right;
    const int64_t srcBytes = (static_cast<int64_t>(srcWidth) + 7) / 8;
    const bool aligned = op == BitOp::Replace && (left & 7) == 0 && (static_cast<int64_t>(x) & 7) == 0;
    const int32_t rows = r.bottom - r.top;

    for (int32_t i = 0; i < rows; ++i) {
        const int64_t row = static_cast<int64_t>(r.top) + i;
        int64_t srcRow = row - y;
        if (bottomUp)
            srcRow = srcHeight - 1 - srcRow;
        BYTE* d = dst + row * dstStride;
        const BYTE* s = src + srcRow * srcStride;
        if (aligned) {
            // Byte-aligned on both sides: whole bytes, then the last few bits.
            int64_t whole = (right - left) / 8;
            std::memcpy(d + left / 8, s + (left - x) / 8, static_cast<size_t>(whole));
            for (int64_t c = left + whole * 8; c < right; ++c)
                SetBit(d, c, BitAt(s, c - x));
        } else {
            for (int64_t byte = left / 8; byte <= (right - 1) / 8; ++byte) {
                int64_t lo = byte * 8 > left ? byte * 8 : left;
                int64_t hi = byte * 8 + 8 < right ? byte * 8 + 8 : right;
                BYTE mask = g_isPartialMask[7 - (lo & 7)][7 - ((hi - 1) & 7)];
                BYTE bits = GatherBits(s, srcBytes, byte * 8 - x);
                switch (op) {
                case BitOp::Replace:
                    d[byte] = static_cast<BYTE>((d[byte] & ~mask) | (bits & mask));
                    break;
                case BitOp::Or:
                    d[byte] |= static_cast<BYTE>(bits & mask);
                    break;
                case BitOp::And:
                    d[byte] &= static_cast<BYTE>(bits | ~mask);
                    break;
                }
            }
        }
        if (ISCallProgress(i, rows)) {
            status = 14;
            return FALSE;
        }
    }
    return TRUE;
}
