#include "common/pictures/wallpaper_geometry.h"

#include "imaging/is5.h"

namespace {

// A 24-bit buffer of width x height fits in one allocation.
bool FitsBuffer(double width, double height)
{
    return width >= 1.0 && height >= 1.0 && width * height * 3.0 <= (double)IS5_MAX_ALLOC;
}

}  // namespace

bool ComputeWallpaperSize(uint32_t width, uint32_t height, int32_t screenWidth, int32_t screenHeight, bool cover,
                          WallpaperSize* size)
{
    if (width == 0 || height == 0 || screenWidth <= 0 || screenHeight <= 0)
        return false;
    // The ratio is a 32-bit float and the products are computed in float: the
    // pictures' sizes (1753 x 1200 to 1495 x 1024) come out of that rounding.
    // trunc(x) < H is x < H for x >= 0, so no float is converted before the
    // size it gives is known to fit.
    float ratio = (float)height / (float)width;
    float scaledHeight = (float)screenWidth * ratio;
    int64_t newWidth = screenWidth;
    int64_t newHeight = 0;
    if (cover) {
        if (scaledHeight < (float)screenHeight) {
            ratio = (float)width / (float)height;
            float scaledWidth = (float)screenHeight * ratio;
            if (!FitsBuffer(scaledWidth, screenHeight))
                return false;
            newWidth = (int64_t)scaledWidth;
            newHeight = screenHeight;
        } else {
            if (!FitsBuffer(screenWidth, scaledHeight))
                return false;
            newHeight = (int64_t)scaledHeight;
        }
        size->keptWidth = screenWidth;
        size->keptHeight = screenHeight;
    } else {
        if (scaledHeight >= (float)screenHeight + 1.0f) {
            newWidth = (int64_t)screenHeight * width / height;
            newHeight = screenHeight;
        } else {
            newHeight = (int64_t)scaledHeight;
        }
        if (!FitsBuffer((double)newWidth, (double)newHeight))
            return false;
        size->keptWidth = (int32_t)newWidth;
        size->keptHeight = (int32_t)newHeight;
    }
    if (newWidth < 1 || newHeight < 1 || newWidth < size->keptWidth || newHeight < size->keptHeight)
        return false;
    size->scaledWidth = (int32_t)newWidth;
    size->scaledHeight = (int32_t)newHeight;
    size->left = (int32_t)((uint32_t)(newWidth - size->keptWidth) >> 1);
    size->top = (int32_t)((uint32_t)(newHeight - size->keptHeight) >> 1);
    return true;
}

void DitherToHighColor(uint8_t* pixels, int32_t width, int32_t height)
{
    if (!pixels || width <= 0 || height <= 0)
        return;
    const int64_t count = (int64_t)width * height * 3;
    const int64_t below = 3 * (int64_t)width;
    // Signed: on a single row the first loop would reach past the buffer.
    const int64_t spreadEnd = count - below - 3;
    int64_t i = 0;
    for (; i < spreadEnd; i++) {
        int v = pixels[i];
        int e = v & 7;
        int right = pixels[i + 3] + e;
        pixels[i + 3] = (uint8_t)(right > 255 ? 255 : right);
        int next = pixels[i + 6] - (e >> 1);
        pixels[i + 6] = (uint8_t)(next < 0 ? 0 : next);
        int down = pixels[i + below] + (e >> 1);
        pixels[i + below] = (uint8_t)(down > 255 ? 255 : down);
        pixels[i] = (uint8_t)(v & 0xF8);
    }
    for (; i < count - 3; i++) {
        int v = pixels[i];
        int right = pixels[i + 3] + (v & 7);
        pixels[i + 3] = (uint8_t)(right > 255 ? 255 : right);
        pixels[i] = (uint8_t)(v & 0xF8);
    }
}
