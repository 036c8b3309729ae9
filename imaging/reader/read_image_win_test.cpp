// The generic reader on metafiles, which GDI plays: file sources render at the
// thread's metafile size, memory sources give no picture.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "is5.h"
#include "tests/support/test_support.h"

namespace {

// A Windows metafile (no placeable header) with one filled rectangle.
std::string WriteWmf(const std::string& name)
{
    std::string path = vt::BuildPath("reader_win_" + name + ".wmf");
    HDC dc = CreateMetaFileA(path.c_str());
    EXPECT_NE(nullptr, dc);
    if (!dc)
        return path;
    SetMapMode(dc, MM_ANISOTROPIC);
    SetWindowExtEx(dc, 100, 100, nullptr);
    HBRUSH brush = CreateSolidBrush(RGB(200, 30, 30));
    RECT box = {0, 0, 100, 100};
    FillRect(dc, &box, brush);
    DeleteObject(brush);
    DeleteMetaFile(CloseMetaFile(dc));
    return path;
}

std::string WriteEmf()
{
    std::string path = vt::BuildPath("reader_win_box.emf");
    RECT frame = {0, 0, 2000, 1000};  // 0.01 mm
    HDC dc = CreateEnhMetaFileA(nullptr, path.c_str(), &frame, nullptr);
    EXPECT_NE(nullptr, dc);
    if (!dc)
        return path;
    HBRUSH brush = CreateSolidBrush(RGB(30, 200, 30));
    RECT box = {0, 0, 50, 50};
    FillRect(dc, &box, brush);
    DeleteObject(brush);
    DeleteEnhMetaFile(CloseEnhMetaFile(dc));
    return path;
}

struct Read {
    void* data = nullptr;
    uint32_t width = 0;
    uint32_t height = 0;
    int32_t error = -1;
    ~Read()
    {
        if (data)
            GlobalFree(data);
    }
};

void ReadPath(const std::string& path, uint32_t mode, Read* r)
{
    HISSRC source = is5_OpenFileSource(path.c_str());
    ASSERT_NE(nullptr, source) << path;
    r->data = is5_ReadImage(source, &r->width, &r->height, mode, 0);
    r->error = ISGetLastError();
    is5_CloseSource(source);
}

class ReadImageMetafile : public ::testing::TestWithParam<bool> {};

TEST_P(ReadImageMetafile, FileRendersAtTheThreadsMetafileSizeInEveryMode)
{
    std::string path = GetParam() ? WriteEmf() : WriteWmf("box");
    for (uint32_t mode = 0; mode < 4; ++mode) {
        Read r;
        ReadPath(path, mode, &r);
        ASSERT_NE(nullptr, r.data) << "mode " << mode;
        EXPECT_EQ(0, r.error) << "mode " << mode;
        EXPECT_EQ(100u, r.width) << "mode " << mode;
        EXPECT_EQ(100u, r.height) << "mode " << mode;
        SIZE_T expected = mode == 1 ? 100 * 100 * 4 : mode == 2 ? 40 + 100 * 300 : mode == 3 ? 13 * 100 : 100 * 100 * 3;
        EXPECT_GE(GlobalSize(r.data), expected) << "mode " << mode;
        if (mode == 2) {
            BITMAPINFOHEADER header;
            std::memcpy(&header, r.data, sizeof header);
            EXPECT_EQ(100, header.biWidth);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Kinds, ReadImageMetafile, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& info) { return info.param ? "Emf" : "Wmf"; });

TEST(ReadImageMetafileMemory, MemorySourceGivesNoPictureAndCode2)
{
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(vt::ReadFileBytes(WriteWmf("memory"), &bytes));
    HISSRC source = is5_OpenMemorySource(bytes.data(), static_cast<int32_t>(bytes.size()));
    uint32_t w = 0, h = 0;
    EXPECT_EQ(nullptr, is5_ReadImage(source, &w, &h, 0, 0));
    EXPECT_EQ(2, ISGetLastError());
    is5_CloseSource(source);
}

}  // namespace
