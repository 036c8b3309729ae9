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

inline uint32_t LE32(const uint8_t* p) { return p[0] | p[1] << 8 | p[2] << 16 | uint32_t(p[3]) << 24; }
inline uint16_t LE16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }

}  // namespace j2kt
