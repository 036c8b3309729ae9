// The pixel reads: planes one after another, raw or PackBits, into the
// 8-bit, the R,G,B / CMYK and the 16-bit layouts.
#include <cstring>

#include "../../convert/convert.h"
#include "psd_reader.h"

namespace {

uint32_t Be16(const BYTE* p) { return (uint32_t(p[0]) << 8) | p[1]; }

void PutBe16(BYTE* p, uint32_t v)
{
    p[0] = static_cast<BYTE>(v >> 8);
    p[1] = static_cast<BYTE>(v);
}

// Progress of `done` rows out of `total`, scaled to fit the callback's ints.
bool Cancelled(uint64_t done, uint64_t total)
{
    while (total > 0x7FFFFFFF) {
        total >>= 1;
        done >>= 1;
    }
    return ISCallProgress(static_cast<int32_t>(done), static_cast<int32_t>(total)) != FALSE;
}

}  // namespace

bool CISPSDReader::BeginPixels(uint32_t planes)
{
    const uint64_t rowBytes = m_header.depth == 1 ? (uint64_t(m_header.width) + 7) / 8
                                                  : uint64_t(m_header.width) * (m_header.depth / 8);
    if (rowBytes > ISMaxAlloc() || rowBytes > 0x7FFFFFFF || !m_row.Resize(static_cast<int32_t>(rowBytes)))
        return Fail(1);
    m_rowBytes = static_cast<uint32_t>(rowBytes);
    return m_compression == 0 || ReadCounts(planes);
}

// `direct(c, y, &step)` may give where plane c's row y goes, one sample each
// `step` bytes (8-bit samples only); `take(c, y, row)` follows every row,
// with the row's bytes when they did not go straight to the target.
template <typename Direct, typename Take>
bool CISPSDReader::ReadPlanes(uint32_t planes, Direct&& direct, Take&& take)
{
    const uint32_t height = m_header.height;
    const uint32_t rowBytes = m_rowBytes;
    BYTE* row = m_row.GetData();
    const uint64_t total = uint64_t(planes) * height;
    uint64_t done = 0;
    for (uint32_t c = 0; c < planes; ++c) {
        for (uint32_t y = 0; y < height; ++y) {
            uint32_t step = 1;
            BYTE* target = direct(c, y, &step);
            BYTE* into = target ? target : row;
            const uint32_t intoStep = target ? step : 1;
            if (m_compression == 1) {
                const uint32_t n = m_counts[size_t(c) * height + y];
                if (!m_io->ReadExactly(m_packed.GetData(), static_cast<int32_t>(n)) ||
                    !UnpackBitsRow(into, rowBytes, intoStep, 0, m_packed.GetData(), n)) {
                    // A broken row stays empty.
                    if (intoStep == 1)
                        std::memset(into, 0, rowBytes);
                    else
                        for (uint32_t i = 0; i < rowBytes; ++i)
                            into[size_t(i) * intoStep] = 0;
                    return Fail(3);
                }
            } else if (intoStep == 1) {
                if (!m_io->ReadExactly(into, static_cast<int32_t>(rowBytes))) {
                    std::memset(into, 0, rowBytes);
                    return Fail(3);
                }
            } else {
                if (!m_io->ReadExactly(row, static_cast<int32_t>(rowBytes)))
                    return Fail(3);
                for (uint32_t i = 0; i < rowBytes; ++i)
                    into[size_t(i) * intoStep] = row[i];
            }
            take(c, y, target ? static_cast<const BYTE*>(nullptr) : row);
            if (Cancelled(++done, total))
                return Fail(14);
        }
    }
    return true;
}

