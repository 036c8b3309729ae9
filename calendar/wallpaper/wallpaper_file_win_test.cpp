// The desktop picture file replaces the old one only when written whole.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "tests/support/test_support.h"
#include "wallpaper/wallpaper_file.h"

namespace {

class WallpaperFile : public ::testing::Test {
protected:
    void SetUp() override
    {
        // A folder per test: ctest runs the tests side by side.
        std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        for (char& ch : name)
            if (ch == '/')
                ch = '_';
        folder_ = vt::BuildPath("wallpaper_file_" + name);
        CreateDirectoryA(folder_.c_str(), nullptr);
        path_ = folder_ + "\\wallpaper.bmp";
        DeleteFileA(path_.c_str());
        DeleteFileA((path_ + ".tmp").c_str());
    }
    bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

    std::string folder_, path_;
};

TEST_F(WallpaperFile, WritesABottomUp24BitBitmapWithPaddedRows)
{
    // 2 x 2, RGB top-down: red, green / blue, white.
    const uint8_t pixels[] = {255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 255};
    ASSERT_EQ(WriteWallpaperFile(path_.c_str(), pixels, 2, 2), 1);
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(vt::ReadFileBytes(path_, &bytes));
    ASSERT_EQ(bytes.size(), 54u + 2 * 8);
    EXPECT_EQ(bytes[0], 'B');
    EXPECT_EQ(bytes[1], 'M');
    EXPECT_EQ(bytes[28], 24);   // bits per pixel
    // Bottom row first, BGR, each row padded to 8 bytes.
    const std::vector<uint8_t> rows = {255, 0, 0, 255, 255, 255, 0, 0, 0, 0, 255, 0, 255, 0, 0, 0};
    EXPECT_EQ(std::vector<uint8_t>(bytes.begin() + 54, bytes.end()), rows);
    EXPECT_FALSE(Exists(path_ + ".tmp"));
}

TEST_F(WallpaperFile, ReplacesAnOlderPicture)
{
    ASSERT_TRUE(vt::WriteFileBytes(path_, std::vector<uint8_t>(100, 7)));
    std::vector<uint8_t> pixels(3 * 4 * 3, 128);
    ASSERT_EQ(WriteWallpaperFile(path_.c_str(), pixels.data(), 4, 3), 1);
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(vt::ReadFileBytes(path_, &bytes));
    EXPECT_EQ(bytes.size(), 54u + 3 * 12);
}

struct FailureCase {
    const char* what;
    bool pixels;
    int32_t width, height;
    bool missingFolder;
};

class WallpaperFileFailure : public WallpaperFile, public ::testing::WithParamInterface<FailureCase> {};

TEST_P(WallpaperFileFailure, LeavesTheOldPictureUntouched)
{
    const FailureCase& c = GetParam();
    const std::vector<uint8_t> old(300, 42);
    ASSERT_TRUE(vt::WriteFileBytes(path_, old));
    std::vector<uint8_t> pixels(64 * 64 * 3, 9);
    std::string path = c.missingFolder ? folder_ + "\\missing\\wallpaper.bmp" : path_;
    EXPECT_EQ(WriteWallpaperFile(path.c_str(), c.pixels ? pixels.data() : nullptr, c.width, c.height), 0) << c.what;
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(vt::ReadFileBytes(path_, &bytes));
    EXPECT_EQ(bytes, old) << c.what;
    EXPECT_FALSE(Exists(path + ".tmp")) << c.what;
}

INSTANTIATE_TEST_SUITE_P(Table, WallpaperFileFailure,
                         ::testing::Values(FailureCase{"no pixels", false, 64, 64, false},
                                           FailureCase{"no width", true, 0, 64, false},
                                           FailureCase{"negative height", true, 64, -1, false},
                                           FailureCase{"folder missing", true, 64, 64, true},
                                           FailureCase{"beyond one file", true, 0x7FFFFFFF, 64, false}));

}  // namespace
