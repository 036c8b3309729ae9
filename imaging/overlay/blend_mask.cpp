// A solid colour blended into an image through an 8-bit coverage mask
// (smoothed text).
#include "../core/frame.h"
#include "overlay.h"

namespace {

inline BYTE Blend(BYTE s, BYTE c, BYTE m) { return static_cast<BYTE>(g_isProduct[255 - m][s] + g_isProduct[m][c]); }

int SubMode(uint32_t flags)
{
    if (flags & 0x20)
        return 5;
    if (flags & 0x10)
        return 4;
    if (flags & 0x8)
        return 3;
    if (flags & 0x4)
        return 2;
    if (flags & 0x2)
        return 1;
    return 0;
}

bool BadGeometry(int32_t width, int32_t height, int32_t channels, int32_t stride)
{
    return width < 0 || height < 0 || channels < 1 ||
           static_cast<int64_t>(stride) < static_cast<int64_t>(width) * channels;
}

}  // namespace

BOOL ISBlendMask8(BYTE* image, int32_t width, int32_t height, int32_t channels, int32_t stride, const BYTE* mask,
                  int32_t maskWidth, int32_t maskHeight, int32_t maskStride, uint32_t colour, int32_t x, int32_t y,
                  uint32_t flags, int32_t* status)
{
    int32_t dummy;
    if (!status)
        status = &dummy;
    *status = 0;
    if (!image || !mask || BadGeometry(width, height, channels, stride) ||
        BadGeometry(maskWidth, maskHeight, 1, maskStride)) {
        *status = 5;
        return FALSE;
    }
    ISCallGuard guard;
    if (channels != 3 && channels != 4)
        return TRUE;
    RECT r;
    if (!ISOverlapRect(x, y, maskWidth, maskHeight, width, height, &r))
        return TRUE;

    BYTE c[4] = {static_cast<BYTE>(colour), static_cast<BYTE>(colour >> 8), static_cast<BYTE>(colour >> 16),
                 static_cast<BYTE>(colour >> 24)};
    if (flags & 1) {
        BYTE t = c[0];
        c[0] = c[2];
        c[2] = t;
    }
    const int sub = channels == 4 ? SubMode(flags) : 0;
    const int32_t rows = r.bottom - r.top;
    for (int32_t i = 0; i < rows; ++i) {
        const int64_t row = static_cast<int64_t>(r.top) + i;
        BYTE* p = image + row * stride + static_cast<int64_t>(r.left) * channels;
        const BYTE* m = mask + (row - y) * maskStride + (static_cast<int64_t>(r.left) - x);
        for (int32_t col = r.left; col < r.right; ++col, p += channels, ++m) {
            const BYTE cov = *m;
            switch (sub) {
            case 0:
                for (int k = 0; k < 3; ++k)
                    p[k] = Blend(p[k], c[k], cov);
                break;
            case 1:
                for (int k = 0; k < 4; ++k)
                    p[k] = Blend(p[k], c[k], cov);
                break;
            case 2:
            case 3:
                for (int k = 0; k < 3; ++k)
                    p[k] = Blend(p[k], c[k], cov);
                if (cov != 0)
                    p[3] = sub == 2 ? c[3] : cov;
                break;
            case 4:
                p[0] = c[0];
                p[1] = c[1];
                p[2] = c[2];
                p[3] = cov;
                break;
            default: {
                const int w = p[3];
                if (w == 0)
                    break;
                const int b = (255 - cov) * w / 255 + cov;
                const int f = cov * 255 / b;
                for (int k = 0; k < 3; ++k)
                    p[k] = static_cast<BYTE>((p[k] * (255 - f) + c[k] * f) / 255);
                break;
            }
            }
        }
        if (ISCallProgress(i, rows)) {
            *status = 14;
            return FALSE;
        }
    }
    return TRUE;
}
