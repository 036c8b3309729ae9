// Building the desktop picture from a decoded picture: scaling to the screen,
// the record's adjustments and the colour reduction. Portable.
#pragma once

#include <cstdint>

#include "imaging/platform/winshim.h"

struct PictureRecord;

// The record's brightness, contrast, saturation and sharpness, in place on
// packed 24-bit rows (stride width x 3). A null record changes nothing.
void ProcessImage(BYTE* pixels, int width, int height, const PictureRecord* record);

// The desktop picture of screenWidth x screenHeight (packed 24-bit rows, top
// down) from a picture of width x height: covered and cut from the middle, or
// fitted whole on the record's background; then the record's adjustments and,
// with reduceColours, the reduction to 5 bits a channel. NULL when a size is
// out of range or memory runs out; the caller frees the result with GlobalFree.
uint8_t* BuildWallpaperPixels(const uint8_t* picture, uint32_t width, uint32_t height, int32_t screenWidth,
                              int32_t screenHeight, const PictureRecord* record, int reduceColours);