// The first plane as one byte a pixel: bitmap bits as 0/1, 8-bit samples as
// they are, 16-bit ones by their high byte. `target(y)` gives where row y's
// indices go; `row(y)` follows each row.
template <typename Target, typename Row>
bool CISPSDReader::ReadIndexRows(Target&& target, Row&& row)
{
    const uint32_t width = m_header.width;
    const uint32_t depth = m_header.depth;
    CISImgUtil util;
    return ReadPlanes(
        1,
        [&](uint32_t, uint32_t y, uint32_t* step) -> BYTE* {
            *step = 1;
            return depth == 8 ? target(y) : nullptr;
        },
        [&](uint32_t, uint32_t y, const BYTE* bytes) {
            if (depth == 1) {
                util.ISUnpackPixels(bytes, width, 1, 1, target(y));
            } else if (depth == 16) {
                BYTE* out = target(y);
                for (uint32_t x = 0; x < width; ++x)
                    out[x] = bytes[2 * size_t(x)];
            }
            row(y);
        });
}

bool CISPSDReader::FirstChannelPackBitsAllowed()
{
    if (m_compression == 1 && m_header.depth == 16)
        return Fail(m_header.channels == 1 ? 46 : 17);
    return true;
}

void CISPSDReader::Read8(CISReadCall& call, RGBQUAD* palette, uint32_t* width, uint32_t* height)
{
    m_io = call.Source();
    if (!palette) {
        m_status = 5;
        return;
    }
    if (!ReadFileHeader() || !CheckForRead(true))
        return;
    const uint64_t bytes = uint64_t(m_header.width) * m_header.height;
    if (bytes > ISMaxAlloc()) {
        m_status = 1;
        return;
    }
    StoreSize(width, height);
    if (!ReadSections(palette) || !FirstChannelPackBitsAllowed() || !BeginPixels(1))
        return;
    if (m_header.mode == kPsdBitmap)
        palette[1] = RGBQUAD{0, 0, 0, 0};
    BYTE* out = call.Allocate(bytes);
    const size_t stride = m_header.width;
    ReadIndexRows([&](uint32_t y) { return out + y * stride; }, [](uint32_t) {});
}

