// Resizing inside the library: the operation base class, the dispatchers and
// the helpers that the resamplers share.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "../core/buffers.h"
#include "../core/frame.h"

// Flag bit 0 of is5_ResizeImage: 16-bit samples, strides counted in samples.
constexpr int32_t kISResize16Bit = IS5_RESIZE_16BIT;

template <typename T>
struct ISSampleTraits;
template <>
struct ISSampleTraits<BYTE> {
    static constexpr uint32_t kMax = 255;
};
template <>
struct ISSampleTraits<uint16_t> {
    static constexpr uint32_t kMax = 65535;
};

// Raises the call depth for its lifetime when asked to; the filter engine's
// operation object holds none because its working record holds one.
class ISOptionalCallGuard {
public:
    explicit ISOptionalCallGuard(bool on) : m_on(on)
    {
        if (m_on)
            ISEnterCall();
    }
    ~ISOptionalCallGuard()
    {
        if (m_on)
            ISLeaveCall();
    }
    ISOptionalCallGuard(const ISOptionalCallGuard&) = delete;
    ISOptionalCallGuard& operator=(const ISOptionalCallGuard&) = delete;

private:
    bool m_on;
};

template <typename T>
class CISResizeBaseT {
public:
    explicit CISResizeBaseT(bool withGuard = true)
        : m_guard(withGuard), m_progress(ISHasProgressCallback() != FALSE)
    {
    }
    virtual ~CISResizeBaseT() = default;
    virtual BOOL Resize(const CISImgView<const T>& src, const CISImgView<T>& dst, int32_t flags) = 0;

    int32_t m_status = 0;

protected:
    ISOptionalCallGuard m_guard;
    bool m_progress;
    const uint32_t m_maxSample = ISSampleTraits<T>::kMax;

    BOOL Fail(int32_t code)
    {
        m_status = code;
        return FALSE;
    }
    // TRUE when the user cancelled; only the outermost call on a thread reports.
    bool Cancelled(int32_t done, int32_t total) const { return m_progress && ISCallProgress(done, total); }
};

// The two dispatchers; strides of ISResize16 count samples.
BOOL ISResize8(int32_t* status, const BYTE* src, int32_t sw, int32_t sh, BYTE* dst, int32_t channels, int32_t dw,
               int32_t dh, int32_t srcStride, int32_t dstStride, int32_t mode, int32_t flags);
BOOL ISResize16(int32_t* status, const uint16_t* src, int32_t sw, int32_t sh, uint16_t* dst, int32_t channels,
                int32_t dw, int32_t dh, int32_t srcStride, int32_t dstStride, int32_t mode, int32_t flags);

// Shared by the resamplers --------------------------------------------------

// Whole sums that land a hair below a whole number keep their level.
inline double ISFlatGuard(double v) { return v + 1e-7; }

template <typename T>
inline T ISClampTrunc(double v, uint32_t maxSample)
{
    if (!(v > 0.0))
        return 0;
    if (v >= static_cast<double>(maxSample))
        return static_cast<T>(maxSample);
    return static_cast<T>(static_cast<uint32_t>(v));
}

template <typename T>
inline const T* ISRow(const CISImgView<const T>& v, int64_t y)
{
    return reinterpret_cast<const T*>(reinterpret_cast<const BYTE*>(v.pixels) + static_cast<ptrdiff_t>(y) * static_cast<ptrdiff_t>(v.stride));
}
template <typename T>
inline T* ISRow(const CISImgView<T>& v, int64_t y)
{
    return reinterpret_cast<T*>(reinterpret_cast<BYTE*>(v.pixels) + static_cast<ptrdiff_t>(y) * static_cast<ptrdiff_t>(v.stride));
}

// Same size and same stride: a row-by-row copy of the pixels only, so a buffer
// sized exactly to its last row is not overrun.
template <typename T>
bool ISResizeCopyIfSame(const CISImgView<const T>& src, const CISImgView<T>& dst)
{
    if (src.width != dst.width || src.height != dst.height || src.stride != dst.stride)
        return false;
    const size_t bytes = static_cast<size_t>(src.width) * src.channels * sizeof(T);
    for (uint32_t y = 0; y < src.height; ++y)
        std::memmove(ISRow(dst, y), ISRow(src, y), bytes);
    return true;
}
