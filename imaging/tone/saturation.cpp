// Saturation through a luminance-weighted colour matrix.
#include <cmath>

#include "../core/frame.h"
#include "../is5.h"
#include "tone.h"

namespace {

inline BYTE ToByte(double v) { return static_cast<BYTE>(v > 0.0 ? (v < 255.0 ? v : 255.0) : 0.0); }

}  // namespace

BOOL ISSaturationMatrix(BYTE* pixels, int32_t width, int32_t height, int32_t channels, int32_t stride,
                        double saturation, int32_t* status)
{
    int32_t dummy;
    if (!status)
        status = &dummy;
    *status = 0;
    if (!pixels || (channels != 3 && channels != 4) || width < 0 || height < 0 ||
        static_cast<int64_t>(stride) < static_cast<int64_t>(width) * channels || !std::isfinite(saturation)) {
        *status = 5;
        return FALSE;
    }
    // 0 is "no change" for the callers; they pass a small negative value for grey.
    if (saturation == 0.0)
        return TRUE;
    ISCallGuard guard;
    const double s = saturation;
    const double a = 0.3086 * (1.0 - s);
    const double b = 0.6094 * (1.0 - s);
    const double c = 0.082 * (1.0 - s);
    for (int32_t row = 0; row < height; ++row) {
        BYTE* p = pixels + static_cast<int64_t>(row) * stride;
        for (int32_t i = 0; i < width; ++i, p += channels) {
            const double r = p[0], g = p[1], bl = p[2];
            p[0] = ToByte((a + s) * r + b * g + c * bl);
            p[1] = ToByte(a * r + (b + s) * g + c * bl);
            p[2] = ToByte(a * r + b * g + (c + s) * bl);
        }
        if (ISCallProgress(row, height)) {
            *status = 14;
            return FALSE;
        }
    }
    return TRUE;
}

BOOL is5_ModifyImageSaturation(void* pixels, int32_t width, int32_t height, int32_t channels, int32_t stride,
                               double amount)
{
    static const char kName[] = "is5_ModifyImageSaturation";
    if (!ISGetThreadState())
        return FALSE;
    ISSetLastError(0, kName);
    int32_t status = 0;
    ISSaturationMatrix(static_cast<BYTE*>(pixels), width, height, channels, stride, amount, &status);
    ISSetLastError(status, kName);
    return status == 0;
}
