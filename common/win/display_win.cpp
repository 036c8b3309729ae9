#include "common/win/display.h"

#include <cmath>

int IsTrueColorDisplay()
{
    HDC screen = GetDC(nullptr);
    if (!screen)
        return 1;
    double colours = GetDeviceCaps(screen, NUMCOLORS);
    if (colours < 0) {
        int bits = GetDeviceCaps(screen, BITSPIXEL);
        colours = std::trunc(std::pow(2.0, GetDeviceCaps(screen, PLANES) * (bits < 24 ? bits : 24)));
    }
    ReleaseDC(nullptr, screen);
    return (colours == 0 || colours > 65536) ? 1 : 0;
}

int IsHighColorDisplay()
{
    HDC display = CreateDCA("DISPLAY", nullptr, nullptr, nullptr);
    // Without a display DC nothing is known: no warning about too few colours.
    if (!display)
        return 1;
    int colours = (GetDeviceCaps(display, RASTERCAPS) & RC_PALETTE) ? GetDeviceCaps(display, SIZEPALETTE)
                                                                     : GetDeviceCaps(display, NUMCOLORS);
    DeleteDC(display);
    return (colours <= 0 || colours > 256) ? 1 : 0;
}
