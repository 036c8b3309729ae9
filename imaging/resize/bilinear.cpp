#include <algorithm>
#include <cmath>

#include "bands.h"
#include "resamplers.h"

namespace {

// Enlarging steps a little less than s / d so the last samples stay inside.
double Step(uint32_t s, uint32_t d)
{
    const double ratio = static_cast<double>(s) / static_cast<double>(d);
    if (s >= d)
        return ratio;
    return (static_cast<double>(s) - ratio) / static_cast<double>(d);
}

}  // namespace

template <typename T>
BOOL CISImgResizeBilinearT<T>::Resize(const CISImgView<const T>& src, const CISImgView<T>& dst, int32_t flags)
{
    const uint64_t ch = src.channels;
    if (!src.width || !src.height || !dst.width || !dst.height || !ch || !src.pixels || !dst.pixels ||
        src.stride < src.width * ch * sizeof(T) || dst.stride < dst.width * ch * sizeof(T))
        return this->Fail(5);
    if (ISResizeCopyIfSame(src, dst))
        return TRUE;

    ISArray<ISBilinearColumn> columns;
    if (!columns.Resize(static_cast<int32_t>(dst.width)))
        return this->Fail(5);
    const double step = Step(src.width, dst.width);
    for (uint32_t x = 0; x < dst.width; ++x) {
        const double p = x * step;
        const double whole = std::trunc(p);
        const int64_t index = std::min<int64_t>(static_cast<int64_t>(whole), src.width - 1);
        const int64_t right = std::min<int64_t>(index + 1, src.width - 1);
        columns[x].left = static_cast<int32_t>(index * ch);
        columns[x].right = static_cast<int32_t>(right * ch);
        columns[x].fraction = p - whole;
    }

    const ISBilinearColumn* shared = columns.GetData();
    this->m_status = ISResizeInBands(*this, flags, false, dst.width, dst.height, this->m_progress,
                                     [&](CISImgResizeBilinearT<T>& op, const RECT& band) {
                                         return op.Core(src, dst, band, shared);
                                     });
    return this->m_status == 0;
}

template <typename T>
int32_t CISImgResizeBilinearT<T>::Core(const CISImgView<const T>& src, const CISImgView<T>& dst, const RECT& band,
                                       const ISBilinearColumn* columns)
{
    const uint32_t ch = src.channels;
    const double step = Step(src.height, dst.height);
    const int64_t lastRow = static_cast<int64_t>(src.height) - 1;
    const int32_t rows = band.bottom - band.top;
    for (int32_t y = band.top; y < band.bottom; ++y) {
        const double p = y * step;
        const double whole = std::trunc(p);
        const int64_t r0 = std::clamp<int64_t>(static_cast<int64_t>(whole), 0, lastRow);
        const int64_t r1 = std::clamp<int64_t>(static_cast<int64_t>(whole) + 1, 0, lastRow);
        const double fy = p - whole;
        const double gy = 1.0 - fy;
        const T* top = ISRow(src, r0);
        const T* bottom = ISRow(src, r1);
        T* out = ISRow(dst, y) + static_cast<size_t>(band.left) * ch;
        for (int32_t x = band.left; x < band.right; ++x) {
            const ISBilinearColumn& c = columns[x];
            const double fx = c.fraction;
            const double gx = 1.0 - fx;
            const double wTR = fx * gy;
            const double wTL = gx * gy;
            const double wBR = fx * fy;
            const double wBL = gx * fy;
            for (uint32_t k = 0; k < ch; ++k) {
                const double v = wTR * top[c.right + k] + wTL * top[c.left + k] + wBR * bottom[c.right + k] +
                                 wBL * bottom[c.left + k];
                *out++ = ISClampTrunc<T>(ISFlatGuard(v), this->m_maxSample);
            }
        }
        if (this->Cancelled(y - band.top, rows))
            return 14;
    }
    return 0;
}

template class CISImgResizeBilinearT<BYTE>;
template class CISImgResizeBilinearT<uint16_t>;
