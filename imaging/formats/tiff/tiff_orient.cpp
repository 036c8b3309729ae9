// Bringing a bottom-up raster upright by the TIFF Orientation tag.
#include "../../convert/convert.h"
#include "../rotate/rotate.h"
#include "tiff_reader.h"

namespace {

struct Steps {
    bool flipRows;
    bool mirror;
    int32_t rotation;  // -1 none
};

Steps StepsFor(uint16_t orientation)
{
    switch (orientation) {
    case 2: return {true, true, -1};
    case 3: return {false, true, -1};
    case 4: return {false, false, -1};
    case 5: return {false, false, 0};
    case 6: return {true, false, 2};
    case 7: return {false, false, 2};
    case 8: return {false, true, 2};
    default: return {true, false, -1};
    }
}

}  // namespace

bool ISTiffOrientationRotates(uint16_t orientation) { return StepsFor(orientation).rotation >= 0; }

void ISTiffPlainSteps(uint16_t orientation, bool bottomUp, bool* storedOrder, bool* mirror)
{
    const Steps steps = StepsFor(orientation);
    *storedOrder = steps.flipRows != bottomUp;
    *mirror = steps.mirror;
}

bool ISTiffOrient(BYTE* pixels, uint32_t width, uint32_t height, size_t stride, uint32_t kind, uint32_t pixelSize,
                  uint16_t orientation, bool bottomUp, BYTE* target, size_t targetStride, int32_t* status)
{
    const Steps steps = StepsFor(orientation);
    BYTE* out = pixels;
    size_t outStride = stride;
    if (steps.rotation >= 0) {
        CISRotate rotate;
        BOOL ok = FALSE;
        const uint32_t mode = static_cast<uint32_t>(steps.rotation);
        if (kind == 1)
            ok = rotate.Rotate1Bit(pixels, target, width, height, mode + 8, stride, targetStride);
        else if (kind == 8)
            ok = rotate.Rotate8(pixels, width, height, stride, target, targetStride, mode, pixelSize);
        else
            ok = rotate.Rotate16(reinterpret_cast<const uint16_t*>(pixels), width, height, stride / 2,
                                 reinterpret_cast<uint16_t*>(target), targetStride / 2, mode, pixelSize);
        if (!ok) {
            *status = rotate.m_status != 0 ? rotate.m_status : 5;
            return false;
        }
        const uint32_t swap = width;
        width = height;
        height = swap;
        out = target;
        outStride = targetStride;
    }
    CISImgUtil util;
    if (steps.flipRows != bottomUp)
        util.ISFlipVertical(out, outStride, height);
    if (steps.mirror) {
        if (kind == 1)
            util.ISFlipHorizontal1Bit(out, width, height, outStride);
        else if (kind == 8)
            util.ISFlipHorizontal(out, width, height, pixelSize, outStride);
        else
            util.ISFlipHorizontal16(reinterpret_cast<uint16_t*>(out), width, height, pixelSize, outStride / 2);
    }
    return true;
}
