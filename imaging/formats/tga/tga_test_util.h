// Helpers of the TGA tests: hand-built files and reads over memory or a file.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "imaging/is5.h"
#include "tests/support/test_support.h"

namespace tgat {

using Bytes = std::vector<uint8_t>;

struct Spec {
    uint32_t type = 2;
    uint32_t width = 1;
    uint32_t height = 1;
    uint32_t bits = 24;
    uint32_t descriptor = 0;
    uint32_t mapType = 0;
    uint32_t mapFirst = 0;
    uint32_t mapLength = 0;
    uint32_t mapBits = 0;
    Bytes id;
    Bytes map;
    Bytes pixels;
};

inline Bytes Make(const Spec& s)
{
    Bytes f(18, 0);
    f[0] = uint8_t(s.id.size());
    f[1] = uint8_t(s.mapType);
    f[2] = uint8_t(s.type);
    f[3] = uint8_t(s.mapFirst);
    f[4] = uint8_t(s.mapFirst >> 8);
    f[5] = uint8_t(s.mapLength);
    f[6] = uint8_t(s.mapLength >> 8);
    f[7] = uint8_t(s.mapBits);
    f[12] = uint8_t(s.width);
    f[13] = uint8_t(s.width >> 8);
    f[14] = uint8_t(s.height);
    f[15] = uint8_t(s.height >> 8);
    f[16] = uint8_t(s.bits);
    f[17] = uint8_t(s.descriptor);
    f.insert(f.end(), s.id.begin(), s.id.end());
    f.insert(f.end(), s.map.begin(), s.map.end());
    f.insert(f.end(), s.pixels.begin(), s.pixels.end());
    return f;
}

struct Result {
    bool made = false;
    int32_t status = -1;
    uint32_t width = 0, height = 0;
    Bytes data;  // the first `bytes` bytes of the buffer
    RGBQUAD palette[256];
};

// bytes: how much of the buffer to keep (the caller knows the layout).
inline Result ReadMem(const Bytes& file, uint32_t depth, uint32_t flags, size_t bytes, bool withPalette = true)
{
    Result r;
    std::memset(r.palette, 0xAB, sizeof(r.palette));
    HISSRC s = is5_OpenMemorySource(file.data(), int32_t(file.size()));
    void* buf = is5_ReadTGA(s, &r.width, &r.height, depth, withPalette ? r.palette : nullptr, flags);
    r.status = ISGetLastError();
    is5_CloseSource(s);
    if (buf) {
        r.made = true;
        r.data.assign(static_cast<uint8_t*>(buf), static_cast<uint8_t*>(buf) + bytes);
        GlobalFree(buf);
    }
    return r;
}

inline Result ReadPath(const std::string& path, uint32_t depth, uint32_t flags, size_t bytes)
{
    Result r;
    HISSRC s = is5_OpenFileSource(path.c_str());
    EXPECT_NE(s, nullptr) << path;
    void* buf = is5_ReadTGA(s, &r.width, &r.height, depth, r.palette, flags);
    r.status = ISGetLastError();
    is5_CloseSource(s);
    if (buf) {
        r.made = true;
        r.data.assign(static_cast<uint8_t*>(buf), static_cast<uint8_t*>(buf) + bytes);
        GlobalFree(buf);
    }
    return r;
}

inline Bytes Fixture(const std::string& name)
{
    Bytes b;
    EXPECT_TRUE(vt::ReadFileBytes(vt::FixturePath(name), &b)) << name;
    return b;
}

inline uint32_t Le32(const Bytes& b, size_t at)
{
    return uint32_t(b[at]) | (uint32_t(b[at + 1]) << 8) | (uint32_t(b[at + 2]) << 16) | (uint32_t(b[at + 3]) << 24);
}

}  // namespace tgat
