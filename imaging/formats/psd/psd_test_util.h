// Helpers of the PSD tests: reads and header questions over memory or a
// file, the fixtures and ImageMagick's references.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "imaging/core/frame.h"
#include "imaging/is5.h"
#include "tests/support/test_support.h"

namespace psdt {

using Bytes = std::vector<uint8_t>;

inline Bytes Fixture(const std::string& name)
{
    Bytes bytes;
    EXPECT_TRUE(vt::ReadFileBytes(vt::FixturePath("psd/" + name), &bytes)) << name;
    return bytes;
}

// A memory source over a copy of the bytes, or a file source over a copy written for the running test
// (ctest runs the tests side by side).
class Source {
public:
    Source(const Bytes& file, bool fromFile) : m_bytes(file)
    {
        static const uint8_t kNothing = 0;  // an empty file still has an address
        if (fromFile) {
            const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
            std::string name = std::string("psd_") + info->test_suite_name() + "_" + info->name() + ".psd";
            for (char& c : name)
                if (c == '/')
                    c = '_';
            const std::string path = vt::BuildPath(name);
            EXPECT_TRUE(vt::WriteFileBytes(path, file));
            m_handle = is5_OpenFileSource(path.c_str());
        } else {
            m_handle = is5_OpenMemorySource(m_bytes.empty() ? &kNothing : m_bytes.data(),
                                            static_cast<int32_t>(m_bytes.size()));
        }
    }
    ~Source() { is5_CloseSource(m_handle); }
    Source(const Source&) = delete;
    Source& operator=(const Source&) = delete;
    HISSRC Handle() const { return m_handle; }

private:
    Bytes m_bytes;  // a memory source reads the caller's block
    HISSRC m_handle = nullptr;
};

// One is5_ReadPSD call; the whole buffer is copied out and freed.
struct Read {
    bool made = false;
    int32_t code = -1;
    uint32_t width = 0, height = 0;
    Bytes data;
    RGBQUAD palette[256];
};

inline Read Take(void* buffer, Read r)
{
    r.code = ISGetLastError();
    if (buffer) {
        r.made = true;
        r.data.assign(static_cast<uint8_t*>(buffer), static_cast<uint8_t*>(buffer) + GlobalSize(buffer));
        GlobalFree(buffer);
    }
    return r;
}

inline Read ReadPsd(const Bytes& file, uint32_t depth, uint32_t flags = 0, bool fromFile = false)
{
    Read r;
    std::memset(r.palette, 0xCD, sizeof r.palette);
    Source source(file, fromFile);
    void* buffer = is5_ReadPSD(source.Handle(), &r.width, &r.height, depth, r.palette, flags);
    return Take(buffer, r);
}

struct Dims {
    BOOL ok = FALSE;
    int32_t code = -1;
    uint32_t width = 0, height = 0, depth = 0, mode = 0;
    ISResolution resolution = {-1, -1, 99};
};

inline Dims GetDims(const Bytes& file, bool withResolution = true)
{
    Dims d;
    Source source(file, false);
    d.ok = is5_GetPSDDims(source.Handle(), &d.width, &d.height, &d.depth, &d.mode,
                          withResolution ? &d.resolution : nullptr, 0);
    d.code = ISGetLastError();
    return d;
}

// A packed DIB's pixels as top-down R,G,B rows.
inline Bytes DibToRgb(const Bytes& dib)
{
    BITMAPINFOHEADER h;
    std::memcpy(&h, dib.data(), sizeof h);
    const uint32_t w = uint32_t(h.biWidth), height = uint32_t(h.biHeight), bits = h.biBitCount;
    const size_t stride = (size_t(w) * bits + 31) / 32 * 4;
    const size_t table = bits == 8 ? 4 * (h.biClrUsed ? h.biClrUsed : 256) : 0;
    const uint8_t* pixels = dib.data() + 40 + table;
    Bytes rgb;
    for (uint32_t y = 0; y < height; ++y) {
        const uint8_t* row = pixels + size_t(height - 1 - y) * stride;
        for (uint32_t x = 0; x < w; ++x) {
            const uint8_t* p = bits == 8 ? dib.data() + 40 + 4 * size_t(row[x]) : row + size_t(x) * (bits / 8);
            rgb.insert(rgb.end(), {p[2], p[1], p[0]});
        }
    }
    return rgb;
}

inline int MaxDifference(const Bytes& a, const Bytes& b)
{
    if (a.size() != b.size())
        return 1000;
    int worst = 0;
    for (size_t i = 0; i < a.size(); ++i) {
        const int d = a[i] > b[i] ? a[i] - b[i] : b[i] - a[i];
        worst = d > worst ? d : worst;
    }
    return worst;
}

}  // namespace psdt
