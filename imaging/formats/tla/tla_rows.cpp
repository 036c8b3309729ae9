// Rows out of TLA strips: read, decipher and inflate a strip, undo its
// filters, and convert one row at a time to the output format.
#include <cstdlib>
#include <cstring>

#include "tla_decoder.h"

namespace {

uint32_t Le16(const BYTE* p) { return uint32_t(p[0]) | (uint32_t(p[1]) << 8); }
uint32_t Le32(const BYTE* p) { return Le16(p) | (Le16(p + 2) << 16); }

// The loops below carry the previous pixel in registers (D, the pixel
// distance, is a constant), so that a row costs no reload of what it just
// stored.
template <uint32_t D>
void PaethRows(BYTE* rows, size_t rowBytes, uint32_t count)
{
    for (uint32_t y = 1; y < count; ++y) {
        BYTE* row = rows + y * rowBytes;
        const BYTE* up = row - rowBytes;
        int a[D], c[D];
        for (uint32_t k = 0; k < D; ++k) {
            a[k] = row[k];
            c[k] = up[k];
        }
        for (size_t i = D; i < rowBytes; i += D) {
            for (uint32_t k = 0; k < D; ++k) {
                const int b = up[i + k];
                const int pa = std::abs(b - c[k]), pb = std::abs(a[k] - c[k]), pc = std::abs(a[k] + b - 2 * c[k]);
                const int p = pa <= pb && pa <= pc ? a[k] : pb <= pc ? b : c[k];
                a[k] = BYTE(row[i + k] + p);
                row[i + k] = BYTE(a[k]);
                c[k] = b;
            }
        }
    }
}

template <uint32_t D>
void SubRows(BYTE* rows, size_t rowBytes, uint32_t count)
{
    for (uint32_t y = 0; y < count; ++y) {
        BYTE* row = rows + y * rowBytes;
        BYTE a[D];
        for (uint32_t k = 0; k < D; ++k)
            a[k] = row[k];
        for (size_t i = D; i < rowBytes; i += D) {
            for (uint32_t k = 0; k < D; ++k) {
                a[k] = BYTE(row[i + k] + a[k]);
                row[i + k] = a[k];
            }
        }
    }
}

// Eight byte-wise sums modulo 256 in one word.
inline uint64_t AddBytes(uint64_t x, uint64_t y)
{
    const uint64_t high = 0x8080808080808080ull;
    return ((x & ~high) + (y & ~high)) ^ ((x ^ y) & high);
}

void UpRows(BYTE* rows, size_t rowBytes, uint32_t count)
{
    for (uint32_t y = 1; y < count; ++y) {
        BYTE* row = rows + y * rowBytes;
        const BYTE* up = row - rowBytes;
        size_t i = 0;
        for (; i + 8 <= rowBytes; i += 8) {
            uint64_t x, u;
            std::memcpy(&x, row + i, 8);
            std::memcpy(&u, up + i, 8);
            x = AddBytes(x, u);
            std::memcpy(row + i, &x, 8);
        }
        for (; i < rowBytes; ++i)
            row[i] = BYTE(row[i] + up[i]);
    }
}

template <uint32_t D>
void UnfilterRows(BYTE* rows, size_t rowBytes, uint32_t count, uint32_t flags)
{
    if (flags & kTlaFilterPaeth)
        PaethRows<D>(rows, rowBytes, count);
    if (flags & kTlaFilterUp)
        UpRows(rows, rowBytes, count);
    if (flags & kTlaFilterSub)
        SubRows<D>(rows, rowBytes, count);
}

}  // namespace

void CISTLADecoder::Unfilter(uint32_t flags)
{
    BYTE* rows = m_strip.GetData();
    const size_t rowBytes = size_t(m_width) * m_bytesPerPixel;
    switch (m_bytesPerPixel) {
    case 1: UnfilterRows<1>(rows, rowBytes, m_stripRows, flags); break;
    case 2: UnfilterRows<2>(rows, rowBytes, m_stripRows, flags); break;
    case 3: UnfilterRows<3>(rows, rowBytes, m_stripRows, flags); break;
    default: UnfilterRows<4>(rows, rowBytes, m_stripRows, flags); break;
    }
}

