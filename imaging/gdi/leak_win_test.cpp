// No GDI object outlives a conversion, a text measurement, a smoothed text
// drawing, a DC capture or an RGB drawing: with all but about 500 of the
// process's GDI handles taken, a single leaked object per call would exhaust
// the table within the 1,000 rounds and make the conversions fail.
#include <gtest/gtest.h>

#include <vector>

#include "imaging/core/frame.h"
#include "imaging/gdi/gdi_test_util.h"
#include "imaging/is5.h"
#include "tests/support/test_support.h"

namespace {

constexpr int kRounds = 1000;
constexpr size_t kLeft = 500;

// Takes GDI handles until GDI refuses, then gives back kLeft of them.
class SqueezedHandleTable : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (;;) {
            HRGN region = CreateRectRgn(0, 0, 1, 1);
            if (!region)
                break;
            m_held.push_back(region);
            ASSERT_LT(m_held.size(), 200000u) << "GDI never ran out of handles";
        }
        ASSERT_GT(m_held.size(), kLeft);
        for (size_t i = 0; i < kLeft; ++i) {
            DeleteObject(m_held.back());
            m_held.pop_back();
        }
    }
    void TearDown() override
    {
        for (HRGN region : m_held)
            DeleteObject(region);
    }
    std::vector<HRGN> m_held;
};

TEST_F(SqueezedHandleTable, ConversionsReleaseEveryObject)
{
    std::vector<BYTE> rgb(16 * 9 * 3);
    for (size_t i = 0; i < rgb.size(); ++i)
        rgb[i] = BYTE(i * 7);
    std::vector<BYTE> back(rgb.size());
    HMODULE resources = LoadLibraryA(vt::FixturePath("gdi_res.dll").c_str());
    ASSERT_NE(nullptr, resources);
    LOGFONTA font = {};
    font.lfHeight = -12;
    lstrcpynA(font.lfFaceName, "Tahoma", LF_FACESIZE);
    const RECT box = {0, 0, 40, 20};
    const UINT format = DT_CENTER | DT_VCENTER | DT_SINGLELINE;
    std::vector<BYTE> text(40 * 20 * 3);
    HDC screen = GetDC(nullptr);
    for (int round = 0; round < kRounds; ++round) {
        for (int32_t method : {0, 1}) {
            ISGetThreadState()->hbitmapCreateMethod = method;
            HBITMAP bitmap = is5_RGBToHBITMAP(rgb.data(), 16, 9, 16 * 3, nullptr, screen);
            ASSERT_NE(nullptr, bitmap) << "round " << round << " method " << method;
            ASSERT_TRUE(is5_HBITMAPToRGB(bitmap, screen, nullptr, back.data())) << "round " << round;
            DeleteObject(bitmap);
            ASSERT_EQ(rgb, back);
        }
        ISGetThreadState()->hbitmapCreateMethod = 0;
        HBITMAP loaded = is5_LoadResourceBitmap(resources, "GDI_PAL", nullptr);
        ASSERT_NE(nullptr, loaded) << "round " << round;
        DeleteObject(loaded);

        uint32_t w = 0, h = 0;
        ASSERT_TRUE(is5_GetTextLineSize2("Mai 31", &font, &box, format, 0, &w, &h)) << "round " << round;
        ASSERT_TRUE(is5_DrawSmoothTextOnRGB2(text.data(), 40, 20, 40 * 3, "Mai 31", &font, 2, &box, format, 0,
                                             0xFFFFFF))
            << "round " << round;
    }
    ReleaseDC(nullptr, screen);
    FreeLibrary(resources);
}

TEST_F(SqueezedHandleTable, CaptureAndDrawReleaseEveryObject)
{
    const uint32_t w = 16, h = 9;
    std::vector<BYTE> rgb(w * h * 3);
    for (size_t i = 0; i < rgb.size(); ++i)
        rgb[i] = BYTE(i * 13);
    std::vector<BYTE> back(rgb.size());
    SectionDC section;
    ASSERT_TRUE(section.Ok());
    HDC dc = section.Dc();
    for (int round = 0; round < kRounds; ++round) {
        for (int32_t method : {0, 1}) {
            is5_SetHBITMAPCreateMethod(method);
            ASSERT_TRUE(is5_DrawRGB(dc, rgb.data(), w, h, w * 3, 5, 6, nullptr))
                << "round " << round << " method " << method << " error " << ISGetLastError();
            ASSERT_TRUE(is5_DCToRGB(dc, 5, 6, w, h, back.data()))
                << "round " << round << " method " << method << " error " << ISGetLastError();
            ASSERT_EQ(rgb, back);
        }
    }
    is5_SetHBITMAPCreateMethod(0);
}

}  // namespace
