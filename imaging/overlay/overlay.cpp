// is5_OverlayImage: argument checks, clipping, and the split of large
// overlaps into row bands on the thread pool.
#include <exception>
#include <memory>
#include <new>

#include "../core/frame.h"
#include "../is5.h"
#include "../pool/pool.h"
#include "overlay.h"

namespace {

// One band of a split overlay.
template <typename T>
struct overlayCoreThreadData : CISThreadData {
    ISOverlayImage<T> dst{};
    ISOverlayImage<const T> ovl{};
    int32_t x = 0;
    int32_t y = 0;
    double opacity = 0.0;
    double second = 0.0;
    int32_t mode = 0;
    uint32_t flags = 0;
    RECT band{};
};

template <typename T>
int32_t Core(const ISOverlayImage<T>& dst, const ISOverlayImage<const T>& ovl, int32_t x, int32_t y, double opacity,
             double second, int32_t mode, uint32_t flags, const RECT& rect)
{
    if constexpr (sizeof(T) == 1)
        return ISOverlayCore8(dst, ovl, x, y, opacity, second, mode, flags, rect);
    else
        return ISOverlayCore16(dst, ovl, x, y, opacity, second, mode, flags, rect);
}

template <typename T>
int OverlayTask(CISThreadData* data)
{
    auto* td = static_cast<overlayCoreThreadData<T>*>(data);
    ISTaskProgressScope progress(td);
    try {
        td->status = Core<T>(td->dst, td->ovl, td->x, td->y, td->opacity, td->second, td->mode, td->flags, td->band);
    } catch (const ISException& e) {
        td->status = e.Code() ? e.Code() : 17;
    } catch (const std::bad_alloc&) {
        td->status = 1;
    } catch (...) {
        td->status = 17;
    }
    return td->status;
}

template <typename T>
int32_t OverlayRun(const ISOverlayImage<T>& dst, const ISOverlayImage<const T>& ovl, int32_t x, int32_t y,
                   double opacity, double second, int32_t mode, uint32_t flags)
{
    RECT overlap;
    if (!ISOverlapRect(x, y, ovl.width, ovl.height, dst.width, dst.height, &overlap))
        return 0;
    const int32_t rows = overlap.bottom - overlap.top;
    const int32_t count = ISGetSplitCount();
    if (!ISShouldSplit(flags) || count < 2 || static_cast<int64_t>(rows) <= 5 * static_cast<int64_t>(count))
        return Core<T>(dst, ovl, x, y, opacity, second, mode, flags, overlap);

    // The caller's thread waits at this depth and reports the bands' progress.
    ISCallGuard guard;
    std::unique_ptr<RECT[]> bands(new (std::nothrow) RECT[count]);
    std::unique_ptr<overlayCoreThreadData<T>[]> records(new (std::nothrow) overlayCoreThreadData<T>[count]);
    std::unique_ptr<CISThreadData*[]> pointers(new (std::nothrow) CISThreadData*[count]);
    if (!bands || !records || !pointers)
        return 1;
    ISSplitRows(bands.get(), overlap.right - overlap.left, rows, count);
    const BYTE hasProgress = ISHasProgressCallback() ? 1 : 0;
    for (int32_t i = 0; i < count; ++i) {
        overlayCoreThreadData<T>& r = records[i];
        r.hasProgress = hasProgress;
        r.dst = dst;
        r.ovl = ovl;
        r.x = x;
        r.y = y;
        r.opacity = opacity;
        r.second = second;
        r.mode = mode;
        r.flags = flags;
        r.band.left = overlap.left;
        r.band.right = overlap.right;
        r.band.top = overlap.top + bands[i].top;
        r.band.bottom = overlap.top + bands[i].bottom;
        pointers[i] = &r;
    }
    return ISRunTasks(OverlayTask<T>, pointers.get(), count);
}

// Negative sizes, no channels or a row shorter than its pixels: 5.
bool BadGeometry(int32_t width, int32_t height, int32_t channels, int32_t stride)
{
    return width < 0 || height < 0 || channels < 1 ||
           static_cast<int64_t>(stride) < static_cast<int64_t>(width) * channels;
}

template <typename T>
int32_t Overlay(T* dst, int32_t dstWidth, int32_t dstHeight, int32_t channels, int32_t dstStride, const T* ovl,
                int32_t ovlWidth, int32_t ovlHeight, int32_t ovlStride, int32_t x, int32_t y, double opacity,
                double second, int32_t mode, uint32_t flags)
{
    if (!dst || !ovl || BadGeometry(dstWidth, dstHeight, channels, dstStride) ||
        BadGeometry(ovlWidth, ovlHeight, channels, ovlStride))
        return 5;
    ISOverlayImage<T> d{dst, dstWidth, dstHeight, channels, dstStride};
    ISOverlayImage<const T> o{ovl, ovlWidth, ovlHeight, channels, ovlStride};
    try {
        if constexpr (sizeof(T) == 1)
            return ISOverlayRun8(d, o, x, y, opacity, second, mode, flags);
        else
            return ISOverlayRun16(d, o, x, y, opacity, second, mode, flags);
    } catch (const ISException& e) {
        return e.Code() ? e.Code() : 17;
    } catch (const std::bad_alloc&) {
        return 1;
    } catch (...) {
        return 17;
    }
}

}  // namespace