int32_t CISTLADecoder::ReadStrip()
{
    BYTE head[8];
    if (int32_t r = ReadChunk(8, kTlaChunkStrip, head))
        return r;
    const uint32_t size = Le32(head);
    const uint32_t rows = Le16(head + 4);
    const uint32_t flags = Le16(head + 6);
    if (rows == 0)
        return kTlaNoStrips;
    // A size past the end of the file is a cut or damaged file.
    if (size > m_stream.left(m_stream.user))
        return kTlaRead;
    const uint64_t rowBytes = uint64_t(m_width) * m_bytesPerPixel;
    const uint64_t stripBytes = rows * rowBytes + 1;
    if (size > ISMaxAlloc() || stripBytes > ISMaxAlloc())
        return kTlaMemory;
    // Both buffers are kept across strips and only ever grow.
    if (size > uint32_t(m_compressed.Count()) && !m_compressed.Resize(static_cast<int32_t>(size)))
        return kTlaMemory;
    if (stripBytes > uint64_t(m_strip.Count()) && !m_strip.Resize(static_cast<int32_t>(stripBytes)))
        return kTlaMemory;
    BYTE* compressed = m_compressed.GetData();
    if (size > 0 && !m_stream.read(m_stream.user, compressed, size))
        return kTlaRead;
    if (m_stripCipher)
        m_stripCipher->Decipher(compressed, size);

    uint32_t produced = 0;
    const bool ended = m_inflater->Inflate(compressed, size, m_strip.GetData(), static_cast<uint32_t>(stripBytes),
                                           &produced);
    // Only the rows the picture still needs are handed out, so only they are
    // unfiltered: a row depends on none below it.
    m_stripRows = rows < m_height - m_rowsOut ? rows : m_height - m_rowsOut;
    m_rowsLeft = m_stripRows;
    // What inflate did not produce reads as zero, never as an earlier strip.
    const uint64_t used = m_stripRows * rowBytes;
    if (produced < used)
        std::memset(m_strip.GetData() + produced, 0, static_cast<size_t>(used - produced));
    // A damaged stream's rows are handed on as they came, unfiltered.
    if (ended)
        Unfilter(flags);
    else
        m_damaged = true;
    return kTlaOk;
}

void CISTLADecoder::ConvertRow(const BYTE* row, BYTE* out) const
{
    const uint32_t w = m_width;
    if (m_format == 1 || (m_format == 4 && m_bytesPerPixel == 4)) {
        std::memcpy(out, row, size_t(w) * m_bytesPerPixel);
        return;
    }
    const bool alpha = m_format == 4;
    const uint32_t step = alpha ? 4 : 3;
    for (uint32_t x = 0; x < w; ++x, out += step) {
        switch (m_bytesPerPixel) {
        case 1: {
            const BYTE* e = m_palette + 4 * row[x];
            out[0] = e[2];
            out[1] = e[1];
            out[2] = e[0];
            if (alpha)
                out[3] = e[3];
            break;
        }
        case 2: {
            const uint32_t v = Le16(row + 2 * x);
            out[0] = BYTE(((v >> 10) & 31) << 3);
            out[1] = BYTE(((v >> 5) & 31) << 3);
            out[2] = BYTE((v & 31) << 3);
            if (alpha)
                out[3] = (v & 0x8000) ? 255 : 0;
            break;
        }
        case 3:
            out[0] = row[3 * x];
            out[1] = row[3 * x + 1];
            out[2] = row[3 * x + 2];
            if (alpha)
                out[3] = 255;
            break;
        default:
            out[0] = row[4 * x];
            out[1] = row[4 * x + 1];
            out[2] = row[4 * x + 2];
            break;
        }
    }
}

int32_t CISTLADecoder::NextRow(BYTE* destination)
{
    if (!m_inflater || m_rowsOut >= m_height)
        return kTlaNoStrips;
    if (m_format == 1 && m_bytesPerPixel != 1)
        return kTlaRawDepth;
    if (m_rowsLeft == 0) {
        if (int32_t r = ReadStrip())
            return r;
    }
    const size_t rowBytes = size_t(m_width) * m_bytesPerPixel;
    ConvertRow(m_strip.GetData() + (m_stripRows - m_rowsLeft) * rowBytes, destination);
    --m_rowsLeft;
    ++m_rowsOut;
    return kTlaOk;
}
