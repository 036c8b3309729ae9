// Turns of packed 1-bit rows. The quarter turns transpose whole 8x8 blocks
// with table lookups; only the rows and columns that fill no block go bit by
// bit. The half turn reverses each row's bytes and their bits.
#include "rotate.h"

#include <cstring>

#include "../../convert/convert.h"
#include "../../core/frame.h"

namespace {

// Entry n of table r: for each set bit k (0-3) of the nibble n, bit 7 - r of
// byte k. ORing the entries of a block's eight rows (row r through table r)
// gathers each source column into one byte, row 0 in its top bit.
struct ISTransposeTables {
    uint32_t entry[8][16];
    constexpr ISTransposeTables() : entry{}
    {
        for (int r = 0; r < 8; ++r)
            for (int n = 0; n < 16; ++n) {
                uint32_t v = 0;
                for (int k = 0; k < 4; ++k)
                    if (n & (1 << k))
                        v |= uint32_t(1) << (8 * k + 7 - r);
                entry[r][n] = v;
            }
    }
};
constexpr ISTransposeTables kTranspose;

// The eight columns of the block whose top-left byte is `block`, in a word
// whose byte 7 - c holds column c (leftmost 0), the block's top row in bit 7.
inline uint64_t TransposeBlock(const BYTE* block, size_t stride)
{
    uint32_t low = 0;   // byte k: source bit k, that is column 7 - k
    uint32_t high = 0;  // byte k: source bit 4 + k, that is column 3 - k
    for (int r = 0; r < 8; ++r) {
        const BYTE b = block[size_t(r) * stride];
        low |= kTranspose.entry[r][b & 15];
        high |= kTranspose.entry[r][b >> 4];
    }
    return (uint64_t(high) << 32) | low;
}

inline BYTE Column(uint64_t columns, int c) { return static_cast<BYTE>(columns >> (56 - 8 * c)); }

inline bool GetBit(const BYTE* row, uint32_t x) { return (row[x >> 3] & g_isBitMask[x & 7]) != 0; }

inline void PutBit(BYTE* row, uint32_t x, bool on)
{
    if (on)
        row[x >> 3] |= g_isSingleBit[7 - (x & 7)];
    else
        row[x >> 3] &= g_isSingleBitInv[7 - (x & 7)];
}

// Progress after a band of 8 rows, or a single row; TRUE when cancelled.
inline bool Cancelled(uint64_t rowsDone, uint32_t rows)
{
    return ISCallProgress(static_cast<int32_t>(rowsDone), static_cast<int32_t>(rows)) != FALSE;
}

// Every full block, band by band and left to right within a band, through
// `store(i, j, columns)` for band i and block column j; progress per band.
template <typename Store>
bool TransposeBands(const BYTE* source, size_t sourceStride, uint32_t height, uint32_t blockColumns, Store store)
{
    const uint32_t bands = height / 8;
    for (uint32_t i = 0; i < bands; ++i) {
        const BYTE* band = source + size_t(8) * i * sourceStride;
        for (uint32_t j = 0; j < blockColumns; ++j)
            store(i, j, TransposeBlock(band + j, sourceStride));
        if (Cancelled(uint64_t(8) * (i + 1), height))
            return false;
    }
    return true;
}

// (x, y) to (H-1-y, x). Band i lands at byte column H/8 - 1 - i, one further
// right when H is no multiple of 8; a shift of each row then brings the
// blocks to their bit positions and leaves the last byte's padding zero.
bool QuarterClockwise(const BYTE* source, BYTE* target, uint32_t width, uint32_t height, size_t sourceStride,
                      size_t targetStride)
{
    const uint32_t bands = height / 8;
    const uint32_t blockColumns = bands ? width / 8 : 0;
    const uint32_t rest = height % 8;
    const size_t rowBytes = (size_t(height) + 7) / 8;
    const size_t offset = rest ? 1 : 0;
    auto store = [&](uint32_t i, uint32_t j, uint64_t columns) {
        BYTE* row = target + size_t(8) * j * targetStride + (bands - 1 - i) + offset;
        for (int c = 0; c < 8; ++c)
            row[size_t(c) * targetStride] = g_isBitReverse[Column(columns, c)];
    };
    if (!TransposeBands(source, sourceStride, height, blockColumns, store))
        return false;
    const uint32_t blockRows = 8 * blockColumns;
    for (uint32_t x = 0; x < blockRows; ++x) {
        BYTE* row = target + size_t(x) * targetStride;
        if (rest)
            ISShiftRowBits(row, rowBytes, 8 - rest);
        for (uint32_t y = 8 * bands; y < height; ++y)
            PutBit(row, height - 1 - y, GetBit(source + size_t(y) * sourceStride, x));
    }
    for (uint32_t x = blockRows; x < width; ++x) {
        BYTE* row = target + size_t(x) * targetStride;
        memset(row, 0, rowBytes);
        for (uint32_t y = 0; y < height; ++y)
            PutBit(row, height - 1 - y, GetBit(source + size_t(y) * sourceStride, x));
    }
    return true;
}

// (x, y) to (y, W-1-x): band i is byte column i, no bit reversal.
bool QuarterCounterClockwise(const BYTE* source, BYTE* target, uint32_t width, uint32_t height,
                             size_t sourceStride, size_t targetStride)
{
    const uint32_t bands = height / 8;
    const uint32_t blockColumns = width / 8;
    const size_t rowBytes = (size_t(height) + 7) / 8;
    auto store = [&](uint32_t i, uint32_t j, uint64_t columns) {
        BYTE* last = target + size_t(width - 1 - 8 * j) * targetStride + i;
        for (int c = 0; c < 8; ++c)
            last[-ptrdiff_t(c) * ptrdiff_t(targetStride)] = Column(columns, c);
    };
    if (!TransposeBands(source, sourceStride, height, blockColumns, store))
        return false;
    const uint32_t marginColumn = 8 * blockColumns;
    for (uint32_t x = 0; x < width; ++x) {
        BYTE* row = target + size_t(width - 1 - x) * targetStride;
        uint32_t firstY = 8 * bands;
        if (x >= marginColumn) {
            memset(row, 0, rowBytes);
            firstY = 0;
        } else if (height % 8) {
            row[bands] = 0;  // the partial byte, padding included
        }
        for (uint32_t y = firstY; y < height; ++y)
            PutBit(row, y, GetBit(source + size_t(y) * sourceStride, x));
    }
    return true;
}

// (x, y) to (W-1-x, H-1-y): bytes in reverse order, each bit-reversed, then
// the padding that moved to the left end shifted back out.
bool HalfTurn(const BYTE* source, BYTE* target, uint32_t width, uint32_t height, size_t sourceStride,
              size_t targetStride)
{
    const size_t rowBytes = (size_t(width) + 7) / 8;
    const uint32_t pad = width % 8 ? 8 - width % 8 : 0;
    for (uint32_t y = 0; y < height; ++y) {
        const BYTE* in = source + size_t(y) * sourceStride;
        BYTE* out = target + size_t(height - 1 - y) * targetStride;
        for (size_t k = 0; k < rowBytes; ++k)
            out[k] = g_isBitReverse[in[rowBytes - 1 - k]];
        if (pad)
            ISShiftRowBits(out, rowBytes, pad);
        if (Cancelled(uint64_t(y) + 1, height))
            return false;
    }
    return true;
}

}  // namespace

BOOL CISRotate::Rotate1Bit(const BYTE* source, BYTE* target, uint32_t width, uint32_t height, uint32_t mode,
                           size_t sourceStride, size_t targetStride)
{
    if (!source || !target || source == target)
        return Fail(5);
    mode &= 3;
    if (mode == 3)
        return FALSE;
    if (width == 0 || height == 0)
        return TRUE;
    const uint64_t targetRowBits = mode == 1 ? width : height;
    if (sourceStride < (uint64_t(width) + 7) / 8 || targetStride < (targetRowBits + 7) / 8)
        return Fail(5);
    bool done = false;
    if (mode == 0)
        done = QuarterClockwise(source, target, width, height, sourceStride, targetStride);
    else if (mode == 2)
        done = QuarterCounterClockwise(source, target, width, height, sourceStride, targetStride);
    else
        done = HalfTurn(source, target, width, height, sourceStride, targetStride);
    return done ? TRUE : Fail(14);
}
