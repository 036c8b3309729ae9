// Capturing a DC rectangle as RGB and drawing RGB buffers onto a DC: exact
// pixels on a 32-bit DIB section, both creation methods, bad arguments,
// devices without a capability, and the creation method kept per thread.
#include "imaging/gdi/gdi.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "imaging/core/frame.h"
#include "imaging/gdi/gdi_test_util.h"
#include "imaging/is5.h"
#include "tests/support/test_support.h"

namespace {

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
    EXPECT_TRUE(vt::IsErrorReport(log.back().message, code, name)) << log.back().message;
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

class DrawRgbRoundTrip : public ::testing::TestWithParam<Trip> {};

TEST_P(DrawRgbRoundTrip, DrawnPixelsReadBackAndOthersStay)
{
    const uint32_t w = 37, h = 23, stride = GetParam().stride;
    const int x = 3, y = 4;
    CreationMethod method(GetParam().method);
    const std::vector<BYTE> src = vt::RandomBytes(size_t(stride) * h, stride + GetParam().method);
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
    const std::vector<BYTE> src = vt::RandomBytes(120 * 23, 3);
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

TEST(CreationMethodPerThread, OneThreadsSectionsLeaveTheOtherWithDeviceBitmaps)
{
    const std::vector<BYTE> rgb = vt::RandomBytes(8 * 5 * 3, 8);
    int sizeA = 0, sizeB = 0, sizeA7 = 0;
    vt::Meeting set, made;
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