BOOL ISOverlapRect(int64_t x, int64_t y, int64_t ovlWidth, int64_t ovlHeight, int64_t dstWidth, int64_t dstHeight,
                   RECT* overlap)
{
    auto clamp = [](int64_t v, int64_t hi) { return v < 0 ? 0 : (v > hi ? hi : v); };
    int64_t left = clamp(x, dstWidth);
    int64_t right = clamp(x + ovlWidth, dstWidth);
    int64_t top = clamp(y, dstHeight);
    int64_t bottom = clamp(y + ovlHeight, dstHeight);
    overlap->left = static_cast<LONG>(left);
    overlap->right = static_cast<LONG>(right);
    overlap->top = static_cast<LONG>(top);
    overlap->bottom = static_cast<LONG>(bottom);
    return right > left && bottom > top;
}

int32_t ISOverlayRun8(const ISOverlayImage<BYTE>& dst, const ISOverlayImage<const BYTE>& ovl, int32_t x, int32_t y,
                      double opacity, double second, int32_t mode, uint32_t flags)
{
    return OverlayRun<BYTE>(dst, ovl, x, y, opacity, second, mode, flags);
}

int32_t ISOverlayRun16(const ISOverlayImage<uint16_t>& dst, const ISOverlayImage<const uint16_t>& ovl, int32_t x,
                       int32_t y, double opacity, double second, int32_t mode, uint32_t flags)
{
    return OverlayRun<uint16_t>(dst, ovl, x, y, opacity, second, mode, flags);
}

BOOL CISImgOverlayT::Overlay8(BYTE* dst, int32_t dstWidth, int32_t dstHeight, int32_t channels, int32_t dstStride,
                              const BYTE* ovl, int32_t ovlWidth, int32_t ovlHeight, int32_t ovlStride, int32_t x,
                              int32_t y, double opacity, double second, int32_t mode, uint32_t flags)
{
    status = 0;
    status = Overlay<BYTE>(dst, dstWidth, dstHeight, channels, dstStride, ovl, ovlWidth, ovlHeight, ovlStride, x, y,
                           opacity, second, mode, flags);
    return status == 0;
}

BOOL CISImgOverlayT::Overlay16(uint16_t* dst, int32_t dstWidth, int32_t dstHeight, int32_t channels,
                               int32_t dstStride, const uint16_t* ovl, int32_t ovlWidth, int32_t ovlHeight,
                               int32_t ovlStride, int32_t x, int32_t y, double opacity, double second, int32_t mode,
                               uint32_t flags)
{
    status = 0;
    status = Overlay<uint16_t>(dst, dstWidth, dstHeight, channels, dstStride, ovl, ovlWidth, ovlHeight, ovlStride, x,
                               y, opacity, second, mode, flags);
    return status == 0;
}

BOOL is5_OverlayImage(void* dst, int32_t dstWidth, int32_t dstHeight, int32_t channels, int32_t dstStride,
                      const void* ovl, int32_t ovlWidth, int32_t ovlHeight, int32_t ovlStride, int32_t x, int32_t y,
                      double opacity, double second, int32_t mode, uint32_t flags)
{
    static const char kName[] = "is5_OverlayImage";
    if (!ISGetThreadState())
        return FALSE;
    ISSetLastError(0, kName);
    CISImgOverlayT op;
    if (flags & kISOverlay16Bit)
        op.Overlay16(static_cast<uint16_t*>(dst), dstWidth, dstHeight, channels, dstStride,
                     static_cast<const uint16_t*>(ovl), ovlWidth, ovlHeight, ovlStride, x, y, opacity, second, mode,
                     flags);
    else
        op.Overlay8(static_cast<BYTE*>(dst), dstWidth, dstHeight, channels, dstStride, static_cast<const BYTE*>(ovl),
                    ovlWidth, ovlHeight, ovlStride, x, y, opacity, second, mode, flags);
    ISSetLastError(op.status, kName);
    return op.status == 0;
}
