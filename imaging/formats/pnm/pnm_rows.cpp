// The row readers: 1-bit, grey and colour output rows from the subset's rows.
#include <climits>
#include <cstdlib>
#include <cstring>

#include "../../convert/convert.h"
#include "../../core/buffers.h"
#include "netpbm_io.h"
#include "pnm_reader.h"

using namespace isnetpbm;

namespace {

// Raw rows whose samples need no scaling go straight into the output row
// with one read: 8-bit samples of maxval 255, 16-bit ones of maxval 65535
// (or unscaled). A short row leaves the output row zero.
bool DirectRow(int magic, uint32_t maxval, bool sixteen, bool raw)
{
    if (magic != RPGM_FORMAT && magic != RPPM_FORMAT)
        return false;
    return sixteen ? (maxval == 65535 || (raw && maxval > 255)) : maxval == 255;
}

void ReadDirect(ISNetpbmIO* table, BYTE* out, size_t samples, bool sixteen, bool swap)
{
    const size_t bytes = samples * (sixteen ? 2 : 1);
    if (bytes > INT32_MAX || pm_fread(out, static_cast<int32_t>(bytes), table) != static_cast<int32_t>(bytes)) {
        std::memset(out, 0, bytes);
        pm_error(table, "Unexpected end of file in PNM raster.");
    }
    if (sixteen) {
        for (size_t i = 0; i < samples; ++i) {
            const uint16_t v = static_cast<uint16_t>((out[2 * i] << 8) | out[2 * i + 1]);
            std::memcpy(out + 2 * i, &v, 2);
        }
        if (swap) {
            for (size_t i = 0; i + 2 < samples; i += 3) {
                uint16_t a, c;
                std::memcpy(&a, out + 2 * i, 2);
                std::memcpy(&c, out + 2 * i + 4, 2);
                std::memcpy(out + 2 * i, &c, 2);
                std::memcpy(out + 2 * i + 4, &a, 2);
            }
        }
    } else if (swap) {
        for (size_t i = 0; i + 2 < samples; i += 3) {
            const BYTE t = out[i];
            out[i] = out[i + 2];
            out[i + 2] = t;
        }
    }
}

}  // namespace

int32_t CISPNMReader::Init(ISNetpbmIO* table, uint32_t width, uint32_t depth, int magic, uint32_t maxval, bool swap,
                           bool sixteen, bool raw)
{
    m_table = table;
    m_width = width;
    m_depth = depth;
    m_magic = magic;
    m_maxval = maxval;
    m_swap = swap;
    m_sixteen = sixteen;
    m_raw = raw;
    if (raw)
        return 0;
    if ((uint64_t(maxval) + 1) * sizeof(uint16_t) > ISMaxAlloc())
        return 1;
    m_scale = static_cast<uint16_t*>(std::malloc((size_t(maxval) + 1) * sizeof(uint16_t)));
    if (!m_scale)
        return 1;
    const uint64_t full = sixteen ? 65535 : 255;
    for (uint64_t v = 0; v <= maxval; ++v)
        m_scale[v] = static_cast<uint16_t>(maxval == full ? v : v * full / maxval);
    return 0;
}

CISPNMReader::~CISPNMReader() { std::free(m_scale); }

int32_t CISPNMPlusReaderMono::Init(ISNetpbmIO* table, uint32_t width, uint32_t depth, int magic, uint32_t maxval,
                                   bool swap, bool sixteen, bool raw)
{
    if (CISPNMReader::Init(table, width, depth, magic, maxval, swap, sixteen, raw) != 0)
        return 1;
    m_row = static_cast<bit*>(pm_allocrow(static_cast<int>(width), sizeof(bit)));
    m_bytes = static_cast<BYTE*>(std::malloc(width));
    return m_row && m_bytes ? 0 : 1;
}

CISPNMPlusReaderMono::~CISPNMPlusReaderMono()
{
    pm_freerow(m_row);
    std::free(m_bytes);
}

BOOL CISPNMPlusReaderMono::ReadRow(BYTE* out)
{
    pbm_readpbmrow(m_table, m_row, static_cast<int>(m_width), m_magic);
    for (uint32_t x = 0; x < m_width; ++x)
        m_bytes[x] = static_cast<BYTE>(Scale(m_row[x]));
    CISImgUtil util;
    return util.ISPackPixels(m_bytes, m_width, 1, m_width, out, 1, 0);
}

int32_t CISPNMPlusReaderGray::Init(ISNetpbmIO* table, uint32_t width, uint32_t depth, int magic, uint32_t maxval,
                                   bool swap, bool sixteen, bool raw)
{
    if (CISPNMReader::Init(table, width, depth, magic, maxval, swap, sixteen, raw) != 0)
        return 1;
    m_row = static_cast<gray*>(pm_allocrow(static_cast<int>(width), sizeof(gray)));
    return m_row ? 0 : 1;
}

CISPNMPlusReaderGray::~CISPNMPlusReaderGray() { pm_freerow(m_row); }

BOOL CISPNMPlusReaderGray::ReadRow(BYTE* out)
{
    if (DirectRow(m_magic, m_maxval, m_sixteen, m_raw)) {
        ReadDirect(m_table, out, m_width, m_sixteen, false);
        return TRUE;
    }
    pgm_readpgmrow(m_table, m_row, static_cast<int>(m_width), m_maxval, m_magic);
    if (m_sixteen) {
        for (uint32_t x = 0; x < m_width; ++x) {
            const uint16_t v = static_cast<uint16_t>(Scale(m_row[x]));
            std::memcpy(out + 2 * size_t(x), &v, 2);
        }
    } else {
        for (uint32_t x = 0; x < m_width; ++x)
            out[x] = static_cast<BYTE>(Scale(m_row[x]));
    }
    return TRUE;
}

int32_t CISPNMReaderColor::Init(ISNetpbmIO* table, uint32_t width, uint32_t depth, int magic, uint32_t maxval,
                                bool swap, bool sixteen, bool raw)
{
    if (CISPNMReader::Init(table, width, depth, magic, maxval, swap, sixteen, raw) != 0)
        return 1;
    m_row = static_cast<pixel*>(pm_allocrow(static_cast<int>(width), sizeof(pixel)));
    return m_row ? 0 : 1;
}

CISPNMReaderColor::~CISPNMReaderColor() { pm_freerow(m_row); }

BOOL CISPNMReaderColor::ReadRow(BYTE* out)
{
    if (DirectRow(m_magic, m_maxval, m_sixteen, m_raw)) {
        ReadDirect(m_table, out, size_t(m_width) * 3, m_sixteen, m_swap);
        return TRUE;
    }
    ppm_readppmrow(m_table, m_row, static_cast<int>(m_width), m_maxval, m_magic);
    const int first = m_swap ? 2 : 0;
    const int last = 2 - first;
    for (uint32_t x = 0; x < m_width; ++x) {
        const gray s[3] = {m_row[x].r, m_row[x].g, m_row[x].b};
        const uint32_t v[3] = {Scale(s[first]), Scale(s[1]), Scale(s[last])};
        if (m_sixteen) {
            for (int c = 0; c < 3; ++c) {
                const uint16_t w = static_cast<uint16_t>(v[c]);
                std::memcpy(out + 6 * size_t(x) + 2 * c, &w, 2);
            }
        } else {
            BYTE* p = out + 3 * size_t(x);
            p[0] = static_cast<BYTE>(v[0]);
            p[1] = static_cast<BYTE>(v[1]);
            p[2] = static_cast<BYTE>(v[2]);
        }
    }
    return TRUE;
}
