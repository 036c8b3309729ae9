// Helpers shared by the JPEG 2000 reader's tests.
#pragma once

#include <cctype>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "imaging/formats/jpeg2000/saj2k.h"
#include "imaging/is5.h"
#include "tests/support/test_support.h"

namespace j2kt {

// A PNM of any maxval (two big-endian bytes a sample above 255).
struct Picture {
    uint32_t width = 0;
    uint32_t height = 0;
    uint32_t channels = 0;
    uint32_t precision = 0;  // bits of the maxval
    std::vector<uint32_t> samples;

    uint32_t At(uint32_t x, uint32_t y, uint32_t c) const { return samples[(size_t(y) * width + x) * channels + c]; }
};

inline bool ReadPicture(const std::string& name, Picture* picture)
{
    std::vector<uint8_t> b;
    if (!vt::ReadFileBytes(vt::FixturePath(name), &b) || b.size() < 2 || b[0] != 'P' || (b[1] != '5' && b[1] != '6'))
        return false;
    size_t pos = 2;
    uint32_t fields[3];
    for (uint32_t& field : fields) {
        for (;;) {
            while (pos < b.size() && std::isspace(b[pos]))
                ++pos;
            if (pos < b.size() && b[pos] == '#') {
                while (pos < b.size() && b[pos] != '\n')
                    ++pos;
                continue;
            }
            break;
        }
        field = 0;
        while (pos < b.size() && b[pos] >= '0' && b[pos] <= '9')
            field = field * 10 + (b[pos++] - '0');
    }
    ++pos;
    picture->width = fields[0];
    picture->height = fields[1];
    picture->channels = b[1] == '5' ? 1 : 3;
    picture->precision = 0;
    while ((1u << picture->precision) - 1 < fields[2])
        ++picture->precision;
    const size_t bytes = fields[2] > 255 ? 2 : 1;
    const size_t count = size_t(picture->width) * picture->height * picture->channels;
    if (b.size() < pos + count * bytes)
        return false;
    picture->samples.resize(count);
    for (size_t i = 0; i < count; ++i)
        picture->samples[i] = bytes == 2 ? (b[pos + 2 * i] << 8 | b[pos + 2 * i + 1]) : b[pos + i];
    return true;
}

// A sample of `precision` bits brought to `bits` by shifting.
inline int64_t Align(int64_t v, uint32_t precision, uint32_t bits)
{
    return precision < bits ? v * (int64_t(1) << (bits - precision)) : v >> (precision - bits);
}

struct GlobalDeleter {
    void operator()(void* p) const { GlobalFree(p); }
};
using Buffer = std::unique_ptr<uint8_t, GlobalDeleter>;

// Installs the library's table in the calling thread.
inline bool InstallHook()
{
    ISExtHookTable* table = is5_GetExtHook(0);
    if (!table)
        return false;
    int32_t ok = SAJ2KSetExtHook(table);
    GlobalFree(table);
    return ok == 1;
}

struct ReadResult {
    Buffer pixels;
    uint32_t width = 12345;
    uint32_t height = 12345;
    int32_t code = -1;
};

// One read from a memory source over `bytes`; the code is the library's last error.
inline ReadResult ReadBytes(const std::vector<uint8_t>& bytes, uint32_t bitsPerPixel, double scale = 1.0,
                            uint32_t flags = 0)
{
    ReadResult r;
    HISSRC source = is5_OpenMemorySource(bytes.data(), static_cast<int32_t>(bytes.size()));
    if (!source)
        return r;
    r.pixels.reset(static_cast<uint8_t*>(SAJ2KReadImage(source, &r.width, &r.height, bitsPerPixel, scale, flags)));
    r.code = ISGetLastError();
    is5_CloseSource(source);
    return r;
}

inline std::vector<uint8_t> Fixture(const std::string& name)
{
    std::vector<uint8_t> bytes;
    vt::ReadFileBytes(vt::FixturePath(name), &bytes);
    return bytes;
}

inline ReadResult ReadFixture(const std::string& name, uint32_t bitsPerPixel, double scale = 1.0, uint32_t flags = 0)
{
    return ReadBytes(Fixture(name), bitsPerPixel, scale, flags);
}

inline void AppendBE(std::vector<uint8_t>* out, uint32_t v, int bytes)
{
    for (int i = bytes - 1; i >= 0; --i)
        out->push_back(static_cast<uint8_t>(v >> (8 * i)));
}

inline std::vector<uint8_t> Box(const char* type, const std::vector<uint8_t>& payload)
{
    std::vector<uint8_t> box;
    AppendBE(&box, static_cast<uint32_t>(payload.size() + 8), 4);
    box.insert(box.end(), type, type + 4);
    box.insert(box.end(), payload.begin(), payload.end());
    return box;
}

// A JP2 file around a one-component 8-bit code stream whose samples index
// a palette: `palette[i]` holds the columns of entry i; cmap maps the first
// three columns to R, G, B.
inline std::vector<uint8_t> PaletteJp2(const std::vector<uint8_t>& codestream, uint32_t width, uint32_t height,
                                       const std::vector<std::vector<uint8_t>>& palette, uint32_t columns)
{
    std::vector<uint8_t> ihdr;
    AppendBE(&ihdr, height, 4);
    AppendBE(&ihdr, width, 4);
    AppendBE(&ihdr, 1, 2);
    ihdr.push_back(7);  // 8 bits, unsigned
    ihdr.push_back(7);  // wavelet coding
    ihdr.push_back(0);
    ihdr.push_back(0);
    std::vector<uint8_t> colr = {1, 0, 0};
    AppendBE(&colr, 16, 4);  // sRGB
    std::vector<uint8_t> pclr;
    AppendBE(&pclr, static_cast<uint32_t>(palette.size()), 2);
    pclr.push_back(static_cast<uint8_t>(columns));
    for (uint32_t c = 0; c < columns; ++c)
        pclr.push_back(7);
    for (const std::vector<uint8_t>& entry : palette)
        for (uint32_t c = 0; c < columns; ++c)
            pclr.push_back(c < entry.size() ? entry[c] : 0);
    std::vector<uint8_t> cmap;
    for (uint32_t c = 0; c < columns; ++c) {
        AppendBE(&cmap, 0, 2);
        cmap.push_back(1);
        cmap.push_back(static_cast<uint8_t>(c));
    }
    std::vector<uint8_t> header = Box("ihdr", ihdr);
    for (const std::vector<uint8_t>& b : {Box("colr", colr), Box("pclr", pclr), Box("cmap", cmap)})
        header.insert(header.end(), b.begin(), b.end());
    std::vector<uint8_t> file = {0, 0, 0, 0x0C, 'j', 'P', ' ', ' ', 0x0D, 0x0A, 0x87, 0x0A};
    std::vector<uint8_t> ftyp = {'j', 'p', '2', ' ', 0, 0, 0, 0, 'j', 'p', '2', ' '};
    for (const std::vector<uint8_t>& b : {Box("ftyp", ftyp), Box("jp2h", header), Box("jp2c", codestream)})
        file.insert(file.end(), b.begin(), b.end());
    return file;
}

inline uint32_t LE32(const uint8_t* p) { return p[0] | p[1] << 8 | p[2] << 16 | uint32_t(p[3]) << 24; }
inline uint16_t LE16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }

}  // namespace j2kt
