// Helpers of the PCX reader's tests: reads over memory and file sources and
// hand-built headers.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "imaging/is5.h"
#include "tests/support/test_support.h"

namespace pcxt {

using Bytes = std::vector<uint8_t>;

struct Result {
    void* buffer = nullptr;
    int32_t status = -1;
    uint32_t width = 0;
    uint32_t height = 0;
    RGBQUAD palette[256] = {};
    Bytes bytes;
};

inline Result Finish(Result r, HISSRC source)
{
    if (r.buffer) {
        const uint8_t* p = static_cast<const uint8_t*>(r.buffer);
        r.bytes.assign(p, p + GlobalSize(r.buffer));
        GlobalFree(r.buffer);
    }
    is5_CloseSource(source);
    return r;
}

inline Result ReadPcx(const Bytes& file, uint32_t depth, uint32_t flags, bool withPalette = true)
{
    Result r;
    HISSRC source = is5_OpenMemorySource(file.data(), int32_t(file.size()));
    r.buffer = is5_ReadPCX(source, &r.width, &r.height, depth, withPalette ? r.palette : nullptr, flags);
    r.status = ISGetLastError();
    return Finish(std::move(r), source);
}

inline Result ReadPcxFile(const Bytes& file, const std::string& name, uint32_t depth)
{
    Result r;
    const std::string path = vt::BuildPath(name);
    EXPECT_TRUE(vt::WriteFileBytes(path, file));
    HISSRC source = is5_OpenFileSource(vt::HostPath(path).c_str());
    r.buffer = is5_ReadPCX(source, &r.width, &r.height, depth, r.palette, 0);
    r.status = ISGetLastError();
    return Finish(std::move(r), source);
}

inline Bytes Fixture(const std::string& name)
{
    Bytes b;
    EXPECT_TRUE(vt::ReadFileBytes(vt::FixturePath(name), &b)) << name;
    return b;
}

inline void Put16(Bytes& b, size_t at, uint32_t v)
{
    b[at] = uint8_t(v);
    b[at + 1] = uint8_t(v >> 8);
}

// A 128-byte header: version 5, run-length coded.
inline Bytes Header(uint32_t width, uint32_t height, uint32_t bitsPerPlane, uint32_t planes, uint32_t bytesPerLine)
{
    Bytes b(128, 0);
    b[0] = 10;
    b[1] = 5;
    b[2] = 1;
    b[3] = uint8_t(bitsPerPlane);
    Put16(b, 8, width - 1);
    Put16(b, 10, height - 1);
    b[65] = uint8_t(planes);
    Put16(b, 66, bytesPerLine);
    return b;
}

}  // namespace pcxt
