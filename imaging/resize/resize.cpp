#include <new>
#include <type_traits>

#include "../is5.h"
#include "filter_resize.h"
#include "resamplers.h"
#include "resize.h"

namespace {

template <typename T>
CISImgView<T> MakeView(T* pixels, int32_t width, int32_t height, int32_t channels, int32_t stride)
{
    CISImgView<T> v;
    v.width = static_cast<uint32_t>(width);
    v.height = static_cast<uint32_t>(height);
    v.channels = static_cast<uint32_t>(channels);
    v.stride = static_cast<size_t>(stride) * sizeof(typename std::remove_const<T>::type);
    v.pixels = pixels;
    return v;
}

// Every mode needs real buffers, positive sizes and rows that hold their pixels.
bool ArgumentsValid(const void* src, int32_t sw, int32_t sh, const void* dst, int32_t channels, int32_t dw, int32_t dh,
                    int32_t srcStride, int32_t dstStride)
{
    if (!src || !dst || sw < 1 || sh < 1 || dw < 1 || dh < 1 || channels < 1)
        return false;
    return static_cast<int64_t>(srcStride) >= static_cast<int64_t>(sw) * channels &&
           static_cast<int64_t>(dstStride) >= static_cast<int64_t>(dw) * channels;
}

template <typename T>
BOOL RunOperation(CISResizeBaseT<T>& op, const CISImgView<const T>& src, const CISImgView<T>& dst, int32_t flags,
                  int32_t* status)
{
    BOOL ok;
    try {
        ok = op.Resize(src, dst, flags);
        *status = op.m_status;
    } catch (const ISException& e) {
        *status = e.Code() ? e.Code() : 1;
        ok = FALSE;
    } catch (const std::bad_alloc&) {
        *status = 1;
        ok = FALSE;
    }
    if (*status != 0)
        ok = FALSE;
    return ok;
}

// Modes 14 to 18, shared by both sample types; `wholeRatios` picks plain
// decimation for mode 15.
template <typename T>
BOOL RunResampler(int32_t mode, bool wholeRatios, const CISImgView<const T>& src, const CISImgView<T>& dst,
                  int32_t flags, int32_t* status)
{
    switch (mode) {
    case IS5_RESIZE_DECIMATE: {
        CISImgDecimateT<T> op;
        return RunOperation<T>(op, src, dst, flags, status);
    }
    case IS5_RESIZE_DECIMATE_EX: {
        if (wholeRatios) {
            CISImgDecimateT<T> op;
            return RunOperation<T>(op, src, dst, flags, status);
        }
        CISImgDecimateExT<T> op;
        return RunOperation<T>(op, src, dst, flags, status);
    }
    case IS5_RESIZE_BILINEAR: {
        CISImgResizeBilinearT<T> op;
        return RunOperation<T>(op, src, dst, flags, status);
    }
    case IS5_RESIZE_BICUBIC: {
        CISBicubicResizeT<T> op;
        return RunOperation<T>(op, src, dst, flags, status);
    }
    case IS5_RESIZE_NEAREST: {
        CISSimpleResize<T> op;
        return RunOperation<T>(op, src, dst, flags, status);
    }
    default:
        *status = 5;
        return FALSE;
    }
}

}  // namespace

BOOL ISResize8(int32_t* status, const BYTE* src, int32_t sw, int32_t sh, BYTE* dst, int32_t channels, int32_t dw,
               int32_t dh, int32_t srcStride, int32_t dstStride, int32_t mode, int32_t flags)
{
    *status = 5;
    if (!ArgumentsValid(src, sw, sh, dst, channels, dw, dh, srcStride, dstStride) || mode < IS5_RESIZE_BOX ||
        mode > IS5_RESIZE_NEAREST)
        return FALSE;
    const CISImgView<const BYTE> in = MakeView(src, sw, sh, channels, srcStride);
    const CISImgView<BYTE> out = MakeView(dst, dw, dh, channels, dstStride);
    if (mode <= IS5_RESIZE_CATMULL_ROM) {
        CISImgFilterResizeT op(mode);
        return RunOperation<BYTE>(op, in, out, flags, status);
    }
    const bool wholeRatios = (sw / dw) * dw == sw && (sh / dh) * dh == sh;
    return RunResampler<BYTE>(mode, wholeRatios, in, out, flags, status);
}

BOOL ISResize16(int32_t* status, const uint16_t* src, int32_t sw, int32_t sh, uint16_t* dst, int32_t channels,
                int32_t dw, int32_t dh, int32_t srcStride, int32_t dstStride, int32_t mode, int32_t flags)
{
    *status = 5;
    if (!ArgumentsValid(src, sw, sh, dst, channels, dw, dh, srcStride, dstStride) || mode < IS5_RESIZE_DECIMATE ||
        mode > IS5_RESIZE_NEAREST)
        return FALSE;
    const CISImgView<const uint16_t> in = MakeView(src, sw, sh, channels, srcStride);
    const CISImgView<uint16_t> out = MakeView(dst, dw, dh, channels, dstStride);
    return RunResampler<uint16_t>(mode, false, in, out, flags, status);
}

extern "C" BOOL is5_ResizeImage(const void* source, int32_t width, int32_t height, int32_t stride, void* target,
                                int32_t targetWidth, int32_t targetHeight, int32_t targetStride, int32_t channels,
                                int32_t mode, int32_t flags)
{
    static const char kName[] = "is5_ResizeImage";
    if (!ISGetThreadState())
        return FALSE;
    ISSetLastError(0, kName);
    int32_t status = 0;
    BOOL ok;
    if (flags & kISResize16Bit)
        ok = ISResize16(&status, static_cast<const uint16_t*>(source), width, height, static_cast<uint16_t*>(target),
                        channels, targetWidth, targetHeight, stride, targetStride, mode, flags);
    else
        ok = ISResize8(&status, static_cast<const BYTE*>(source), width, height, static_cast<BYTE*>(target), channels,
                       targetWidth, targetHeight, stride, targetStride, mode, flags);
    ISSetLastError(status, kName);
    return ok && status == 0 ? TRUE : FALSE;
}
