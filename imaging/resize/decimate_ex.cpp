#include <algorithm>

#include "bands.h"
#include "resamplers.h"

namespace {

template <typename T>
struct decimateExThreadData : ISResizeTaskRecord {
    CISImgView<const T> src;
    CISImgView<T> dst;
    int32_t flags = 0;
    const ISDecimateColumn* columns = nullptr;

    int32_t RunBand() override
    {
        CISImgDecimateExT<T> local;
        return local.Core(src, dst, band, columns);
    }
};

// Cell i of n over s samples, in exact integer arithmetic: first sample,
// end (exclusive) and the covered fractions of the first and last samples.
ISDecimateColumn Cell(int64_t i, int64_t s, int64_t n)
{
    const int64_t a = i * s;
    const int64_t e = (i + 1) * s;
    ISDecimateColumn c;
    c.first = static_cast<int32_t>(a / n);
    c.end = static_cast<int32_t>((e + n - 1) / n);
    c.firstWeight = 1.0 - static_cast<double>(a % n) / static_cast<double>(n);
    c.lastWeight = (e % n) ? static_cast<double>(e % n) / static_cast<double>(n) : 1.0;
    if (c.end - c.first == 1)
        c.total = c.firstWeight;
    else
        c.total = c.firstWeight + c.lastWeight + static_cast<double>(c.end - c.first - 2);
    return c;
}

}  // namespace

template <typename T>
BOOL CISImgDecimateExT<T>::Resize(const CISImgView<const T>& src, const CISImgView<T>& dst, int32_t flags)
{
    if (dst.width == 0 || dst.height == 0 || src.width < dst.width || src.height < dst.height || !src.pixels ||
        !dst.pixels)
        return this->Fail(5);
    ISArray<ISDecimateColumn> columns;
    if (!columns.Resize(static_cast<int32_t>(dst.width)))
        return this->Fail(1);
    for (uint32_t x = 0; x < dst.width; ++x)
        columns[x] = Cell(x, src.width, dst.width);

    const int32_t bands = ISResizeBandCount(flags, dst.height);
    if (bands) {
        const ISDecimateColumn* shared = columns.GetData();
        this->m_status = ISResizeSplit<decimateExThreadData<T>>(
            bands, false, static_cast<int32_t>(dst.width), static_cast<int32_t>(dst.height), this->m_progress,
            [&](decimateExThreadData<T>& r) {
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

template <typename T>
int32_t CISImgDecimateExT<T>::Core(const CISImgView<const T>& src, const CISImgView<T>& dst, const RECT& band,
                                   const ISDecimateColumn* columns)
{
    const uint32_t ch = src.channels;
    const int32_t rows = band.bottom - band.top;
    ISArray<double> rowWeights;
    for (int32_t y = band.top; y < band.bottom; ++y) {
        const ISDecimateColumn cell = Cell(y, src.height, dst.height);
        const int32_t count = cell.end - cell.first;
        if (!rowWeights.Resize(count))
            return 1;
        double rowTotal = 0.0;
        for (int32_t r = 0; r < count; ++r) {
            double w = 1.0;
            if (r == 0)
                w = cell.firstWeight;
            else if (r == count - 1)
                w = cell.lastWeight;
            rowWeights[r] = w;
            rowTotal += w;
        }
        T* out = ISRow(dst, y);
        for (int32_t x = band.left; x < band.right; ++x) {
            const ISDecimateColumn& c = columns[x];
            const int32_t last = c.end - 1;
            const double divisor = c.total * rowTotal;
            for (uint32_t k = 0; k < ch; ++k) {
                double acc = 0.0;
                for (int32_t r = 0; r < count; ++r) {
                    const T* p = ISRow(src, cell.first + r) + k;
                    double part = c.firstWeight * p[static_cast<size_t>(c.first) * ch];
                    if (last > c.first) {
                        for (int32_t i = c.first + 1; i < last; ++i)
                            part += p[static_cast<size_t>(i) * ch];
                        part += c.lastWeight * p[static_cast<size_t>(last) * ch];
                    }
                    acc += rowWeights[r] * part;
                }
                out[static_cast<size_t>(x) * ch + k] = ISClampTrunc<T>(ISFlatGuard(acc / divisor), this->m_maxSample);
            }
        }
        if (this->Cancelled(y - band.top, rows))
            return 14;
    }
    return 0;
}

template class CISImgDecimateExT<BYTE>;
template class CISImgDecimateExT<uint16_t>;
