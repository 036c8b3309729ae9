// Brightness and contrast through a tone curve of 3, 5 or 7 control points.
#include <cmath>

#include "../convert/convert.h"
#include "../core/frame.h"
#include "../is5.h"
#include "tone.h"

namespace {

inline double Clamp(double v, double lo, double hi) { return v < lo ? lo : (v > hi ? hi : v); }

inline BYTE ClampByte(int v) { return static_cast<BYTE>(v < 0 ? 0 : (v > 255 ? 255 : v)); }

// Each pixel's first three bytes move by the table's offset at their mean.
bool GreyOffset(BYTE* pixels, int32_t width, int32_t height, int32_t channels, int32_t stride, const BYTE* table)
{
    for (int32_t row = 0; row < height; ++row) {
        BYTE* p = pixels + static_cast<int64_t>(row) * stride;
        for (int32_t i = 0; i < width; ++i, p += channels) {
            int m = (p[0] + p[1] + p[2]) / 3;
            int offset = table[m] - m;
            p[0] = ClampByte(p[0] + offset);
            p[1] = ClampByte(p[1] + offset);
            p[2] = ClampByte(p[2] + offset);
        }
        if (ISCallProgress(row, height))
            return false;
    }
    return true;
}

// Only the lightness goes through the table; hue and saturation stay.
void Lightness(BYTE* pixels, int32_t width, int32_t height, int32_t channels, int32_t stride, const BYTE* table)
{
    for (int32_t row = 0; row < height; ++row) {
        BYTE* p = pixels + static_cast<int64_t>(row) * stride;
        for (int32_t i = 0; i < width; ++i, p += channels) {
            double h, l, s;
            ISRGBToHSL(p[0], p[1], p[2], &h, &l, &s);
            double scaled = l * 255.0;
            int index = scaled > 0.0 ? (scaled < 255.0 ? static_cast<int>(scaled) : 255) : 0;
            ISHSLToRGB(h, table[index] / 255.0, s, &p[0], &p[1], &p[2]);
        }
    }
}

}  // namespace

void ISCurveToTable(const ISCurvePoint* points, int32_t count, double* table, int32_t size, double low, double high)
{
    for (int32_t i = 0; i + 1 < count; ++i) {
        const ISCurvePoint& a = points[i];
        const ISCurvePoint& b = points[i + 1];
        const double dx = b.x - a.x;
        const double slope = dx > 0.0 ? (b.y - a.y) / dx : 0.0;
        const int64_t start = static_cast<int64_t>(a.x);
        // The last segment always runs to the end of the table.
        const int64_t end = i + 2 == count ? size - 1 : start + static_cast<int64_t>(dx);
        for (int64_t k = 0; start + k <= end && start + k < size; ++k) {
            if (start + k < 0)
                continue;
            table[start + k] = Clamp(a.y + static_cast<double>(k) * slope, low, high);
        }
    }
}

void ISBrightnessContrastTable(double brightness, double contrast, uint32_t flags, BYTE table[256])
{
    const int n = (flags & kISToneThreePoints) ? 3 : ((flags & kISToneSevenPoints) ? 7 : 5);
    const double b = Clamp(brightness, -1.0, 1.0);
    const double c = Clamp(contrast, -0.99, 0.99);

    ISCurvePoint first, last;
    if (c < 0) {
        first = {0.0, -127.0 * c};
        last = {255.0, 255.0 + 127.0 * c};
    } else {
        first = {127.0 * c, 0.0};
        last = {255.0 - 127.0 * c, 255.0};
    }
    const ISCurvePoint middle = {128.0, 128.0};
    const double j = 1.0 - std::fabs(c);
    const ISCurvePoint p1 = {(first.x + 128.0) / 2.0, first.y + j * (128.0 - first.y) / 2.0};
    const ISCurvePoint p3 = {(last.x + 128.0) / 2.0, last.y - j * (last.y - 128.0) / 2.0};

    ISCurvePoint points[7];
    if (n == 3) {
        points[0] = first;
        points[1] = middle;
        points[2] = last;
    } else if (n == 5) {
        points[0] = first;
        points[1] = p1;
        points[2] = middle;
        points[3] = p3;
        points[4] = last;
    } else {
        const ISCurvePoint q1 = {(first.x + p1.x) / 2.0, first.y + j * (p1.y - first.y) / 2.0};
        const ISCurvePoint q5 = {(p3.x + last.x) / 2.0, last.y - j * (last.y - p3.y) / 2.0};
        points[0] = first;
        points[1] = q1;
        points[2] = p1;
        points[3] = middle;
        points[4] = p3;
        points[5] = q5;
        points[6] = last;
    }

    double curve[256];
    for (int i = 0; i < 256; ++i)
        curve[i] = i <= 128 ? 0.0 : 255.0;
    ISCurveToTable(points, n, curve, 256, 0.0, 255.0);
    for (int i = 0; i < 256; ++i)
        table[i] = static_cast<BYTE>(Clamp(curve[i] + b * 255.0, 0.0, 255.0));
}

BOOL ISBrightnessContrast(BYTE* pixels, int32_t width, int32_t height, int32_t channels, int32_t stride,
                          double brightness, double contrast, uint32_t flags, int32_t* status)
{
    int32_t dummy;
    if (!status)
        status = &dummy;
    *status = 0;
    if (!pixels || channels < 1 || channels > 4 || width < 0 || height < 0 ||
        static_cast<int64_t>(stride) < static_cast<int64_t>(width) * channels || !std::isfinite(brightness) ||
        !std::isfinite(contrast)) {
        *status = 5;
        return FALSE;
    }
    if (width == 0 || height == 0)
        return TRUE;

    BYTE table[256];
    ISBrightnessContrastTable(brightness, contrast, flags, table);

    if (channels >= 3 && (flags & kISToneGreyOffset)) {
        ISCallGuard guard;
        if (!GreyOffset(pixels, width, height, channels, stride, table)) {
            *status = 14;
            return FALSE;
        }
        return TRUE;
    }
    if (channels >= 3 && (flags & kISToneLightness)) {
        ISCallGuard guard;
        Lightness(pixels, width, height, channels, stride, table);
        return TRUE;
    }
    const BYTE* tables[4] = {table, table, table, table};
    if (channels == 4 && (flags & kISToneKeepAlpha))
        tables[3] = nullptr;
    // The table routine holds the call depth itself, so its rows report progress.
    return ISApplyChannelLUT(pixels, width, height, channels, stride, tables, status);
}

BOOL is5_AdjustBrightnessContrast(void* pixels, int32_t width, int32_t height, int32_t channels, int32_t stride,
                                  double brightness, double contrast, uint32_t flags)
{
    static const char kName[] = "is5_AdjustBrightnessContrast";
    if (!ISGetThreadState())
        return FALSE;
    ISSetLastError(0, kName);
    int32_t status = 0;
    ISBrightnessContrast(static_cast<BYTE*>(pixels), width, height, channels, stride, brightness, contrast, flags,
                         &status);
    ISSetLastError(status, kName);
    return status == 0;
}