void CISPSDReader::ReadColor(CISReadCall& call, uint32_t depth, uint32_t flags, uint32_t* width, uint32_t* height)
{
    m_io = call.Source();
    if (!ReadFileHeader() || !CheckForRead(false))
        return;
    const ISPsdHeader& h = m_header;
    const bool keep16 = (flags & kPsdReadKeep16) != 0;
    const bool cmyk = h.mode == kPsdCmyk;
    const bool fourInks = cmyk && (depth == 32 || (flags & kPsdReadCmyk));
    const bool paletted = h.mode == kPsdBitmap || h.mode == kPsdGrey || h.mode == kPsdIndexed || h.mode == kPsdDuotone;
    if (keep16 && (h.mode == kPsdBitmap || h.mode == kPsdIndexed || h.mode == kPsdDuotone)) {
        m_status = 47;
        return;
    }
    if (keep16 && h.depth != 16) {
        m_status = 5;
        return;
    }
    // Samples of the 16-bit layouts: every channel of grey and RGB files, four
    // or three of CMYK.
    uint32_t samples = 0;
    if (keep16)
        samples = cmyk ? (fourInks ? 4 : 3) : h.channels;
    const uint32_t pixelBytes = keep16 ? samples * 2 : (fourInks || depth == 32) ? 4 : 3;
    const uint64_t stride = uint64_t(h.width) * pixelBytes;
    if (stride * h.height > ISMaxAlloc()) {
        m_status = 1;
        return;
    }
    StoreSize(width, height);
    if (!ReadSections(m_palette))
        return;
    if (m_compression == 1 && (keep16 || (!paletted && h.depth == 16))) {
        m_status = 46;
        return;
    }
    if (paletted && !keep16 && !FirstChannelPackBitsAllowed())
        return;
    const uint32_t planes = paletted && !keep16 ? 1 : keep16 && !cmyk ? samples : cmyk ? 4 : 3;
    if (!BeginPixels(planes))
        return;
    if (paletted && !keep16 && !m_indices.Resize(static_cast<int32_t>(h.width))) {
        m_status = 1;
        return;
    }
    BYTE* out = call.Allocate(stride * h.height);
    auto at = [&](uint32_t y) { return out + y * stride; };
    const uint32_t w = h.width;

    if (paletted && !keep16) {
        BYTE* indices = m_indices.GetData();
        CISImgUtil util;
        ReadIndexRows([&](uint32_t) { return indices; },
                      [&](uint32_t y) {
                          BYTE* o = at(y);
                          if (pixelBytes == 3) {
                              util.ISPaletteToRGB(indices, o, w, 1, w, stride, 0, m_palette, 0);
                              return;
                          }
                          for (uint32_t x = 0; x < w; ++x, o += 4) {
                              const RGBQUAD& q = m_palette[indices[x]];
                              o[0] = q.rgbRed;
                              o[1] = q.rgbGreen;
                              o[2] = q.rgbBlue;
                              o[3] = 255;
                          }
                      });
        return;
    }

    if (keep16 && !(cmyk && !fourInks)) {
        // The file's big-endian samples, interleaved.
        ReadPlanes(
            planes, [](uint32_t, uint32_t, uint32_t*) -> BYTE* { return nullptr; },
            [&](uint32_t c, uint32_t y, const BYTE* row) {
                BYTE* o = at(y) + 2 * c;
                for (uint32_t x = 0; x < w; ++x, o += pixelBytes) {
                    o[0] = row[2 * size_t(x)];
                    o[1] = row[2 * size_t(x) + 1];
                }
            });
        return;
    }

    if (keep16) {
        // CMYK to three 16-bit samples: C, M and Y wait in place for K.
        uint32_t finished = 0;
        ReadPlanes(
            planes, [](uint32_t, uint32_t, uint32_t*) -> BYTE* { return nullptr; },
            [&](uint32_t c, uint32_t y, const BYTE* row) {
                BYTE* o = at(y);
                if (c < 3) {
                    for (uint32_t x = 0; x < w; ++x) {
                        o[6 * size_t(x) + 2 * c] = row[2 * size_t(x)];
                        o[6 * size_t(x) + 2 * c + 1] = row[2 * size_t(x) + 1];
                    }
                    return;
                }
                for (uint32_t x = 0; x < w; ++x, o += 6) {
                    const uint32_t k = Be16(row + 2 * size_t(x));
                    for (uint32_t i = 0; i < 3; ++i)
                        PutBe16(o + 2 * i, static_cast<uint32_t>(uint64_t(Be16(o + 2 * i)) * k / 65535));
                }
                finished = y + 1;
            });
        if (m_status != 0)
            std::memset(at(finished), 0, static_cast<size_t>(stride * (h.height - finished)));
        return;
    }

    // 8-bit output from 8- or 16-bit planes: R,G,B (and 255), CMYK's four
    // stored channels, or CMYK to R,G,B with C, M and Y waiting for K.
    const bool wide = h.depth == 16;
    const bool convert = cmyk && !fourInks;
    uint32_t finished = 0;
    ReadPlanes(
        planes,
        [&](uint32_t c, uint32_t y, uint32_t* step) -> BYTE* {
            *step = pixelBytes;
            return wide || (convert && c == 3) ? nullptr : at(y) + c;
        },
        [&](uint32_t c, uint32_t y, const BYTE* row) {
            BYTE* o = at(y);
            if (convert && c == 3) {
                for (uint32_t x = 0; x < w; ++x, o += 3) {
                    const uint32_t k = row[wide ? 2 * size_t(x) : x];
                    o[0] = static_cast<BYTE>(o[0] * k / 255);
                    o[1] = static_cast<BYTE>(o[1] * k / 255);
                    o[2] = static_cast<BYTE>(o[2] * k / 255);
                }
                finished = y + 1;
                return;
            }
            if (row) {
                BYTE* p = o + c;
                for (uint32_t x = 0; x < w; ++x, p += pixelBytes)
                    p[0] = row[2 * size_t(x)];
            }
            if (c == 0 && pixelBytes == 4 && !cmyk)
                for (uint32_t x = 0; x < w; ++x)
                    o[4 * size_t(x) + 3] = 255;
        });
    if (convert && m_status != 0)
        std::memset(at(finished), 0, static_cast<size_t>(stride * (h.height - finished)));
}
