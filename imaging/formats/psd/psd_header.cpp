// The file header and the three sections before the pixels (colour-mode
// data, image resources, layers and masks), the checks a read makes of
// them, and is5_GetPSDDims's header questions with the resolution of
// resource 1005. Every section length is checked against the bytes left.
#include <cmath>
#include <cstring>

#include "psd_reader.h"

namespace {

uint32_t Be16(const BYTE* p) { return (uint32_t(p[0]) << 8) | p[1]; }
uint32_t Be32(const BYTE* p) { return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | p[3]; }

// Centimetres per inch, the other way round.
constexpr double kInchesPerCm = 0.39370079;

}  // namespace

void ISPsdParseHeader(const BYTE* b, ISPsdHeader* h)
{
    std::memcpy(h->signature, b, 4);
    h->version = Be16(b + 4);
    h->channels = Be16(b + 12);
    h->height = Be32(b + 14);
    h->width = Be32(b + 18);
    h->depth = Be16(b + 22);
    h->mode = Be16(b + 24);
}

bool CISPSDReader::ReadFileHeader()
{
    BYTE raw[kPsdHeaderBytes] = {};
    const int32_t got = m_io->ReadUpTo(raw, int32_t(kPsdHeaderBytes));
    // Another format is told as such even when it is shorter than the header.
    if (got < 4 || std::memcmp(raw, "8BPS", 4) != 0 || (got >= 6 && Be16(raw + 4) != 1))
        return Fail(got < 4 ? 3 : 46);
    if (got != int32_t(kPsdHeaderBytes))
        return Fail(3);
    ISPsdParseHeader(raw, &m_header);
    return true;
}

bool CISPSDReader::CheckForRead(bool eightBit)
{
    const ISPsdHeader& h = m_header;
    if (h.depth != 1 && h.depth != 8 && h.depth != 16)
        return Fail(47);
    const bool known = h.mode <= kPsdCmyk || h.mode == kPsdDuotone;
    if (!known || (eightBit && (h.mode == kPsdRgb || h.mode == kPsdCmyk)))
        return Fail(47);
    // A plane the mode needs but the file lacks would be read from whatever follows.
    if (h.channels == 0 || (h.mode == kPsdRgb && h.channels < 3) || (h.mode == kPsdCmyk && h.channels < 4))
        return Fail(47);
    if ((h.mode == kPsdBitmap) != (h.depth == 1))
        return Fail(47);
    if (h.width == 0 || h.height == 0)
        return Fail(46);
    return true;
}

bool CISPSDReader::BytesLeft(uint64_t* left)
{
    int32_t size = 0, position = 0;
    if (!m_io->Size(&size) || !m_io->Tell(&position) || position > size)
        return Fail(3);
    *left = uint64_t(size - position);
    return true;
}

bool CISPSDReader::SectionLength(uint32_t* length)
{
    BYTE raw[4];
    uint64_t left = 0;
    if (!m_io->ReadExactly(raw, 4) || !BytesLeft(&left))
        return Fail(3);
    *length = Be32(raw);
    if (*length > left)
        return Fail(3);
    return true;
}

bool CISPSDReader::SkipSection()
{
    uint32_t length = 0;
    if (!SectionLength(&length))
        return false;
    if (length != 0 && !m_io->Seek(static_cast<int32_t>(length), 1))
        return Fail(3);
    return true;
}

bool CISPSDReader::ReadColorModeData(RGBQUAD* palette)
{
    uint32_t length = 0;
    if (!SectionLength(&length))
        return false;
    const uint32_t mode = m_header.mode;
    std::memset(palette, 0, 256 * sizeof(RGBQUAD));
    if (mode == kPsdBitmap) {
        palette[0] = RGBQUAD{255, 255, 255, 255};
    } else if (mode == kPsdGrey || mode == kPsdIndexed || mode == kPsdDuotone) {
        for (uint32_t i = 0; i < 256; ++i)
            palette[i] = RGBQUAD{BYTE(i), BYTE(i), BYTE(i), 0};
    }
    if ((mode == kPsdGrey || mode == kPsdIndexed) && length > 0) {
        // 256 reds, 256 greens, 256 blues; anything after them is skipped.
        if (length < 768)
            return Fail(46);
        BYTE table[768];
        if (!m_io->ReadExactly(table, 768))
            return Fail(3);
        for (uint32_t i = 0; i < 256; ++i) {
            palette[i].rgbRed = table[i];
            palette[i].rgbGreen = table[256 + i];
            palette[i].rgbBlue = table[512 + i];
        }
        length -= 768;
    }
    if (length != 0 && !m_io->Seek(static_cast<int32_t>(length), 1))
        return Fail(3);
    return true;
}

bool CISPSDReader::ReadResources(ISResolution* resolution)
{
    uint32_t length = 0;
    if (!SectionLength(&length))
        return false;
    if (length == 0)
        return true;
    if (length > 0x7FFFFFFFu || !m_resources.Resize(static_cast<int32_t>(length)))
        return Fail(1);
    if (!m_io->ReadExactly(m_resources.GetData(), static_cast<int32_t>(length)))
        return Fail(3);
    CISPhotoshopResources parser;
    parser.m_wanted.push_back(kPsdResolutionId);
    if (!parser.ISParse8BIMResources(m_resources.GetData(), length, true))
        m_status = parser.m_status;  // the header questions still have their answers
    const ISPhotoshopResource* info = parser.Find(kPsdResolutionId);
    if (!info || info->dataSize < 16)
        return true;
    // Eight 16-bit fields: horizontal 16.16 pixels per inch, its display
    // unit, the width unit, then the same for the vertical.
    const BYTE* d = info->Data();
    const double x = Be16(d) + Be16(d + 2) / 65536.0;
    const double y = Be16(d + 8) + Be16(d + 10) / 65536.0;
    const uint32_t unit = Be16(d + 4);
    if (unit == 2) {
        resolution->x = std::floor(x * kInchesPerCm + 0.5);
        resolution->y = std::floor(y * kInchesPerCm + 0.5);
        resolution->unit = 2;
    } else {
        resolution->x = Be16(d);
        resolution->y = Be16(d + 8);
        resolution->unit = unit == 1 ? 1 : 0;
    }
    return true;
}

bool CISPSDReader::ReadSections(RGBQUAD* palette)
{
    if (!ReadColorModeData(palette) || !SkipSection() || !SkipSection())
        return false;
    BYTE raw[2];
    if (!m_io->ReadExactly(raw, 2))
        return Fail(3);
    m_compression = Be16(raw);
    if (m_compression > 1)
        return Fail(3);
    return true;
}

void CISPSDReader::StoreSize(uint32_t* width, uint32_t* height) const
{
    if (width)
        *width = m_header.width;
    if (height)
        *height = m_header.height;
}

BOOL CISPSDReader::ReadHeader(CISIO* io, uint32_t* width, uint32_t* height, uint32_t* depth, uint32_t* mode,
                              ISResolution* resolution)
{
    m_io = io;
    if (resolution)
        *resolution = ISResolution{0, 0, 0};
    if (!ReadFileHeader())
        return FALSE;
    StoreSize(width, height);
    if (depth)
        *depth = m_header.depth;
    if (mode)
        *mode = m_header.mode;
    if (!ReadColorModeData(m_palette))
        return FALSE;
    if (resolution ? !ReadResources(resolution) : !SkipSection())
        return FALSE;
    return TRUE;
}
