// Usability of a picture at a moment, the scaled sizes and the colour
// reduction of the desktop picture.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

#include "common/picturedb/picture_record.h"
#include "common/picturedb/picture_usable.h"
#include "wallpaper/wallpaper_due.h"
#include "common/pictures/wallpaper_geometry.h"
#include "common/pictures/wallpaper_tables.h"

namespace {

struct UsableCase {
    const char* what;
    int state, weekdayMask, hourFrom, hourTo, monthFrom, monthTo;
    int weekday, hour, month;
    bool usable;
};

const UsableCase kUsableCases[] = {
    {"night window wraps: 23 inside", 2, 0x7F, 22, 6, 1, 12, 3, 23, 6, true},
    {"night window wraps: 5 inside", 2, 0x7F, 22, 6, 1, 12, 3, 5, 6, true},
    {"night window wraps: 12 outside", 2, 0x7F, 22, 6, 1, 12, 3, 12, 6, false},
    {"night window: its ends are inside", 2, 0x7F, 22, 6, 1, 12, 3, 22, 6, true},
    {"night window: 7 outside", 2, 0x7F, 22, 6, 1, 12, 3, 7, 6, false},
    {"hourTo 24 admits 0", 2, 0x7F, 0, 24, 1, 12, 3, 0, 6, true},
    {"hourTo 24 admits 23", 2, 0x7F, 0, 24, 1, 12, 3, 23, 6, true},
    {"plain hour window: below", 2, 0x7F, 8, 17, 1, 12, 3, 7, 6, false},
    {"plain hour window: end inside", 2, 0x7F, 8, 17, 1, 12, 3, 17, 6, true},
    {"winter wraps: December", 2, 0x7F, 0, 24, 11, 2, 3, 12, 12, true},
    {"winter wraps: January", 2, 0x7F, 0, 24, 11, 2, 3, 12, 1, true},
    {"winter wraps: March outside", 2, 0x7F, 0, 24, 11, 2, 3, 12, 3, false},
    {"cleared weekday bit: Sunday", 2, 0x7E, 0, 24, 1, 12, 0, 12, 6, false},
    {"cleared weekday bit: Saturday", 2, 0x3F, 0, 24, 1, 12, 6, 12, 6, false},
    {"set weekday bit: Saturday", 2, 0x40, 0, 24, 1, 12, 6, 12, 6, true},
    {"state 1 never", 1, 0x7F, 0, 24, 1, 12, 3, 12, 6, false},
    {"state 0 (removed) never", 0, 0x7F, 0, 24, 1, 12, 3, 12, 6, false},
};

class PictureUsable : public ::testing::TestWithParam<UsableCase> {};

TEST_P(PictureUsable, FollowsStateWeekdayAndWrappingWindows)
{
    const UsableCase& c = GetParam();
    EXPECT_EQ(IsPictureUsable(c.state, c.weekdayMask, c.hourFrom, c.hourTo, c.monthFrom, c.monthTo, c.weekday,
                              c.hour, c.month),
              c.usable)
        << c.what;
}

INSTANTIATE_TEST_SUITE_P(Table, PictureUsable, ::testing::ValuesIn(kUsableCases));

TEST(PictureUsable, ReadsTheRecordsFields)
{
    // A built-in month picture's defaults, narrowed to winter nights.
    PictureRecord record;
    MakeBuiltinPictureRecord(1, &record);
    ASSERT_TRUE(IsRecordUsable(record, 3, 12, 6));
    record.hourFrom = 22;
    record.hourTo = 6;
    record.monthFrom = 11;
    record.monthTo = 2;
    EXPECT_TRUE(IsRecordUsable(record, 3, 23, 12));
    EXPECT_FALSE(IsRecordUsable(record, 3, 12, 12));
    EXPECT_FALSE(IsRecordUsable(record, 3, 23, 3));
    record.state = 1;
    EXPECT_FALSE(IsRecordUsable(record, 3, 23, 12));
}

struct SizeCase {
    const char* what;
    uint32_t width, height;
    int32_t screenWidth, screenHeight;
    bool cover;
    bool ok;
    WallpaperSize size;
};

const SizeCase kSizeCases[] = {
    // 1024 x (1753 / 1200) in float is 1495.89.
    {"cover of a wide month picture cuts at column 107", 1753, 1200, 1280, 1024, true, true,
     {1495, 1024, 1280, 1024, 107, 0}},
    {"cover of a tall picture cuts rows from the middle", 1000, 1500, 1280, 1024, true, true,
     {1280, 1920, 1280, 1024, 0, 448}},
    {"cover of the exact size keeps it", 1280, 1024, 1280, 1024, true, true, {1280, 1024, 1280, 1024, 0, 0}},
    // 1024 x 1000 / 1500 = 682.67, truncated in integers.
    {"fit of a portrait picture keeps it whole", 1000, 1500, 1280, 1024, false, true,
     {682, 1024, 682, 1024, 0, 0}},
    {"fit of a wide picture fills the width", 2000, 1000, 1280, 1024, false, true, {1280, 640, 1280, 640, 0, 0}},
    {"fit needs 64 bits for the product", 3000000, 4000000, 1280, 1024, false, true,
     {768, 1024, 768, 1024, 0, 0}},
    {"cover of a 1 x 20000 picture is beyond one buffer", 1, 20000, 1280, 1024, true, false, {}},
    {"cover of a 20000 x 1 picture is beyond one buffer", 20000, 1, 1280, 1024, true, false, {}},
    {"fit of a line too thin to show fails", 20000, 1, 1280, 1024, false, false, {}},
    {"a picture of no size fails", 0, 100, 1280, 1024, true, false, {}},
    {"a screen of no size fails", 100, 100, 0, 1024, false, false, {}},
};

class WallpaperSizes : public ::testing::TestWithParam<SizeCase> {};

TEST_P(WallpaperSizes, ScaleAndCutLikeTheDesktopPicture)
{
    const SizeCase& c = GetParam();
    WallpaperSize size = {-1, -1, -1, -1, -1, -1};
    ASSERT_EQ(ComputeWallpaperSize(c.width, c.height, c.screenWidth, c.screenHeight, c.cover, &size), c.ok) << c.what;
    if (!c.ok)
        return;
    EXPECT_EQ(size.scaledWidth, c.size.scaledWidth) << c.what;
    EXPECT_EQ(size.scaledHeight, c.size.scaledHeight) << c.what;
    EXPECT_EQ(size.keptWidth, c.size.keptWidth) << c.what;
    EXPECT_EQ(size.keptHeight, c.size.keptHeight) << c.what;
    EXPECT_EQ(size.left, c.size.left) << c.what;
    EXPECT_EQ(size.top, c.size.top) << c.what;
}

INSTANTIATE_TEST_SUITE_P(Table, WallpaperSizes, ::testing::ValuesIn(kSizeCases));

TEST(WallpaperSizes, FitPlacesAPortraitPictureInTheMiddle)
{
    WallpaperSize size;
    ASSERT_TRUE(ComputeWallpaperSize(1000, 1500, 1280, 1024, false, &size));
    EXPECT_EQ((1280 - size.keptWidth) >> 1, 299);
}

struct DitherCase {
    const char* what;
    int32_t width, height;
};

class DitherHighColor : public ::testing::TestWithParam<DitherCase> {};

// Worked by hand from the rule: one flat run, errors to +3, -(e/2) to +6,
// +(e/2) one row below, the last three bytes untouched.
TEST_P(DitherHighColor, SpreadsTheLostBitsAsWorkedByHand)
{
    const DitherCase& c = GetParam();
    // Exactly the picture's bytes on the heap, so ASan sees any access past them.
    std::vector<uint8_t> pixels = {13, 200, 255, 7, 6, 5, 100, 101, 102, 254, 1, 0};
    DitherToHighColor(pixels.data(), c.width, c.height);
    EXPECT_EQ(pixels, (std::vector<uint8_t>{8, 200, 248, 8, 0, 8, 104, 104, 104, 254, 4, 2})) << c.what;
}

INSTANTIATE_TEST_SUITE_P(Table, DitherHighColor,
                         ::testing::Values(DitherCase{"2 x 2", 2, 2}, DitherCase{"4 x 1: one row", 4, 1}));

TEST(DitherHighColor, ASingleRowStaysInsideItsBuffer)
{
    // 3 x width + 3 exceeds the buffer: only the second loop may run.
    for (int32_t width = 1; width <= 3; width++) {
        std::vector<uint8_t> pixels(3 * width, 0xFF);
        DitherToHighColor(pixels.data(), width, 1);
        for (size_t i = 0; i + 3 < pixels.size(); i++)
            EXPECT_EQ(pixels[i], 0xF8) << "width " << width << " byte " << i;
    }
}

TEST(DitherHighColor, LeavesFiveBitsInEveryByteButTheLastThree)
{
    const int32_t width = 1280, height = 1024;
    std::vector<uint8_t> pixels((size_t)width * height * 3);
    std::mt19937 random(20261210);
    for (uint8_t& b : pixels)
        b = (uint8_t)random();
    DitherToHighColor(pixels.data(), width, height);
    size_t kept = 0;
    for (size_t i = 0; i + 3 < pixels.size(); i++)
        kept += (pixels[i] & 7) != 0;
    EXPECT_EQ(kept, 0u);
}

struct AdjustmentCase {
    int32_t value;
    double saturation;
    int32_t threshold;
    double amount;
    int32_t blur;
};

// Steps and sharpness levels outside the dialog's range take the mildest setting.
const AdjustmentCase kAdjustmentCases[] = {
    {-4, 1.0, 200, 0.2, 20}, {-3, 1.0, 200, 0.2, 100}, {-2, 1.0, 200, 0.2, 60}, {-1, 1.0, 200, 0.2, 20},
    {0, -0.0001, 200, 0.2, 20}, {1, 0.1, 200, 0.2, 20}, {2, 0.4, 150, 0.4, 20}, {3, 0.7, 50, 1.0, 20},
    {4, 0.9, 200, 0.2, 20}, {5, 1.0, 200, 0.2, 20}, {6, 1.1, 200, 0.2, 20}, {9, 2.4, 200, 0.2, 20},
    {10, 4.0, 200, 0.2, 20}, {11, 1.0, 200, 0.2, 20},
};

class RecordAdjustments : public ::testing::TestWithParam<AdjustmentCase> {};

TEST_P(RecordAdjustments, MapToLibraryArguments)
{
    const AdjustmentCase& c = GetParam();
    EXPECT_EQ(SaturationFactor(c.value), c.saturation) << "step " << c.value;
    int32_t threshold = 0;
    double amount = 0;
    SharpenParameters(c.value, &threshold, &amount);
    EXPECT_EQ(threshold, c.threshold) << "sharpness " << c.value;
    EXPECT_EQ(amount, c.amount) << "sharpness " << c.value;
    EXPECT_EQ(BlurSize(c.value), c.blur) << "sharpness " << c.value;
}

INSTANTIATE_TEST_SUITE_P(Table, RecordAdjustments, ::testing::ValuesIn(kAdjustmentCases));

TEST(ReaderTypes, FollowTheFileTypeCodesAndGiveZeroForOthers)
{
    // file-type code -> reader type, 0..20; codes without a reader give 0.
    const int32_t expected[21] = {0, 6, 15, 1, 3, 9, 12, 19, 23, 0, 20, 0, 0, 24, 16, 0, 0, 25, 0, 0, 0};
    for (int32_t code = 0; code <= 20; code++)
        EXPECT_EQ(ReaderTypeOfFileType(code), expected[code]) << "code " << code;
    EXPECT_EQ(ReaderTypeOfFileType(-1), 0);
}

}  // namespace

