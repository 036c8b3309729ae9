// Helpers of the TLA tests: gen_tla.py's files and expected pixels, reads
// over memory or a file, and the layouts each output form should have.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "imaging/core/frame.h"
#include "imaging/is5.h"
#include "tests/support/test_support.h"

namespace tlat {

using Bytes = std::vector<uint8_t>;

inline Bytes Fixture(const std::string& name)
{
    Bytes b;
    EXPECT_TRUE(vt::ReadFileBytes(vt::FixturePath("tla/" + name), &b)) << name;
    return b;
}

inline bool HasFixture(const std::string& name)
{
    Bytes b;
    return vt::ReadFileBytes(vt::FixturePath("tla/" + name), &b);
}

// What gen_tla.py says a file reads as: indices (1-byte files), R,G,B and
// R,G,B,A rows, the palette bytes (1-byte files).
struct Expected {
    uint32_t width = 0, height = 0, bytesPerPixel = 0;
    Bytes idx, rgb, rgba, pal;
};

inline Expected LoadExpected(const std::string& base, uint32_t width, uint32_t height, uint32_t bytesPerPixel)
{
    Expected e;
    e.width = width;
    e.height = height;
    e.bytesPerPixel = bytesPerPixel;
    e.rgb = Fixture(base + ".rgb");
    e.rgba = Fixture(base + ".rgba");
    if (bytesPerPixel == 1) {
        e.idx = Fixture(base + ".idx");
        e.pal = Fixture(base + ".pal");
    }
    return e;
}

// One entry call: status, size outs, the whole buffer, the palette out.
struct Result {
    bool made = false;
    int32_t status = -1;
    uint32_t width = 0, height = 0;
    Bytes data;
    uint8_t palette[1024];
};

enum class Source { kMemory, kFile };

inline const char* Name(Source s) { return s == Source::kMemory ? "Memory" : "File"; }

inline HISSRC Open(const Bytes& file, const std::string& path, Source kind)
{
    static const uint8_t kNothing = 0;
    if (kind == Source::kFile)
        return is5_OpenFileSource(path.c_str());
    return is5_OpenMemorySource(file.empty() ? &kNothing : file.data(), static_cast<int32_t>(file.size()));
}

inline void Take(void* buffer, Result* r)
{
    r->status = ISGetLastError();
    if (buffer) {
        r->made = true;
        const SIZE_T size = GlobalSize(buffer);
        r->data.assign(static_cast<uint8_t*>(buffer), static_cast<uint8_t*>(buffer) + size);
        GlobalFree(buffer);
    }
}

inline Result ReadSource(HISSRC source, const char* password, uint32_t bytes, uint32_t flags, bool withPalette = true)
{
    Result r;
    std::memset(r.palette, 0xCD, sizeof r.palette);
    void* buffer = is5_ReadTLA(source, &r.width, &r.height, password, bytes, withPalette ? reinterpret_cast<RGBQUAD*>(r.palette) : nullptr, flags);
    Take(buffer, &r);
    return r;
}

inline Result Read(const Bytes& file, const char* password, uint32_t bytes, uint32_t flags = 0)
{
    HISSRC source = Open(file, "", Source::kMemory);
    Result r = ReadSource(source, password, bytes, flags);
    is5_CloseSource(source);
    return r;
}

// A fixture read from memory or straight from its file.
inline Result ReadFixture(const std::string& name, Source kind, const char* password, uint32_t bytes,
                          uint32_t flags = 0)
{
    const Bytes file = kind == Source::kMemory ? Fixture(name) : Bytes();
    HISSRC source = Open(file, vt::FixturePath("tla/" + name), kind);
    EXPECT_NE(nullptr, source) << name;
    Result r = ReadSource(source, password, bytes, flags);
    is5_CloseSource(source);
    return r;
}

struct Dims {
    BOOL ok = FALSE;
    int32_t status = -1;
    uint32_t width = 0, height = 0, bits = 0;
};

inline Dims DimsOf(HISSRC source, const char* password)
{
    Dims d;
    d.ok = is5_GetTLADims_(source, &d.width, &d.height, &d.bits, password, 0);
    d.status = ISGetLastError();
    is5_CloseSource(source);
    return d;
}

inline Dims GetDims(const Bytes& file, const char* password)
{
    return DimsOf(Open(file, "", Source::kMemory), password);
}

inline Dims FixtureDims(const std::string& name, Source kind, const char* password)
{
    const Bytes file = kind == Source::kMemory ? Fixture(name) : Bytes();
    return DimsOf(Open(file, vt::FixturePath("tla/" + name), kind), password);
}

// Rows of `bytes` a pixel as is5_ReadTLA lays them out, padded to 4 bytes
// with flag 8.
inline Bytes Layout(const Bytes& rows, uint32_t width, uint32_t height, uint32_t bytes, bool padded)
{
    const size_t packed = size_t(width) * bytes;
    const size_t stride = padded ? (packed + 3) / 4 * 4 : packed;
    Bytes out(stride * height, 0);
    for (uint32_t y = 0; y < height; ++y)
        std::memcpy(out.data() + y * stride, rows.data() + y * packed, packed);
    return out;
}

inline void PutLe32(uint8_t* p, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        p[i] = uint8_t(v >> (8 * i));
}

// The packed DIB a file should read as: 8 bits with the palette for 1-byte
// files, 32 for 2- and 4-byte files, 24 for 3-byte ones; bottom-up, B,G,R(,A).
inline Bytes DibOf(const Expected& e)
{
    const uint32_t c = e.bytesPerPixel == 2 ? 4 : e.bytesPerPixel;
    const size_t stride = (size_t(c) * e.width * 8 + 31) / 32 * 4;
    const size_t head = c == 1 ? 1064 : 40;
    Bytes out(head + stride * e.height, 0);
    PutLe32(&out[0], 40);
    PutLe32(&out[4], e.width);
    PutLe32(&out[8], e.height);
    out[12] = 1;
    out[14] = uint8_t(8 * c);
    PutLe32(&out[20], uint32_t(stride * e.height));
    PutLe32(&out[32], c == 1 ? 256 : 0);
    if (c == 1)
        std::memcpy(&out[40], e.pal.data(), 1024);
    const Bytes& src = c == 1 ? e.idx : c == 3 ? e.rgb : e.rgba;
    for (uint32_t y = 0; y < e.height; ++y) {
        uint8_t* row = &out[head + stride * (e.height - 1 - y)];
        const uint8_t* s = &src[size_t(y) * e.width * c];
        for (uint32_t x = 0; x < e.width; ++x) {
            const uint8_t* p = s + x * c;
            uint8_t* q = row + x * c;
            if (c == 1) {
                q[0] = p[0];
                continue;
            }
            q[0] = p[2];
            q[1] = p[1];
            q[2] = p[0];
            if (c == 4)
                q[3] = p[3];
        }
    }
    return out;
}

// The first `n` differing bytes, for a readable failure message.
inline std::string FirstDifference(const Bytes& want, const Bytes& got)
{
    if (want.size() != got.size())
        return "size " + std::to_string(got.size()) + ", want " + std::to_string(want.size());
    for (size_t i = 0; i < want.size(); ++i)
        if (want[i] != got[i])
            return "byte " + std::to_string(i) + ": " + std::to_string(got[i]) + ", want " + std::to_string(want[i]);
    return "equal";
}

// The calling thread's file data tags.
inline std::vector<std::string> Tags()
{
    std::vector<std::string> out;
    for (const std::unique_ptr<CFileDataTag>& t : ISGetThreadState()->fileDataTags) {
        EXPECT_EQ(0, t->id);
        EXPECT_TRUE(t->name.empty());
        const int32_t n = t->data.Count();
        out.push_back(n > 0 ? std::string(reinterpret_cast<const char*>(t->data.GetData()), size_t(n)) : "");
    }
    return out;
}

}  // namespace tlat
