// Packing one-byte pixels into 1- to 8-bit rows and unpacking them again.
#include "convert.h"

#include <cstring>

#include "../core/frame.h"

namespace {

// Bit 0 of eight consecutive bytes as one byte, the first in the top bit.
inline BYTE GatherLowBits(const BYTE* in)
{
    uint64_t v = 0;
    for (int i = 0; i < 8; ++i)
        v |= uint64_t(in[i] & 1) << (8 * i);
    // Moves bit 8k to bit 63 - k; no two partial products meet, so nothing carries.
    return static_cast<BYTE>((v * 0x8040201008040201ull) >> 56);
}

inline BYTE GatherLowBitsFast(const BYTE* in)
{
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
    uint64_t v;
    memcpy(&v, in, 8);
    v &= 0x0101010101010101ull;
    return static_cast<BYTE>((v * 0x8040201008040201ull) >> 56);
#else
    return GatherLowBits(in);
#endif
}

// Collects bits most significant first and writes whole bytes.
class BitWriter {
public:
    explicit BitWriter(BYTE* out) : m_out(out) {}
    void Put(uint32_t value, uint32_t bits)
    {
        m_acc = (m_acc << bits) | value;
        m_held += bits;
        if (m_held >= 8) {
            m_held -= 8;
            *m_out++ = static_cast<BYTE>(m_acc >> m_held);
            m_acc &= (1u << m_held) - 1;
        }
    }
    bool Aligned() const { return m_held == 0; }
    void PutByte(BYTE b) { *m_out++ = b; }
    // Writes a partial byte left-aligned.
    void Flush()
    {
        if (m_held) {
            *m_out++ = static_cast<BYTE>(m_acc << (8 - m_held));
            m_acc = 0;
            m_held = 0;
        }
    }

private:
    BYTE* m_out;
    uint32_t m_acc = 0;
    uint32_t m_held = 0;
};

}  // namespace

BOOL CISImgUtil::ISPackPixels(const BYTE* source, uint32_t width, uint32_t height, size_t sourceStride,
                              BYTE* target, uint32_t bits, size_t targetStride)
{
    if (!source || !target || bits < 1 || bits > 8)
        return Fail(5);
    ISCallGuard depth;
    const uint32_t mask = (1u << bits) - 1;
    BitWriter stream(target);
    for (uint32_t y = 0; y < height; ++y) {
        const BYTE* in = source + size_t(y) * sourceStride;
        BitWriter rowWriter(target + size_t(y) * targetStride);
        BitWriter& out = targetStride ? rowWriter : stream;
        uint32_t x = 0;
        if (bits == 1 && out.Aligned()) {
            for (; x + 8 <= width; x += 8)
                out.PutByte(GatherLowBitsFast(in + x));
        }
        for (; x < width; ++x)
            out.Put(in[x] & mask, bits);
        if (targetStride || y + 1 == height)
            out.Flush();
        if (ISCallProgress(static_cast<int32_t>(y + 1), static_cast<int32_t>(height)))
            return Fail(14);
    }
    return TRUE;
}

BOOL CISImgUtil::ISUnpackPixels(const BYTE* source, uint32_t width, uint32_t height, uint32_t bits, BYTE* target)
{
    if (!source || !target || bits < 1 || bits > 8)
        return Fail(5);
    const uint64_t count = uint64_t(width) * height;
    if (bits == 8) {
        memcpy(target, source, static_cast<size_t>(count));
        return TRUE;
    }
    if (bits == 1) {
        const uint64_t whole = count / 8;
        for (uint64_t i = 0; i < whole; ++i)
            memcpy(target + 8 * i, g_isByteToPixels[source[i]], 8);
        if (count % 8)
            memcpy(target + 8 * whole, g_isByteToPixels[source[whole]], static_cast<size_t>(count % 8));
        return TRUE;
    }
    const uint32_t mask = (1u << bits) - 1;
    uint32_t acc = 0;
    uint32_t held = 0;
    for (uint64_t i = 0; i < count; ++i) {
        if (held < bits) {
            acc = (acc << 8) | *source++;
            held += 8;
        }
        held -= bits;
        target[i] = static_cast<BYTE>((acc >> held) & mask);
        acc &= (1u << held) - 1;
    }
    return TRUE;
}

void ISUnpackRowIndices(const BYTE* row, BYTE* indices, uint32_t count, uint32_t bits)
{
    if (!row || !indices)
        return;
    switch (bits) {
    case 1:
        for (uint32_t i = 0; i < count; ++i)
            indices[i] = (row[i / 8] >> (7 - i % 8)) & 1;
        break;
    case 4:
        for (uint32_t i = 0; i < count; ++i)
            indices[i] = (i & 1) ? (row[i / 2] & 0x0F) : (row[i / 2] >> 4);
        break;
    case 8:
        memcpy(indices, row, count);
        break;
    default:
        break;
    }
}

void ISConvert2BitTo4Bit(const BYTE* source, BYTE* target, uint32_t sourceBits, uint32_t count)
{
    if (!source || !target)
        return;
    const size_t outBytes = (size_t(count) + 1) / 2;
    if (sourceBits == 4) {
        memcpy(target, source, outBytes);
        return;
    }
    if (sourceBits != 2)
        return;
    for (size_t i = 0; i < outBytes; ++i) {
        const uint32_t first = (source[i / 2] >> (6 - 4 * (i % 2))) & 3;
        const bool second = 2 * i + 1 < count;
        const uint32_t next = second ? (source[i / 2] >> (4 - 4 * (i % 2))) & 3 : 0;
        target[i] = static_cast<BYTE>((first << 4) | next);
    }
}
