// Helpers of the PNG tests: reads over memory and pngtopam's references.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "imaging/core/frame.h"
#include "imaging/is5.h"
#include "tests/support/test_support.h"

namespace pngt {

using Bytes = std::vector<uint8_t>;

inline Bytes Fixture(const std::string& name)
{
    Bytes bytes;
    EXPECT_TRUE(vt::ReadFileBytes(vt::FixturePath("png/" + name), &bytes)) << name;
    return bytes;
}

// One is5_ReadPNG call over memory; the buffer is copied out and freed.
struct Read {
    bool ok = false;
    int32_t code = -1;
    uint32_t width = 0, height = 0;
    Bytes data;
    RGBQUAD palette[256];
};

inline Read ReadPng(const Bytes& file, uint32_t bits, uint32_t flags = 0, bool withPalette = true)
{
    Read r;
    std::memset(r.palette, 0xCD, sizeof r.palette);
    static const uint8_t kNothing = 0;  // an empty file still has an address
    HISSRC source = is5_OpenMemorySource(file.empty() ? &kNothing : file.data(), static_cast<int32_t>(file.size()));
    void* buffer = is5_ReadPNG(source, &r.width, &r.height, bits, withPalette ? r.palette : nullptr, flags);
    r.code = ISGetLastError();
    is5_CloseSource(source);
    if (buffer) {
        r.ok = true;
        const SIZE_T size = GlobalSize(buffer);
        r.data.assign(static_cast<uint8_t*>(buffer), static_cast<uint8_t*>(buffer) + size);
        GlobalFree(buffer);
    }
    return r;
}

// A binary PNM or PAM of any maxval: samples as 16-bit values.
struct Ref {
    int width = 0, height = 0, depth = 0, maxval = 0;
    std::vector<uint32_t> samples;
    uint32_t At(int x, int y, int c) const { return samples[(size_t(y) * width + x) * depth + c]; }
    uint32_t At8(int x, int y, int c) const
    {
        const uint32_t v = At(x, y, c);
        return maxval > 255 ? v >> 8 : v * 255 / maxval;
    }
};

inline bool LoadRef(const std::string& name, Ref* ref)
{
    Bytes b;
    if (!vt::ReadFileBytes(vt::FixturePath("png/" + name), &b) || b.size() < 3)
        return false;
    size_t pos = 2;
    auto token = [&]() {
        std::string t;
        while (pos < b.size()) {
            char c = char(b[pos]);
            if (c == '#') {
                while (pos < b.size() && b[pos] != '\n')
                    ++pos;
            } else if (c == ' ' || c == '\n' || c == '\r' || c == '\t') {
                ++pos;
                if (!t.empty())
                    break;
            } else {
                t += c;
                ++pos;
            }
        }
        return t;
    };
    const char kind = char(b[1]);
    if (kind == '7') {
        for (std::string t = token(); !t.empty() && t != "ENDHDR"; t = token()) {
            if (t == "WIDTH") ref->width = std::stoi(token());
            else if (t == "HEIGHT") ref->height = std::stoi(token());
            else if (t == "DEPTH") ref->depth = std::stoi(token());
            else if (t == "MAXVAL") ref->maxval = std::stoi(token());
            else if (t == "TUPLTYPE") token();
        }
    } else if (kind == '5' || kind == '6') {
        ref->width = std::stoi(token());
        ref->height = std::stoi(token());
        ref->maxval = std::stoi(token());
        ref->depth = kind == '5' ? 1 : 3;
    } else {
        return false;
    }
    const size_t count = size_t(ref->width) * ref->height * ref->depth;
    const size_t bytes = ref->maxval > 255 ? 2 : 1;
    if (b.size() < pos + count * bytes)
        return false;
    ref->samples.resize(count);
    for (size_t i = 0; i < count; ++i)
        ref->samples[i] = bytes == 2 ? (uint32_t(b[pos + 2 * i]) << 8) | b[pos + 2 * i + 1] : b[pos + i];
    return true;
}

// Marks the thread's error log; LogAfterMark gives what came after.
inline void MarkLog() { ISLogError("-- png test mark --", 0, 1); }
inline std::vector<ISErrorLogEntry> LogAfterMark()
{
    std::vector<ISErrorLogEntry> log = ISTestErrorLog();
    size_t i = log.size();
    while (i > 0 && log[i - 1].message != "-- png test mark --")
        --i;
    return std::vector<ISErrorLogEntry>(log.begin() + i, log.end());
}
inline bool HasWarning15(const std::vector<ISErrorLogEntry>& log)
{
    for (const ISErrorLogEntry& e : log)
        if (e.code == 15 && e.level == 2)
            return true;
    return false;
}

}  // namespace pngt
