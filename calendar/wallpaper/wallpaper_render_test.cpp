// The desktop picture built from a decoded picture: cover and fit geometry
// against the library's own bicubic scaling and ImageMagick, and the record's
// adjustments.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <random>
#include <vector>

#include "imaging/is5.h"
#include "common/picturedb/picture_record.h"
#include "tests/support/test_support.h"
#include "wallpaper/wallpaper_render.h"

namespace {

struct Picture {
    uint32_t width = 0, height = 0;
    std::vector<uint8_t> pixels;
};

bool ReadPicture(const std::string& path, Picture* picture)
{
    HISSRC source = is5_OpenFileSource(path.c_str());
    if (!source)
        return false;
    void* pixels = is5_ReadImage(source, &picture->width, &picture->height, 0, 0);
    is5_CloseSource(source);
    if (!pixels)
        return false;
    const uint8_t* bytes = (const uint8_t*)pixels;
    picture->pixels.assign(bytes, bytes + (size_t)picture->width * picture->height * 3);
    GlobalFree(pixels);
    return true;
}

PictureRecord NeutralRecord(int cropToFill)
{
    PictureRecord record;
    MakeBuiltinPictureRecord(1, &record);
    record.cropToFill = (uint16_t)cropToFill;
    return record;
}

struct Built {
    std::vector<uint8_t> pixels;
    bool ok = false;
};

Built Build(const Picture& picture, int32_t width, int32_t height, const PictureRecord& record, int reduce = 0)
{
    Built built;
    uint8_t* pixels =
        BuildWallpaperPixels(picture.pixels.data(), picture.width, picture.height, width, height, &record, reduce);
    if (!pixels)
        return built;
    built.pixels.assign(pixels, pixels + (size_t)width * height * 3);
    built.ok = true;
    GlobalFree(pixels);
    return built;
}

double MeanAbsoluteDifference(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b)
{
    if (a.size() != b.size() || a.empty())
        return 1e9;
    uint64_t sum = 0;
    for (size_t i = 0; i < a.size(); i++)
        sum += (uint64_t)std::abs((int)a[i] - (int)b[i]);
    return (double)sum / (double)a.size();
}

class WallpaperBuild : public ::testing::Test {
protected:
    static void SetUpTestSuite() { is5_Initialize(""); }
};

TEST_F(WallpaperBuild, CoverOfAMonthSizedPictureIsTheBicubicScaleCutAtColumn107)
{
    Picture picture;
    ASSERT_TRUE(ReadPicture(vt::FixturePath("wp_smooth.jpg"), &picture));
    ASSERT_EQ(picture.width, 1753u);
    ASSERT_EQ(picture.height, 1200u);
    Built built = Build(picture, 1280, 1024, NeutralRecord(1));
    ASSERT_TRUE(built.ok);

    // The library's own bicubic scale to 1495 x 1024, cut by hand.
    std::vector<uint8_t> scaled((size_t)1495 * 1024 * 3);
    ASSERT_TRUE(is5_ResizeImage(picture.pixels.data(), 1753, 1200, 1753 * 3, scaled.data(), 1495, 1024, 1495 * 3, 3,
                                17, 0));
    std::vector<uint8_t> expected;
    for (int y = 0; y < 1024; y++) {
        const uint8_t* row = scaled.data() + ((size_t)y * 1495 + 107) * 3;
        expected.insert(expected.end(), row, row + 1280 * 3);
    }
    EXPECT_TRUE(built.pixels == expected);

    // ImageMagick's Catmull-Rom scale of the same decoded pixels: the cut
    // at 107 matches best.
    double difference[3];
    for (int i = 0; i < 3; i++) {
        vt::Pnm reference;
        ASSERT_TRUE(vt::ReadPnm(vt::FixturePath("wp_smooth_crop" + std::to_string(106 + i) + ".ppm"), &reference));
        ASSERT_EQ(reference.width, 1280);
        ASSERT_EQ(reference.height, 1024);
        difference[i] = MeanAbsoluteDifference(built.pixels, reference.pixels);
    }
    EXPECT_LT(difference[1], 1.0);
    EXPECT_LT(difference[1], difference[0]);
    EXPECT_LT(difference[1], difference[2]);
}

TEST_F(WallpaperBuild, FitCentresAPortraitPictureOnTheBackground)
{
    Picture picture;
    ASSERT_TRUE(ReadPicture(vt::FixturePath("wp_portrait.jpg"), &picture));
    ASSERT_EQ(picture.width, 1000u);
    ASSERT_EQ(picture.height, 1500u);
    PictureRecord record = NeutralRecord(0);
    record.background = 0x336699;
    Built built = Build(picture, 1280, 1024, record);
    ASSERT_TRUE(built.ok);

    std::vector<uint8_t> scaled((size_t)682 * 1024 * 3);
    ASSERT_TRUE(is5_ResizeImage(picture.pixels.data(), 1000, 1500, 1000 * 3, scaled.data(), 682, 1024, 682 * 3, 3, 17,
                                0));
    size_t borderFaults = 0, pictureFaults = 0;
    for (int y = 0; y < 1024; y++) {
        const uint8_t* row = built.pixels.data() + (size_t)y * 1280 * 3;
        for (int x = 0; x < 1280; x++) {
            const uint8_t* p = row + x * 3;
            if (x < 299 || x >= 981)
                borderFaults += p[0] != 0x99 || p[1] != 0x66 || p[2] != 0x33;
            else
                pictureFaults += std::memcmp(p, scaled.data() + ((size_t)y * 682 + (x - 299)) * 3, 3) != 0;
        }
    }
    EXPECT_EQ(borderFaults, 0u);
    EXPECT_EQ(pictureFaults, 0u);
}

TEST_F(WallpaperBuild, ReducedColoursKeepFiveBitsButInTheLastThreeBytes)
{
    Picture picture;
    ASSERT_TRUE(ReadPicture(vt::FixturePath("wp_smooth.jpg"), &picture));
    Built built = Build(picture, 640, 480, NeutralRecord(1), 1);
    ASSERT_TRUE(built.ok);
    size_t kept = 0;
    for (size_t i = 0; i + 3 < built.pixels.size(); i++)
        kept += (built.pixels[i] & 7) != 0;
    EXPECT_EQ(kept, 0u);
}

struct RefusedCase {
    const char* what;
    uint32_t width, height;
    int32_t screenWidth, screenHeight;
    int cropToFill;
};

const RefusedCase kRefusedCases[] = {
    {"1 x 20000 in cover mode is beyond one buffer", 1, 20000, 1280, 1024, 1},
    {"20000 x 1 in cover mode is beyond one buffer", 20000, 1, 1280, 1024, 1},
    {"20000 x 1 in fit mode is too thin to show", 20000, 1, 1280, 1024, 0},
    {"a screen of no width", 16, 16, 0, 1024, 1},
    {"a screen beyond one buffer", 16, 16, 40000, 40000, 0},
};

class WallpaperBuildRefused : public WallpaperBuild, public ::testing::WithParamInterface<RefusedCase> {};

TEST_P(WallpaperBuildRefused, GivesNoPicture)
{
    const RefusedCase& c = GetParam();
    Picture picture;
    picture.width = c.width;
    picture.height = c.height;
    picture.pixels.assign((size_t)c.width * c.height * 3, 128);
    Built built = Build(picture, c.screenWidth, c.screenHeight, NeutralRecord(c.cropToFill));
    EXPECT_FALSE(built.ok) << c.what;
}

INSTANTIATE_TEST_SUITE_P(Table, WallpaperBuildRefused, ::testing::ValuesIn(kRefusedCases));

// ProcessImage on a noisy test picture.
std::vector<uint8_t> NoisyPicture(int width, int height)
{
    std::vector<uint8_t> pixels((size_t)width * height * 3);
    std::mt19937 random(1210);
    for (int y = 0; y < height; y++)
        for (int x = 0; x < width; x++)
            for (int c = 0; c < 3; c++) {
                // A soft colour gradient with strong noise, away from the
                // clipping ends: sharpening at threshold 50 must see it.
                int base = 100 + (x * 30) / width + c * 10 + (y * 10) / height;
                int value = base + (int)(random() % 151) - 75;
                pixels[((size_t)y * width + x) * 3 + c] = (uint8_t)value;
            }
    return pixels;
}

double Mean(const std::vector<uint8_t>& pixels)
{
    double sum = 0;
    for (uint8_t b : pixels)
        sum += b;
    return sum / (double)pixels.size();
}

double StandardDeviation(const std::vector<uint8_t>& pixels)
{
    double mean = Mean(pixels), sum = 0;
    for (uint8_t b : pixels)
        sum += (b - mean) * (b - mean);
    return std::sqrt(sum / (double)pixels.size());
}

const int kNoisyWidth = 160, kNoisyHeight = 120;

std::vector<uint8_t> Processed(const PictureRecord& record)
{
    std::vector<uint8_t> pixels = NoisyPicture(kNoisyWidth, kNoisyHeight);
    ProcessImage(pixels.data(), kNoisyWidth, kNoisyHeight, &record);
    return pixels;
}

struct UnchangedCase {
    const char* what;
    int32_t saturationStep;
};

class ProcessImageUnchanged : public WallpaperBuild, public ::testing::WithParamInterface<UnchangedCase> {};

TEST_P(ProcessImageUnchanged, LeavesThePixelsByteIdentical)
{
    PictureRecord record = NeutralRecord(1);
    record.saturationStep = GetParam().saturationStep;
    EXPECT_TRUE(Processed(record) == NoisyPicture(kNoisyWidth, kNoisyHeight)) << GetParam().what;
}

INSTANTIATE_TEST_SUITE_P(Table, ProcessImageUnchanged,
                         ::testing::Values(UnchangedCase{"neutral record", 5}, UnchangedCase{"step -1", -1},
                                           UnchangedCase{"step 11", 11}, UnchangedCase{"step 1000", 1000}));

TEST_F(WallpaperBuild, ANullRecordChangesNothing)
{
    std::vector<uint8_t> pixels = NoisyPicture(kNoisyWidth, kNoisyHeight);
    ProcessImage(pixels.data(), kNoisyWidth, kNoisyHeight, nullptr);
    EXPECT_TRUE(pixels == NoisyPicture(kNoisyWidth, kNoisyHeight));
}

TEST_F(WallpaperBuild, SaturationStepZeroTurnsThePictureGrey)
{
    PictureRecord record = NeutralRecord(1);
    record.saturationStep = 0;
    std::vector<uint8_t> pixels = Processed(record);
    int worst = 0;
    for (size_t i = 0; i < pixels.size(); i += 3) {
        int high = std::max({pixels[i], pixels[i + 1], pixels[i + 2]});
        int low = std::min({pixels[i], pixels[i + 1], pixels[i + 2]});
        worst = std::max(worst, high - low);
    }
    EXPECT_LE(worst, 1);
}

struct SpreadCase {
    const char* what;
    int32_t sharpness, brightness;
    int spread;   // +1 the standard deviation rises, -1 it falls
    int mean;     // +1 the mean rises, 0 it stays within 1
};

const SpreadCase kSpreadCases[] = {
    {"sharpness 3 sharpens", 3, 0, +1, 0},
    {"sharpness -3 blurs", -3, 0, -1, 0},
    {"sharpness -1 blurs", -1, 0, -1, 0},
    {"brightness 50 brightens", 0, 50, 0, +1},
};

class ProcessImageChanges : public WallpaperBuild, public ::testing::WithParamInterface<SpreadCase> {};

TEST_P(ProcessImageChanges, MoveSpreadAndMeanTheirWay)
{
    const SpreadCase& c = GetParam();
    PictureRecord record = NeutralRecord(1);
    record.sharpness = c.sharpness;
    record.brightness = c.brightness;
    std::vector<uint8_t> before = NoisyPicture(kNoisyWidth, kNoisyHeight);
    std::vector<uint8_t> after = Processed(record);
    const double spreadBefore = StandardDeviation(before), spreadAfter = StandardDeviation(after);
    if (c.spread > 0) {
        EXPECT_GT(spreadAfter, spreadBefore + 1.0) << c.what;
    } else if (c.spread < 0) {
        EXPECT_LT(spreadAfter, spreadBefore - 1.0) << c.what;
    }
    if (c.mean > 0) {
        EXPECT_GT(Mean(after), Mean(before) + 20.0) << c.what;
    } else {
        EXPECT_NEAR(Mean(after), Mean(before), 1.0) << c.what;
    }
}

INSTANTIATE_TEST_SUITE_P(Table, ProcessImageChanges, ::testing::ValuesIn(kSpreadCases));

}  // namespace
