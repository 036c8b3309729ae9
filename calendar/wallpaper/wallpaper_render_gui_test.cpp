// The desktop picture on a real display (the test's Xvfb): unreduced on a
// true-colour screen, reduced to 5 bits a channel on 65,536 colours or fewer.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "imaging/is5.h"
#include "common/picturedb/picture_record.h"
#include "tests/support/test_support.h"
#include "common/win/display.h"
#include "wallpaper/wallpaper.h"
#include "wallpaper/wallpaper_render.h"

namespace {

// The pixels of a 24-bit BMP whose rows need no padding, top-down RGB.
std::vector<uint8_t> BmpPixels(const std::string& path, int width, int height)
{
    std::vector<uint8_t> b;
    if (!vt::ReadFileBytes(path, &b) || b.size() != 54 + (size_t)width * height * 3 || b[28] != 24)
        return {};
    std::vector<uint8_t> rgb(b.size() - 54);
    for (int y = 0; y < height; y++) {
        const uint8_t* from = b.data() + 54 + (size_t)(height - 1 - y) * width * 3;
        uint8_t* to = rgb.data() + (size_t)y * width * 3;
        for (int x = 0; x < width; x++) {
            to[x * 3] = from[x * 3 + 2];
            to[x * 3 + 1] = from[x * 3 + 1];
            to[x * 3 + 2] = from[x * 3];
        }
    }
    return rgb;
}

TEST(WallpaperOnDisplay, FollowsTheScreensColourDepth)
{
    is5_Initialize("");
    const std::string picture = vt::FixturePath("wp_smooth.jpg");
    const std::string out = vt::BuildPath("wallpaper_render_display.bmp");
    PictureRecord record;
    MakeBuiltinPictureRecord(1, &record);
    ASSERT_EQ(RenderFileWallpaper(picture.c_str(), out.c_str(), 1280, 1024, 1, &record), 1);
    std::vector<uint8_t> written = BmpPixels(out, 1280, 1024);
    ASSERT_FALSE(written.empty());

    HISSRC source = is5_OpenFileSource(picture.c_str());
    ASSERT_NE(source, nullptr);
    uint32_t w = 0, h = 0;
    void* decoded = is5_ReadImage(source, &w, &h, 0, 0);
    is5_CloseSource(source);
    ASSERT_NE(decoded, nullptr);
    const int reduce = IsTrueColorDisplay() ? 0 : 1;
    RecordProperty("reduced", reduce);
    uint8_t* built = BuildWallpaperPixels((const uint8_t*)decoded, w, h, 1280, 1024, &record, reduce);
    GlobalFree(decoded);
    ASSERT_NE(built, nullptr);
    EXPECT_TRUE(written == std::vector<uint8_t>(built, built + written.size())) << "reduced " << reduce;
    GlobalFree(built);

    if (reduce) {
        size_t kept = 0;
        for (size_t i = 0; i + 3 < written.size(); i++)
            kept += (written[i] & 7) != 0;
        EXPECT_EQ(kept, 0u);
    }
}

}  // namespace
