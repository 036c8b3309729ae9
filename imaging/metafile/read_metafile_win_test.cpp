// is5_ReadMetafile on metafiles the test records with GDI: sizes, colours,
// DIB output, errors on hostile files, and no GDI object left behind.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "imaging/core/frame.h"
#include "imaging/is5.h"
#include "metafile_bytes.h"
#include "tests/support/test_support.h"

namespace {

constexpr COLORREF kInk = RGB(200, 30, 60);
constexpr COLORREF kBackground = RGB(0x80, 0x80, 0x80);

// Per process, since the test cases run side by side.
std::string TestFile(const std::string& name)
{
    return vt::BuildPath("metafile_" + std::to_string(GetCurrentProcessId()) + "_" + name);
}

// A WMF whose window is 1440 x 1440 units with a filled rectangle over its
// middle half.
std::vector<uint8_t> RecordWmf()
{
    const std::string path = TestFile("recorded.wmf");
    HDC dc = CreateMetaFileA(path.c_str());
    EXPECT_NE(nullptr, dc);
    SetWindowOrgEx(dc, 0, 0, nullptr);
    SetWindowExtEx(dc, 1440, 1440, nullptr);
    HBRUSH brush = CreateSolidBrush(kInk);
    HPEN pen = CreatePen(PS_SOLID, 0, kInk);
    SelectObject(dc, brush);
    SelectObject(dc, pen);
    Rectangle(dc, 360, 360, 1080, 1080);
    DeleteMetaFile(CloseMetaFile(dc));
    DeleteObject(brush);
    DeleteObject(pen);
    std::vector<uint8_t> bytes;
    EXPECT_TRUE(vt::ReadFileBytes(path, &bytes));
    return bytes;
}

// An EMF with a 40 x 30 mm frame and a filled rectangle over its middle.
std::string RecordEmf()
{
    const std::string path = TestFile("recorded.emf");
    const RECT frame = {0, 0, 4000, 3000};
    HDC dc = CreateEnhMetaFileA(nullptr, path.c_str(), &frame, nullptr);
    EXPECT_NE(nullptr, dc);
    HDC screen = GetDC(nullptr);
    // The frame in the reference device's pixels.
    const int w = MulDiv(4000, GetDeviceCaps(screen, HORZRES), GetDeviceCaps(screen, HORZSIZE) * 100);
    const int h = MulDiv(3000, GetDeviceCaps(screen, VERTRES), GetDeviceCaps(screen, VERTSIZE) * 100);
    ReleaseDC(nullptr, screen);
    HBRUSH brush = CreateSolidBrush(kInk);
    HPEN pen = CreatePen(PS_SOLID, 0, kInk);
    SelectObject(dc, brush);
    SelectObject(dc, pen);
    Rectangle(dc, w / 4, h / 4, w * 3 / 4, h * 3 / 4);
    DeleteEnhMetaFile(CloseEnhMetaFile(dc));
    DeleteObject(brush);
    DeleteObject(pen);
    return path;
}

std::string Write(const std::string& name, const std::vector<uint8_t>& bytes)
{
    const std::string path = TestFile(name);
    EXPECT_TRUE(vt::WriteFileBytes(path, bytes));
    return path;
}

COLORREF PixelAt(const BYTE* rgb, uint32_t width, uint32_t x, uint32_t y)
{
    const BYTE* p = rgb + (size_t(y) * width + x) * 3;
    return RGB(p[0], p[1], p[2]);
}

// The size an EMF renders at, from the header GDI reads back.
void EmfSize(const std::string& path, int32_t* width, int32_t* height)
{
    HENHMETAFILE emf = GetEnhMetaFileA(path.c_str());
    ASSERT_NE(nullptr, emf);
    ENHMETAHEADER h = {};
    GetEnhMetaFileHeader(emf, sizeof h, &h);
    DeleteEnhMetaFile(emf);
    const int64_t mx = int64_t(h.szlMillimeters.cx) * 100, my = int64_t(h.szlMillimeters.cy) * 100;
    *width = int32_t(int64_t(h.rclFrame.right) * h.szlDevice.cx / mx - int64_t(h.rclFrame.left) * h.szlDevice.cx / mx);
    *height = int32_t(int64_t(h.rclFrame.bottom) * h.szlDevice.cy / my - int64_t(h.rclFrame.top) * h.szlDevice.cy / my);
}

struct RenderCase {
    const char* name;
    int kind;  // 0 placeable, 1 raw WMF, 2 EMF
    uint32_t a, b, flags;
    int32_t width, height;  // -1: from the EMF header; -2: twice that
};
void PrintTo(const RenderCase& c, std::ostream* os) { *os << c.name; }
class ReadMetafile : public ::testing::TestWithParam<RenderCase> {};

TEST_P(ReadMetafile, RendersTheRectangleOnTheBackground)
{
    const RenderCase& c = GetParam();
    std::string path;
    int32_t width = c.width, height = c.height;
    if (c.kind == 0) {
        path = Write("placeable.wmf", mt::Placeable(0, 0, 1440, 1440, 1440, RecordWmf()));
    } else if (c.kind == 1) {
        path = Write("raw.wmf", RecordWmf());
    } else {
        path = RecordEmf();
        int32_t w = 0, h = 0;
        EmfSize(path, &w, &h);
        const int32_t times = c.width == -2 ? 2 : 1;
        width = w * times;
        height = h * times;
    }
    for (const uint32_t dib : {0u, 2u}) {
        uint32_t w = 7, h = 7;
        void* result = is5_ReadMetafile(path.c_str(), &w, &h, c.a, c.b, kBackground, c.flags | dib);
        ASSERT_NE(nullptr, result) << "code " << ISGetLastError();
        EXPECT_EQ(0, ISGetLastError());
        EXPECT_EQ(uint32_t(width), w);
        EXPECT_EQ(uint32_t(height), h);
        if (dib) {
            const BITMAPINFOHEADER* header = static_cast<const BITMAPINFOHEADER*>(result);
            uint32_t dibWidth = 0, dibHeight = 0;
            EXPECT_TRUE(is5_DIBWidth(header, &dibWidth));
            EXPECT_TRUE(is5_DIBHeight(header, &dibHeight));
            EXPECT_EQ(w, dibWidth);
            EXPECT_EQ(h, dibHeight);
        } else {
            const BYTE* rgb = static_cast<const BYTE*>(result);
            EXPECT_EQ(kInk, PixelAt(rgb, w, w / 2, h / 2));
            // A raw WMF carries no frame, so GDI frames its drawing: no margin.
            if (c.kind != 1) {
                for (const auto& [x, y] : {std::pair<uint32_t, uint32_t>{0, 0}, {w - 1, 0}, {0, h - 1}, {w - 1, h - 1}})
                    EXPECT_EQ(kBackground, PixelAt(rgb, w, x, y)) << x << "," << y;
            }
        }
        GlobalFree(result);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Table, ReadMetafile,
    ::testing::Values(RenderCase{"placeableAtScreenResolution", 0, 0, 0, 0, 95, 95},
                      RenderCase{"placeableGivenSize", 0, 200, 100, 1, 200, 100},
                      RenderCase{"placeableTwiceItsSize", 0, 250, 250, 4, 190, 190},
                      RenderCase{"rawWmfGivenSize", 1, 64, 48, 1, 64, 48},
                      RenderCase{"emfFromItsHeader", 2, 0, 0, 0, -1, -1},
                      RenderCase{"emfTwiceItsSize", 2, 250, 250, 4, -2, -2}));

struct ErrorCase {
    const char* name;
    std::vector<uint8_t> bytes;
    int32_t code;
};
void PrintTo(const ErrorCase& c, std::ostream* os) { *os << c.name; }
class ReadMetafileErrors : public ::testing::TestWithParam<ErrorCase> {};

TEST_P(ReadMetafileErrors, GiveNullAndZeroSizes)
{
    const ErrorCase& c = GetParam();
    const std::string path = Write(std::string("bad_") + c.name, c.bytes);
    uint32_t w = 7, h = 7;
    EXPECT_EQ(nullptr, is5_ReadMetafile(path.c_str(), &w, &h, 100, 100, kBackground, 0));
    EXPECT_EQ(c.code, ISGetLastError());
    EXPECT_EQ(0u, w);
    EXPECT_EQ(0u, h);
}

std::vector<uint8_t> Patched32(std::vector<uint8_t> v, size_t at, uint32_t x)
{
    mt::Put32(v, at, x);
    return v;
}
const std::vector<uint8_t> kEmf = mt::Emf(2000, 1000, 1024, 768, 271, 203);
const char kText[] = "Dies ist kein Metafile.\r\nNur Text.\r\n";

INSTANTIATE_TEST_SUITE_P(
    Table, ReadMetafileErrors,
    ::testing::Values(ErrorCase{"text", std::vector<uint8_t>(kText, kText + sizeof kText - 1), 27},
                      ErrorCase{"unitsPerInchZero", mt::Placeable(0, 0, 1440, 1440, 0), 27},
                      ErrorCase{"invertedBox", mt::Placeable(1440, 0, 0, 1440, 1440), 27},
                      ErrorCase{"millimetresZero", mt::Emf(2000, 1000, 1024, 768, 0, 0), 27},
                      ErrorCase{"emfBytesPastTheFile", Patched32(kEmf, 48, 4096), 27},
                      ErrorCase{"wmfSizePastTheFile", Patched32(mt::Wmf(), 6, 4096), 27},
                      ErrorCase{"wmfRecordBelowThreeWords", Patched32(mt::Wmf(), 18, 2), 27},
                      ErrorCase{"tenBytes", std::vector<uint8_t>(10, 0x41), 27}));

TEST(ReadMetafileErrors, MissingPathGivesTwoAndNullPathFive)
{
    uint32_t w = 7, h = 7;
    EXPECT_EQ(nullptr, is5_ReadMetafile(TestFile("does_not_exist.wmf").c_str(), &w, &h, 0, 0, 0, 0));
    EXPECT_EQ(2, ISGetLastError());
    EXPECT_EQ(0u, w + h);
    EXPECT_EQ(nullptr, is5_ReadMetafile(nullptr, &w, &h, 0, 0, 0, 0));
    EXPECT_EQ(5, ISGetLastError());
}

TEST(ReadMetafileErrors, GivenSizeOfZeroGivesFive)
{
    const std::string path = Write("given_zero.wmf", mt::Placeable(0, 0, 1440, 1440, 1440, RecordWmf()));
    uint32_t w = 7, h = 7;
    EXPECT_EQ(nullptr, is5_ReadMetafile(path.c_str(), &w, &h, 0, 100, kBackground, 1));
    EXPECT_EQ(5, ISGetLastError());
    EXPECT_EQ(0u, w + h);
}

struct Steps {
    std::vector<int32_t> done;
    int32_t stopAt = -1;
};
BOOL Step(int32_t done, int32_t total, void* user)
{
    Steps* s = static_cast<Steps*>(user);
    EXPECT_EQ(4, total);
    s->done.push_back(done);
    return done != s->stopAt;
}

TEST(ReadMetafileProgress, ReportsFourStepsAndStopsOnFalse)
{
    const std::string path = Write("progress.wmf", mt::Placeable(0, 0, 1440, 1440, 1440, RecordWmf()));
    for (const int32_t stopAt : {-1, 0, 1, 2, 3}) {
        Steps steps;
        steps.stopAt = stopAt;
        is5_SetCallback(Step, &steps);
        uint32_t w = 7, h = 7;
        void* result = is5_ReadMetafile(path.c_str(), &w, &h, 0, 0, kBackground, 0);
        const int32_t code = ISGetLastError();
        is5_SetCallback(nullptr, nullptr);
        std::vector<int32_t> expected;
        for (int32_t i = 0; i <= (stopAt < 0 ? 3 : stopAt); ++i)
            expected.push_back(i);
        EXPECT_EQ(expected, steps.done) << stopAt;
        if (stopAt < 0) {
            EXPECT_NE(nullptr, result);
            EXPECT_EQ(0, code);
        } else {
            EXPECT_EQ(nullptr, result) << stopAt;
            EXPECT_EQ(14, code) << stopAt;
            EXPECT_EQ(0u, w + h);
        }
        GlobalFree(result);
    }
}

// With all but about 500 GDI handles taken, one leaked object per call would
// exhaust the table long before the 1,000th read.
TEST(ReadMetafileLeaks, ThousandReadsWithFewHandlesLeft)
{
    const std::string placeable = Write("leak.wmf", mt::Placeable(0, 0, 1440, 1440, 1440, RecordWmf()));
    const std::string emf = RecordEmf();
    std::vector<HRGN> held;
    for (;;) {
        HRGN region = CreateRectRgn(0, 0, 1, 1);
        if (!region)
            break;
        held.push_back(region);
        ASSERT_LT(held.size(), 200000u);
    }
    for (size_t i = 0; i < 500 && !held.empty(); ++i) {
        DeleteObject(held.back());
        held.pop_back();
    }
    for (int round = 0; round < 1000; ++round) {
        uint32_t w = 0, h = 0;
        const std::string& path = round % 2 ? emf : placeable;
        void* result = is5_ReadMetafile(path.c_str(), &w, &h, 40, 30, kBackground, (round % 4 == 1) ? 3 : 1);
        ASSERT_NE(nullptr, result) << "round " << round << " code " << ISGetLastError();
        GlobalFree(result);
        // Failures on the way must not leak either.
        ASSERT_EQ(nullptr, is5_ReadMetafile(path.c_str(), &w, &h, 0, 0, kBackground, 1));
    }
    for (HRGN region : held)
        DeleteObject(region);
}

}  // namespace
