// Run-length bitmaps (RLE8 and RLE4) decoded from the source as a byte
// stream into 8-bit indices or 24- and 32-bit pixels.
#include <cstring>

#include "bmp_reader.h"

namespace {

// The stream behind the pixel offset, read in blocks; counts what it gave.
class RleStream {
public:
    explicit RleStream(CISIO* io) : m_io(io) {}
    bool Init() { return m_buffer.Resize(kBlock); }
    bool Next(uint32_t* value)
    {
        if (m_at == m_length) {
            m_length = m_io->ReadUpTo(m_buffer.GetData(), kBlock);
            m_at = 0;
            if (m_length <= 0) {
                m_length = 0;
                return false;
            }
        }
        *value = m_buffer[static_cast<size_t>(m_at++)];
        ++m_consumed;
        return true;
    }
    uint64_t Consumed() const { return m_consumed; }

private:
    static constexpr int32_t kBlock = 65536;
    CISIO* m_io;
    ISArray<BYTE> m_buffer;
    int32_t m_at = 0;
    int32_t m_length = 0;
    uint64_t m_consumed = 0;
};

}  // namespace

void CISBmpReader::ReadRLE(uint32_t depth)
{
    const bool rle8 = m_info.compression == BI_RLE8;
    const uint32_t pixelBytes = depth / 8;
    const int64_t width = m_width;
    const int64_t height = m_height;
    BYTE* pixels = m_call->Data();

    // Each index's output bytes; the image starts in the colour of entry 0.
    BYTE colours[256][4];
    const bool keepOrder = (m_flags & kBmpReadPadded) != 0;
    for (int i = 0; i < 256; ++i) {
        const RGBQUAD& q = m_palette[i];
        colours[i][0] = keepOrder ? q.rgbBlue : q.rgbRed;
        colours[i][1] = q.rgbGreen;
        colours[i][2] = keepOrder ? q.rgbRed : q.rgbBlue;
        colours[i][3] = 255;
        if (depth == 8)
            colours[i][0] = static_cast<BYTE>(i);
    }
    for (int64_t y = 0; y < height; ++y) {
        BYTE* out = pixels + size_t(y) * m_outRow;
        for (int64_t x = 0; x < width; ++x)
            std::memcpy(out + size_t(x) * pixelBytes, colours[0], pixelBytes);
    }

    RleStream stream(m_io);
    if (!stream.Init()) {
        Fail(1);
        return;
    }
    // Row counts down from the bottom output row; both are 64-bit so that
    // long runs of deltas cannot wrap.
    int64_t row = height - 1;
    int64_t column = 0;
    int64_t reported = -2;
    auto put = [&](uint32_t index) {
        if (row >= 0 && row < height && column < width)
            std::memcpy(pixels + size_t(row) * m_outRow + size_t(column) * pixelBytes, colours[index], pixelBytes);
        ++column;
    };
    for (;;) {
        if (row != reported) {
            reported = row;
            int64_t done = height - row - 1;
            done = done < 0 ? 0 : (done > height ? height : done);
            if (ISCallProgress(static_cast<int32_t>(done), static_cast<int32_t>(height))) {
                m_status = 14;
                return;
            }
        }
        // Escapes start only at even stream offsets.
        const bool even = (stream.Consumed() & 1) == 0;
        uint32_t count = 0, value = 0;
        if (!stream.Next(&count)) {
            m_status = 3;
            return;
        }
        if (count != 0 || !even) {
            if (count == 0)
                continue;
            if (!stream.Next(&value)) {
                m_status = 3;
                return;
            }
            if (row < 0 || row >= height || column >= width) {
                column += count;
                continue;
            }
            for (uint32_t i = 0; i < count; ++i)
                put(rle8 ? value : ((i & 1) ? (value & 0x0F) : (value >> 4)));
            continue;
        }
        uint32_t code = 0;
        if (!stream.Next(&code)) {
            m_status = 3;
            return;
        }
        if (code == 0) {
            --row;
            column = 0;
        } else if (code == 1) {
            return;
        } else if (code == 2) {
            uint32_t dx = 0, dy = 0;
            if (!stream.Next(&dx) || !stream.Next(&dy)) {
                m_status = 3;
                return;
            }
            column += dx;
            row -= dy;
        } else {
            const uint32_t bytes = rle8 ? code : (code + 1) / 2;
            uint32_t b = 0;
            for (uint32_t i = 0; i < bytes; ++i) {
                if (!stream.Next(&b)) {
                    m_status = 3;
                    return;
                }
                if (rle8) {
                    put(b);
                } else {
                    put(b >> 4);
                    if (2 * i + 1 < code)
                        put(b & 0x0F);
                }
            }
            if ((bytes & 1) && !stream.Next(&b)) {
                m_status = 3;
                return;
            }
        }
    }
}
