#include <algorithm>

#include "bands.h"
#include "resamplers.h"

template <typename T>
BOOL CISImgDecimateT<T>::Resize(const CISImgView<const T>& src, const CISImgView<T>& dst, int32_t flags)
{
    if (dst.width == 0 || dst.height == 0 || src.width < dst.width || src.height < dst.height || !src.pixels ||
        !dst.pixels)
        return this->Fail(5);
    const double xs = static_cast<double>(src.width) / dst.width;
    const double ys = static_cast<double>(src.height) / dst.height;
    // Block sums are 32-bit.
    if (xs * ys > static_cast<double>(4294967295u / this->m_maxSample))
        return this->Fail(5);

    this->m_status = ISResizeInBands(*this, flags, false, dst.width, dst.height, this->m_progress,
                                     [&](CISImgDecimateT<T>& op, const RECT& band) {
                                         return op.Core(src, dst, band);
                                     });
    return this->m_status == 0;
}

template <typename T>
int32_t CISImgDecimateT<T>::Core(const CISImgView<const T>& src, const CISImgView<T>& dst, const RECT& band)
{
    const double xs = static_cast<double>(src.width) / dst.width;
    const double ys = static_cast<double>(src.height) / dst.height;
    const uint32_t b = static_cast<uint32_t>(std::min(xs, ys));
    const uint32_t area = b * b;
    const uint32_t ch = src.channels;
    const int32_t rows = band.bottom - band.top;
    for (int32_t y = band.top; y < band.bottom; ++y) {
        // Never past the last whole block, whatever the rounding of y × ys.
        const int64_t top = std::min<int64_t>(static_cast<int64_t>(y * ys), src.height - b);
        T* out = ISRow(dst, y);
        for (int32_t x = band.left; x < band.right; ++x) {
            const int64_t left = std::min<int64_t>(static_cast<int64_t>(x * xs), src.width - b);
            for (uint32_t k = 0; k < ch; ++k) {
                uint32_t sum = 0;
                for (uint32_t j = 0; j < b; ++j) {
                    const T* p = ISRow(src, top + j) + static_cast<size_t>(left) * ch + k;
                    for (uint32_t i = 0; i < b; ++i)
                        sum += p[static_cast<size_t>(i) * ch];
                }
                out[static_cast<size_t>(x) * ch + k] = static_cast<T>(sum / area);
            }
        }
        if (this->Cancelled(y - band.top, rows))
            return 14;
    }
    return 0;
}

template class CISImgDecimateT<BYTE>;
template class CISImgDecimateT<uint16_t>;
