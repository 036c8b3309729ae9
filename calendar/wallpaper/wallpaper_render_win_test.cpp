// The desktop picture file from month pictures and picture files, and the
// picture loaders, in the program's setting: resources of vesko.exe, the
// display's colour depth, files written beside the old picture.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "base/app.h"
#include "imaging/formats/jpeg2000/saj2k.h"
#include "imaging/is5.h"
#include "common/picturedb/picture_record.h"
#include "tests/support/test_support.h"
#include "common/win/display.h"
#include "wallpaper/wallpaper.h"
#include "wallpaper/wallpaper_render.h"

namespace {

struct Bmp {
    int width = 0, height = 0, bits = 0;
    std::vector<uint8_t> rgb;   // top-down, packed
};

// A bottom-up 24-bit BMP read by hand.
bool ReadBmp(const std::string& path, Bmp* bmp)
{
    std::vector<uint8_t> b;
    if (!vt::ReadFileBytes(path, &b) || b.size() < 54 || b[0] != 'B' || b[1] != 'M')
        return false;
    auto u32 = [&](size_t at) { return (uint32_t)b[at] | b[at + 1] << 8 | b[at + 2] << 16 | (uint32_t)b[at + 3] << 24; };
    const uint32_t offset = u32(10);
    bmp->width = (int)u32(18);
    bmp->height = (int)u32(22);
    bmp->bits = b[28] | b[29] << 8;
    if (bmp->bits != 24 || bmp->width <= 0 || bmp->height <= 0)
        return false;
    const size_t row = ((size_t)bmp->width * 3 + 3) & ~(size_t)3;
    if (b.size() < offset + row * bmp->height)
        return false;
    bmp->rgb.resize((size_t)bmp->width * bmp->height * 3);
    for (int y = 0; y < bmp->height; y++) {
        const uint8_t* from = b.data() + offset + row * (bmp->height - 1 - y);
        uint8_t* to = bmp->rgb.data() + (size_t)y * bmp->width * 3;
        for (int x = 0; x < bmp->width; x++) {
            to[x * 3] = from[x * 3 + 2];
            to[x * 3 + 1] = from[x * 3 + 1];
            to[x * 3 + 2] = from[x * 3];
        }
    }
    return true;
}

PictureRecord Record(int cropToFill)
{
    PictureRecord record;
    MakeBuiltinPictureRecord(1, &record);
    record.cropToFill = (uint16_t)cropToFill;
    return record;
}

// The decoded picture as BuildWallpaperPixels makes it, for comparison.
std::vector<uint8_t> Expected(const std::string& path, int width, int height, const PictureRecord& record)
{
    HISSRC source = is5_OpenFileSource(path.c_str());
    uint32_t w = 0, h = 0;
    void* picture = source ? is5_ReadImage(source, &w, &h, 0, 0) : nullptr;
    if (source)
        is5_CloseSource(source);
    if (!picture)
        return {};
    uint8_t* pixels = BuildWallpaperPixels((const uint8_t*)picture, w, h, width, height, &record, 0);
    GlobalFree(picture);
    if (!pixels)
        return {};
    std::vector<uint8_t> result(pixels, pixels + (size_t)width * height * 3);
    GlobalFree(pixels);
    return result;
}

bool InstallJpeg2000Hook()
{
    ISExtHookTable* table = is5_GetExtHook(0);
    if (!table)
        return false;
    int32_t ok = SAJ2KSetExtHook(table);
    GlobalFree(table);
    return ok == 1;
}

// vesko.exe as the module whose resources the loaders read.
class ProgramModule : public ::testing::Test {
protected:
    static void SetUpTestSuite() { is5_Initialize(""); }
    void SetUp() override
    {
        module_ = LoadLibraryExA(vt::BuildPath("bin/vesko.exe").c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
        ASSERT_NE(module_, nullptr);
        gInstance = (HINSTANCE)module_;
        ASSERT_TRUE(InstallJpeg2000Hook());
        // A folder per test: ctest runs the tests side by side.
        std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        std::replace(name.begin(), name.end(), '/', '_');
        folder_ = vt::BuildPath("wallpaper_render_" + name);
        CreateDirectoryA(folder_.c_str(), nullptr);
        out_ = folder_ + "\\wallpaper.bmp";
        DeleteFileA(out_.c_str());
    }
    void TearDown() override
    {
        gInstance = nullptr;
        if (module_)
            FreeLibrary(module_);
    }

    HMODULE module_ = nullptr;
    std::string folder_, out_;
};

TEST_F(ProgramModule, TheTestDisplayShowsTrueColour)
{
    // The pictures below are compared unreduced.
    EXPECT_EQ(IsTrueColorDisplay(), 1);
}

struct FileCase {
    const char* what;
    const char* fixture;
    int cropToFill;
    int width, height;
};

const FileCase kFileCases[] = {
    {"cover of a month-sized JPEG", "wp_smooth.jpg", 1, 1280, 1024},
    {"fit of a portrait JPEG", "wp_portrait.jpg", 0, 1280, 1024},
    {"cover of a BMP on a small screen", "wp_probe.bmp", 1, 320, 200},
    {"fit of a PNG on a small screen", "png/rgb8.png", 0, 320, 200},
};

class RenderFile : public ProgramModule, public ::testing::WithParamInterface<FileCase> {};

TEST_P(RenderFile, WritesThe24BitPictureOfTheScreenSize)
{
    const FileCase& c = GetParam();
    if (!IsTrueColorDisplay())
        GTEST_SKIP() << "the display reduces colours";
    PictureRecord record = Record(c.cropToFill);
    record.background = 0x336699;
    const std::string path = vt::FixturePath(c.fixture);
    ASSERT_EQ(RenderFileWallpaper(path.c_str(), out_.c_str(), c.width, c.height, 1, &record), 1) << c.what;
    Bmp bmp;
    ASSERT_TRUE(ReadBmp(out_, &bmp)) << c.what;
    EXPECT_EQ(bmp.width, c.width);
    EXPECT_EQ(bmp.height, c.height);
    EXPECT_TRUE(bmp.rgb == Expected(path, c.width, c.height, record)) << c.what;
    EXPECT_EQ(GetFileAttributesA((out_ + ".tmp").c_str()), INVALID_FILE_ATTRIBUTES);
}

INSTANTIATE_TEST_SUITE_P(Table, RenderFile, ::testing::ValuesIn(kFileCases));

TEST_F(ProgramModule, RendersAJpeg2000FileThroughItsOwnReader)
{
    PictureRecord record = Record(1);
    ASSERT_EQ(RenderFileWallpaper(vt::FixturePath("wp_probe.jp2").c_str(), out_.c_str(), 96, 64, 1, &record), 1);
    Bmp bmp;
    ASSERT_TRUE(ReadBmp(out_, &bmp));
    EXPECT_EQ(bmp.width, 96);
    EXPECT_EQ(bmp.height, 64);
    // The fixture runs from red at the top to blue at the bottom.
    EXPECT_GT(bmp.rgb[0], 200);
    EXPECT_LT(bmp.rgb[2], 60);
    EXPECT_GT(bmp.rgb[bmp.rgb.size() - 1], 200);
}

TEST_F(ProgramModule, RendersAMonthPictureOfTheProgramFile)
{
    PictureRecord record = Record(1);
    ASSERT_EQ(RenderBuiltinWallpaper("C05X", out_.c_str(), 1280, 1024, 1, &record), 1);
    Bmp bmp;
    ASSERT_TRUE(ReadBmp(out_, &bmp));
    EXPECT_EQ(bmp.width, 1280);
    EXPECT_EQ(bmp.height, 1024);
}

struct FailureCase {
    const char* what;
    bool builtin;
    std::string picture;
    int cropToFill;
};

// The first half of a JPEG fixture, in a file of the build folder.
std::string HalfOfJpeg(const char* fixture, const char* name)
{
    std::vector<uint8_t> jpeg;
    vt::ReadFileBytes(vt::FixturePath(fixture), &jpeg);
    jpeg.resize(jpeg.size() / 2);
    const std::string path = vt::BuildPath(name);
    vt::WriteFileBytes(path, jpeg);
    return path;
}

std::vector<FailureCase> FailureCases()
{
    // Files made here: a 0-byte file, a JPEG whose frame header gives a
    // width of 0 and a JPEG cut at half its length (which decodes to a
    // picture grey below the cut, with a code).
    const std::string empty = vt::BuildPath("wallpaper_render_empty.jpg");
    vt::WriteFileBytes(empty, {});
    std::vector<uint8_t> jpeg;
    vt::ReadFileBytes(vt::FixturePath("wp_smooth.jpg"), &jpeg);
    for (size_t i = 0; i + 9 < jpeg.size(); i++)
        if (jpeg[i] == 0xFF && jpeg[i + 1] == 0xC0) {
            jpeg[i + 7] = jpeg[i + 8] = 0;
            break;
        }
    const std::string corrupt = vt::BuildPath("wallpaper_render_corrupt.jpg");
    vt::WriteFileBytes(corrupt, jpeg);
    return {
        {"a 0-byte file", false, empty, 1},
        {"a JPEG of width 0", false, corrupt, 1},
        {"a JPEG cut at half its length", false, HalfOfJpeg("wp_smooth.jpg", "wallpaper_render_half.jpg"), 1},
        {"a JPEG cut at half its length, fitted", false, HalfOfJpeg("wp_portrait.jpg", "wallpaper_render_half2.jpg"),
         0},
        {"a text file", false, vt::FixturePath("wp_probe.txt"), 1},
        {"a missing file", false, vt::BuildPath("wallpaper_render_missing.jpg"), 0},
        {"1 x 20000 in cover mode", false, vt::FixturePath("wp_line.jpg"), 1},
        {"a month picture the program lacks", true, "C99X", 1},
    };
}

class RenderFailure : public ProgramModule, public ::testing::WithParamInterface<FailureCase> {};

TEST_P(RenderFailure, LeavesTheOldPictureAsItWas)
{
    const FailureCase& c = GetParam();
    const std::vector<uint8_t> old(321, 77);
    ASSERT_TRUE(vt::WriteFileBytes(out_, old));
    PictureRecord record = Record(c.cropToFill);
    int result = c.builtin ? RenderBuiltinWallpaper(c.picture.c_str(), out_.c_str(), 1280, 1024, 1, &record)
                           : RenderFileWallpaper(c.picture.c_str(), out_.c_str(), 1280, 1024, 1, &record);
    EXPECT_EQ(result, 0) << c.what;
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(vt::ReadFileBytes(out_, &bytes));
    EXPECT_TRUE(bytes == old) << c.what;
    EXPECT_EQ(GetFileAttributesA((out_ + ".tmp").c_str()), INVALID_FILE_ATTRIBUTES) << c.what;
}

INSTANTIATE_TEST_SUITE_P(Table, RenderFailure, ::testing::ValuesIn(FailureCases()));

struct TypeCase {
    const char* fixture;
    int type;
};

const TypeCase kTypeCases[] = {
    {"wp_probe.jpg", 1},  {"wp_probe.bmp", 6},  {"wp_probe.png", 3}, {"wp_probe.tif", 12},
    {"wp_probe.gif", 15}, {"wp_probe.psd", 20}, {"wp_probe.jp2", 25}, {"wp_probe.J2K", 25},
    {"wp_probe.txt", 0},  {"wp_missing.jpg", 0},
};

class ReaderType : public ::testing::TestWithParam<TypeCase> {};

TEST_P(ReaderType, FollowsTheFileTypeOrTheJpeg2000Extension)
{
    EXPECT_EQ(GetReaderType(vt::FixturePath(GetParam().fixture).c_str()), GetParam().type) << GetParam().fixture;
}

INSTANTIATE_TEST_SUITE_P(Table, ReaderType, ::testing::ValuesIn(kTypeCases));

struct Size {
    int width = 0, height = 0;
};

Size BitmapSize(HBITMAP bitmap)
{
    BITMAP info;
    if (!bitmap || GetObjectA(bitmap, sizeof info, &info) != sizeof info)
        return Size();
    return Size{info.bmWidth, std::abs(info.bmHeight)};
}

std::vector<uint8_t> BitmapPixels(HBITMAP bitmap, Size size)
{
    std::vector<uint8_t> pixels((size_t)size.width * size.height * 3);
    HDC dc = CreateDCA("DISPLAY", nullptr, nullptr, nullptr);
    bool ok = is5_HBITMAPToRGB(bitmap, dc, nullptr, pixels.data());
    if (dc)
        DeleteDC(dc);
    return ok ? pixels : std::vector<uint8_t>();
}

struct LoadCase {
    const char* what;
    const char* fixture;
    int width, height, nearest;
};

const LoadCase kLoadCases[] = {
    {"a large JPEG shrunk, nearest sample", "wp_smooth.jpg", 150, 112, 1},
    {"a large JPEG shrunk, bilinear", "wp_smooth.jpg", 150, 112, 0},
    {"a small BMP grown", "wp_probe.bmp", 150, 112, 0},
    {"a JPEG 2000 file", "wp_probe.jp2", 150, 112, 0},
    {"a tall picture cut to a wide box", "wp_portrait.jpg", 200, 50, 0},
};

class LoadFile : public ProgramModule, public ::testing::WithParamInterface<LoadCase> {};

TEST_P(LoadFile, GivesABitmapOfTheBoxSize)
{
    const LoadCase& c = GetParam();
    HBITMAP bitmap = LoadFromFile(vt::FixturePath(c.fixture).c_str(), c.width, c.height, c.nearest);
    ASSERT_NE(bitmap, nullptr) << c.what;
    Size size = BitmapSize(bitmap);
    EXPECT_EQ(size.width, c.width) << c.what;
    EXPECT_EQ(size.height, c.height) << c.what;
    DeleteObject(bitmap);
}

INSTANTIATE_TEST_SUITE_P(Table, LoadFile, ::testing::ValuesIn(kLoadCases));

TEST_F(ProgramModule, LoadedPicturesKeepTheirColours)
{
    // The smooth picture's middle is its red disc's edge region; its left
    // edge is yellow-orange (high red, low blue).
    HBITMAP bitmap = LoadFromFile(vt::FixturePath("wp_smooth.jpg").c_str(), 150, 112, 0);
    ASSERT_NE(bitmap, nullptr);
    std::vector<uint8_t> pixels = BitmapPixels(bitmap, Size{150, 112});
    DeleteObject(bitmap);
    ASSERT_FALSE(pixels.empty());
    const uint8_t* left = pixels.data() + (56 * 150 + 1) * 3;
    EXPECT_GT(left[0], 180);
    EXPECT_LT(left[2], 120);
}

TEST_F(ProgramModule, FilesOfNoKnownTypeGiveNoBitmap)
{
    EXPECT_EQ(LoadFromFile(vt::FixturePath("wp_probe.txt").c_str(), 150, 112, 0), nullptr);
    EXPECT_EQ(LoadFromFile(vt::FixturePath("wp_missing.jpg").c_str(), 150, 112, 0), nullptr);
    EXPECT_EQ(LoadFromFileEx(vt::FixturePath("wp_probe.txt").c_str(), 1, 150, 112, 0), nullptr);
}

TEST_F(ProgramModule, APictureReadOnlyPartlyGivesNoBitmap)
{
    const std::string half = HalfOfJpeg("wp_smooth.jpg", "wallpaper_load_half.jpg");
    EXPECT_EQ(LoadFromFile(half.c_str(), 150, 112, 0), nullptr);
    HISSRC source = is5_OpenFileSource(half.c_str());
    ASSERT_NE(source, nullptr);
    EXPECT_EQ(ReadAndFitImage(source, 1, 150, 112, 1), nullptr);
    is5_CloseSource(source);
}

TEST_F(ProgramModule, AMetafileComesOutAtTheBoxSize)
{
    // A plain Windows metafile drawn here: a blue square on white.
    const std::string path = folder_ + "\\square.wmf";
    HDC dc = CreateMetaFileA(path.c_str());
    ASSERT_NE(dc, nullptr);
    HBRUSH brush = CreateSolidBrush(RGB(0, 0, 255));
    SelectObject(dc, brush);
    Rectangle(dc, 0, 0, 400, 300);
    HMETAFILE metafile = CloseMetaFile(dc);
    ASSERT_NE(metafile, nullptr);
    DeleteMetaFile(metafile);
    DeleteObject(brush);
    ASSERT_EQ(GetReaderType(path.c_str()), 19);

    HBITMAP bitmap = LoadFromFile(path.c_str(), 150, 112, 0);
    ASSERT_NE(bitmap, nullptr);
    Size size = BitmapSize(bitmap);
    EXPECT_EQ(size.width, 150);
    EXPECT_EQ(size.height, 112);
    DeleteObject(bitmap);
}

struct ResourceCase {
    const char* what;
    const char* name;
    const char* type;
    bool preview;
    int width, height;
    bool found;
};

const ResourceCase kResourceCases[] = {
    {"the title picture", "TITEL", "BITMAPI", false, 300, 60, true},
    {"the title picture, square box", "TITEL", "BITMAPI", false, 64, 64, true},
    {"a month picture", "C01X", "KALENDER", false, 320, 256, true},
    {"a missing name", "NOPE", "BITMAPI", false, 300, 60, false},
    {"a missing type", "TITEL", "NOPE", false, 300, 60, false},
    {"the preview of May", "C05X", nullptr, true, 150, 112, true},
    {"the preview of December, smaller", "C12X", nullptr, true, 75, 56, true},
    {"a preview that does not exist", "C13X", nullptr, true, 150, 112, false},
};

class ResourceLoad : public ProgramModule, public ::testing::WithParamInterface<ResourceCase> {};

TEST_P(ResourceLoad, GivesTheBoxSizeOrNothing)
{
    const ResourceCase& c = GetParam();
    HBITMAP bitmap = c.preview ? LoadPreviewBitmap((HINSTANCE)module_, c.name, c.width, c.height)
                               : LoadFromResource(c.name, c.type, c.width, c.height);
    if (!c.found) {
        EXPECT_EQ(bitmap, nullptr) << c.what;
        return;
    }
    ASSERT_NE(bitmap, nullptr) << c.what;
    Size size = BitmapSize(bitmap);
    EXPECT_EQ(size.width, c.width) << c.what;
    EXPECT_EQ(size.height, c.height) << c.what;
    DeleteObject(bitmap);
}

INSTANTIATE_TEST_SUITE_P(Table, ResourceLoad, ::testing::ValuesIn(kResourceCases));

TEST_F(ProgramModule, ProcessBitmapAppliesTheRecord)
{
    HBITMAP bitmap = LoadFromFile(vt::FixturePath("wp_smooth.jpg").c_str(), 150, 112, 0);
    ASSERT_NE(bitmap, nullptr);
    std::vector<uint8_t> work(150 * 112 * 3);
    PictureRecord record = Record(1);
    record.saturationStep = 0;
    HBITMAP grey = ProcessBitmap(work.data(), bitmap, 150, 112, &record);
    ASSERT_NE(grey, nullptr);
    std::vector<uint8_t> pixels = BitmapPixels(grey, Size{150, 112});
    ASSERT_FALSE(pixels.empty());
    int worst = 0;
    for (size_t i = 0; i < pixels.size(); i += 3)
        worst = std::max(worst, std::max({pixels[i], pixels[i + 1], pixels[i + 2]}) -
                                    std::min({pixels[i], pixels[i + 1], pixels[i + 2]}));
    EXPECT_LE(worst, 1);
    DeleteObject(grey);
    DeleteObject(bitmap);
}

TEST_F(ProgramModule, ProcessBitmapRefusesABitmapLargerThanItsBuffer)
{
    HBITMAP bitmap = LoadFromFile(vt::FixturePath("wp_smooth.jpg").c_str(), 300, 224, 0);
    ASSERT_NE(bitmap, nullptr);
    // Room for 150 x 112 only: the 300 x 224 bitmap would run past it.
    std::vector<uint8_t> work(150 * 112 * 3);
    PictureRecord record = Record(1);
    EXPECT_EQ(ProcessBitmap(work.data(), bitmap, 150, 112, &record), nullptr);
    DeleteObject(bitmap);
}

}  // namespace
