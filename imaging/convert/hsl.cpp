// RGB to hue, lightness and saturation and back, for the colour adjustments.
#include "convert.h"

#include <cmath>

void ISRGBToHSL(BYTE red, BYTE green, BYTE blue, double* hue, double* lightness, double* saturation)
{
    const double r = red / 255.0;
    const double g = green / 255.0;
    const double b = blue / 255.0;
    const double mx = std::fmax(r, std::fmax(g, b));
    const double mn = std::fmin(r, std::fmin(g, b));
    const double l = (mx + mn) / 2.0;
    double h = -1.0;
    double s = 0.0;
    if (mx != mn) {
        const double d = mx - mn;
        if (l <= 0.5) {
            s = d / (mx + mn);
        } else {
            const double denominator = 2.0 - mx - mn;
            s = denominator != 0.0 ? d / denominator : 0.0;
        }
        if (r == mx)
            h = (g - b) / d;
        else if (g == mx)
            h = (b - r) / d + 2.0;
        else
            h = (r - g) / d + 4.0;
        h *= 60.0;
        if (h < 0.0)
            h += 360.0;
    }
    if (hue)
        *hue = h;
    if (lightness)
        *lightness = l;
    if (saturation)
        *saturation = s;
}

namespace {

inline BYTE ToByte(double v)
{
    v *= 255.0;
    if (!(v > 0.0))
        return 0;
    if (v >= 255.0)
        return 255;
    return static_cast<BYTE>(v);
}

}  // namespace

void ISHSLToRGB(double hue, double lightness, double saturation, BYTE* red, BYTE* green, BYTE* blue)
{
    double r, g, b;
    if (hue < 0.0) {
        r = g = b = lightness;
    } else {
        const double m2 = lightness <= 0.5 ? lightness * (1.0 + saturation)
                                           : lightness + saturation - lightness * saturation;
        if (m2 <= 0.0) {
            r = g = b = 0.0;
        } else {
            const double m1 = 2.0 * lightness - m2;
            const double h = hue / 360.0 * 6.0;
            const double sector = std::trunc(h);
            const double f = h - sector;
            const double rise = m1 + (m2 - m1) * f;
            const double fall = m2 - (m2 - m1) * f;
            // Hues of 360 and beyond fall back to sector 0.
            switch (sector >= 0.0 && sector < 6.0 ? static_cast<int>(sector) : 0) {
            case 1: r = fall; g = m2; b = m1; break;
            case 2: r = m1; g = m2; b = rise; break;
            case 3: r = m1; g = fall; b = m2; break;
            case 4: r = rise; g = m1; b = m2; break;
            case 5: r = m2; g = m1; b = fall; break;
            default: r = m2; g = rise; b = m1; break;
            }
        }
    }
    if (red)
        *red = ToByte(r);
    if (green)
        *green = ToByte(g);
    if (blue)
        *blue = ToByte(b);
}
