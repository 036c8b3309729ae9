// Helpers shared by the TIFF reader's tests.
#pragma once

#include <cctype>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "imaging/core/frame.h"
#include "imaging/is5.h"
#include "tests/support/test_support.h"

namespace tift {

// A binary PNM: P4 (one sample a pixel, 1 = black), P5, P6 of any maxval.
struct Picture {
    uint32_t width = 0;
    uint32_t height = 0;
    uint32_t channels = 0;
    uint32_t maxval = 0;
    std::vector<uint32_t> samples;

    uint32_t At(uint32_t x, uint32_t y, uint32_t c = 0) const { return samples[(size_t(y) * width + x) * channels + c]; }
};

inline bool ReadPicture(const std::string& name, Picture* picture)
{
    std::vector<uint8_t> b;
    if (!vt::ReadFileBytes(vt::FixturePath(name), &b) || b.size() < 2 || b[0] != 'P' || b[1] < '4' || b[1] > '6')
        return false;
    const bool bits = b[1] == '4';
    size_t pos = 2;
    uint32_t fields[3] = {0, 0, 0};
    for (int i = 0; i < (bits ? 2 : 3); ++i) {
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
        while (pos < b.size() && b[pos] >= '0' && b[pos] <= '9')
            fields[i] = fields[i] * 10 + (b[pos++] - '0');
    }
    ++pos;
    picture->width = fields[0];
    picture->height = fields[1];
    picture->maxval = bits ? 1 : fields[2];
    picture->channels = b[1] == '6' ? 3 : 1;
    const size_t count = size_t(picture->width) * picture->height * picture->channels;
    picture->samples.resize(count);
    if (bits) {
        const size_t row = (picture->width + 7) / 8;
        if (b.size() < pos + row * picture->height)
            return false;
        for (uint32_t y = 0; y < picture->height; ++y)
            for (uint32_t x = 0; x < picture->width; ++x)
                picture->samples[size_t(y) * picture->width + x] = (b[pos + y * row + x / 8] >> (7 - x % 8)) & 1;
        return true;
    }
    const size_t bytes = fields[2] > 255 ? 2 : 1;
    if (b.size() < pos + count * bytes)
        return false;
    for (size_t i = 0; i < count; ++i)
        picture->samples[i] = bytes == 2 ? (b[pos + 2 * i] << 8 | b[pos + 2 * i + 1]) : b[pos + i];
    return true;
}

struct GlobalDeleter {
    void operator()(void* p) const { GlobalFree(p); }
};
using Buffer = std::unique_ptr<uint8_t, GlobalDeleter>;

// A source over a fixture, as a file or from memory.
class Source {
public:
    Source(const std::string& name, bool memory)
    {
        if (memory) {
            vt::ReadFileBytes(vt::FixturePath(name), &m_bytes);
            m_handle = is5_OpenMemorySource(m_bytes.data(), static_cast<int32_t>(m_bytes.size()));
        } else {
            m_handle = is5_OpenFileSource(vt::HostPath(vt::FixturePath(name)).c_str());
        }
    }
    explicit Source(const std::vector<uint8_t>& bytes) : m_bytes(bytes)
    {
        m_handle = is5_OpenMemorySource(m_bytes.data(), static_cast<int32_t>(m_bytes.size()));
    }
    ~Source()
    {
        if (m_handle)
            is5_CloseSource(m_handle);
    }
    Source(const Source&) = delete;
    Source& operator=(const Source&) = delete;
    HISSRC Get() const { return m_handle; }

private:
    std::vector<uint8_t> m_bytes;
    HISSRC m_handle = nullptr;
};

struct Result {
    Buffer pixels;
    uint32_t width = 0;
    uint32_t height = 0;
    int32_t error = 0;
    RGBQUAD palette[256] = {};
};

inline Result Read(const std::string& name, uint32_t bits, uint32_t flags, int32_t page = 0, bool memory = true)
{
    Source source(name, memory);
    Result r;
    r.pixels.reset(static_cast<uint8_t*>(is5_ReadTIFF(source.Get(), &r.width, &r.height, bits, r.palette, page, flags)));
    r.error = ISGetLastError();
    return r;
}

}  // namespace tift
