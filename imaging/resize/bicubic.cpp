#include <algorithm>
#include <cmath>

#include "bands.h"
#include "resamplers.h"

namespace {

template <typename T>
struct bicubicThreadData : ISResizeTaskRecord {
    CISImgView<const T> src;
    CISImgView<T> dst;
    int32_t flags = 0;
    const ISBicubicColumn* columns = nullptr;

    int32_t RunBand() override
    {
        CISBicubicResizeT<T> local;
        return local.Core(src, dst, band, columns);
    }
};

}  // namespace

void ISBicubicTaps(double p, int32_t s, int32_t index[4], double weight[4])
{
    const double whole = std::trunc(p);
    const double t = p - whole;
    const int64_t f = static_cast<int64_t>(whole);
    // Neighbours past either edge repeat the edge sample.
    for (int32_t k = 0; k < 4; ++k)
        index[k] = static_cast<int32_t>(std::clamp<int64_t>(f - 1 + k, 0, s - 1));
    weight[0] = -t * (1.0 - t) * (1.0 - t);
    weight[1] = 1.0 - 2.0 * t * t + t * t * t;
    weight[2] = t * (1.0 + t - t * t);
    weight[3] = -t * t * (1.0 - t);
}

template <typename T>
BOOL CISBicubicResizeT<T>::Resize(const CISImgView<const T>& src, const CISImgView<T>& dst, int32_t flags)
{
    if (!src.pixels || !dst.pixels || static_cast<const void*>(src.pixels) == static_cast<const void*>(dst.pixels) ||
        !src.width || !src.height || !dst.width || !dst.height)
        return this->Fail(5);
    if (ISResizeCopyIfSame(src, dst))
        return TRUE;

    ISArray<ISBicubicColumn> columns;
    if (!columns.Resize(static_cast<int32_t>(dst.width)))
        return this->Fail(5);
    const uint32_t ch = src.channels;
    const double ratio = static_cast<double>(src.width) / static_cast<double>(dst.width);
    const double lastColumn = static_cast<double>(src.width) - 1.0;
    for (uint32_t x = 0; x < dst.width; ++x) {
        const double p = std::clamp(x * ratio, 0.0, lastColumn);
        int32_t index[4];
        ISBicubicTaps(p, static_cast<int32_t>(src.width), index, columns[x].weight);
        for (int32_t k = 0; k < 4; ++k)
            columns[x].offset[k] = static_cast<int32_t>(static_cast<int64_t>(index[k]) * ch);
    }

    const int32_t bands = ISResizeBandCount(flags, dst.width);
    if (bands) {
        const ISBicubicColumn* shared = columns.GetData();
        this->m_status = ISResizeSplit<bicubicThreadData<T>>(
            bands, true, static_cast<int32_t>(dst.width), static_cast<int32_t>(dst.height), this->m_progress,
            [&](bicubicThreadData<T>& r) {
                r.src = src;
                r.dst = dst;
                r.flags = flags;
                r.columns = shared;
            });
    } else {
        RECT all = {0, 0, static_cast<LONG>(dst.width), static_cast<LONG>(dst.height)};
        this->m_status = Core(src, dst, all, columns.GetData());
    }
    return this->m_status == 0;
}

namespace {

// One destination row over the band's columns; CH > 0 fixes the channel
// count so that the channels' sums run side by side.
template <typename T, int CH>
void BicubicRow(const T* const line[4], const double wy[4], const ISBicubicColumn* columns, int32_t left,
                int32_t right, uint32_t channels, uint32_t maxSample, T* out)
{
    const uint32_t ch = CH > 0 ? CH : channels;
    for (int32_t x = left; x < right; ++x) {
        const ISBicubicColumn& c = columns[x];
#pragma GCC unroll 4
        for (uint32_t k = 0; k < ch; ++k) {
            double sum = 0.0;
#pragma GCC unroll 4
            for (int32_t j = 0; j < 4; ++j) {
                const T* p = line[j] + k;
                double inner = 0.0;
                inner += c.weight[0] * p[c.offset[0]];
                inner += c.weight[1] * p[c.offset[1]];
                inner += c.weight[2] * p[c.offset[2]];
                inner += c.weight[3] * p[c.offset[3]];
                sum += wy[j] * inner;
            }
            *out++ = ISClampTrunc<T>(ISFlatGuard(sum), maxSample);
        }
    }
}

}  // namespace

template <typename T>
int32_t CISBicubicResizeT<T>::Core(const CISImgView<const T>& src, const CISImgView<T>& dst, const RECT& band,
                                   const ISBicubicColumn* columns)
{
    const uint32_t ch = src.channels;
    const double ratio = static_cast<double>(src.height) / static_cast<double>(dst.height);
    const int32_t rows = band.bottom - band.top;
    for (int32_t y = band.top; y < band.bottom; ++y) {
        int32_t index[4];
        double wy[4];
        ISBicubicTaps(y * ratio, static_cast<int32_t>(src.height), index, wy);
        const T* line[4];
        for (int32_t j = 0; j < 4; ++j)
            line[j] = ISRow(src, index[j]);
        T* out = ISRow(dst, y) + static_cast<size_t>(band.left) * ch;
        switch (ch) {
        case 1:
            BicubicRow<T, 1>(line, wy, columns, band.left, band.right, ch, this->m_maxSample, out);
            break;
        case 3:
            BicubicRow<T, 3>(line, wy, columns, band.left, band.right, ch, this->m_maxSample, out);
            break;
        case 4:
            BicubicRow<T, 4>(line, wy, columns, band.left, band.right, ch, this->m_maxSample, out);
            break;
        default:
            BicubicRow<T, 0>(line, wy, columns, band.left, band.right, ch, this->m_maxSample, out);
            break;
        }
        if (this->Cancelled(y - band.top, rows))
            return 14;
    }
    return 0;
}

template class CISBicubicResizeT<BYTE>;
template class CISBicubicResizeT<uint16_t>;
