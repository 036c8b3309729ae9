// Helpers of the GIF reader's tests: reads over memory and file sources.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "imaging/is5.h"
#include "tests/support/test_support.h"

namespace gift {

using Bytes = std::vector<uint8_t>;

struct Result {
    void* buffer = nullptr;
    int32_t status = -1;
    uint32_t width = 0;
    uint32_t height = 0;
    int32_t transparent = -7;
    RGBQUAD palette[256] = {};
    Bytes bytes;  // a copy of the buffer, when given
};

inline Result ReadGif(const Bytes& file, uint32_t flags, bool withPalette = true, uint64_t bytesWanted = 0)
{
    Result r;
    HISSRC source = is5_OpenMemorySource(file.data(), int32_t(file.size()));
    r.buffer = is5_ReadGIF(source, &r.width, &r.height, &r.transparent, withPalette ? r.palette : nullptr, flags);
    r.status = ISGetLastError();
    if (r.buffer) {
        const uint64_t n = bytesWanted ? bytesWanted : GlobalSize(r.buffer);
        const uint8_t* p = static_cast<const uint8_t*>(r.buffer);
        r.bytes.assign(p, p + n);
        GlobalFree(r.buffer);
    }
    is5_CloseSource(source);
    return r;
}

inline Bytes Fixture(const std::string& name)
{
    Bytes b;
    EXPECT_TRUE(vt::ReadFileBytes(vt::FixturePath(name), &b)) << name;
    return b;
}

inline uint64_t RawBytes(const Result& r) { return uint64_t(r.width) * r.height; }

}  // namespace gift
