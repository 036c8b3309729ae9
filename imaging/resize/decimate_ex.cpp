#include <algorithm>

#include "bands.h"
#include "resamplers.h"

namespace {

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

    const ISDecimateColumn* shared = columns.GetData();
    this->m_status = ISResizeInBands(*this, flags, false, dst.width, dst.height, this->m_progress,
                                     [&](CISImgDecimateExT<T>& op, const RECT& band) {
                                         return op.Core(src, dst, band, shared);
                                     });
    return this->m_status == 0;
}

namespace {

// Adds weight × (the weighted sum of each column's cell in one source row)
// to every sample of the band's row; CH > 0 fixes the channel count.
template <typename T, int CH>
void AddSourceRow(const T* row, const ISDecimateColumn* columns, int32_t left, int32_t right, uint32_t channels,
                  double weight, double* acc)
{
    const uint32_t ch = CH > 0 ? CH : channels;
    for (int32_t x = left; x < right; ++x) {
        const ISDecimateColumn& c = columns[x];
        const int32_t last = c.end - 1;
        const T* first = row + static_cast<size_t>(c.first) * ch;
#pragma GCC unroll 4
        for (uint32_t k = 0; k < ch; ++k) {
            double part = c.firstWeight * first[k];
            if (last > c.first) {
                for (int32_t i = 1; i < last - c.first; ++i)
                    part += first[static_cast<size_t>(i) * ch + k];
                part += c.lastWeight * first[static_cast<size_t>(last - c.first) * ch + k];
            }
            *acc++ += weight * part;
        }
    }
}

}  // namespace

template <typename T>
int32_t CISImgDecimateExT<T>::Core(const CISImgView<const T>& src, const CISImgView<T>& dst, const RECT& band,
                                   const ISDecimateColumn* columns)
{
    const uint32_t ch = src.channels;
    const int32_t rows = band.bottom - band.top;
    const int64_t samples = static_cast<int64_t>(band.right - band.left) * ch;
    ISArray<double> acc;
    if (samples > 0x7fffffff || !acc.Resize(static_cast<int32_t>(samples)))
        return 1;
    for (int32_t y = band.top; y < band.bottom; ++y) {
        const ISDecimateColumn cell = Cell(y, src.height, dst.height);
        const int32_t count = cell.end - cell.first;
        acc.Fill(0.0);
        double rowTotal = 0.0;
        for (int32_t r = 0; r < count; ++r) {
            double w = 1.0;
            if (r == 0)
                w = cell.firstWeight;
            else if (r == count - 1)
                w = cell.lastWeight;
            rowTotal += w;
            const T* row = ISRow(src, cell.first + r);
            switch (ch) {
            case 1:
                AddSourceRow<T, 1>(row, columns, band.left, band.right, ch, w, acc.GetData());
                break;
            case 3:
                AddSourceRow<T, 3>(row, columns, band.left, band.right, ch, w, acc.GetData());
                break;
            default:
                AddSourceRow<T, 0>(row, columns, band.left, band.right, ch, w, acc.GetData());
                break;
            }
        }
        T* out = ISRow(dst, y) + static_cast<size_t>(band.left) * ch;
        const double* a = acc.GetData();
        for (int32_t x = band.left; x < band.right; ++x) {
            const double divisor = columns[x].total * rowTotal;
            for (uint32_t k = 0; k < ch; ++k)
                *out++ = ISClampTrunc<T>(ISFlatGuard(*a++ / divisor), this->m_maxSample);
        }
        if (this->Cancelled(y - band.top, rows))
            return 14;
    }
    return 0;
}

template class CISImgDecimateExT<BYTE>;
template class CISImgDecimateExT<uint16_t>;
