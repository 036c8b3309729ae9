// Helpers of the bitmap tests: hand-built files, reads and writes over
// memory, and ImageMagick's decodes run on the host.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "imaging/core/io.h"
#include "imaging/is5.h"
#include "tests/support/memory_sink.h"
#include "tests/support/test_support.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace bmpt {

using Bytes = std::vector<uint8_t>;

inline void Put16(Bytes& b, size_t at, uint32_t v)
{
    b[at] = uint8_t(v);
    b[at + 1] = uint8_t(v >> 8);
}
inline void Put32(Bytes& b, size_t at, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        b[at + i] = uint8_t(v >> (8 * i));
}
inline uint32_t Get16(const Bytes& b, size_t at) { return b[at] | (b[at + 1] << 8); }
inline uint32_t Get32(const Bytes& b, size_t at)
{
    return uint32_t(b[at]) | (uint32_t(b[at + 1]) << 8) | (uint32_t(b[at + 2]) << 16) | (uint32_t(b[at + 3]) << 24);
}

// A bitmap file with a 40-byte info header: the table (entries of 4 bytes,
// or three masks) and the pixel bytes exactly as given.
struct FileSpec {
    int32_t width = 1;
    int32_t height = 1;
    uint32_t bits = 24;
    uint32_t compression = 0;
    uint32_t colorsUsed = 0;
    Bytes table;
    Bytes pixels;
    int64_t offBits = -1;  // -1: right after the table
    uint32_t headerSize = 40;
};

inline Bytes MakeFile(const FileSpec& s)
{
    Bytes f(14 + 40);
    f[0] = 'B';
    f[1] = 'M';
    Put32(f, 14, s.headerSize);
    Put32(f, 18, uint32_t(s.width));
    Put32(f, 22, uint32_t(s.height));
    Put16(f, 26, 1);
    Put16(f, 28, s.bits);
    Put32(f, 30, s.compression);
    Put32(f, 34, uint32_t(s.pixels.size()));
    Put32(f, 38, 2835);
    Put32(f, 42, 3780);
    Put32(f, 46, s.colorsUsed);
    f.insert(f.end(), s.table.begin(), s.table.end());
    Put32(f, 10, s.offBits < 0 ? uint32_t(f.size()) : uint32_t(s.offBits));
    f.insert(f.end(), s.pixels.begin(), s.pixels.end());
    Put32(f, 2, uint32_t(f.size()));
    return f;
}

// A 12-byte core-header file with entries of 3 bytes.
inline Bytes MakeCoreFile(uint16_t width, uint16_t height, uint16_t bits, const Bytes& table, const Bytes& pixels)
{
    Bytes f(14 + 12);
    f[0] = 'B';
    f[1] = 'M';
    Put32(f, 14, 12);
    Put16(f, 18, width);
    Put16(f, 20, height);
    Put16(f, 22, 1);
    Put16(f, 24, bits);
    f.insert(f.end(), table.begin(), table.end());
    Put32(f, 10, uint32_t(f.size()));
    f.insert(f.end(), pixels.begin(), pixels.end());
    Put32(f, 2, uint32_t(f.size()));
    return f;
}

// Palette entries (blue, green, red, 0) as table bytes.
inline Bytes Table(std::initializer_list<std::array<uint8_t, 3>> bgr)
{
    Bytes t;
    for (const auto& e : bgr)
        t.insert(t.end(), {e[0], e[1], e[2], 0});
    return t;
}

struct Image {
    BYTE* data = nullptr;
    uint32_t width = 0;
    uint32_t height = 0;
    int32_t error = -1;
    RGBQUAD palette[256] = {};

    Image() = default;
    Image(const Image&) = delete;
    Image& operator=(const Image&) = delete;
    Image(Image&& o) noexcept
    {
        std::memcpy(this, &o, sizeof o);
        o.data = nullptr;
    }
    ~Image()
    {
        if (data)
            GlobalFree(data);
    }
    Bytes Row(uint32_t y, size_t bytes) const { return Bytes(data + y * bytes, data + (y + 1) * bytes); }
    Bytes All(size_t bytes) const { return Bytes(data, data + bytes); }
};

inline Image ReadBmp(const Bytes& file, uint32_t depth, uint32_t flags = 0)
{
    Image out;
    std::memset(out.palette, 0xEE, sizeof out.palette);
    HISSRC source = is5_OpenMemorySource(file.data(), static_cast<int32_t>(file.size()));
    EXPECT_NE(source, nullptr);
    if (!source)
        return out;
    out.data = static_cast<BYTE*>(is5_ReadBMP(source, &out.width, &out.height, depth, out.palette, flags));
    out.error = ISGetLastError();
    is5_CloseSource(source);
    return out;
}

using vt::MemorySink;

struct Written {
    Bytes file;
    int32_t result = 0;
    int32_t error = -1;
};

inline Written WriteBmp(const void* pixels, uint32_t width, uint32_t height, uint32_t bits, uint32_t stride,
                        uint32_t colours = 0, const RGBQUAD* palette = nullptr, uint32_t flags = 0,
                        const ISResolution* resolution = nullptr)
{
    MemorySink sink(1 << 24);
    Written w;
    w.result = is5_WriteBMP(sink.Handle(), pixels, width, height, bits, stride, colours, palette, resolution, flags);
    w.error = ISGetLastError();
    w.file = sink.Written();
    return w;
}

inline void Pause()
{
#ifdef _WIN32
    Sleep(50);
#else
    usleep(50000);
#endif
}

inline std::string Unix(const std::string& p) { return p.rfind("Z:", 0) == 0 ? p.substr(2) : p; }

// ImageMagick's "-depth 8 <kind>:" decode of each file in `paths`, run as one
// host job; under Wine the job is not waited for, so each result appears by
// a rename and is polled for.
inline std::vector<Bytes> PeerDecode(const std::vector<std::string>& paths, const std::string& kind = "rgb")
{
    std::string script;
    for (const std::string& p : paths) {
        const std::string u = Unix(p);
        script += "convert-im6.q16 '" + u + "' -depth 8 " + kind + ":'" + u + ".tmp' && mv '" + u + ".tmp' '" + u +
                  "." + kind + "'; ";
        std::remove((p + "." + kind).c_str());
    }
#ifdef _WIN32
    script = "\"" + script + "\"";
#endif
    vt::RunHost("/bin/sh", {"-c", script});
    std::vector<Bytes> out(paths.size());
    for (size_t i = 0; i < paths.size(); ++i) {
        bool got = false;
        for (int t = 0; t < 400 && !(got = vt::ReadFileBytes(paths[i] + "." + kind, &out[i])); ++t)
            Pause();
        EXPECT_TRUE(got) << "no decode of " << paths[i];
    }
    return out;
}

}  // namespace bmpt