namespace {

struct DueCase {
    const char* what;
    int mode;
    bool currentUsable, startPending;
    int force, manual;
    WallpaperMoment now, last;
    bool needNew;
};

const DueCase kDueCases[] = {
    {"daily: same day", WALLPAPER_DAILY, true, false, 0, 0, {14, 10, 12}, {9, 10, 12}, false},
    {"daily: next day", WALLPAPER_DAILY, true, false, 0, 0, {0, 11, 12}, {23, 10, 12}, true},
    {"daily: same day number, next month", WALLPAPER_DAILY, true, false, 0, 0, {9, 10, 1}, {9, 10, 12}, true},
    {"daily: force alone is not a new day", WALLPAPER_DAILY, true, false, 1, 0, {14, 10, 12}, {9, 10, 12}, false},
    {"hourly: same hour", WALLPAPER_HOURLY, true, false, 0, 0, {9, 10, 12}, {9, 10, 12}, false},
    {"hourly: new hour", WALLPAPER_HOURLY, true, false, 0, 0, {10, 10, 12}, {9, 10, 12}, true},
    {"hourly: same hour next day", WALLPAPER_HOURLY, true, false, 0, 0, {9, 11, 12}, {9, 10, 12}, true},
    {"each start: first call", WALLPAPER_EACH_START, true, true, 0, 0, {9, 10, 12}, {9, 10, 12}, true},
    {"each start: later call", WALLPAPER_EACH_START, true, false, 0, 0, {9, 11, 12}, {9, 10, 12}, false},
    {"each start: later call with force", WALLPAPER_EACH_START, true, false, 1, 0, {9, 10, 12}, {9, 10, 12}, true},
    {"on request: manual and force", WALLPAPER_ON_REQUEST, true, false, 1, 1, {9, 10, 12}, {9, 10, 12}, true},
    {"on request: manual alone", WALLPAPER_ON_REQUEST, true, false, 0, 1, {9, 10, 12}, {9, 10, 12}, false},
    {"unknown mode never", 7, true, true, 1, 1, {9, 11, 1}, {8, 10, 12}, false},
    {"current picture gone or unusable", WALLPAPER_DAILY, false, false, 0, 0, {9, 10, 12}, {9, 10, 12}, true},
    {"current picture unusable, on request", WALLPAPER_ON_REQUEST, false, false, 0, 0, {9, 10, 12}, {9, 10, 12},
     true},
};

class WallpaperDue : public ::testing::TestWithParam<DueCase> {};

TEST_P(WallpaperDue, FollowsTheChangeSetting)
{
    const DueCase& c = GetParam();
    EXPECT_EQ(WallpaperNeedsNew(c.mode, c.currentUsable, c.startPending, c.force, c.manual, c.now, c.last),
              c.needNew)
        << c.what;
}

INSTANTIATE_TEST_SUITE_P(Table, WallpaperDue, ::testing::ValuesIn(kDueCases));

TEST(WallpaperDue, OnlyOnRequestIgnoresTimerCalls)
{
    // force, keep, manual
    EXPECT_TRUE(WallpaperCallIgnored(WALLPAPER_ON_REQUEST, 1, 0, 0));
    EXPECT_TRUE(WallpaperCallIgnored(WALLPAPER_ON_REQUEST, 0, 1, 0));
    EXPECT_FALSE(WallpaperCallIgnored(WALLPAPER_ON_REQUEST, 1, 1, 0));
    EXPECT_FALSE(WallpaperCallIgnored(WALLPAPER_ON_REQUEST, 0, 0, 1));
    EXPECT_FALSE(WallpaperCallIgnored(WALLPAPER_DAILY, 0, 0, 0));
}

}  // namespace
