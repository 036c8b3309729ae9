// Smoothed text and text measuring with "Tahoma" (shipped with Wine), white
// on black. Wine substitutes and rasterises fonts with FreeType, so the tests
// check only what holds for any font: where pixels change, which coverage
// levels appear, and that the drawing equals the library's steps taken one
// after another over the whole box.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "imaging/convert/convert.h"
#include "imaging/core/frame.h"
#include "imaging/is5.h"
#include "imaging/overlay/overlay.h"
#include "imaging/resize/resize.h"
#include "imaging/text/text.h"

namespace {

constexpr uint32_t kWidth = 160, kHeight = 48, kStride = kWidth * 3 + 5;  // rows with slack at the end
constexpr uint32_t kFormat = DT_CENTER | DT_VCENTER | DT_SINGLELINE;
const RECT kBox = {20, 6, 140, 42};
const char kText[] = "Mitte 24";

LOGFONTA Tahoma(LONG height = -22)
{
    LOGFONTA font = {};
    font.lfHeight = height;
    font.lfWeight = FW_BOLD;
    font.lfQuality = NONANTIALIASED_QUALITY;
    std::strcpy(font.lfFaceName, "Tahoma");
    return font;
}

std::vector<BYTE> Black() { return std::vector<BYTE>(size_t(kStride) * kHeight, 0); }

BOOL Draw(std::vector<BYTE>* image, const void* text, uint32_t factor, uint32_t flags = 0, const RECT& box = kBox,
          const LOGFONTA* font = nullptr)
{
    const LOGFONTA tahoma = Tahoma();
    return is5_DrawSmoothTextOnRGB2(image->data(), kWidth, kHeight, kStride, text, font ? font : &tahoma, factor,
                                    &box, kFormat, flags, 0xFFFFFF);
}

// The width of one space in the font, measured by GDI itself.
LONG SpaceWidth(const LOGFONTA& font)
{
    HDC dc = CreateCompatibleDC(nullptr);
    HFONT f = CreateFontIndirectA(&font);
    HGDIOBJ old = SelectObject(dc, f);
    RECT r = kBox;
    char space[] = " ";
    DrawTextExA(dc, space, -1, &r, kFormat | DT_CALCRECT, nullptr);
    SelectObject(dc, old);
    DeleteObject(f);
    DeleteDC(dc);
    return r.right - r.left;
}

// The distinct values of the picture's pixels (all three bytes equal: grey text).
std::set<int> Levels(const std::vector<BYTE>& image)
{
    std::set<int> levels;
    for (uint32_t y = 0; y < kHeight; ++y)
        for (uint32_t x = 0; x < kWidth; ++x) {
            const BYTE* p = &image[y * kStride + x * 3];
            EXPECT_TRUE(p[0] == p[1] && p[1] == p[2]) << x << "," << y;
            levels.insert(p[0]);
        }
    return levels;
}

struct NothingCase {
    const char* name;
    const void* text;
    RECT box;
    bool nullFont;
    uint32_t factor;
    BOOL ok;
    int32_t status;
};

void PrintTo(const NothingCase& c, std::ostream* os) { *os << c.name; }

class SmoothTextNothingDrawn : public ::testing::TestWithParam<NothingCase> {};

TEST_P(SmoothTextNothingDrawn, LeavesTheImageUnchanged)
{
    const NothingCase& c = GetParam();
    std::vector<BYTE> image = Black();
    const LOGFONTA font = Tahoma();
    EXPECT_EQ(c.ok, is5_DrawSmoothTextOnRGB2(image.data(), kWidth, kHeight, kStride, c.text,
                                             c.nullFont ? nullptr : &font, c.factor, &c.box, kFormat, 0, 0xFFFFFF));
    EXPECT_EQ(c.status, ISGetLastError());
    EXPECT_EQ(Black(), image);
}

INSTANTIATE_TEST_SUITE_P(Cases, SmoothTextNothingDrawn,
                         ::testing::Values(NothingCase{"empty_text", "", kBox, false, 2, TRUE, 0},
                                           NothingCase{"null_text", nullptr, kBox, false, 2, TRUE, 0},
                                           NothingCase{"zero_height_box", kText, {20, 6, 140, 6}, false, 2, TRUE, 0},
                                           NothingCase{"null_font", kText, kBox, true, 1, FALSE, 5},
                                           NothingCase{"factor_zero", kText, kBox, false, 0, FALSE, 5}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(SmoothText, StrideBelowTheRowGives5)
{
    std::vector<BYTE> image = Black();
    const LOGFONTA font = Tahoma();
    EXPECT_FALSE(is5_DrawSmoothTextOnRGB2(image.data(), kWidth, kHeight, kWidth * 3 - 1, kText, &font, 1, &kBox,
                                          kFormat, 0, 0xFFFFFF));
    EXPECT_EQ(5, ISGetLastError());
}

TEST(SmoothText, FactorOneGivesHardEdgesInsideTheBoxAndMargins)
{
    std::vector<BYTE> image = Black();
    ASSERT_TRUE(Draw(&image, kText, 1)) << ISGetLastError();
    const LONG s = SpaceWidth(Tahoma());
    ASSERT_GT(s, 0);
    int changed = 0;
    for (uint32_t y = 0; y < kHeight; ++y)
        for (uint32_t x = 0; x < kWidth; ++x) {
            const BYTE* p = &image[y * kStride + x * 3];
            if (!p[0] && !p[1] && !p[2])
                continue;
            ++changed;
            ASSERT_TRUE(p[0] == 255 && p[1] == 255 && p[2] == 255) << x << "," << y;
            ASSERT_TRUE(LONG(x) >= kBox.left - s && LONG(x) < kBox.right + s) << x;
            ASSERT_TRUE(LONG(y) >= kBox.top && LONG(y) < kBox.bottom) << y;
        }
    EXPECT_GT(changed, 20);
    // The slack at the end of each row is never written.
    for (uint32_t y = 0; y < kHeight; ++y)
        for (uint32_t i = kWidth * 3; i < kStride; ++i)
            ASSERT_EQ(0, image[y * kStride + i]);
}

TEST(SmoothText, FactorTwoGivesQuarterCoverageSteps)
{
    std::vector<BYTE> image = Black();
    ASSERT_TRUE(Draw(&image, kText, 2)) << ISGetLastError();
    const std::set<int> levels = Levels(image);
    for (int v : levels)
        EXPECT_TRUE(v == 0 || v == 63 || v == 127 || v == 191 || v == 255) << v;
    EXPECT_TRUE(levels.count(63) || levels.count(127) || levels.count(191));
}

TEST(SmoothText, HalfOpacityDrawsAtHalfStrength)
{
    std::vector<BYTE> image = Black();
    ISGetThreadState()->textOpacity = 0.5;
    const BOOL ok = Draw(&image, kText, 1);
    ISGetThreadState()->textOpacity = 1.0;
    ASSERT_TRUE(ok);
    EXPECT_EQ((std::set<int>{0, 127}), Levels(image));
}

TEST(SmoothText, BottomUpFlagEqualsDrawingOnTheFlippedImage)
{
    std::vector<BYTE> plain = Black(), flipped = Black();
    ASSERT_TRUE(Draw(&plain, kText, 2));
    ASSERT_TRUE(Draw(&flipped, kText, 2, 0x2));
    ASSERT_NE(Black(), plain);
    std::vector<BYTE> back(flipped.size());
    for (uint32_t y = 0; y < kHeight; ++y)
        std::memcpy(&back[y * kStride], &flipped[(kHeight - 1 - y) * kStride], kStride);
    EXPECT_EQ(plain, back);
}

TEST(SmoothText, WideTextDrawsTheSameAsEightBitText)
{
    std::vector<BYTE> narrow = Black(), wide = Black();
    const std::wstring text(kText, kText + std::strlen(kText));
    ASSERT_TRUE(Draw(&narrow, kText, 2));
    ASSERT_TRUE(Draw(&wide, text.c_str(), 2, 0x4));
    ASSERT_NE(Black(), narrow);
    EXPECT_EQ(narrow, wide);
}

TEST(SmoothText, TextPartlyOutsideTheImageIsClipped)
{
    std::vector<BYTE> image = Black();
    const RECT box = {-60, -10, 60, 20};
    ASSERT_TRUE(Draw(&image, kText, 2, 0, box)) << ISGetLastError();
    Levels(image);
}

TEST(TextLineSize, EmptyTextMeasuresZeroByZero)
{
    const LOGFONTA font = Tahoma();
    uint32_t w = 7, h = 7;
    EXPECT_TRUE(is5_GetTextLineSize2("", &font, &kBox, kFormat, 0, &w, &h));
    EXPECT_EQ(0u, w);
    EXPECT_EQ(0u, h);
    w = h = 7;
    EXPECT_TRUE(is5_GetTextLineSize2(nullptr, &font, &kBox, kFormat, 0, &w, &h));
    EXPECT_EQ(0u, w);
    EXPECT_EQ(0u, h);
}

TEST(TextLineSize, NullFontGives5)
{
    uint32_t w = 0, h = 0;
    EXPECT_FALSE(is5_GetTextLineSize2(kText, nullptr, &kBox, kFormat, 0, &w, &h));
    EXPECT_EQ(5, ISGetLastError());
}

TEST(TextLineSize, WideAndNarrowTextMeasureAlikeAndGrowWithTheFont)
{
    const std::wstring wide(kText, kText + std::strlen(kText));
    uint32_t w1 = 0, h1 = 0, w2 = 0, h2 = 0, w3 = 0, h3 = 0;
    const LOGFONTA font = Tahoma(), big = Tahoma(-44);
    ASSERT_TRUE(is5_GetTextLineSize2(kText, &font, &kBox, kFormat, 0, &w1, &h1));
    ASSERT_TRUE(is5_GetTextLineSize2(wide.c_str(), &font, &kBox, kFormat, 0x4, &w2, &h2));
    ASSERT_TRUE(is5_GetTextLineSize2(kText, &big, &kBox, kFormat, 0, &w3, &h3));
    EXPECT_GT(w1, 0u);
    EXPECT_GT(h1, 0u);
    EXPECT_EQ(w1, w2);
    EXPECT_EQ(h1, h2);
    EXPECT_GT(w3, w1);
    EXPECT_GT(h3, h1);
}

// The library's steps one after another over the whole box: the mask, each
// pixel 0 or trunc(255 x opacity), decimated by the factor (resize mode 14),
// blended at (left - space, top) or the mirrored top.
bool ReferenceDraw(std::vector<BYTE>* image, const char* text, const LOGFONTA& font, uint32_t k, const RECT& box,
                   uint32_t format, uint32_t flags, COLORREF colour)
{
    int32_t space = 0;
    if (ISTextExtent(text, font, box, format, flags, nullptr, &space))
        return false;
    const int32_t boxWidth = box.right - box.left, boxHeight = box.bottom - box.top;
    const int32_t maskWidth = (boxWidth + 2 * space) * int32_t(k), maskHeight = boxHeight * int32_t(k);
    LOGFONTA scaled = font;
    scaled.lfHeight *= LONG(k);
    const RECT maskBox = {LONG(k) * space, 0, LONG(k) * (space + boxWidth), maskHeight};
    const bool bottomUp = (flags & 0x2) != 0;
    ISArray<BYTE> bits;
    if (ISDrawTextMask(text, scaled, maskBox, format, flags, maskWidth, maskHeight, bottomUp, &bits))
        return false;
    const double on = 255.0 * ISGetThreadState()->textOpacity;
    std::vector<BYTE> coverage(size_t(maskWidth) * size_t(maskHeight));
    const size_t rowBytes = (size_t(maskWidth) + 7) / 8;
    CISImgUtil util;
    for (int32_t y = 0; y < maskHeight; ++y)
        if (!util.ISUnpackPixels(bits.GetData() + size_t(y) * rowBytes, uint32_t(maskWidth), 1, 1,
                                 &coverage[size_t(y) * size_t(maskWidth)]))
            return false;
    for (BYTE& c : coverage)
        c = c ? BYTE(on) : 0;
    const int32_t smallWidth = boxWidth + 2 * space;
    std::vector<BYTE> small(size_t(smallWidth) * size_t(boxHeight));
    int32_t status = 0;
    if (!ISResize8(&status, coverage.data(), maskWidth, maskHeight, small.data(), 1, smallWidth, boxHeight, maskWidth,
                   smallWidth, IS5_RESIZE_DECIMATE, 14))
        return false;
    const int32_t top = bottomUp ? int32_t(kHeight) - boxHeight - box.top : box.top;
    return ISBlendMask8(image->data(), kWidth, kHeight, 3, kStride, small.data(), smallWidth, boxHeight, smallWidth,
                        colour, box.left - space, top, 0, &status) != 0;
}

struct ReferenceCase {
    const char* name;
    const char* text;
    LONG height;
    uint32_t factor;
    RECT box;
    uint32_t format;
    uint32_t flags;
    COLORREF colour;
    double opacity;
};

void PrintTo(const ReferenceCase& c, std::ostream* os) { *os << c.name; }

class SmoothTextSteps : public ::testing::TestWithParam<ReferenceCase> {};

TEST_P(SmoothTextSteps, DrawsWhatTheLibrarysStepsGiveOverTheWholeBox)
{
    const ReferenceCase& c = GetParam();
    // A background of every byte value, so that any blended pixel shows.
    std::vector<BYTE> drawn(size_t(kStride) * kHeight);
    for (size_t i = 0; i < drawn.size(); ++i)
        drawn[i] = BYTE(i * 7 + i / kStride);
    std::vector<BYTE> reference = drawn;
    const std::vector<BYTE> background = drawn;
    const LOGFONTA font = Tahoma(c.height);
    ISGetThreadState()->textOpacity = c.opacity;
    const BOOL ok = is5_DrawSmoothTextOnRGB2(drawn.data(), kWidth, kHeight, kStride, c.text, &font, c.factor, &c.box,
                                             c.format, c.flags, c.colour);
    const bool referenceOk = ReferenceDraw(&reference, c.text, font, c.factor, c.box, c.format, c.flags, c.colour);
    ISGetThreadState()->textOpacity = 1.0;
    ASSERT_TRUE(ok) << ISGetLastError();
    ASSERT_TRUE(referenceOk);
    EXPECT_NE(background, reference) << "the text shows";
    for (size_t i = 0; i < drawn.size(); ++i)
        ASSERT_EQ(reference[i], drawn[i]) << "byte " << i % kStride << " of row " << i / kStride;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SmoothTextSteps,
    ::testing::Values(ReferenceCase{"factor_two", kText, -22, 2, kBox, kFormat, 0, 0x2040F0, 1.0},
                      ReferenceCase{"factor_one", "Juli 1999", -17, 1, {3, 2, 157, 30}, 0, 0, 0xFFFFFF, 1.0},
                      ReferenceCase{"factor_three_half_opacity", "Fr 13", -20, 3, {30, 10, 120, 40}, kFormat, 0,
                                    0x00FF00, 0.5},
                      ReferenceCase{"bottom_up", kText, -22, 2, {10, 3, 150, 33}, DT_CENTER, 0x2, 0x0000FF, 1.0},
                      ReferenceCase{"two_lines", "Samstag\r\nEinheit", -16, 2, {0, 0, 160, 48}, 0, 0, 0x101010, 1.0},
                      ReferenceCase{"cut_at_the_left_and_top", "Dezember", -30, 2, {-45, -12, 90, 25}, 0, 0,
                                    0xFFFFFF, 1.0},
                      ReferenceCase{"cut_at_the_right_and_bottom", "2026 Mo", -30, 2, {110, 30, 230, 70}, 0, 0x2,
                                    0xF0F0F0, 1.0}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
