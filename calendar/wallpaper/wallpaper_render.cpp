#include "wallpaper/wallpaper_render.h"

#include <cstring>

#include "imaging/is5.h"
#include "common/picturedb/picture_record.h"
#include "common/pictures/wallpaper_geometry.h"
#include "common/pictures/wallpaper_tables.h"

namespace {

uint8_t* NewPixels(int32_t width, int32_t height)
{
    return (uint8_t*)GlobalAlloc(GMEM_ZEROINIT, (SIZE_T)width * (SIZE_T)height * 3);
}

void FreePixels(uint8_t* pixels)
{
    if (pixels)
        GlobalFree(pixels);
}

// A filter that needs a separate target: the result replaces the pixels
// only when the filter succeeded.
template <typename Filter>
void FilterThroughCopy(BYTE* pixels, int width, int height, Filter filter)
{
    uint8_t* work = NewPixels(width, height);
    if (!work)
        return;
    if (filter(work))
        std::memcpy(pixels, work, (size_t)width * (size_t)height * 3);
    FreePixels(work);
}

}  // namespace

void ProcessImage(BYTE* pixels, int width, int height, const PictureRecord* record)
{
    if (!pixels || !record || width <= 0 || height <= 0)
        return;
    if ((uint64_t)width * (uint64_t)height * 3 > 0x7FFFFFFFu)
        return;
    const int32_t stride = width * 3;
    if (record->brightness != 0)
        is5_AdjustBrightnessContrast(pixels, width, height, 3, stride, record->brightness / 100.0, 0.0,
                                     IS5_TONE_THREE_POINTS);
    if (record->contrast != 0)
        is5_AdjustBrightnessContrast(pixels, width, height, 3, stride, 0.0, record->contrast / 100.0,
                                     IS5_TONE_THREE_POINTS);
    if (record->saturationStep != 5) {
        // Steps outside the table give 1.0, which changes nothing.
        double factor = SaturationFactor(record->saturationStep);
        if (factor != 1.0)
            is5_ModifyImageSaturation(pixels, width, height, 3, stride, factor);
    }
    if (record->sharpness > 0) {
        int32_t threshold = 0;
        double amount = 0;
        SharpenParameters(record->sharpness, &threshold, &amount);
        FilterThroughCopy(pixels, width, height, [&](uint8_t* work) {
            return is5_UnsharpMaskImage(pixels, width, height, 3, stride, work, stride, threshold, amount, 2.0,
                                        IS5_BLUR_RGB);
        });
    } else if (record->sharpness < 0) {
        const int32_t size = BlurSize(record->sharpness);
        FilterThroughCopy(pixels, width, height, [&](uint8_t* work) {
            return is5_BlurImage(pixels, width, height, 3, stride, work, stride, size, 1.0, IS5_BLUR_RGB);
        });
    }
}

uint8_t* BuildWallpaperPixels(const uint8_t* picture, uint32_t width, uint32_t height, int32_t screenWidth,
                              int32_t screenHeight, const PictureRecord* record, int reduceColours)
{
    if (!picture || !record || width == 0 || height == 0 || screenWidth <= 0 || screenHeight <= 0)
        return nullptr;
    if ((uint64_t)screenWidth * (uint64_t)screenHeight * 3 > 0x7FFFFFFFu || (uint64_t)width * 3 > 0x7FFFFFFFu)
        return nullptr;

    // Fit needs the background canvas; without one the picture covers the screen.
    uint8_t* canvas = nullptr;
    if (!record->cropToFill) {
        canvas = NewPixels(screenWidth, screenHeight);
        if (canvas) {
            RECT whole = {0, 0, screenWidth, screenHeight};
            if (!is5_FillSolidRect(canvas, (uint32_t)screenWidth, (uint32_t)screenHeight, 3,
                                   (uint32_t)screenWidth * 3, &whole, record->background, 0)) {
                FreePixels(canvas);
                return nullptr;
            }
        }
    }
    const bool cover = canvas == nullptr;

    WallpaperSize size;
    if (!ComputeWallpaperSize(width, height, screenWidth, screenHeight, cover, &size)) {
        FreePixels(canvas);
        return nullptr;
    }

    uint8_t* scaled = NewPixels(size.scaledWidth, size.scaledHeight);
    if (!scaled || !is5_ResizeImage(picture, (int32_t)width, (int32_t)height, (int32_t)(width * 3), scaled,
                                    size.scaledWidth, size.scaledHeight, size.scaledWidth * 3, 3,
                                    IS5_RESIZE_BICUBIC, 0)) {
        FreePixels(scaled);
        FreePixels(canvas);
        return nullptr;
    }

    uint8_t* kept = scaled;
    if (size.keptWidth != size.scaledWidth || size.keptHeight != size.scaledHeight) {
        kept = NewPixels(size.keptWidth, size.keptHeight);
        RECT middle = {size.left, size.top, size.left + size.keptWidth, size.top + size.keptHeight};
        if (!kept || !is5_CropImage(scaled, (uint32_t)size.scaledWidth, (uint32_t)size.scaledHeight,
                                    (uint32_t)size.scaledWidth * 3, kept, (uint32_t)size.keptWidth * 3, &middle,
                                    3)) {
            FreePixels(kept);
            FreePixels(scaled);
            FreePixels(canvas);
            return nullptr;
        }
        FreePixels(scaled);
    }

    ProcessImage(kept, size.keptWidth, size.keptHeight, record);
    if (reduceColours)
        DitherToHighColor(kept, size.keptWidth, size.keptHeight);
    if (cover)
        return kept;

    BOOL placed = is5_OverlayImage(canvas, screenWidth, screenHeight, 3, screenWidth * 3, kept, size.keptWidth,
                                   size.keptHeight, size.keptWidth * 3, (screenWidth - size.keptWidth) >> 1,
                                   (screenHeight - size.keptHeight) >> 1, 1.0, 0.0, IS5_OVERLAY_COPY, 0);
    FreePixels(kept);
    if (!placed) {
        FreePixels(canvas);
        return nullptr;
    }
    return canvas;
}
