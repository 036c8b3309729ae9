// Helpers of the PNM tests: reads from a memory or a file source.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "imaging/is5.h"
#include "tests/support/test_support.h"

namespace pnmt {

using Bytes = std::vector<uint8_t>;

enum class From { kMemory, kFile };
inline const char* Name(From f) { return f == From::kMemory ? "memory" : "file"; }
constexpr From kBoth[] = {From::kMemory, From::kFile};

inline Bytes B(const std::string& s) { return Bytes(s.begin(), s.end()); }
inline Bytes Cat(Bytes a, const Bytes& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// A source over `file`; file sources get a file of their own under the build folder.
inline HISSRC Open(const Bytes& file, From from, const std::string& tag)
{
    if (from == From::kMemory && file.empty()) {
        // Memory sources are never empty: one at its end reads as one.
        static const uint8_t kOne = 0;
        HISSRC source = is5_OpenMemorySource(&kOne, 1);
        is5_Seek(source, 0, 2);
        return source;
    }
    if (from == From::kMemory)
        return is5_OpenMemorySource(file.data(), static_cast<int32_t>(file.size()));
    // One file per test: ctest runs tests in parallel processes.
    const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
    const std::string path = vt::BuildPath("pnm_" + std::string(test ? test->name() : "none") + "_" + tag + ".pnm");
    EXPECT_TRUE(vt::WriteFileBytes(path, file));
    return is5_OpenFileSource(path.c_str());
}

struct Image {
    BYTE* data = nullptr;
    uint32_t width = 0;
    uint32_t height = 0;
    int32_t error = -1;

    Image() = default;
    Image(const Image&) = delete;
    Image& operator=(const Image&) = delete;
    Image(Image&& o) noexcept : data(o.data), width(o.width), height(o.height), error(o.error) { o.data = nullptr; }
    ~Image()
    {
        if (data)
            GlobalFree(data);
    }
    Bytes All(size_t bytes) const { return data ? Bytes(data, data + bytes) : Bytes(); }
    uint16_t U16(size_t sample) const
    {
        uint16_t v;
        std::memcpy(&v, data + 2 * sample, 2);
        return v;
    }
};

inline Image ReadPnm(const Bytes& file, uint32_t depth, uint32_t flags, From from, const std::string& tag = "read")
{
    Image out;
    HISSRC source = Open(file, from, tag);
    EXPECT_NE(source, nullptr);
    if (!source)
        return out;
    out.data = static_cast<BYTE*>(is5_ReadPNM(source, &out.width, &out.height, depth, flags));
    out.error = ISGetLastError();
    is5_CloseSource(source);
    return out;
}

struct Dims {
    BOOL ok = FALSE;
    uint32_t width = 0, height = 0, value = 0, magic = 0;
    int32_t error = -1;
};

inline Dims GetDims(const Bytes& file, From from)
{
    Dims d;
    HISSRC source = Open(file, from, "dims");
    EXPECT_NE(source, nullptr);
    if (!source)
        return d;
    d.ok = is5_GetPNMDims(source, &d.width, &d.height, &d.value, &d.magic, 0);
    d.error = ISGetLastError();
    is5_CloseSource(source);
    return d;
}

}  // namespace pnmt
