// Capturing a DC rectangle as RGB and drawing RGB buffers onto a DC: exact
// pixels on a 32-bit DIB section, both creation methods, bad arguments,
// devices without a capability, and the creation method kept per thread.
#include "imaging/gdi/gdi.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "imaging/core/frame.h"
#include "imaging/is5.h"

namespace {

std::vector<BYTE> Random(size_t n, uint32_t seed)
{
    std::vector<BYTE> v(n);
    for (size_t i = 0; i < n; ++i) {
        seed = seed * 1103515245u + 12345u;
        v[i] = BYTE(seed >> 16);
    }
    return v;
}

// A 64 x 48 top-down 32-bit DIB section filled with random B,G,R,X pixels,
// selected into a memory DC.
class SectionDC {
public:
    static constexpr int kWidth = 64;
    static constexpr int kHeight = 48;

    SectionDC()
    {
        BITMAPINFO info = {};
        info.bmiHeader.biSize = 40;
        info.bmiHeader.biWidth = kWidth;
        info.bmiHeader.biHeight = -kHeight;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        void* bits = nullptr;
        m_bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        m_bits = static_cast<BYTE*>(bits);
        m_dc = CreateCompatibleDC(nullptr);
        if (m_bitmap && m_dc) {
            m_old = SelectObject(m_dc, m_bitmap);
            const std::vector<BYTE> fill = Random(kWidth * kHeight * 4, 64);
            for (size_t i = 0; i < fill.size(); ++i)
                m_bits[i] = i % 4 == 3 ? 0 : fill[i];
        }
    }
    ~SectionDC()
    {
        if (m_old)
            SelectObject(m_dc, m_old);
        if (m_dc)
            DeleteDC(m_dc);
        if (m_bitmap)
            DeleteObject(m_bitmap);
    }
    bool Ok() const { return m_bitmap && m_dc && m_bits && m_old; }
    HDC Dc() const { return m_dc; }
    // The section's pixels as B,G,R,X bytes, top row first.
    std::vector<BYTE> Bytes() const
    {
        GdiFlush();
        return std::vector<BYTE>(m_bits, m_bits + kWidth * kHeight * 4);
    }
    // The rectangle as R,G,B rows, read straight from the section's memory.
    std::vector<BYTE> Rgb(int x, int y, int w, int h) const
    {
        GdiFlush();
        std::vector<BYTE> out;
        for (int r = 0; r < h; ++r)
            for (int c = 0; c < w; ++c) {
                const BYTE* p = m_bits + (size_t(y + r) * kWidth + (x + c)) * 4;
                out.insert(out.end(), {p[2], p[1], p[0]});
            }
        return out;
    }

private:
    HBITMAP m_bitmap = nullptr;
    BYTE* m_bits = nullptr;
    HDC m_dc = nullptr;
    HGDIOBJ m_old = nullptr;
};

// Replaces the RASTERCAPS the library sees with the real ones minus `removed`.
class CapsWithout {
public:
    explicit CapsWithout(int removed)
    {
        gRemoved = removed;
        m_saved = g_isRasterCaps;
        g_isRasterCaps = [](HDC dc) { return GetDeviceCaps(dc, RASTERCAPS) & ~gRemoved; };
    }
    ~CapsWithout() { g_isRasterCaps = m_saved; }

private:
    static int gRemoved;
    int (*m_saved)(HDC) = nullptr;
};
int CapsWithout::gRemoved = 0;

void ExpectLastLogNames(int32_t code, const char* name)
{
    const std::vector<ISErrorLogEntry> log = ISTestErrorLog();
    ASSERT_FALSE(log.empty());
    const std::string head = "Error " + std::to_string(code) + " in " + name + " (";
    EXPECT_EQ(log.back().message.rfind(head, 0), 0u) << log.back().message;
}

TEST(DcToRgb, RectangleOfASectionComesBackInRgbOrder)
{
    SectionDC section;
    ASSERT_TRUE(section.Ok());
    std::vector<BYTE> out(20 * 10 * 3, 0xCD);
    is5_SetLastErrorProxy(9);
    ASSERT_TRUE(is5_DCToRGB(section.Dc(), 5, 7, 20, 10, out.data())) << ISGetLastError();
    EXPECT_EQ(ISGetLastError(), 0);
    EXPECT_EQ(out, section.Rgb(5, 7, 20, 10));
}

struct BadCapture {
    const char* what;
    bool nullDc;
    bool nullBuffer;
    uint32_t width;
    uint32_t height;
    int removedCaps;
    int32_t code;
};

class DcToRgbRefuses : public ::testing::TestWithParam<BadCapture> {};

TEST_P(DcToRgbRefuses, BufferStaysUntouched)
{
    const BadCapture& b = GetParam();
    SectionDC section;
    ASSERT_TRUE(section.Ok());
    CapsWithout caps(b.removedCaps);
    std::vector<BYTE> out(20 * 10 * 3, 0xCD);
    EXPECT_FALSE(is5_DCToRGB(b.nullDc ? nullptr : section.Dc(), 5, 7, b.width, b.height,
                             b.nullBuffer ? nullptr : out.data()));
    EXPECT_EQ(ISGetLastError(), b.code);
    ExpectLastLogNames(b.code, "is5_DCToRGB");
    EXPECT_EQ(out, std::vector<BYTE>(out.size(), 0xCD));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DcToRgbRefuses,
    ::testing::Values(BadCapture{"null_dc", true, false, 20, 10, 0, 5},
                      BadCapture{"null_buffer", false, true, 20, 10, 0, 5},
                      BadCapture{"width_0", false, false, 0, 10, 0, 5},
                      BadCapture{"height_0", false, false, 20, 0, 0, 5},
                      BadCapture{"height_beyond_int", false, false, 20, 0x80000000u, 0, 5},
                      BadCapture{"width_beyond_int", false, false, 0xFFFFFFFFu, 10, 0, 5},
                      BadCapture{"no_bitmap64", false, false, 20, 10, RC_BITMAP64, 26},
                      BadCapture{"no_bitblt", false, false, 20, 10, RC_BITBLT, 26},
                      // The conversion's own check, reported under the entry's name.
                      BadCapture{"no_di_bitmap", false, false, 20, 10, RC_DI_BITMAP, 26}),
    [](const auto& info) { return std::string(info.param.what); });

struct Trip {
    uint32_t stride;
    int32_t method;
};

// Sets the calling thread's creation method for one scope.
class CreationMethod {
public:
    explicit CreationMethod(int32_t method) { is5_SetHBITMAPCreateMethod(method); }
    ~CreationMethod() { is5_SetHBITMAPCreateMethod(0); }
};

class DrawRgbRoundTrip : public ::testing::TestWithParam<Trip> {};

TEST_P(DrawRgbRoundTrip, DrawnPixelsReadBackAndOthersStay)
{
    const uint32_t w = 37, h = 23, stride = GetParam().stride;
    const int x = 3, y = 4;
    CreationMethod method(GetParam().method);
    const std::vector<BYTE> src = Random(size_t(stride) * h, stride + GetParam().method);
    SectionDC section;
    ASSERT_TRUE(section.Ok());
    const std::vector<BYTE> before = section.Bytes();

    is5_SetLastErrorProxy(9);
    ASSERT_TRUE(is5_DrawRGB(section.Dc(), src.data(), w, h, stride, x, y, nullptr)) << ISGetLastError();
    EXPECT_EQ(ISGetLastError(), 0);
    std::vector<BYTE> back(size_t(w) * h * 3, 0xCD);
    ASSERT_TRUE(is5_DCToRGB(section.Dc(), x, y, w, h, back.data())) << ISGetLastError();

    std::vector<BYTE> packed;
    for (uint32_t r = 0; r < h; ++r)
        packed.insert(packed.end(), src.begin() + r * stride, src.begin() + r * stride + w * 3);
    EXPECT_EQ(back, packed);
    EXPECT_EQ(section.Rgb(x, y, w, h), packed);
    const std::vector<BYTE> after = section.Bytes();
    for (int py = 0; py < SectionDC::kHeight; ++py)
        for (int px = 0; px < SectionDC::kWidth; ++px) {
            if (px >= x && px < x + int(w) && py >= y && py < y + int(h))
                continue;
            const size_t i = (size_t(py) * SectionDC::kWidth + px) * 4;
            ASSERT_EQ(0, std::memcmp(&before[i], &after[i], 3)) << "pixel " << px << "," << py;
        }
}

INSTANTIATE_TEST_SUITE_P(StridesAndMethods, DrawRgbRoundTrip,
                         ::testing::Values(Trip{111, 0}, Trip{120, 0}, Trip{111, 1}, Trip{120, 1}),
                         [](const auto& info) {
                             return "stride" + std::to_string(info.param.stride) +
                                    (info.param.method ? "_dib_section" : "_device_bitmap");
                         });

struct BadDraw {
    const char* what;
    bool nullDc;
    bool nullBuffer;
    uint32_t width;
    uint32_t height;
    uint32_t stride;
    int removedCaps;
    int32_t code;
};

class DrawRgbRefuses : public ::testing::TestWithParam<BadDraw> {};

TEST_P(DrawRgbRefuses, TargetStaysUntouched)
{
    const BadDraw& b = GetParam();
    SectionDC section;
    ASSERT_TRUE(section.Ok());
    const std::vector<BYTE> before = section.Bytes();
    const std::vector<BYTE> src = Random(120 * 23, 3);
    CapsWithout caps(b.removedCaps);
    EXPECT_FALSE(is5_DrawRGB(b.nullDc ? nullptr : section.Dc(), b.nullBuffer ? nullptr : src.data(), b.width,
                             b.height, b.stride, 3, 4, nullptr));
    EXPECT_EQ(ISGetLastError(), b.code);
    ExpectLastLogNames(b.code, "is5_DrawRGB");
    EXPECT_EQ(section.Bytes(), before);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, DrawRgbRefuses,
    ::testing::Values(BadDraw{"null_dc", true, false, 37, 23, 111, 0, 5},
                      BadDraw{"null_buffer", false, true, 37, 23, 111, 0, 5},
                      BadDraw{"width_0", false, false, 0, 23, 111, 0, 5},
                      BadDraw{"height_0", false, false, 37, 0, 111, 0, 5},
                      BadDraw{"stride_short", false, false, 37, 23, 110, 0, 5},
                      BadDraw{"stride_0", false, false, 37, 23, 0, 0, 5},
                      BadDraw{"no_bitblt", false, false, 37, 23, 111, RC_BITBLT, 26},
                      // The temporary bitmap's own check, reported under the entry's name.
                      BadDraw{"no_di_bitmap", false, false, 37, 23, 111, RC_DI_BITMAP, 26}),
    [](const auto& info) { return std::string(info.param.what); });

// GetObjectA with room for a DIBSECTION fills it only for DIB sections.
int ObjectSize(HBITMAP bitmap)
{
    DIBSECTION section = {};
    return GetObjectA(bitmap, sizeof section, &section);
}

// Two threads meet here so that their calls overlap.
class Meeting {
public:
    void Arrive()
    {
        ++m_arrived;
        while (m_arrived.load() < 2)
            std::this_thread::yield();
    }

private:
    std::atomic<int> m_arrived{0};
};

TEST(CreationMethodPerThread, OneThreadsSectionsLeaveTheOtherWithDeviceBitmaps)
{
    const std::vector<BYTE> rgb = Random(8 * 5 * 3, 8);
    int sizeA = 0, sizeB = 0, sizeA7 = 0;
    Meeting set, made;
    std::thread a([&] {
        is5_SetHBITMAPCreateMethod(1);
        set.Arrive();
        HBITMAP bitmap = is5_RGBToHBITMAP(rgb.data(), 8, 5, 24, nullptr, nullptr);
        sizeA = ObjectSize(bitmap);
        DeleteObject(bitmap);
        made.Arrive();
        is5_SetHBITMAPCreateMethod(7);
        bitmap = is5_RGBToHBITMAP(rgb.data(), 8, 5, 24, nullptr, nullptr);
        sizeA7 = ObjectSize(bitmap);
        DeleteObject(bitmap);
    });
    std::thread b([&] {
        set.Arrive();
        HBITMAP bitmap = is5_RGBToHBITMAP(rgb.data(), 8, 5, 24, nullptr, nullptr);
        sizeB = ObjectSize(bitmap);
        DeleteObject(bitmap);
        made.Arrive();
    });
    a.join();
    b.join();
    EXPECT_EQ(sizeA, int(sizeof(DIBSECTION)));
    EXPECT_EQ(sizeB, int(sizeof(BITMAP)));
    EXPECT_EQ(sizeA7, int(sizeof(BITMAP)));
}

}  // namespace
