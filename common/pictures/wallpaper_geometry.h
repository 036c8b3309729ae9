// Sizes of the desktop picture: how a picture of w x h is scaled to a screen
// of W x H (cover: fill and cut the middle; fit: whole on the background) and
// the colour reduction for screens of 65,536 colours or fewer. Portable.
#pragma once

#include <cstdint>

struct WallpaperSize {
    int32_t scaledWidth, scaledHeight;   // size after scaling
    int32_t keptWidth, keptHeight;       // size cut from the middle of it
    int32_t left, top;                   // where the cut starts in the scaled picture
};

// False when a size is 0 or the scaled picture would not fit in one buffer;
// nothing is converted from float before that check.
bool ComputeWallpaperSize(uint32_t width, uint32_t height, int32_t screenWidth, int32_t screenHeight, bool cover,
                          WallpaperSize* size);

// Keeps the top 5 bits of every byte, spreading the rest to the neighbours;
// the buffer is one flat run of width x height x 3 bytes, the last 3 untouched.
void DitherToHighColor(uint8_t* pixels, int32_t width, int32_t height);
