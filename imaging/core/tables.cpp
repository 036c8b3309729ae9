// Process-wide settings and the lookup tables of the pixel code.
#include <cstring>

#include "frame.h"

BYTE g_isProduct[256][256];
RGBQUAD g_isGreyPalette[256];
const BYTE g_isBitMask[8] = {0x80, 0x40, 0x20, 0x10, 0x08, 0x04, 0x02, 0x01};
const BYTE g_isSingleBit[8] = {0x01, 0x02, 0x04, 0x08, 0x10, 0x20, 0x40, 0x80};
const BYTE g_isSingleBitInv[8] = {0xFE, 0xFD, 0xFB, 0xF7, 0xEF, 0xDF, 0xBF, 0x7F};
BYTE g_isBitReverse[256];
BYTE g_isBitReverseInv[256];
BYTE g_isPartialMask[8][8];
BYTE g_isByteToPixels[256][8];
BYTE g_isByteToPixels2[256][8];

void ISInitTables()
{
    for (int a = 0; a < 256; ++a)
        for (int b = 0; b < 256; ++b)
            g_isProduct[a][b] = static_cast<BYTE>(static_cast<int>(b * (a / 255.0)));
    for (int i = 0; i < 256; ++i) {
        g_isGreyPalette[i].rgbBlue = g_isGreyPalette[i].rgbGreen = g_isGreyPalette[i].rgbRed = static_cast<BYTE>(i);
        g_isGreyPalette[i].rgbReserved = 0;
        int reversed = 0;
        for (int bit = 0; bit < 8; ++bit) {
            if (i & (1 << bit))
                reversed |= 0x80 >> bit;
            g_isByteToPixels[i][bit] = g_isByteToPixels2[i][bit] = static_cast<BYTE>((i >> (7 - bit)) & 1);
        }
        g_isBitReverse[i] = static_cast<BYTE>(reversed);
        g_isBitReverseInv[i] = static_cast<BYTE>(~reversed);
    }
    for (int r = 0; r < 8; ++r)
        for (int j = 0; j < 8; ++j)
            g_isPartialMask[r][j] = static_cast<BYTE>((255 >> (7 - r)) & (255 << j));
}

ISGlobalSettings& ISSettings()
{
    static ISGlobalSettings* settings = [] {
        ISGlobalSettings* s = new ISGlobalSettings;
        s->copy = std::memcpy;
        ISInitTables();
        return s;
    }();
    return *settings;
}

namespace {
// Builds the settings and tables before the program's entry point runs.
const bool g_settingsReady = (ISSettings(), true);
}  // namespace
