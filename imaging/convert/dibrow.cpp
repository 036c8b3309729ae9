// Decoding one row of a DIB (1 to 32 bits a pixel) into R,G,B bytes.
#include "convert.h"

#include <cstring>

#include "../core/buffers.h"

void ISBitfieldShifts(const uint32_t masks[3], ISBitfield fields[3], uint32_t pixelBits)
{
    const int32_t top = pixelBits == 32 ? 31 : 15;
    const uint32_t valid = pixelBits == 32 ? 0xFFFFFFFFu : 0xFFFFu;
    for (int c = 0; c < 3; ++c) {
        ISBitfield f;
        const uint32_t mask = masks ? (masks[c] & valid) : 0;
        if (mask) {
            int32_t first = 0;
            while (!(mask & (1u << first)))
                ++first;
            int32_t last = first;
            while (last < top && (mask & (1u << (last + 1))))
                ++last;
            f.first = first;
            f.width = last - first + 1;
            // The run's top bit lands on bit 7.
            f.shift = 7 - last;
        }
        fields[c] = f;
    }
}

namespace {

inline BYTE Field(uint32_t pixel, uint32_t mask, const ISBitfield& f)
{
    if (f.width == 0)
        return 0;
    const uint32_t v = pixel & mask & 0xFFFFu;
    return static_cast<BYTE>(f.shift >= 0 ? v << f.shift : v >> -f.shift);
}

inline BYTE Field32(uint32_t pixel, uint32_t mask, const ISBitfield& f)
{
    if (f.width == 0)
        return 0;
    const uint32_t v = pixel & mask;
    return static_cast<BYTE>(f.shift >= 0 ? v << f.shift : v >> -f.shift);
}

inline uint32_t IndexAt(const BYTE* row, uint32_t i, uint32_t bits)
{
    switch (bits) {
    case 1:
        return (row[i / 8] >> (7 - i % 8)) & 1;
    case 4:
        return (i & 1) ? (row[i / 2] & 0x0F) : (row[i / 2] >> 4);
    default:
        return row[i];
    }
}

}  // namespace

BOOL CISImgUtil::ISDIBRowToRGB(const BYTE* row, BYTE* target, uint32_t count, uint32_t bitCount,
                               const RGBQUAD* palette, const uint32_t* masks, BOOL addAlpha, BYTE alpha,
                               BOOL keepOrder)
{
    if (!row || !target)
        return Fail(5);
    if (count == 0)
        return TRUE;
    const size_t outStep = addAlpha ? 4 : 3;
    BYTE* out = target;
    switch (bitCount) {
    case 1:
    case 4:
    case 8:
        if (!palette)
            return Fail(5);
        for (uint32_t i = 0; i < count; ++i, out += outStep) {
            const RGBQUAD& q = palette[IndexAt(row, i, bitCount)];
            out[0] = q.rgbRed;
            out[1] = q.rgbGreen;
            out[2] = q.rgbBlue;
            if (addAlpha)
                out[3] = alpha;
        }
        return TRUE;
    case 16:
        if (masks) {
            ISBitfield f[3];
            ISBitfieldShifts(masks, f);
            for (uint32_t i = 0; i < count; ++i, out += outStep) {
                const uint32_t p = row[2 * i] | (uint32_t(row[2 * i + 1]) << 8);
                out[0] = Field(p, masks[0], f[0]);
                out[1] = Field(p, masks[1], f[1]);
                out[2] = Field(p, masks[2], f[2]);
                if (addAlpha)
                    out[3] = alpha;
            }
        } else {
            for (uint32_t i = 0; i < count; ++i, out += outStep) {
                const uint32_t p = row[2 * i] | (uint32_t(row[2 * i + 1]) << 8);
                out[0] = static_cast<BYTE>(((p >> 10) & 31) * 255 / 31);
                out[1] = static_cast<BYTE>(((p >> 5) & 31) * 255 / 31);
                out[2] = static_cast<BYTE>((p & 31) * 255 / 31);
                if (addAlpha)
                    out[3] = alpha;
            }
        }
        return TRUE;
    case 24:
        if (addAlpha) {
            ISArray<BYTE> temp;
            if (uint64_t(count) * 3 > INT32_MAX || !temp.Resize(static_cast<int32_t>(count * 3)))
                return Fail(1);
            memcpy(temp.GetData(), row, size_t(count) * 3);
            if (!keepOrder)
                ISSwapRB24(temp.GetData(), count, 1);
            return ISRGBToRGBAImpl(temp.GetData(), count, 1, size_t(count) * 3, size_t(count) * 4, alpha, target);
        }
        memmove(target, row, size_t(count) * 3);
        if (!keepOrder)
            ISSwapRB24(target, count, 1);
        return TRUE;
    case 32:
        if (masks) {
            ISBitfield f[3];
            ISBitfieldShifts(masks, f, 32);
            // The top byte is alpha only where no colour claims it.
            const bool ownAlpha = ((masks[0] | masks[1] | masks[2]) & 0xFF000000u) == 0;
            const int r = keepOrder ? 2 : 0, b = keepOrder ? 0 : 2;
            for (uint32_t i = 0; i < count; ++i, out += outStep) {
                const BYTE* q = row + 4 * size_t(i);
                const uint32_t p = q[0] | (uint32_t(q[1]) << 8) | (uint32_t(q[2]) << 16) | (uint32_t(q[3]) << 24);
                out[r] = Field32(p, masks[0], f[0]);
                out[1] = Field32(p, masks[1], f[1]);
                out[b] = Field32(p, masks[2], f[2]);
                if (addAlpha)
                    out[3] = ownAlpha ? q[3] : alpha;
            }
            return TRUE;
        }
        for (uint32_t i = 0; i < count; ++i, out += outStep) {
            const BYTE* p = row + 4 * size_t(i);
            out[0] = keepOrder ? p[0] : p[2];
            out[1] = p[1];
            out[2] = keepOrder ? p[2] : p[0];
            if (addAlpha)
                out[3] = p[3];
        }
        return TRUE;
    default:
        return Fail(5);
    }
}
