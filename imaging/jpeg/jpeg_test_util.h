// Helpers shared by the JPEG tests.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "core/frame.h"
#include "core/io.h"
#include "is5.h"
#include "jpeg/jpeg_glue.h"
#include "jpeg/jpeg_options.h"
#include "tests/support/memory_sink.h"
#include "tests/support/test_support.h"

namespace jt {

using Bytes = std::vector<uint8_t>;

inline Bytes Fixture(const std::string& name)
{
    Bytes bytes;
    EXPECT_TRUE(vt::ReadFileBytes(vt::FixturePath(name), &bytes)) << name;
    return bytes;
}

inline vt::Pnm Reference(const std::string& name)
{
    vt::Pnm pnm;
    EXPECT_TRUE(vt::ReadPnm(vt::FixturePath(name), &pnm)) << name;
    return pnm;
}

// A buffer returned by the library, freed with GlobalFree.
struct Buffer {
    BYTE* data = nullptr;
    uint32_t width = 0;
    uint32_t height = 0;
    int32_t error = -1;

    Buffer() = default;
    Buffer(const Buffer&) = delete;
    Buffer& operator=(const Buffer&) = delete;
    Buffer(Buffer&& other) noexcept { *this = std::move(other); }
    Buffer& operator=(Buffer&& other) noexcept
    {
        std::swap(data, other.data);
        width = other.width;
        height = other.height;
        error = other.error;
        return *this;
    }
    ~Buffer()
    {
        if (data)
            GlobalFree(data);
    }
};

inline Buffer ReadJpeg(const Bytes& bytes, uint32_t bits, uint32_t flags = 0)
{
    Buffer out;
    HISSRC source = is5_OpenMemorySource(bytes.data(), static_cast<int32_t>(bytes.size()));
    EXPECT_NE(source, nullptr);
    if (!source)
        return out;
    out.data = static_cast<BYTE*>(is5_ReadJPG(source, &out.width, &out.height, bits, flags));
    out.error = ISGetLastError();
    is5_CloseSource(source);
    return out;
}

using vt::MemorySink;

inline Bytes WriteJpeg(const Bytes& pixels, uint32_t width, uint32_t height, uint32_t bits, int32_t quality,
                       uint32_t flags = 0, const ISResolution* resolution = nullptr, int32_t* error = nullptr)
{
    MemorySink sink(1 << 26);
    int32_t size = is5_WriteJPG(sink.Handle(), pixels.data(), width, height, bits, width * (bits / 8), quality,
                                resolution, flags);
    if (error)
        *error = ISGetLastError();
    Bytes out = sink.Written();
    EXPECT_EQ(static_cast<size_t>(size), out.size());
    return out;
}

// libjpeg's own decode with its defaults, as djpeg makes it.
inline vt::Pnm DecodeWithLibjpeg(const Bytes& bytes)
{
    vt::Pnm image;
    jpeg_decompress_struct cinfo;
    jpeg_error_mgr err;
    cinfo.err = ISJpegErrorManager(&err);
    jpeg_create_decompress(&cinfo);
    try {
        jpeg_mem_src(&cinfo, bytes.data(), static_cast<unsigned long>(bytes.size()));
        jpeg_read_header(&cinfo, TRUE);
        jpeg_start_decompress(&cinfo);
        image.width = static_cast<int>(cinfo.output_width);
        image.height = static_cast<int>(cinfo.output_height);
        image.channels = cinfo.output_components;
        image.pixels.resize(size_t(image.width) * image.height * image.channels);
        while (cinfo.output_scanline < cinfo.output_height) {
            JSAMPROW row = image.pixels.data() + size_t(cinfo.output_scanline) * image.width * image.channels;
            jpeg_read_scanlines(&cinfo, &row, 1);
        }
        jpeg_finish_decompress(&cinfo);
    } catch (const std::exception& e) {
        ADD_FAILURE() << "libjpeg: " << e.what();
        image = vt::Pnm();
    }
    jpeg_destroy_decompress(&cinfo);
    return image;
}

// djpeg's decode of `bytes` natively; under Wine, where djpeg cannot run,
// libjpeg's own decode with djpeg's defaults.
inline vt::Pnm DecodeWithDjpeg(const Bytes& bytes, const std::string& tag)
{
#ifdef _WIN32
    (void)tag;
    return DecodeWithLibjpeg(bytes);
#else
    std::string in = vt::BuildPath("jpeg_test_" + tag + ".jpg");
    std::string out = vt::BuildPath("jpeg_test_" + tag + ".pnm");
    EXPECT_TRUE(vt::WriteFileBytes(in, bytes));
    std::string command = "djpeg -pnm '" + in + "' > '" + out + "'";
    EXPECT_EQ(std::system(command.c_str()), 0) << command;
    vt::Pnm image;
    EXPECT_TRUE(vt::ReadPnm(out, &image)) << out;
    return image;
#endif
}

inline double Psnr(const Bytes& a, const Bytes& b)
{
    EXPECT_EQ(a.size(), b.size());
    if (a.size() != b.size() || a.empty())
        return 0;
    double sum = 0;
    for (size_t i = 0; i < a.size(); ++i) {
        double d = double(a[i]) - double(b[i]);
        sum += d * d;
    }
    if (sum == 0)
        return 99;
    return 10 * std::log10(255.0 * 255.0 / (sum / double(a.size())));
}

// A smooth photo-like picture: gradients and a soft wave.
inline Bytes Gradient(uint32_t width, uint32_t height, uint32_t channels)
{
    Bytes pixels(size_t(width) * height * channels);
    for (uint32_t y = 0; y < height; ++y)
        for (uint32_t x = 0; x < width; ++x)
            for (uint32_t c = 0; c < channels; ++c) {
                double v = c == 0   ? 255.0 * x / (width - 1)
                           : c == 1 ? 255.0 * y / (height - 1)
                           : c == 2 ? 128 + 90 * std::sin((x + y) / 9.0)
                                    : 200 - 150.0 * x / (width - 1);
                pixels[(size_t(y) * width + x) * channels + c] = static_cast<uint8_t>(v);
            }
    return pixels;
}

// The error log's entries with this code and level.
inline bool LogHas(const std::string& text, int32_t code, int32_t level)
{
    for (const ISErrorLogEntry& e : ISTestErrorLog())
        if (e.code == code && e.level == level && e.message.find(text) != std::string::npos)
            return true;
    return false;
}

// The markers of a JPEG file before its first scan: (code, payload).
struct Marker {
    int code;
    Bytes data;
};

// The offset of the first marker segment with this code before the first scan.
inline size_t SegmentOffset(const Bytes& file, int code)
{
    size_t pos = 2;
    while (pos + 4 <= file.size() && file[pos] == 0xFF) {
        if (file[pos + 1] == code)
            return pos;
        if (file[pos + 1] == 0xDA)
            break;
        pos += 2 + (size_t(file[pos + 2]) << 8 | file[pos + 3]);
    }
    ADD_FAILURE() << "no marker " << code;
    return 0;
}

inline std::vector<Marker> Markers(const Bytes& file)
{
    std::vector<Marker> markers;
    size_t pos = 2;
    while (pos + 4 <= file.size() && file[pos] == 0xFF) {
        int code = file[pos + 1];
        size_t length = size_t(file[pos + 2]) << 8 | file[pos + 3];
        if (length < 2 || pos + 2 + length > file.size())
            break;
        markers.push_back({code, Bytes(file.begin() + pos + 4, file.begin() + pos + 2 + length)});
        if (code == 0xDA)
            break;
        pos += 2 + length;
    }
    return markers;
}

}  // namespace jt
